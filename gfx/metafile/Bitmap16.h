// The device-dependent bitmaps of old-style records (the Bitmap16 object of
// BITBLT, STRETCHBLT and pattern brushes): a header of type, width, height,
// bytes per row, planes and bits per pixel, and the rows top-down. They carry
// no colour table: 1-bit pixels are black and white (a transfer onto colour
// makes them the text and background colours), 4-bit ones index the
// 16-colour system palette and 8-bit ones the palette in force (the
// halftone palette when none is selected).
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/formats/RecordView.h"

#include <cstdint>

namespace pictor::mf {

struct TBitmap16Header {
    int Width = 0;
    int Height = 0;
    int RowBytes = 0;
    int BitsPerPixel = 0;
};

// The header at offset; raises TBadRecord unless it has one plane of 1, 4, 8,
// 16, 24 or 32 bits, a size within the picture limits and rows long enough
// for its width.
TBitmap16Header ReadBitmap16Header(const TRecordView& r, std::size_t at);

// The bitmap of header whose rows start at bitsAt (all inside r, else
// TBadRecord); palette colours the 8-bit pixels (the halftone palette when
// empty).
TBitmap DecodeBitmap16(const TRecordView& r, const TBitmap16Header& header, std::size_t bitsAt,
                       const TPalette& palette);

// True when the bytes at offset start a DIB header rather than a Bitmap16
// (pattern brushes hold either).
bool StartsDib(const TRecordView& r, std::size_t at);

} // namespace pictor::mf
