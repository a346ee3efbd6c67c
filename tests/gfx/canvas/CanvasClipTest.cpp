// Clipping of the bitmap canvas: rectangles and figures, nesting, and every
// kind of drawing honouring it.
#include "tests/gfx/canvas/CanvasTestSupport.h"

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"

#include <gtest/gtest.h>

namespace pictor {
namespace {

using canvastest::Picture;
using canvastest::PictureOf;
using canvastest::Plain24;

TPath RectPath(double l, double t, double r, double b)
{
    TPath p;
    p.AddRectangle(l, t, r, b);
    return p;
}

TEST(CanvasClip, RectangleLimitsFillsAndNests)
{
    TBitmap b = Plain24(12, 12, clWhite);
    TCanvas& c = b.Canvas();
    c.Brush.Color = clBlack;
    c.SaveClip();
    c.IntersectClip(RectPath(2, 2, 10, 10), frAlternate);
    c.SaveClip();
    c.IntersectClip(RectPath(5, 0, 12, 7), frAlternate);
    c.FillRect(Rect(0, 0, 12, 12));
    EXPECT_EQ(Picture(b, clWhite), PictureOf(12, 12, [](int x, int y) { return x >= 5 && x < 10 && y >= 2 && y < 7; }));

    c.RestoreClip(); // back to (2, 2, 10, 10)
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 12, 12));
    EXPECT_EQ(b.GetPixel(2, 9), clRed);
    EXPECT_EQ(b.GetPixel(1, 9), clWhite);
    EXPECT_EQ(b.GetPixel(10, 10), clWhite);

    c.RestoreClip(); // no clip
    c.RestoreClip(); // one too many: harmless
    c.Brush.Color = clBlue;
    c.FillRect(Rect(0, 0, 12, 12));
    EXPECT_EQ(b.GetPixel(0, 0), clBlue);
    EXPECT_EQ(b.GetPixel(11, 11), clBlue);
}

TEST(CanvasClip, ResetClipDropsTheClip)
{
    TBitmap b = Plain24(6, 6, clWhite);
    TCanvas& c = b.Canvas();
    c.IntersectClip(RectPath(0, 0, 1, 1), frAlternate);
    c.ResetClip();
    c.Brush.Color = clBlack;
    c.FillRect(Rect(0, 0, 6, 6));
    EXPECT_EQ(b.GetPixel(5, 5), clBlack);
}

TEST(CanvasClip, FigureClipCoversWhatTheFigureWouldFill)
{
    TPath disc;
    disc.AddEllipse(3.2, 2.7, 27.9, 21.4);
    TBitmap filled = Plain24(32, 24, clWhite);
    TBrush black;
    black.Color = clBlack;
    filled.Canvas().FillPath(disc, frWinding, black, pmCopy);

    TBitmap clipped = Plain24(32, 24, clWhite);
    clipped.Canvas().IntersectClip(disc, frWinding);
    clipped.Canvas().Brush.Color = clBlack;
    clipped.Canvas().FillRect(Rect(0, 0, 32, 24));
    EXPECT_EQ(Picture(clipped, clWhite), Picture(filled, clWhite));
}

TEST(CanvasClip, EveryKindOfDrawingHonoursIt)
{
    TPath diamond;
    const TPointF pts[] = {{10, 0}, {20, 10}, {10, 20}, {0, 10}};
    diamond.AddPolygon(pts, 4);
    auto inside = [](int x, int y) { return std::abs(x + 0.5 - 10) + std::abs(y + 0.5 - 10) <= 10.5; };
    auto check = [&](const char* what, auto draw) {
        SCOPED_TRACE(what);
        TBitmap b = Plain24(24, 24, clWhite);
        b.Canvas().IntersectClip(diamond, frAlternate);
        draw(b.Canvas());
        int drawn = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                if (b.GetPixel(x, y) == clWhite) continue;
                ++drawn;
                EXPECT_TRUE(inside(x, y)) << x << "," << y;
            }
        }
        EXPECT_GT(drawn, 0);
    };
    check("line", [](TCanvas& c) { c.MoveTo(0, 3); c.LineTo(24, 20); });
    check("wide line", [](TCanvas& c) { c.Pen.Width = 4; c.MoveTo(0, 10); c.LineTo(24, 10); });
    check("rectangle", [](TCanvas& c) { c.Brush.Color = clBlue; c.Rectangle(1, 1, 22, 22); });
    check("text", [](TCanvas& c) { c.Font.Height = -16; c.Brush.Color = clBlue; c.TextOut(0, 2, "WWWW"); });
    check("copy", [](TCanvas& c) {
        TBitmap src = Plain24(24, 24, clRed);
        c.CopyRect(Rect(0, 0, 24, 24), src.Canvas(), Rect(0, 0, 24, 24));
    });
    check("stretch", [](TCanvas& c) { TBitmap src = Plain24(3, 3, clRed); c.StretchDraw(Rect(0, 0, 24, 24), src); });
}

} // namespace
} // namespace pictor
