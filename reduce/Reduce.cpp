#include "reduce/Reduce.h"

#include "core/Exception.h"
#include "gfx/BitmapRows.h"
#include "reduce/DiffusionEngine.h"
#include "reduce/MedianCut.h"
#include "reduce/Octree.h"
#include "reduce/PaletteIndexMap.h"
#include "reduce/ResultBitmap.h"
#include "reduce/StaticPalette.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace pictor {

namespace {

// Writes indexOf(pixel) for every pixel of mapped into a new 8-bit bitmap of
// its size with the given palette.
template <class IndexFn>
std::unique_ptr<TBitmap> IndexPass(const TBitmap& mapped, const TPalette& palette, IndexFn&& indexOf)
{
    const int width = mapped.Width(), height = mapped.Height();
    auto result = NewResult(width, height, palette);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = mapped.ScanLine(y);
        std::uint8_t* dst = result->ScanLine(y);
        for (int x = 0; x < width; ++x, src += 3) dst[x] = static_cast<std::uint8_t>(indexOf(src));
    }
    return result;
}

// Diffuses source against quantizer and writes indexOf(palette colour) for
// every pixel into a new 8-bit bitmap: the index pass over the diffused
// picture, done row by row as diffusion puts the rows out.
template <class Quantizer, class IndexFn>
std::unique_ptr<TBitmap> DiffusedIndexPass(const TBitmap& source, const Quantizer& quantizer, const TPalette& palette,
                                           IndexFn&& indexOf)
{
    detail::CheckFilterSource(source);
    auto result = NewResult(source.Width(), source.Height(), palette);
    std::uint8_t* row = nullptr;
    int rowNumber = -1;
    detail::DiffuseRows(source, quantizer, [&](int y, int x, const TRGBTriple& colour) {
        if (y != rowNumber) {
            row = result->ScanLine(y);
            rowNumber = y;
        }
        row[x] = static_cast<std::uint8_t>(indexOf(colour));
    });
    return result;
}

void CheckMedianCutArguments(const TBitmap& bitmap, int depth)
{
    // The palette has room for 2^8 entries.
    PICTOR_ASSERT(depth >= 0 && depth <= TMedianCut::kMaxDepth);
    PICTOR_ASSERT(bitmap.PixelFormat() == pf24bit);
}

std::unique_ptr<TMedianCut> MedianCutOf(const TBitmap& bitmap)
{
    auto medianCut = std::make_unique<TMedianCut>();
    for (int y = 0; y < bitmap.Height(); ++y) medianCut->AddPixels(bitmap.ScanLine(y), bitmap.Width());
    return medianCut;
}

std::unique_ptr<TBitmap> MedianCutReduce(const TBitmap& bitmap, int depth, bool byVariance)
{
    CheckMedianCutArguments(bitmap, depth);
    const auto medianCut = MedianCutOf(bitmap);
    if (byVariance)
        medianCut->MakePaletteByVariance(depth, true);
    else
        medianCut->MakePalette(depth, true);
    const std::uint8_t* table = medianCut->IndexTable();
    return IndexPass(bitmap, medianCut->GetPalette(),
                     [table](const std::uint8_t* p) { return table[TMedianCut::CellNumber(p[2], p[1], p[0])]; });
}

std::unique_ptr<TBitmap> MedianCutDiffusionReduce(const TBitmap& bitmap, int depth, bool byVariance)
{
    CheckMedianCutArguments(bitmap, depth);
    const auto medianCut = MedianCutOf(bitmap);
    if (byVariance)
        medianCut->MakePaletteByVariance(depth, false);
    else
        medianCut->MakePalette(depth, false);

    // A box's mean colour may lie in a cell of another box, so looking the
    // index up again from the colour's cell can name a different entry than
    // the one diffusion chose. Each pixel gets the entry of its colour.
    const TMedianCutQuantizeColor quantizer(*medianCut);
    const TPalette palette = medianCut->GetPalette();
    const TPaletteIndexMap entryOf(palette);
    const std::uint8_t* table = medianCut->IndexTable();
    return DiffusedIndexPass(bitmap, quantizer, palette, [&entryOf, table](const TRGBTriple& colour) {
        const int index = entryOf.Find(PixelColor(colour));
        return index >= 0 ? index : table[TMedianCut::CellNumber(colour.rgbtRed, colour.rgbtGreen, colour.rgbtBlue)];
    });
}

// The palette index of the leaf below which each key's path (bits 7 to 2 of
// red, green and blue, as red << 12 | green << 6 | blue) lies, for the keys
// whose path exists in a merged tree; 0 for the others.
std::vector<std::uint8_t> IndexOfKeys(const TOctree& octree)
{
    constexpr int kDeepest = TOctreeLevels::kDeepest;
    std::vector<std::uint8_t> byPath(std::size_t{1} << (3 * kDeepest), 0);
    auto fill = [&](auto&& self, const TOctreeNode& node, int level, std::size_t path) -> void {
        if (node.Leaf()) {
            const int below = 3 * (kDeepest - level);
            std::fill(byPath.begin() + static_cast<std::ptrdiff_t>(path << below),
                      byPath.begin() + static_cast<std::ptrdiff_t>((path + 1) << below),
                      static_cast<std::uint8_t>(node.ColorIndex()));
            return;
        }
        for (int slot = 0; slot < 8; ++slot)
            if (const TOctreeNode* child = node.Child(slot))
                self(self, *child, level + 1, path * 8 + static_cast<std::size_t>(slot));
    };
    fill(fill, octree.Root(), 0, 0);

    std::vector<std::uint8_t> byKey(byPath.size());
    for (std::size_t key = 0; key < byKey.size(); ++key) {
        const int red = static_cast<int>(key >> 12) << 2, green = static_cast<int>((key >> 6) & 63) << 2,
                  blue = static_cast<int>(key & 63) << 2;
        byKey[key] = byPath[TOctreeLevels::PathOf(red, green, blue)];
    }
    return byKey;
}

} // namespace

std::unique_ptr<TBitmap> OctreeQuantize(const TBitmap& bitmap, int colors)
{
    PICTOR_ASSERT(colors >= 2 && colors <= 256);
    PICTOR_ASSERT(bitmap.PixelFormat() == pf24bit);

    const auto octree = std::make_unique<TOctree>();
    const std::vector<const std::uint8_t*> rows = ReadRows(bitmap);
    octree->AddPixels(rows.data(), bitmap.Height(), bitmap.Width());
    octree->MergeLeaves(colors);

    // Every colour looked up was added, so its path exists and ends at the
    // leaf whose index GetColorIndex gives; that leaf covers every key (top
    // six bits per channel) below it. So one walk over the merged tree gives
    // the index of every key that occurs.
    const std::vector<std::uint8_t> indexOfKey = IndexOfKeys(*octree);
    return IndexPass(bitmap, octree->GetPalette(), [&](const std::uint8_t* p) {
        return indexOfKey[(static_cast<std::size_t>(p[2] >> 2) << 12) | (static_cast<std::size_t>(p[1] >> 2) << 6) |
                          static_cast<std::size_t>(p[0] >> 2)];
    });
}

std::unique_ptr<TBitmap> MedianCutQuantize(const TBitmap& bitmap, int depth)
{
    return MedianCutReduce(bitmap, depth, false);
}

std::unique_ptr<TBitmap> MedianCutByVarianceQuantize(const TBitmap& bitmap, int depth)
{
    return MedianCutReduce(bitmap, depth, true);
}

std::unique_ptr<TBitmap> MedianCutDiffusionQuantize(const TBitmap& bitmap, int depth)
{
    return MedianCutDiffusionReduce(bitmap, depth, false);
}

std::unique_ptr<TBitmap> MedianCutByVarianceDiffusionQuantize(const TBitmap& bitmap, int depth)
{
    return MedianCutDiffusionReduce(bitmap, depth, true);
}

std::unique_ptr<TBitmap> StaticColorDiffusionQuantize(const TBitmap& bitmap)
{
    const TQuantizeToStaticColor quantizer;
    return DiffusedIndexPass(bitmap, quantizer, StaticPalette(), [](const TRGBTriple& colour) {
        return StaticColorIndex(colour.rgbtRed, colour.rgbtGreen, colour.rgbtBlue);
    });
}

} // namespace pictor
