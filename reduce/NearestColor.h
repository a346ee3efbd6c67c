// TNearestColor: the exact nearest entry of a palette for any colour
// (squared distance in red, green and blue, ties to the lowest index), for
// mapping every pixel of a large picture to a palette of its own.
//
// Colour space is cut into the 64 x 64 x 64 cells of the colour histogram
// (4 levels a side). Each cell keeps, in index order, the entries that can be
// the nearest for some colour in it: an entry whose smallest distance to the
// cell exceeds some entry's largest distance never is. A cell's list is made
// from that of its block of 4 x 4 x 4 cells, made the same way from the
// whole palette, and only when the cell is first asked for: a photograph
// touches a fraction of the cells.
//
// Nearly every cell keeps one to three entries, held in the cell's own
// record of 16 bytes and searched without a branch. The records lie in
// Morton order (the bits of red, green and blue interleaved), so the cells
// of nearby colours, which neighbouring pixels mostly have, share cache
// lines: the search is bound by memory, not by arithmetic.
#pragma once

#include "gfx/Palette.h"
#include "reduce/ColorHistogram.h"

#include <array>
#include <cstdint>
#include <vector>

namespace pictor {

class TNearestColor {
public:
    // palette holds 1 to 256 entries; the matcher keeps its own copy.
    explicit TNearestColor(const TPalette& palette);

    // The index of the entry nearest to the colour; makes the colour's cell
    // list when it has none yet.
    int Nearest(int red, int green, int blue)
    {
        const TCellRecord& cell = FCells[Morton(red, green, blue)];
        if (cell.Header == kUnmade) MakeCell(red >> 2, green >> 2, blue >> 2);
        return NearestMade(red, green, blue);
    }

    // As Nearest, for a colour whose cell was made (MakeUsedCells): reads
    // only, so threads may share the matcher.
    int NearestMade(int red, int green, int blue) const
    {
        const TCellRecord& cell = FCells[Morton(red, green, blue)];
        if ((cell.Header & kCountMask) > kNear)
            return NearestAmong(FLongLists[cell.Header >> kCountBits], red, green, blue);
        // Short lists are padded to three with their last entry; which entry
        // wins is data, not a branch.
        const int d0 = DistanceTo(cell.Near[0], red, green, blue),
                  d1 = DistanceTo(cell.Near[1], red, green, blue),
                  d2 = DistanceTo(cell.Near[2], red, green, blue);
        const int m01 = -static_cast<int>(d1 < d0);
        const int d01 = d0 ^ ((d0 ^ d1) & m01),
                  i01 = cell.Near[0].Index ^ ((cell.Near[0].Index ^ cell.Near[1].Index) & m01);
        const int m = -static_cast<int>(d2 < d01);
        return i01 ^ ((i01 ^ cell.Near[2].Index) & m);
    }

    // Asks the processor to fetch the colour's cell record, for a colour
    // that will be matched a few pixels later: neighbouring pixels' cells are
    // rarely the same, and their records are fetched while earlier pixels are
    // matched instead of one after another.
    void Prefetch(int red, int green, int blue) const
    {
        __builtin_prefetch(&FCells[Morton(red, green, blue)]);
    }

    // Makes the lists of every cell that received pixels.
    void MakeUsedCells(const TColorHistogram& histogram);

private:
    // An entry as a cell list keeps it, beside its colour.
    struct TCandidate {
        std::uint8_t Red, Green, Blue, Index;
    };
    // A cell: the count of its entries (0 while unmade) in the low
    // kCountBits bits of Header; up to kNear entries in Near, more in the
    // long list whose number is the rest of Header.
    static constexpr std::uint32_t kUnmade = 0;
    static constexpr int kCountBits = 9;
    static constexpr std::uint32_t kCountMask = (1u << kCountBits) - 1;
    static constexpr std::uint32_t kNear = 3;
    struct TCellRecord {
        std::uint32_t Header = kUnmade;
        TCandidate Near[kNear] = {};
    };
    static_assert(sizeof(TCellRecord) == 16, "a cell record is 16 bytes");

    // Each channel's six cell bits spread three apart: red above green above
    // blue.
    static const std::array<std::array<std::uint32_t, 256>, 3> kMortonBits;
    static std::size_t Morton(int red, int green, int blue)
    {
        return kMortonBits[0][static_cast<std::size_t>(red)] |
               kMortonBits[1][static_cast<std::size_t>(green)] |
               kMortonBits[2][static_cast<std::size_t>(blue)];
    }

    static int DistanceTo(const TCandidate& c, int red, int green, int blue)
    {
        const int dr = c.Red - red, dg = c.Green - green, db = c.Blue - blue;
        return dr * dr + dg * dg + db * db;
    }
    static int NearestAmong(const std::vector<TCandidate>& list, int red, int green, int blue);

    // Makes the list of the cell (red, green, blue), each 0 to 63.
    void MakeCell(int red, int green, int blue);
    const std::vector<std::uint8_t>& BlockList(int block);

    std::vector<TPaletteEntry> FEntries;
    std::vector<TCellRecord> FCells;
    std::vector<std::vector<TCandidate>> FLongLists;
    // Blocks of 4 x 4 x 4 cells: the lists of entries, made on first use.
    std::vector<std::vector<std::uint8_t>> FBlocks;
    std::vector<bool> FBlockMade;
};

} // namespace pictor
