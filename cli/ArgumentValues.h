// The values of pictor-cli's options: integers, sizes, rectangles and plain
// decimals, read exactly (the whole text, in the C locale). Each raises
// EUsageError naming the option and the text it could not take.
#pragma once

#include "gfx/Types.h"

#include <string>
#include <string_view>

namespace pictor::cli {

// A decimal integer within int's range ("+" or "-" sign allowed).
int ParseInt(std::string_view option, std::string_view text);

// A plain decimal number: optional sign, digits, optional fraction ("1.5",
// "0.5", "-2", ".5"); no exponent, no comma, no inf or nan.
long double ParseDecimal(std::string_view option, std::string_view text);

// N or N:PIVOT (PIVOT defaults to 127).
void ParseContrast(std::string_view option, std::string_view text, int& value, int& pivot);

// WxH, both at least 1.
void ParseSize(std::string_view option, std::string_view text, int& width, int& height);

// L,T,R,B.
TRect ParseRect(std::string_view option, std::string_view text);

} // namespace pictor::cli
