// The tone operations: Bright, Contrast and Gamma. Each builds one 256-entry
// table from its argument and rewrites the picture's bitmap in place through
// 24 bits per pixel, then sets the former pixel format back.
#include "image/KestrelImg.h"

#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "image/KestrelImgSupport.h"
#include "image/ToneTables.h"

#include <cmath>
#include <vector>

namespace pictor {

TRefusal TKestrelImage::BrightRefusal(int Value) const
{
    if (const TRefusal type = PictureTypeRefusal(); type != TRefusal::None) return type;
    if (Value < 0) return TRefusal::NegativeValue;
    if (Value == 100) return TRefusal::NoChange;
    return BitsRefusal(8);
}

void TKestrelImage::Bright(int Value)
{
    BeginOperation("Bright");
    if (BrightRefusal(Value) != TRefusal::None) return;
    const TToneTable table = BrightTable(Value);
    ApplyToneTable(DeviceIndependentBitmap(), table);
}

TRefusal TKestrelImage::ContrastRefusal(int Value, int Pivot) const
{
    if (const TRefusal type = PictureTypeRefusal(); type != TRefusal::None) return type;
    if (Value < 0) return TRefusal::NegativeValue;
    if (Value == 100) return TRefusal::NoChange;
    if (Pivot < 0 || Pivot > 255) return TRefusal::PivotOutOfRange;
    return BitsRefusal(8);
}

void TKestrelImage::Contrast(int Value, int Pivot)
{
    BeginOperation("Contrast");
    if (ContrastRefusal(Value, Pivot) != TRefusal::None) return;
    const TToneTable table = ContrastTable(Value, Pivot);
    ApplyToneTable(DeviceIndependentBitmap(), table);
}

TRefusal TKestrelImage::GammaRefusal(long double Value) const
{
    if (const TRefusal type = PictureTypeRefusal(); type != TRefusal::None) return type;
    if (Value < 0.1L || Value > 10.0L) return TRefusal::GammaOutOfRange;
    if (Value == 1.0L || std::isnan(Value)) return TRefusal::NoChange;
    return BitsRefusal(8);
}

void TKestrelImage::Gamma(long double Value)
{
    BeginOperation("Gamma");
    if (GammaRefusal(Value) != TRefusal::None) return;
    const TToneTable table = GammaTable(Value);
    ApplyToneTable(DeviceIndependentBitmap(), table);
}

void TKestrelImage::ApplyToneTable(TBitmap& Bitmap, const TToneTable& Table)
{
    const TPixelFormat format = Bitmap.PixelFormat();
    if (format != pf24bit) Bitmap.SetPixelFormat(pf24bit);
    const std::size_t width = static_cast<std::size_t>(Bitmap.Width());
    // Rows are looked up before the threads start: ScanLine may detach a
    // shared picture, which only the caller may do.
    const std::vector<std::uint8_t*> rows = WriteRows(Bitmap);
    SplitWork(rows.size(), width, [&](std::size_t first, std::size_t end) {
        for (std::size_t y = first; y < end; ++y) MapBytes(Table, rows[y], 3 * width);
    });
    // A custom format is refused here with EInvalidGraphic: the picture then
    // stays adjusted at 24 bits and OnAmended is not fired.
    if (format != pf24bit) Bitmap.SetPixelFormat(format);
    Invalidate();
    DoAmended();
}

} // namespace pictor
