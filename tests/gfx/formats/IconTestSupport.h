// Builds icon files byte by byte for the icon tests: BMP-style images at any
// depth with their AND masks, PNG images, and the directory around them.
#pragma once

#include "gfx/formats/BgraImage.h"
#include "gfx/formats/ByteWriter.h"
#include "gfx/formats/Png.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace pictor::testing {

using TBytes = std::vector<std::uint8_t>;

// One palette entry: blue, green, red.
using TBgr = std::array<std::uint8_t, 3>;

// A BMP-style icon image of width by height pixels at bits (1, 4, 8, 16, 24,
// 32). pixel(x, y) gives a palette index for 1 to 8 bits, the stored 16-bit
// value for 16, and 0xAARRGGBB for 24 and 32 (alpha ignored at 24);
// masked(x, y) gives the AND mask bit. y = 0 is the top row.
inline TBytes DibIconImage(int width, int height, int bits, const std::vector<TBgr>& palette,
                           const std::function<std::uint32_t(int, int)>& pixel,
                           const std::function<bool(int, int)>& masked, bool withMask = true)
{
    TBytes out;
    Push32(out, 40);
    Push32(out, static_cast<std::uint32_t>(width));
    Push32(out, static_cast<std::uint32_t>(height * 2));
    Push16(out, 1);
    Push16(out, static_cast<std::uint16_t>(bits));
    Push32(out, 0);  // BI_RGB
    Push32(out, 0);  // image size
    Push32(out, 0);
    Push32(out, 0);
    Push32(out, static_cast<std::uint32_t>(bits <= 8 ? palette.size() : 0));
    Push32(out, 0);
    if (bits <= 8)
        for (const TBgr& c : palette) {
            out.insert(out.end(), c.begin(), c.end());
            out.push_back(0);
        }
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    for (int y = height - 1; y >= 0; --y) {
        TBytes row(stride, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixel(x, y);
            switch (bits) {
            case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = static_cast<std::uint8_t>(v); break;
            case 16:
                row[x * 2] = static_cast<std::uint8_t>(v);
                row[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
                break;
            case 24:
                for (int i = 0; i < 3; ++i) row[x * 3 + i] = static_cast<std::uint8_t>(v >> (8 * i));
                break;
            default:
                for (int i = 0; i < 4; ++i) row[x * 4 + i] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    if (withMask) {
        const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
        for (int y = height - 1; y >= 0; --y) {
            TBytes row(maskStride, 0);
            for (int x = 0; x < width; ++x)
                if (masked(x, y)) row[x / 8] |= static_cast<std::uint8_t>(1 << (7 - x % 8));
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}

// A PNG icon image: pixel(x, y) gives 0xAARRGGBB.
inline TBytes PngIconImage(int width, int height, const std::function<std::uint32_t(int, int)>& pixel)
{
    TBgraImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixel(x, y);
            for (int i = 0; i < 4; ++i) image.Pixel(x, y)[i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    return EncodePng(image);
}

struct TIconPart {
    TBytes Image;
    int DirectoryWidth = 0;   // as stored: 0 means 256
    int DirectoryHeight = 0;
    int BitCount = 32;
};

// The directory and the images after it, in order.
inline TBytes BuildIcon(const std::vector<TIconPart>& parts, int type = 1)
{
    TBytes out;
    Push16(out, 0);
    Push16(out, static_cast<std::uint16_t>(type));
    Push16(out, static_cast<std::uint16_t>(parts.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * parts.size());
    for (const TIconPart& p : parts) {
        out.push_back(static_cast<std::uint8_t>(p.DirectoryWidth));
        out.push_back(static_cast<std::uint8_t>(p.DirectoryHeight));
        out.push_back(0);
        out.push_back(0);
        Push16(out, 1);
        Push16(out, static_cast<std::uint16_t>(p.BitCount));
        Push32(out, static_cast<std::uint32_t>(p.Image.size()));
        Push32(out, offset);
        offset += static_cast<std::uint32_t>(p.Image.size());
    }
    for (const TIconPart& p : parts) out.insert(out.end(), p.Image.begin(), p.Image.end());
    return out;
}

} // namespace pictor::testing
