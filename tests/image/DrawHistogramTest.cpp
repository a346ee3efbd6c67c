// TKestrelImage::DrawHistogram into real bitmaps and metafiles: the pixels
// the layout fixes, the argument checks, and what is counted.
#include "image/KestrelImg.h"

#include "tests/support/FilledBitmap.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Icon.h"
#include "gfx/Metafile.h"
#include "tests/gfx/formats/IconTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pictor {
namespace {

using testing::Filled;

// The main window's call into a new bitmap.
TBitmap MainWindowPicture(TKestrelImage& image)
{
    TBitmap target;
    image.DrawHistogram(target, 2, 2, 0);
    return target;
}

bool IsPlain(TColor c)
{
    return c == clBtnFace || c == clBlack;
}

// Whether any pixel of the area (Right and Bottom exclusive) differs from
// the button face.
bool HasInk(const TBitmap& bitmap, TRect area)
{
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (bitmap.GetPixel(x, y) != clBtnFace) return true;
    return false;
}

// An icon file of one opaque 32-bit image holding the pixels of b.
std::vector<std::uint8_t> IconFile(const TBitmap& b)
{
    auto pixel = [&](int x, int y) {
        const TColor c = b.GetPixel(x, y);
        return 0xFF000000u | std::uint32_t(GetRValue(c)) << 16 | std::uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    };
    return testing::BuildIcon({{testing::DibIconImage(b.Width(), b.Height(), 32, {}, pixel,
                                                      [](int, int) { return false; }),
                                b.Width(), b.Height(), 32}});
}

TEST(DrawHistogramTest, AllBlackPicture)
{
    TKestrelImage image;
    const TBitmap black = Filled(40, 30, clBlack);
    image.Picture().SetGraphic(&black);
    const TBitmap picture = MainWindowPicture(image);
    ASSERT_EQ(picture.Width(), 572);
    ASSERT_EQ(picture.Height(), 350);

    EXPECT_EQ(picture.GetPixel(0, 0), clBtnFace);
    EXPECT_EQ(picture.GetPixel(571, 349), clBtnFace);

    // The red curve, drawn last, from (34, 18) down to (42, 318): one red
    // pixel in every row it crosses, within its columns. Blue and green lie
    // under it.
    EXPECT_EQ(picture.GetPixel(34, 18), clRed);
    for (int y = 18; y < 318; ++y) {
        int reds = 0;
        for (int x = 30; x < 46; ++x)
            if (picture.GetPixel(x, y) == clRed) {
                ++reds;
                EXPECT_GE(x, 34);
                EXPECT_LE(x, 42);
            }
        EXPECT_GE(reds, 1) << "row " << y;
    }
    for (int y = 0; y < 350; ++y)
        for (int x = 0; x < 572; ++x) {
            const TColor c = picture.GetPixel(x, y);
            ASSERT_NE(c, clBlue) << x << "," << y;
            ASSERT_NE(c, clLime) << x << "," << y;
        }

    // Along the base line the black axis lies over the curves.
    for (int x = 30; x < 542; ++x) EXPECT_EQ(picture.GetPixel(x, 318), clBlack) << x;
    // The upright axes start 10 pixels down, not 10 units.
    EXPECT_EQ(picture.GetPixel(30, 9), clBtnFace);
    EXPECT_EQ(picture.GetPixel(30, 10), clBlack);
    EXPECT_EQ(picture.GetPixel(30, 317), clBlack);
    EXPECT_EQ(picture.GetPixel(542, 11), clBlack);
    EXPECT_EQ(picture.GetPixel(542, 317), clBlack);
    EXPECT_EQ(picture.GetPixel(542, 9), clBtnFace);
    // Middle ticks, and a long and a short level tick.
    for (int x = 22; x < 28; ++x) EXPECT_EQ(picture.GetPixel(x, 170), clBlack) << x;
    for (int x = 544; x < 550; ++x) EXPECT_EQ(picture.GetPixel(x, 170), clBlack) << x;
    EXPECT_EQ(picture.GetPixel(21, 170), clBtnFace);
    EXPECT_EQ(picture.GetPixel(62, 320), clBlack);
    EXPECT_EQ(picture.GetPixel(62, 321), clBlack);
    EXPECT_EQ(picture.GetPixel(62, 322), clBtnFace);
    EXPECT_EQ(picture.GetPixel(94, 323), clBlack);
    EXPECT_EQ(picture.GetPixel(94, 326), clBtnFace);

    // The ceiling label "50" at (546, 174) and "%" under it.
    EXPECT_TRUE(HasInk(picture, Rect(546, 174, 572, 194)));
    EXPECT_TRUE(HasInk(picture, Rect(546, 194, 572, 218)));
    EXPECT_FALSE(HasInk(picture, Rect(551, 150, 572, 170)));
}

TEST(DrawHistogramTest, EmptyPictureHasFrameAndLabelsOnly)
{
    TKestrelImage image;
    const TBitmap picture = MainWindowPicture(image);
    ASSERT_EQ(picture.Width(), 572);
    ASSERT_EQ(picture.Height(), 350);

    for (int y = 0; y < 350; ++y)
        for (int x = 0; x < 572; ++x)
            ASSERT_TRUE(IsPlain(picture.GetPixel(x, y)) || x >= 500 || y >= 320) << x << "," << y;
    EXPECT_EQ(picture.GetPixel(30, 10), clBlack);
    EXPECT_EQ(picture.GetPixel(300, 318), clBlack);

    // No ceiling number above the "%", which sits at (546, 194).
    EXPECT_FALSE(HasInk(picture, Rect(543, 172, 572, 194)));
    EXPECT_TRUE(HasInk(picture, Rect(546, 194, 572, 218)));
    EXPECT_FALSE(HasInk(picture, Rect(543, 194, 546, 318)));
    EXPECT_FALSE(HasInk(picture, Rect(500, 176, 542, 318)));
    // The level labels under the ticks.
    for (int centre : {30, 158, 286, 414, 542}) EXPECT_TRUE(HasInk(picture, Rect(centre - 20, 326, centre + 20, 350)));
}

TEST(DrawHistogramTest, BadArgumentsLeaveTheTargetAlone)
{
    TKestrelImage image;
    const TBitmap black = Filled(4, 4, clBlack);
    image.Picture().SetGraphic(&black);

    struct Args {
        int Scale, Shift, Ceiling;
    };
    for (const Args& a : {Args{0, 2, 0}, Args{6, 2, 0}, Args{2, -1, 0}, Args{2, 4, 0}, Args{2, 2, -1},
                          Args{2, 2, 101}}) {
        TBitmap target = Filled(3, 2, clRed);
        image.DrawHistogram(target, a.Scale, a.Shift, a.Ceiling);
        EXPECT_EQ(target.Width(), 3);
        EXPECT_EQ(target.Height(), 2);
        EXPECT_EQ(target.GetPixel(2, 1), clRed);

        TMetafile metafile;
        metafile.SetWidth(10);
        image.DrawHistogram(metafile, a.Scale, a.Shift, a.Ceiling);
        EXPECT_EQ(metafile.Width(), 10);
        EXPECT_TRUE(metafile.Empty());
    }

    // A target that is neither a bitmap nor a metafile.
    TIcon icon;
    image.DrawHistogram(icon, 2, 2, 0);
    EXPECT_TRUE(icon.Empty());

    // The extremes are accepted.
    TBitmap large;
    image.DrawHistogram(large, 5, 3, 100);
    EXPECT_EQ(large.Width(), 1430);
    EXPECT_EQ(large.Height(), 875);
    TBitmap small;
    image.DrawHistogram(small, 1, 0, 0);
    EXPECT_EQ(small.Width(), 286);
}

TEST(DrawHistogramTest, NeitherAnOperationNorAChange)
{
    TKestrelImage image;
    const TBitmap black = Filled(4, 4, clBlack);
    image.Picture().SetGraphic(&black);
    int events = 0, changes = 0;
    image.OnAmend = [&](TKestrelImage&, const std::string&) { ++events; };
    image.OnAmended = [&](TKestrelImage&, const std::string&) { ++events; };
    image.Picture().OnChange = [&] { ++changes; };

    TBitmap target;
    image.DrawHistogram(target, 1, 2, 0);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(image.Kind(), "");
    auto* held = dynamic_cast<TBitmap*>(image.Picture().Graphic());
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->PixelFormat(), pf24bit);
    EXPECT_TRUE(held->SharesPixelsWith(black));
}

TEST(DrawHistogramTest, PaletteAndVectorPicturesCountTheirColours)
{
    // Left half pure red, right half white, as 24 bits.
    TBitmap truecolour = Filled(20, 10, clWhite);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) truecolour.SetPixel(x, y, clRed);
    TKestrelImage reference;
    reference.Picture().SetGraphic(&truecolour);
    const TBitmap expected = MainWindowPicture(reference);

    // The same colours through a palette of 8 bits.
    TBitmap indexed;
    indexed.SetLayout(8, std::nullopt, 20, 10);
    indexed.SetPalette(TPalette(std::vector<TPaletteEntry>{{0, 0, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}}));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) indexed.ScanLine(y)[x] = x < 10 ? 1 : 2;
    TKestrelImage palette;
    palette.Picture().SetGraphic(&indexed);
    const TBitmap fromPalette = MainWindowPicture(palette);

    // And as a metafile holding the bitmap.
    TMetafile metafile;
    metafile.SetWidth(20);
    metafile.SetHeight(10);
    {
        TMetafileCanvas canvas(metafile);
        canvas.Draw(0, 0, truecolour);
    }
    TKestrelImage vector;
    vector.Picture().SetGraphic(&metafile);
    const TBitmap fromMetafile = MainWindowPicture(vector);

    // And as an opaque icon of 32 bits.
    const std::vector<std::uint8_t> iconFile = IconFile(truecolour);
    TIcon icon;
    icon.LoadFromBytes(iconFile);
    TKestrelImage iconImage;
    iconImage.Picture().SetGraphic(&icon);
    const TBitmap fromIcon = MainWindowPicture(iconImage);

    for (int y = 0; y < 350; ++y)
        for (int x = 0; x < 572; ++x) {
            ASSERT_EQ(fromPalette.GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
            ASSERT_EQ(fromMetafile.GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
            ASSERT_EQ(fromIcon.GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
        }
    // Red is 255 everywhere: ceiling 100. Green and blue hold 50 % at 0, so
    // the green curve (over the blue) starts at y = 159 - 50 * 150 / 100.
    EXPECT_EQ(expected.GetPixel(34, 2 * 84), clLime);
    // The red curve climbs to 100 % in its last bin, from x = 265 to 269
    // units.
    EXPECT_TRUE(HasInk(expected, Rect(530, 100, 538, 101)));
    EXPECT_EQ(expected.GetPixel(530, 317), clRed);
}

// The counts of a picture drawn before are kept; a change in place since
// (through a row, a pixel, the canvas or the palette) is counted afresh.
TEST(DrawHistogramTest, DrawingAgainAfterAChangeInPlaceCountsTheChange)
{
    auto writers = std::vector<std::pair<const char*, void (*)(TBitmap&)>>{
        {"ScanLine", [](TBitmap& b) { std::fill_n(b.ScanLine(0), b.Width(), std::uint8_t{1}); }},
        {"SetPixel", [](TBitmap& b) { b.SetPixel(0, 0, clWhite); }},
        {"Canvas", [](TBitmap& b) { b.Canvas().FillRect(TRect{0, 0, 6, 4}); }},
        {"SetPalette",
         [](TBitmap& b) { b.SetPalette(TPalette(std::vector<TPaletteEntry>{{0, 255, 0, 0}, {0, 0, 255, 0}})); }},
    };
    for (auto& [name, write] : writers) {
        TBitmap indexed;
        indexed.SetLayout(8, std::nullopt, 8, 4);
        indexed.SetPalette(TPalette(std::vector<TPaletteEntry>{{255, 0, 0, 0}, {255, 255, 255, 0}}));
        TKestrelImage image;
        image.Picture().SetGraphic(&indexed);
        const TBitmap before = MainWindowPicture(image);
        write(dynamic_cast<TBitmap&>(*image.Picture().Graphic()));
        TKestrelImage fresh;
        fresh.Picture().SetGraphic(image.Picture().Graphic());
        const TBitmap expected = MainWindowPicture(fresh);
        const TBitmap after = MainWindowPicture(image);
        bool same = true, changed = false;
        for (int y = 0; y < 350; ++y)
            for (int x = 0; x < 572; ++x) {
                same = same && after.GetPixel(x, y) == expected.GetPixel(x, y);
                changed = changed || after.GetPixel(x, y) != before.GetPixel(x, y);
            }
        EXPECT_TRUE(same) << name;
        EXPECT_TRUE(changed) << name;
    }
}

TEST(DrawHistogramTest, NothingToPlotDrawsTheFrameAlone)
{
    TKestrelImage empty;
    TBitmap expected;
    empty.DrawHistogram(expected, 2, 0, 0);
    auto expectFrameAlone = [&](const TBitmap& picture) {
        ASSERT_EQ(picture.Width(), expected.Width());
        for (int y = 0; y < 350; ++y)
            for (int x = 0; x < 572; ++x)
                ASSERT_EQ(picture.GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
    };

    // A picture of no pixels: nothing to take a share of.
    TKestrelImage image;
    TBitmap none;
    none.SetLayout(24, std::nullopt, 0, 5);
    image.Picture().SetGraphic(&none);
    TBitmap picture;
    image.DrawHistogram(picture, 2, 0, 0);
    expectFrameAlone(picture);

    // Every level once in every channel: 256 bins of 0 % each, so an
    // automatic ceiling has nothing to scale to.
    TBitmap ramp;
    ramp.SetLayout(24, std::nullopt, 256, 1);
    for (int x = 0; x < 256; ++x) ramp.SetPixel(x, 0, RGBColor(x, 255 - x, x));
    image.Picture().SetGraphic(&ramp);
    image.DrawHistogram(picture, 2, 0, 0);
    expectFrameAlone(picture);
    // An explicit ceiling scales the flat curves (under the base line) and
    // is written.
    image.DrawHistogram(picture, 2, 0, 20);
    EXPECT_TRUE(HasInk(picture, Rect(546, 174, 572, 194)));
}

// Pixels of a and b that differ, outside the text areas when skipText.
int Differences(const TBitmap& a, const TBitmap& b, bool skipText)
{
    int differences = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            if (skipText && (y >= 324 || (x >= 546 && y >= 174))) continue;
            if (a.GetPixel(x, y) != b.GetPixel(x, y)) ++differences;
        }
    return differences;
}

TEST(DrawHistogramTest, MetafileTargetPlaysBackAsTheBitmapTarget)
{
    // A ramp gives curves of every slope.
    TBitmap ramp;
    ramp.SetLayout(24, std::nullopt, 256, 3);
    for (int x = 0; x < 256; ++x) {
        ramp.SetPixel(x, 0, RGBColor(x, x / 2, 255 - x));
        ramp.SetPixel(x, 1, RGBColor(x / 3, x, 0));
        ramp.SetPixel(x, 2, RGBColor(0, 0, x / 5));
    }
    TKestrelImage image;
    image.Picture().SetGraphic(&ramp);

    for (int scale : {1, 2}) {
        SCOPED_TRACE("scale " + std::to_string(scale));
        TBitmap direct;
        image.DrawHistogram(direct, scale, 2, 0);

        TMetafile metafile;
        image.DrawHistogram(metafile, scale, 2, 0);
        EXPECT_EQ(metafile.Inch(), 1);
        EXPECT_EQ(metafile.Width(), 286 * scale);
        EXPECT_EQ(metafile.Height(), 175 * scale);
        EXPECT_FALSE(metafile.Empty());

        TBitmap played;
        played.SetSize(metafile.Width(), metafile.Height());
        played.Canvas().Draw(0, 0, metafile);
        if (scale == 2) {
            EXPECT_EQ(Differences(direct, played, true), 0);
        }
        // Text may land a pixel apart; lines and fills do not.
        EXPECT_LE(Differences(direct, played, false), 286 * 175 * scale * scale / 100);
    }
}

} // namespace
} // namespace pictor
