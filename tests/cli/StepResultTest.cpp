// Every step of pictor-cli gives byte for byte what the image control's own
// operation gives, alone and in sequence, for pictures of several depths.
#include "CliTestSupport.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

struct StepCase {
    const char* Name;
    std::vector<std::string> Args;
    std::function<void(TKestrelImage&)> Op;
    TPixelFormat Input = pf24bit;
};

void Halftone(TKestrelImage& image)
{
    TBitmap bitmap;
    bitmap.Assign(*image.Picture().Graphic());
    bitmap.SetPixelFormat(pf8bit);
    image.Picture().SetGraphic(&bitmap);
}

std::vector<StepCase> Cases()
{
    return {
        {"Bright", {"--bright", "130"}, [](TKestrelImage& i) { i.Bright(130); }},
        {"BrightZero", {"--bright", "0"}, [](TKestrelImage& i) { i.Bright(0); }},
        {"Contrast", {"--contrast", "60"}, [](TKestrelImage& i) { i.Contrast(60, 127); }},
        {"ContrastPivot", {"--contrast", "150:40"}, [](TKestrelImage& i) { i.Contrast(150, 40); }},
        {"GammaHalf", {"--gamma", "0.5"}, [](TKestrelImage& i) { i.Gamma(0.5L); }},
        {"GammaDecimal", {"--gamma", "2.2"}, [](TKestrelImage& i) { i.Gamma(2.2L); }},
        {"Enlarge", {"--enlarge", "57x41"}, [](TKestrelImage& i) { i.Enlarge(57, 41); }},
        {"Shrink", {"--shrink", "13x29"}, [](TKestrelImage& i) { i.Shrink(13, 29); }},
        {"ScaleUp", {"--scale", "150"}, [](TKestrelImage& i) { i.Enlarge(60, 45); }},
        {"ScaleDown", {"--scale", "35"}, [](TKestrelImage& i) { i.Shrink(14, 10); }},
        {"Turn90", {"--turn", "90"}, [](TKestrelImage& i) { i.Turn(90); }},
        {"TurnMinus90", {"--turn", "-90"}, [](TKestrelImage& i) { i.Turn(270); }},
        {"Turn180", {"--turn", "180"}, [](TKestrelImage& i) { i.Turn(180); }},
        {"Mirror", {"--mirror"}, [](TKestrelImage& i) { i.Reverse(); }},
        {"Trim", {"--trim", "3,4,20,17"}, [](TKestrelImage& i) { i.Trimming(Rect(3, 4, 20, 17), true); }},
        {"TrimWhole", {"--trim", "0,0,39,29"}, [](TKestrelImage& i) { i.Trimming(Rect(0, 0, 39, 29), true); }},
        {"Octree", {"--reduce", "octree"}, [](TKestrelImage& i) { i.ReduceColors(0); }},
        {"MedianCut", {"--reduce", "mediancut"}, [](TKestrelImage& i) { i.ReduceColors(1); }},
        {"MedianCutVariance", {"--reduce", "mediancut-variance"}, [](TKestrelImage& i) { i.ReduceColors(2); }},
        {"MedianCutDiffusion", {"--reduce", "mediancut-diffusion"}, [](TKestrelImage& i) { i.ReduceColors(3); }},
        {"MedianCutVarianceDiffusion",
         {"--reduce", "mediancut-variance-diffusion"},
         [](TKestrelImage& i) { i.ReduceColors(4); }},
        {"FixedDiffusion", {"--reduce", "fixed-diffusion"}, [](TKestrelImage& i) { i.ReduceColors(5); }},
        {"Halftone", {"--reduce", "halftone"}, Halftone},
        {"OctreeColors", {"--reduce", "octree", "--colors", "12"}, [](TKestrelImage& i) { i.ReduceColors(0, 12); }},
        {"MedianCutColors",
         {"--reduce", "mediancut-variance-diffusion", "--colors=2"},
         [](TKestrelImage& i) { i.ReduceColors(4, 2); }},
        {"Sequence",
         {"--turn", "90", "--bright", "120", "--shrink", "20x30", "--reduce", "mediancut-diffusion"},
         [](TKestrelImage& i) {
             i.Turn(90);
             i.Bright(120);
             i.Shrink(20, 30);
             i.ReduceColors(3);
         }},
        // Tone on an 8-bit picture comes back with the halftone palette.
        {"BrightOn8Bit", {"--bright", "120"}, [](TKestrelImage& i) { i.Bright(120); }, pf8bit},
        {"Turn8Bit", {"--turn", "270"}, [](TKestrelImage& i) { i.Turn(270); }, pf8bit},
        {"Mirror1Bit", {"--mirror"}, [](TKestrelImage& i) { i.Reverse(); }, pf1bit},
        {"Turn4Bit", {"--turn", "90"}, [](TKestrelImage& i) { i.Turn(90); }, pf4bit},
        {"ShrinkFrom16Bit", {"--shrink", "30x20"}, [](TKestrelImage& i) { i.Shrink(30, 20); }, pf16bit},
        {"ReduceFrom32Bit", {"--reduce", "octree"}, [](TKestrelImage& i) { i.ReduceColors(0); }, pf32bit},
        {"HalftoneFrom4Bit", {"--reduce", "halftone"}, Halftone, pf4bit},
    };
}

class StepResultTest : public CliTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(StepResultTest, MatchesTheImageControl)
{
    const StepCase& c = GetParam();
    Save(WithFormat(Gradient24(40, 30), c.Input), "in.bmp");
    const TCliRun run = Run(Command("in.bmp", c.Args, "out.bmp"));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(Read("out.bmp"), LibraryBmp(File("in.bmp"), c.Op));
}

INSTANTIATE_TEST_SUITE_P(Steps, StepResultTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<StepCase>& info) { return info.param.Name; });

TEST_F(CliTest, StepsRunInTheOrderGiven)
{
    Save(Gradient24(40, 30), "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "--bright", "140", "--contrast", "70", "-o", "a.bmp"}).Status, 0);
    ASSERT_EQ(Run({"in.bmp", "--contrast", "70", "--bright", "140", "-o", "b.bmp"}).Status, 0);
    EXPECT_NE(Read("a.bmp"), Read("b.bmp"));
    EXPECT_EQ(Read("b.bmp"), LibraryBmp(File("in.bmp"), [](TKestrelImage& i) {
                  i.Contrast(70, 127);
                  i.Bright(140);
              }));
}

TEST_F(CliTest, NoStepsWritesThePictureAsItWasRead)
{
    TBitmap bitmap = Gradient24(17, 9);
    bitmap.SetPixelFormat(pf8bit);
    Save(bitmap, "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "-o", "out.bmp"}).Status, 0);
    EXPECT_EQ(Read("out.bmp"), Read("in.bmp"));
}

} // namespace
} // namespace pictor::testing
