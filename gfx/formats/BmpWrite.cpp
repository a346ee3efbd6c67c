// Writing BMP files: a 14-byte file header, a 40-byte BITMAPINFOHEADER,
// three BI_BITFIELDS masks when the bitmap has masks, the palette, then the
// rows bottom-up.
//
// The bitmap is written at its own depth; the display form as 32 bits
// without masks. The palette is written exactly (entry count and order, with
// biClrUsed set to the count), also beside 16-, 24- and 32-bit pixels. A 1-,
// 4- or 8-bit bitmap without a palette of its own is written with the
// palette its indices are shown with (black and white, the 16-colour system
// palette or the halftone palette), so it reads back with the same colours.
#include "gfx/formats/Bmp.h"

#include "core/Exception.h"
#include "core/LargeBuffer.h"
#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"
#include "gfx/formats/ByteWriter.h"

#include <cstring>

namespace pictor {

namespace {

// 96 dots per inch, the screen's resolution, in pixels per metre.
constexpr std::uint32_t kPixelsPerMetre = 3780;

} // namespace

std::vector<std::uint8_t> WriteBmp(const TBitmap& bitmap)
{
    if (bitmap.Empty()) throw EInvalidGraphic("空の画像は BMP ファイルに保存できません");
    const int width = bitmap.Width(), height = bitmap.Height(), bpp = bitmap.BitsPerPixel();
    const std::optional<TColorMasks> masks = bitmap.HandleType() == bmDIB ? bitmap.Masks() : std::nullopt;
    const TPalette& palette = bpp <= 8 ? EffectivePalette(bpp, bitmap.PaletteRef()) : bitmap.PaletteRef();

    const std::uint32_t stride = static_cast<std::uint32_t>(RowStrideFor(bpp, width));
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
    const std::uint32_t offBits = 14 + 40 + (masks ? 12 : 0) + 4 * static_cast<std::uint32_t>(palette.Count());

    std::vector<std::uint8_t> out;
    ReserveLargeBuffer(out, static_cast<std::size_t>(offBits) + imageSize);
    out.push_back('B');
    out.push_back('M');
    Push32(out, offBits + imageSize);
    Push32(out, 0);
    Push32(out, offBits);

    Push32(out, 40);
    Push32(out, static_cast<std::uint32_t>(width));
    Push32(out, static_cast<std::uint32_t>(height));
    Push16(out, 1);
    Push16(out, static_cast<std::uint16_t>(bpp));
    Push32(out, masks ? 3 : 0);
    Push32(out, imageSize);
    Push32(out, kPixelsPerMetre);
    Push32(out, kPixelsPerMetre);
    Push32(out, static_cast<std::uint32_t>(palette.Count()));
    Push32(out, 0);
    if (masks) {
        Push32(out, masks->Red);
        Push32(out, masks->Green);
        Push32(out, masks->Blue);
    }
    for (const TPaletteEntry& e : palette.Entries()) {
        out.push_back(e.peBlue);
        out.push_back(e.peGreen);
        out.push_back(e.peRed);
        out.push_back(0);
    }

    out.resize(static_cast<std::size_t>(offBits) + imageSize, 0);
    const std::size_t used = (static_cast<std::size_t>(width) * bpp + 7) / 8;
    for (int y = 0; y < height; ++y)
        std::memcpy(out.data() + offBits + static_cast<std::size_t>(height - 1 - y) * stride, bitmap.ScanLine(y), used);
    return out;
}

} // namespace pictor
