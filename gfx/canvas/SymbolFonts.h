// Symbol fonts: faces whose pictures sit at the codes of letters. "Symbol"
// holds Greek letters, arrows and mathematical signs, "Wingdings" pictures;
// text in them is written with the byte codes 0x20 to 0xFF, or with those
// codes raised into the private range U+F020 to U+F0FF (how such fonts
// answer for Unicode text). Neither face exists here, so their text is drawn
// as the Unicode characters the codes stand for, from a face that has them.
#pragma once

#include <string>

namespace pictor::raster {

enum class TSymbolSet {
    None,      // an ordinary face: only private-range codes are read as Symbol's
    Symbol,
    Wingdings,
    Other,     // another symbol face whose codes we do not know: left as they are
};

// The set a font family name stands for (names compare without case).
TSymbolSet SymbolSetOf(const std::string& family);

// The face that draws the characters of the Symbol and Wingdings sets.
inline constexpr const char* kSymbolFace = "Symbola";

// The Unicode character that code c means in set; c itself where the set
// gives it no other meaning.
char32_t SymbolToUnicode(char32_t c, TSymbolSet set);

} // namespace pictor::raster
