// The geometry of Trimming: the caller's rectangle (Right and Bottom
// inclusive) mapped between control pixels and picture pixels, checked
// against the picture, and the control size that the kept area had on
// screen.
#pragma once

#include "gfx/Types.h"
#include "image/Refusal.h"

namespace pictor {

struct TTrimmingPlan {
    // None, OutsidePicture or Reversed.
    TRefusal Refusal = TRefusal::OutsidePicture;
    bool Accepted() const { return Refusal == TRefusal::None; }
    // The kept area in picture pixels, Right and Bottom exclusive.
    TRect Source;
    // The control's new size: the kept area's size on screen when the
    // picture is shown stretched, else the present size.
    int ControlWidth = 0;
    int ControlHeight = 0;

    int CropWidth() const { return Source.Width(); }
    int CropHeight() const { return Source.Height(); }
};

// Stretched: the picture is drawn stretched to the control (AutoSize off,
// Stretch on); only then do the two coordinate systems differ, and ARect is
// mapped as coordinate * other side div this side (exact 64-bit products,
// truncating; a divisor of 0 raises EDivByZero). Not accepted: a rectangle
// reaching outside the picture (OutsidePicture), then one reversed (Right <
// Left or Bottom < Top) or with negative control coordinates (Reversed).
TTrimmingPlan PlanTrimming(const TRect& ARect, bool PictureCoords, bool Stretched, int ControlWidth,
                           int ControlHeight, int PictureWidth, int PictureHeight);

} // namespace pictor
