// Device-independent bitmaps as metafile records carry them: a bitmap info
// header with its colour table, and the pixel rows. Decoding keeps the
// bitmap's own bits per pixel, colour masks and colour table, so the pixels
// come back exactly; encoding writes a TBitmap the same way.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/formats/ByteReader.h"

#include <cstdint>
#include <vector>

namespace pictor {

// How the colour table of a DIB is to be read.
enum class TDibColors {
    Rgb,          // RGB quads
    PaletteIndex, // 16-bit indices into the current logical palette
};

// Decodes the header and colour table in info and the rows in bits (1, 4, 8,
// 16, 24 or 32 bits per pixel; uncompressed, 8- and 4-bit run-length encoded,
// or with bit fields). palette resolves PaletteIndex colour tables. Raises
// TBadRecord for anything that does not fit its views or the picture size
// limits, and for formats it does not know (JPEG or PNG inside a DIB).
TBitmap DecodeDib(const TByteReader& info, const TByteReader& bits, TDibColors colors, const TPalette& palette);

// The same for a packed DIB, whose rows follow its colour table.
TBitmap DecodePackedDib(const TByteReader& dib, TDibColors colors, const TPalette& palette);

// Width times height that info declares (for budgets before decoding);
// raises TBadRecord for a size that decoding would refuse anyway.
std::int64_t DibPixelCount(const TByteReader& info);

// A bitmap as BITMAPINFO (header, masks, colour table) and bottom-up rows.
struct TDibBytes {
    std::vector<std::uint8_t> Info;
    std::vector<std::uint8_t> Bits;
};
TDibBytes EncodeDib(const TBitmap& bitmap);

} // namespace pictor
