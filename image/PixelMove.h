// Exact pixel moves for turning, mirroring and cropping a bitmap in its own
// format: whole units of 4, 3, 2 or 1 bytes at 32, 24, 16 and 8 bits per
// pixel; 4-bit pixels (high half of a byte first) and 1-bit pixels (most
// significant bit first) with a read-modify-write of their own bits only, so
// the bits beyond a row's last pixel are never written.
//
// Row tables: Source[i] is the first byte of source row i (0 = top), Dest[y]
// that of new row y. The loops run over the new pixels, rows and columns
// ascending (the quarter turns of whole-byte pixels tile by tile); MovePixels
// may give bands of new rows to threads of their own (core/Parallel.h).
#pragma once

#include <cstdint>

namespace pictor {

// Where new pixel (x, y) comes from, for a source of Width by Height:
//   Turn90  (new Height x Width): column y, row Height - 1 - x (clockwise)
//   Turn180 (Width x Height):     column Width - 1 - x, row Height - 1 - y
//   Turn270 (Height x Width):     column Width - 1 - y, row x
//   Mirror  (Width x Height):     column Width - 1 - x, row y
enum class TPixelMapping { Turn90, Turn180, Turn270, Mirror };

// True for the depths the moves handle: 1, 4, 8, 16, 24, 32.
bool PixelMoveSupports(int BitsPerPixel);

void MovePixels(TPixelMapping Mapping, int BitsPerPixel, const std::uint8_t* const* Source, int Width,
                int Height, std::uint8_t* const* Dest);

// Copies the Width by Height block whose top-left pixel is (Left, Top) in
// Source to the top-left of Dest.
void CopyPixelBlock(int BitsPerPixel, const std::uint8_t* const* Source, int Left, int Top, int Width,
                    int Height, std::uint8_t* const* Dest);

} // namespace pictor
