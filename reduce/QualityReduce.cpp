// The two quality drivers: the palette of least squared error, each pixel
// mapped to its nearest entry, with or without error diffusion.
#include "reduce/Reduce.h"

#include "core/Exception.h"
#include "core/Parallel.h"
#include "gfx/BitmapRows.h"
#include "reduce/ColorHistogram.h"
#include "reduce/DiffusionPalette.h"
#include "reduce/DistinctColors.h"
#include "reduce/FewColors.h"
#include "reduce/KMeansRefine.h"
#include "reduce/NearestColor.h"
#include "reduce/PaletteIndexMap.h"
#include "reduce/QualityDiffusion.h"
#include "reduce/ResultBitmap.h"
#include "reduce/WuQuantizer.h"

#include <vector>

namespace pictor {

namespace {

// How many pixels ahead the mapping asks for a cell record.
constexpr int kPrefetchAhead = 4;

// Up to this many colours, k-means for the reduction without diffusion
// works on the picture's own colours, relocation trials included; beyond, on
// the used cells of its histogram, Lloyd's rounds only (a photograph of
// 100,000 or more colours took twice the time over its own colours and with
// trials, for a tenth or two of a decibel).
constexpr std::size_t kExactPoints = 1 << 15;

// What the palette is made from: the histogram for Wu's boxes and the
// points for k-means.
struct TColorStatistics {
    TColorHistogram Histogram;
    std::vector<TColorSum> Points;
    // The points are the picture's own colours, not cells.
    bool Exact = false;
};

// The histogram, and its used cells as the points.
TColorStatistics CellStatistics(TColorHistogram histogram)
{
    TColorStatistics statistics;
    statistics.Histogram = std::move(histogram);
    for (int cell : statistics.Histogram.UsedCells())
        statistics.Points.push_back(statistics.Histogram.SumOf(cell));
    return statistics;
}

// For the diffusion's start palette: the histogram of every other row, which
// meets every part of the picture but a line one pixel high (whose colours
// the palette fitting still sees), in half the time.
TColorStatistics StartStatisticsOf(const std::vector<const std::uint8_t*>& rows, int width)
{
    std::vector<const std::uint8_t*> everyOther;
    for (std::size_t y = 0; y < rows.size(); y += 2)
        everyOther.push_back(rows[y]);
    return CellStatistics(TColorHistogram::Of(everyOther, width));
}

TColorStatistics StatisticsOf(const TBitmap& bitmap)
{
    auto colors = DistinctColors(bitmap, kExactPoints);
    if (!colors) return CellStatistics(TColorHistogram::Of(bitmap));
    TColorStatistics statistics;
    for (const TColorSum& c : *colors)
        statistics.Histogram.AddColor(static_cast<int>(c.Red / c.Count), static_cast<int>(c.Green / c.Count),
                                      static_cast<int>(c.Blue / c.Count), c.Count);
    statistics.Points = std::move(*colors);
    statistics.Exact = true;
    return statistics;
}

std::uint8_t MeanLevel(std::uint64_t sum, std::uint64_t count)
{
    return static_cast<std::uint8_t>((2 * sum + count) / (2 * count));
}

// Wu's boxes refined by k-means; each cluster's mean colour, rounded, is an
// entry, once.
TPalette QualityPalette(const TColorStatistics& statistics, int colors, const TKMeansEffort& effort)
{
    const std::vector<TColorSum> boxes = TWuQuantizer(statistics.Histogram).Boxes(colors);
    if (boxes.empty()) return TPalette();
    std::vector<TPaletteEntry> entries;
    for (const TColorSum& cluster : KMeansRefine(statistics.Points, boxes, effort))
        entries.push_back(TPaletteEntry{MeanLevel(cluster.Red, cluster.Count),
                                        MeanLevel(cluster.Green, cluster.Count),
                                        MeanLevel(cluster.Blue, cluster.Count), 0});
    return WithoutDuplicates(entries);
}

void CheckQualityArguments(const TBitmap& bitmap, int colors)
{
    PICTOR_ASSERT(colors >= 2 && colors <= 256);
    PICTOR_ASSERT(bitmap.PixelFormat() == pf24bit);
}

} // namespace

std::unique_ptr<TBitmap> QualityQuantize(const TBitmap& bitmap, int colors)
{
    CheckQualityArguments(bitmap, colors);
    if (auto exact = ExactReduce(bitmap, colors)) return exact;
    const TColorStatistics statistics = StatisticsOf(bitmap);
    const TPalette palette =
        QualityPalette(statistics, colors, statistics.Exact ? kFinalPalette : kFinalPaletteOfCells);
    const int width = bitmap.Width(), height = bitmap.Height();
    auto result = NewResult(width, height, palette);

    TNearestColor nearest(palette);
    nearest.MakeUsedCells(statistics.Histogram);
    // Each band writes its own rows.
    const std::vector<const std::uint8_t*> sources = ReadRows(bitmap);
    const std::vector<std::uint8_t*> targets = WriteRows(*result);
    SplitWork(sources.size(), static_cast<std::size_t>(width), [&](std::size_t begin, std::size_t end) {
        for (std::size_t y = begin; y < end; ++y) {
            const std::uint8_t* src = sources[y];
            std::uint8_t* dst = targets[y];
            for (int x = 0; x < width; ++x, src += 3) {
                if (x + kPrefetchAhead < width)
                    nearest.Prefetch(src[3 * kPrefetchAhead + 2], src[3 * kPrefetchAhead + 1],
                                     src[3 * kPrefetchAhead]);
                dst[x] = static_cast<std::uint8_t>(nearest.NearestMade(src[2], src[1], src[0]));
            }
        }
    });
    return result;
}

std::unique_ptr<TBitmap> QualityDiffusionQuantize(const TBitmap& bitmap, int colors)
{
    CheckQualityArguments(bitmap, colors);
    if (auto exact = ExactReduce(bitmap, colors)) return exact;
    const int width = bitmap.Width();
    const std::vector<const std::uint8_t*> sources = ReadRows(bitmap);
    // The palette is fitted to the colours the diffusion mixes afterwards:
    // a few rounds of k-means on the cells of a histogram are start enough.
    const TPalette palette = DiffusionPalette(
        sources, width, QualityPalette(StartStatisticsOf(sources, width), colors, kPaletteStart));
    auto result = NewResult(width, bitmap.Height(), palette);
    const std::vector<std::uint8_t*> targets = WriteRows(*result);
    TNearestColor nearest(palette);
    DiffuseRows(sources, width, palette, nearest, [&](std::size_t y, int x, int index, const std::int32_t*) {
        targets[y][x] = static_cast<std::uint8_t>(index);
    });
    return result;
}

} // namespace pictor
