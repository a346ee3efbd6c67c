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

// ASCII letters lowered, everything else kept (for file extensions).
std::string AsciiLower(std::string_view text);

} // namespace pictor
