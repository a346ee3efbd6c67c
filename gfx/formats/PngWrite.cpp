// Writing PNG files, losslessly: reading the file back gives every pixel's
// colour again.
//
// A 1-, 4- or 8-bit bitmap becomes a palette PNG. Its palette is written as
// it stands, entries in their order; a bitmap without a palette of its own
// gets the palette its indices are shown with (black and white, the
// 16-colour system palette, the halftone palette). The PNG's bit depth is
// the smallest of 1, 2, 4 and 8 that holds every entry and every index the
// pixels use, so an 8-bit bitmap reduced to 16 colours is stored at 4 bits.
// A pixel whose index lies beyond the palette shows black, so the palette is
// then completed with black entries up to that index (the PNG format allows
// no index beyond its palette); entries that a depth cannot address (a 4-bit
// bitmap given 256) are left out.
//
// Every other bitmap (15, 16, 24, 32 bits, with or without masks, the
// display form) becomes 8-bit RGB of the colours its pixels show.
#include "gfx/formats/Png.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/BitmapData.h"
#include "gfx/PixelRows.h"
#include "gfx/formats/PngCall.h"

#include <algorithm>
#include <functional>

namespace pictor {

namespace {

// What the header and palette chunks say; plain data for the step that
// writes them.
struct TPngHeader {
    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    int BitDepth = 8;
    int ColorType = PNG_COLOR_TYPE_RGB;
    bool Bgr = false;  // rows hold blue, green, red (and alpha)
    const png_color* Palette = nullptr;
    int PaletteCount = 0;
};

void AppendBytes(png_structp png, png_bytep data, std::size_t length)
{
    auto* stream = static_cast<TPngStream*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        stream->Out->insert(stream->Out->end(), data, data + length);
    } catch (...) {
        stored = false;
    }
    // Outside the handler: the jump must not leave a caught exception behind.
    if (!stored) png_error(png, "out of memory");
}

void Flush(png_structp) {}

// The file of header, with row(y) giving row y as the PNG stores it.
std::vector<std::uint8_t> Encode(const TPngHeader& header, const std::function<const std::uint8_t*(int)>& row)
{
    std::vector<std::uint8_t> out;
    TPngHandle handle(TPngHandle::kWrite);
    handle.Stream().Out = &out;
    png_set_write_fn(handle.Png(), &handle.Stream(), AppendBytes, Flush);
    handle.Run(
        [](TPngStream& s, void* argument) {
            const auto& h = *static_cast<const TPngHeader*>(argument);
            png_set_IHDR(s.Png, s.Info, h.Width, h.Height, h.BitDepth, h.ColorType, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            if (h.Palette) png_set_PLTE(s.Png, s.Info, h.Palette, h.PaletteCount);
            png_write_info(s.Png, s.Info);
            if (h.Bgr) png_set_bgr(s.Png);
        },
        const_cast<TPngHeader*>(&header));
    for (png_uint_32 y = 0; y < header.Height; ++y)
        handle.Run(
            [](TPngStream& s, void* data) { png_write_row(s.Png, static_cast<png_const_bytep>(data)); },
            const_cast<std::uint8_t*>(row(static_cast<int>(y))));
    handle.Run([](TPngStream& s, void*) { png_write_end(s.Png, nullptr); });
    return out;
}

std::vector<std::uint8_t> WritePalettePng(const TBitmap& bitmap)
{
    const int bits = bitmap.BitsPerPixel();
    const TPalette& own = EffectivePalette(bits, bitmap.PaletteRef());
    const int count = std::max(std::min(own.Count(), 1 << bits), IndicesUsed(bitmap));
    std::vector<png_color> palette(static_cast<std::size_t>(count), png_color{0, 0, 0});
    for (int i = 0; i < std::min(own.Count(), count); ++i)
        palette[i] = png_color{own[i].peRed, own[i].peGreen, own[i].peBlue};
    int depth = 1;
    while ((1 << depth) < count) depth *= 2;

    TPngHeader header;
    header.Width = static_cast<png_uint_32>(bitmap.Width());
    header.Height = static_cast<png_uint_32>(bitmap.Height());
    header.BitDepth = depth;
    header.ColorType = PNG_COLOR_TYPE_PALETTE;
    header.Palette = palette.data();
    header.PaletteCount = count;
    if (depth == bits) return Encode(header, [&](int y) { return bitmap.ScanLine(y); });
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(RowStrideFor(depth, bitmap.Width())));
    return Encode(header, [&](int y) {
        std::fill(packed.begin(), packed.end(), 0);
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            const std::size_t bit = static_cast<std::size_t>(x) * depth;
            packed[bit / 8] |= static_cast<std::uint8_t>(ReadRawPixel(row, x, bits) << (8 - depth - bit % 8));
        }
        return packed.data();
    });
}

std::vector<std::uint8_t> WriteRgbPng(const TBitmap& bitmap)
{
    TPngHeader header;
    header.Width = static_cast<png_uint_32>(bitmap.Width());
    header.Height = static_cast<png_uint_32>(bitmap.Height());
    const TRowDecoder decoder(BitmapLayout(bitmap));
    std::vector<TPackedColor> colours(static_cast<std::size_t>(bitmap.Width()));
    std::vector<std::uint8_t> rgb(colours.size() * 3);
    return Encode(header, [&](int y) {
        decoder.Decode(bitmap.ScanLine(y), bitmap.Width(), colours.data());
        for (std::size_t x = 0; x < colours.size(); ++x) {
            rgb[3 * x] = static_cast<std::uint8_t>(colours[x] >> 16);
            rgb[3 * x + 1] = static_cast<std::uint8_t>(colours[x] >> 8);
            rgb[3 * x + 2] = static_cast<std::uint8_t>(colours[x]);
        }
        return rgb.data();
    });
}

} // namespace

std::vector<std::uint8_t> WritePng(const TBitmap& bitmap)
{
    if (bitmap.Empty()) throw EInvalidGraphic("空の画像は PNG ファイルに保存できません");
    return bitmap.BitsPerPixel() <= 8 ? WritePalettePng(bitmap) : WriteRgbPng(bitmap);
}

std::vector<std::uint8_t> EncodePng(const TBgraImage& image)
{
    if (image.Width <= 0 || image.Height <= 0)
        throw EInvalidGraphic("空の画像は PNG ファイルに保存できません");
    TPngHeader header;
    header.Width = static_cast<png_uint_32>(image.Width);
    header.Height = static_cast<png_uint_32>(image.Height);
    header.ColorType = PNG_COLOR_TYPE_RGB_ALPHA;
    header.Bgr = true;
    return Encode(header, [&](int y) { return image.Row(y); });
}

} // namespace pictor
