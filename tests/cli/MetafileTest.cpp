// Metafile inputs and outputs: read with units per inch 1, rendered over
// white for bitmap steps and bitmap outputs, written as themselves to .emf
// and .wmf, re-recorded at the new size by --scale.
#include "CliTestSupport.h"

#include "gfx/Canvas.h"
#include "gfx/Metafile.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

// A 60 by 40 metafile: a red rectangle under a blue ellipse, on nothing.
std::unique_ptr<TMetafile> Drawing()
{
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetWidth(60);
    metafile->SetHeight(40);
    TMetafileCanvas canvas(*metafile);
    canvas.Brush.Color = clRed;
    canvas.Rectangle(5, 5, 40, 30);
    canvas.Brush.Color = clBlue;
    canvas.Ellipse(20, 10, 58, 38);
    return metafile;
}

// The control holding the file as the window loads it.
void LoadLikeTheWindow(TKestrelImage& image, const std::string& file)
{
    image.Picture().LoadFromFile(file);
    dynamic_cast<TMetafile&>(*image.Picture().Graphic()).SetInch(1);
}

class MetafileTest : public CliTest {
protected:
    void SetUp() override
    {
        const std::unique_ptr<TMetafile> drawing = Drawing();
        Save(*drawing, "in.emf");
        Save(*drawing, "in.wmf");
    }

    // The window's base picture of the file: its rendering over white.
    std::string Rendering(const std::string& name)
    {
        TKestrelImage image;
        LoadLikeTheWindow(image, File(name));
        const TGraphic& graphic = *image.Picture().Graphic();
        TBitmap bitmap;
        bitmap.SetSize(graphic.Width(), graphic.Height());
        bitmap.Canvas().Draw(0, 0, graphic);
        return Bytes(bitmap.SaveToBytes());
    }
};

TEST_F(MetafileTest, InfoReportsTheMetafile)
{
    const TCliRun run = Run({"in.emf", "in.wmf", "--info"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "in.emf\t60\t40\t0\t0\tmetafile\nin.wmf\t60\t40\t0\t0\tmetafile\n");
}

TEST_F(MetafileTest, ABitmapOutputIsTheRenderingOverWhite)
{
    for (const std::string name : {"in.emf", "in.wmf"}) {
        ASSERT_EQ(Run({name, "-o", "out.bmp"}).Status, 0);
        EXPECT_EQ(Read("out.bmp"), Rendering(name)) << name;
    }
    TBitmap out;
    out.LoadFromFile(File("out.bmp"));
    EXPECT_EQ(out.GetPixel(0, 0), clWhite);
    EXPECT_EQ(out.GetPixel(10, 10), clRed);
}

TEST_F(MetafileTest, AMetafileOutputIsTheMetafileItself)
{
    ASSERT_EQ(Run({"in.emf", "-o", "same.emf"}).Status, 0);
    ASSERT_EQ(Run({"in.wmf", "-o", "same.wmf"}).Status, 0);
    ASSERT_EQ(Run({"in.emf", "-o", "old.WMF"}).Status, 0);
    ASSERT_EQ(Run({"in.wmf", "-o", "kept.emf"}).Status, 0);

    TKestrelImage emf;
    LoadLikeTheWindow(emf, File("in.emf"));
    emf.Picture().SaveToFile(File("expected.emf"));
    emf.Picture().SaveToFile(File("expected.wmf"));
    TKestrelImage wmf;
    LoadLikeTheWindow(wmf, File("in.wmf"));
    wmf.Picture().SaveToFile(File("expected-old.wmf"));
    wmf.Picture().SaveToFile(File("expected-old.emf"));

    EXPECT_EQ(Read("same.emf"), Read("expected.emf"));
    EXPECT_EQ(Read("old.WMF"), Read("expected.wmf"));
    EXPECT_EQ(Read("same.wmf"), Read("expected-old.wmf"));
    // Read from an old-style file, it stays old-style under ".emf".
    EXPECT_EQ(Read("kept.emf"), Read("expected-old.emf"));
}

TEST_F(MetafileTest, BitmapStepsWorkOnTheRendering)
{
    ASSERT_EQ(Run({"in.emf", "--mirror", "--bright", "80", "-o", "out.bmp"}).Status, 0);
    EXPECT_EQ(Read("out.bmp"), LibraryBmp(File("in.emf"), [](TKestrelImage& i) {
                  dynamic_cast<TMetafile&>(*i.Picture().Graphic()).SetInch(1);
                  i.SetPictureType(picBitmap);
                  i.Reverse();
                  i.Bright(80);
              }));
    const TCliRun run = Run({"in.wmf", "--turn", "90", "--info"});
    EXPECT_EQ(run.Out, "in.wmf\t40\t60\t32\t0\tbitmap\n");
}

TEST_F(MetafileTest, ScaleRecordsTheMetafileAgainAtTheNewSize)
{
    TCliRun run = Run({"in.emf", "--scale", "200", "--info"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "in.emf\t120\t80\t0\t0\tmetafile\n");
    run = Run({"in.wmf", "--scale", "50", "--info"});
    EXPECT_EQ(run.Out, "in.wmf\t30\t20\t0\t0\tmetafile\n");

    // Drawn at twice the size, not resampled: the ellipse's edge is as
    // sharp as the original's.
    ASSERT_EQ(Run({"in.emf", "--scale", "200", "-o", "big.bmp"}).Status, 0);
    TBitmap big;
    big.LoadFromFile(File("big.bmp"));
    for (int y = 0; y < big.Height(); ++y)
        for (int x = 0; x < big.Width(); ++x) {
            const TColor c = big.GetPixel(x, y);
            ASSERT_TRUE(c == clWhite || c == clRed || c == clBlue || c == clBlack) << x << "," << y;
        }

    EXPECT_EQ(Run({"in.emf", "--scale", "1", "--info"}).Status, 3);
}

} // namespace
} // namespace pictor::testing
