// The toolkit's drawing calls, built on the primitives.
//
// Integer canvas coordinates name pixels. Outlines run through pixel
// centres (x + 0.5, y + 0.5), so a one-pixel pen covers exactly the pixels
// named; fills run along pixel edges, so a fill of (x1, y1, x2, y2) covers
// columns x1 to x2 - 1 and rows y1 to y2 - 1.
#include "gfx/Canvas.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Graphic.h"

#include <algorithm>
#include <cmath>

namespace pictor {

namespace {

TPointF Centre(int x, int y)
{
    return TPointF{x + 0.5, y + 0.5};
}

int PenWidth(const TPen& pen)
{
    return std::max(1, pen.Width);
}

// Puts the corners of a rectangle or ellipse in order; false when it is
// empty. l, t, r, b receive the centre line of its outline: through the
// centres of its edge pixels, or, for an inside-frame pen, half the pen's
// width inside the edges so the whole band stays within them (the box
// itself when there is no pen).
bool ShapeBox(const TPen& pen, int& x1, int& y1, int& x2, int& y2, double& l, double& t, double& r, double& b)
{
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x1 == x2 || y1 == y2) return false;
    double inset = pen.Style == psClear ? 0 : pen.Style == psInsideFrame ? PenWidth(pen) / 2.0 : 0.5;
    l = x1 + inset;
    t = y1 + inset;
    r = x2 - inset;
    b = y2 - inset;
    if (l > r) l = r = (x1 + x2) / 2.0;
    if (t > b) t = b = (y1 + y2) / 2.0;
    return true;
}

} // namespace

void TCanvas::MoveTo(int x, int y)
{
    FPenPos = TPoint{x, y};
}

void TCanvas::LineTo(int x, int y)
{
    if (Pen.Style != psClear) {
        TPath path;
        path.MoveTo(Centre(FPenPos.X, FPenPos.Y));
        path.LineTo(Centre(x, y));
        StrokePath(path, Pen, PenWidth(Pen));
    }
    FPenPos = TPoint{x, y};
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    double l, t, r, b;
    if (!ShapeBox(Pen, x1, y1, x2, y2, l, t, r, b)) return;
    const bool outlined = Pen.Style != psClear;
    if (Brush.Style != bsClear) {
        // The inside of the pen's band (the whole rectangle without a pen),
        // so no pixel is drawn twice.
        TPath inside;
        if (outlined) {
            double h = PenWidth(Pen) / 2.0;
            // Pixel edges of the first and last pixel centres inside the band.
            double il = std::ceil(l + h - 0.5), it = std::ceil(t + h - 0.5);
            double ir = std::ceil(r - h - 0.5), ib = std::ceil(b - h - 0.5);
            if (il < ir && it < ib) inside.AddRectangle(il, it, ir, ib);
        } else {
            inside.AddRectangle(x1, y1, x2, y2);
        }
        if (!inside.Empty()) FillPath(inside, frAlternate, Brush, Pen.Mode);
    }
    if (outlined) {
        TPath outline;
        outline.AddRectangle(l, t, r, b);
        StrokePath(outline, Pen, PenWidth(Pen));
    }
}

void TCanvas::FillRect(const TRect& r)
{
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    TPath path;
    path.AddRectangle(r.Left, r.Top, r.Right, r.Bottom);
    FillPath(path, frAlternate, Brush, pmCopy);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    double l, t, r, b;
    if (!ShapeBox(Pen, x1, y1, x2, y2, l, t, r, b)) return;
    const bool outlined = Pen.Style != psClear;
    TPath path;
    path.AddEllipse(l, t, r, b);
    if (Brush.Style != bsClear) FillPath(path, frAlternate, Brush, Pen.Mode);
    if (outlined) StrokePath(path, Pen, PenWidth(Pen));
}

void TCanvas::Polyline(const std::vector<TPoint>& points)
{
    if (points.size() < 2 || Pen.Style == psClear) return;
    std::vector<TPointF> centres;
    centres.reserve(points.size());
    for (const TPoint& p : points) centres.push_back(Centre(p.X, p.Y));
    TPath path;
    path.AddPolyline(centres.data(), static_cast<int>(centres.size()));
    StrokePath(path, Pen, PenWidth(Pen));
}

void TCanvas::Polygon(const std::vector<TPoint>& points)
{
    if (points.size() < 2) return;
    const int n = static_cast<int>(points.size());
    if (Brush.Style != bsClear) {
        std::vector<TPointF> corners;
        corners.reserve(points.size());
        for (const TPoint& p : points) corners.push_back(TPointF{double(p.X), double(p.Y)});
        TPath fill;
        fill.AddPolygon(corners.data(), n);
        FillPath(fill, frAlternate, Brush, Pen.Mode);
    }
    if (Pen.Style != psClear) {
        std::vector<TPointF> centres;
        centres.reserve(points.size());
        for (const TPoint& p : points) centres.push_back(Centre(p.X, p.Y));
        TPath outline;
        outline.AddPolygon(centres.data(), n);
        StrokePath(outline, Pen, PenWidth(Pen));
    }
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    TTextRun run;
    run.Text = text;
    run.Origin = TPointF{double(x), double(y)};
    run.Font = Font;
    run.Color = Font.Color;
    run.Opaque = Brush.Style != bsClear;
    run.Background = Brush.Color;
    run.Escapement = Font.Orientation / 10.0;
    DrawTextRun(run);
    FPenPos = TPoint{x + TextWidth(text), y};
}

int TCanvas::TextWidth(const std::string& text)
{
    return static_cast<int>(std::lround(MeasureText(text, Font).X));
}

int TCanvas::TextHeight(const std::string& text)
{
    return static_cast<int>(std::lround(MeasureText(text, Font).Y));
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    graphic.Draw(*this, TRect{x, y, x + graphic.Width(), y + graphic.Height()});
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic)
{
    graphic.Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect)
{
    TBitmap* bitmap = source.TargetBitmap();
    if (!bitmap) throw EInvalidOperation("コピー元のキャンバスはビットマップを持っていません");
    DrawBitmap(*bitmap, srcRect, dest.Left, dest.Top, dest.Width(), dest.Height(), CopyMode);
}

} // namespace pictor
