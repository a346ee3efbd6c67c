// TForm2: the histogram window, captioned "Histgram". A tool window of the
// main window, kept above it and below the dialogs and message boxes that
// open over it, whose image Image1 fills the client area and shows,
// stretched, the histogram picture of the main window's image control. It restores its
// placement from the main window's settings store each time it is shown,
// stores it when it is closed, and keeps the main window's menu item H1
// ticked exactly while it is shown.
#pragma once

#include "gfx/Image.h"
#include "ui/WindowPlacement.h"

#include <QWidget>

namespace pictor {

class THistogramHost;

namespace ui {
class ImageView;
}

// Its placement (Left, Top, Width, Height, WindowState) is counted as the
// settings store keeps it (ui/WindowPlacement.h).
class TForm2 : public ui::TPlacedWindow<QWidget> {
    Q_OBJECT
public:
    // Hidden, at the form description's placement: 694, 496, 294 by 209 (a
    // client area of 286 by 175). Host must outlive the window. Parent is
    // the main window, which the window stays above (none: a window of its
    // own); the window must be destroyed before it.
    explicit TForm2(THistogramHost& Host, QWidget* Parent = nullptr);
    ~TForm2() override;

    // The picture control: Stretch on, always the size of the client area.
    TImage Image1;

    // Show handler: placement from the settings store, then the histogram
    // drawn (DrawPicture), then H1 ticked. H1 is ticked and the picture drawn
    // even when the placement cannot be read; the first failure is then
    // raised.
    void FormShow();
    // Close-query handler: the placement (unless maximised) and the state
    // into the settings store, H1 unticked. CanClose stays true.
    void FormCloseQuery(bool& CanClose);

    // Draws the histogram of the host's picture (572 by 350, 64 bins, an
    // automatic ceiling) into a new metafile and gives Image1 a copy. A shown
    // trimming rectangle is taken out of the picture for the count and put
    // back afterwards, also when drawing fails; Image1 then keeps its
    // previous picture.
    void DrawPicture();

protected:
    // Runs FormShow whenever the hidden window is about to be shown.
    void setVisible(bool Visible) override;
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    THistogramHost& host_;
    ui::ImageView* view_;
};

} // namespace pictor
