#pragma once
// Deterministic data for the benchmarks: the generated files are the same
// on every run, so timings compare.

#include <cstddef>
#include <cstdint>
#include <string>

struct Lcg {
    std::uint64_t s = 0x2545F4914F6CDD1DULL;
    std::uint32_t Next(std::uint32_t n)
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>((s >> 33) % n);
    }
    double Real(double lo, double hi) { return lo + (hi - lo) * Next(1'000'000) / 1e6; }
};

// A word of lower-case letters and a few Windows-1252 accented ones.
inline std::string Word(Lcg& r, std::size_t len)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz\xE4\xF6\xFC\xE9";
    std::string w;
    for (std::size_t i = 0; i < len; ++i)
        w += letters[r.Next(sizeof letters - 1)];
    return w;
}
