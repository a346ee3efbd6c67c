// Icon files (".ico", and cursors ".cur", which share the layout): the
// directory, and the decoding of one image into BGRA.
//
// An image is either BMP-style (an info header, a colour table for 1, 4 and
// 8 bits, the colour rows bottom-up at 1, 4, 8, 16, 24 or 32 bits, then a
// 1-bit AND mask; a set mask bit is transparent) or a whole PNG stream. For a
// 32-bit image the alpha channel decides, and the mask only when every alpha
// byte is 0 (icons written before alpha existed).
//
// Limits, checked before anything is allocated: at most kMaxIconImages
// directory entries, at most kMaxIconSide pixels on each side of an image.
#pragma once

#include "gfx/formats/BgraImage.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pictor {

inline constexpr int kMaxIconImages = 256;
inline constexpr int kMaxIconSide = 1024;

struct TIcoEntry {
    // The image's own size and depth, from its BMP or PNG header (the
    // directory's bytes are only a hint and often wrong; there 0 means 256).
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;  // BMP: 1, 4, 8, 16, 24, 32; PNG: bit depth times channels
    bool Png = false;
    // Where the image's bytes lie in the file.
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
    // The directory's own width and height (0 read as 256).
    int DirectoryWidth = 0;
    int DirectoryHeight = 0;
};

struct TIcoDirectory {
    int Type = 1;  // 1 icon, 2 cursor
    std::vector<TIcoEntry> Entries;
};

// Reads and checks the directory and the header of every image: each entry
// must lie inside the file and describe an image we can decode. Raises
// EInvalidGraphic.
TIcoDirectory ReadIcoDirectory(std::span<const std::uint8_t> file);

// The image an icon shows: the largest (by pixel count), ties broken by the
// deepest colour, then by the first in the directory. -1 for no entries.
int ChooseIcoImage(const TIcoDirectory& directory);

// Decodes one image of the file. Raises EInvalidGraphic.
TBgraImage DecodeIcoImage(std::span<const std::uint8_t> file, const TIcoEntry& entry);

} // namespace pictor
