#include "core/Text.h"

#include <cstdint>

namespace pictor {

char32_t DecodeUtf8Char(std::string_view s, std::size_t& i)
{
    auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    std::uint8_t b0 = byte(i);
    int len = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (len == 1) {
        ++i;
        return b0;
    }
    if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return 0x110000u + b0;
    }
    char32_t c = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        std::uint8_t b = byte(i + static_cast<std::size_t>(k));
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0x110000u + b0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    i += static_cast<std::size_t>(len);
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

char32_t Fold(char32_t c)
{
    if (c >= U'A' && c <= U'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;                 // Latin-1
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;                 // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;                                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 80;                                // Cyrillic Ѐ..Џ
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;                              // full-width Latin
    return c;
}

} // namespace

bool SameText(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (Fold(DecodeUtf8Char(a, i)) != Fold(DecodeUtf8Char(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

} // namespace pictor
