#include "gfx/canvas/CosmeticLine.h"

#include <cmath>
#include <cstdlib>

namespace pictor::raster {

namespace {

// On and off lengths, in pixels, of the dash styles of one-pixel pens.
std::vector<bool> PatternOf(TPenStyle style)
{
    std::vector<int> lengths;
    switch (style) {
    case psDash: lengths = {18, 6}; break;
    case psDot: lengths = {3, 3}; break;
    case psDashDot: lengths = {9, 6, 3, 6}; break;
    case psDashDotDot: lengths = {9, 3, 3, 3, 3, 3}; break;
    default: return {};
    }
    std::vector<bool> pattern;
    for (std::size_t i = 0; i < lengths.size(); ++i) pattern.insert(pattern.end(), lengths[i], i % 2 == 0);
    return pattern;
}

} // namespace

TCosmeticStroker::TCosmeticStroker(TPenStyle style, const TRect& area) : FPattern(PatternOf(style)), FArea(area) {}

void TCosmeticStroker::AddFigure(const TPolyline& figure)
{
    std::size_t n = figure.Points.size();
    if (n == 0) return;
    auto px = [](double v) { return static_cast<std::int64_t>(std::floor(v)); };
    // A closed figure within one pixel (a rectangle of one pixel) covers it;
    // an open one (a line to where it starts) covers nothing.
    bool onePixel = true;
    for (const TPointF& p : figure.Points) {
        onePixel = onePixel && px(p.X) == px(figure.Points[0].X) && px(p.Y) == px(figure.Points[0].Y);
    }
    if (onePixel) {
        if (figure.Closed) {
            if (FPattern.empty() || FPattern[FCounter % FPattern.size()]) Emit(px(figure.Points[0].X), px(figure.Points[0].Y));
            ++FCounter;
        }
        return;
    }
    std::size_t segments = figure.Closed ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const TPointF& a = figure.Points[i];
        const TPointF& b = figure.Points[(i + 1) % n];
        AddSegment(px(a.X), px(a.Y), px(b.X), px(b.Y));
    }
}

void TCosmeticStroker::AddSegment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    std::int64_t dx = x1 - x0, dy = y1 - y0;
    std::int64_t adx = std::llabs(dx), ady = std::llabs(dy);
    std::int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    std::int64_t steps = std::max(adx, ady);
    if (steps == 0) return;
    // The minor coordinate of step i is the major step scaled by the slope,
    // rounded half up: floor((2 i minor + major) / (2 major)), kept as a
    // remainder so no division is needed per pixel.
    const bool xMajor = adx >= ady;
    const std::int64_t major = xMajor ? adx : ady;
    const std::int64_t minor = xMajor ? ady : adx;
    std::int64_t rem = major;
    std::int64_t offset = 0;
    for (std::int64_t i = 0; i < steps; ++i) {
        bool on = FPattern.empty() || FPattern[(FCounter + static_cast<std::uint64_t>(i)) % FPattern.size()];
        if (on) {
            if (xMajor) Emit(x0 + sx * i, y0 + sy * offset);
            else Emit(x0 + sx * offset, y0 + sy * i);
        }
        rem += 2 * minor;
        if (rem >= 2 * major) {
            rem -= 2 * major;
            ++offset;
        }
    }
    FCounter += static_cast<std::uint64_t>(steps);
}

void TCosmeticStroker::Emit(std::int64_t x, std::int64_t y)
{
    if (x < FArea.Left || x >= FArea.Right || y < FArea.Top || y >= FArea.Bottom) return;
    auto xi = static_cast<std::int32_t>(x), yi = static_cast<std::int32_t>(y);
    if (FInRun && FRun.Y == yi) {
        if (xi == FRun.X1) {
            ++FRun.X1;
            return;
        }
        if (xi == FRun.X0 - 1) {
            --FRun.X0;
            return;
        }
    }
    Flush();
    FRun = TSpan{yi, xi, xi + 1};
    FInRun = true;
}

void TCosmeticStroker::Flush()
{
    if (FInRun) FSpans.push_back(FRun);
    FInRun = false;
}

std::vector<TSpan> TCosmeticStroker::TakeSpans()
{
    Flush();
    std::vector<TSpan> out = std::move(FSpans);
    FSpans.clear();
    NormaliseSpans(out);
    return out;
}

} // namespace pictor::raster
