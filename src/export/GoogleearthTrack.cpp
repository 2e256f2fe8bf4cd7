// The flight's part of the KML writer: its track and its events.

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "analysis/Track.h"
#include "export/Googleearth.h"
#include "model/Checkelements.h"
#include "platform/NumberFormat.h"

namespace {

const char* GroupFolderName(TEventGroup group)
{
    switch (group) {
    case egGate: return "Gate events";
    case egTurnPoint: return "Turn point events";
    case egLeg: return "Leg events";
    case egTrack: return "Track events";
    case egIgc: return "IGC events";
    default: return "Other events";
    }
}

// The kinds that come in large numbers or only matter on a closer look.
bool HiddenType(std::uint16_t type)
{
    switch (type) {
    case etEnterTurnPoint:
    case etExitTurnPoint:
    case etEnterLeg:
    case etExitLeg:
    case etStartLeg:
    case etEndLeg:
    case etHighAcceleration:
        return true;
    default:
        return false;
    }
}

// The logger's code held in an event's value; a value that is no code at
// all names the unknown event.
std::uint8_t IgcCode(double value)
{
    if (!(value >= 0.0 && value < 256.0)) return igcUnknown;
    return static_cast<std::uint8_t>(value);
}

std::string LocalClock(std::int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!::localtime_r(&t, &local)) return {};
    char text[9] = {
        static_cast<char>('0' + local.tm_hour / 10), static_cast<char>('0' + local.tm_hour % 10), ':',
        static_cast<char>('0' + local.tm_min / 10),  static_cast<char>('0' + local.tm_min % 10),  ':',
        static_cast<char>('0' + local.tm_sec / 10),  static_cast<char>('0' + local.tm_sec % 10),  '\0'};
    return text;
}

} // namespace

void KmlFile::WriteTrack(const std::string& name, const TTrack& track)
{
    BeginPlacemark("Track " + name, "trackStyle");
    // A log without fixes has neither a line nor a time span.
    if (!track.Points.empty()) {
        BeginGeometryAbsolute("LineString", false);
        for (const TTrackPoint& point : track.Points) WriteCoordinate(point.Location, 0.0);
        EndGeometryAbsolute("LineString");
        WriteTimeSpan(track.Points.front().Time, track.Points.back().Time);
    }
    EndPlacemark();
}

void KmlFile::WriteEvents(const TTrack& track, TKmlVisibility visibility)
{
    std::vector<const TEvent*> events;
    events.reserve(track.Events.size());
    for (const TEvent& event : track.Events) events.push_back(&event);
    // By group, then by type; time order within a type.
    std::stable_sort(events.begin(), events.end(), [](const TEvent* a, const TEvent* b) {
        const TEventGroup ga = a->Group(), gb = b->Group();
        return ga != gb ? ga < gb : a->Type < b->Type;
    });

    BeginFolder("Events", visibility);
    for (std::size_t i = 0; i < events.size();) {
        const TEventGroup group = events[i]->Group();
        BeginFolder(GroupFolderName(group), group == egLeg ? kvHidden : kvInherit);
        while (i < events.size() && events[i]->Group() == group) {
            const std::uint16_t type = events[i]->Type;
            BeginFolder(TEvent::TypeName(static_cast<TEventType>(type)), HiddenType(type) ? kvHidden : kvInherit);
            for (; i < events.size() && events[i]->Type == type; ++i) WriteEvent(*events[i]);
            EndFolder();
        }
        EndFolder();
    }
    EndFolder();
}

void KmlFile::WriteEvent(const TEvent& event)
{
    const std::string typeName = TEvent::TypeName(static_cast<TEventType>(event.Type));
    std::string name = typeName;
    if (event.Type == etIgcEvent)
        name += std::string(": ") + TEvent::IgcEventName(IgcCode(event.Value));
    else if (event.Element)
        name += " " + event.Element->Name;

    const TTrackPoint& point = event.Point;
    BeginEventPlacemark(point.Location, name, typeName, point.Time, point.Location.Geo.H);
    if (event.Element) WriteData("Name", event.Element->Name);
    WriteData("Time", LocalClock(point.Time));
    WriteData("Distance", FormatNumber("# ### ###", event.Distance));
    switch (event.Type) {
    case etTurnPoint:
        WriteData("Accum. Distance", FormatNumber("# ### ###", event.Value));
        break;
    case etMaxTurnPoint:
        WriteData("Bearing", FormatNumber("000.0", event.Value));
        break;
    case etEnterLeg:
    case etExitLeg:
        if (event.Value > 0.0) WriteData("Points in leg", FormatNumber("##0.0%", 100.0 * event.Value));
        break;
    case etEndLeg:
        WriteData("Points in leg", FormatNumber("##0.0%", 100.0 * event.Value));
        break;
    case etHighAcceleration:
        WriteData("Acceleration", FormatNumber("##0.00", event.Value));
        break;
    default:
        break;
    }
    EndEventPlacemark();
}
