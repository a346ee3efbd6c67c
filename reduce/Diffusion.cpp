#include "reduce/Diffusion.h"

#include "core/Exception.h"
#include "reduce/MedianCut.h"
#include "reduce/StaticPalette.h"

#include <cstring>
#include <optional>
#include <vector>

namespace pictor {

namespace {

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

// Runs rowFn(y, slots, destination row) for every row of a new 24-bit bitmap
// of the source's size.
template <class RowFn> std::unique_ptr<TBitmap> FilterRows(const TBitmap& source, RowFn&& rowFn)
{
    if (source.PixelFormat() != pf24bit) throw Exception("BitmapFiletr accepts only 24Bit DIB");
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

template <class Quantizer> std::unique_ptr<TBitmap> Diffuse(const TBitmap& source, const Quantizer& quantizer)
{
    const int width = source.Width();
    return FilterRows(source, [&](int, const TBitmapFilterWindow& slots, std::uint8_t* dst) {
        std::uint8_t* cur = slots[kFilterCurrentSlot] + kFilterMarginBytes;
        std::uint8_t* below = slots[kFilterCurrentSlot + 1] + kFilterMarginBytes;
        for (int x = 0; x < width; ++x, cur += 3, below += 3, dst += 3) {
            TRGBTriple out;
            DiffuseAt(quantizer, cur, below, out);
            std::memcpy(dst, &out, 3);
        }
    });
}

} // namespace

std::unique_ptr<TBitmap> BitmapFilter(const TBitmap& source, TBitmapFilterProc proc, void* data)
{
    const int width = source.Width();
    return FilterRows(source, [&](int y, const TBitmapFilterWindow& slots, std::uint8_t* dst) {
        TBitmapFilterWindow working = slots;
        for (int x = 0; x < width; ++x, dst += 3) {
            TRGBTriple out;
            proc(x, y, working, out, data);
            std::memcpy(dst, &out, 3);
            for (auto& address : working) address += 3;
        }
    });
}

void DiffusePixel(int, int, const TBitmapFilterWindow& window, TRGBTriple& out, void* data)
{
    const auto& quantizer = *static_cast<const TQuantizeColor*>(data);
    DiffuseAt(quantizer, window[kFilterCurrentSlot] + kFilterMarginBytes,
              window[kFilterCurrentSlot + 1] + kFilterMarginBytes, out);
}

std::unique_ptr<TBitmap> DiffuseBitmap(const TBitmap& source, const TQuantizeColor& quantizer)
{
    // The quantisers of this library are final: calling them directly lets
    // the compiler inline the look-up into the pixel loop.
    if (const auto* fixed = dynamic_cast<const TQuantizeToStaticColor*>(&quantizer))
        return Diffuse(source, *fixed);
    if (const auto* medianCut = dynamic_cast<const TMedianCutQuantizeColor*>(&quantizer))
        return Diffuse(source, *medianCut);
    return Diffuse(source, quantizer);
}

} // namespace pictor
