#include "gfx/Path.h"

namespace pictor {

void TPath::MoveTo(TPointF p)
{
    FElements.push_back(TElement{pkMove, {p, {}, {}}});
}

void TPath::LineTo(TPointF p)
{
    FElements.push_back(TElement{pkLine, {p, {}, {}}});
}

void TPath::BezierTo(TPointF c1, TPointF c2, TPointF end)
{
    FElements.push_back(TElement{pkBezier, {c1, c2, end}});
}

void TPath::Close()
{
    FElements.push_back(TElement{pkClose, {}});
}

void TPath::AddRectangle(double left, double top, double right, double bottom)
{
    MoveTo({left, top});
    LineTo({right, top});
    LineTo({right, bottom});
    LineTo({left, bottom});
    Close();
}

void TPath::AddEllipse(double left, double top, double right, double bottom)
{
    // Four cubic arcs, each a quarter of the ellipse; kappa makes the
    // midpoint of every arc lie on the true ellipse.
    constexpr double kKappa = 0.55228474983079339840;
    const double cx = (left + right) / 2;
    const double cy = (top + bottom) / 2;
    const double rx = (right - left) / 2;
    const double ry = (bottom - top) / 2;
    const double kx = rx * kKappa;
    const double ky = ry * kKappa;
    MoveTo({cx + rx, cy});
    BezierTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
    BezierTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
    BezierTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
    BezierTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
    Close();
}

void TPath::AddPolygon(const TPointF* points, int count)
{
    if (count <= 0) return;
    MoveTo(points[0]);
    for (int i = 1; i < count; ++i) LineTo(points[i]);
    Close();
}

void TPath::AddPolyline(const TPointF* points, int count)
{
    // A polyline stays open: its ends get the pen's caps, not a join.
    if (count <= 0) return;
    MoveTo(points[0]);
    for (int i = 1; i < count; ++i) LineTo(points[i]);
}

} // namespace pictor
