// TPalette and the three fixed palettes of the pixel-format conversions.
//
// The halftone palette (256 entries, no two alike) is laid out as the
// platform lays out its palettes:
//   0-9      the first ten static colours: black, maroon, green, olive, navy,
//            purple, teal, silver, money green (C0DCC0), sky blue (A6CAF0);
//   10-217   the 6 x 6 x 6 colour cube with the levels 0, 51, 102, 153, 204,
//            255, red slowest and blue fastest, leaving out its eight corners
//            (black, white and the six pure primaries and secondaries),
//            which the static colours already hold;
//   218-245  28 extra greys, 8k + 5 for k = 0 .. 31 less the four that lie
//            within two steps of a cube level (53, 101, 205, 253), so that
//            grey pictures keep a finer ramp than the cube's six levels;
//   246-255  the last ten static colours: cream (FFFBF0), medium grey
//            (A0A0A4), grey, red, lime, yellow, blue, fuchsia, aqua, white.
// The 16-colour system palette holds the classic VGA colours in the
// platform's order: black, maroon, green, olive, navy, purple, teal, silver,
// grey, red, lime, yellow, blue, fuchsia, aqua, white.
#include "gfx/Palette.h"

#include "core/Exception.h"

#include <algorithm>
#include <string>

namespace pictor {

namespace {

constexpr TPaletteEntry Entry(int r, int g, int b)
{
    return TPaletteEntry{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                         static_cast<std::uint8_t>(b), 0};
}

void CheckCount(long long count)
{
    if (count < 0 || count > TPalette::kMaxEntries)
        throw EInvalidGraphic("パレットの色数 " + std::to_string(count) + " は扱えません");
}

std::vector<TPaletteEntry> BuildHalftone()
{
    std::vector<TPaletteEntry> e = {
        Entry(0, 0, 0),       Entry(128, 0, 0),     Entry(0, 128, 0),     Entry(128, 128, 0),
        Entry(0, 0, 128),     Entry(128, 0, 128),   Entry(0, 128, 128),   Entry(192, 192, 192),
        Entry(192, 220, 192), Entry(166, 202, 240),
    };
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51) {
                bool corner = (r == 0 || r == 255) && (g == 0 || g == 255) && (b == 0 || b == 255);
                if (!corner) e.push_back(Entry(r, g, b));
            }
    for (int k = 0; k < 32; ++k) {
        int level = 8 * k + 5;
        if (level == 53 || level == 101 || level == 205 || level == 253) continue;
        e.push_back(Entry(level, level, level));
    }
    const TPaletteEntry tail[] = {
        Entry(255, 251, 240), Entry(160, 160, 164), Entry(128, 128, 128), Entry(255, 0, 0),
        Entry(0, 255, 0),     Entry(255, 255, 0),   Entry(0, 0, 255),     Entry(255, 0, 255),
        Entry(0, 255, 255),   Entry(255, 255, 255),
    };
    e.insert(e.end(), std::begin(tail), std::end(tail));
    return e;
}

} // namespace

TPalette::TPalette(const TPaletteEntry* entries, int count)
{
    CheckCount(count);
    if (count > 0) FEntries.assign(entries, entries + count);
}

TPalette::TPalette(std::vector<TPaletteEntry> entries)
{
    CheckCount(static_cast<long long>(entries.size()));
    FEntries = std::move(entries);
}

TColor TPalette::Color(int index) const
{
    if (index < 0 || index >= Count()) return clBlack;
    const TPaletteEntry& e = FEntries[static_cast<std::size_t>(index)];
    return RGBColor(e.peRed, e.peGreen, e.peBlue);
}

int TPalette::GetEntries(int start, int count, TPaletteEntry* out) const
{
    if (start < 0 || count <= 0 || start >= Count()) return 0;
    int n = std::min(count, Count() - start);
    std::copy_n(FEntries.begin() + start, n, out);
    return n;
}

int TPalette::NearestIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) const
{
    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < Count(); ++i) {
        const TPaletteEntry& e = FEntries[static_cast<std::size_t>(i)];
        int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
        int d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

const TPalette& HalftonePalette()
{
    static const TPalette palette(BuildHalftone());
    return palette;
}

const TPalette& SystemPalette16()
{
    static const TPalette palette(std::vector<TPaletteEntry>{
        Entry(0, 0, 0),       Entry(128, 0, 0),   Entry(0, 128, 0),   Entry(128, 128, 0),
        Entry(0, 0, 128),     Entry(128, 0, 128), Entry(0, 128, 128), Entry(192, 192, 192),
        Entry(128, 128, 128), Entry(255, 0, 0),   Entry(0, 255, 0),   Entry(255, 255, 0),
        Entry(0, 0, 255),     Entry(255, 0, 255), Entry(0, 255, 255), Entry(255, 255, 255),
    });
    return palette;
}

const TPalette& MonochromePalette()
{
    static const TPalette palette(std::vector<TPaletteEntry>{Entry(0, 0, 0), Entry(255, 255, 255)});
    return palette;
}

} // namespace pictor
