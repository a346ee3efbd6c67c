// The reduction drivers.
#include "reduce/Reduce.h"

#include "core/Exception.h"
#include "reduce/Diffusion.h"
#include "reduce/MedianCut.h"
#include "reduce/Octree.h"
#include "reduce/StaticPalette.h"
#include "tests/reduce/ReduceTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

using namespace pictor;
using namespace pictor::testing;

namespace {

using TDriver = std::function<std::unique_ptr<TBitmap>(const TBitmap&)>;

struct NamedDriver {
    const char* name;
    TDriver run;
};

const NamedDriver kDrivers[] = {
    {"octree", [](const TBitmap& b) { return OctreeQuantize(b, 256); }},
    {"median cut", [](const TBitmap& b) { return MedianCutQuantize(b, 8); }},
    {"median cut by variance", [](const TBitmap& b) { return MedianCutByVarianceQuantize(b, 8); }},
    {"median cut + diffusion", [](const TBitmap& b) { return MedianCutDiffusionQuantize(b, 8); }},
    {"median cut by variance + diffusion", [](const TBitmap& b) { return MedianCutByVarianceDiffusionQuantize(b, 8); }},
    {"fixed palette + diffusion", [](const TBitmap& b) { return StaticColorDiffusionQuantize(b); }},
    {"quality", [](const TBitmap& b) { return QualityQuantize(b, 256); }},
    {"quality + diffusion", [](const TBitmap& b) { return QualityDiffusionQuantize(b, 256); }},
};

void ExpectEightBitsOfSize(const TBitmap& result, int width, int height)
{
    EXPECT_EQ(result.PixelFormat(), pf8bit);
    EXPECT_EQ(result.Width(), width);
    EXPECT_EQ(result.Height(), height);
    EXPECT_GE(result.Palette().Count(), 1);
    EXPECT_LE(result.Palette().Count(), 256);
}

} // namespace

TEST(ReduceDrivers, EntryChecksNameThisUnitAndComeInOrder)
{
    const auto good = Bitmap24(2, 2, {0, 0, 0, 0});
    TBitmap bad;
    bad.SetLayout(32, std::nullopt, 2, 2);

    const std::string colors1 = AssertionMessage([&] { (void)OctreeQuantize(*good, 1); });
    const std::string format = AssertionMessage([&] { (void)OctreeQuantize(bad, 256); });
    EXPECT_EQ(colors1.rfind("Assertion failure (Reduce.cpp, line ", 0), 0u) << colors1;
    EXPECT_EQ(format.rfind("Assertion failure (Reduce.cpp, line ", 0), 0u) << format;
    EXPECT_NE(colors1, format);
    EXPECT_EQ(AssertionMessage([&] { (void)OctreeQuantize(*good, 257); }), colors1);
    EXPECT_EQ(AssertionMessage([&] { (void)OctreeQuantize(bad, 1); }), colors1); // colour count first

    const std::string depth = AssertionMessage([&] { (void)MedianCutQuantize(*good, -1); });
    const std::string depthFormat = AssertionMessage([&] { (void)MedianCutQuantize(bad, 8); });
    EXPECT_EQ(depth.rfind("Assertion failure (Reduce.cpp, line ", 0), 0u) << depth;
    EXPECT_NE(depth, depthFormat);
    for (auto driver : {MedianCutQuantize, MedianCutByVarianceQuantize, MedianCutDiffusionQuantize,
                        MedianCutByVarianceDiffusionQuantize}) {
        EXPECT_EQ(AssertionMessage([&] { (void)driver(*good, -1); }), depth);
        EXPECT_EQ(AssertionMessage([&] { (void)driver(*good, 9); }), depth); // beyond 256 entries
        EXPECT_EQ(AssertionMessage([&] { (void)driver(bad, -1); }), depth);
        EXPECT_EQ(AssertionMessage([&] { (void)driver(bad, 8); }), depthFormat);
    }
    try {
        (void)StaticColorDiffusionQuantize(bad);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "BitmapFiletr accepts only 24Bit DIB");
    }
    EXPECT_EQ(bad.PixelFormat(), pf32bit);
}

TEST(ReduceDrivers, SingleColourPictures)
{
    const TPackedColor colour = PackColor(51, 43, 64); // also a fixed-palette colour
    const auto source = Bitmap24(5, 4, std::vector<TPackedColor>(20, colour));
    for (const NamedDriver& driver : kDrivers) {
        SCOPED_TRACE(driver.name);
        const auto result = driver.run(*source);
        ExpectEightBitsOfSize(*result, 5, 4);
        EXPECT_EQ(ResultColors(*result), std::vector<TPackedColor>(20, colour));
        const int first = Indexes8(*result)[0];
        EXPECT_EQ(Indexes8(*result), std::vector<int>(20, first));
    }
    // Palettes over the colours in use hold exactly that colour, at index 0.
    for (const auto& driver : {kDrivers[0], kDrivers[1], kDrivers[2], kDrivers[6], kDrivers[7]}) {
        const auto result = driver.run(*source);
        EXPECT_EQ(result->Palette().Entries(), std::vector<TPaletteEntry>{(TPaletteEntry{51, 43, 64, 0})});
        EXPECT_EQ(Indexes8(*result), std::vector<int>(20, 0));
    }
    EXPECT_EQ(StaticColorDiffusionQuantize(*source)->Palette(), StaticPalette());
    EXPECT_EQ(Indexes8(*StaticColorDiffusionQuantize(*source)), std::vector<int>(20, 35 + 5 + 1));
}

TEST(ReduceDrivers, DepthZeroGivesOneEntryAndIndexZero)
{
    std::mt19937 random(8);
    const auto source = Bitmap24(8, 8, ClusteredColors(random, 64, 3, 30));
    for (auto driver : {MedianCutQuantize, MedianCutByVarianceQuantize, MedianCutDiffusionQuantize,
                        MedianCutByVarianceDiffusionQuantize}) {
        const auto result = driver(*source, 0);
        EXPECT_EQ(result->Palette().Count(), 1);
        EXPECT_EQ(Indexes8(*result), std::vector<int>(64, 0));
    }
}

TEST(ReduceDrivers, OctreeKeepsToItsColourCount)
{
    std::mt19937 random(4);
    const auto source = Bitmap24(40, 30, ClusteredColors(random, 1200, 9, 60));
    for (int colors : {2, 3, 17, 256}) {
        const auto result = OctreeQuantize(*source, colors);
        EXPECT_LE(result->Palette().Count(), colors);
        for (int index : Indexes8(*result)) ASSERT_LT(index, result->Palette().Count());
    }
}

TEST(ReduceDrivers, DiffusedMedianCutPixelsKeepTheColourDiffusionChose)
{
    // The box at or below green 92 has the mean (50, 92, 0), which lies in
    // an empty cell (centre green 94) of the other box. Diffusion gives the
    // first pixel that colour and pushes the second to (79, 92, 0), whose
    // cell lies in the other box. Looking the index up again from the
    // colour's cell would give the first pixel entry 0.
    const auto source = Bitmap24(2, 1, {PackColor(0, 92, 0), PackColor(100, 92, 0)});
    const auto result = MedianCutDiffusionQuantize(*source, 1);
    EXPECT_EQ(result->Palette().Entries(),
              (std::vector<TPaletteEntry>{TPaletteEntry{128, 174, 128, 0}, TPaletteEntry{50, 92, 0, 0}}));
    EXPECT_EQ(Indexes8(*result), (std::vector<int>{1, 0}));
}

TEST(ReduceDrivers, EveryPixelIsTheQuantisersAnswer)
{
    std::mt19937 random(77);
    const struct {
        int width, height, clusters, spread;
    } pictures[] = {{1, 1, 1, 0}, {33, 1, 4, 20}, {1, 29, 4, 20}, {48, 37, 12, 25}, {90, 70, 40, 12}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(std::to_string(p.width) + "x" + std::to_string(p.height));
        const auto colors = ClusteredColors(random, p.width * p.height, p.clusters, p.spread);
        const auto source = Bitmap24(p.width, p.height, colors);

        {
            const auto result = OctreeQuantize(*source, 256);
            ExpectEightBitsOfSize(*result, p.width, p.height);
            TOctree tree;
            for (TPackedColor c : colors) tree.AddColor(c);
            tree.MergeLeaves(256);
            EXPECT_EQ(result->Palette(), tree.GetPalette());
            std::vector<int> expected;
            for (TPackedColor c : colors) expected.push_back(tree.GetColorIndex(c));
            EXPECT_EQ(Indexes8(*result), expected);
        }
        for (bool byVariance : {false, true}) {
            const auto result = byVariance ? MedianCutByVarianceQuantize(*source, 8) : MedianCutQuantize(*source, 8);
            ExpectEightBitsOfSize(*result, p.width, p.height);
            TMedianCut cut;
            for (TPackedColor c : colors) cut.AddColor(c);
            byVariance ? cut.MakePaletteByVariance(8, true) : cut.MakePalette(8, true);
            EXPECT_EQ(result->Palette(), cut.GetPalette());
            std::vector<int> expected;
            for (TPackedColor c : colors) expected.push_back(cut.GetColorIndex(c));
            EXPECT_EQ(Indexes8(*result), expected);
        }
        for (bool byVariance : {false, true}) {
            const auto result = byVariance ? MedianCutByVarianceDiffusionQuantize(*source, 8)
                                           : MedianCutDiffusionQuantize(*source, 8);
            ExpectEightBitsOfSize(*result, p.width, p.height);
            TMedianCut cut;
            for (TPackedColor c : colors) cut.AddColor(c);
            byVariance ? cut.MakePaletteByVariance(8, false) : cut.MakePalette(8, false);
            const TPalette palette = cut.GetPalette();
            EXPECT_EQ(result->Palette(), palette);
            const auto diffused = Colors24(*DiffuseBitmap(*source, TMedianCutQuantizeColor(cut)));
            const std::vector<int> indexes = Indexes8(*result);
            for (std::size_t i = 0; i < diffused.size(); ++i) {
                ASSERT_EQ(PaletteColor(palette, indexes[i]), diffused[i]);
                for (int earlier = 0; earlier < indexes[i]; ++earlier)
                    ASSERT_NE(PaletteColor(palette, earlier), diffused[i]) << "not the first entry of its colour";
            }
        }
        {
            const auto result = StaticColorDiffusionQuantize(*source);
            ExpectEightBitsOfSize(*result, p.width, p.height);
            EXPECT_EQ(result->Palette(), StaticPalette());
            EXPECT_EQ(ResultColors(*result), Colors24(*DiffuseBitmap(*source, TQuantizeToStaticColor())));
        }
        EXPECT_EQ(Colors24(*source), colors);
        EXPECT_EQ(source->PixelFormat(), pf24bit);
    }
}

TEST(ReduceDrivers, PicturesWithoutPixels)
{
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 3}, std::pair{3, 0}}) {
        TBitmap source;
        source.SetLayout(24, std::nullopt, w, h);
        for (const NamedDriver& driver : kDrivers) {
            SCOPED_TRACE(driver.name);
            const auto result = driver.run(source);
            EXPECT_EQ(result->PixelFormat(), pf8bit);
            EXPECT_EQ(result->Width(), w);
            EXPECT_EQ(result->Height(), h);
        }
        // Quantisers with no colour to offer give one black entry.
        for (const auto& driver : {kDrivers[0], kDrivers[1], kDrivers[2], kDrivers[6], kDrivers[7]})
            EXPECT_EQ(driver.run(source)->Palette().Entries(), std::vector<TPaletteEntry>{TPaletteEntry{}});
        // Over the whole colour space: one box of empty cells, the mean of
        // their centres.
        EXPECT_EQ(MedianCutDiffusionQuantize(source, 8)->Palette().Entries(),
                  std::vector<TPaletteEntry>{(TPaletteEntry{128, 128, 128, 0})});
        EXPECT_EQ(StaticColorDiffusionQuantize(source)->Palette().Count(), 210);
    }
}

TEST(ReduceDrivers, NearlyEqualColoursShareAnOctreeEntry)
{
    // Differences in the two low bits stay in one leaf: one entry, the
    // pixel-weighted truncated mean.
    const auto source = Bitmap24(3, 1, {PackColor(200, 100, 40), PackColor(203, 103, 43), PackColor(203, 103, 43)});
    const auto result = OctreeQuantize(*source, 256);
    EXPECT_EQ(result->Palette().Entries(), std::vector<TPaletteEntry>{(TPaletteEntry{202, 102, 42, 0})});
    EXPECT_EQ(Indexes8(*result), (std::vector<int>{0, 0, 0}));
}
