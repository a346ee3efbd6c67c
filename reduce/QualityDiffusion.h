// Error diffusion for the quality reduction: serpentine Floyd-Steinberg
// against any palette, in red, green and blue.
//
// Rows run left to right and right to left in turn, so the error does not
// drift one way. Each pixel's colour with the error it has received is held
// inside the colour cube before it is matched, and its error is taken from
// the colour so held: an error that points outside the cube, which no
// palette colour can pay back, is dropped instead of being carried on and
// smearing the pixels after it. Errors travel in 256ths of a level and the
// working colour in sixteenths, so nothing is lost to rounding on the way.
#pragma once

#include "gfx/Palette.h"
#include "reduce/NearestColor.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace pictor {

// Diffuses rows of 24-bit pixels (width each, top to bottom) against the
// palette that nearest matches, and hands every pixel to
// sink(y, x, index, working), working being the colour that was matched, in
// sixteenths of a level (blue, green, red).
template <class Sink>
void DiffuseRows(const std::vector<const std::uint8_t*>& rows, int width, const TPalette& palette,
                 TNearestColor& nearest, Sink&& sink)
{
    if (width <= 0) return;
    // The error received by each pixel of this row and the next, per channel
    // (blue, green, red), in 256ths of a level, with one pixel of margin on
    // either side.
    const std::size_t rowValues = (static_cast<std::size_t>(width) + 2) * 3;
    std::vector<std::int32_t> here(rowValues, 0), below(rowValues, 0);
    // Palette colours in sixteenths of a level, blue, green, red.
    std::vector<std::int32_t> colours;
    for (const TPaletteEntry& e : palette.Entries()) {
        colours.push_back(16 * e.peBlue);
        colours.push_back(16 * e.peGreen);
        colours.push_back(16 * e.peRed);
    }
    for (std::size_t y = 0; y < rows.size(); ++y) {
        std::fill(below.begin(), below.end(), 0);
        const bool forward = y % 2 == 0;
        const std::ptrdiff_t ahead = forward ? 3 : -3;
        // The share the pixel before gave this one, kept out of memory.
        std::int32_t carried[3] = {0, 0, 0};
        for (int i = 0; i < width; ++i) {
            const int x = forward ? i : width - 1 - i;
            std::int32_t* cur = here.data() + 3 * (x + 1);
            std::int32_t* under = below.data() + 3 * (x + 1);
            const std::uint8_t* p = rows[y] + 3 * x;
            std::int32_t t[3];
            for (int c = 0; c < 3; ++c)
                t[c] = std::clamp(16 * p[c] + ((cur[c] + carried[c] + 8) >> 4), 0, 255 * 16);
            const int index = nearest.Nearest((t[2] + 8) >> 4, (t[1] + 8) >> 4, (t[0] + 8) >> 4);
            sink(y, x, index, t);
            const std::int32_t* q = colours.data() + 3 * index;
            for (int c = 0; c < 3; ++c) {
                const std::int32_t e = t[c] - q[c];
                carried[c] = 7 * e;
                under[-ahead + c] += 3 * e;
                under[c] += 5 * e;
                under[ahead + c] += e;
            }
        }
        std::swap(here, below);
    }
}

} // namespace pictor
