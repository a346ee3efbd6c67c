// KMeansRefine: k-means that moves a first palette (Wu's boxes) to a
// minimum of the squared error.
//
// The points are colours weighted by their pixel counts: the picture's own
// colours when it has few, the used cells of its histogram otherwise. A
// Lloyd round gives every point to its nearest centre (squared distance in
// red, green and blue, ties to the lowest centre) and moves every centre to
// the mean of its pixels. Positions are kept in sixteenths of a level, as
// integers, so distances are exact; bounds on the distances (Hamerly's) spare
// the search for the points that cannot have changed centre, and a search
// visits the other centres in order of their distance from the point's own,
// stopping where they are too far to be nearer. A centre left without
// points moves to the point that costs most where it is.
//
// Lloyd's rounds stop in a local minimum. Where the points are few enough,
// relocation trials follow: the centre that costs least to give up (merged
// into its nearest neighbour) is moved into the cluster of the largest error,
// which is split along its principal axis, and Lloyd's rounds run again; a
// trial is kept only when the error falls, and the first that does not
// ends them.
//
// Everything runs on the calling thread in one fixed order: the same points
// and start give the same clusters on every run.
#pragma once

#include "reduce/ColorHistogram.h"

#include <vector>

namespace pictor {

// How hard k-means works: Lloyd's rounds at most, and whether relocation
// trials follow (where the points are few enough).
struct TKMeansEffort {
    int Rounds;
    bool Relocate;
};
// For a palette used as it comes out. Photographs of many colours settle
// slowly: rounds after the twelfth move a point here and there and lower the
// error by a few hundredths of a decibel.
inline constexpr TKMeansEffort kFinalPalette{12, true};
// The same over the cells of a histogram, where a relocation moves whole
// cells and pays less than it costs.
inline constexpr TKMeansEffort kFinalPaletteOfCells{12, false};
// For a start that is refined further (the palette fitted to diffusion),
// where more rounds change nothing that shows.
inline constexpr TKMeansEffort kPaletteStart{4, false};

// The clusters of the points (each a count and channel sums), refined from
// start (at most 256 clusters with pixels, their means the first centres),
// in the order of start; clusters that end without pixels are left out.
std::vector<TColorSum> KMeansRefine(const std::vector<TColorSum>& points, const std::vector<TColorSum>& start,
                                    const TKMeansEffort& effort);

} // namespace pictor
