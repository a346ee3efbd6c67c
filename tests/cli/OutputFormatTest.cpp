// What each output extension writes, and how JPEG and icon inputs are read:
// the bytes the graphics layer gives for the same picture.
#include "CliTestSupport.h"

#include "gfx/Canvas.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "gfx/PngImage.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/formats/Png.h"
#include "tests/gfx/formats/IconTestSupport.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

std::uint32_t Le(const std::string& bytes, std::size_t at, int size)
{
    const TByteReader in(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return size == 2 ? in.U16(at) : in.U32(at);
}

// The library's result: the file loaded into an image control and op run
// on it.
const TGraphic& LibraryResult(TKestrelImage& image, const std::string& input,
                              const std::function<void(TKestrelImage&)>& op)
{
    image.Picture().LoadFromFile(input);
    op(image);
    return *image.Picture().Graphic();
}

// A 16 by 16 icon, half transparent, half opaque red.
std::string HalfTransparentIcon()
{
    const TBytes image = DibIconImage(
        16, 16, 32, {}, [](int x, int) { return x < 8 ? 0x00000000u : 0xFFFF0000u; },
        [](int, int) { return false; });
    return Bytes(BuildIcon({TIconPart{image, 16, 16, 32}}));
}

TEST_F(CliTest, JpegOutputIsTheBaselineEncodingOfTheResult)
{
    Save(Gradient24(40, 30), "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "--bright", "120", "-o", "out.jpg"}).Status, 0);
    TKestrelImage image;
    TJPEGImage jpeg;
    jpeg.Assign(LibraryResult(image, File("in.bmp"), [](TKestrelImage& i) { i.Bright(120); }));
    EXPECT_EQ(Read("out.jpg"), Bytes(jpeg.SaveToBytes()));
}

TEST_F(CliTest, JpegInputIsItsDecodedBitmap)
{
    TJPEGImage jpeg;
    jpeg.Assign(Gradient24(33, 17));
    Save(jpeg, "in.JPEG");
    ASSERT_EQ(Run({"in.JPEG", "--mirror", "-o", "out.bmp"}).Status, 0);

    TJPEGImage read;
    read.LoadFromFile(File("in.JPEG"));
    TKestrelImage image;
    image.Picture().SetGraphic(&read.Bitmap());
    image.Reverse();
    EXPECT_EQ(Read("out.bmp"), Bytes(dynamic_cast<const TBitmap&>(*image.Picture().Graphic()).SaveToBytes()));
}

TEST_F(CliTest, PaletteBitmapsKeepTheirDepthAndPaletteExactly)
{
    Save(Paletted(13, 7, 37), "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "--turn", "90", "--mirror", "-o", "out.bmp"}).Status, 0);
    const std::string in = Read("in.bmp");
    const std::string out = Read("out.bmp");
    EXPECT_EQ(Le(out, 28, 2), 8u);  // bits per pixel
    EXPECT_EQ(Le(out, 46, 4), 37u); // palette entries
    EXPECT_EQ(out.substr(54, 37 * 4), in.substr(54, 37 * 4));
    EXPECT_EQ(out, LibraryBmp(File("in.bmp"), [](TKestrelImage& i) {
                  i.Turn(90);
                  i.Reverse();
              }));
}

TEST_F(CliTest, PngOutputIsTheResultAndAPngInputStaysABitmapOfItsDepth)
{
    Save(Paletted(13, 7, 37), "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "--turn", "90", "-o", "out.png"}).Status, 0);
    TKestrelImage image;
    TPngImage expected;
    expected.Assign(LibraryResult(image, File("in.bmp"), [](TKestrelImage& i) { i.Turn(90); }));
    EXPECT_EQ(Read("out.png"), Bytes(expected.SaveToBytes()));

    // Read back: 8 bits and the 37 entries; mirrored and written as BMP.
    ASSERT_EQ(Run({"out.png", "--mirror", "-o", "again.bmp"}).Status, 0);
    TBitmap again;
    again.LoadFromFile(File("again.bmp"));
    EXPECT_EQ(again.BitsPerPixel(), 8);
    EXPECT_EQ(again.Palette(), Paletted(1, 1, 37).Palette());
    EXPECT_EQ(Read("again.bmp"), LibraryBmp(File("in.bmp"), [](TKestrelImage& i) {
                  i.Turn(90);
                  i.Reverse();
              }));

    // A reduction to 16 colours is stored at 4 bits.
    Save(Gradient24(40, 30), "photo.bmp");
    ASSERT_EQ(Run({"photo.bmp", "--reduce", "octree", "--colors", "16", "-o", "16.png"}).Status, 0);
    const std::string reduced = Read("16.png");
    EXPECT_EQ(ReadPngInfo(TBytes(reduced.begin(), reduced.end())).BitsPerPixel, 4);
}

TEST_F(CliTest, AnIconIsWrittenAsItselfOrAsItsRenderingOverWhite)
{
    const std::string icon = HalfTransparentIcon();
    Dir().Write("in.ico", icon);

    ASSERT_EQ(Run({"in.ico", "-o", "copy.ico"}).Status, 0);
    EXPECT_EQ(Read("copy.ico"), icon);

    ASSERT_EQ(Run({"in.ico", "-o", "flat.bmp"}).Status, 0);
    TIcon read;
    read.LoadFromFile(File("in.ico"));
    TBitmap white;
    white.SetSize(16, 16);
    white.Canvas().Draw(0, 0, read);
    EXPECT_EQ(Read("flat.bmp"), Bytes(white.SaveToBytes()));
    TBitmap flat;
    flat.LoadFromFile(File("flat.bmp"));
    EXPECT_EQ(flat.GetPixel(2, 2), clWhite);
    EXPECT_EQ(flat.GetPixel(12, 2), clRed);

    // A step that needs a bitmap works on that rendering; the result is no
    // icon any more.
    ASSERT_EQ(Run({"in.ico", "--mirror", "-o", "mirrored.bmp"}).Status, 0);
    TBitmap mirrored;
    mirrored.LoadFromFile(File("mirrored.bmp"));
    EXPECT_EQ(mirrored.GetPixel(2, 2), clRed);
    EXPECT_EQ(mirrored.GetPixel(12, 2), clWhite);
    EXPECT_EQ(Run({"in.ico", "--mirror", "-o", "mirrored.ico"}).Status, 1);
}

TEST_F(CliTest, GifIsReadAsItsFirstFrameAndWrittenFromPalettePicturesOnly)
{
    for (const char* name : {"frames.gif", "mono.gif"})
        std::filesystem::copy_file(std::string(PICTOR_TEST_DATA_DIR) + "/fuzz/gif/" + name, File(name));
    TCliRun run = Run({"frames.gif", "mono.gif", "--info"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "frames.gif\t24\t18\t8\t3\tgif (3 frames)\n"
                       "mono.gif\t13\t7\t8\t2\tbitmap\n");

    // In and out through a step: the first frame, mirrored, as the library
    // gives it.
    ASSERT_EQ(Run({"frames.gif", "--mirror", "--out-dir", "out", "--ext", "GIF"}).Status, 0);
    TKestrelImage image;
    image.Picture().LoadFromFile(File("frames.gif"));
    image.Reverse();
    TGIFImage expected;
    expected.Assign(*image.Picture().Graphic());
    EXPECT_EQ(Read("out/frames.gif"), Bytes(expected.SaveToBytes()));

    // A 24-bit picture must be reduced first; nothing is written for it.
    Save(Gradient24(40, 30), "rgb.bmp");
    run = Run({"rgb.bmp", "-o", "rgb.gif"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "pictor-cli: rgb.bmp: a .gif file holds at most 256 colours and this picture has 24 bits "
                       "per pixel: reduce its colours first (--reduce)\n");
    EXPECT_FALSE(Exists("rgb.gif"));
    ASSERT_EQ(Run({"rgb.bmp", "--reduce", "octree", "-o", "rgb.gif"}).Status, 0);
    TKestrelImage reduced;
    reduced.Picture().LoadFromFile(File("rgb.bmp"));
    reduced.ReduceColors(0);
    expected.Assign(*reduced.Picture().Graphic());
    EXPECT_EQ(Read("rgb.gif"), Bytes(expected.SaveToBytes()));
}

} // namespace
} // namespace pictor::testing
