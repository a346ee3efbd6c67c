// TPainter: writes coverage into a bitmap's pixels. Coverage comes either as
// exact spans (rectangles and one-pixel lines the canvas works out itself)
// or from cairo rasterising into an 8-bit mask, tile by tile, so that no mask
// is ever larger than a few megabytes however large the bitmap. Every pixel
// covered by one call is written exactly once.
#pragma once

#include "gfx/Types.h"
#include "gfx/canvas/ClipRegion.h"
#include "gfx/canvas/PixelCodec.h"
#include "gfx/canvas/RasterOp.h"
#include "gfx/canvas/Spans.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace pictor {
class TBitmap;
}

namespace pictor::raster {

// What a pen or brush does to the pixels it covers: the raster operation,
// and for hatched brushes the 8 by 8 pattern of pixels it touches (aligned
// to the bitmap's top-left corner; bit 7 of a row is the column x % 8 == 0).
struct TInk {
    TBitOp Op;
    bool Hatched = false;
    std::array<std::uint8_t, 8> Rows{};
};

// The hatch rows of a brush style (all ones for bsSolid).
std::array<std::uint8_t, 8> HatchRows(TBrushStyle style);

class TPainter {
public:
    TPainter(TBitmap& bitmap, const TClipRegion& clip);

    const TPixelCodec& Codec() const { return FCodec; }
    // The pixels drawing may touch: the bitmap limited by the clip's bounds.
    const TRect& Area() const { return FArea; }
    TBitmap& Bitmap() { return FBitmap; }

    // Writes ink on the spans (normalised).
    void FillSpans(const std::vector<TSpan>& spans, const TInk& ink);
    // Writes ink on the pixels that draw covers within bounds; draw fills or
    // strokes on a cairo context in bitmap pixels, antialiasing off.
    void FillShape(const TRect& bounds, const std::function<void(cairo_t*)>& draw, const TInk& ink);
    // Blends color over the pixels draw covers, by coverage (text). In
    // palette bitmaps, or when binary, a pixel at least half covered takes
    // the colour's nearest entry and the rest are left.
    void BlendShape(const TRect& bounds, const std::function<void(cairo_t*)>& draw, TColor color, bool binary);
    // Calls fn(y, x0, x1) for each run of pixels of rect inside the clip.
    void ForEachRun(const TRect& rect, const std::function<void(int, int, int)>& fn);

private:
    using RunFn = std::function<void(int y, int x0, int x1, const std::uint8_t* coverage)>;
    // Rasterises draw over rect tile by tile (through the clip) and reports
    // the runs of covered pixels.
    void Rasterise(const TRect& rect, const std::function<void(cairo_t*)>& draw, const RunFn& run);
    void Apply(int y, int x0, int x1, const TInk& ink);

    TBitmap& FBitmap;
    const TClipRegion& FClip;
    TPixelCodec FCodec;
    TRect FArea;
};

} // namespace pictor::raster
