#include "image/KestrelImg.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "tests/image/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace pictor;
using namespace pictor::testing;

namespace {

// 1 2 3 / 4 5 6 as palette indices of an 8-bit picture.
TBitmap Indexed3x2()
{
    TBitmap b = LayoutBitmap(8, std::nullopt, 3, 2, [](int x, int y) { return static_cast<std::uint32_t>(1 + x + 3 * y); });
    b.SetPalette(DistinctPalette(7));
    return b;
}

struct TTurnLayout {
    int Bits;
    std::optional<TColorMasks> Masks;
};

const TTurnLayout kLayouts[] = {{1, std::nullopt},  {4, std::nullopt},  {8, std::nullopt},
                                {16, std::nullopt}, {16, TColorMasks{0xF800, 0x07E0, 0x001F}},
                                {24, std::nullopt}, {32, std::nullopt}};

TBitmap RandomLayout(const TTurnLayout& c, int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    TBitmap b = LayoutBitmap(c.Bits, c.Masks, width, height, [&](int, int) { return static_cast<std::uint32_t>(rng()); });
    if (c.Bits <= 8) b.SetPalette(DistinctPalette(1 << c.Bits));
    return b;
}

} // namespace

TEST(Turn, ThreeByTwoQuarterHalfAndThreeQuarterTurns)
{
    struct Case {
        int Angle;
        int Width;
        std::vector<std::uint32_t> Rows;
    };
    const Case cases[] = {{90, 2, {4, 1, 5, 2, 6, 3}},
                          {270, 2, {3, 6, 2, 5, 1, 4}},
                          {180, 3, {6, 5, 4, 3, 2, 1}},
                          {-90, 2, {3, 6, 2, 5, 1, 4}},
                          {450, 2, {4, 1, 5, 2, 6, 3}},
                          {-180, 3, {6, 5, 4, 3, 2, 1}},
                          {-270, 2, {4, 1, 5, 2, 6, 3}}};
    for (const Case& c : cases) {
        TKestrelImage image;
        TAmendLog log;
        log.Attach(image);
        SetPicture(image, Indexed3x2());
        image.Turn(c.Angle);
        EXPECT_EQ(log.Take(), Completed("Turn"));
        const TBitmap& b = PictureBitmap(image);
        EXPECT_EQ(b.Width(), c.Width) << c.Angle;
        EXPECT_EQ(Units(b), c.Rows) << c.Angle;
        EXPECT_EQ(b.PixelFormat(), pf8bit);
        EXPECT_EQ(b.Palette(), DistinctPalette(7));
    }
}

TEST(Turn, ReverseMirrorsEachRow)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, Indexed3x2());
    image.Reverse();
    EXPECT_EQ(log.Take(), Completed("Reverse"));
    EXPECT_EQ(Units(PictureBitmap(image)), (std::vector<std::uint32_t>{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(PictureBitmap(image).Palette(), DistinctPalette(7));
}

TEST(Turn, AnglesThatAreNoQuarterTurnOnlyAnnounce)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, Indexed3x2());
    const TGraphic* held = image.Picture().Graphic();
    for (int angle : {0, 360, -720, 45, 91, -1, 2147483647}) image.Turn(angle);
    EXPECT_EQ(log.Take(), std::vector<std::string>(7, "Amend Turn"));
    EXPECT_EQ(image.Picture().Graphic(), held);
}

// The histogram picture of image's picture, and that of a control that
// counts a copy of it afresh.
std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>> HistogramAndFresh(TKestrelImage& image)
{
    TBitmap drawn, fresh;
    image.DrawHistogram(drawn, 1, 0, 0);
    TKestrelImage other;
    SetPicture(other, PictureBitmap(image));
    other.DrawHistogram(fresh, 1, 0, 0);
    return {Units(drawn), Units(fresh)};
}

TEST(Turn, EveryLayoutComesBackAfterFourQuarterTurnsOrTwoMirrors)
{
    for (const TTurnLayout& c : kLayouts) {
        const TBitmap original = RandomLayout(c, 11, 5, static_cast<unsigned>(c.Bits));
        TKestrelImage image;
        SetPicture(image, original);
        // Counted once: the turned pixels take the same counts.
        TBitmap counted;
        image.DrawHistogram(counted, 1, 0, 0);
        image.Turn(90);
        const auto [turned, fresh] = HistogramAndFresh(image);
        EXPECT_EQ(turned, fresh) << c.Bits;
        EXPECT_EQ(PictureBitmap(image).Width(), 5);
        EXPECT_EQ(PictureBitmap(image).Height(), 11);
        EXPECT_EQ(PictureBitmap(image).PixelFormat(), original.PixelFormat()) << c.Bits;
        EXPECT_EQ(PictureBitmap(image).Masks(), original.Masks()) << c.Bits;
        for (int k = 0; k < 3; ++k) image.Turn(90);
        EXPECT_EQ(Units(PictureBitmap(image)), Units(original)) << c.Bits;
        EXPECT_EQ(PictureBitmap(image).Palette(), original.Palette()) << c.Bits;
        image.Reverse();
        EXPECT_NE(Units(PictureBitmap(image)), Units(original)) << c.Bits;
        const auto [mirrored, mirroredFresh] = HistogramAndFresh(image);
        EXPECT_EQ(mirrored, mirroredFresh) << c.Bits;
        image.Reverse();
        EXPECT_EQ(Units(PictureBitmap(image)), Units(original)) << c.Bits;
        EXPECT_EQ(PictureBitmap(image).PixelFormat(), original.PixelFormat()) << c.Bits;
    }
}

TEST(Turn, OneBitPictureKeepsItsBitsAndPalette)
{
    // The left column of a 10 x 2 picture becomes the top row of a
    // clockwise quarter turn.
    TBitmap b = LayoutBitmap(1, std::nullopt, 10, 2, [](int x, int) { return x == 0 ? 1u : 0u; });
    const TPalette palette(std::vector<TPaletteEntry>{{255, 0, 0, 0}, {0, 0, 255, 0}});
    b.SetPalette(palette);
    TKestrelImage image;
    SetPicture(image, b);
    image.Turn(90);
    const std::vector<std::uint32_t> turned = Units(PictureBitmap(image));
    ASSERT_EQ(turned.size(), 20u);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(turned[static_cast<std::size_t>(y * 2 + x)], y == 0 ? 1u : 0u);
    EXPECT_EQ(PictureBitmap(image).Palette(), palette);
    image.Reverse();
    EXPECT_EQ(Units(PictureBitmap(image))[0], 1u);
}

TEST(Turn, QuarterTurnsSwapTheControlSizeAndRestoreTheFlags)
{
    for (bool autoSize : {false, true})
        for (bool stretch : {false, true}) {
            TKestrelImage image;
            image.SetBounds(300, 200);
            image.SetStretch(stretch);
            SetPicture(image, Indexed3x2());
            image.SetAutoSize(autoSize);
            const int width = image.Width(), height = image.Height();
            image.Turn(270);
            EXPECT_EQ(image.Stretch(), stretch);
            EXPECT_EQ(image.AutoSize(), autoSize);
            EXPECT_EQ(image.Width(), height);
            EXPECT_EQ(image.Height(), width);
            image.Turn(180);
            image.Reverse();
            EXPECT_EQ(image.Stretch(), stretch);
            EXPECT_EQ(image.AutoSize(), autoSize);
            EXPECT_EQ(image.Width(), height);
            EXPECT_EQ(image.Height(), width);
        }
}

TEST(Turn, AnEmptyBitmapIsReplacedByAnEmptyOne)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, TBitmap());
    image.Turn(90);
    image.Reverse();
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Turn", "Amended Turn", "Amend Reverse", "Amended Reverse"}));
    EXPECT_EQ(PictureBitmap(image).Width(), 0);
    EXPECT_EQ(PictureBitmap(image).Height(), 0);
}

TEST(Turn, DisplayFormPictureIsTurnedAsThirtyTwoBits)
{
    TBitmap device;
    device.SetSize(2, 1);
    device.SetPixel(0, 0, clRed);
    TKestrelImage image;
    SetPicture(image, device);
    image.Turn(90);
    EXPECT_EQ(PictureBitmap(image).PixelFormat(), pf32bit);
    EXPECT_EQ(PictureBitmap(image).GetPixel(0, 0), clRed);
    EXPECT_EQ(PictureBitmap(image).GetPixel(0, 1), clWhite);
}

TEST(Turn, CustomFormatFailsAndLeavesPictureAndControlAsTheyWere)
{
    const TBitmap custom = LayoutBitmap(16, TColorMasks{0x7C00, 0x03E0, 0x001F}, 3, 2, [](int x, int y) {
        return static_cast<std::uint32_t>(x + 7 * y);
    });
    ASSERT_EQ(custom.PixelFormat(), pfCustom);
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    image.SetBounds(300, 200);
    image.SetStretch(true);
    SetPicture(image, custom);
    const TGraphic* held = image.Picture().Graphic();
    EXPECT_THROW(image.Turn(90), EInvalidGraphic);
    EXPECT_THROW(image.Reverse(), EInvalidGraphic);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Turn", "Amend Reverse"}));
    EXPECT_EQ(image.Picture().Graphic(), held);
    EXPECT_EQ(Units(PictureBitmap(image)), Units(custom));
    EXPECT_TRUE(image.Stretch());
    EXPECT_EQ(image.Width(), 300);
    EXPECT_EQ(image.Height(), 200);
}
