// Helpers of the operation benchmarks: an image control holding its own,
// unshared copy of a photograph, so that a timed operation pays for its work
// and not for the copy-on-write of the picture it was given.
#pragma once

#include "bench/support/BenchPictures.h"
#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "image/KestrelImg.h"

#include <benchmark/benchmark.h>

namespace pictor::bench {

// Puts a private copy of picture into image (untimed when state is given).
inline void LoadPrivateCopy(TKestrelImage& image, const TBitmap& picture)
{
    image.Picture().SetGraphic(&picture);
    auto* bitmap = dynamic_cast<TBitmap*>(image.Picture().Graphic());
    if (bitmap != nullptr && bitmap->Height() > 0) benchmark::DoNotOptimize(bitmap->ScanLine(0));
}

// The bitmap the control holds after an operation.
inline const TBitmap& HeldBitmap(const TKestrelImage& image)
{
    return dynamic_cast<const TBitmap&>(*image.Picture().Graphic());
}

// Sets the threads of an operation from its benchmark argument (the second
// one for PICTOR_ON_PHOTOS_THREADED).
inline void UseThreads(const benchmark::State& state, std::size_t argument = 1)
{
    SetOperationThreads(static_cast<int>(state.range(argument)));
}

} // namespace pictor::bench

// Registers an operation that splits its rows over threads on both pictures,
// once on one thread and once on two (arguments mp and threads). With
// threads the wall-clock time is the one to read: the processor time counts
// the calling thread only.
#define PICTOR_ON_PHOTOS_THREADED(function)                                                                  \
    BENCHMARK(function)                                                                                      \
        ->ArgsProduct({{24, 2}, {1, 2}})                                                                     \
        ->ArgNames({"mp", "threads"})                                                                        \
        ->Unit(benchmark::kMillisecond)                                                                      \
        ->UseRealTime()
