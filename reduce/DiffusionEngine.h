// The row engine behind BitmapFilter and DiffuseBitmap, for the drivers
// that consume diffused rows directly: the eleven-row window and one
// Floyd-Steinberg step, inlined for a quantiser of known class.
#pragma once

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "reduce/Diffusion.h"
#include "reduce/StaticPalette.h"

#include <array>
#include <cstring>
#include <type_traits>
#include <utility>
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

// Floyd-Steinberg for a quantiser that maps each channel on its own (the
// fixed palette). A pixel's error in a channel, and so each share it gives
// away, depends on its working value in that channel alone: the shares come
// from tables. Only the current row and the one below are ever touched, and
// the working values of the right neighbour and of the three pixels below
// travel in registers from pixel to pixel; the shares reach every pixel in
// the order of DiffuseAt, so the results are the same.
class TChannelDiffusion {
public:
    // Level[c][v]: the value the quantiser gives channel c (0 blue, 1 green,
    // 2 red) for v.
    using TLevels = std::array<std::array<std::uint8_t, 256>, 3>;

    explicit TChannelDiffusion(const TLevels& levels) : FLevels(levels)
    {
        for (std::size_t c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v) {
                const int error = levels[c][static_cast<std::size_t>(v)] - v;
                TShares& shares = FShares[c][static_cast<std::size_t>(v)];
                shares.Right = static_cast<std::int16_t>(error * 7 / 16);
                shares.BelowLeft = static_cast<std::int16_t>(error * 3 / 16);
                shares.Below = static_cast<std::int16_t>(error * 5 / 16);
                shares.BelowRight = static_cast<std::int16_t>(error * 1 / 16);
            }
    }

    // As DiffuseRows.
    template <class Sink> void Run(const TBitmap& source, Sink&& sink) const
    {
        CheckFilterSource(source);
        const int width = source.Width(), height = source.Height();
        if (width <= 0 || height <= 0) return;
        // Two working rows with one pixel of margin on either side.
        const std::size_t rowBytes = (static_cast<std::size_t>(width) + 2) * 3;
        std::vector<std::uint8_t> store(2 * rowBytes, 0);
        std::uint8_t* cur = store.data() + 3;
        std::uint8_t* below = store.data() + rowBytes + 3;
        std::memcpy(cur, source.ScanLine(0), static_cast<std::size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            if (y + 1 < height)
                std::memcpy(below, source.ScanLine(y + 1), static_cast<std::size_t>(width) * 3);
            else
                std::memset(below, 0, static_cast<std::size_t>(width) * 3);
            Row(y, width, cur, below, sink);
            std::swap(cur, below);
        }
    }

private:
    struct TShares {
        std::int16_t Right, BelowLeft, Below, BelowRight;
    };

    template <class Sink>
    void Row(int y, int width, const std::uint8_t* cur, std::uint8_t* below, Sink& sink) const
    {
        // Per channel: the working value of the current pixel, and the
        // pixels below left (three shares received but the last), below
        // (one share received) of it.
        int value[3], belowLeft[3], belowHere[3];
        for (std::size_t c = 0; c < 3; ++c) {
            value[c] = cur[c];
            belowLeft[c] = below[static_cast<std::ptrdiff_t>(c) - 3];
            belowHere[c] = below[c];
        }
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* next = cur + 3 * (x + 1);
            std::uint8_t* under = below + 3 * x;
            TRGBTriple out;
            int nextValue[3], belowRight[3];
            for (std::size_t c = 0; c < 3; ++c) {
                const auto v = static_cast<std::size_t>(value[c]);
                const TShares& shares = FShares[c][v];
                nextValue[c] = ClampByte(next[c] - shares.Right);
                under[static_cast<std::ptrdiff_t>(c) - 3] = ClampByte(belowLeft[c] - shares.BelowLeft);
                belowLeft[c] = ClampByte(belowHere[c] - shares.Below);
                belowRight[c] = ClampByte(under[c + 3] - shares.BelowRight);
            }
            out.rgbtBlue = FLevels[0][static_cast<std::size_t>(value[0])];
            out.rgbtGreen = FLevels[1][static_cast<std::size_t>(value[1])];
            out.rgbtRed = FLevels[2][static_cast<std::size_t>(value[2])];
            sink(y, x, out);
            for (std::size_t c = 0; c < 3; ++c) {
                value[c] = nextValue[c];
                belowHere[c] = belowRight[c];
            }
        }
        // The last pixel below has all the shares it gets.
        std::uint8_t* last = below + 3 * (width - 1);
        for (std::size_t c = 0; c < 3; ++c) last[c] = static_cast<std::uint8_t>(belowLeft[c]);
    }

    TLevels FLevels;
    std::array<std::array<TShares, 256>, 3> FShares;
};

// Diffuses source against quantizer, row by row from the top, and hands
// each pixel's palette colour to sink(y, x, colour). Raises the filter's
// exception for a source that is not 24 bits per pixel, before anything is
// allocated.
template <class Quantizer, class Sink> void DiffuseRows(const TBitmap& source, const Quantizer& quantizer, Sink&& sink)
{
    if constexpr (std::is_same_v<Quantizer, TQuantizeToStaticColor>) {
        static const TChannelDiffusion fixed = [] {
            TChannelDiffusion::TLevels levels;
            const TQuantizeToStaticColor quantizer;
            for (int v = 0; v < 256; ++v) {
                TRGBTriple q;
                quantizer.Quantize(q, PackColor(v, v, v));
                levels[0][static_cast<std::size_t>(v)] = q.rgbtBlue;
                levels[1][static_cast<std::size_t>(v)] = q.rgbtGreen;
                levels[2][static_cast<std::size_t>(v)] = q.rgbtRed;
            }
            return TChannelDiffusion(levels);
        }();
        fixed.Run(source, sink);
        return;
    }
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
