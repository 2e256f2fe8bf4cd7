#include "xml/Cp1252.h"

#include <array>

#include "platform/Exceptions.h"

namespace {

// Code points of the bytes 80-9F; the undefined bytes stand for themselves.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t Cp1252ToUnicode(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0)
        return kHigh[b - 0x80];
    return b;
}

int UnicodeToCp1252(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (unsigned i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text)
        AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The length of the well-formed sequence at s[i] (lead byte of 80 or above)
// and its code point; 0 when the lead byte starts none.
std::size_t DecodeSequence(const unsigned char* s, std::size_t i, std::size_t n, char32_t& code)
{
    const unsigned char b = s[i];
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0F;
        if (b == 0xE0) low = 0xA0;  // overlong
        if (b == 0xED) high = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07;
        if (b == 0xF0) low = 0x90;  // overlong
        if (b == 0xF4) high = 0x8F; // beyond U+10FFFF
    } else {
        return 0;
    }
    if (n - i < length || s[i + 1] < low || s[i + 1] > high) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if (!IsContinuation(s[i + k])) return 0;
        code = (code << 6) | (s[i + k] & 0x3F);
    }
    return length;
}

} // namespace

void AppendUtf8AsCp1252(std::string& out, std::string_view text, char replacement)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            // Copy the whole ASCII run at once.
            std::size_t j = i + 1;
            while (j < n && s[j] < 0x80)
                ++j;
            out.append(text.data() + i, j - i);
            i = j;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = DecodeSequence(s, i, n, code);
        // A bad byte is replaced alone: the byte after it is read afresh.
        i += length ? length : 1;
        const int byte = length ? UnicodeToCp1252(code) : -1;
        out += byte < 0 ? replacement : static_cast<char>(byte);
    }
}

std::string Utf8ToCp1252(std::string_view text, char replacement)
{
    std::string out;
    out.reserve(text.size());
    AppendUtf8AsCp1252(out, text, replacement);
    return out;
}

std::string PathText(std::string_view path)
{
    return ControlsEscaped(Utf8ToCp1252(path));
}
