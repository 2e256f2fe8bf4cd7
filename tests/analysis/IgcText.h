#pragma once
// IGC text for tests: records built from numbers, and reading text through
// the reader with the message hook captured.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "platform/Hooks.h"

namespace igctest {

// A B record of a fix; degrees are rounded to the file's 0.001 minute.
inline std::string B(int h, int m, int s, double latDeg, double lonDeg, char validity = 'A', int pressureAlt = 100,
                     int gnssAlt = 120)
{
    const long lat = std::lround(std::fabs(latDeg) * 60000.0);
    const long lon = std::lround(std::fabs(lonDeg) * 60000.0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "B%02d%02d%02d%02ld%05ld%c%03ld%05ld%c%c%05d%05d", h, m, s, lat / 60000, lat % 60000,
                  latDeg < 0 ? 'S' : 'N', lon / 60000, lon % 60000, lonDeg < 0 ? 'W' : 'E', validity, pressureAlt,
                  gnssAlt);
    return buf;
}

inline std::string E(int h, int m, int s, const char* letters)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "E%02d%02d%02d%s", h, m, s, letters);
    return buf;
}

struct TReadResult {
    bool Ok = false;
    std::string Message; // what the user was shown; empty when nothing
};

// Reads `text` into `track` as the bytes of a file.
inline TReadResult ReadText(const std::string& text, TTrack& track)
{
    TReadResult r;
    TScopedHooks hooks;
    hooks->ShowMessage = [&r](const std::string& m) { r.Message = m; };
    TIgcFile reader("test.igc", &track);
    r.Ok = reader.ReadContents(text);
    return r;
}

// The message of a refused file with the line as details.
inline std::string Refusal(const std::string& what, const std::string& details = "")
{
    return "<" + what + "> in <Read IGC File>. Details: <" + details + ">";
}

// A fixed clock for "today": 2024-05-17 10:00:00 UTC.
inline constexpr std::int64_t Today = 1715940000;
inline TTrack::TClock FixedClock() { return [] { return Today; }; }

} // namespace igctest
