#include "gfx/ColorMatcher.h"

#include "core/Exception.h"

#include <algorithm>

namespace pictor {

namespace {

constexpr int kCellBits = 3;                   // cells of 8 levels per channel
constexpr int kCellsPerSide = 256 >> kCellBits;
constexpr int kCellSpan = (1 << kCellBits) - 1; // highest offset inside a cell

// Smallest and largest squared distance along one channel between a level
// and the levels lo..lo+kCellSpan.
inline int MinAxis(int v, int lo)
{
    int hi = lo + kCellSpan;
    int d = v < lo ? lo - v : (v > hi ? v - hi : 0);
    return d * d;
}

inline int MaxAxis(int v, int lo)
{
    int d = std::max(v - lo, lo + kCellSpan - v);
    return d * d;
}

} // namespace

TColorMatcher::TColorMatcher(const TPalette& palette) : FEntries(palette.Entries())
{
    PICTOR_ASSERT(!FEntries.empty());
    const int n = static_cast<int>(FEntries.size());
    std::vector<int> minDist(static_cast<std::size_t>(n));
    FCellStart.reserve(kCellsPerSide * kCellsPerSide * kCellsPerSide + 1);
    for (int cr = 0; cr < kCellsPerSide; ++cr)
        for (int cg = 0; cg < kCellsPerSide; ++cg)
            for (int cb = 0; cb < kCellsPerSide; ++cb) {
                int r0 = cr << kCellBits, g0 = cg << kCellBits, b0 = cb << kCellBits;
                int bound = INT32_MAX;
                for (int i = 0; i < n; ++i) {
                    const TPaletteEntry& e = FEntries[static_cast<std::size_t>(i)];
                    minDist[static_cast<std::size_t>(i)] =
                        MinAxis(e.peRed, r0) + MinAxis(e.peGreen, g0) + MinAxis(e.peBlue, b0);
                    bound = std::min(bound, MaxAxis(e.peRed, r0) + MaxAxis(e.peGreen, g0) +
                                                MaxAxis(e.peBlue, b0));
                }
                FCellStart.push_back(static_cast<std::uint32_t>(FCandidates.size()));
                for (int i = 0; i < n; ++i)
                    if (minDist[static_cast<std::size_t>(i)] <= bound)
                        FCandidates.push_back(static_cast<std::uint8_t>(i));
            }
    FCellStart.push_back(static_cast<std::uint32_t>(FCandidates.size()));
}

int TColorMatcher::NearestAmong(std::uint32_t begin, std::uint32_t end, int r, int g, int b) const
{
    int best = FCandidates[begin];
    int bestDistance = INT32_MAX;
    for (std::uint32_t k = begin; k < end; ++k) {
        const TPaletteEntry& e = FEntries[FCandidates[k]];
        int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = FCandidates[k];
        }
    }
    return best;
}

const TColorMatcher& TColorMatcher::Halftone()
{
    static const TColorMatcher matcher(HalftonePalette());
    return matcher;
}

const TColorMatcher& TColorMatcher::System16()
{
    static const TColorMatcher matcher(SystemPalette16());
    return matcher;
}

} // namespace pictor
