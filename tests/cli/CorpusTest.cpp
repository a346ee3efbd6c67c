// Real-world files in batches on two threads: every input is either
// described or converted, or refused with a message; nothing crashes and
// no file is written for an input that failed.
#include "CliTestSupport.h"

#include "core/Text.h"
#include "gfx/Picture.h"
#include "tests/support/Corpus.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace pictor::testing {
namespace {

namespace fs = std::filesystem;

std::size_t CountLines(const std::string& text, const std::string& prefix)
{
    std::istringstream in(text);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) n += line.starts_with(prefix);
    return n;
}

// The readable pictures under the corpus folder, one per file stem, so that
// an --out-dir batch names each output differently: bitmaps, metafiles and
// icons, and files named after the folder (the PNG files beside bitmaps and
// icons are their reference pictures, not inputs).
std::vector<std::string> CorpusPictures(const std::string& folder)
{
    std::vector<std::string> files;
    std::set<std::string> stems;
    for (const fs::path& file : CorpusFiles(folder)) {
        const std::string ext = AsciiLower(TPicture::ExtensionOf(file.string()));
        if (ext != "bmp" && ext != "emf" && ext != "wmf" && ext != "ico" && ext != folder) continue;
        if (stems.insert(file.stem().string()).second) files.push_back(file.string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CorpusTest : public CliTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CorpusTest, EveryFileIsReadOrRefusedWithAMessage)
{
    const std::vector<std::string> files = CorpusPictures(GetParam());
    if (files.empty()) GTEST_SKIP() << "no corpus has " << GetParam() << " files";

    std::vector<std::string> info = files;
    info.insert(info.end(), {"--info", "-j", "2"});
    const TCliRun described = Run(info);
    ASSERT_TRUE(described.Status == 0 || described.Status == 1) << described.Status << described.Err;
    const std::size_t failed = CountLines(described.Err, "pictor-cli: ");
    EXPECT_EQ(CountLines(described.Out, "") + failed, files.size());

    std::vector<std::string> convert = files;
    convert.insert(convert.end(), {"--mirror", "--out-dir", "out", "--ext", "bmp", "-j", "2", "--quiet"});
    const TCliRun converted = Run(convert);
    ASSERT_TRUE(converted.Status == 0 || converted.Status == 1) << converted.Status << converted.Err;
    std::size_t written = 0;
    for (const std::string& file : files) written += Exists("out/" + fs::path(file).stem().string() + ".bmp");
    EXPECT_EQ(written + CountLines(converted.Err, "pictor-cli: "), files.size()) << converted.Err;
}

INSTANTIATE_TEST_SUITE_P(Folders, CorpusTest, ::testing::Values("bmp", "emf", "wmf", "ico", "gif", "png"));

} // namespace
} // namespace pictor::testing
