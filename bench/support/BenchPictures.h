// The pictures the benchmarks work on: a photograph of 24 megapixels (6000 by
// 4000) and one of 2 megapixels (1740 by 1160), both 24 bits per pixel, read
// from the files bench/make-pictures.sh makes in $PICTOR_BENCH_PICTURES (or
// ~/.cache/pictor-bench). Where a file is missing a synthetic photograph-like
// picture of the same size stands in, and the benchmark context says so.
#pragma once

#include "gfx/Bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictor::bench {

enum class TPictureSize { Mega24 = 24, Mega2 = 2 };

// The folder the picture files live in.
std::string PicturesFolder();

// The photograph of the given size, made once per process.
const TBitmap& Photo(TPictureSize size);
// The benchmark argument (24 or 2) as a size.
const TBitmap& Photo(std::int64_t megapixels);

// The bytes of the 24-megapixel JPEG file; made from the photograph with
// quality 90 when the file is missing.
const std::vector<std::uint8_t>& PhotoJpegBytes();

} // namespace pictor::bench

// Registers a benchmark function on both pictures (argument 24 or 2), timed
// in milliseconds of wall-clock time.
#define PICTOR_ON_PHOTOS(function)                                                                           \
    BENCHMARK(function)->Arg(24)->Arg(2)->ArgName("mp")->Unit(benchmark::kMillisecond)->UseRealTime()
