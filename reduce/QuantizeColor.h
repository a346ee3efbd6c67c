// What every piece of the colour reduction shares: the layout of pixels and
// packed colours, and TQuantizeColor, through which error diffusion asks
// which palette colour stands for a colour.
//
// Every pass over a bitmap visits row 0 (the top) to the last row, and each
// row left to right; pixels reach the quantisers in that order.
#pragma once

#include "gfx/Types.h"

#include <cstdint>

namespace pictor {

// One 24-bit pixel as it lies in a row: blue, green, red.
struct TRGBTriple {
    std::uint8_t rgbtBlue = 0;
    std::uint8_t rgbtGreen = 0;
    std::uint8_t rgbtRed = 0;
    friend bool operator==(const TRGBTriple&, const TRGBTriple&) = default;
};
static_assert(sizeof(TRGBTriple) == 3, "a pixel triple is three bytes");

constexpr TPackedColor PackColor(int red, int green, int blue)
{
    return static_cast<TPackedColor>(((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF));
}
constexpr int RedOf(TPackedColor color) { return static_cast<int>((color >> 16) & 0xFF); }
constexpr int GreenOf(TPackedColor color) { return static_cast<int>((color >> 8) & 0xFF); }
constexpr int BlueOf(TPackedColor color) { return static_cast<int>(color & 0xFF); }

// The packed colour of the pixel at p (blue, green, red).
inline TPackedColor PixelColor(const std::uint8_t* p)
{
    return static_cast<TPackedColor>(p[0] | (p[1] << 8) | (p[2] << 16));
}
inline TPackedColor PixelColor(const TRGBTriple& t) { return PackColor(t.rgbtRed, t.rgbtGreen, t.rgbtBlue); }

// Answers which palette colour stands for a colour. A quantiser only answers;
// it never owns the palette that a result bitmap receives.
class TQuantizeColor {
public:
    TQuantizeColor() = default;
    virtual ~TQuantizeColor() = default;
    TQuantizeColor(const TQuantizeColor&) = delete;
    TQuantizeColor& operator=(const TQuantizeColor&) = delete;

    // Writes into dest (blue, green, red) the palette colour for color.
    virtual void Quantize(TRGBTriple& dest, TPackedColor color) const = 0;
};

} // namespace pictor
