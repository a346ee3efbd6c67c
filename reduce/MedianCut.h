// TMedianCut: a palette of at most 2^Depth colours (Depth 0 to 8) by
// recursive box division of a 131,072-cell colour histogram (six bits of
// red, six of green, five of blue).
//
// Each cell stands for the mean colour of its pixels (its centre when it has
// none). A box of cells is halved on one axis at the count-weighted mean of
// that axis, the part above the mean first, until the depth limit; each final
// box becomes one palette entry, its count-weighted mean colour, and all of
// its cells map to that entry. The axis is the one of the largest weighted
// range (MakePalette) or of the largest weighted variance
// (MakePaletteByVariance).
//
// TMedianCutQuantizeColor answers the error diffusion's questions from a
// finished TMedianCut.
#pragma once

#include "gfx/Palette.h"
#include "reduce/QuantizeColor.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pictor {

// One histogram cell.
struct TColorCell {
    // Palette index of the box the cell ends in.
    std::int32_t Index;
    // The cell's own number; it travels with the record when records move.
    std::int32_t CellNo;
    // Pixels that fell into the cell.
    std::int32_t Count;
    // While pixels are added: sums of the bits below the cell's precision
    // (two of red and green, three of blue). After the palette is made: the
    // cell's representative colour, 0 to 255.
    std::int32_t Red;
    std::int32_t Green;
    std::int32_t Blue;
};

class TMedianCut {
public:
    static constexpr int kCellCount = 131072;
    // The palette holds 256 entries: 2^8.
    static constexpr int kMaxDepth = 8;

    // One palette entry as the median cut keeps it.
    struct TEntry {
        std::uint8_t Blue = 0;
        std::uint8_t Green = 0;
        std::uint8_t Red = 0;
        std::uint8_t Reserved = 0;
    };

    TMedianCut();
    TMedianCut(const TMedianCut&) = delete;
    TMedianCut& operator=(const TMedianCut&) = delete;

    static int CellNumber(int red, int green, int blue) { return (red >> 2) * 2048 + (green >> 2) * 32 + (blue >> 3); }
    static int CellNumber(TPackedColor color) { return CellNumber(RedOf(color), GreenOf(color), BlueOf(color)); }

    // Adds one pixel to its cell.
    void AddColor(TPackedColor color);
    // Adds count 24-bit pixels (blue, green, red, one after another).
    void AddPixels(const std::uint8_t* pixels, int count);

    // Builds the palette and the index table, once per object. Depth is 0 to
    // 8 (beyond that an assertion failure). usedOnly divides only the cells
    // that received pixels (the others map to 0); otherwise every cell takes
    // part, so that every colour has its own box.
    void MakePalette(int depth, bool usedOnly);
    void MakePaletteByVariance(int depth, bool usedOnly);

    int GetColorIndex(TPackedColor color) const { return FIndexTable[static_cast<std::size_t>(CellNumber(color))]; }
    // FColorCount entries, entry i the colour of box i.
    TPalette GetPalette() const;

    // The recursive steps over records start to end - 1: by weighted range,
    // and by weighted variance.
    void Divide(int start, int end, int depth, int limit);
    void DivideByVariance(int start, int end, int depth, int limit);

    int ColorCount() const { return FColorCount; }
    const TEntry& PaletteEntry(int index) const { return FPalette[index]; }
    const TColorCell& Cell(int record) const { return FCells[static_cast<std::size_t>(record)]; }
    // Cell number -> palette index.
    const std::uint8_t* IndexTable() const { return FIndexTable.data(); }

private:
    void Make(int depth, bool usedOnly, bool byVariance);
    // One division step; axisOf picks the channel to cut from the box's sums.
    template <class AxisRule> void DivideWith(int start, int end, int depth, int limit, AxisRule axisOf);
    // Makes records start to end - 1 one palette entry of the given colour.
    void MakeEntry(int start, int end, std::int64_t red, std::int64_t green, std::int64_t blue);
    // Splits records start to end - 1 on one channel (offset of Red, Green or
    // Blue) around mean; returns the first record above it.
    int Partition(int start, int end, std::int32_t TColorCell::*channel, std::int64_t mean);

    std::unique_ptr<TColorCell[]> FCells;
    std::vector<std::uint8_t> FIndexTable;
    int FColorCount = 0;
    TEntry FPalette[256];
};

// The palette colour of a colour, read from a finished TMedianCut, which must
// outlive it.
class TMedianCutQuantizeColor final : public TQuantizeColor {
public:
    // Copies the median cut's palette entries (up to 256).
    explicit TMedianCutQuantizeColor(const TMedianCut& medianCut);

    void Quantize(TRGBTriple& dest, TPackedColor color) const override
    {
        const TPaletteEntry& e = FEntries[FMedianCut->GetColorIndex(color)];
        dest.rgbtBlue = e.peBlue;
        dest.rgbtGreen = e.peGreen;
        dest.rgbtRed = e.peRed;
    }

private:
    const TMedianCut* FMedianCut;
    TPaletteEntry FEntries[256] = {};
};

} // namespace pictor
