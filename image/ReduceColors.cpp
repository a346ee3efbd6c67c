// ReduceColors: reduces a picture of more than 8 bits per pixel to an 8-bit
// picture with a palette of at most Colors entries, by the reduction driver
// of the mode (ReductionModes.h), and puts the driver's bitmap in its place.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "image/ReductionModes.h"

namespace pictor {

void TKestrelImage::ReduceColors(std::uint8_t Mode, int Colors)
{
    BeginOperation("Reduce");
    if (GetPictureType() != picBitmap) return;
    if (Mode >= ReductionModeCount()) return;
    if (!AcceptsColors(ColorCountsOf(Mode), Colors)) return;
    // A picture of 8 bits or fewer is never reduced again.
    TBitmap* bitmap = DeviceIndependentBitmap(9);
    if (bitmap == nullptr) return;
    // The picture's own bitmap is about to be replaced: it is not set back.
    bitmap->SetPixelFormat(pf24bit);
    Picture().SetGraphic(ReduceByMode(Mode, *bitmap, Colors));
    DoAmended();
}

} // namespace pictor
