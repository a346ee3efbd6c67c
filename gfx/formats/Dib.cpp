// Device-independent bitmaps inside metafile records: decoding into a TBitmap
// at the DIB's own layout, and encoding a TBitmap for recording.
#include "gfx/formats/Dib.h"

#include "gfx/Limits.h"
#include "gfx/Palette.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace pictor {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

struct TDibHeader {
    std::uint32_t Size = 0;
    std::int64_t Width = 0;
    std::int64_t Height = 0; // as stored: negative for top-down rows
    int BitCount = 0;
    std::uint32_t Compression = kBiRgb;
    std::uint32_t ClrUsed = 0;
    std::optional<TColorMasks> Masks;
    std::size_t TableOffset = 0; // where the colour table starts
    std::size_t TableEntries = 0;
    std::size_t EntrySize = 4;
};

std::size_t RowBytes(std::int64_t width, int bitCount)
{
    return static_cast<std::size_t>(((width * bitCount + 31) / 32) * 4);
}

TDibHeader ReadHeader(const TRecordView& info, TDibColors colors)
{
    TDibHeader h;
    h.Size = info.U32(0);
    if (h.Size == kCoreHeaderSize) {
        h.Width = info.U16(4);
        h.Height = info.U16(6);
        h.BitCount = info.U16(10);
        h.TableOffset = kCoreHeaderSize;
        h.EntrySize = colors == TDibColors::Rgb ? 3 : 2;
    } else {
        if (h.Size < kInfoHeaderSize || h.Size > 1024) throw TBadRecord{};
        h.Width = info.I32(4);
        h.Height = info.I32(8);
        h.BitCount = info.U16(14);
        h.Compression = info.U32(16);
        h.ClrUsed = info.U32(32);
        h.TableOffset = h.Size;
        h.EntrySize = colors == TDibColors::Rgb ? 4 : 2;
        if (h.Compression == kBiBitfields) {
            TColorMasks m;
            // A plain info header is followed by the three masks; the larger
            // headers hold them at the same place inside themselves.
            m.Red = info.U32(40);
            m.Green = info.U32(44);
            m.Blue = info.U32(48);
            h.Masks = m;
            if (h.Size == kInfoHeaderSize) h.TableOffset += 12;
        }
    }
    switch (h.BitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw TBadRecord{};
    }
    if (h.Compression == kBiRle8 && h.BitCount != 8) throw TBadRecord{};
    if (h.Compression == kBiRle4 && h.BitCount != 4) throw TBadRecord{};
    if (h.Compression == kBiBitfields && h.BitCount != 16 && h.BitCount != 32) throw TBadRecord{};
    if (h.Compression > kBiBitfields) throw TBadRecord{};
    if ((h.Compression == kBiRle8 || h.Compression == kBiRle4) && h.Height < 0) throw TBadRecord{};
    std::int64_t height = h.Height < 0 ? -h.Height : h.Height;
    if (h.Width <= 0 || height == 0 || !PictureSizeAllowed(h.Width, height)) throw TBadRecord{};
    if (h.BitCount <= 8) {
        std::size_t full = std::size_t(1) << h.BitCount;
        h.TableEntries = h.ClrUsed == 0 ? full : std::min<std::size_t>(h.ClrUsed, full);
    } else {
        // A colour table beside true-colour pixels only helps palette devices.
        h.TableEntries = std::min<std::size_t>(h.ClrUsed, 256);
    }
    info.Need(h.TableOffset, h.TableEntries, h.EntrySize);
    return h;
}

TPalette ReadColorTable(const TRecordView& info, const TDibHeader& h, TDibColors colors, const TPalette& palette)
{
    if (h.BitCount > 8) return TPalette();
    std::vector<TPaletteEntry> entries(h.TableEntries);
    for (std::size_t i = 0; i < h.TableEntries; ++i) {
        std::size_t at = h.TableOffset + i * h.EntrySize;
        TPaletteEntry& e = entries[i];
        if (colors == TDibColors::PaletteIndex) {
            int index = info.U16(at);
            const TPalette& source = palette.Empty() ? HalftonePalette() : palette;
            if (index < source.Count()) {
                e = source[index];
                e.peFlags = 0;
            }
        } else {
            e.peBlue = info.U8(at);
            e.peGreen = info.U8(at + 1);
            e.peRed = info.U8(at + 2);
        }
    }
    return TPalette(std::move(entries));
}

// Run-length decoding into rows of 8 or 4 bits per pixel (row 0 at the top of
// the bitmap). Pixels that the runs skip keep index 0.
void DecodeRle(const TRecordView& bits, TBitmap& bitmap, bool fourBit)
{
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    int x = 0;
    int y = height - 1; // the data starts at the bottom row
    std::size_t at = 0;
    auto put = [&](int index) {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            std::uint8_t* row = bitmap.ScanLine(y);
            if (fourBit) {
                std::uint8_t& b = row[x / 2];
                b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                            : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
            } else {
                row[x] = static_cast<std::uint8_t>(index);
            }
        }
        ++x;
    };
    while (at + 1 < bits.Size() && y >= 0) {
        int count = bits.U8(at);
        int value = bits.U8(at + 1);
        at += 2;
        if (count > 0) {
            if (x >= width) continue; // nothing of it is visible
            for (int i = 0; i < count && x < width; ++i)
                put(fourBit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            --y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            int dx = bits.U8(at);
            int dy = bits.U8(at + 1);
            at += 2;
            x += dx;
            y -= dy;
        } else { // absolute run of value pixels
            int n = value;
            std::size_t bytes = fourBit ? (static_cast<std::size_t>(n) + 1) / 2 : static_cast<std::size_t>(n);
            bits.Need(at, bytes);
            for (int i = 0; i < n; ++i) {
                if (x >= width) break;
                int b = bits.U8(at + (fourBit ? static_cast<std::size_t>(i / 2) : static_cast<std::size_t>(i)));
                put(fourBit ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            at += (bytes + 1) & ~std::size_t(1); // runs are padded to 16 bits
        }
    }
}

} // namespace

TBitmap DecodeDib(const TRecordView& info, const TRecordView& bits, TDibColors colors, const TPalette& palette)
{
    TDibHeader h = ReadHeader(info, colors);
    const int width = static_cast<int>(h.Width);
    const bool topDown = h.Height < 0;
    const int height = static_cast<int>(topDown ? -h.Height : h.Height);

    TBitmap bitmap;
    bitmap.SetLayout(h.BitCount, h.Masks, width, height);
    if (h.BitCount <= 8) bitmap.SetPalette(ReadColorTable(info, h, colors, palette));

    if (h.Compression == kBiRle8 || h.Compression == kBiRle4) {
        for (int y = 0; y < height; ++y) std::memset(bitmap.ScanLine(y), 0, static_cast<std::size_t>(bitmap.RowStride()));
        DecodeRle(bits, bitmap, h.Compression == kBiRle4);
        return bitmap;
    }
    const std::size_t rowBytes = RowBytes(h.Width, h.BitCount);
    bits.Need(0, static_cast<std::uint64_t>(height), rowBytes);
    const std::size_t copy = std::min(rowBytes, static_cast<std::size_t>(bitmap.RowStride()));
    for (int y = 0; y < height; ++y) {
        std::size_t source = static_cast<std::size_t>(topDown ? y : height - 1 - y) * rowBytes;
        std::memcpy(bitmap.ScanLine(y), bits.Data() + source, copy);
    }
    return bitmap;
}

TBitmap DecodePackedDib(const TRecordView& dib, TDibColors colors, const TPalette& palette)
{
    TDibHeader h = ReadHeader(dib, colors);
    std::size_t bitsOffset = h.TableOffset + h.TableEntries * h.EntrySize;
    return DecodeDib(dib, dib.From(bitsOffset), colors, palette);
}

TDibBytes EncodeDib(const TBitmap& bitmap)
{
    TDibBytes out;
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const int bpp = bitmap.BitsPerPixel();
    std::optional<TColorMasks> masks = bitmap.Masks();
    TPalette palette = bitmap.Palette();
    if (bpp <= 8 && palette.Empty()) palette = bpp == 1 ? MonochromePalette() : HalftonePalette();
    const std::size_t tableEntries = bpp <= 8 ? std::min<std::size_t>(palette.Count(), std::size_t(1) << bpp) : 0;

    auto put32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.Info.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&out](std::uint16_t v) {
        out.Info.push_back(static_cast<std::uint8_t>(v));
        out.Info.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const std::size_t rowBytes = RowBytes(width, bpp);
    put32(kInfoHeaderSize);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height)); // bottom-up rows
    put16(1);
    put16(static_cast<std::uint16_t>(bpp));
    put32(masks ? kBiBitfields : kBiRgb);
    put32(static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(height)));
    put32(3780); // 96 dots per inch
    put32(3780);
    put32(static_cast<std::uint32_t>(tableEntries));
    put32(0);
    if (masks) {
        put32(masks->Red);
        put32(masks->Green);
        put32(masks->Blue);
    }
    for (std::size_t i = 0; i < tableEntries; ++i) {
        const TPaletteEntry& e = palette[static_cast<int>(i)];
        out.Info.push_back(e.peBlue);
        out.Info.push_back(e.peGreen);
        out.Info.push_back(e.peRed);
        out.Info.push_back(0);
    }

    out.Bits.assign(rowBytes * static_cast<std::size_t>(height), 0);
    const std::size_t copy = std::min(rowBytes, static_cast<std::size_t>(bitmap.RowStride()));
    for (int y = 0; y < height; ++y)
        std::memcpy(out.Bits.data() + static_cast<std::size_t>(height - 1 - y) * rowBytes, bitmap.ScanLine(y), copy);
    return out;
}

} // namespace pictor
