// TPicture's loading by extension: the first byte picks the extension, the
// rest is the file. Catches a reader that misbehaves on another format's
// bytes, and the conversion of whatever was read into a bitmap.
#include "fuzz/FuzzTarget.h"

#include "gfx/Bitmap.h"
#include "gfx/Picture.h"

#include <array>

using namespace pictor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr std::array<const char*, 10> kExtensions = {"bmp", "ICO", "jpg", "JPEG", "emf",
                                                               "wmf", "Bmp", "txt", "gif", "PNG"};
    if (size == 0) return 0;
    try {
        std::unique_ptr<TGraphic> graphic = TPicture::CreateForExtension(kExtensions[data[0] % kExtensions.size()]);
        if (!graphic) return 0;
        graphic->LoadFromBytes(fuzz::Bytes(data + 1, size - 1));
        TPicture picture;
        picture.SetGraphic(std::move(graphic));
        fuzz::Render(*picture.Graphic());
        if (std::int64_t(picture.Width()) * picture.Height() <= 1 << 16) {
            TBitmap bitmap;
            bitmap.Assign(*picture.Graphic());
        }
    } catch (const Exception&) {
    }
    return 0;
}
