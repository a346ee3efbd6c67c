// TBgraImage: a plain decoded raster, 4 bytes per pixel (blue, green, red,
// alpha; straight, not premultiplied alpha), rows top-down and packed. The
// format readers that know transparency (icons, PNG) produce it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictor {

struct TBgraImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    TBgraImage() = default;
    // width by height pixels, all 0 (transparent black). The caller checks
    // the size against its limits first.
    TBgraImage(int width, int height)
        : Width(width), Height(height), Pixels(static_cast<std::size_t>(width) * height * 4)
    {
    }
    std::uint8_t* Row(int y) { return Pixels.data() + static_cast<std::size_t>(y) * Width * 4; }
    const std::uint8_t* Row(int y) const { return Pixels.data() + static_cast<std::size_t>(y) * Width * 4; }
    std::uint8_t* Pixel(int x, int y) { return Row(y) + static_cast<std::size_t>(x) * 4; }
    const std::uint8_t* Pixel(int x, int y) const { return Row(y) + static_cast<std::size_t>(x) * 4; }
};

} // namespace pictor
