// The histogram of a 24-megapixel picture as the main window asks for it
// after every tone change: counting alone, for noise and for a flat picture
// (one colour, where every increment hits the same counters), and the whole
// call into a metafile.
#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "image/HistogramData.h"
#include "image/HistogramDrawing.h"
#include "image/KestrelImg.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace pictor;

TBitmap Picture(TPixelFormat format, bool flat)
{
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(6000, 4000);
    std::mt19937 random(1);
    for (int y = 0; y < b.Height(); ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int i = 0; i < b.RowStride(); ++i) row[i] = flat ? 0x5A : static_cast<std::uint8_t>(random());
    }
    return b;
}

void Count(benchmark::State& state)
{
    const TBitmap b = Picture(static_cast<TPixelFormat>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(CountChannels(b, 2));
}

void MainWindowCall(benchmark::State& state)
{
    const TBitmap b = Picture(pf24bit, false);
    TKestrelImage image;
    image.Picture().SetGraphic(&b);
    for (auto _ : state) {
        TMetafile metafile;
        image.DrawHistogram(metafile, kWindowHistogramScale, kWindowHistogramShift, kWindowHistogramCeiling);
        benchmark::DoNotOptimize(metafile.Width());
    }
}

BENCHMARK(Count)
    ->Args({pf24bit, 0})
    ->Args({pf24bit, 1})
    ->Args({pf8bit, 0})
    ->Args({pf8bit, 1})
    ->Args({pfDevice, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MainWindowCall)->Unit(benchmark::kMillisecond);

} // namespace
