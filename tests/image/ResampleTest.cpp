#include "image/Resample.h"
#include "tests/image/RgbPicture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pictor;
using pictor::testing::Channel;
using pictor::testing::GreyPicture;
using pictor::testing::TPackedPicture;

namespace {

TPackedPicture Enlarged(const TPackedPicture& source, int newWidth, int newHeight)
{
    TPackedPicture result(24, newWidth, newHeight);
    auto in = source.ReadRows();
    auto out = result.WriteRows();
    EnlargeRows(in.data(), source.Width, source.Height, out.data(), newWidth, newHeight);
    return result;
}

TPackedPicture Shrunk(const TPackedPicture& source, int newWidth, int newHeight)
{
    TPackedPicture result(24, newWidth, newHeight);
    auto in = source.ReadRows();
    auto out = result.WriteRows();
    ShrinkRows(in.data(), source.Width, source.Height, out.data(), newWidth, newHeight,
               ShrinkArea(source.Width, source.Height, newWidth, newHeight));
    return result;
}

// Round half to even, written out rather than left to the rounding mode.
std::uint8_t HalfEven(long double v)
{
    const long double f = std::floor(v);
    long long n = static_cast<long long>(f);
    const long double rest = v - f;
    if (rest > 0.5L || (rest == 0.5L && n % 2 != 0)) ++n;
    return static_cast<std::uint8_t>(n);
}

// The bilinear enlargement pixel by pixel, as the formulas read.
TPackedPicture ReferenceEnlarge(const TPackedPicture& s, int newWidth, int newHeight)
{
    const int W = s.Width, H = s.Height;
    const double sx = static_cast<double>(static_cast<long double>(W) / newWidth);
    const double sy = static_cast<double>(static_cast<long double>(H) / newHeight);
    TPackedPicture r(24, newWidth, newHeight);
    for (int y = 0; y < newHeight; ++y) {
        const double fy = static_cast<double>((y + 0.5L) * sy - 0.5L);
        const long y0 = std::lround(std::floor(fy));
        const long double dy = fy - y0;
        const int upper = y0 < 0 ? 0 : static_cast<int>(y0);
        const int lower = y0 + 1 > H - 1 ? H - 1 : static_cast<int>(y0 + 1);
        for (int x = 0; x < newWidth; ++x) {
            const double fx = static_cast<double>((x + 0.5L) * sx - 0.5L);
            const long x0 = std::lround(std::floor(fx));
            const long double dx = fx - x0;
            const int left = x0 < 0 ? 0 : static_cast<int>(x0);
            const int right = x0 + 1 > W - 1 ? W - 1 : static_cast<int>(x0 + 1);
            for (int c = 2; c >= 0; --c) {
                const int p00 = s.Row(upper)[3 * left + c], p10 = s.Row(upper)[3 * right + c];
                const int p01 = s.Row(lower)[3 * left + c], p11 = s.Row(lower)[3 * right + c];
                const int stepX = p10 - p00, stepY = p01 - p00, cross = p11 + p00 - p10 - p01;
                const long double v = ((dx * stepX + (dx * cross) * dy) + dy * stepY) + p00;
                r.Row(y)[3 * x + c] = HalfEven(v);
            }
        }
    }
    return r;
}

double ReferenceWeight(long k, double low, double high)
{
    if (k > low && k + 1 < high) return 1;
    if (k <= low && k + 1 < high) return static_cast<double>(1 - (static_cast<long double>(low) - k));
    if (k > low) return static_cast<double>(static_cast<long double>(high) - k);
    return static_cast<double>(static_cast<long double>(high) - low);
}

// The area average pixel by pixel, as the formulas read.
TPackedPicture ReferenceShrink(const TPackedPicture& s, int newWidth, int newHeight)
{
    const int W = s.Width, H = s.Height;
    const float area = static_cast<float>(static_cast<long double>(W * H) / newWidth / newHeight);
    const double sx = static_cast<double>(static_cast<long double>(W) / newWidth);
    const double sy = static_cast<double>(static_cast<long double>(H) / newHeight);
    TPackedPicture r(24, newWidth, newHeight);
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x) {
            const double left = static_cast<double>(x * static_cast<long double>(sx));
            const double top = static_cast<double>(y * static_cast<long double>(sy));
            const double right = static_cast<double>((x + 1) * static_cast<long double>(sx) - 0.000001L);
            const double bottom = static_cast<double>((y + 1) * static_cast<long double>(sy) - 0.000001L);
            double sum[3] = {0, 0, 0};
            for (long i = std::lround(std::floor(top)); i <= std::lround(std::floor(bottom)); ++i)
                for (long j = std::lround(std::floor(left)); j <= std::lround(std::floor(right)); ++j) {
                    const double wx = ReferenceWeight(j, left, right);
                    const double wy = ReferenceWeight(i, top, bottom);
                    for (int c = 2; c >= 0; --c)
                        sum[c] = static_cast<double>(sum[c] + (static_cast<long double>(wx) * wy) *
                                                                  s.Row(static_cast<int>(i))[3 * j + c]);
                }
            for (int c = 2; c >= 0; --c) r.Row(y)[3 * x + c] = HalfEven(sum[c] / static_cast<long double>(area));
        }
    return r;
}

} // namespace

TEST(ResampleArithmetic, ScaleAndAreaAreRoundedOnceFromExtendedPrecision)
{
    EXPECT_EQ(ResampleScale(2, 3), 2.0 / 3.0);
    EXPECT_EQ(ResampleScale(3, 1), 3.0);
    EXPECT_EQ(ShrinkArea(2, 2, 1, 1), 4.0f);
    EXPECT_EQ(ShrinkArea(3, 1, 2, 1), 1.5f);
    EXPECT_EQ(ShrinkArea(10, 10, 3, 7), static_cast<float>(100.0L / 3 / 7));
    // W * H beyond 32 bits.
    EXPECT_EQ(ShrinkArea(65536, 65536, 1, 1), 4294967296.0f);
}

TEST(Enlarge, SamplesPixelCentresAndRoundsHalfToEven)
{
    EXPECT_EQ(Channel(Enlarged(GreyPicture(2, 1, {0, 255}), 4, 1), 0), (std::vector<int>{0, 64, 191, 255}));
    // The middle positions land on 0.5 and 1.5.
    EXPECT_EQ(Channel(Enlarged(GreyPicture(2, 1, {0, 2}), 4, 1), 1), (std::vector<int>{0, 0, 2, 2}));
    EXPECT_EQ(Channel(Enlarged(GreyPicture(3, 1, {10, 20, 30}), 5, 1), 2),
              (std::vector<int>{10, 14, 20, 26, 30}));
    // The same along a column.
    EXPECT_EQ(Channel(Enlarged(GreyPicture(1, 3, {10, 20, 30}), 1, 5), 0),
              (std::vector<int>{10, 14, 20, 26, 30}));
}

TEST(Enlarge, PositionsAreComputedInExtendedPrecision)
{
    // 2 -> 3: the middle position is 1.5 * (2/3) - 0.5, which is
    // 0.49999999999999994 in extended precision but exactly 0.5 in double
    // arithmetic. 0 and 3 give 1.4999999999999998 (1), not 1.5 (2).
    EXPECT_EQ(Channel(Enlarged(GreyPicture(2, 1, {0, 3}), 3, 1), 0), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(Channel(Enlarged(GreyPicture(2, 1, {183, 174}), 3, 1), 0), (std::vector<int>{183, 179, 174}));
    // The terms are added in their given order: at pixel (1, 2) of 2 x 4 ->
    // 3 x 7 the value is exactly 153.5 (154); adding dy * StepY before the
    // cross term would give 153.49999999999999999 (153).
    const TPackedPicture p = GreyPicture(2, 4, {173, 30, 195, 120, 0, 0, 0, 0});
    EXPECT_EQ(Enlarged(p, 3, 7).Row(2)[3], 154);
}

TEST(Enlarge, OwnSizeAndSinglePixel)
{
    std::mt19937 rng(7);
    TPackedPicture p(24, 5, 4);
    p.Randomise(rng);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Channel(Enlarged(p, 5, 4), c), Channel(p, c)) << c;
    TPackedPicture one = GreyPicture(1, 1, {77});
    one.Row(0)[2] = 200;
    const TPackedPicture big = Enlarged(one, 7, 3);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(Channel(big, c), std::vector<int>(21, one.Row(0)[c])) << c;
}

TEST(Enlarge, ChannelsAndRowsStayApart)
{
    // Blue, green and red are interpolated independently; the top row is
    // row 0 of both pictures.
    TPackedPicture p(24, 2, 2);
    p.Set(0, 0, 0x0000FF);
    p.Set(1, 0, 0x00FF00);
    p.Set(0, 1, 0xFF0000);
    p.Set(1, 1, 0x000000);
    const TPackedPicture r = Enlarged(p, 4, 4);
    EXPECT_EQ(r.Get(0, 0), 0x0000FFu);
    EXPECT_EQ(r.Get(3, 0), 0x00FF00u);
    EXPECT_EQ(r.Get(0, 3), 0xFF0000u);
    EXPECT_EQ(r.Get(3, 3), 0x000000u);
    EXPECT_EQ(r.Get(1, 0), 0x40BFu); // green 64, blue 191
}

// Random pictures and sizes against the formulas pixel by pixel.
static void EnlargeMatchesReferenceOnRandomPictures()
{
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 300; ++trial) {
        const int w = 1 + static_cast<int>(rng() % 13), h = 1 + static_cast<int>(rng() % 9);
        const int nw = w + static_cast<int>(rng() % 40), nh = h + static_cast<int>(rng() % 30);
        TPackedPicture p(24, w, h);
        p.Randomise(rng);
        ASSERT_EQ(Enlarged(p, nw, nh).Bytes, ReferenceEnlarge(p, nw, nh).Bytes)
            << w << "x" << h << " -> " << nw << "x" << nh;
    }
    TPackedPicture p(24, 97, 61);
    p.Randomise(rng);
    EXPECT_EQ(Enlarged(p, 331, 200).Bytes, ReferenceEnlarge(p, 331, 200).Bytes);
}

TEST(Enlarge, MatchesThePerPixelFormulasOnRandomPictures)
{
    // Whatever vector width the quick evaluation uses.
    for (int lanes : {0, 2, 4}) {
        SCOPED_TRACE(lanes);
        LimitResampleVectors(lanes);
        EnlargeMatchesReferenceOnRandomPictures();
    }
    LimitResampleVectors(4);
}

TEST(Enlarge, WideSmoothPicturesNearRoundingTies)
{
    // At 150 % every third position falls on a half pixel, give or take
    // rounding errors of the stored positions that grow with the index; on
    // gentle ramps many values then lie a hair's breadth from a half-integer.
    TPackedPicture p(24, 2400, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2400; ++x)
            p.Set(x, y, static_cast<std::uint32_t>(((x / 3 + y) % 256) << 16 | ((x / 5) % 256) << 8 | (x % 256)));
    EXPECT_EQ(Enlarged(p, 3600, 4).Bytes, ReferenceEnlarge(p, 3600, 4).Bytes);
    EXPECT_EQ(Enlarged(p, 3601, 5).Bytes, ReferenceEnlarge(p, 3601, 5).Bytes);
}

TEST(Shrink, TwoByTwoBlockWeighsByOverlap)
{
    // Weights 1, 0.999999, 0.999999, 0.999999^2; Area 4.
    EXPECT_EQ(Channel(Shrunk(GreyPicture(2, 2, {2, 0, 0, 0}), 1, 1), 0), std::vector<int>{0});   // 0.5
    EXPECT_EQ(Channel(Shrunk(GreyPicture(2, 2, {6, 0, 0, 0}), 1, 1), 1), std::vector<int>{2});   // 1.5
    EXPECT_EQ(Channel(Shrunk(GreyPicture(2, 2, {0, 0, 0, 2}), 1, 1), 2), std::vector<int>{0});   // 0.499999
    EXPECT_EQ(Channel(Shrunk(GreyPicture(2, 2, {0, 0, 0, 3}), 1, 1), 2), std::vector<int>{1});   // 0.749998
    EXPECT_EQ(Channel(Shrunk(GreyPicture(2, 2, {0, 10, 0, 0}), 1, 1), 0), std::vector<int>{2});  // 2.4999975
    EXPECT_EQ(Channel(Shrunk(GreyPicture(2, 2, {255, 255, 255, 255}), 1, 1), 0), std::vector<int>{255});
}

TEST(Shrink, ThreeToTwoSplitsTheMiddleColumn)
{
    // Column 0: 1 * a + 0.499999 * b; column 1: 0.5 * b + 0.999999 * c;
    // both times 0.999999 (the unscaled row), divided by 1.5.
    EXPECT_EQ(Channel(Shrunk(GreyPicture(3, 1, {0, 3, 0}), 2, 1), 0), (std::vector<int>{1, 1}));
    EXPECT_EQ(Channel(Shrunk(GreyPicture(3, 1, {3, 0, 0}), 2, 1), 0), (std::vector<int>{2, 0}));
    EXPECT_EQ(Channel(Shrunk(GreyPicture(3, 1, {0, 0, 3}), 2, 1), 0), (std::vector<int>{0, 2}));
    EXPECT_EQ(Channel(Shrunk(GreyPicture(3, 1, {0, 6, 0}), 2, 1), 0), (std::vector<int>{2, 2}));
}

TEST(Shrink, OwnSizeKeepsEveryValue)
{
    TPackedPicture p(24, 16, 16);
    for (int i = 0; i < 256; ++i) p.Row(i / 16)[3 * (i % 16)] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(Shrunk(p, 16, 16).Bytes, p.Bytes);
}

TEST(Shrink, MatchesThePerPixelFormulasOnRandomPictures)
{
    std::mt19937 rng(54321);
    for (int trial = 0; trial < 300; ++trial) {
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 30);
        const int nw = 1 + static_cast<int>(rng() % static_cast<unsigned>(w));
        const int nh = 1 + static_cast<int>(rng() % static_cast<unsigned>(h));
        TPackedPicture p(24, w, h);
        p.Randomise(rng);
        ASSERT_EQ(Shrunk(p, nw, nh).Bytes, ReferenceShrink(p, nw, nh).Bytes)
            << w << "x" << h << " -> " << nw << "x" << nh;
    }
    TPackedPicture p(24, 331, 200);
    p.Randomise(rng);
    EXPECT_EQ(Shrunk(p, 97, 61).Bytes, ReferenceShrink(p, 97, 61).Bytes);
    EXPECT_EQ(Shrunk(p, 1, 1).Bytes, ReferenceShrink(p, 1, 1).Bytes);
}

TEST(Shrink, LargerTargetStaysInsideTheSource)
{
    // The worker also accepts a target larger than the source (the
    // operation's guard does not): boxes then lie within single pixels.
    std::mt19937 rng(3);
    TPackedPicture p(24, 3, 2);
    p.Randomise(rng);
    EXPECT_EQ(Shrunk(p, 10, 7).Bytes, ReferenceShrink(p, 10, 7).Bytes);
}
