// TMetafileCanvas: records the toolkit's drawing calls as their natural
// records and the primitives (what playback of another metafile draws) as
// paths, text runs and bitmaps, into an enhanced metafile for the screen.
#include "gfx/Metafile.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/formats/EmfWriter.h"
#include "gfx/metafile/MetafileData.h"

#include <cmath>

namespace pictor {

struct TMetafileCanvas::TRecorder {
    TRecorder(int width, int height, int mmWidth, int mmHeight)
        : Emf(width, height), MMWidth(mmWidth), MMHeight(mmHeight)
    {
    }
    TEmfRecorder Emf;
    int MMWidth;
    int MMHeight;
};

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile)
    : FMetafile(metafile),
      FRecorder(std::make_unique<TRecorder>(metafile.Width(), metafile.Height(), metafile.MMWidth(),
                                           metafile.MMHeight()))
{
}

TMetafileCanvas::~TMetafileCanvas()
{
    try {
        std::shared_ptr<TMetafile::TData> data = FRecorder->Emf.Finish(FRecorder->MMWidth, FRecorder->MMHeight);
        data->Palette = FMetafile.FData->Palette;
        FMetafile.FData = std::move(data);
        FMetafile.Changed();
    } catch (...) {
        // A destructor cannot report; the metafile keeps what it held.
    }
}

namespace {

// The recorder draws with the canvas's present attributes.
void Sync(TEmfRecorder& emf, const TCanvas& canvas)
{
    emf.Pen = canvas.Pen;
    emf.Brush = canvas.Brush;
    emf.Font = canvas.Font;
    emf.CopyMode = canvas.CopyMode;
}

} // namespace

int TMetafileCanvas::Width() const { return FRecorder->Emf.Width(); }
int TMetafileCanvas::Height() const { return FRecorder->Emf.Height(); }

void TMetafileCanvas::MoveTo(int x, int y)
{
    FRecorder->Emf.RecordMoveTo(x, y);
    FPenPos = TPoint{x, y};
}

void TMetafileCanvas::LineTo(int x, int y)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.RecordLineTo(FPenPos.X, FPenPos.Y, x, y);
    FPenPos = TPoint{x, y};
}

void TMetafileCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.RecordRectangle(x1, y1, x2, y2);
}

void TMetafileCanvas::FillRect(const TRect& r)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.RecordFillRect(r);
}

void TMetafileCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.RecordEllipse(x1, y1, x2, y2);
}

void TMetafileCanvas::Polyline(const std::vector<TPoint>& points)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.RecordPolyline(points, false);
}

void TMetafileCanvas::Polygon(const std::vector<TPoint>& points)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.RecordPolyline(points, true);
}

void TMetafileCanvas::TextOut(int x, int y, const std::string& text)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.RecordTextOut(x, y, text);
    FPenPos = TPoint{x + TextWidth(text), y};
}

int TMetafileCanvas::TextWidth(const std::string& text)
{
    TCanvas& screen = FRecorder->Emf.Screen();
    screen.Font = Font;
    return screen.TextWidth(text);
}

int TMetafileCanvas::TextHeight(const std::string& text)
{
    TCanvas& screen = FRecorder->Emf.Screen();
    screen.Font = Font;
    return screen.TextHeight(text);
}

void TMetafileCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    graphic.Draw(*this, Rect(x, y, x + graphic.Width(), y + graphic.Height()));
}

void TMetafileCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic)
{
    graphic.Draw(*this, rect);
}

void TMetafileCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect)
{
    TBitmap* bitmap = source.TargetBitmap();
    if (!bitmap) throw EInvalidOperation("ビットマップを持っているキャンバスからのみコピーできます");
    DrawBitmap(*bitmap, srcRect, dest.Left, dest.Top, dest.Width(), dest.Height(), CopyMode);
}

void TMetafileCanvas::FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.FillPath(path, rule, brush, mode);
}

void TMetafileCanvas::StrokePath(const TPath& path, const TPen& pen, double width)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.StrokePath(path, pen, width);
}

void TMetafileCanvas::DrawTextRun(const TTextRun& run)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.DrawTextRun(run);
}

void TMetafileCanvas::DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop,
                                 double destWidth, double destHeight, std::uint32_t rop)
{
    Sync(FRecorder->Emf, *this);
    FRecorder->Emf.DrawBitmap(bitmap, srcRect, destLeft, destTop, destWidth, destHeight, rop);
}

TPointF TMetafileCanvas::MeasureText(const std::string& text, const TFont& font)
{
    return FRecorder->Emf.MeasureText(text, font);
}

void TMetafileCanvas::SaveClip() { FRecorder->Emf.SaveClip(); }
void TMetafileCanvas::RestoreClip() { FRecorder->Emf.RestoreClip(); }
void TMetafileCanvas::IntersectClip(const TPath& path, TFillRule rule) { FRecorder->Emf.IntersectClip(path, rule); }
void TMetafileCanvas::ResetClip() { FRecorder->Emf.ResetClip(); }

} // namespace pictor
