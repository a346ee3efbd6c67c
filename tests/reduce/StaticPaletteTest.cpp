#include "reduce/StaticPalette.h"

#include <gtest/gtest.h>

#include <random>

using namespace pictor;

TEST(StaticPalette, LevelTablesFollowTheFixedRanges)
{
    struct Bound {
        int value, level;
    };
    const Bound red[] = {{0, 0},   {25, 0},  {26, 1},  {76, 1},  {77, 2},  {127, 2},
                         {128, 3}, {178, 3}, {179, 4}, {230, 4}, {231, 5}, {255, 5}};
    const Bound green[] = {{0, 0},   {21, 0},  {22, 1},  {63, 1},  {64, 2},  {106, 2},  {107, 3},
                           {149, 3}, {150, 4}, {192, 4}, {193, 5}, {233, 5}, {234, 6}, {255, 6}};
    const Bound blue[] = {{0, 0}, {31, 0}, {32, 1}, {95, 1}, {96, 2}, {159, 2}, {160, 3}, {223, 3}, {224, 4}, {255, 4}};
    for (const Bound& b : red) EXPECT_EQ(RedLevelIndex[b.value], b.level) << b.value;
    for (const Bound& b : green) EXPECT_EQ(GreenLevelIndex[b.value], b.level) << b.value;
    for (const Bound& b : blue) EXPECT_EQ(BlueLevelIndex[b.value], b.level) << b.value;

    for (int v = 1; v < 256; ++v) {
        EXPECT_LE(RedLevelIndex[v] - RedLevelIndex[v - 1], 1);
        EXPECT_GE(RedLevelIndex[v], RedLevelIndex[v - 1]);
        EXPECT_GE(GreenLevelIndex[v], GreenLevelIndex[v - 1]);
        EXPECT_GE(BlueLevelIndex[v], BlueLevelIndex[v - 1]);
    }
    for (std::size_t k = 0; k < StaticRedLevels.size(); ++k) EXPECT_EQ(RedLevelIndex[StaticRedLevels[k]], k);
    for (std::size_t k = 0; k < StaticGreenLevels.size(); ++k) EXPECT_EQ(GreenLevelIndex[StaticGreenLevels[k]], k);
    for (std::size_t k = 0; k < StaticBlueLevels.size(); ++k) EXPECT_EQ(BlueLevelIndex[StaticBlueLevels[k]], k);
}

TEST(StaticPalette, HoldsTheLevelCubeRedSlowestBlueFastest)
{
    const TPalette& palette = StaticPalette();
    ASSERT_EQ(palette.Count(), 210);
    EXPECT_EQ(palette[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(palette[1], (TPaletteEntry{0, 0, 64, 0}));
    EXPECT_EQ(palette[5], (TPaletteEntry{0, 43, 0, 0}));
    EXPECT_EQ(palette[35], (TPaletteEntry{51, 0, 0, 0}));
    EXPECT_EQ(palette[3 * 35 + 3 * 5 + 2], (TPaletteEntry{153, 128, 128, 0}));
    EXPECT_EQ(palette[209], (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(&StaticPalette(), &palette); // made once
}

TEST(StaticPalette, QuantisingIsStableAndIndexesNameTheSameColour)
{
    const TQuantizeToStaticColor quantizer;
    const TQuantizeColor& asBase = quantizer;
    for (int v = 0; v < 256; ++v) {
        TRGBTriple once, twice;
        asBase.Quantize(once, PackColor(v, 255 - v, (v * 7) & 255));
        asBase.Quantize(twice, PixelColor(once));
        EXPECT_EQ(once, twice) << v;
    }
    TRGBTriple mid;
    quantizer.Quantize(mid, PackColor(128, 128, 128));
    EXPECT_EQ(mid, (TRGBTriple{128, 128, 153})); // blue, green, red
    quantizer.Quantize(mid, PackColor(230, 234, 0) | 0xFF000000u);
    EXPECT_EQ(mid, (TRGBTriple{0, 255, 204}));

    std::mt19937 random(1);
    for (int i = 0; i < 1000; ++i) {
        TRGBTriple q;
        quantizer.Quantize(q, random());
        const TPaletteEntry& e = StaticPalette()[StaticColorIndex(q.rgbtRed, q.rgbtGreen, q.rgbtBlue)];
        ASSERT_EQ((TRGBTriple{e.peBlue, e.peGreen, e.peRed}), q);
    }
}
