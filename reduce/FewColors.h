// A picture of few colours needs no quantiser: it comes back exactly.
#pragma once

#include "gfx/Bitmap.h"

#include <memory>

namespace pictor {

// When the 24-bit bitmap has at most colors distinct colours: a new 8-bit
// bitmap of its size whose palette holds exactly those colours, in the order
// they first occur (rows from the top, each left to right), every pixel
// naming its own colour. Otherwise nullptr; the scan stops at the first
// colour too many, so a photograph costs a few rows. colors is at most 256.
std::unique_ptr<TBitmap> ExactReduce(const TBitmap& bitmap, int colors);

} // namespace pictor
