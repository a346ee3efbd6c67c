// The reduction drivers: each turns a 24-bit bitmap into a new 8-bit
// bitmap of the same size with its own palette, which the caller owns. The
// source is only read. A failed entry check raises EAssertionFailed naming
// this unit and the line of the check.
//
// A source without pixels (width or height 0) gives an 8-bit bitmap of the
// same size; where its quantiser has no colour to offer, its palette is one
// black entry.
#pragma once

#include "gfx/Bitmap.h"

#include <memory>

namespace pictor {

// Octree palette of at most colors entries (2 to 256).
std::unique_ptr<TBitmap> OctreeQuantize(const TBitmap& bitmap, int colors);

// Median cut of depth 0 to 8 (at most 2^depth entries) over the colours the
// picture uses, dividing by weighted range or by weighted variance.
std::unique_ptr<TBitmap> MedianCutQuantize(const TBitmap& bitmap, int depth);
std::unique_ptr<TBitmap> MedianCutByVarianceQuantize(const TBitmap& bitmap, int depth);

// The same over the whole colour space, with Floyd-Steinberg error diffusion
// against it. Each pixel gets the first palette entry of the colour the
// diffusion chose for it.
std::unique_ptr<TBitmap> MedianCutDiffusionQuantize(const TBitmap& bitmap, int depth);
std::unique_ptr<TBitmap> MedianCutByVarianceDiffusionQuantize(const TBitmap& bitmap, int depth);

// The fixed 210-colour palette with error diffusion. A source that is not 24
// bits per pixel raises Exception "BitmapFiletr accepts only 24Bit DIB".
std::unique_ptr<TBitmap> StaticColorDiffusionQuantize(const TBitmap& bitmap);

// A palette of at most colors entries (2 to 256) that leaves the least
// squared error: Wu's division of the colour histogram refined by k-means;
// every pixel gets its nearest entry. A picture of at most colors colours
// comes back exactly, its palette its own colours in the order they first
// occur. The result is the same on any number of threads.
std::unique_ptr<TBitmap> QualityQuantize(const TBitmap& bitmap, int colors);

// The same palette fitted to error diffusion (DiffusionPalette.h), with
// serpentine Floyd-Steinberg error diffusion against it (QualityDiffusion.h).
// A picture of at most colors colours comes back exactly, as above.
std::unique_ptr<TBitmap> QualityDiffusionQuantize(const TBitmap& bitmap, int colors);

} // namespace pictor
