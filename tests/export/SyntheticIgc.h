#pragma once
// IGC text of a made-up flight: one fix a second at a steady speed along a
// route of places, round and round, with the logger's 0.001 minute
// resolution (which alone makes most fixes "High acceleration" ones) and
// optional pilot events.

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kmltest {

struct TRoutePlace {
    double LatDeg;
    double LonDeg;
};

inline std::string IgcAngle(double deg, int degreeDigits, char positive, char negative)
{
    const char hemisphere = deg < 0 ? negative : positive;
    long long thousandths = std::llround(std::fabs(deg) * 60000.0); // 0.001 minutes
    const long long degrees = thousandths / 60000;
    thousandths %= 60000;
    char text[40];
    std::snprintf(text, sizeof text, "%0*lld%05lld%c", degreeDigits, degrees, thousandths, hemisphere);
    return text;
}

inline std::string IgcClock(int second)
{
    char text[40];
    std::snprintf(text, sizeof text, "%02d%02d%02d", second / 3600 % 24, second / 60 % 60, second % 60);
    return text;
}

// `fixes` fixes from `startSecond` (seconds after midnight UTC of 30 July
// 2008); a pilot event (PEV) at each listed fix index.
inline std::string SyntheticIgc(const std::vector<TRoutePlace>& route, int fixes, double speed = 25.0,
                                int startSecond = 9 * 3600, const std::set<int>& pilotEventsAt = {})
{
    std::string igc = "AXXXZEPH\r\nHFDTE300708\r\n";
    constexpr double MetresPerDegree = 111195.0;
    std::size_t leg = 0;
    double along = 0.0; // metres from the start of the current leg
    for (int i = 0; i < fixes; ++i) {
        const TRoutePlace& a = route[leg];
        const TRoutePlace& b = route[(leg + 1) % route.size()];
        const double kx = std::cos(a.LatDeg * M_PI / 180.0);
        const double dx = (b.LonDeg - a.LonDeg) * kx * MetresPerDegree;
        const double dy = (b.LatDeg - a.LatDeg) * MetresPerDegree;
        const double length = std::hypot(dx, dy);
        const double f = length > 0 ? along / length : 1.0;
        const double lat = a.LatDeg + f * (b.LatDeg - a.LatDeg);
        const double lon = a.LonDeg + f * (b.LonDeg - a.LonDeg);
        const int alt = 900 + static_cast<int>(200.0 * std::sin(i / 300.0));
        const std::string clock = IgcClock(startSecond + i);
        if (pilotEventsAt.count(i)) igc += "E" + clock + "PEV\r\n";
        char altitudes[40];
        std::snprintf(altitudes, sizeof altitudes, "%05d%05d", alt - 20, alt);
        igc += "B" + clock + IgcAngle(lat, 2, 'N', 'S') + IgcAngle(lon, 3, 'E', 'W') + "A" + altitudes + "\r\n";
        along += speed;
        if (along >= length) {
            along = length > 0 ? along - length : 0.0;
            leg = (leg + 1) % route.size();
        }
    }
    return igc;
}

} // namespace kmltest
