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

// Ends of chords are widened by this much (pixels), so that an end that
// falls on a pixel centre or edge counts as there whatever the rounding of
// the square root, and both halves of the ellipse decide alike.
constexpr double kTie = 1e-7;

struct TEllipse {
    explicit TEllipse(const TBox& box)
        : cx((box.Left + box.Right) / 2), cy((box.Top + box.Bottom) / 2), rx((box.Right - box.Left) / 2),
          ry((box.Bottom - box.Top) / 2)
    {
    }
    double cx, cy, rx, ry;
};

// Half the chord through the centre line of row y, widened by kTie; false
// when the line passes the ellipse by.
bool HalfChord(const TEllipse& e, std::int64_t y, double& half)
{
    const double dy = y + 0.5 - e.cy;
    if (std::abs(dy) > e.ry + kTie) return false;
    const double t = e.ry > 0 ? std::min(1.0, std::abs(dy) / e.ry) : 0;
    half = e.rx * std::sqrt(1 - t * t) + kTie;
    return true;
}

// Columns [first, last] of row y whose centres lie inside or on the ellipse;
// false when none.
bool RowOf(const TEllipse& e, std::int64_t y, double& first, double& last)
{
    double half;
    if (!HalfChord(e, y, half)) return false;
    first = std::ceil(e.cx - half - 0.5);
    last = std::floor(e.cx + half - 0.5);
    return first <= last;
}

// Columns [first, last] of row y that the outline's set holds: the pixels
// whose square (edges included) the ellipse's area meets on the square's
// horizontal or vertical centre line. On a row through the ellipse that is
// the pixel holding each end of its chord; on a column, likewise the pixel
// rows holding the ends of the column's chord. Where the ellipse is flat the
// columns decide, where it is steep the rows, so the set's edge keeps to the
// pixels nearest the curve at every slope, and the extreme rows and columns
// of a small ellipse reach its box even where the curve touches them between
// two pixel centres.
bool OutlineRowOf(const TEllipse& e, std::int64_t y, double& first, double& last)
{
    first = HUGE_VAL;
    last = -HUGE_VAL;
    // The row's centre line: the pixels holding its chord's ends.
    if (double half; HalfChord(e, y, half)) {
        first = std::ceil(e.cx - half - 1);
        last = std::floor(e.cx + half);
    }
    // Column centre lines whose chords reach into the row [y, y + 1]: those
    // within w of the centre.
    double w = -1;
    if (e.ry > 0) {
        const double m = std::max({0.0, (e.cy - (y + 1)) / e.ry, (y - e.cy) / e.ry});
        if (m <= 1 + kTie / e.ry) w = e.rx * std::sqrt(1 - std::min(1.0, m * m)) + kTie;
    } else if (y - kTie <= e.cy && e.cy <= y + 1 + kTie) {
        w = e.rx + kTie;
    }
    if (w >= 0) {
        const double a = std::ceil(e.cx - w - 0.5), b = std::floor(e.cx + w - 0.5);
        if (a <= b) {
            first = std::min(first, a);
            last = std::max(last, b);
        }
    }
    return first <= last;
}

// The rows of limit that the ellipse may reach.
void RowRange(const TBox& box, const TRect& limit, std::int64_t& y0, std::int64_t& y1)
{
    y0 = std::max<std::int64_t>(limit.Top, static_cast<std::int64_t>(std::floor(box.Top)) - 1);
    y1 = std::min<std::int64_t>(limit.Bottom, static_cast<std::int64_t>(std::ceil(box.Bottom)) + 1);
}

void AddSpan(std::vector<TSpan>& spans, std::int64_t y, double from, double to, const TRect& limit)
{
    from = std::max<double>(from, limit.Left);
    to = std::min<double>(to, limit.Right);
    if (from < to)
        spans.push_back(
            {static_cast<std::int32_t>(y), static_cast<std::int32_t>(from), static_cast<std::int32_t>(to)});
}

// The outline: the pixels of the outline's set (OutlineRowOf) with a side
// neighbour outside it.
std::vector<TSpan> Boundary(const TEllipse& e, std::int64_t y0, std::int64_t y1, const TRect& limit)
{
    std::vector<TSpan> spans;
    auto row = [&](std::int64_t y, double& a, double& b) {
        double first, last;
        if (!OutlineRowOf(e, y, first, last)) {
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
        if (innerA < innerB) {
            AddSpan(spans, y, a, innerA, limit);
            AddSpan(spans, y, innerB, b, limit);
        } else {
            AddSpan(spans, y, a, b, limit);
        }
    }
    NormaliseSpans(spans);
    return spans;
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
    const TEllipse e(box);
    std::vector<TSpan> spans;
    std::int64_t y0, y1;
    RowRange(box, limit, y0, y1);
    for (std::int64_t y = y0; y < y1; ++y) {
        double first, last;
        if (RowOf(e, y, first, last)) AddSpan(spans, y, first, last + 1, limit);
    }
    return spans;
}

std::vector<TSpan> EllipseOutline(const TBox& box, const TRect& limit)
{
    std::int64_t y0, y1;
    RowRange(box, limit, y0, y1);
    return Boundary(TEllipse(box), y0, y1, limit);
}

} // namespace pictor::raster
