// The icon codec: the directory, every kind of image, the choice of the
// shown image, and damaged files; plus the PNG codec the icons use.
#include "gfx/formats/Ico.h"
#include "gfx/formats/Png.h"

#include "core/Exception.h"
#include "tests/gfx/formats/IconTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace pictor {
namespace {

using namespace testing;

std::uint32_t PixelOf(const TBgraImage& image, int x, int y)
{
    const std::uint8_t* p = image.Pixel(x, y);
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

TBgraImage DecodeOnly(const TBytes& file)
{
    const TIcoDirectory directory = ReadIcoDirectory(file);
    EXPECT_EQ(directory.Entries.size(), 1u);
    return DecodeIcoImage(file, directory.Entries.at(0));
}

// The left column masked, a diagonal pattern elsewhere.
bool LeftColumn(int x, int) { return x == 0; }

TEST(IcoCodec, PaletteImagesAtOneFourAndEightBits)
{
    const std::vector<TBgr> palette = {{0, 0, 0},   {255, 255, 255}, {0, 0, 255},   {0, 255, 0},
                                       {255, 0, 0}, {0, 255, 255},   {255, 0, 255}, {255, 255, 0}};
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const int colours = bits == 1 ? 2 : 8;
        auto index = [&](int x, int y) { return std::uint32_t((x + 2 * y) % colours); };
        // 13 pixels wide: rows are padded, and the mask row too.
        const TBytes file = BuildIcon({{DibIconImage(13, 5, bits, std::vector<TBgr>(palette.begin(), palette.begin() + colours),
                                                     index, LeftColumn),
                                        13, 5, bits}});
        const TBgraImage image = DecodeOnly(file);
        ASSERT_EQ(image.Width, 13);
        ASSERT_EQ(image.Height, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                const TBgr& c = palette[index(x, y)];
                const std::uint32_t expected =
                    c[0] | (c[1] << 8) | (c[2] << 16) | (x == 0 ? 0u : 0xFF000000u);
                ASSERT_EQ(PixelOf(image, x, y), expected) << x << "," << y;
            }
    }
}

TEST(IcoCodec, TrueColourImagesAtSixteenAndTwentyFourBits)
{
    auto pixel16 = [](int x, int y) { return x == 1 ? 0x7C00u : y == 1 ? 0x001Fu : 0x0C63u; };
    const TBytes file16 = BuildIcon({{DibIconImage(3, 2, 16, {}, pixel16, LeftColumn), 3, 2, 16}});
    const TBgraImage image16 = DecodeOnly(file16);
    EXPECT_EQ(PixelOf(image16, 1, 0), 0xFFFF0000u);  // 5-5-5 red
    EXPECT_EQ(PixelOf(image16, 2, 1), 0xFF0000FFu);  // blue
    EXPECT_EQ(PixelOf(image16, 2, 0), 0xFF191919u);  // 3 of 31 is 25 of 255, as in a 16-bit BMP
    EXPECT_EQ(PixelOf(image16, 0, 1) >> 24, 0u);      // masked

    const TBytes file24 = BuildIcon({{DibIconImage(5, 3, 24, {}, [](int x, int y) { return 0x00102030u + x * 3 + y; },
                                                   LeftColumn),
                                      5, 3, 24}});
    const TBgraImage image24 = DecodeOnly(file24);
    EXPECT_EQ(PixelOf(image24, 4, 2), 0xFF102030u + 14);
    EXPECT_EQ(PixelOf(image24, 0, 2), 0x00102030u + 2);
}

TEST(IcoCodec, ThirtyTwoBitsUseAlphaAndFallBackToTheMask)
{
    // Alpha present: it decides, the mask is ignored.
    const TBytes withAlpha = BuildIcon(
        {{DibIconImage(4, 4, 32, {}, [](int x, int) { return (std::uint32_t(x * 80) << 24) | 0x00FF8040u; },
                       [](int, int) { return true; }),
          4, 4, 32}});
    const TBgraImage a = DecodeOnly(withAlpha);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelOf(a, x, 2), (std::uint32_t(x * 80) << 24) | 0x00FF8040u);
    // Every alpha byte 0: an old icon, the mask decides.
    const TBytes noAlpha = BuildIcon(
        {{DibIconImage(4, 4, 32, {}, [](int, int) { return 0x00FF8040u; }, LeftColumn), 4, 4, 32}});
    const TBgraImage b = DecodeOnly(noAlpha);
    EXPECT_EQ(PixelOf(b, 0, 3), 0x00FF8040u);
    EXPECT_EQ(PixelOf(b, 1, 3), 0xFFFF8040u);
}

TEST(IcoCodec, MissingMaskRowsAreOpaque)
{
    TBytes image = DibIconImage(8, 4, 24, {}, [](int, int) { return 0x112233u; }, [](int, int) { return true; });
    image.erase(image.end() - 2 * 4, image.end());  // the last two stored mask rows (the top rows) are gone
    const TBgraImage decoded = DecodeOnly(BuildIcon({{image, 8, 4, 24}}));
    EXPECT_EQ(PixelOf(decoded, 3, 0), 0xFF112233u);
    EXPECT_EQ(PixelOf(decoded, 3, 3), 0x00112233u);
}

TEST(IcoCodec, PngImages)
{
    const TBytes file =
        BuildIcon({{PngIconImage(6, 5, [](int x, int y) { return (std::uint32_t(x * 50) << 24) | (y * 40u); }), 6, 5, 32}});
    const TIcoDirectory directory = ReadIcoDirectory(file);
    ASSERT_TRUE(directory.Entries[0].Png);
    EXPECT_EQ(directory.Entries[0].BitsPerPixel, 32);
    const TBgraImage image = DecodeIcoImage(file, directory.Entries[0]);
    EXPECT_EQ(PixelOf(image, 5, 4), (250u << 24) | 160u);

    // An entry size too small for the stream: the stream runs to its end.
    TBytes shortEntry = file;
    shortEntry[6 + 8] = static_cast<std::uint8_t>(shortEntry[6 + 8] - 16);
    const TIcoDirectory d2 = ReadIcoDirectory(shortEntry);
    EXPECT_EQ(DecodeIcoImage(shortEntry, d2.Entries[0]).Pixels, image.Pixels);
}

TEST(IcoCodec, DirectoryChoosesLargestThenDeepestThenFirst)
{
    auto dib = [](int size, int bits) {
        return TIconPart{DibIconImage(size, size, bits, std::vector<TBgr>(bits <= 8 ? (1u << bits) : 0u),
                                      [](int, int) { return 0u; }, [](int, int) { return false; }),
                         size & 0xFF, size & 0xFF, bits};
    };
    TIcoDirectory d = ReadIcoDirectory(BuildIcon({dib(16, 32), dib(32, 4), dib(32, 8), dib(24, 32)}));
    EXPECT_EQ(ChooseIcoImage(d), 2);
    d = ReadIcoDirectory(BuildIcon({dib(32, 8), dib(32, 8)}));
    EXPECT_EQ(ChooseIcoImage(d), 0);
    // A directory size of 0 means 256.
    d = ReadIcoDirectory(BuildIcon({dib(256, 1), dib(48, 32)}));
    EXPECT_EQ(d.Entries[0].DirectoryWidth, 256);
    EXPECT_EQ(d.Entries[0].DirectoryHeight, 256);
    EXPECT_EQ(ChooseIcoImage(d), 0);
    // Cursors share the layout.
    EXPECT_EQ(ReadIcoDirectory(BuildIcon({dib(16, 32)}, 2)).Type, 2);
}

TBytes SmallIcon()
{
    return BuildIcon({{DibIconImage(4, 4, 24, {}, [](int, int) { return 0x808080u; }, LeftColumn), 4, 4, 24}});
}

void ExpectRejected(const TBytes& file, const char* why)
{
    SCOPED_TRACE(why);
    try {
        const TIcoDirectory d = ReadIcoDirectory(file);
        for (const TIcoEntry& e : d.Entries) DecodeIcoImage(file, e);
        ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.what()).find("画像フォーマットが不正です"), std::string::npos);
    }
}

TEST(IcoCodec, RejectsMalformedFiles)
{
    const TBytes good = SmallIcon();
    ExpectRejected({}, "empty");
    ExpectRejected(TBytes(good.begin(), good.begin() + 5), "short header");
    TBytes f = good;
    f[0] = 1;
    ExpectRejected(f, "reserved word");
    f = good;
    f[2] = 3;
    ExpectRejected(f, "type");
    f = good;
    f[4] = 0;
    ExpectRejected(f, "no images");
    f = good;
    f[4] = 0x01;
    f[5] = 0x01;  // 257 entries
    ExpectRejected(f, "too many entries");
    f = good;
    f[4] = 8;
    ExpectRejected(f, "directory cut short");
    f = good;
    f[6 + 12] = 0xF0;
    ExpectRejected(f, "offset outside the file");
    f = good;
    f[6 + 8] = 0xFF;
    f[6 + 9] = 0xFF;
    ExpectRejected(f, "size beyond the file");
    f = good;
    f[6 + 12] = 2;
    ExpectRejected(f, "offset inside the directory");
    ExpectRejected(TBytes(good.begin(), good.end() - 30), "cut inside the image");
    f = good;
    f[22] = 12;
    ExpectRejected(f, "old core header");
    f = good;
    f[22 + 14] = 48;
    ExpectRejected(f, "48 bits per pixel");
    f = good;
    f[22 + 16] = 1;
    ExpectRejected(f, "RLE compression");
    f = good;
    f[22 + 4] = 0x01;
    f[22 + 5] = 0x10;  // 4097 wide
    ExpectRejected(f, "absurd width");
    f = good;
    f[22 + 8] = 0;
    ExpectRejected(f, "zero height");

    TBytes png = PngIconImage(3, 3, [](int, int) { return 0xFF000000u; });
    TBytes broken = png;
    broken[broken.size() - 20] ^= 0x55;  // inside the image data: CRC and zlib break
    ExpectRejected(BuildIcon({{broken, 3, 3, 32}}), "broken PNG stream");
    TBytes huge = png;
    huge[16] = 0x7F;  // IHDR width
    ExpectRejected(BuildIcon({{huge, 3, 3, 32}}), "PNG too large");
    ExpectRejected(BuildIcon({{TBytes(png.begin(), png.begin() + 40), 3, 3, 32}}), "PNG cut short");
}

TEST(IcoCodec, SurvivesRandomDamage)
{
    const TBytes good = BuildIcon({{DibIconImage(9, 7, 8, std::vector<TBgr>(256), [](int x, int) { return x * 3u; }, LeftColumn), 9, 7, 8},
                                   {PngIconImage(5, 5, [](int x, int y) { return 0x80000000u | (x * y); }), 5, 5, 32}});
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        TBytes f = good;
        for (int k = 0; k < 3; ++k) f[random() % f.size()] = std::uint8_t(random());
        try {
            const TIcoDirectory d = ReadIcoDirectory(f);
            for (const TIcoEntry& e : d.Entries) DecodeIcoImage(f, e);
        } catch (const EInvalidGraphic&) {
        }
    }
}

TEST(PngCodec, RoundTripAndLimits)
{
    TBgraImage image(7, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            std::uint8_t* p = image.Pixel(x, y);
            p[0] = std::uint8_t(x * 30);
            p[1] = std::uint8_t(y * 70);
            p[2] = 200;
            p[3] = std::uint8_t(x * 40);
        }
    const TBytes bytes = EncodePng(image);
    EXPECT_TRUE(IsPng(bytes));
    const TPngInfo info = ReadPngInfo(bytes);
    EXPECT_EQ(info.Width, 7);
    EXPECT_EQ(info.Height, 3);
    const TBgraImage back = DecodePng(bytes, 100, 10000);
    EXPECT_EQ(back.Pixels, image.Pixels);
    EXPECT_THROW(DecodePng(bytes, 6, 10000), EInvalidGraphic);
    EXPECT_THROW(DecodePng(bytes, 100, 20), EInvalidGraphic);
    EXPECT_THROW(EncodePng(TBgraImage()), EInvalidGraphic);
}

} // namespace
} // namespace pictor
