// Every ReduceColors mode and the 8-bit halftone conversion on 24-bit
// photographs. The drivers only read the picture, so it is never copied.
#include "OpsBench.h"

#include "image/ReductionModes.h"
#include "reduce/Reduce.h"

namespace {

using namespace pictor;
using namespace pictor::bench;

// ReduceColors(mode) on the photograph of the first argument, put in
// untimed before each run.
void TimeReduction(benchmark::State& state, std::uint8_t mode)
{
    const TBitmap& photo = Photo(state.range(0));
    TKestrelImage image;
    for (auto _ : state) {
        state.PauseTiming();
        image.Picture().SetGraphic(&photo);
        state.ResumeTiming();
        image.ReduceColors(mode);
    }
}

// ReduceColors mode: 0 octree, 1 median cut, 2 median cut by variance, 3 and
// 4 the same with error diffusion, 5 the fixed palette with error diffusion.
void ReduceColors(benchmark::State& state)
{
    const auto mode = static_cast<std::uint8_t>(state.range(1));
    TimeReduction(state, mode);
    state.SetLabel(mode == 0   ? "octree"
                   : mode == 1 ? "median cut"
                   : mode == 2 ? "median cut by variance"
                   : mode == 3 ? "median cut + diffusion"
                   : mode == 4 ? "median cut by variance + diffusion"
                               : "fixed palette + diffusion");
}
BENCHMARK(ReduceColors)
    ->ArgsProduct({{24, 2}, {0, 1, 2, 3, 4, 5}})
    ->ArgNames({"mp", "mode"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The quality reductions (modes 6 and 7), once on one thread and once on
// two: the histogram and the mapping of pixels without diffusion split their
// rows.
void QualityReduction(benchmark::State& state)
{
    UseThreads(state, 2);
    const auto mode = static_cast<std::uint8_t>(state.range(1));
    TimeReduction(state, mode);
    state.SetLabel(mode == rmQuality ? "quality" : "quality + diffusion");
}
BENCHMARK(QualityReduction)
    ->ArgsProduct({{24, 2}, {rmQuality, rmQualityDiffusion}, {1, 2}})
    ->ArgNames({"mp", "mode", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The toolkit's own 8-bit conversion against the halftone palette.
void Halftone(benchmark::State& state)
{
    UseThreads(state);
    const TBitmap& photo = Photo(state.range(0));
    for (auto _ : state) {
        TBitmap bitmap = photo;
        bitmap.SetPixelFormat(pf8bit);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}
PICTOR_ON_PHOTOS_THREADED(Halftone);

} // namespace
