// Refused steps (status 3) and failures (status 1): the message names the
// input, the step and the reason, and nothing is written.
#include "CliTestSupport.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

struct RefusalCase {
    const char* Name;
    std::vector<std::string> Args;
    const char* Message; // after "pictor-cli: in.bmp: "
    TPixelFormat Input = pf24bit;
};

std::vector<RefusalCase> RefusalCases()
{
    return {
        {"ReduceAt8Bits", {"--reduce", "octree"}, "--reduce: the picture has 8 bits per pixel or fewer", pf8bit},
        {"ReduceAt1Bit", {"--reduce", "fixed-diffusion"}, "--reduce: the picture has 8 bits per pixel or fewer",
         pf1bit},
        {"HalftoneAt8Bits", {"--reduce", "halftone"}, "--reduce: the picture already has 8 bits per pixel", pf8bit},
        {"BrightUnchanged", {"--bright", "100"}, "--bright: 100 % leaves the picture unchanged"},
        {"BrightNegative", {"--bright", "-5"}, "--bright: a negative brightness (-5 %) is not accepted"},
        {"BrightAt4Bits", {"--bright", "120"}, "--bright: the picture has fewer than 8 bits per pixel (4)", pf4bit},
        {"ContrastUnchanged", {"--contrast", "100:3"}, "--contrast: 100 % leaves the picture unchanged"},
        {"ContrastPivot", {"--contrast", "120:256"}, "--contrast: the pivot 256 is outside 0..255"},
        {"ContrastAt1Bit", {"--contrast", "80"}, "--contrast: the picture has fewer than 8 bits per pixel (1)",
         pf1bit},
        {"GammaHigh", {"--gamma", "10.5"}, "--gamma: the gamma 10.5 is outside 0.1..10"},
        {"GammaLow", {"--gamma", "0.09"}, "--gamma: the gamma 0.09 is outside 0.1..10"},
        {"GammaOne", {"--gamma", "1.0"}, "--gamma: a gamma of 1 leaves the picture unchanged"},
        {"EnlargeSmaller", {"--enlarge", "50x29"}, "--enlarge: the target 50x29 is smaller than the picture (40x30)"},
        {"ShrinkLarger", {"--shrink", "41x10"}, "--shrink: the target 41x10 is larger than the picture (40x30)"},
        {"ScaleUnchanged", {"--scale", "100"}, "--scale: a scale of 100 % leaves the picture unchanged"},
        {"ScaleToNothing", {"--scale", "3"}, "--scale: at 3 % the picture (40x30) would be 1x0 pixels"},
        {"TurnFullCircle", {"--turn", "-720"}, "--turn: a turn by a multiple of 360 degrees leaves the picture "
                                               "unchanged"},
        {"TurnOblique", {"--turn", "45"}, "--turn: 45 degrees is not a multiple of 90"},
        {"TrimOutside", {"--trim", "0,0,40,10"}, "--trim: the rectangle 0,0,40,10 reaches outside the picture "
                                                 "(40x30)"},
        {"TrimNegative", {"--trim", "-1,0,5,5"}, "--trim: the rectangle -1,0,5,5 reaches outside the picture "
                                                 "(40x30)"},
        {"TrimReversed", {"--trim", "10,10,5,20"}, "--trim: the rectangle 10,10,5,20 has its right edge left of "
                                                   "its left edge or its bottom above its top"},
        // A refusal after steps that ran still writes nothing.
        {"AfterOtherSteps", {"--turn", "90", "--reduce", "octree", "--reduce", "mediancut"},
         "--reduce: the picture has 8 bits per pixel or fewer"},
    };
}

class RefusalTest : public CliTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ExitsWithThreeAndWritesNothing)
{
    const RefusalCase& c = GetParam();
    Save(WithFormat(Gradient24(40, 30), c.Input), "in.bmp");
    const TCliRun run = Run(Command("in.bmp", c.Args, "out.bmp"));
    EXPECT_EQ(run.Status, 3);
    EXPECT_EQ(run.Err, std::string("pictor-cli: in.bmp: ") + c.Message + "\n");
    EXPECT_FALSE(Exists("out.bmp"));
}

INSTANTIATE_TEST_SUITE_P(Steps, RefusalTest, ::testing::ValuesIn(RefusalCases()),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.Name; });

TEST_F(CliTest, AnExistingOutputSurvivesAFailedInput)
{
    Save(WithFormat(Gradient24(8, 8), pf8bit), "in.bmp");
    Dir().Write("out.bmp", "previous contents");
    EXPECT_EQ(Run({"in.bmp", "--reduce", "octree", "-o", "out.bmp"}).Status, 3);
    EXPECT_EQ(Read("out.bmp"), "previous contents");

    Dir().Write("broken.bmp", "BM not really a bitmap");
    EXPECT_EQ(Run({"broken.bmp", "-o", "out.bmp"}).Status, 1);
    EXPECT_EQ(Read("out.bmp"), "previous contents");
}

TEST_F(CliTest, UnreadableInputsFailWithOne)
{
    TCliRun run = Run({"missing.bmp", "-o", "out.bmp"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Err.starts_with("pictor-cli: missing.bmp: ファイル missing.bmp は開けません")) << run.Err;

    Save(Gradient24(4, 4), "in.bmp");
    std::filesystem::copy_file(File("in.bmp"), File("in.tif"));
    run = Run({"in.tif", "-o", "out.bmp"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "pictor-cli: in.tif: 拡張子 .tif の画像形式は処理できません\n");

    Dir().Write("broken.jpg", "\xff\xd8 cut short");
    run = Run({"broken.jpg", "-o", "out.bmp"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Err.starts_with("pictor-cli: broken.jpg: ")) << run.Err;
    EXPECT_FALSE(Exists("out.bmp"));
}

TEST_F(CliTest, UnwritableOutputsFailWithOne)
{
    Save(Gradient24(4, 4), "in.bmp");
    TCliRun run = Run({"in.bmp", "-o", "no/such/folder/out.bmp"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Err.starts_with("pictor-cli: in.bmp: ファイル no/such/folder/out.bmp を作成できません"))
        << run.Err;

    // An icon file holds an icon picture only.
    run = Run({"in.bmp", "-o", "out.ico"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "pictor-cli: in.bmp: an .ico file can only be written from an icon picture, and this one "
                       "is a bitmap\n");
    EXPECT_FALSE(Exists("out.ico"));
}

TEST_F(CliTest, NoTemporaryFileIsLeftBehind)
{
    Save(Gradient24(40, 30), "in.bmp");
    ASSERT_EQ(Run({"in.bmp", "--bright", "120", "-o", "out.bmp"}).Status, 0);
    EXPECT_EQ(Run({"in.bmp", "--bright", "120", "-o", "out.ico"}).Status, 1);
    EXPECT_EQ(Dir().Entries(), (std::vector<std::string>{"in.bmp", "out.bmp"}));
}

} // namespace
} // namespace pictor::testing
