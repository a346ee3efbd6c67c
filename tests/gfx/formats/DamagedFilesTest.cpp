// Files that once made a reader crash, hang, leak or allocate without bound
// (tests/data/fuzz/<reader>/), and the seeds those readers were tried from.
// Each must load or be refused with our own exception, under every reader
// (the files of one format are also fed to the others), and what loads must
// draw.
#include "core/Exception.h"
#include "core/FileIO.h"
#include "gfx/Bitmap.h"
#include "gfx/Picture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <span>

using namespace pictor;

namespace {

std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(folder)) return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Loads bytes as extension and draws them; false when our own exception
// refused them (a JPEG's scans are read when it is first drawn).
bool LoadAndDraw(const std::string& extension, std::span<const std::uint8_t> bytes)
{
    std::unique_ptr<TGraphic> graphic = TPicture::CreateForExtension(extension);
    try {
        graphic->LoadFromBytes(bytes);
        TBitmap target;
        target.SetPixelFormat(pf24bit);
        target.SetSize(std::clamp(graphic->Width(), 1, 64), std::clamp(graphic->Height(), 1, 64));
        graphic->Draw(target.Canvas(), Rect(0, 0, target.Width(), target.Height()));
        return true;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

TEST(DamagedFiles, EveryReaderLoadsOrRefusesEachFileQuickly)
{
    const std::vector<std::filesystem::path> files = FilesUnder(std::filesystem::path(PICTOR_TEST_DATA_DIR) / "fuzz");
    ASSERT_FALSE(files.empty());
    for (const std::filesystem::path& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<std::uint8_t> bytes = ReadWholeFile(file.string());
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& extension : TPicture::Extensions()) {
            SCOPED_TRACE(extension);
            EXPECT_NO_THROW(LoadAndDraw(extension, bytes));
            // The picture holder's fuzz target puts a byte before the file.
            if (!bytes.empty()) {
                EXPECT_NO_THROW(LoadAndDraw(extension, std::span(bytes).subspan(1)));
            }
        }
        // Generous: a sanitizer build on a busy machine is many times slower
        // than a user's.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    }
}
