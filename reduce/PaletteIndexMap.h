// TPaletteIndexMap: colour -> index of the first palette entry of that
// colour, for up to 256 colours, in a small open-addressed table.
#pragma once

#include "gfx/Palette.h"
#include "reduce/QuantizeColor.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictor {

class TPaletteIndexMap {
public:
    static constexpr int kMostColors = 256;

    TPaletteIndexMap() { FKeys.fill(kEmpty); }

    explicit TPaletteIndexMap(const TPalette& palette) : TPaletteIndexMap()
    {
        for (int i = 0; i < palette.Count(); ++i) {
            const TPaletteEntry& e = palette[i];
            Add(PackColor(e.peRed, e.peGreen, e.peBlue), i);
        }
    }

    // Gives color the index when it has none yet; returns the index it has.
    // At most kMostColors colours may be added.
    int Add(TPackedColor color, int index)
    {
        std::size_t slot = Slot(color);
        while (FKeys[slot] != kEmpty && FKeys[slot] != color)
            slot = (slot + 1) % kSlots;
        if (FKeys[slot] == kEmpty) {
            FKeys[slot] = color;
            FIndexes[slot] = static_cast<std::uint8_t>(index);
        }
        return FIndexes[slot];
    }

    // The index of color, or -1 when no entry has it.
    int Find(TPackedColor color) const
    {
        for (std::size_t slot = Slot(color);; slot = (slot + 1) % kSlots) {
            if (FKeys[slot] == color) return FIndexes[slot];
            if (FKeys[slot] == kEmpty) return -1;
        }
    }

private:
    static constexpr std::size_t kSlots = 1024; // at most 256 used: short probes
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static std::size_t Slot(TPackedColor color) { return (color * 2654435761u) >> 22; }

    std::array<std::uint32_t, kSlots> FKeys;
    std::array<std::uint8_t, kSlots> FIndexes{};
};

// The entries in their order, each colour once (its first entry).
inline TPalette WithoutDuplicates(const std::vector<TPaletteEntry>& entries)
{
    TPaletteIndexMap known;
    std::vector<TPaletteEntry> distinct;
    for (const TPaletteEntry& e : entries) {
        const int next = static_cast<int>(distinct.size());
        if (known.Add(PackColor(e.peRed, e.peGreen, e.peBlue), next) == next) distinct.push_back(e);
    }
    return TPalette(std::move(distinct));
}

} // namespace pictor
