// PNG files, read and written with libpng (PngRead.cpp, PngWrite.cpp; the
// error scheme is in PngCall.h). One decoder serves both the picture files
// and the PNG images inside icons.
//
// Reading takes every colour type and bit depth of the standard, interlaced
// or not. The pixels are the samples as stored: gamma, colour profiles,
// significant bits, background and every other ancillary chunk are skipped.
// Samples of 1, 2 and 4 bits widen to 8 bits and 16-bit ones round to 8,
// both as round(v * 255 / (2^depth - 1)). Transparency (an alpha channel, or
// tRNS: alphas of palette entries, or one transparent grey or colour) is
// laid over white with BlendChannel (BgraImage.h), as icons are rendered.
//
// A damaged file is refused with EInvalidGraphic naming the fault; libpng's
// warnings are dropped and nothing is printed.
#pragma once

#include "gfx/formats/BgraImage.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pictor {

class TBitmap;

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

// Reads a PNG file into result, which should be a new bitmap:
//   palette, 1, 4 or 8 bits   a bitmap of that depth with the file's palette
//   palette, 2 bits           a 4-bit bitmap with the file's palette
//   grey, no tRNS             an 8-bit bitmap with the grey palette (entry i
//                             is grey level i)
//   anything else             a 24-bit bitmap
// A palette picture's tRNS alphas lay each palette entry over white by its
// own alpha (the indices stay); any other picture with transparency is laid
// over white pixel by pixel. Sizes beyond gfx/Limits.h are refused before
// anything is allocated. Raises EInvalidGraphic; result may then hold part
// of the picture, so callers read into a bitmap of their own first.
void ReadPng(std::span<const std::uint8_t> bytes, TBitmap& result);

// Decodes a PNG stream into 8-bit BGRA with straight alpha (an icon's
// image). A width or height above maxSide, or more than maxPixels pixels, is
// refused before anything is allocated. Raises EInvalidGraphic.
TBgraImage DecodePng(std::span<const std::uint8_t> bytes, std::int64_t maxSide, std::int64_t maxPixels);

// The PNG file of bitmap, lossless (see PngWrite.cpp for the depth chosen):
//   1, 4, 8 bits    a palette PNG with the bitmap's palette, entries in
//                   their order, at the smallest of 1, 2, 4 and 8 bits that
//                   holds them
//   any other       8-bit RGB
// An empty bitmap raises EInvalidGraphic.
std::vector<std::uint8_t> WritePng(const TBitmap& bitmap);

// Encodes the picture as an 8-bit RGBA PNG. Raises EInvalidGraphic.
std::vector<std::uint8_t> EncodePng(const TBgraImage& image);

} // namespace pictor
