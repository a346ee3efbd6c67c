// PNG files through TPngImage: reading, drawing, and for a small picture
// writing it out and reading it back, which must give the same pixels and
// palette entries (a fault of the writer stops the run). The palette may
// come back longer: indices beyond it are written with black entries.
#include "fuzz/FuzzTarget.h"

#include "gfx/PngImage.h"

#include <cstdlib>

using namespace pictor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TPngImage png;
    try {
        png.LoadFromBytes(fuzz::Bytes(data, size));
        fuzz::Render(png);
    } catch (const Exception&) {
        return 0;
    }
    if (std::int64_t(png.Width()) * png.Height() > 1 << 16) return 0;
    TPngImage back;
    back.LoadFromBytes(png.SaveToBytes());
    const TPalette& before = png.PaletteRef();
    const TPalette& after = back.PaletteRef();
    if (back.Width() != png.Width() || back.Height() != png.Height() || after.Count() < before.Count())
        std::abort();
    for (int i = 0; i < before.Count(); ++i)
        if (after[i] != before[i]) std::abort();
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x)
            if (back.GetPixel(x, y) != png.GetPixel(x, y)) std::abort();
    return 0;
}
