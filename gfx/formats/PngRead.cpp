// Reading PNG files (what becomes of each kind: Png.h). libpng hands over
// the rows as stored (samples packed, 16-bit ones big-endian), de-interlaced;
// we widen, round and compose them ourselves, so no libpng transformation
// (and none of its gamma handling) touches a pixel.
#include "gfx/formats/Png.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Limits.h"
#include "gfx/PixelRows.h"
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

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

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
    const TPngFormat& Format() const { return format_; }

    // Hands every row, top to bottom, to sink(y, row) as stored, then reads
    // the rest of the file.
    template <class Sink>
    void ReadRows(Sink&& sink);

private:
    TPngHandle handle_;
    TPngFormat format_;
};

TPngDecoder::TPngDecoder(std::span<const std::uint8_t> bytes, std::int64_t maxSide, std::int64_t maxPixels)
    : handle_(TPngHandle::kRead, bytes)
{
    if (!IsPng(bytes)) throw EInvalidGraphic("PNG: no PNG signature");
    png_structp png = handle_.Png();
    const png_uint_32 side = static_cast<png_uint_32>(std::min<std::int64_t>(maxSide, PNG_UINT_31_MAX));
    png_set_user_limits(png, side, side);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    handle_.Run([](TPngStream& s, void*) {
        png_set_keep_unknown_chunks(s.Png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_keep_unknown_chunks(s.Png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                    static_cast<int>(sizeof kSkippedChunks / 5));
        png_read_info(s.Png, s.Info);
        png_set_interlace_handling(s.Png);
        png_read_update_info(s.Png, s.Info);
    });

    png_infop info = handle_.Info();
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &format_.BitDepth, &format_.ColorType, &interlace, nullptr,
                 nullptr);
    if (width > std::uint64_t(maxSide) || height > std::uint64_t(maxSide) ||
        std::uint64_t(width) * height > std::uint64_t(maxPixels))
        throw EInvalidGraphic("PNG: " + std::to_string(width) + " x " + std::to_string(height) +
                              " pixels is too large");
    format_.Width = static_cast<int>(width);
    format_.Height = static_cast<int>(height);
    format_.Interlaced = interlace != PNG_INTERLACE_NONE;
    format_.RowBytes = png_get_rowbytes(png, info);

    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p key = nullptr;
    const bool trns = png_get_tRNS(png, info, &alphas, &alphaCount, &key) != 0;
    if (format_.ColorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &entries, &count)) throw EInvalidGraphic("PNG: no palette");
        for (int i = 0; i < count; ++i) {
            const std::uint8_t alpha = trns && alphas && i < alphaCount ? alphas[i] : 255;
            format_.Palette.push_back(TRgba{entries[i].red, entries[i].green, entries[i].blue, alpha});
        }
    } else if (trns && key) {
        format_.HasKey = true;
        format_.Key = *key;
    }
}

template <class Sink>
void TPngDecoder::ReadRows(Sink&& sink)
{
    if (!format_.Interlaced) {
        std::vector<std::uint8_t> row(format_.RowBytes);
        for (int y = 0; y < format_.Height; ++y) {
            handle_.Run(
                [](TPngStream& s, void* row) { png_read_row(s.Png, static_cast<png_bytep>(row), nullptr); },
                row.data());
            sink(y, row.data());
        }
    } else {
        // The passes fill the whole picture before any row is complete.
        std::vector<std::uint8_t> image(format_.RowBytes * static_cast<std::size_t>(format_.Height));
        std::vector<png_bytep> rows(static_cast<std::size_t>(format_.Height));
        for (int y = 0; y < format_.Height; ++y) rows[y] = image.data() + format_.RowBytes * y;
        handle_.Run([](TPngStream& s, void* rows) { png_read_image(s.Png, static_cast<png_bytepp>(rows)); },
                    rows.data());
        for (int y = 0; y < format_.Height; ++y) sink(y, rows[y]);
    }
    handle_.Run([](TPngStream& s, void*) { png_read_end(s.Png, nullptr); });
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
    explicit TPngRowDecoder(const TPngFormat& format) : f_(format), to8_(std::size_t(1) << format.BitDepth)
    {
        for (std::size_t v = 0; v < to8_.size(); ++v)
            to8_[v] = ExpandChannel(static_cast<std::uint32_t>(v), format.BitDepth);
    }

    void Decode(const std::uint8_t* row, std::uint8_t* bgra) const
    {
        const int depth = f_.BitDepth;
        for (int x = 0; x < f_.Width; ++x, bgra += 4) {
            TRgba c;
            switch (f_.ColorType) {
            case PNG_COLOR_TYPE_PALETTE: {
                // An index beyond the palette shows black, as in a bitmap.
                const unsigned index = Sample(row, x, depth);
                if (index < f_.Palette.size()) c = f_.Palette[index];
                break;
            }
            case PNG_COLOR_TYPE_GRAY: {
                const unsigned v = Sample(row, x, depth);
                c.Red = c.Green = c.Blue = to8_[v];
                if (f_.HasKey && v == f_.Key.gray) c.Alpha = 0;
                break;
            }
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                c.Red = c.Green = c.Blue = to8_[Sample(row, 2 * x, depth)];
                c.Alpha = to8_[Sample(row, 2 * x + 1, depth)];
                break;
            case PNG_COLOR_TYPE_RGB: {
                const unsigned r = Sample(row, 3 * x, depth), g = Sample(row, 3 * x + 1, depth),
                               b = Sample(row, 3 * x + 2, depth);
                c = TRgba{to8_[r], to8_[g], to8_[b], 255};
                if (f_.HasKey && r == f_.Key.red && g == f_.Key.green && b == f_.Key.blue) c.Alpha = 0;
                break;
            }
            default: // PNG_COLOR_TYPE_RGB_ALPHA
                c = TRgba{to8_[Sample(row, 4 * x, depth)], to8_[Sample(row, 4 * x + 1, depth)],
                          to8_[Sample(row, 4 * x + 2, depth)], to8_[Sample(row, 4 * x + 3, depth)]};
                break;
            }
            bgra[0] = c.Blue;
            bgra[1] = c.Green;
            bgra[2] = c.Red;
            bgra[3] = c.Alpha;
        }
    }

private:
    const TPngFormat& f_;
    std::vector<std::uint8_t> to8_;  // sample -> 8 bits
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
    if (!IsPng(bytes) || bytes.size() < 8 + 8 + 13) throw EInvalidGraphic("PNG: no header");
    const std::uint8_t* p = bytes.data() + 8;
    if (BigEndian32(p) != 13 || p[4] != 'I' || p[5] != 'H' || p[6] != 'D' || p[7] != 'R')
        throw EInvalidGraphic("PNG: no header");
    const std::uint32_t width = BigEndian32(p + 8);
    const std::uint32_t height = BigEndian32(p + 12);
    const int depth = p[16];
    int channels = 0;
    switch (p[17]) {
    case 0: channels = 1; break;  // grey
    case 2: channels = 3; break;  // RGB
    case 3: channels = 1; break;  // palette
    case 4: channels = 2; break;  // grey + alpha
    case 6: channels = 4; break;  // RGBA
    default: throw EInvalidGraphic("PNG: bad colour type");
    }
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        throw EInvalidGraphic("PNG: bad size");
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
