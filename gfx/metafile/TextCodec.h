// Text as metafile records store it: UTF-16 in enhanced text records, and
// 8-bit text in the code page of the font's character set in old-style and
// "A" records.
#pragma once

#include "gfx/formats/ByteReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictor {

// One character of a text record and the number of 16-bit (or 8-bit) units
// it took, so that per-unit advances can be summed per character.
struct TDecodedChar {
    char32_t Code = 0;
    int Units = 1;
};

// count UTF-16 units at offset; unpaired surrogates become U+FFFD.
std::vector<TDecodedChar> DecodeUtf16(const TByteReader& view, std::size_t offset, std::size_t count);

// count bytes at offset in the code page of a font character set (ANSI,
// Shift-JIS, the other East Asian and the Windows code pages; unknown sets
// are read as Windows-1252).
std::vector<TDecodedChar> DecodeAnsi(const TByteReader& view, std::size_t offset, std::size_t count, int charSet);

std::string ToUtf8(const std::vector<TDecodedChar>& text);
std::u16string Utf8ToUtf16(const std::string& text);
// UTF-8 split into code points (invalid bytes become U+FFFD).
std::u32string Utf8ToUtf32(const std::string& text);

// Text for an old-style record: the bytes in the first of Windows-1252 and
// Shift-JIS that holds every character (characters neither holds become
// '?'), and the character set to give the font.
struct TEncodedText {
    std::string Bytes;
    int CharSet = 0;
    std::vector<int> BytesPerChar; // per code point of the input
};
TEncodedText EncodeAnsi(const std::u32string& text);

} // namespace pictor
