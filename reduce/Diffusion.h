// Error diffusion. BitmapFilter runs a per-pixel procedure over a 24-bit
// bitmap through a window of eleven working rows (the current row y in slot
// 5, rows y - 5 to y + 5 around it), each with a zero margin of five pixels on
// either side, so that the procedure may read and write its neighbours
// without edge checks. DiffusePixel is the Floyd-Steinberg step run by it,
// and DiffuseBitmap ties the two to a quantiser.
#pragma once

#include "gfx/Bitmap.h"
#include "reduce/QuantizeColor.h"

#include <array>
#include <cstdint>
#include <memory>

namespace pictor {

// A working row holds (width + 10) * 3 bytes: pixel x at byte 15 + 3 * x
// (blue, green, red), a zero margin of five pixels before and after.
inline constexpr int kFilterMarginPixels = 5;
inline constexpr int kFilterMarginBytes = kFilterMarginPixels * 3;
inline constexpr int kFilterSlots = 11;
inline constexpr int kFilterCurrentSlot = 5;

// The eleven slot addresses handed to the procedure, each advanced by 3 * x:
// slot[k] + 15 is pixel x of row y - 5 + k, slot[k] + 15 +/- 3 * d its
// neighbour d pixels away (d at most 5).
using TBitmapFilterWindow = std::array<std::uint8_t*, kFilterSlots>;

// The per-pixel procedure: x, y of the current pixel, the window, the output
// pixel to fill, and the caller's data passed through untouched.
using TBitmapFilterProc = void (*)(int x, int y, const TBitmapFilterWindow& window, TRGBTriple& out, void* data);

constexpr std::uint8_t ClampByte(int v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A new 24-bit bitmap of the source's size whose pixel (x, y) is what proc
// puts out for it. The procedure may change any byte of the window; changes
// to rows below the current one stay until those rows become current. The
// source must be 24 bits per pixel (otherwise Exception "BitmapFiletr accepts
// only 24Bit DIB") and is only read.
std::unique_ptr<TBitmap> BitmapFilter(const TBitmap& source, TBitmapFilterProc proc, void* data);

// Floyd-Steinberg, left to right on every row: the current pixel (with the
// error received so far) goes out as the palette colour the quantiser that
// data points to (a TQuantizeColor) names for it, and its error, palette
// colour minus working colour, is taken off the right neighbour (7/16), the
// one below left (3/16), below (5/16) and below right (1/16), each share
// truncated toward zero and the byte clamped after each share.
void DiffusePixel(int x, int y, const TBitmapFilterWindow& window, TRGBTriple& out, void* data);

// BitmapFilter(source, DiffusePixel, quantizer): every pixel of the result is
// a colour the quantiser returned.
std::unique_ptr<TBitmap> DiffuseBitmap(const TBitmap& source, const TQuantizeColor& quantizer);

} // namespace pictor
