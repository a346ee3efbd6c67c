// The modes of TKestrelImage::ReduceColors: the driver each runs and the
// palette sizes it can be asked for. A new mode is one row of the table in
// ReductionModes.cpp.
#pragma once

#include <cstdint>
#include <memory>

namespace pictor {

class TBitmap;

// The palette sizes (Colors) a mode takes.
enum class TColorCounts {
    Only256,     // a fixed palette: 256 stands for "as the mode makes it"
    From2To256,  // any size from 2 to 256
    PowersOfTwo, // 2, 4, 8, ..., 256
};

// Modes are 0 to ReductionModeCount() - 1.
int ReductionModeCount();
// The sizes mode (below ReductionModeCount()) takes.
TColorCounts ColorCountsOf(std::uint8_t mode);
bool AcceptsColors(TColorCounts counts, int colors);

// The driver of mode on a 24-bit bitmap, for a palette of at most colors
// entries (which the mode accepts): a new 8-bit bitmap of the same size.
std::unique_ptr<TBitmap> ReduceByMode(std::uint8_t mode, const TBitmap& bitmap, int colors);

} // namespace pictor
