// TPlayer: the drawing that records ask for, as canvas paths, text runs and
// bitmap transfers.
#include "gfx/metafile/Player.h"

#include "gfx/canvas/SymbolFonts.h"
#include "gfx/metafile/Region.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pictor::mf {

namespace {

constexpr double kKappa = 0.5522847498307936; // Bézier control distance of a quarter circle
constexpr double kMaxCoordinate = kMaxCanvasCoordinate;
constexpr int kSymbolCharSet = 2;               // a font's codes as they are

void Append(TPath& to, const TPath& from)
{
    for (const auto& e : from.Elements()) {
        switch (e.kind) {
        case TPath::pkMove: to.MoveTo(e.p[0]); break;
        case TPath::pkLine: to.LineTo(e.p[0]); break;
        case TPath::pkBezier: to.BezierTo(e.p[0], e.p[1], e.p[2]); break;
        case TPath::pkClose: to.Close(); break;
        }
    }
}

TPath Transform(const TPath& path, const TXform& m, double offset)
{
    TPath out;
    for (const auto& e : path.Elements()) {
        auto at = [&](int i) {
            TPointF p = m.Apply(e.p[i].X, e.p[i].Y);
            return TPointF{p.X + offset, p.Y + offset};
        };
        switch (e.kind) {
        case TPath::pkMove: out.MoveTo(at(0)); break;
        case TPath::pkLine: out.LineTo(at(0)); break;
        case TPath::pkBezier: out.BezierTo(at(0), at(1), at(2)); break;
        case TPath::pkClose: out.Close(); break;
        }
    }
    return out;
}

bool Reasonable(const TPath& path)
{
    for (const auto& e : path.Elements()) {
        int n = e.kind == TPath::pkBezier ? 3 : e.kind == TPath::pkClose ? 0 : 1;
        for (int i = 0; i < n; ++i)
            if (!std::isfinite(e.p[i].X) || !std::isfinite(e.p[i].Y) || std::fabs(e.p[i].X) > kMaxCoordinate ||
                std::fabs(e.p[i].Y) > kMaxCoordinate)
                return false;
    }
    return true;
}

void AddRoundRect(TPath& p, double l, double t, double r, double b, double rx, double ry)
{
    rx = std::min(rx, (r - l) / 2);
    ry = std::min(ry, (b - t) / 2);
    if (rx <= 0 || ry <= 0) {
        p.AddRectangle(l, t, r, b);
        return;
    }
    const double kx = rx * kKappa, ky = ry * kKappa;
    p.MoveTo({l + rx, t});
    p.LineTo({r - rx, t});
    p.BezierTo({r - rx + kx, t}, {r, t + ry - ky}, {r, t + ry});
    p.LineTo({r, b - ry});
    p.BezierTo({r, b - ry + ky}, {r - rx + kx, b}, {r - rx, b});
    p.LineTo({l + rx, b});
    p.BezierTo({l + rx - kx, b}, {l, b - ry + ky}, {l, b - ry});
    p.LineTo({l, t + ry});
    p.BezierTo({l, t + ry - ky}, {l + rx - kx, t}, {l + rx, t});
    p.Close();
}

TPenMode PenModeOfRop2(int rop2)
{
    static const TPenMode modes[16] = {pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot,
                                       pmXor,   pmNotMask,  pmMask,       pmNotXor,  pmNop,        pmMergeNotPen,
                                       pmCopy,  pmMergePenNot, pmMerge,   pmWhite};
    return rop2 >= 1 && rop2 <= 16 ? modes[rop2 - 1] : pmCopy;
}

} // namespace

TPath TPlayer::RectPath(double l, double t, double r, double b) const
{
    TPath p;
    TPointF pts[4] = {P(l, t), P(r, t), P(r, b), P(l, b)};
    p.AddPolygon(pts, 4);
    return p;
}

TPath TPlayer::RectsPath(const std::vector<std::array<double, 4>>& rects) const
{
    TPath p;
    for (const auto& r : rects) Append(p, RectPath(r[0], r[1], r[2], r[3]));
    return p;
}

TPenMode TPlayer::Mode() const
{
    return PenModeOfRop2(FDc.Rop2);
}

double TPlayer::PenWidth() const
{
    if (FDc.Pen.Cosmetic || FDc.Pen.Width <= 0) return 0;
    TPointF v = FToCanvas.ApplyVector(FDc.Pen.Width, 0);
    double w = std::hypot(v.X, v.Y);
    return std::isfinite(w) ? std::min(w, 1e5) : 0;
}

TPen TPlayer::CanvasPen() const
{
    TPen pen;
    const double width = PenWidth();
    pen.Color = FDc.Pen.Color;
    pen.Style = FDc.Pen.Style;
    // Wide pens of the simple kind draw dashes solid, as the platform does.
    if (width > 1.5 && !FDc.Pen.Geometric && pen.Style != psClear) pen.Style = psSolid;
    // Thin lines have no caps: they end at their last pixel.
    pen.Cap = width <= 1.5 ? pcFlat : FDc.Pen.Cap;
    pen.Join = FDc.Pen.Join;
    pen.Mode = Mode();
    pen.Width = std::max(1, static_cast<int>(std::lround(width)));
    return pen;
}

void TPlayer::Stroke(const TPath& path)
{
    if (FDc.Pen.Null || path.Empty() || !Reasonable(path)) return;
    FCanvas.StrokePath(path, CanvasPen(), PenWidth());
}

void TPlayer::FillWithBrush(const TPath& path, const TBrushSpec& brush, TFillRule rule)
{
    if (brush.Null || path.Empty() || !Reasonable(path)) return;
    if (FillWithPattern(path, brush, rule, PatternRopOfRop2(FDc.Rop2))) return;
    if (brush.Style != bsSolid && FDc.BkOpaque)
        FCanvas.FillPath(path, rule, TBrush{FDc.BkColor, bsSolid}, Mode());
    FCanvas.FillPath(path, rule, TBrush{brush.Color, brush.Style}, Mode());
}

void TPlayer::FillSolidPath(const TPath& canvasPath, TColor color)
{
    if (canvasPath.Empty() || !Reasonable(canvasPath)) return;
    FCanvas.FillPath(canvasPath, frWinding, TBrush{color, bsSolid}, pmCopy);
}

void TPlayer::Draw(const TPath& fill, const TPath& stroke, bool closed)
{
    if (FInPath) {
        if (FPath.Elements().size() + fill.Elements().size() <= kMaxPathElements) Append(FPath, fill);
        return;
    }
    if (closed) FillWithBrush(fill, FDc.Brush, FDc.Winding ? frWinding : frAlternate);
    Stroke(stroke);
}

// --- lines -------------------------------------------------------------------------

void TPlayer::MoveTo(double x, double y)
{
    FDc.Position = {x, y};
    if (FInPath && FPath.Elements().size() < kMaxPathElements) FPath.MoveTo(P(x, y));
}

void TPlayer::LineTo(double x, double y)
{
    TPointF from = FDc.Position;
    FDc.Position = {x, y};
    if (FInPath) {
        if (FPath.Elements().size() >= kMaxPathElements) return;
        if (FPath.Empty() || FPath.Elements().back().kind == TPath::pkClose) FPath.MoveTo(P(from.X, from.Y));
        FPath.LineTo(P(x, y));
        return;
    }
    TPath line;
    TPointF pts[2] = {P(from.X, from.Y), P(x, y)};
    for (auto& p : pts) p = {p.X + 0.5, p.Y + 0.5};
    line.AddPolyline(pts, 2);
    Stroke(line);
}

void TPlayer::Polyline(const std::vector<TPointF>& points)
{
    if (points.size() < 2) return;
    TPath logical;
    logical.AddPolyline(points.data(), static_cast<int>(points.size()));
    Draw(Transform(logical, FToCanvas, 0), Transform(logical, FToCanvas, 0.5), false);
}

void TPlayer::PolylineTo(const std::vector<TPointF>& points)
{
    if (points.empty()) return;
    std::vector<TPointF> all;
    all.reserve(points.size() + 1);
    all.push_back(FDc.Position);
    all.insert(all.end(), points.begin(), points.end());
    FDc.Position = points.back();
    if (FInPath) {
        if (FPath.Elements().size() + points.size() > kMaxPathElements) return;
        if (FPath.Empty() || FPath.Elements().back().kind == TPath::pkClose) FPath.MoveTo(P(all[0].X, all[0].Y));
        for (const TPointF& p : points) FPath.LineTo(P(p.X, p.Y));
        return;
    }
    Polyline(all);
}

void TPlayer::PolyBezier(const std::vector<TPointF>& points)
{
    if (points.size() < 4) return;
    TPath logical;
    logical.MoveTo(points[0]);
    for (std::size_t i = 1; i + 2 < points.size(); i += 3) logical.BezierTo(points[i], points[i + 1], points[i + 2]);
    Draw(Transform(logical, FToCanvas, 0), Transform(logical, FToCanvas, 0.5), false);
}

void TPlayer::PolyBezierTo(const std::vector<TPointF>& points)
{
    if (points.size() < 3) return;
    std::vector<TPointF> all;
    all.reserve(points.size() + 1);
    all.push_back(FDc.Position);
    all.insert(all.end(), points.begin(), points.begin() + static_cast<std::ptrdiff_t>(points.size() / 3 * 3));
    FDc.Position = all.back();
    if (FInPath) {
        if (FPath.Elements().size() + points.size() > kMaxPathElements) return;
        if (FPath.Empty() || FPath.Elements().back().kind == TPath::pkClose) FPath.MoveTo(P(all[0].X, all[0].Y));
        for (std::size_t i = 1; i + 2 < all.size(); i += 3)
            FPath.BezierTo(P(all[i].X, all[i].Y), P(all[i + 1].X, all[i + 1].Y), P(all[i + 2].X, all[i + 2].Y));
        return;
    }
    PolyBezier(all);
}

void TPlayer::PolyDraw(const std::vector<TPointF>& points, const std::vector<std::uint8_t>& types)
{
    // Point types: 6 move, 2 line, 4 Bézier (three in a row), bit 0 closes.
    TPath logical;
    TPointF position = FDc.Position;
    logical.MoveTo(position);
    for (std::size_t i = 0; i < points.size() && i < types.size(); ++i) {
        int type = types[i] & ~1;
        if (type == 6) {
            logical.MoveTo(points[i]);
        } else if (type == 2) {
            logical.LineTo(points[i]);
        } else if (type == 4 && i + 2 < points.size()) {
            logical.BezierTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else {
            break;
        }
        position = points[std::min(i, points.size() - 1)];
        if (types[std::min(i, types.size() - 1)] & 1) logical.Close();
    }
    FDc.Position = position;
    Draw(Transform(logical, FToCanvas, 0), Transform(logical, FToCanvas, 0.5), false);
}

void TPlayer::PolyPolygon(const std::vector<std::vector<TPointF>>& polygons)
{
    TPath logical;
    for (const auto& polygon : polygons)
        if (polygon.size() >= 2) logical.AddPolygon(polygon.data(), static_cast<int>(polygon.size()));
    if (logical.Empty()) return;
    Draw(Transform(logical, FToCanvas, 0), Transform(logical, FToCanvas, 0.5), true);
}

void TPlayer::PolyPolyline(const std::vector<std::vector<TPointF>>& polylines)
{
    TPath logical;
    for (const auto& line : polylines)
        if (line.size() >= 2) logical.AddPolyline(line.data(), static_cast<int>(line.size()));
    if (logical.Empty()) return;
    Draw(Transform(logical, FToCanvas, 0), Transform(logical, FToCanvas, 0.5), false);
}

// --- shapes in a box -----------------------------------------------------------------

void TPlayer::Rectangle(double l, double t, double r, double b)
{
    RoundRect(l, t, r, b, 0, 0);
}

void TPlayer::RoundRect(double l, double t, double r, double b, double w, double h)
{
    if (FToCanvas.AxisAligned()) {
        TPointF a = P(l, t), c = P(r, b);
        double x1 = std::min(a.X, c.X), x2 = std::max(a.X, c.X), y1 = std::min(a.Y, c.Y), y2 = std::max(a.Y, c.Y);
        double rx = std::fabs(FToCanvas.M11 * w) / 2, ry = std::fabs(FToCanvas.M22 * h) / 2;
        TPath box;
        AddRoundRect(box, x1, y1, x2, y2, rx, ry);
        if (FInPath) {
            Draw(box, box, true);
            return;
        }
        // The outline runs on the outermost pixel centres inside the box;
        // with a pen, the fill is what lies inside its band, so that no pixel
        // is drawn twice.
        const double i = std::min({0.5, (x2 - x1) / 2, (y2 - y1) / 2});
        TPath stroke, fill;
        AddRoundRect(stroke, x1 + i, y1 + i, x2 - i, y2 - i, std::max(0.0, rx - i), std::max(0.0, ry - i));
        if (FDc.Pen.Null) {
            fill = box;
        } else if (rx > 0 && ry > 0) {
            fill = stroke;
        } else {
            const double half = std::max(1.0, PenWidth()) / 2;
            const double il = std::ceil(x1 + i + half - 0.5), it = std::ceil(y1 + i + half - 0.5);
            const double ir = std::ceil(x2 - i - half - 0.5), ib = std::ceil(y2 - i - half - 0.5);
            if (il < ir && it < ib) fill.AddRectangle(il, it, ir, ib);
        }
        Draw(fill, stroke, true);
        return;
    }
    TPath logical;
    AddRoundRect(logical, std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b), std::fabs(w) / 2,
                 std::fabs(h) / 2);
    Draw(Transform(logical, FToCanvas, 0), Transform(logical, FToCanvas, 0.5), true);
}

void TPlayer::Ellipse(double l, double t, double r, double b)
{
    if (FToCanvas.AxisAligned()) {
        TPointF a = P(l, t), c = P(r, b);
        double x1 = std::min(a.X, c.X), x2 = std::max(a.X, c.X), y1 = std::min(a.Y, c.Y), y2 = std::max(a.Y, c.Y);
        if (!FInPath && !FDc.Pen.Null) {
            // An outlined ellipse lies in whole canvas pixels, as the device
            // rounds its box: a small one is as round as its box is square,
            // wherever the mapping puts it. A fill alone keeps its box, which
            // is how conversions between the formats carry one exactly.
            auto whole = [](double v) { return std::floor(v + 0.5); };
            x1 = whole(x1);
            x2 = whole(x2);
            y1 = whole(y1);
            y2 = whole(y2);
        }
        double i = std::min({0.5, (x2 - x1) / 2, (y2 - y1) / 2});
        TPath box, outline;
        box.AddEllipse(x1, y1, x2, y2);
        outline.AddEllipse(x1 + i, y1 + i, x2 - i, y2 - i);
        // With a pen the inside is filled up to the outline's centre line.
        Draw(FInPath || FDc.Pen.Null ? box : outline, outline, true);
        return;
    }
    TPath logical;
    logical.AddEllipse(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b));
    Draw(Transform(logical, FToCanvas, 0), Transform(logical, FToCanvas, 0.5), true);
}

void TPlayer::AppendBeziers(TPath& path, const TXform& m, double offset, double cx, double cy, double rx, double ry,
                            double t0, double t1) const
{
    // Segments of at most a quarter turn.
    int n = std::max(1, static_cast<int>(std::ceil(std::fabs(t1 - t0) / (std::numbers::pi / 2) - 1e-9)));
    double step = (t1 - t0) / n;
    double k = 4.0 / 3.0 * std::tan(step / 4);
    auto at = [&](double x, double y) {
        TPointF p = m.Apply(x, y);
        return TPointF{p.X + offset, p.Y + offset};
    };
    for (int i = 0; i < n; ++i) {
        double a = t0 + i * step, b = a + step;
        double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        path.BezierTo(at(cx + rx * (ca - k * sa), cy + ry * (sa + k * ca)),
                      at(cx + rx * (cb + k * sb), cy + ry * (sb - k * cb)), at(cx + rx * cb, cy + ry * sb));
    }
}

void TPlayer::Arc(TArcKind kind, double l, double t, double r, double b, double xs, double ys, double xe, double ye)
{
    double x1 = std::min(l, r), x2 = std::max(l, r), y1 = std::min(t, b), y2 = std::max(t, b);
    double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
    if (rx <= 0 || ry <= 0) return;
    // Parameters of the points where the radials through the start and end
    // points meet the ellipse.
    double t0 = std::atan2((ys - cy) / ry, (xs - cx) / rx);
    double t1 = std::atan2((ye - cy) / ry, (xe - cx) / rx);
    // Counter-clockwise as seen on the device (y down there).
    bool clockwise = FDc.ArcClockwise;
    if (FToCanvas.Determinant() < 0) clockwise = !clockwise;
    if (clockwise) {
        while (t1 <= t0) t1 += 2 * std::numbers::pi;
    } else {
        while (t1 >= t0) t1 -= 2 * std::numbers::pi;
    }
    TPointF start{cx + rx * std::cos(t0), cy + ry * std::sin(t0)};
    TPointF end{cx + rx * std::cos(t1), cy + ry * std::sin(t1)};
    auto build = [&](double offset) {
        TPath p;
        auto at = [&](TPointF q) {
            TPointF c = FToCanvas.Apply(q.X, q.Y);
            return TPointF{c.X + offset, c.Y + offset};
        };
        if (kind == TArcKind::ArcTo) {
            p.MoveTo(at(FDc.Position));
            p.LineTo(at(start));
        } else if (kind == TArcKind::Pie) {
            p.MoveTo(at({cx, cy}));
            p.LineTo(at(start));
        } else {
            p.MoveTo(at(start));
        }
        AppendBeziers(p, FToCanvas, offset, cx, cy, rx, ry, t0, t1);
        if (kind == TArcKind::Chord || kind == TArcKind::Pie) p.Close();
        return p;
    };
    if (kind == TArcKind::ArcTo) FDc.Position = end;
    bool closed = kind == TArcKind::Chord || kind == TArcKind::Pie;
    Draw(build(0), build(0.5), closed);
}

void TPlayer::AngleArc(double x, double y, double radius, double start, double sweep)
{
    if (!(radius > 0) || !std::isfinite(start) || !std::isfinite(sweep)) return;
    const double deg = std::numbers::pi / 180;
    sweep = std::clamp(sweep, -3600.0, 3600.0);
    double t0 = -start * deg, t1 = -(start + sweep) * deg; // counter-clockwise in a y-down space
    TPointF first{x + radius * std::cos(t0), y + radius * std::sin(t0)};
    TPointF last{x + radius * std::cos(t1), y + radius * std::sin(t1)};
    auto build = [&](double offset) {
        TPath p;
        TPointF a = FToCanvas.Apply(FDc.Position.X, FDc.Position.Y), b = FToCanvas.Apply(first.X, first.Y);
        p.MoveTo({a.X + offset, a.Y + offset});
        p.LineTo({b.X + offset, b.Y + offset});
        AppendBeziers(p, FToCanvas, offset, x, y, radius, radius, t0, t1);
        return p;
    };
    Draw(build(0), build(0.5), false);
    FDc.Position = last;
}

void TPlayer::SetPixel(double x, double y, TColor color)
{
    TPointF a = P(x, y);
    TPointF size = FDeviceToCanvas.ApplyVector(1, 1);
    double w = std::max(1.0, std::fabs(size.X)), h = std::max(1.0, std::fabs(size.Y));
    double left = std::floor(a.X), top = std::floor(a.Y);
    TPath p;
    p.AddRectangle(left, top, left + w, top + h);
    if (!Reasonable(p)) return;
    FCanvas.FillPath(p, frWinding, TBrush{color, bsSolid}, Mode());
}

void TPlayer::FillRects(const std::vector<std::array<double, 4>>& rects, const TBrushSpec& brush)
{
    FillWithBrush(RectsPath(rects), brush, frWinding);
}

void TPlayer::FrameRegion(const TRegionSpec& region, const TBrushSpec& brush, int width, int height)
{
    FillRects(RegionFrame(region, width, height), brush);
}

void TPlayer::InvertRegion(const TRegionSpec& region)
{
    const TPath p = RectsPath(region.Rects);
    if (p.Empty() || !Reasonable(p)) return;
    FCanvas.FillPath(p, frWinding, TBrush{clBlack, bsSolid}, pmNot);
}

// --- bitmaps -----------------------------------------------------------------------

void TPlayer::Bitmap(const TBitmap& bitmap, const TRect& src, double x, double y, double w, double h,
                     std::uint32_t rop)
{
    if (src.Width() <= 0 || src.Height() <= 0 || w == 0 || h == 0) return;
    // Only the part of the source inside the bitmap is transferred; the
    // destination shrinks with it.
    TRect inside = Rect(std::max(src.Left, 0), std::max(src.Top, 0), std::min(src.Right, bitmap.Width()),
                        std::min(src.Bottom, bitmap.Height()));
    if (inside.Width() <= 0 || inside.Height() <= 0) return;
    double sx = w / src.Width(), sy = h / src.Height();
    double x0 = x + (inside.Left - src.Left) * sx, y0 = y + (inside.Top - src.Top) * sy;
    double x1 = x0 + inside.Width() * sx, y1 = y0 + inside.Height() * sy;
    TPointF a = P(x0, y0), b = P(x1, y1);
    double dw = b.X - a.X, dh = b.Y - a.Y;
    if (!std::isfinite(a.X) || !std::isfinite(a.Y) || !std::isfinite(dw) || !std::isfinite(dh) ||
        std::fabs(a.X) > kMaxCoordinate || std::fabs(a.Y) > kMaxCoordinate || std::fabs(dw) > kMaxCoordinate ||
        std::fabs(dh) > kMaxCoordinate)
        return;
    FCanvas.Brush = TBrush{FDc.Brush.Color, FDc.Brush.Null ? bsClear : FDc.Brush.Style};
    FCanvas.DrawBitmap(bitmap, inside, a.X, a.Y, dw, dh, rop);
}

void TPlayer::PatBlt(double x, double y, double w, double h, std::uint32_t rop)
{
    TPenMode mode;
    switch (rop) {
    case 0x00F00021: mode = pmCopy; break;
    case 0x005A0049: mode = pmXor; break;
    case 0x00550009: mode = pmNot; break;
    case 0x00000042: mode = pmBlack; break;
    case 0x00FF0062: mode = pmWhite; break;
    case 0x000F0001: mode = pmNotCopy; break;
    default: return;
    }
    TPath p = RectPath(x, y, x + w, y + h);
    if (!Reasonable(p)) return;
    const bool usesBrush = mode == pmCopy || mode == pmXor || mode == pmNotCopy;
    if (usesBrush && FDc.Brush.Null) return;
    if (usesBrush && FillWithPattern(p, FDc.Brush, frWinding, PatternAsSource(rop))) return;
    TBrush brush{FDc.Brush.Color, FDc.Brush.Style};
    if (brush.Style != bsSolid && FDc.BkOpaque && mode == pmCopy)
        FCanvas.FillPath(p, frWinding, TBrush{FDc.BkColor, bsSolid}, pmCopy);
    FCanvas.FillPath(p, frWinding, brush, mode);
}

// --- text ----------------------------------------------------------------------------

void TPlayer::Text(const TTextCall& call)
{
    TPointF xAxis = FToCanvas.ApplyVector(1, 0);
    TPointF yAxis = FToCanvas.ApplyVector(0, 1);
    double xScale = std::hypot(xAxis.X, xAxis.Y), yScale = std::hypot(yAxis.X, yAxis.Y);
    if (!std::isfinite(xScale) || !std::isfinite(yScale)) return;

    if (call.Rect && (call.Opaque || call.Clipped)) {
        const auto& r = *call.Rect;
        if (call.Opaque) FillSolidPath(RectPath(r[0], r[1], r[2], r[3]), FDc.BkColor);
    }
    if (call.Text.empty()) return;

    double height = FDc.Font.Height * yScale;
    if (FDc.Font.Height == 0) {
        TPointF d = FDeviceToCanvas.ApplyVector(0, 1);
        height = -12 * std::hypot(d.X, d.Y);
    }
    if (!std::isfinite(height) || std::fabs(height) < 0.5 || std::fabs(height) > 1e5) return;

    TTextRun run;
    run.Text = ToUtf8(call.Text);
    run.Font.Name = FDc.Font.Name;
    run.Font.Height = static_cast<int>(std::lround(height));
    if (run.Font.Height == 0) run.Font.Height = height < 0 ? -1 : 1;
    if (FDc.Font.Width != 0) {
        const double width = std::fabs(FDc.Font.Width) * xScale;
        if (std::isfinite(width) && width <= 1e5) run.Font.Width = std::max(1, static_cast<int>(std::lround(width)));
    }
    run.Font.Bold = FDc.Font.Weight >= 600;
    run.Font.Italic = FDc.Font.Italic;
    run.Font.Underline = FDc.Font.Underline;
    run.Font.StrikeOut = FDc.Font.StrikeOut;
    run.Font.Color = FDc.TextColor;
    run.Color = FDc.TextColor;
    run.Opaque = FDc.BkOpaque;
    run.Background = FDc.BkColor;
    // The escapement turns the baseline counter-clockwise as the logical
    // axes run, so a mapping that turns the y axis upwards turns it the
    // other way on the canvas (an escapement of 2700 then reads upwards);
    // the glyphs stay upright along the baseline whatever the mapping.
    const double escapement = FDc.Font.Escapement / 10.0 * std::numbers::pi / 180;
    const TPointF along = FToCanvas.ApplyVector(std::cos(escapement), -std::sin(escapement));
    run.Escapement = std::atan2(-along.Y, along.X) * 180 / std::numbers::pi;

    const bool updateCp = FDc.TextAlign & 1;
    TPointF origin = updateCp ? FDc.Position : TPointF{call.X, call.Y};
    run.Origin = P(origin.X, origin.Y);
    switch (FDc.TextAlign & 6) {
    case 6: run.HAlign = taCenter; break;
    case 2: run.HAlign = taRight; break;
    default: run.HAlign = taLeft; break;
    }
    switch (FDc.TextAlign & 24) {
    case 24: run.VAlign = tvBaseline; break;
    case 8: run.VAlign = tvBottom; break;
    default: run.VAlign = tvTop; break;
    }
    double total = 0; // logical
    if (!call.Dx.empty()) {
        std::size_t unit = 0;
        run.Advances.reserve(call.Text.size());
        if (!call.Dy.empty()) run.Rises.reserve(call.Text.size());
        for (const TDecodedChar& c : call.Text) {
            double sum = 0, rise = 0;
            for (int k = 0; k < c.Units && unit < call.Dx.size(); ++k, ++unit) {
                sum += call.Dx[unit];
                if (unit < call.Dy.size()) rise += call.Dy[unit];
            }
            total += sum;
            run.Advances.push_back(sum * xScale);
            if (!call.Dy.empty()) run.Rises.push_back(rise * yScale);
        }
    }
    if (!std::isfinite(run.Origin.X) || !std::isfinite(run.Origin.Y) || std::fabs(run.Origin.X) > kMaxCoordinate ||
        std::fabs(run.Origin.Y) > kMaxCoordinate)
        return;

    if (call.Rect && call.Clipped) {
        const auto& r = *call.Rect;
        TClipGuard clip(FCanvas, RectPath(r[0], r[1], r[2], r[3]), frWinding);
        FCanvas.DrawTextRun(run);
    } else {
        FCanvas.DrawTextRun(run);
    }
    if (updateCp) {
        if (call.Dx.empty() && xScale > 0) total = FCanvas.MeasureText(run.Text, run.Font).X / xScale;
        FDc.Position.X += (run.HAlign == taRight ? -total : run.HAlign == taCenter ? 0 : total);
    }
}

int TPlayer::TextCharSet() const
{
    return raster::SymbolSetOf(FDc.Font.Name) == raster::TSymbolSet::None ? FDc.Font.CharSet : kSymbolCharSet;
}

// --- paths -------------------------------------------------------------------------

void TPlayer::BeginPath()
{
    FInPath = true;
    FPathDone = false;
    FPath.Clear();
}

void TPlayer::EndPath()
{
    if (!FInPath) return;
    FInPath = false;
    FPathDone = true;
}

void TPlayer::AbortPath()
{
    FInPath = false;
    FPathDone = false;
    FPath.Clear();
}

void TPlayer::CloseFigure()
{
    if (FInPath && !FPath.Empty() && FPath.Elements().back().kind != TPath::pkClose) FPath.Close();
}

void TPlayer::FillPath()
{
    if (!FPathDone) return;
    FillWithBrush(FPath, FDc.Brush, FDc.Winding ? frWinding : frAlternate);
    FPath.Clear();
    FPathDone = false;
}

void TPlayer::StrokePath()
{
    if (!FPathDone) return;
    TXform shift;
    Stroke(Transform(FPath, shift, 0.5));
    FPath.Clear();
    FPathDone = false;
}

void TPlayer::StrokeAndFillPath()
{
    if (!FPathDone) return;
    FillWithBrush(FPath, FDc.Brush, FDc.Winding ? frWinding : frAlternate);
    TXform shift;
    Stroke(Transform(FPath, shift, 0.5));
    FPath.Clear();
    FPathDone = false;
}

} // namespace pictor::mf
