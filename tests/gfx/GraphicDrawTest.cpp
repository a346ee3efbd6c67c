// JPEG pictures and icons drawn through a bitmap canvas's own calls, the
// way the program renders them into its base picture.
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "tests/gfx/formats/IconTestSupport.h"
#include "tests/gfx/formats/JpegTestSupport.h"

#include <gtest/gtest.h>

namespace pictor {
namespace {

using testing::GradientRgb;
using testing::MakeJpeg;
using testing::TJpegFixture;
using namespace testing;

TEST(JPEGImage, DrawsTheDecodedPicture)
{
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(MakeJpeg(TJpegFixture{}, GradientRgb));
    TBitmap target;
    target.SetSize(20, 20);
    target.Canvas().Draw(2, 3, jpeg);
    EXPECT_EQ(target.GetPixel(1, 1), clWhite);
    const TColor expected = jpeg.Bitmap().GetPixel(5, 6);
    EXPECT_EQ(target.GetPixel(7, 9), expected);
}

TEST(IconDraw, CanvasDrawAndStretchDrawComposite)
{
    // 2 by 2: top-left transparent, the rest opaque red.
    TIcon icon;
    icon.LoadFromBytes(BuildIcon({{DibIconImage(2, 2, 24, {}, [](int, int) { return 0xFF0000u; },
                                                [](int x, int y) { return x == 0 && y == 0; }),
                                   2, 2, 24}}));
    TBitmap target;
    target.SetSize(6, 6);
    target.Canvas().Brush.Color = clBlue;
    target.Canvas().FillRect(Rect(0, 0, 6, 6));
    target.Canvas().Draw(1, 1, icon);
    EXPECT_EQ(target.GetPixel(1, 1), clBlue);
    EXPECT_EQ(target.GetPixel(2, 1), clRed);
    EXPECT_EQ(target.GetPixel(3, 3), clBlue);
    target.Canvas().StretchDraw(Rect(2, 2, 6, 6), icon);
    EXPECT_EQ(target.GetPixel(3, 3), clBlue);
    EXPECT_EQ(target.GetPixel(4, 3), clRed);
    EXPECT_EQ(target.GetPixel(5, 5), clRed);
}

} // namespace
} // namespace pictor
