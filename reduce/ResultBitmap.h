// The bitmap every reduction driver returns: 8 bits per pixel, the source's
// size, the driver's palette.
#pragma once

#include "gfx/Bitmap.h"

#include <memory>
#include <optional>
#include <vector>

namespace pictor {

// A new 8-bit bitmap of the given size with the palette (one black entry
// when it has none), its indices still to be written.
inline std::unique_ptr<TBitmap> NewResult(int width, int height, TPalette palette)
{
    if (palette.Empty()) palette = TPalette(std::vector<TPaletteEntry>{TPaletteEntry{}});
    auto result = std::make_unique<TBitmap>();
    result->SetLayout(8, std::nullopt, width, height);
    result->SetPalette(palette);
    return result;
}

} // namespace pictor
