// Old-style regions: reading them bounds-checked, and their frames computed
// with cairo's integer regions.
#include "gfx/metafile/Region.h"

#include "gfx/Limits.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace pictor::mf {

namespace {

// Offsets in the region object.
constexpr std::size_t kScanCountAt = 10;
constexpr std::size_t kScansAt = 22;
constexpr std::size_t kMinScanSize = 8; // count, top, bottom, count again
constexpr double kRange = 1 << 28;       // of the coordinates that frames are computed for

struct TRegionFree {
    void operator()(cairo_region_t* r) const { cairo_region_destroy(r); }
};
using TCairoRegion = std::unique_ptr<cairo_region_t, TRegionFree>;

TCairoRegion Checked(cairo_region_t* r)
{
    TCairoRegion owned(r);
    if (cairo_region_status(r) != CAIRO_STATUS_SUCCESS) throw TBadRecord{};
    return owned;
}

TCairoRegion Copy(const TCairoRegion& r)
{
    return Checked(cairo_region_copy(r.get()));
}

void Check(cairo_status_t status)
{
    if (status != CAIRO_STATUS_SUCCESS) throw TBadRecord{};
}

// Keeps the points of region from which a step of (dx, dy) and of (-dx, -dy)
// stays inside source.
void Erode(TCairoRegion& region, const TCairoRegion& source, int dx, int dy)
{
    for (int sign : {-1, 1}) {
        TCairoRegion moved = Copy(source);
        cairo_region_translate(moved.get(), sign * dx, sign * dy);
        Check(cairo_region_intersect(region.get(), moved.get()));
    }
}

} // namespace

TRegionSpec ReadOldStyleRegion(const TByteReader& r, std::size_t at)
{
    const TByteReader region = r.From(at);
    const std::size_t scans = region.U16(kScanCountAt);
    region.Need(kScansAt, scans, kMinScanSize);

    // Walk the scans first: every count is checked against the record, and
    // the rectangles counted, before any is stored.
    std::int64_t pairs = 0;
    std::size_t scanAt = kScansAt;
    for (std::size_t i = 0; i < scans; ++i) {
        const std::size_t count = region.U16(scanAt);
        if (count % 2 != 0) throw TBadRecord{};
        region.Need(scanAt + 6, count, 2);
        if (region.U16(scanAt + 6 + 2 * count) != count) throw TBadRecord{};
        pairs += static_cast<std::int64_t>(count / 2);
        scanAt += kMinScanSize + 2 * count;
    }
    if (pairs > kMaxRegionRects) throw TBadRecord{};

    TRegionSpec out;
    out.Rects.reserve(static_cast<std::size_t>(pairs));
    scanAt = kScansAt;
    for (std::size_t i = 0; i < scans; ++i) {
        const std::size_t count = region.U16(scanAt);
        const double top = region.I16(scanAt + 2), bottom = region.I16(scanAt + 4);
        for (std::size_t k = 0; k < count; k += 2) {
            const double left = region.I16(scanAt + 6 + 2 * k), right = region.I16(scanAt + 8 + 2 * k);
            if (left < right && top < bottom) out.Rects.push_back({left, top, right, bottom});
        }
        scanAt += kMinScanSize + 2 * count;
    }
    return out;
}

std::vector<std::array<double, 4>> RegionFrame(const TRegionSpec& region, int width, int height)
{
    if (region.Rects.empty()) return {};
    // Coordinates and widths are kept where their sums and differences fit
    // an int: far beyond anything that is drawn.
    auto clamp = [](double v) { return static_cast<int>(std::clamp(std::round(v), -kRange, kRange)); };
    std::vector<cairo_rectangle_int_t> rects;
    rects.reserve(region.Rects.size());
    for (const auto& r : region.Rects) {
        const int l = clamp(r[0]), t = clamp(r[1]);
        const int w = clamp(r[2]) - l, h = clamp(r[3]) - t;
        if (w > 0 && h > 0) rects.push_back({l, t, w, h});
    }
    const TCairoRegion source =
        Checked(cairo_region_create_rectangles(rects.data(), static_cast<int>(rects.size())));
    TCairoRegion inner = Copy(source);
    if (width != 0) Erode(inner, source, std::abs(clamp(width)), 0);
    if (height != 0) Erode(inner, source, 0, std::abs(clamp(height)));
    TCairoRegion frame = Copy(source);
    Check(cairo_region_subtract(frame.get(), inner.get()));

    std::vector<std::array<double, 4>> out;
    const int n = cairo_region_num_rectangles(frame.get());
    out.reserve(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t c;
        cairo_region_get_rectangle(frame.get(), i, &c);
        out.push_back({double(c.x), double(c.y), double(c.x + c.width), double(c.y + c.height)});
    }
    return out;
}

} // namespace pictor::mf
