// Placeable old-style metafile files. Old-style records read from a file are
// written back as they are (behind a window that maps them onto the new
// bounding box when the box changed); an enhanced metafile is converted by
// playing it onto a recorder of old-style records, so everything that
// playback understands converts, bitmaps at their own layout included.
#include "gfx/formats/MetafileFormats.h"

#include "gfx/formats/ByteReader.h"
#include "gfx/formats/ByteWriter.h"
#include "gfx/formats/Dib.h"
#include "gfx/metafile/Playback.h"
#include "gfx/metafile/Recorder.h"
#include "gfx/metafile/TextCodec.h"

extern "C" {
#include <uemf.h>
#include <uwmf.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pictor {

namespace {

constexpr int kMaxLogical = 32000; // old-style coordinates are 16-bit


std::int16_t Clamp16(long v)
{
    return static_cast<std::int16_t>(std::clamp<long>(v, INT16_MIN, INT16_MAX));
}

U_COLORREF Ref(TColor c)
{
    return colorref3_set(static_cast<std::uint8_t>(GetRValue(c)), static_cast<std::uint8_t>(GetGValue(c)),
                         static_cast<std::uint8_t>(GetBValue(c)));
}

// Records in old-style form for a canvas of width by height pixels, in
// units logical units to a pixel; the window the records set spans the
// canvas.
class TWmfRecorder : public mf::TRecordingCanvas {
public:
    TWmfRecorder(int width, int height, int units) : TRecordingCanvas(width, height, units, 0)
    {
        Append(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        Append(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
        Append(U_WMRSETWINDOWEXT_set(point16_set(Clamp16(std::max(1, Units(width))), Clamp16(std::max(1, Units(height))))));
    }

    std::vector<std::uint8_t> Finish()
    {
        std::vector<std::uint8_t> out;
        Push16(out, 1);      // in memory
        Push16(out, 9);      // header words
        Push16(out, 0x0300); // version
        Push32(out, 0);      // size, below
        Push16(out, static_cast<std::uint16_t>(std::min(FMaxSlot + 1, 65535)));
        Push32(out, 0);      // largest record, below
        Push16(out, 0);
        out.insert(out.end(), FRecords.begin(), FRecords.end());
        Append(U_WMREOF_set());
        out.insert(out.end(), FRecords.end() - 6, FRecords.end());
        Put32(out, 6, static_cast<std::uint32_t>(out.size() / 2));
        Put32(out, 12, FLargest);
        return out;
    }

protected:
    int CharSetFor(const std::u32string& text) const override { return EncodeAnsi(text).CharSet; }

    void EmitCreate(int slot, const mf::TObjectKey& key) override
    {
        FMaxSlot = std::max(FMaxSlot, slot);
        if (auto* pen = std::get_if<mf::TPenKey>(&key)) {
            std::uint16_t style = pen->Null ? U_PS_NULL : mf::RecordPenStyle(pen->Style);
            if (!pen->Null && pen->Geometric) style |= mf::RecordPenEnds(pen->Cap, pen->Join);
            Append(U_WMRCREATEPENINDIRECT_set(
                U_PEN_set(style, static_cast<std::uint16_t>(std::clamp(pen->Width, 0, 32767)), Ref(pen->Color))));
        } else if (auto* brush = std::get_if<mf::TBrushKey>(&key)) {
            std::uint16_t style = brush->Null ? U_BS_NULL : brush->Style == bsSolid ? U_BS_SOLID : U_BS_HATCHED;
            Append(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(style, Ref(brush->Color), mf::RecordHatch(brush->Style))));
        } else if (auto* font = std::get_if<mf::TFontKey>(&key)) {
            TEncodedText face = EncodeAnsi(Utf8ToUtf32(font->Name));
            char name[32] = {};
            std::memcpy(name, face.Bytes.data(), std::min<std::size_t>(face.Bytes.size(), 31));
            U_FONT* f = U_FONT_set(Clamp16(font->Height), Clamp16(font->Width), Clamp16(font->Escapement), Clamp16(font->Escapement),
                                   font->Bold ? 700 : 400, font->Italic, font->Underline, font->StrikeOut,
                                   static_cast<std::uint8_t>(font->CharSet), 0, 0, 0, 0, name);
            if (!f) throw std::bad_alloc();
            char* record = U_WMRCREATEFONTINDIRECT_set(f);
            std::free(f);
            Append(record);
        }
    }
    void EmitSelect(int slot) override { Append(U_WMRSELECTOBJECT_set(static_cast<std::uint16_t>(slot))); }
    void EmitDelete(int slot) override { Append(U_WMRDELETEOBJECT_set(static_cast<std::uint16_t>(slot))); }
    void EmitTextColor(TColor color) override { Append(U_WMRSETTEXTCOLOR_set(Ref(color))); }
    void EmitBkColor(TColor color) override { Append(U_WMRSETBKCOLOR_set(Ref(color))); }
    void EmitBkOpaque(bool opaque) override { Append(U_WMRSETBKMODE_set(opaque ? U_OPAQUE : U_TRANSPARENT)); }
    void EmitRop2(int rop2) override { Append(U_WMRSETROP2_set(static_cast<std::uint16_t>(rop2))); }
    void EmitWinding(bool winding) override { Append(U_WMRSETPOLYFILLMODE_set(winding ? U_WINDING : U_ALTERNATE)); }
    void EmitTextAlign(std::uint32_t align) override { Append(U_WMRSETTEXTALIGN_set(static_cast<std::uint16_t>(align))); }
    void EmitSaveDc() override { Append(U_WMRSAVEDC_set()); }
    void EmitRestoreDc() override { Append(U_WMRRESTOREDC_set(-1)); }

    void EmitFill(const TPath& path) override
    {
        // An ellipse fills its box (the current pen is null).
        if (auto box = mf::EllipseBox(path)) {
            Append(U_WMRELLIPSE_set(Rect16((*box)[0], (*box)[1], (*box)[2], (*box)[3])));
            return;
        }
        auto figures = Flatten(path, true);
        if (figures.size() == 1) {
            Append(U_WMRPOLYGON_set(static_cast<std::uint16_t>(figures[0].size()), figures[0].data()));
        } else if (!figures.empty()) {
            std::vector<std::uint16_t> counts;
            std::vector<U_POINT16> all;
            for (const auto& f : figures) {
                counts.push_back(static_cast<std::uint16_t>(f.size()));
                all.insert(all.end(), f.begin(), f.end());
            }
            Append(U_WMRPOLYPOLYGON_set(static_cast<std::uint16_t>(counts.size()), counts.data(), all.data()));
        }
    }
    void EmitStroke(const TPath& path) override
    {
        // An ellipse's outline runs on the pixel centres inside its box: the
        // box reaches one pixel beyond the outline on the grid.
        if (auto box = mf::EllipseBox(path)) {
            Append(U_WMRELLIPSE_set(Rect16((*box)[0], (*box)[1], (*box)[2] + 1, (*box)[3] + 1)));
            return;
        }
        for (const auto& f : Flatten(path, false))
            Append(U_WMRPOLYLINE_set(static_cast<std::uint16_t>(f.size()), f.data()));
    }
    void EmitIntersectClipRect(double l, double t, double r, double b) override
    {
        Append(U_WMRINTERSECTCLIPRECT_set(Rect16(l, t, r, b)));
    }
    void EmitIntersectClipPath(const TPath& path, bool) override
    {
        // Old-style records clip to rectangles: the path's bounding box.
        double l = 1e9, t = 1e9, r = -1e9, b = -1e9;
        for (const auto& e : path.Elements())
            for (int i = 0; i < (e.kind == TPath::pkBezier ? 3 : e.kind == TPath::pkClose ? 0 : 1); ++i) {
                l = std::min(l, e.p[i].X);
                t = std::min(t, e.p[i].Y);
                r = std::max(r, e.p[i].X);
                b = std::max(b, e.p[i].Y);
            }
        if (l <= r && t <= b) EmitIntersectClipRect(l, t, r, b);
    }
    void EmitResetClip() override {} // old-style records cannot widen the clipping again

    void EmitText(TPointF origin, const std::u32string& text, const std::vector<double>& advances, bool) override
    {
        TEncodedText encoded = EncodeAnsi(text);
        if (encoded.Bytes.empty() || encoded.Bytes.size() > 32000) return;
        std::vector<std::int16_t> dx;
        double position = 0;
        int placed = 0;
        for (std::size_t i = 0; i < text.size() && i < encoded.BytesPerChar.size(); ++i) {
            position += i < advances.size() ? advances[i] : 0;
            int next = Units(position);
            dx.push_back(Clamp16(next - placed));
            for (int k = 1; k < encoded.BytesPerChar[i]; ++k) dx.push_back(0);
            placed = next;
        }
        dx.resize(encoded.Bytes.size(), 0);
        std::vector<std::uint8_t> r;
        Push32(r, 0);
        Push16(r, 0x0A32);
        auto p = Logical(origin);
        Push16(r, static_cast<std::uint16_t>(Clamp16(p[1])));
        Push16(r, static_cast<std::uint16_t>(Clamp16(p[0])));
        Push16(r, static_cast<std::uint16_t>(encoded.Bytes.size()));
        Push16(r, 0); // no rectangle
        r.insert(r.end(), encoded.Bytes.begin(), encoded.Bytes.end());
        if (encoded.Bytes.size() % 2) r.push_back(0);
        for (std::int16_t d : dx) Push16(r, static_cast<std::uint16_t>(d));
        Put32(r, 0, static_cast<std::uint32_t>(r.size() / 2));
        AppendBytes(r);
    }

    void EmitBitmap(const TBitmap& bitmap, double l, double t, double w, double h, std::uint32_t rop) override
    {
        TDibBytes dib = EncodeDib(bitmap);
        std::vector<std::uint8_t> r;
        Push32(r, 0);
        Push16(r, 0x0F43); // stretch DIB
        Push32(r, rop);
        Push16(r, 0); // RGB colours
        const int x = Units(l), y = Units(t), cx = Units(l + w) - x, cy = Units(t + h) - y;
        Push16(r, static_cast<std::uint16_t>(Clamp16(bitmap.Height())));
        Push16(r, static_cast<std::uint16_t>(Clamp16(bitmap.Width())));
        Push16(r, 0);
        Push16(r, 0);
        Push16(r, static_cast<std::uint16_t>(Clamp16(cy)));
        Push16(r, static_cast<std::uint16_t>(Clamp16(cx)));
        Push16(r, static_cast<std::uint16_t>(Clamp16(y)));
        Push16(r, static_cast<std::uint16_t>(Clamp16(x)));
        r.insert(r.end(), dib.Info.begin(), dib.Info.end());
        r.insert(r.end(), dib.Bits.begin(), dib.Bits.end());
        if (r.size() % 2) r.push_back(0);
        Put32(r, 0, static_cast<std::uint32_t>(r.size() / 2));
        AppendBytes(r);
    }

private:
    U_RECT16 Rect16(double l, double t, double r, double b) const
    {
        return U_RECT16{Clamp16(Units(l)), Clamp16(Units(t)), Clamp16(Units(r)), Clamp16(Units(b))};
    }

    // Figures as 16-bit point lists, curves flattened; closed figures are
    // closed explicitly when stroked.
    std::vector<std::vector<U_POINT16>> Flatten(const TPath& path, bool fill) const
    {
        std::vector<std::vector<U_POINT16>> out;
        TPointF last{}, start{};
        auto add = [&](TPointF p) {
            auto q = Logical(p);
            out.back().push_back(point16_set(Clamp16(q[0]), Clamp16(q[1])));
            last = p;
        };
        for (const auto& e : path.Elements()) {
            switch (e.kind) {
            case TPath::pkMove:
                out.emplace_back();
                start = e.p[0];
                add(e.p[0]);
                break;
            case TPath::pkLine:
                if (out.empty()) out.emplace_back();
                add(e.p[0]);
                break;
            case TPath::pkBezier: {
                if (out.empty()) out.emplace_back();
                const TPointF p0 = last;
                // Enough segments to stay within a twentieth of a pixel.
                const double bend = std::max(std::hypot(p0.X - 2 * e.p[0].X + e.p[1].X, p0.Y - 2 * e.p[0].Y + e.p[1].Y),
                                             std::hypot(e.p[0].X - 2 * e.p[1].X + e.p[2].X,
                                                        e.p[0].Y - 2 * e.p[1].Y + e.p[2].Y));
                const double segments = std::ceil(std::sqrt(0.75 * bend / 0.05));
                const int n = static_cast<int>(std::isfinite(segments) ? std::clamp(segments, 1.0, 256.0) : 1.0);
                for (int i = 1; i <= n; ++i) {
                    double u = double(i) / n, v = 1 - u;
                    add({v * v * v * p0.X + 3 * v * v * u * e.p[0].X + 3 * v * u * u * e.p[1].X + u * u * u * e.p[2].X,
                         v * v * v * p0.Y + 3 * v * v * u * e.p[0].Y + 3 * v * u * u * e.p[1].Y +
                             u * u * u * e.p[2].Y});
                }
                break;
            }
            case TPath::pkClose:
                if (!fill && !out.empty() && !out.back().empty()) add(start);
                break;
            }
        }
        std::erase_if(out, [](const auto& f) { return f.size() < 2 || f.size() > 32000; });
        return out;
    }

    void Append(char* record)
    {
        if (!record) throw std::bad_alloc();
        std::uint32_t words;
        std::memcpy(&words, record, 4);
        FRecords.insert(FRecords.end(), reinterpret_cast<std::uint8_t*>(record),
                        reinterpret_cast<std::uint8_t*>(record) + std::size_t(words) * 2);
        FLargest = std::max(FLargest, words);
        std::free(record);
    }
    void AppendBytes(const std::vector<std::uint8_t>& r)
    {
        FRecords.insert(FRecords.end(), r.begin(), r.end());
        FLargest = std::max(FLargest, static_cast<std::uint32_t>(r.size() / 2));
    }

    std::vector<std::uint8_t> FRecords;
    std::uint32_t FLargest = 3;
    int FMaxSlot = 0;
};

std::vector<std::uint8_t> PlaceableHeader(const TRect& box, int inch)
{
    std::vector<std::uint8_t> h;
    Push32(h, kPlaceableKey);
    Push16(h, 0);
    Push16(h, static_cast<std::uint16_t>(box.Left));
    Push16(h, static_cast<std::uint16_t>(box.Top));
    Push16(h, static_cast<std::uint16_t>(box.Right));
    Push16(h, static_cast<std::uint16_t>(box.Bottom));
    Push16(h, static_cast<std::uint16_t>(inch));
    Push32(h, 0);
    std::uint16_t sum = 0;
    const TByteReader words(h);
    for (std::size_t i = 0; i < h.size(); i += 2) sum ^= words.U16(i);
    Push16(h, sum);
    return h;
}

} // namespace

int PlaceableUnitsPerInch(int inch)
{
    return inch >= kScreenDpi ? std::min(inch, 65535) : kScreenDpi;
}

std::vector<std::uint8_t> WriteWmf(const TMetafile::TData& data)
{
    // The bounding box in units of the header's units per inch; large
    // pictures take coarser units so that the box fits 16 bits.
    int inch = PlaceableUnitsPerInch(data.Inch);
    const int largest = std::max({data.MMWidth, data.MMHeight, 1});
    if (MulDiv(largest, inch, kHundredthMMPerInch) > kMaxLogical)
        inch = std::max(1, static_cast<int>(std::int64_t(kMaxLogical) * kHundredthMMPerInch / largest));
    const TRect box = Rect(0, 0, std::max(1, MulDiv(data.MMWidth, inch, kHundredthMMPerInch)),
                           std::max(1, MulDiv(data.MMHeight, inch, kHundredthMMPerInch)));

    std::vector<std::uint8_t> stream;
    if (!data.Enhanced && data.Stream) {
        if (inch == data.BoxInch && box.Width() == data.Box.Width() && box.Height() == data.Box.Height()) {
            std::vector<std::uint8_t> out = PlaceableHeader(data.Box, inch);
            out.insert(out.end(), data.Stream->begin(), data.Stream->end());
            return out;
        }
        // The records' own space, mapped onto the new box by a window set
        // before them (records that set their own window still do).
        stream.assign(data.Stream->begin(), data.Stream->begin() + kWmfHeaderSize);
        const std::int16_t words[] = {4, 0, 0x0103, 8,
                                      5, 0, 0x020B, Clamp16(data.Box.Top), Clamp16(data.Box.Left),
                                      5, 0, 0x020C, Clamp16(data.Box.Height()), Clamp16(data.Box.Width())};
        for (std::int16_t w : words) Push16(stream, static_cast<std::uint16_t>(w));
        stream.insert(stream.end(), data.Stream->begin() + kWmfHeaderSize, data.Stream->end());
        Put32(stream, 6, static_cast<std::uint32_t>(stream.size() / 2));
    } else {
        // Played at the picture's pixel size, so that every pixel lands where
        // a rendering at that size puts it, and recorded in a whole number of
        // units a pixel (up to sixteen) that 16 bits can hold. A picture too
        // large for one unit a pixel is played at the largest size that fits.
        // The records set their window, which the header's box is mapped from.
        int w = std::max(1, MulDiv(data.MMWidth, kScreenDpi, kHundredthMMPerInch));
        int h = std::max(1, MulDiv(data.MMHeight, kScreenDpi, kHundredthMMPerInch));
        const int largest = std::max(w, h);
        if (largest > kMaxLogical) {
            w = std::max(1, MulDiv(w, kMaxLogical, largest));
            h = std::max(1, MulDiv(h, kMaxLogical, largest));
        }
        TWmfRecorder recorder(w, h, std::clamp(kMaxLogical / std::max(w, h), 1, 16));
        if (data.Stream) PlayEnhancedMetafile(data, recorder, Rect(0, 0, w, h));
        stream = recorder.Finish();
    }
    std::vector<std::uint8_t> out = PlaceableHeader(box, inch);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

} // namespace pictor
