// Transfers a rectangle of one bitmap onto another (or onto itself) with a
// ternary raster operation: nearest-pixel stretching that samples the centre
// of each destination pixel, mirroring for negative extents, conversion into
// the destination's own format, and whole-row copies where the formats allow.
#pragma once

#include "gfx/Types.h"
#include "gfx/canvas/Painter.h"

#include <cstdint>

namespace pictor {
class TBitmap;
}

namespace pictor::raster {

// Destination extents are rounded to whole pixels (halves up). The pattern
// of the operation is patternColor. Source pixels outside the source bitmap
// leave their destination pixels untouched.
void TransferBitmap(TPainter& painter, const TBitmap& source, const TRect& srcRect, double destLeft,
                    double destTop, double destWidth, double destHeight, std::uint32_t rop, TColor patternColor);

} // namespace pictor::raster
