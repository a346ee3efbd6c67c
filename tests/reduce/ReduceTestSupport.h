// Helpers shared by the colour-reduction tests.
#pragma once

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "reduce/QuantizeColor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
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

// A 24-bit bitmap whose pixels, row by row from the top, are colors.
inline std::unique_ptr<TBitmap> Bitmap24(int width, int height, const std::vector<TPackedColor>& colors)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetLayout(24, std::nullopt, width, height);
    const std::vector<std::uint8_t> bytes = Pixels(colors);
    for (int y = 0; y < height; ++y)
        std::memcpy(bitmap->ScanLine(y), bytes.data() + static_cast<std::size_t>(y) * width * 3,
                    static_cast<std::size_t>(width) * 3);
    return bitmap;
}

// The packed colours of a 24-bit bitmap, row by row from the top.
inline std::vector<TPackedColor> Colors24(const TBitmap& bitmap)
{
    std::vector<TPackedColor> colors;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) colors.push_back(PixelColor(bitmap.ScanLine(y) + 3 * x));
    return colors;
}

// The palette indices of an 8-bit bitmap, row by row from the top.
inline std::vector<int> Indexes8(const TBitmap& bitmap)
{
    std::vector<int> indexes;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) indexes.push_back(bitmap.ScanLine(y)[x]);
    return indexes;
}

inline TPackedColor PaletteColor(const TPalette& palette, int index)
{
    return PackColor(palette[index].peRed, palette[index].peGreen, palette[index].peBlue);
}

// The palette colour of every pixel of an 8-bit result.
inline std::vector<TPackedColor> ResultColors(const TBitmap& result)
{
    const TPalette palette = result.Palette();
    std::vector<TPackedColor> colors;
    for (int index : Indexes8(result)) colors.push_back(PaletteColor(palette, index));
    return colors;
}

// The message of the assertion failure call raises.
inline std::string AssertionMessage(const std::function<void()>& call)
{
    try {
        call();
    } catch (const EAssertionFailed& e) {
        return e.what();
    }
    return "no assertion failure";
}

// Colours of photo-like pictures: clusters of nearby colours with a share of
// noise.
inline std::vector<TPackedColor> ClusteredColors(std::mt19937& random, int count, int clusters, int spread)
{
    std::vector<TPackedColor> centres;
    for (int i = 0; i < clusters; ++i) centres.push_back(random() & 0xFFFFFF);
    std::uniform_int_distribution<int> offset(-spread, spread);
    std::vector<TPackedColor> colors;
    for (int i = 0; i < count; ++i) {
        if (i % 17 == 0) {
            colors.push_back(random() & 0xFFFFFF);
            continue;
        }
        const TPackedColor c = centres[random() % centres.size()];
        colors.push_back(PackColor(std::clamp(RedOf(c) + offset(random), 0, 255),
                                   std::clamp(GreenOf(c) + offset(random), 0, 255),
                                   std::clamp(BlueOf(c) + offset(random), 0, 255)));
    }
    return colors;
}

} // namespace pictor::testing
