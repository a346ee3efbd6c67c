// The histogram window.
#include "histogram/Histgram.h"

#include "gfx/Metafile.h"
#include "histogram/HistogramHost.h"
#include "image/KestrelImg.h"
#include "param/Param.h"
#include "ui/ExceptionGuard.h"
#include "ui/ImageView.h"
#include "ui/UiFont.h"

#include <QCloseEvent>
#include <QResizeEvent>

#include <algorithm>
#include <exception>

namespace pictor {

namespace {

// The main window's call: a 572 by 350 picture of 64 bins a channel with an
// automatic ceiling.
constexpr int kPictureScale = 2;
constexpr int kPictureShift = 2;
constexpr int kPictureCeiling = 0;

// The form description.
constexpr int kFormLeft = 694;
constexpr int kFormTop = 496;
constexpr int kClientWidth = 286;
constexpr int kClientHeight = 175;

} // namespace

TForm2::TForm2(THistogramHost& Host, QWidget* Parent)
    // A tool window of the main window rather than one on top of every
    // window: the window manager keeps it above the main window, and the
    // dialogs and message boxes of the program open above it.
    : TPlacedWindow(Parent, Qt::Tool), host_(Host)
{
    setWindowTitle(QStringLiteral("Histgram"));
    setFont(ui::UiFont(12));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(GetRValue(clBtnFace), GetGValue(clBtnFace), GetBValue(clBtnFace)));
    setPalette(palette);
    setAutoFillBackground(true);

    Image1.SetStretch(true);
    Image1.SetBounds(kClientWidth, kClientHeight);
    view_ = new ui::ImageView(Image1, this);
    view_->move(0, 0);

    setGeometry(kFormLeft, kFormTop, kClientWidth, kClientHeight);
}

TForm2::~TForm2()
{
    // The view listens to Image1, which goes before QWidget deletes its
    // children.
    delete view_;
}

void TForm2::FormShow()
{
    std::exception_ptr failure;
    auto attempt = [&failure](auto&& step) {
        try {
            step();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    attempt([this] {
        // All five read before any is applied, so that a bad settings file
        // leaves the placement whole.
        const TParameter& settings = host_.Parameter1();
        const int left = settings.ReadInteger("HLeft");
        const int top = settings.ReadInteger("HTop");
        const int width = settings.ReadInteger("HWidth");
        const int height = settings.ReadInteger("HHeight");
        const int state = settings.ReadInteger("HWindowState");
        SetLeft(left);
        SetTop(top);
        SetWidth(width);
        SetHeight(height);
        SetWindowState(state);
    });
    // The window is shown whatever failed: the picture and H1 follow it.
    attempt([this] { DrawPicture(); });
    host_.SetH1Checked(true);
    if (failure) std::rethrow_exception(failure);
}

void TForm2::FormCloseQuery(bool& CanClose)
{
    TParameter& settings = host_.Parameter1();
    const int state = WindowState();
    if (state != 2) {
        settings.WriteInteger("HLeft", Left());
        settings.WriteInteger("HTop", Top());
        settings.WriteInteger("HWidth", Width());
        settings.WriteInteger("HHeight", Height());
    }
    settings.WriteInteger("HWindowState", state);
    host_.SetH1Checked(false);
    CanClose = true;
}

void TForm2::DrawPicture()
{
    // The trimming rectangle is drawn into the picture's pixels: out with it
    // while counting. It goes back in also when drawing fails, since a
    // rectangle left out while A1 stays ticked would be drawn in for good by
    // the next inversion.
    const bool trimmingShown = host_.A1Checked();
    if (trimmingShown) host_.DrawTrimRect();
    TMetafile metafile;
    try {
        host_.KestrelImage1().DrawHistogram(metafile, kPictureScale, kPictureShift, kPictureCeiling);
    } catch (...) {
        if (trimmingShown) host_.DrawTrimRect();
        throw;
    }
    if (trimmingShown) host_.DrawTrimRect();
    Image1.Picture().SetGraphic(&metafile);
}

void TForm2::setVisible(bool Visible)
{
    if (Visible && !isVisible()) ui::Guarded([this] { FormShow(); });
    QWidget::setVisible(Visible);
}

void TForm2::closeEvent(QCloseEvent* Event)
{
    bool canClose = true;
    if (ui::Guarded([&] { FormCloseQuery(canClose); }) && canClose)
        Event->accept();
    else
        Event->ignore();
}

void TForm2::resizeEvent(QResizeEvent* Event)
{
    Image1.SetBounds(width(), height());
    QWidget::resizeEvent(Event);
}

} // namespace pictor
