// Test pictures as plain rows of bytes: 24-bit pictures for the resampling
// arithmetic and packed pictures of any depth for the pixel moves, each with
// reference pixel access written independently of the code under test.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace pictor::testing {

// The value of pixel x of a row of the depth: its unit's bits as a number
// (the first pixel of a byte in its most significant bits; whole units
// little-endian).
inline std::uint32_t GetUnit(const std::uint8_t* row, int bits, int x)
{
    if (bits >= 8) {
        std::uint32_t v = 0;
        for (int k = bits / 8 - 1; k >= 0; --k) v = (v << 8) | row[x * (bits / 8) + k];
        return v;
    }
    const int bit = x * bits;
    const int shift = 8 - bits - bit % 8;
    return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

inline void SetUnit(std::uint8_t* row, int bits, int x, std::uint32_t v)
{
    if (bits >= 8) {
        for (int k = 0; k < bits / 8; ++k) row[x * (bits / 8) + k] = static_cast<std::uint8_t>(v >> (8 * k));
        return;
    }
    const int bit = x * bits;
    const int shift = 8 - bits - bit % 8;
    const std::uint8_t mask = static_cast<std::uint8_t>(((1u << bits) - 1) << shift);
    row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | ((v << shift) & mask));
}

// Rows of Width * Bits bits, padded to 4 bytes (as a device-independent
// bitmap's rows are).
struct TPackedPicture {
    int Bits = 24;
    int Width = 0;
    int Height = 0;
    int Stride = 0;
    std::vector<std::uint8_t> Bytes;

    TPackedPicture(int bits, int width, int height, std::uint8_t fill = 0)
        : Bits(bits), Width(width), Height(height), Stride((width * bits + 31) / 32 * 4),
          Bytes(static_cast<std::size_t>(Stride) * static_cast<std::size_t>(height), fill)
    {
    }

    std::uint8_t* Row(int y) { return Bytes.data() + static_cast<std::ptrdiff_t>(y) * Stride; }
    const std::uint8_t* Row(int y) const { return Bytes.data() + static_cast<std::ptrdiff_t>(y) * Stride; }

    std::vector<const std::uint8_t*> ReadRows() const
    {
        std::vector<const std::uint8_t*> rows;
        for (int y = 0; y < Height; ++y) rows.push_back(Row(y));
        return rows;
    }
    std::vector<std::uint8_t*> WriteRows()
    {
        std::vector<std::uint8_t*> rows;
        for (int y = 0; y < Height; ++y) rows.push_back(Row(y));
        return rows;
    }

    std::uint32_t Get(int x, int y) const { return GetUnit(Row(y), Bits, x); }
    void Set(int x, int y, std::uint32_t v) { SetUnit(Row(y), Bits, x, v); }

    void Randomise(std::mt19937& rng)
    {
        for (auto& b : Bytes) b = static_cast<std::uint8_t>(rng());
    }
};

// A 24-bit picture whose pixels are grey (blue, green and red alike), from
// values listed row by row.
inline TPackedPicture GreyPicture(int width, int height, const std::vector<int>& values)
{
    TPackedPicture p(24, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint32_t>(values[static_cast<std::size_t>(y * width + x)]);
            p.Set(x, y, v | v << 8 | v << 16);
        }
    return p;
}

// Channel c (0 blue, 1 green, 2 red) of every pixel, row by row.
inline std::vector<int> Channel(const TPackedPicture& p, int c)
{
    std::vector<int> values;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) values.push_back(static_cast<int>(p.Row(y)[3 * x + c]));
    return values;
}

} // namespace pictor::testing
