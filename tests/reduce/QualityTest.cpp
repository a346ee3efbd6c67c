// The quality reductions and their pieces: pictures of few colours come back
// exactly, the nearest entry is the brute-force one, separated clusters are
// found, diffusion keeps a colour's mean, and threads change no byte.
#include "reduce/Reduce.h"

#include "core/Exception.h"
#include "core/Parallel.h"
#include "reduce/ColorHistogram.h"
#include "reduce/DistinctColors.h"
#include "reduce/NearestColor.h"
#include "reduce/QualityDiffusion.h"
#include "tests/reduce/ReduceTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <string>

using namespace pictor;
using namespace pictor::testing;

namespace {

using TQualityDriver = std::unique_ptr<TBitmap> (*)(const TBitmap&, int);

const struct {
    const char* Name;
    TQualityDriver Run;
} kQualityDrivers[] = {{"quality", QualityQuantize}, {"quality + diffusion", QualityDiffusionQuantize}};

std::vector<TPackedColor> PaletteColors(const TPalette& palette)
{
    std::vector<TPackedColor> colors;
    for (const TPaletteEntry& e : palette.Entries())
        colors.push_back(PackColor(e.peRed, e.peGreen, e.peBlue));
    return colors;
}

std::int64_t SquaredError(const std::vector<TPackedColor>& a, const std::vector<TPackedColor>& b)
{
    std::int64_t error = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16}) {
            const int d = static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF);
            error += d * d;
        }
    return error;
}

} // namespace

TEST(QualityReduce, EntryChecksComeBeforeAnything)
{
    const auto good = Bitmap24(2, 2, {0, 1, 2, 3});
    TBitmap bad;
    bad.SetLayout(32, std::nullopt, 2, 2);
    for (const auto& driver : kQualityDrivers) {
        SCOPED_TRACE(driver.Name);
        const std::string colors = AssertionMessage([&] { (void)driver.Run(*good, 1); });
        EXPECT_EQ(colors.rfind("Assertion failure (QualityReduce.cpp, line ", 0), 0u) << colors;
        EXPECT_EQ(AssertionMessage([&] { (void)driver.Run(*good, 257); }), colors);
        EXPECT_EQ(AssertionMessage([&] { (void)driver.Run(bad, 0); }), colors);
        const std::string format = AssertionMessage([&] { (void)driver.Run(bad, 256); });
        EXPECT_EQ(format.rfind("Assertion failure (QualityReduce.cpp, line ", 0), 0u) << format;
        EXPECT_NE(format, colors);
    }
}

TEST(QualityReduce, PicturesOfFewColoursComeBackExactly)
{
    std::mt19937 random(21);
    const struct {
        int colors, distinct;
    } cases[] = {{256, 256}, {256, 1}, {256, 2}, {2, 2}, {16, 10}, {100, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.distinct) + " colours, at most " + std::to_string(c.colors));
        // Colours in pairs one level apart, which share a histogram cell.
        std::vector<TPackedColor> own;
        while (static_cast<int>(own.size()) < c.distinct) {
            const TPackedColor colour = random() & 0xFFFFFE;
            if (std::find(own.begin(), own.end(), colour) != own.end()) continue;
            own.push_back(colour);
            if (static_cast<int>(own.size()) < c.distinct) own.push_back(colour | 1);
        }
        std::vector<TPackedColor> pixels(own);
        while (pixels.size() < 37 * 23)
            pixels.push_back(own[random() % own.size()]);
        std::shuffle(pixels.begin(), pixels.end(), random);
        std::vector<TPackedColor> firstSeen;
        for (TPackedColor p : pixels)
            if (std::find(firstSeen.begin(), firstSeen.end(), p) == firstSeen.end()) firstSeen.push_back(p);

        const auto source = Bitmap24(37, 23, pixels);
        for (const auto& driver : kQualityDrivers) {
            SCOPED_TRACE(driver.Name);
            const auto result = driver.Run(*source, c.colors);
            EXPECT_EQ(result->PixelFormat(), pf8bit);
            EXPECT_EQ(PaletteColors(result->Palette()), firstSeen);
            EXPECT_EQ(ResultColors(*result), pixels);
        }
    }
}

TEST(QualityReduce, KeepsToItsColourCount)
{
    std::mt19937 random(4);
    const auto source = Bitmap24(40, 30, ClusteredColors(random, 1200, 9, 60));
    for (const auto& driver : kQualityDrivers) {
        for (int colors : {2, 3, 17, 255, 256}) {
            SCOPED_TRACE(std::string(driver.Name) + ", " + std::to_string(colors));
            const auto result = driver.Run(*source, colors);
            const TPalette palette = result->Palette();
            EXPECT_GE(palette.Count(), 2);
            EXPECT_LE(palette.Count(), colors);
            const std::vector<TPackedColor> entries = PaletteColors(palette);
            EXPECT_EQ(std::set<TPackedColor>(entries.begin(), entries.end()).size(), entries.size())
                << "duplicates";
            for (int index : Indexes8(*result))
                ASSERT_LT(index, palette.Count());
        }
    }
}

TEST(QualityReduce, SeparatedClustersBecomeTheirMeans)
{
    // Three tight clusters of many colours each, reduced to three: each
    // entry is one cluster's mean and each pixel gets its own cluster's.
    std::mt19937 random(5);
    const TPackedColor centres[] = {PackColor(30, 40, 50), PackColor(200, 60, 90), PackColor(90, 220, 180)};
    std::uniform_int_distribution<int> offset(-3, 3);
    std::vector<TPackedColor> pixels;
    std::vector<int> cluster;
    std::int64_t sums[3][4] = {};
    for (int i = 0; i < 60 * 40; ++i) {
        const int k = static_cast<int>(random() % 3);
        const int r = RedOf(centres[k]) + offset(random), g = GreenOf(centres[k]) + offset(random),
                  b = BlueOf(centres[k]) + offset(random);
        pixels.push_back(PackColor(r, g, b));
        cluster.push_back(k);
        sums[k][0] += r;
        sums[k][1] += g;
        sums[k][2] += b;
        ++sums[k][3];
    }
    std::vector<TPackedColor> means;
    for (const auto& s : sums) {
        const auto mean = [&](std::int64_t sum) { return static_cast<int>((2 * sum + s[3]) / (2 * s[3])); };
        means.push_back(PackColor(mean(s[0]), mean(s[1]), mean(s[2])));
    }
    const auto source = Bitmap24(60, 40, pixels);
    const auto result = QualityQuantize(*source, 3);
    const std::vector<TPackedColor> palette = PaletteColors(result->Palette());
    EXPECT_EQ(std::set<TPackedColor>(palette.begin(), palette.end()),
              std::set<TPackedColor>(means.begin(), means.end()));
    const std::vector<TPackedColor> colors = ResultColors(*result);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(colors[i], means[static_cast<std::size_t>(cluster[i])]);
}

TEST(QualityReduce, LeavesLessErrorThanMedianCut)
{
    std::mt19937 random(12);
    for (int clusters : {3, 12, 60}) {
        const auto colors = ClusteredColors(random, 120 * 90, clusters, 40);
        const auto source = Bitmap24(120, 90, colors);
        for (int depth : {2, 5, 8}) {
            SCOPED_TRACE(std::to_string(clusters) + " clusters, depth " + std::to_string(depth));
            const std::int64_t medianCut =
                SquaredError(colors, ResultColors(*MedianCutQuantize(*source, depth)));
            EXPECT_LT(SquaredError(colors, ResultColors(*QualityQuantize(*source, 1 << depth))), medianCut);
        }
    }
}

TEST(QualityReduce, SameBytesOnOneThreadAndOnThree)
{
    std::mt19937 random(3);
    const auto source = Bitmap24(150, 101, ClusteredColors(random, 150 * 101, 30, 50));
    SetThreadGrain(1);
    for (const auto& driver : kQualityDrivers) {
        SCOPED_TRACE(driver.Name);
        SetOperationThreads(1);
        const auto one = driver.Run(*source, 256);
        SetOperationThreads(3);
        const auto three = driver.Run(*source, 256);
        EXPECT_EQ(three->Palette(), one->Palette());
        EXPECT_EQ(Indexes8(*three), Indexes8(*one));
    }
    SetOperationThreads(0);
    SetThreadGrain(kDefaultThreadGrain);
}

TEST(NearestColor, MatchesABruteForceSearch)
{
    std::mt19937 random(9);
    const auto entries = [&](int count, int low, int high) {
        std::uniform_int_distribution<int> level(low, high);
        std::vector<TPaletteEntry> e;
        for (int i = 0; i < count; ++i)
            e.push_back(TPaletteEntry{static_cast<std::uint8_t>(level(random)),
                                      static_cast<std::uint8_t>(level(random)),
                                      static_cast<std::uint8_t>(level(random)), 0});
        return e;
    };
    std::vector<TPaletteEntry> grid; // many colours midway between entries: ties
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51)
                grid.push_back(TPaletteEntry{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                             static_cast<std::uint8_t>(b), 0});
    std::vector<TPaletteEntry> twice = entries(40, 0, 255); // the same colour at two indices
    twice.insert(twice.end(), twice.begin(), twice.begin() + 20);
    const struct {
        const char* name;
        std::vector<TPaletteEntry> entries;
    } palettes[] = {
        {"random", entries(256, 0, 255)},
        {"clustered", entries(256, 120, 135)}, // far cells keep long lists
        {"one", entries(1, 0, 255)},
        {"two", entries(2, 0, 255)},
        {"grid", grid},
        {"duplicates", twice},
    };

    std::vector<TPackedColor> queries;
    for (int r = 0; r < 256; r += 7)
        for (int g = 2; g < 256; g += 7)
            for (int b = 5; b < 256; b += 7)
                queries.push_back(PackColor(r, g, b));
    for (int i = 0; i < 5000; ++i)
        queries.push_back(random() & 0xFFFFFF);
    for (int v = 0; v < 256; ++v)
        queries.push_back(PackColor(v, 255 - v, v / 2));
    // Every colour where the clustered palette is dense: cells whose
    // colours each look their nearest entry up in the cell's block.
    for (int r = 116; r < 140; ++r)
        for (int g = 116; g < 140; ++g)
            for (int b = 116; b < 140; ++b)
                queries.push_back(PackColor(r, g, b));
    TColorHistogram used;
    for (TPackedColor q : queries)
        used.AddColor(RedOf(q), GreenOf(q), BlueOf(q), 1);

    for (const auto& p : palettes) {
        SCOPED_TRACE(p.name);
        const TPalette palette(p.entries);
        TNearestColor lazy(palette);
        TNearestColor made(palette);
        made.MakeUsedCells(used);
        for (TPackedColor q : queries) {
            const int expected = palette.NearestIndex(static_cast<std::uint8_t>(RedOf(q)),
                                                      static_cast<std::uint8_t>(GreenOf(q)),
                                                      static_cast<std::uint8_t>(BlueOf(q)));
            ASSERT_EQ(lazy.Nearest(RedOf(q), GreenOf(q), BlueOf(q)), expected) << std::hex << q;
            ASSERT_EQ(made.NearestMade(RedOf(q), GreenOf(q), BlueOf(q)), expected) << std::hex << q;
        }
    }
}

TEST(DistinctColors, CountsEveryColourOrGivesUp)
{
    const std::vector<TPackedColor> pixels{PackColor(9, 8, 7),       PackColor(1, 2, 3), PackColor(9, 8, 7),
                                           PackColor(255, 255, 255), PackColor(9, 8, 7), PackColor(1, 2, 3)};
    const auto source = Bitmap24(3, 2, pixels);
    const auto colors = DistinctColors(*source, 3);
    ASSERT_TRUE(colors.has_value());
    ASSERT_EQ(colors->size(), 3u);
    // Ascending by packed colour, each with its count and sums.
    const TColorSum expected[] = {{2, 2, 4, 6}, {3, 27, 24, 21}, {1, 255, 255, 255}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ((*colors)[i].Count, expected[i].Count);
        EXPECT_EQ((*colors)[i].Red, expected[i].Red);
        EXPECT_EQ((*colors)[i].Green, expected[i].Green);
        EXPECT_EQ((*colors)[i].Blue, expected[i].Blue);
    }
    EXPECT_FALSE(DistinctColors(*source, 2).has_value());
}

TEST(QualityDiffusion, KeepsTheMeanOfAColourInsideThePalette)
{
    // Five levels a channel: every colour is a mix of the entries around it.
    // Rows run both ways; a share sent the wrong way would shift the mean.
    std::vector<TPaletteEntry> levels;
    for (int r = 0; r < 5; ++r)
        for (int g = 0; g < 5; ++g)
            for (int b = 0; b < 5; ++b)
                levels.push_back(TPaletteEntry{static_cast<std::uint8_t>(std::min(r * 64, 255)),
                                               static_cast<std::uint8_t>(std::min(g * 64, 255)),
                                               static_cast<std::uint8_t>(std::min(b * 64, 255)), 0});
    const TPalette palette(levels);
    const int width = 256, height = 64;
    for (TPackedColor colour : {PackColor(37, 150, 201), PackColor(20, 230, 100), PackColor(97, 31, 160)}) {
        const auto source = Bitmap24(width, height, std::vector<TPackedColor>(width * height, colour));
        std::vector<const std::uint8_t*> rows;
        for (int y = 0; y < height; ++y)
            rows.push_back(source->ScanLine(y));
        TNearestColor nearest(palette);
        std::int64_t sums[3] = {};
        DiffuseRows(rows, width, palette, nearest, [&](std::size_t, int, int index, const std::int32_t*) {
            sums[0] += levels[static_cast<std::size_t>(index)].peRed;
            sums[1] += levels[static_cast<std::size_t>(index)].peGreen;
            sums[2] += levels[static_cast<std::size_t>(index)].peBlue;
        });
        const int expected[] = {RedOf(colour), GreenOf(colour), BlueOf(colour)};
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(static_cast<double>(sums[c]) / (width * height), expected[c], 0.25)
                << "channel " << c;
    }
}
