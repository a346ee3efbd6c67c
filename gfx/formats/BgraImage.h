// TBgraImage: a plain decoded raster, 4 bytes per pixel (blue, green, red,
// alpha; straight, not premultiplied alpha), rows top-down and packed. The
// format readers that know transparency (icons, PNG) produce it.
//
// BlendChannel is the one formula by which a partly transparent pixel is laid
// over what lies under it: an icon drawn on a bitmap, an icon rendered on
// white, and a PNG with transparency composed onto white all use it.
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

// One 8-bit channel of source laid with alpha over dest, rounded to nearest:
// (source * alpha + dest * (255 - alpha)) / 255.
constexpr std::uint8_t BlendChannel(unsigned source, unsigned dest, unsigned alpha)
{
    return static_cast<std::uint8_t>((source * alpha + dest * (255 - alpha) + 127) / 255);
}

// A row of width BGRA pixels laid over white, written as 3-byte pixels
// (blue, green, red).
inline void ComposeRowOverWhite(const std::uint8_t* bgra, int width, std::uint8_t* bgr)
{
    for (int x = 0; x < width; ++x, bgra += 4, bgr += 3)
        for (int i = 0; i < 3; ++i) bgr[i] = BlendChannel(bgra[i], 255, bgra[3]);
}

} // namespace pictor
