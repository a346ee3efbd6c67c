// The bitmap canvas turns each primitive into coverage (spans it works out
// itself, or a cairo mask without antialiasing) and lets the painter write
// the covered pixels in the bitmap's own format; see gfx/canvas/.
//
// Pixel conventions:
// - A pixel (x, y) is the square from (x, y) to (x + 1, y + 1). A fill covers
//   the pixels whose centres are inside the figure (a centre on a left or top
//   edge is inside, on a right or bottom edge outside).
// - Pens of width 1 or less are drawn one pixel wide by integer Bresenham
//   steps from the pixel holding each point towards the next, the end pixel
//   of an open figure excluded.
// - Wider pens cover the pixels whose centres lie within half the width of
//   the line (cairo's stroking, with the pen's cap and join). A line through
//   pixel centres with an even width w covers w/2 pixels on its left/top
//   side, the centre pixel, and w/2 - 1 pixels on the other side.
// - Text is drawn with grey antialiasing blended over true-colour pixels; in
//   palette bitmaps a pixel at least half covered takes the nearest entry.
#include "gfx/BitmapCanvas.h"

#include "gfx/Bitmap.h"
#include "gfx/canvas/BitmapTransfer.h"
#include "gfx/canvas/ClipRegion.h"
#include "gfx/canvas/CosmeticLine.h"
#include "gfx/canvas/EllipseSpans.h"
#include "gfx/canvas/Painter.h"
#include "gfx/canvas/PathGeometry.h"
#include "gfx/canvas/TextLayout.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pictor {

using namespace raster;

namespace {

// Figures reaching beyond this are cut down before rasterising (bitmaps are
// at most 65536 pixels a side; cairo's fixed point reaches about 8 million).
constexpr double kFar = 1 << 20;
// Wider pens are drawn this wide: wider than any bitmap.
constexpr double kMaxPenWidth = 1 << 18;

bool IsFar(const TBox& box)
{
    return box.Left < -kFar || box.Top < -kFar || box.Right > kFar || box.Bottom > kFar;
}

// path itself, or when it reaches far beyond any bitmap (box), the part of
// it near the bitmaps, cut for filling or for stroking.
TPath NearPart(const TPath& path, const TBox& box, bool stroke)
{
    if (!IsFar(box)) return path;
    const TBox near{-kFar, -kFar, kFar, kFar};
    return ToPath(stroke ? ClipForStroke(Flatten(path), near) : ClipForFill(Flatten(path), near));
}

std::int32_t ClampPixel(double v)
{
    return static_cast<std::int32_t>(std::clamp(v, -4 * kFar, 4 * kFar));
}

// The pixels a box may touch, widened by margin.
TRect PixelBounds(const TBox& box, double margin)
{
    return TRect{ClampPixel(std::floor(box.Left - margin) - 1), ClampPixel(std::floor(box.Top - margin) - 1),
                 ClampPixel(std::ceil(box.Right + margin) + 1), ClampPixel(std::ceil(box.Bottom + margin) + 1)};
}

// The pixels whose centres lie in [lo, hi).
std::int32_t FirstCentreAtOrAfter(double v) { return ClampPixel(std::ceil(v - 0.5)); }

TInk InkOf(const TPixelCodec& codec, TColor color, TPenMode mode, TBrushStyle hatch = bsSolid)
{
    TInk ink;
    ink.Op = PenOp(mode, codec.Encode(color), codec.ValueMask());
    ink.Hatched = hatch != bsSolid;
    ink.Rows = HatchRows(hatch);
    return ink;
}

// The band a wide pen covers around an axis-aligned rectangle, as spans:
// the pixels within w/2 of its outline (square corners).
std::vector<TSpan> RectangleBand(const TBox& r, double w)
{
    const double h = w / 2;
    TRect outer{FirstCentreAtOrAfter(r.Left - h), FirstCentreAtOrAfter(r.Top - h),
                FirstCentreAtOrAfter(r.Right + h), FirstCentreAtOrAfter(r.Bottom + h)};
    TRect inner{FirstCentreAtOrAfter(r.Left + h), FirstCentreAtOrAfter(r.Top + h),
                FirstCentreAtOrAfter(r.Right - h), FirstCentreAtOrAfter(r.Bottom - h)};
    std::vector<TSpan> spans;
    if (RectEmpty(inner)) {
        AddRectSpans(spans, outer);
        return spans;
    }
    AddRectSpans(spans, TRect{outer.Left, outer.Top, outer.Right, inner.Top});
    for (std::int32_t y = inner.Top; y < inner.Bottom; ++y) {
        if (outer.Left < inner.Left) spans.push_back({y, outer.Left, inner.Left});
        if (inner.Right < outer.Right) spans.push_back({y, inner.Right, outer.Right});
    }
    AddRectSpans(spans, TRect{outer.Left, inner.Bottom, outer.Right, outer.Bottom});
    NormaliseSpans(spans);
    return spans;
}

TPath Translated(const TPath& path, double dx, double dy)
{
    TPath out;
    for (const TPath::TElement& e : path.Elements()) {
        switch (e.kind) {
        case TPath::pkMove: out.MoveTo({e.p[0].X + dx, e.p[0].Y + dy}); break;
        case TPath::pkLine: out.LineTo({e.p[0].X + dx, e.p[0].Y + dy}); break;
        case TPath::pkBezier:
            out.BezierTo({e.p[0].X + dx, e.p[0].Y + dy}, {e.p[1].X + dx, e.p[1].Y + dy},
                         {e.p[2].X + dx, e.p[2].Y + dy});
            break;
        case TPath::pkClose: out.Close(); break;
        }
    }
    return out;
}

void SetDash(cairo_t* cr, TPenStyle style, double w)
{
    std::vector<double> dashes;
    switch (style) {
    case psDash: dashes = {3 * w, w}; break;
    case psDot: dashes = {w, w}; break;
    case psDashDot: dashes = {3 * w, w, w, w}; break;
    case psDashDotDot: dashes = {3 * w, w, w, w, w, w}; break;
    default: return;
    }
    cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
}

// Fills a figure with ink: axis-aligned rectangles as exact spans, anything
// else through cairo.
void FillFigure(TPainter& painter, const TPath& path, TFillRule rule, const TInk& ink)
{
    TBox box;
    if (!PathBounds(path, box)) return;
    if (AsAxisRectangle(path, box)) {
        std::vector<TSpan> spans;
        TRect r{FirstCentreAtOrAfter(box.Left), FirstCentreAtOrAfter(box.Top), FirstCentreAtOrAfter(box.Right),
                FirstCentreAtOrAfter(box.Bottom)};
        AddRectSpans(spans, IntersectRect(r, painter.Area()));
        painter.FillSpans(spans, ink);
        return;
    }
    if (AsEllipse(path, box)) {
        painter.FillSpans(EllipseFill(box, painter.Area()), ink);
        return;
    }
    const TPath figure = NearPart(path, box, false);
    painter.FillShape(PixelBounds(box, 0), [&](cairo_t* cr) {
        AppendPath(cr, figure);
        cairo_set_fill_rule(cr, rule == frWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
    }, ink);
}

} // namespace

struct TBitmapCanvas::TState {
    TClipRegion clip;
    std::vector<TClipRegion> saved;
};

TBitmapCanvas::TBitmapCanvas(TBitmap& bitmap) : FBitmap(bitmap), FState(std::make_unique<TState>()) {}

TBitmapCanvas::~TBitmapCanvas() = default;

int TBitmapCanvas::Width() const
{
    return FBitmap.Width();
}

int TBitmapCanvas::Height() const
{
    return FBitmap.Height();
}

void TBitmapCanvas::FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode)
{
    if (brush.Style == bsClear || !AllFinite(path)) return;
    TPainter painter(FBitmap, FState->clip);
    if (RectEmpty(painter.Area())) return;
    TInk ink = InkOf(painter.Codec(), brush.Color, mode, brush.Style);
    FillFigure(painter, path, rule, ink);
    FBitmap.Changed();
}

void TBitmapCanvas::StrokePath(const TPath& path, const TPen& pen, double width)
{
    if (pen.Style == psClear || !AllFinite(path) || path.Empty()) return;
    TPainter painter(FBitmap, FState->clip);
    if (RectEmpty(painter.Area())) return;
    TInk ink = InkOf(painter.Codec(), pen.Color, pen.Mode);
    TBox box;
    PathBounds(path, box);

    if (!(width > 1)) {
        TBox ellipse;
        if ((pen.Style == psSolid || pen.Style == psInsideFrame) && AsEllipse(path, ellipse)) {
            painter.FillSpans(EllipseOutline(ellipse, painter.Area()), ink);
            FBitmap.Changed();
            return;
        }
        std::vector<TPolyline> figures = Flatten(path);
        if (IsFar(box)) figures = ClipForStroke(figures, TBox{-kFar, -kFar, kFar, kFar});
        TCosmeticStroker stroker(pen.Style, painter.Area());
        for (const TPolyline& f : figures) stroker.AddFigure(f);
        painter.FillSpans(stroker.TakeSpans(), ink);
        FBitmap.Changed();
        return;
    }

    const double w = std::min(width, kMaxPenWidth);
    // A line through pixel centres with an even width would have its edges
    // on pixel centres too, where the rasteriser's choice differs between
    // straight sides and joins; half a pixel up and left puts the edges
    // between centres and covers the same pixels along straight sides.
    TPath shifted;
    if (std::fmod(w, 2) == 0) {
        shifted = Translated(path, -0.5, -0.5);
        box = TBox{box.Left - 0.5, box.Top - 0.5, box.Right - 0.5, box.Bottom - 0.5};
    }
    const TPath& line = std::fmod(w, 2) == 0 ? shifted : path;
    const bool solid = pen.Style == psSolid || pen.Style == psInsideFrame;
    TBox rect;
    // Square corners come out the same from a miter join, and from a round
    // join up to width 3 (the rounding cuts no pixel centre before that).
    if (solid && (pen.Join == pjMiter || (pen.Join == pjRound && w <= 3)) && AsAxisRectangle(line, rect)) {
        painter.FillSpans(RectangleBand(rect, w), ink);
        FBitmap.Changed();
        return;
    }
    const TPath figure = NearPart(line, box, true);
    painter.FillShape(PixelBounds(box, w * 5 + 2), [&](cairo_t* cr) {
        AppendPath(cr, figure);
        cairo_set_line_width(cr, w);
        cairo_set_line_cap(cr, pen.Cap == pcRound    ? CAIRO_LINE_CAP_ROUND
                               : pen.Cap == pcSquare ? CAIRO_LINE_CAP_SQUARE
                                                     : CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, pen.Join == pjRound   ? CAIRO_LINE_JOIN_ROUND
                                : pen.Join == pjBevel ? CAIRO_LINE_JOIN_BEVEL
                                                      : CAIRO_LINE_JOIN_MITER);
        cairo_set_miter_limit(cr, 10);
        SetDash(cr, pen.Style, w);
        cairo_stroke(cr);
    }, ink);
    FBitmap.Changed();
}

void TBitmapCanvas::DrawTextRun(const TTextRun& run)
{
    TPainter painter(FBitmap, FState->clip);
    if (RectEmpty(painter.Area())) return;
    TTextLayout layout(run.Text, run.Font, run.Advances.empty() ? nullptr : &run.Advances,
                       run.Rises.empty() ? nullptr : &run.Rises);
    if (!std::isfinite(run.Origin.X) || !std::isfinite(run.Origin.Y) || !std::isfinite(run.Escapement)) return;

    // Text runs along dir; "down" is the perpendicular towards the descent.
    const double angle = run.Escapement * std::numbers::pi / 180;
    const TPointF dir{std::cos(angle), -std::sin(angle)};
    const TPointF down{std::sin(angle), std::cos(angle)};
    double along = run.HAlign == taCenter ? -layout.Width() / 2 : run.HAlign == taRight ? -layout.Width() : 0;
    double across = run.VAlign == tvTop ? layout.Ascent() : run.VAlign == tvBottom ? -layout.Descent() : 0;
    const TPointF base{run.Origin.X + along * dir.X + across * down.X, run.Origin.Y + along * dir.Y + across * down.Y};
    // A point given in text coordinates (u along the baseline, v down).
    auto at = [&](double u, double v) { return TPointF{base.X + u * dir.X + v * down.X, base.Y + u * dir.Y + v * down.Y}; };
    auto box = [&](double u0, double v0, double u1, double v1) {
        TPath p;
        TPointF pts[4] = {at(u0, v0), at(u1, v0), at(u1, v1), at(u0, v1)};
        p.AddPolygon(pts, 4);
        return p;
    };

    if (run.Opaque && layout.Width() > 0) {
        FillFigure(painter, box(0, -layout.Ascent(), layout.Width(), layout.Descent()), frWinding,
                   InkOf(painter.Codec(), run.Background, pmCopy));
    }
    // Glyphs may reach beyond their cell (italics, accents): allow an em,
    // and the rises of characters lifted off the baseline.
    TBox extent;
    PathBounds(box(0, -layout.Ascent(), layout.Width(), layout.Descent()), extent);
    if (!IsFar(extent)) {
        painter.BlendShape(PixelBounds(extent, layout.EmSize() + layout.MaxRise() + 2), [&](cairo_t* cr) {
            cairo_translate(cr, base.X, base.Y);
            cairo_rotate(cr, -angle);
            layout.ShowGlyphs(cr);
        }, run.Color, false);
    }
    TInk bar = InkOf(painter.Codec(), run.Color, pmCopy);
    if (run.Font.Underline) {
        double top = layout.UnderlineTop();
        FillFigure(painter, box(0, top, layout.Width(), top + layout.BarThickness()), frWinding, bar);
    }
    if (run.Font.StrikeOut) {
        double top = layout.StrikeOutTop();
        FillFigure(painter, box(0, top, layout.Width(), top + layout.BarThickness()), frWinding, bar);
    }
    FBitmap.Changed();
}

void TBitmapCanvas::DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop,
                               double destWidth, double destHeight, std::uint32_t rop)
{
    TPainter painter(FBitmap, FState->clip);
    if (RectEmpty(painter.Area())) return;
    TransferBitmap(painter, bitmap, srcRect, destLeft, destTop, destWidth, destHeight, rop, Brush.Color);
    FBitmap.Changed();
}

TPointF TBitmapCanvas::MeasureText(const std::string& text, const TFont& font)
{
    TTextLayout layout(text, font);
    return TPointF{layout.Width(), layout.CellHeight()};
}

void TBitmapCanvas::SaveClip()
{
    FState->saved.push_back(FState->clip);
}

void TBitmapCanvas::RestoreClip()
{
    // An unmatched restore (a damaged metafile) keeps the present clip.
    if (FState->saved.empty()) return;
    FState->clip = std::move(FState->saved.back());
    FState->saved.pop_back();
}

void TBitmapCanvas::IntersectClip(const TPath& path, TFillRule rule)
{
    FState->clip.IntersectPath(path, rule);
}

void TBitmapCanvas::ResetClip()
{
    FState->clip = TClipRegion();
}

} // namespace pictor
