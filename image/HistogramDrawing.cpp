#include "image/HistogramDrawing.h"

#include "gfx/Canvas.h"
#include "image/HistogramData.h"

#include <algorithm>
#include <string>

namespace pictor {

namespace {

// Units of the layout.
constexpr int kPlotLeft = 15;
constexpr int kPlotRight = 271;
constexpr int kPlotBase = 159;
constexpr int kPlotHeight = 150;  // from the base line to the ceiling
constexpr int kAxisTopPixels = 10; // not scaled
constexpr int kMiddle = 85;
constexpr int kLabelLeft = 273;    // ceiling label and "%"
constexpr int kCeilingLabelTop = 87;
constexpr int kPercentTop = 97;
constexpr int kTickTop = 160;
constexpr int kLevelLabelTop = 162;

void DrawCurves(TCanvas& Canvas, const THistogramPlot& Plot, int Scale)
{
    Canvas.Brush = TBrush{clBtnFace, bsSolid};
    Canvas.FillRect(Rect(0, 0, kHistogramUnitsWide * Scale, kHistogramUnitsHigh * Scale));
    if (!Plot.HasData) return;

    const int step = 256 / Plot.Bins; // levels a bin is wide
    const int x0 = (step >> 1) + kPlotLeft;
    const TColor colours[3] = {clBlue, clLime, clRed};
    for (int c = hcBlue; c <= hcRed; ++c) {
        Canvas.Pen = TPen{};
        Canvas.Pen.Color = colours[c];
        const std::vector<int>& percent = Plot.Percent[static_cast<std::size_t>(c)];
        int x = x0;
        for (int i = 0; i < Plot.Bins; ++i, x += step) {
            const int y = kPlotBase - percent[static_cast<std::size_t>(i)] * kPlotHeight / Plot.Ceiling;
            if (i == 0)
                Canvas.MoveTo(x * Scale, y * Scale);
            else
                Canvas.LineTo(x * Scale, y * Scale);
        }
    }
}

void DrawAxes(TCanvas& Canvas, const THistogramPlot& Plot, int Scale)
{
    Canvas.Pen = TPen{};
    Canvas.Font = TFont{};
    Canvas.Font.SetSize(Scale * 8);
    // Text on an opaque button-face cell, as the background.
    Canvas.Brush = TBrush{clBtnFace, bsSolid};

    Canvas.MoveTo(kPlotLeft * Scale, kAxisTopPixels);
    Canvas.LineTo(kPlotLeft * Scale, kPlotBase * Scale);
    Canvas.LineTo(kPlotRight * Scale, kPlotBase * Scale);
    Canvas.LineTo(kPlotRight * Scale, kAxisTopPixels);

    Canvas.MoveTo(11 * Scale, kMiddle * Scale);
    Canvas.LineTo(14 * Scale, kMiddle * Scale);
    Canvas.MoveTo(272 * Scale, kMiddle * Scale);
    Canvas.LineTo(275 * Scale, kMiddle * Scale);

    const int half = Plot.HasData ? Plot.Ceiling >> 1 : 0;
    int offset = 0;
    if (Plot.HasData) {
        const std::string number = std::to_string(half);
        Canvas.TextOut(kLabelLeft * Scale, kCeilingLabelTop * Scale, number);
        // "%" centred under a number of two or more digits. In a font where
        // the number is narrower than "%" it stays left-aligned with it, as
        // under a single digit, rather than reaching towards the axis.
        if (half >= 10) {
            const int difference = Canvas.TextWidth(number) - Canvas.TextWidth("%");
            offset = std::max(0, difference >> 1);
        }
    }
    Canvas.TextOut(kLabelLeft * Scale + offset, kPercentTop * Scale, "%");

    for (int k = 0; k <= 16; ++k) {
        const int x = 16 * k + kPlotLeft;
        const int length = k % 2 == 0 ? 3 : 1;
        Canvas.MoveTo(x * Scale, kTickTop * Scale);
        Canvas.LineTo(x * Scale, (kTickTop + length) * Scale);
        if (k % 4 == 0) {
            const std::string label = k == 16 ? "255" : std::to_string(16 * k);
            const int w = Canvas.TextWidth(label) / 2;
            Canvas.TextOut(x * Scale - w, kLevelLabelTop * Scale, label);
        }
    }
}

} // namespace

void DrawHistogramPicture(TCanvas& Canvas, const THistogramPlot& Plot, int Scale)
{
    DrawCurves(Canvas, Plot, Scale);
    DrawAxes(Canvas, Plot, Scale);
}

} // namespace pictor
