#include "image/KestrelImg.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "tests/image/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace pictor;
using namespace pictor::testing;

namespace {

// Pixel (x, y) of a 24-bit picture holds x + 1000 * y (as blue/green/red
// bytes), so every pixel tells where it came from.
TBitmap Positions(int width, int height)
{
    return LayoutBitmap(24, std::nullopt, width, height,
                        [](int x, int y) { return static_cast<std::uint32_t>(x + 1000 * y); });
}

// A control of the size showing the picture stretched.
void ShowStretched(TKestrelImage& image, const TGraphic& picture, int width, int height)
{
    image.SetBounds(width, height);
    image.SetStretch(true);
    SetPicture(image, picture);
}

} // namespace

TEST(Trimming, ControlRectangleOnAStretchedPicture)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    ShowStretched(image, Positions(400, 200), 200, 100);
    image.Trimming(Rect(10, 20, 109, 69), false);
    EXPECT_EQ(log.Take(), Completed("Trimming"));
    const TBitmap& b = PictureBitmap(image);
    ASSERT_EQ(b.Width(), 199);
    ASSERT_EQ(b.Height(), 99);
    EXPECT_EQ(Units(b)[0], 20u + 1000 * 40);
    EXPECT_EQ(Units(b).back(), 218u + 1000 * 138);
    EXPECT_EQ(image.Width(), 100);
    EXPECT_EQ(image.Height(), 50);
    EXPECT_TRUE(image.Stretch());
    EXPECT_FALSE(image.AutoSize());
}

TEST(Trimming, PictureRectangleOnAStretchedPicture)
{
    TKestrelImage image;
    ShowStretched(image, Positions(400, 200), 200, 100);
    image.Trimming(Rect(20, 40, 219, 139), true);
    const TBitmap& b = PictureBitmap(image);
    ASSERT_EQ(b.Width(), 200);
    ASSERT_EQ(b.Height(), 100);
    EXPECT_EQ(Units(b)[0], 20u + 1000 * 40);
    EXPECT_EQ(Units(b).back(), 219u + 1000 * 139);
    EXPECT_EQ(image.Width(), 100);
    EXPECT_EQ(image.Height(), 50);
}

TEST(Trimming, UnstretchedOrAutoSizedTakesPicturePixels)
{
    for (bool autoSize : {false, true}) {
        TKestrelImage image;
        image.SetBounds(200, 100);
        image.SetStretch(autoSize);
        SetPicture(image, Positions(400, 200));
        image.SetAutoSize(autoSize);
        const int width = image.Width(), height = image.Height();
        image.Trimming(Rect(10, 20, 109, 69), false);
        const TBitmap& b = PictureBitmap(image);
        ASSERT_EQ(b.Width(), 100);
        ASSERT_EQ(b.Height(), 50);
        EXPECT_EQ(Units(b)[0], 10u + 1000 * 20);
        EXPECT_EQ(image.AutoSize(), autoSize);
        EXPECT_EQ(image.Stretch(), autoSize);
        if (!autoSize) {
            EXPECT_EQ(image.Width(), width);
            EXPECT_EQ(image.Height(), height);
        }
    }
}

TEST(Trimming, RectanglesOutsideThePictureOnlyAnnounce)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    image.SetBounds(50, 60);
    image.SetStretch(false);
    SetPicture(image, Positions(40, 30));
    const TGraphic* held = image.Picture().Graphic();
    image.Trimming(Rect(0, 0, 40, 29), true);
    image.Trimming(Rect(0, 0, 39, 30), true);
    image.Trimming(Rect(-1, 0, 39, 29), true);
    image.Trimming(Rect(0, -1, 39, 29), true);
    image.Trimming(Rect(10, 10, 9, 20), true);
    image.Trimming(Rect(10, 10, 20, 9), true);
    EXPECT_EQ(log.Take(), std::vector<std::string>(6, "Amend Trimming"));
    EXPECT_EQ(image.Picture().Graphic(), held);
    EXPECT_EQ(image.Width(), 50);
    EXPECT_EQ(image.Height(), 60);
    // The last column and row are inside; a single pixel is a picture.
    image.Trimming(Rect(39, 29, 39, 29), true);
    EXPECT_EQ(log.Take(), Completed("Trimming"));
    EXPECT_EQ(Units(PictureBitmap(image)), std::vector<std::uint32_t>{39u + 1000 * 29});
}

TEST(Trimming, PaletteFormatsKeepFormatPaletteAndIndices)
{
    for (int bits : {1, 4, 8}) {
        std::mt19937 rng(static_cast<unsigned>(bits));
        TBitmap source = LayoutBitmap(bits, std::nullopt, 21, 9, [&](int, int) { return static_cast<std::uint32_t>(rng()); });
        source.SetPalette(DistinctPalette(1 << bits));
        TKestrelImage image;
        image.SetStretch(false);
        SetPicture(image, source);
        image.Trimming(Rect(3, 2, 17, 6), true);
        const TBitmap& b = PictureBitmap(image);
        EXPECT_EQ(b.PixelFormat(), source.PixelFormat());
        EXPECT_EQ(b.Palette(), source.Palette());
        ASSERT_EQ(b.Width(), 15);
        ASSERT_EQ(b.Height(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 15; ++x)
                ASSERT_EQ(GetUnit(b.ScanLine(y), bits, x), GetUnit(source.ScanLine(y + 2), bits, x + 3)) << bits;
    }
}

TEST(Trimming, ZeroSizedControlIsADivisionByZero)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    ShowStretched(image, Positions(10, 10), 0, 100);
    const TGraphic* held = image.Picture().Graphic();
    EXPECT_THROW(image.Trimming(Rect(0, 0, 1, 1), false), EDivByZero);
    EXPECT_EQ(log.Take(), AmendOnly("Trimming"));
    EXPECT_EQ(image.Picture().Graphic(), held);
    EXPECT_TRUE(image.Stretch());
}

TEST(Trimming, CustomFormatFailsAndLeavesPictureAndControlAsTheyWere)
{
    const TBitmap custom = LayoutBitmap(32, TColorMasks{0xFF0000, 0xFF00, 0xFF}, 8, 8,
                                        [](int x, int y) { return static_cast<std::uint32_t>(x + 9 * y); });
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    ShowStretched(image, custom, 80, 80);
    const TGraphic* held = image.Picture().Graphic();
    EXPECT_THROW(image.Trimming(Rect(10, 10, 49, 49), false), EInvalidGraphic);
    EXPECT_EQ(log.Take(), AmendOnly("Trimming"));
    EXPECT_EQ(image.Picture().Graphic(), held);
    EXPECT_TRUE(image.Stretch());
    EXPECT_EQ(image.Width(), 80);
    EXPECT_EQ(image.Height(), 80);
}
