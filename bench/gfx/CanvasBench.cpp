// Speed of the bitmap canvas on a 24-megapixel picture (6000 by 4000): whole
// fills, one-to-one copies between formats, stretching, the trimming
// rectangle and text. A 1:1 copy must stay well under a second.
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"

#include <benchmark/benchmark.h>

namespace pictor {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

TBitmap Picture(TPixelFormat format)
{
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(kWidth, kHeight);
    // Some variety, so palette lookups are not all one colour.
    for (int y = 0; y < kHeight; y += 7) {
        b.Canvas().Pen.Color = RGBColor(y % 256, (y * 3) % 256, (y * 7) % 256);
        b.Canvas().MoveTo(0, y);
        b.Canvas().LineTo(kWidth, y);
    }
    return b;
}

void FillWhole(benchmark::State& state, TPixelFormat format)
{
    TBitmap b = Picture(format);
    b.Canvas().Brush.Color = RGBColor(12, 34, 56);
    for (auto _ : state) b.Canvas().FillRect(Rect(0, 0, kWidth, kHeight));
}
BENCHMARK_CAPTURE(FillWhole, Bits24, pf24bit)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FillWhole, Display, pfDevice)->Unit(benchmark::kMillisecond);

void CopyWhole(benchmark::State& state, TPixelFormat from, TPixelFormat to)
{
    TBitmap src = Picture(from);
    TBitmap dst = Picture(to);
    for (auto _ : state) dst.Canvas().CopyRect(Rect(0, 0, kWidth, kHeight), src.Canvas(), Rect(0, 0, kWidth, kHeight));
}
BENCHMARK_CAPTURE(CopyWhole, Same24, pf24bit, pf24bit)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CopyWhole, Same8, pf8bit, pf8bit)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CopyWhole, From24ToDisplay, pf24bit, pfDevice)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CopyWhole, From24To8, pf24bit, pf8bit)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CopyWhole, From8To24, pf8bit, pf24bit)->Unit(benchmark::kMillisecond);

void StretchToHalf(benchmark::State& state)
{
    TBitmap src = Picture(pf24bit);
    TBitmap dst;
    dst.SetPixelFormat(pf24bit);
    dst.SetSize(kWidth / 2, kHeight / 2);
    for (auto _ : state) dst.Canvas().StretchDraw(Rect(0, 0, kWidth / 2, kHeight / 2), src);
}
BENCHMARK(StretchToHalf)->Unit(benchmark::kMillisecond);

void TrimmingRectangle(benchmark::State& state)
{
    TBitmap b = Picture(pf24bit);
    TCanvas& c = b.Canvas();
    c.Pen.Width = 2;
    c.Pen.Mode = pmNotXor;
    c.Brush.Style = bsClear;
    for (auto _ : state) c.Rectangle(10, 10, kWidth - 10, kHeight - 10);
}
BENCHMARK(TrimmingRectangle)->Unit(benchmark::kMillisecond);

void HistogramLabels(benchmark::State& state)
{
    TBitmap b;
    b.SetSize(572, 350);
    TCanvas& c = b.Canvas();
    c.Brush.Color = clBtnFace;
    c.Font.SetSize(16);
    for (auto _ : state) {
        for (const char* label : {"0", "64", "128", "192", "255", "50", "%"}) c.TextOut(100, 300, label);
    }
}
BENCHMARK(HistogramLabels)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace pictor
