#include "platform/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Reads a number prefix of s into out; returns the characters used (0: none).
std::size_t ReadDoublePrefix(std::string_view s, double& out)
{
    std::size_t skip = 0;
    if (!s.empty() && s[0] == '+') {
        // from_chars refuses a leading "+", scanf accepts it.
        if (s.size() < 2 || s[1] == '-' || s[1] == '+') return 0;
        skip = 1;
    }
    double v = 0;
    auto r = std::from_chars(s.data() + skip, s.data() + s.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Keep scanf's behaviour: overflow gives +-HUGE_VAL, underflow 0.
        std::size_t used = static_cast<std::size_t>(r.ptr - s.data());
        bool negative = s[skip] == '-';
        // Decide between overflow and underflow by the exponent's sign.
        std::string_view num = s.substr(0, used);
        auto e = num.find_first_of("eE");
        bool under = e != std::string_view::npos && e + 1 < num.size() && num[e + 1] == '-';
        out = under ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
        return used;
    }
    if (r.ec != std::errc()) return 0;
    out = v;
    return static_cast<std::size_t>(r.ptr - s.data());
}

} // namespace

bool ParseDouble(std::string_view text, double& out)
{
    std::string_view s = Trim(text);
    if (s.empty()) return false;
    double v = 0;
    std::size_t used = ReadDoublePrefix(s, v);
    if (used == 0 || used != s.size()) return false;
    out = v;
    return true;
}

bool ParseInt(std::string_view text, long long& out)
{
    std::string_view s = Trim(text);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    long long v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    out = v;
    return true;
}

std::size_t ScanDoubles(std::string_view text, double* out, std::size_t count)
{
    std::size_t read = 0;
    while (read < count) {
        while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
        double v = 0;
        std::size_t used = ReadDoublePrefix(text, v);
        if (used == 0) break;
        out[read++] = v;
        text.remove_prefix(used);
    }
    return read;
}

std::string FormatFixed(double value, int decimals)
{
    if (decimals < 0) decimals = 0;
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    // Whole numbers, the tables' commonest case: below 2^52 every half is a
    // double of its own, so rounding the binary value half away from zero is
    // rounding the text the user sees.
    if (decimals == 0 && std::fabs(value) < 4.0e15) return std::to_string(std::llround(value));
    // to_chars rounds the exact binary value; for half-way decimal texts
    // ("0.125" with 2 decimals) nudge by the shortest representation so the
    // rounding is half away from zero on the number as the user sees it.
    char shortest[64];
    auto rs = std::to_chars(shortest, shortest + sizeof shortest, value);
    std::string_view sv(shortest, static_cast<std::size_t>(rs.ptr - shortest));
    double rounded = value;
    if (sv.find_first_of("eE") == std::string_view::npos) {
        auto dot = sv.find('.');
        if (dot != std::string_view::npos && sv.size() - dot - 1 > static_cast<std::size_t>(decimals)) {
            // Round the decimal digits of the shortest text by hand.
            std::string digits(sv);
            bool negative = digits[0] == '-';
            if (negative) digits.erase(0, 1);
            dot = digits.find('.');
            std::string intPart = digits.substr(0, dot);
            std::string frac = digits.substr(dot + 1);
            bool up = frac[static_cast<std::size_t>(decimals)] >= '5';
            std::string kept = intPart + frac.substr(0, static_cast<std::size_t>(decimals));
            if (up) {
                int i = static_cast<int>(kept.size()) - 1;
                while (i >= 0) {
                    if (kept[static_cast<std::size_t>(i)] == '9') {
                        kept[static_cast<std::size_t>(i)] = '0';
                        --i;
                    } else {
                        ++kept[static_cast<std::size_t>(i)];
                        break;
                    }
                }
                if (i < 0) kept.insert(kept.begin(), '1');
            }
            std::size_t intLen = kept.size() - static_cast<std::size_t>(decimals);
            std::string result = kept.substr(0, intLen);
            if (decimals > 0) result += "." + kept.substr(intLen);
            bool allZero = result.find_first_not_of("0.") == std::string::npos;
            if (negative && !allZero) result.insert(result.begin(), '-');
            return result;
        }
    }
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, decimals);
    std::string result(buf, r.ptr);
    if (!result.empty() && result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos)
        result.erase(0, 1);
    return result;
}

std::string FormatShortest(double value)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}
