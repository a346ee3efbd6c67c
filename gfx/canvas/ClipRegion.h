// TClipRegion: the pixels a bitmap canvas may draw on. A rectangle of whole
// pixels, further limited by any number of figures (a pixel is inside a
// figure when its centre is, as for filling).
#pragma once

#include "gfx/Path.h"
#include "gfx/Types.h"

#include <utility>
#include <vector>

typedef struct _cairo cairo_t;

namespace pictor::raster {

class TClipRegion {
public:
    // No limit at all.
    bool Unbounded() const { return !FBounded; }
    // Only a rectangle (or nothing): no figure needs rasterising.
    bool IsRect() const { return FPaths.empty(); }
    // area limited to the clip's bounding rectangle.
    TRect Limit(const TRect& area) const;

    void IntersectPath(const TPath& path, TFillRule rule);

    // Limits cr's drawing to the clip's figures (cr draws in bitmap pixels).
    void ApplyTo(cairo_t* cr) const;

private:
    bool FBounded = false;
    TRect FBounds;
    std::vector<std::pair<TPath, TFillRule>> FPaths;
};

// Appends path to cr's current path.
void AppendPath(cairo_t* cr, const TPath& path);

} // namespace pictor::raster
