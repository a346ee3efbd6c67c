#include "reduce/MedianCut.h"

#include "core/Exception.h"

#include <algorithm>
#include <utility>

namespace pictor {

namespace {

using TChannel = std::int32_t TColorCell::*;
constexpr TChannel kRed = &TColorCell::Red;
constexpr TChannel kGreen = &TColorCell::Green;
constexpr TChannel kBlue = &TColorCell::Blue;

// What the division rules need to know of a box of records.
struct TBoxStats {
    std::int64_t Total = 0;
    std::int64_t Weighted[3] = {0, 0, 0}; // red, green, blue: sums of value * Count
    std::int64_t Squares[3] = {0, 0, 0};  // sums of value^2 * Count
    std::int64_t Plain[3] = {0, 0, 0};    // sums of value
    int Lo[3] = {255, 255, 255};
    int Hi[3] = {0, 0, 0};
    std::int64_t Mean[3] = {0, 0, 0};
};

// Sums, extremes and means of records start to end - 1 (not empty). The
// mean is count-weighted, or plain when the box holds no pixels.
TBoxStats MeasureBox(const TColorCell* cells, int start, int end)
{
    TBoxStats box;
    for (int i = start; i < end; ++i) {
        const TColorCell& cell = cells[i];
        const int values[3] = {cell.Red, cell.Green, cell.Blue};
        box.Total += cell.Count;
        for (int c = 0; c < 3; ++c) {
            const std::int64_t weighted = static_cast<std::int64_t>(values[c]) * cell.Count;
            box.Weighted[c] += weighted;
            box.Squares[c] += weighted * values[c];
            box.Plain[c] += values[c];
            box.Lo[c] = std::min(box.Lo[c], values[c]);
            box.Hi[c] = std::max(box.Hi[c], values[c]);
        }
    }
    for (int c = 0; c < 3; ++c) box.Mean[c] = box.Total > 0 ? box.Weighted[c] / box.Total : box.Plain[c] / (end - start);
    return box;
}

// Picks the axis of the largest weighted spread; equal spreads go to red,
// then green.
template <class T> TChannel WidestAxis(T red, T green, T blue)
{
    if (red >= green && red >= blue) return kRed;
    if (green >= red && green >= blue) return kGreen;
    return kBlue;
}

int ChannelNumber(TChannel channel)
{
    return channel == kRed ? 0 : channel == kGreen ? 1 : 2;
}

} // namespace

TMedianCut::TMedianCut() : FCells(new TColorCell[kCellCount]()), FIndexTable(kCellCount, 0)
{
    for (int i = 0; i < kCellCount; ++i) FCells[static_cast<std::size_t>(i)].CellNo = i;
}

void TMedianCut::AddColor(TPackedColor color)
{
    TColorCell& cell = FCells[static_cast<std::size_t>(CellNumber(color))];
    ++cell.Count;
    cell.Red += RedOf(color) & 3;
    cell.Green += GreenOf(color) & 3;
    cell.Blue += BlueOf(color) & 7;
}

void TMedianCut::AddPixels(const std::uint8_t* pixels, int count)
{
    TColorCell* cells = FCells.get();
    for (int i = 0; i < count; ++i, pixels += 3) {
        const int blue = pixels[0], green = pixels[1], red = pixels[2];
        TColorCell& cell = cells[CellNumber(red, green, blue)];
        ++cell.Count;
        cell.Red += red & 3;
        cell.Green += green & 3;
        cell.Blue += blue & 7;
    }
}

void TMedianCut::MakePalette(int depth, bool usedOnly)
{
    Make(depth, usedOnly, false);
}

void TMedianCut::MakePaletteByVariance(int depth, bool usedOnly)
{
    Make(depth, usedOnly, true);
}

void TMedianCut::Make(int depth, bool usedOnly, bool byVariance)
{
    PICTOR_ASSERT(depth >= 0 && depth <= kMaxDepth);

    // Each cell's representative colour: the truncated mean of its pixels,
    // or its centre when it has none.
    for (int i = 0; i < kCellCount; ++i) {
        TColorCell& cell = FCells[static_cast<std::size_t>(i)];
        const int r = cell.CellNo >> 11, g = (cell.CellNo >> 5) & 63, b = cell.CellNo & 31;
        if (cell.Count != 0) {
            cell.Red = cell.Red / cell.Count + 4 * r;
            cell.Green = cell.Green / cell.Count + 4 * g;
            cell.Blue = cell.Blue / cell.Count + 8 * b;
        } else {
            cell.Red = 4 * r + 2;
            cell.Green = 4 * g + 2;
            cell.Blue = 8 * b + 4;
        }
    }
    FColorCount = 0;

    int n = kCellCount;
    if (usedOnly) {
        TColorCell* end = std::stable_partition(FCells.get(), FCells.get() + kCellCount,
                                                [](const TColorCell& cell) { return cell.Count != 0; });
        n = static_cast<int>(end - FCells.get());
    }

    if (byVariance)
        DivideByVariance(0, n, 0, depth);
    else
        Divide(0, n, 0, depth);

    std::fill(FIndexTable.begin(), FIndexTable.end(), std::uint8_t{0});
    for (int j = 0; j < n; ++j) {
        const TColorCell& cell = FCells[static_cast<std::size_t>(j)];
        FIndexTable[static_cast<std::size_t>(cell.CellNo)] = static_cast<std::uint8_t>(cell.Index & 0xFF);
    }
}

void TMedianCut::MakeEntry(int start, int end, std::int64_t red, std::int64_t green, std::int64_t blue)
{
    TEntry& entry = FPalette[FColorCount];
    entry.Blue = static_cast<std::uint8_t>(blue & 0xFF);
    entry.Green = static_cast<std::uint8_t>(green & 0xFF);
    entry.Red = static_cast<std::uint8_t>(red & 0xFF);
    entry.Reserved = 0;
    for (int i = start; i < end; ++i) FCells[static_cast<std::size_t>(i)].Index = FColorCount;
    ++FColorCount;
}

int TMedianCut::Partition(int start, int end, TChannel channel, std::int64_t mean)
{
    TColorCell* cells = FCells.get();
    int i = start, j = end;
    while (j > i) {
        while (i < j && cells[i].*channel <= mean) ++i;
        while (j > i && cells[j - 1].*channel > mean) --j;
        if (i != j) std::swap(cells[i], cells[j - 1]);
    }
    return i;
}

template <class AxisRule> void TMedianCut::DivideWith(int start, int end, int depth, int limit, AxisRule axisOf)
{
    if (start == end) return; // an empty box makes no entry
    const TBoxStats box = MeasureBox(FCells.get(), start, end);
    if (depth == limit || box.Total == 0) {
        MakeEntry(start, end, box.Mean[0], box.Mean[1], box.Mean[2]);
        return;
    }
    const TChannel axis = axisOf(box);
    const int split = Partition(start, end, axis, box.Mean[ChannelNumber(axis)]);
    // The part above the mean first: it receives the lower indices.
    DivideWith(split, end, depth + 1, limit, axisOf);
    DivideWith(start, split, depth + 1, limit, axisOf);
}

void TMedianCut::Divide(int start, int end, int depth, int limit)
{
    DivideWith(start, end, depth, limit, [](const TBoxStats& box) {
        // In extended precision: 1.4 * 45 must equal 1.0 * 63 exactly.
        const long double wR = 1.2L * static_cast<long double>(box.Hi[0] - box.Lo[0]);
        const long double wG = 1.4L * static_cast<long double>(box.Hi[1] - box.Lo[1]);
        const long double wB = 1.0L * static_cast<long double>(box.Hi[2] - box.Lo[2]);
        return WidestAxis(wR, wG, wB);
    });
}

void TMedianCut::DivideByVariance(int start, int end, int depth, int limit)
{
    DivideWith(start, end, depth, limit, [](const TBoxStats& box) {
        // The sums of squares are whole numbers below 2^63: exact in 64-bit
        // integers and, converted, in extended precision.
        long double variance[3];
        for (int c = 0; c < 3; ++c)
            variance[c] = static_cast<long double>(box.Squares[c]) / static_cast<long double>(box.Total) -
                          static_cast<long double>(box.Mean[c] * box.Mean[c]);
        return WidestAxis(3.0L * variance[0], 4.0L * variance[1], 2.0L * variance[2]);
    });
}

TPalette TMedianCut::GetPalette() const
{
    std::vector<TPaletteEntry> entries(static_cast<std::size_t>(FColorCount));
    for (int i = 0; i < FColorCount; ++i) {
        const TEntry& e = FPalette[i];
        entries[static_cast<std::size_t>(i)] = TPaletteEntry{e.Red, e.Green, e.Blue, 0};
    }
    return TPalette(std::move(entries));
}

TMedianCutQuantizeColor::TMedianCutQuantizeColor(const TMedianCut& medianCut) : FMedianCut(&medianCut)
{
    const TPalette palette = medianCut.GetPalette();
    palette.GetEntries(0, 256, FEntries);
}

} // namespace pictor
