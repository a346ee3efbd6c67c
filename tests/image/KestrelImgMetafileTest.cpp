#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "tests/image/ImageTestSupport.h"

#include <gtest/gtest.h>

using namespace pictor;
using namespace pictor::testing;

namespace {

// Four quadrants of different colours, so that position errors show.
TBitmap Quadrants(int width, int height)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, x < width / 2 ? (y < height / 2 ? clRed : clLime) : (y < height / 2 ? clBlue : clBlack));
    return b;
}

const TMetafile& PictureMetafile(const TKestrelImage& image)
{
    return dynamic_cast<const TMetafile&>(*image.Picture().Graphic());
}

// The metafile played back into a white bitmap of its own size.
TBitmap Rendered(const TMetafile& metafile)
{
    TBitmap b;
    b.SetSize(metafile.Width(), metafile.Height());
    b.Canvas().Draw(0, 0, metafile);
    return b;
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y)) << x << "," << y;
}

} // namespace

TEST(PictureTypeMetafile, BitmapBecomesAMetafileOfItsSizeAndBack)
{
    TKestrelImage image;
    const TBitmap bitmap = Quadrants(200, 100);
    SetPicture(image, bitmap);
    image.SetPictureType(picMetafile);
    ASSERT_EQ(image.GetPictureType(), picMetafile);
    const TMetafile& metafile = PictureMetafile(image);
    EXPECT_EQ(metafile.Width(), 200);
    EXPECT_EQ(metafile.Height(), 100);
    EXPECT_EQ(metafile.Inch(), 1);
    ExpectSamePixels(Rendered(metafile), bitmap);

    const TGraphic* held = image.Picture().Graphic();
    image.SetPictureType(picMetafile);
    EXPECT_EQ(image.Picture().Graphic(), held);

    image.SetPictureType(picBitmap);
    ASSERT_EQ(image.GetPictureType(), picBitmap);
    ExpectSamePixels(PictureBitmap(image), bitmap);
}

TEST(PictureTypeMetafile, EmptyPictureBecomesAnEmptyMetafile)
{
    TKestrelImage image;
    image.SetPictureType(picMetafile);
    ASSERT_EQ(image.GetPictureType(), picMetafile);
    EXPECT_EQ(PictureMetafile(image).Inch(), 1);
}

TEST(TrimmingMetafile, GivesAMetafileOfTheCroppedArea)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    const TBitmap bitmap = Quadrants(40, 20);
    SetPicture(image, bitmap);
    image.SetPictureType(picMetafile);
    image.SetBounds(80, 40);
    image.SetStretch(true);
    // Control (30, 10)-(49, 29) is picture (15, 5)-(24, 14).
    image.Trimming(Rect(30, 10, 49, 29), false);
    EXPECT_EQ(log.Take(), Completed("Trimming"));
    ASSERT_EQ(image.GetPictureType(), picMetafile);
    const TMetafile& metafile = PictureMetafile(image);
    EXPECT_EQ(metafile.Width(), 10);
    EXPECT_EQ(metafile.Height(), 10);
    EXPECT_EQ(metafile.Inch(), 1);
    EXPECT_EQ(image.Width(), 20);
    EXPECT_EQ(image.Height(), 20);
    EXPECT_TRUE(image.Stretch());
    TBitmap expected;
    expected.SetSize(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) expected.SetPixel(x, y, bitmap.GetPixel(15 + x, 5 + y));
    ExpectSamePixels(Rendered(metafile), expected);
}

TEST(TrimmingMetafile, RectangleOutsideOnlyAnnounces)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, Quadrants(40, 20));
    image.SetPictureType(picMetafile);
    image.SetStretch(false);
    const TGraphic* held = image.Picture().Graphic();
    image.Trimming(Rect(0, 0, 40, 19), true);
    EXPECT_EQ(log.Take(), AmendOnly("Trimming"));
    EXPECT_EQ(image.Picture().Graphic(), held);
}
