// Metafiles the command line records: a bitmap written as .emf or .wmf, and
// a metafile trimmed, both as the image control records them.
#include "CliTestSupport.h"

#include "gfx/Canvas.h"
#include "gfx/Metafile.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

TEST_F(CliTest, ABitmapIsWrittenAsAMetafileHoldingIt)
{
    Save(Gradient24(40, 30), "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "--mirror", "-o", "out.emf"}).Status, 0);
    ASSERT_EQ(Run({"in.bmp", "--mirror", "-o", "out.wmf"}).Status, 0);

    TKestrelImage image;
    image.Picture().LoadFromFile(File("in.bmp"));
    image.Reverse();
    TBitmap mirrored;
    mirrored.Assign(*image.Picture().Graphic());
    image.SetPictureType(picMetafile);
    EXPECT_EQ(Read("out.emf"), Bytes(image.Picture().Graphic()->SaveToBytes()));
    image.Picture().SaveToFile(File("expected.wmf"));
    EXPECT_EQ(Read("out.wmf"), Read("expected.wmf"));

    // Played back, the metafile gives the bitmap's pixels.
    TMetafile metafile;
    metafile.LoadFromFile(File("out.emf"));
    TBitmap played;
    played.SetSize(metafile.Width(), metafile.Height());
    played.Canvas().Draw(0, 0, metafile);
    ASSERT_EQ(played.Width(), 40);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(played.GetPixel(x, y), mirrored.GetPixel(x, y)) << x << "," << y;
}

TEST_F(CliTest, TrimmingAMetafileKeepsAMetafile)
{
    TMetafile drawing;
    drawing.SetWidth(60);
    drawing.SetHeight(40);
    {
        TMetafileCanvas canvas(drawing);
        canvas.Brush.Color = clRed;
        canvas.Rectangle(5, 5, 40, 30);
    }
    Save(drawing, "in.emf");

    TCliRun run = Run({"in.emf", "--trim", "5,5,34,24", "--info"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "in.emf\t30\t20\t0\t0\tmetafile\n");

    ASSERT_EQ(Run({"in.emf", "--trim", "5,5,34,24", "-o", "out.emf"}).Status, 0);
    TKestrelImage image;
    image.Picture().LoadFromFile(File("in.emf"));
    dynamic_cast<TMetafile&>(*image.Picture().Graphic()).SetInch(1);
    image.Trimming(Rect(5, 5, 34, 24), true);
    EXPECT_EQ(Read("out.emf"), Bytes(image.Picture().Graphic()->SaveToBytes()));

    run = Run({"in.emf", "--trim", "5,5,60,24", "-o", "out2.emf"});
    EXPECT_EQ(run.Status, 3);
    EXPECT_EQ(run.Err, "pictor-cli: in.emf: --trim: the rectangle 5,5,60,24 reaches outside the picture (60x40)\n");
}

} // namespace
} // namespace pictor::testing
