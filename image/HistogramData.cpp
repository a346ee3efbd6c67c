// Channel counting for the histogram picture, and the percentages and
// ceiling it plots.
//
// Every pixel is counted by the colour its 24-bit form would hold, which is
// what the row decoder of the graphics layer gives (the pixel-format
// conversion goes through the same decoder). So no 24-bit copy is made:
// 24-bit bitmaps and 32-bit ones without masks (the display's form) are read
// in place, a palette bitmap of 8 bits counts its indices and adds them up
// through the palette, and any other layout is decoded one row at a time.
#include "image/HistogramData.h"

#include "core/Exception.h"
#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace pictor {

namespace {

// The pixel loops spread their increments over four sets of counters, one
// for each pixel of a group of four, and add the sets up at the end: in runs
// of equal pixels (flat areas, which photos and drawings are full of) every
// increment would otherwise wait for the one before on the same counter.
constexpr std::size_t kCounterSets = 4;

TPixelLayout LayoutOf(const TBitmap& Bitmap)
{
    TPixelLayout layout;
    layout.BitsPerPixel = Bitmap.BitsPerPixel();
    layout.Masks = Bitmap.Masks();
    if (layout.BitsPerPixel <= 8) layout.Palette = &EffectivePalette(layout.BitsPerPixel, Bitmap.PaletteRef());
    return layout;
}

void AddPacked(TPacked Colour, std::uint64_t Count, TLevelCounts& Levels)
{
    Levels[hcBlue][Colour & 0xFF] += Count;
    Levels[hcGreen][(Colour >> 8) & 0xFF] += Count;
    Levels[hcRed][(Colour >> 16) & 0xFF] += Count;
}

void AddLevels(const TLevelCounts& From, TLevelCounts& To)
{
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t v = 0; v < 256; ++v) To[c][v] += From[c][v];
}

void AddSets(const std::array<TLevelCounts, kCounterSets>& Sets, TLevelCounts& Levels)
{
    for (const TLevelCounts& set : Sets) AddLevels(set, Levels);
}

// The levels of rows whose pixels are Step bytes apart, blue, green and red
// first: 24 bits, or 32 bits without masks (blue, green, red, unused).
template <int Step>
void CountRgbRow(const std::uint8_t* p, int width, std::array<TLevelCounts, kCounterSets>& sets)
{
    auto& [s0, s1, s2, s3] = sets;
    const int groups = width / 4;
    for (int g = 0; g < groups; ++g, p += 4 * Step) {
        ++s0[hcBlue][p[0]];
        ++s0[hcGreen][p[1]];
        ++s0[hcRed][p[2]];
        ++s1[hcBlue][p[Step]];
        ++s1[hcGreen][p[Step + 1]];
        ++s1[hcRed][p[Step + 2]];
        ++s2[hcBlue][p[2 * Step]];
        ++s2[hcGreen][p[2 * Step + 1]];
        ++s2[hcRed][p[2 * Step + 2]];
        ++s3[hcBlue][p[3 * Step]];
        ++s3[hcGreen][p[3 * Step + 1]];
        ++s3[hcRed][p[3 * Step + 2]];
    }
    for (int x = groups * 4; x < width; ++x, p += Step) {
        ++s0[hcBlue][p[0]];
        ++s0[hcGreen][p[1]];
        ++s0[hcRed][p[2]];
    }
}

// 24 bits or 32 bits without masks: the channel bytes are read where they
// lie.
template <int Step>
void CountRgb(const TBitmap& Bitmap, int Top, int Bottom, TLevelCounts& Levels)
{
    auto sets = std::make_unique<std::array<TLevelCounts, kCounterSets>>();
    for (int y = Top; y < Bottom; ++y) CountRgbRow<Step>(Bitmap.ScanLine(y), Bitmap.Width(), *sets);
    AddSets(*sets, Levels);
}

void CountIndexed8(const TBitmap& Bitmap, int Top, int Bottom, TLevelCounts& Levels)
{
    std::array<std::array<std::uint64_t, 256>, kCounterSets> sets{};
    const int width = Bitmap.Width();
    for (int y = Top; y < Bottom; ++y) {
        const std::uint8_t* row = Bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) ++sets[static_cast<std::size_t>(x) % kCounterSets][row[x]];
    }
    // The colour of every index, as the decoder reads it (black beyond the
    // palette).
    std::array<std::uint8_t, 256> allIndices;
    for (int i = 0; i < 256; ++i) allIndices[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    std::array<TPacked, 256> colours;
    TRowDecoder(LayoutOf(Bitmap)).Decode(allIndices.data(), 256, colours.data());
    for (const auto& set : sets)
        for (std::size_t i = 0; i < 256; ++i)
            if (set[i] != 0) AddPacked(colours[i], set[i], Levels);
}

void CountDecoded(const TBitmap& Bitmap, int Top, int Bottom, TLevelCounts& Levels)
{
    auto sets = std::make_unique<std::array<TLevelCounts, kCounterSets>>();
    const int width = Bitmap.Width();
    const TRowDecoder decoder(LayoutOf(Bitmap));
    std::vector<TPacked> colours(static_cast<std::size_t>(width));
    for (int y = Top; y < Bottom; ++y) {
        decoder.Decode(Bitmap.ScanLine(y), width, colours.data());
        for (std::size_t x = 0; x < colours.size(); ++x) AddPacked(colours[x], 1, (*sets)[x % kCounterSets]);
    }
    AddSets(*sets, Levels);
}

// Threads count bands of rows, each into counters of its own, which are
// added to Levels as the bands end: whole numbers, so the sums are the same
// in any order.
template <class Count>
void CountInBands(const TBitmap& Bitmap, TLevelCounts& Levels, Count count)
{
    std::mutex mutex;
    SplitWork(static_cast<std::size_t>(Bitmap.Height()), static_cast<std::size_t>(Bitmap.Width()),
              [&](std::size_t top, std::size_t bottom) {
                  TLevelCounts band{};
                  count(Bitmap, static_cast<int>(top), static_cast<int>(bottom), band);
                  const std::lock_guard<std::mutex> lock(mutex);
                  AddLevels(band, Levels);
              });
}

} // namespace

struct TRgbLevelCounter::TSets {
    std::array<TLevelCounts, kCounterSets> Sets{};
};

TRgbLevelCounter::TRgbLevelCounter() : sets_(std::make_unique<TSets>()) {}
TRgbLevelCounter::~TRgbLevelCounter() = default;

void TRgbLevelCounter::AddRow(const std::uint8_t* Row, int Width)
{
    CountRgbRow<3>(Row, Width, sets_->Sets);
}

void TRgbLevelCounter::AddTo(TLevelCounts& Levels) const
{
    AddSets(sets_->Sets, Levels);
}

TLevelCounts CountLevels(const TBitmap& Bitmap)
{
    TLevelCounts levels{};
    if (Bitmap.Empty()) return levels;
    const int bits = Bitmap.BitsPerPixel();
    if (bits == 24)
        CountInBands(Bitmap, levels, CountRgb<3>);
    else if (bits == 32 && !Bitmap.Masks())
        CountInBands(Bitmap, levels, CountRgb<4>);
    else if (bits == 8)
        CountInBands(Bitmap, levels, CountIndexed8);
    else
        CountInBands(Bitmap, levels, CountDecoded);
    return levels;
}

TLevelCounts MapLevels(const TLevelCounts& Levels, const std::array<std::uint8_t, 256>& Table)
{
    TLevelCounts mapped{};
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t v = 0; v < 256; ++v) mapped[c][Table[v]] += Levels[c][v];
    return mapped;
}

THistogramCounts BinLevels(const TLevelCounts& Levels, int Shift, std::int64_t Pixels)
{
    PICTOR_ASSERT(Shift >= 0 && Shift <= 3);
    THistogramCounts counts;
    counts.Shift = Shift;
    counts.Pixels = Pixels;
    // Counting by level keeps the shift out of the pixel loop; the levels are
    // gathered into bins here.
    const std::size_t bins = std::size_t(256) >> Shift;
    for (std::size_t c = 0; c < 3; ++c) {
        counts.Bins[c].assign(bins, 0);
        for (std::size_t v = 0; v < 256; ++v) counts.Bins[c][v >> Shift] += Levels[c][v];
    }
    return counts;
}

THistogramCounts CountChannels(const TBitmap& Bitmap, int Shift)
{
    PICTOR_ASSERT(Shift >= 0 && Shift <= 3);
    return BinLevels(CountLevels(Bitmap), Shift, static_cast<std::int64_t>(Bitmap.Width()) * Bitmap.Height());
}

THistogramPlot PlotOf(const THistogramCounts& Counts, int Ceiling)
{
    THistogramPlot plot = EmptyPlot(Counts.Shift);
    if (Counts.Pixels <= 0) return plot;

    int highest = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        plot.Percent[c].resize(Counts.Bins[c].size());
        for (std::size_t i = 0; i < Counts.Bins[c].size(); ++i) {
            // At most 100: a bin never holds more than every pixel.
            const auto percent =
                static_cast<int>(Counts.Bins[c][i] * 100 / static_cast<std::uint64_t>(Counts.Pixels));
            plot.Percent[c][i] = percent;
            highest = std::max(highest, percent);
        }
    }

    if (Ceiling == 0)
        Ceiling = (highest + 19) / 20 * 20;
    else if (Ceiling % 2 != 0)
        ++Ceiling;
    plot.Ceiling = Ceiling;
    // An automatic ceiling over bins that are all below 1 % is 0: nothing
    // can be scaled to it, so the picture is drawn as for no picture.
    plot.HasData = Ceiling > 0;
    return plot;
}

THistogramPlot EmptyPlot(int Shift)
{
    PICTOR_ASSERT(Shift >= 0 && Shift <= 3);
    THistogramPlot plot;
    plot.Bins = 256 >> Shift;
    return plot;
}

} // namespace pictor
