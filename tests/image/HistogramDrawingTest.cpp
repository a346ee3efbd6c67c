// The drawing calls of the histogram picture, logged by a canvas that
// measures text as 8 pixels a character.
#include "image/HistogramDrawing.h"

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "image/HistogramData.h"
#include "tests/support/InertCanvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pictor {
namespace {

struct TCall {
    enum Kind { kFill, kMove, kLine, kText } What;
    int X = 0, Y = 0;
    TColor Colour = 0; // fill: brush; line: pen; text: font
    std::string Text;
    TPen Pen;
    TFont Font;
    TBrush Brush;
};

class TLogCanvas : public testing::TInertCanvas {
public:
    TLogCanvas() : TInertCanvas(2000, 2000) {}

    void MoveTo(int x, int y) override
    {
        TCanvas::MoveTo(x, y);
        Calls.push_back({TCall::kMove, x, y, 0, {}, Pen, Font, Brush});
    }
    void LineTo(int x, int y) override
    {
        FPenPos = TPoint{x, y};
        Calls.push_back({TCall::kLine, x, y, Pen.Color, {}, Pen, Font, Brush});
    }
    void FillRect(const TRect& r) override
    {
        Calls.push_back({TCall::kFill, r.Right, r.Bottom, Brush.Color, {}, Pen, Font, Brush});
        EXPECT_EQ(r.Left, 0);
        EXPECT_EQ(r.Top, 0);
    }
    void TextOut(int x, int y, const std::string& text) override
    {
        Calls.push_back({TCall::kText, x, y, Font.Color, text, Pen, Font, Brush});
    }
    int TextWidth(const std::string& text) override
    {
        return text == "%" ? PercentWidth : 8 * static_cast<int>(text.size());
    }

    std::vector<TCall> Calls;
    int PercentWidth = 8;

    std::vector<TCall> Texts() const { return Only(TCall::kText); }
    std::vector<TCall> Only(TCall::Kind kind) const
    {
        std::vector<TCall> out;
        for (const TCall& c : Calls)
            if (c.What == kind) out.push_back(c);
        return out;
    }
    // The points of the polyline in the given pen colour: each move starts
    // one, each line extends it.
    std::vector<std::vector<TPoint>> Polylines(TColor colour) const
    {
        std::vector<std::vector<TPoint>> out;
        for (std::size_t i = 0; i < Calls.size(); ++i) {
            const TCall& c = Calls[i];
            if (c.What == TCall::kMove && c.Pen.Color == colour) {
                out.push_back({{c.X, c.Y}});
            } else if (c.What == TCall::kLine && c.Colour == colour && !out.empty()) {
                out.back().push_back({c.X, c.Y});
            }
        }
        return out;
    }
};

// A plot whose first bin holds every pixel of every channel (all black).
THistogramPlot AllBlack(int shift, int ceiling = 0)
{
    THistogramCounts counts;
    counts.Shift = shift;
    counts.Pixels = 16;
    for (auto& bins : counts.Bins) {
        bins.assign(std::size_t(256) >> shift, 0);
        bins[0] = 16;
    }
    return PlotOf(counts, ceiling);
}

TEST(HistogramDrawingTest, AllBlackPictureAtTheMainWindowsScale)
{
    TLogCanvas canvas;
    DrawHistogramPicture(canvas, AllBlack(2), 2);

    ASSERT_FALSE(canvas.Calls.empty());
    const TCall& fill = canvas.Calls.front();
    EXPECT_EQ(fill.What, TCall::kFill);
    EXPECT_EQ(fill.X, 572);
    EXPECT_EQ(fill.Y, 350);
    EXPECT_EQ(fill.Colour, clBtnFace);

    // Each curve: (17, 9) units, down to (21, 159), along the base line to
    // (269, 159); blue first, red last.
    std::vector<TPoint> expected = {{34, 18}};
    for (int i = 1; i < 64; ++i) expected.push_back({(17 + 4 * i) * 2, 318});
    std::size_t firstLine[3];
    const TColor colours[3] = {clBlue, clLime, clRed};
    for (int c = 0; c < 3; ++c) {
        const auto lines = canvas.Polylines(colours[c]);
        ASSERT_EQ(lines.size(), 1u) << c;
        EXPECT_EQ(lines[0], expected) << c;
        for (std::size_t i = 0; i < canvas.Calls.size(); ++i)
            if (canvas.Calls[i].What == TCall::kMove && canvas.Calls[i].Pen.Color == colours[c]) firstLine[c] = i;
    }
    EXPECT_LT(firstLine[0], firstLine[1]);
    EXPECT_LT(firstLine[1], firstLine[2]);

    // The frame after the curves, its upright axes ending 10 pixels down.
    const auto black = canvas.Polylines(clBlack);
    ASSERT_GE(black.size(), 1u);
    EXPECT_EQ(black[0], (std::vector<TPoint>{{30, 10}, {30, 318}, {542, 318}, {542, 10}}));
    for (std::size_t i = 0; i < canvas.Calls.size(); ++i)
        if (canvas.Calls[i].What == TCall::kLine && canvas.Calls[i].Colour == clBlack) {
            EXPECT_GT(i, firstLine[2]);
        }

    // Ceiling 100: label 50 at (273, 87) units, "%" centred under it.
    const auto texts = canvas.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0].Text, "50");
    EXPECT_EQ(texts[0].X, 546);
    EXPECT_EQ(texts[0].Y, 174);
    EXPECT_EQ(texts[1].Text, "%");
    EXPECT_EQ(texts[1].X, 546 + (16 - 8) / 2);
    EXPECT_EQ(texts[1].Y, 194);
}

TEST(HistogramDrawingTest, TicksAndLevelLabels)
{
    TLogCanvas canvas;
    DrawHistogramPicture(canvas, AllBlack(2), 1);

    const auto black = canvas.Polylines(clBlack);
    // Frame, the two middle ticks, then 17 level ticks.
    ASSERT_EQ(black.size(), 1u + 2u + 17u);
    EXPECT_EQ(black[0], (std::vector<TPoint>{{15, 10}, {15, 159}, {271, 159}, {271, 10}}));
    EXPECT_EQ(black[1], (std::vector<TPoint>{{11, 85}, {14, 85}}));
    EXPECT_EQ(black[2], (std::vector<TPoint>{{272, 85}, {275, 85}}));
    for (int k = 0; k <= 16; ++k) {
        const int x = 16 * k + 15;
        const int length = k % 2 == 0 ? 3 : 1;
        EXPECT_EQ(black[3 + static_cast<std::size_t>(k)], (std::vector<TPoint>{{x, 160}, {x, 160 + length}})) << k;
    }

    std::vector<TCall> labels;
    for (const TCall& t : canvas.Texts())
        if (t.Y == 162) labels.push_back(t);
    ASSERT_EQ(labels.size(), 5u);
    const char* texts[5] = {"0", "64", "128", "192", "255"};
    const int centres[5] = {15, 79, 143, 207, 271};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(labels[i].Text, texts[i]);
        // Centred on the tick: half the text width, truncated, to the left.
        EXPECT_EQ(labels[i].X, centres[i] - static_cast<int>(8 * labels[i].Text.size()) / 2);
    }
}

TEST(HistogramDrawingTest, BinPositionsFollowTheShift)
{
    for (int shift : {0, 3}) {
        TLogCanvas canvas;
        DrawHistogramPicture(canvas, AllBlack(shift), 1);
        const auto red = canvas.Polylines(clRed);
        ASSERT_EQ(red.size(), 1u);
        const std::vector<TPoint>& points = red[0];
        ASSERT_EQ(points.size(), std::size_t(256) >> shift);
        const int step = 1 << shift;
        for (std::size_t i = 0; i < points.size(); ++i)
            EXPECT_EQ(points[i].X, 15 + step / 2 + static_cast<int>(i) * step) << shift;
        EXPECT_EQ(points.front().X, shift == 0 ? 15 : 19);
        EXPECT_EQ(points.back().X, shift == 0 ? 270 : 267);
        EXPECT_EQ(points.front().Y, 9);
        EXPECT_EQ(points.back().Y, 159);
    }
}

TEST(HistogramDrawingTest, HeightsScaleToTheCeilingWithTruncation)
{
    THistogramCounts counts;
    counts.Shift = 2;
    counts.Pixels = 100;
    for (auto& bins : counts.Bins) {
        bins.assign(64, 0);
        bins[0] = 37;
        bins[1] = 63 - 30;
        bins[2] = 30;
    }
    // Highest 37: ceiling 40. Heights 159 - p * 150 div 40.
    TLogCanvas canvas;
    DrawHistogramPicture(canvas, PlotOf(counts, 0), 1);
    const auto blue = canvas.Polylines(clBlue);
    ASSERT_EQ(blue.size(), 1u);
    EXPECT_EQ(blue[0][0].Y, 159 - 37 * 150 / 40);
    EXPECT_EQ(blue[0][1].Y, 159 - 33 * 150 / 40);
    EXPECT_EQ(blue[0][2].Y, 159 - 30 * 150 / 40);
    EXPECT_EQ(canvas.Texts()[0].Text, "20");

    // An explicit ceiling below a percentage puts that point above the plot.
    TLogCanvas low;
    DrawHistogramPicture(low, PlotOf(counts, 25), 1);
    EXPECT_EQ(low.Polylines(clBlue)[0][0].Y, 159 - 37 * 150 / 26);
    EXPECT_EQ(low.Texts()[0].Text, "13");
}

TEST(HistogramDrawingTest, PercentSignUnderTheCeilingLabel)
{
    struct Case {
        int Ceiling;
        int PercentWidth;
        int Offset;
    };
    // Two digits: centred; one digit: left-aligned; a "%" wider than the
    // number stays left-aligned rather than reaching left of it.
    for (const Case& c : {Case{100, 8, 4}, Case{20, 8, 4}, Case{20, 5, 5}, Case{18, 8, 0}, Case{2, 8, 0},
                          Case{100, 30, 0}}) {
        TLogCanvas canvas;
        canvas.PercentWidth = c.PercentWidth;
        DrawHistogramPicture(canvas, AllBlack(2, c.Ceiling), 2);
        const auto texts = canvas.Texts();
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts[0].Text, std::to_string(c.Ceiling / 2));
        EXPECT_EQ(texts[1].Text, "%");
        EXPECT_EQ(texts[1].X, 546 + c.Offset) << c.Ceiling << " " << c.PercentWidth;
    }
}

TEST(HistogramDrawingTest, NoDataDrawsFrameAndLabelsOnly)
{
    TLogCanvas canvas;
    canvas.PercentWidth = 2; // would give an offset if a number were there
    DrawHistogramPicture(canvas, EmptyPlot(2), 2);

    for (TColor c : {clBlue, clLime, clRed}) EXPECT_TRUE(canvas.Polylines(c).empty());
    EXPECT_EQ(canvas.Polylines(clBlack).size(), 20u);
    const auto texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0].Text, "%");
    EXPECT_EQ(texts[0].X, 546);
    EXPECT_EQ(texts[0].Y, 194);
}

TEST(HistogramDrawingTest, PenBrushAndFontAreSetWhateverTheCanvasHeld)
{
    TLogCanvas canvas;
    canvas.Pen = TPen{clWhite, 7, psDash, pmNotXor};
    canvas.Brush = TBrush{clRed, bsClear};
    canvas.Font.Name = "Serif";
    canvas.Font.Color = clRed;
    canvas.Font.Bold = true;
    DrawHistogramPicture(canvas, AllBlack(2), 3);

    TFont font;
    font.SetSize(24);
    for (const TCall& c : canvas.Calls) {
        if (c.What == TCall::kLine) {
            EXPECT_EQ(c.Pen.Width, 1);
            EXPECT_EQ(c.Pen.Style, psSolid);
            EXPECT_EQ(c.Pen.Mode, pmCopy);
        } else if (c.What == TCall::kText) {
            EXPECT_EQ(c.Font.Name, "");
            EXPECT_EQ(c.Font.Height, font.Height);
            EXPECT_EQ(c.Font.Color, clBlack);
            EXPECT_FALSE(c.Font.Bold);
            EXPECT_EQ(c.Brush.Style, bsSolid);
            EXPECT_EQ(c.Brush.Color, clBtnFace);
        } else if (c.What == TCall::kFill) {
            EXPECT_EQ(c.Brush.Style, bsSolid);
        }
    }
}

} // namespace
} // namespace pictor
