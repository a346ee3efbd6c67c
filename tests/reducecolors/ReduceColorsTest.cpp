// TKestrelImage::ReduceColors: guards, modes and events.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "reduce/Reduce.h"
#include "tests/reduce/ReduceTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace pictor;
using namespace pictor::testing;

namespace {

// An image control that records its events.
struct RecordingImage {
    TKestrelImage image;
    std::vector<std::string> events;
    RecordingImage()
    {
        image.OnAmend = [this](TKestrelImage&, const std::string& kind) { events.push_back("amend " + kind); };
        image.OnAmended = [this](TKestrelImage&, const std::string& kind) { events.push_back("amended " + kind); };
    }
    TBitmap* Bitmap() { return dynamic_cast<TBitmap*>(image.Picture().Graphic()); }
};

// A picture of the given depth with photo-like colours.
std::unique_ptr<TBitmap> Picture(int bits, int width = 23, int height = 17)
{
    std::mt19937 random(static_cast<unsigned>(bits));
    const auto colors = ClusteredColors(random, width * height, 5, 30);
    auto bitmap = Bitmap24(width, height, colors);
    if (bits != 24) bitmap->SetPixelFormat(bits == 32 ? pf32bit : bits == 16 ? pf16bit : pf8bit);
    return bitmap;
}

std::unique_ptr<TBitmap> Driver(int mode, const TBitmap& bitmap)
{
    switch (mode) {
    case 0: return OctreeQuantize(bitmap, 256);
    case 1: return MedianCutQuantize(bitmap, 8);
    case 2: return MedianCutByVarianceQuantize(bitmap, 8);
    case 3: return MedianCutDiffusionQuantize(bitmap, 8);
    case 4: return MedianCutByVarianceDiffusionQuantize(bitmap, 8);
    case rmQuality: return QualityQuantize(bitmap, 256);
    case rmQualityDiffusion: return QualityDiffusionQuantize(bitmap, 256);
    default: return StaticColorDiffusionQuantize(bitmap);
    }
}

} // namespace

TEST(ReduceColors, EachModeReplacesThePictureWithItsDriversResult)
{
    for (int bits : {24, 32, 16}) {
        for (int mode = 0; mode < kReduceModeCount; ++mode) {
            SCOPED_TRACE("bits " + std::to_string(bits) + ", mode " + std::to_string(mode));
            RecordingImage r;
            const auto picture = Picture(bits);
            r.image.Picture().SetGraphic(picture.get());

            TBitmap at24(*picture);
            at24.SetPixelFormat(pf24bit);
            const auto expected = Driver(mode, at24);

            r.image.ReduceColors(static_cast<std::uint8_t>(mode));
            EXPECT_EQ(r.events, (std::vector<std::string>{"amend Reduce", "amended Reduce"}));
            EXPECT_EQ(r.image.Kind(), "Reduce");
            EXPECT_EQ(r.image.GetPictureType(), picBitmap);
            ASSERT_NE(r.Bitmap(), nullptr);
            EXPECT_EQ(r.Bitmap()->PixelFormat(), pf8bit);
            EXPECT_EQ(r.Bitmap()->Width(), picture->Width());
            EXPECT_EQ(r.Bitmap()->Height(), picture->Height());
            EXPECT_EQ(r.Bitmap()->Palette(), expected->Palette());
            EXPECT_EQ(Indexes8(*r.Bitmap()), Indexes8(*expected));

            // Once at 8 bits the picture is never reduced again.
            r.events.clear();
            r.image.ReduceColors(static_cast<std::uint8_t>(mode));
            EXPECT_EQ(r.events, std::vector<std::string>{"amend Reduce"});
            EXPECT_EQ(Indexes8(*r.Bitmap()), Indexes8(*expected));
        }
    }
}

TEST(ReduceColors, RefusedCallsAnnounceThemselvesOnly)
{
    {
        RecordingImage r; // no picture
        r.image.ReduceColors(0);
        EXPECT_EQ(r.events, std::vector<std::string>{"amend Reduce"});
        EXPECT_EQ(r.image.Kind(), "Reduce");
        EXPECT_EQ(r.image.GetPictureType(), picNil);
    }
    for (int mode : {8, 9, 255}) {
        RecordingImage r;
        const auto picture = Picture(24);
        r.image.Picture().SetGraphic(picture.get());
        r.image.ReduceColors(static_cast<std::uint8_t>(mode));
        EXPECT_EQ(r.events, std::vector<std::string>{"amend Reduce"});
        EXPECT_EQ(r.Bitmap()->PixelFormat(), pf24bit);
        EXPECT_EQ(Colors24(*r.Bitmap()), Colors24(*picture));
    }
    for (int bits : {1, 4, 8}) {
        for (int mode = 0; mode < kReduceModeCount; ++mode) {
            RecordingImage r;
            auto picture = std::make_unique<TBitmap>();
            picture->SetLayout(bits, std::nullopt, 5, 4);
            r.image.Picture().SetGraphic(picture.get());
            r.image.ReduceColors(static_cast<std::uint8_t>(mode));
            EXPECT_EQ(r.events, std::vector<std::string>{"amend Reduce"});
            EXPECT_EQ(r.Bitmap()->BitsPerPixel(), bits);
        }
    }
}

TEST(ReduceColors, WorksWithoutHandlers)
{
    TKestrelImage image;
    const auto picture = Picture(24, 4, 4);
    image.Picture().SetGraphic(picture.get());
    image.ReduceColors(5);
    EXPECT_EQ(image.Kind(), "Reduce");
    const auto* bitmap = dynamic_cast<const TBitmap*>(image.Picture().Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
    EXPECT_EQ(bitmap->Palette().Count(), 210);
}
