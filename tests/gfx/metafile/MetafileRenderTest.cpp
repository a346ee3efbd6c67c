// A metafile played back into a bitmap draws the pixels that the same
// drawing calls draw on the bitmap directly, also after it went through a
// placeable old-style file; bitmaps come back exactly at
// 1:1 and stretched by whole factors; metafiles and bitmaps convert into
// each other the way the picture-type conversion does it.
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "tests/gfx/BitmapTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace pictor::testing {
namespace {

using TDrawing = std::function<void(TCanvas&)>;

// A white bitmap of w by h in the display form.
std::unique_ptr<TBitmap> White(int w, int h)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    return b;
}

// What saving under ".wmf" writes.
std::vector<std::uint8_t> WmfBytes(const TMetafile& m)
{
    TempDir dir;
    m.SaveToFile(dir.File("m.wmf"));
    const std::string bytes = dir.Read("m.wmf");
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// The drawing made on a bitmap directly, and recorded into a metafile of the
// same size and played back into a bitmap at (0, 0).
void ExpectSamePixels(const TDrawing& draw, int w = 64, int h = 48)
{
    auto direct = White(w, h);
    draw(direct->Canvas());
    ASSERT_FALSE(SameColours(*direct, *White(w, h))); // something was drawn
    TMetafile m;
    m.SetWidth(w);
    m.SetHeight(h);
    {
        TMetafileCanvas c(m);
        draw(c);
    }
    m.SetInch(1);
    auto played = White(w, h);
    played->Canvas().Draw(0, 0, m);
    EXPECT_TRUE(SameColours(*direct, *played));

    // Saved as a placeable old-style file and read back: the same pixels.
    TMetafile old;
    old.LoadFromBytes(WmfBytes(m));
    old.SetInch(1);
    ASSERT_EQ(old.Width(), w);
    ASSERT_EQ(old.Height(), h);
    auto replayed = White(w, h);
    replayed->Canvas().Draw(0, 0, old);
    EXPECT_TRUE(SameColours(*direct, *replayed));
}

TEST(MetafileRender, ToolkitDrawingPlaysBackPixelForPixel)
{
    ExpectSamePixels([](TCanvas& c) {
        c.MoveTo(3, 4);
        c.LineTo(50, 4);
        c.LineTo(20, 40);
        c.LineTo(3, 4);
    });
    ExpectSamePixels([](TCanvas& c) {
        c.Pen.Color = clBlue;
        c.Brush.Color = clLime;
        c.Rectangle(5, 6, 40, 30);
        c.Ellipse(10, 12, 60, 44);
    });
    ExpectSamePixels([](TCanvas& c) {
        c.Pen.Width = 3;
        c.Pen.Color = clRed;
        c.Polyline({{2, 2}, {30, 40}, {60, 5}});
        c.Brush.Color = RGBColor(10, 200, 30);
        c.Polygon({{40, 40}, {60, 20}, {50, 45}});
    });
    ExpectSamePixels([](TCanvas& c) {
        c.Brush.Color = clBtnFace;
        c.FillRect(Rect(0, 0, 64, 48));
        c.Brush.Style = bsClear;
        c.Pen.Mode = pmNotXor;
        c.Rectangle(4, 4, 60, 44);
        c.Rectangle(10, 10, 50, 30);
    });
    ExpectSamePixels([](TCanvas& c) {
        c.Brush.Style = bsCross;
        c.Brush.Color = clRed;
        c.FillRect(Rect(3, 3, 40, 30));
    });
    ExpectSamePixels([](TCanvas& c) {
        c.Pen.Style = psDash;
        c.Pen.Color = RGBColor(128, 0, 0);
        c.Brush.Style = bsClear;
        c.Ellipse(2, 3, 61, 45);
        c.Pen.Style = psDot;
        c.MoveTo(0, 24);
        c.LineTo(64, 24);
    });
}

TEST(MetafileRender, BitmapsAndTextPlayBackPixelForPixel)
{
    // Bitmaps of several depths at a point, stretched and copied in part,
    // and text with a background (and condensed), as the program records them.
    TBitmap eight = MakeTestPicture(13, 9, 5);
    eight.SetPixelFormat(pf8bit);
    TBitmap four = MakeTestPicture(10, 6, 9);
    four.SetPixelFormat(pf4bit);
    TBitmap source = MakeTestPicture(30, 20, 2);
    ExpectSamePixels(
        [&](TCanvas& c) {
            c.Draw(1, 2, MakeTestPicture(21, 17));
            c.Draw(50, 30, eight);
            c.StretchDraw(Rect(25, 1, 55, 25), four);
            c.StretchDraw(Rect(60, 3, 73, 40), MakeTestPicture(7, 11, 4));
            c.CopyRect(Rect(2, 30, 14, 38), source.Canvas(), Rect(5, 4, 17, 12));
            c.Brush.Color = RGBColor(255, 255, 0);
            c.Font.SetSize(12);
            c.Font.Color = RGBColor(0, 0, 128);
            c.TextOut(30, 40, "42 %");
            c.Font.Width = 4; // condensed, in both files' font records
            c.TextOut(2, 40, "ab");
        },
        80, 60);
}

TEST(MetafileRender, HistogramStyleTextPlaysBack)
{
    ExpectSamePixels(
        [](TCanvas& c) {
            c.Brush.Color = clBtnFace;
            c.FillRect(Rect(0, 0, 120, 40));
            c.Font.SetSize(16);
            c.TextOut(4, 4, "255");
            c.TextOut(60, 4, "%");
            c.Brush.Style = bsClear;
            c.TextOut(80, 20, "64");
        },
        120, 40);
}

TEST(MetafileRender, BitmapsComeBackExactlyAtOneToOneAndStretched)
{
    TBitmap picture = MakeTestPicture(37, 23);
    TMetafile m;
    m.SetWidth(37);
    m.SetHeight(23);
    {
        TMetafileCanvas c(m);
        c.Draw(0, 0, picture);
    }
    m.SetInch(1);
    auto played = White(m.Width(), m.Height());
    played->Canvas().Draw(0, 0, m);
    EXPECT_TRUE(SameColours(*played, picture));

    auto twice = White(74, 69);
    twice->Canvas().StretchDraw(Rect(0, 0, 74, 69), m);
    for (int y = 0; y < 69; ++y)
        for (int x = 0; x < 74; ++x) ASSERT_EQ(twice->GetPixel(x, y), picture.GetPixel(x / 2, y / 3)) << x << "," << y;
}

TEST(MetafileRender, PictureTypeConversionsRoundTrip)
{
    // A bitmap recorded into a metafile of its size, then rendered into a
    // white bitmap of the metafile's size: the same pixels, also after the
    // metafile went through both file formats.
    TBitmap picture = MakeTestPicture(50, 31, 7);
    TMetafile m;
    m.SetWidth(picture.Width());
    m.SetHeight(picture.Height());
    {
        TMetafileCanvas c(m);
        c.Draw(0, 0, picture);
    }
    m.SetInch(1);
    for (bool enhanced : {true, false}) {
        SCOPED_TRACE(enhanced);
        TMetafile copy;
        copy.Assign(m);
        copy.SetEnhanced(enhanced);
        TMetafile read;
        read.LoadFromBytes(copy.SaveToBytes());
        read.SetInch(1);
        TBitmap rendered;
        rendered.SetSize(read.Width(), read.Height());
        rendered.Canvas().Draw(0, 0, read);
        EXPECT_TRUE(SameColours(rendered, picture));
    }
}

TEST(MetafileRender, ReRecordingAtAnotherSizeKeepsThePicture)
{
    // What the scale commit does: the view's metafile drawn stretched into a
    // new recording of twice the size.
    TBitmap picture = MakeTestPicture(20, 10, 3);
    TMetafile small;
    small.SetWidth(20);
    small.SetHeight(10);
    {
        TMetafileCanvas c(small);
        c.Draw(0, 0, picture);
        c.Pen.Color = clRed;
        c.MoveTo(0, 9);
        c.LineTo(19, 0);
    }
    small.SetInch(1);
    TMetafile big;
    big.SetWidth(40);
    big.SetHeight(20);
    {
        TMetafileCanvas c(big);
        c.StretchDraw(Rect(0, 0, 40, 20), small);
    }
    big.SetInch(1);
    EXPECT_EQ(big.Width(), 40);
    auto direct = White(40, 20);
    direct->Canvas().StretchDraw(Rect(0, 0, 40, 20), small);
    auto replayed = White(40, 20);
    replayed->Canvas().Draw(0, 0, big);
    EXPECT_TRUE(SameColours(*direct, *replayed));
}

} // namespace
} // namespace pictor::testing
