// Icon directory reading and image decoding. Every read of the file goes
// through bounds checks against the file and against the image's own entry;
// sizes in headers are never trusted before they are checked. An image's
// pixels are decoded by the reader that owns its format (the DIB reader, the
// PNG decoder); what is the icon's own is read here: the doubled height, the
// AND mask and the alpha.
#include "gfx/formats/Ico.h"

#include "core/Exception.h"
#include "gfx/BitmapData.h"
#include "gfx/PixelRows.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/formats/ByteWriter.h"
#include "gfx/formats/Dib.h"
#include "gfx/formats/Png.h"

#include <cstring>
#include <string>

namespace pictor {

namespace {

constexpr std::size_t kDirectoryHeader = 6;
constexpr std::size_t kDirectoryEntry = 16;
constexpr std::size_t kInfoHeaderSize = 40;

[[noreturn]] void Bad(const std::string& what)
{
    throw EInvalidGraphic("ICO: " + what);
}

std::string SizeText(int width, int height)
{
    return std::to_string(width) + " × " + std::to_string(height);
}

// A BMP-style image as its entry holds it: the colour rows, then the AND
// mask's rows, both bottom-up.
struct TDibEntry {
    int Width = 0;
    int Height = 0;  // of the picture: half the header's height (colour rows, then mask rows)
    int Bits = 0;
    std::size_t HeaderSize = 0;
    std::size_t PaletteCount = 0;
    std::size_t ColorOffset = 0;
    std::size_t ColorStride = 0;
    std::size_t MaskOffset = 0;
    std::size_t MaskStride = 0;
    int MaskRows = 0;  // rows of the mask present in the entry (missing rows are opaque)
};

// The icon's own rules for an image: an info header of at least 40 bytes
// (only its first 40 are read), a doubled height, uncompressed rows of an
// icon's depths, and no colour table above 8 bits whatever the header says.
TDibEntry ReadDibEntry(std::span<const std::uint8_t> image)
{
    const TByteReader in(image);
    if (!in.Has(0, kInfoHeaderSize)) Bad("画像のヘッダーが途中で終わっています");
    const std::uint32_t headerSize = in.U32(0);
    if (headerSize < kInfoHeaderSize || headerSize > image.size())
        Bad("画像のヘッダーの大きさ " + std::to_string(headerSize) + " が不正です");
    const std::int32_t width = in.I32(4);
    const std::int32_t doubledHeight = in.I32(8);
    const int bits = in.U16(14);
    const std::uint32_t compression = in.U32(16);
    const std::uint32_t colorsUsed = in.U32(32);

    TDibEntry d;
    if (width <= 0 || doubledHeight < 2) Bad("画像の大きさが不正です");
    d.Width = width;
    d.Height = doubledHeight / 2;
    if (d.Width > kMaxIconSide || d.Height > kMaxIconSide) Bad("画像 " + SizeText(d.Width, d.Height) + " は大きすぎます");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        Bad("1 画素 " + std::to_string(bits) + " ビットの画像は扱えません");
    d.Bits = bits;
    // The mask lies after the colour rows, so their size must follow from
    // the header.
    if (compression != 0) Bad("圧縮された画像は扱えません");

    d.HeaderSize = headerSize;
    if (bits <= 8) {
        const std::size_t full = std::size_t(1) << bits;
        d.PaletteCount = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
    }
    d.ColorOffset = headerSize + d.PaletteCount * 4;
    d.ColorStride = static_cast<std::size_t>(RowStrideFor(bits, d.Width));
    d.MaskOffset = d.ColorOffset + d.ColorStride * d.Height;
    if (d.MaskOffset > image.size()) Bad("画像データが途中で終わっています");
    d.MaskStride = static_cast<std::size_t>(RowStrideFor(1, d.Width));
    const std::size_t maskRows = (image.size() - d.MaskOffset) / d.MaskStride;
    d.MaskRows = maskRows < static_cast<std::size_t>(d.Height) ? static_cast<int>(maskRows) : d.Height;
    return d;
}

// The bytes of an entry's image. A PNG stream carries its own chunk lengths
// and ends at its IEND chunk; some writers store too small an entry size for
// it, so a PNG image may run on to the end of the file.
std::span<const std::uint8_t> ImageBytes(std::span<const std::uint8_t> file, const TIcoEntry& entry)
{
    if (entry.Offset > file.size() || entry.Size > file.size() - entry.Offset) Bad("画像がファイルの外にあります");
    const std::span<const std::uint8_t> image = file.subspan(entry.Offset, entry.Size);
    return IsPng(image) ? file.subspan(entry.Offset) : image;
}

// The colour rows through the DIB reader, under the header the icon's rules
// make of the entry's: 40 bytes, the picture's own height, one plane, the
// colour table's true length.
TBitmap ReadColorRows(std::span<const std::uint8_t> image, const TDibEntry& d)
{
    std::vector<std::uint8_t> info(image.begin(), image.begin() + kInfoHeaderSize);
    Put32(info, 0, kInfoHeaderSize);
    Put32(info, 8, static_cast<std::uint32_t>(d.Height));
    Put16(info, 12, 1);
    Put32(info, 32, static_cast<std::uint32_t>(d.PaletteCount));
    info.insert(info.end(), image.begin() + d.HeaderSize, image.begin() + d.ColorOffset);
    try {
        return DecodeDib(TByteReader(info), TByteReader(image).Sub(d.ColorOffset, d.MaskOffset - d.ColorOffset),
                         TDibColors::Rgb, TPalette());
    } catch (const TBadRecord&) {
        Bad("画像データが不正です");
    }
}

TBgraImage DecodeDibEntry(std::span<const std::uint8_t> image)
{
    const TDibEntry d = ReadDibEntry(image);
    const TBitmap colors = ReadColorRows(image, d);
    TBgraImage out(d.Width, d.Height);
    // 32 bits: blue, green, red and alpha as stored. Other depths are
    // opaque colours until the mask says otherwise.
    bool anyAlpha = false;
    if (d.Bits == 32) {
        for (int y = 0; y < d.Height; ++y) {
            std::memcpy(out.Row(y), colors.ScanLine(y), static_cast<std::size_t>(d.Width) * 4);
            for (int x = 0; x < d.Width && !anyAlpha; ++x) anyAlpha = out.Pixel(x, y)[3] != 0;
        }
    } else {
        const TRowDecoder decoder(BitmapLayout(colors));
        std::vector<TPackedColor> row(static_cast<std::size_t>(d.Width));
        for (int y = 0; y < d.Height; ++y) {
            decoder.Decode(colors.ScanLine(y), d.Width, row.data());
            std::uint8_t* dst = out.Row(y);
            for (int x = 0; x < d.Width; ++x, dst += 4) {
                dst[0] = static_cast<std::uint8_t>(row[x]);
                dst[1] = static_cast<std::uint8_t>(row[x] >> 8);
                dst[2] = static_cast<std::uint8_t>(row[x] >> 16);
                dst[3] = 255;
            }
        }
    }
    if (anyAlpha) return out;
    // The AND mask decides: a set bit is transparent.
    for (int y = 0; y < d.Height; ++y) {
        const int stored = d.Height - 1 - y;
        if (stored >= d.MaskRows) {
            if (d.Bits == 32)
                for (int x = 0; x < d.Width; ++x) out.Pixel(x, y)[3] = 255;
            continue;
        }
        const std::uint8_t* mask = image.data() + d.MaskOffset + d.MaskStride * stored;
        for (int x = 0; x < d.Width; ++x)
            out.Pixel(x, y)[3] = ((mask[x >> 3] >> (7 - (x & 7))) & 1) ? 0 : 255;
    }
    return out;
}

} // namespace

TIcoDirectory ReadIcoDirectory(std::span<const std::uint8_t> file)
{
    const TByteReader in(file);
    if (!in.Has(0, kDirectoryHeader)) Bad("ディレクトリがありません");
    const std::uint16_t reserved = in.U16(0);
    const std::uint16_t type = in.U16(2);
    const std::uint16_t count = in.U16(4);
    if (reserved != 0 || (type != 1 && type != 2)) Bad("アイコンファイルではありません");
    if (count == 0) Bad("画像がありません");
    if (count > kMaxIconImages) Bad("画像が " + std::to_string(count) + " 個あり、多すぎます");
    const std::size_t directoryEnd = kDirectoryHeader + kDirectoryEntry * count;
    if (!in.Has(0, directoryEnd)) Bad("ディレクトリが途中で終わっています");

    TIcoDirectory directory;
    directory.Type = type;
    directory.Entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TByteReader e = in.Sub(kDirectoryHeader + kDirectoryEntry * i, kDirectoryEntry);
        TIcoEntry entry;
        entry.DirectoryWidth = e.U8(0) == 0 ? 256 : e.U8(0);
        entry.DirectoryHeight = e.U8(1) == 0 ? 256 : e.U8(1);
        entry.Size = e.U32(8);
        entry.Offset = e.U32(12);
        if (entry.Offset < directoryEnd) Bad("画像がディレクトリの中にあります");
        const std::span<const std::uint8_t> image = ImageBytes(file, entry);
        if (IsPng(image)) {
            const TPngInfo info = ReadPngInfo(image);
            if (info.Width > kMaxIconSide || info.Height > kMaxIconSide)
                Bad("画像 " + SizeText(info.Width, info.Height) + " は大きすぎます");
            entry.Png = true;
            entry.Width = info.Width;
            entry.Height = info.Height;
            entry.BitsPerPixel = info.BitsPerPixel;
        } else {
            const TDibEntry d = ReadDibEntry(image);
            entry.Width = d.Width;
            entry.Height = d.Height;
            entry.BitsPerPixel = d.Bits;
        }
        directory.Entries.push_back(entry);
    }
    return directory;
}

int ChooseIcoImage(const TIcoDirectory& directory)
{
    int best = -1;
    for (int i = 0; i < static_cast<int>(directory.Entries.size()); ++i) {
        const TIcoEntry& e = directory.Entries[i];
        if (best < 0) {
            best = i;
            continue;
        }
        const TIcoEntry& b = directory.Entries[best];
        const std::int64_t area = std::int64_t(e.Width) * e.Height;
        const std::int64_t bestArea = std::int64_t(b.Width) * b.Height;
        if (area > bestArea || (area == bestArea && e.BitsPerPixel > b.BitsPerPixel)) best = i;
    }
    return best;
}

TBgraImage DecodeIcoImage(std::span<const std::uint8_t> file, const TIcoEntry& entry)
{
    const std::span<const std::uint8_t> image = ImageBytes(file, entry);
    if (IsPng(image)) return DecodePng(image, kMaxIconSide, std::int64_t(kMaxIconSide) * kMaxIconSide);
    return DecodeDibEntry(image);
}

} // namespace pictor
