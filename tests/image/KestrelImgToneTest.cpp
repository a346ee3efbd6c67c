#include "image/KestrelImg.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "image/ToneTables.h"
#include "tests/image/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace pictor;
using namespace pictor::testing;

namespace {

// A picture of the format with varied colours.
TBitmap Varied(int bits, std::optional<TColorMasks> masks, int width, int height)
{
    std::mt19937 rng(static_cast<unsigned>(bits * 100 + width));
    TBitmap b = LayoutBitmap(bits, masks, width, height, [&](int, int) { return static_cast<std::uint32_t>(rng()); });
    if (bits <= 8) b.SetPalette(DistinctPalette(1 << bits));
    return b;
}

// What a tone operation must give: the picture at 24 bits, every byte
// through the table, then the former format.
TBitmap Expected(const TBitmap& source, const TToneTable& table)
{
    TBitmap b(source);
    const TPixelFormat format = b.PixelFormat();
    b.SetPixelFormat(pf24bit);
    for (int y = 0; y < b.Height(); ++y) MapBytes(table, b.ScanLine(y), static_cast<std::size_t>(b.Width()) * 3);
    b.SetPixelFormat(format);
    return b;
}

} // namespace

TEST(Tone, BrightScalesEachChannelOfEveryRow)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    SetPicture(image, ColourBitmap(2, 2, {RGBColor(200, 100, 50), RGBColor(255, 255, 255),
                                          RGBColor(0, 1, 2), RGBColor(101, 102, 103)}));
    image.Bright(50);
    EXPECT_EQ(log.Take(), Completed("Bright"));
    const TBitmap& b = PictureBitmap(image);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.GetPixel(0, 0), RGBColor(100, 50, 25));
    EXPECT_EQ(b.GetPixel(1, 0), RGBColor(127, 127, 127));
    EXPECT_EQ(b.GetPixel(0, 1), RGBColor(0, 0, 1));
    EXPECT_EQ(b.GetPixel(1, 1), RGBColor(50, 51, 51));
}

TEST(Tone, ContrastAndGammaUseTheirTables)
{
    TKestrelImage image;
    SetPicture(image, ColourBitmap(3, 1, {RGBColor(0, 126, 255), RGBColor(64, 128, 192), RGBColor(127, 127, 127)}));
    image.Contrast(50, 127);
    EXPECT_EQ(PictureBitmap(image).GetPixel(0, 0), RGBColor(64, 127, 191));
    EXPECT_EQ(PictureBitmap(image).GetPixel(2, 0), RGBColor(127, 127, 127)); // grey stays grey
    SetPicture(image, ColourBitmap(3, 1, {RGBColor(0, 64, 128), RGBColor(255, 1, 2), RGBColor(10, 10, 10)}));
    image.Gamma(2.0L);
    EXPECT_EQ(PictureBitmap(image).GetPixel(0, 0), RGBColor(0, 128, 181));
    image.Bright(0);
    EXPECT_EQ(PictureBitmap(image).GetPixel(1, 0), clBlack);
    image.Contrast(0, 127);
    EXPECT_EQ(PictureBitmap(image).GetPixel(1, 0), RGBColor(127, 127, 127));
}

TEST(Tone, RefusedArgumentsOnlyAnnounce)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    const TBitmap original = ColourBitmap(2, 1, {RGBColor(10, 20, 30), RGBColor(40, 50, 60)});
    SetPicture(image, original);
    image.Bright(-1);
    image.Bright(100);
    image.Contrast(-1, 127);
    image.Contrast(100, 50);
    image.Contrast(120, 256);
    image.Contrast(120, -1);
    image.Gamma(0.09L);
    image.Gamma(10.5L);
    image.Gamma(1.0L);
    image.Gamma(std::numeric_limits<long double>::quiet_NaN());
    image.Gamma(std::numeric_limits<long double>::infinity());
    image.Gamma(-std::numeric_limits<long double>::infinity());
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Bright", "Amend Bright", "Amend Contrast", "Amend Contrast",
                                                    "Amend Contrast", "Amend Contrast", "Amend Gamma", "Amend Gamma",
                                                    "Amend Gamma", "Amend Gamma", "Amend Gamma", "Amend Gamma"}));
    EXPECT_EQ(Units(PictureBitmap(image)), Units(original));
    EXPECT_EQ(image.Kind(), "Gamma");
    // The ends of the gamma range are accepted.
    image.Gamma(0.1L);
    image.Gamma(10.0L);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Gamma", "Amended Gamma", "Amend Gamma", "Amended Gamma"}));
}

TEST(Tone, ArgumentGuardsComeBeforeTheStorageSwitch)
{
    TKestrelImage image;
    TBitmap device;
    device.SetSize(2, 2);
    SetPicture(image, device);
    image.Bright(100);
    EXPECT_EQ(PictureBitmap(image).HandleType(), bmDDB);
    image.Bright(120);
    // Switched to the device-independent form first, so it comes back at 32
    // bits per pixel.
    EXPECT_EQ(PictureBitmap(image).PixelFormat(), pf32bit);
}

TEST(Tone, FewerThanEightBitsAreNotAdjusted)
{
    for (int bits : {1, 4}) {
        TKestrelImage image;
        TAmendLog log;
        log.Attach(image);
        const TBitmap original = Varied(bits, std::nullopt, 9, 3);
        SetPicture(image, original);
        image.Bright(50);
        image.Contrast(50, 10);
        image.Gamma(2.0L);
        EXPECT_EQ(log.Take(), (std::vector<std::string>{"Amend Bright", "Amend Contrast", "Amend Gamma"}));
        EXPECT_EQ(Units(PictureBitmap(image)), Units(original)) << bits;
        EXPECT_EQ(PictureBitmap(image).Palette(), original.Palette());
    }
}

namespace {

struct FormatCase {
    int Bits;
    std::optional<TColorMasks> Masks;
    TPixelFormat Format;
};
// The formats the tone operations adjust and set back.
const FormatCase kAdjustedFormats[] = {{8, std::nullopt, pf8bit},
                                       {16, std::nullopt, pf15bit},
                                       {16, TColorMasks{0xF800, 0x07E0, 0x001F}, pf16bit},
                                       {24, std::nullopt, pf24bit},
                                       {32, std::nullopt, pf32bit}};

// Every byte of every row, the padding included.
std::vector<std::uint8_t> RowBytes(const TBitmap& b)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < b.Height(); ++y) bytes.insert(bytes.end(), b.ScanLine(y), b.ScanLine(y) + b.RowStride());
    return bytes;
}

// The histogram picture of what image shows, drawn into a bitmap.
std::vector<std::uint32_t> HistogramUnits(TKestrelImage& image)
{
    TBitmap target;
    image.DrawHistogram(target, 1, 2, 0);
    return Units(target);
}

} // namespace

TEST(Tone, EveryFormatComesBackAdjusted)
{
    const TToneTable table = BrightTable(130);
    for (const FormatCase& c : kAdjustedFormats) {
        TKestrelImage image;
        TAmendLog log;
        log.Attach(image);
        const TBitmap original = Varied(c.Bits, c.Masks, 7, 5);
        ASSERT_EQ(original.PixelFormat(), c.Format);
        SetPicture(image, original);
        image.Bright(130);
        EXPECT_EQ(log.Take(), Completed("Bright"));
        const TBitmap& result = PictureBitmap(image);
        EXPECT_EQ(result.PixelFormat(), c.Format);
        EXPECT_EQ(Units(result), Units(Expected(original, table))) << c.Bits;
        if (c.Bits == 8) {
            EXPECT_EQ(result.Palette(), HalftonePalette());
        }
    }
}

// ToneFrom against the picture assigned and the three operations run one by
// one: the same events, refusals, failures, bytes and histogram, at every
// depth and at every kind of slider position, also when the storage of the
// picture shown before is written over.
TEST(Tone, ToneFromGivesWhatTheThreeOperationsGive)
{
    struct Settings {
        long double Gamma;
        int Contrast, Pivot, Bright;
    };
    const Settings settings[] = {{1.0L, 100, 127, 100},  {1.0L, 100, 127, 120},  {0.5L, 100, 127, 100},
                                 {1.0L, 60, 127, 100},   {2.0L, 130, 127, 70},   {0.316L, 160, 127, 160},
                                 {1.0L, 150, 256, 120},  {0.09L, 140, 127, -1},
                                 {std::numeric_limits<long double>::quiet_NaN(), 40, 0, 0}};
    std::vector<FormatCase> formats(std::begin(kAdjustedFormats), std::end(kAdjustedFormats));
    formats.push_back({4, std::nullopt, pf4bit});
    formats.push_back({32, TColorMasks{0xFF0000, 0xFF00, 0xFF}, pfCustom});
    for (const FormatCase& c : formats) {
        // 7 pixels a row leave padding at 24 bits.
        const TBitmap base = Varied(c.Bits, c.Masks, 7, 5);
        const std::vector<std::uint8_t> baseBytes = RowBytes(base);
        TKestrelImage stepped, fused;
        TAmendLog steppedLog, fusedLog;
        steppedLog.Attach(stepped);
        fusedLog.Attach(fused);
        for (const Settings& s : settings) {
            const std::string at = std::to_string(c.Bits) + " bits, bright " + std::to_string(s.Bright) +
                                   ", contrast " + std::to_string(s.Contrast);
            bool steppedThrew = false, fusedThrew = false;
            try {
                SetPicture(stepped, base);
                stepped.Gamma(s.Gamma);
                stepped.Contrast(s.Contrast, s.Pivot);
                stepped.Bright(s.Bright);
            } catch (const EInvalidGraphic&) {
                steppedThrew = true;
            }
            try {
                fused.ToneFrom(base, s.Gamma, s.Contrast, s.Pivot, s.Bright);
            } catch (const EInvalidGraphic&) {
                fusedThrew = true;
            }
            EXPECT_EQ(fusedThrew, steppedThrew) << at;
            EXPECT_EQ(fusedLog.Take(), steppedLog.Take()) << at;
            const TBitmap& expected = PictureBitmap(stepped);
            const TBitmap& result = PictureBitmap(fused);
            EXPECT_EQ(result.PixelFormat(), expected.PixelFormat()) << at;
            EXPECT_EQ(result.Palette(), expected.Palette()) << at;
            EXPECT_EQ(RowBytes(result), RowBytes(expected)) << at;
            EXPECT_EQ(HistogramUnits(fused), HistogramUnits(stepped)) << at;
            EXPECT_EQ(RowBytes(base), baseBytes) << at;
        }
    }
}

TEST(Tone, CustomFormatEndsAdjustedAtTwentyFourBitsWithAnError)
{
    TKestrelImage image;
    TAmendLog log;
    log.Attach(image);
    const TBitmap original = Varied(16, TColorMasks{0x7C00, 0x03E0, 0x001F}, 4, 3);
    ASSERT_EQ(original.PixelFormat(), pfCustom);
    SetPicture(image, original);
    EXPECT_THROW(image.Bright(50), EInvalidGraphic);
    EXPECT_EQ(log.Take(), AmendOnly("Bright"));
    TBitmap expected(original);
    expected.SetPixelFormat(pf24bit);
    const TToneTable table = BrightTable(50);
    for (int y = 0; y < expected.Height(); ++y) MapBytes(table, expected.ScanLine(y), 12);
    EXPECT_EQ(PictureBitmap(image).PixelFormat(), pf24bit);
    EXPECT_EQ(Units(PictureBitmap(image)), Units(expected));
}

TEST(Tone, TheBitmapThePictureWasAssignedFromStaysUnchanged)
{
    TKestrelImage image;
    const TBitmap base = ColourBitmap(2, 1, {RGBColor(200, 100, 50), RGBColor(1, 2, 3)});
    const std::vector<std::uint32_t> before = Units(base);
    SetPicture(image, base);
    image.Gamma(0.5L);
    image.Bright(150);
    EXPECT_EQ(Units(base), before);
    EXPECT_NE(Units(PictureBitmap(image)), before);
}

TEST(Tone, AnInPlaceChangeAsksForARepaint)
{
    TKestrelImage image;
    SetPicture(image, ColourBitmap(1, 1, {RGBColor(9, 9, 9)}));
    int repaints = 0;
    image.OnRepaint = [&] { ++repaints; };
    image.Bright(200);
    EXPECT_GE(repaints, 1);
}
