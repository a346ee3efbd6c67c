// Text on the bitmap canvas: measuring agrees with drawing, the opaque
// background box, fonts by points, Japanese faces, alignment and palettes,
// the widths of the faces metafiles name, and memory over many fonts.
#include "tests/gfx/canvas/CanvasTestSupport.h"

#include "core/LeakCheck.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/canvas/TextLayout.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cmath>
#include <set>

namespace pictor {
namespace {

using canvastest::InkOf;
using canvastest::MakeBitmap;
using canvastest::Plain24;
using canvastest::TInkBox;

// How the histogram labels its axes: a button-face picture, the font at a
// size in points, the text on an opaque button-face background.
TEST(CanvasText, HistogramLabelsOnButtonFace)
{
    TBitmap b = Plain24(200, 60, clBtnFace);
    TCanvas& c = b.Canvas();
    c.Brush.Color = clBtnFace;
    c.Font.SetSize(16);
    EXPECT_EQ(c.Font.Height, -21);
    const int w = c.TextWidth("128"), h = c.TextHeight("128");
    EXPECT_GT(w, 20);
    EXPECT_LT(w, 60);
    EXPECT_GE(h, 21);
    EXPECT_LT(h, 40);
    c.TextOut(30, 10, "128");
    TInkBox ink = InkOf(b, clBtnFace);
    ASSERT_GT(ink.Count, 30);
    EXPECT_GE(ink.Left, 30);
    EXPECT_LT(ink.Right, 30 + w);
    EXPECT_GE(ink.Top, 10);
    EXPECT_LT(ink.Bottom, 10 + h);
    EXPECT_EQ(c.PenPos(), (TPoint{30 + w, 10}));
    // The glyphs are dark: the darkest pixel is (nearly) the font's black.
    int darkest = 255;
    for (int y = ink.Top; y <= ink.Bottom; ++y)
        for (int x = ink.Left; x <= ink.Right; ++x) darkest = std::min(darkest, GetRValue(b.GetPixel(x, y)));
    EXPECT_LT(darkest, 40);
}

TEST(CanvasText, OpaqueBackgroundFillsExactlyTheMeasuredCell)
{
    TBitmap b = Plain24(120, 40, clWhite);
    TCanvas& c = b.Canvas();
    c.Brush.Color = clLime;
    c.Font.Color = clRed;
    c.Font.Height = -14;
    const int w = c.TextWidth("Wavy"), h = c.TextHeight("Wavy");
    c.TextOut(7, 5, "Wavy");
    TInkBox box = InkOf(b, clWhite);
    EXPECT_EQ(box.Left, 7);
    EXPECT_EQ(box.Top, 5);
    EXPECT_EQ(box.Right, 7 + w - 1);
    EXPECT_EQ(box.Bottom, 5 + h - 1);
    EXPECT_EQ(box.Count, w * h);
    EXPECT_EQ(b.GetPixel(7, 5), clLime); // a corner of the cell has no glyph
}

TEST(CanvasText, ClearBrushDrawsOnlyGlyphs)
{
    TBitmap b = Plain24(120, 40, clWhite);
    TCanvas& c = b.Canvas();
    c.Brush.Style = bsClear;
    c.Font.Height = -14;
    c.TextOut(7, 5, "Wavy");
    TInkBox box = InkOf(b, clWhite);
    ASSERT_GT(box.Count, 10);
    EXPECT_LT(box.Count, c.TextWidth("Wavy") * c.TextHeight("Wavy") / 2);
}

TEST(CanvasText, UnderlineRunsUnderTheWholeText)
{
    TBitmap b = Plain24(120, 40, clWhite);
    TCanvas& c = b.Canvas();
    c.Brush.Style = bsClear;
    c.Font.Height = -16;
    c.Font.Underline = true;
    c.TextOut(10, 5, "i i");
    const int w = c.TextWidth("i i");
    // Some row below the baseline is dark across the whole width.
    bool found = false;
    for (int y = 5; y < 5 + c.TextHeight("i") && !found; ++y) {
        bool full = true;
        for (int x = 10; x < 10 + w && full; ++x) full = b.GetPixel(x, y) != clWhite;
        found = full;
    }
    EXPECT_TRUE(found);
}

TEST(CanvasText, MeasuringIsConsistent)
{
    TBitmap b = Plain24(10, 10, clWhite);
    TCanvas& c = b.Canvas();
    c.Font.Height = -12;
    EXPECT_EQ(c.TextWidth(""), 0);
    EXPECT_EQ(c.TextWidth("ab") , c.TextWidth("a") + c.TextWidth("b"));
    EXPECT_EQ(c.TextHeight("x"), c.TextHeight("Éj")); // one cell height for the font
    // A larger font measures wider; a positive Height is the cell height.
    int small = c.TextWidth("255");
    c.Font.Height = -24;
    EXPECT_GT(c.TextWidth("255"), small);
    c.Font.Height = 30;
    EXPECT_NEAR(c.TextHeight("255"), 30, 1);
}

TEST(CanvasText, JapaneseFindsAJapaneseFace)
{
    TBitmap b = Plain24(200, 40, clWhite);
    TCanvas& c = b.Canvas();
    c.Font.Height = -20;
    c.Brush.Style = bsClear;
    EXPECT_GT(c.TextWidth("明るさ"), 40);
    // Real glyphs differ from one another; a missing-glyph box would not.
    auto draw = [](const std::string& text) {
        TBitmap t = Plain24(40, 40, clWhite);
        t.Canvas().Font.Height = -20;
        t.Canvas().TextOut(5, 5, text);
        return canvastest::RawBytes(t);
    };
    EXPECT_NE(draw("明"), draw("暗"));
    EXPECT_NE(draw("ト"), draw("リ"));
}

TEST(CanvasText, SameTextDrawsSamePixels)
{
    auto draw = [] {
        TBitmap t = Plain24(100, 30, clWhite);
        t.Canvas().Font.Height = -13;
        t.Canvas().TextOut(3, 4, "Histgram 50 %");
        return canvastest::RawBytes(t);
    };
    EXPECT_EQ(draw(), draw());
}

TEST(CanvasText, PaletteBitmapGetsOnlyTextAndBackgroundEntries)
{
    TBitmap b = MakeBitmap({"8", 8, std::nullopt}, 80, 30);
    TCanvas& c = b.Canvas();
    const TPalette pal = b.Palette();
    c.Brush.Color = pal.Color(200);
    c.Font.Color = pal.Color(0);
    c.Font.Height = -14;
    c.TextOut(2, 2, "Abc");
    std::set<int> seen;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) seen.insert(b.ScanLine(y)[x]);
    // Index 0 is also the untouched area (a new 8-bit bitmap is all index 0).
    EXPECT_EQ(seen, (std::set<int>{0, 200}));
}

TEST(CanvasText, RunsAlignAroundTheirOrigin)
{
    TFont font;
    font.Height = -16;
    auto inkOf = [&](TTextHAlign h, TTextVAlign v) {
        TBitmap b = Plain24(200, 80, clWhite);
        TTextRun run;
        run.Text = "Mm";
        run.Font = font;
        run.Origin = {100, 40};
        run.HAlign = h;
        run.VAlign = v;
        run.Opaque = true;
        run.Background = clBlue;
        b.Canvas().DrawTextRun(run);
        return InkOf(b, clWhite);
    };
    TBitmap m = Plain24(1, 1, clWhite);
    const TPointF size = m.Canvas().MeasureText("Mm", font);
    const int w = static_cast<int>(size.X), h = static_cast<int>(size.Y);
    TInkBox left = inkOf(taLeft, tvTop);
    EXPECT_EQ(left.Left, 100);
    EXPECT_EQ(left.Top, 40);
    EXPECT_EQ(left.Right, 100 + w - 1);
    TInkBox right = inkOf(taRight, tvBottom);
    EXPECT_EQ(right.Right, 99);
    EXPECT_EQ(right.Bottom, 39);
    EXPECT_EQ(right.Bottom - right.Top + 1, h);
    TInkBox centre = inkOf(taCenter, tvBaseline);
    EXPECT_NEAR((centre.Left + centre.Right + 1) / 2.0, 100, 1);
    EXPECT_LT(centre.Top, 40);
    EXPECT_GT(centre.Bottom, 40);
}

TEST(CanvasText, GivenAdvancesSetTheCellWidth)
{
    TBitmap b = Plain24(200, 40, clWhite);
    TTextRun run;
    run.Text = "abc";
    run.Font.Height = -12;
    run.Origin = {10, 5};
    run.Opaque = true;
    run.Background = clBlue;
    run.Advances = {20, 30, 25};
    b.Canvas().DrawTextRun(run);
    TInkBox box = InkOf(b, clWhite);
    EXPECT_EQ(box.Left, 10);
    EXPECT_EQ(box.Right, 10 + 75 - 1);
}

TEST(CanvasText, EscapementTurnsTheText)
{
    TBitmap b = Plain24(80, 120, clWhite);
    TTextRun run;
    run.Text = "Long text";
    run.Font.Height = -14;
    run.Origin = {40, 110};
    run.Escapement = 90; // upwards
    run.Opaque = true;
    run.Background = clBlue;
    b.Canvas().DrawTextRun(run);
    TInkBox box = InkOf(b, clWhite);
    EXPECT_GT(box.Bottom - box.Top, box.Right - box.Left); // taller than wide
    EXPECT_LE(box.Bottom, 110);
}

TEST(CanvasText, ArialTakesTheWidthsOfLiberationSans)
{
    // Metafiles name Arial; fontconfig maps it to the face of the same
    // widths. At an em of 100 pixels each advance is the face's width in
    // 2048ths of an em, rounded to a whole pixel.
    TFont font;
    font.Name = "Arial";
    font.Height = -100;
    if (raster::PrimaryFamily(font) != "Liberation Sans")
        GTEST_SKIP() << "Arial is drawn in " << raster::PrimaryFamily(font)
                     << ", not Liberation Sans (fonts-liberation2 is not installed)";
    const std::pair<char, int> widths[] = {{'H', 1479}, {'a', 1139}, {'m', 1706}, {'b', 1139}, {'u', 1139},
                                           {'r', 682},  {'g', 1139}, {' ', 569},  {'2', 1139}, {'0', 1139}};
    std::string line;
    int expected = 0;
    for (const auto& [c, units] : widths) {
        line += c;
        expected += static_cast<int>(std::lround(units * 100 / 2048.0));
    }
    TBitmap b = Plain24(1, 1, clWhite);
    EXPECT_EQ(b.Canvas().MeasureText(line, font).X, expected);
}

TEST(CanvasText, AThousandFontRequestsLeaveMemoryFlat)
{
    // Each new request builds its list of faces; older lists are let go.
    // Drawn in a thousand fonts after the caches have filled, the memory in
    // use stays where it was. The sanitizer build counts no bytes here, but
    // its leak checker must find nothing lost while the lists are held.
    TBitmap b = Plain24(60, 20, clWhite);
    auto draw = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            TCanvas& c = b.Canvas();
            c.Font.Name = "Face " + std::to_string(i);
            c.Font.Bold = i % 2;
            c.Font.Height = -10 - i % 5;
            c.TextOut(1, 1, "Ab");
        }
    };
    draw(0, 300);
    const std::size_t before = mallinfo2().uordblks;
    draw(300, 1300);
    const std::size_t after = mallinfo2().uordblks;
    if (before > 0) {
        EXPECT_LT(after, before + (512 << 10));
    }
    EXPECT_FALSE(LeaksFoundNow());
}

} // namespace
} // namespace pictor
