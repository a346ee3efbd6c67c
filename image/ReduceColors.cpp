// ReduceColors: reduces a picture of more than 8 bits per pixel to an 8-bit
// picture with a palette of at most Colors entries, by the reduction driver
// of the mode (ReductionModes.h), and puts the driver's bitmap in its place.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "image/ReductionModes.h"

namespace pictor {

TRefusal TKestrelImage::ReduceColorsRefusal(std::uint8_t Mode, int Colors) const
{
    if (const TRefusal type = PictureTypeRefusal(); type != TRefusal::None) return type;
    if (Mode >= ReductionModeCount()) return TRefusal::ModeOutOfRange;
    if (!AcceptsColors(ColorCountsOf(Mode), Colors)) return TRefusal::ColorCount;
    // A picture of 8 bits or fewer is never reduced again.
    return BitsRefusal(9);
}

void TKestrelImage::ReduceColors(std::uint8_t Mode, int Colors)
{
    BeginOperation("Reduce");
    if (ReduceColorsRefusal(Mode, Colors) != TRefusal::None) return;
    TBitmap& bitmap = DeviceIndependentBitmap();
    // The picture's own bitmap is about to be replaced: it is not set back.
    bitmap.SetPixelFormat(pf24bit);
    Picture().SetGraphic(ReduceByMode(Mode, bitmap, Colors));
    DoAmended();
}

} // namespace pictor
