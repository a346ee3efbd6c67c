// TWuQuantizer: the first palette of the quality reduction, by Wu's
// variance-minimising division of the colour histogram.
//
// Colour space is a box of 64 x 64 x 64 histogram cells. The box whose
// pixels have the largest variance (the sum of their squared distances from
// its mean) is cut in two, on the axis and at the cell boundary that leave
// the two halves the least variance together; then the next, until there are
// as many boxes as colours wanted, or no box of more than one colour can be
// cut. Cumulative moments of the histogram give any box's count, sums and
// squares from its eight corners, so each cut costs a scan of one box edge.
//
// Ties go to the first box, the first axis (red, green, blue) and the lowest
// cut; the sums are integers and the comparisons on them are made in one
// fixed order, so the boxes are the same on every run.
#pragma once

#include "reduce/ColorHistogram.h"

#include <cstdint>
#include <vector>

namespace pictor {

class TWuQuantizer {
public:
    explicit TWuQuantizer(const TColorHistogram& histogram);

    // At most colors boxes (colors at least 1), each with the pixel count and
    // channel sums of its pixels; a picture without pixels gives none.
    std::vector<TColorSum> Boxes(int colors) const;

private:
    // The moments of the cells from the origin up to a corner, or of a box.
    using TMoments = TColorHistogram::TCell;
    // Cells Low (exclusive) to High (inclusive) on each axis, in corner
    // coordinates 0 to 64.
    struct TBox {
        int Low[3];
        int High[3];
    };

    static constexpr int kCorners = TColorHistogram::kSide + 1;
    static std::size_t At(int red, int green, int blue)
    {
        return (static_cast<std::size_t>(red) * kCorners + static_cast<std::size_t>(green)) * kCorners +
               static_cast<std::size_t>(blue);
    }

    TMoments Volume(const TBox& box) const;
    double Variance(const TBox& box) const;
    // Cuts box in two, keeping the lower half in box and returning the upper
    // in upper; false when no cut leaves pixels on both sides.
    bool Cut(TBox& box, TBox& upper) const;

    std::vector<TMoments> FCumulative;
};

} // namespace pictor
