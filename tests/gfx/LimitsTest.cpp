// The size limits of the readers: a file that claims more than the limits
// allow is refused from its header, with a message that says so, before the
// picture is allocated; one exactly at the limits is read.
#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/JPEGImage.h"
#include "gfx/Limits.h"
#include "gfx/Metafile.h"
#include "gfx/formats/ByteWriter.h"
#include "gfx/metafile/MetafileData.h"
#include "tests/gfx/formats/BmpFileBuilder.h"
#include "tests/gfx/formats/JpegTestSupport.h"
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include <gtest/gtest.h>

using namespace pictor;
using namespace pictor::testing;

namespace {

std::string RefusalOf(TGraphic& graphic, const std::vector<std::uint8_t>& bytes)
{
    try {
        graphic.LoadFromBytes(bytes);
    } catch (const EInvalidGraphic& e) {
        return e.what();
    }
    return "(read)";
}

// An RLE8 bitmap of width by height whose pixels are all skipped: a file of
// a few bytes that stands for a picture of any size.
std::vector<std::uint8_t> EmptyRle8(std::int32_t width, std::int32_t height)
{
    TBmpFile f;
    f.width = width;
    f.height = height;
    f.bitsPerPixel = 8;
    f.compression = 1;
    f.palette = {0x000000, 0xFFFFFF};
    f.colorsUsed = 2;
    f.pixels = {0, 1}; // end of picture
    return f.Bytes();
}

// A small JPEG whose frame header claims width by height.
std::vector<std::uint8_t> JpegClaiming(int width, int height)
{
    std::vector<std::uint8_t> bytes = MakeJpeg(TJpegFixture{}, GradientRgb);
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            return bytes;
        }
    ADD_FAILURE() << "no frame header";
    return bytes;
}

// An enhanced metafile of 100 by 100 hundredths of a millimetre with count
// records that save the state.
std::vector<std::uint8_t> EmfWithSaves(std::size_t count)
{
    TEmfBuilder b;
    const std::vector<std::uint8_t> save = EmfRecord(U_EMR_SAVEDC, {});
    for (std::size_t i = 0; i < count; ++i) b.AddRaw(save);
    return b.Build(U_RECTL{0, 0, 100, 100});
}

} // namespace

TEST(Limits, BitmapsBeyondTheSideOrPixelLimitAreRefusedFromTheHeader)
{
    const auto side = static_cast<std::int32_t>(kMaxPictureSide);
    for (auto [w, h] : {std::pair{side + 1, 1}, std::pair{1, side + 1}, std::pair{16384, 8193},
                        std::pair{side, side}}) {
        TBitmap bitmap;
        const std::string why = RefusalOf(bitmap, EmptyRle8(w, h));
        EXPECT_NE(why.find(std::to_string(w) + " × " + std::to_string(h)), std::string::npos) << why;
        EXPECT_TRUE(bitmap.Empty());
    }
}

TEST(Limits, ABitmapAtThePixelLimitIsRead)
{
    TBitmap bitmap;
    bitmap.LoadFromBytes(EmptyRle8(16384, 8192));
    EXPECT_EQ(bitmap.Width(), 16384);
    EXPECT_EQ(bitmap.Height(), 8192);
    EXPECT_EQ(bitmap.GetPixel(16383, 0), clBlack); // skipped: index 0
}

TEST(Limits, JpegsBeyondTheLimitsAreRefusedFromTheHeader)
{
    for (auto [w, h] : {std::pair{65500, 2050}, std::pair{16385, 8192}}) {
        TJPEGImage jpeg;
        const std::string why = RefusalOf(jpeg, JpegClaiming(w, h));
        EXPECT_NE(why.find(std::to_string(w) + " × " + std::to_string(h) + " は大きすぎます"), std::string::npos) << why;
        EXPECT_TRUE(jpeg.Empty());
    }
    TJPEGImage atTheLimit;
    atTheLimit.LoadFromBytes(JpegClaiming(16384, 8192));
    EXPECT_EQ(atTheLimit.Width(), 16384);
}

TEST(Limits, MetafilesWithTooManyRecordsAreRefused)
{
    TMetafile metafile;
    EXPECT_NE(RefusalOf(metafile, EmfWithSaves(kMaxMetafileRecords)).find("レコードが多すぎます"), std::string::npos);
    EXPECT_TRUE(metafile.Empty());
    metafile.LoadFromBytes(EmfWithSaves(kMaxMetafileRecords - 1));
    EXPECT_FALSE(metafile.Empty());
}
