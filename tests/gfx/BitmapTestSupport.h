// Helpers shared by the bitmap tests.
#pragma once

#include "gfx/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace pictor::testing {

// A 24-bit picture of width by height: gradients with random colours mixed in,
// so every channel level and many colour combinations occur.
inline TBitmap MakeTestPicture(int width, int height, unsigned seed = 1)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(width, height);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = row + 3 * x;
            if ((x + y) % 3 == 0) {
                p[0] = static_cast<std::uint8_t>(rng());
                p[1] = static_cast<std::uint8_t>(rng());
                p[2] = static_cast<std::uint8_t>(rng());
            } else {
                p[0] = static_cast<std::uint8_t>(x * 7 + y);
                p[1] = static_cast<std::uint8_t>(y * 5 + x * 3);
                p[2] = static_cast<std::uint8_t>(255 - x * 11);
            }
        }
    }
    return b;
}

// True when both bitmaps have the same size and every pixel the same colour.
inline ::testing::AssertionResult SameColours(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << std::hex
                                                     << a.GetPixel(x, y) << " vs " << b.GetPixel(x, y);
    return ::testing::AssertionSuccess();
}

} // namespace pictor::testing
