#include "gfx/canvas/EllipseSpans.h"

#include <algorithm>
#include <cmath>

namespace pictor::raster {

namespace {

bool Near(TPointF a, TPointF b)
{
    auto close = [](double u, double v) { return std::abs(u - v) <= 1e-9 * std::max(1.0, std::abs(u)); };
    return close(a.X, b.X) && close(a.Y, b.Y);
}

// Columns [first, last] of row y inside the ellipse; false when none.
bool RowOf(const TBox& box, std::int64_t y, double& first, double& last)
{
    const double cx = (box.Left + box.Right) / 2, cy = (box.Top + box.Bottom) / 2;
    const double rx = (box.Right - box.Left) / 2, ry = (box.Bottom - box.Top) / 2;
    const double dy = y + 0.5 - cy;
    double t;
    if (ry > 0) {
        t = dy / ry;
        if (std::abs(t) > 1) return false;
    } else {
        if (dy != 0) return false;
        t = 0;
    }
    const double half = rx * std::sqrt(1 - t * t);
    first = std::ceil(cx - half - 0.5);
    last = std::floor(cx + half - 0.5);
    return first <= last;
}

} // namespace

bool AsEllipse(const TPath& path, TBox& box)
{
    const auto& el = path.Elements();
    if (el.size() != 6 || el[0].kind != TPath::pkMove || el[5].kind != TPath::pkClose) return false;
    for (int i = 1; i <= 4; ++i) {
        if (el[static_cast<std::size_t>(i)].kind != TPath::pkBezier) return false;
    }
    // The start is the right end, then the bottom, left and top ends.
    const double right = el[0].p[0].X, bottom = el[1].p[2].Y, left = el[2].p[2].X, top = el[3].p[2].Y;
    TPath reference;
    reference.AddEllipse(left, top, right, bottom);
    const auto& ref = reference.Elements();
    for (std::size_t i = 0; i < 5; ++i) {
        int n = el[i].kind == TPath::pkBezier ? 3 : 1;
        for (int k = 0; k < n; ++k) {
            if (!Near(el[i].p[k], ref[i].p[k])) return false;
        }
    }
    box = TBox{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    return true;
}

std::vector<TSpan> EllipseFill(const TBox& box, const TRect& limit)
{
    std::vector<TSpan> spans;
    const std::int64_t y0 = std::max<std::int64_t>(limit.Top, static_cast<std::int64_t>(std::floor(box.Top)) - 1);
    const std::int64_t y1 = std::min<std::int64_t>(limit.Bottom, static_cast<std::int64_t>(std::ceil(box.Bottom)) + 1);
    for (std::int64_t y = y0; y < y1; ++y) {
        double first, last;
        if (!RowOf(box, y, first, last)) continue;
        double a = std::max<double>(first, limit.Left), b = std::min<double>(last + 1, limit.Right);
        if (a < b) spans.push_back({static_cast<std::int32_t>(y), static_cast<std::int32_t>(a), static_cast<std::int32_t>(b)});
    }
    return spans;
}

std::vector<TSpan> EllipseOutline(const TBox& box, const TRect& limit)
{
    std::vector<TSpan> spans;
    const std::int64_t y0 = std::max<std::int64_t>(limit.Top, static_cast<std::int64_t>(std::floor(box.Top)) - 1);
    const std::int64_t y1 = std::min<std::int64_t>(limit.Bottom, static_cast<std::int64_t>(std::ceil(box.Bottom)) + 1);
    auto row = [&](std::int64_t y, double& a, double& b) {
        double first, last;
        if (!RowOf(box, y, first, last)) {
            a = b = 0;
            return false;
        }
        a = first;
        b = last + 1;
        return true;
    };
    for (std::int64_t y = y0; y < y1; ++y) {
        double a, b, aUp, bUp, aDown, bDown;
        if (!row(y, a, b)) continue;
        const bool up = row(y - 1, aUp, bUp), down = row(y + 1, aDown, bDown);
        // Pixels with all four side neighbours inside are not on the outline.
        double innerA = a + 1, innerB = b - 1;
        if (up && down) {
            innerA = std::max({innerA, aUp, aDown});
            innerB = std::min({innerB, bUp, bDown});
        } else {
            innerA = innerB = a;
        }
        auto add = [&](double from, double to) {
            from = std::max<double>(from, limit.Left);
            to = std::min<double>(to, limit.Right);
            if (from < to)
                spans.push_back({static_cast<std::int32_t>(y), static_cast<std::int32_t>(from), static_cast<std::int32_t>(to)});
        };
        if (innerA < innerB) {
            add(a, innerA);
            add(innerB, b);
        } else {
            add(a, b);
        }
    }
    NormaliseSpans(spans);
    return spans;
}

} // namespace pictor::raster
