// Reading a picture into the image control and choosing what to write for
// an output name, the way the window's open and save commands do.
#pragma once

#include <memory>
#include <string>

namespace pictor {
class TBitmap;
class TGraphic;
class TKestrelImage;
} // namespace pictor

namespace pictor::cli {

// Loads the file into the control by its extension (an unknown one raises
// "拡張子 .%s の画像形式は処理できません"). A metafile gets units per inch 1;
// a JPEG is replaced by its 24-bit bitmap.
void LoadPicture(TKestrelImage& image, const std::string& fileName);

// The picture as a bitmap, as the window's base picture would hold it: a
// bitmap as it is, anything else rendered at (0, 0) into a white bitmap of
// its size.
std::unique_ptr<TBitmap> BaseBitmapOf(const TGraphic& graphic);

// The graphic to save under fileName, by its extension (any case):
//   bmp          the picture as a bitmap (BaseBitmapOf)
//   jpg, jpeg    that bitmap encoded as JPEG (quality 90, baseline, colour)
//   gif          that bitmap as a GIF; one of more than 8 bits per pixel raises
//   emf, wmf     a metafile picture itself, else a new metafile holding the
//                bitmap drawn at (0, 0), units per inch 1
//   ico          an icon picture itself; anything else raises
//   png          the picture as a bitmap (BaseBitmapOf), written as PNG
// Any other extension raises. Save it with its SaveToFile(fileName).
std::unique_ptr<TGraphic> GraphicToSave(const TKestrelImage& image, const std::string& fileName);

} // namespace pictor::cli
