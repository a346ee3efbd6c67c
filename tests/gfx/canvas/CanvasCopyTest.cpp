// Bitmap transfers: CopyRect keeping the destination's format (and raw
// indices where the palettes agree), stretching, mirroring and raster ops.
#include "tests/gfx/canvas/CanvasTestSupport.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "tests/support/InertCanvas.h"

#include <gtest/gtest.h>

namespace pictor {
namespace {

using canvastest::AllLayouts;
using canvastest::FillNoise;
using canvastest::MakeBitmap;
using canvastest::Plain24;
using canvastest::RawBytes;

// A palette with the same colour at several entries: only raw copying can
// keep which of them a pixel uses.
TPalette DuplicatePalette()
{
    std::vector<TPaletteEntry> e(256);
    for (int i = 0; i < 256; ++i) {
        std::uint8_t v = static_cast<std::uint8_t>(i / 4 * 4);
        e[static_cast<std::size_t>(i)] = TPaletteEntry{v, v, v, 0};
    }
    return TPalette(e);
}

TEST(CanvasCopy, EightBitCropKeepsIndicesEvenWithDuplicateColours)
{
    TBitmap src;
    src.SetPalette(DuplicatePalette());
    src.SetLayout(8, std::nullopt, 50, 40);
    FillNoise(src, 11);

    TBitmap dst;
    dst.SetPalette(src.Palette());
    dst.SetLayout(8, std::nullopt, 20, 10);
    dst.Canvas().CopyRect(Rect(0, 0, 20, 10), src.Canvas(), Rect(13, 17, 33, 27));
    EXPECT_EQ(dst.BitsPerPixel(), 8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(dst.ScanLine(y)[x], src.ScanLine(17 + y)[13 + x]) << x << "," << y;
}

TEST(CanvasCopy, PackedCropsKeepBitsAtAnyOffset)
{
    for (int bits : {1, 4}) {
        SCOPED_TRACE(bits);
        TBitmap src = MakeBitmap({"", bits, std::nullopt}, 61, 9);
        FillNoise(src, 5);
        for (int left : {0, 1, 3, 8, 13}) {
            TBitmap dst = MakeBitmap({"", bits, std::nullopt}, 40, 5);
            dst.Canvas().CopyRect(Rect(0, 0, 40, 5), src.Canvas(), Rect(left, 2, left + 40, 7));
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 40; ++x)
                    ASSERT_EQ(dst.GetPixel(x, y), src.GetPixel(left + x, 2 + y)) << left << ": " << x << "," << y;
        }
    }
}

TEST(CanvasCopy, TrueColourToPaletteTakesNearestEntriesAndKeepsFormat)
{
    TBitmap src = Plain24(6, 6, RGBColor(250, 250, 250));
    TBitmap dst = MakeBitmap({"8", 8, std::nullopt}, 6, 6);
    dst.Canvas().CopyRect(Rect(0, 0, 6, 6), src.Canvas(), Rect(0, 0, 6, 6));
    EXPECT_EQ(dst.BitsPerPixel(), 8);
    EXPECT_EQ(dst.ScanLine(5)[5], 255); // the test palette's white
}

TEST(CanvasCopy, BetweenAllLayoutsGoesThroughColours)
{
    for (const auto& from : AllLayouts()) {
        for (const auto& to : AllLayouts()) {
            SCOPED_TRACE(from.Name + " -> " + to.Name);
            TBitmap src = MakeBitmap(from, 9, 7);
            FillNoise(src, 2);
            TBitmap dst = MakeBitmap(to, 9, 7);
            dst.Canvas().CopyRect(Rect(0, 0, 9, 7), src.Canvas(), Rect(0, 0, 9, 7));
            // The result is what writing each source colour pixel by pixel gives.
            TBitmap expected = MakeBitmap(to, 9, 7);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x) expected.SetPixel(x, y, src.GetPixel(x, y));
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x) ASSERT_EQ(dst.GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
        }
    }
}

TEST(CanvasCopy, StretchRepeatsAndShrinkSamplesCentres)
{
    TBitmap src = MakeBitmap({"24", 24, std::nullopt}, 3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) src.SetPixel(x, y, RGBColor(x * 100, y * 100, 7));
    TBitmap big = Plain24(6, 4, clWhite);
    big.Canvas().StretchDraw(Rect(0, 0, 6, 4), src);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(big.GetPixel(x, y), src.GetPixel(x / 2, y / 2)) << x << "," << y;

    // Nine columns shown in three: each destination pixel takes the source
    // column under its centre (1, 4, 7).
    TBitmap wide = MakeBitmap({"24", 24, std::nullopt}, 9, 1);
    for (int x = 0; x < 9; ++x) wide.SetPixel(x, 0, RGBColor(x * 20, 0, 0));
    TBitmap small = Plain24(3, 1, clWhite);
    small.Canvas().StretchDraw(Rect(0, 0, 3, 1), wide);
    EXPECT_EQ(small.GetPixel(0, 0), RGBColor(20, 0, 0));
    EXPECT_EQ(small.GetPixel(1, 0), RGBColor(80, 0, 0));
    EXPECT_EQ(small.GetPixel(2, 0), RGBColor(140, 0, 0));
}

TEST(CanvasCopy, NegativeExtentsMirror)
{
    TBitmap src = MakeBitmap({"24", 24, std::nullopt}, 4, 3);
    FillNoise(src, 9);
    TBitmap dst = Plain24(4, 3, clWhite);
    // Destination from right to left and bottom to top.
    dst.Canvas().DrawBitmap(src, Rect(0, 0, 4, 3), 4, 3, -4, -3, cmSrcCopy);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_EQ(dst.GetPixel(x, y), src.GetPixel(3 - x, 2 - y)) << x << "," << y;
    // A reversed destination rectangle of CopyRect mirrors too.
    TBitmap h = Plain24(4, 3, clWhite);
    h.Canvas().CopyRect(Rect(4, 0, 0, 3), src.Canvas(), Rect(0, 0, 4, 3));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(h.GetPixel(x, 1), src.GetPixel(3 - x, 1));
}

TEST(CanvasCopy, RasterOps)
{
    TBitmap src = MakeBitmap({"24", 24, std::nullopt}, 8, 8);
    FillNoise(src, 4);
    TBitmap dst = MakeBitmap({"24", 24, std::nullopt}, 8, 8);
    FillNoise(dst, 8);
    const auto original = RawBytes(dst);
    auto run = [&](TCopyMode mode) {
        TBitmap d = MakeBitmap({"24", 24, std::nullopt}, 8, 8);
        FillNoise(d, 8);
        d.Canvas().CopyMode = mode;
        d.Canvas().Brush.Color = RGBColor(0x11, 0x22, 0x33);
        d.Canvas().CopyRect(Rect(0, 0, 8, 8), src.Canvas(), Rect(0, 0, 8, 8));
        return d.ScanLine(3)[3 * 5 + 1]; // green byte of pixel (5, 3)
    };
    const std::uint8_t s = src.ScanLine(3)[3 * 5 + 1], d = dst.ScanLine(3)[3 * 5 + 1], p = 0x22;
    EXPECT_EQ(run(cmSrcCopy), s);
    EXPECT_EQ(run(cmSrcPaint), s | d);
    EXPECT_EQ(run(cmSrcAnd), s & d);
    EXPECT_EQ(run(cmSrcInvert), s ^ d);
    EXPECT_EQ(run(cmSrcErase), s & static_cast<std::uint8_t>(~d));
    EXPECT_EQ(run(cmNotSrcCopy), static_cast<std::uint8_t>(~s));
    EXPECT_EQ(run(cmNotSrcErase), static_cast<std::uint8_t>(~(s | d)));
    EXPECT_EQ(run(cmMergePaint), static_cast<std::uint8_t>(~s | d));
    EXPECT_EQ(run(cmPatCopy), p);
    EXPECT_EQ(run(cmPatInvert), p ^ d);
    EXPECT_EQ(run(cmDstInvert), static_cast<std::uint8_t>(~d));
    EXPECT_EQ(run(cmBlackness), 0);
    EXPECT_EQ(run(cmWhiteness), 0xFF);

    // Inverting with the source twice gives the destination back.
    dst.Canvas().CopyMode = cmSrcInvert;
    dst.Canvas().CopyRect(Rect(0, 0, 8, 8), src.Canvas(), Rect(0, 0, 8, 8));
    dst.Canvas().CopyRect(Rect(0, 0, 8, 8), src.Canvas(), Rect(0, 0, 8, 8));
    EXPECT_EQ(RawBytes(dst), original);
}

TEST(CanvasCopy, OverlappingCopyWithinOneBitmapReadsTheOriginal)
{
    TBitmap b = MakeBitmap({"24", 24, std::nullopt}, 10, 10);
    FillNoise(b, 6);
    TBitmap before(b);
    std::vector<TColor> expected;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) expected.push_back(b.GetPixel(x, y));
    b.Canvas().CopyRect(Rect(2, 3, 10, 10), b.Canvas(), Rect(0, 0, 8, 7));
    for (int y = 3; y < 10; ++y)
        for (int x = 2; x < 10; ++x)
            ASSERT_EQ(b.GetPixel(x, y), expected[static_cast<std::size_t>((y - 3) * 10 + (x - 2))]) << x << "," << y;
    EXPECT_NE(RawBytes(b), RawBytes(before));
    // A copy shared before the drawing keeps the old pixels.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(before.GetPixel(x, y), expected[static_cast<std::size_t>(y * 10 + x)]);
}

TEST(CanvasCopy, StretchWithinOneBitmapReadsTheOriginal)
{
    // The top-left quarter blown up over the whole bitmap, overlapping itself.
    TBitmap b = MakeBitmap({"8", 8, std::nullopt}, 8, 8);
    FillNoise(b, 12);
    std::vector<std::uint8_t> quarter;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) quarter.push_back(b.ScanLine(y)[x]);
    b.Canvas().CopyRect(Rect(0, 0, 8, 8), b.Canvas(), Rect(0, 0, 4, 4));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(b.ScanLine(y)[x], quarter[static_cast<std::size_t>(y / 2 * 4 + x / 2)]) << x << "," << y;
}

TEST(CanvasCopy, SourceOutsideItsBitmapLeavesDestinationAlone)
{
    TBitmap src = Plain24(4, 4, clRed);
    TBitmap dst = Plain24(8, 8, clWhite);
    dst.Canvas().CopyRect(Rect(0, 0, 8, 8), src.Canvas(), Rect(-4, -4, 4, 4));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(dst.GetPixel(x, y), (x >= 4 && y >= 4) ? clRed : clWhite) << x << "," << y;
}

TEST(CanvasCopy, DrawPlacesAGraphicAtItsOwnSize)
{
    TBitmap src = Plain24(3, 2, clBlue);
    TBitmap dst = Plain24(8, 8, clWhite);
    dst.Canvas().Draw(4, 5, src);
    EXPECT_EQ(dst.GetPixel(4, 5), clBlue);
    EXPECT_EQ(dst.GetPixel(6, 6), clBlue);
    EXPECT_EQ(dst.GetPixel(7, 6), clWhite);
    EXPECT_EQ(dst.GetPixel(4, 7), clWhite);
}

TEST(CanvasCopy, SourceMustDrawOnABitmap)
{
    testing::TInertCanvas none;
    TBitmap dst = Plain24(4, 4, clWhite);
    EXPECT_THROW(dst.Canvas().CopyRect(Rect(0, 0, 4, 4), none, Rect(0, 0, 4, 4)), EInvalidOperation);
}

} // namespace
} // namespace pictor
