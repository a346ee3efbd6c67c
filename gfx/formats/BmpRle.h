// Run-length coded BMP pixels (RLE8, RLE4 and the OS/2 RLE24).
#pragma once

namespace pictor {

class TBitmap;
class TByteReader;

enum class TRleKind { kRle8, kRle4, kRle24 };

// Decodes data (from the pixel offset to the end of the file) into bitmap,
// which already has its size and depth (8, 4 or 24 bits); rows are coded
// bottom-up. Pixels the coding skips keep what the bitmap held. A run past
// the end of a row, a move past the picture or data ending before the last
// row raises EInvalidGraphic.
void DecodeRle(const TByteReader& data, TRleKind kind, TBitmap& bitmap);

} // namespace pictor
