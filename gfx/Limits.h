// Sizes beyond which the graphics layer refuses a picture, checked before
// any allocation (EInvalidGraphic), or skips a part of one.
#pragma once

#include <cstdint>

namespace pictor {

// Largest width or height of a bitmap, in pixels.
inline constexpr std::int64_t kMaxPictureSide = 65536;
// Largest pixel count of a bitmap (128 megapixels: 512 MB in the display
// form).
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t(1) << 27;

// Most rectangles that one region of a metafile may hold (a clipping or
// filled region). A record with more is skipped as damaged, so a hostile file
// cannot make playback allocate or clip with millions of rectangles.
inline constexpr std::int64_t kMaxRegionRects = 65536;

// True when a bitmap of width by height pixels is within the limits
// (0 by 0 included).
constexpr bool PictureSizeAllowed(std::int64_t width, std::int64_t height)
{
    return width >= 0 && height >= 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

} // namespace pictor
