#include "reduce/MedianCut.h"

#include "core/Exception.h"
#include "tests/reduce/ReduceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

using namespace pictor;

namespace {

// A median cut of the given pixels, palette made.
std::unique_ptr<TMedianCut> Made(const std::vector<TPackedColor>& colors, int depth, bool usedOnly,
                                 bool byVariance = false)
{
    auto cut = std::make_unique<TMedianCut>();
    for (TPackedColor c : colors) cut->AddColor(c);
    if (byVariance)
        cut->MakePaletteByVariance(depth, usedOnly);
    else
        cut->MakePalette(depth, usedOnly);
    return cut;
}

std::vector<TPaletteEntry> Entries(const TMedianCut& cut)
{
    return cut.GetPalette().Entries();
}

TPaletteEntry Rgb(int r, int g, int b)
{
    return TPaletteEntry{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b), 0};
}

} // namespace

TEST(MedianCut, CellsGatherLowBitsAndBecomeTruncatedMeans)
{
    EXPECT_EQ(TMedianCut::CellNumber(PackColor(255, 255, 255)), 131071);
    EXPECT_EQ(TMedianCut::CellNumber(PackColor(4, 4, 8)), 2048 + 32 + 1);

    TMedianCut cut;
    cut.AddColor(PackColor(5, 6, 9));
    cut.AddColor(PackColor(6, 7, 15));
    const TColorCell& cell = cut.Cell(TMedianCut::CellNumber(PackColor(4, 4, 8)));
    EXPECT_EQ(cell.Count, 2);
    EXPECT_EQ(cell.Red, 1 + 2);
    EXPECT_EQ(cell.Green, 2 + 3);
    EXPECT_EQ(cell.Blue, 1 + 7);

    cut.MakePalette(8, true);
    // The records in use moved to the front: this one is record 0 now.
    EXPECT_EQ(cut.Cell(0).CellNo, 2048 + 32 + 1);
    EXPECT_EQ(cut.Cell(0).Red, 4 + 3 / 2);
    EXPECT_EQ(cut.Cell(0).Green, 4 + 5 / 2);
    EXPECT_EQ(cut.Cell(0).Blue, 8 + 8 / 2);
    EXPECT_EQ(Entries(cut), std::vector<TPaletteEntry>{Rgb(5, 6, 12)});
}

TEST(MedianCut, DepthZeroIsTheWeightedMeanOfTheCells)
{
    const std::vector<TPackedColor> colors = {PackColor(10, 20, 30), PackColor(10, 20, 30), PackColor(10, 20, 30),
                                              PackColor(100, 50, 200)};
    for (bool usedOnly : {true, false}) {
        for (bool byVariance : {false, true}) {
            const auto cut = Made(colors, 0, usedOnly, byVariance);
            // (3 * 10 + 100) / 4, (3 * 20 + 50) / 4, (3 * 30 + 200) / 4.
            EXPECT_EQ(Entries(*cut), std::vector<TPaletteEntry>{Rgb(32, 27, 72)});
            EXPECT_EQ(cut->GetColorIndex(PackColor(255, 0, 255)), 0);
        }
    }
}

TEST(MedianCut, SingleColourGivesExactlyThatColour)
{
    for (bool byVariance : {false, true}) {
        for (int depth : {0, 1, 8}) {
            const auto cut = Made({PackColor(77, 140, 3), PackColor(77, 140, 3)}, depth, true, byVariance);
            EXPECT_EQ(Entries(*cut), std::vector<TPaletteEntry>{Rgb(77, 140, 3)});
            EXPECT_EQ(cut->GetColorIndex(PackColor(77, 140, 3)), 0);
        }
    }
}

TEST(MedianCut, UpperPartComesFirstAndBoxesHalveAtTheWeightedMean)
{
    // Red spans most: split at the weighted red mean (200 + 40) / 5 = 48.
    const auto cut = Made({PackColor(0, 0, 0), PackColor(0, 0, 0), PackColor(0, 0, 0), PackColor(200, 8, 0),
                           PackColor(40, 40, 40)},
                          1, true);
    EXPECT_EQ(Entries(*cut), (std::vector<TPaletteEntry>{Rgb(200, 8, 0), Rgb(10, 10, 10)}));
    EXPECT_EQ(cut->GetColorIndex(PackColor(201, 9, 1)), 0);
    EXPECT_EQ(cut->GetColorIndex(PackColor(40, 40, 40)), 1);
}

TEST(MedianCut, EqualWeightedRangesPreferRedThenGreen)
{
    // Green range 45 and blue range 63: 1.4 * 45 is exactly 63 in extended
    // precision, so green wins the tie (in double it falls just short).
    // Green cut at 45 / 3 = 15 keeps the blue colour below; a blue cut would
    // keep the green one below instead.
    EXPECT_EQ(Entries(*Made({PackColor(0, 0, 0), PackColor(0, 45, 0), PackColor(0, 0, 63)}, 1, true)),
              (std::vector<TPaletteEntry>{Rgb(0, 45, 0), Rgb(0, 0, 31)}));
    // Red range 35 and green range 30: 1.2 * 35 = 1.4 * 30 = 42, red wins.
    EXPECT_EQ(Entries(*Made({PackColor(0, 0, 0), PackColor(35, 0, 0), PackColor(0, 30, 0)}, 1, true)),
              (std::vector<TPaletteEntry>{Rgb(35, 0, 0), Rgb(0, 15, 0)}));
    // Red range 5 and blue range 6: 1.2 * 5 = 6, red wins.
    EXPECT_EQ(Entries(*Made({PackColor(0, 0, 0), PackColor(5, 0, 0), PackColor(0, 0, 6)}, 1, true)),
              (std::vector<TPaletteEntry>{Rgb(5, 0, 0), Rgb(0, 0, 3)}));
}

TEST(MedianCut, EqualWeightedVariancesPreferGreenOverBlue)
{
    // Green values 15, 33, 37, 21 (mean 26, variance 105) and blue 8, 38, 2,
    // 22 (mean 17, variance 210): 4 * 105 = 2 * 210, so green is cut.
    const auto cut = Made({PackColor(0, 15, 8), PackColor(0, 33, 38), PackColor(0, 37, 2), PackColor(0, 21, 22)}, 1,
                          true, true);
    EXPECT_EQ(Entries(*cut), (std::vector<TPaletteEntry>{Rgb(0, 35, 20), Rgb(0, 18, 15)}));
}

TEST(MedianCut, VarianceRuleCanChooseAnotherAxisThanTheRange)
{
    // Red has the wider range (one outlier), green the larger variance.
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 10; ++i) colors.push_back(PackColor(0, 0, 0));
    for (int i = 0; i < 10; ++i) colors.push_back(PackColor(0, 100, 0));
    colors.push_back(PackColor(200, 0, 0));
    const auto byRange = Made(colors, 1, true, false);
    const auto byVariance = Made(colors, 1, true, true);
    EXPECT_EQ(Entries(*byRange), (std::vector<TPaletteEntry>{Rgb(200, 0, 0), Rgb(0, 50, 0)}));
    EXPECT_EQ(Entries(*byVariance), (std::vector<TPaletteEntry>{Rgb(0, 100, 0), Rgb(18, 0, 0)}));
}

TEST(MedianCut, UnusedCellsMapToZeroOrToTheirOwnBox)
{
    const std::vector<TPackedColor> colors = {PackColor(0, 0, 0), PackColor(255, 255, 255)};
    const auto used = Made(colors, 1, true);
    EXPECT_EQ(Entries(*used), (std::vector<TPaletteEntry>{Rgb(255, 255, 255), Rgb(0, 0, 0)}));
    EXPECT_EQ(used->GetColorIndex(PackColor(255, 255, 255)), 0);
    EXPECT_EQ(used->GetColorIndex(PackColor(0, 0, 0)), 1);
    EXPECT_EQ(used->GetColorIndex(PackColor(10, 10, 10)), 0); // never added

    const auto all = Made({PackColor(0, 0, 0)}, 1, false);
    // Green spans most; the cut at green 0 leaves every other cell, all
    // empty, in the upper box: its entry is the plain mean of their centres.
    EXPECT_EQ(Entries(*all), (std::vector<TPaletteEntry>{Rgb(128, 128, 128), Rgb(0, 0, 0)}));
    EXPECT_EQ(all->GetColorIndex(PackColor(0, 0, 0)), 1);
    EXPECT_EQ(all->GetColorIndex(PackColor(3, 3, 7)), 1);
    EXPECT_EQ(all->GetColorIndex(PackColor(0, 4, 0)), 0);
}

TEST(MedianCut, PaletteSizeIsBoundedByDepthAndIndexesAreValid)
{
    std::mt19937 random(5);
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 20000; ++i) colors.push_back(random() & 0xFFFFFF);
    for (bool usedOnly : {true, false}) {
        for (bool byVariance : {false, true}) {
            for (int depth : {1, 3, 8}) {
                const auto cut = Made(colors, depth, usedOnly, byVariance);
                EXPECT_LE(cut->ColorCount(), 1 << depth);
                EXPECT_GE(cut->ColorCount(), 1);
                const TMedianCutQuantizeColor quantizer(*cut);
                const TPalette palette = cut->GetPalette();
                for (int i = 0; i < 2000; ++i) {
                    const TPackedColor c = colors[static_cast<std::size_t>(i)];
                    const int index = cut->GetColorIndex(c);
                    ASSERT_LT(index, palette.Count());
                    TRGBTriple q;
                    quantizer.Quantize(q, c);
                    ASSERT_EQ(q, (TRGBTriple{palette[index].peBlue, palette[index].peGreen, palette[index].peRed}));
                }
            }
        }
    }
}

TEST(MedianCut, EveryBoxOwnsTheCellsItWasGiven)
{
    // Each cell of a box carries the box's index, and the box's entry is the
    // count-weighted mean of its cells.
    std::mt19937 random(11);
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 3000; ++i) colors.push_back((random() & 0x3F3F3F) * 2);
    const auto cut = Made(colors, 5, true);
    std::vector<long long> total(256), red(256), green(256), blue(256);
    for (int j = 0; j < TMedianCut::kCellCount && cut->Cell(j).Count > 0; ++j) {
        const TColorCell& cell = cut->Cell(j);
        ASSERT_LT(cell.Index, cut->ColorCount());
        EXPECT_EQ(cut->IndexTable()[cell.CellNo], cell.Index);
        total[cell.Index] += cell.Count;
        red[cell.Index] += static_cast<long long>(cell.Red) * cell.Count;
        green[cell.Index] += static_cast<long long>(cell.Green) * cell.Count;
        blue[cell.Index] += static_cast<long long>(cell.Blue) * cell.Count;
    }
    for (int i = 0; i < cut->ColorCount(); ++i) {
        ASSERT_GT(total[i], 0);
        EXPECT_EQ(cut->PaletteEntry(i).Red, red[i] / total[i]);
        EXPECT_EQ(cut->PaletteEntry(i).Green, green[i] / total[i]);
        EXPECT_EQ(cut->PaletteEntry(i).Blue, blue[i] / total[i]);
    }
}

TEST(MedianCut, AddPixelsMatchesAddColor)
{
    std::mt19937 random(3);
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 5000; ++i) colors.push_back(random() & 0xFFFFFF);
    TMedianCut one, rows;
    for (TPackedColor c : colors) one.AddColor(c);
    const auto bytes = pictor::testing::Pixels(colors);
    rows.AddPixels(bytes.data(), static_cast<int>(colors.size()));
    for (int i = 0; i < TMedianCut::kCellCount; ++i) {
        ASSERT_EQ(one.Cell(i).Count, rows.Cell(i).Count);
        ASSERT_EQ(one.Cell(i).Red, rows.Cell(i).Red);
        ASSERT_EQ(one.Cell(i).Green, rows.Cell(i).Green);
        ASSERT_EQ(one.Cell(i).Blue, rows.Cell(i).Blue);
    }
}

TEST(MedianCut, DepthBeyondThePaletteIsRefused)
{
    TMedianCut cut;
    cut.AddColor(PackColor(1, 2, 3));
    EXPECT_THROW(cut.MakePalette(9, true), EAssertionFailed);
    EXPECT_THROW(cut.MakePaletteByVariance(-1, false), EAssertionFailed);
}

TEST(MedianCut, NoPixelsAndUsedOnlyGivesNoEntries)
{
    TMedianCut cut;
    cut.MakePalette(8, true);
    EXPECT_EQ(cut.ColorCount(), 0);
    EXPECT_TRUE(cut.GetPalette().Empty());
    const TMedianCutQuantizeColor quantizer(cut);
    TRGBTriple q{1, 2, 3};
    quantizer.Quantize(q, PackColor(9, 9, 9));
    EXPECT_EQ(q, (TRGBTriple{0, 0, 0}));
}
