// TColorHistogram: how the pixels of a 24-bit picture spread over colour
// space, in 64 x 64 x 64 cells (the top six bits of red, green and blue).
// Each cell keeps its pixel count and the sums of its pixels' red, green and
// blue and of their squared channels, which is all the quality palette needs:
// the means and variances of any box of cells.
//
// Every sum is an integer, so a picture counted in bands of rows on several
// threads and added up gives the same histogram as one pass.
#pragma once

#include "gfx/Bitmap.h"

#include <cstdint>
#include <vector>

namespace pictor {

// The pixel count and channel sums of a set of pixels (a box of cells, a
// cluster); its mean colour is the sums over the count.
struct TColorSum {
    std::uint64_t Count = 0;
    std::uint64_t Red = 0;
    std::uint64_t Green = 0;
    std::uint64_t Blue = 0;

    // Unsigned sums wrap, so a difference of sums comes out exact wherever
    // the true difference is not negative.
    TColorSum& operator+=(const TColorSum& other)
    {
        Count += other.Count;
        Red += other.Red;
        Green += other.Green;
        Blue += other.Blue;
        return *this;
    }
    TColorSum& operator-=(const TColorSum& other)
    {
        Count -= other.Count;
        Red -= other.Red;
        Green -= other.Green;
        Blue -= other.Blue;
        return *this;
    }
};

class TColorHistogram {
public:
    static constexpr int kBits = 6;
    static constexpr int kSide = 1 << kBits;
    static constexpr int kCells = kSide * kSide * kSide;

    // A cell's sums, and the sum of red^2 + green^2 + blue^2 over its
    // pixels.
    struct TCell : TColorSum {
        std::uint64_t Squares = 0;

        TCell& operator+=(const TCell& other)
        {
            TColorSum::operator+=(other);
            Squares += other.Squares;
            return *this;
        }
        TCell& operator-=(const TCell& other)
        {
            TColorSum::operator-=(other);
            Squares -= other.Squares;
            return *this;
        }
    };

    TColorHistogram();

    // The histogram of a 24-bit bitmap, its rows counted in bands over the
    // operation's threads.
    static TColorHistogram Of(const TBitmap& bitmap);
    // The same of some of its rows (width pixels each).
    static TColorHistogram Of(const std::vector<const std::uint8_t*>& rows, int width);

    // The cell of a colour: red's six bits, then green's, then blue's.
    static int CellOf(int red, int green, int blue)
    {
        return (red >> 2) << 12 | (green >> 2) << 6 | blue >> 2;
    }

    // Adds count 24-bit pixels (blue, green, red, one after another).
    void AddPixels(const std::uint8_t* pixels, int count);
    // Adds count pixels of one colour.
    void AddColor(int red, int green, int blue, std::uint64_t count);
    void Add(const TColorHistogram& other);

    const TCell& Cell(int cell) const { return FCells[static_cast<std::size_t>(cell)]; }
    TColorSum SumOf(int cell) const { return Cell(cell); }
    // The numbers of the cells that received pixels, ascending.
    std::vector<int> UsedCells() const;

private:
    std::vector<TCell> FCells;
};

} // namespace pictor
