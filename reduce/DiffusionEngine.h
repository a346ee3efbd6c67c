// The row engine behind BitmapFilter and DiffuseBitmap, for the drivers
// that consume diffused rows directly: the eleven-row window and one
// Floyd-Steinberg step, inlined for a quantiser of known class.
#pragma once

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "reduce/Diffusion.h"

#include <cstring>
#include <vector>

namespace pictor::detail {


// The eleven working rows of BitmapFilter around the current row. Buffers are
// recycled rather than freed: the one leaving the top becomes the new bottom
// row, zero-filled and loaded with its source row, so each source row is
// copied once.
class TFilterWindow {
public:
    explicit TFilterWindow(const TBitmap& source)
        : FSource(source), FWidth(source.Width()), FHeight(source.Height()),
          FRowBytes((static_cast<std::size_t>(FWidth) + 2 * kFilterMarginPixels) * 3),
          FStore(FRowBytes * kFilterSlots)
    {
        for (int k = 0; k < kFilterSlots; ++k) {
            FSlots[static_cast<std::size_t>(k)] = FStore.data() + FRowBytes * static_cast<std::size_t>(k);
            Load(FSlots[static_cast<std::size_t>(k)], k - kFilterCurrentSlot);
        }
    }

    const TBitmapFilterWindow& Slots() const { return FSlots; }

    // Moves the window down one row, past row y.
    void Slide(int y)
    {
        std::uint8_t* recycled = FSlots[0];
        for (int k = 0; k + 1 < kFilterSlots; ++k)
            FSlots[static_cast<std::size_t>(k)] = FSlots[static_cast<std::size_t>(k + 1)];
        FSlots[kFilterSlots - 1] = recycled;
        Load(recycled, y + kFilterSlots - kFilterCurrentSlot);
    }

private:
    void Load(std::uint8_t* buffer, int row)
    {
        std::memset(buffer, 0, FRowBytes);
        if (row >= 0 && row < FHeight && FWidth > 0)
            std::memcpy(buffer + kFilterMarginBytes, FSource.ScanLine(row), static_cast<std::size_t>(FWidth) * 3);
    }

    const TBitmap& FSource;
    int FWidth;
    int FHeight;
    std::size_t FRowBytes;
    std::vector<std::uint8_t> FStore;
    TBitmapFilterWindow FSlots{};
};

// The filter takes 24-bit sources only.
inline void CheckFilterSource(const TBitmap& source)
{
    if (source.PixelFormat() != pf24bit) throw Exception("BitmapFiletr accepts only 24Bit DIB");
}

// Runs rowFn(y, slots, destination row) for every row of a new 24-bit bitmap
// of the source's size.
template <class RowFn> std::unique_ptr<TBitmap> FilterRows(const TBitmap& source, RowFn&& rowFn)
{
    CheckFilterSource(source);
    auto result = std::make_unique<TBitmap>();
    result->SetLayout(24, std::nullopt, source.Width(), source.Height());
    TFilterWindow window(source);
    for (int y = 0; y < source.Height(); ++y) {
        rowFn(y, window.Slots(), result->ScanLine(y));
        window.Slide(y);
    }
    return result;
}

inline void TakeShare(std::uint8_t* pixel, int eRed, int eGreen, int eBlue, int weight)
{
    pixel[2] = ClampByte(pixel[2] - eRed * weight / 16);
    pixel[1] = ClampByte(pixel[1] - eGreen * weight / 16);
    pixel[0] = ClampByte(pixel[0] - eBlue * weight / 16);
}

// One Floyd-Steinberg step: cur is the current pixel, below the pixel under
// it. Puts the palette colour into out and spreads the error.
template <class Quantizer>
inline void DiffuseAt(const Quantizer& quantizer, std::uint8_t* cur, std::uint8_t* below, TRGBTriple& out)
{
    TRGBTriple q;
    quantizer.Quantize(q, PixelColor(cur));
    const int eRed = q.rgbtRed - cur[2];
    const int eGreen = q.rgbtGreen - cur[1];
    const int eBlue = q.rgbtBlue - cur[0];
    out = q;
    TakeShare(cur + 3, eRed, eGreen, eBlue, 7);
    TakeShare(below - 3, eRed, eGreen, eBlue, 3);
    TakeShare(below, eRed, eGreen, eBlue, 5);
    TakeShare(below + 3, eRed, eGreen, eBlue, 1);
}

// Diffuses source against quantizer, row by row from the top, and hands
// each pixel's palette colour to sink(y, x, colour). Raises the filter's
// exception for a source that is not 24 bits per pixel, before anything is
// allocated.
template <class Quantizer, class Sink> void DiffuseRows(const TBitmap& source, const Quantizer& quantizer, Sink&& sink)
{
    CheckFilterSource(source);
    const int width = source.Width();
    TFilterWindow window(source);
    for (int y = 0; y < source.Height(); ++y) {
        const TBitmapFilterWindow& slots = window.Slots();
        std::uint8_t* cur = slots[kFilterCurrentSlot] + kFilterMarginBytes;
        std::uint8_t* below = slots[kFilterCurrentSlot + 1] + kFilterMarginBytes;
        for (int x = 0; x < width; ++x, cur += 3, below += 3) {
            TRGBTriple out;
            DiffuseAt(quantizer, cur, below, out);
            sink(y, x, out);
        }
        window.Slide(y);
    }
}

} // namespace pictor::detail
