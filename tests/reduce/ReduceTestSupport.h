// Helpers shared by the colour-reduction tests.
#pragma once

#include "reduce/QuantizeColor.h"

#include <cstdint>
#include <vector>

namespace pictor::testing {

// Packed colours as 24-bit pixels (blue, green, red).
inline std::vector<std::uint8_t> Pixels(const std::vector<TPackedColor>& colors)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(colors.size() * 3);
    for (TPackedColor c : colors) {
        bytes.push_back(static_cast<std::uint8_t>(BlueOf(c)));
        bytes.push_back(static_cast<std::uint8_t>(GreenOf(c)));
        bytes.push_back(static_cast<std::uint8_t>(RedOf(c)));
    }
    return bytes;
}

} // namespace pictor::testing
