// Small text helpers shared by the settings store, the picture holder and
// the windows. Strings are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace pictor {

// Case-insensitive equality of two UTF-8 strings: ASCII, Latin-1, Greek,
// Cyrillic and the full-width Latin letters are folded; other characters
// compare exactly. Invalid UTF-8 bytes compare as themselves.
bool SameText(std::string_view a, std::string_view b);

// Decodes the UTF-8 character at s[i] and advances i past it. An invalid or
// truncated sequence yields its first byte marked above the Unicode range
// (0x110000 + byte) and advances by one byte. i must be below s.size().
char32_t DecodeUtf8Char(std::string_view s, std::size_t& i);

// Appends the UTF-8 form of code point c (below 0x110000) to out.
void AppendUtf8(std::string& out, char32_t c);

// ASCII letters lowered, everything else kept (for file extensions).
std::string AsciiLower(std::string_view text);

} // namespace pictor
