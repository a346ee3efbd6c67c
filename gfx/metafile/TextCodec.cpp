// Conversions between the text encodings of metafile records and UTF-8,
// through iconv for the 8-bit code pages.
#include "gfx/metafile/TextCodec.h"

#include "core/Text.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace pictor {

namespace {

const char* CodePageOf(int charSet)
{
    switch (charSet) {
    case 128: return "CP932";  // Shift-JIS
    case 129: return "CP949";  // Hangul
    case 134: return "CP936";  // GB2312
    case 136: return "CP950";  // Big5
    case 161: return "CP1253"; // Greek
    case 162: return "CP1254"; // Turkish
    case 163: return "CP1258"; // Vietnamese
    case 177: return "CP1255"; // Hebrew
    case 178: return "CP1256"; // Arabic
    case 186: return "CP1257"; // Baltic
    case 204: return "CP1251"; // Russian
    case 222: return "CP874";  // Thai
    case 238: return "CP1250"; // Eastern Europe
    case 255: return "CP437";  // OEM
    case 2: return "ISO-8859-1"; // symbol fonts: keep the byte values
    default: return "CP1252";
    }
}

struct TIconv {
    iconv_t handle;
    TIconv(const char* to, const char* from) : handle(iconv_open(to, from)) {}
    ~TIconv()
    {
        if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
    bool Valid() const { return handle != reinterpret_cast<iconv_t>(-1); }
};

// Converts one character's bytes (1 or 2) to a code point, or 0 when the code
// page does not map them.
char32_t ConvertOne(TIconv& cd, const char* bytes, std::size_t length)
{
    char32_t out = 0;
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    char* outPtr = reinterpret_cast<char*>(&out);
    std::size_t outLeft = sizeof out;
    iconv(cd.handle, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd.handle, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return 0;
    return out;
}

bool IsLeadByte(int charSet, std::uint8_t b)
{
    switch (charSet) {
    case 128: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 129: case 134: case 136: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

} // namespace

std::vector<TDecodedChar> DecodeUtf16(const TByteReader& view, std::size_t offset, std::size_t count)
{
    view.Need(offset, count, 2);
    std::vector<TDecodedChar> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        char32_t u = view.U16(offset + 2 * i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
            char32_t low = view.U16(offset + 2 * (i + 1));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out.push_back({0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), 2});
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        out.push_back({u, 1});
    }
    return out;
}

std::vector<TDecodedChar> DecodeAnsi(const TByteReader& view, std::size_t offset, std::size_t count, int charSet)
{
    view.Need(offset, count);
    std::vector<TDecodedChar> out;
    out.reserve(count);
    TIconv cd("UTF-32LE", CodePageOf(charSet));
    const char* bytes = reinterpret_cast<const char*>(view.Data() + offset);
    for (std::size_t i = 0; i < count;) {
        std::uint8_t b = static_cast<std::uint8_t>(bytes[i]);
        std::size_t length = (IsLeadByte(charSet, b) && i + 1 < count) ? 2 : 1;
        char32_t c = b < 0x80 ? b : (cd.Valid() ? ConvertOne(cd, bytes + i, length) : 0);
        if (c == 0 && b != 0) c = b < 0x80 ? b : 0xFFFD;
        out.push_back({c, static_cast<int>(length)});
        i += length;
    }
    return out;
}

std::string ToUtf8(const std::vector<TDecodedChar>& text)
{
    std::string out;
    out.reserve(text.size());
    for (const TDecodedChar& c : text) AppendUtf8(out, c.Code);
    return out;
}

std::u32string Utf8ToUtf32(const std::string& text)
{
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = DecodeUtf8Char(text, i);
        out += c > 0x10FFFF ? U'\uFFFD' : c;
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    for (char32_t c : Utf8ToUtf32(text)) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

TEncodedText EncodeAnsi(const std::u32string& text)
{
    for (int charSet : {0, 128}) {
        TIconv cd(CodePageOf(charSet), "UTF-32LE");
        if (!cd.Valid()) continue;
        TEncodedText out;
        out.CharSet = charSet;
        bool all = true;
        for (char32_t c : text) {
            char buffer[8];
            char* in = reinterpret_cast<char*>(&c);
            std::size_t inLeft = sizeof c;
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            iconv(cd.handle, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd.handle, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
                all = false;
                out.Bytes += '?';
                out.BytesPerChar.push_back(1);
                continue;
            }
            std::size_t n = sizeof buffer - outLeft;
            out.Bytes.append(buffer, n);
            out.BytesPerChar.push_back(static_cast<int>(n));
        }
        if (all || charSet == 128) return out;
    }
    TEncodedText fallback;
    for (char32_t c : text) {
        fallback.Bytes += c < 0x80 ? static_cast<char>(c) : '?';
        fallback.BytesPerChar.push_back(1);
    }
    return fallback;
}

} // namespace pictor
