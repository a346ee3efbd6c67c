// The pixel arithmetic of Enlarge and Shrink on 24-bit rows (blue, green,
// red), bit for bit as the resampling is defined:
//
// - scale factors and sample positions are held as doubles but evaluated in
//   extended precision (long double) and rounded to double where they are
//   stored; fractional parts, weight products and every intermediate value
//   stay in long double; the channel sums of Shrink are doubles, its area a
//   float;
// - every result channel is rounded to the nearest integer, ties to even.
//
// Row tables: Source[i] is the first byte of source row i (0 = top), Dest[y]
// that of result row y. Bands of result rows may be made on threads of their
// own (core/Parallel.h); a result byte never depends on which.
#pragma once

#include <cstdint>

namespace pictor {

// From / To evaluated in extended precision and stored as a double.
double ResampleScale(int From, int To);

// ((Width * Height) / NewWidth) / NewHeight in extended precision, stored as
// a float: the normalising area of Shrink. NewWidth, NewHeight != 0.
float ShrinkArea(int Width, int Height, int NewWidth, int NewHeight);

// Bilinear interpolation at the result pixels' centres mapped into the
// source, neighbours clamped at the edges. Width, Height >= 1. Its quick
// evaluation uses vector instructions as wide as the processor has, up to
// four doubles; LimitResampleVectors(2 or 0) keeps it to two or none (for
// tests: every width gives the same bytes).
void LimitResampleVectors(int Lanes);
void EnlargeRows(const std::uint8_t* const* Source, int Width, int Height, std::uint8_t* const* Dest,
                 int NewWidth, int NewHeight);

// Area averaging: each result pixel is the sum of the source pixels its box
// covers, weighted by their overlap, divided by Area. Width, Height >= 1.
void ShrinkRows(const std::uint8_t* const* Source, int Width, int Height, std::uint8_t* const* Dest,
                int NewWidth, int NewHeight, float Area);

} // namespace pictor
