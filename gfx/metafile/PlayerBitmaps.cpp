// TPlayer: bitmap transfers with transparency, and pattern brushes reduced
// to their mean colour.
#include "gfx/metafile/Player.h"

#include <algorithm>

namespace pictor::mf {

TColor AverageColor(const TBitmap& bitmap)
{
    const int w = std::min(bitmap.Width(), 64), h = std::min(bitmap.Height(), 64);
    if (w <= 0 || h <= 0) return clBlack;
    std::uint64_t r = 0, g = 0, b = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            TColor c = bitmap.GetPixel(x, y);
            r += static_cast<std::uint64_t>(GetRValue(c));
            g += static_cast<std::uint64_t>(GetGValue(c));
            b += static_cast<std::uint64_t>(GetBValue(c));
        }
    const std::uint64_t n = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    return RGBColor(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

void TPlayer::MaskedBitmap(const TBitmap& bitmap, const TRect& src, double x, double y, double w, double h,
                           const std::function<bool(int, int)>& transparent)
{
    TRect inside = Rect(std::max(src.Left, 0), std::max(src.Top, 0), std::min(src.Right, bitmap.Width()),
                        std::min(src.Bottom, bitmap.Height()));
    if (inside.Width() <= 0 || inside.Height() <= 0 || src.Width() <= 0 || src.Height() <= 0) return;
    const int cw = inside.Width(), ch = inside.Height();
    // D' = (D and mask) or colours: the mask is white where the source is
    // transparent and black elsewhere; the colours are black where it is
    // transparent.
    TBitmap mask, colours;
    mask.SetLayout(24, std::nullopt, cw, ch);
    colours.SetLayout(24, std::nullopt, cw, ch);
    bool any = false;
    for (int row = 0; row < ch; ++row) {
        std::uint8_t* m = mask.ScanLine(row);
        std::uint8_t* c = colours.ScanLine(row);
        for (int col = 0; col < cw; ++col) {
            int sx = inside.Left + col, sy = inside.Top + row;
            bool clear = transparent(sx, sy);
            any = any || clear;
            TColor colour = clear ? clBlack : bitmap.GetPixel(sx, sy);
            std::uint8_t v = clear ? 0xFF : 0x00;
            m[3 * col] = m[3 * col + 1] = m[3 * col + 2] = v;
            c[3 * col] = static_cast<std::uint8_t>(GetBValue(colour));
            c[3 * col + 1] = static_cast<std::uint8_t>(GetGValue(colour));
            c[3 * col + 2] = static_cast<std::uint8_t>(GetRValue(colour));
        }
    }
    double sx = w / src.Width(), sy = h / src.Height();
    double x0 = x + (inside.Left - src.Left) * sx, y0 = y + (inside.Top - src.Top) * sy;
    const TRect all = Rect(0, 0, cw, ch);
    if (!any) {
        Bitmap(colours, all, x0, y0, cw * sx, ch * sy, 0x00CC0020);
        return;
    }
    Bitmap(mask, all, x0, y0, cw * sx, ch * sy, 0x008800C6);    // and
    Bitmap(colours, all, x0, y0, cw * sx, ch * sy, 0x00EE0086); // or
}

} // namespace pictor::mf
