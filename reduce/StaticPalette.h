// The fixed palette of 210 colours (six levels of red, seven of green, five
// of blue), its channel tables and TQuantizeToStaticColor, which maps any
// colour onto it. The tables are constant; the palette is made once, on
// first use.
#pragma once

#include "gfx/Palette.h"
#include "reduce/QuantizeColor.h"

#include <array>
#include <cstdint>

namespace pictor {

inline constexpr std::array<std::uint8_t, 6> StaticRedLevels = {0, 51, 102, 153, 204, 255};
inline constexpr std::array<std::uint8_t, 7> StaticGreenLevels = {0, 43, 85, 128, 171, 214, 255};
inline constexpr std::array<std::uint8_t, 5> StaticBlueLevels = {0, 64, 128, 192, 255};

namespace detail {

// Channel value -> level number, level k covering the values up to
// upper[k]. The ranges are fixed as they are, not always the nearest level
// (red 230 is level 4, green 234 level 6).
template <std::size_t N>
constexpr std::array<std::uint8_t, 256> LevelIndexTable(const std::array<int, N>& upper)
{
    std::array<std::uint8_t, 256> table{};
    std::size_t level = 0;
    for (int value = 0; value < 256; ++value) {
        while (value > upper[level]) ++level;
        table[static_cast<std::size_t>(value)] = static_cast<std::uint8_t>(level);
    }
    return table;
}

} // namespace detail

inline constexpr std::array<std::uint8_t, 256> RedLevelIndex =
    detail::LevelIndexTable(std::array<int, 6>{25, 76, 127, 178, 230, 255});
inline constexpr std::array<std::uint8_t, 256> GreenLevelIndex =
    detail::LevelIndexTable(std::array<int, 7>{21, 63, 106, 149, 192, 233, 255});
inline constexpr std::array<std::uint8_t, 256> BlueLevelIndex =
    detail::LevelIndexTable(std::array<int, 5>{31, 95, 159, 223, 255});

// The fixed palette's index of a colour: red level * 35 + green level * 5 +
// blue level.
inline int StaticColorIndex(int red, int green, int blue)
{
    return RedLevelIndex[static_cast<std::size_t>(red)] * 35 + GreenLevelIndex[static_cast<std::size_t>(green)] * 5 +
           BlueLevelIndex[static_cast<std::size_t>(blue)];
}

// The 210 colours: entry r * 35 + g * 5 + b holds the red level r, green
// level g and blue level b. Callers that hand it on take a copy.
const TPalette& StaticPalette();

// Maps a colour onto the fixed palette, channel by channel.
class TQuantizeToStaticColor final : public TQuantizeColor {
public:
    void Quantize(TRGBTriple& dest, TPackedColor color) const override
    {
        dest.rgbtRed = StaticRedLevels[RedLevelIndex[static_cast<std::size_t>(RedOf(color))]];
        dest.rgbtGreen = StaticGreenLevels[GreenLevelIndex[static_cast<std::size_t>(GreenOf(color))]];
        dest.rgbtBlue = StaticBlueLevels[BlueLevelIndex[static_cast<std::size_t>(BlueOf(color))]];
    }
};

} // namespace pictor
