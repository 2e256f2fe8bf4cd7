// Test probe: reads an IGC file into a track and prints it, TAB-separated.
//   flightprobe IGCFILE
// On a refused file: "ERROR", the message, exit status 1. Otherwise one line
// per fix, then one line per logger event:
//   fix INDEX TIME LAT LON PRESSURE_ALT GNSS_ALT VALIDITY
//   event TIME LAT LON TYPE_NAME ELEMENT_NAME DISTANCE VALUE
// Times are YYYY-MM-DDTHH:MM:SSZ, degrees have 7 decimals.
#include <cstdio>
#include <string>

#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "platform/Hooks.h"
#include "platform/Numbers.h"

namespace {

std::string IsoTime(std::int64_t t)
{
    const std::tm c = UtcCalendar(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02dT%02d:%02d:%02dZ", c.tm_year + 1900LL, c.tm_mon + 1, c.tm_mday,
                  c.tm_hour, c.tm_min, c.tm_sec);
    return buf;
}

std::string Degrees(double radians) { return FormatFixed(RadToDeg(radians), 7); }

void PrintFix(std::size_t index, const TTrackPoint& p)
{
    std::printf("fix\t%zu\t%s\t%s\t%s\t%s\t%s\t%d\n", index, IsoTime(p.Time).c_str(),
                Degrees(p.Location.Geo.Lat).c_str(), Degrees(p.Location.Geo.Lon).c_str(),
                FormatShortest(p.PressureAltitude).c_str(), FormatShortest(p.GnssAltitude).c_str(), p.Validity);
}

std::string ElementName(const TEvent&) { return ""; }

void PrintEvent(const TEvent& e)
{
    std::printf("event\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", IsoTime(e.Point.Time).c_str(),
                Degrees(e.Point.Location.Geo.Lat).c_str(), Degrees(e.Point.Location.Geo.Lon).c_str(),
                TEvent::TypeName(static_cast<TEventType>(e.Type)), ElementName(e).c_str(),
                FormatShortest(e.Distance).c_str(), FormatShortest(e.Value).c_str());
}

int Usage()
{
    std::fprintf(stderr, "usage: flightprobe IGCFILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return Usage();
    const std::string igcFile = argv[1];

    std::string message;
    TScopedHooks hooks;
    hooks->ShowMessage = [&message](const std::string& text) { message = text; };

    TTrack track;
    TIgcFile reader(igcFile, &track);
    if (!reader.Read()) {
        std::printf("ERROR\t%s\n", message.c_str());
        return 1;
    }
    for (std::size_t i = 0; i < track.Points.size(); ++i) PrintFix(i, track.Points[i]);
    for (const TEvent& e : track.LoggerEvents) PrintEvent(e);
    return 0;
}
