// TImageView: size taken from the control, painting what the control renders,
// rendering only the exposed tiles, and mouse presses in control pixels.
#include "tests/support/QtTestApp.h"

#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "gfx/Image.h"
#include "ui/ImageView.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace pictor::ui {
namespace {

TBitmap Gradient(int w, int h)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGBColor(x * 7, y * 5, (x ^ y) & 0xFF));
    return b;
}

QRgb Rgb(TColor c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

TEST(ImageView, TakesTheControlsSizeAndPaintsItsRendering)
{
    testing::QtTestApp();
    TImage image;
    TImageView view(image);
    EXPECT_EQ(view.size(), QSize(105, 105));

    QSignalSpy resized(&view, &TImageView::sizeChanged);
    TBitmap b = Gradient(300, 280);
    image.Picture().SetGraphic(&b);
    image.SetStretch(true);
    image.SetBounds(450, 140); // wider than a tile, stretched unevenly
    EXPECT_EQ(view.size(), QSize(450, 140));
    EXPECT_EQ(resized.count(), 1);

    TBitmap want;
    image.RenderTo(want);
    const QImage shown = view.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(450, 140));
    for (int y = 0; y < 140; y += 3)
        for (int x = 0; x < 450; x += 7) ASSERT_EQ(shown.pixel(x, y), Rgb(want.GetPixel(x, y))) << x << "," << y;

    // Unchanged: painted from the cache. Changed: painted afresh.
    const long long before = view.TilesRendered();
    (void)view.grab();
    EXPECT_EQ(view.TilesRendered(), before);
    for (int y = 0; y < 4; ++y) b.SetPixel(0, y, clWhite);
    image.Picture().SetGraphic(&b);
    EXPECT_EQ(view.grab().toImage().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_GT(view.TilesRendered(), before);

    image.SetBounds(-5, 0);
    EXPECT_EQ(view.size(), QSize(0, 0));
}

TEST(ImageView, RendersOnlyTheTilesThatAreExposed)
{
    testing::QtTestApp();
    TImage image;
    TImageView view(image);
    TBitmap b = Gradient(3000, 2000);
    image.Picture().SetGraphic(&b);
    image.SetStretch(true);
    // A 24-megapixel control, and the picture shrunk to a fifth; the tiles
    // rendered on one thread and on two.
    for (const auto& [size, visible, threads] : {std::tuple{QSize(6000, 4000), QRect(2100, 1500, 300, 200), 1},
                                                 std::tuple{QSize(6000, 4000), QRect(2100, 1500, 300, 200), 2},
                                                 std::tuple{QSize(600, 400), QRect(300, 100, 300, 200), 2}}) {
        SetOperationThreads(threads);
        SetThreadGrain(1);
        image.SetBounds(size.width(), size.height());
        const long long before = view.TilesRendered();
        const QImage part = view.grab(visible).toImage();
        EXPECT_LE(view.TilesRendered() - before, 4);
        TBitmap want;
        image.RenderAreaTo(want, TRect{visible.left(), visible.top(), visible.right() + 1, visible.bottom() + 1});
        for (int y = 0; y < 200; y += 11)
            for (int x = 0; x < 300; x += 13) ASSERT_EQ(part.pixel(x, y), Rgb(want.GetPixel(x, y))) << threads;
        SetOperationThreads(0);
        SetThreadGrain(kDefaultThreadGrain);
    }
}

TEST(ImageView, ReportsMousePressesInControlPixels)
{
    testing::QtTestApp();
    TImage image;
    image.SetBounds(200, 100);
    TImageView view(image);
    struct TPress {
        TMouseButton button;
        TShiftState shift;
        int x, y;
    };
    std::vector<TPress> presses;
    view.OnMouseDown = [&](TMouseButton b, TShiftState s, int x, int y) { presses.push_back({b, s, x, y}); };
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 60));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 60));
    QTest::mousePress(&view, Qt::RightButton, Qt::ShiftModifier, QPoint(150, 90));
    QTest::mouseRelease(&view, Qt::RightButton, Qt::ShiftModifier, QPoint(150, 90));
    QTest::mousePress(&view, Qt::MiddleButton, Qt::ControlModifier, QPoint(1, 2));
    QTest::mouseRelease(&view, Qt::MiddleButton, Qt::ControlModifier, QPoint(1, 2));
    ASSERT_EQ(presses.size(), 3u);
    EXPECT_EQ(presses[0].button, mbLeft);
    EXPECT_EQ(presses[0].x, 40);
    EXPECT_EQ(presses[0].y, 60);
    EXPECT_TRUE(presses[0].shift & ssLeft);
    EXPECT_EQ(presses[1].button, mbRight);
    EXPECT_TRUE(presses[1].shift & ssShift);
    EXPECT_EQ(presses[1].x, 150);
    EXPECT_EQ(presses[2].button, mbMiddle);
    EXPECT_TRUE(presses[2].shift & ssCtrl);
}

TEST(ImageView, StopsListeningWhenDestroyed)
{
    testing::QtTestApp();
    TImage image;
    {
        TImageView view(image);
    }
    EXPECT_FALSE(image.OnRepaint);
    EXPECT_FALSE(image.OnResize);
    image.SetBounds(10, 10);
}

} // namespace
} // namespace pictor::ui
