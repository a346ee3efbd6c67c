#include "image/KestrelImg.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "image/Resample.h"
#include "tests/image/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace pictor;
using namespace pictor::testing;

namespace {

TBitmap Random24(int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    return LayoutBitmap(24, std::nullopt, width, height, [&](int, int) { return rng() & 0xFFFFFF; });
}

// The kernels run on the picture's 24-bit bytes directly.
std::vector<std::uint32_t> KernelResult(const TBitmap& source, int newWidth, int newHeight, bool enlarge)
{
    TBitmap work(source);
    work.SetPixelFormat(pf24bit);
    TPackedPicture out(24, newWidth, newHeight);
    std::vector<const std::uint8_t*> in;
    for (int y = 0; y < work.Height(); ++y) in.push_back(std::as_const(work).ScanLine(y));
    auto rows = out.WriteRows();
    if (enlarge)
        EnlargeRows(in.data(), work.Width(), work.Height(), rows.data(), newWidth, newHeight);
    else
        ShrinkRows(in.data(), work.Width(), work.Height(), rows.data(), newWidth, newHeight,
                   ShrinkArea(work.Width(), work.Height(), newWidth, newHeight));
    std::vector<std::uint32_t> units;
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x) units.push_back(out.Get(x, y));
    return units;
}

} // namespace

TEST(Resampling, EnlargeAndShrinkGiveTheTargetSizeAndTheKernelsPixels)
{
    const TBitmap source = Random24(13, 9, 1);
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, source);
    image.Enlarge(29, 17);
    EXPECT_EQ(log.Take(), Completed("Enlarge"));
    EXPECT_EQ(PictureBitmap(image).Width(), 29);
    EXPECT_EQ(PictureBitmap(image).Height(), 17);
    EXPECT_EQ(PictureBitmap(image).PixelFormat(), pf24bit);
    EXPECT_EQ(Units(PictureBitmap(image)), KernelResult(source, 29, 17, true));

    SetPicture(image, source);
    image.Shrink(5, 4);
    EXPECT_EQ(log.Take(), Completed("Shrink"));
    EXPECT_EQ(Units(PictureBitmap(image)), KernelResult(source, 5, 4, false));
    EXPECT_EQ(PictureBitmap(image).Width(), 5);
    EXPECT_EQ(PictureBitmap(image).Height(), 4);
}

TEST(Resampling, TwoByOneEnlargedThroughTheControl)
{
    TKestrelImage image;
    SetPicture(image, ColourBitmap(2, 1, {RGBColor(0, 0, 0), RGBColor(255, 2, 0)}));
    image.Enlarge(4, 1);
    const TBitmap& b = PictureBitmap(image);
    EXPECT_EQ(b.GetPixel(0, 0), RGBColor(0, 0, 0));
    EXPECT_EQ(b.GetPixel(1, 0), RGBColor(64, 0, 0));
    EXPECT_EQ(b.GetPixel(2, 0), RGBColor(191, 2, 0));
    EXPECT_EQ(b.GetPixel(3, 0), RGBColor(255, 2, 0));
}

TEST(Resampling, EqualSizesPassBothGuardsAndKeepThePixels)
{
    const TBitmap source = Random24(6, 4, 2);
    TKestrelImage image;
    SetPicture(image, source);
    image.Enlarge(6, 4);
    EXPECT_EQ(Units(PictureBitmap(image)), Units(source));
    image.Shrink(6, 4);
    EXPECT_EQ(Units(PictureBitmap(image)), Units(source));
}

TEST(Resampling, TargetsOutsideTheGuardOnlyAnnounce)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    const TBitmap source = Random24(6, 4, 3);
    SetPicture(image, source);
    const TGraphic* held = image.Picture().Graphic();
    image.Enlarge(5, 10);
    image.Enlarge(10, 3);
    image.Enlarge(-1, -1);
    image.Shrink(7, 2);
    image.Shrink(2, 5);
    image.Shrink(-1, 2);
    image.Shrink(2, -1);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Enlarge", "Amend Enlarge", "Amend Enlarge", "Amend Shrink",
                                                    "Amend Shrink", "Amend Shrink", "Amend Shrink"}));
    EXPECT_EQ(image.Picture().Graphic(), held);
}

TEST(Resampling, FormatIsSetBackAfterwards)
{
    TKestrelImage image;
    TBitmap eight = Random24(8, 8, 4);
    eight.SetPixelFormat(pf8bit);
    SetPicture(image, eight);
    image.Enlarge(12, 12);
    EXPECT_EQ(PictureBitmap(image).PixelFormat(), pf8bit);
    EXPECT_EQ(PictureBitmap(image).Palette(), HalftonePalette());

    TBitmap four = Random24(8, 8, 5);
    four.SetPixelFormat(pf4bit);
    SetPicture(image, four);
    image.Shrink(3, 3);
    EXPECT_EQ(PictureBitmap(image).PixelFormat(), pf4bit);
    EXPECT_EQ(PictureBitmap(image).Palette(), SystemPalette16());

    TBitmap device;
    device.SetSize(3, 3);
    SetPicture(image, device);
    image.Enlarge(4, 4);
    EXPECT_EQ(PictureBitmap(image).PixelFormat(), pfDevice);
    EXPECT_EQ(PictureBitmap(image).GetPixel(3, 3), clWhite);
}

TEST(Resampling, AnEmptySourceIsAnAssertionOfThisUnit)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, TBitmap());
    for (bool enlarge : {true, false}) {
        try {
            if (enlarge)
                image.Enlarge(0, 0);
            else
                image.Shrink(0, 0);
            ADD_FAILURE() << "no assertion";
        } catch (const EAssertionFailed& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Assertion failure (KestrelImg", 0), 0) << e.what();
        }
    }
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Enlarge", "Amend Shrink"}));
    EXPECT_EQ(PictureBitmap(image).Width(), 0);
    TBitmap wide;
    wide.SetSize(3, 0);
    EXPECT_THROW(TKestrelImage::EnlargeBitmap(wide, 4, 4), EAssertionFailed);
}

TEST(Resampling, ShrinkingToNothingIsADivisionByZero)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, Random24(5, 5, 6));
    const TGraphic* held = image.Picture().Graphic();
    EXPECT_THROW(image.Shrink(0, 3), EDivByZero);
    EXPECT_THROW(image.Shrink(3, 0), EDivByZero);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Shrink", "Amend Shrink"}));
    EXPECT_EQ(image.Picture().Graphic(), held);
    EXPECT_THROW(TKestrelImage::EnlargeBitmap(Random24(2, 2, 7), 0, 2), EDivByZero);
}

TEST(Resampling, CustomFormatIsRefusedByTheGraphicsLayer)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    const TBitmap custom = LayoutBitmap(32, TColorMasks{0xFF0000, 0xFF00, 0xFF}, 3, 3, [](int x, int y) {
        return static_cast<std::uint32_t>(x * 40 + y);
    });
    ASSERT_EQ(custom.PixelFormat(), pfCustom);
    SetPicture(image, custom);
    const TGraphic* held = image.Picture().Graphic();
    EXPECT_THROW(image.Enlarge(5, 5), EInvalidGraphic);
    EXPECT_EQ(log.Take(), AmendOnly("Enlarge"));
    EXPECT_EQ(image.Picture().Graphic(), held);
    EXPECT_EQ(Units(PictureBitmap(image)), Units(custom));
}

TEST(Resampling, WorkersNeverWriteTheSource)
{
    const TBitmap source = Random24(9, 7, 8);
    const TBitmap copy(source);
    const std::vector<std::uint32_t> before = Units(source);
    std::unique_ptr<TBitmap> big = TKestrelImage::EnlargeBitmap(source, 20, 11);
    std::unique_ptr<TBitmap> small = TKestrelImage::ShrinkBitmap(source, 4, 3);
    EXPECT_EQ(Units(source), before);
    EXPECT_TRUE(source.SharesPixelsWith(copy));
    EXPECT_EQ(big->PixelFormat(), pf24bit);
    EXPECT_EQ(small->PixelFormat(), pf24bit);
}

TEST(Resampling, ControlSizeAndFlagsAreNotTouched)
{
    TKestrelImage image;
    image.SetBounds(300, 200);
    image.SetStretch(true);
    SetPicture(image, Random24(10, 10, 9));
    image.Enlarge(30, 40);
    image.Shrink(3, 4);
    EXPECT_EQ(image.Width(), 300);
    EXPECT_EQ(image.Height(), 200);
    EXPECT_TRUE(image.Stretch());
    EXPECT_FALSE(image.AutoSize());
}
