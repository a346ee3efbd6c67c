// Horizontal runs of pixels: the exact coverage of shapes the canvas computes
// itself (rectangles, one-pixel lines) without rasterising through cairo.
#pragma once

#include "gfx/Types.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pictor::raster {

struct TSpan {
    std::int32_t Y = 0;
    std::int32_t X0 = 0; // first pixel
    std::int32_t X1 = 0; // one past the last pixel
};

// Sorts the spans by row and column and merges overlapping and touching
// ones, so each pixel appears once: a set of pixels.
void NormaliseSpans(std::vector<TSpan>& spans);

// The spans of normalised a that are not in normalised b.
std::vector<TSpan> SubtractSpans(const std::vector<TSpan>& a, const std::vector<TSpan>& b);

// Appends the spans of the pixel rectangle r (empty when r is empty).
void AddRectSpans(std::vector<TSpan>& spans, const TRect& r);

inline TRect IntersectRect(const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

inline bool RectEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

} // namespace pictor::raster
