// Axis-aligned ellipses worked out exactly instead of through flattened
// curves, so that they come out symmetric: a pixel belongs to the ellipse
// when its centre lies inside or on it, and the one-pixel outline is the set's
// boundary (its pixels with a side neighbour outside).
#pragma once

#include "gfx/Path.h"
#include "gfx/canvas/PathGeometry.h"
#include "gfx/canvas/Spans.h"

#include <vector>

namespace pictor::raster {

// True when path is exactly what TPath::AddEllipse makes; box receives the
// ellipse's bounding box.
bool AsEllipse(const TPath& path, TBox& box);

// The pixels of the ellipse in box, on the rows of limit (normalised).
std::vector<TSpan> EllipseFill(const TBox& box, const TRect& limit);
// The pixels of its one-pixel outline on the rows of limit.
std::vector<TSpan> EllipseOutline(const TBox& box, const TRect& limit);

} // namespace pictor::raster
