// Old-style metafiles, placeable or plain: reading, playing back into
// bitmaps, and writing them out again.
#include "fuzz/FuzzTarget.h"

#include "gfx/Metafile.h"
#include "gfx/formats/MetafileFormats.h"

using namespace pictor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto bytes = fuzz::Bytes(data, size);
    if (LooksLikeEmf(bytes)) return 0; // the enhanced target covers these
    try {
        TMetafile metafile;
        metafile.LoadFromBytes(bytes);
        fuzz::Render(metafile);
        (void)metafile.SaveToBytes();
    } catch (const Exception&) {
    }
    return 0;
}
