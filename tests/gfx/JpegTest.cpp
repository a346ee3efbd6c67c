// TJPEGImage: reading, decoding into 24-bit bitmaps, encoding assigned
// bitmaps, drawing, the picture holder's JPEG files, and bad input.
#include "gfx/JPEGImage.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/formats/Jpeg.h"
#include "tests/gfx/formats/JpegTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

namespace pictor {
namespace {

using testing::GradientRgb;
using testing::MakeJpeg;
using testing::TJpegFixture;

std::vector<std::uint8_t> GradientJpeg(int width, int height, bool progressive = false)
{
    TJpegFixture f;
    f.Width = width;
    f.Height = height;
    f.Progressive = progressive;
    return MakeJpeg(f, GradientRgb);
}

// Largest channel difference between the bitmap and the gradient.
int GradientError(const TBitmap& bitmap)
{
    int worst = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            std::uint8_t rgb[3];
            GradientRgb(x, y, rgb);
            const TColor c = bitmap.GetPixel(x, y);
            worst = std::max({worst, std::abs(GetRValue(c) - rgb[0]), std::abs(GetGValue(c) - rgb[1]),
                              std::abs(GetBValue(c) - rgb[2])});
        }
    return worst;
}

TEST(JPEGImage, ReadsTheHeaderAndDecodesOnDemandTo24Bits)
{
    const std::vector<std::uint8_t> bytes = GradientJpeg(30, 20, true);
    TJPEGImage jpeg;
    EXPECT_TRUE(jpeg.Empty());
    int changes = 0;
    jpeg.OnChange = [&](TGraphic&) { ++changes; };
    jpeg.LoadFromBytes(bytes);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(jpeg.Empty());
    EXPECT_EQ(jpeg.Width(), 30);
    EXPECT_EQ(jpeg.Height(), 20);

    TBitmap bitmap;
    bitmap.Assign(jpeg);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Width(), 30);
    EXPECT_EQ(bitmap.Height(), 20);
    EXPECT_LE(GradientError(bitmap), 3);
    // Saving a file that was read writes its bytes back as they were.
    EXPECT_EQ(jpeg.SaveToBytes(), bytes);
    EXPECT_EQ(jpeg.Clone()->SaveToBytes(), bytes);
}

TEST(JPEGImage, SizeComesFromTheHeaderEvenWhenTheScanIsMissing)
{
    std::vector<std::uint8_t> bytes = GradientJpeg(48, 40);
    std::size_t sos = 2;
    while (!(bytes[sos] == 0xFF && bytes[sos + 1] == 0xDA)) ++sos;
    bytes.resize(sos + 16);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(bytes);
    EXPECT_EQ(jpeg.Width(), 48);
    EXPECT_EQ(jpeg.Height(), 40);
    // Decoding what is there gives a picture of the full size, not a crash.
    EXPECT_EQ(jpeg.Bitmap().Width(), 48);
    EXPECT_EQ(jpeg.Bitmap().PixelFormat(), pf24bit);
}

// A bitmap of the gradient in the given format.
TBitmap GradientBitmap(int width, int height, TPixelFormat format)
{
    TBitmap bitmap;
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t rgb[3];
            GradientRgb(x, y, rgb);
            bitmap.SetPixel(x, y, RGBColor(rgb[0], rgb[1], rgb[2]));
        }
    if (format != pfDevice) bitmap.SetPixelFormat(format);
    return bitmap;
}

TEST(JPEGImage, BitmapToJpegFileToBitmapStaysClose)
{
    testing::TempDir dir;
    for (TPixelFormat format : {pfDevice, pf24bit, pf32bit, pf16bit}) {
        SCOPED_TRACE(format);
        const TBitmap source = GradientBitmap(33, 17, format);
        TJPEGImage jpeg;
        EXPECT_EQ(jpeg.CompressionQuality, 90);
        EXPECT_FALSE(jpeg.ProgressiveEncoding);
        EXPECT_FALSE(jpeg.Grayscale);
        jpeg.Assign(source);
        EXPECT_EQ(jpeg.Width(), 33);
        EXPECT_EQ(jpeg.Height(), 17);
        jpeg.SaveToFile(dir.File("out.jpg"));
        // The saved file is the encoder's default output (baseline, quality
        // 90, colour; see JpegCodecTest) for the 24-bit picture.
        TBitmap picture24 = source;
        picture24.SetPixelFormat(pf24bit);
        std::vector<const std::uint8_t*> rows;
        for (int y = 0; y < 17; ++y) rows.push_back(std::as_const(picture24).ScanLine(y));
        EXPECT_EQ(dir.Read("out.jpg"), testing::Bytes(EncodeJpeg(33, 17, rows, TJpegEncodeOptions{})));

        TJPEGImage read;
        read.LoadFromFile(dir.File("out.jpg"));
        TBitmap back;
        back.Assign(read);
        EXPECT_EQ(back.PixelFormat(), pf24bit);
        // 16 bits loses the low bits of each channel before encoding.
        EXPECT_LE(GradientError(back), format == pf16bit ? 10 : 4);
        // The source bitmap is untouched.
        EXPECT_EQ(source.PixelFormat(), format == pfDevice ? pfDevice : format);
    }
}

TEST(JPEGImage, PaletteBitmapsAreEncodedInColour)
{
    TBitmap bitmap;
    bitmap.SetSize(8, 8);
    bitmap.SetPixel(2, 2, clRed);
    bitmap.SetPixelFormat(pf4bit);
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    TJPEGImage read;
    read.LoadFromBytes(jpeg.SaveToBytes());
    const TColor c = read.Bitmap().GetPixel(2, 2);
    EXPECT_GT(GetRValue(c), 150);
    EXPECT_LT(GetGValue(c), 110);
}

TEST(JPEGImage, EmptyAndUnresizable)
{
    TJPEGImage jpeg;
    EXPECT_THROW(jpeg.SaveToBytes(), EInvalidGraphic);
    TBitmap bitmap;
    bitmap.SetSize(5, 5);
    bitmap.Assign(jpeg);
    EXPECT_TRUE(bitmap.Empty());
    jpeg.LoadFromBytes(GradientJpeg(16, 8));
    EXPECT_THROW(jpeg.SetWidth(20), EInvalidGraphic);
    EXPECT_THROW(jpeg.SetHeight(20), EInvalidGraphic);
    jpeg.SetWidth(16);  // the present size is no change
    EXPECT_EQ(jpeg.Width(), 16);
}

TEST(JPEGImage, BadStreamsRaiseAndKeepThePreviousPicture)
{
    const std::vector<std::uint8_t> good = GradientJpeg(16, 16);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(good);
    int changes = 0;
    jpeg.OnChange = [&](TGraphic&) { ++changes; };
    const std::vector<std::vector<std::uint8_t>> bad = {
        {}, {0xFF, 0xD8}, std::vector<std::uint8_t>(good.begin(), good.begin() + 40), {'G', 'I', 'F', '8', '9', 'a'}};
    for (const auto& bytes : bad) EXPECT_THROW(jpeg.LoadFromBytes(bytes), EInvalidGraphic);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(jpeg.SaveToBytes(), good);
}

} // namespace
} // namespace pictor
