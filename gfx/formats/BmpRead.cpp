// Reading BMP files.
//
// Accepted: the Windows headers of 40 bytes and its versions 2 to 5 (52, 56,
// 108, 124 bytes); the OS/2 1.x header of 12 bytes (3-byte palette entries)
// and OS/2 2.x headers of 16 to 64 bytes; the first picture of an OS/2
// bitmap array ("BA"). Depths 1, 2, 4, 8, 16, 24 and 32 bits; uncompressed,
// BI_BITFIELDS and BI_ALPHABITFIELDS (the alpha mask is ignored), RLE8, RLE4
// and the OS/2 RLE24; bottom-up and top-down rows (RLE only bottom-up).
//
// The file header's size field and the reserved fields are not looked at.
// 2-bit pictures become 4-bit ones with the same indices and palette. Pixels
// that RLE coding skips (moves, early ends of lines or of the picture) are
// index 0, or white in RLE24.
//
// Palette: biClrUsed entries, or 2^depth when it is 0 (none above 8 bits),
// at most 256, and no more than fit between the headers and the pixel
// offset. Indices beyond the palette read black.
//
// Masks are normalised: 16-bit masks 5-5-5 and 32-bit masks 8-8-8 in the
// usual places are the formats without masks, and so are three zero masks.
// Masks that only move those channels elsewhere in the pixel (three runs of 5
// bits at 16 bits per pixel, of 8 at 32, as in ABGR or BGRA files) are read
// into the format without masks too, pixel by pixel: the colours are exactly
// the file's, and the picture takes every operation, as a custom format
// would not. Other masks are kept if each is one run of bits and they do not
// overlap, otherwise the file is refused. Alpha masks are not looked at.
//
// Everything the file claims (sizes, offsets, counts) is checked against the
// file's length and the picture limits before anything is allocated.
// BI_JPEG, BI_PNG, Huffman 1D, CMYK, 64-bit pictures and OS/2 icons and
// pointers are refused.
#include "gfx/formats/Bmp.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/BitmapData.h"
#include "gfx/formats/BmpRle.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pictor {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpegOrRle24 = 4, kPng = 5,
                        kAlphaBitfields = 6;

[[noreturn]] void Fail(const std::string& detail)
{
    throw EInvalidGraphic(detail);
}

[[noreturn]] void Truncated()
{
    Fail("BMP ファイルが途中で終わっています");
}

// Little-endian reads that never go past the end.
class TBytes {
public:
    explicit TBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Size() const { return bytes_.size(); }
    void Need(std::uint64_t offset, std::uint64_t count) const
    {
        if (offset > bytes_.size() || count > bytes_.size() - offset) Truncated();
    }
    std::uint16_t U16(std::uint64_t offset) const
    {
        Need(offset, 2);
        return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    std::uint32_t U32(std::uint64_t offset) const
    {
        Need(offset, 4);
        return bytes_[offset] | std::uint32_t(bytes_[offset + 1]) << 8 | std::uint32_t(bytes_[offset + 2]) << 16 |
               std::uint32_t(bytes_[offset + 3]) << 24;
    }
    std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    const std::uint8_t* At(std::uint64_t offset) const { return bytes_.data() + offset; }

private:
    std::span<const std::uint8_t> bytes_;
};

struct THeader {
    std::uint64_t fileStart = 0;    // where the "BM" file header is
    std::uint32_t headerSize = 0;
    bool os2v1 = false;             // 12-byte header, 3-byte palette entries
    bool os2v2 = false;             // OS/2 2.x header (compression codes differ)
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::optional<TColorMasks> masks;
    // Masks of the plain channels moved elsewhere: the rows are re-packed.
    std::optional<TColorMasks> movedChannels;
    std::uint64_t paletteStart = 0;
    std::uint64_t pixelStart = 0;
    int paletteCount = 0;
};

bool IsOs2v2HeaderSize(std::uint32_t size)
{
    return size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56;
}

std::uint64_t LocateFileHeader(const TBytes& in)
{
    in.Need(0, 14);
    const std::uint8_t* p = in.At(0);
    if (p[0] == 'B' && p[1] == 'M') return 0;
    if (p[0] == 'B' && p[1] == 'A') {
        // An OS/2 bitmap array: its first entry's file header follows the
        // 14-byte array header; offsets count from the start of the file.
        in.Need(14, 14);
        const std::uint8_t* q = in.At(14);
        if (q[0] == 'B' && q[1] == 'M') return 14;
        Fail("OS/2 のビットマップ配列の中身がビットマップではありません");
    }
    if ((p[0] == 'C' && (p[1] == 'I' || p[1] == 'P')) || (p[0] == 'I' && p[1] == 'C') ||
        (p[0] == 'P' && p[1] == 'T'))
        Fail("OS/2 のアイコンとポインターは扱えません");
    Fail("BMP ファイルではありません");
}

void ReadMasks(const TBytes& in, std::uint64_t at, THeader& h)
{
    TColorMasks m{in.U32(at), in.U32(at + 4), in.U32(at + 8)};
    if (m.Red == 0 && m.Green == 0 && m.Blue == 0) return; // the default format
    if (!MasksUsable(m, h.bitsPerPixel)) Fail("色マスクが不正です");
    if ((h.bitsPerPixel == 16 && m == kMasks555) || (h.bitsPerPixel == 32 && m == kMasks888)) return;
    const int plainBits = h.bitsPerPixel == 32 ? 8 : 5;
    if (MaskChannel(m.Red).Bits == plainBits && MaskChannel(m.Green).Bits == plainBits &&
        MaskChannel(m.Blue).Bits == plainBits) {
        h.movedChannels = m;
        return;
    }
    h.masks = m;
}

THeader ReadHeader(const TBytes& in)
{
    THeader h;
    h.fileStart = LocateFileHeader(in);
    std::uint32_t offBits = in.U32(h.fileStart + 10);
    const std::uint64_t info = h.fileStart + 14;
    h.headerSize = in.U32(info);
    if (h.headerSize != 12 && !(h.headerSize >= 16 && h.headerSize <= 64) && h.headerSize != 108 &&
        h.headerSize != 124)
        Fail("情報ヘッダーの大きさ " + std::to_string(h.headerSize) + " は扱えません");
    in.Need(info, h.headerSize);
    h.os2v1 = h.headerSize == 12;
    h.os2v2 = IsOs2v2HeaderSize(h.headerSize);

    int planes;
    if (h.os2v1) {
        h.width = in.U16(info + 4);
        h.height = in.U16(info + 6);
        planes = in.U16(info + 8);
        h.bitsPerPixel = in.U16(info + 10);
    } else {
        h.width = in.I32(info + 4);
        h.height = in.I32(info + 8);
        planes = in.U16(info + 12);
        h.bitsPerPixel = in.U16(info + 14);
        if (h.headerSize >= 20) h.compression = in.U32(info + 16);
        if (h.headerSize >= 36) h.colorsUsed = in.U32(info + 32);
    }
    if (planes != 1) Fail("プレーン数 " + std::to_string(planes) + " は扱えません");
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (h.width <= 0 || h.height <= 0)
        Fail("画像の大きさ " + std::to_string(h.width) + " × " + std::to_string(h.height) + " が不正です");

    const int bpp = h.bitsPerPixel;
    // Embedded JPEG and PNG pictures come with a depth of 0: name them first.
    if (h.compression == kPng) Fail("PNG を埋め込んだ BMP は扱えません");
    if (h.compression == kJpegOrRle24 && !(bpp == 24 && h.headerSize <= 64))
        Fail("JPEG を埋め込んだ BMP は扱えません");
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Fail("1 画素 " + std::to_string(bpp) + " ビットの BMP は扱えません");

    std::uint64_t maskBytes = 0;
    switch (h.compression) {
    case kRgb: break;
    case kRle8:
    case kRle4:
        if (bpp != (h.compression == kRle8 ? 8 : 4)) Fail("RLE 圧縮と画素のビット数が合いません");
        break;
    case kBitfields:
    case kAlphaBitfields:
        if (h.os2v2 && h.compression == kBitfields) Fail("ハフマン圧縮の BMP は扱えません");
        if (bpp != 16 && bpp != 32) Fail("色マスクは 16 ビットと 32 ビットの画像にしか使えません");
        if (h.headerSize >= 52) {
            ReadMasks(in, info + 40, h);
        } else {
            // After a 40-byte header: three masks, or four with alpha.
            maskBytes = h.compression == kBitfields ? 12 : 16;
            ReadMasks(in, info + h.headerSize, h);
        }
        break;
    case kJpegOrRle24: break; // OS/2 RLE24 (JPEG was refused above)
    default: Fail("圧縮形式 " + std::to_string(h.compression) + " の BMP は扱えません");
    }
    if (h.topDown && h.compression != kRgb && h.compression != kBitfields && h.compression != kAlphaBitfields)
        Fail("上から下へ並んだ RLE 圧縮の BMP は不正です");
    CheckPictureSize(h.width, h.height);

    // The palette lies between the headers and the pixels.
    h.paletteStart = info + h.headerSize + maskBytes;
    const std::uint64_t entrySize = h.os2v1 ? 3 : 4;
    std::uint64_t declared = h.colorsUsed != 0 ? h.colorsUsed : (bpp <= 8 ? 1u << bpp : 0);
    if (h.os2v1) declared = bpp <= 8 ? 1u << bpp : 0;
    declared = std::min<std::uint64_t>(declared, TPalette::kMaxEntries);
    if (offBits == 0) {
        h.pixelStart = h.paletteStart + declared * entrySize;
    } else {
        h.pixelStart = offBits;
        if (h.pixelStart < h.paletteStart) Fail("画素データの位置が不正です");
        declared = std::min(declared, (h.pixelStart - h.paletteStart) / entrySize);
    }
    if (h.pixelStart > in.Size()) Truncated();
    h.paletteCount = static_cast<int>(declared);
    return h;
}

TPalette ReadPalette(const TBytes& in, const THeader& h)
{
    const std::uint64_t entrySize = h.os2v1 ? 3 : 4;
    in.Need(h.paletteStart, h.paletteCount * entrySize);
    std::vector<TPaletteEntry> entries(static_cast<std::size_t>(h.paletteCount));
    for (int i = 0; i < h.paletteCount; ++i) {
        const std::uint8_t* p = in.At(h.paletteStart + static_cast<std::uint64_t>(i) * entrySize);
        entries[static_cast<std::size_t>(i)] = TPaletteEntry{p[2], p[1], p[0], 0};
    }
    return TPalette(std::move(entries));
}

// Uncompressed rows (also bit-field ones), straight or upside down.
void ReadRows(const TBytes& in, const THeader& h, TBitmap& result)
{
    const int width = static_cast<int>(h.width), height = static_cast<int>(h.height);
    const std::uint64_t stride = static_cast<std::uint64_t>(RowStrideFor(h.bitsPerPixel, width));
    in.Need(h.pixelStart, stride * static_cast<std::uint64_t>(height));
    const int depth = h.bitsPerPixel == 2 ? 4 : h.bitsPerPixel;
    result.SetLayout(depth, h.masks, width, height);
    std::optional<TRowDecoder> moved;
    std::optional<TRowEncoder> plain;
    std::vector<TPacked> colours;
    if (h.movedChannels) {
        moved.emplace(TPixelLayout{depth, h.movedChannels, nullptr});
        plain.emplace(TPixelLayout{depth, std::nullopt, nullptr});
        colours.resize(static_cast<std::size_t>(width));
    }
    for (int y = 0; y < height; ++y) {
        const int fileRow = h.topDown ? y : height - 1 - y;
        const std::uint8_t* src = in.At(h.pixelStart + static_cast<std::uint64_t>(fileRow) * stride);
        std::uint8_t* dst = result.ScanLine(y);
        if (moved) {
            moved->Decode(src, width, colours.data());
            plain->Encode(colours.data(), width, dst);
        } else if (h.bitsPerPixel == 2) {
            for (int x = 0; x < width; ++x) WriteRawPixel(dst, x, 4, (src[x >> 2] >> (6 - 2 * (x & 3))) & 3);
        } else {
            std::memcpy(dst, src, static_cast<std::size_t>((static_cast<std::int64_t>(width) * depth + 7) / 8));
        }
    }
}

} // namespace

void ReadBmp(std::span<const std::uint8_t> bytes, TBitmap& result)
{
    TBytes in(bytes);
    const THeader h = ReadHeader(in);
    result.SetPalette(ReadPalette(in, h));
    if (h.compression == kRle8 || h.compression == kRle4 || h.compression == kJpegOrRle24) {
        TRleKind kind = h.compression == kRle8 ? TRleKind::kRle8
                        : h.compression == kRle4 ? TRleKind::kRle4 : TRleKind::kRle24;
        result.SetLayout(h.bitsPerPixel, std::nullopt, static_cast<int>(h.width), static_cast<int>(h.height));
        DecodeRle(bytes.subspan(static_cast<std::size_t>(h.pixelStart)), kind, result);
        return;
    }
    ReadRows(in, h, result);
}

} // namespace pictor
