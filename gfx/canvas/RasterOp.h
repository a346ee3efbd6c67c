// Raster operations on raw pixel values.
//
// Every one of the sixteen binary operations between a fixed pen value P and
// a destination value D acts on each bit independently, so for a given P it
// is D' = (D & And) ^ Xor with two words computed once per drawing call; bits
// outside the layout's value mask are kept by construction. The ternary
// operations of bitmap transfers vary with the source value S per pixel:
// D' = (D & A(S)) ^ X(S), where A and X are picked bitwise from two words
// each by S.
#pragma once

#include "gfx/Types.h"

#include <cstdint>

namespace pictor::raster {

struct TBitOp {
    std::uint32_t And = ~0u;
    std::uint32_t Xor = 0;
    bool IsNop() const { return And == ~0u && Xor == 0; }
    std::uint32_t operator()(std::uint32_t d) const { return (d & And) ^ Xor; }
};

// The pen mode between pen value pen and the destination, on valueMask.
TBitOp PenOp(TPenMode mode, std::uint32_t pen, std::uint32_t valueMask);

// A ternary raster operation (the code's bits 16-23 are its truth table over
// pattern, source and destination) with a fixed pattern value.
class TSourceOp {
public:
    TSourceOp(std::uint32_t rop, std::uint32_t pattern, std::uint32_t valueMask);
    std::uint32_t operator()(std::uint32_t s, std::uint32_t d) const
    {
        std::uint32_t a = (s & FA1) | (~s & FA0);
        std::uint32_t x = (s & FX1) | (~s & FX0);
        return (d & (a | FKeep)) ^ (x & FMask);
    }
    // True when the result is the source value alone (a plain copy).
    bool IsSourceCopy() const { return FA1 == 0 && FA0 == 0 && FX1 == ~0u && FX0 == 0; }
    // True when the result does not depend on the source.
    bool IgnoresSource() const { return FA1 == FA0 && FX1 == FX0; }
    // The operation for a source-free raster op (IgnoresSource()).
    TBitOp WithoutSource() const { return TBitOp{FA0 | FKeep, FX0 & FMask}; }

private:
    std::uint32_t FA1, FA0, FX1, FX0, FKeep, FMask;
};

// Applies op to the pixels x0 <= x < x1 of a row of bpp bits per pixel.
void ApplyToRun(std::uint8_t* row, int bpp, int x0, int x1, TBitOp op);
// Same, only to the pixels whose bit (7 - (x & 7)) of pattern is set (the
// row of an 8 by 8 hatch).
void ApplyToRunPattern(std::uint8_t* row, int bpp, int x0, int x1, TBitOp op, std::uint8_t pattern);

} // namespace pictor::raster
