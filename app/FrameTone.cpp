// TForm1: the scale and tone sliders, the two OK buttons, undo and reload,
// and the image control's amend handlers.
#include "app/Frame.h"

#include "app/StepCoalescer.h"
#include "app/WaitCursor.h"
#include "gfx/Canvas.h"
#include "gfx/JPEGImage.h"
#include "gfx/Metafile.h"

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>

namespace pictor {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The gamma argument of a gamma slider position: 10 to the power position/60.
long double GammaOf(int position)
{
    return std::pow(10.0L, static_cast<long double>(position) / 60.0L);
}

} // namespace

TBitmap* TForm1::ViewBitmap() const
{
    return dynamic_cast<TBitmap*>(KestrelImage1.Picture().Graphic());
}

void TForm1::HideTrimAreaIfShown()
{
    if (A1->isChecked()) A1Click();
}

void TForm1::ResetToneSliders()
{
    Tag = -1;
    try {
        SetPosition(TrackBar4, 0);
        SetPosition(TrackBar3, 100);
        SetPosition(TrackBar2, 100);
    } catch (...) {
        // The guard must not stay up, or the tone sliders would stop working.
        Tag = 0;
        throw;
    }
    Tag = 0;
}

void TForm1::UpdateBaseBitmap()
{
    const TGraphic* graphic = KestrelImage1.Picture().Graphic();
    if (!graphic) return;
    auto base = std::make_unique<TBitmap>();
    if (dynamic_cast<const TBitmap*>(graphic) || dynamic_cast<const TJPEGImage*>(graphic)) {
        base->Assign(*graphic);
    } else {
        // Metafile or icon: rendered on white at its own size.
        base->SetSize(graphic->Width(), graphic->Height());
        base->Canvas().Draw(0, 0, *graphic);
    }
    FBaseBitmap = std::move(base);
}

void TForm1::ApplyTone()
{
    if (A1->isChecked()) {
        A1->setChecked(false);
        T1->setEnabled(false);
        HideTrimArea();
    }
    // The base picture into the view, then Gamma, Contrast and Bright.
    KestrelImage1.ToneFrom(*FBaseBitmap, GammaOf(TrackBar4->value()), TrackBar3->value(), 127, TrackBar2->value());
}

void TForm1::ApplyToneStep()
{
    // Only the outermost handler, a move of the user's, waits.
    if (handlerDepth_ == 1 && toneSteps_->Defer()) return;
    ApplyTone();
}

void TForm1::TrackBar2Change()
{
    Label3->setText(Q("明るさ ( " + std::to_string(TrackBar2->value()) + " % )"));
    if (Tag == -1) return;
    if (!ViewHolds(picNil) && !ViewHolds(picIcon)) ApplyToneStep();
}

void TForm1::TrackBar3Change()
{
    Label5->setText(Q("コントラスト ( " + std::to_string(TrackBar3->value()) + " % )"));
    if (Tag == -1) return;
    if (!ViewHolds(picNil) && !ViewHolds(picIcon)) ApplyToneStep();
}

void TForm1::TrackBar4Change()
{
    char value[32];
    std::snprintf(value, sizeof value, "%.2Lf", GammaOf(TrackBar4->value()));
    Label7->setText(Q(std::string("ガンマ値 ( ") + value + " )"));
    if (Tag == -1) return;
    if (!ViewHolds(picNil) && !ViewHolds(picIcon)) ApplyToneStep();
}

void TForm1::Button2Click()
{
    if (TrackBar2->value() == 100 && TrackBar3->value() == 100 && TrackBar4->value() == 0) return;
    HideTrimAreaIfShown();
    UpdateBaseBitmap();
    ResetToneSliders();
}

void TForm1::TrackBar1Change()
{
    const bool trimShown = A1->isChecked();
    const int position = TrackBar1->value();
    if (position == 0) {
        // The scale never stays at 0; the nested run does the rest.
        SetPosition(TrackBar1, TrackBar1->tickInterval());
        return;
    }
    Label2->setText(Q("表示倍率 ( " + std::to_string(position) + " % )"));
    if (ViewHolds(picNil)) return;
    if (trimShown) {
        // The outline was drawn at the old scale: only a fresh view removes it.
        A1Click();
        KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
    }
    const TGraphic* graphic = KestrelImage1.Picture().Graphic();
    KestrelImage1.SetBounds(graphic->Width() * position / 100, graphic->Height() * position / 100);
    if (trimShown) A1Click();
    UpdateCaption();
}

bool TForm1::ScaleByWheel(QWheelEvent& Event)
{
    if (!(Event.modifiers() & Qt::ControlModifier)) return false;
    Event.accept();
    // A notch is 120; fine-grained wheels send parts of one.
    wheelAngle_ += Event.angleDelta().y();
    for (; wheelAngle_ >= 120; wheelAngle_ -= 120) TrackBar1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    for (; wheelAngle_ <= -120; wheelAngle_ += 120) TrackBar1->triggerAction(QAbstractSlider::SliderSingleStepSub);
    return true;
}

void TForm1::Button1Click()
{
    if (TrackBar1->value() == 100) return;
    const int w = KestrelImage1.Width(), h = KestrelImage1.Height();
    // A picture shown with no width or height cannot be resampled to that
    // size: the scale is refused and everything stays as it is.
    if (w <= 0 || h <= 0) return;
    HideTrimAreaIfShown();
    TWaitCursor wait;
    if (const auto* metafile = dynamic_cast<const TMetafile*>(KestrelImage1.Picture().Graphic())) {
        TMetafile resized;
        resized.SetWidth(w);
        resized.SetHeight(h);
        {
            TMetafileCanvas canvas(resized);
            canvas.StretchDraw(TRect{0, 0, w, h}, *metafile);
        }
        resized.SetInch(1);
        KestrelImage1.Picture().SetGraphic(&resized);
    } else if (ViewBitmap()) {
        KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
        if (TrackBar1->value() > 100)
            KestrelImage1.Enlarge(w, h);
        else
            KestrelImage1.Shrink(w, h);
    }
    UpdateBaseBitmap();
    if (ViewBitmap()) ApplyTone();
    SetPosition(TrackBar1, 100);
}

void TForm1::RestoreBase()
{
    if (!ViewBitmap()) return;
    ResetToneSliders();
    KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
    UpdateCaption();
    RefreshHistogram();
}

void TForm1::U1Click()
{
    HideTrimAreaIfShown();
    RestoreBase();
}

void TForm1::O1Click()
{
    HideTrimAreaIfShown();
    LoadPicture(FPictureFileName);
}

void TForm1::KestrelImage1Amend(TKestrelImage&, const std::string& Kind)
{
    // At brightness 100 Bright announces itself only here, after gamma and
    // contrast have been applied.
    if (Kind == "Bright" && TrackBar2->value() == 100) RefreshHistogram();
}

void TForm1::KestrelImage1Amended(TKestrelImage&, const std::string& Kind)
{
    if (Kind == "Bright") RefreshHistogram();
}

} // namespace pictor
