#include "cli/ArgumentValues.h"

#include "cli/Options.h"

#include <cctype>
#include <charconv>
#include <vector>

namespace pictor::cli {

namespace {

[[noreturn]] void Reject(std::string_view option, std::string_view text, std::string_view expected)
{
    throw EUsageError(std::string(option) + ": '" + std::string(text) + "' is not " + std::string(expected));
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text split at every separator (empty parts kept).
std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

} // namespace

int ParseInt(std::string_view option, std::string_view text)
{
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    // from_chars takes a minus sign but no plus; a second sign is refused by
    // the digit check.
    const std::string_view unsignedPart = !digits.empty() && digits.front() == '-' ? digits.substr(1) : digits;
    if (unsignedPart.empty()) Reject(option, text, "an integer");
    for (char c : unsignedPart)
        if (!IsDigit(c)) Reject(option, text, "an integer");
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range)
        throw EUsageError(std::string(option) + ": '" + std::string(text) + "' is out of range");
    if (error != std::errc() || end != digits.data() + digits.size()) Reject(option, text, "an integer");
    return value;
}

long double ParseDecimal(std::string_view option, std::string_view text)
{
    std::string_view number = text;
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    const std::string_view unsignedPart = !number.empty() && number.front() == '-' ? number.substr(1) : number;
    bool digit = false;
    bool point = false;
    for (char c : unsignedPart) {
        if (IsDigit(c)) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            Reject(option, text, "a decimal number such as 1.5");
        }
    }
    if (!digit) Reject(option, text, "a decimal number such as 1.5");
    long double value = 0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    if (error == std::errc::result_out_of_range)
        throw EUsageError(std::string(option) + ": '" + std::string(text) + "' is out of range");
    if (error != std::errc() || end != number.data() + number.size())
        Reject(option, text, "a decimal number such as 1.5");
    return value;
}

void ParseContrast(std::string_view option, std::string_view text, int& value, int& pivot)
{
    const std::vector<std::string_view> parts = Split(text, ':');
    if (parts.size() > 2) Reject(option, text, "N or N:PIVOT");
    value = ParseInt(option, parts[0]);
    pivot = parts.size() == 2 ? ParseInt(option, parts[1]) : 127;
}

void ParseSize(std::string_view option, std::string_view text, int& width, int& height)
{
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) Reject(option, text, "a size WxH");
    width = ParseInt(option, text.substr(0, x));
    height = ParseInt(option, text.substr(x + 1));
    if (width < 1 || height < 1)
        throw EUsageError(std::string(option) + ": '" + std::string(text) +
                          "': width and height must be at least 1");
}

TRect ParseRect(std::string_view option, std::string_view text)
{
    const std::vector<std::string_view> parts = Split(text, ',');
    if (parts.size() != 4) Reject(option, text, "a rectangle L,T,R,B");
    return Rect(ParseInt(option, parts[0]), ParseInt(option, parts[1]), ParseInt(option, parts[2]),
                ParseInt(option, parts[3]));
}

} // namespace pictor::cli
