// pictor-cli on a disk that fills up while it writes: the process may make no
// file larger than a few kilobytes (RLIMIT_FSIZE, inherited by the child), so
// every larger output fails midway. The old file must stay whole, no
// temporary file may be left, and the failure must be reported.
#include "CliTestSupport.h"

#include "tests/gfx/formats/IconTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace pictor::testing {
namespace {

// Files this process and those it starts write may grow to at most bytes;
// a write beyond fails with EFBIG instead of raising SIGXFSZ.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = SIG_DFL;
};

constexpr rlim_t kRoom = 4096;

std::string LargeIcon()
{
    const TBytes image = DibIconImage(
        64, 64, 32, {}, [](int x, int y) { return 0xFF000000u | std::uint32_t(x * 4) << 16 | std::uint32_t(y * 4); },
        [](int, int) { return false; });
    return Bytes(BuildIcon({TIconPart{image, 64, 64, 32}}));
}

TEST_F(CliTest, AFullDiskLeavesEveryOldOutputWholeAndFails)
{
    Save(Gradient24(200, 150), "in.bmp");
    Dir().Write("in.ico", LargeIcon());
    const std::pair<const char*, const char*> cases[] = {
        {"in.bmp", "out.bmp"}, {"in.bmp", "out.jpg"}, {"in.bmp", "out.emf"},
        {"in.bmp", "out.wmf"}, {"in.ico", "out.ico"},
    };
    std::vector<std::string> expected = {"in.bmp", "in.ico"};
    for (const auto& [input, output] : cases) {
        SCOPED_TRACE(output);
        // With room enough the output is larger than the limit below.
        ASSERT_EQ(Run({input, "-o", output}).Status, 0);
        ASSERT_GT(Read(output).size(), kRoom);

        Dir().Write(output, "old");
        TCliRun run;
        {
            TFileSizeLimit limit(kRoom);
            run = Run({input, "-o", output});
        }
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find(output), std::string::npos) << run.Err;
        EXPECT_EQ(Read(output), "old");
        expected.push_back(output);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Dir().Entries(), expected);
    }
}

TEST_F(CliTest, AFullDiskInABatchFailsOnlyTheInputsItCut)
{
    Save(Gradient24(200, 150), "big.bmp");
    Save(Gradient24(8, 8), "small.bmp");
    TCliRun run;
    {
        TFileSizeLimit limit(kRoom);
        run = Run({"big.bmp", "small.bmp", "--mirror", "--out-dir", "out"});
    }
    EXPECT_EQ(run.Status, 1);
    EXPECT_FALSE(Exists("out/big.bmp"));
    EXPECT_TRUE(Exists("out/small.bmp"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(File("out")), {}), 1);
}

} // namespace
} // namespace pictor::testing
