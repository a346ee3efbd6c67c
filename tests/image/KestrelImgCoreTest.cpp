#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "tests/image/ImageTestSupport.h"

#include <gtest/gtest.h>

using namespace pictor;
using namespace pictor::testing;

namespace {

// Every operation this unit carries out, each with arguments it would
// accept on a 4 x 4 bitmap.
const std::vector<std::pair<std::string, std::function<void(TKestrelImage&)>>>& Operations()
{
    static const std::vector<std::pair<std::string, std::function<void(TKestrelImage&)>>> operations = {
        {"Bright", [](TKestrelImage& i) { i.Bright(120); }},
        {"Contrast", [](TKestrelImage& i) { i.Contrast(120, 127); }},
        {"Gamma", [](TKestrelImage& i) { i.Gamma(2.0L); }},
        {"Reduce", [](TKestrelImage& i) { i.ReduceColors(0); }},
        {"Enlarge", [](TKestrelImage& i) { i.Enlarge(8, 8); }},
        {"Shrink", [](TKestrelImage& i) { i.Shrink(2, 2); }},
        {"Reverse", [](TKestrelImage& i) { i.Reverse(); }},
        {"Turn", [](TKestrelImage& i) { i.Turn(90); }},
        {"Trimming", [](TKestrelImage& i) { i.Trimming(Rect(0, 0, 1, 1), true); }},
    };
    return operations;
}

class TCountingImage : public TKestrelImage {
public:
    int Amends = 0;
    int Amendeds = 0;

protected:
    void DoAmend() override
    {
        ++Amends;
        TKestrelImage::DoAmend();
    }
    void DoAmended() override
    {
        ++Amendeds;
        TKestrelImage::DoAmended();
    }
};

// A bitmap class of the program's own, derived from TBitmap.
class TMyBitmap : public TBitmap {
public:
    std::unique_ptr<TGraphic> Clone() const override
    {
        auto copy = std::make_unique<TMyBitmap>();
        copy->Assign(*this);
        return copy;
    }
};

} // namespace

TEST(KestrelImage, StartsEmptyWithoutKind)
{
    TKestrelImage image;
    EXPECT_EQ(image.Kind(), "");
    EXPECT_EQ(image.GetPictureType(), picNil);
    EXPECT_FALSE(image.OnAmend);
    EXPECT_FALSE(image.OnAmended);
}

TEST(KestrelImage, EveryOperationCompletesOnABitmapWithItsKind)
{
    for (const auto& [kind, run] : Operations()) {
        TKestrelImage image;
        TAmendLog log;
        log.Attach(image);
        SetPicture(image, ColourBitmap(4, 4, std::vector<TColor>(16, 0x102030)));
        run(image);
        EXPECT_EQ(log.Take(), Completed(kind));
        EXPECT_EQ(image.Kind(), kind);
    }
}

TEST(KestrelImage, OperationsOnAnEmptyControlOnlyAnnounceThemselves)
{
    for (const auto& [kind, run] : Operations()) {
        TKestrelImage image;
        TAmendLog log;
        log.Attach(image);
        run(image);
        EXPECT_EQ(log.Take(), AmendOnly(kind));
        EXPECT_EQ(image.Kind(), kind);
        EXPECT_EQ(image.GetPictureType(), picNil);
    }
}

TEST(KestrelImage, OperationsLeaveOtherGraphicsAlone)
{
    for (const auto& [kind, run] : Operations()) {
        TKestrelImage image;
        TAmendLog log;
        log.Attach(image);
        TPlainGraphic plain(4, 4, clRed);
        image.Picture().SetGraphic(&plain);
        const TGraphic* before = image.Picture().Graphic();
        run(image);
        EXPECT_EQ(log.Take(), AmendOnly(kind));
        EXPECT_EQ(image.Picture().Graphic(), before) << kind;
        EXPECT_EQ(image.GetPictureType(), picUnknown);
    }
}

TEST(KestrelImage, WithoutHandlersTheKindStillChanges)
{
    TCountingImage image;
    SetPicture(image, ColourBitmap(2, 2, std::vector<TColor>(4, 0x808080)));
    image.Bright(50);
    EXPECT_EQ(image.Kind(), "Bright");
    image.Turn(45); // refused
    EXPECT_EQ(image.Kind(), "Turn");
    EXPECT_EQ(image.Amends, 2);
    EXPECT_EQ(image.Amendeds, 1);
}

TEST(KestrelImage, HandlersSeeTheControlAndMayReplaceThemselves)
{
    TKestrelImage image;
    TKestrelImage* seen = nullptr;
    std::vector<std::string> kinds;
    image.OnAmend = [&](TKestrelImage& sender, const std::string& kind) {
        seen = &sender;
        kinds.push_back(kind);
        sender.OnAmend = nullptr; // the running handler is released here
    };
    image.Reverse();
    image.Reverse();
    EXPECT_EQ(seen, &image);
    EXPECT_EQ(kinds, std::vector<std::string>{"Reverse"});
}

TEST(KestrelImage, AHandlerStartingAnotherOperationKeepsItsOwnKind)
{
    TKestrelImage image;
    std::vector<std::string> kinds;
    image.OnAmend = [&](TKestrelImage& sender, const std::string& kind) {
        if (kind == "Turn") sender.Reverse();
        kinds.push_back(kind);
    };
    image.Turn(90);
    EXPECT_EQ(kinds, (std::vector<std::string>{"Reverse", "Turn"}));
    EXPECT_EQ(image.Kind(), "Reverse");
}

TEST(PictureType, ClassifiesByClassAndDescendants)
{
    TKestrelImage image;
    EXPECT_EQ(image.GetPictureType(), picNil);
    SetPicture(image, TBitmap());
    EXPECT_EQ(image.GetPictureType(), picBitmap);
    TMyBitmap mine;
    image.Picture().SetGraphic(&mine);
    EXPECT_EQ(image.GetPictureType(), picBitmap);
    TIcon icon;
    image.Picture().SetGraphic(&icon);
    EXPECT_EQ(image.GetPictureType(), picIcon);
    TJPEGImage jpeg;
    image.Picture().SetGraphic(&jpeg);
    EXPECT_EQ(image.GetPictureType(), picUnknown);
}

TEST(PictureType, SettingNilEmptiesAndIconOrUnknownChangeNothing)
{
    TKestrelImage image;
    const TBitmap bitmap = ColourBitmap(2, 1, {clRed, clBlue});
    image.Picture().SetGraphic(&bitmap);
    const TGraphic* held = image.Picture().Graphic();
    image.SetPictureType(picIcon);
    image.SetPictureType(picUnknown);
    image.SetPictureType(picBitmap);
    EXPECT_EQ(image.Picture().Graphic(), held);
    image.SetPictureType(picNil);
    EXPECT_EQ(image.Picture().Graphic(), nullptr);
    EXPECT_EQ(image.GetPictureType(), picNil);
}

TEST(PictureType, BitmapOfAnEmptyPictureIsEmpty)
{
    TKestrelImage image;
    image.SetPictureType(picBitmap);
    ASSERT_EQ(image.GetPictureType(), picBitmap);
    EXPECT_EQ(image.Picture().Graphic()->Width(), 0);
    EXPECT_EQ(image.Picture().Graphic()->Height(), 0);
}

TEST(PictureType, OtherGraphicsAreRenderedAtTheirSize)
{
    TKestrelImage image;
    TPlainGraphic plain(5, 3, clLime);
    image.Picture().SetGraphic(&plain);
    image.SetPictureType(picBitmap);
    ASSERT_EQ(image.GetPictureType(), picBitmap);
    const auto& bitmap = dynamic_cast<const TBitmap&>(*image.Picture().Graphic());
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.GetPixel(0, 0), clLime);
    EXPECT_EQ(bitmap.GetPixel(4, 2), clLime);
}
