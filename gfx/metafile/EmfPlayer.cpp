// Playback of enhanced metafile records. Each record is read through a
// bounds-checked view: counts, offsets and sizes that point outside the
// record make it skip; object indexes beyond the table do nothing.
#include "gfx/metafile/Playback.h"

#include "gfx/Limits.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/formats/Dib.h"
#include "gfx/metafile/Player.h"

extern "C" {
#include <uemf.h>
}

#include <algorithm>
#include <cmath>
#include <utility>

namespace pictor {

namespace {

using mf::TBrushSpec;
using mf::TFontSpec;
using mf::TPenSpec;
using mf::TPlayer;

std::vector<TPointF> PointsL(const TByteReader& r, std::size_t offset, std::uint64_t count)
{
    r.Need(offset, count, 8);
    std::vector<TPointF> points(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = {static_cast<double>(r.I32(offset + 8 * i)), static_cast<double>(r.I32(offset + 8 * i + 4))};
    return points;
}

std::vector<TPointF> Points16(const TByteReader& r, std::size_t offset, std::uint64_t count)
{
    r.Need(offset, count, 4);
    std::vector<TPointF> points(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = {static_cast<double>(r.I16(offset + 4 * i)), static_cast<double>(r.I16(offset + 4 * i + 2))};
    return points;
}

// Polypolylines and polypolygons: counts, then all the points.
std::vector<std::vector<TPointF>> PolyPoly(const TByteReader& r, bool small)
{
    const std::uint32_t polys = r.U32(24);
    const std::uint32_t total = r.U32(28);
    r.Need(32, polys, 4);
    const std::size_t pointsAt = 32 + std::size_t(polys) * 4;
    std::vector<TPointF> all = small ? Points16(r, pointsAt, total) : PointsL(r, pointsAt, total);
    std::vector<std::vector<TPointF>> out;
    std::size_t used = 0;
    for (std::uint32_t i = 0; i < polys; ++i) {
        std::uint32_t n = r.U32(32 + 4 * std::size_t(i));
        if (n > all.size() - used) throw TBadRecord{};
        out.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(used),
                         all.begin() + static_cast<std::ptrdiff_t>(used + n));
        used += n;
    }
    return out;
}

std::array<double, 4> RectL(const TByteReader& r, std::size_t at)
{
    return {double(r.I32(at)), double(r.I32(at + 4)), double(r.I32(at + 8)), double(r.I32(at + 12))};
}

// A source rectangle from a record's 32-bit origin and size, refused when it
// leaves the range that bitmaps can have.
TRect SourceRect(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h)
{
    constexpr std::int64_t kRange = std::int64_t(1) << 30;
    for (std::int64_t v : {x, y, w, h, x + w, y + h})
        if (v < -kRange || v > kRange) throw TBadRecord{};
    return Rect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + w), static_cast<int>(y + h));
}

mf::TXform Xform(const TByteReader& r, std::size_t at)
{
    return {r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16), r.F32(at + 20)};
}

// The rectangles of a RGNDATA structure of size bytes at offset.
std::vector<std::array<double, 4>> Region(const TByteReader& r, std::size_t offset, std::uint32_t size)
{
    const TByteReader rgn = r.Sub(offset, size);
    const std::uint32_t headerSize = rgn.U32(0);
    const std::uint32_t count = rgn.U32(8);
    if (headerSize < 32 || count > kMaxRegionRects) throw TBadRecord{};
    rgn.Need(headerSize, count, 16);
    std::vector<std::array<double, 4>> rects(count);
    for (std::uint32_t i = 0; i < count; ++i) rects[i] = RectL(rgn, headerSize + 16 * std::size_t(i));
    return rects;
}

class TEmfPlayer {
public:
    TEmfPlayer(TPlayer& p) : FPlayer(p) {}
    void Play(const TByteReader& r);

private:
    // A record's bitmap, prepared for drawing unless keepAlpha.
    TBitmap Dib(const TByteReader& r, std::size_t offBmi, std::size_t offBits, std::uint32_t usage,
                bool keepAlpha = false);
    void Text(const TByteReader& r, bool wide);
    void SmallText(const TByteReader& r);
    void Gradient(const TByteReader& r);
    void Transfer(const TByteReader& r, std::uint32_t type);

    TPlayer& FPlayer;
};

TBitmap TEmfPlayer::Dib(const TByteReader& r, std::size_t offBmi, std::size_t offBits, std::uint32_t usage,
                        bool keepAlpha)
{
    const std::uint32_t bmi = r.U32(offBmi), cbBmi = r.U32(offBmi + 4);
    const std::uint32_t bits = r.U32(offBits), cbBits = r.U32(offBits + 4);
    if (usage > 1) throw TBadRecord{};
    const TByteReader info = r.Sub(bmi, cbBmi);
    if (!FPlayer.SpendBitmapPixels(DibPixelCount(info))) throw TBadRecord{};
    const TPalette& palette = FPlayer.Dc().Palette ? *FPlayer.Dc().Palette : TPalette();
    TBitmap bitmap = DecodeDib(info, r.Sub(bits, cbBits),
                               usage == 1 ? TDibColors::PaletteIndex : TDibColors::Rgb, palette);
    if (!keepAlpha) FPlayer.PrepareBitmap(bitmap);
    return bitmap;
}

void TEmfPlayer::Text(const TByteReader& r, bool wide)
{
    mf::TTextCall call;
    const std::size_t t = 36; // the EMRTEXT part
    call.X = r.I32(t);
    call.Y = r.I32(t + 4);
    const std::uint32_t count = r.U32(t + 8);
    const std::uint32_t offString = r.U32(t + 12);
    const std::uint32_t options = r.U32(t + 16);
    std::size_t offDxAt = t + 20;
    if (!(options & U_ETO_NO_RECT)) {
        call.Rect = RectL(r, t + 20);
        offDxAt += 16;
        const auto& rc = *call.Rect;
        if (rc[2] <= rc[0] || rc[3] <= rc[1]) call.Rect.reset();
    }
    call.Opaque = options & U_ETO_OPAQUE;
    call.Clipped = options & U_ETO_CLIPPED;
    call.Text = wide ? DecodeUtf16(r, offString, count) : DecodeAnsi(r, offString, count, FPlayer.TextCharSet());
    const std::uint32_t offDx = r.U32(offDxAt);
    if (offDx != 0) mf::ReadAdvances(r, offDx, count, options & U_ETO_PDY, true, call);
    FPlayer.Text(call);
}

void TEmfPlayer::SmallText(const TByteReader& r)
{
    mf::TTextCall call;
    call.X = r.I32(8);
    call.Y = r.I32(12);
    const std::uint32_t count = r.U32(16);
    const std::uint32_t options = r.U32(20);
    std::size_t at = 36;
    if (!(options & U_ETO_NO_RECT)) {
        call.Rect = RectL(r, at);
        at += 16;
    }
    call.Opaque = options & U_ETO_OPAQUE;
    call.Clipped = options & U_ETO_CLIPPED;
    call.Text = (options & U_ETO_SMALL_CHARS) ? DecodeAnsi(r, at, count, 0) : DecodeUtf16(r, at, count);
    FPlayer.Text(call);
}

void TEmfPlayer::Gradient(const TByteReader& r)
{
    const std::uint32_t nVer = r.U32(24), nTri = r.U32(28), mode = r.U32(32);
    r.Need(36, nVer, 16);
    const std::size_t objAt = 36 + std::size_t(nVer) * 16;
    struct TVertex {
        double X, Y;
        int R, G, B;
    };
    auto vertex = [&](std::uint32_t i) {
        if (i >= nVer) throw TBadRecord{};
        std::size_t at = 36 + std::size_t(i) * 16;
        return TVertex{double(r.I32(at)), double(r.I32(at + 4)), r.U16(at + 8) >> 8, r.U16(at + 10) >> 8,
                       r.U16(at + 12) >> 8};
    };
    if (mode == U_GRADIENT_FILL_RECT_H || mode == U_GRADIENT_FILL_RECT_V) {
        r.Need(objAt, nTri, 8);
        for (std::uint32_t k = 0; k < nTri; ++k) {
            TVertex a = vertex(r.U32(objAt + 8 * std::size_t(k))), b = vertex(r.U32(objAt + 8 * std::size_t(k) + 4));
            const bool horizontal = mode == U_GRADIENT_FILL_RECT_H;
            // Bands a canvas pixel wide, at most 256.
            TPointF ca = FPlayer.ToCanvas().Apply(a.X, a.Y), cb = FPlayer.ToCanvas().Apply(b.X, b.Y);
            double extent = horizontal ? std::fabs(cb.X - ca.X) : std::fabs(cb.Y - ca.Y);
            int bands = static_cast<int>(std::clamp(std::ceil(extent), 1.0, 256.0));
            for (int i = 0; i < bands; ++i) {
                double f0 = double(i) / bands, f1 = double(i + 1) / bands, f = (i + 0.5) / bands;
                TColor c = RGBColor(static_cast<int>(a.R + (b.R - a.R) * f), static_cast<int>(a.G + (b.G - a.G) * f),
                                    static_cast<int>(a.B + (b.B - a.B) * f));
                double l = horizontal ? a.X + (b.X - a.X) * f0 : a.X, rr = horizontal ? a.X + (b.X - a.X) * f1 : b.X;
                double t = horizontal ? a.Y : a.Y + (b.Y - a.Y) * f0, bb = horizontal ? b.Y : a.Y + (b.Y - a.Y) * f1;
                TPath band;
                TPointF q[4] = {FPlayer.ToCanvas().Apply(l, t), FPlayer.ToCanvas().Apply(rr, t), FPlayer.ToCanvas().Apply(rr, bb),
                                FPlayer.ToCanvas().Apply(l, bb)};
                band.AddPolygon(q, 4);
                FPlayer.FillSolidPath(band, c);
            }
        }
    } else if (mode == U_GRADIENT_FILL_TRIANGLE) {
        r.Need(objAt, nTri, 12);
        for (std::uint32_t k = 0; k < nTri; ++k) {
            TVertex v[3] = {vertex(r.U32(objAt + 12 * std::size_t(k))), vertex(r.U32(objAt + 12 * std::size_t(k) + 4)),
                            vertex(r.U32(objAt + 12 * std::size_t(k) + 8))};
            // Filled with the mean of its corners' colours.
            TColor c = RGBColor((v[0].R + v[1].R + v[2].R) / 3, (v[0].G + v[1].G + v[2].G) / 3,
                                (v[0].B + v[1].B + v[2].B) / 3);
            TPath tri;
            TPointF q[3] = {FPlayer.ToCanvas().Apply(v[0].X, v[0].Y), FPlayer.ToCanvas().Apply(v[1].X, v[1].Y),
                            FPlayer.ToCanvas().Apply(v[2].X, v[2].Y)};
            tri.AddPolygon(q, 3);
            FPlayer.FillSolidPath(tri, c);
        }
    }
}

void TEmfPlayer::Transfer(const TByteReader& r, std::uint32_t type)
{
    switch (type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT: {
        const double x = r.I32(24), y = r.I32(28), w = r.I32(32), h = r.I32(36);
        const std::uint32_t rop = r.U32(40);
        const std::uint32_t cbBmi = r.U32(88);
        if (cbBmi == 0) { // no source: a pattern fill
            FPlayer.PatBlt(x, y, w, h, rop);
            return;
        }
        std::int64_t sw = r.I32(32), sh = r.I32(36);
        if (type == U_EMR_STRETCHBLT) {
            sw = r.I32(100);
            sh = r.I32(104);
        }
        const TRect src = SourceRect(r.I32(44), r.I32(48), sw, sh);
        TBitmap bitmap = Dib(r, 84, 92, r.U32(80));
        FPlayer.Bitmap(bitmap, src, x, y, w, h, rop);
        return;
    }
    case U_EMR_STRETCHDIBITS: {
        const double x = r.I32(24), y = r.I32(28), w = r.I32(72), h = r.I32(76);
        const std::int64_t sx = r.I32(32), sy = r.I32(36), sw = r.I32(40), sh = r.I32(44);
        TBitmap bitmap = Dib(r, 48, 56, r.U32(64));
        // The source origin counts from the bottom of a bottom-up DIB.
        const std::int64_t top = r.I32(r.U32(48) + 8) > 0 ? bitmap.Height() - sy - sh : sy;
        FPlayer.Bitmap(bitmap, SourceRect(sx, top, sw, sh), x, y, w, h, r.U32(68));
        return;
    }
    case U_EMR_SETDIBITSTODEVICE: {
        const double x = r.I32(24), y = r.I32(28);
        const std::int64_t sx = r.I32(32), sy = r.I32(36), sw = r.I32(40), sh = r.I32(44);
        TBitmap bitmap = Dib(r, 48, 56, r.U32(64));
        const std::int64_t top = r.I32(r.U32(48) + 8) > 0 ? bitmap.Height() - sy - sh : sy;
        FPlayer.Bitmap(bitmap, SourceRect(sx, top, sw, sh), x, y, static_cast<double>(sw), static_cast<double>(sh),
                  0x00CC0020);
        return;
    }
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT: {
        const double x = r.I32(24), y = r.I32(28), w = r.I32(32), h = r.I32(36);
        const TRect src = SourceRect(r.I32(44), r.I32(48), r.I32(100), r.I32(104));
        TBitmap bitmap = Dib(r, 84, 92, r.U32(80), type == U_EMR_ALPHABLEND);
        if (type == U_EMR_TRANSPARENTBLT) {
            const TColor key = r.U32(40) & 0xFFFFFF;
            FPlayer.MaskedBitmap(bitmap, src, x, y, w, h, [&](int px, int py) { return bitmap.GetPixel(px, py) == key; });
            return;
        }
        const std::uint8_t constant = r.U8(42), format = r.U8(43);
        FPlayer.BlendBitmap(bitmap, src, x, y, w, h, constant, format & 1);
        return;
    }
    default: return;
    }
}

void TEmfPlayer::Play(const TByteReader& r)
{
    const std::uint32_t type = r.U32(0);
    mf::TDcState& dc = FPlayer.Dc();
    switch (type) {
    // --- mapping and state
    case U_EMR_SETMAPMODE: FPlayer.SetMapMode(static_cast<int>(r.U32(8))); break;
    case U_EMR_SETWINDOWEXTEX: FPlayer.SetWindowExt(r.I32(8), r.I32(12)); break;
    case U_EMR_SETWINDOWORGEX: FPlayer.SetWindowOrg(r.I32(8), r.I32(12)); break;
    case U_EMR_SETVIEWPORTEXTEX: FPlayer.SetViewportExt(r.I32(8), r.I32(12)); break;
    case U_EMR_SETVIEWPORTORGEX: FPlayer.SetViewportOrg(r.I32(8), r.I32(12)); break;
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: {
        const double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
        if (xd == 0 || yd == 0) break;
        if (type == U_EMR_SCALEWINDOWEXTEX) FPlayer.SetWindowExt(dc.WinExtX * xn / xd, dc.WinExtY * yn / yd);
        else FPlayer.SetViewportExt(dc.VpExtX * xn / xd, dc.VpExtY * yn / yd);
        break;
    }
    case U_EMR_SETWORLDTRANSFORM: FPlayer.SetWorld(Xform(r, 8)); break;
    case U_EMR_MODIFYWORLDTRANSFORM: FPlayer.ModifyWorld(Xform(r, 8), static_cast<int>(r.U32(32))); break;
    case U_EMR_SAVEDC: FPlayer.SaveDc(); break;
    case U_EMR_RESTOREDC: FPlayer.RestoreDc(r.I32(8)); break;
    case U_EMR_SETBKMODE: dc.BkOpaque = r.U32(8) == mf::bkOpaque; break;
    case U_EMR_SETBKCOLOR: dc.BkColor = FPlayer.Resolve(r.U32(8)); break;
    case U_EMR_SETTEXTCOLOR: dc.TextColor = FPlayer.Resolve(r.U32(8)); break;
    case U_EMR_SETTEXTALIGN: dc.TextAlign = r.U32(8); break;
    case U_EMR_SETPOLYFILLMODE: dc.Winding = r.U32(8) == mf::pfmWinding; break;
    case U_EMR_SETROP2: dc.Rop2 = static_cast<int>(r.U32(8)); break;
    case U_EMR_SETARCDIRECTION: dc.ArcClockwise = r.U32(8) == U_AD_CLOCKWISE; break;

    // --- objects
    case U_EMR_CREATEPEN: {
        TPenSpec pen;
        const std::uint32_t style = r.U32(12);
        pen.Style = mf::PenStyleOfRecord(style);
        pen.Null = pen.Style == psClear;
        pen.Width = std::fabs(static_cast<double>(r.I32(16)));
        pen.Color = FPlayer.Resolve(r.U32(24));
        FPlayer.SetObject(r.U32(8), pen);
        break;
    }
    case U_EMR_EXTCREATEPEN: {
        TPenSpec pen;
        const std::uint32_t style = r.U32(28);
        pen.Style = mf::PenStyleOfRecord(style);
        pen.Geometric = style & U_PS_GEOMETRIC;
        pen.Cosmetic = !pen.Geometric;
        pen.Width = r.U32(32);
        const std::uint32_t brushStyle = r.U32(36);
        pen.Null = pen.Style == psClear || brushStyle == U_BS_NULL;
        pen.Color = FPlayer.Resolve(r.U32(40));
        pen.Cap = mf::PenCapOfRecord(style);
        pen.Join = mf::PenJoinOfRecord(style);
        FPlayer.SetObject(r.U32(8), pen);
        break;
    }
    case U_EMR_CREATEBRUSHINDIRECT: {
        TBrushSpec brush;
        const std::uint32_t style = r.U32(12);
        brush.Null = style == U_BS_NULL;
        brush.Color = FPlayer.Resolve(r.U32(16));
        if (style == U_BS_HATCHED) brush.Style = mf::HatchOfRecord(r.U32(20));
        FPlayer.SetObject(r.U32(8), brush);
        break;
    }
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT: {
        // A monochrome brush takes the text and background colours; a DIB
        // pattern keeps its own.
        TBrushSpec brush{false, RGBColor(128, 128, 128), bsSolid};
        try {
            brush = mf::PatternBrush(Dib(r, 16, 24, r.U32(12)), type == U_EMR_CREATEMONOBRUSH);
        } catch (const TBadRecord&) {
        }
        FPlayer.SetObject(r.U32(8), brush);
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: FPlayer.SetObject(r.U32(8), mf::ReadLogFont(r, 12, true)); break;
    case U_EMR_CREATEPALETTE: {
        const std::uint32_t count = r.U16(14);
        r.Need(16, count, 4);
        if (count > 256) break;
        std::vector<TPaletteEntry> entries(count);
        for (std::uint32_t i = 0; i < count; ++i)
            entries[i] = {r.U8(16 + 4 * i), r.U8(17 + 4 * i), r.U8(18 + 4 * i), 0};
        FPlayer.SetObject(r.U32(8), TPalette(std::move(entries)));
        break;
    }
    case U_EMR_SELECTOBJECT: {
        const std::uint32_t index = r.U32(8);
        if (index & 0x80000000u) FPlayer.SelectStockObject(index & 0x7FFFFFFFu);
        else FPlayer.SelectObject(index);
        break;
    }
    case U_EMR_SELECTPALETTE: {
        const std::uint32_t index = r.U32(8);
        if (index & 0x80000000u) FPlayer.SelectStockObject(index & 0x7FFFFFFFu);
        else FPlayer.SelectPalette(index);
        break;
    }
    case U_EMR_DELETEOBJECT: FPlayer.DeleteObject(r.U32(8)); break;

    // --- lines and shapes
    case U_EMR_MOVETOEX: FPlayer.MoveTo(r.I32(8), r.I32(12)); break;
    case U_EMR_LINETO: FPlayer.LineTo(r.I32(8), r.I32(12)); break;
    case U_EMR_POLYLINE: FPlayer.Polyline(PointsL(r, 28, r.U32(24))); break;
    case U_EMR_POLYLINE16: FPlayer.Polyline(Points16(r, 28, r.U32(24))); break;
    case U_EMR_POLYLINETO: FPlayer.PolylineTo(PointsL(r, 28, r.U32(24))); break;
    case U_EMR_POLYLINETO16: FPlayer.PolylineTo(Points16(r, 28, r.U32(24))); break;
    case U_EMR_POLYGON: FPlayer.PolyPolygon({PointsL(r, 28, r.U32(24))}); break;
    case U_EMR_POLYGON16: FPlayer.PolyPolygon({Points16(r, 28, r.U32(24))}); break;
    case U_EMR_POLYBEZIER: FPlayer.PolyBezier(PointsL(r, 28, r.U32(24))); break;
    case U_EMR_POLYBEZIER16: FPlayer.PolyBezier(Points16(r, 28, r.U32(24))); break;
    case U_EMR_POLYBEZIERTO: FPlayer.PolyBezierTo(PointsL(r, 28, r.U32(24))); break;
    case U_EMR_POLYBEZIERTO16: FPlayer.PolyBezierTo(Points16(r, 28, r.U32(24))); break;
    case U_EMR_POLYPOLYLINE: FPlayer.PolyPolyline(PolyPoly(r, false)); break;
    case U_EMR_POLYPOLYLINE16: FPlayer.PolyPolyline(PolyPoly(r, true)); break;
    case U_EMR_POLYPOLYGON: FPlayer.PolyPolygon(PolyPoly(r, false)); break;
    case U_EMR_POLYPOLYGON16: FPlayer.PolyPolygon(PolyPoly(r, true)); break;
    case U_EMR_POLYDRAW:
    case U_EMR_POLYDRAW16: {
        const std::uint32_t count = r.U32(24);
        const bool small = type == U_EMR_POLYDRAW16;
        std::vector<TPointF> points = small ? Points16(r, 28, count) : PointsL(r, 28, count);
        const std::size_t typesAt = 28 + std::size_t(count) * (small ? 4 : 8);
        r.Need(typesAt, count);
        std::vector<std::uint8_t> types(r.Data() + typesAt, r.Data() + typesAt + count);
        FPlayer.PolyDraw(points, types);
        break;
    }
    case U_EMR_RECTANGLE: {
        auto b = RectL(r, 8);
        FPlayer.Rectangle(b[0], b[1], b[2], b[3]);
        break;
    }
    case U_EMR_ROUNDRECT: {
        auto b = RectL(r, 8);
        FPlayer.RoundRect(b[0], b[1], b[2], b[3], r.I32(24), r.I32(28));
        break;
    }
    case U_EMR_ELLIPSE: {
        auto b = RectL(r, 8);
        FPlayer.Ellipse(b[0], b[1], b[2], b[3]);
        break;
    }
    case U_EMR_ARC:
    case U_EMR_ARCTO:
    case U_EMR_CHORD:
    case U_EMR_PIE: {
        auto b = RectL(r, 8);
        mf::TArcKind kind = type == U_EMR_ARC     ? mf::TArcKind::Arc
                            : type == U_EMR_ARCTO ? mf::TArcKind::ArcTo
                            : type == U_EMR_CHORD ? mf::TArcKind::Chord
                                                  : mf::TArcKind::Pie;
        FPlayer.Arc(kind, b[0], b[1], b[2], b[3], r.I32(24), r.I32(28), r.I32(32), r.I32(36));
        break;
    }
    case U_EMR_ANGLEARC: FPlayer.AngleArc(r.I32(8), r.I32(12), r.U32(16), r.F32(20), r.F32(24)); break;
    case U_EMR_SETPIXELV: FPlayer.SetPixel(r.I32(8), r.I32(12), FPlayer.Resolve(r.U32(16))); break;

    // --- regions
    case U_EMR_FILLRGN:
    case U_EMR_PAINTRGN: {
        std::optional<TBrushSpec> brush = dc.Brush;
        std::size_t at = 28;
        if (type == U_EMR_FILLRGN) {
            brush = FPlayer.BrushObject(r.U32(28));
            at = 32;
        }
        if (brush) FPlayer.FillRects(Region(r, at, r.U32(24)), *brush);
        break;
    }
    case U_EMR_FRAMERGN:
        if (auto brush = FPlayer.BrushObject(r.U32(28)))
            FPlayer.FrameRegion(mf::TRegionSpec{Region(r, 40, r.U32(24))}, *brush, r.I32(32), r.I32(36));
        break;
    case U_EMR_INVERTRGN: FPlayer.InvertRegion(mf::TRegionSpec{Region(r, 28, r.U32(24))}); break;
    case U_EMR_EXTSELECTCLIPRGN: {
        const std::uint32_t size = r.U32(8);
        const int mode = static_cast<int>(r.U32(12));
        FPlayer.SelectClipRegion(size == 0 ? std::vector<std::array<double, 4>>() : Region(r, 16, size), mode);
        break;
    }
    case U_EMR_INTERSECTCLIPRECT: {
        auto b = RectL(r, 8);
        FPlayer.IntersectClipRect(b[0], b[1], b[2], b[3]);
        break;
    }
    case U_EMR_EXCLUDECLIPRECT: {
        auto b = RectL(r, 8);
        FPlayer.ExcludeClipRect(b[0], b[1], b[2], b[3]);
        break;
    }
    case U_EMR_OFFSETCLIPRGN: FPlayer.OffsetClip(r.I32(8), r.I32(12)); break;

    // --- paths
    case U_EMR_BEGINPATH: FPlayer.BeginPath(); break;
    case U_EMR_ENDPATH: FPlayer.EndPath(); break;
    case U_EMR_ABORTPATH: FPlayer.AbortPath(); break;
    case U_EMR_CLOSEFIGURE: FPlayer.CloseFigure(); break;
    case U_EMR_FILLPATH: FPlayer.FillPath(); break;
    case U_EMR_STROKEPATH: FPlayer.StrokePath(); break;
    case U_EMR_STROKEANDFILLPATH: FPlayer.StrokeAndFillPath(); break;
    case U_EMR_SELECTCLIPPATH: FPlayer.SelectClipPath(static_cast<int>(r.U32(8))); break;

    // --- text and bitmaps
    case U_EMR_EXTTEXTOUTW: Text(r, true); break;
    case U_EMR_EXTTEXTOUTA: Text(r, false); break;
    case U_EMR_SMALLTEXTOUT: SmallText(r); break;
    case U_EMR_GRADIENTFILL: Gradient(r); break;
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT: Transfer(r, type); break;

    default: break; // everything else, enhanced-plus comments included, is skipped
    }
}

} // namespace

void PlayEnhancedMetafile(const TMetafile::TData& data, TCanvas& canvas, const TRect& dest)
{
    if (!data.Stream || data.MMWidth <= 0 || data.MMHeight <= 0) return;
    if (dest.Width() == 0 || dest.Height() == 0) return;
    const TByteReader stream(*data.Stream);
    const TReferenceDevice& device = data.Device;
    // The frame in device pixels; its size is rounded as Width and Height
    // report it, so that a picture recorded at a size plays back at exactly
    // that size.
    const double pxPerHmmX = device.PixelsX / (device.MillimetersX * 100.0);
    const double pxPerHmmY = device.PixelsY / (device.MillimetersY * 100.0);
    double frameW = device.PixelsFromHundredthMMX(data.MMWidth);
    double frameH = device.PixelsFromHundredthMMY(data.MMHeight);
    if (frameW <= 0) frameW = data.MMWidth * pxPerHmmX;
    if (frameH <= 0) frameH = data.MMHeight * pxPerHmmY;
    const double sx = dest.Width() / frameW, sy = dest.Height() / frameH;
    const mf::TXform deviceToCanvas{sx, 0, 0, sy, dest.Left - data.FrameLeft * pxPerHmmX * sx,
                                    dest.Top - data.FrameTop * pxPerHmmY * sy};

    const std::size_t handles = std::max<std::size_t>(stream.U16(56), 1);
    TPlayer player(canvas, dest, deviceToCanvas, handles);
    player.SetDeviceResolution(device.PixelsX / double(device.MillimetersX),
                               device.PixelsY / double(device.MillimetersY));
    TEmfPlayer emf(player);
    std::size_t at = stream.U32(4);
    while (stream.Has(at, 8)) {
        const std::uint32_t type = stream.U32(at);
        const std::uint32_t size = stream.U32(at + 4);
        if (size < 8 || !stream.Has(at, size) || type == U_EMR_EOF) break;
        try {
            emf.Play(stream.Sub(at, size));
        } catch (const TBadRecord&) {
            // skipped
        }
        at += size;
    }
}

} // namespace pictor
