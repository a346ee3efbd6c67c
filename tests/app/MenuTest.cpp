// The reductions, rotations and mirror, and the trimming area.
#include "FormFixture.h"

#include "gfx/Metafile.h"

namespace pictor::testing {
namespace {

using MenuTest = FormFixture;

TEST_F(MenuTest, EveryReductionLeavesAn8BitBaseAndRestingSliders)
{
    Start();
    const std::string path = SaveBitmap("r.bmp", Photo(64, 48));
    for (QAction* item : {form->Octree2561, form->MedianCut2561, form->MedianCutByVariance2561, form->MedianCut2562,
                          form->MedianCut2563, form->N4, form->PixelFormat2561}) {
        Open(path);
        form->TrackBar2->setValue(130);
        item->trigger();
        EXPECT_EQ(form->FBaseBitmap->PixelFormat(), pf8bit) << item->text().toStdString();
        EXPECT_EQ(form->TrackBar2->value(), 100);
        EXPECT_NE(form->Caption().find("-  8 bit Color"), std::string::npos);
        EXPECT_TRUE(SamePixels(View(), *form->FBaseBitmap));
        // Once more: an 8-bit picture is left as it is.
        const TBitmap reduced = *form->FBaseBitmap;
        item->trigger();
        EXPECT_TRUE(SamePixels(*form->FBaseBitmap, reduced));
    }
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(MenuTest, AReductionTakesTheBrightenedViewAndPixelFormatTheBase)
{
    Start();
    const std::string path = SaveBitmap("r.bmp", Photo(64, 48));
    Open(path);
    form->TrackBar2->setValue(150);
    form->Octree2561->trigger();
    const TBitmap brightened = *form->FBaseBitmap;
    Open(path);
    form->Octree2561->trigger();
    EXPECT_FALSE(SamePixels(*form->FBaseBitmap, brightened));
}

TEST_F(MenuTest, RotationsSwapTheDisplayedSizeAndDropUnconfirmedTone)
{
    Start();
    const TBitmap photo = Photo(400, 300);
    Open(SaveBitmap("p.bmp", photo));
    form->TrackBar1->setValue(50);
    form->TrackBar2->setValue(130);
    form->N901->trigger();
    EXPECT_EQ(form->FBaseBitmap->Width(), 300);
    EXPECT_EQ(form->FBaseBitmap->Height(), 400);
    EXPECT_EQ(form->KestrelImage1.Width(), 150);
    EXPECT_EQ(form->KestrelImage1.Height(), 200);
    EXPECT_EQ(form->TrackBar1->value(), 50);
    EXPECT_EQ(form->TrackBar2->value(), 100);
    // Turned clockwise: the left column, bottom up, is the new top row.
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), photo.GetPixel(0, 299));
    EXPECT_TRUE(form->KestrelImage1.Stretch());

    form->N2701->trigger();
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, photo));
    form->N1801->trigger();
    EXPECT_EQ(form->KestrelImage1.Width(), 200);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), photo.GetPixel(399, 299));
    form->R1->trigger();
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), photo.GetPixel(0, 299));
    EXPECT_EQ(form->KestrelImage1.Height(), 150);
}

TEST_F(MenuTest, CommandsOnAnEmptyViewOrAnIconDoNothing)
{
    Start();
    for (QAction* item : {form->Octree2561, form->PixelFormat2561, form->N901, form->R1, form->A1, form->U1, form->O1})
        item->trigger();
    EXPECT_FALSE(form->A1->isChecked());
    EXPECT_FALSE(form->T1->isEnabled());
    dir.Write("i.ico", IconBytes());
    Open(dir.File("i.ico"));
    form->A1->trigger();
    form->N901->trigger();
    EXPECT_FALSE(form->A1->isChecked());
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picIcon);
    EXPECT_EQ(form->Caption().find("Imaging"), std::string::npos);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(MenuTest, TheTrimmingAreaIsPulledInAndHidingRestoresEveryPixel)
{
    Start();
    Open(SaveBitmap("small.bmp", Photo(50, 40)));
    const TBitmap before = View();
    form->A1->trigger();
    EXPECT_TRUE(form->A1->isChecked());
    EXPECT_TRUE(form->T1->isEnabled());
    EXPECT_EQ(form->FTrimRect, Rect(10, 10, 49, 39));
    EXPECT_FALSE(SamePixels(View(), before));
    form->A1->trigger();
    EXPECT_FALSE(form->A1->isChecked());
    EXPECT_FALSE(form->T1->isEnabled());
    EXPECT_TRUE(SamePixels(View(), before));

    // A tone slider hides the area for good.
    form->A1->trigger();
    form->TrackBar2->setValue(110);
    EXPECT_FALSE(form->A1->isChecked());
    EXPECT_FALSE(form->T1->isEnabled());
}

TEST_F(MenuTest, TheOutlineShowsOnAllFourSidesAtEveryScale)
{
    Start();
    // A light picture, so that inverted pixels stand out in any average.
    TBitmap light;
    light.SetPixelFormat(pf24bit);
    light.SetSize(1100, 1000);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 1100; ++x) light.SetPixel(x, y, RGBColor(200 + x % 40, 210 + y % 30, 190));
    Open(SaveBitmap("light.bmp", light));
    for (int scale = 10; scale <= 100; scale += 10) {
        form->TrackBar1->setValue(scale);
        const QImage plain = form->KestrelImage1View->grab().toImage();
        form->A1->trigger();
        const QImage shown = form->KestrelImage1View->grab().toImage();
        form->A1->trigger();
        // Where the outline passes (FTrimRect: 10 and 100 on the screen),
        // some pixel within two of the line is changed, all along it.
        auto changedNear = [&](int line, int along, bool upright) {
            for (int across = line - 2; across <= line + 2; ++across) {
                const QPoint at = upright ? QPoint(across, along) : QPoint(along, across);
                if (plain.pixel(at) != shown.pixel(at)) return true;
            }
            return false;
        };
        for (int along = 15; along <= 95; ++along)
            for (int line : {10, 100})
                for (bool upright : {true, false})
                    ASSERT_TRUE(changedNear(line, along, upright))
                        << scale << "%, " << (upright ? "x " : "y ") << line << " at " << along;
    }
    // Only the display is smoothed: the picture is the file's, pixel for pixel.
    EXPECT_TRUE(SamePixels(View(), light));
}

TEST_F(MenuTest, ClicksAtAScaleAndTrimming)
{
    Start();
    Open(SaveBitmap("big.bmp", Photo(200, 150)));
    form->TrackBar1->setValue(200);
    form->A1->trigger();
    const TBitmap withArea = View();
    form->KestrelImage1View->OnMouseDown(ui::mbMiddle, 0, 5, 5);
    EXPECT_TRUE(SamePixels(View(), withArea));
    form->KestrelImage1View->OnMouseDown(ui::mbLeft, 0, 40, 60);
    form->KestrelImage1View->OnMouseDown(ui::mbRight, ui::ssShift, 300, 200);
    EXPECT_EQ(form->FTrimRect, Rect(40, 60, 300, 200));

    form->T1->trigger();
    EXPECT_FALSE(form->A1->isChecked());
    // Display pixels (40, 60) to (300, 200) inclusive are picture pixels
    // (20, 30) to (150, 100).
    EXPECT_EQ(form->FBaseBitmap->Width(), 131);
    EXPECT_EQ(form->FBaseBitmap->Height(), 71);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), Photo(200, 150).GetPixel(20, 30));
    EXPECT_EQ(form->FTrimRect, Rect(40, 60, 300, 200));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(MenuTest, ReversedCornersTrimTheSameRectangle)
{
    Start();
    const TBitmap photo = Photo(120, 100);
    Open(SaveBitmap("p.bmp", photo));
    form->A1->trigger();
    form->KestrelImage1View->OnMouseDown(ui::mbLeft, 0, 80, 70);
    form->KestrelImage1View->OnMouseDown(ui::mbRight, 0, 20, 30);
    form->T1->trigger();
    EXPECT_EQ(form->FTrimRect, Rect(80, 70, 20, 30));
    EXPECT_EQ(form->FBaseBitmap->Width(), 61);
    EXPECT_EQ(form->FBaseBitmap->Height(), 41);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), photo.GetPixel(20, 30));
}

TEST_F(MenuTest, ChangingTheScaleShowsTheAreaAgainWithoutTheUnconfirmedTone)
{
    Start();
    Open(SaveBitmap("p.bmp", Photo(100, 80)));
    form->TrackBar2->setValue(140);
    form->A1->trigger();
    form->TrackBar1->setValue(200);
    EXPECT_TRUE(form->A1->isChecked());
    EXPECT_EQ(form->TrackBar2->value(), 140);
    form->A1->trigger();
    EXPECT_TRUE(SamePixels(View(), *form->FBaseBitmap));
}

TEST_F(MenuTest, AMetafileShownWithTheAreaBecomesItsRendering)
{
    Start();
    Open(SaveMetafile("m.emf", 60, 50, [](TCanvas& c) { c.Rectangle(5, 5, 50, 40); }));
    form->A1->trigger();
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picBitmap);
    form->A1->trigger();
    EXPECT_TRUE(SamePixels(View(), *form->FBaseBitmap));
}

TEST_F(MenuTest, ExitHidesTheAreaAndClosesTheWindow)
{
    Start();
    form->Exit1->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(std::filesystem::exists(dir.File("pictor.ini")));
}

} // namespace
} // namespace pictor::testing
