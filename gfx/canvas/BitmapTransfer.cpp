#include "gfx/canvas/BitmapTransfer.h"

#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"
#include "gfx/canvas/PixelCodec.h"
#include "gfx/canvas/RasterOp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace pictor::raster {

namespace {

constexpr double kFar = 1 << 30;

std::int64_t RoundHalfUp(double v)
{
    return static_cast<std::int64_t>(std::floor(std::clamp(v, -kFar, kFar) + 0.5));
}

// Source pixel of destination pixel i of n showing count source pixels: the
// one under the destination pixel's centre, counted from the far end when
// mirrored.
std::int64_t SourceIndex(std::int64_t i, std::int64_t n, std::int64_t count, bool mirrored)
{
    return NearestSample(mirrored ? n - 1 - i : i, n, count);
}

// Copies pixels [x0, x1) of a packed row from src starting at pixel sx,
// whole bytes where the bit positions line up.
void CopyPackedRun(std::uint8_t* dst, int x0, int x1, const std::uint8_t* src, int sx, int bpp)
{
    const int perByte = 8 / bpp;
    int x = x0, s = sx;
    if (x0 % perByte == sx % perByte) {
        for (; x < x1 && x % perByte != 0; ++x, ++s) WriteRawPixel(dst, x, bpp, ReadRawPixel(src, s, bpp));
        int bytes = (x1 - x) / perByte;
        if (bytes > 0) {
            std::memcpy(dst + x / perByte, src + s / perByte, static_cast<std::size_t>(bytes));
            x += bytes * perByte;
            s += bytes * perByte;
        }
    }
    for (; x < x1; ++x, ++s) WriteRawPixel(dst, x, bpp, ReadRawPixel(src, s, bpp));
}

// The rows a transfer reads: the source bitmap's own, or, when a bitmap is
// drawn onto an area of itself that it reads from, a copy of the rows it
// reads, taken before any write.
class TSourceRows {
public:
    explicit TSourceRows(const TBitmap& bitmap) : FBitmap(bitmap) {}
    void Keep(int top, int bottom)
    {
        FTop = top;
        FStride = static_cast<std::size_t>(FBitmap.RowStride());
        FCopy = std::make_unique_for_overwrite<std::uint8_t[]>(FStride * static_cast<std::size_t>(bottom - top));
        for (int y = top; y < bottom; ++y)
            std::memcpy(FCopy.get() + FStride * static_cast<std::size_t>(y - top), FBitmap.ScanLine(y), FStride);
    }
    const std::uint8_t* Row(int y) const
    {
        return FCopy ? FCopy.get() + FStride * static_cast<std::size_t>(y - FTop) : FBitmap.ScanLine(y);
    }

private:
    const TBitmap& FBitmap;
    std::unique_ptr<std::uint8_t[]> FCopy;
    std::size_t FStride = 0;
    int FTop = 0;
};

} // namespace

void TransferBitmap(TPainter& painter, const TBitmap& source, const TRect& srcRect, double destLeft,
                    double destTop, double destWidth, double destHeight, std::uint32_t rop, TColor patternColor)
{
    if (!std::isfinite(destLeft) || !std::isfinite(destTop) || !std::isfinite(destWidth) ||
        !std::isfinite(destHeight))
        return;
    std::int64_t dx0 = RoundHalfUp(destLeft), dx1 = RoundHalfUp(destLeft + destWidth);
    std::int64_t dy0 = RoundHalfUp(destTop), dy1 = RoundHalfUp(destTop + destHeight);
    bool mirrorX = dx1 < dx0, mirrorY = dy1 < dy0;
    if (mirrorX) std::swap(dx0, dx1);
    if (mirrorY) std::swap(dy0, dy1);
    const std::int64_t dw = dx1 - dx0, dh = dy1 - dy0;
    if (dw == 0 || dh == 0) return;

    const TPixelCodec& dst = painter.Codec();
    const int dbpp = dst.BitsPerPixel();
    const TSourceOp op(rop, dst.Encode(patternColor), dst.ValueMask());
    const TRect dest{static_cast<std::int32_t>(dx0), static_cast<std::int32_t>(dy0), static_cast<std::int32_t>(dx1),
                     static_cast<std::int32_t>(dy1)};

    if (op.IgnoresSource()) {
        TBitOp fill = op.WithoutSource();
        painter.ForEachRun(dest, [&](int y, int x0, int x1) {
            ApplyToRun(painter.Bitmap().ScanLine(y), dbpp, x0, x1, fill);
        });
        return;
    }

    std::int64_t sl = srcRect.Left, sw = std::int64_t(srcRect.Right) - srcRect.Left;
    std::int64_t st = srcRect.Top, sh = std::int64_t(srcRect.Bottom) - srcRect.Top;
    if (sw < 0) {
        sl = srcRect.Right;
        sw = -sw;
        mirrorX = !mirrorX;
    }
    if (sh < 0) {
        st = srcRect.Bottom;
        sh = -sh;
        mirrorY = !mirrorY;
    }
    if (sw == 0 || sh == 0) return;

    const TBitmap* src = &source;
    TSourceRows rows(source);
    const bool overlapping = &source == &painter.Bitmap() && sl < dx1 && dx0 < sl + sw && st < dy1 && dy0 < st + sh;
    if (overlapping) {
        const std::int64_t top = std::clamp<std::int64_t>(st, 0, source.Height());
        const std::int64_t bottom = std::clamp<std::int64_t>(st + sh, 0, source.Height());
        if (top >= bottom) return;
        rows.Keep(static_cast<int>(top), static_cast<int>(bottom));
    }
    const TPixelCodec srcCodec(*src);
    const int sbpp = srcCodec.BitsPerPixel();
    const std::int64_t srcW = src->Width(), srcH = src->Height();
    const bool raw = srcCodec.SameValuesAs(dst);
    const bool copy = op.IsSourceCopy();

    // The destination columns that show a source pixel are one stretch
    // (the mapping is monotonic); column[] holds their source columns.
    const TRect area = IntersectRect(dest, painter.Area());
    if (RectEmpty(area)) return;
    std::vector<int> column(static_cast<std::size_t>(area.Width()));
    int validLeft = area.Right, validRight = area.Left;
    for (int x = area.Left; x < area.Right; ++x) {
        std::int64_t s = sl + SourceIndex(x - dx0, dw, sw, mirrorX);
        column[static_cast<std::size_t>(x - area.Left)] = static_cast<int>(std::clamp<std::int64_t>(s, -1, srcW));
        if (s >= 0 && s < srcW) {
            validLeft = std::min(validLeft, x);
            validRight = x + 1;
        }
    }
    if (validLeft >= validRight) return;
    const bool straight = !mirrorX && dw == sw; // column x reads x + (sl - dx0)

    std::optional<TRowDecoder> decoder;
    std::optional<TRowEncoder> encoder;
    // Palette destinations of a few pixels look colours up one by one
    // rather than build a matcher for their palette.
    const bool lookUp = !raw && dst.Indexed() && !dst.HasSharedMatcher() &&
                        std::int64_t(area.Width()) * area.Height() < (1 << 16);
    if (!raw) {
        decoder.emplace(srcCodec.Layout());
        if (!lookUp) encoder.emplace(dst.Layout(), dst.Indexed() ? &dst.Matcher() : nullptr);
    }
    std::vector<TPackedColor> colours(raw ? 0 : column.size());
    std::vector<std::uint8_t> scratch(raw ? 0 : (column.size() * static_cast<std::size_t>(dbpp) + 7) / 8 + 4);

    painter.ForEachRun(dest, [&](int y, int x0, int x1) {
        x0 = std::max(x0, validLeft);
        x1 = std::min(x1, validRight);
        if (x0 >= x1) return;
        std::int64_t sy = st + SourceIndex(y - dy0, dh, sh, mirrorY);
        if (sy < 0 || sy >= srcH) return;
        const std::uint8_t* srow = rows.Row(static_cast<int>(sy));
        std::uint8_t* drow = painter.Bitmap().ScanLine(y);
        const int* cols = column.data() + (x0 - area.Left);
        const int n = x1 - x0;

        if (raw) {
            if (copy && straight) {
                const int sx = cols[0];
                if (dbpp >= 8) {
                    const std::size_t bytes = static_cast<std::size_t>(dbpp / 8);
                    std::memcpy(drow + std::size_t(x0) * bytes, srow + std::size_t(sx) * bytes, std::size_t(n) * bytes);
                } else {
                    CopyPackedRun(drow, x0, x1, srow, sx, dbpp);
                }
                return;
            }
            for (int i = 0; i < n; ++i) {
                std::uint32_t s = ReadRawPixel(srow, cols[i], sbpp);
                std::uint32_t d = copy ? s : op(s, ReadRawPixel(drow, x0 + i, dbpp));
                WriteRawPixel(drow, x0 + i, dbpp, d);
            }
            return;
        }

        // Other codings: source colours, then the destination's values.
        decoder->Gather(srow, cols, n, colours.data());
        if (lookUp) {
            for (int i = 0; i < n; ++i) {
                std::uint32_t s = dst.EncodeCached(colours[static_cast<std::size_t>(i)]);
                std::uint32_t d = copy ? s : op(s, ReadRawPixel(drow, x0 + i, dbpp));
                WriteRawPixel(drow, x0 + i, dbpp, d);
            }
            return;
        }
        encoder->Encode(colours.data(), n, scratch.data());
        if (copy && dbpp >= 8) {
            const std::size_t bytes = static_cast<std::size_t>(dbpp / 8);
            std::memcpy(drow + std::size_t(x0) * bytes, scratch.data(), std::size_t(n) * bytes);
            return;
        }
        for (int i = 0; i < n; ++i) {
            std::uint32_t s = ReadRawPixel(scratch.data(), i, dbpp);
            std::uint32_t d = copy ? s : op(s, ReadRawPixel(drow, x0 + i, dbpp));
            WriteRawPixel(drow, x0 + i, dbpp, d);
        }
    });
}

} // namespace pictor::raster
