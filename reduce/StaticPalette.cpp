#include "reduce/StaticPalette.h"

#include <vector>

namespace pictor {

const TPalette& StaticPalette()
{
    static const TPalette palette = [] {
        std::vector<TPaletteEntry> entries;
        entries.reserve(210);
        for (std::uint8_t red : StaticRedLevels)
            for (std::uint8_t green : StaticGreenLevels)
                for (std::uint8_t blue : StaticBlueLevels) entries.push_back(TPaletteEntry{red, green, blue, 0});
        return TPalette(std::move(entries));
    }();
    return palette;
}

} // namespace pictor
