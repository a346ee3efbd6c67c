#include "reduce/DistinctColors.h"

#include "reduce/QuantizeColor.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace pictor {

std::optional<std::vector<TColorSum>> DistinctColors(const TBitmap& bitmap, std::size_t limit)
{
    // Open addressing at most half full: short probes.
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(2 * limit, 16));
    const std::size_t mask = slots - 1;
    const int shift = 32 - std::countr_zero(slots);
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> keys(slots, kEmpty);
    std::vector<std::uint64_t> counts(slots, 0);
    std::size_t distinct = 0;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
            const TPackedColor color = PixelColor(p);
            std::size_t slot = (color * 2654435761u) >> shift;
            while (keys[slot] != color && keys[slot] != kEmpty)
                slot = (slot + 1) & mask;
            if (keys[slot] == kEmpty) {
                if (++distinct > limit) return std::nullopt;
                keys[slot] = color;
            }
            ++counts[slot];
        }
    }
    std::vector<std::uint32_t> colors;
    colors.reserve(distinct);
    for (std::size_t slot = 0; slot < slots; ++slot)
        if (keys[slot] != kEmpty) colors.push_back(static_cast<std::uint32_t>(slot));
    std::sort(colors.begin(), colors.end(),
              [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::vector<TColorSum> sums;
    sums.reserve(distinct);
    for (std::uint32_t slot : colors) {
        const TPackedColor color = keys[slot];
        const std::uint64_t n = counts[slot];
        sums.push_back(TColorSum{n, n * static_cast<std::uint64_t>(RedOf(color)),
                                 n * static_cast<std::uint64_t>(GreenOf(color)),
                                 n * static_cast<std::uint64_t>(BlueOf(color))});
    }
    return sums;
}

} // namespace pictor
