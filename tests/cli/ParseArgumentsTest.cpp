// The parser called directly: option forms, values, the step list in order.
#include "cli/Options.h"

#include <gtest/gtest.h>

namespace pictor::cli {
namespace {

TEST(ParseArgumentsTest, StepsKeepTheirOrderAndValues)
{
    const TCliOptions o = ParseArguments({"a.bmp", "--gamma", "0.5", "--contrast=80", "--trim", "-1,2,30,40",
                                          "b.jpg", "--bright", "-20", "--contrast", "150:3", "--mirror", "--scale",
                                          "250", "--enlarge", "640X480", "--shrink=1x2", "--turn", "+90", "--reduce",
                                          "mediancut-variance", "--reduce", "halftone", "--out-dir", "o", "-j3"});
    EXPECT_EQ(o.Inputs, (std::vector<std::string>{"a.bmp", "b.jpg"}));
    EXPECT_EQ(o.OutDir, "o");
    EXPECT_EQ(o.Jobs, 3);
    ASSERT_EQ(o.Steps.size(), 12u);

    EXPECT_EQ(o.Steps[0].Kind, TStepKind::Gamma);
    EXPECT_EQ(o.Steps[0].Gamma, 0.5L);
    EXPECT_EQ(o.Steps[0].Option, "--gamma");
    EXPECT_EQ(o.Steps[1].Kind, TStepKind::Contrast);
    EXPECT_EQ(o.Steps[1].Value, 80);
    EXPECT_EQ(o.Steps[1].Pivot, 127);
    EXPECT_EQ(o.Steps[2].Kind, TStepKind::Trim);
    EXPECT_EQ(o.Steps[2].Area, Rect(-1, 2, 30, 40));
    EXPECT_EQ(o.Steps[3].Kind, TStepKind::Bright);
    EXPECT_EQ(o.Steps[3].Value, -20);
    EXPECT_EQ(o.Steps[4].Value, 150);
    EXPECT_EQ(o.Steps[4].Pivot, 3);
    EXPECT_EQ(o.Steps[5].Kind, TStepKind::Mirror);
    EXPECT_EQ(o.Steps[6].Kind, TStepKind::Scale);
    EXPECT_EQ(o.Steps[6].Value, 250);
    EXPECT_EQ(o.Steps[7].Kind, TStepKind::Enlarge);
    EXPECT_EQ(o.Steps[7].Width, 640);
    EXPECT_EQ(o.Steps[7].Height, 480);
    EXPECT_EQ(o.Steps[8].Kind, TStepKind::Shrink);
    EXPECT_EQ(o.Steps[8].Width, 1);
    EXPECT_EQ(o.Steps[9].Kind, TStepKind::Turn);
    EXPECT_EQ(o.Steps[9].Value, 90);
    EXPECT_EQ(o.Steps[10].Kind, TStepKind::Reduce);
    EXPECT_EQ(o.Steps[10].Mode, 2);
    EXPECT_EQ(o.Steps[11].Kind, TStepKind::Halftone);
}

TEST(ParseArgumentsTest, GammaIsReadAsTheNearestExtendedValue)
{
    // Read in extended precision, not through a double.
    EXPECT_EQ(ParseArguments({"a.bmp", "--gamma", "2.2", "--info"}).Steps[0].Gamma, 2.2L);
    EXPECT_EQ(ParseArguments({"a.bmp", "--gamma", ".5", "--info"}).Steps[0].Gamma, 0.5L);
    EXPECT_EQ(ParseArguments({"a.bmp", "--gamma", "3.", "--info"}).Steps[0].Gamma, 3.0L);
    EXPECT_EQ(ParseArguments({"a.bmp", "--gamma", "-0.25", "--info"}).Steps[0].Gamma, -0.25L);
}

TEST(ParseArgumentsTest, IntegersSpanTheWholeRange)
{
    EXPECT_EQ(ParseArguments({"a.bmp", "--turn", "2147483647", "--info"}).Steps[0].Value, 2147483647);
    EXPECT_EQ(ParseArguments({"a.bmp", "--turn", "-2147483648", "--info"}).Steps[0].Value, -2147483647 - 1);
    EXPECT_THROW(ParseArguments({"a.bmp", "--turn", "2147483648", "--info"}), EUsageError);
    EXPECT_THROW(ParseArguments({"a.bmp", "--turn", "--90", "--info"}), EUsageError);
    EXPECT_THROW(ParseArguments({"a.bmp", "--turn", "", "--info"}), EUsageError);
    EXPECT_THROW(ParseArguments({"a.bmp", "--turn", " 90", "--info"}), EUsageError);
}

TEST(ParseArgumentsTest, DoubleDashEndsTheOptions)
{
    const TCliOptions o = ParseArguments({"--info", "--", "-odd.bmp", "--help"});
    EXPECT_FALSE(o.Help);
    EXPECT_EQ(o.Inputs, (std::vector<std::string>{"-odd.bmp", "--help"}));
}

TEST(ParseArgumentsTest, HelpAndVersionWinOverEverythingElse)
{
    EXPECT_TRUE(ParseArguments({"--no-such-option", "-h"}).Help);
    EXPECT_TRUE(ParseArguments({"--version"}).Version);
    EXPECT_TRUE(ParseArguments({"--help", "--version"}).Help);
}

TEST(ParseArgumentsTest, OutputOptions)
{
    const TCliOptions o = ParseArguments({"a.bmp", "-oout.JPG", "--quiet"});
    EXPECT_EQ(o.Output, "out.JPG");
    EXPECT_TRUE(o.Quiet);
    EXPECT_EQ(ParseArguments({"a.bmp", "--out-dir", "d", "--ext", ".JPEG"}).Extension, "jpeg");
    EXPECT_EQ(ParseArguments({"a.bmp", "--histogram", "h.EMF"}).Steps[0].File, "h.EMF");
}

TEST(ParseArgumentsTest, StepThreadsAreOffWhenInputsRunInParallel)
{
    EXPECT_EQ(StepThreads(ParseArguments({"a.bmp", "-o", "b.bmp"})), 0); // one per core
    EXPECT_EQ(StepThreads(ParseArguments({"a.bmp", "-o", "b.bmp", "-j", "1"})), 0);
    EXPECT_EQ(StepThreads(ParseArguments({"a.bmp", "c.bmp", "--out-dir", "d", "-j2"})), 1);
    EXPECT_EQ(StepThreads(ParseArguments({"a.bmp", "c.bmp", "--out-dir", "d", "-j2", "--threads=3"})), 3);
    EXPECT_EQ(StepThreads(ParseArguments({"a.bmp", "-o", "b.bmp", "--threads", "1"})), 1);
}

} // namespace
} // namespace pictor::cli
