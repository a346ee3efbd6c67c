// --histogram: the window's histogram picture (Scale 2, Shift 2, automatic
// ceiling) of the picture as the steps before it left it, written as a
// bitmap or a metafile; the picture itself goes on unchanged.
#include "CliTestSupport.h"

#include "gfx/Metafile.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

// The histogram the control draws into target after op.
std::string LibraryHistogram(const std::string& input, TGraphic& target,
                             const std::function<void(TKestrelImage&)>& op)
{
    TKestrelImage image;
    image.Picture().LoadFromFile(input);
    op(image);
    image.DrawHistogram(target, 2, 2, 0);
    return Bytes(target.SaveToBytes());
}

TEST_F(CliTest, HistogramOfThePictureAtThatStep)
{
    Save(Gradient24(40, 30), "in.bmp");
    const TCliRun run = Run({"in.bmp", "--bright", "60", "--histogram", "h.bmp", "--turn", "90", "--histogram",
                             "h.EMF", "-o", "out.bmp"});
    ASSERT_EQ(run.Status, 0) << run.Err;

    TBitmap bitmap;
    EXPECT_EQ(Read("h.bmp"), LibraryHistogram(File("in.bmp"), bitmap, [](TKestrelImage& i) { i.Bright(60); }));
    TMetafile metafile;
    EXPECT_EQ(Read("h.EMF"), LibraryHistogram(File("in.bmp"), metafile, [](TKestrelImage& i) {
                  i.Bright(60);
                  i.Turn(90);
              }));
    // The picture goes on as if the histograms were not there.
    EXPECT_EQ(Read("out.bmp"), LibraryBmp(File("in.bmp"), [](TKestrelImage& i) {
                  i.Bright(60);
                  i.Turn(90);
              }));
    TBitmap written;
    written.LoadFromFile(File("h.bmp"));
    EXPECT_EQ(written.Width(), 572);
    EXPECT_EQ(written.Height(), 350);
}

TEST_F(CliTest, HistogramAloneWritesOnlyTheHistogram)
{
    Save(WithFormat(Gradient24(40, 30), pf8bit), "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "--histogram", "h.bmp"}).Status, 0);
    TBitmap bitmap;
    EXPECT_EQ(Read("h.bmp"), LibraryHistogram(File("in.bmp"), bitmap, [](TKestrelImage&) {}));
    EXPECT_EQ(Dir().Entries(), (std::vector<std::string>{"h.bmp", "in.bmp"}));
}

TEST_F(CliTest, NoHistogramIsWrittenWhenALaterStepFails)
{
    Save(WithFormat(Gradient24(40, 30), pf8bit), "in.bmp");
    const TCliRun run = Run({"in.bmp", "--histogram", "h.bmp", "--reduce", "octree", "-o", "out.bmp"});
    EXPECT_EQ(run.Status, 3);
    EXPECT_EQ(Dir().Entries(), (std::vector<std::string>{"in.bmp"}));
}

TEST_F(CliTest, AnOutputThatCannotBeWrittenTakesTheHistogramsBack)
{
    Save(Gradient24(40, 30), "in.bmp");
    Dir().Write("old.bmp", "previous histogram");
    const TCliRun run =
        Run({"in.bmp", "--histogram", "old.bmp", "--histogram", "new.emf", "-o", "no/such/folder/out.bmp"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Err.starts_with("pictor-cli: in.bmp: ")) << run.Err;
    EXPECT_EQ(Read("old.bmp"), "previous histogram");
    EXPECT_EQ(Dir().Entries(), (std::vector<std::string>{"in.bmp", "old.bmp"}));
}

} // namespace
} // namespace pictor::testing
