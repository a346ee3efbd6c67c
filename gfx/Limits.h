// Sizes beyond which the graphics layer refuses a picture, checked before
// any allocation (EInvalidGraphic).
#pragma once

#include <cstdint>

namespace pictor {

// Largest width or height of a bitmap, in pixels.
inline constexpr std::int64_t kMaxPictureSide = 65536;
// Largest pixel count of a bitmap (128 megapixels: 512 MB in the display
// form).
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t(1) << 27;

// True when a bitmap of width by height pixels is within the limits
// (0 by 0 included).
constexpr bool PictureSizeAllowed(std::int64_t width, std::int64_t height)
{
    return width >= 0 && height >= 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

} // namespace pictor
