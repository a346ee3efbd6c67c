// Bitmaps to and from Qt images.
#include "ui/QtBitmap.h"

#include "gfx/Bitmap.h"

#include <QPainter>

#include <cstring>

namespace pictor::ui {

QImage ToQImage(const TBitmap& bitmap)
{
    if (bitmap.Empty()) return QImage();
    // The display form is 32 bits per pixel, blue, green, red, unused:
    // exactly QImage's RGB32 in memory.
    TBitmap display = bitmap;
    if (display.PixelFormat() != pfDevice) display.SetPixelFormat(pfDevice);
    const TBitmap& readOnly = display;
    return QImage(readOnly.ScanLine(0), display.Width(), display.Height(), display.RowStride(), QImage::Format_RGB32)
        .copy();
}

TBitmap BitmapFromQImage(const QImage& image)
{
    if (image.isNull()) return TBitmap();
    QImage opaque(image.width(), image.height(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QImage source = image;
        source.setDevicePixelRatio(1);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, source);
    }
    // RGB32 is the display form in memory: its rows go in as they are, and
    // the bitmap's own conversion makes them 24-bit.
    TBitmap bitmap;
    bitmap.SetPixelFormat(pfDevice);
    bitmap.SetSize(image.width(), image.height());
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap.Width()) * 4;
    for (int y = 0; y < bitmap.Height(); ++y) std::memcpy(bitmap.ScanLine(y), opaque.constScanLine(y), rowBytes);
    bitmap.SetPixelFormat(pf24bit);
    return bitmap;
}

} // namespace pictor::ui
