// Pixel-format conversion of a 24-megapixel photograph-like picture between
// 24 bits and every other format (target: well under a second each way).
#include "gfx/Bitmap.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace pictor;

// 6000 by 4000 with smooth gradients and some noise, as a photograph has.
const TBitmap& Photo()
{
    static const TBitmap photo = [] {
        TBitmap b;
        b.SetPixelFormat(pf24bit);
        b.SetSize(6000, 4000);
        std::mt19937 rng(1);
        for (int y = 0; y < b.Height(); ++y) {
            std::uint8_t* row = b.ScanLine(y);
            for (int x = 0; x < b.Width(); ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x / 24 + (rng() & 7));
                row[3 * x + 1] = static_cast<std::uint8_t>(y / 16 + (rng() & 7));
                row[3 * x + 2] = static_cast<std::uint8_t>((x + y) / 40 + (rng() & 7));
            }
        }
        return b;
    }();
    return photo;
}

void FromTrueColour(benchmark::State& state)
{
    const auto format = static_cast<TPixelFormat>(state.range(0));
    for (auto _ : state) {
        TBitmap b = Photo();
        b.SetPixelFormat(format);
        benchmark::DoNotOptimize(b.ScanLine(0));
    }
}

void ToTrueColour(benchmark::State& state)
{
    TBitmap source = Photo();
    source.SetPixelFormat(static_cast<TPixelFormat>(state.range(0)));
    for (auto _ : state) {
        TBitmap b = source;
        b.SetPixelFormat(pf24bit);
        benchmark::DoNotOptimize(b.ScanLine(0));
    }
}

void Formats(benchmark::internal::Benchmark* b)
{
    for (TPixelFormat f : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf32bit}) b->Arg(f);
    b->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(FromTrueColour)->Apply(Formats);
BENCHMARK(ToTrueColour)->Apply(Formats);

} // namespace
