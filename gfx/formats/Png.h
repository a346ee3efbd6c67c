// PNG reading and writing with libpng's simplified API. That API runs every
// libpng call inside libpng's own error guard and reports failure by its
// return value, so no longjmp ever reaches our frames; we turn a failure into
// EInvalidGraphic with libpng's message.
#pragma once

#include "gfx/formats/BgraImage.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pictor {

// What the IHDR chunk says.
struct TPngInfo {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;  // bit depth times channels, as stored
};

// True when bytes start with the PNG signature.
bool IsPng(std::span<const std::uint8_t> bytes);

// Reads the signature and the IHDR chunk only. Raises EInvalidGraphic.
TPngInfo ReadPngInfo(std::span<const std::uint8_t> bytes);

// Decodes a whole PNG stream into 8-bit BGRA (16-bit samples reduced,
// palette, grey and transparency expanded). A width or height above maxSide,
// or more than maxPixels pixels, is refused before anything is allocated.
// Raises EInvalidGraphic.
TBgraImage DecodePng(std::span<const std::uint8_t> bytes, std::int64_t maxSide, std::int64_t maxPixels);

// Encodes the picture as an 8-bit RGBA PNG. Raises EInvalidGraphic.
std::vector<std::uint8_t> EncodePng(const TBgraImage& image);

} // namespace pictor
