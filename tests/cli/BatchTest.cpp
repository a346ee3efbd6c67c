// Several inputs: --out-dir naming, threads giving the same bytes as one
// thread, progress lines, and a failed input not stopping the others.
#include "CliTestSupport.h"

#include "gfx/JPEGImage.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace pictor::testing {
namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class BatchTest : public CliTest {
protected:
    // Eight inputs of different sizes and kinds.
    std::vector<std::string> MakeInputs()
    {
        std::vector<std::string> names;
        for (int i = 0; i < 6; ++i) {
            const std::string name = "p" + std::to_string(i) + ".bmp";
            Save(Gradient24(30 + 7 * i, 20 + 5 * i), name);
            names.push_back(name);
        }
        TJPEGImage jpeg;
        jpeg.Assign(Gradient24(50, 40));
        Save(jpeg, "photo.JPG");
        names.push_back("photo.JPG");
        Save(WithFormat(Gradient24(33, 21), pf32bit), "deep.bmp");
        names.push_back("deep.bmp");
        return names;
    }
};

TEST_F(BatchTest, ThreadsGiveTheBytesOfOneThread)
{
    const std::vector<std::string> inputs = MakeInputs();
    const std::vector<std::string> steps{"--gamma", "1.4", "--turn", "90", "--shrink", "19x25", "--reduce",
                                         "mediancut-variance-diffusion"};
    std::vector<std::string> one = inputs;
    one.insert(one.end(), steps.begin(), steps.end());
    one.insert(one.end(), {"--out-dir", "one", "--ext", "bmp", "-j", "1"});
    std::vector<std::string> two = inputs;
    two.insert(two.end(), steps.begin(), steps.end());
    two.insert(two.end(), {"--out-dir", "two", "--ext", "BMP", "--jobs=2"});

    const TCliRun runOne = Run(one);
    const TCliRun runTwo = Run(two);
    ASSERT_EQ(runOne.Status, 0) << runOne.Err;
    ASSERT_EQ(runTwo.Status, 0) << runTwo.Err;
    for (const std::string& input : inputs) {
        const std::string stem = input.substr(0, input.find('.'));
        const std::string a = Read("one/" + stem + ".bmp");
        ASSERT_FALSE(a.empty()) << input;
        EXPECT_EQ(a, Read("two/" + stem + ".bmp")) << input;
    }

    // One progress line per input, numbered as they finish.
    const std::vector<std::string> progress = Lines(runTwo.Err);
    ASSERT_EQ(progress.size(), inputs.size());
    std::set<std::string> seen;
    for (std::size_t i = 0; i < progress.size(); ++i) {
        const std::string prefix = "[" + std::to_string(i + 1) + "/8] ";
        ASSERT_TRUE(progress[i].starts_with(prefix)) << progress[i];
        seen.insert(progress[i].substr(prefix.size()));
    }
    EXPECT_TRUE(seen.count("photo.JPG -> two/photo.bmp"));
    EXPECT_TRUE(seen.count("p0.bmp -> two/p0.bmp"));
    EXPECT_EQ(seen.size(), inputs.size());
}

// Threads inside the steps: a picture large enough to be cut into bands of
// rows gives the bytes of one thread through every step that splits.
TEST_F(BatchTest, StepThreadsGiveTheBytesOfOneThread)
{
    Save(Gradient24(701, 403), "big.bmp");
    const std::vector<std::string> steps{"big.bmp",  "--gamma",   "1.4",   "--contrast", "130",
                                         "--enlarge", "1000x610", "--turn", "90",        "--mirror",
                                         "--shrink", "555x901",   "--turn", "180",       "--histogram",
                                         "h.bmp"};
    for (const char* threads : {"1", "3"}) {
        std::vector<std::string> args = steps;
        args.insert(args.end(), {"-o", std::string("out") + threads + ".bmp", "--threads", threads});
        const TCliRun run = Run(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        std::filesystem::rename(File("h.bmp"), File(std::string("h") + threads + ".bmp"));
    }
    EXPECT_FALSE(Read("out1.bmp").empty());
    EXPECT_EQ(Read("out1.bmp"), Read("out3.bmp"));
    EXPECT_EQ(Read("h1.bmp"), Read("h3.bmp"));
}

TEST_F(BatchTest, AFailedInputDoesNotStopTheOthers)
{
    Save(Gradient24(20, 10), "a.bmp");
    Dir().Write("b.bmp", "BM broken");
    Save(WithFormat(Gradient24(20, 10), pf8bit), "c.bmp");
    Save(Gradient24(10, 20), "d.bmp");

    for (const char* jobs : {"1", "3"}) {
        const std::string out = std::string("out") + jobs;
        const TCliRun run = Run({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "--reduce", "octree", "--out-dir", out, "-j",
                                 jobs, "--quiet"});
        // A failure outranks a refusal.
        EXPECT_EQ(run.Status, 1) << jobs;
        EXPECT_TRUE(Exists(out + "/a.bmp"));
        EXPECT_FALSE(Exists(out + "/b.bmp"));
        EXPECT_FALSE(Exists(out + "/c.bmp"));
        EXPECT_TRUE(Exists(out + "/d.bmp"));
        const std::vector<std::string> errors = Lines(run.Err);
        ASSERT_EQ(errors.size(), 2u) << run.Err;
        EXPECT_EQ(std::set<std::string>(errors.begin(), errors.end()).count(
                      "pictor-cli: c.bmp: --reduce: the picture has 8 bits per pixel or fewer"),
                  1u);
    }

    // Refusals alone give 3.
    const TCliRun run = Run({"a.bmp", "c.bmp", "--reduce", "octree", "--out-dir", "refused"});
    EXPECT_EQ(run.Status, 3);
    EXPECT_EQ(Lines(run.Err).size(), 2u) << run.Err; // one progress line, one refusal
}

TEST_F(BatchTest, OutputsKeepTheirInputsExtensionAndTheFolderIsMade)
{
    Save(Gradient24(20, 10), "a.bmp");
    TJPEGImage jpeg;
    jpeg.Assign(Gradient24(20, 10));
    Save(jpeg, "b.jpeg");
    const TCliRun run = Run({"a.bmp", File("b.jpeg"), "--mirror", "--out-dir", "made/here/", "--quiet"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(Exists("made/here/a.bmp"));
    EXPECT_TRUE(Exists("made/here/b.jpeg"));

    // A single input may use --out-dir as well.
    ASSERT_EQ(Run({"a.bmp", "--out-dir", "single", "--ext", ".jpg"}).Status, 0);
    EXPECT_TRUE(Exists("single/a.jpg"));
}

TEST_F(BatchTest, AnOutDirThatIsAFileFailsBeforeAnyInput)
{
    Save(Gradient24(20, 10), "a.bmp");
    Save(Gradient24(20, 10), "b.bmp");
    Dir().Write("taken", "a file");
    const TCliRun run = Run({"a.bmp", "b.bmp", "--mirror", "--out-dir", "taken"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Err.starts_with("pictor-cli: taken: ")) << run.Err;
    EXPECT_EQ(Lines(run.Err).size(), 1u);
}

} // namespace
} // namespace pictor::testing
