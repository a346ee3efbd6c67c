// Channel counting and the percentages and ceiling of the histogram plot.
#include "image/HistogramData.h"

#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "gfx/Palette.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace pictor {
namespace {

struct TLayoutCase {
    std::string Name;
    int Bits; // 0: the display's form
    std::optional<TColorMasks> Masks;
    int PaletteEntries; // 1-, 4- and 8-bit: 0 for none of its own
};

// Random bytes in every row of a bitmap of the given layout.
TBitmap NoiseBitmap(const TLayoutCase& layout, int width, int height, unsigned seed)
{
    TBitmap bitmap;
    if (layout.Bits == 0) {
        bitmap.SetSize(width, height);
    } else {
        bitmap.SetLayout(layout.Bits, layout.Masks, width, height);
    }
    if (layout.PaletteEntries > 0) {
        std::vector<TPaletteEntry> entries;
        std::mt19937 random(seed + 1);
        for (int i = 0; i < layout.PaletteEntries; ++i)
            entries.push_back(TPaletteEntry{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                            static_cast<std::uint8_t>(random()), 0});
        bitmap.SetPalette(TPalette(entries));
    }
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int i = 0; i < bitmap.RowStride(); ++i) row[i] = static_cast<std::uint8_t>(random());
    }
    return bitmap;
}

// The counts as the histogram defines them: a copy set to 24 bits per pixel,
// read pixel by pixel.
THistogramCounts ReferenceCounts(const TBitmap& bitmap, int shift)
{
    TBitmap work(bitmap);
    work.SetPixelFormat(pf24bit);
    THistogramCounts counts;
    counts.Shift = shift;
    counts.Pixels = static_cast<std::int64_t>(work.Width()) * work.Height();
    for (auto& bins : counts.Bins) bins.assign(std::size_t(256) >> shift, 0);
    for (int y = 0; y < work.Height(); ++y) {
        const std::uint8_t* p = work.ScanLine(y);
        for (int x = 0; x < work.Width(); ++x, p += 3)
            for (int c = 0; c < 3; ++c) ++counts.Bins[static_cast<std::size_t>(c)][p[c] >> shift];
    }
    return counts;
}

TEST(HistogramCountsTest, EveryLayoutCountsAsItsTwentyFourBitForm)
{
    const std::vector<TLayoutCase> layouts = {
        {"1bit", 1, std::nullopt, 0},
        {"1bitOwnPalette", 1, std::nullopt, 2},
        {"4bit", 4, std::nullopt, 0},
        {"4bitShortPalette", 4, std::nullopt, 5},
        {"8bitHalftone", 8, std::nullopt, 0},
        {"8bitShortPalette", 8, std::nullopt, 10}, // indices beyond it read black
        {"8bitFullPalette", 8, std::nullopt, 256},
        {"15bit", 16, std::nullopt, 0},
        {"16bit565", 16, TColorMasks{0xF800, 0x07E0, 0x001F}, 0},
        {"16bitCustom444", 16, TColorMasks{0x0F00, 0x00F0, 0x000F}, 0},
        {"24bit", 24, std::nullopt, 0},
        {"32bit", 32, std::nullopt, 0},
        {"32bitCustom101010", 32, TColorMasks{0x3FF00000, 0x000FFC00, 0x000003FF}, 0},
        {"display", 0, std::nullopt, 0},
    };
    // One thread, then bands of rows counted on three threads and added up.
    SetThreadGrain(1);
    for (const int threads : {1, 3}) {
        SetOperationThreads(threads);
        unsigned seed = 7;
        for (const TLayoutCase& layout : layouts) {
            // Odd widths leave partial bytes and row padding to skip.
            const TBitmap bitmap = NoiseBitmap(layout, 37, 11, seed++);
            for (int shift = 0; shift <= 3; ++shift) {
                SCOPED_TRACE(layout.Name + " shift " + std::to_string(shift) + " threads " +
                             std::to_string(threads));
                const THistogramCounts counts = CountChannels(bitmap, shift);
                const THistogramCounts expected = ReferenceCounts(bitmap, shift);
                EXPECT_EQ(counts.Shift, shift);
                EXPECT_EQ(counts.Pixels, 37 * 11);
                for (std::size_t c = 0; c < 3; ++c)
                    EXPECT_EQ(counts.Bins[c], expected.Bins[c]) << "channel " << c;
            }
        }
    }
    SetOperationThreads(0);
    SetThreadGrain(kDefaultThreadGrain);
}

TEST(HistogramCountsTest, ChannelsKeepTheirOrderAndBinsTheirWidth)
{
    TBitmap bitmap;
    bitmap.SetLayout(24, std::nullopt, 2, 1);
    std::uint8_t* row = bitmap.ScanLine(0);
    // Blue 7, green 8, red 255; then blue 0, green 15, red 16.
    const std::uint8_t bytes[6] = {7, 8, 255, 0, 15, 16};
    std::copy(bytes, bytes + 6, row);

    const THistogramCounts counts = CountChannels(bitmap, 3); // bins of 8 levels
    ASSERT_EQ(counts.Bins[hcBlue].size(), 32u);
    EXPECT_EQ(counts.Bins[hcBlue][0], 2u);
    EXPECT_EQ(counts.Bins[hcGreen][1], 2u);
    EXPECT_EQ(counts.Bins[hcRed][2], 1u);
    EXPECT_EQ(counts.Bins[hcRed][31], 1u);

    const THistogramCounts fine = CountChannels(bitmap, 0);
    ASSERT_EQ(fine.Bins[hcBlue].size(), 256u);
    EXPECT_EQ(fine.Bins[hcBlue][7], 1u);
    EXPECT_EQ(fine.Bins[hcGreen][15], 1u);
}

TEST(HistogramCountsTest, ReadingNeverUnsharesTheBitmap)
{
    TBitmap bitmap;
    bitmap.SetLayout(24, std::nullopt, 4, 4);
    const TBitmap copy(bitmap);
    CountChannels(copy, 2);
    EXPECT_TRUE(copy.SharesPixelsWith(bitmap));
}

TEST(HistogramCountsTest, NoPixelsCountNothing)
{
    const THistogramCounts counts = CountChannels(TBitmap(), 2);
    EXPECT_EQ(counts.Pixels, 0);
    for (const auto& bins : counts.Bins) EXPECT_EQ(bins, std::vector<std::uint64_t>(64, 0));
}

// Counts with one bin of each channel holding `counts[c]` of `pixels`.
THistogramCounts Counts(int shift, std::int64_t pixels, std::array<std::uint64_t, 3> inFirstBin)
{
    THistogramCounts counts;
    counts.Shift = shift;
    counts.Pixels = pixels;
    for (std::size_t c = 0; c < 3; ++c) {
        counts.Bins[c].assign(std::size_t(256) >> shift, 0);
        counts.Bins[c][0] = inFirstBin[c];
        counts.Bins[c][1] = static_cast<std::uint64_t>(pixels) - inFirstBin[c];
    }
    return counts;
}

TEST(HistogramPlotTest, PercentagesTruncate)
{
    const THistogramPlot plot = PlotOf(Counts(2, 3, {1, 2, 3}), 0);
    EXPECT_EQ(plot.Bins, 64);
    EXPECT_EQ(plot.Percent[hcBlue][0], 33);
    EXPECT_EQ(plot.Percent[hcBlue][1], 66);
    EXPECT_EQ(plot.Percent[hcGreen][0], 66);
    EXPECT_EQ(plot.Percent[hcRed][0], 100);
    EXPECT_EQ(plot.Percent[hcRed][1], 0);
    EXPECT_EQ(plot.Percent[hcRed][63], 0);
}

TEST(HistogramPlotTest, AutomaticCeilingRoundsTheHighestUpToTwenty)
{
    struct Case {
        std::uint64_t Highest; // of 100 pixels
        int Ceiling;
    };
    for (const Case& c : {Case{37, 40}, Case{40, 40}, Case{41, 60}, Case{1, 20}, Case{100, 100}, Case{81, 100}}) {
        // One bin holds the highest share; the rest is 1 % a bin.
        THistogramCounts counts;
        counts.Shift = 0;
        counts.Pixels = 100;
        for (auto& bins : counts.Bins) {
            bins.assign(256, 0);
            bins[255] = c.Highest;
            for (std::size_t i = 0; i < 100 - c.Highest; ++i) bins[i] = 1;
        }
        const THistogramPlot plot = PlotOf(counts, 0);
        EXPECT_TRUE(plot.HasData);
        EXPECT_EQ(plot.Ceiling, c.Ceiling) << "highest " << c.Highest;
    }
}

TEST(HistogramPlotTest, ExplicitCeilingIsMadeEven)
{
    const THistogramCounts counts = Counts(2, 10, {10, 5, 0});
    EXPECT_EQ(PlotOf(counts, 25).Ceiling, 26);
    EXPECT_EQ(PlotOf(counts, 1).Ceiling, 2);
    EXPECT_EQ(PlotOf(counts, 100).Ceiling, 100);
    EXPECT_EQ(PlotOf(counts, 40).Ceiling, 40);
    // An explicit ceiling below the highest percentage is kept.
    const THistogramPlot low = PlotOf(counts, 10);
    EXPECT_EQ(low.Ceiling, 10);
    EXPECT_EQ(low.Percent[hcBlue][0], 100);
}

TEST(HistogramPlotTest, NothingToScaleToHasNoData)
{
    // 256 bins, every one below 1 % in every channel: the automatic ceiling
    // would be 0.
    THistogramCounts spread;
    spread.Shift = 0;
    spread.Pixels = 256 * 2;
    for (auto& bins : spread.Bins) bins.assign(256, 2);
    const THistogramPlot automatic = PlotOf(spread, 0);
    EXPECT_FALSE(automatic.HasData);
    // With an explicit ceiling the flat curves are drawn.
    const THistogramPlot explicitCeiling = PlotOf(spread, 20);
    EXPECT_TRUE(explicitCeiling.HasData);
    EXPECT_EQ(explicitCeiling.Percent[hcGreen][200], 0);

    // No pixels: nothing to divide by, whatever the ceiling.
    THistogramCounts none;
    none.Shift = 1;
    for (auto& bins : none.Bins) bins.assign(128, 0);
    EXPECT_FALSE(PlotOf(none, 0).HasData);
    EXPECT_FALSE(PlotOf(none, 50).HasData);
    EXPECT_EQ(PlotOf(none, 50).Bins, 128);

    const THistogramPlot empty = EmptyPlot(3);
    EXPECT_FALSE(empty.HasData);
    EXPECT_EQ(empty.Bins, 32);
}

TEST(HistogramPlotTest, LargeCountsDoNotOverflow)
{
    // More pixels in one bin than a 32-bit count times 100 holds.
    const std::int64_t pixels = 120'000'000;
    const THistogramPlot plot = PlotOf(Counts(2, pixels, {60'000'000, 119'999'999, 30'000'000}), 0);
    EXPECT_EQ(plot.Percent[hcBlue][0], 50);
    EXPECT_EQ(plot.Percent[hcGreen][0], 99);
    EXPECT_EQ(plot.Percent[hcRed][0], 25);
    EXPECT_EQ(plot.Percent[hcRed][1], 75);
    EXPECT_EQ(plot.Ceiling, 100);
}

} // namespace
} // namespace pictor
