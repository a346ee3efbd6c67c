// Every metafile of the shared corpus loads and plays, or is refused with
// the invalid-graphic error; none crashes, and the record checks never
// print anything. Enhanced ones also go through an old-style file.
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "core/Exception.h"
#include "core/FileIO.h"
#include "gfx/Metafile.h"
#include "tests/support/Corpus.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pictor::testing {
namespace {

// The metafile folders are licensed so that they stay beside the repository.
std::vector<std::string> MetafileCorpus(const std::string& folder)
{
    std::vector<std::string> files;
    for (const std::filesystem::path& file : CorpusFiles(folder)) files.push_back(file.string());
    return files;
}

bool IsMetafileName(const std::string& file)
{
    std::string ext = std::filesystem::path(file).extension().string();
    return ext == ".emf" || ext == ".wmf";
}

bool IsDamaged(const std::string& file)
{
    return file.find("corrupted") != std::string::npos;
}

// Loads every file and plays what loads; files that are whole metafiles must
// load, damaged ones may be refused, anything else must be.
void Exercise(const std::vector<std::string>& files, const std::function<void(TMetafile&)>& play)
{
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        TMetafile m;
        bool loaded = false;
        try {
            m.LoadFromBytes(ReadWholeFile(file));
            loaded = true;
        } catch (const EInvalidGraphic&) {
        }
        if (!IsMetafileName(file)) {
            EXPECT_FALSE(loaded);
        } else if (!IsDamaged(file)) {
            EXPECT_TRUE(loaded);
        }
        if (!loaded) continue;
        EXPECT_GE(m.Width(), 0);
        EXPECT_GE(m.Height(), 0);
        play(m);
        // What loaded saves in its own format and reads back.
        TMetafile back;
        EXPECT_NO_THROW(back.LoadFromBytes(m.SaveToBytes()));
        // An enhanced one also converts to an old-style file of its size,
        // which reads back and plays.
        if (m.Enhanced()) {
            TMetafile old;
            old.Assign(m);
            old.SetInch(1);
            EXPECT_NO_THROW(old.SetEnhanced(false));
            TMetafile again;
            EXPECT_NO_THROW(again.LoadFromBytes(old.SaveToBytes()));
            EXPECT_FALSE(again.Enhanced());
            again.SetInch(1);
            EXPECT_NEAR(again.Width(), old.Width(), 1);
            EXPECT_NEAR(again.Height(), old.Height(), 1);
            play(again);
        }
    }
}

TRect FitInto(const TMetafile& m, int side)
{
    const int w = std::max(1, m.Width()), h = std::max(1, m.Height());
    const int scale = std::max(w, h);
    return Rect(0, 0, std::max(1, w * side / scale), std::max(1, h * side / scale));
}

TEST(MetafileCorpus, EveryFileLoadsAndPlaysOrIsRefused)
{
    const auto emf = MetafileCorpus("emf");
    const auto wmf = MetafileCorpus("wmf");
    if (emf.empty() && wmf.empty()) GTEST_SKIP() << "no corpus at " << PICTOR_CORPUS_DIR;
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    auto play = [](TMetafile& m) {
        TLogCanvas log(200, 200);
        m.Draw(log, FitInto(m, 200));
        EXPECT_EQ(log.Depth, 0);
        EXPECT_FALSE(log.Unbalanced);
        // And into a real bitmap, at a modest size to keep this quick.
        const TRect r = FitInto(m, 160);
        TBitmap bitmap;
        bitmap.SetSize(r.Width(), r.Height());
        bitmap.Canvas().StretchDraw(r, m);
    };
    Exercise(emf, play);
    Exercise(wmf, play);
    const std::string printed = ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "");
}

} // namespace
} // namespace pictor::testing
