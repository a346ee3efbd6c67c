// TPixelCodec: a bitmap's pixel coding as the canvas needs it for one
// drawing call: raw values for colours and back, and which bits of a value
// carry colour.
//
// A raw value is the index for 1-, 4- and 8-bit bitmaps, otherwise the
// little-endian word of the pixel's bytes (gfx/PixelRows.h). Bits outside
// ValueMask (the unused top bit of a 5-5-5 pixel, the fourth byte of a
// 32-bit pixel) carry no colour; pens and brushes leave them as they are.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"
#include "gfx/Types.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace pictor {
class TColorMatcher;
}

namespace pictor::raster {

class TPixelCodec {
public:
    explicit TPixelCodec(const TBitmap& bitmap);
    TPixelCodec(const TPixelCodec&) = delete;
    TPixelCodec& operator=(const TPixelCodec&) = delete;

    // The layout for gfx/PixelRows.h (its palette lives in this codec).
    const TPixelLayout& Layout() const { return FLayout; }
    int BitsPerPixel() const { return FLayout.BitsPerPixel; }
    bool Indexed() const { return FLayout.BitsPerPixel <= 8; }
    std::uint32_t ValueMask() const { return FValueMask; }

    // The raw value nearest to color (palette layouts: the nearest entry an
    // index can reach, ties to the lowest index).
    std::uint32_t Encode(TColor color) const { return EncodeRawPixel(FLayout, PackedFromColor(color)); }
    // Encode for many pixels of a palette layout: remembers recent answers.
    std::uint32_t EncodeCached(TPackedColor colour) const;
    // A nearest-entry matcher for the palette (shared for the platform's
    // palettes, else built on first use: that takes a while for 256
    // entries, so small transfers use EncodeCached instead).
    const TColorMatcher& Matcher() const;
    bool HasSharedMatcher() const;

    // The colour of a raw value (an index beyond the palette is black).
    TColor Decode(std::uint32_t raw) const { return ColorFromPacked(DecodeRawPixel(FLayout, raw)); }

    // True when a raw value of this coding means the same colour in other,
    // so values can be copied without conversion.
    bool SameValuesAs(const TPixelCodec& other) const;

private:
    TPalette FPalette;
    std::optional<TColorMasks> FMasks;
    TColorMasks FEffectiveMasks;
    TPixelLayout FLayout;
    std::uint32_t FValueMask = 0;
    mutable std::unique_ptr<TColorMatcher> FMatcher;
    // Recent nearest entries: colour + 1 (0 = empty) and index.
    mutable std::unique_ptr<std::array<std::uint32_t, 4096>> FCacheKeys;
    mutable std::unique_ptr<std::array<std::uint8_t, 4096>> FCacheValues;

public:
    ~TPixelCodec();
};

} // namespace pictor::raster
