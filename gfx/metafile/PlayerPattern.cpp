// TPlayer: pattern brushes. A pattern brush fills with its bitmap tiled from
// the canvas's top-left corner, one pattern pixel to a canvas pixel (the
// device's pixels, whatever the mapping), as hatches are aligned. The fill is
// the figure made the clipping and the tiled pattern transferred over its
// bounds in bands of rows, so the transfer's raster operations and the
// bitmap's own format do the rest.
#include "gfx/metafile/Player.h"

#include "gfx/PixelRows.h"
#include "gfx/canvas/PathGeometry.h"
#include "gfx/canvas/Spans.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace pictor::mf {

namespace {

// Bytes of one band of the tiled pattern.
constexpr std::int64_t kBandBytes = std::int64_t(1) << 22;

// The pixels a path's points reach, as a rectangle of whole pixels.
TRect PathPixels(const TPath& path)
{
    raster::TBox box;
    if (!raster::PathBounds(path, box)) return TRect{};
    // Callers bound the coordinates (Reasonable), so they fit an int.
    return Rect(static_cast<int>(std::floor(box.Left)), static_cast<int>(std::floor(box.Top)),
                static_cast<int>(std::ceil(box.Right)), static_cast<int>(std::ceil(box.Bottom)));
}

TPaletteEntry EntryOf(TColor color)
{
    return {static_cast<std::uint8_t>(GetRValue(color)), static_cast<std::uint8_t>(GetGValue(color)),
            static_cast<std::uint8_t>(GetBValue(color)), 0};
}

} // namespace

std::uint32_t PatternAsSource(std::uint32_t rop)
{
    // Truth-table bit p * 4 + s * 2 + d; the new table reads the old one
    // with the source bit in the pattern's place.
    const std::uint32_t t = (rop >> 16) & 0xFF;
    std::uint32_t out = 0;
    for (int p = 0; p < 2; ++p)
        for (int s = 0; s < 2; ++s)
            for (int d = 0; d < 2; ++d)
                if ((t >> (s * 4 + s * 2 + d)) & 1u) out |= 1u << (p * 4 + s * 2 + d);
    return out << 16;
}

std::uint32_t PatternRopOfRop2(int rop2)
{
    // A binary code less one is the truth table over pen bit * 2 +
    // destination bit; the tiles take the pen's place.
    const std::uint32_t table = static_cast<std::uint32_t>((rop2 >= 1 && rop2 <= 16 ? rop2 : 13) - 1);
    std::uint32_t out = 0;
    for (int p = 0; p < 2; ++p)
        for (int s = 0; s < 2; ++s)
            for (int d = 0; d < 2; ++d)
                if ((table >> (s * 2 + d)) & 1u) out |= 1u << (p * 4 + s * 2 + d);
    return out << 16;
}

TPalette MonoColours(const TDcState& dc)
{
    return TPalette({EntryOf(dc.TextColor), EntryOf(dc.BkColor)});
}

TBrushSpec PatternBrush(TBitmap pattern, bool mono)
{
    TBrushSpec brush;
    brush.Color = AverageColor(pattern);
    brush.Mono = mono && pattern.BitsPerPixel() == 1;
    brush.Pattern = std::make_shared<const TBitmap>(std::move(pattern));
    return brush;
}

bool TPlayer::FillWithPattern(const TPath& path, const TBrushSpec& brush, TFillRule rule, std::uint32_t rop)
{
    if (!brush.Pattern || !FCanvas.TargetBitmap()) return false;
    TBitmap pattern = *brush.Pattern; // shares the pixels
    const int pw = pattern.Width(), ph = pattern.Height();
    if (pw <= 0 || ph <= 0) return false;
    if (brush.Mono) pattern.SetPalette(MonoColours(FDc));

    const TRect canvas = Rect(0, 0, FCanvas.Width(), FCanvas.Height());
    const TRect dest = Rect(std::min(FDest.Left, FDest.Right), std::min(FDest.Top, FDest.Bottom),
                            std::max(FDest.Left, FDest.Right), std::max(FDest.Top, FDest.Bottom));
    const TRect area = raster::IntersectRect(raster::IntersectRect(PathPixels(path), canvas), dest);
    if (raster::RectEmpty(area)) return true;

    const int bpp = pattern.BitsPerPixel();
    const std::int64_t stride = (std::int64_t(area.Width()) * bpp + 31) / 32 * 4;
    const int bandRows = static_cast<int>(std::clamp<std::int64_t>(kBandBytes / stride, 1, area.Height()));
    TClipGuard clip(FCanvas, path, rule);
    TBitmap band;
    for (int top = area.Top; top < area.Bottom; top += bandRows) {
        const int rows = std::min(bandRows, area.Bottom - top);
        band.SetLayout(bpp, pattern.Masks(), area.Width(), rows);
        if (bpp <= 8) band.SetPalette(pattern.PaletteRef());
        for (int i = 0; i < rows; ++i) {
            std::uint8_t* to = band.ScanLine(i);
            // Rows a pattern's height apart are alike: each is tiled once.
            if (i >= ph) {
                std::memcpy(to, band.ScanLine(i - ph), static_cast<std::size_t>(band.RowStride()));
                continue;
            }
            const std::uint8_t* from = std::as_const(pattern).ScanLine((top + i) % ph);
            for (int x = area.Left; x < area.Right; ++x)
                WriteRawPixel(to, x - area.Left, bpp, ReadRawPixel(from, x % pw, bpp));
        }
        FCanvas.DrawBitmap(band, Rect(0, 0, area.Width(), rows), area.Left, top, area.Width(), rows, rop);
    }
    return true;
}

} // namespace pictor::mf
