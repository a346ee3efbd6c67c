#include "reduce/FewColors.h"

#include "core/Exception.h"
#include "reduce/PaletteIndexMap.h"
#include "reduce/ResultBitmap.h"

#include <vector>

namespace pictor {

std::unique_ptr<TBitmap> ExactReduce(const TBitmap& bitmap, int colors)
{
    PICTOR_ASSERT(colors >= 1 && colors <= TPaletteIndexMap::kMostColors);
    const int width = bitmap.Width(), height = bitmap.Height();
    auto result = NewResult(width, height, TPalette());
    TPaletteIndexMap indexOf;
    std::vector<TPaletteEntry> entries;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = bitmap.ScanLine(y);
        std::uint8_t* dst = result->ScanLine(y);
        TPackedColor last = 0xFFFFFFFFu;
        int lastIndex = 0;
        for (int x = 0; x < width; ++x, src += 3) {
            const TPackedColor color = PixelColor(src);
            if (color != last) {
                lastIndex = indexOf.Find(color);
                if (lastIndex < 0) {
                    if (static_cast<int>(entries.size()) == colors) return nullptr;
                    lastIndex = indexOf.Add(color, static_cast<int>(entries.size()));
                    entries.push_back(TPaletteEntry{src[2], src[1], src[0], 0});
                }
                last = color;
            }
            dst[x] = static_cast<std::uint8_t>(lastIndex);
        }
    }
    if (!entries.empty()) result->SetPalette(TPalette(std::move(entries)));
    return result;
}

} // namespace pictor
