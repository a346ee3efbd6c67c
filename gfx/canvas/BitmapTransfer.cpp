#include "gfx/canvas/BitmapTransfer.h"

#include "gfx/Bitmap.h"
#include "gfx/canvas/PixelLayout.h"
#include "gfx/canvas/RasterOp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace pictor::raster {

namespace {

constexpr double kFar = 1 << 30;

std::int64_t RoundHalfUp(double v)
{
    return static_cast<std::int64_t>(std::floor(std::clamp(v, -kFar, kFar) + 0.5));
}

// Source index of destination pixel i of n when n destination pixels show
// count source pixels: the source pixel under the destination pixel's
// centre, counted from the far end when mirrored.
std::int64_t SourceIndex(std::int64_t i, std::int64_t n, std::int64_t count, bool mirrored)
{
    if (mirrored) i = n - 1 - i;
    return ((2 * i + 1) * count) / (2 * n);
}

// Copies pixels [x0, x1) of a packed row from src starting at pixel sx,
// whole bytes where the bit positions line up.
void CopyPackedRun(std::uint8_t* dst, int x0, int x1, const std::uint8_t* src, int sx, int bpp)
{
    const int perByte = 8 / bpp;
    if (x0 % perByte == sx % perByte) {
        int x = x0, s = sx;
        for (; x < x1 && x % perByte != 0; ++x, ++s) StorePixel(dst, x, bpp, LoadPixel(src, s, bpp));
        int bytes = (x1 - x) / perByte;
        if (bytes > 0) {
            std::memcpy(dst + x / perByte, src + s / perByte, static_cast<std::size_t>(bytes));
            x += bytes * perByte;
            s += bytes * perByte;
        }
        for (; x < x1; ++x, ++s) StorePixel(dst, x, bpp, LoadPixel(src, s, bpp));
        return;
    }
    for (int x = x0, s = sx; x < x1; ++x, ++s) StorePixel(dst, x, bpp, LoadPixel(src, s, bpp));
}

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

    const TPixelLayout& dst = painter.Layout();
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

    // Drawing a bitmap onto itself reads from a snapshot: the first write
    // gives the destination its own copy of the pixels.
    std::optional<TBitmap> snapshot;
    const TBitmap* src = &source;
    if (&source == &painter.Bitmap()) {
        snapshot.emplace(source);
        src = &*snapshot;
    }
    const TPixelLayout srcLayout = TPixelLayout::Of(*src);
    const int sbpp = srcLayout.BitsPerPixel();
    const std::int64_t srcW = src->Width(), srcH = src->Height();
    const bool raw = srcLayout.SameValuesAs(dst);
    const bool plainCopy = raw && op.IsSourceCopy();

    // Source values already in the destination's terms, for indexed sources.
    std::vector<std::uint32_t> table;
    if (!raw && srcLayout.Indexed()) {
        table.resize(std::size_t(1) << sbpp);
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = dst.Encode(srcLayout.Decode(static_cast<std::uint32_t>(i)));
    }
    auto convert = [&](std::uint32_t v) -> std::uint32_t {
        if (raw) return v;
        if (!table.empty()) return table[v];
        return dst.Encode(srcLayout.Decode(v));
    };

    // Source column of every destination column the painter may touch.
    const TRect area = IntersectRect(dest, painter.Area());
    if (RectEmpty(area)) return;
    std::vector<std::int32_t> column(static_cast<std::size_t>(area.Width()));
    for (int x = area.Left; x < area.Right; ++x) {
        std::int64_t s = sl + SourceIndex(x - dx0, dw, sw, mirrorX);
        column[static_cast<std::size_t>(x - area.Left)] = (s >= 0 && s < srcW) ? static_cast<std::int32_t>(s) : -1;
    }
    // A one-to-one copy: destination column x reads source column x + shift.
    const bool straight = !mirrorX && dw == sw;
    const std::int64_t shift = sl - dx0;

    painter.ForEachRun(dest, [&](int y, int x0, int x1) {
        std::int64_t sy = st + SourceIndex(y - dy0, dh, sh, mirrorY);
        if (sy < 0 || sy >= srcH) return;
        const std::uint8_t* srow = src->ScanLine(static_cast<int>(sy));
        std::uint8_t* drow = painter.Bitmap().ScanLine(y);
        if (plainCopy && straight) {
            // Whole runs of raw values, clipped to the source's columns.
            int a = static_cast<int>(std::max<std::int64_t>(x0, -shift));
            int b = static_cast<int>(std::min<std::int64_t>(x1, srcW - shift));
            if (a >= b) return;
            int sa = static_cast<int>(a + shift);
            if (dbpp >= 8) {
                const int bytes = dbpp / 8;
                std::memcpy(drow + std::size_t(a) * bytes, srow + std::size_t(sa) * bytes,
                            std::size_t(b - a) * bytes);
            } else {
                CopyPackedRun(drow, a, b, srow, sa, dbpp);
            }
            return;
        }
        for (int x = x0; x < x1; ++x) {
            std::int32_t s = column[static_cast<std::size_t>(x - area.Left)];
            if (s < 0) continue;
            std::uint32_t sv = LoadPixel(srow, s, sbpp);
            std::uint32_t dv = plainCopy ? sv : op(convert(sv), LoadPixel(drow, x, dbpp));
            StorePixel(drow, x, dbpp, dv);
        }
    });
}

} // namespace pictor::raster
