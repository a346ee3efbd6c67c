#include "gfx/canvas/Spans.h"

#include <algorithm>

namespace pictor::raster {

void NormaliseSpans(std::vector<TSpan>& spans)
{
    std::erase_if(spans, [](const TSpan& s) { return s.X1 <= s.X0; });
    std::sort(spans.begin(), spans.end(),
              [](const TSpan& a, const TSpan& b) { return a.Y != b.Y ? a.Y < b.Y : a.X0 < b.X0; });
    std::size_t out = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (out > 0 && spans[out - 1].Y == spans[i].Y && spans[i].X0 <= spans[out - 1].X1) {
            spans[out - 1].X1 = std::max(spans[out - 1].X1, spans[i].X1);
        } else {
            spans[out++] = spans[i];
        }
    }
    spans.resize(out);
}

std::vector<TSpan> SubtractSpans(const std::vector<TSpan>& a, const std::vector<TSpan>& b)
{
    std::vector<TSpan> out;
    std::size_t j = 0;
    for (const TSpan& s : a) {
        while (j < b.size() && (b[j].Y < s.Y || (b[j].Y == s.Y && b[j].X1 <= s.X0))) ++j;
        std::int32_t x = s.X0;
        std::size_t k = j;
        while (k < b.size() && b[k].Y == s.Y && b[k].X0 < s.X1) {
            if (b[k].X0 > x) out.push_back({s.Y, x, b[k].X0});
            x = std::max(x, b[k].X1);
            ++k;
        }
        if (x < s.X1) out.push_back({s.Y, x, s.X1});
    }
    return out;
}

void AddRectSpans(std::vector<TSpan>& spans, const TRect& r)
{
    if (RectEmpty(r)) return;
    for (std::int32_t y = r.Top; y < r.Bottom; ++y) spans.push_back({y, r.Left, r.Right});
}

} // namespace pictor::raster
