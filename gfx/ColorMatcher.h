// TColorMatcher: the exact nearest palette entry of a colour (squared RGB
// distance, ties to the lowest index, as TPalette::NearestIndex), fast enough
// to map every pixel of a large picture.
//
// The colour cube is cut into 32 x 32 x 32 cells of 8 x 8 x 8 colours. For
// each cell the matcher keeps, in index order, the entries that can be the
// nearest for some colour of the cell; an entry whose smallest distance to
// the cell exceeds the smallest largest distance of any entry never is. Most
// cells keep one or two entries, so a query compares a handful at most.
#pragma once

#include "gfx/Palette.h"

#include <cstdint>
#include <vector>

namespace pictor {

class TColorMatcher {
public:
    // Builds the cell lists for palette (which must not be empty); the
    // matcher keeps its own copy of the entries.
    explicit TColorMatcher(const TPalette& palette);

    int Nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b) const
    {
        unsigned cell = (unsigned(r) >> 3) << 10 | (unsigned(g) >> 3) << 5 | (unsigned(b) >> 3);
        std::uint32_t begin = FCellStart[cell], end = FCellStart[cell + 1];
        if (end - begin == 1) return FCandidates[begin];
        return NearestAmong(begin, end, r, g, b);
    }

    // The matchers of the two palettes of the pixel-format conversions, built
    // once on first use.
    static const TColorMatcher& Halftone();
    static const TColorMatcher& System16();

private:
    int NearestAmong(std::uint32_t begin, std::uint32_t end, int r, int g, int b) const;

    std::vector<TPaletteEntry> FEntries;
    std::vector<std::uint32_t> FCellStart;  // 32768 + 1 offsets into FCandidates
    std::vector<std::uint8_t> FCandidates;  // entry indices, ascending per cell
};

} // namespace pictor
