// The histogram window seen from the main window.
#include "app/FrameHistogram.h"

#include "app/Frame.h"
#include "histogram/Histgram.h"

#include <QAction>

namespace pictor {

TParameter& TForm1HistogramHost::Parameter1() { return FForm.Parameter1; }
TKestrelImage& TForm1HistogramHost::KestrelImage1() { return FForm.KestrelImage1; }
bool TForm1HistogramHost::A1Checked() const { return FForm.A1->isChecked(); }
void TForm1HistogramHost::DrawTrimRect() { FForm.DrawTrimRect(); }
void TForm1HistogramHost::SetH1Checked(bool Checked) { FForm.H1->setChecked(Checked); }

ui::TWindowPlacement TForm1HistogramHost::Placement() const
{
    const TForm2* window = FForm.HistogramWindow();
    return window ? window->Placement() : FPlacement;
}

void TForm1HistogramHost::SetPlacement(const ui::TWindowPlacement& Placement)
{
    FPlacement = Placement;
    if (TForm2* window = FForm.HistogramWindow()) window->SetPlacement(Placement);
}

} // namespace pictor

namespace pictor {

THistogramHost& TForm1::HistogramHost() { return *FHistogramHost; }

} // namespace pictor
