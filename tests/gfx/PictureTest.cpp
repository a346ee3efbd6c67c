// TPicture: holding a copy, change notification, the extension table, loading
// and saving.
#include "tests/gfx/BitmapTestSupport.h"
#include "tests/support/TempDir.h"

#include "core/Exception.h"
#include "core/FileIO.h"
#include "gfx/Bitmap.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "gfx/Picture.h"
#include "gfx/PngImage.h"

#include <gtest/gtest.h>

namespace pictor {
namespace {

using testing::MakeTestPicture;
using testing::SameColours;

class TUncopyable : public TBitmap {
public:
    std::unique_ptr<TGraphic> Clone() const override { throw EInvalidGraphic("copy failed"); }
};

TEST(Picture, HoldsACopyAndReportsChanges)
{
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 0);

    TBitmap source = MakeTestPicture(6, 4);
    picture.SetGraphic(&source);
    EXPECT_EQ(changes, 1);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_NE(picture.Graphic(), &source);
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(picture.Height(), 4);

    // Writing through the held bitmap leaves the source alone and, through
    // the graphic's change event, reports a change of the picture.
    picture.Bitmap().SetPixel(0, 0, clRed);
    EXPECT_EQ(changes, 2);
    EXPECT_NE(source.GetPixel(0, 0), clRed);
    EXPECT_FALSE(source.OnChange);

    TUncopyable bad;
    EXPECT_THROW(picture.SetGraphic(&bad), EInvalidGraphic);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(picture.Width(), 6);

    picture.SetGraphic(static_cast<const TGraphic*>(nullptr));
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(changes, 3);

    TPicture other;
    other.Assign(picture);
    EXPECT_EQ(other.Graphic(), nullptr);
}

TEST(Picture, BitmapReplacesAnyOtherGraphic)
{
    TPicture picture;
    TBitmap& b = picture.Bitmap();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(&picture.Bitmap(), &b);
    picture.SetGraphic(std::make_unique<TJPEGImage>());
    EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    picture.Bitmap();
    EXPECT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
}

TEST(Picture, ExtensionsAndTheFormatTable)
{
    for (const char* e : {"bmp", "BMP", "Bmp"})
        EXPECT_NE(dynamic_cast<TBitmap*>(TPicture::CreateForExtension(e).get()), nullptr) << e;
    for (const char* e : {"jpg", "JPEG", "jpeg"})
        EXPECT_NE(dynamic_cast<TJPEGImage*>(TPicture::CreateForExtension(e).get()), nullptr) << e;
    EXPECT_NE(dynamic_cast<TIcon*>(TPicture::CreateForExtension("ICO").get()), nullptr);
    for (const char* e : {"png", "Png"})
        EXPECT_NE(dynamic_cast<TPngImage*>(TPicture::CreateForExtension(e).get()), nullptr) << e;
    for (const char* e : {"tif", "", "bmpx", "bm"}) EXPECT_EQ(TPicture::CreateForExtension(e), nullptr) << e;
}

TEST(Picture, LoadingKeepsThePreviousGraphicOnEveryFailure)
{
    pictor::testing::TempDir dir;
    TBitmap good = MakeTestPicture(5, 3);
    good.SaveToFile(dir.File("good.BMP"));
    dir.Write("bad.bmp", "BM not really");
    dir.Write("picture.tif", "whatever");

    TPicture picture;
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    picture.LoadFromFile(dir.File("good.BMP"));
    EXPECT_EQ(changes, 1);
    auto* held = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(SameColours(*held, good));

    try {
        picture.LoadFromFile(dir.File("picture.tif"));
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "拡張子 .tif の画像形式は処理できません");
    }
    try {
        picture.LoadFromFile(dir.File("noextension"));
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "拡張子 . の画像形式は処理できません");
    }
    EXPECT_THROW(picture.LoadFromFile(dir.File("bad.bmp")), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir.File("missing.bmp")), EFOpenError);
    EXPECT_EQ(picture.Graphic(), held);
    EXPECT_EQ(changes, 1);
}

TEST(Picture, SavingWritesTheHeldGraphicOrNothing)
{
    pictor::testing::TempDir dir;
    TPicture picture;
    picture.SaveToFile(dir.File("empty.bmp"));
    EXPECT_FALSE(FileExists(dir.File("empty.bmp")));

    TBitmap b = MakeTestPicture(4, 4);
    b.SetPixelFormat(pf8bit);
    picture.SetGraphic(&b);
    picture.SaveToFile(dir.File("out.bmp"));
    TBitmap back;
    back.LoadFromFile(dir.File("out.bmp"));
    EXPECT_EQ(back.PixelFormat(), pf8bit);
    EXPECT_TRUE(SameColours(back, b));
}

} // namespace
} // namespace pictor
