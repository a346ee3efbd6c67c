#include "reduce/ColorHistogram.h"

#include "core/Parallel.h"
#include "gfx/BitmapRows.h"

#include <mutex>

namespace pictor {

TColorHistogram::TColorHistogram() : FCells(kCells) {}

TColorHistogram TColorHistogram::Of(const TBitmap& bitmap)
{
    return Of(ReadRows(bitmap), bitmap.Width());
}

TColorHistogram TColorHistogram::Of(const std::vector<const std::uint8_t*>& rows, int width)
{
    TColorHistogram total;
    std::mutex totalMutex;
    bool first = true;
    SplitWork(rows.size(), static_cast<std::size_t>(width), [&](std::size_t begin, std::size_t end) {
        // The band that finds the total still empty counts straight into it.
        {
            const std::lock_guard lock(totalMutex);
            if (first) {
                first = false;
                for (std::size_t y = begin; y < end; ++y)
                    total.AddPixels(rows[y], width);
                return;
            }
        }
        TColorHistogram band;
        for (std::size_t y = begin; y < end; ++y)
            band.AddPixels(rows[y], width);
        const std::lock_guard lock(totalMutex);
        total.Add(band);
    });
    return total;
}

void TColorHistogram::AddPixels(const std::uint8_t* pixels, int count)
{
    TCell* cells = FCells.data();
    for (int x = 0; x < count; ++x, pixels += 3) {
        const unsigned blue = pixels[0], green = pixels[1], red = pixels[2];
        TCell& cell = cells[CellOf(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue))];
        ++cell.Count;
        cell.Red += red;
        cell.Green += green;
        cell.Blue += blue;
        cell.Squares += red * red + green * green + blue * blue;
    }
}

void TColorHistogram::AddColor(int red, int green, int blue, std::uint64_t count)
{
    TCell& cell = FCells[static_cast<std::size_t>(CellOf(red, green, blue))];
    const auto r = static_cast<std::uint64_t>(red), g = static_cast<std::uint64_t>(green),
               b = static_cast<std::uint64_t>(blue);
    cell.Count += count;
    cell.Red += count * r;
    cell.Green += count * g;
    cell.Blue += count * b;
    cell.Squares += count * (r * r + g * g + b * b);
}

void TColorHistogram::Add(const TColorHistogram& other)
{
    for (std::size_t i = 0; i < FCells.size(); ++i)
        FCells[i] += other.FCells[i];
}

std::vector<int> TColorHistogram::UsedCells() const
{
    std::vector<int> used;
    for (int i = 0; i < kCells; ++i)
        if (FCells[static_cast<std::size_t>(i)].Count != 0) used.push_back(i);
    return used;
}

} // namespace pictor
