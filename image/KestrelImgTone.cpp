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
