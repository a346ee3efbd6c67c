// How the picture control shows a graphic at a size other than its own:
// along an axis where it is enlarged, each screen pixel repeats the picture
// pixel under its centre; along an axis where it is shrunk, each screen
// pixel is the average of all the picture pixels it covers, so that nothing
// (a thin line, a trimming outline) drops out and photos do not shimmer.
// For the display only: no picture, histogram or saved file goes through
// here. Internal to the graphics layer.
#pragma once

#include "gfx/Types.h"

#include <cstdint>

namespace pictor {

class TBitmap;
class TGraphic;

// The picture pixels [First, Last) that screen pixel dst covers along one
// axis, when srcLength pixels are shown over dstLength. Shrunk: consecutive
// screen pixels cover consecutive runs that together take in every picture
// pixel once. Enlarged (or the same size): the one pixel under the screen
// pixel's centre (NearestSample).
struct TCoveredSpan {
    int First;
    int Last;
};
TCoveredSpan CoveredSpan(std::int64_t dst, std::int64_t dstLength, std::int64_t srcLength);

// Shows bitmap stretched over dest, a rectangle of target (display form) in
// target pixels; only the part of dest inside target is written. The cost
// is that of the picture pixels under the written part.
void StretchBitmapShown(const TBitmap& bitmap, TBitmap& target, const TRect& dest);

// Draws graphic (a metafile, an icon) stretched over dest of target, on a
// target already filled with background. Shrunk, it is drawn at its own size
// (at most four times the shown size along each axis) and averaged down, so
// that it looks as its own rendering does, text and lines included.
void DrawGraphicShown(const TGraphic& graphic, TBitmap& target, const TRect& dest, std::uint32_t background);

} // namespace pictor
