// Bitmap files: reading, then converting the result as the program does
// (to 24 bits for the tone operations, back to 8 bits for a reduction) and
// writing it out again.
#include "fuzz/FuzzTarget.h"

#include "gfx/Bitmap.h"

using namespace pictor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        TBitmap bitmap;
        bitmap.LoadFromBytes(fuzz::Bytes(data, size));
        fuzz::Render(bitmap);
        if (std::int64_t(bitmap.Width()) * bitmap.Height() <= 1 << 16) {
            (void)bitmap.SaveToBytes();
            bitmap.SetPixelFormat(pf24bit);
            bitmap.SetPixelFormat(pf8bit);
        }
    } catch (const Exception&) {
    }
    return 0;
}
