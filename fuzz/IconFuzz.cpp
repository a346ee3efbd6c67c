// Icon files: reading the directory and drawing the chosen image with its
// mask or alpha.
#include "fuzz/FuzzTarget.h"

#include "gfx/Icon.h"

using namespace pictor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        TIcon icon;
        icon.LoadFromBytes(fuzz::Bytes(data, size));
        fuzz::Render(icon);
        (void)icon.SaveToBytes();
    } catch (const Exception&) {
    }
    return 0;
}
