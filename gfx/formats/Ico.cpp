// Icon directory reading and image decoding. Every read of the file goes
// through bounds checks against the file and against the image's own entry;
// sizes in headers are never trusted before they are checked.
#include "gfx/formats/Ico.h"

#include "core/Exception.h"
#include "gfx/formats/Png.h"

#include <string>

namespace pictor {

namespace {

constexpr std::size_t kDirectoryHeader = 6;
constexpr std::size_t kDirectoryEntry = 16;
constexpr std::size_t kInfoHeaderMin = 40;

std::uint16_t Le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

[[noreturn]] void Bad(const std::string& what)
{
    throw EInvalidGraphic("ICO: " + what);
}

// The layout of a BMP-style image inside its entry's bytes.
struct TDibLayout {
    int Width = 0;
    int Height = 0;  // of the picture: half the header's height (colour rows, then mask rows)
    int Bits = 0;
    std::size_t PaletteOffset = 0;
    std::size_t PaletteCount = 0;
    std::size_t ColorOffset = 0;
    std::size_t ColorStride = 0;
    std::size_t MaskOffset = 0;
    std::size_t MaskStride = 0;
    int MaskRows = 0;  // rows of the mask present in the entry (missing rows are opaque)
};

TDibLayout ReadDibLayout(std::span<const std::uint8_t> image)
{
    if (image.size() < kInfoHeaderMin) Bad("image header cut short");
    const std::uint32_t headerSize = Le32(image.data());
    if (headerSize < kInfoHeaderMin || headerSize > image.size()) Bad("bad image header size");
    const auto width = static_cast<std::int32_t>(Le32(image.data() + 4));
    const auto doubledHeight = static_cast<std::int32_t>(Le32(image.data() + 8));
    const int bits = Le16(image.data() + 14);
    const std::uint32_t compression = Le32(image.data() + 16);
    const std::uint32_t colorsUsed = Le32(image.data() + 32);

    TDibLayout d;
    if (width <= 0 || doubledHeight < 2) Bad("bad image size");
    d.Width = width;
    d.Height = doubledHeight / 2;
    if (d.Width > kMaxIconSide || d.Height > kMaxIconSide)
        Bad("image of " + std::to_string(d.Width) + " x " + std::to_string(d.Height) + " pixels is too large");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        Bad(std::to_string(bits) + " bits per pixel");
    d.Bits = bits;
    if (compression != 0) Bad("compressed image data");

    d.PaletteOffset = headerSize;
    if (bits <= 8) {
        const std::size_t full = std::size_t(1) << bits;
        d.PaletteCount = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
    }
    d.ColorOffset = d.PaletteOffset + d.PaletteCount * 4;
    d.ColorStride = (static_cast<std::size_t>(d.Width) * bits + 31) / 32 * 4;
    d.MaskOffset = d.ColorOffset + d.ColorStride * d.Height;
    if (d.MaskOffset > image.size()) Bad("image data cut short");
    d.MaskStride = (static_cast<std::size_t>(d.Width) + 31) / 32 * 4;
    const std::size_t maskRows = (image.size() - d.MaskOffset) / d.MaskStride;
    d.MaskRows = maskRows < static_cast<std::size_t>(d.Height) ? static_cast<int>(maskRows) : d.Height;
    return d;
}

// The bytes of an entry's image. A PNG stream carries its own chunk lengths
// and ends at its IEND chunk; some writers store too small an entry size for
// it, so a PNG image may run on to the end of the file.
std::span<const std::uint8_t> ImageBytes(std::span<const std::uint8_t> file, const TIcoEntry& entry)
{
    if (entry.Offset > file.size() || entry.Size > file.size() - entry.Offset) Bad("image outside the file");
    const std::span<const std::uint8_t> image = file.subspan(entry.Offset, entry.Size);
    return IsPng(image) ? file.subspan(entry.Offset) : image;
}

TBgraImage DecodeDib(std::span<const std::uint8_t> image)
{
    const TDibLayout d = ReadDibLayout(image);
    TBgraImage out(d.Width, d.Height);
    const std::uint8_t* palette = image.data() + d.PaletteOffset;
    bool anyAlpha = false;
    for (int y = 0; y < d.Height; ++y) {
        // Rows are stored bottom-up.
        const std::uint8_t* src = image.data() + d.ColorOffset + d.ColorStride * (d.Height - 1 - y);
        std::uint8_t* dst = out.Row(y);
        for (int x = 0; x < d.Width; ++x, dst += 4) {
            std::size_t index = 0;
            switch (d.Bits) {
            case 1: index = (src[x >> 3] >> (7 - (x & 7))) & 1; break;
            case 4: index = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15; break;
            case 8: index = src[x]; break;
            case 16: {
                // 5-5-5, the only 16-bit layout without colour masks.
                const unsigned v = Le16(src + x * 2);
                const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                dst[0] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
                dst[1] = static_cast<std::uint8_t>((g << 3) | (g >> 2));
                dst[2] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
                dst[3] = 255;
                continue;
            }
            case 24:
                dst[0] = src[x * 3];
                dst[1] = src[x * 3 + 1];
                dst[2] = src[x * 3 + 2];
                dst[3] = 255;
                continue;
            default:  // 32
                dst[0] = src[x * 4];
                dst[1] = src[x * 4 + 1];
                dst[2] = src[x * 4 + 2];
                dst[3] = src[x * 4 + 3];
                anyAlpha = anyAlpha || dst[3] != 0;
                continue;
            }
            // A palette index; one beyond the table shows black.
            if (index < d.PaletteCount) {
                dst[0] = palette[index * 4];
                dst[1] = palette[index * 4 + 1];
                dst[2] = palette[index * 4 + 2];
            }
            dst[3] = 255;
        }
    }
    if (d.Bits == 32 && anyAlpha) return out;
    // The AND mask decides: a set bit is transparent.
    for (int y = 0; y < d.Height; ++y) {
        const int stored = d.Height - 1 - y;
        if (stored >= d.MaskRows) {
            if (d.Bits == 32)
                for (int x = 0; x < d.Width; ++x) out.Pixel(x, y)[3] = 255;
            continue;
        }
        const std::uint8_t* mask = image.data() + d.MaskOffset + d.MaskStride * stored;
        for (int x = 0; x < d.Width; ++x)
            out.Pixel(x, y)[3] = ((mask[x >> 3] >> (7 - (x & 7))) & 1) ? 0 : 255;
    }
    return out;
}

} // namespace

TIcoDirectory ReadIcoDirectory(std::span<const std::uint8_t> file)
{
    if (file.size() < kDirectoryHeader) Bad("no directory");
    const std::uint16_t reserved = Le16(file.data());
    const std::uint16_t type = Le16(file.data() + 2);
    const std::uint16_t count = Le16(file.data() + 4);
    if (reserved != 0 || (type != 1 && type != 2)) Bad("not an icon file");
    if (count == 0) Bad("no images");
    if (count > kMaxIconImages) Bad(std::to_string(count) + " images is too many");
    const std::size_t directoryEnd = kDirectoryHeader + kDirectoryEntry * count;
    if (directoryEnd > file.size()) Bad("directory cut short");

    TIcoDirectory directory;
    directory.Type = type;
    directory.Entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = file.data() + kDirectoryHeader + kDirectoryEntry * i;
        TIcoEntry entry;
        entry.DirectoryWidth = e[0] == 0 ? 256 : e[0];
        entry.DirectoryHeight = e[1] == 0 ? 256 : e[1];
        entry.Size = Le32(e + 8);
        entry.Offset = Le32(e + 12);
        if (entry.Offset < directoryEnd) Bad("image inside the directory");
        const std::span<const std::uint8_t> image = ImageBytes(file, entry);
        if (IsPng(image)) {
            const TPngInfo info = ReadPngInfo(image);
            if (info.Width > kMaxIconSide || info.Height > kMaxIconSide)
                Bad("image of " + std::to_string(info.Width) + " x " + std::to_string(info.Height) +
                    " pixels is too large");
            entry.Png = true;
            entry.Width = info.Width;
            entry.Height = info.Height;
            entry.BitsPerPixel = info.BitsPerPixel;
        } else {
            const TDibLayout d = ReadDibLayout(image);
            entry.Width = d.Width;
            entry.Height = d.Height;
            entry.BitsPerPixel = d.Bits;
        }
        directory.Entries.push_back(entry);
    }
    return directory;
}

int ChooseIcoImage(const TIcoDirectory& directory)
{
    int best = -1;
    for (int i = 0; i < static_cast<int>(directory.Entries.size()); ++i) {
        const TIcoEntry& e = directory.Entries[i];
        if (best < 0) {
            best = i;
            continue;
        }
        const TIcoEntry& b = directory.Entries[best];
        const std::int64_t area = std::int64_t(e.Width) * e.Height;
        const std::int64_t bestArea = std::int64_t(b.Width) * b.Height;
        if (area > bestArea || (area == bestArea && e.BitsPerPixel > b.BitsPerPixel)) best = i;
    }
    return best;
}

TBgraImage DecodeIcoImage(std::span<const std::uint8_t> file, const TIcoEntry& entry)
{
    const std::span<const std::uint8_t> image = ImageBytes(file, entry);
    if (IsPng(image)) return DecodePng(image, kMaxIconSide, std::int64_t(kMaxIconSide) * kMaxIconSide);
    return DecodeDib(image);
}

} // namespace pictor
