// The main window's side of the histogram window: what TForm2 asks of the
// main window (THistogramHost), and the histogram window's placement as the
// main window stores it.
#pragma once

#include "histogram/HistogramHost.h"
#include "ui/WindowPlacement.h"

namespace pictor {

class TForm1;

// The form description's placement of the histogram window.
inline constexpr ui::TWindowPlacement kHistogramFormPlacement{694, 496, 294, 209, ui::wsNormal};

class TForm1HistogramHost : public THistogramHost {
public:
    explicit TForm1HistogramHost(TForm1& Form) : FForm(Form) {}

    TParameter& Parameter1() override;
    TKestrelImage& KestrelImage1() override;
    bool A1Checked() const override;
    void DrawTrimRect() override;
    void SetH1Checked(bool Checked) override;

    // The histogram window's placement; without a window, the one last set
    // (the form description's at first).
    ui::TWindowPlacement Placement() const;
    void SetPlacement(const ui::TWindowPlacement& Placement);

private:
    TForm1& FForm;
    ui::TWindowPlacement FPlacement = kHistogramFormPlacement;
};

} // namespace pictor
