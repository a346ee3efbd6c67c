// --info: one line per input in input order, whatever the threads do; the
// picture's facts after the steps; nothing written.
#include "CliTestSupport.h"

#include "gfx/JPEGImage.h"
#include "gfx/PngImage.h"
#include "tests/gfx/formats/IconTestSupport.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

TBytes IconFile32(int side)
{
    const TBytes image = DibIconImage(
        side, side, 32, {}, [](int x, int y) { return 0x80000000u | static_cast<std::uint32_t>(x * 16 + y); },
        [](int, int) { return false; });
    return BuildIcon({TIconPart{image, side, side, 32}});
}

TEST_F(CliTest, InfoDescribesEveryKindOfInputInOrder)
{
    Save(Gradient24(40, 30), "rgb.bmp");
    Save(Paletted(7, 5, 5), "small.bmp");
    Save(WithFormat(Gradient24(9, 3), pf1bit), "mono.bmp");
    TJPEGImage jpeg;
    jpeg.Assign(Gradient24(16, 12));
    Save(jpeg, "photo.jpg");
    Dir().Write("app.ico", Bytes(IconFile32(16)));
    Dir().Write("bad.bmp", "BM");
    TPngImage png;
    png.Assign(Paletted(7, 5, 5));
    Save(png, "small.png");

    const std::vector<std::string> before = Dir().Entries();
    for (const char* jobs : {"1", "4"}) {
        const TCliRun run =
            Run({"rgb.bmp", "small.bmp", "bad.bmp", "mono.bmp", "photo.jpg", "app.ico", "small.png", "--info", "-j",
                 jobs});
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, "rgb.bmp\t40\t30\t24\t0\tbitmap\n"
                           "small.bmp\t7\t5\t8\t5\tbitmap\n"
                           "mono.bmp\t9\t3\t1\t2\tbitmap\n"
                           "photo.jpg\t16\t12\t24\t0\tbitmap\n"
                           "app.ico\t16\t16\t32\t0\ticon\n"
                           "small.png\t7\t5\t4\t5\tbitmap\n"); // 5 entries: a 4-bit PNG
        EXPECT_TRUE(run.Err.starts_with("pictor-cli: bad.bmp: ")) << run.Err;
        EXPECT_EQ(Dir().Entries(), before);
    }
}

TEST_F(CliTest, InfoShowsThePictureAfterTheSteps)
{
    Save(Gradient24(40, 30), "rgb.bmp");
    TCliRun run = Run({"rgb.bmp", "--turn", "90", "--reduce", "halftone", "--info"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "rgb.bmp\t30\t40\t8\t256\tbitmap\n");

    // An icon becomes a bitmap for a step that needs one.
    Dir().Write("app.ico", Bytes(IconFile32(8)));
    run = Run({"app.ico", "--mirror", "--info"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "app.ico\t8\t8\t32\t0\tbitmap\n");
}

TEST_F(CliTest, LinesThatCannotBeWrittenAreAFailure)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Save(Gradient24(4, 4), "in.bmp");
    TCliRun run = RunCliIn(Dir().Path(), {"in.bmp", "--info"}, "/dev/full");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "pictor-cli: standard output: cannot write\n");

    run = RunCliIn(Dir().Path(), {"--help"}, "/dev/full");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "pictor-cli: standard output: cannot write\n");
}

} // namespace
} // namespace pictor::testing
