// TPalette, the fixed palettes and the fast nearest-colour matcher.
#include "core/Exception.h"
#include "gfx/ColorMatcher.h"
#include "gfx/Palette.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

namespace pictor {
namespace {

std::set<std::tuple<int, int, int>> Distinct(const TPalette& p)
{
    std::set<std::tuple<int, int, int>> colours;
    for (const TPaletteEntry& e : p.Entries()) colours.insert({e.peRed, e.peGreen, e.peBlue});
    return colours;
}

TEST(Palette, ConstructionLimitsAndEntryAccess)
{
    EXPECT_TRUE(TPalette().Empty());
    std::vector<TPaletteEntry> e(257);
    EXPECT_THROW(TPalette(e.data(), 257), EInvalidGraphic);
    EXPECT_THROW(TPalette(e.data(), -1), EInvalidGraphic);
    EXPECT_THROW(TPalette(std::vector<TPaletteEntry>(257)), EInvalidGraphic);

    TPalette p(std::vector<TPaletteEntry>{{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}});
    EXPECT_EQ(p.Color(1), RGBColor(40, 50, 60));
    EXPECT_EQ(p.Color(3), clBlack);
    EXPECT_EQ(p.Color(-1), clBlack);
    TPaletteEntry out[4] = {};
    EXPECT_EQ(p.GetEntries(1, 4, out), 2);
    EXPECT_EQ(out[0], (TPaletteEntry{40, 50, 60, 0}));
    EXPECT_EQ(out[1], (TPaletteEntry{70, 80, 90, 0}));
    EXPECT_EQ(p.GetEntries(3, 1, out), 0);
    EXPECT_EQ(p.GetEntries(-1, 1, out), 0);
}

TEST(Palette, NearestIndexTiesGoToTheLowestIndex)
{
    TPalette p(std::vector<TPaletteEntry>{{0, 0, 0, 0}, {10, 0, 0, 0}, {0, 10, 0, 0}, {10, 0, 0, 0}});
    EXPECT_EQ(p.NearestIndex(5, 0, 0), 0);  // 0 and 1 at the same distance
    EXPECT_EQ(p.NearestIndex(9, 0, 0), 1);  // 1 and 3 alike: 1
    EXPECT_EQ(p.NearestIndex(5, 5, 0), 0);  // 0, 1 and 2 at 50
    EXPECT_EQ(p.NearestIndex(2, 9, 0), 2);
    EXPECT_EQ(TPalette().NearestIndex(1, 2, 3), -1);
}

TEST(Palette, FixedPalettes)
{
    const TPalette& h = HalftonePalette();
    ASSERT_EQ(h.Count(), 256);
    EXPECT_EQ(Distinct(h).size(), 256u);
    EXPECT_EQ(h.Color(0), clBlack);
    EXPECT_EQ(h.Color(255), clWhite);
    EXPECT_EQ(h.Color(249), clRed);
    EXPECT_EQ(h.Color(7), RGBColor(192, 192, 192));
    // Every colour of the 6x6x6 cube is there.
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51) EXPECT_EQ(Distinct(h).count({r, g, b}), 1u);
    for (const TPaletteEntry& e : h.Entries()) EXPECT_EQ(e.peFlags, 0);

    const TPalette& s = SystemPalette16();
    ASSERT_EQ(s.Count(), 16);
    const TColor vga[16] = {RGBColor(0, 0, 0),       RGBColor(128, 0, 0),     RGBColor(0, 128, 0),
                            RGBColor(128, 128, 0),   RGBColor(0, 0, 128),     RGBColor(128, 0, 128),
                            RGBColor(0, 128, 128),   RGBColor(192, 192, 192), RGBColor(128, 128, 128),
                            RGBColor(255, 0, 0),     RGBColor(0, 255, 0),     RGBColor(255, 255, 0),
                            RGBColor(0, 0, 255),     RGBColor(255, 0, 255),   RGBColor(0, 255, 255),
                            RGBColor(255, 255, 255)};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(s.Color(i), vga[i]) << i;

    ASSERT_EQ(MonochromePalette().Count(), 2);
    EXPECT_EQ(MonochromePalette().Color(0), clBlack);
    EXPECT_EQ(MonochromePalette().Color(1), clWhite);
}

// The matcher must agree with the brute-force search everywhere, ties
// included: every colour on a lattice through all cells, cell borders, and
// many random colours.
void ExpectMatcherExact(const TPalette& palette, const TColorMatcher& matcher)
{
    auto check = [&](int r, int g, int b) {
        auto R = static_cast<std::uint8_t>(r), G = static_cast<std::uint8_t>(g), B = static_cast<std::uint8_t>(b);
        ASSERT_EQ(matcher.Nearest(R, G, B), palette.NearestIndex(R, G, B)) << r << "," << g << "," << b;
    };
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 7)
            for (int b = 0; b < 256; b += 3) check(r, g, b);
    for (int v = 0; v < 256; v += 8)
        for (int w = 7; w < 256; w += 8) {
            check(v, w, v);
            check(w, v, w);
        }
    std::mt19937 rng(12345);
    for (int i = 0; i < 200000; ++i) check(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF);
}

TEST(ColorMatcher, AgreesWithBruteForceOnTheFixedPalettes)
{
    ExpectMatcherExact(HalftonePalette(), TColorMatcher::Halftone());
    ExpectMatcherExact(SystemPalette16(), TColorMatcher::System16());
}

TEST(ColorMatcher, AgreesWithBruteForceOnPalettesFullOfTies)
{
    // Duplicated entries and evenly spaced ones put ties everywhere.
    std::vector<TPaletteEntry> e;
    for (int i = 0; i < 64; ++i) {
        auto v = static_cast<std::uint8_t>(i * 4);
        e.push_back({v, static_cast<std::uint8_t>(255 - v), 128, 0});
        e.push_back({v, static_cast<std::uint8_t>(255 - v), 128, 0});
        e.push_back({static_cast<std::uint8_t>(v + 2), v, v, 0});
    }
    TPalette ties(e);
    ExpectMatcherExact(ties, TColorMatcher(ties));

    std::mt19937 rng(7);
    std::vector<TPaletteEntry> random(256);
    for (auto& x : random)
        x = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 0};
    TPalette rp(random);
    ExpectMatcherExact(rp, TColorMatcher(rp));
    TPalette one(std::vector<TPaletteEntry>{{9, 9, 9, 0}});
    ExpectMatcherExact(one, TColorMatcher(one));
}

} // namespace
} // namespace pictor
