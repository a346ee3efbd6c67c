// TForm1: the trimming area, a rectangle drawn into the view's pixels by
// inverting them, so that drawing it again removes it without trace.
#include "app/Frame.h"

#include "gfx/Canvas.h"
#include "gfx/Metafile.h"

#include <QAction>
#include <QSlider>

#include <algorithm>

namespace pictor {

void TForm1::ToggleTrimArea()
{
    if (!ViewHolds(picBitmap) && !ViewHolds(picMetafile)) return;
    if (A1->isChecked()) {
        A1->setChecked(false);
        T1->setEnabled(false);
        HideTrimArea();
    } else {
        A1->setChecked(true);
        T1->setEnabled(true);
        ShowTrimArea();
    }
}

void TForm1::ShowTrimArea()
{
    if (dynamic_cast<TMetafile*>(KestrelImage1.Picture().Graphic()))
        KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
    if (FTrimRect.Left < 0) FTrimRect.Left = 0;
    if (FTrimRect.Top < 0) FTrimRect.Top = 0;
    if (FTrimRect.Right >= KestrelImage1.Width()) FTrimRect.Right = KestrelImage1.Width() - 1;
    if (FTrimRect.Bottom >= KestrelImage1.Height()) FTrimRect.Bottom = KestrelImage1.Height() - 1;
    TCanvas& canvas = KestrelImage1.Canvas();
    canvas.Pen.Color = clBlack;
    canvas.Pen.Width = 2;
    canvas.Pen.Mode = pmNotXor;
    canvas.Pen.Style = psSolid;
    canvas.Brush.Style = bsClear;
    DrawTrimRect();
}

void TForm1::DrawTrimRect()
{
    int l = FTrimRect.Left, t = FTrimRect.Top, r = FTrimRect.Right, b = FTrimRect.Bottom;
    const int p = TrackBar1->value();
    if (p != 100) {
        l = l * 100 / p;
        t = t * 100 / p;
        r = r * 100 / p;
        b = b * 100 / p;
    }
    KestrelImage1.Canvas().Rectangle(l, t, r, b);
    KestrelImage1.Invalidate();
}

void TForm1::HideTrimArea()
{
    DrawTrimRect();
    KestrelImage1.Canvas().Pen.Mode = pmCopy;
}

void TForm1::SetTrimCorner(ui::TMouseButton Button, int X, int Y)
{
    if (!A1->isChecked() || Button == ui::mbMiddle) return;
    DrawTrimRect();
    if (Button == ui::mbLeft) {
        FTrimRect.Left = X;
        FTrimRect.Top = Y;
    } else {
        FTrimRect.Right = X;
        FTrimRect.Bottom = Y;
    }
    DrawTrimRect();
}

void TForm1::TrimToArea()
{
    // The item is enabled only while the area is shown.
    if (!A1->isChecked()) return;
    // The corners may have been set in either order; the trimming takes them
    // in order, and FTrimRect keeps what the user clicked.
    const TRect ordered{std::min(FTrimRect.Left, FTrimRect.Right), std::min(FTrimRect.Top, FTrimRect.Bottom),
                        std::max(FTrimRect.Left, FTrimRect.Right), std::max(FTrimRect.Top, FTrimRect.Bottom)};
    RunPictureCommand([&] { KestrelImage1.Trimming(ordered, false); });
}

} // namespace pictor
