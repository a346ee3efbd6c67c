#include "reduce/NearestColor.h"

#include "core/Exception.h"

#include <algorithm>
#include <climits>

namespace pictor {

namespace {

constexpr int kCellBits = 2; // a cell is 1 << kCellBits levels a side
constexpr int kCellSpan = 1 << kCellBits;
constexpr int kPaletteBits = 8; // the whole palette's box: all colours
constexpr int kTopTier = 6;     // the largest box with lists of its own

// The smallest and largest squared distance along one channel between a
// level and the levels low to low + span - 1.
inline int NearestOnAxis(int value, int low, int span)
{
    const int d = std::max({low - value, value - (low + span - 1), 0});
    return d * d;
}

inline int FarthestOnAxis(int value, int low, int span)
{
    const int d = std::max(value - low, low + span - 1 - value);
    return d * d;
}

} // namespace

const std::array<std::array<std::uint32_t, 256>, 3> TNearestColor::kMortonBits = [] {
    std::array<std::array<std::uint32_t, 256>, 3> bits{};
    for (int value = 0; value < 256; ++value) {
        const int cell = value >> 2;
        std::uint32_t spread = 0;
        for (int bit = 0; bit < TColorHistogram::kBits; ++bit)
            spread |= static_cast<std::uint32_t>((cell >> bit) & 1) << (3 * bit);
        for (std::size_t channel = 0; channel < 3; ++channel)
            bits[channel][static_cast<std::size_t>(value)] = spread << (2 - channel);
    }
    return bits;
}();

TNearestColor::TNearestColor(const TPalette& palette)
    : FCount(palette.Entries().size()), FCells(TColorHistogram::kCells, kUnmade)
{
    PICTOR_ASSERT(FCount >= 1 && FCount <= 256);
    for (std::size_t i = 0; i < FCount; ++i) {
        const TPaletteEntry& e = palette.Entries()[i];
        FColours[i] = TCandidate{e.peRed, e.peGreen, e.peBlue, static_cast<std::uint8_t>(i)};
    }
    FPool.assign(FColours.begin(), FColours.begin() + static_cast<std::ptrdiff_t>(FCount));
    for (int bits = kCellBits + 1; bits <= kTopTier; ++bits) {
        const std::size_t side = std::size_t{256} >> bits;
        FTiers[static_cast<std::size_t>(bits)].assign(side * side * side, TListRef{0, kUnmadeList});
    }
}

TNearestColor::TListRef TNearestColor::Keep(const TCandidate* list, std::size_t count)
{
    const TListRef kept{static_cast<std::uint32_t>(FPool.size()), static_cast<std::uint32_t>(count)};
    FPool.insert(FPool.end(), list, list + count);
    return kept;
}

TNearestColor::TListRef TNearestColor::BoxList(int bits, int red, int green, int blue)
{
    if (bits > kTopTier) return TListRef{0, static_cast<std::uint32_t>(FCount)};
    const std::size_t side = std::size_t{256} >> bits;
    const std::size_t at =
        ((static_cast<std::size_t>(red >> bits) * side) + static_cast<std::size_t>(green >> bits)) * side +
        static_cast<std::size_t>(blue >> bits);
    std::vector<TListRef>& tier = FTiers[static_cast<std::size_t>(bits)];
    if (tier[at].Count == kUnmadeList) {
        const TListRef from = BoxList(bits == kTopTier ? kPaletteBits : bits + 1, red, green, blue);
        const int low = ~((1 << bits) - 1);
        const std::size_t count = ScratchCandidates(from, red & low, green & low, blue & low, 1 << bits);
        tier[at] = Keep(FScratch.data(), count);
    }
    return tier[at];
}

std::size_t TNearestColor::ScratchCandidates(TListRef from, int red, int green, int blue, int span)
{
    const TCandidate* entries = FPool.data() + from.Offset;
    int bound = INT_MAX;
    for (std::size_t i = 0; i < from.Count; ++i)
        bound = std::min(bound, FarthestOnAxis(entries[i].Red, red, span) +
                                    FarthestOnAxis(entries[i].Green, green, span) +
                                    FarthestOnAxis(entries[i].Blue, blue, span));
    // Which entries pass is data: a branch on it would be mispredicted for
    // every other entry.
    std::size_t count = 0;
    for (std::size_t i = 0; i < from.Count; ++i) {
        FScratch[count] = entries[i];
        count += static_cast<std::size_t>(NearestOnAxis(entries[i].Red, red, span) +
                                              NearestOnAxis(entries[i].Green, green, span) +
                                              NearestOnAxis(entries[i].Blue, blue, span) <=
                                          bound);
    }
    return count;
}

TNearestColor::TRecord TNearestColor::MakeBlock(std::size_t count, int red, int green, int blue)
{
    // Every colour of the cell against every entry of its list at once, four
    // blues at a time in the lanes of the processor's vector unit: the
    // squared distance along each channel takes four values per entry.
    using TLanes = int __attribute__((vector_size(16)));
    // By red, then green; a lane per blue.
    std::array<TLanes, 16> best, index;
    best.fill(TLanes{} + INT_MAX);
    index.fill(TLanes{});
    for (std::size_t k = 0; k < count; ++k) {
        const TCandidate& c = FScratch[k];
        const auto square = [](int d) { return d * d; };
        const int b = c.Blue - blue;
        const TLanes blues{square(b), square(b - 1), square(b - 2), square(b - 3)};
        for (int r = 0; r < kCellSpan; ++r)
            for (int g = 0; g < kCellSpan; ++g) {
                const std::size_t at = static_cast<std::size_t>(kCellSpan * r + g);
                const TLanes d = blues + (square(c.Red - red - r) + square(c.Green - green - g));
                // Strictly nearer: of equals, the first in index order stays.
                const TLanes nearer = d < best[at];
                best[at] = (d & nearer) | (best[at] & ~nearer);
                index[at] = (c.Index & nearer) | (index[at] & ~nearer);
            }
    }
    PICTOR_ASSERT(FBlocks.size() < (std::size_t{1} << 24));
    TBlock& block = FBlocks.emplace_back();
    for (std::size_t i = 0; i < 64; ++i)
        block.Index[i] = static_cast<std::uint8_t>(index[i / 4][i % 4]);
    return kDense | static_cast<TRecord>(FBlocks.size() - 1) << 8;
}

TNearestColor::TRecord TNearestColor::MakeCell(int red, int green, int blue)
{
    red *= kCellSpan;
    green *= kCellSpan;
    blue *= kCellSpan;
    const std::size_t count =
        ScratchCandidates(BoxList(kCellBits + 1, red, green, blue), red, green, blue, kCellSpan);
    TRecord record = static_cast<TRecord>(count);
    if (count > kNear)
        record = MakeBlock(count, red, green, blue);
    else
        for (std::size_t k = 0; k < kNear; ++k)
            record |= static_cast<TRecord>(FScratch[std::min(k, count - 1)].Index) << (8 * (k + 1));
    FCells[Morton(red, green, blue)] = record;
    return record;
}

void TNearestColor::MakeUsedCells(const TColorHistogram& histogram)
{
    constexpr int side = TColorHistogram::kSide;
    for (int cell = 0; cell < TColorHistogram::kCells; ++cell) {
        if (histogram.Cell(cell).Count == 0) continue;
        const int red = cell / (side * side), green = cell / side % side, blue = cell % side;
        if (FCells[Morton(red * kCellSpan, green * kCellSpan, blue * kCellSpan)] == kUnmade)
            MakeCell(red, green, blue);
    }
}

} // namespace pictor
