// TEmfRecorder: enhanced metafile records built with libuemf.
#include "gfx/formats/EmfWriter.h"

#include "gfx/formats/ByteWriter.h"
#include "gfx/formats/Dib.h"
#include "gfx/formats/MetafileFormats.h"
#include "gfx/metafile/TextCodec.h"

extern "C" {
#include <uemf.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pictor {

namespace {

U_COLORREF Ref(TColor c)
{
    return colorref3_set(static_cast<std::uint8_t>(GetRValue(c)), static_cast<std::uint8_t>(GetGValue(c)),
                         static_cast<std::uint8_t>(GetBValue(c)));
}

const U_RECTL kNoBounds{0, 0, -1, -1};



// A toolkit coordinate in logical units.
std::int32_t L(int v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t(v) * TEmfRecorder::kUnitsPerPixel,
                                                              INT32_MIN, INT32_MAX));
}

bool Fits16(const std::vector<U_POINTL>& points)
{
    return std::all_of(points.begin(), points.end(), [](const U_POINTL& p) {
        return p.x >= INT16_MIN && p.x <= INT16_MAX && p.y >= INT16_MIN && p.y <= INT16_MAX;
    });
}

std::vector<U_POINT16> To16(const std::vector<U_POINTL>& points)
{
    std::vector<U_POINT16> out(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        out[i] = point16_set(static_cast<std::int16_t>(points[i].x), static_cast<std::int16_t>(points[i].y));
    return out;
}

} // namespace

TEmfRecorder::TEmfRecorder(int width, int height) : TRecordingCanvas(width, height, kUnitsPerPixel, 1)
{
    Append(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    Append(U_EMRSETWINDOWEXTEX_set(sizel_set(kUnitsPerPixel, kUnitsPerPixel)));
    Append(U_EMRSETVIEWPORTEXTEX_set(sizel_set(1, 1)));
}

void TEmfRecorder::Append(char* record)
{
    if (!record) throw std::bad_alloc();
    std::uint32_t size;
    std::memcpy(&size, record + 4, 4);
    FRecords.insert(FRecords.end(), reinterpret_cast<std::uint8_t*>(record),
                    reinterpret_cast<std::uint8_t*>(record) + size);
    std::free(record);
    ++FCount;
}

// --- objects and settings ----------------------------------------------------------------

void TEmfRecorder::EmitCreate(int slot, const mf::TObjectKey& key)
{
    FMaxSlot = std::max(FMaxSlot, slot);
    const std::uint32_t ih = static_cast<std::uint32_t>(slot);
    if (auto* pen = std::get_if<mf::TPenKey>(&key)) {
        if (pen->Null || !pen->Geometric) {
            U_POINT width{pen->Null ? 0 : pen->Width, 0};
            Append(U_EMRCREATEPEN_set(ih, logpen_set(pen->Null ? U_PS_NULL : mf::RecordPenStyle(pen->Style), width,
                                                     Ref(pen->Color))));
            return;
        }
        std::uint32_t style = U_PS_GEOMETRIC | mf::RecordPenStyle(pen->Style) | mf::RecordPenEnds(pen->Cap, pen->Join);
        if (pen->Width == 0) style = U_PS_COSMETIC | mf::RecordPenStyle(pen->Style);
        PU_EXTLOGPEN elp = extlogpen_set(style, static_cast<std::uint32_t>(std::max(pen->Width, 1)), U_BS_SOLID,
                                         Ref(pen->Color), 0, 0, nullptr);
        char* record = U_EMREXTCREATEPEN_set(ih, nullptr, 0, nullptr, elp);
        std::free(elp);
        Append(record);
    } else if (auto* brush = std::get_if<mf::TBrushKey>(&key)) {
        std::uint32_t style = brush->Null ? U_BS_NULL : brush->Style == bsSolid ? U_BS_SOLID : U_BS_HATCHED;
        Append(U_EMRCREATEBRUSHINDIRECT_set(
            ih, logbrush_set(style, Ref(brush->Color), mf::RecordHatch(brush->Style))));
    } else if (auto* font = std::get_if<mf::TFontKey>(&key)) {
        std::u16string face = Utf8ToUtf16(font->Name);
        std::uint16_t name[U_LF_FACESIZE] = {};
        for (std::size_t i = 0; i < face.size() && i + 1 < U_LF_FACESIZE; ++i) name[i] = face[i];
        U_LOGFONT lf = logfont_set(font->Height, font->Width, font->Escapement, font->Escapement, font->Bold ? 700 : 400,
                                   font->Italic, font->Underline, font->StrikeOut,
                                   static_cast<std::uint8_t>(font->CharSet), 0, 0, 0, 0, name);
        Append(U_EMREXTCREATEFONTINDIRECTW_set(ih, reinterpret_cast<const char*>(&lf), nullptr));
    }
}

void TEmfRecorder::EmitSelect(int slot) { Append(U_EMRSELECTOBJECT_set(static_cast<std::uint32_t>(slot))); }
void TEmfRecorder::EmitDelete(int slot) { Append(U_EMRDELETEOBJECT_set(static_cast<std::uint32_t>(slot))); }
void TEmfRecorder::EmitTextColor(TColor color) { Append(U_EMRSETTEXTCOLOR_set(Ref(color))); }
void TEmfRecorder::EmitBkColor(TColor color) { Append(U_EMRSETBKCOLOR_set(Ref(color))); }
void TEmfRecorder::EmitBkOpaque(bool opaque) { Append(U_EMRSETBKMODE_set(opaque ? U_OPAQUE : U_TRANSPARENT)); }
void TEmfRecorder::EmitRop2(int rop2) { Append(U_EMRSETROP2_set(static_cast<std::uint32_t>(rop2))); }
void TEmfRecorder::EmitWinding(bool winding) { Append(U_EMRSETPOLYFILLMODE_set(winding ? U_WINDING : U_ALTERNATE)); }
void TEmfRecorder::EmitTextAlign(std::uint32_t align) { Append(U_EMRSETTEXTALIGN_set(align)); }
void TEmfRecorder::EmitSaveDc() { Append(U_EMRSAVEDC_set()); }
void TEmfRecorder::EmitRestoreDc() { Append(U_EMRRESTOREDC_set(-1)); }

// --- figures -----------------------------------------------------------------------------

bool TEmfRecorder::AppendPolys(const TPath& path, bool fill)
{
    std::vector<std::vector<U_POINTL>> figures;
    std::vector<bool> closed;
    for (const auto& e : path.Elements()) {
        switch (e.kind) {
        case TPath::pkBezier: return false;
        case TPath::pkMove:
            figures.emplace_back();
            closed.push_back(false);
            [[fallthrough]];
        case TPath::pkLine: {
            if (figures.empty()) return false;
            auto p = Logical(e.p[0]);
            figures.back().push_back(point32_set(p[0], p[1]));
            break;
        }
        case TPath::pkClose:
            if (!closed.empty()) closed.back() = true;
            break;
        }
    }
    if (figures.empty()) return true;
    std::vector<U_POINTL> all;
    std::vector<std::uint32_t> counts;
    for (std::size_t i = 0; i < figures.size(); ++i) {
        auto& f = figures[i];
        if (!fill && closed[i] && !f.empty()) f.push_back(f.front()); // a stroked outline comes back to its start
        all.insert(all.end(), f.begin(), f.end());
        counts.push_back(static_cast<std::uint32_t>(f.size()));
    }
    const bool small = Fits16(all);
    const std::uint32_t n = static_cast<std::uint32_t>(all.size());
    if (figures.size() == 1) {
        if (fill) {
            if (small) Append(U_EMRPOLYGON16_set(kNoBounds, n, To16(all).data()));
            else Append(U_EMRPOLYGON_set(kNoBounds, n, all.data()));
        } else {
            if (small) Append(U_EMRPOLYLINE16_set(kNoBounds, n, To16(all).data()));
            else Append(U_EMRPOLYLINE_set(kNoBounds, n, all.data()));
        }
        return true;
    }
    const std::uint32_t polys = static_cast<std::uint32_t>(counts.size());
    if (fill) {
        if (small) Append(U_EMRPOLYPOLYGON16_set(kNoBounds, polys, counts.data(), n, To16(all).data()));
        else Append(U_EMRPOLYPOLYGON_set(kNoBounds, polys, counts.data(), n, all.data()));
    } else {
        if (small) Append(U_EMRPOLYPOLYLINE16_set(kNoBounds, polys, counts.data(), n, To16(all).data()));
        else Append(U_EMRPOLYPOLYLINE_set(kNoBounds, polys, counts.data(), n, all.data()));
    }
    return true;
}

void TEmfRecorder::AppendPath(const TPath& path)
{
    Append(U_EMRBEGINPATH_set());
    const auto& e = path.Elements();
    for (std::size_t i = 0; i < e.size();) {
        if (e[i].kind == TPath::pkMove) {
            auto p = Logical(e[i].p[0]);
            Append(U_EMRMOVETOEX_set(point32_set(p[0], p[1])));
            ++i;
        } else if (e[i].kind == TPath::pkClose) {
            Append(U_EMRCLOSEFIGURE_set());
            ++i;
        } else {
            const TPath::Kind kind = e[i].kind;
            std::vector<U_POINTL> pts;
            for (; i < e.size() && e[i].kind == kind; ++i)
                for (int k = 0; k < (kind == TPath::pkBezier ? 3 : 1); ++k) {
                    auto p = Logical(e[i].p[k]);
                    pts.push_back(point32_set(p[0], p[1]));
                }
            const std::uint32_t n = static_cast<std::uint32_t>(pts.size());
            if (kind == TPath::pkBezier) Append(U_EMRPOLYBEZIERTO_set(kNoBounds, n, pts.data()));
            else Append(U_EMRPOLYLINETO_set(kNoBounds, n, pts.data()));
        }
    }
    Append(U_EMRENDPATH_set());
}

void TEmfRecorder::EmitFill(const TPath& path)
{
    if (AppendPolys(path, true)) return;
    AppendPath(path);
    Append(U_EMRFILLPATH_set(kNoBounds));
}

void TEmfRecorder::EmitStroke(const TPath& path)
{
    if (AppendPolys(path, false)) return;
    AppendPath(path);
    Append(U_EMRSTROKEPATH_set(kNoBounds));
}

void TEmfRecorder::EmitIntersectClipRect(double l, double t, double r, double b)
{
    Append(U_EMRINTERSECTCLIPRECT_set(U_RECTL{Units(l), Units(t), Units(r), Units(b)}));
}

void TEmfRecorder::EmitIntersectClipPath(const TPath& path, bool winding)
{
    UseWinding(winding);
    AppendPath(path);
    Append(U_EMRSELECTCLIPPATH_set(U_RGN_AND));
}

void TEmfRecorder::EmitResetClip()
{
    // A region of no bytes: no clipping.
    std::vector<std::uint8_t> r;
    Push32(r, U_EMR_EXTSELECTCLIPRGN);
    Push32(r, 16);
    Push32(r, 0);
    Push32(r, U_RGN_COPY);
    FRecords.insert(FRecords.end(), r.begin(), r.end());
    ++FCount;
}

// --- text and bitmaps ----------------------------------------------------------------------

void TEmfRecorder::EmitText(TPointF origin, const std::u32string& text, const std::vector<double>& advances, bool)
{
    std::vector<std::uint16_t> units;
    std::vector<std::uint32_t> dx;
    double position = 0;
    int placed = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        position += i < advances.size() ? advances[i] : 0;
        int next = Units(position);
        std::uint32_t step = static_cast<std::uint32_t>(next - placed);
        placed = next;
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
            dx.push_back(step);
            dx.push_back(0);
        } else {
            units.push_back(static_cast<std::uint16_t>(c));
            dx.push_back(step);
        }
    }
    if (units.empty()) return;
    auto p = Logical(origin);
    char* text16 = emrtext_set(point32_set(p[0], p[1]), static_cast<U_NUM_STR>(units.size()), 2, units.data(), 0,
                               U_RECTL{0, 0, 0, 0}, dx.data());
    if (!text16) throw std::bad_alloc();
    char* record = U_EMREXTTEXTOUTW_set(kNoBounds, U_GM_COMPATIBLE, 1.0f, 1.0f, reinterpret_cast<PU_EMRTEXT>(text16));
    std::free(text16);
    Append(record);
}

void TEmfRecorder::EmitBitmap(const TBitmap& bitmap, double l, double t, double w, double h, std::uint32_t rop)
{
    TDibBytes dib = EncodeDib(bitmap);
    const std::uint32_t header = 80;
    const std::uint32_t size = header + static_cast<std::uint32_t>(dib.Info.size() + dib.Bits.size());
    std::vector<std::uint8_t> r(header, 0);
    const int x = Units(l), y = Units(t), cx = Units(l + w) - x, cy = Units(t + h) - y;
    Put32(r, 0, U_EMR_STRETCHDIBITS);
    Put32(r, 4, size);
    Put32(r, 8, static_cast<std::uint32_t>(static_cast<int>(std::floor(std::min(l, l + w)))));
    Put32(r, 12, static_cast<std::uint32_t>(static_cast<int>(std::floor(std::min(t, t + h)))));
    Put32(r, 16, static_cast<std::uint32_t>(static_cast<int>(std::ceil(std::max(l, l + w))) - 1));
    Put32(r, 20, static_cast<std::uint32_t>(static_cast<int>(std::ceil(std::max(t, t + h))) - 1));
    Put32(r, 24, static_cast<std::uint32_t>(x));
    Put32(r, 28, static_cast<std::uint32_t>(y));
    Put32(r, 32, 0);
    Put32(r, 36, 0);
    Put32(r, 40, static_cast<std::uint32_t>(bitmap.Width()));
    Put32(r, 44, static_cast<std::uint32_t>(bitmap.Height()));
    Put32(r, 48, header);
    Put32(r, 52, static_cast<std::uint32_t>(dib.Info.size()));
    Put32(r, 56, header + static_cast<std::uint32_t>(dib.Info.size()));
    Put32(r, 60, static_cast<std::uint32_t>(dib.Bits.size()));
    Put32(r, 64, U_DIB_RGB_COLORS);
    Put32(r, 68, rop);
    Put32(r, 72, static_cast<std::uint32_t>(cx));
    Put32(r, 76, static_cast<std::uint32_t>(cy));
    FRecords.insert(FRecords.end(), r.begin(), r.end());
    FRecords.insert(FRecords.end(), dib.Info.begin(), dib.Info.end());
    FRecords.insert(FRecords.end(), dib.Bits.begin(), dib.Bits.end());
    ++FCount;
}

// --- the toolkit's calls ---------------------------------------------------------------------

void TEmfRecorder::RecordMoveTo(int x, int y)
{
    Append(U_EMRMOVETOEX_set(point32_set(L(x), L(y))));
}

void TEmfRecorder::RecordLineTo(int x0, int y0, int x, int y)
{
    if (Pen.Style == psClear) return;
    UseRop2(Pen.Mode);
    UsePen(PenKeyOf(Pen));
    Append(U_EMRLINETO_set(point32_set(L(x), L(y))));
    Touch(std::min(x0, x), std::min(y0, y), std::max(x0, x) + 1, std::max(y0, y) + 1);
}

void TEmfRecorder::RecordRectangle(int x1, int y1, int x2, int y2)
{
    UseRop2(Pen.Mode);
    UsePen(PenKeyOf(Pen));
    UseBrush(BrushKeyOf(Brush));
    if (Brush.Style != bsSolid) UseBkOpaque(false);
    Append(U_EMRRECTANGLE_set(U_RECTL{L(x1), L(y1), L(x2), L(y2)}));
    Touch(x1, y1, x2, y2);
}

void TEmfRecorder::RecordFillRect(const TRect& r)
{
    if (Brush.Style == bsClear) return;
    UseBrush(BrushKeyOf(Brush));
    if (Brush.Style != bsSolid) UseBkOpaque(false);
    U_XFORM identity = xform_set(1, 0, 0, 1, 0, 0);
    Append(U_EMRBITBLT_set(U_RECTL{r.Left, r.Top, r.Right - 1, r.Bottom - 1}, point32_set(L(r.Left), L(r.Top)),
                           point32_set(L(r.Right) - L(r.Left), L(r.Bottom) - L(r.Top)), point32_set(0, 0), identity,
                           Ref(clWhite),
                           U_DIB_RGB_COLORS, U_PATCOPY, nullptr, 0, nullptr));
    Touch(r.Left, r.Top, r.Right, r.Bottom);
}

void TEmfRecorder::RecordEllipse(int x1, int y1, int x2, int y2)
{
    UseRop2(Pen.Mode);
    UsePen(PenKeyOf(Pen));
    UseBrush(BrushKeyOf(Brush));
    if (Brush.Style != bsSolid) UseBkOpaque(false);
    Append(U_EMRELLIPSE_set(U_RECTL{L(x1), L(y1), L(x2), L(y2)}));
    Touch(x1, y1, x2, y2);
}

void TEmfRecorder::RecordPolyline(const std::vector<TPoint>& points, bool closed)
{
    if (points.empty()) return;
    UseRop2(Pen.Mode);
    UsePen(PenKeyOf(Pen));
    if (closed) {
        UseBrush(BrushKeyOf(Brush));
        UseWinding(false);
        if (Brush.Style != bsSolid) UseBkOpaque(false);
    }
    std::vector<U_POINTL> pts;
    pts.reserve(points.size());
    for (const TPoint& p : points) {
        pts.push_back(point32_set(L(p.X), L(p.Y)));
        Touch(p.X, p.Y, p.X + 1, p.Y + 1);
    }
    const std::uint32_t n = static_cast<std::uint32_t>(pts.size());
    if (Fits16(pts)) {
        auto small = To16(pts);
        Append(closed ? U_EMRPOLYGON16_set(kNoBounds, n, small.data()) : U_EMRPOLYLINE16_set(kNoBounds, n, small.data()));
    } else {
        Append(closed ? U_EMRPOLYGON_set(kNoBounds, n, pts.data()) : U_EMRPOLYLINE_set(kNoBounds, n, pts.data()));
    }
}

void TEmfRecorder::RecordTextOut(int x, int y, const std::string& text)
{
    if (text.empty()) return;
    TTextRun run;
    run.Text = text;
    run.Origin = {double(x), double(y)};
    run.Font = Font;
    run.Escapement = Font.Orientation / 10.0;
    run.Color = Font.Color;
    run.Opaque = Brush.Style != bsClear;
    run.Background = Brush.Color;
    DrawTextRun(run);
}

// --- the file ----------------------------------------------------------------------------------

std::shared_ptr<TMetafile::TData> TEmfRecorder::Finish(int mmWidth, int mmHeight)
{
    TReferenceDevice screen;
    U_RECTL frame{0, 0, mmWidth, mmHeight};
    U_RECTL bounds{0, 0, -1, -1};
    if (Bounds()) {
        const auto& b = *Bounds();
        bounds = U_RECTL{static_cast<int>(std::floor(b[0])), static_cast<int>(std::floor(b[1])),
                         static_cast<int>(std::ceil(b[2])) - 1, static_cast<int>(std::ceil(b[3])) - 1};
    }
    if (mmWidth <= 0 || mmHeight <= 0) {
        frame = Bounds() ? U_RECTL{screen.HundredthMMFromPixelsX(bounds.left),
                                   screen.HundredthMMFromPixelsY(bounds.top),
                                   screen.HundredthMMFromPixelsX(bounds.right + 1),
                                   screen.HundredthMMFromPixelsY(bounds.bottom + 1)}
                         : U_RECTL{0, 0, 0, 0};
    }
    char* header = U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(screen.PixelsX, screen.PixelsY),
                                   sizel_set(screen.MillimetersX, screen.MillimetersY), 0);
    if (!header) throw std::bad_alloc();
    std::uint32_t headerSize;
    std::memcpy(&headerSize, header + 4, 4);
    auto stream = std::make_shared<std::vector<std::uint8_t>>(reinterpret_cast<std::uint8_t*>(header),
                                                              reinterpret_cast<std::uint8_t*>(header) + headerSize);
    std::free(header);
    stream->insert(stream->end(), FRecords.begin(), FRecords.end());
    static const std::uint8_t eof[20] = {14, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0};
    stream->insert(stream->end(), eof, eof + sizeof eof);
    Put32(*stream, 48, static_cast<std::uint32_t>(stream->size()));
    Put32(*stream, 52, FCount + 2);
    Put16(*stream, 56, static_cast<std::uint16_t>(FMaxSlot + 1));

    auto data = std::make_shared<TMetafile::TData>();
    data->Enhanced = true;
    data->FrameLeft = frame.left;
    data->FrameTop = frame.top;
    data->MMWidth = frame.right - frame.left;
    data->MMHeight = frame.bottom - frame.top;
    data->Stream = std::move(stream);
    return data;
}

} // namespace pictor
