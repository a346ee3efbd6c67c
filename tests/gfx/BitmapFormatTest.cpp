// Pixel formats of TBitmap: what each reads as, and every conversion between
// them, checked against colours computed here independently.
#include "tests/gfx/BitmapTestSupport.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace pictor {
namespace {

using testing::MakeTestPicture;
using testing::SameColours;

const TPixelFormat kAllFormats[] = {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};

int Scaled(int c, int bits)
{
    double max = (1 << bits) - 1;
    long q = std::lround(c * max / 255.0);
    return static_cast<int>(std::lround(q * 255.0 / max));
}

TColor FromPalette(const TPalette& p, TColor c)
{
    return p.Color(p.NearestIndex(static_cast<std::uint8_t>(GetRValue(c)), static_cast<std::uint8_t>(GetGValue(c)),
                                  static_cast<std::uint8_t>(GetBValue(c))));
}

// The colour a pixel of colour c has after conversion to format f.
TColor Expected(TColor c, TPixelFormat f)
{
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (f) {
    case pf1bit: return FromPalette(MonochromePalette(), c);
    case pf4bit: return FromPalette(SystemPalette16(), c);
    case pf8bit: return FromPalette(HalftonePalette(), c);
    case pf15bit: return RGBColor(Scaled(r, 5), Scaled(g, 5), Scaled(b, 5));
    case pf16bit: return RGBColor(Scaled(r, 5), Scaled(g, 6), Scaled(b, 5));
    default: return c;
    }
}

TEST(BitmapFormat, FormatReadFromTheStorage)
{
    TBitmap b;
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.HandleType(), bmDDB);
    EXPECT_EQ(b.BitsPerPixel(), 32);
    b.SetHandleType(bmDIB);
    EXPECT_EQ(b.PixelFormat(), pf32bit);
    b.SetHandleType(bmDDB);
    EXPECT_EQ(b.PixelFormat(), pfDevice);

    struct Case {
        int bpp;
        std::optional<TColorMasks> masks;
        TPixelFormat format;
    } cases[] = {
        {1, std::nullopt, pf1bit},
        {4, std::nullopt, pf4bit},
        {8, std::nullopt, pf8bit},
        {16, std::nullopt, pf15bit},
        {16, TColorMasks{0xF800, 0x07E0, 0x001F}, pf16bit},
        {16, TColorMasks{0x7C00, 0x03E0, 0x001F}, pfCustom},
        {16, TColorMasks{0x0F00, 0x00F0, 0x000F}, pfCustom},
        {24, std::nullopt, pf24bit},
        {32, std::nullopt, pf32bit},
        {32, TColorMasks{0xFF0000, 0xFF00, 0xFF}, pfCustom},
        {32, TColorMasks{0x3FF00000, 0xFFC00, 0x3FF}, pfCustom},
    };
    for (const Case& c : cases) {
        b.SetLayout(c.bpp, c.masks, 3, 2);
        EXPECT_EQ(b.PixelFormat(), c.format) << c.bpp;
        EXPECT_EQ(b.BitsPerPixel(), c.bpp);
        EXPECT_EQ(b.Masks(), c.masks);
        EXPECT_EQ(b.HandleType(), bmDIB);
        EXPECT_EQ(b.RowStride() % 4, 0);
    }
}

TEST(BitmapFormat, SetLayoutRefusesWhatNoBitmapHas)
{
    TBitmap b;
    EXPECT_THROW(b.SetLayout(2, std::nullopt, 1, 1), EInvalidGraphic);
    EXPECT_THROW(b.SetLayout(64, std::nullopt, 1, 1), EInvalidGraphic);
    EXPECT_THROW(b.SetLayout(24, TColorMasks{0xFF, 0xFF00, 0xFF0000}, 1, 1), EInvalidGraphic);
    EXPECT_THROW(b.SetLayout(16, TColorMasks{0x1F0000, 0x7E0, 0x1F}, 1, 1), EInvalidGraphic); // beyond 16 bits
    EXPECT_THROW(b.SetLayout(32, TColorMasks{0xF0F0, 0, 0}, 1, 1), EInvalidGraphic);         // not one run
    EXPECT_THROW(b.SetLayout(32, TColorMasks{0xFF00, 0xFFF0, 0}, 1, 1), EInvalidGraphic);    // overlapping
    EXPECT_EQ(b.PixelFormat(), pfDevice);
}

TEST(BitmapFormat, EveryConversionFrom24BitsAndBack)
{
    const TBitmap source = MakeTestPicture(41, 9);
    for (TPixelFormat f : kAllFormats) {
        TBitmap b = source;
        b.SetPixelFormat(f);
        ASSERT_EQ(b.PixelFormat(), f);
        ASSERT_EQ(b.Width(), 41);
        ASSERT_EQ(b.Height(), 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 41; ++x)
                ASSERT_EQ(b.GetPixel(x, y), Expected(source.GetPixel(x, y), f)) << f << " at " << x << "," << y;
        TBitmap back = b;
        back.SetPixelFormat(pf24bit);
        EXPECT_TRUE(SameColours(back, b)) << f;
        EXPECT_EQ(source.PixelFormat(), pf24bit);
    }
}

TEST(BitmapFormat, EveryConversionBetweenTwoFormats)
{
    const TBitmap source = MakeTestPicture(23, 5, 3);
    for (TPixelFormat from : kAllFormats)
        for (TPixelFormat to : kAllFormats) {
            TBitmap a = source;
            a.SetPixelFormat(from);
            TBitmap b = a;
            b.SetPixelFormat(to);
            ASSERT_EQ(b.PixelFormat(), to);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 23; ++x) {
                    TColor want = from == to ? a.GetPixel(x, y) : Expected(a.GetPixel(x, y), to);
                    ASSERT_EQ(b.GetPixel(x, y), want) << from << " -> " << to << " at " << x << "," << y;
                }
        }
}

TEST(BitmapFormat, SixteenBitPixelsSurviveTwentyFourBits)
{
    for (std::optional<TColorMasks> masks : {std::optional<TColorMasks>(), std::optional(TColorMasks{0xF800, 0x07E0, 0x001F})}) {
        TBitmap b;
        b.SetLayout(16, masks, 256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                b.ScanLine(y)[2 * x] = static_cast<std::uint8_t>(x);
                b.ScanLine(y)[2 * x + 1] = static_cast<std::uint8_t>(y & (masks ? 0xFF : 0x7F));
            }
        TBitmap c = b;
        TPixelFormat f = c.PixelFormat();
        c.SetPixelFormat(pf24bit);
        c.SetPixelFormat(f);
        ASSERT_EQ(c.Masks(), masks);
        for (int y = 0; y < 256; ++y)
            ASSERT_EQ(0, std::memcmp(b.ScanLine(y), c.ScanLine(y), 512)) << "row " << y;
    }
    // Full-scale channels read as full 8-bit levels.
    TBitmap w;
    w.SetLayout(16, TColorMasks{0xF800, 0x07E0, 0x001F}, 1, 1);
    w.ScanLine(0)[0] = 0xFF;
    w.ScanLine(0)[1] = 0xFF;
    EXPECT_EQ(w.GetPixel(0, 0), clWhite);
}

TEST(BitmapFormat, CustomMasksConvertThroughTheirMasks)
{
    TBitmap b;
    b.SetLayout(16, TColorMasks{0x0F00, 0x00F0, 0x000F}, 2, 1); // 4-4-4
    std::uint8_t* row = b.ScanLine(0);
    row[0] = 0x3C; // 0x0A3C: red 10, green 3, blue 12
    row[1] = 0x0A;
    row[2] = 0xFF;
    row[3] = 0xFF; // the unused top bits are ignored
    EXPECT_EQ(b.GetPixel(0, 0), RGBColor(170, 51, 204));
    EXPECT_EQ(b.GetPixel(1, 0), clWhite);

    TBitmap wide;
    wide.SetLayout(32, TColorMasks{0x3FF00000, 0x000FFC00, 0x000003FF}, 1, 1); // 10-10-10
    std::uint32_t v = 1023u << 20 | 512u << 10 | 1u;
    for (int i = 0; i < 4; ++i) wide.ScanLine(0)[i] = static_cast<std::uint8_t>(v >> (8 * i));
    EXPECT_EQ(wide.GetPixel(0, 0), RGBColor(255, 128, 0));
    TBitmap copy = wide;
    copy.SetPixelFormat(pf24bit);
    EXPECT_EQ(copy.GetPixel(0, 0), RGBColor(255, 128, 0));

    // Custom cannot be set, not even back onto a bitmap that had it.
    try {
        copy.SetPixelFormat(pfCustom);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "画像フォーマットが不正です");
    }
    EXPECT_EQ(copy.PixelFormat(), pf24bit);
    wide.SetPixelFormat(pfCustom); // the present format: nothing happens
    EXPECT_EQ(wide.PixelFormat(), pfCustom);
}

TEST(BitmapFormat, PaletteRules)
{
    TPalette two(std::vector<TPaletteEntry>{{255, 0, 0, 0}, {0, 0, 255, 0}});
    TPalette three(std::vector<TPaletteEntry>{{255, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}});

    // 8 bits keeps its own palette when set to 8 bits again, and maps onto the
    // halftone palette from anything else, 8-bit pictures through 24 bits too.
    TBitmap p8;
    p8.SetLayout(8, std::nullopt, 2, 1);
    p8.SetPalette(three);
    p8.ScanLine(0)[1] = 2;
    p8.SetPixelFormat(pf8bit);
    EXPECT_EQ(p8.Palette(), three);
    TBitmap viaTrue = p8;
    viaTrue.SetPixelFormat(pf24bit);
    EXPECT_EQ(viaTrue.Palette(), three); // taken over, not used
    EXPECT_EQ(viaTrue.GetPixel(1, 0), clLime);
    viaTrue.SetPixelFormat(pf8bit);
    EXPECT_EQ(viaTrue.Palette(), HalftonePalette());
    EXPECT_EQ(viaTrue.GetPixel(0, 0), clRed);
    TBitmap p4 = p8;
    p4.SetPixelFormat(pf4bit);
    EXPECT_EQ(p4.Palette(), SystemPalette16());

    // 1 bit: a palette of one or two entries is taken over, others give
    // black and white.
    TBitmap t = MakeTestPicture(5, 5);
    t.SetPalette(two);
    TBitmap one = t;
    one.SetPixelFormat(pf1bit);
    EXPECT_EQ(one.Palette(), two);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(one.GetPixel(x, 0), FromPalette(two, t.GetPixel(x, 0)));
    t.SetPalette(three);
    one = t;
    one.SetPixelFormat(pf1bit);
    EXPECT_EQ(one.Palette(), MonochromePalette());
    t.SetPalette(TPalette());
    one = t;
    one.SetPixelFormat(pf1bit);
    EXPECT_EQ(one.Palette(), MonochromePalette());
}

TEST(BitmapFormat, IndexBeyondThePaletteIsBlackAndNoPaletteMeansTheDefault)
{
    TBitmap b;
    b.SetLayout(8, std::nullopt, 3, 1);
    b.SetPalette(TPalette(std::vector<TPaletteEntry>{{1, 2, 3, 0}, {200, 200, 200, 0}}));
    b.ScanLine(0)[0] = 1;
    b.ScanLine(0)[1] = 2;
    b.ScanLine(0)[2] = 255;
    EXPECT_EQ(b.GetPixel(0, 0), RGBColor(200, 200, 200));
    EXPECT_EQ(b.GetPixel(1, 0), clBlack);
    TBitmap c = b;
    c.SetPixelFormat(pf24bit);
    EXPECT_EQ(c.GetPixel(1, 0), clBlack);
    EXPECT_EQ(c.GetPixel(2, 0), clBlack);

    TBitmap none;
    none.SetLayout(4, std::nullopt, 2, 1);
    none.ScanLine(0)[0] = 0x9F;
    EXPECT_EQ(none.GetPixel(0, 0), clRed);
    EXPECT_EQ(none.GetPixel(1, 0), clWhite);
    none.SetLayout(1, std::nullopt, 2, 1);
    none.ScanLine(0)[0] = 0x40;
    EXPECT_EQ(none.GetPixel(1, 0), clWhite);
}

TEST(BitmapFormat, FormatOfAnEmptyBitmapCarriesOverToItsSize)
{
    // The way a rotation builds its result: format, width, height, palette.
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetWidth(3);
    b.SetHeight(2);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.GetPixel(2, 1), clWhite);
    TBitmap d;
    d.SetPixelFormat(pf16bit);
    d.SetSize(2, 2);
    EXPECT_EQ(d.PixelFormat(), pf16bit);
    EXPECT_EQ(d.GetPixel(1, 1), clWhite);
}

} // namespace
} // namespace pictor
