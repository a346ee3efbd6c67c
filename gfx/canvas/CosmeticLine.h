// One-pixel lines (pens of width 0 or 1): integer Bresenham steps from the
// pixel holding the start point towards the pixel holding the end point,
// the end pixel itself excluded, as the toolkit draws them. The dash
// patterns count pixels along the line and carry on from one segment to the
// next within one drawing call.
#pragma once

#include "gfx/Types.h"
#include "gfx/canvas/PathGeometry.h"
#include "gfx/canvas/Spans.h"

#include <vector>

namespace pictor::raster {

class TCosmeticStroker {
public:
    // Pixels outside area are dropped.
    TCosmeticStroker(TPenStyle style, const TRect& area);

    // Every segment of the figure; a closed figure includes the segment back
    // to its first point, so each of its corners is covered once.
    void AddFigure(const TPolyline& figure);
    // The segment from pixel (x0, y0) towards (x1, y1), without (x1, y1).
    void AddSegment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);

    // The pixels drawn so far, as a normalised set of spans.
    std::vector<TSpan> TakeSpans();

private:
    void Emit(std::int64_t x, std::int64_t y);
    void Flush();

    std::vector<bool> FPattern; // on/off per pixel of one period; empty: solid
    std::uint64_t FCounter = 0;
    TRect FArea;
    std::vector<TSpan> FSpans;
    TSpan FRun{};
    bool FInRun = false;
};

} // namespace pictor::raster
