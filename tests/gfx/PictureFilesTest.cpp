// The picture holder's JPEG and icon files: loading by extension in any
// letter case, saving in the held graphic's own format, and a failed read
// that keeps the previous graphic.
#include "gfx/Picture.h"

#include "core/Exception.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "tests/gfx/formats/IconTestSupport.h"
#include "tests/gfx/formats/JpegTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace pictor {
namespace {

using namespace testing;

TBytes SmallIconFile()
{
    return BuildIcon({{DibIconImage(4, 4, 24, {}, [](int, int) { return 0x0000FFu; }, [](int x, int) { return x < 2; }),
                       4, 4, 24}});
}

TEST(JPEGPicture, LoadsByExtensionInAnyCaseAndSavesItsOwnFormat)
{
    testing::TempDir dir;
    const std::vector<std::uint8_t> bytes = MakeJpeg(TJpegFixture{12, 10}, GradientRgb);
    const std::string text = Bytes(bytes);
    for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.JpEg"}) {
        SCOPED_TRACE(name);
        dir.Write(name, text);
        TPicture picture;
        picture.LoadFromFile(dir.File(name));
        ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
        EXPECT_EQ(picture.Width(), 12);
        picture.SaveToFile(dir.File("copy.jpg"));
        EXPECT_EQ(dir.Read("copy.jpg"), text);
    }
    // A broken file leaves the picture as it was.
    dir.Write("broken.jpg", text.substr(0, 30));
    TPicture picture;
    picture.LoadFromFile(dir.File("a.jpg"));
    EXPECT_THROW(picture.LoadFromFile(dir.File("broken.jpg")), EInvalidGraphic);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 12);
}

TEST(IconPicture, LoadsByExtensionInAnyCaseAndKeepsItsGraphicOnBadInput)
{
    TempDir dir;
    const TBytes bytes = SmallIconFile();
    const std::string text = Bytes(bytes);
    for (const char* name : {"a.ico", "b.ICO", "c.Ico"}) {
        SCOPED_TRACE(name);
        dir.Write(name, text);
        TPicture picture;
        picture.LoadFromFile(dir.File(name));
        ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
        picture.SaveToFile(dir.File("copy.ico"));
        EXPECT_EQ(dir.Read("copy.ico"), text);
    }
    TBytes outside = bytes;
    outside[6 + 12] = 0xF0;  // the entry points past the end
    dir.Write("bad.ico", Bytes(outside));
    TPicture picture;
    picture.LoadFromFile(dir.File("a.ico"));
    EXPECT_THROW(picture.LoadFromFile(dir.File("bad.ico")), EInvalidGraphic);
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 4);
}

} // namespace
} // namespace pictor
