// Geometry of TPath figures for the bitmap canvas: flattening into
// polylines, bounds, recognising axis-aligned rectangles, and cutting away
// the far-off parts of figures whose coordinates would overflow the
// rasteriser's fixed-point range.
#pragma once

#include "gfx/Path.h"

#include <vector>

namespace pictor::raster {

struct TBox {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
};

// One figure of a flattened path: its points in order; Closed when the
// figure was closed (the segment back to the first point is implied).
struct TPolyline {
    std::vector<TPointF> Points;
    bool Closed = false;
};

// The figures of path with every Bézier curve replaced by straight segments
// no farther than tolerance from the curve.
std::vector<TPolyline> Flatten(const TPath& path, double tolerance = 0.1);

// False when a coordinate of path is infinite or not a number.
bool AllFinite(const TPath& path);

// The box around every point of path (Bézier control points included);
// false for an empty path.
bool PathBounds(const TPath& path, TBox& box);

// True when path is a single closed figure of four sides parallel to the
// axes (as TPath::AddRectangle makes); rect receives its corners, ordered.
bool AsAxisRectangle(const TPath& path, TBox& rect);

// The figures cut to box, for filling: each closed figure is clipped as a
// polygon, so the winding of every point inside box is kept.
std::vector<TPolyline> ClipForFill(const std::vector<TPolyline>& figures, const TBox& box);
// The figures cut to box, for stroking: the parts of the segments inside
// box, consecutive parts joined.
std::vector<TPolyline> ClipForStroke(const std::vector<TPolyline>& figures, const TBox& box);

TPath ToPath(const std::vector<TPolyline>& figures);

} // namespace pictor::raster
