// TNearestColor: the exact nearest entry of a palette for any colour
// (squared distance in red, green and blue, ties to the lowest index), for
// mapping every pixel of a large picture to a palette of its own.
//
// Colour space is cut into the 64 x 64 x 64 cells of the colour histogram
// (4 levels a side). Each cell keeps, in index order, the entries that can be
// the nearest for some colour in it: an entry whose smallest distance to the
// cell exceeds some entry's largest distance never is. A cell's list is made
// only when the cell is first asked for (a photograph touches a fraction of
// the cells), from the list of the box of 8 levels a side around it, which
// is made the same way from that of the box of 16 levels, and so on up to
// the whole palette: making a list costs a pass over a short one.
//
// Most cells keep one to three entries, held in the cell's own record of
// four bytes and searched without a branch. A cell that keeps more (where the
// palette is dense, as in the smooth parts of a photograph, most pixels fall
// in such cells) is dense: its record points to a block of 64 bytes, the
// nearest entry of each of its 64 colours, worked out for all of them at
// once when the cell is made. A search ends in one record, or in one record
// and one byte of its block.
//
// The cell records lie in Morton order (the bits of red, green and blue
// interleaved), so the cells of nearby colours, which neighbouring pixels
// mostly have, share cache lines: the search is bound by memory, not by
// arithmetic.
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

    // The index of the entry nearest to the colour; makes the records on the
    // colour's way that are not made yet.
    int Nearest(int red, int green, int blue)
    {
        const std::size_t at = Morton(red, green, blue);
        if (FCells[at] == kUnmade) MakeCell(red >> 2, green >> 2, blue >> 2);
        return Among(FCells[at], red, green, blue);
    }

    // As Nearest, for a colour whose cell was made (MakeUsedCells): reads
    // only, so threads may share the matcher.
    int NearestMade(int red, int green, int blue) const
    {
        return Among(FCells[Morton(red, green, blue)], red, green, blue);
    }

    // Asks the processor to fetch the colour's cell record, for a colour
    // that will be matched a few pixels later: neighbouring pixels' cells are
    // rarely the same, and their records are fetched while earlier pixels are
    // matched instead of one after another.
    void Prefetch(int red, int green, int blue) const
    {
        __builtin_prefetch(&FCells[Morton(red, green, blue)]);
    }

    // Makes the records of every cell that received pixels.
    void MakeUsedCells(const TColorHistogram& histogram);

private:
    // An entry as a list keeps it, beside its colour.
    struct TCandidate {
        std::uint8_t Red, Green, Blue, Index;
    };
    // A list of entries: count of them from offset in the pool.
    struct TListRef {
        std::uint32_t Offset, Count;
    };
    static constexpr std::uint32_t kUnmadeList = 0xFFFFFFFFu;
    // A record in one word, so that the records of a picture's colours
    // mostly stay in the processor's cache: its low byte is 0 while unmade,
    // kDense for a dense cell, else the count of its entries (1 to kNear);
    // the three bytes above hold the entries' indices, padded with the last,
    // or the number of the dense cell's block.
    using TRecord = std::uint32_t;
    static constexpr TRecord kUnmade = 0;
    static constexpr std::uint32_t kStateMask = 0xFF, kDense = 0xFF;
    static constexpr std::size_t kNear = 3;
    // A dense cell's nearest entries, by colour within the cell: red, green
    // and blue's low two bits, red's highest. One cache line.
    struct alignas(64) TBlock {
        std::array<std::uint8_t, 64> Index;
    };

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
    // The nearest entry for a colour of the record's cell.
    int Among(TRecord record, int red, int green, int blue) const
    {
        if ((record & kStateMask) != kDense) return AmongThree(record, red, green, blue);
        return FBlocks[record >> 8]
            .Index[static_cast<std::size_t>((red & 3) << 4 | (green & 3) << 2 | (blue & 3))];
    }
    // Which of a record's three entries wins is data, not a branch.
    int AmongThree(TRecord record, int red, int green, int blue) const
    {
        const int i0 = static_cast<int>(record >> 8 & 0xFF), i1 = static_cast<int>(record >> 16 & 0xFF),
                  i2 = static_cast<int>(record >> 24);
        const int d0 = DistanceTo(FColours[static_cast<std::size_t>(i0)], red, green, blue),
                  d1 = DistanceTo(FColours[static_cast<std::size_t>(i1)], red, green, blue),
                  d2 = DistanceTo(FColours[static_cast<std::size_t>(i2)], red, green, blue);
        const int m01 = -static_cast<int>(d1 < d0);
        const int d01 = d0 ^ ((d0 ^ d1) & m01), i01 = i0 ^ ((i0 ^ i1) & m01);
        const int m = -static_cast<int>(d2 < d01);
        return i01 ^ ((i01 ^ i2) & m);
    }

    // Makes the cell (red, green, blue), each 0 to 63, and returns its
    // record.
    TRecord MakeCell(int red, int green, int blue);
    // Makes the block of the cell at levels (red, green, blue) from the
    // entries that can be nearest there (count of them in FScratch) and
    // returns the cell's record.
    TRecord MakeBlock(std::size_t count, int red, int green, int blue);
    // The list of the box of (1 << bits) levels a side that holds the colour,
    // made from the list of the box twice its side (up to the palette) when
    // first asked for.
    TListRef BoxList(int bits, int red, int green, int blue);
    // The entries of from that can be nearest in the box of span levels a
    // side at (red, green, blue), into FScratch; returns their count.
    std::size_t ScratchCandidates(TListRef from, int red, int green, int blue, int span);
    // Keeps a list in the pool.
    TListRef Keep(const TCandidate* list, std::size_t count);

    // The palette's colours by index.
    std::array<TCandidate, 256> FColours{};
    std::size_t FCount;
    std::vector<TRecord> FCells;
    std::vector<TBlock> FBlocks;
    // Every list lies in one pool: the whole palette first, then the lists
    // of boxes of 64, 32, 16 and 8 levels a side (FTiers[6] .. FTiers[3],
    // made on first use).
    std::vector<TCandidate> FPool;
    std::array<std::vector<TListRef>, 7> FTiers;
    // The list a cell or a box's list is made in (never empty: the entry
    // that sets the bound passes it).
    std::array<TCandidate, 256> FScratch{};
};

} // namespace pictor
