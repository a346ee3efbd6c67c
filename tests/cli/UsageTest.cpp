// Usage errors: status 2, the message and the pointer to --help, and nothing
// processed (no output, no folder made). Then the help and version texts.
#include "CliTestSupport.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

struct UsageCase {
    const char* Name;
    std::vector<std::string> Args;
    std::string Message; // after "pictor-cli: "
};

// What the --colors messages end with: every method that takes the option,
// with the sizes it takes.
const std::string kColorsAllowed =
    " (octree: 2 to 256; mediancut, mediancut-variance, mediancut-diffusion, mediancut-variance-diffusion: "
    "2, 4, 8, 16, 32, 64, 128 or 256)";

std::vector<UsageCase> UsageCases()
{
    // The extensions that can be written come from the format table.
    const std::string written = "; the extensions written are " + TPicture::WritableExtensionList();
    return {
        {"NoInput", {"--bright", "120", "-o", "out.bmp"}, "no INPUT given"},
        {"UnknownOption", {"a.bmp", "--brightness", "120", "-o", "out.bmp"}, "unknown option '--brightness'"},
        {"UnknownShortOption", {"a.bmp", "-x", "-o", "out.bmp"}, "unknown option '-x'"},
        {"MissingValue", {"a.bmp", "-o", "out.bmp", "--turn"}, "--turn needs a value"},
        {"FlagWithValue", {"a.bmp", "--mirror=yes", "-o", "out.bmp"}, "--mirror takes no value"},
        {"NotAnInteger", {"a.bmp", "--bright", "12a", "-o", "out.bmp"}, "--bright: '12a' is not an integer"},
        {"DecimalForInteger", {"a.bmp", "--turn", "90.0", "-o", "out.bmp"}, "--turn: '90.0' is not an integer"},
        {"IntegerOutOfRange", {"a.bmp", "--bright", "3000000000", "-o", "out.bmp"},
         "--bright: '3000000000' is out of range"},
        {"NegativeOutOfRange", {"a.bmp", "--turn", "-2147483649", "-o", "out.bmp"},
         "--turn: '-2147483649' is out of range"},
        {"GammaComma", {"a.bmp", "--gamma", "1,5", "-o", "out.bmp"},
         "--gamma: '1,5' is not a decimal number such as 1.5"},
        {"GammaWord", {"a.bmp", "--gamma", "abc", "-o", "out.bmp"},
         "--gamma: 'abc' is not a decimal number such as 1.5"},
        {"GammaNan", {"a.bmp", "--gamma", "nan", "-o", "out.bmp"},
         "--gamma: 'nan' is not a decimal number such as 1.5"},
        {"GammaInfinity", {"a.bmp", "--gamma", "inf", "-o", "out.bmp"},
         "--gamma: 'inf' is not a decimal number such as 1.5"},
        {"GammaExponent", {"a.bmp", "--gamma", "1e0", "-o", "out.bmp"},
         "--gamma: '1e0' is not a decimal number such as 1.5"},
        {"GammaBare", {"a.bmp", "--gamma", "-.", "-o", "out.bmp"},
         "--gamma: '-.' is not a decimal number such as 1.5"},
        {"ContrastThreeParts", {"a.bmp", "--contrast", "1:2:3", "-o", "out.bmp"},
         "--contrast: '1:2:3' is not N or N:PIVOT"},
        {"SizeWithoutX", {"a.bmp", "--enlarge", "100", "-o", "out.bmp"}, "--enlarge: '100' is not a size WxH"},
        {"SizeZero", {"a.bmp", "--shrink", "0x5", "-o", "out.bmp"},
         "--shrink: '0x5': width and height must be at least 1"},
        {"ScaleZero", {"a.bmp", "--scale", "0", "-o", "out.bmp"}, "--scale: '0': the scale must be at least 1 %"},
        {"TrimThreeParts", {"a.bmp", "--trim", "1,2,3", "-o", "out.bmp"},
         "--trim: '1,2,3' is not a rectangle L,T,R,B"},
        {"UnknownMethod", {"a.bmp", "--reduce", "kmeans", "-o", "out.bmp"},
         "--reduce: unknown method 'kmeans' (octree, mediancut, mediancut-variance, mediancut-diffusion, "
         "mediancut-variance-diffusion, fixed-diffusion, halftone)"},
        {"ColorsWithoutReduce", {"a.bmp", "--colors", "16", "-o", "out.bmp"}, "--colors must follow --reduce METHOD"},
        {"ColorsAfterAnotherStep", {"a.bmp", "--reduce", "octree", "--mirror", "--colors", "16", "-o", "out.bmp"},
         "--colors must follow --reduce METHOD"},
        {"ColorsTwice", {"a.bmp", "--reduce", "octree", "--colors", "16", "--colors=8", "-o", "out.bmp"},
         "--colors given twice for one --reduce"},
        {"ColorsNotAnInteger", {"a.bmp", "--reduce", "octree", "--colors", "16k", "-o", "out.bmp"},
         "--colors: '16k' is not an integer"},
        {"ColorsOctreeOne", {"a.bmp", "--reduce", "octree", "--colors", "1", "-o", "out.bmp"},
         "--colors: '1' is not a colour count octree takes" + kColorsAllowed},
        {"ColorsMedianCutNotPowerOfTwo", {"a.bmp", "--reduce", "mediancut-variance", "--colors", "48", "-o", "out.bmp"},
         "--colors: '48' is not a colour count mediancut-variance takes" + kColorsAllowed},
        {"ColorsMedianCut512", {"a.bmp", "--reduce", "mediancut-diffusion", "--colors", "512", "-o", "out.bmp"},
         "--colors: '512' is not a colour count mediancut-diffusion takes" + kColorsAllowed},
        {"ColorsFixedPalette", {"a.bmp", "--reduce", "fixed-diffusion", "--colors", "256", "-o", "out.bmp"},
         "--colors: fixed-diffusion takes no colour count" + kColorsAllowed},
        {"ColorsHalftone", {"a.bmp", "--reduce", "halftone", "--colors", "16", "-o", "out.bmp"},
         "--colors: halftone takes no colour count" + kColorsAllowed},
        {"HistogramFormat", {"a.bmp", "--histogram", "h.png"}, "--histogram: 'h.png' must end in .bmp or .emf"},
        {"JobsZero", {"a.bmp", "-j0", "-o", "out.bmp"}, "--jobs: '0': at least 1 thread is needed"},
        {"ThreadsZero", {"a.bmp", "--threads", "0", "-o", "out.bmp"}, "--threads: '0': at least 1 thread is needed"},
        {"ThreadsTwice", {"a.bmp", "--threads=2", "--threads", "2", "-o", "out.bmp"}, "--threads given twice"},
        {"OutputTwice", {"a.bmp", "-o", "x.bmp", "--output=y.bmp"}, "--output given twice"},
        {"OutputAndOutDir", {"a.bmp", "-o", "x.bmp", "--out-dir", "d"}, "-o and --out-dir exclude each other"},
        {"OutputForSeveral", {"a.bmp", "b.bmp", "-o", "x.bmp"},
         "-o names the output of a single INPUT; use --out-dir for several"},
        {"ExtWithoutOutDir", {"a.bmp", "--ext", "bmp", "-o", "x.bmp"}, "--ext works with --out-dir only"},
        {"UnknownExt", {"a.bmp", "b.bmp", "--out-dir", "d", "--ext", ".TXT"},
         "--ext: cannot write '.txt' files" + written},
        {"UnknownOutputExtension", {"a.bmp", "-o", "x.txt"}, "-o: 'x.txt': cannot write '.txt' files" + written},
        {"OutputWithoutExtension", {"a.bmp", "-o", "x"}, "-o: 'x': the name has no extension" + written},
        {"InfoAndOutput", {"a.bmp", "--info", "-o", "x.bmp"},
         "--info writes nothing: it excludes -o, --out-dir and --histogram"},
        {"HistogramForSeveral", {"a.bmp", "b.bmp", "--histogram", "h.bmp", "--out-dir", "d"},
         "--histogram works with a single INPUT"},
        {"NothingToWrite", {"a.bmp", "--bright", "120"}, "nothing to write: give -o FILE or --out-dir DIR (or --info)"},
        {"SameOutputTwice", {"a.bmp", "sub/a.jpg", "--out-dir", "d", "--ext", "bmp"},
         "inputs a.bmp and sub/a.jpg would both be written to d/a.bmp"},
        {"SameInputTwice", {"a.bmp", "./a.bmp", "--out-dir", "d"}, "inputs a.bmp and ./a.bmp would both be written "
                                                                    "to d/a.bmp"},
        {"OutputOverAnotherInput", {"a.jpg", "d/a.bmp", "--out-dir", "d", "--ext", "bmp"},
         "the output d/a.bmp of a.jpg would overwrite the input d/a.bmp"},
        {"HistogramOverOutput", {"a.bmp", "--histogram", "x.bmp", "-o", "x.bmp"},
         "'x.bmp' would be written twice for a.bmp"},
        {"HistogramOverInput", {"a.bmp", "--histogram", "a.bmp"},
         "the output a.bmp of a.bmp would overwrite the input a.bmp"},
    };
}

class UsageTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageTest, ExitsWithTwoAndProcessesNothing)
{
    const UsageCase& c = GetParam();
    Save(Gradient24(8, 8), "a.bmp");
    const std::vector<std::string> before = Dir().Entries();

    const TCliRun run = Run(c.Args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, std::string("pictor-cli: ") + c.Message + "\nTry 'pictor-cli --help' for more information.\n");
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(Dir().Entries(), before);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, UsageTest, ::testing::ValuesIn(UsageCases()),
                         [](const ::testing::TestParamInfo<UsageCase>& info) { return info.param.Name; });

TEST_F(CliTest, AnInputMayBeItsOwnOutput)
{
    Save(Gradient24(8, 8), "a.bmp");
    const std::string expected = LibraryBmp(File("a.bmp"), [](TKestrelImage& i) { i.Turn(90); });
    ASSERT_EQ(Run({"a.bmp", "--turn", "90", "-o", "a.bmp"}).Status, 0);
    EXPECT_EQ(Read("a.bmp"), expected);
}

TEST_F(CliTest, HelpMatchesTheReadme)
{
    const TCliRun run = Run({"a.bmp", "--bright", "--help"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    ASSERT_TRUE(run.Out.starts_with("Usage: pictor-cli [OPTIONS] INPUT...\n"));

    // The README quotes the help text between its fences.
    const std::string readme = ReadFileText(std::string(PICTOR_SOURCE_DIR) + "/README.md");
    const std::string fence = "```\n$ pictor-cli --help\n";
    const std::size_t start = readme.find(fence);
    ASSERT_NE(start, std::string::npos) << "README has no help block";
    const std::size_t end = readme.find("```", start + fence.size());
    EXPECT_EQ(readme.substr(start + fence.size(), end - start - fence.size()), run.Out);

    EXPECT_EQ(Run({"-h"}).Out, run.Out);
}

TEST_F(CliTest, VersionNamesTheProgram)
{
    const TCliRun run = Run({"--version"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(run.Out.starts_with("pictor-cli ")) << run.Out;
    EXPECT_EQ(run.Out.back(), '\n');
}

} // namespace
} // namespace pictor::testing
