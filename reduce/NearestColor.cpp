#include "reduce/NearestColor.h"

#include "core/Exception.h"

#include <algorithm>
#include <climits>

namespace pictor {

namespace {

constexpr int kCellSpan = 4;   // levels a side of a cell
constexpr int kBlockSpan = 16; // levels a side of a block of cells
constexpr int kBlockSide = 256 / kBlockSpan;

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

// The entries of from (indices into entries, ascending) that can be the
// nearest for some colour of the box of span levels a side at (red, green,
// blue), ascending.
template <class Sink>
void Candidates(const std::vector<TPaletteEntry>& entries, const std::vector<std::uint8_t>& from, int red,
                int green, int blue, int span, Sink&& sink)
{
    int bound = INT_MAX;
    for (std::uint8_t i : from) {
        const TPaletteEntry& e = entries[i];
        bound = std::min(bound, FarthestOnAxis(e.peRed, red, span) + FarthestOnAxis(e.peGreen, green, span) +
                                    FarthestOnAxis(e.peBlue, blue, span));
    }
    for (std::uint8_t i : from) {
        const TPaletteEntry& e = entries[i];
        if (NearestOnAxis(e.peRed, red, span) + NearestOnAxis(e.peGreen, green, span) +
                NearestOnAxis(e.peBlue, blue, span) <=
            bound)
            sink(i);
    }
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
    : FEntries(palette.Entries()), FCells(TColorHistogram::kCells),
      FBlocks(kBlockSide * kBlockSide * kBlockSide), FBlockMade(FBlocks.size(), false)
{
    PICTOR_ASSERT(!FEntries.empty() && FEntries.size() <= 256);
}

const std::vector<std::uint8_t>& TNearestColor::BlockList(int block)
{
    std::vector<std::uint8_t>& list = FBlocks[static_cast<std::size_t>(block)];
    if (!FBlockMade[static_cast<std::size_t>(block)]) {
        std::vector<std::uint8_t> all(FEntries.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<std::uint8_t>(i);
        const int red = (block / (kBlockSide * kBlockSide)) * kBlockSpan,
                  green = (block / kBlockSide % kBlockSide) * kBlockSpan,
                  blue = (block % kBlockSide) * kBlockSpan;
        Candidates(FEntries, all, red, green, blue, kBlockSpan, [&](std::uint8_t i) { list.push_back(i); });
        FBlockMade[static_cast<std::size_t>(block)] = true;
    }
    return list;
}

void TNearestColor::MakeCell(int red, int green, int blue)
{
    constexpr int perBlock = kBlockSpan / kCellSpan;
    const int block = ((red / perBlock) * kBlockSide + green / perBlock) * kBlockSide + blue / perBlock;
    std::vector<TCandidate> list;
    Candidates(FEntries, BlockList(block), red * kCellSpan, green * kCellSpan, blue * kCellSpan, kCellSpan,
               [&](std::uint8_t i) {
                   const TPaletteEntry& e = FEntries[i];
                   list.push_back(TCandidate{e.peRed, e.peGreen, e.peBlue, i});
               });
    TCellRecord& cell = FCells[Morton(red * kCellSpan, green * kCellSpan, blue * kCellSpan)];
    cell.Header = static_cast<std::uint32_t>(list.size());
    for (std::size_t k = 0; k < kNear; ++k)
        cell.Near[k] = list[std::min(k, list.size() - 1)];
    if (list.size() > kNear) {
        cell.Header |= static_cast<std::uint32_t>(FLongLists.size()) << kCountBits;
        FLongLists.push_back(std::move(list));
    }
}

void TNearestColor::MakeUsedCells(const TColorHistogram& histogram)
{
    constexpr int side = TColorHistogram::kSide;
    for (int cell = 0; cell < TColorHistogram::kCells; ++cell) {
        if (histogram.Cell(cell).Count == 0) continue;
        const int red = cell / (side * side), green = cell / side % side, blue = cell % side;
        if (FCells[Morton(red * kCellSpan, green * kCellSpan, blue * kCellSpan)].Header == kUnmade)
            MakeCell(red, green, blue);
    }
}

int TNearestColor::NearestAmong(const std::vector<TCandidate>& list, int red, int green, int blue)
{
    int best = 0, bestDistance = INT_MAX;
    for (const TCandidate& c : list) {
        const int d = DistanceTo(c, red, green, blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = c.Index;
        }
    }
    return best;
}

} // namespace pictor
