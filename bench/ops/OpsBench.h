// Helpers of the operation benchmarks: an image control holding its own,
// unshared copy of a photograph, so that a timed operation pays for its work
// and not for the copy-on-write of the picture it was given.
#pragma once

#include "bench/support/BenchPictures.h"
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

} // namespace pictor::bench
