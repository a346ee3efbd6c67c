// Bitmaps to and from Qt images.
#include "ui/QtBitmap.h"

#include "gfx/Bitmap.h"

#include <QPainter>

#include <cstdint>

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
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(image.width(), image.height());
    for (int y = 0; y < bitmap.Height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
        std::uint8_t* to = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, to += 3) {
            to[0] = static_cast<std::uint8_t>(qBlue(from[x]));
            to[1] = static_cast<std::uint8_t>(qGreen(from[x]));
            to[2] = static_cast<std::uint8_t>(qRed(from[x]));
        }
    }
    return bitmap;
}

} // namespace pictor::ui
