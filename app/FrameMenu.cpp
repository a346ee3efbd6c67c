// TForm1: the colour reductions, the rotations and the mirror, the histogram
// window switch and the exit command.
#include "app/Frame.h"

#include "app/WaitCursor.h"
#include "histogram/Histgram.h"
#include "reduce/Reduce.h"

#include <QAction>
#include <QSlider>

namespace pictor {

void TForm1::RunPictureCommand(const std::function<void()>& Work, bool ViewBecomesBase)
{
    HideTrimAreaIfShown();
    TWaitCursor wait;
    Work();
    if (ViewBecomesBase) UpdateBaseBitmap();
    ResetToneSliders();
    UpdateCaption();
    RefreshHistogram();
}

void TForm1::ReduceColors(TReductionMode Mode)
{
    if (!ViewBitmap()) return;
    RunPictureCommand([&] { KestrelImage1.ReduceColors(Mode); });
}

void TForm1::ConvertToHalftone()
{
    if (!ViewBitmap()) return;
    RunPictureCommand(
        [&] {
            FBaseBitmap->SetPixelFormat(pf8bit);
            KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
        },
        false);
}

// The turns and the mirror start from the base picture: they keep the
// colours, but tone not yet made the base is gone.
void TForm1::RotateQuarter(int Angle)
{
    if (!ViewBitmap()) return;
    RunPictureCommand([&] {
        KestrelImage1.SetStretch(false);
        const int w = KestrelImage1.Width(), h = KestrelImage1.Height();
        KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
        KestrelImage1.Turn(Angle);
        // The displayed size is swapped, so the scale shown still holds.
        KestrelImage1.SetHeight(w);
        KestrelImage1.SetWidth(h);
        KestrelImage1.SetStretch(true);
    });
}

void TForm1::RotateHalf()
{
    if (!ViewBitmap()) return;
    RunPictureCommand([&] {
        KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
        KestrelImage1.Turn(180);
    });
}

void TForm1::Mirror()
{
    if (!ViewBitmap()) return;
    RunPictureCommand([&] {
        KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
        KestrelImage1.Reverse();
    });
}

void TForm1::ToggleHistogramWindow()
{
    if (!Form2) return;
    // The histogram window ticks and unticks H1 itself.
    if (H1->isChecked())
        Form2->close();
    else
        Form2->show();
}

void TForm1::RefreshHistogram()
{
    if (!Form2 || !Form2->isVisible()) return;
    // The window takes a shown trimming rectangle out of the picture while
    // it counts, and puts it back.
    Form2->DrawPicture();
}

void TForm1::Quit()
{
    HideTrimAreaIfShown();
    close();
}

} // namespace pictor
