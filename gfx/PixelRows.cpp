#include "gfx/PixelRows.h"

#include "core/Exception.h"
#include "gfx/ColorMatcher.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pictor {

std::uint8_t ExpandChannel(std::uint32_t value, int bits)
{
    if (bits <= 0) return 0;
    std::uint64_t max = (std::uint64_t(1) << bits) - 1;
    return static_cast<std::uint8_t>((2 * std::uint64_t(value) * 255 + max) / (2 * max));
}

std::uint32_t ReduceChannel(std::uint8_t value, int bits)
{
    if (bits <= 0) return 0;
    std::uint64_t max = (std::uint64_t(1) << bits) - 1;
    return static_cast<std::uint32_t>((2 * std::uint64_t(value) * max + 255) / 510);
}

TMaskChannel MaskChannel(std::uint32_t mask)
{
    if (mask == 0) return TMaskChannel{};
    int shift = std::countr_zero(mask);
    return TMaskChannel{mask, shift, std::popcount(mask)};
}

bool MasksUsable(const TColorMasks& masks, int bitsPerPixel)
{
    if (bitsPerPixel != 16 && bitsPerPixel != 32) return false;
    const std::uint32_t all[] = {masks.Red, masks.Green, masks.Blue};
    std::uint32_t seen = 0;
    for (std::uint32_t m : all) {
        if (m == 0) continue;
        std::uint32_t run = m >> std::countr_zero(m);
        if ((run & (run + 1)) != 0) return false; // not one run of bits
        if (seen & m) return false;
        if (bitsPerPixel == 16 && (m >> 16) != 0) return false;
        seen |= m;
    }
    return true;
}

std::uint32_t ReadRawPixel(const std::uint8_t* row, int x, int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: {
        const std::uint8_t* p = row + 2 * x;
        return p[0] | std::uint32_t(p[1]) << 8;
    }
    case 24: {
        const std::uint8_t* p = row + 3 * x;
        return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    }
    default: {
        const std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
        return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    }
}

int IndicesUsed(const TBitmap& bitmap)
{
    const int bits = bitmap.BitsPerPixel();
    int highest = 0;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            highest = std::max(highest, static_cast<int>(ReadRawPixel(row, x, bits)));
    }
    return highest + 1;
}

void WriteRawPixel(std::uint8_t* row, int x, int bitsPerPixel, std::uint32_t value)
{
    switch (bitsPerPixel) {
    case 1: {
        std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>((value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
        break;
    }
    case 4: {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (value & 0xF))
                    : static_cast<std::uint8_t>((b & 0x0F) | (value & 0xF) << 4);
        break;
    }
    case 8: row[x] = static_cast<std::uint8_t>(value); break;
    case 16:
        row[2 * x] = static_cast<std::uint8_t>(value);
        row[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
        break;
    case 24:
        for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<std::uint8_t>(value >> (8 * i));
        break;
    default:
        for (int i = 0; i < 4; ++i)
            row[4 * static_cast<std::size_t>(x) + i] = static_cast<std::uint8_t>(value >> (8 * i));
        break;
    }
}

const TPalette& EffectivePalette(int bitsPerPixel, const TPalette& own)
{
    if (!own.Empty()) return own;
    if (bitsPerPixel == 1) return MonochromePalette();
    if (bitsPerPixel == 4) return SystemPalette16();
    return HalftonePalette();
}

TColorMasks EffectiveMasks(int bitsPerPixel, const std::optional<TColorMasks>& masks)
{
    if (masks) return *masks;
    return bitsPerPixel == 16 ? kMasks555 : kMasks888;
}

namespace {

TPackedColor DecodeMasked(const TColorMasks& masks, std::uint32_t raw)
{
    TMaskChannel r = MaskChannel(masks.Red), g = MaskChannel(masks.Green), b = MaskChannel(masks.Blue);
    return TPackedColor(ExpandChannel((raw & r.Mask) >> r.Shift, r.Bits)) << 16 |
           TPackedColor(ExpandChannel((raw & g.Mask) >> g.Shift, g.Bits)) << 8 |
           ExpandChannel((raw & b.Mask) >> b.Shift, b.Bits);
}

std::uint32_t EncodeMasked(const TColorMasks& masks, TPackedColor c)
{
    TMaskChannel r = MaskChannel(masks.Red), g = MaskChannel(masks.Green), b = MaskChannel(masks.Blue);
    return ReduceChannel(static_cast<std::uint8_t>(c >> 16), r.Bits) << r.Shift |
           ReduceChannel(static_cast<std::uint8_t>(c >> 8), g.Bits) << g.Shift |
           ReduceChannel(static_cast<std::uint8_t>(c), b.Bits) << b.Shift;
}

// The entries a pixel of the layout can address: a 4-bit bitmap given a
// 256-entry palette still reaches only its first 16.
TPalette AddressablePalette(const TPixelLayout& layout)
{
    const TPalette& pal = *layout.Palette;
    int reach = 1 << layout.BitsPerPixel;
    if (pal.Count() <= reach) return pal;
    return TPalette(pal.Entries().data(), reach);
}

TPackedColor PackedOf(const TPaletteEntry& e)
{
    return TPackedColor(e.peRed) << 16 | TPackedColor(e.peGreen) << 8 | e.peBlue;
}

} // namespace

TPackedColor DecodeRawPixel(const TPixelLayout& layout, std::uint32_t raw)
{
    switch (layout.BitsPerPixel) {
    case 1:
    case 4:
    case 8: {
        const TPalette& pal = *layout.Palette;
        return static_cast<int>(raw) < pal.Count() ? PackedOf(pal[static_cast<int>(raw)]) : 0;
    }
    case 24: return raw & 0xFFFFFF;
    case 16: return DecodeMasked(EffectiveMasks(16, layout.Masks), raw);
    default: return layout.Masks ? DecodeMasked(*layout.Masks, raw) : (raw & 0xFFFFFF);
    }
}

std::uint32_t EncodeRawPixel(const TPixelLayout& layout, TPackedColor colour)
{
    switch (layout.BitsPerPixel) {
    case 1:
    case 4:
    case 8: {
        auto r = static_cast<std::uint8_t>(colour >> 16), g = static_cast<std::uint8_t>(colour >> 8),
             b = static_cast<std::uint8_t>(colour);
        if (layout.Palette->Count() <= 1 << layout.BitsPerPixel)
            return static_cast<std::uint32_t>(layout.Palette->NearestIndex(r, g, b));
        return static_cast<std::uint32_t>(AddressablePalette(layout).NearestIndex(r, g, b));
    }
    case 24: return colour & 0xFFFFFF;
    case 16: return EncodeMasked(EffectiveMasks(16, layout.Masks), colour);
    default: return layout.Masks ? EncodeMasked(*layout.Masks, colour) : (colour & 0xFFFFFF);
    }
}

// --- decoder ------------------------------------------------------------------

TRowDecoder::TRowDecoder(const TPixelLayout& layout) : FBitsPerPixel(layout.BitsPerPixel)
{
    switch (layout.BitsPerPixel) {
    case 1:
    case 4:
    case 8: {
        FKind = kIndexed;
        const TPalette& pal = *layout.Palette;
        for (int i = 0; i < 256 && i < pal.Count(); ++i) FIndexed[static_cast<std::size_t>(i)] = PackedOf(pal[i]);
        break;
    }
    case 16: {
        FKind = kTable16;
        TColorMasks masks = EffectiveMasks(16, layout.Masks);
        FTable16.resize(65536);
        for (std::uint32_t v = 0; v < 65536; ++v) FTable16[v] = DecodeMasked(masks, v);
        break;
    }
    case 24: FKind = kRgb24; break;
    default:
        FKind = layout.Masks ? kMasked32 : kRgb32;
        if (layout.Masks) {
            const std::uint32_t masks[] = {layout.Masks->Red, layout.Masks->Green, layout.Masks->Blue};
            for (int c = 0; c < 3; ++c) {
                FChannels[c] = MaskChannel(masks[c]);
                if (FChannels[c].Bits <= 16) {
                    std::uint32_t levels = 1u << FChannels[c].Bits;
                    FScale[c].resize(levels);
                    for (std::uint32_t v = 0; v < levels; ++v) FScale[c][v] = ExpandChannel(v, FChannels[c].Bits);
                }
            }
        }
        break;
    }
}

TPackedColor TRowDecoder::Masked32(std::uint32_t raw) const
{
    TPackedColor out = 0;
    for (int c = 0; c < 3; ++c) {
        const TMaskChannel& ch = FChannels[c];
        std::uint32_t v = (raw & ch.Mask) >> ch.Shift;
        std::uint8_t level = FScale[c].empty() ? ExpandChannel(v, ch.Bits) : FScale[c][v];
        out |= TPackedColor(level) << (16 - 8 * c);
    }
    return out;
}

void TRowDecoder::Decode(const std::uint8_t* row, int width, TPackedColor* out) const
{
    switch (FKind) {
    case kIndexed:
        if (FBitsPerPixel == 8) {
            for (int x = 0; x < width; ++x) out[x] = FIndexed[row[x]];
        } else if (FBitsPerPixel == 4) {
            int x = 0;
            for (; x + 1 < width; x += 2) {
                std::uint8_t b = row[x >> 1];
                out[x] = FIndexed[b >> 4];
                out[x + 1] = FIndexed[b & 0xF];
            }
            if (x < width) out[x] = FIndexed[row[x >> 1] >> 4];
        } else {
            for (int x = 0; x < width; ++x) out[x] = FIndexed[(row[x >> 3] >> (7 - (x & 7))) & 1];
        }
        break;
    case kTable16:
        for (int x = 0; x < width; ++x) out[x] = FTable16[row[2 * x] | unsigned(row[2 * x + 1]) << 8];
        break;
    case kRgb24:
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
            out[x] = p[0] | TPackedColor(p[1]) << 8 | TPackedColor(p[2]) << 16;
        }
        break;
    case kRgb32:
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, row, 4 * static_cast<std::size_t>(width));
            for (int x = 0; x < width; ++x) out[x] &= 0xFFFFFF;
        } else {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
                out[x] = p[0] | TPackedColor(p[1]) << 8 | TPackedColor(p[2]) << 16;
            }
        }
        break;
    case kMasked32:
        for (int x = 0; x < width; ++x) out[x] = Masked32(ReadRawPixel(row, x, 32));
        break;
    }
}

void TRowDecoder::Gather(const std::uint8_t* row, const int* xs, int count, TPackedColor* out) const
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t raw = ReadRawPixel(row, xs[i], FBitsPerPixel);
        switch (FKind) {
        case kIndexed: out[i] = FIndexed[raw]; break;
        case kTable16: out[i] = FTable16[raw]; break;
        case kRgb24:
        case kRgb32: out[i] = raw & 0xFFFFFF; break;
        case kMasked32: out[i] = Masked32(raw); break;
        }
    }
}

// --- encoder ------------------------------------------------------------------

TRowEncoder::TRowEncoder(const TPixelLayout& layout, const TColorMatcher* matcher)
    : FBitsPerPixel(layout.BitsPerPixel)
{
    switch (layout.BitsPerPixel) {
    case 1:
    case 4:
    case 8:
        FKind = kIndexed;
        if (!matcher) {
            FOwnMatcher = std::make_unique<TColorMatcher>(AddressablePalette(layout));
            matcher = FOwnMatcher.get();
        }
        FMatcher = matcher;
        break;
    case 24: FKind = kRgb24; break;
    default:
        if (layout.BitsPerPixel == 32 && !layout.Masks) {
            FKind = kRgb32;
            break;
        }
        FKind = kMasked;
        {
            TColorMasks m = EffectiveMasks(layout.BitsPerPixel, layout.Masks);
            const TMaskChannel ch[] = {MaskChannel(m.Red), MaskChannel(m.Green), MaskChannel(m.Blue)};
            for (int c = 0; c < 3; ++c)
                for (int v = 0; v < 256; ++v)
                    FChannel[c][v] = ReduceChannel(static_cast<std::uint8_t>(v), ch[c].Bits) << ch[c].Shift;
        }
        break;
    }
}

TRowEncoder::~TRowEncoder() = default;

void TRowEncoder::Encode(const TPackedColor* in, int width, std::uint8_t* row) const
{
    switch (FKind) {
    case kIndexed: {
        if (width <= 0) return;
        // Neighbouring pixels often share a colour: remember the last answer.
        TPackedColor last = in[0] ^ 1;
        std::uint32_t index = 0;
        if (FBitsPerPixel != 8)
            std::fill(row, row + (static_cast<std::size_t>(width) * FBitsPerPixel + 7) / 8, std::uint8_t(0));
        for (int x = 0; x < width; ++x) {
            TPackedColor c = in[x];
            if (c != last) {
                last = c;
                index = static_cast<std::uint32_t>(FMatcher->Nearest(
                    static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)));
            }
            if (FBitsPerPixel == 8)
                row[x] = static_cast<std::uint8_t>(index);
            else if (FBitsPerPixel == 4)
                row[x >> 1] |= static_cast<std::uint8_t>(index << ((x & 1) ? 0 : 4));
            else
                row[x >> 3] |= static_cast<std::uint8_t>(index << (7 - (x & 7)));
        }
        break;
    }
    case kMasked:
        for (int x = 0; x < width; ++x) {
            TPackedColor c = in[x];
            std::uint32_t v = FChannel[0][(c >> 16) & 0xFF] | FChannel[1][(c >> 8) & 0xFF] | FChannel[2][c & 0xFF];
            WriteRawPixel(row, x, FBitsPerPixel, v);
        }
        break;
    case kRgb24:
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
            p[0] = static_cast<std::uint8_t>(in[x]);
            p[1] = static_cast<std::uint8_t>(in[x] >> 8);
            p[2] = static_cast<std::uint8_t>(in[x] >> 16);
        }
        break;
    case kRgb32:
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = in[x] & 0xFFFFFF; // the unused byte is 0
            if constexpr (std::endian::native != std::endian::little)
                v = (v & 0xFF) << 24 | (v & 0xFF00) << 8 | (v >> 8 & 0xFF00);
            std::memcpy(row + 4 * static_cast<std::size_t>(x), &v, 4);
        }
        break;
    }
}

} // namespace pictor
