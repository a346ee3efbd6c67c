// BMP files: the reader takes every variant found in practice, the writer
// writes a bitmap at its own depth with its own palette. See BmpRead.cpp and
// BmpWrite.cpp for what each accepts and produces.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pictor {

class TBitmap;

// Reads a BMP file into result, which should be a new bitmap. Anything it
// cannot read raises EInvalidGraphic naming the fault; result may then hold
// a partial picture, so callers read into a bitmap of their own first.
void ReadBmp(std::span<const std::uint8_t> bytes, TBitmap& result);

// The BMP file of bitmap. An empty bitmap raises EInvalidGraphic.
std::vector<std::uint8_t> WriteBmp(const TBitmap& bitmap);

} // namespace pictor
