// Builds BMP files byte by byte for the reader tests, including the variants
// and faults the writer never produces.
#pragma once

#include "gfx/formats/ByteWriter.h"

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
        const bool core = headerSize == 12;
        const std::size_t maskBytes = headerSize < 52 ? masks.size() * 4 : 0;
        const std::size_t paletteBytes = palette.size() * (core ? 3 : 4);
        const std::uint32_t trueOff = static_cast<std::uint32_t>(14 + headerSize + maskBytes + paletteBytes + gap);

        out.push_back(static_cast<std::uint8_t>(magic[0]));
        out.push_back(static_cast<std::uint8_t>(magic[1]));
        Push32(out, static_cast<std::uint32_t>(trueOff + pixels.size()));
        Push32(out, 0);
        Push32(out, offBits.value_or(trueOff));

        const std::size_t headerStart = out.size();
        Push32(out, headerSize);
        if (core) {
            Push16(out, static_cast<std::uint16_t>(width));
            Push16(out, static_cast<std::uint16_t>(height));
            Push16(out, planes);
            Push16(out, bitsPerPixel);
        } else {
            Push32(out, static_cast<std::uint32_t>(width));
            Push32(out, static_cast<std::uint32_t>(height));
            Push16(out, planes);
            Push16(out, bitsPerPixel);
            Push32(out, compression);
            Push32(out, static_cast<std::uint32_t>(pixels.size()));
            Push32(out, 2835);
            Push32(out, 2835);
            Push32(out, colorsUsed);
            Push32(out, 0);
            if (headerSize >= 52)
                for (std::size_t i = 0; i < masks.size() && 40 + 4 * i < headerSize; ++i) Push32(out, masks[i]);
            out.resize(headerStart + headerSize, 0);
            if (headerSize < 52)
                for (std::uint32_t m : masks) Push32(out, m);
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
