#include "image/PixelMove.h"
#include "tests/image/RgbPicture.h"

#include <gtest/gtest.h>

using namespace pictor;
using pictor::testing::TPackedPicture;

namespace {

const int kDepths[] = {1, 4, 8, 16, 24, 32};

bool Swaps(TPixelMapping m) { return m == TPixelMapping::Turn90 || m == TPixelMapping::Turn270; }

// fill: the bytes of the new picture before the move, to see which bits it
// writes.
TPackedPicture Moved(const TPackedPicture& source, TPixelMapping mapping, std::uint8_t fill = 0)
{
    TPackedPicture result(source.Bits, Swaps(mapping) ? source.Height : source.Width,
                          Swaps(mapping) ? source.Width : source.Height, fill);
    auto in = source.ReadRows();
    auto out = result.WriteRows();
    MovePixels(mapping, source.Bits, in.data(), source.Width, source.Height, out.data());
    return result;
}

// Pixel values row by row.
std::vector<std::uint32_t> Pixels(const TPackedPicture& p)
{
    std::vector<std::uint32_t> values;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) values.push_back(p.Get(x, y));
    return values;
}

TPackedPicture FromPixels(int bits, int width, int height, const std::vector<std::uint32_t>& values)
{
    TPackedPicture p(bits, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.Set(x, y, values[static_cast<std::size_t>(y * width + x)]);
    return p;
}

// A value of the depth that tells pixel number n apart.
std::uint32_t Distinct(int bits, std::uint32_t n)
{
    const std::uint32_t mask = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    return (bits >= 16 ? n * 0x01010101u ^ (n << 8) ^ 0x5A : n) & mask;
}

} // namespace

TEST(PixelMove, ThreeByTwoAtEveryDepth)
{
    // 1 2 3 / 4 5 6.
    for (int bits : {4, 8, 16, 24, 32}) {
        auto d = [bits](std::uint32_t n) { return Distinct(bits, n); };
        const TPackedPicture p = FromPixels(bits, 3, 2, {d(1), d(2), d(3), d(4), d(5), d(6)});
        const TPackedPicture t90 = Moved(p, TPixelMapping::Turn90);
        EXPECT_EQ(t90.Width, 2);
        EXPECT_EQ(t90.Height, 3);
        EXPECT_EQ(Pixels(t90), (std::vector<std::uint32_t>{d(4), d(1), d(5), d(2), d(6), d(3)})) << bits;
        EXPECT_EQ(Pixels(Moved(p, TPixelMapping::Turn270)),
                  (std::vector<std::uint32_t>{d(3), d(6), d(2), d(5), d(1), d(4)}))
            << bits;
        EXPECT_EQ(Pixels(Moved(p, TPixelMapping::Turn180)),
                  (std::vector<std::uint32_t>{d(6), d(5), d(4), d(3), d(2), d(1)}))
            << bits;
        EXPECT_EQ(Pixels(Moved(p, TPixelMapping::Mirror)),
                  (std::vector<std::uint32_t>{d(3), d(2), d(1), d(6), d(5), d(4)}))
            << bits;
    }
    // 1 0 0 / 1 1 0 at one bit.
    const TPackedPicture bitsPicture = FromPixels(1, 3, 2, {1, 0, 0, 1, 1, 0});
    EXPECT_EQ(Pixels(Moved(bitsPicture, TPixelMapping::Turn90)), (std::vector<std::uint32_t>{1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(Pixels(Moved(bitsPicture, TPixelMapping::Turn270)), (std::vector<std::uint32_t>{0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(Pixels(Moved(bitsPicture, TPixelMapping::Turn180)), (std::vector<std::uint32_t>{0, 1, 1, 0, 0, 1}));
    EXPECT_EQ(Pixels(Moved(bitsPicture, TPixelMapping::Mirror)), (std::vector<std::uint32_t>{0, 0, 1, 0, 1, 1}));
}

TEST(PixelMove, OneBitMirrorOfTenPixelsLeavesThePaddingAlone)
{
    TPackedPicture p(1, 10, 1);
    p.Row(0)[0] = 0x80; // pixel 0 only
    const TPackedPicture r = Moved(p, TPixelMapping::Mirror, 0x3F);
    EXPECT_EQ(r.Row(0)[0], 0x00); // pixel 0 comes from pixel 9 (bit 6 of byte 1): 0
    EXPECT_EQ(r.Row(0)[1], 0x40 | 0x3F); // pixel 9 (bit 6 of byte 1) is the old pixel 0; bits 5..0 untouched
    EXPECT_EQ(r.Row(0)[2], 0x3F);
    EXPECT_EQ(r.Row(0)[3], 0x3F);

    TPackedPicture q(1, 10, 1);
    q.Row(0)[1] = 0x40; // pixel 9 only
    const TPackedPicture s = Moved(q, TPixelMapping::Mirror);
    EXPECT_EQ(s.Row(0)[0], 0x80);
    EXPECT_EQ(s.Row(0)[1], 0x00);
}

TEST(PixelMove, FourBitOddWidthPutsTheLastPixelInTheFirstHighHalf)
{
    const TPackedPicture p = FromPixels(4, 5, 1, {1, 2, 3, 4, 5});
    EXPECT_EQ(p.Row(0)[2], 0x50);
    const TPackedPicture r = Moved(p, TPixelMapping::Mirror, 0x0E);
    EXPECT_EQ(r.Row(0)[0], 0x54);
    EXPECT_EQ(r.Row(0)[1], 0x32);
    EXPECT_EQ(r.Row(0)[2], 0x1E); // the low half after the last pixel is not written
}

TEST(PixelMove, EveryMappingAtEveryDepthMatchesItsDefinition)
{
    std::mt19937 rng(99);
    for (int bits : kDepths)
        for (int trial = 0; trial < 20; ++trial) {
            const int w = 1 + static_cast<int>(rng() % 37), h = 1 + static_cast<int>(rng() % 11);
            TPackedPicture p(bits, w, h);
            p.Randomise(rng);
            for (TPixelMapping m : {TPixelMapping::Turn90, TPixelMapping::Turn180, TPixelMapping::Turn270,
                                    TPixelMapping::Mirror}) {
                const TPackedPicture before(bits, Swaps(m) ? h : w, Swaps(m) ? w : h, 0xC3);
                const TPackedPicture r = Moved(p, m, 0xC3);
                for (int y = 0; y < r.Height; ++y)
                    for (int x = 0; x < r.Width; ++x) {
                        int sx = 0, sy = 0;
                        switch (m) {
                        case TPixelMapping::Turn90: sx = y; sy = h - 1 - x; break;
                        case TPixelMapping::Turn180: sx = w - 1 - x; sy = h - 1 - y; break;
                        case TPixelMapping::Turn270: sx = w - 1 - y; sy = x; break;
                        case TPixelMapping::Mirror: sx = w - 1 - x; sy = y; break;
                        }
                        ASSERT_EQ(r.Get(x, y), p.Get(sx, sy)) << bits << " " << static_cast<int>(m);
                    }
                // Nothing but the pixels' own bits changed.
                TPackedPicture padding = r;
                for (int y = 0; y < r.Height; ++y)
                    for (int x = 0; x < r.Width; ++x) padding.Set(x, y, before.Get(x, y));
                ASSERT_EQ(padding.Bytes, before.Bytes) << bits;
            }
        }
}

TEST(PixelMove, TurnsAndMirrorsComposeBackToTheStart)
{
    std::mt19937 rng(5);
    for (int bits : kDepths) {
        TPackedPicture p(bits, 13, 7);
        p.Randomise(rng);
        TPackedPicture r = p;
        for (int k = 0; k < 4; ++k) r = Moved(r, TPixelMapping::Turn90);
        EXPECT_EQ(Pixels(r), Pixels(p)) << bits;
        EXPECT_EQ(Pixels(Moved(Moved(p, TPixelMapping::Mirror), TPixelMapping::Mirror)), Pixels(p)) << bits;
        EXPECT_EQ(Pixels(Moved(Moved(p, TPixelMapping::Turn90), TPixelMapping::Turn270)), Pixels(p)) << bits;
        EXPECT_EQ(Pixels(Moved(Moved(p, TPixelMapping::Turn90), TPixelMapping::Turn90)),
                  Pixels(Moved(p, TPixelMapping::Turn180)))
            << bits;
    }
}

TEST(PixelMove, BlockCopyTakesTheAreaAndWritesOnlyItsPixels)
{
    std::mt19937 rng(17);
    for (int bits : kDepths) {
        TPackedPicture p(bits, 23, 9);
        p.Randomise(rng);
        const int left = 3, top = 2, w = 13, h = 5;
        TPackedPicture r(bits, w, h, 0xA5);
        const TPackedPicture before = r;
        auto in = p.ReadRows();
        auto out = r.WriteRows();
        CopyPixelBlock(bits, in.data(), left, top, w, h, out.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(r.Get(x, y), p.Get(left + x, top + y)) << bits;
        TPackedPicture padding = r;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) padding.Set(x, y, before.Get(x, y));
        EXPECT_EQ(padding.Bytes, before.Bytes) << bits;
    }
    EXPECT_TRUE(PixelMoveSupports(4));
    EXPECT_FALSE(PixelMoveSupports(2));
    EXPECT_FALSE(PixelMoveSupports(15));
}
