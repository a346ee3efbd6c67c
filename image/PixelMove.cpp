#include "image/PixelMove.h"

#include "core/Parallel.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace pictor {

namespace {

// The side of the square tiles of the quarter turns, in pixels.
constexpr int kTile = 64;

// A pixel of Bytes whole bytes, copied as one unit.
template <int Bytes>
struct TByteUnit {
    static constexpr int kBytes = Bytes;
    static void Copy(const std::uint8_t* from, int fromX, std::uint8_t* to, int toX)
    {
        std::memcpy(to + static_cast<std::ptrdiff_t>(toX) * Bytes, from + static_cast<std::ptrdiff_t>(fromX) * Bytes,
                    Bytes);
    }
};

// 4 bits: pixel x is the high half of byte x / 2 when x is even, the low
// half when odd.
struct TNibbleUnit {
    static void Copy(const std::uint8_t* from, int fromX, std::uint8_t* to, int toX)
    {
        const int value = (from[fromX >> 1] >> (4 * (1 - (fromX & 1)))) & 0x0F;
        std::uint8_t& b = to[toX >> 1];
        b = static_cast<std::uint8_t>((b & ~(0xF0 >> (4 * (toX & 1)))) | (value << (4 * (1 - (toX & 1)))));
    }
};

// 1 bit: pixel x is bit 7 - x mod 8 of byte x / 8.
struct TBitUnit {
    static void Copy(const std::uint8_t* from, int fromX, std::uint8_t* to, int toX)
    {
        const int value = (from[fromX >> 3] >> (7 - (fromX & 7))) & 1;
        std::uint8_t& b = to[toX >> 3];
        b = static_cast<std::uint8_t>((b & ~(0x80 >> (toX & 7))) | (value << (7 - (toX & 7))));
    }
};

// Runs the moves of one mapping; Map(x, y, sx, sy) names the source of new
// pixel (x, y).
// The new rows a call writes: [Top, Bottom).
struct TRowRange {
    int Top;
    int Bottom;
};

template <class Unit, class Map>
void Move(const std::uint8_t* const* Source, std::uint8_t* const* Dest, int NewWidth, TRowRange Rows, Map map)
{
    for (int y = Rows.Top; y < Rows.Bottom; ++y) {
        std::uint8_t* out = Dest[y];
        for (int x = 0; x < NewWidth; ++x) {
            int sx = 0, sy = 0;
            map(x, y, sx, sy);
            Unit::Copy(Source[sy], sx, out, x);
        }
    }
}

// The quarter turns read the source down its columns. For whole-byte pixels
// the new picture is done in square tiles, so that the source rows a tile
// reads stay in the cache while the tile's rows are written; each new pixel
// is still written exactly once.
template <class Unit, class Map>
void MoveTiled(const std::uint8_t* const* Source, std::uint8_t* const* Dest, int NewWidth, TRowRange Rows, Map map)
{
    for (int top = Rows.Top; top < Rows.Bottom; top += kTile) {
        const int bottom = std::min(top + kTile, Rows.Bottom);
        for (int left = 0; left < NewWidth; left += kTile) {
            const int right = std::min(left + kTile, NewWidth);
            for (int y = top; y < bottom; ++y) {
                std::uint8_t* out = Dest[y];
                for (int x = left; x < right; ++x) {
                    int sx = 0, sy = 0;
                    map(x, y, sx, sy);
                    Unit::Copy(Source[sy], sx, out, x);
                }
            }
        }
    }
}

// Quarter turns: tiled for whole-byte pixels, row by row for the others
// (whose pixels share bytes, written in place by read-modify-write).
template <class Unit, class Map>
void MoveQuarter(const std::uint8_t* const* Source, std::uint8_t* const* Dest, int NewWidth, TRowRange Rows, Map map)
{
    if constexpr (requires { Unit::kBytes; })
        MoveTiled<Unit>(Source, Dest, NewWidth, Rows, map);
    else
        Move<Unit>(Source, Dest, NewWidth, Rows, map);
}

// The new rows in Rows of one mapping.
template <class Unit>
void MoveMapped(TPixelMapping Mapping, const std::uint8_t* const* Source, int W, int H, std::uint8_t* const* Dest,
                TRowRange Rows)
{
    switch (Mapping) {
    case TPixelMapping::Turn90:
        MoveQuarter<Unit>(Source, Dest, H, Rows, [H](int x, int y, int& sx, int& sy) { sx = y; sy = H - 1 - x; });
        break;
    case TPixelMapping::Turn180:
        Move<Unit>(Source, Dest, W, Rows, [W, H](int x, int y, int& sx, int& sy) { sx = W - 1 - x; sy = H - 1 - y; });
        break;
    case TPixelMapping::Turn270:
        MoveQuarter<Unit>(Source, Dest, H, Rows, [W](int x, int y, int& sx, int& sy) { sx = W - 1 - y; sy = x; });
        break;
    case TPixelMapping::Mirror:
        Move<Unit>(Source, Dest, W, Rows, [W](int x, int y, int& sx, int& sy) { sx = W - 1 - x; sy = y; });
        break;
    }
}

template <class Unit>
void CopyBlock(const std::uint8_t* const* Source, int Left, int Top, int W, int H, std::uint8_t* const* Dest)
{
    if constexpr (requires { Unit::kBytes; }) {
        // Whole bytes: each row of the block is one run of bytes.
        const std::size_t bytes = static_cast<std::size_t>(W) * Unit::kBytes;
        const std::ptrdiff_t start = static_cast<std::ptrdiff_t>(Left) * Unit::kBytes;
        for (int y = 0; y < H; ++y) std::memcpy(Dest[y], Source[Top + y] + start, bytes);
    } else {
        Move<Unit>(Source, Dest, W, TRowRange{0, H},
                   [Left, Top](int x, int y, int& sx, int& sy) { sx = Left + x; sy = Top + y; });
    }
}

// Calls F with the unit type of a depth; false for a depth without one.
template <class F>
bool WithUnit(int BitsPerPixel, F f)
{
    switch (BitsPerPixel) {
    case 1: f(TBitUnit{}); return true;
    case 4: f(TNibbleUnit{}); return true;
    case 8: f(TByteUnit<1>{}); return true;
    case 16: f(TByteUnit<2>{}); return true;
    case 24: f(TByteUnit<3>{}); return true;
    case 32: f(TByteUnit<4>{}); return true;
    default: return false;
    }
}

} // namespace

bool PixelMoveSupports(int BitsPerPixel)
{
    return WithUnit(BitsPerPixel, [](auto) {});
}

void MovePixels(TPixelMapping Mapping, int BitsPerPixel, const std::uint8_t* const* Source, int Width,
                int Height, std::uint8_t* const* Dest)
{
    // Threads take whole bands of new rows (whole tiles for the quarter
    // turns); rows never share a byte, so the bits a thread writes are its
    // own at every depth.
    const bool quarter = Mapping == TPixelMapping::Turn90 || Mapping == TPixelMapping::Turn270;
    const int newWidth = quarter ? Height : Width;
    const int newHeight = quarter ? Width : Height;
    SplitWork(
        static_cast<std::size_t>(newHeight), static_cast<std::size_t>(newWidth),
        [&](std::size_t top, std::size_t bottom) {
            const TRowRange rows{static_cast<int>(top), static_cast<int>(bottom)};
            WithUnit(BitsPerPixel,
                     [&](auto unit) { MoveMapped<decltype(unit)>(Mapping, Source, Width, Height, Dest, rows); });
        },
        quarter ? kTile : 1);
}

void CopyPixelBlock(int BitsPerPixel, const std::uint8_t* const* Source, int Left, int Top, int Width,
                    int Height, std::uint8_t* const* Dest)
{
    WithUnit(BitsPerPixel, [&](auto unit) { CopyBlock<decltype(unit)>(Source, Left, Top, Width, Height, Dest); });
}

} // namespace pictor
