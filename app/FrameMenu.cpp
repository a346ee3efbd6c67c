// TForm1: the colour reductions, the rotations and the mirror, the histogram
// window switch and the exit command.
#include "app/Frame.h"

#include "app/WaitCursor.h"
#include "histogram/Histgram.h"
#include "reduce/Reduce.h"

#include <QAction>
#include <QSlider>

namespace pictor {

void TForm1::ReduceCommand(std::uint8_t Mode)
{
    if (!ViewBitmap()) return;
    HideTrimAreaIfShown();
    TWaitCursor wait;
    KestrelImage1.ReduceColors(Mode);
    UpdateBaseBitmap();
    ResetToneSliders();
    UpdateCaption();
    RefreshHistogram();
}

void TForm1::Octree2561Click() { ReduceCommand(0); }
void TForm1::MedianCut2561Click() { ReduceCommand(1); }
void TForm1::MedianCutByVariance2561Click() { ReduceCommand(2); }
void TForm1::MedianCut2562Click() { ReduceCommand(3); }
void TForm1::MedianCut2563Click() { ReduceCommand(4); }
void TForm1::N4Click() { ReduceCommand(5); }
void TForm1::Quality2561Click() { ReduceCommand(rmQuality); }
void TForm1::Quality2562Click() { ReduceCommand(rmQualityDiffusion); }

void TForm1::PixelFormat2561Click()
{
    if (!ViewBitmap()) return;
    HideTrimAreaIfShown();
    TWaitCursor wait;
    FBaseBitmap->SetPixelFormat(pf8bit);
    KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
    ResetToneSliders();
    UpdateCaption();
    RefreshHistogram();
}

void TForm1::RotateCommand(int Angle)
{
    if (!ViewBitmap()) return;
    HideTrimAreaIfShown();
    TWaitCursor wait;
    KestrelImage1.SetStretch(false);
    const int w = KestrelImage1.Width(), h = KestrelImage1.Height();
    KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
    KestrelImage1.Turn(Angle);
    UpdateBaseBitmap();
    ResetToneSliders();
    // The displayed size is swapped, so the scale shown still holds.
    KestrelImage1.SetHeight(w);
    KestrelImage1.SetWidth(h);
    KestrelImage1.SetStretch(true);
    UpdateCaption();
    // The turn keeps the colours, but tone not yet made the base is gone.
    RefreshHistogram();
}

void TForm1::FlipCommand(bool Mirror)
{
    if (!ViewBitmap()) return;
    HideTrimAreaIfShown();
    TWaitCursor wait;
    KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
    if (Mirror)
        KestrelImage1.Reverse();
    else
        KestrelImage1.Turn(180);
    UpdateBaseBitmap();
    ResetToneSliders();
    UpdateCaption();
    // As for the turns: tone not yet made the base is gone.
    RefreshHistogram();
}

void TForm1::N901Click() { RotateCommand(90); }
void TForm1::N1801Click() { FlipCommand(false); }
void TForm1::N2701Click() { RotateCommand(270); }
void TForm1::R1Click() { FlipCommand(true); }

void TForm1::H1Click()
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

void TForm1::Exit1Click()
{
    HideTrimAreaIfShown();
    close();
}

} // namespace pictor
