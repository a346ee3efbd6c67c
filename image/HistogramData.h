// What the histogram picture plots: how many pixels of a bitmap fall into
// each bin of each colour channel, and those counts as whole percentages of
// the pixel count under a ceiling.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
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

// Pixels per channel level (0..255), in the order blue, green, red.
using TLevelCounts = std::array<std::array<std::uint64_t, 256>, 3>;

// Counts every pixel of Bitmap (any format) by its blue, green and red value
// as its 24-bit form holds them, in one pass over the rows and without a
// converted copy (bands of rows on threads of their own, core/Parallel.h).
TLevelCounts CountLevels(const TBitmap& Bitmap);

// Counts the levels of 24-bit rows (blue, green, red) as they are handed
// over, for a pass that reads the rows for another purpose anyway.
class TRgbLevelCounter {
public:
    TRgbLevelCounter();
    ~TRgbLevelCounter();
    TRgbLevelCounter(const TRgbLevelCounter&) = delete;
    TRgbLevelCounter& operator=(const TRgbLevelCounter&) = delete;

    void AddRow(const std::uint8_t* Row, int Width);
    // Adds what was counted to Levels.
    void AddTo(TLevelCounts& Levels) const;

private:
    struct TSets;
    std::unique_ptr<TSets> sets_;
};

// The level counts of a picture whose every channel value v has become
// Table[v].
TLevelCounts MapLevels(const TLevelCounts& Levels, const std::array<std::uint8_t, 256>& Table);

// The bins of Levels (a channel value v counts in bin v >> Shift, Shift 0 to
// 3) for a picture of Pixels pixels.
THistogramCounts BinLevels(const TLevelCounts& Levels, int Shift, std::int64_t Pixels);

// CountLevels gathered into bins: BinLevels(CountLevels(Bitmap), Shift,
// width times height).
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
