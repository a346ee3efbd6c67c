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
    const int high = low + span - 1;
    const int d = value < low ? low - value : value > high ? value - high : 0;
    return d * d;
}

inline int FarthestOnAxis(int value, int low, int span)
{
    const int d = std::max(value - low, low + span - 1 - value);
    return d * d;
}

// The entries of from (count of them, ascending by index) that can be the
// nearest for some colour of the box of span levels a side at (red, green,
// blue), ascending.
template <class TCandidate, class Sink>
void Candidates(const TCandidate* from, std::size_t count, int red, int green, int blue, int span,
                Sink&& sink)
{
    int bound = INT_MAX;
    for (std::size_t i = 0; i < count; ++i)
        bound = std::min(bound, FarthestOnAxis(from[i].Red, red, span) +
                                    FarthestOnAxis(from[i].Green, green, span) +
                                    FarthestOnAxis(from[i].Blue, blue, span));
    for (std::size_t i = 0; i < count; ++i)
        if (NearestOnAxis(from[i].Red, red, span) + NearestOnAxis(from[i].Green, green, span) +
                NearestOnAxis(from[i].Blue, blue, span) <=
            bound)
            sink(from[i]);
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
    if (span == 1) {
        // One colour: its one nearest entry, the first of equals.
        int best = INT_MAX;
        for (std::size_t i = 0; i < from.Count; ++i)
            if (const int d = DistanceTo(entries[i], red, green, blue); d < best) {
                best = d;
                FScratch[0] = entries[i];
            }
        return 1;
    }
    std::size_t count = 0;
    Candidates(entries, from.Count, red, green, blue, span,
               [&](const TCandidate& c) { FScratch[count++] = c; });
    return count;
}

TNearestColor::TRecord TNearestColor::RecordOf(TListRef from, int red, int green, int blue, int span)
{
    const TCandidate* list = FScratch.data();
    const std::size_t count = ScratchCandidates(from, red, green, blue, span);
    if (count > kNear) {
        PICTOR_ASSERT(FSplitLists.size() < (std::size_t{1} << 24));
        const TRecord split = kSplit | static_cast<TRecord>(FSplitLists.size()) << 8;
        FSplitLists.push_back(Keep(list, count));
        FSplitCells.resize(FSplitCells.size() + 8, kUnmade);
        return split;
    }
    TRecord record = static_cast<TRecord>(count);
    for (std::size_t k = 0; k < kNear; ++k)
        record |= static_cast<TRecord>(list[std::min(k, count - 1)].Index) << (8 * (k + 1));
    return record;
}

TNearestColor::TRecord TNearestColor::MakeCell(int red, int green, int blue)
{
    const TRecord record =
        RecordOf(BoxList(kCellBits + 1, red * kCellSpan, green * kCellSpan, blue * kCellSpan),
                 red * kCellSpan, green * kCellSpan, blue * kCellSpan, kCellSpan);
    FCells[Morton(red * kCellSpan, green * kCellSpan, blue * kCellSpan)] = record;
    return record;
}

int TNearestColor::NearestInSplit(TRecord split, int red, int green, int blue)
{
    for (int bit = 1;; --bit) {
        const std::size_t at = SplitCell(split, bit, red, green, blue);
        if (FSplitCells[at] == kUnmade) {
            const int low = ~((1 << bit) - 1);
            // Made first, then stored: making may move the records.
            const TRecord record =
                RecordOf(FSplitLists[split >> 8], red & low, green & low, blue & low, 1 << bit);
            FSplitCells[at] = record;
        }
        const TRecord record = FSplitCells[at];
        if ((record & kStateMask) != kSplit) return AmongThree(record, red, green, blue);
        split = record;
    }
}

void TNearestColor::MakeSplit(TRecord split, int red, int green, int blue, int span)
{
    const int half = span / 2;
    for (int octant = 0; octant < 8; ++octant) {
        const int r = red + (octant >> 2) * half, g = green + (octant >> 1 & 1) * half,
                  b = blue + (octant & 1) * half;
        const std::size_t at = 8 * static_cast<std::size_t>(split >> 8) + static_cast<std::size_t>(octant);
        if (FSplitCells[at] == kUnmade) {
            const TRecord record = RecordOf(FSplitLists[split >> 8], r, g, b, half);
            FSplitCells[at] = record;
        }
        if (const TRecord below = FSplitCells[at]; (below & kStateMask) == kSplit)
            MakeSplit(below, r, g, b, half);
    }
}

void TNearestColor::MakeUsedCells(const TColorHistogram& histogram)
{
    constexpr int side = TColorHistogram::kSide;
    for (int cell = 0; cell < TColorHistogram::kCells; ++cell) {
        if (histogram.Cell(cell).Count == 0) continue;
        const int red = cell / (side * side), green = cell / side % side, blue = cell % side;
        TRecord record = FCells[Morton(red * kCellSpan, green * kCellSpan, blue * kCellSpan)];
        if (record == kUnmade) record = MakeCell(red, green, blue);
        if ((record & kStateMask) == kSplit)
            MakeSplit(record, red * kCellSpan, green * kCellSpan, blue * kCellSpan, kCellSpan);
    }
}

} // namespace pictor
