// TPalette: a colour table of at most 256 entries, the stand-in for the
// platform's palette objects. A value type: copies are independent.
#pragma once

#include "gfx/Types.h"

#include <cstdint>
#include <vector>

namespace pictor {

struct TPaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

class TPalette {
public:
    static constexpr int kMaxEntries = 256;

    TPalette() = default; // no entries: "no palette"
    // CreatePalette: from count entries (0..256; more raise EInvalidGraphic).
    TPalette(const TPaletteEntry* entries, int count);
    explicit TPalette(std::vector<TPaletteEntry> entries);

    int Count() const { return static_cast<int>(FEntries.size()); }
    bool Empty() const { return FEntries.empty(); }
    const TPaletteEntry& operator[](int index) const { return FEntries[static_cast<std::size_t>(index)]; }
    const std::vector<TPaletteEntry>& Entries() const { return FEntries; }
    TColor Color(int index) const;

    // GetPaletteEntries: copies up to count entries from start into out;
    // returns how many were copied.
    int GetEntries(int start, int count, TPaletteEntry* out) const;

    // Index of the entry nearest to the colour (squared distance in RGB; ties
    // to the lowest index). -1 for an empty palette.
    int NearestIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;

    friend bool operator==(const TPalette&, const TPalette&) = default;

private:
    std::vector<TPaletteEntry> FEntries;
};

// The platform's 256-colour halftone palette that the 8-bit pixel-format
// conversion maps onto (its make-up is documented in Palette.cpp).
const TPalette& HalftonePalette();

// The 16-colour system palette that the 4-bit conversion maps onto.
const TPalette& SystemPalette16();

// Black and white, the palette of a 1-bit bitmap that has none of its own.
const TPalette& MonochromePalette();

} // namespace pictor
