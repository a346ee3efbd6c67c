#include "image/ReductionModes.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "reduce/Reduce.h"

#include <array>
#include <bit>

namespace pictor {

namespace {

// The median cut's division depth for a palette of colors entries (a power
// of two): 256 colours is depth 8.
int DepthFor(int colors)
{
    return std::countr_zero(static_cast<unsigned>(colors));
}

struct TReductionMode {
    TColorCounts Counts;
    std::unique_ptr<TBitmap> (*Reduce)(const TBitmap& bitmap, int colors);
};

// By mode. The octree merges its leaves down to colors; the median cut
// divides its boxes log2(colors) deep.
constexpr std::array<TReductionMode, 6> kModes{{
    {TColorCounts::From2To256, [](const TBitmap& b, int colors) { return OctreeQuantize(b, colors); }},
    {TColorCounts::PowersOfTwo,
     [](const TBitmap& b, int colors) { return MedianCutQuantize(b, DepthFor(colors)); }},
    {TColorCounts::PowersOfTwo,
     [](const TBitmap& b, int colors) { return MedianCutByVarianceQuantize(b, DepthFor(colors)); }},
    {TColorCounts::PowersOfTwo,
     [](const TBitmap& b, int colors) { return MedianCutDiffusionQuantize(b, DepthFor(colors)); }},
    {TColorCounts::PowersOfTwo,
     [](const TBitmap& b, int colors) { return MedianCutByVarianceDiffusionQuantize(b, DepthFor(colors)); }},
    {TColorCounts::Only256, [](const TBitmap& b, int) { return StaticColorDiffusionQuantize(b); }},
}};

} // namespace

int ReductionModeCount()
{
    return static_cast<int>(kModes.size());
}

TColorCounts ColorCountsOf(std::uint8_t mode)
{
    PICTOR_ASSERT(mode < kModes.size());
    return kModes[mode].Counts;
}

bool AcceptsColors(TColorCounts counts, int colors)
{
    switch (counts) {
    case TColorCounts::Only256:
        return colors == 256;
    case TColorCounts::From2To256:
        return colors >= 2 && colors <= 256;
    case TColorCounts::PowersOfTwo:
        return colors >= 2 && colors <= 256 && std::has_single_bit(static_cast<unsigned>(colors));
    }
    return false;
}

std::unique_ptr<TBitmap> ReduceByMode(std::uint8_t mode, const TBitmap& bitmap, int colors)
{
    PICTOR_ASSERT(mode < kModes.size() && AcceptsColors(kModes[mode].Counts, colors));
    return kModes[mode].Reduce(bitmap, colors);
}

} // namespace pictor
