// Pictures between the graphics layer and Qt: a bitmap to paint or to put on
// the clipboard, and an image taken from the clipboard.
#pragma once

#include <QImage>

namespace pictor {
class TBitmap;
}

namespace pictor::ui {

// bitmap's pixels as an image of its own (RGB32), whatever its pixel format.
QImage ToQImage(const TBitmap& bitmap);

// image as a new 24-bit bitmap of its size; transparent parts are laid over
// white, as an icon's are when it becomes the base picture.
TBitmap BitmapFromQImage(const QImage& image);

} // namespace pictor::ui
