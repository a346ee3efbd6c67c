// GIF files: the first frame and the frame count, then, for pictures of a
// modest size, writing the picture back and reading it again, which must
// give the same indices and colours (the writer's promise of no loss).
#include "fuzz/FuzzTarget.h"

#include "gfx/GIFImage.h"

#include <cstdlib>
#include <cstring>

using namespace pictor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        TGIFImage gif;
        gif.LoadFromBytes(fuzz::Bytes(data, size));
        fuzz::Render(gif);
        if (std::int64_t(gif.Width()) * gif.Height() <= 1 << 16) {
            TGIFImage again;
            again.LoadFromBytes(gif.SaveToBytes());
            for (int y = 0; y < gif.Height(); ++y)
                if (std::memcmp(again.ScanLine(y), gif.ScanLine(y), static_cast<std::size_t>(gif.Width())) != 0)
                    std::abort();
            for (int i = 0; i < gif.PaletteRef().Count(); ++i)
                if (!(again.PaletteRef()[i] == gif.PaletteRef()[i])) std::abort();
        }
    } catch (const Exception&) {
    }
    return 0;
}
