#include "analysis/Track.h"

#include <cstring>
#include <limits>

namespace {

constexpr std::int64_t SecondsPerDay = 86400;

// Floor division and the matching remainder (never negative for d > 0).
std::int64_t FloorDiv(std::int64_t n, std::int64_t d) { return n / d - ((n % d != 0) && ((n < 0) != (d < 0))); }

std::int64_t FloorMod(std::int64_t n, std::int64_t d) { return n - FloorDiv(n, d) * d; }

struct TCivil {
    std::int64_t Year;
    int Month; // 1..12
    int Day;
};

// The inverse of DaysFromCivil (H. Hinnant's algorithm).
TCivil CivilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

const char* const EventTypeNames[] = {
    "Gate",
    "Inverse gate crossing",
    "Best approximation to gate",
    "Turn point",
    "Enter turn point area",
    "Exit turn point area",
    "Best approximation to turn point",
    "Maximum distance to turn point",
    "Enter leg",
    "Exit leg",
    "Start of leg",
    "End of leg",
    "Intersection with own track",
    "High acceleration",
    "IGC event",
};

const TEventGroup EventTypeGroups[] = {
    egGate, egGate, egGate,
    egTurnPoint, egTurnPoint, egTurnPoint, egTurnPoint, egTurnPoint,
    egLeg, egLeg, egLeg, egLeg,
    egTrack, egTrack,
    egIgc,
};

constexpr int EventTypeCount = 15;

// The bit number of a type, or -1 when it is not exactly one known bit.
int TypeBit(TEventType type)
{
    const unsigned v = type;
    if (v == 0 || (v & (v - 1)) != 0) return -1;
    int bit = 0;
    while ((1u << bit) != v) ++bit;
    return bit < EventTypeCount ? bit : -1;
}

struct TIgcCode {
    const char* Letters;
    const char* Description;
};

const TIgcCode IgcCodes[] = {
    {"ATS", "Altimeter Pressure Setting"},
    {"CCN", "Camera Connect"},
    {"CDC", "Camera Disconnect"},
    {"CGD", "Change of geodetic datum"},
    {"EDN", "Engine down"},
    {"EOF", "Engine off"},
    {"EON", "Engine on"},
    {"EUP", "Engine up"},
    {"FIN", "Finish"},
    {"GCN", "GNSS Connect"},
    {"GDC", "GNSS Disconnect"},
    {"LOV", "Low voltage"},
    {"ONT", "On Task - attempting task"},
    {"PEV", "Pilot Event"},
    {"PHO", "Photo taken (shutter-press)"},
    {"STA", "Start event"},
    {"TPC", "Turn point confirmation - Equipment generated event"},
};

const char* const UnknownEvent = "Unknown event";

std::int64_t SystemNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

} // namespace

// ---------------------------------------------------------------- calendar

std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day)
{
    // Months beyond 1..12 move the year, days beyond the month move on.
    year += FloorDiv(month - 1, 12);
    month = FloorMod(month - 1, 12) + 1;
    year -= month <= 2;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (day - 1);
}

std::int64_t UtcSeconds(std::int64_t year, int month, int day, int hours, int minutes, int seconds)
{
    return DaysFromCivil(year, month, day) * SecondsPerDay + std::int64_t{hours} * 3600 +
           std::int64_t{minutes} * 60 + seconds;
}

std::tm UtcCalendar(std::int64_t t)
{
    const std::int64_t days = FloorDiv(t, SecondsPerDay);
    const std::int64_t secs = t - days * SecondsPerDay;
    const TCivil c = CivilFromDays(days);
    std::tm tm{};
    tm.tm_year = static_cast<int>(c.Year - 1900);
    tm.tm_mon = c.Month - 1;
    tm.tm_mday = c.Day;
    tm.tm_hour = static_cast<int>(secs / 3600);
    tm.tm_min = static_cast<int>(secs / 60 % 60);
    tm.tm_sec = static_cast<int>(secs % 60);
    tm.tm_wday = static_cast<int>(FloorMod(days + 4, 7)); // 1970-01-01 was a Thursday
    tm.tm_yday = static_cast<int>(days - DaysFromCivil(c.Year, 1, 1));
    tm.tm_isdst = 0;
    return tm;
}

// ---------------------------------------------------------------- points and events

TTrackPoint::TTrackPoint(std::int64_t time, double latitude, double longitude, std::uint8_t validity,
                         double pressureAltitude, double gnssAltitude, const TDatum& datum)
    : TBasePoint(TLocation(TGeoCoord{longitude, latitude, gnssAltitude}, &datum)),
      Time(time),
      PressureAltitude(pressureAltitude),
      GnssAltitude(gnssAltitude),
      Validity(validity)
{
    // The track's datum is a copy of WGS 84: refer to the built-in one, which
    // outlives every copy of the point.
    Location.Datum = DefaultDatum();
}

TEventGroup TEvent::GroupOf(TEventType type)
{
    const int bit = TypeBit(type);
    return bit < 0 ? egOther : EventTypeGroups[bit];
}

const char* TEvent::TypeName(TEventType type)
{
    const int bit = TypeBit(type);
    return bit < 0 ? UnknownEvent : EventTypeNames[bit];
}

const char* TEvent::IgcEventName(std::uint8_t code)
{
    return code < igcUnknown ? IgcCodes[code].Description : UnknownEvent;
}

std::uint8_t IgcEventCode(const char* letters)
{
    for (std::uint8_t i = 0; i < igcUnknown; ++i)
        if (std::memcmp(letters, IgcCodes[i].Letters, 3) == 0) return i;
    return igcUnknown;
}

// ---------------------------------------------------------------- track

TTrack::TTrack(TClock clock) : Datum(*DefaultDatum()), FClock(std::move(clock))
{
    if (!FClock) FClock = SystemNow;
    FEventCursor = Events.end();
    ResetDate();
}

void TTrack::Clear()
{
    Points.clear();
    Events.clear();
    LoggerEvents.clear();
    FEventCursor = Events.end();
    FPointCursor = 0;
    MaxLat = EmptyBoxMaxLat;
    MinLat = EmptyBoxMinLat;
    MaxLon = EmptyBoxMaxLon;
    MinLon = EmptyBoxMinLon;
    FMapMemo = nullptr;
    FMapChangeMemo = 0;
    ResetDate();
}

void TTrack::ResetDate()
{
    const std::tm today = UtcCalendar(FClock());
    SetDate(today.tm_mday, today.tm_mon + 1, today.tm_year + 1900 - 2000);
}

void TTrack::SetDateFromTime(std::int64_t t) { FDate = UtcCalendar(t); }

void TTrack::SetDate(int day, int month, int year)
{
    const int fullYear = year < 80 ? 2000 + year : 1900 + year;
    const std::int64_t t = UtcSeconds(fullYear, month, day, 0, 0, 0);
    SetDateFromTime(t);
    DateStart = t;
    FLastTime = t;
}

std::int64_t TTrack::MakeTime(int hours, int minutes, int seconds)
{
    std::int64_t t = UtcSeconds(FDate.tm_year + std::int64_t{1900}, FDate.tm_mon + 1, FDate.tm_mday, hours, minutes,
                                seconds);
    if (t < FLastTime) t += SecondsPerDay;
    // The date fields follow t, as the C library's calendar normalises them.
    SetDateFromTime(t);
    FLastTime = t;
    return t;
}

void TTrack::AddPoint(const TTrackPoint& point)
{
    Points.push_back(point);
    const TGeoCoord& g = point.Location.Geo;
    if (g.Lat > MaxLat) MaxLat = g.Lat;
    if (g.Lat < MinLat) MinLat = g.Lat;
    if (g.Lon > MaxLon) MaxLon = g.Lon;
    if (g.Lon < MinLon) MinLon = g.Lon;
}

void TTrack::AddIgcEvent(std::uint8_t code)
{
    if (Points.empty()) return;
    LoggerEvents.insert(TEvent(Points.back(), nullptr, etIgcEvent, 0.0, code));
}

int TTrack::FindNearestPoint(double x, double y) const
{
    double best = std::numeric_limits<double>::max();
    int found = -1;
    int index = 0;
    for (const auto& line : Polylines) {
        for (const TMapPoint& p : line) {
            const double d = (p.X - x) * (p.X - x) + (p.Y - y) * (p.Y - y);
            if (d < best) {
                best = d;
                found = index;
            }
            ++index;
        }
    }
    return found;
}

const TTrackPoint* TTrack::FirstPoint()
{
    FPointCursor = 0;
    return NextPoint();
}

const TTrackPoint* TTrack::NextPoint()
{
    if (FPointCursor >= Points.size()) return nullptr;
    return &Points[FPointCursor++];
}

const TEvent* TTrack::FirstEvent()
{
    FEventCursor = Events.begin();
    return NextEvent();
}

const TEvent* TTrack::NextEvent()
{
    if (FEventCursor == Events.end()) return nullptr;
    return &*FEventCursor++;
}
