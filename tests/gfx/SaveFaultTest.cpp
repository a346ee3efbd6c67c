// Saving when the disk fails midway: every picture class reports the failure
// and leaves the file it was to replace exactly as it was, with no temporary
// file beside it.
#include "core/Exception.h"
#include "core/FileIO.h"
#include "gfx/Bitmap.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "gfx/Metafile.h"
#include "gfx/Picture.h"
#include "tests/gfx/BitmapTestSupport.h"
#include "tests/gfx/formats/IconTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace pictor;
using namespace pictor::testing;

namespace {

// Fails every atomic write after the given byte count until destroyed.
class TWriteFault {
public:
    explicit TWriteFault(std::uint64_t after) { SetWriteFaultAfterBytes(after); }
    ~TWriteFault() { SetWriteFaultAfterBytes(std::nullopt); }
    TWriteFault(const TWriteFault&) = delete;
    TWriteFault& operator=(const TWriteFault&) = delete;
};

struct TSaveCase {
    const char* Name;  // the file saved to; its extension picks the format
    std::function<std::unique_ptr<TGraphic>()> Make;
};

std::unique_ptr<TGraphic> Photo()
{
    return std::make_unique<TBitmap>(MakeTestPicture(61, 37));
}

std::unique_ptr<TGraphic> Jpeg()
{
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->Assign(MakeTestPicture(61, 37));
    return jpeg;
}

std::unique_ptr<TGraphic> Gif()
{
    auto gif = std::make_unique<TGIFImage>();
    gif->Assign(MakeTestPicture(61, 37));
    gif->SetPixelFormat(pf8bit);
    return gif;
}

std::unique_ptr<TGraphic> Icon()
{
    auto icon = std::make_unique<TIcon>();
    const TBytes bytes = BuildIcon({TIconPart{
        DibIconImage(32, 32, 32, {}, [](int x, int y) { return 0xFF000000u | std::uint32_t(x * 8) << 16 | y * 8; },
                     [](int, int) { return false; }),
        32, 32, 32}});
    icon->LoadFromBytes(bytes);
    return icon;
}

std::unique_ptr<TGraphic> Drawing()
{
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetWidth(80);
    metafile->SetHeight(60);
    {
        TMetafileCanvas canvas(*metafile);
        canvas.Rectangle(3, 4, 70, 50);
        canvas.Ellipse(10, 10, 40, 30);
        canvas.TextOut(5, 5, "画像");
    }
    return metafile;
}

const TSaveCase kCases[] = {
    {"picture.bmp", Photo}, {"picture.jpg", Jpeg},     {"picture.ico", Icon},
    {"picture.emf", Drawing}, {"picture.wmf", Drawing}, {"picture.jpeg", Jpeg},
    {"picture.gif", Gif},
};

} // namespace

TEST(SaveFault, EveryFormatKeepsTheOldFileAndReportsTheFailure)
{
    for (const TSaveCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::unique_ptr<TGraphic> graphic = c.Make();

        // The complete file, to know its length (the extension picks the
        // format, so it is the same).
        const std::string wholeName = std::string("whole-") + c.Name;
        graphic->SaveToFile(dir.File(wholeName));
        const std::string whole = dir.Read(wholeName);
        ASSERT_GT(whole.size(), 2u);
        std::filesystem::remove(dir.File(wholeName));

        dir.Write(c.Name, "the old file");
        for (std::uint64_t after : {std::uint64_t(0), std::uint64_t(1), std::uint64_t(whole.size() / 2),
                                    std::uint64_t(whole.size() - 1)}) {
            {
                TWriteFault fault(after);
                EXPECT_THROW(graphic->SaveToFile(dir.File(c.Name)), EFCreateError) << after;
            }
            EXPECT_EQ(dir.Read(c.Name), "the old file") << after;
            EXPECT_EQ(dir.Entries(), std::vector<std::string>{c.Name}) << after;
        }

        // Exactly enough room: the save goes through.
        {
            TWriteFault fault(whole.size());
            graphic->SaveToFile(dir.File(c.Name));
        }
        EXPECT_EQ(dir.Read(c.Name), whole);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{c.Name});
    }
}

TEST(SaveFault, APictureHolderSavingIntoANewNameLeavesNothingBehind)
{
    TempDir dir;
    TPicture picture;
    picture.SetGraphic(Photo());
    {
        TWriteFault fault(100);
        EXPECT_THROW(picture.SaveToFile(dir.File("new.bmp")), EFCreateError);
    }
    EXPECT_TRUE(dir.Entries().empty());
}
