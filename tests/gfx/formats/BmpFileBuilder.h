// Builds BMP files byte by byte for the reader tests, including the variants
// and faults the writer never produces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pictor::testing {

struct TBmpFile {
    std::uint32_t headerSize = 40;   // 12: OS/2 1.x; 16..64: OS/2 2.x; 40, 52, 56, 108, 124: Windows
    std::int32_t width = 1;
    std::int32_t height = 1;         // negative: top-down
    std::uint16_t planes = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks;       // in the header (52 and up) or after a 40-byte one
    std::vector<std::uint32_t> palette;     // 0x00RRGGBB each
    std::uint32_t gap = 0;                  // unused bytes between palette and pixels
    std::optional<std::uint32_t> offBits;   // the file header's pixel offset, when not the true one
    std::vector<std::uint8_t> pixels;       // as stored in the file
    std::string magic = "BM";

    std::vector<std::uint8_t> Bytes() const
    {
        std::vector<std::uint8_t> out;
        auto u16 = [&](std::uint32_t v) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        auto u32 = [&](std::uint32_t v) {
            u16(v & 0xFFFF);
            u16(v >> 16);
        };
        const bool core = headerSize == 12;
        const std::size_t maskBytes = headerSize < 52 ? masks.size() * 4 : 0;
        const std::size_t paletteBytes = palette.size() * (core ? 3 : 4);
        const std::uint32_t trueOff = static_cast<std::uint32_t>(14 + headerSize + maskBytes + paletteBytes + gap);

        out.push_back(static_cast<std::uint8_t>(magic[0]));
        out.push_back(static_cast<std::uint8_t>(magic[1]));
        u32(static_cast<std::uint32_t>(trueOff + pixels.size()));
        u32(0);
        u32(offBits.value_or(trueOff));

        const std::size_t headerStart = out.size();
        u32(headerSize);
        if (core) {
            u16(static_cast<std::uint32_t>(width));
            u16(static_cast<std::uint32_t>(height));
            u16(planes);
            u16(bitsPerPixel);
        } else {
            u32(static_cast<std::uint32_t>(width));
            u32(static_cast<std::uint32_t>(height));
            u16(planes);
            u16(bitsPerPixel);
            u32(compression);
            u32(static_cast<std::uint32_t>(pixels.size()));
            u32(2835);
            u32(2835);
            u32(colorsUsed);
            u32(0);
            if (headerSize >= 52)
                for (std::size_t i = 0; i < masks.size() && 40 + 4 * i < headerSize; ++i) u32(masks[i]);
            out.resize(headerStart + headerSize, 0);
            if (headerSize < 52)
                for (std::uint32_t m : masks) u32(m);
        }
        for (std::uint32_t c : palette) {
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
            out.push_back(static_cast<std::uint8_t>(c >> 16));
            if (!core) out.push_back(0);
        }
        out.resize(out.size() + gap, 0xEE);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

} // namespace pictor::testing
