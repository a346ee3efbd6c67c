// PNG through libpng's simplified API (see Png.h for the error scheme).
#include "gfx/formats/Png.h"

#include "core/Exception.h"

#include <png.h>

#include <algorithm>
#include <string>

namespace pictor {

namespace {

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Frees the simplified API's state on every path.
struct TImageGuard {
    png_image Image{};
    TImageGuard() { Image.version = PNG_IMAGE_VERSION; }
    ~TImageGuard() { png_image_free(&Image); }
    TImageGuard(const TImageGuard&) = delete;
    TImageGuard& operator=(const TImageGuard&) = delete;
};

[[noreturn]] void Fail(const png_image& image)
{
    throw EInvalidGraphic(image.message[0] ? std::string("PNG: ") + image.message : std::string("PNG"));
}

} // namespace

bool IsPng(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 8 && std::equal(kSignature, kSignature + 8, bytes.begin());
}

TPngInfo ReadPngInfo(std::span<const std::uint8_t> bytes)
{
    // Signature, then the IHDR chunk: length 13, "IHDR", width, height,
    // bit depth, colour type, ...
    if (!IsPng(bytes) || bytes.size() < 8 + 8 + 13) throw EInvalidGraphic("PNG: no header");
    const std::uint8_t* p = bytes.data() + 8;
    if (BigEndian32(p) != 13 || p[4] != 'I' || p[5] != 'H' || p[6] != 'D' || p[7] != 'R')
        throw EInvalidGraphic("PNG: no header");
    const std::uint32_t width = BigEndian32(p + 8);
    const std::uint32_t height = BigEndian32(p + 12);
    const int depth = p[16];
    int channels = 0;
    switch (p[17]) {
    case 0: channels = 1; break;  // grey
    case 2: channels = 3; break;  // RGB
    case 3: channels = 1; break;  // palette
    case 4: channels = 2; break;  // grey + alpha
    case 6: channels = 4; break;  // RGBA
    default: throw EInvalidGraphic("PNG: bad colour type");
    }
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        throw EInvalidGraphic("PNG: bad size");
    return TPngInfo{static_cast<int>(width), static_cast<int>(height), depth * channels};
}

TBgraImage DecodePng(std::span<const std::uint8_t> bytes, std::int64_t maxSide, std::int64_t maxPixels)
{
    const TPngInfo info = ReadPngInfo(bytes);
    if (info.Width > maxSide || info.Height > maxSide || std::int64_t(info.Width) * info.Height > maxPixels)
        throw EInvalidGraphic("PNG: " + std::to_string(info.Width) + " x " + std::to_string(info.Height) +
                              " pixels is too large");
    TImageGuard guard;
    png_image& image = guard.Image;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) Fail(image);
    // The header libpng read must be the one checked above.
    if (image.width != static_cast<png_uint_32>(info.Width) || image.height != static_cast<png_uint_32>(info.Height))
        throw EInvalidGraphic("PNG: bad header");
    image.format = PNG_FORMAT_BGRA;
    TBgraImage result(info.Width, info.Height);
    if (!png_image_finish_read(&image, nullptr, result.Pixels.data(), 0, nullptr)) Fail(image);
    return result;
}

std::vector<std::uint8_t> EncodePng(const TBgraImage& source)
{
    if (source.Width <= 0 || source.Height <= 0) throw EInvalidGraphic("PNG: an empty picture cannot be encoded");
    TImageGuard guard;
    png_image& image = guard.Image;
    image.width = static_cast<png_uint_32>(source.Width);
    image.height = static_cast<png_uint_32>(source.Height);
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, source.Pixels.data(), 0, nullptr)) Fail(image);
    std::vector<std::uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, source.Pixels.data(), 0, nullptr)) Fail(image);
    out.resize(size);
    return out;
}

} // namespace pictor
