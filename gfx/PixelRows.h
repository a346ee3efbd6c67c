// Pixel coding of bitmap rows: what the bytes of a row mean in each layout,
// and whole-row decoders and encoders between a layout and packed colours.
//
// A packed colour is one word 0x00RRGGBB: the three bytes of a 24-bit pixel
// (blue, green, red) read little-endian.
//
// Channel scaling: a channel of n bits with value v reads as the 8-bit value
// round(v * 255 / (2^n - 1)), and an 8-bit value c is written as
// round(c * (2^n - 1) / 255). Neither ever falls on a half. So 5- and 6-bit
// channels widen to the full range (31 -> 255) and 16 -> 24 -> 16 bits gives
// back every pixel; channels of custom masks convert the same way through
// their own masks.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Palette.h"
#include "gfx/Types.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pictor {

class TColorMatcher;

constexpr TPackedColor PackedFromColor(TColor c)
{
    return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr TColor ColorFromPacked(TPackedColor p)
{
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16;
}

std::uint8_t ExpandChannel(std::uint32_t value, int bits);
std::uint32_t ReduceChannel(std::uint8_t value, int bits);

// One colour channel of a mask: its bits start at Shift and are Bits wide.
struct TMaskChannel {
    std::uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
};
// The channel of a contiguous mask (0 gives a channel of no bits).
TMaskChannel MaskChannel(std::uint32_t mask);

inline constexpr TColorMasks kMasks555{0x7C00, 0x03E0, 0x001F};
inline constexpr TColorMasks kMasks565{0xF800, 0x07E0, 0x001F};
inline constexpr TColorMasks kMasks888{0xFF0000, 0x00FF00, 0x0000FF};

// True when every mask is one run of bits (or 0), the three do not overlap
// and all lie within a pixel of bitsPerPixel (16 or 32).
bool MasksUsable(const TColorMasks& masks, int bitsPerPixel);

// Bytes of a 4-byte aligned row of width pixels.
constexpr int RowStrideFor(int bitsPerPixel, int width)
{
    return static_cast<int>((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4);
}

// The value of pixel x of row as stored: an index, a 16- or 32-bit word, or
// for 24 bits the packed colour.
std::uint32_t ReadRawPixel(const std::uint8_t* row, int x, int bitsPerPixel);
void WriteRawPixel(std::uint8_t* row, int x, int bitsPerPixel, std::uint32_t value);

// One more than the highest index that the pixels of a 1-, 4- or 8-bit
// bitmap use (1 for an empty one): the palette entries a file of the bitmap
// needs at least.
int IndicesUsed(const TBitmap& bitmap);

// What the bytes of a row mean.
struct TPixelLayout {
    int BitsPerPixel = 32;
    std::optional<TColorMasks> Masks;   // 16 and 32 bits only
    const TPalette* Palette = nullptr;  // 1, 4 and 8 bits: never empty (see EffectivePalette)
};

// The palette that the indices of a 1-, 4- or 8-bit bitmap refer to: its own,
// or when it has none the palette its depth gets by default (black and white,
// the 16-colour system palette, the halftone palette).
const TPalette& EffectivePalette(int bitsPerPixel, const TPalette& own);

// The masks a 16- or 32-bit layout decodes through (5-5-5 and 8-8-8 when it
// has none).
TColorMasks EffectiveMasks(int bitsPerPixel, const std::optional<TColorMasks>& masks);

// One pixel at a time (no tables): for GetPixel, SetPixel and fills. An index
// beyond the palette reads black; a colour is written to a palette layout as
// its nearest entry.
TPackedColor DecodeRawPixel(const TPixelLayout& layout, std::uint32_t raw);
std::uint32_t EncodeRawPixel(const TPixelLayout& layout, TPackedColor colour);

// Whole rows, through tables built once per decoder.
class TRowDecoder {
public:
    explicit TRowDecoder(const TPixelLayout& layout);
    void Decode(const std::uint8_t* row, int width, TPackedColor* out) const;
    // The pixels at columns xs[0 .. count) of row.
    void Gather(const std::uint8_t* row, const int* xs, int count, TPackedColor* out) const;

private:
    enum Kind { kIndexed, kTable16, kRgb24, kRgb32, kMasked32 };
    TPackedColor Masked32(std::uint32_t raw) const;

    Kind FKind;
    int FBitsPerPixel;
    std::array<TPackedColor, 256> FIndexed{};   // kIndexed: index -> colour (black beyond the palette)
    std::vector<TPackedColor> FTable16;         // kTable16: word -> colour
    std::array<TMaskChannel, 3> FChannels; // kMasked32: red, green, blue
    std::array<std::vector<std::uint8_t>, 3> FScale; // per channel when it has at most 16 bits
};

class TRowEncoder {
public:
    // For a palette layout, matcher must match its palette; without one the
    // encoder builds its own.
    explicit TRowEncoder(const TPixelLayout& layout, const TColorMatcher* matcher = nullptr);
    ~TRowEncoder();
    // Writes width pixels; the row's padding bytes are left alone.
    void Encode(const TPackedColor* in, int width, std::uint8_t* row) const;

private:
    enum Kind { kIndexed, kMasked, kRgb24, kRgb32 };

    Kind FKind;
    int FBitsPerPixel;
    const TColorMatcher* FMatcher = nullptr;
    std::unique_ptr<TColorMatcher> FOwnMatcher;
    std::array<std::array<std::uint32_t, 256>, 3> FChannel{}; // kMasked: byte -> masked bits
};

// Index of the source pixel that destination pixel dst samples when srcLength
// pixels are stretched over dstLength by nearest pixel: the source pixel under
// the destination pixel's centre, floor((dst + 0.5) * srcLength / dstLength).
constexpr int NearestSample(std::int64_t dst, std::int64_t dstLength, std::int64_t srcLength)
{
    return static_cast<int>((2 * dst + 1) * srcLength / (2 * dstLength));
}

} // namespace pictor
