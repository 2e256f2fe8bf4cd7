#include "platform/NumberFormat.h"

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
    std::string text = FormatFixed(value, fracPlaces);
    bool negative = !text.empty() && text[0] == '-';
    if (negative) text.erase(0, 1);
    const std::size_t textDot = text.find('.');
    std::string intDigits = text.substr(0, textDot);
    const std::string fracDigits = textDot == std::string::npos ? std::string() : text.substr(textDot + 1);
    const std::size_t firstNonZero = intDigits.find_first_not_of('0');
    const std::string significant = firstNonZero == std::string::npos ? std::string() : intDigits.substr(firstNonZero);
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
            out.append(significant, 0, static_cast<std::size_t>(sigCount - intPlaces));
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
