// Helpers of the canvas tests: bitmaps of every storage layout, filled with
// noise, and snapshots of their raw bytes.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace pictor::canvastest {

struct TLayoutCase {
    std::string Name;
    int Bits;                        // 0: the display's form
    std::optional<TColorMasks> Masks;
};

// Every layout the canvas must write: palette depths, 5-5-5, 5-6-5, 24 and
// 32 bits, custom masks at 16 and 32 bits, and the display's form.
inline std::vector<TLayoutCase> AllLayouts()
{
    return {
        {"1bit", 1, std::nullopt},
        {"4bit", 4, std::nullopt},
        {"8bit", 8, std::nullopt},
        {"15bit", 16, std::nullopt},
        {"16bit565", 16, TColorMasks{0xF800, 0x07E0, 0x001F}},
        {"16bitCustom444", 16, TColorMasks{0x0F00, 0x00F0, 0x000F}},
        {"24bit", 24, std::nullopt},
        {"32bit", 32, std::nullopt},
        {"32bitCustom101010", 32, TColorMasks{0x3FF00000, 0x000FFC00, 0x000003FF}},
        {"display", 0, std::nullopt},
    };
}

// A palette of count entries where entry 0 is black, the last white and the
// others spread over the colour cube.
inline TPalette TestPalette(int count)
{
    count = std::max(count, 2);
    std::vector<TPaletteEntry> entries(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto& e = entries[static_cast<std::size_t>(i)];
        e.peRed = static_cast<std::uint8_t>(i * 255 / (count - 1));
        e.peGreen = static_cast<std::uint8_t>((i * 97) % 256);
        e.peBlue = static_cast<std::uint8_t>(255 - (i * 53) % 256);
    }
    entries.front() = TPaletteEntry{0, 0, 0, 0};
    entries.back() = TPaletteEntry{255, 255, 255, 0};
    return TPalette(entries);
}

inline TBitmap MakeBitmap(const TLayoutCase& layout, int width, int height)
{
    TBitmap b;
    if (layout.Bits == 0) {
        b.SetSize(width, height);
        return b;
    }
    if (layout.Bits <= 8) b.SetPalette(TestPalette(1 << layout.Bits));
    b.SetLayout(layout.Bits, layout.Masks, width, height);
    return b;
}

// Random bytes in every row, padding included.
inline void FillNoise(TBitmap& b, unsigned seed)
{
    std::mt19937 rng(seed);
    for (int y = 0; y < b.Height(); ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int i = 0; i < b.RowStride(); ++i) row[i] = static_cast<std::uint8_t>(rng());
    }
}

inline std::vector<std::uint8_t> RawBytes(const TBitmap& b)
{
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.Height(); ++y) {
        const std::uint8_t* row = b.ScanLine(y);
        out.insert(out.end(), row, row + b.RowStride());
    }
    return out;
}

// A 24-bit bitmap of one colour.
inline TBitmap Plain24(int width, int height, TColor color)
{
    TBitmap b;
    b.SetLayout(24, std::nullopt, width, height);
    b.Canvas().Brush.Color = color;
    b.Canvas().FillRect(Rect(0, 0, width, height));
    return b;
}

// The pixels of b that differ from background, as a picture of '#' and '.'
// rows (for readable failure messages).
inline std::string Picture(const TBitmap& b, TColor background)
{
    std::string s;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) s += b.GetPixel(x, y) == background ? '.' : '#';
        s += '\n';
    }
    return s;
}

// The covered pixels as a picture built from a predicate.
template <class F>
std::string PictureOf(int width, int height, F covered)
{
    std::string s;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) s += covered(x, y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

// The box of the pixels that are not background, inclusive, and their count.
struct TInkBox {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1;
    int Count = 0;
};

// The ink of a bitmap within columns [x0, x1) (all of them by default).
inline TInkBox InkOf(const TBitmap& b, TColor background, int x0 = 0, int x1 = 1 << 30)
{
    TInkBox box;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, b.Width()); ++x) {
            if (b.GetPixel(x, y) == background) continue;
            box.Left = std::min(box.Left, x);
            box.Top = std::min(box.Top, y);
            box.Right = std::max(box.Right, x);
            box.Bottom = std::max(box.Bottom, y);
            ++box.Count;
        }
    }
    return box;
}

} // namespace pictor::canvastest
