// The JPEG codec on raw rows: decoding of every colour space and of
// progressive files, the encoder's settings, and damaged input.
#include "gfx/formats/Jpeg.h"

#include "core/Exception.h"
#include "tests/gfx/formats/JpegTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>

namespace pictor {
namespace {

using testing::GradientRgb;
using testing::MakeJpeg;
using testing::TJpegFixture;

struct TDecoded {
    TJpegHeader Header;
    TJpegDecodeResult Result;
    std::vector<std::uint8_t> Bgr;  // packed rows
    const std::uint8_t* Pixel(int x, int y) const { return Bgr.data() + (std::size_t(y) * Header.Width + x) * 3; }
};

TDecoded DecodeAll(const std::vector<std::uint8_t>& bytes)
{
    TJpegDecoder decoder(bytes);
    TDecoded d;
    d.Header = decoder.Header();
    d.Bgr.assign(std::size_t(d.Header.Width) * d.Header.Height * 3, 0xEE);
    std::vector<std::uint8_t*> rows;
    for (int y = 0; y < d.Header.Height; ++y) rows.push_back(d.Bgr.data() + std::size_t(y) * d.Header.Width * 3);
    d.Result = decoder.Decode(rows);
    return d;
}

// Largest difference of any sample from the gradient test picture.
int GradientError(const TDecoded& d)
{
    int worst = 0;
    for (int y = 0; y < d.Header.Height; ++y)
        for (int x = 0; x < d.Header.Width; ++x) {
            std::uint8_t rgb[3];
            GradientRgb(x, y, rgb);
            const std::uint8_t* p = d.Pixel(x, y);
            for (int i = 0; i < 3; ++i) worst = std::max(worst, std::abs(int(p[2 - i]) - int(rgb[i])));
        }
    return worst;
}

TEST(JpegDecoder, ColourFilesDecodeToBlueGreenRed)
{
    for (bool fullChroma : {true, false}) {
        TJpegFixture f;
        f.Width = 32;
        f.Height = 24;
        f.FullChroma = fullChroma;
        const TDecoded d = DecodeAll(MakeJpeg(f, GradientRgb));
        EXPECT_EQ(d.Header.Width, 32);
        EXPECT_EQ(d.Header.Height, 24);
        EXPECT_EQ(d.Header.ColorSpace, jcsYCbCr);
        EXPECT_FALSE(d.Header.Progressive);
        EXPECT_EQ(d.Result.RowsDecoded, 24);
        EXPECT_EQ(d.Result.Warnings, 0);
        EXPECT_LE(GradientError(d), fullChroma ? 3 : 8);
    }
}

TEST(JpegDecoder, ProgressiveFilesDecodeLikeSequentialOnes)
{
    TJpegFixture f;
    f.Width = 40;
    f.Height = 30;
    f.Progressive = true;
    const TDecoded d = DecodeAll(MakeJpeg(f, GradientRgb));
    EXPECT_TRUE(d.Header.Progressive);
    EXPECT_EQ(d.Result.RowsDecoded, 30);
    EXPECT_LE(GradientError(d), 3);
}

TEST(JpegDecoder, GreyscaleGivesEqualChannels)
{
    TJpegFixture f;
    f.Input = JCS_GRAYSCALE;
    const TDecoded d = DecodeAll(MakeJpeg(f, [](int x, int y, std::uint8_t* g) { *g = std::uint8_t(x * 16 + y); }));
    EXPECT_EQ(d.Header.ColorSpace, jcsGray);
    EXPECT_EQ(d.Header.Components, 1);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* p = d.Pixel(x, y);
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
            EXPECT_NEAR(p[0], x * 16 + y, 3);
        }
}

// Four blocks of 8 by 8 inks: cyan, magenta, yellow, and half black.
void InkBlocks(int x, int y, std::uint8_t* cmyk)
{
    const int block = (y / 8) * 2 + x / 8;
    cmyk[0] = block == 0 ? 255 : 0;
    cmyk[1] = block == 1 ? 255 : 0;
    cmyk[2] = block == 2 ? 255 : 0;
    cmyk[3] = block == 3 ? 128 : 0;
}

TEST(JpegDecoder, CmykConvertsToRgbWithAndWithoutAdobeInversion)
{
    for (bool adobe : {true, false}) {
        SCOPED_TRACE(adobe ? "Adobe (inverted)" : "plain");
        TJpegFixture f;
        f.Input = JCS_CMYK;
        f.AdobeMarker = adobe;
        const TDecoded d = DecodeAll(MakeJpeg(f, InkBlocks));
        EXPECT_EQ(d.Header.AdobeMarker, adobe);
        EXPECT_EQ(d.Header.Components, 4);
        auto expectRgb = [&](int x, int y, int r, int g, int b) {
            const std::uint8_t* p = d.Pixel(x, y);
            EXPECT_NEAR(p[2], r, 4);
            EXPECT_NEAR(p[1], g, 4);
            EXPECT_NEAR(p[0], b, 4);
        };
        expectRgb(3, 3, 0, 255, 255);     // cyan
        expectRgb(12, 3, 255, 0, 255);    // magenta
        expectRgb(3, 12, 255, 255, 0);    // yellow
        expectRgb(12, 12, 127, 127, 127); // half black
    }
}

TEST(JpegDecoder, YcckDecodesAsCmyk)
{
    // libjpeg turns CMYK input into YCCK when asked to.
    TJpegFixture f;
    f.Input = JCS_CMYK;
    f.Coded = JCS_YCCK;
    const std::vector<std::uint8_t> bytes = MakeJpeg(f, InkBlocks);
    const TDecoded d = DecodeAll(bytes);
    EXPECT_EQ(d.Header.ColorSpace, jcsYCCK);
    EXPECT_NEAR(d.Pixel(3, 3)[2], 0, 6);    // cyan: no red
    EXPECT_NEAR(d.Pixel(3, 3)[0], 255, 6);
    EXPECT_NEAR(d.Pixel(12, 12)[1], 127, 6);
}

// --- the encoder -------------------------------------------------------------

// Zigzag position -> natural (row-major) position of a coefficient.
constexpr int kNaturalOrder[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                   12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                   35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                   58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

struct TMarkers {
    std::vector<int> FrameTypes;                      // SOFn markers seen (0xC0 ...)
    std::vector<std::array<unsigned, 64>> Tables;     // DQT tables by id, natural order
    std::vector<std::pair<int, int>> Sampling;        // per component: h, v
    int Components = 0;
};

// Walks the markers up to the first scan.
TMarkers ReadMarkers(const std::vector<std::uint8_t>& b)
{
    TMarkers m;
    m.Tables.resize(4);
    std::size_t i = 2;
    while (i + 4 <= b.size()) {
        EXPECT_EQ(b[i], 0xFF);
        const int marker = b[i + 1];
        const std::size_t length = (std::size_t(b[i + 2]) << 8) | b[i + 3];
        const std::uint8_t* p = b.data() + i + 4;
        if (marker == 0xDA) break;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            m.FrameTypes.push_back(marker);
            m.Components = p[5];
            for (int c = 0; c < m.Components; ++c) m.Sampling.emplace_back(p[7 + c * 3] >> 4, p[7 + c * 3] & 15);
        }
        if (marker == 0xDB)
            for (const std::uint8_t* q = p; q < p + length - 2; q += 65) {
                EXPECT_EQ(q[0] >> 4, 0) << "8-bit tables";
                for (int k = 0; k < 64; ++k) m.Tables[q[0] & 3][kNaturalOrder[k]] = q[1 + k];
            }
        i += 2 + length;
    }
    return m;
}

std::vector<std::uint8_t> EncodeGradient(int width, int height, const TJpegEncodeOptions& options)
{
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    std::vector<const std::uint8_t*> rows;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t rgb[3];
            GradientRgb(x, y, rgb);
            std::uint8_t* p = pixels.data() + (std::size_t(y) * width + x) * 3;
            p[0] = rgb[2];
            p[1] = rgb[1];
            p[2] = rgb[0];
        }
        rows.push_back(pixels.data() + std::size_t(y) * width * 3);
    }
    return EncodeJpeg(width, height, rows, options);
}

TEST(JpegEncoder, DefaultsAreBaselineQuality90FullChroma)
{
    const std::vector<std::uint8_t> bytes = EncodeGradient(32, 32, TJpegEncodeOptions{});
    const TMarkers m = ReadMarkers(bytes);
    ASSERT_EQ(m.FrameTypes, std::vector<int>{0xC0});  // baseline sequential, one frame
    ASSERT_EQ(m.Components, 3);
    for (const auto& s : m.Sampling) EXPECT_EQ(s, std::make_pair(1, 1));

    // libjpeg's own quality-90 tables.
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    info.in_color_space = JCS_RGB;
    info.input_components = 3;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    for (int t = 0; t < 2; ++t)
        for (int k = 0; k < 64; ++k)
            EXPECT_EQ(m.Tables[t][k], info.quant_tbl_ptrs[t]->quantval[k]) << "table " << t << " coefficient " << k;
    jpeg_destroy_compress(&info);

    const TDecoded d = DecodeAll(bytes);
    EXPECT_LE(GradientError(d), 4);
}

TEST(JpegEncoder, HonoursProgressiveAndGreyscale)
{
    TJpegEncodeOptions options;
    options.Progressive = true;
    EXPECT_EQ(ReadMarkers(EncodeGradient(16, 16, options)).FrameTypes, std::vector<int>{0xC2});
    options = TJpegEncodeOptions{};
    options.Grayscale = true;
    const std::vector<std::uint8_t> grey = EncodeGradient(16, 16, options);
    EXPECT_EQ(ReadMarkers(grey).Components, 1);
    EXPECT_EQ(DecodeAll(grey).Header.ColorSpace, jcsGray);
}

TEST(JpegEncoder, RefusesEmptyAndOversizedPictures)
{
    EXPECT_THROW(EncodeJpeg(0, 0, {}, TJpegEncodeOptions{}), EInvalidGraphic);
    // Beyond the format's 65500 pixels: libjpeg's error becomes ours.
    std::vector<std::uint8_t> row(70000 * 3);
    const std::uint8_t* rows[1] = {row.data()};
    EXPECT_THROW(EncodeJpeg(70000, 1, rows, TJpegEncodeOptions{}), EInvalidGraphic);
}

// --- damaged input -----------------------------------------------------------

TEST(JpegDecoder, RejectsWhatIsNoJpeg)
{
    const std::vector<std::vector<std::uint8_t>> cases = {
        {}, {0xFF}, {0xFF, 0xD8}, {0xFF, 0xD8, 0xFF, 0xD9}, {'B', 'M', 0, 0, 0, 0}, std::vector<std::uint8_t>(100, 0xFF)};
    for (const auto& bytes : cases) EXPECT_THROW(TJpegDecoder{bytes}, EInvalidGraphic);
    try {
        TJpegDecoder{std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xD9}};
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.what()).find("画像フォーマットが不正です: JPEG"), std::string::npos) << e.what();
    }
}

// Sets the frame's size in a JPEG made by MakeJpeg.
void PatchFrameSize(std::vector<std::uint8_t>& bytes, int width, int height)
{
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = std::uint8_t(height >> 8);
            bytes[i + 6] = std::uint8_t(height);
            bytes[i + 7] = std::uint8_t(width >> 8);
            bytes[i + 8] = std::uint8_t(width);
            return;
        }
    FAIL() << "no frame header";
}

TEST(JpegDecoder, RefusesHugeAndEmptyFramesFromTheHeader)
{
    std::vector<std::uint8_t> bytes = MakeJpeg(TJpegFixture{}, GradientRgb);
    PatchFrameSize(bytes, 60000, 60000);  // 3.6 gigapixels: beyond the limits
    EXPECT_THROW(TJpegDecoder{bytes}, EInvalidGraphic);
    PatchFrameSize(bytes, 0, 16);
    EXPECT_THROW(TJpegDecoder{bytes}, EInvalidGraphic);
}

TEST(JpegDecoder, TruncatedScanDataDecodesWhatIsThere)
{
    TJpegFixture f;
    f.Width = 64;
    f.Height = 64;
    const std::vector<std::uint8_t> whole = MakeJpeg(f, GradientRgb);
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + whole.size() * 2 / 3);
    const TDecoded d = DecodeAll(cut);
    EXPECT_EQ(d.Result.RowsDecoded, 64);
    EXPECT_GT(d.Result.Warnings, 0);
    // The top rows came through.
    std::uint8_t rgb[3];
    GradientRgb(5, 2, rgb);
    EXPECT_NEAR(d.Pixel(5, 2)[2], rgb[0], 4);
}

TEST(JpegDecoder, RefusesAFloodOfScans)
{
    TJpegFixture f;
    f.Progressive = true;
    const std::vector<std::uint8_t> whole = MakeJpeg(f, GradientRgb);
    // Repeat the first scan (its SOS segment and entropy-coded data) 1500
    // times: libjpeg would warn about each and go on.
    std::size_t start = 2;
    while (!(whole[start] == 0xFF && whole[start + 1] == 0xDA)) ++start;
    std::size_t end = start + 2;
    while (!(whole[end] == 0xFF && whole[end + 1] != 0x00 && (whole[end + 1] < 0xD0 || whole[end + 1] > 0xD7))) ++end;
    std::vector<std::uint8_t> flood(whole.begin(), whole.begin() + end);
    for (int i = 0; i < 1500; ++i) flood.insert(flood.end(), whole.begin() + start, whole.begin() + end);
    flood.insert(flood.end(), whole.begin() + end, whole.end());
    EXPECT_THROW(DecodeAll(flood), EInvalidGraphic);
    // A handful of repeats is only damage.
    std::vector<std::uint8_t> few(whole.begin(), whole.begin() + end);
    for (int i = 0; i < 5; ++i) few.insert(few.end(), whole.begin() + start, whole.begin() + end);
    few.insert(few.end(), whole.begin() + end, whole.end());
    EXPECT_EQ(DecodeAll(few).Result.RowsDecoded, 16);
}

// Every prefix, and random damage, of a colour and a progressive file: each
// either decodes or raises EInvalidGraphic (the sanitizer build watches for
// anything worse).
TEST(JpegDecoder, SurvivesEveryTruncationAndRandomDamage)
{
    for (bool progressive : {false, true}) {
        TJpegFixture f;
        f.Width = 24;
        f.Height = 20;
        f.Progressive = progressive;
        f.FullChroma = false;
        const std::vector<std::uint8_t> whole = MakeJpeg(f, GradientRgb);
        auto attempt = [](const std::vector<std::uint8_t>& bytes) {
            try {
                const TDecoded d = DecodeAll(bytes);
                EXPECT_GT(d.Result.RowsDecoded, 0);
            } catch (const EInvalidGraphic&) {
            }
        };
        for (std::size_t n = 0; n < whole.size(); ++n)
            attempt(std::vector<std::uint8_t>(whole.begin(), whole.begin() + n));
        std::mt19937 random(progressive ? 7 : 3);
        for (int round = 0; round < 300; ++round) {
            std::vector<std::uint8_t> bytes = whole;
            for (int k = 0; k < 4; ++k) bytes[random() % bytes.size()] = std::uint8_t(random());
            attempt(bytes);
        }
    }
}

} // namespace
} // namespace pictor
