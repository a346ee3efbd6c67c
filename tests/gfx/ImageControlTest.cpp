// TImage: size, Stretch and AutoSize, repaint requests, the canvas rules and
// the rendering a view shows.
#include "tests/gfx/BitmapTestSupport.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Image.h"
#include "gfx/JPEGImage.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace pictor {
namespace {

using testing::MakeTestPicture;

struct TCounts {
    int repaints = 0;
    int resizes = 0;
};

void Listen(TImage& image, TCounts& counts)
{
    image.OnRepaint = [&counts] { ++counts.repaints; };
    image.OnResize = [&counts] { ++counts.resizes; };
}

TEST(ImageControl, RepaintAndResizeRequests)
{
    TImage image;
    TCounts n;
    Listen(image, n);
    EXPECT_EQ(image.Width(), 105);
    EXPECT_EQ(image.Height(), 105);
    EXPECT_FALSE(image.Stretch());
    EXPECT_FALSE(image.AutoSize());

    TBitmap b = MakeTestPicture(30, 20);
    image.Picture().SetGraphic(&b);
    EXPECT_EQ(n.repaints, 1);
    image.Picture().Bitmap().SetPixel(1, 1, clRed); // a change inside the graphic
    EXPECT_EQ(n.repaints, 2);
    image.SetStretch(true);
    image.SetStretch(true);
    EXPECT_EQ(n.repaints, 3);
    EXPECT_EQ(n.resizes, 0);
    image.SetWidth(50);
    image.SetBounds(50, 60);
    image.SetBounds(50, 60);
    EXPECT_EQ(n.resizes, 2);
    EXPECT_EQ(image.Height(), 60);
}

TEST(ImageControl, AutoSizeFollowsThePicture)
{
    TImage image;
    TCounts n;
    Listen(image, n);
    TBitmap b = MakeTestPicture(30, 20);
    image.Picture().SetGraphic(&b);
    EXPECT_EQ(image.Width(), 105); // off: the control keeps its size
    image.SetAutoSize(true);       // switching it on sizes the control
    EXPECT_EQ(image.Width(), 30);
    EXPECT_EQ(image.Height(), 20);
    b.SetSize(7, 9);
    image.Picture().SetGraphic(&b);
    EXPECT_EQ(image.Width(), 7);
    EXPECT_EQ(image.Height(), 9);
    TBitmap empty;
    empty.SetSize(0, 5);
    image.Picture().SetGraphic(&empty); // no size to follow
    EXPECT_EQ(image.Width(), 7);
    image.Picture().SetGraphic(static_cast<const TGraphic*>(nullptr));
    EXPECT_EQ(image.Height(), 9);
}

TEST(ImageControl, CanvasOnlyForBitmaps)
{
    TImage image;
    image.SetBounds(12, 8);
    TCanvas& canvas = image.Canvas(); // an empty picture gets a bitmap of the control's size
    auto* bitmap = dynamic_cast<TBitmap*>(image.Picture().Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 12);
    EXPECT_EQ(bitmap->Height(), 8);
    EXPECT_EQ(&canvas, &bitmap->Canvas());
    EXPECT_EQ(canvas.TargetBitmap(), bitmap);

    image.Picture().SetGraphic(std::make_unique<TJPEGImage>());
    try {
        image.Canvas();
        FAIL() << "no exception";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "ビットマップを持っている時のみイメージの変更が可能です");
    }
}

// Pixel (x, y) of picture shown stretched to w by h. Along an axis where it
// is enlarged: the picture pixel under the pixel's centre. Along one where
// it is shrunk: every picture pixel under the pixel, averaged per channel
// and rounded.
TColor ShownPixel(const TBitmap& picture, int w, int h, int x, int y)
{
    auto under = [](int d, int shown, int own) {
        if (own <= shown) {
            const int centre = static_cast<int>((d + 0.5) * own / shown);
            return std::pair{centre, centre + 1};
        }
        return std::pair{d * own / shown, (d + 1) * own / shown};
    };
    const auto [x0, x1] = under(x, w, picture.Width());
    const auto [y0, y1] = under(y, h, picture.Height());
    int sum[3] = {0, 0, 0};
    for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx) {
            const TColor c = picture.GetPixel(sx, sy);
            sum[0] += GetRValue(c);
            sum[1] += GetGValue(c);
            sum[2] += GetBValue(c);
        }
    const int n = (x1 - x0) * (y1 - y0);
    return RGBColor((sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n);
}

TEST(ImageControl, RenderingStretchedAndAtOwnSize)
{
    for (TPixelFormat f : {pf24bit, pf8bit, pf1bit, pf16bit, pfDevice}) {
        TBitmap b = MakeTestPicture(13, 7);
        b.SetPixelFormat(f);
        TImage image;
        image.Picture().SetGraphic(&b);
        image.SetBounds(29, 5);
        TBitmap shown;
        image.RenderTo(shown, clBlue);
        EXPECT_EQ(shown.PixelFormat(), pfDevice);
        ASSERT_EQ(shown.Width(), 29);
        ASSERT_EQ(shown.Height(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 29; ++x) {
                // Not stretched: the picture at the top-left, background elsewhere.
                TColor want = x < 13 ? b.GetPixel(x, y) : clBlue;
                ASSERT_EQ(shown.GetPixel(x, y), want) << f << " at " << x << "," << y;
            }

        // Stretched: enlarged, shrunk, and one of each.
        image.SetStretch(true);
        for (const auto& [w, h] : {std::pair{29, 16}, std::pair{5, 3}, std::pair{29, 5}, std::pair{4, 15}}) {
            image.SetBounds(w, h);
            image.RenderTo(shown);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(shown.GetPixel(x, y), ShownPixel(b, w, h, x, y)) << f << " " << w << "x" << h
                                                                                << " at " << x << "," << y;
        }
    }

    TImage empty;
    empty.SetBounds(3, 2);
    TBitmap shown;
    empty.RenderTo(shown);
    EXPECT_EQ(shown.GetPixel(2, 1), clBtnFace);
}


TEST(ImageControl, RenderingAnAreaMatchesThatPartOfTheWholeRendering)
{
    // At its own size narrower than the picture; stretched wider, and
    // narrower (shrunk rows of 1, 4 and 24 bits start anywhere in a byte).
    for (const auto& [format, stretch, width] : {std::tuple{pf24bit, false, 30}, std::tuple{pf24bit, true, 61},
                                                  std::tuple{pf24bit, true, 17}, std::tuple{pf4bit, true, 17},
                                                  std::tuple{pf1bit, true, 11}}) {
        TBitmap b = MakeTestPicture(37, 23);
        b.SetPixelFormat(format);
        TImage image;
        image.Picture().SetGraphic(&b);
        image.SetStretch(stretch);
        image.SetBounds(width, 19);
        TBitmap whole, part;
        image.RenderTo(whole, clBlue);
        // Areas inside, across the edge and wholly outside the control.
        for (TRect area : {Rect(0, 0, 61, 19), Rect(5, 3, 22, 11), Rect(50, 10, 70, 30), Rect(-4, -2, 3, 4)}) {
            image.RenderAreaTo(part, area, clBlue);
            ASSERT_EQ(part.Width(), area.Width());
            ASSERT_EQ(part.Height(), area.Height());
            for (int y = 0; y < area.Height(); ++y)
                for (int x = 0; x < area.Width(); ++x) {
                    const int cx = area.Left + x, cy = area.Top + y;
                    const bool inside = cx >= 0 && cy >= 0 && cx < image.Width() && cy < 19;
                    // Outside the control only the background shows.
                    const TColor want = inside ? whole.GetPixel(cx, cy) : clBlue;
                    ASSERT_EQ(part.GetPixel(x, y), want) << format << " " << width << " at " << cx << "," << cy;
                }
        }
    }
}

TEST(ImageControl, RenderingOtherGraphicsDrawsThemOnTheTargetsCanvas)
{
    struct TProbe : TGraphic {
        mutable TRect drawn{-1, -1, -1, -1};
        mutable TCanvas* on = nullptr;
        const char* ClassName() const override { return "TProbe"; }
        std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TProbe>(); }
        int Width() const override { return 40; }
        int Height() const override { return 30; }
        void SetWidth(int) override {}
        void SetHeight(int) override {}
        bool Empty() const override { return false; }
        void Draw(TCanvas& canvas, const TRect& rect) const override
        {
            drawn = rect;
            on = &canvas;
        }
        void LoadFromBytes(std::span<const std::uint8_t>) override {}
        std::vector<std::uint8_t> SaveToBytes() const override { return {}; }
    };
    TImage image;
    image.Picture().SetGraphic(std::make_unique<TProbe>());
    auto* probe = static_cast<TProbe*>(image.Picture().Graphic());
    image.SetBounds(20, 10);
    TBitmap shown;
    image.RenderTo(shown);
    EXPECT_EQ(probe->drawn, Rect(0, 0, 40, 30));
    EXPECT_EQ(probe->on, &shown.Canvas());
    // Stretched larger: drawn over the control.
    image.SetStretch(true);
    image.SetBounds(80, 60);
    image.RenderTo(shown);
    EXPECT_EQ(probe->drawn, Rect(0, 0, 80, 60));
    EXPECT_EQ(probe->on, &shown.Canvas());
    // Shrunk: drawn aside at its own size, or at most four times the shown
    // size, and averaged down.
    image.SetBounds(20, 10);
    image.RenderTo(shown);
    EXPECT_EQ(probe->drawn, Rect(0, 0, 40, 30));
    EXPECT_NE(probe->on, &shown.Canvas());
    image.SetBounds(5, 50);
    image.RenderTo(shown);
    EXPECT_EQ(probe->drawn, Rect(0, 0, 20, 50));
}

} // namespace
} // namespace pictor
