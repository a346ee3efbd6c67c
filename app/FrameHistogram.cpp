// The histogram window seen from the main window.
#include "app/FrameHistogram.h"

#include "app/Frame.h"
#include "histogram/Histgram.h"

#include <QAction>

namespace pictor {

TParameter& TForm1HistogramHost::Parameter1() { return form_.Parameter1; }
TKestrelImage& TForm1HistogramHost::KestrelImage1() { return form_.KestrelImage1; }
bool TForm1HistogramHost::A1Checked() const { return form_.A1->isChecked(); }
void TForm1HistogramHost::DrawTrimRect() { form_.DrawTrimRect(); }
void TForm1HistogramHost::SetH1Checked(bool Checked) { form_.H1->setChecked(Checked); }

ui::TWindowPlacement TForm1HistogramHost::Placement() const
{
    const TForm2* window = form_.HistogramWindow();
    return window ? window->Placement() : placement_;
}

void TForm1HistogramHost::SetPlacement(const ui::TWindowPlacement& Placement)
{
    placement_ = Placement;
    if (TForm2* window = form_.HistogramWindow()) window->SetPlacement(Placement);
}

} // namespace pictor

namespace pictor {

THistogramHost& TForm1::HistogramHost() { return *histogramHost_; }

} // namespace pictor
