// TKestrelImage::ReduceColors: guards, modes, palette sizes and events.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "image/ReductionModes.h"
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

// The driver of the mode for a palette of colors entries: the octree and the
// quality reductions make at most colors, the median cut divides
// log2(colors) deep.
std::unique_ptr<TBitmap> Driver(int mode, const TBitmap& bitmap, int colors, int depth)
{
    switch (mode) {
    case 0: return OctreeQuantize(bitmap, colors);
    case 1: return MedianCutQuantize(bitmap, depth);
    case 2: return MedianCutByVarianceQuantize(bitmap, depth);
    case 3: return MedianCutDiffusionQuantize(bitmap, depth);
    case 4: return MedianCutByVarianceDiffusionQuantize(bitmap, depth);
    case rmQuality: return QualityQuantize(bitmap, colors);
    case rmQualityDiffusion: return QualityDiffusionQuantize(bitmap, colors);
    default: return StaticColorDiffusionQuantize(bitmap);
    }
}

} // namespace

TEST(ReduceColors, EachModeReplacesThePictureWithItsDriversResult)
{
    // The window's 256 colours (the default) at every depth, and 16 or 32.
    const struct {
        int Bits, Colors, Depth;
    } sizes[] = {{24, 256, 8}, {32, 256, 8}, {16, 256, 8}, {24, 16, 4}, {32, 32, 5}};
    for (auto [bits, colors, depth] : sizes) {
        for (int mode = 0; mode < ReductionModeCount(); ++mode) {
            if (mode == rmStaticColorDiffusion && colors != 256) continue;
            SCOPED_TRACE("bits " + std::to_string(bits) + ", colors " + std::to_string(colors) + ", mode " +
                         std::to_string(mode));
            RecordingImage r;
            const auto picture = Picture(bits);
            r.image.Picture().SetGraphic(picture.get());

            TBitmap at24(*picture);
            at24.SetPixelFormat(pf24bit);
            const auto expected = Driver(mode, at24, colors, depth);

            if (colors == 256)
                r.image.ReduceColors(static_cast<std::uint8_t>(mode));
            else
                r.image.ReduceColors(static_cast<std::uint8_t>(mode), colors);
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
            r.image.ReduceColors(static_cast<std::uint8_t>(mode), colors);
            EXPECT_EQ(r.events, std::vector<std::string>{"amend Reduce"});
            EXPECT_EQ(Indexes8(*r.Bitmap()), Indexes8(*expected));
        }
    }
}

// Pictures of a few flat colours, reduced to as many colours or more: every
// method that takes the size keeps each colour exactly. Worked by hand: the
// octree has one leaf per colour and no merging; the median cut halves on
// green (weight 1.4 beats red's 1.2 over the same range) at 127, then on red
// at 127, so each colour ends in a box of its own; with every cell taking
// part (the diffusion modes) the boxes of empty cells add entries of their
// own beyond the colours when Colors is larger, and the diffusion has no
// error to spread.
TEST(ReduceColors, FewFlatColoursKeepTheirColoursAtAnySize)
{
    const TPackedColor black = 0x000000, red = 0xFF0000, green = 0x00FF00, yellow = 0xFFFF00;
    struct Case {
        std::vector<TPackedColor> Colours; // 4 by 2 pixels
        int Distinct;
        int Colors;
    } cases[] = {
        {{black, red, green, yellow, yellow, green, red, black}, 4, 4},
        {{black, red, green, yellow, yellow, green, red, black}, 4, 16},
        {{black, green, green, black, green, black, black, green}, 2, 2},
        {{black, green, green, black, green, black, black, green}, 2, 256},
    };
    for (const Case& c : cases) {
        for (int mode = 0; mode < 5; ++mode) {
            SCOPED_TRACE("colors " + std::to_string(c.Colors) + ", mode " + std::to_string(mode));
            RecordingImage r;
            const auto picture = Bitmap24(4, 2, c.Colours);
            r.image.Picture().SetGraphic(picture.get());
            r.image.ReduceColors(static_cast<std::uint8_t>(mode), c.Colors);
            EXPECT_EQ(r.events, (std::vector<std::string>{"amend Reduce", "amended Reduce"}));
            ASSERT_EQ(r.Bitmap()->PixelFormat(), pf8bit);
            const TPalette palette = r.Bitmap()->Palette();
            if (mode <= 2 || c.Colors == c.Distinct)
                EXPECT_EQ(palette.Count(), c.Distinct);
            else
                EXPECT_LE(palette.Count(), c.Colors);
            const std::vector<int> indexes = Indexes8(*r.Bitmap());
            for (std::size_t i = 0; i < indexes.size(); ++i) {
                const TPaletteEntry& e = palette[indexes[i]];
                EXPECT_EQ(PackColor(e.peRed, e.peGreen, e.peBlue), c.Colours[i]) << "pixel " << i;
            }
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
    // Modes out of range, and sizes the mode does not take: the octree 2 to
    // 256, the median cut powers of two up to 256, the fixed palette 256, the
    // quality reductions 2 to 256.
    const int modes = ReductionModeCount();
    const std::pair<int, int> refused[] = {{modes, 256}, {modes + 1, 16}, {255, 256}, {0, 1}, {0, 257}, {0, -2},
                                           {1, 3},       {2, 1},          {3, 512},   {4, 0}, {4, 96},  {5, 16},
                                           {6, 1},       {7, 257}};
    for (auto [mode, colors] : refused) {
        SCOPED_TRACE("mode " + std::to_string(mode) + ", colors " + std::to_string(colors));
        RecordingImage r;
        const auto picture = Picture(24);
        r.image.Picture().SetGraphic(picture.get());
        r.image.ReduceColors(static_cast<std::uint8_t>(mode), colors);
        EXPECT_EQ(r.events, std::vector<std::string>{"amend Reduce"});
        EXPECT_EQ(r.Bitmap()->PixelFormat(), pf24bit);
        EXPECT_EQ(Colors24(*r.Bitmap()), Colors24(*picture));
    }
    for (int bits : {1, 4, 8}) {
        for (int mode = 0; mode < ReductionModeCount(); ++mode) {
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
