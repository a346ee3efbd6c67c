// TPixelLayout: how a bitmap's pixel values are laid out in its rows and how
// they map to colours, read once per drawing call so that the pixel loops of
// the canvas work on raw values without asking the bitmap per pixel.
//
// A pixel value is the index for 1-, 4- and 8-bit bitmaps; for true-colour
// bitmaps it is the little-endian word of the pixel's bytes (at 24 bits:
// blue | green << 8 | red << 16). Bits outside ValueMask (the unused top bit
// of a 5-5-5 pixel, the fourth byte of a 32-bit pixel) carry no colour and
// drawing leaves them as they are.
#pragma once

#include "gfx/Palette.h"
#include "gfx/Types.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace pictor {

class TBitmap;

namespace raster {

class TPixelLayout {
public:
    TPixelLayout() = default;
    TPixelLayout(const TPixelLayout& other);
    TPixelLayout& operator=(const TPixelLayout& other);
    TPixelLayout(TPixelLayout&&) = default;
    TPixelLayout& operator=(TPixelLayout&&) = default;

    // The layout of bitmap as it is now.
    static TPixelLayout Of(const TBitmap& bitmap);
    // A layout from its parts (bitsPerPixel 1, 4, 8, 16, 24 or 32); masks of
    // 0 give 5-5-5 at 16 bits and blue-green-red bytes at 32 bits.
    static TPixelLayout Make(int bitsPerPixel, std::uint32_t redMask, std::uint32_t greenMask,
                             std::uint32_t blueMask, const TPalette& palette);

    int BitsPerPixel() const { return bpp_; }
    bool Indexed() const { return bpp_ <= 8; }
    std::uint32_t ValueMask() const { return valueMask_; }

    // The value whose colour is nearest to color (palette formats: the
    // nearest entry, ties to the lowest index).
    std::uint32_t Encode(TColor color) const;
    // The colour of a value; an index beyond the palette is black.
    TColor Decode(std::uint32_t value) const;

    // True when a value of this layout means the same colour in other, so
    // values can be copied without conversion.
    bool SameValuesAs(const TPixelLayout& other) const;

private:
    struct Channel {
        int shift = 0;
        int bits = 0;
        std::uint32_t max = 0;
    };
    static Channel ChannelOf(std::uint32_t mask);
    static std::uint32_t EncodeChannel(const Channel& c, int v8);
    static int DecodeChannel(const Channel& c, std::uint32_t value);
    std::uint32_t NearestIndex(TColor color) const;

    int bpp_ = 32;
    std::uint32_t valueMask_ = 0;
    std::uint32_t masks_[3] = {0, 0, 0}; // red, green, blue
    Channel red_, green_, blue_;
    TPalette palette_;
    std::vector<TColor> colors_; // decoded palette, 2^bpp entries (black beyond the palette)
    // Nearest-entry cache: colour + 1 (0 = empty) and the index found.
    mutable std::unique_ptr<std::array<std::uint32_t, 4096>> cacheKeys_;
    mutable std::unique_ptr<std::array<std::uint8_t, 4096>> cacheValues_;
};

// --- raw pixel access, by bits per pixel -----------------------------------

inline std::uint32_t LoadPixel(const std::uint8_t* row, int x, int bpp)
{
    switch (bpp) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
        return row[x];
    case 16: {
        const std::uint8_t* p = row + 2 * x;
        return p[0] | (std::uint32_t(p[1]) << 8);
    }
    case 24: {
        const std::uint8_t* p = row + 3 * x;
        return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    }
    default: {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        return v;
    }
    }
}

inline void StorePixel(std::uint8_t* row, int x, int bpp, std::uint32_t v)
{
    switch (bpp) {
    case 1: {
        std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>((v & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
        break;
    }
    case 4: {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (v & 0x0F))
                    : static_cast<std::uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
        break;
    }
    case 8:
        row[x] = static_cast<std::uint8_t>(v);
        break;
    case 16:
        row[2 * x] = static_cast<std::uint8_t>(v);
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        break;
    case 24:
        row[3 * x] = static_cast<std::uint8_t>(v);
        row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
        break;
    default:
        std::memcpy(row + 4 * x, &v, 4);
        break;
    }
}

} // namespace raster
} // namespace pictor
