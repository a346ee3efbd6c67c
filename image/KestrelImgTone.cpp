// The tone operations: Bright, Contrast and Gamma. Each builds one 256-entry
// table from its argument and rewrites the picture's bitmap in place through
// 24 bits per pixel, then sets the former pixel format back.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "image/ToneTables.h"

#include <cmath>

namespace pictor {

void TKestrelImage::Bright(int Value)
{
    BeginOperation("Bright");
    if (GetPictureType() != picBitmap) return;
    if (Value < 0) return;
    if (Value == 100) return;
    TBitmap* bitmap = DeviceIndependentBitmap(8);
    if (bitmap == nullptr) return;
    const TToneTable table = BrightTable(Value);
    ApplyToneTable(*bitmap, table);
}

void TKestrelImage::Contrast(int Value, int Pivot)
{
    BeginOperation("Contrast");
    if (GetPictureType() != picBitmap) return;
    if (Value < 0) return;
    if (Value == 100) return;
    if (Pivot < 0 || Pivot > 255) return;
    TBitmap* bitmap = DeviceIndependentBitmap(8);
    if (bitmap == nullptr) return;
    const TToneTable table = ContrastTable(Value, Pivot);
    ApplyToneTable(*bitmap, table);
}

void TKestrelImage::Gamma(long double Value)
{
    BeginOperation("Gamma");
    if (GetPictureType() != picBitmap) return;
    if (Value < 0.1L) return;
    if (Value > 10.0L) return;
    if (Value == 1.0L || std::isnan(Value)) return;
    TBitmap* bitmap = DeviceIndependentBitmap(8);
    if (bitmap == nullptr) return;
    const TToneTable table = GammaTable(Value);
    ApplyToneTable(*bitmap, table);
}

void TKestrelImage::ApplyToneTable(TBitmap& Bitmap, const TToneTable& Table)
{
    const TPixelFormat format = Bitmap.PixelFormat();
    if (format != pf24bit) Bitmap.SetPixelFormat(pf24bit);
    const int height = Bitmap.Height();
    const std::size_t rowBytes = static_cast<std::size_t>(Bitmap.Width()) * 3;
    for (int y = 0; y < height; ++y) MapBytes(Table, Bitmap.ScanLine(y), rowBytes);
    // A custom format is refused here with EInvalidGraphic: the picture then
    // stays adjusted at 24 bits and OnAmended is not fired.
    if (format != pf24bit) Bitmap.SetPixelFormat(format);
    Invalidate();
    DoAmended();
}

} // namespace pictor
