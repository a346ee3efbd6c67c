// The tone operations: Bright, Contrast and Gamma. Each builds one 256-entry
// table from its argument and rewrites the picture's bitmap in place through
// 24 bits per pixel, then sets the former pixel format back. ToneFrom runs
// the three of them on a base picture, in one pass where the base is 24 bits.
#include "image/KestrelImg.h"

#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "image/KestrelImgSupport.h"
#include "image/LevelCountMemo.h"
#include "image/ToneTables.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <typeinfo>
#include <vector>

namespace pictor {

namespace {

// The argument guards of the three operations (the picture type and the bit
// depth are checked around them).
bool BrightAccepts(int Value) { return Value >= 0 && Value != 100; }
bool ContrastAccepts(int Value, int Pivot) { return Value >= 0 && Value != 100 && Pivot >= 0 && Pivot <= 255; }
// Also false for a value that is not a number.
bool GammaAccepts(long double Value) { return Value >= 0.1L && Value <= 10.0L && Value != 1.0L; }

TToneTable IdentityTable()
{
    TToneTable table{};
    for (std::size_t i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
    return table;
}

// Writes every row of the 24-bit Source through Table into Dest (of the same
// layout), the padding as it is, on bands of rows; counts Source's levels
// into Levels when given, reading each row once for both.
void MapRows(const TBitmap& Source, TBitmap& Dest, const TToneTable& Table, TLevelCounts* Levels)
{
    const std::vector<const std::uint8_t*> from = ReadRows(Source);
    const std::vector<std::uint8_t*> to = WriteRows(Dest);
    const int width = Source.Width();
    const std::size_t used = 3 * static_cast<std::size_t>(width);
    const std::size_t padding = static_cast<std::size_t>(Source.RowStride()) - used;
    std::mutex mutex;
    SplitWork(from.size(), static_cast<std::size_t>(width), [&](std::size_t first, std::size_t end) {
        std::optional<TRgbLevelCounter> counter;
        if (Levels) counter.emplace();
        for (std::size_t y = first; y < end; ++y) {
            if (counter) counter->AddRow(from[y], width);
            MapBytes(Table, from[y], to[y], used);
            if (padding != 0) std::memcpy(to[y] + used, from[y] + used, padding);
        }
        if (counter) {
            const std::lock_guard<std::mutex> lock(mutex);
            counter->AddTo(*Levels);
        }
    });
}

} // namespace

void TKestrelImage::Bright(int Value)
{
    BeginOperation("Bright");
    if (GetPictureType() != picBitmap || !BrightAccepts(Value)) return;
    TBitmap* bitmap = DeviceIndependentBitmap(8);
    if (bitmap == nullptr) return;
    const TToneTable table = BrightTable(Value);
    ApplyToneTable(*bitmap, table);
}

void TKestrelImage::Contrast(int Value, int Pivot)
{
    BeginOperation("Contrast");
    if (GetPictureType() != picBitmap || !ContrastAccepts(Value, Pivot)) return;
    TBitmap* bitmap = DeviceIndependentBitmap(8);
    if (bitmap == nullptr) return;
    const TToneTable table = ContrastTable(Value, Pivot);
    ApplyToneTable(*bitmap, table);
}

void TKestrelImage::Gamma(long double Value)
{
    BeginOperation("Gamma");
    if (GetPictureType() != picBitmap || !GammaAccepts(Value)) return;
    TBitmap* bitmap = DeviceIndependentBitmap(8);
    if (bitmap == nullptr) return;
    const TToneTable table = GammaTable(Value);
    ApplyToneTable(*bitmap, table);
}

void TKestrelImage::ApplyToneTable(TBitmap& Bitmap, const TToneTable& Table)
{
    const TPixelFormat format = Bitmap.PixelFormat();
    if (format != pf24bit) Bitmap.SetPixelFormat(pf24bit);
    const std::size_t width = static_cast<std::size_t>(Bitmap.Width());
    // Rows are looked up before the threads start: ScanLine may detach a
    // shared picture, which only the caller may do.
    const std::vector<std::uint8_t*> rows = WriteRows(Bitmap);
    SplitWork(rows.size(), width, [&](std::size_t first, std::size_t end) {
        for (std::size_t y = first; y < end; ++y) MapBytes(Table, rows[y], 3 * width);
    });
    // A custom format is refused here with EInvalidGraphic: the picture then
    // stays adjusted at 24 bits and OnAmended is not fired.
    if (format != pf24bit) Bitmap.SetPixelFormat(format);
    Invalidate();
    DoAmended();
}

void TKestrelImage::ToneFrom(const TBitmap& Base, long double GammaValue, int ContrastValue, int Pivot,
                             int BrightValue)
{
    // The storage of the picture shown so far takes the result when no copy
    // shares it: after an earlier step it has the base's size already.
    auto result = std::make_unique<TBitmap>();
    if (const TBitmap* shown = PictureBitmap()) *result = *shown;
    Picture().SetGraphic(&Base);
    // Only at 24 bits is each operation one table over the bytes: at other
    // depths every operation converts the picture back and forth.
    if (typeid(Base) != typeid(TBitmap) || Base.PixelFormat() != pf24bit) {
        result.reset();
        Gamma(GammaValue);
        Contrast(ContrastValue, Pivot);
        Bright(BrightValue);
        return;
    }

    struct TStep {
        const char* Kind;
        bool Accepted;
        TToneTable Table;
    };
    const TToneTable identity = IdentityTable();
    const bool gamma = GammaAccepts(GammaValue);
    const bool contrast = ContrastAccepts(ContrastValue, Pivot);
    const bool bright = BrightAccepts(BrightValue);
    const TStep steps[] = {{"Gamma", gamma, gamma ? GammaTable(GammaValue) : identity},
                           {"Contrast", contrast, contrast ? ContrastTable(ContrastValue, Pivot) : identity},
                           {"Bright", bright, bright ? BrightTable(BrightValue) : identity}};

    // The bitmap holding every step's result, once made, and its version.
    const TBitmap* done = nullptr;
    std::uint64_t doneVersion = 0;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        BeginOperation(steps[i].Kind);
        if (GetPictureType() != picBitmap || !steps[i].Accepted) continue;
        TBitmap* bitmap = DeviceIndependentBitmap(8);
        if (bitmap == nullptr) continue;
        if (done != nullptr && bitmap == done && bitmap->PixelsVersion() == doneVersion) {
            // This step is in the pixels already.
            Invalidate();
            DoAmended();
            continue;
        }
        if (done != nullptr || !bitmap->SharesPixelsWith(Base)) {
            // A handler has put another picture in: the step works on it
            // as the operation would.
            ApplyToneTable(*bitmap, steps[i].Table);
            continue;
        }
        // The first step applied: this one and those after it in one pass.
        TToneTable table = steps[i].Table;
        for (std::size_t j = i + 1; j < std::size(steps); ++j) table = ComposeTables(table, steps[j].Table);
        const TLevelCounts* baseLevels = FLevelCounts->Find(Base.PixelsVersion());
        TLevelCounts counted{};
        result->PrepareOverwrite(Base);
        MapRows(Base, *result, table, baseLevels ? nullptr : &counted);
        if (!baseLevels) {
            FLevelCounts->Keep(Base.PixelsVersion(), counted);
            baseLevels = &counted;
        }
        const TLevelCounts levels = MapLevels(*baseLevels, table);
        Picture().SetGraphic(std::move(result));
        done = PictureBitmap();
        doneVersion = done->PixelsVersion();
        FLevelCounts->Keep(doneVersion, levels);
        Invalidate();
        DoAmended();
    }
}

} // namespace pictor
