// The distinct colours of a 24-bit picture with their pixel counts, for
// pictures that have few enough of them to be the points of k-means
// themselves: a picture of smooth, dark or muted colours may use only a
// handful of histogram cells, too coarse to place a palette in.
#pragma once

#include "gfx/Bitmap.h"
#include "reduce/ColorHistogram.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace pictor {

// Every colour of the bitmap with the count and sums of its pixels, in
// ascending order of the packed colour; nullopt as soon as more than limit
// colours have been seen.
std::optional<std::vector<TColorSum>> DistinctColors(const TBitmap& bitmap, std::size_t limit);

} // namespace pictor
