// The picture control's stretching for the display.
#include "gfx/DisplayStretch.h"

#include "gfx/Bitmap.h"
#include "gfx/BitmapData.h"
#include "gfx/Canvas.h"
#include "gfx/Graphic.h"
#include "gfx/PixelRows.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace pictor {

TCoveredSpan CoveredSpan(std::int64_t dst, std::int64_t dstLength, std::int64_t srcLength)
{
    if (srcLength <= dstLength) {
        const int sample = NearestSample(dst, dstLength, srcLength);
        return {sample, sample + 1};
    }
    return {static_cast<int>(dst * srcLength / dstLength), static_cast<int>((dst + 1) * srcLength / dstLength)};
}

namespace {

// The target pixels [X0, X1) by [Y0, Y1) that a rectangle covers.
struct TClip {
    int X0, X1, Y0, Y1;
    bool Empty() const { return X0 >= X1 || Y0 >= Y1; }
};

TClip ClipTo(const TBitmap& target, const TRect& dest)
{
    return {std::max(0, dest.Left), std::min(target.Width(), dest.Right), std::max(0, dest.Top),
            std::min(target.Height(), dest.Bottom)};
}

// Rows of source bytes are first added column by column into 32-bit sums
// (a loop the compiler widens and vectorises), then each target pixel adds
// the columns of its span: the same integer sums as adding pixel by pixel.
// At most this many rows go into the 32-bit sums before they are carried
// into the 64-bit ones, so that no column sum can overflow.
constexpr int kRowsPerColumnSum = static_cast<int>(0xFFFFFFFFu / 255u);

void AddColumns(const std::uint8_t* row, std::size_t bytes, std::uint32_t* columns)
{
    for (std::size_t i = 0; i < bytes; ++i) columns[i] += row[i];
}

// Adds the blue, green and red column sums of each span (pixels of Step
// bytes, the first at column start) to its three sums.
template <std::size_t Step>
void AddSpans(const std::uint32_t* columnSums, const std::vector<TCoveredSpan>& columns, int start,
              std::uint64_t* sum)
{
    for (const TCoveredSpan& span : columns) {
        const std::uint32_t* p = columnSums + static_cast<std::size_t>(span.First - start) * Step;
        std::uint64_t blue = 0, green = 0, red = 0;
        for (int sx = span.First; sx < span.Last; ++sx, p += Step) {
            blue += p[0];
            green += p[1];
            red += p[2];
        }
        sum[0] += blue;
        sum[1] += green;
        sum[2] += red;
        sum += 3;
    }
}

// Each target pixel of clip as the rounded average of the source pixels it
// covers, a source of sw by sh pixels being shown over dest. source holds
// the source pixels from (originX, originY) on, at least all that clip
// covers.
void AverageInto(const TBitmap& source, int originX, int originY, int sw, int sh, TBitmap& target,
                 const TRect& dest, const TClip& clip)
{
    const int count = clip.X1 - clip.X0;
    std::vector<TCoveredSpan> columns(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const TCoveredSpan span = CoveredSpan(clip.X0 + i - dest.Left, dest.Width(), sw);
        columns[static_cast<std::size_t>(i)] = {span.First - originX, span.Last - originX};
    }
    // Rows are decoded from a whole byte on: 1- and 4-bit rows from a
    // multiple of 8 or 2 pixels.
    const TPixelLayout layout = BitmapLayout(source);
    const int perByte = layout.BitsPerPixel < 8 ? 8 / layout.BitsPerPixel : 1;
    const int start = columns.front().First / perByte * perByte;
    const int width = columns.back().Last - start;
    const std::size_t offset = static_cast<std::size_t>(start) * static_cast<std::size_t>(layout.BitsPerPixel) / 8;

    // Blue, green, red bytes are added straight from 24- and 32-bit rows;
    // other rows are decoded into packed colours, whose bytes are the same.
    static_assert(std::endian::native == std::endian::little, "packed colours read as blue, green, red bytes");
    const bool plain = layout.BitsPerPixel == 24 || (layout.BitsPerPixel == 32 && !layout.Masks);
    const std::size_t step = plain ? static_cast<std::size_t>(layout.BitsPerPixel / 8) : sizeof(TPacked);
    const std::size_t rowBytes = step * static_cast<std::size_t>(width);
    TRowDecoder decoder(layout);
    TRowEncoder encoder(TPixelLayout{32, std::nullopt, nullptr});
    std::vector<TPacked> decoded(plain ? 0 : static_cast<std::size_t>(width));
    std::vector<std::uint32_t> columnSums(rowBytes);
    std::vector<std::uint64_t> sums(3 * static_cast<std::size_t>(count));
    std::vector<TPacked> shown(static_cast<std::size_t>(count));
    TCoveredSpan previous{-1, -1};
    for (int y = clip.Y0; y < clip.Y1; ++y) {
        const TCoveredSpan rows = CoveredSpan(y - dest.Top, dest.Height(), sh);
        // Enlarged rows repeat the row above.
        if (rows.First != previous.First || rows.Last != previous.Last) {
            std::fill(sums.begin(), sums.end(), 0);
            for (int first = rows.First, last; first < rows.Last; first = last) {
                last = first + std::min(rows.Last - first, kRowsPerColumnSum);
                std::fill(columnSums.begin(), columnSums.end(), 0);
                for (int sy = first; sy < last; ++sy) {
                    const std::uint8_t* row = source.ScanLine(sy - originY) + offset;
                    if (!plain) {
                        decoder.Decode(row, width, decoded.data());
                        row = reinterpret_cast<const std::uint8_t*>(decoded.data());
                    }
                    AddColumns(row, rowBytes, columnSums.data());
                }
                if (step == 3)
                    AddSpans<3>(columnSums.data(), columns, start, sums.data());
                else
                    AddSpans<4>(columnSums.data(), columns, start, sums.data());
            }
            for (int i = 0; i < count; ++i) {
                const TCoveredSpan& span = columns[static_cast<std::size_t>(i)];
                const std::uint64_t n = static_cast<std::uint64_t>(rows.Last - rows.First) *
                                        static_cast<std::uint64_t>(span.Last - span.First);
                const std::uint64_t* sum = &sums[3 * static_cast<std::size_t>(i)];
                shown[static_cast<std::size_t>(i)] = static_cast<TPacked>((sum[0] + n / 2) / n |
                                                                          (sum[1] + n / 2) / n << 8 |
                                                                          (sum[2] + n / 2) / n << 16);
            }
            previous = rows;
        }
        encoder.Encode(shown.data(), count, target.ScanLine(y) + 4 * static_cast<std::size_t>(clip.X0));
    }
}

// Each target pixel of clip as the source pixel under its centre. Only the
// sampled pixels are decoded, so enlarging costs what is shown.
void SampleInto(const TBitmap& bitmap, TBitmap& target, const TRect& dest, const TClip& clip)
{
    const int sw = bitmap.Width(), sh = bitmap.Height();
    std::vector<int> xs(static_cast<std::size_t>(clip.X1 - clip.X0));
    for (int x = clip.X0; x < clip.X1; ++x)
        xs[static_cast<std::size_t>(x - clip.X0)] = NearestSample(x - dest.Left, dest.Width(), sw);
    TRowDecoder decoder(BitmapLayout(bitmap));
    TRowEncoder encoder(TPixelLayout{32, std::nullopt, nullptr});
    std::vector<TPacked> colours(xs.size());
    int lastSource = -1;
    for (int y = clip.Y0; y < clip.Y1; ++y) {
        const int sy = NearestSample(y - dest.Top, dest.Height(), sh);
        if (sy != lastSource) {
            decoder.Gather(bitmap.ScanLine(sy), xs.data(), static_cast<int>(xs.size()), colours.data());
            lastSource = sy;
        }
        encoder.Encode(colours.data(), static_cast<int>(xs.size()), target.ScanLine(y) + 4 * clip.X0);
    }
}

} // namespace

void StretchBitmapShown(const TBitmap& bitmap, TBitmap& target, const TRect& dest)
{
    const int sw = bitmap.Width(), sh = bitmap.Height();
    if (sw <= 0 || sh <= 0 || dest.Width() <= 0 || dest.Height() <= 0) return;
    const TClip clip = ClipTo(target, dest);
    if (clip.Empty()) return;
    if (sw > dest.Width() || sh > dest.Height())
        AverageInto(bitmap, 0, 0, sw, sh, target, dest, clip);
    else
        SampleInto(bitmap, target, dest, clip);
}

void DrawGraphicShown(const TGraphic& graphic, TBitmap& target, const TRect& dest, std::uint32_t background)
{
    const int dw = dest.Width(), dh = dest.Height();
    const int sw = graphic.Width(), sh = graphic.Height();
    if (dw <= 0 || dh <= 0 || (sw <= dw && sh <= dh)) {
        graphic.Draw(target.Canvas(), dest);
        return;
    }
    const TClip clip = ClipTo(target, dest);
    if (clip.Empty()) return;
    // Drawn at its own size, but at most four times the shown size, which
    // bounds the work at sixteen drawn pixels a shown one.
    auto drawnLength = [](int own, int shown) {
        return static_cast<int>(std::clamp<std::int64_t>(own, shown, 4 * static_cast<std::int64_t>(shown)));
    };
    const int iw = drawnLength(sw, dw), ih = drawnLength(sh, dh);
    // Only the part that clip covers is drawn.
    const int left = CoveredSpan(clip.X0 - dest.Left, dw, iw).First;
    const int right = CoveredSpan(clip.X1 - 1 - dest.Left, dw, iw).Last;
    const int top = CoveredSpan(clip.Y0 - dest.Top, dh, ih).First;
    const int bottom = CoveredSpan(clip.Y1 - 1 - dest.Top, dh, ih).Last;
    TBitmap part;
    part.SetPixelFormat(pfDevice);
    part.SetSize(right - left, bottom - top);
    for (int y = 0; y < part.Height(); ++y) FillRowRaw(part.ScanLine(y), 32, part.Width(), background);
    graphic.Draw(part.Canvas(), TRect{-left, -top, iw - left, ih - top});
    AverageInto(part, left, top, iw, ih, target, dest, clip);
}

} // namespace pictor
