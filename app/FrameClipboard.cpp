// TForm1: copying the picture to the clipboard and pasting one from it.
#include "app/Frame.h"

#include "app/WaitCursor.h"
#include "gfx/Canvas.h"
#include "ui/QtBitmap.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace pictor {

void TForm1::C1Click()
{
    const TGraphic* graphic = KestrelImage1.Picture().Graphic();
    if (!graphic) return;
    TWaitCursor wait;
    // The trimming outline is drawn into the view's pixels: out with it
    // while copying, and back in also when copying fails.
    const bool trimmingShown = A1->isChecked();
    if (trimmingShown) DrawTrimRect();
    TBitmap shown;
    try {
        if (dynamic_cast<const TBitmap*>(graphic)) {
            shown.Assign(*graphic);
        } else {
            // Metafile or icon: on white at its own size, as the base picture.
            shown.SetSize(graphic->Width(), graphic->Height());
            shown.Canvas().Draw(0, 0, *graphic);
        }
    } catch (...) {
        if (trimmingShown) DrawTrimRect();
        throw;
    }
    if (trimmingShown) DrawTrimRect();
    QGuiApplication::clipboard()->setImage(ui::ToQImage(shown));
}

void TForm1::P1Click()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) return;
    HideTrimAreaIfShown();
    TWaitCursor wait;
    const TBitmap pasted = ui::BitmapFromQImage(image);
    ShowNewPicture(&pasted, "", "");
}

void TForm1::UpdatePasteItem()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    P1->setEnabled(data && data->hasImage());
}

} // namespace pictor
