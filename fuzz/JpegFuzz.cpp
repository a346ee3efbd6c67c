// JPEG files through TJPEGImage: the header when loaded, the scans when the
// picture is first drawn.
#include "fuzz/FuzzTarget.h"

#include "gfx/JPEGImage.h"

using namespace pictor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(fuzz::Bytes(data, size));
        fuzz::Render(jpeg);
    } catch (const Exception&) {
    }
    return 0;
}
