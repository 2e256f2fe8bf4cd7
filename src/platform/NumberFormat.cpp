#include "platform/NumberFormat.h"

#include <charconv>
#include <cmath>

#include "platform/Numbers.h"

namespace {

bool IsPlace(char c)
{
    return c == '0' || c == '#';
}

} // namespace

std::string FormatNumber(std::string_view pattern, double value)
{
    const std::size_t dot = pattern.find('.');
    const std::string_view intPattern = pattern.substr(0, dot);
    const std::string_view fracPattern =
        dot == std::string_view::npos ? std::string_view() : pattern.substr(dot + 1);

    int intPlaces = 0;
    int firstForced = -1; // index of the leftmost "0" among the integer places
    for (char c : intPattern) {
        if (!IsPlace(c)) continue;
        if (c == '0' && firstForced < 0) firstForced = intPlaces;
        ++intPlaces;
    }
    if (firstForced < 0) firstForced = intPlaces;
    int fracPlaces = 0;
    int lastForcedFrac = -1; // index of the rightmost "0" among the decimal places
    for (char c : fracPattern) {
        if (!IsPlace(c)) continue;
        if (c == '0') lastForcedFrac = fracPlaces;
        ++fracPlaces;
    }

    if (!std::isfinite(value)) return FormatFixed(value, 0);
    // The tables format hundreds of thousands of numbers at a time: whole
    // numbers are written straight from the rounded integer, and the other
    // texts are only viewed, never copied.
    std::string text;
    char wholeDigits[24];
    std::string_view digits;
    bool negative = false;
    if (fracPlaces == 0 && std::fabs(value) < 4.0e15) {
        // Below 2^52 every half is a double of its own: rounding the binary
        // value half away from zero rounds the text.
        const long long rounded = std::llround(value);
        negative = rounded < 0;
        const unsigned long long magnitude =
            negative ? 0ull - static_cast<unsigned long long>(rounded) : static_cast<unsigned long long>(rounded);
        const auto written = std::to_chars(wholeDigits, wholeDigits + sizeof wholeDigits, magnitude);
        digits = std::string_view(wholeDigits, static_cast<std::size_t>(written.ptr - wholeDigits));
    } else {
        text = FormatFixed(value, fracPlaces);
        digits = text;
        negative = !digits.empty() && digits[0] == '-';
        if (negative) digits.remove_prefix(1);
    }
    const std::size_t textDot = digits.find('.');
    const std::string_view intDigits = digits.substr(0, textDot);
    const std::string_view fracDigits =
        textDot == std::string_view::npos ? std::string_view() : digits.substr(textDot + 1);
    const std::size_t firstNonZero = intDigits.find_first_not_of('0');
    const std::string_view significant =
        firstNonZero == std::string_view::npos ? std::string_view() : intDigits.substr(firstNonZero);
    const int sigCount = static_cast<int>(significant.size());

    // The last decimal place written: up to the rightmost "0" place, or up to
    // the last non-zero digit.
    int lastFrac = lastForcedFrac;
    for (int j = fracPlaces - 1; j > lastFrac; --j) {
        if (fracDigits[static_cast<std::size_t>(j)] != '0') {
            lastFrac = j;
            break;
        }
    }

    std::string out;
    out.reserve(pattern.size() + significant.size() + 2);
    bool started = false; // a digit (or the point) has been written
    auto startNumber = [&]() {
        if (!started && negative) out += '-';
        started = true;
    };

    // Integer part.
    int place = 0;
    int placesSeen = 0;
    for (std::size_t i = 0; i < intPattern.size(); ++i) {
        char c = intPattern[i];
        if (!IsPlace(c)) {
            bool prefix = placesSeen == 0;
            bool suffix = placesSeen == intPlaces && fracPlaces == 0;
            if (prefix || suffix || started) out += c;
            continue;
        }
        const int position = intPlaces - 1 - place; // 0 = units
        if (place == 0 && sigCount > intPlaces) {
            startNumber();
            out.append(significant.substr(0, static_cast<std::size_t>(sigCount - intPlaces)));
        }
        if (position < sigCount || place >= firstForced) {
            startNumber();
            out += position < sigCount ? significant[static_cast<std::size_t>(sigCount - 1 - position)] : '0';
        }
        ++place;
        ++placesSeen;
    }
    if (intPlaces == 0 && sigCount > 0) {
        startNumber();
        out += significant;
    }

    // Decimal part.
    if (lastFrac >= 0) {
        startNumber();
        out += '.';
    }
    int fracPlace = 0;
    for (char c : fracPattern) {
        if (!IsPlace(c)) {
            // Between decimal places only when the next place is written;
            // behind all of them always.
            if (fracPlace >= fracPlaces || fracPlace <= lastFrac) out += c;
            continue;
        }
        if (fracPlace <= lastFrac) out += fracDigits[static_cast<std::size_t>(fracPlace)];
        ++fracPlace;
    }
    return out;
}
