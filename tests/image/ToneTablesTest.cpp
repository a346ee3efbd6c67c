#include "image/ToneTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <quadmath.h>

using namespace pictor;

namespace {

int At(const TToneTable& t, int i) { return t[static_cast<std::size_t>(i)]; }

} // namespace

TEST(BrightTable, FactorIsRoundedDownToOne1024thAndEveryEntryDown)
{
    const TToneTable t40 = BrightTable(40); // k = 409
    EXPECT_EQ(At(t40, 255), 101);           // 255 * 409 / 1024 = 101.86
    EXPECT_EQ(At(t40, 100), 39);
    const TToneTable t160 = BrightTable(160); // k = 1638
    EXPECT_EQ(At(t160, 100), 159);
    EXPECT_EQ(At(t160, 159), 254);
    for (int i = 160; i < 256; ++i) EXPECT_EQ(At(t160, i), 255) << i;
    const TToneTable t50 = BrightTable(50);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(At(t50, i), i / 2) << i;
    const TToneTable t0 = BrightTable(0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(At(t0, i), 0) << i;
    // Every entry is i * (Value * 1024 div 100) shr 10, capped.
    for (int value : {1, 99, 101, 133, 1000}) {
        const TToneTable t = BrightTable(value);
        const int k = value * 1024 / 100;
        for (int i = 0; i < 256; ++i) EXPECT_EQ(At(t, i), std::min((i * k) >> 10, 255)) << value << " " << i;
    }
}

TEST(BrightTable, HugeFactorsSaturateInsteadOfWrapping)
{
    const TToneTable t = BrightTable(2147483647);
    EXPECT_EQ(At(t, 0), 0);
    for (int i = 1; i < 256; ++i) EXPECT_EQ(At(t, i), 255) << i;
}

TEST(ContrastTable, TruncatesTowardPivotAndClamps)
{
    const TToneTable half = ContrastTable(50, 127);
    EXPECT_EQ(At(half, 0), 64); // 127 - 63 (from -63.5)
    EXPECT_EQ(At(half, 126), 127);
    EXPECT_EQ(At(half, 127), 127);
    EXPECT_EQ(At(half, 128), 127);
    EXPECT_EQ(At(half, 255), 191);
    const TToneTable more = ContrastTable(150, 127);
    EXPECT_EQ(At(more, 0), 0); // -63
    EXPECT_EQ(At(more, 42), 0);
    EXPECT_EQ(At(more, 43), 1); // 127 + (-84 * 150) div 100 = 127 - 126
    EXPECT_EQ(At(more, 128), 128);
    EXPECT_EQ(At(more, 255), 255); // 319
    const TToneTable flat = ContrastTable(0, 127);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(At(flat, i), 127) << i;
    const TToneTable edge = ContrastTable(120, 0);
    EXPECT_EQ(At(edge, 0), 0);
    EXPECT_EQ(At(edge, 5), 6);
    EXPECT_EQ(At(edge, 213), 255);
    EXPECT_EQ(At(edge, 212), 254);
}

TEST(ContrastTable, HugeValuesSaturate)
{
    const TToneTable t = ContrastTable(2147483647, 100);
    EXPECT_EQ(At(t, 99), 0);
    EXPECT_EQ(At(t, 100), 100);
    EXPECT_EQ(At(t, 101), 255);
}

TEST(GammaTable, PowerCurveRoundedHalfToEven)
{
    const TToneTable two = GammaTable(2.0L);
    EXPECT_EQ(At(two, 0), 0);
    EXPECT_EQ(At(two, 64), 128);
    EXPECT_EQ(At(two, 128), 181);
    EXPECT_EQ(At(two, 255), 255);
    const TToneTable half = GammaTable(0.5L);
    EXPECT_EQ(At(half, 128), 64);
    EXPECT_EQ(At(half, 192), 145);
    EXPECT_EQ(At(half, 1), 0);
    EXPECT_EQ(At(half, 255), 255);
    const TToneTable tenth = GammaTable(0.1L);
    EXPECT_EQ(At(tenth, 254), 245); // (254/255)^10 * 255 = 245.2
    EXPECT_EQ(At(tenth, 255), 255);
}

// Against the power evaluated in quadruple precision, for every gamma the
// window's slider gives (10 to the power position / 60) and a few others.
TEST(GammaTable, AgreesWithQuadruplePrecisionForEverySliderPosition)
{
    std::vector<long double> values;
    for (int position = -30; position <= 30; ++position)
        if (position != 0) values.push_back(std::pow(10.0L, position / 60.0L));
    for (long double v : {0.1L, 10.0L, 3.0L, 0.25L, 7.0L, 1.0001L}) values.push_back(v);
    for (long double value : values) {
        const TToneTable t = GammaTable(value);
        const __float128 e = static_cast<__float128>(1.0L / value);
        for (int i = 0; i < 256; ++i) {
            const __float128 exact = powq(static_cast<__float128>(i) / 255, e) * 255;
            const long long rounded = llrintq(exact);
            EXPECT_EQ(At(t, i), rounded) << static_cast<double>(value) << " " << i;
        }
    }
}

TEST(MapBytes, MapsEveryByteOfAnyLength)
{
    TToneTable inverse{};
    for (int i = 0; i < 256; ++i) inverse[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    for (std::size_t n : {0u, 1u, 3u, 4u, 7u, 8u, 33u}) {
        std::vector<std::uint8_t> bytes(n + 1);
        for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>(k * 37);
        MapBytes(inverse, bytes.data(), n);
        for (std::size_t k = 0; k < n; ++k) EXPECT_EQ(bytes[k], 255 - static_cast<std::uint8_t>(k * 37)) << n;
        EXPECT_EQ(bytes[n], static_cast<std::uint8_t>(n * 37)) << "past the end, " << n;
    }
}
