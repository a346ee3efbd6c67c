// TPngImage: a PNG picture. It is a bitmap that reads and writes PNG files
// instead of BMP ones, so the picture control treats it as a bitmap and
// every operation works on it as on one read from a BMP file.
//
// Reading (gfx/formats/Png.h): a palette PNG of 1, 4 or 8 bits gives a
// bitmap of that depth with the file's palette, a 2-bit one a 4-bit bitmap;
// grey gives 8 bits with a grey palette; anything else 24 bits. 16-bit
// samples are rounded to 8. Transparency is laid over white: pixel by pixel
// (the picture then has 24 bits), or for a palette PNG entry by entry, so it
// keeps its palette.
//
// Writing: a 1-, 4- or 8-bit bitmap becomes a palette PNG with its palette
// as it stands, at the smallest depth of 1, 2, 4 and 8 bits that holds the
// palette (and every index the pixels use), never above the bitmap's own
// depth; anything deeper becomes 8-bit RGB. Pixels and palette read back
// unchanged; the depth reads back the same when the palette needs it, and
// smaller when a smaller one holds it (an 8-bit bitmap reduced to 16
// colours reads back as 4 bits, one of 3 or 4 colours as a 2-bit PNG, that
// is 4 bits). 15-, 16- and 32-bit bitmaps read back as 24 bits of the same
// colours.
#pragma once

#include "gfx/Bitmap.h"

namespace pictor {

class TPngImage : public TBitmap {
public:
    TPngImage() = default;

    const char* ClassName() const override { return "TPngImage"; }
    std::unique_ptr<TGraphic> Clone() const override;

    // PNG file reading and writing; a failed read leaves the picture as it
    // was.
    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> SaveToBytes() const override;
};

} // namespace pictor
