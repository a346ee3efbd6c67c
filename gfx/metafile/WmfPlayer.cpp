// Playback of old-style metafile records. The picture's bounding box is the
// initial window and the destination rectangle the fixed viewport; records
// may set their own window. Every parameter is read through a bounds-checked
// view of its record.
#include "gfx/metafile/Playback.h"

#include "gfx/formats/ByteReader.h"
#include "gfx/formats/Dib.h"
#include "gfx/formats/MetafileFormats.h"
#include "gfx/metafile/Bitmap16.h"
#include "gfx/metafile/Player.h"
#include "gfx/metafile/Region.h"

#include <algorithm>

namespace pictor {

namespace {

using mf::TBrushSpec;
using mf::TFontSpec;
using mf::TPenSpec;
using mf::TPlayer;

// Objects a file may use beyond what its header declares (some writers
// declare too few).
constexpr std::size_t kMinObjectTable = 64;

constexpr std::uint32_t kSrcCopy = 0x00CC0020;

class TWmfPlayer {
public:
    explicit TWmfPlayer(TPlayer& p) : FPlayer(p) {}
    void Play(const TByteReader& r);

private:
    void Create(mf::TObject object)
    {
        if (auto index = FPlayer.FreeObjectIndex()) FPlayer.SetObject(*index, std::move(object));
    }
    TBitmap Dib(const TByteReader& r, std::size_t at, int usage)
    {
        if (usage > 1) throw TBadRecord{};
        if (!FPlayer.SpendBitmapPixels(DibPixelCount(r.From(at)))) throw TBadRecord{};
        const TPalette& palette = FPlayer.Dc().Palette ? *FPlayer.Dc().Palette : TPalette();
        TBitmap bitmap =
            DecodePackedDib(r.From(at), usage == 1 ? TDibColors::PaletteIndex : TDibColors::Rgb, palette);
        FPlayer.PrepareBitmap(bitmap);
        return bitmap;
    }
    // A device-dependent bitmap: its header at headerAt, its rows at bitsAt.
    TBitmap Bitmap16(const TByteReader& r, std::size_t headerAt, std::size_t bitsAt)
    {
        const mf::TBitmap16Header header = mf::ReadBitmap16Header(r, headerAt);
        if (!FPlayer.SpendBitmapPixels(std::int64_t(header.Width) * header.Height)) throw TBadRecord{};
        const TPalette& palette = FPlayer.Dc().Palette ? *FPlayer.Dc().Palette : TPalette();
        TBitmap bitmap = mf::DecodeBitmap16(r, header, bitsAt, palette);
        FPlayer.PrepareBitmap(bitmap);
        return bitmap;
    }
    // A bitmap transfer whose source rectangle counts from the bottom of
    // bottom-up DIBs when fromBottom.
    void Transfer(const TByteReader& r, std::size_t dibAt, int usage, int sx, int sy, int sw, int sh, double x,
                  double y, double w, double h, std::uint32_t rop, bool fromBottom)
    {
        TBitmap bitmap = Dib(r, dibAt, usage);
        int top = sy;
        if (fromBottom && r.U32(dibAt) != 12 && r.I32(dibAt + 8) > 0) top = bitmap.Height() - sy - sh;
        FPlayer.Bitmap(bitmap, Rect(sx, top, sx + sw, top + sh), x, y, w, h, rop);
    }
    // The same for a device-dependent bitmap, whose rows run top-down; its
    // black and white become the text and background colours.
    void DeviceTransfer(const TByteReader& r, std::size_t bitmapAt, int sx, int sy, int sw, int sh, double x,
                        double y, double w, double h, std::uint32_t rop)
    {
        TBitmap bitmap = Bitmap16(r, bitmapAt, bitmapAt + 10);
        if (bitmap.BitsPerPixel() == 1) bitmap.SetPalette(mf::MonoColours(FPlayer.Dc()));
        FPlayer.Bitmap(bitmap, Rect(sx, sy, sx + sw, sy + sh), x, y, w, h, rop);
    }
    // DIBCREATEPATTERNBRUSH: a DIB pattern, or with the plain pattern style
    // a bitmap made monochrome by the text and background colours; some
    // writers put a device-dependent bitmap there.
    mf::TBrushSpec PatternBrush(const TByteReader& r)
    {
        const bool plain = r.U16(6) == 3;
        if (plain && !mf::StartsDib(r, 10)) return mf::PatternBrush(Bitmap16(r, 10, 20), true);
        return mf::PatternBrush(Dib(r, 10, plain ? 0 : r.U16(8)), plain);
    }
    void Text(const TByteReader& r, bool extended);

    TPlayer& FPlayer;
};

void TWmfPlayer::Text(const TByteReader& r, bool extended)
{
    mf::TTextCall call;
    const int charSet = FPlayer.TextCharSet();
    if (!extended) {
        const std::size_t count = r.U16(6);
        const std::size_t after = 8 + ((count + 1) & ~std::size_t(1));
        call.Text = DecodeAnsi(r, 8, count, charSet);
        call.Y = r.I16(after);
        call.X = r.I16(after + 2);
        FPlayer.Text(call);
        return;
    }
    call.Y = r.I16(6);
    call.X = r.I16(8);
    const std::size_t count = r.U16(10);
    const int options = r.U16(12);
    std::size_t at = 14;
    if (options & (2 | 4)) {
        call.Rect = std::array<double, 4>{double(r.I16(14)), double(r.I16(16)), double(r.I16(18)), double(r.I16(20))};
        at += 8;
        const auto& rc = *call.Rect;
        if (rc[2] <= rc[0] || rc[3] <= rc[1]) call.Rect.reset();
    }
    call.Opaque = options & 2;
    call.Clipped = options & 4;
    call.Text = DecodeAnsi(r, at, count, charSet);
    const std::size_t dxAt = at + ((count + 1) & ~std::size_t(1));
    // One advance per byte (a double-byte character has two).
    mf::ReadAdvances(r, dxAt, count, options & 0x2000, false, call);
    FPlayer.Text(call);
}

void TWmfPlayer::Play(const TByteReader& r)
{
    const std::uint16_t function = r.U16(4);
    mf::TDcState& dc = FPlayer.Dc();
    auto i16 = [&r](std::size_t at) { return static_cast<double>(r.I16(at)); };
    switch (function) {
    // --- mapping and state
    case 0x0103: FPlayer.SetMapMode(r.U16(6)); break;
    case 0x020B: FPlayer.SetWindowOrg(i16(8), i16(6)); break;
    case 0x020C: FPlayer.SetWindowExt(i16(8), i16(6)); break;
    case 0x020F: FPlayer.SetWindowOrg(dc.WinOrgX + i16(8), dc.WinOrgY + i16(6)); break;
    case 0x0410: {
        const double yd = i16(6), yn = i16(8), xd = i16(10), xn = i16(12);
        if (xd != 0 && yd != 0) FPlayer.SetWindowExt(dc.WinExtX * xn / xd, dc.WinExtY * yn / yd);
        break;
    }
    case 0x001E: FPlayer.SaveDc(); break;
    case 0x0127: FPlayer.RestoreDc(r.I16(6)); break;
    case 0x0201: dc.BkColor = FPlayer.Resolve(r.U32(6)); break;
    case 0x0209: dc.TextColor = FPlayer.Resolve(r.U32(6)); break;
    case 0x0102: dc.BkOpaque = r.U16(6) == mf::bkOpaque; break;
    case 0x012E: dc.TextAlign = r.U16(6); break;
    case 0x0106: dc.Winding = r.U16(6) == mf::pfmWinding; break;
    case 0x0104: dc.Rop2 = r.U16(6); break;

    // --- objects
    case 0x02FA: {
        TPenSpec pen;
        const int style = r.U16(6);
        pen.Style = mf::PenStyleOfRecord(style);
        pen.Null = pen.Style == psClear;
        pen.Width = std::abs(r.I16(8));
        pen.Color = FPlayer.Resolve(r.U32(12));
        pen.Cap = mf::PenCapOfRecord(style);
        pen.Join = mf::PenJoinOfRecord(style);
        Create(pen);
        break;
    }
    case 0x02FC: {
        TBrushSpec brush;
        const int style = r.U16(6);
        brush.Null = style == 1;
        brush.Color = FPlayer.Resolve(r.U32(8));
        if (style == 2) brush.Style = mf::HatchOfRecord(r.U16(12));
        Create(brush);
        break;
    }
    case 0x0142:
    case 0x01F9: {
        // A pattern that cannot be read still makes a brush, grey, so later
        // objects keep their indexes.
        TBrushSpec brush{false, RGBColor(128, 128, 128), bsSolid};
        try {
            // CREATEPATTERNBRUSH: a bitmap header, reserved bytes, the rows.
            brush = function == 0x0142 ? PatternBrush(r) : mf::PatternBrush(Bitmap16(r, 6, 38), true);
        } catch (const TBadRecord&) {
        }
        Create(brush);
        break;
    }
    case 0x02FB: Create(mf::ReadLogFont(r, 6, false)); break;
    case 0x00F7: {
        const std::size_t count = r.U16(8);
        r.Need(10, count, 4);
        if (count > 256) {
            Create(mf::TPlaceholder{});
            break;
        }
        std::vector<TPaletteEntry> entries(count);
        for (std::size_t i = 0; i < count; ++i) entries[i] = {r.U8(10 + 4 * i), r.U8(11 + 4 * i), r.U8(12 + 4 * i), 0};
        Create(TPalette(std::move(entries)));
        break;
    }
    case 0x06FF: {
        // A region that cannot be read still takes its slot, so that the
        // indexes of later objects stay right.
        mf::TObject region = mf::TPlaceholder{};
        try {
            region = mf::ReadOldStyleRegion(r, 6);
        } catch (const TBadRecord&) {
        }
        Create(std::move(region));
        break;
    }
    case 0x06FE: case 0x02FD: Create(mf::TPlaceholder{}); break;
    case 0x012D: FPlayer.SelectObject(r.U16(6)); break;
    case 0x0234: FPlayer.SelectPalette(r.U16(6)); break;
    case 0x01F0: FPlayer.DeleteObject(r.U16(6)); break;

    // --- lines and shapes
    case 0x0214: FPlayer.MoveTo(i16(8), i16(6)); break;
    case 0x0213: FPlayer.LineTo(i16(8), i16(6)); break;
    case 0x0324:
    case 0x0325: {
        const std::size_t count = r.U16(6);
        r.Need(8, count, 4);
        std::vector<TPointF> points(count);
        for (std::size_t i = 0; i < count; ++i) points[i] = {i16(8 + 4 * i), i16(10 + 4 * i)};
        if (function == 0x0324) FPlayer.PolyPolygon({points});
        else FPlayer.Polyline(points);
        break;
    }
    case 0x0538: {
        const std::size_t polys = r.U16(6);
        r.Need(8, polys, 2);
        std::size_t at = 8 + 2 * polys;
        std::vector<std::vector<TPointF>> all(polys);
        for (std::size_t k = 0; k < polys; ++k) {
            const std::size_t n = r.U16(8 + 2 * k);
            r.Need(at, n, 4);
            all[k].resize(n);
            for (std::size_t i = 0; i < n; ++i) all[k][i] = {i16(at + 4 * i), i16(at + 4 * i + 2)};
            at += 4 * n;
        }
        FPlayer.PolyPolygon(all);
        break;
    }
    case 0x041B: FPlayer.Rectangle(i16(12), i16(10), i16(8), i16(6)); break;
    case 0x0418: FPlayer.Ellipse(i16(12), i16(10), i16(8), i16(6)); break;
    case 0x061C: FPlayer.RoundRect(i16(16), i16(14), i16(12), i16(10), i16(8), i16(6)); break;
    case 0x0817:
    case 0x081A:
    case 0x0830: {
        mf::TArcKind kind = function == 0x0817 ? mf::TArcKind::Arc : function == 0x081A ? mf::TArcKind::Pie
                                                                                        : mf::TArcKind::Chord;
        FPlayer.Arc(kind, i16(20), i16(18), i16(16), i16(14), i16(12), i16(10), i16(8), i16(6));
        break;
    }
    case 0x041F: FPlayer.SetPixel(i16(12), i16(10), FPlayer.Resolve(r.U32(6))); break;
    case 0x061D: FPlayer.PatBlt(i16(16), i16(14), i16(12), i16(10), r.U32(6)); break;

    // --- regions
    case 0x0228: // fill with a brush of the table
        if (const mf::TRegionSpec* region = FPlayer.RegionObject(r.U16(6)))
            if (auto brush = FPlayer.BrushObject(r.U16(8))) FPlayer.FillRects(region->Rects, *brush);
        break;
    case 0x012B: // paint with the current brush
        if (const mf::TRegionSpec* region = FPlayer.RegionObject(r.U16(6))) FPlayer.FillRects(region->Rects, dc.Brush);
        break;
    case 0x0429: // frame with a brush of the table
        if (const mf::TRegionSpec* region = FPlayer.RegionObject(r.U16(6)))
            if (auto brush = FPlayer.BrushObject(r.U16(8))) FPlayer.FrameRegion(*region, *brush, r.I16(12), r.I16(10));
        break;
    case 0x012A:
        if (const mf::TRegionSpec* region = FPlayer.RegionObject(r.U16(6))) FPlayer.InvertRegion(*region);
        break;

    // --- clipping
    case 0x012C: // the region replaces the clipping; an index of anything else is ignored
        if (const mf::TRegionSpec* region = FPlayer.RegionObject(r.U16(6))) FPlayer.SelectClipRegion(*region);
        break;
    case 0x0416: FPlayer.IntersectClipRect(i16(12), i16(10), i16(8), i16(6)); break;
    case 0x0415: FPlayer.ExcludeClipRect(i16(12), i16(10), i16(8), i16(6)); break;
    case 0x0220: FPlayer.OffsetClip(i16(8), i16(6)); break;

    // --- text
    case 0x0521: Text(r, false); break;
    case 0x0A32: Text(r, true); break;

    // --- bitmaps
    case 0x0940: // DIB bit-block transfer
        if (r.Size() == 12 * 2) FPlayer.PatBlt(i16(22), i16(20), i16(18), i16(16), r.U32(6));
        else Transfer(r, 22, 0, r.I16(12), r.I16(10), r.I16(16), r.I16(14), i16(20), i16(18), i16(16), i16(14),
                      r.U32(6), false);
        break;
    case 0x0B41: // DIB stretch
        if (r.Size() == 14 * 2) FPlayer.PatBlt(i16(26), i16(24), i16(22), i16(20), r.U32(6));
        else Transfer(r, 26, 0, r.I16(16), r.I16(14), r.I16(12), r.I16(10), i16(24), i16(22), i16(20), i16(18),
                      r.U32(6), false);
        break;
    case 0x0F43: // stretch DIB
        Transfer(r, 28, r.U16(10), r.I16(18), r.I16(16), r.I16(14), r.I16(12), i16(26), i16(24), i16(22), i16(20),
                 r.U32(6), true);
        break;
    case 0x0D33: // set DIB bits to the device
        Transfer(r, 24, r.U16(6), r.I16(14), r.I16(12), r.I16(18), r.I16(16), i16(22), i16(20), i16(18), i16(16),
                 kSrcCopy, true);
        break;
    case 0x0922: // bit-block transfer of a device-dependent bitmap
        if (r.Size() == 12 * 2) FPlayer.PatBlt(i16(22), i16(20), i16(18), i16(16), r.U32(6));
        else DeviceTransfer(r, 22, r.I16(12), r.I16(10), r.I16(16), r.I16(14), i16(20), i16(18), i16(16),
                            i16(14), r.U32(6));
        break;
    case 0x0B23: // stretch of a device-dependent bitmap
        if (r.Size() == 14 * 2) FPlayer.PatBlt(i16(26), i16(24), i16(22), i16(20), r.U32(6));
        else DeviceTransfer(r, 26, r.I16(16), r.I16(14), r.I16(12), r.I16(10), i16(24), i16(22), i16(20),
                            i16(18), r.U32(6));
        break;
    default: break;
    }
}

} // namespace

void PlayOldStyleMetafile(const TMetafile::TData& data, TCanvas& canvas, const TRect& dest)
{
    if (!data.Stream || data.Box.Width() <= 0 || data.Box.Height() <= 0) return;
    if (dest.Width() == 0 || dest.Height() == 0) return;
    const TByteReader stream(*data.Stream);
    const std::size_t objects = std::max<std::size_t>(stream.U16(10), kMinObjectTable);
    TPlayer player(canvas, dest, mf::TXform(), objects);
    mf::TDcState& dc = player.Dc();
    dc.MapMode = mf::mmAnisotropic;
    dc.VpOrgX = dest.Left;
    dc.VpOrgY = dest.Top;
    dc.VpExtX = dest.Width();
    dc.VpExtY = dest.Height();
    dc.WinOrgX = data.Box.Left;
    dc.WinOrgY = data.Box.Top;
    dc.WinExtX = data.Box.Width();
    dc.WinExtY = data.Box.Height();
    player.SetViewportFixed(true);
    player.MappingChanged();

    TWmfPlayer wmf(player);
    std::size_t at = kWmfHeaderSize;
    while (stream.Has(at, 6)) {
        const std::uint32_t words = stream.U32(at);
        const std::uint16_t function = stream.U16(at + 4);
        if (words < 3 || function == 0 || !stream.Has(at, words, 2)) break;
        try {
            wmf.Play(stream.Sub(at, std::uint64_t(words) * 2));
        } catch (const TBadRecord&) {
            // skipped
        }
        at += std::size_t(words) * 2;
    }
}

} // namespace pictor
