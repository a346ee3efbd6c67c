// TPlayer: bitmap transfers with transparency; the objects that records
// describe (pens, hatches, fonts).
#include "gfx/metafile/Player.h"

#include "gfx/PixelRows.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pictor::mf {

TPenStyle PenStyleOfRecord(std::uint32_t style)
{
    switch (style & 0x0F) {
    case 1: return psDash;
    case 2: case 8: return psDot; // dotted, and every other pixel
    case 3: return psDashDot;
    case 4: return psDashDotDot;
    case 5: return psClear;
    default: return psSolid; // solid, inside frame, user styles
    }
}

TPenCap PenCapOfRecord(std::uint32_t style)
{
    switch (style & 0xF00) {
    case 0x100: return pcSquare;
    case 0x200: return pcFlat;
    default: return pcRound;
    }
}

TPenJoin PenJoinOfRecord(std::uint32_t style)
{
    switch (style & 0xF000) {
    case 0x1000: return pjBevel;
    case 0x2000: return pjMiter;
    default: return pjRound;
    }
}

TBrushStyle HatchOfRecord(std::uint32_t hatch)
{
    static const TBrushStyle styles[6] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    return hatch < 6 ? styles[hatch] : bsSolid;
}

TFontSpec ReadLogFont(const TByteReader& r, std::size_t at, bool enhanced)
{
    const std::size_t field = enhanced ? 4 : 2;
    auto value = [&](int i) {
        std::size_t o = at + field * static_cast<std::size_t>(i);
        return enhanced ? r.I32(o) : r.I16(o);
    };
    TFontSpec font;
    font.Height = value(0);
    font.Width = value(1);
    font.Escapement = value(2);
    font.Weight = value(4);
    const std::size_t flags = at + 5 * field;
    font.Italic = r.U8(flags) != 0;
    font.Underline = r.U8(flags + 1) != 0;
    font.StrikeOut = r.U8(flags + 2) != 0;
    font.CharSet = r.U8(flags + 3);
    const std::size_t face = flags + 8;
    std::size_t n = 0;
    if (enhanced) {
        while (n < 32 && r.Has(face + 2 * n, 2) && r.U16(face + 2 * n) != 0) ++n;
        font.Name = ToUtf8(DecodeUtf16(r, face, n));
    } else {
        while (n < 32 && r.Has(face + n, 1) && r.U8(face + n) != 0) ++n;
        font.Name = ToUtf8(DecodeAnsi(r, face, n, font.CharSet));
    }
    return font;
}

void ReadAdvances(const TByteReader& r, std::size_t at, std::size_t count, bool pdy, bool enhanced, TTextCall& call)
{
    const std::size_t field = enhanced ? 4 : 2;
    const std::size_t step = pdy ? 2 * field : field;
    if (!r.Has(at, count, step)) return;
    auto value = [&](std::size_t o) { return enhanced ? r.I32(o) : r.I16(o); };
    call.Dx.resize(count);
    for (std::size_t i = 0; i < count; ++i) call.Dx[i] = value(at + step * i);
    if (pdy) {
        call.Dy.resize(count);
        for (std::size_t i = 0; i < count; ++i) call.Dy[i] = value(at + step * i + field);
    }
}

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

void ClearUnusedBits(TBitmap& bitmap)
{
    if (bitmap.BitsPerPixel() != 32) return;
    const TColorMasks masks = EffectiveMasks(32, bitmap.Masks());
    const std::uint32_t keep = masks.Red | masks.Green | masks.Blue;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            for (int i = 0; i < 4; ++i) row[4 * x + i] &= static_cast<std::uint8_t>(keep >> (8 * i));
    }
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

void TPlayer::BlendBitmap(const TBitmap& bitmap, const TRect& src, double x, double y, double w, double h,
                          int constantAlpha, bool perPixel)
{
    const bool ownAlpha = perPixel && bitmap.BitsPerPixel() == 32;
    auto alphaOf = [&bitmap](int px, int py) { return std::as_const(bitmap).ScanLine(py)[4 * px + 3]; };
    TBitmap* target = FCanvas.TargetBitmap();
    if (constantAlpha == 0 || src.Width() <= 0 || src.Height() <= 0) return;
    if (!target || !FToCanvas.AxisAligned()) {
        if (!ownAlpha) {
            TBitmap opaque = bitmap;
            PrepareBitmap(opaque);
            Bitmap(opaque, src, x, y, w, h, 0x00CC0020);
            return;
        }
        MaskedBitmap(bitmap, src, x, y, w, h, [&](int px, int py) { return alphaOf(px, py) < 128; });
        return;
    }
    // The destination pixels, rounded as transfers round them; each samples
    // the source pixel under its centre.
    const TPointF a = P(x, y), b = P(x + w, y + h);
    for (double v : {a.X, a.Y, b.X, b.Y})
        if (!std::isfinite(v) || std::fabs(v) > kMaxCanvasCoordinate) return;
    auto round = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
    int x0 = round(a.X), x1 = round(b.X), y0 = round(a.Y), y1 = round(b.Y);
    const bool mirrorX = x1 < x0, mirrorY = y1 < y0;
    if (mirrorX) std::swap(x0, x1);
    if (mirrorY) std::swap(y0, y1);
    const int dw = x1 - x0, dh = y1 - y0;
    const TRect area = Rect(std::max({x0, 0, std::min(FDest.Left, FDest.Right)}),
                            std::max({y0, 0, std::min(FDest.Top, FDest.Bottom)}),
                            std::min({x1, target->Width(), std::max(FDest.Left, FDest.Right)}),
                            std::min({y1, target->Height(), std::max(FDest.Top, FDest.Bottom)}));
    if (dw <= 0 || dh <= 0 || area.Width() <= 0 || area.Height() <= 0) return;

    TBitmap out;
    out.SetLayout(24, std::nullopt, area.Width(), area.Height());
    for (int py = area.Top; py < area.Bottom; ++py) {
        const int iy = py - y0;
        const int sy = src.Top + NearestSample(mirrorY ? dh - 1 - iy : iy, dh, src.Height());
        std::uint8_t* row = out.ScanLine(py - area.Top);
        for (int px = area.Left; px < area.Right; ++px, row += 3) {
            const int ix = px - x0;
            const int sx = src.Left + NearestSample(mirrorX ? dw - 1 - ix : ix, dw, src.Width());
            const TColor under = target->GetPixel(px, py);
            TColor c = under;
            if (sx >= 0 && sy >= 0 && sx < bitmap.Width() && sy < bitmap.Height()) {
                // The source is premultiplied by its own alpha; the constant
                // alpha scales both.
                const TColor over = bitmap.GetPixel(sx, sy);
                const int keep = 255 * 255 - (ownAlpha ? alphaOf(sx, sy) : 255) * constantAlpha;
                auto mix = [&](int s, int d) {
                    return std::min(255, (s * constantAlpha * 255 + d * keep + 255 * 255 / 2) / (255 * 255));
                };
                c = RGBColor(mix(GetRValue(over), GetRValue(under)), mix(GetGValue(over), GetGValue(under)),
                             mix(GetBValue(over), GetBValue(under)));
            }
            row[0] = static_cast<std::uint8_t>(GetBValue(c));
            row[1] = static_cast<std::uint8_t>(GetGValue(c));
            row[2] = static_cast<std::uint8_t>(GetRValue(c));
        }
    }
    FCanvas.DrawBitmap(out, Rect(0, 0, area.Width(), area.Height()), area.Left, area.Top, area.Width(),
                       area.Height(), 0x00CC0020);
}

} // namespace pictor::mf
