// TEmfRecorder: records canvas drawing as an enhanced metafile for the
// screen. Coordinates are recorded in sixteenths of a pixel (an anisotropic
// mapping set at the start), so fractional positions survive; the toolkit's
// drawing calls become their natural records (move, line, rectangle,
// ellipse, polyline, polygon, text, pattern fill), the primitives become
// polygons, polylines or path brackets, text runs and device-independent
// bitmaps at the bitmap's own layout.
#pragma once

#include "gfx/metafile/MetafileData.h"
#include "gfx/metafile/Recorder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pictor {

class TEmfRecorder : public mf::TRecordingCanvas {
public:
    static constexpr int kUnitsPerPixel = 16;

    TEmfRecorder(int width, int height);

    // The toolkit's calls, with this canvas's Pen, Brush and Font.
    void RecordMoveTo(int x, int y);
    void RecordLineTo(int x0, int y0, int x, int y);
    void RecordRectangle(int x1, int y1, int x2, int y2);
    void RecordFillRect(const TRect& r);
    void RecordEllipse(int x1, int y1, int x2, int y2);
    void RecordPolyline(const std::vector<TPoint>& points, bool closed);
    void RecordTextOut(int x, int y, const std::string& text);

    // The finished metafile; its frame is mmWidth by mmHeight (0.01 mm) or,
    // when either is 0, the bounds of what was drawn.
    std::shared_ptr<TMetafile::TData> Finish(int mmWidth, int mmHeight);

protected:
    void EmitCreate(int slot, const mf::TObjectKey& key) override;
    void EmitSelect(int slot) override;
    void EmitDelete(int slot) override;
    void EmitTextColor(TColor color) override;
    void EmitBkColor(TColor color) override;
    void EmitBkOpaque(bool opaque) override;
    void EmitRop2(int rop2) override;
    void EmitWinding(bool winding) override;
    void EmitTextAlign(std::uint32_t align) override;
    void EmitSaveDc() override;
    void EmitRestoreDc() override;
    void EmitFill(const TPath& path) override;
    void EmitStroke(const TPath& path) override;
    void EmitIntersectClipRect(double l, double t, double r, double b) override;
    void EmitIntersectClipPath(const TPath& path, bool winding) override;
    void EmitResetClip() override;
    void EmitText(TPointF origin, const std::u32string& text, const std::vector<double>& advances,
                  bool opaque) override;
    void EmitBitmap(const TBitmap& bitmap, double l, double t, double w, double h, std::uint32_t rop) override;

private:
    void Append(char* record); // takes a libuemf record and frees it
    void AppendPath(const TPath& path);
    // Simple figures as polygon or polyline records; false for curves.
    bool AppendPolys(const TPath& path, bool fill);
    void Touch(double l, double t, double r, double b) { AddBounds(l, t, r, b); }

    std::vector<std::uint8_t> FRecords;
    std::uint32_t FCount = 0;
    int FMaxSlot = 0;
};

} // namespace pictor
