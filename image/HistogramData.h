// What the histogram picture plots: how many pixels of a bitmap fall into
// each bin of each colour channel, and those counts as whole percentages of
// the pixel count under a ceiling.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pictor {

class TBitmap;

// Channels in the order the curves are drawn.
enum THistogramChannel { hcBlue, hcGreen, hcRed };

struct THistogramCounts {
    int Shift = 0;            // a channel value v counts in bin v >> Shift
    std::int64_t Pixels = 0;  // width times height
    // Per channel, 256 >> Shift bins.
    std::array<std::vector<std::uint64_t>, 3> Bins;
};

// Counts every pixel of Bitmap (any format) by its blue, green and red value
// as its 24-bit form holds them, in one pass over the rows and without a
// converted copy (bands of rows on threads of their own, core/Parallel.h).
// Shift is 0 to 3.
THistogramCounts CountChannels(const TBitmap& Bitmap, int Shift);

struct THistogramPlot {
    int Bins = 64;            // points per curve: 256 >> Shift
    // The percentage at the top of the plot. Meaningful only with HasData.
    int Ceiling = 0;
    // False for a picture with nothing to plot (no picture, no pixels, or an
    // automatic ceiling with every bin below 1 %): the picture then shows its
    // frame, ticks and labels, but no curves and no ceiling label.
    bool HasData = false;
    // Per channel, one whole percentage per bin.
    std::array<std::vector<int>, 3> Percent;
};

// The plot of Counts: each bin as (count * 100) div pixels, truncating; a
// Ceiling of 0 becomes the highest percentage rounded up to a multiple of 20,
// an odd one is made even so that its half is whole.
THistogramPlot PlotOf(const THistogramCounts& Counts, int Ceiling);

// The plot of no picture: frame and labels only.
THistogramPlot EmptyPlot(int Shift);

} // namespace pictor
