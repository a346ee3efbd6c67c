// A 24-bit bitmap of one colour, for the histogram tests.
#pragma once

#include "gfx/Bitmap.h"

#include <optional>

namespace pictor::testing {

inline TBitmap Filled(int width, int height, TColor colour)
{
    TBitmap bitmap;
    bitmap.SetLayout(24, std::nullopt, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, colour);
    return bitmap;
}

} // namespace pictor::testing
