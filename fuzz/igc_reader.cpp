// libFuzzer target over the IGC reader, in memory. Beyond "no crash, no
// hang": a refused file leaves an empty track, every fix has a known
// validity and is a place on the earth, and the logger events are IGC
// events in time order.

#include <cstddef>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "geodesy/Coord.h"
#include "platform/Hooks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        Hooks().ShowMessage = [](const std::string&) {};
        return true;
    }();
    (void)quiet;

    TTrack track([] { return std::int64_t{1715940000}; });
    TIgcFile reader("fuzz.igc", &track);
    const bool ok = reader.ReadContents(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!ok && (!track.Points.empty() || !track.LoggerEvents.empty())) std::abort();
    for (const TTrackPoint& p : track.Points) {
        if (p.Validity != Validity3D && p.Validity != Validity2D) std::abort();
        const TGeoCoord& g = p.Location.Geo;
        if (!(std::fabs(RadToDeg(g.Lat)) <= 90.0 + 1e-9 && std::fabs(RadToDeg(g.Lon)) <= 180.0 + 1e-9)) std::abort();
    }
    std::int64_t last = INT64_MIN;
    for (const TEvent& e : track.LoggerEvents) {
        if (e.Point.Time < last || e.Type != etIgcEvent || e.Value < 0 || e.Value > double{igcUnknown}) std::abort();
        last = e.Point.Time;
    }
    return 0;
}
