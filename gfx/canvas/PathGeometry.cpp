#include "gfx/canvas/PathGeometry.h"

#include <algorithm>
#include <cmath>

namespace pictor::raster {

namespace {

void FlattenBezier(std::vector<TPointF>& out, TPointF p0, TPointF p1, TPointF p2, TPointF p3, double tolerance)
{
    // The distance between a cubic and its n-segment chord polygon is at
    // most 3/4 of the largest second difference of the controls over n^2.
    double ddx = std::max(std::abs(p0.X - 2 * p1.X + p2.X), std::abs(p1.X - 2 * p2.X + p3.X));
    double ddy = std::max(std::abs(p0.Y - 2 * p1.Y + p2.Y), std::abs(p1.Y - 2 * p2.Y + p3.Y));
    double dd = std::hypot(ddx, ddy);
    int n = static_cast<int>(std::ceil(std::sqrt(0.75 * dd / tolerance)));
    n = std::clamp(n, 1, 4096);
    for (int i = 1; i <= n; ++i) {
        double t = double(i) / n;
        double u = 1 - t;
        double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back({a * p0.X + b * p1.X + c * p2.X + d * p3.X, a * p0.Y + b * p1.Y + c * p2.Y + d * p3.Y});
    }
}

bool Inside(TPointF p, int edge, const TBox& box)
{
    switch (edge) {
    case 0: return p.X >= box.Left;
    case 1: return p.X <= box.Right;
    case 2: return p.Y >= box.Top;
    default: return p.Y <= box.Bottom;
    }
}

TPointF Crossing(TPointF a, TPointF b, int edge, const TBox& box)
{
    double t;
    switch (edge) {
    case 0: t = (box.Left - a.X) / (b.X - a.X); return {box.Left, a.Y + t * (b.Y - a.Y)};
    case 1: t = (box.Right - a.X) / (b.X - a.X); return {box.Right, a.Y + t * (b.Y - a.Y)};
    case 2: t = (box.Top - a.Y) / (b.Y - a.Y); return {a.X + t * (b.X - a.X), box.Top};
    default: t = (box.Bottom - a.Y) / (b.Y - a.Y); return {a.X + t * (b.X - a.X), box.Bottom};
    }
}

// Liang-Barsky: the part of segment a-b inside box, as parameters t0 < t1.
bool ClipSegment(TPointF a, TPointF b, const TBox& box, double& t0, double& t1)
{
    t0 = 0;
    t1 = 1;
    double dx = b.X - a.X, dy = b.Y - a.Y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.X - box.Left, box.Right - a.X, a.Y - box.Top, box.Bottom - a.Y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        double r = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, r);
        else t1 = std::min(t1, r);
        if (t0 > t1) return false;
    }
    return true;
}

} // namespace

std::vector<TPolyline> Flatten(const TPath& path, double tolerance)
{
    std::vector<TPolyline> figures;
    TPointF start{};
    bool open = false; // a figure is being built
    auto current = [&]() -> TPolyline& { return figures.back(); };
    auto begin = [&](TPointF p) {
        figures.push_back(TPolyline{{p}, false});
        start = p;
        open = true;
    };
    for (const TPath::TElement& e : path.Elements()) {
        switch (e.kind) {
        case TPath::pkMove:
            begin(e.p[0]);
            break;
        case TPath::pkLine:
            if (!open) begin(figures.empty() ? e.p[0] : start);
            current().Points.push_back(e.p[0]);
            break;
        case TPath::pkBezier:
            if (!open) begin(figures.empty() ? e.p[0] : start);
            FlattenBezier(current().Points, current().Points.back(), e.p[0], e.p[1], e.p[2], tolerance);
            break;
        case TPath::pkClose:
            if (open) {
                current().Closed = true;
                open = false;
            }
            break;
        }
    }
    return figures;
}

bool AllFinite(const TPath& path)
{
    for (const TPath::TElement& e : path.Elements()) {
        int n = e.kind == TPath::pkBezier ? 3 : e.kind == TPath::pkClose ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            if (!std::isfinite(e.p[i].X) || !std::isfinite(e.p[i].Y)) return false;
        }
    }
    return true;
}

bool PathBounds(const TPath& path, TBox& box)
{
    bool any = false;
    for (const TPath::TElement& e : path.Elements()) {
        int n = e.kind == TPath::pkBezier ? 3 : e.kind == TPath::pkClose ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            const TPointF& p = e.p[i];
            if (!any) {
                box = {p.X, p.Y, p.X, p.Y};
                any = true;
            } else {
                box.Left = std::min(box.Left, p.X);
                box.Top = std::min(box.Top, p.Y);
                box.Right = std::max(box.Right, p.X);
                box.Bottom = std::max(box.Bottom, p.Y);
            }
        }
    }
    return any;
}

bool AsAxisRectangle(const TPath& path, TBox& rect)
{
    const auto& el = path.Elements();
    std::size_t n = el.size();
    if (n != 5 && n != 6) return false;
    if (el[0].kind != TPath::pkMove || el[n - 1].kind != TPath::pkClose) return false;
    TPointF pts[5];
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (i > 0 && el[i].kind != TPath::pkLine) return false;
        pts[count++] = el[i].p[0];
    }
    if (count == 5) {
        if (pts[4].X != pts[0].X || pts[4].Y != pts[0].Y) return false;
    }
    // Sides alternate between horizontal and vertical, starting with either.
    auto horizontal = [&](int i, int j) { return pts[i].Y == pts[j].Y; };
    auto vertical = [&](int i, int j) { return pts[i].X == pts[j].X; };
    bool hFirst = horizontal(0, 1) && vertical(1, 2) && horizontal(2, 3) && vertical(3, 0);
    bool vFirst = vertical(0, 1) && horizontal(1, 2) && vertical(2, 3) && horizontal(3, 0);
    if (!hFirst && !vFirst) return false;
    rect.Left = std::min(pts[0].X, pts[2].X);
    rect.Right = std::max(pts[0].X, pts[2].X);
    rect.Top = std::min(pts[0].Y, pts[2].Y);
    rect.Bottom = std::max(pts[0].Y, pts[2].Y);
    return true;
}

std::vector<TPolyline> ClipForFill(const std::vector<TPolyline>& figures, const TBox& box)
{
    std::vector<TPolyline> out;
    for (const TPolyline& f : figures) {
        std::vector<TPointF> poly = f.Points;
        for (int edge = 0; edge < 4 && !poly.empty(); ++edge) {
            std::vector<TPointF> next;
            for (std::size_t i = 0; i < poly.size(); ++i) {
                TPointF a = poly[i];
                TPointF b = poly[(i + 1) % poly.size()];
                bool ina = Inside(a, edge, box), inb = Inside(b, edge, box);
                if (ina) next.push_back(a);
                if (ina != inb) next.push_back(Crossing(a, b, edge, box));
            }
            poly = std::move(next);
        }
        if (poly.size() >= 3) out.push_back(TPolyline{std::move(poly), true});
    }
    return out;
}

std::vector<TPolyline> ClipForStroke(const std::vector<TPolyline>& figures, const TBox& box)
{
    std::vector<TPolyline> out;
    for (const TPolyline& f : figures) {
        std::size_t n = f.Points.size();
        if (n == 0) continue;
        std::size_t segments = f.Closed ? n : n - 1;
        bool wholeFigure = true;
        TPolyline piece;
        auto flush = [&] {
            if (piece.Points.size() >= 2) out.push_back(std::move(piece));
            piece = TPolyline{};
        };
        for (std::size_t i = 0; i < segments; ++i) {
            TPointF a = f.Points[i], b = f.Points[(i + 1) % n];
            double t0, t1;
            if (!ClipSegment(a, b, box, t0, t1)) {
                wholeFigure = false;
                flush();
                continue;
            }
            TPointF c{a.X + t0 * (b.X - a.X), a.Y + t0 * (b.Y - a.Y)};
            TPointF d{a.X + t1 * (b.X - a.X), a.Y + t1 * (b.Y - a.Y)};
            if (t0 > 0) {
                wholeFigure = false;
                flush();
            }
            if (piece.Points.empty()) piece.Points.push_back(c);
            piece.Points.push_back(d);
            if (t1 < 1) {
                wholeFigure = false;
                flush();
            }
        }
        if (wholeFigure && f.Closed) {
            // Nothing was cut: keep the figure closed so its joins stay.
            piece.Points.pop_back();
            piece.Closed = true;
        }
        flush();
    }
    return out;
}

TPath ToPath(const std::vector<TPolyline>& figures)
{
    TPath path;
    for (const TPolyline& f : figures) {
        if (f.Points.empty()) continue;
        path.MoveTo(f.Points[0]);
        for (std::size_t i = 1; i < f.Points.size(); ++i) path.LineTo(f.Points[i]);
        if (f.Closed) path.Close();
    }
    return path;
}

} // namespace pictor::raster
