// GIF files through giflib's sequential API, from and to memory. giflib
// reports failures by return values and error codes and never prints, so
// every failure here is an EInvalidGraphic with a reason of our own. See
// GifRead.cpp and GifWrite.cpp for what each side accepts and produces.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pictor {

class TBitmap;

// Reads the first frame of a GIF file into result (a new bitmap): an 8-bit
// bitmap of the logical screen's size with the frame's colour table (or the
// global one), the frame composed onto a white canvas, transparent pixels
// white. Anything it cannot read raises EInvalidGraphic naming the fault;
// result may then hold a partial picture, so callers read into a bitmap of
// their own first.
void ReadGif(std::span<const std::uint8_t> bytes, TBitmap& result);

// The number of frames (image descriptors) in a GIF file, counted by walking
// its blocks without decoding any pixels and without allocating. Counting
// stops at the trailer, at the end of the bytes, or at the first block that
// makes no sense; 0 when the bytes do not start like a GIF file.
int CountGifFrames(std::span<const std::uint8_t> bytes);

// The single-frame GIF89a file of a bitmap of 1, 4 or 8 bits per pixel, with
// its palette. A deeper bitmap raises EInvalidGraphic asking for a colour
// reduction first; so does an empty one, or one wider or taller than the
// format's 65,535 pixels.
std::vector<std::uint8_t> WriteGif(const TBitmap& bitmap);

} // namespace pictor
