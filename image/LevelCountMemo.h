// The level counts of the last few pictures counted for the histogram, by
// the version of their pixels (TBitmap::PixelsVersion): a picture drawn
// again unchanged, or made from a counted one through a tone table, is not
// counted again.
#pragma once

#include "image/HistogramData.h"

#include <array>
#include <cstdint>

namespace pictor {

class TLevelCountMemo {
public:
    // The counts kept for pixels of this version, or nullptr. What is found
    // is kept longest.
    const TLevelCounts* Find(std::uint64_t Version);
    // Keeps Counts for pixels of this version, in place of the entry found
    // or kept least lately.
    void Keep(std::uint64_t Version, const TLevelCounts& Counts);

private:
    struct TEntry {
        std::uint64_t Version = 0; // never a pixels version
        std::uint64_t Used = 0;
        TLevelCounts Counts{};
    };
    std::array<TEntry, 4> entries_{};
    std::uint64_t uses_ = 0;
};

} // namespace pictor
