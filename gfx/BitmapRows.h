// The row table of a bitmap, for work that runs over its rows on several
// threads: the rows are looked up before the threads start, since ScanLine
// may unshare the pixels, which only the caller may do.
#pragma once

#include "gfx/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictor {

// Entry y is row y (0 = top). Reading never copies shared pixels; writing
// unshares them once.
inline std::vector<const std::uint8_t*> ReadRows(const TBitmap& Bitmap)
{
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(Bitmap.Height()));
    for (int y = 0; y < Bitmap.Height(); ++y) rows[static_cast<std::size_t>(y)] = Bitmap.ScanLine(y);
    return rows;
}

inline std::vector<std::uint8_t*> WriteRows(TBitmap& Bitmap)
{
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(Bitmap.Height()));
    for (int y = 0; y < Bitmap.Height(); ++y) rows[static_cast<std::size_t>(y)] = Bitmap.ScanLine(y);
    return rows;
}

} // namespace pictor
