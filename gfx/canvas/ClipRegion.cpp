#include "gfx/canvas/ClipRegion.h"

#include "gfx/canvas/PathGeometry.h"
#include "gfx/canvas/Spans.h"

#include <cairo.h>

#include <cmath>

namespace pictor::raster {

namespace {

// Coordinates beyond this are cut away before rasterising (bitmaps are at
// most 65536 pixels a side; cairo's fixed point reaches about 8 million).
constexpr double kFar = 1 << 20;

std::int32_t ToPixel(double v)
{
    return static_cast<std::int32_t>(std::clamp(v, -kFar * 2, kFar * 2));
}

} // namespace

TRect TClipRegion::Limit(const TRect& area) const
{
    return FBounded ? IntersectRect(area, FBounds) : area;
}

void TClipRegion::IntersectPath(const TPath& path, TFillRule rule)
{
    TRect r;
    TBox box;
    if (!AllFinite(path) || !PathBounds(path, box)) {
        r = TRect{0, 0, 0, 0};
    } else if (AsAxisRectangle(path, box)) {
        // The pixels whose centres lie inside, as a fill would cover them.
        r = TRect{ToPixel(std::ceil(box.Left - 0.5)), ToPixel(std::ceil(box.Top - 0.5)),
                  ToPixel(std::ceil(box.Right - 0.5)), ToPixel(std::ceil(box.Bottom - 0.5))};
    } else {
        r = TRect{ToPixel(std::floor(box.Left)), ToPixel(std::floor(box.Top)), ToPixel(std::ceil(box.Right) + 1),
                  ToPixel(std::ceil(box.Bottom) + 1)};
        if (box.Left < -kFar || box.Top < -kFar || box.Right > kFar || box.Bottom > kFar) {
            FPaths.emplace_back(ToPath(ClipForFill(Flatten(path), TBox{-kFar, -kFar, kFar, kFar})), rule);
        } else {
            FPaths.emplace_back(path, rule);
        }
    }
    if (RectEmpty(r)) r = TRect{0, 0, 0, 0};
    FBounds = FBounded ? IntersectRect(FBounds, r) : r;
    FBounded = true;
}

void TClipRegion::ApplyTo(cairo_t* cr) const
{
    for (const auto& [path, rule] : FPaths) {
        cairo_new_path(cr);
        AppendPath(cr, path);
        cairo_set_fill_rule(cr, rule == frWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        cairo_clip(cr);
    }
    cairo_new_path(cr);
}

void AppendPath(cairo_t* cr, const TPath& path)
{
    for (const TPath::TElement& e : path.Elements()) {
        switch (e.kind) {
        case TPath::pkMove: cairo_move_to(cr, e.p[0].X, e.p[0].Y); break;
        case TPath::pkLine: cairo_line_to(cr, e.p[0].X, e.p[0].Y); break;
        case TPath::pkBezier:
            cairo_curve_to(cr, e.p[0].X, e.p[0].Y, e.p[1].X, e.p[1].Y, e.p[2].X, e.p[2].Y);
            break;
        case TPath::pkClose: cairo_close_path(cr); break;
        }
    }
}

} // namespace pictor::raster
