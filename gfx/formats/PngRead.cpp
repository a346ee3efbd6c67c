// Reading PNG files (what becomes of each kind: Png.h). libpng hands over
// the rows as stored (samples packed, 16-bit ones big-endian), de-interlaced;
// we widen, round and compose them ourselves, so no libpng transformation
// (and none of its gamma handling) touches a pixel.
#include "gfx/formats/Png.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Limits.h"
#include "gfx/PixelRows.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/formats/PngCall.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace pictor {

namespace {

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Largest ancillary chunk libpng keeps in memory, and most ancillary chunks
// it keeps: we use none of them, but libpng reads some before it can skip
// them, and a hostile file must not make that unbounded.
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;
constexpr png_uint_32 kMaxCachedChunks = 128;

// The ancillary chunks libpng knows but we skip unread: every one but tRNS.
const png_byte kSkippedChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                  "sBIT\0sCAL\0sPLT\0sRGB\0sTER\0tEXt\0tIME\0zTXt";

// An 8-bit colour with its alpha.
struct TRgba {
    std::uint8_t Red = 0, Green = 0, Blue = 0, Alpha = 255;
};

// The stored layout of a PNG's rows and what gives its colours.
struct TPngFormat {
    int Width = 0;
    int Height = 0;
    int BitDepth = 0;
    int ColorType = 0;
    bool Interlaced = false;
    std::size_t RowBytes = 0;
    std::vector<TRgba> Palette;  // palette pictures, with tRNS's alphas
    bool HasKey = false;         // grey and truecolour: tRNS's transparent value
    png_color_16 Key{};
    bool Transparent() const { return HasKey || (ColorType & PNG_COLOR_MASK_ALPHA); }
};

// A stream opened with libpng and read up to its image data.
class TPngDecoder {
public:
    TPngDecoder(std::span<const std::uint8_t> bytes, std::int64_t maxSide, std::int64_t maxPixels);
    const TPngFormat& Format() const { return FFormat; }

    // Hands every row, top to bottom, to sink(y, row) as stored, then reads
    // the rest of the file.
    template <class Sink>
    void ReadRows(Sink&& sink);

private:
    TPngHandle FHandle;
    TPngFormat FFormat;
};

TPngDecoder::TPngDecoder(std::span<const std::uint8_t> bytes, std::int64_t maxSide, std::int64_t maxPixels)
    : FHandle(TPngHandle::kRead, bytes)
{
    if (!IsPng(bytes)) throw EInvalidGraphic("PNG: PNG の署名がありません");
    png_structp png = FHandle.Png();
    const png_uint_32 side = static_cast<png_uint_32>(std::min<std::int64_t>(maxSide, PNG_UINT_31_MAX));
    png_set_user_limits(png, side, side);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    FHandle.Run([](TPngStream& s, void*) {
        png_set_keep_unknown_chunks(s.Png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_keep_unknown_chunks(s.Png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                    static_cast<int>(sizeof kSkippedChunks / 5));
        png_read_info(s.Png, s.Info);
        png_set_interlace_handling(s.Png);
        png_read_update_info(s.Png, s.Info);
    });

    png_infop info = FHandle.Info();
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &FFormat.BitDepth, &FFormat.ColorType, &interlace, nullptr,
                 nullptr);
    if (width > std::uint64_t(maxSide) || height > std::uint64_t(maxSide) ||
        std::uint64_t(width) * height > std::uint64_t(maxPixels))
        throw EInvalidGraphic("PNG: 画像 " + std::to_string(width) + " × " + std::to_string(height) +
                              " は大きすぎます");
    FFormat.Width = static_cast<int>(width);
    FFormat.Height = static_cast<int>(height);
    FFormat.Interlaced = interlace != PNG_INTERLACE_NONE;
    FFormat.RowBytes = png_get_rowbytes(png, info);

    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p key = nullptr;
    const bool trns = png_get_tRNS(png, info, &alphas, &alphaCount, &key) != 0;
    if (FFormat.ColorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &entries, &count)) throw EInvalidGraphic("PNG: パレットがありません");
        for (int i = 0; i < count; ++i) {
            const std::uint8_t alpha = trns && alphas && i < alphaCount ? alphas[i] : 255;
            FFormat.Palette.push_back(TRgba{entries[i].red, entries[i].green, entries[i].blue, alpha});
        }
    } else if (trns && key) {
        FFormat.HasKey = true;
        FFormat.Key = *key;
    }
}

template <class Sink>
void TPngDecoder::ReadRows(Sink&& sink)
{
    if (!FFormat.Interlaced) {
        std::vector<std::uint8_t> row(FFormat.RowBytes);
        for (int y = 0; y < FFormat.Height; ++y) {
            FHandle.Run(
                [](TPngStream& s, void* row) { png_read_row(s.Png, static_cast<png_bytep>(row), nullptr); },
                row.data());
            sink(y, row.data());
        }
    } else {
        // The passes fill the whole picture before any row is complete.
        std::vector<std::uint8_t> image(FFormat.RowBytes * static_cast<std::size_t>(FFormat.Height));
        std::vector<png_bytep> rows(static_cast<std::size_t>(FFormat.Height));
        for (int y = 0; y < FFormat.Height; ++y) rows[y] = image.data() + FFormat.RowBytes * y;
        FHandle.Run([](TPngStream& s, void* rows) { png_read_image(s.Png, static_cast<png_bytepp>(rows)); },
                    rows.data());
        for (int y = 0; y < FFormat.Height; ++y) sink(y, rows[y]);
    }
    FHandle.Run([](TPngStream& s, void*) { png_read_end(s.Png, nullptr); });
}

// Sample i of a row of samples depth bits wide (packed from the high bit;
// 16-bit samples big-endian).
unsigned Sample(const std::uint8_t* row, std::size_t i, int depth)
{
    if (depth == 8) return row[i];
    if (depth == 16) return unsigned(row[2 * i]) << 8 | row[2 * i + 1];
    const std::size_t bit = i * depth;
    return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}

// Decodes stored rows of any colour type into BGRA.
class TPngRowDecoder {
public:
    explicit TPngRowDecoder(const TPngFormat& format) : FFormat(format), FTo8(std::size_t(1) << format.BitDepth)
    {
        for (std::size_t v = 0; v < FTo8.size(); ++v)
            FTo8[v] = ExpandChannel(static_cast<std::uint32_t>(v), format.BitDepth);
    }

    void Decode(const std::uint8_t* row, std::uint8_t* bgra) const
    {
        const int depth = FFormat.BitDepth;
        for (int x = 0; x < FFormat.Width; ++x, bgra += 4) {
            TRgba c;
            switch (FFormat.ColorType) {
            case PNG_COLOR_TYPE_PALETTE: {
                // An index beyond the palette shows black, as in a bitmap.
                const unsigned index = Sample(row, x, depth);
                if (index < FFormat.Palette.size()) c = FFormat.Palette[index];
                break;
            }
            case PNG_COLOR_TYPE_GRAY: {
                const unsigned v = Sample(row, x, depth);
                c.Red = c.Green = c.Blue = FTo8[v];
                if (FFormat.HasKey && v == FFormat.Key.gray) c.Alpha = 0;
                break;
            }
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                c.Red = c.Green = c.Blue = FTo8[Sample(row, 2 * x, depth)];
                c.Alpha = FTo8[Sample(row, 2 * x + 1, depth)];
                break;
            case PNG_COLOR_TYPE_RGB: {
                const unsigned r = Sample(row, 3 * x, depth), g = Sample(row, 3 * x + 1, depth),
                               b = Sample(row, 3 * x + 2, depth);
                c = TRgba{FTo8[r], FTo8[g], FTo8[b], 255};
                if (FFormat.HasKey && r == FFormat.Key.red && g == FFormat.Key.green && b == FFormat.Key.blue) c.Alpha = 0;
                break;
            }
            default: // PNG_COLOR_TYPE_RGB_ALPHA
                c = TRgba{FTo8[Sample(row, 4 * x, depth)], FTo8[Sample(row, 4 * x + 1, depth)],
                          FTo8[Sample(row, 4 * x + 2, depth)], FTo8[Sample(row, 4 * x + 3, depth)]};
                break;
            }
            bgra[0] = c.Blue;
            bgra[1] = c.Green;
            bgra[2] = c.Red;
            bgra[3] = c.Alpha;
        }
    }

private:
    const TPngFormat& FFormat;
    std::vector<std::uint8_t> FTo8;  // sample -> 8 bits
};

// The palette of a palette picture, each entry laid over white by its alpha.
TPalette PaletteOverWhite(const std::vector<TRgba>& entries)
{
    std::vector<TPaletteEntry> palette;
    for (const TRgba& e : entries)
        palette.push_back(TPaletteEntry{BlendChannel(e.Red, 255, e.Alpha),
                                        BlendChannel(e.Green, 255, e.Alpha),
                                        BlendChannel(e.Blue, 255, e.Alpha), 0});
    return TPalette(std::move(palette));
}

TPalette GreyPalette()
{
    std::vector<TPaletteEntry> palette(256);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        palette[i] = TPaletteEntry{v, v, v, 0};
    }
    return TPalette(std::move(palette));
}

// Two-bit indices widened to four bits, two to a byte.
void WidenTwoBitRow(const std::uint8_t* row, int width, std::uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        const unsigned index = Sample(row, x, 2);
        out[x / 2] = static_cast<std::uint8_t>(x % 2 ? (out[x / 2] & 0xF0) | index : index << 4);
    }
}

} // namespace

bool IsPng(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 8 && std::equal(kSignature, kSignature + 8, bytes.begin());
}

TPngInfo ReadPngInfo(std::span<const std::uint8_t> bytes)
{
    // Signature, then the IHDR chunk: length 13, "IHDR", width, height,
    // bit depth, colour type, ...
    const TByteReader in(bytes);
    if (!IsPng(bytes) || !in.Has(8, 8 + 13) || in.U32BigEndian(8) != 13 ||
        std::memcmp(in.Bytes(12, 4).data(), "IHDR", 4) != 0)
        throw EInvalidGraphic("PNG: ヘッダーがありません");
    const std::uint32_t width = in.U32BigEndian(16);
    const std::uint32_t height = in.U32BigEndian(20);
    const int depth = in.U8(24);
    int channels = 0;
    switch (in.U8(25)) {
    case 0: channels = 1; break;  // grey
    case 2: channels = 3; break;  // RGB
    case 3: channels = 1; break;  // palette
    case 4: channels = 2; break;  // grey + alpha
    case 6: channels = 4; break;  // RGBA
    default: throw EInvalidGraphic("PNG: 色の種類が不正です");
    }
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        throw EInvalidGraphic("PNG: 画像の大きさが不正です");
    return TPngInfo{static_cast<int>(width), static_cast<int>(height), depth * channels};
}

void ReadPng(std::span<const std::uint8_t> bytes, TBitmap& result)
{
    TPngDecoder decoder(bytes, kMaxPictureSide, kMaxPicturePixels);
    const TPngFormat& f = decoder.Format();
    if (f.ColorType == PNG_COLOR_TYPE_PALETTE) {
        result.SetLayout(f.BitDepth == 2 ? 4 : f.BitDepth, std::nullopt, f.Width, f.Height);
        result.SetPalette(PaletteOverWhite(f.Palette));
        decoder.ReadRows([&](int y, const std::uint8_t* row) {
            if (f.BitDepth == 2)
                WidenTwoBitRow(row, f.Width, result.ScanLine(y));
            else
                std::memcpy(result.ScanLine(y), row, f.RowBytes);
        });
        return;
    }
    const bool grey = f.ColorType == PNG_COLOR_TYPE_GRAY && !f.Transparent();
    result.SetLayout(grey ? 8 : 24, std::nullopt, f.Width, f.Height);
    if (grey) result.SetPalette(GreyPalette());
    const TPngRowDecoder rows(f);
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(f.Width) * 4);
    decoder.ReadRows([&](int y, const std::uint8_t* row) {
        rows.Decode(row, bgra.data());
        std::uint8_t* out = result.ScanLine(y);
        if (grey)
            for (int x = 0; x < f.Width; ++x) out[x] = bgra[4 * static_cast<std::size_t>(x)];
        else
            ComposeRowOverWhite(bgra.data(), f.Width, out);
    });
}

TBgraImage DecodePng(std::span<const std::uint8_t> bytes, std::int64_t maxSide, std::int64_t maxPixels)
{
    TPngDecoder decoder(bytes, maxSide, maxPixels);
    const TPngFormat& f = decoder.Format();
    TBgraImage image(f.Width, f.Height);
    const TPngRowDecoder rows(f);
    decoder.ReadRows([&](int y, const std::uint8_t* row) { rows.Decode(row, image.Row(y)); });
    return image;
}

} // namespace pictor
