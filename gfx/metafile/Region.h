// Regions of old-style metafile records: reading the region object that
// CREATEREGION holds, and the frame that FRAMEREGION paints.
#pragma once

#include "gfx/formats/ByteReader.h"
#include "gfx/metafile/Player.h"

namespace pictor::mf {

// The region object at offset at of record r: a header, then scans, each a
// band from top to bottom with a count of x coordinates, the left and right
// edges of its rectangles in pairs, and the count again. Raises TBadRecord
// when a scan does not fit the record, when its counts disagree or are odd,
// or when the region holds more than kMaxRegionRects rectangles; all of this
// is checked before anything is allocated. Empty rectangles are left out.
TRegionSpec ReadOldStyleRegion(const TByteReader& r, std::size_t at);

// The border of region that is width units wide at its left and right edges
// and height units high at its top and bottom ones, inside the region: the
// points of the region from which a step of width sideways or of height up
// or down leaves it. Rectangles in the region's units.
std::vector<std::array<double, 4>> RegionFrame(const TRegionSpec& region, int width, int height);

} // namespace pictor::mf
