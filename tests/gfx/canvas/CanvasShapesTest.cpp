// Lines, rectangles and fills of the bitmap canvas: which pixels they cover
// and how the pen modes combine with the pixels in every storage layout.
#include "tests/gfx/canvas/CanvasTestSupport.h"

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pictor {
namespace {

using canvastest::AllLayouts;
using canvastest::FillNoise;
using canvastest::MakeBitmap;
using canvastest::Picture;
using canvastest::PictureOf;
using canvastest::Plain24;
using canvastest::RawBytes;

void UseTrimmingPen(TCanvas& c, int width)
{
    c.Pen.Color = clBlack;
    c.Pen.Width = width;
    c.Pen.Mode = pmNotXor;
    c.Pen.Style = psSolid;
    c.Brush.Style = bsClear;
}

// The trimming rectangle is drawn by inverting pixels; drawing it again must
// restore every byte, whatever the layout, pen width and placement.
TEST(CanvasNotXor, SecondOutlineRestoresEveryByteInEveryLayout)
{
    const TRect rects[] = {
        Rect(5, 4, 30, 20),     // inside
        Rect(-10, -7, 12, 9),   // over the top-left corner
        Rect(20, 15, 60, 50),   // over the bottom-right corner
        Rect(30, 20, 6, 3),     // corners reversed
        Rect(-5, -5, 45, 35),   // around the whole bitmap: nothing to draw
        Rect(8, 8, 9, 9),       // one pixel
        Rect(3, 10, 4, 25),     // one column
        Rect(11, 12, 13, 14),   // smaller than the pen
    };
    for (const auto& layout : AllLayouts()) {
        for (int width : {1, 2, 3}) {
            for (const TRect& r : rects) {
                SCOPED_TRACE(layout.Name + " width " + std::to_string(width) + " rect " + std::to_string(r.Left) +
                             "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
                             std::to_string(r.Bottom));
                TBitmap b = MakeBitmap(layout, 37, 29);
                FillNoise(b, 7);
                const auto before = RawBytes(b);
                TCanvas& c = b.Canvas();
                UseTrimmingPen(c, width);
                c.Rectangle(r);
                const bool outside = r.Left < -3 && r.Right > 40;
                EXPECT_EQ(RawBytes(b) == before, outside) << "the first outline changed the wrong pixels";
                c.Rectangle(r);
                EXPECT_TRUE(RawBytes(b) == before) << "the second outline did not restore the pixels";
            }
        }
    }
}

TEST(CanvasNotXor, InvertsColourBitsAndKeepsUnusedBits)
{
    // 24 bits: every bit of the pixel flips.
    TBitmap b24 = MakeBitmap({"24", 24, std::nullopt}, 8, 8);
    b24.ScanLine(2)[3 * 2 + 0] = 0x12;
    b24.ScanLine(2)[3 * 2 + 1] = 0x34;
    b24.ScanLine(2)[3 * 2 + 2] = 0x56;
    UseTrimmingPen(b24.Canvas(), 1);
    b24.Canvas().Rectangle(2, 2, 6, 6);
    EXPECT_EQ(b24.ScanLine(2)[6], 0xED);
    EXPECT_EQ(b24.ScanLine(2)[7], 0xCB);
    EXPECT_EQ(b24.ScanLine(2)[8], 0xA9);

    // The display form: blue, green and red flip, the fourth byte stays.
    TBitmap d;
    d.SetSize(8, 8);
    std::uint8_t* p = d.ScanLine(2) + 4 * 2;
    p[0] = 0x01, p[1] = 0x02, p[2] = 0x03, p[3] = 0x44;
    UseTrimmingPen(d.Canvas(), 1);
    d.Canvas().Rectangle(2, 2, 6, 6);
    p = d.ScanLine(2) + 4 * 2;
    EXPECT_EQ(p[0], 0xFE);
    EXPECT_EQ(p[1], 0xFD);
    EXPECT_EQ(p[2], 0xFC);
    EXPECT_EQ(p[3], 0x44);

    // 5-5-5: the unused top bit stays.
    TBitmap b15 = MakeBitmap({"15", 16, std::nullopt}, 8, 8);
    b15.ScanLine(2)[4] = 0x00;
    b15.ScanLine(2)[5] = 0x80;
    UseTrimmingPen(b15.Canvas(), 1);
    b15.Canvas().Rectangle(2, 2, 6, 6);
    EXPECT_EQ(b15.ScanLine(2)[4], 0xFF);
    EXPECT_EQ(b15.ScanLine(2)[5], 0xFF); // 0x7FFF flipped into 0x8000's free bits
}

TEST(CanvasNotXor, InvertsPaletteIndices)
{
    // Black is entry 0 of the test palettes, so not-xor with a black pen
    // flips every bit of the index.
    TBitmap b8 = MakeBitmap({"8", 8, std::nullopt}, 8, 8);
    b8.ScanLine(1)[1] = 0x5A;
    UseTrimmingPen(b8.Canvas(), 1);
    b8.Canvas().Rectangle(1, 1, 4, 4);
    EXPECT_EQ(b8.ScanLine(1)[1], 0xA5);
    EXPECT_EQ(b8.ScanLine(0)[0], 0x00); // outside the outline
    EXPECT_EQ(b8.ScanLine(2)[2], 0x00); // inside the outline

    TBitmap b4 = MakeBitmap({"4", 4, std::nullopt}, 8, 8);
    b4.ScanLine(1)[0] = 0x03; // pixels 0 and 1: indices 0 and 3
    UseTrimmingPen(b4.Canvas(), 1);
    b4.Canvas().Rectangle(1, 1, 4, 4);
    EXPECT_EQ(b4.ScanLine(1)[0], 0x0C); // pixel 1: 3 -> 12; pixel 0 untouched

    TBitmap b1 = MakeBitmap({"1", 1, std::nullopt}, 16, 4);
    UseTrimmingPen(b1.Canvas(), 1);
    b1.Canvas().Rectangle(3, 1, 13, 3); // rows 1 and 2 are the outline's edges
    EXPECT_EQ(b1.ScanLine(1)[0], 0x1F);
    EXPECT_EQ(b1.ScanLine(1)[1], 0xF8);
}

// One-pixel outlines, fills and lines cover the toolkit's pixels: right and
// bottom edges excluded, the end point of a line excluded.
TEST(CanvasGeometry, OnePixelRectangleCoversItsOutline)
{
    TBitmap b = Plain24(12, 10, clWhite);
    b.Canvas().Brush.Style = bsClear;
    b.Canvas().Rectangle(2, 3, 8, 7);
    EXPECT_EQ(Picture(b, clWhite), PictureOf(12, 10, [](int x, int y) {
                  bool inX = x >= 2 && x <= 7, inY = y >= 3 && y <= 6;
                  return inX && inY && (x == 2 || x == 7 || y == 3 || y == 6);
              }));
}

TEST(CanvasGeometry, RectangleFillsInsideItsOutline)
{
    TBitmap b = Plain24(12, 10, clWhite);
    TCanvas& c = b.Canvas();
    c.Pen.Color = clRed;
    c.Brush.Color = clBlue;
    c.Rectangle(1, 1, 9, 8);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            bool inside = x >= 1 && x <= 8 && y >= 1 && y <= 7;
            bool edge = inside && (x == 1 || x == 8 || y == 1 || y == 7);
            TColor want = edge ? clRed : inside ? clBlue : clWhite;
            ASSERT_EQ(b.GetPixel(x, y), want) << x << "," << y;
        }
    }
}

TEST(CanvasGeometry, FillRectExcludesRightAndBottomAndIgnoresPenMode)
{
    TBitmap b = Plain24(10, 8, clWhite);
    TCanvas& c = b.Canvas();
    c.Pen.Mode = pmXor;
    c.Brush.Color = clLime;
    c.FillRect(Rect(2, 1, 5, 4));
    EXPECT_EQ(Picture(b, clWhite), PictureOf(10, 8, [](int x, int y) { return x >= 2 && x < 5 && y >= 1 && y < 4; }));
    EXPECT_EQ(b.GetPixel(2, 1), clLime);

    TBitmap empty = Plain24(10, 8, clWhite);
    empty.Canvas().Brush.Color = clBlack;
    empty.Canvas().FillRect(Rect(5, 4, 2, 1)); // reversed: empty
    empty.Canvas().FillRect(Rect(3, 3, 3, 6)); // no width
    EXPECT_EQ(Picture(empty, clWhite), PictureOf(10, 8, [](int, int) { return false; }));
}

TEST(CanvasGeometry, FillRectOfTheWholeBitmapInEveryLayout)
{
    for (const auto& layout : AllLayouts()) {
        SCOPED_TRACE(layout.Name);
        TBitmap b = MakeBitmap(layout, 13, 5);
        FillNoise(b, 3);
        b.Canvas().Brush.Color = clWhite;
        b.Canvas().FillRect(Rect(-100, -100, 100, 100));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) ASSERT_EQ(b.GetPixel(x, y), clWhite) << x << "," << y;
    }
}

TEST(CanvasGeometry, LineToStopsBeforeItsEndAndMovesThePen)
{
    TBitmap b = Plain24(12, 12, clWhite);
    TCanvas& c = b.Canvas();
    c.MoveTo(1, 2);
    c.LineTo(8, 2);
    EXPECT_EQ(c.PenPos(), (TPoint{8, 2}));
    c.LineTo(8, 9);
    EXPECT_EQ(Picture(b, clWhite), PictureOf(12, 12, [](int x, int y) {
                  return (y == 2 && x >= 1 && x <= 7) || (x == 8 && y >= 2 && y <= 8);
              }));

    // A diagonal covers one pixel per step of its longer side.
    TBitmap d = Plain24(12, 12, clWhite);
    d.Canvas().MoveTo(0, 0);
    d.Canvas().LineTo(10, 4);
    int count = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) count += d.GetPixel(x, y) != clWhite;
    EXPECT_EQ(count, 10);
    EXPECT_EQ(d.GetPixel(0, 0), clBlack);
    EXPECT_EQ(d.GetPixel(10, 4), clWhite);
}

TEST(CanvasGeometry, PolylineCrossingItselfInvertsEachPixelOnce)
{
    TBitmap b = Plain24(12, 12, clWhite);
    TCanvas& c = b.Canvas();
    c.Pen.Mode = pmNotXor;
    c.Polyline({{1, 5}, {10, 5}, {10, 1}, {5, 1}, {5, 10}});
    // (5, 5) lies on two segments but is inverted once: white becomes black.
    EXPECT_EQ(b.GetPixel(5, 5), clBlack);
    EXPECT_EQ(b.GetPixel(5, 10), clWhite); // the end point is excluded
}

// A pen of width 2 on Rectangle(10, 10, 20, 20) covers columns 9-10 and
// 18-19 and rows 9-10 and 18-19: one pixel outside the one-pixel outline on
// the left and top, one inside it on the right and bottom.
TEST(CanvasGeometry, WidthTwoPenStraddlesTheOnePixelOutline)
{
    TBitmap b = Plain24(30, 30, clWhite);
    b.Canvas().Brush.Style = bsClear;
    b.Canvas().Pen.Width = 2;
    b.Canvas().Rectangle(10, 10, 20, 20);
    EXPECT_EQ(Picture(b, clWhite), PictureOf(30, 30, [](int x, int y) {
                  bool inX = x >= 9 && x <= 19, inY = y >= 9 && y <= 19;
                  bool band = x <= 10 || x >= 18 || y <= 10 || y >= 18;
                  return inX && inY && band;
              }));
}

// Rectangles with square corners take a shortcut; it must cover what cairo
// covers for the same outline given as a general polygon.
TEST(CanvasGeometry, RectangleShortcutMatchesGeneralStroke)
{
    for (double w : {2.0, 3.0, 4.0, 5.0}) {
        for (TPenJoin join : {pjMiter, pjRound}) {
            if (join == pjRound && w > 3) continue;
            SCOPED_TRACE("width " + std::to_string(w) + " join " + std::to_string(join));
            TPen pen;
            pen.Width = static_cast<int>(w);
            pen.Join = join;
            TBitmap a = Plain24(40, 40, clWhite);
            TPath rect;
            rect.AddRectangle(8.5, 9.5, 30.5, 25.5);
            a.Canvas().StrokePath(rect, pen, w);

            TBitmap b = Plain24(40, 40, clWhite);
            TPath poly; // the same outline with a point in the middle of its top side
            poly.MoveTo({8.5, 9.5});
            poly.LineTo({20.5, 9.5});
            poly.LineTo({30.5, 9.5});
            poly.LineTo({30.5, 25.5});
            poly.LineTo({8.5, 25.5});
            poly.Close();
            b.Canvas().StrokePath(poly, pen, w);
            EXPECT_EQ(Picture(a, clWhite), Picture(b, clWhite));
        }
    }
}

TEST(CanvasGeometry, InsideFramePenStaysWithinTheRectangle)
{
    TBitmap b = Plain24(20, 20, clWhite);
    b.Canvas().Brush.Style = bsClear;
    b.Canvas().Pen.Width = 3;
    b.Canvas().Pen.Style = psInsideFrame;
    b.Canvas().Rectangle(4, 4, 14, 12);
    EXPECT_EQ(Picture(b, clWhite), PictureOf(20, 20, [](int x, int y) {
                  bool in = x >= 4 && x < 14 && y >= 4 && y < 12;
                  return in && (x < 7 || x >= 11 || y < 7 || y >= 9);
              }));
}

TEST(CanvasGeometry, LinesFarOutsideTheBitmapAreCutNotWalked)
{
    for (int width : {1, 3}) {
        TBitmap b = Plain24(16, 8, clWhite);
        b.Canvas().Pen.Width = width;
        b.Canvas().MoveTo(-2000000000, 4);
        b.Canvas().LineTo(2000000000, 4);
        for (int x = 0; x < 16; ++x) EXPECT_EQ(b.GetPixel(x, 4), clBlack) << x;
        EXPECT_EQ(b.GetPixel(3, 0), clWhite);
    }
}

// Shapes are rasterised in tiles of a few megabytes (and cairo surfaces
// stop at 32767 pixels a side): no seams may show where tiles meet.
TEST(CanvasGeometry, LargeShapesHaveNoSeamsBetweenTiles)
{
    TBitmap b = Plain24(9000, 40, clWhite);
    TPath triangle;
    const TPointF pts[] = {{0, 0}, {9000, 20}, {0, 40}};
    triangle.AddPolygon(pts, 3);
    TBrush brush;
    brush.Color = clBlack;
    b.Canvas().FillPath(triangle, frWinding, brush, pmCopy);
    for (int y = 0; y < 40; ++y) {
        // Each row is one run from column 0, as long as the triangle is wide there.
        const double centre = y + 0.5;
        const double reach = 9000 * (1 - std::abs(centre - 20) / 20);
        int x = 0;
        while (x < 9000 && b.GetPixel(x, y) == clBlack) ++x;
        // (An edge this shallow moves 450 pixels per row: the rasteriser's
        // fixed point puts it within a few pixels.)
        EXPECT_NEAR(x, reach, 3) << y;
        for (int rest = x; rest < 9000; ++rest) ASSERT_EQ(b.GetPixel(rest, y), clWhite) << rest << "," << y;
    }

    TBitmap wide = Plain24(40000, 5, clWhite);
    wide.Canvas().Pen.Width = 3;
    wide.Canvas().MoveTo(0, 1);
    wide.Canvas().LineTo(39999, 3);
    for (int x = 2; x < 39997; ++x) {
        int covered = 0;
        for (int y = 0; y < 5; ++y) covered += wide.GetPixel(x, y) == clBlack;
        ASSERT_EQ(covered, 3) << x;
    }
}

TEST(CanvasGeometry, FillRulesOfASelfCrossingFigure)
{
    // A five-pointed star drawn in one stroke: its centre is wound twice.
    TPath star;
    const TPointF pts[] = {{20, 2}, {31, 36}, {2, 15}, {38, 15}, {9, 36}};
    star.AddPolygon(pts, 5);
    TBrush brush;
    brush.Color = clBlack;
    TBitmap winding = Plain24(40, 40, clWhite);
    winding.Canvas().FillPath(star, frWinding, brush, pmCopy);
    TBitmap alternate = Plain24(40, 40, clWhite);
    alternate.Canvas().FillPath(star, frAlternate, brush, pmCopy);
    EXPECT_EQ(winding.GetPixel(20, 20), clBlack);
    EXPECT_EQ(alternate.GetPixel(20, 20), clWhite);
    EXPECT_EQ(winding.GetPixel(20, 8), clBlack); // a point: filled either way
    EXPECT_EQ(alternate.GetPixel(20, 8), clBlack);
}

TEST(CanvasGeometry, EllipsesAreSymmetricClosedAndReachTheirBox)
{
    // Large and small ones alike: the outline touches every side of the box,
    // is mirrored across its centre lines and closes round the fill (no
    // filled pixel beside an untouched one), down to three pixels.
    const TRect boxes[] = {Rect(2, 3, 21, 20), Rect(2, 2, 5, 5), Rect(2, 2, 6, 6), Rect(2, 2, 7, 7),
                           Rect(2, 2, 8, 8), Rect(2, 2, 9, 9), Rect(2, 2, 10, 10), Rect(2, 2, 5, 9),
                           Rect(2, 2, 12, 6), Rect(2, 2, 4, 4)};
    for (const TRect& box : boxes) {
        SCOPED_TRACE(::testing::Message() << box.Width() << "x" << box.Height());
        TBitmap b = Plain24(24, 24, clWhite);
        b.Canvas().Brush.Color = clBlue;
        b.Canvas().Ellipse(box.Left, box.Top, box.Right, box.Bottom);
        bool sides[4] = {false, false, false, false};
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                const TColor c = b.GetPixel(x, y);
                const bool inBox = x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom;
                if (!inBox) {
                    ASSERT_EQ(c, clWhite) << x << "," << y;
                    continue;
                }
                // Mirror images across the box's centre lines.
                const int mx = box.Left + box.Right - 1 - x, my = box.Top + box.Bottom - 1 - y;
                ASSERT_EQ(c, b.GetPixel(mx, y)) << x << "," << y;
                ASSERT_EQ(c, b.GetPixel(x, my)) << x << "," << y;
                if (c == clBlue) {
                    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                        ASSERT_NE(b.GetPixel(x + dx, y + dy), clWhite) << x << "," << y;
                }
                if (c == clBlack) {
                    sides[0] = sides[0] || x == box.Left;
                    sides[1] = sides[1] || y == box.Top;
                    sides[2] = sides[2] || x == box.Right - 1;
                    sides[3] = sides[3] || y == box.Bottom - 1;
                }
            }
        }
        EXPECT_TRUE(sides[0] && sides[1] && sides[2] && sides[3]);
    }
}

TEST(CanvasPen, DashedAndClearPens)
{
    TBitmap b = Plain24(40, 3, clWhite);
    b.Canvas().Pen.Style = psDot;
    b.Canvas().MoveTo(0, 1);
    b.Canvas().LineTo(40, 1);
    std::string row;
    for (int x = 0; x < 12; ++x) row += b.GetPixel(x, 1) == clBlack ? '#' : '.';
    EXPECT_EQ(row, "###...###...");

    TBitmap c = Plain24(10, 10, clWhite);
    c.Canvas().Pen.Style = psClear;
    c.Canvas().Brush.Style = bsClear;
    c.Canvas().Rectangle(1, 1, 8, 8);
    c.Canvas().MoveTo(0, 0);
    c.Canvas().LineTo(9, 9);
    EXPECT_EQ(Picture(c, clWhite), PictureOf(10, 10, [](int, int) { return false; }));
    EXPECT_EQ(c.Canvas().PenPos(), (TPoint{9, 9}));
}

TEST(CanvasPen, ModesOnPaletteIndices)
{
    // Index 5 of the test palette is the pen's colour.
    auto run = [](TPenMode mode, std::uint8_t before) {
        TBitmap b = MakeBitmap({"8", 8, std::nullopt}, 4, 1);
        b.ScanLine(0)[1] = before;
        TCanvas& c = b.Canvas();
        c.Pen.Color = b.Palette().Color(5);
        c.Pen.Mode = mode;
        c.MoveTo(1, 0);
        c.LineTo(2, 0);
        return b.ScanLine(0)[1];
    };
    const std::uint8_t d = 0x6C;
    EXPECT_EQ(run(pmCopy, d), 5);
    EXPECT_EQ(run(pmXor, d), d ^ 5);
    EXPECT_EQ(run(pmNotXor, d), static_cast<std::uint8_t>(~(d ^ 5)));
    EXPECT_EQ(run(pmMerge, d), d | 5);
    EXPECT_EQ(run(pmMask, d), d & 5);
    EXPECT_EQ(run(pmNot, d), static_cast<std::uint8_t>(~d));
    EXPECT_EQ(run(pmNotCopy, d), static_cast<std::uint8_t>(~5));
    EXPECT_EQ(run(pmMaskPenNot, d), 5 & ~d);
    EXPECT_EQ(run(pmMergeNotPen, d), static_cast<std::uint8_t>(~5 | d));
    EXPECT_EQ(run(pmBlack, d), 0);
    EXPECT_EQ(run(pmWhite, d), 0xFF);
    EXPECT_EQ(run(pmNop, d), d);
}

TEST(CanvasPen, CopyOnPaletteBitmapTakesNearestEntry)
{
    TBitmap b = MakeBitmap({"8", 8, std::nullopt}, 4, 4);
    TPaletteEntry e = b.Palette()[77];
    b.Canvas().Brush.Color = RGBColor(e.peRed + (e.peRed < 255 ? 1 : -1), e.peGreen, e.peBlue);
    b.Canvas().FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(b.ScanLine(3)[3], 77);
}

TEST(CanvasBrush, HatchTouchesOnlyItsLines)
{
    TBitmap b = Plain24(16, 16, clWhite);
    b.Canvas().Brush.Style = bsCross;
    b.Canvas().Brush.Color = clRed;
    b.Canvas().FillRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(Picture(b, clWhite), PictureOf(16, 16, [](int x, int y) { return x % 8 == 7 || y % 8 == 7; }));
    EXPECT_EQ(b.GetPixel(7, 0), clRed);
}

TEST(CanvasChange, DrawingNotifiesTheBitmap)
{
    TBitmap b = Plain24(8, 8, clWhite);
    int changes = 0;
    b.OnChange = [&](TGraphic&) { ++changes; };
    b.Canvas().FillRect(Rect(0, 0, 2, 2));
    EXPECT_GE(changes, 1);
    int before = changes;
    b.Canvas().MoveTo(0, 0);
    b.Canvas().LineTo(5, 5);
    EXPECT_GT(changes, before);
}

} // namespace
} // namespace pictor
