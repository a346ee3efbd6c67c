#include "reduce/DiffusionPalette.h"

#include "reduce/NearestColor.h"
#include "reduce/PaletteIndexMap.h"
#include "reduce/QualityDiffusion.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace pictor {

namespace {

// Refinement passes, and how far an entry moves towards its mean in each:
// two fifths (whole steps overshoot, and the palette swings from pass to
// pass).
constexpr int kPasses = 4;
constexpr std::int64_t kStepNumerator = 2, kStepDenominator = 5;
// The sample: bands of this many rows, enough of them for about an eighth
// of the picture (with a sixteenth, which bands the sample happened to meet
// moved the result of some photographs by up to 3 dB), but no fewer pixels
// than the least sample and no more than the largest (a large picture's
// palette fits no better with more).
constexpr int kBandRows = 8;
constexpr std::int64_t kSampleShare = 8;
constexpr std::int64_t kLeastSample = 1 << 18, kLargestSample = 1 << 20;

std::vector<const std::uint8_t*> SampleRows(const std::vector<const std::uint8_t*>& rows, int width)
{
    const std::int64_t pixels = std::int64_t{width} * static_cast<std::int64_t>(rows.size());
    const std::int64_t sample = std::clamp(pixels / kSampleShare, kLeastSample, kLargestSample);
    // Every every-th band.
    const std::int64_t every = std::max<std::int64_t>(1, (pixels + sample - 1) / sample);
    std::vector<const std::uint8_t*> bands;
    for (std::size_t y = 0; y < rows.size(); ++y)
        if (static_cast<std::int64_t>(y / kBandRows) % every == 0) bands.push_back(rows[y]);
    return bands;
}

// An entry's place in sixteenths of a level (blue, green, red), which moves
// by less than a level a pass.
using TPlace = std::array<std::int64_t, 3>;

TPaletteEntry EntryAt(const TPlace& place)
{
    const auto level = [](std::int64_t v) {
        return static_cast<std::uint8_t>(std::clamp<std::int64_t>((v + 8) / 16, 0, 255));
    };
    return TPaletteEntry{level(place[2]), level(place[1]), level(place[0]), 0};
}

} // namespace

TPalette DiffusionPalette(const std::vector<const std::uint8_t*>& rows, int width, const TPalette& palette)
{
    const std::vector<const std::uint8_t*> sample = SampleRows(rows, width);
    std::vector<TPlace> places;
    for (const TPaletteEntry& e : palette.Entries())
        places.push_back(TPlace{16 * e.peBlue, 16 * e.peGreen, 16 * e.peRed});
    std::vector<TPaletteEntry> entries = palette.Entries();
    for (int pass = 0; pass < kPasses; ++pass) {
        const TPalette current(entries);
        TNearestColor nearest(current);
        // Per entry: sums of the working colours (blue, green, red) in
        // sixteenths of a level, and pixels.
        std::vector<std::int64_t> sums(entries.size() * 4, 0);
        DiffuseRows(sample, width, current, nearest,
                    [&](std::size_t, int, int index, const std::int32_t* working) {
                        std::int64_t* s = sums.data() + 4 * static_cast<std::size_t>(index);
                        s[0] += working[0];
                        s[1] += working[1];
                        s[2] += working[2];
                        ++s[3];
                    });
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::int64_t* s = sums.data() + 4 * i;
            if (s[3] == 0) continue;
            for (std::size_t c = 0; c < 3; ++c) {
                const std::int64_t mean = (2 * s[c] + s[3]) / (2 * s[3]);
                places[i][c] += (mean - places[i][c]) * kStepNumerator / kStepDenominator;
            }
            entries[i] = EntryAt(places[i]);
        }
    }
    return WithoutDuplicates(entries);
}

} // namespace pictor
