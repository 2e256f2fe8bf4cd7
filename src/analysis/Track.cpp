#include "analysis/Track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "model/Checkelements.h"
#include "model/Map.h"
#include "model/Task.h"

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

void TTrack::SetDateFromTime(std::int64_t t)
{
    const std::int64_t midnight = FloorDiv(t, SecondsPerDay) * SecondsPerDay;
    if (midnight == FMidnight) {
        // Same day: only the clock fields change.
        const std::int64_t secs = t - midnight;
        FDate.tm_hour = static_cast<int>(secs / 3600);
        FDate.tm_min = static_cast<int>(secs / 60 % 60);
        FDate.tm_sec = static_cast<int>(secs % 60);
        return;
    }
    FDate = UtcCalendar(t);
    FMidnight = midnight;
}

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
    std::int64_t t = FMidnight + std::int64_t{hours} * 3600 + std::int64_t{minutes} * 60 + seconds;
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
    LoggerEvents.emplace(Points.back(), nullptr, etIgcEvent, 0.0, code);
}

void TTrack::ProjectToMap(TMap* map)
{
    if (!map) return;
    if (FMapMemo == map && FMapChangeMemo == map->ChangeCount()) return;
    if (Points.empty()) return;
    const TDatum* datum = map->GetDatum();
    Polylines.clear();
    std::vector<TMapPoint> line;
    std::int64_t previous = Points.front().Time;
    for (const TTrackPoint& p : Points) {
        // More than 15 s without a fix: the logger lost the track.
        if (p.Time - previous > 15) {
            Polylines.push_back(std::move(line));
            line.clear();
        }
        previous = p.Time;
        const TGeoCoord g = ConvertDatum(p.Location.Geo, p.Location.Datum, datum);
        line.push_back(map->Georef.WorldToPixelPoint(map->GeoToWorld(g)));
    }
    Polylines.push_back(std::move(line));
    FMapMemo = map;
    FMapChangeMemo = map->ChangeCount();
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
// ---------------------------------------------------------------- event search

bool TTrack::PruneSearch = true;

namespace {

// Skipping tests. Approximate distances decide whether the exact test of an
// element could change anything at a step; where it cannot, the step is
// skipped for that element. The approximation is the chord on a sphere: the
// distances of the geodesy (UTM grid distances, also in a neighbouring
// zone's plane, and great-circle distances on the ellipsoid) lie within
// SphereMargin of it while both places are within BoundLimit of each other
// and below PolarLimit in latitude; beyond that every test is made.
//
// A skipped step also yields a travel budget: the track's chord length that
// it may fly on before the element could matter again (the chords to the
// element change by at most the travel). The steps within it are skipped
// without any computation.
constexpr double SphereRadius = 6371000.0;
constexpr double SphereMargin = 0.02;
constexpr double SphereSlack = 1.0; // metres
constexpr double BoundLimit = 300000.0;
constexpr double PolarLimit = DegToRad(75.0);

struct TUnit {
    double X, Y, Z;
};

TUnit UnitOf(const TGeoCoord& g)
{
    const double c = std::cos(g.Lat);
    return {c * std::cos(g.Lon), c * std::sin(g.Lon), std::sin(g.Lat)};
}

double Chord(const TUnit& a, const TUnit& b)
{
    const double dx = a.X - b.X, dy = a.Y - b.Y, dz = a.Z - b.Z;
    return SphereRadius * std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Bounds of a geodesy distance from its approximation.
double Lower(double approx) { return approx * (1.0 - SphereMargin) - SphereSlack; }
double Upper(double approx) { return approx * (1.0 + SphereMargin) + SphereSlack; }
bool Near(double approx) { return approx < BoundLimit; }

// The smallest distance from a centre to a segment that the approximate
// distances of the centre to both ends and of the ends allow.
double LowerToSegment(double toA, double toB, double ab) { return 0.5 * (Lower(toA) + Lower(toB) - Upper(ab)); }

// The largest travel T after a fix at approximate distance a from a centre
// for which every later segment keeps LowerToSegment above `above`: with
// both ends at least a - T away and the segment at most T long.
double TravelAbove(double a, double above)
{
    return (Lower(a) - 0.5 * SphereSlack - above) / (1.5 - 0.5 * SphereMargin);
}

// Two datums that need no conversion between them (as the geodesy decides).
bool SameDatum(const TDatum* a, const TDatum* b)
{
    return a == b || (a->Ellipsoid.Name == b->Ellipsoid.Name && a->Delta.X == b->Delta.X &&
                      a->Delta.Y == b->Delta.Y && a->Delta.Z == b->Delta.Z);
}

// On WGS 84, where the fixes are.
TGeoCoord OnFixDatum(const TLocation& loc)
{
    return SameDatum(loc.Datum, DefaultDatum()) ? loc.Geo : ConvertDatum(loc.Geo, loc.Datum, DefaultDatum());
}

// A location as the geodesy takes it over onto the fixes' datum.
TLocation LocationOnFixDatum(const TLocation& loc)
{
    if (SameDatum(loc.Datum, DefaultDatum())) {
        TLocation l = loc;
        l.Datum = DefaultDatum();
        return l;
    }
    return TLocation(ConvertDatum(loc.Geo, loc.Datum, DefaultDatum()), DefaultDatum());
}

// The fixes' locations on the datums of the elements, each fix converted at
// most once per datum. On an equal datum they are only relabelled (so that
// the geodesy sees one datum object), else converted as the geodesy would
// convert them.
class TFixesOnDatums {
public:
    explicit TFixesOnDatums(const std::vector<TTrackPoint>& points) : FPoints(points) {}

    // Null: the fixes' own locations.
    const std::vector<TLocation>* On(const TDatum* datum)
    {
        if (datum == DefaultDatum()) return nullptr;
        for (const auto& [d, locations] : FSets)
            if (d == datum) return locations.get();
        auto locations = std::make_unique<std::vector<TLocation>>();
        locations->reserve(FPoints.size());
        const bool same = SameDatum(DefaultDatum(), datum);
        for (const TTrackPoint& p : FPoints) {
            if (same) {
                locations->push_back(p.Location);
                locations->back().Datum = datum;
            } else {
                locations->emplace_back(ConvertDatum(p.Location.Geo, DefaultDatum(), datum), datum);
            }
        }
        FSets.emplace_back(datum, std::move(locations));
        return FSets.back().second.get();
    }

private:
    const std::vector<TTrackPoint>& FPoints;
    std::vector<std::pair<const TDatum*, std::unique_ptr<std::vector<TLocation>>>> FSets;
};

const TLocation& FixAt(const std::vector<TLocation>* on, const std::vector<TTrackPoint>& points, std::size_t i)
{
    return on ? (*on)[i] : points[i].Location;
}

constexpr std::size_t NoPoint = static_cast<std::size_t>(-1);

// What every element keeps for skipping.
struct TSkip {
    TUnit Unit;              // the element's centre
    bool Allowed;            // away from the poles
    double Until = -1.0;     // skip while the travel is below this
    std::size_t ChordAt = NoPoint;
    double Chord = 0.0;      // to the fix ChordAt

    double ChordTo(const std::vector<TUnit>& units, std::size_t i)
    {
        if (ChordAt != i) {
            ChordAt = i;
            Chord = ::Chord(Unit, units[i]);
        }
        return Chord;
    }
};

TSkip SkipFor(const TGeoCoord& centre) { return {UnitOf(centre), std::fabs(centre.Lat) < PolarLimit}; }

struct TTurnPointState {
    TTurnPoint* Element;
    const std::vector<TLocation>* Fixes;
    TSkip Skip;
    double Nearest;
    std::size_t NearestPoint; // where the whole track came nearest
    double Farthest;
    std::size_t FarthestPoint;
    bool Inside = false;
    double VisitMinimum = 0.0;
    std::size_t VisitBest = 0; // where this visit came nearest
};

struct TGateState {
    TGate* Element;
    const std::vector<TLocation>* Fixes;
    TSkip Skip;
    double Nearest;
    std::size_t BestPoint; // NoPoint once crossed
};

struct TLegState {
    TStraightLeg* Element;
    const std::vector<TLocation>* FromFixes;
    const std::vector<TLocation>* ToFixes;
    TLocation Start; // the line's ends on the fixes' datum
    TLocation End;
    TSkip From, To, LineStart, LineEnd;
    double ApproxLength = 0.0;
    bool Started = false;
    bool NearStart = false;
    bool Inside = false;
    long InsideCount = 0;
    long OutsideCount = 0;

    double Share() const
    {
        const long all = InsideCount + OutsideCount;
        return all == 0 ? 0.0 : static_cast<double>(InsideCount) / static_cast<double>(all);
    }
};

} // namespace

void TTrack::FindEvents(TTaskInstance* instance)
{
    if (!instance) return;
    if (FTaskMemo == instance && FTaskChangeMemo == instance->ChangeCount) return;
    const std::size_t n = Points.size();
    if (n < 5) return;

    const bool prune = PruneSearch;
    // The fixes as unit vectors, and the chord length flown up to each.
    std::vector<TUnit> units;
    std::vector<double> travel;
    if (prune) {
        units.reserve(n);
        travel.reserve(n);
        for (const TTrackPoint& p : Points) {
            units.push_back(UnitOf(p.Location.Geo));
            travel.push_back(travel.empty() ? 0.0 : travel.back() + Chord(units[units.size() - 2], units.back()));
        }
    }

    TFixesOnDatums fixes(Points);
    const TTrackPoint& first = Points.front();

    std::vector<TTurnPointState> turnPoints;
    for (TCheckElement* e = instance->FirstCheckElement(ceTurnPoint); e; e = instance->NextCheckElement(ceTurnPoint)) {
        TTurnPoint* tp = static_cast<TTurnPoint*>(e);
        const double d = tp->Location.Distance(first.Location);
        turnPoints.push_back({tp, fixes.On(tp->Location.Datum), SkipFor(OnFixDatum(tp->Location)), d, 0, d, 0});
    }
    std::vector<TGateState> gates;
    for (TCheckElement* e = instance->FirstCheckElement(ceGate); e; e = instance->NextCheckElement(ceGate)) {
        TGate* gate = static_cast<TGate*>(e);
        gates.push_back({gate, fixes.On(gate->GateLine.Start.Datum), SkipFor(OnFixDatum(gate->Location)),
                         gate->Location.Distance(first.Location), 0});
    }
    std::vector<TLegState> legs;
    for (TCheckElement* e = instance->FirstCheckElement(ceStraightLeg); e;
         e = instance->NextCheckElement(ceStraightLeg)) {
        TStraightLeg* leg = static_cast<TStraightLeg*>(e);
        TLegState s{leg,
                    fixes.On(leg->From->Location.Datum),
                    fixes.On(leg->To->Location.Datum),
                    LocationOnFixDatum(leg->Start),
                    LocationOnFixDatum(leg->End),
                    SkipFor(OnFixDatum(leg->From->Location)),
                    SkipFor(OnFixDatum(leg->To->Location)),
                    SkipFor(OnFixDatum(leg->Start)),
                    SkipFor(OnFixDatum(leg->End))};
        s.ApproxLength = Chord(s.LineStart.Unit, s.LineEnd.Unit);
        legs.push_back(std::move(s));
    }
    // Arc legs take part in no test.
    for (TCheckElement* e = instance->FirstCheckElement(ceArcLeg); e; e = instance->NextCheckElement(ceArcLeg)) {
    }

    Events.clear();
    FEventCursor = Events.end();
    TTurnPoint* previousTurnPoint = nullptr; // the last turn point reached
    double taskDistance = 0.0;               // between the turn points reached, in order

    auto add = [this](std::size_t point, TCheckElement* element, TEventType type, double distance, double value) {
        Events.emplace(Points[point], element, type, distance, value);
    };

    // Speeds of the first two fixes.
    Points[0].Speed = 0.0;
    {
        const std::int64_t dt = Points[1].Time - Points[0].Time;
        Points[1].Speed = dt != 0 ? Points[1].Location.Distance(Points[0].Location) / static_cast<double>(dt)
                                  : Points[0].Speed;
    }

    for (std::size_t cur = 1; cur + 1 < n; ++cur) {
        const std::size_t prev = cur - 1;
        const std::size_t next = cur + 1;
        TTrackPoint& pc = Points[cur];
        TTrackPoint& pn = Points[next];

        // Speed of next, acceleration of cur.
        const std::int64_t dt = pn.Time - pc.Time;
        pn.Speed = dt != 0 ? pc.Location.Distance(pn.Location) / static_cast<double>(dt) : pc.Speed;
        const std::int64_t half = (pn.Time - Points[prev].Time) / 2;
        if (half > 0) {
            const double h = static_cast<double>(half);
            pc.Acceleration = (pn.Speed - pc.Speed) / (h * h);
            if (std::fabs(pc.Acceleration) > 0.2) add(cur, nullptr, etHighAcceleration, 0.0, pc.Acceleration);
        }

        const double travelled = prune ? travel[cur] : 0.0;
        const double approxSegment = prune ? travel[cur] - travel[prev] : 0.0;

        // Turn points, on the segment prev -> cur.
        for (TTurnPointState& s : turnPoints) {
            const double radius = s.Element->Radius;
            if (prune && !s.Inside && s.Skip.Allowed) {
                if (travelled < s.Skip.Until) continue;
                const double approxPrev = s.Skip.ChordTo(units, prev);
                const double approxCur = s.Skip.ChordTo(units, cur);
                if (Near(approxPrev) && Near(approxCur) && Near(approxSegment)) {
                    const double lower = LowerToSegment(approxPrev, approxCur, approxSegment);
                    const double upper = std::min(Upper(approxPrev), Upper(approxCur));
                    if (lower > radius && lower >= s.Nearest && upper <= s.Farthest) {
                        const double budget =
                            std::min({TravelAbove(approxCur, std::max(radius, s.Nearest)),
                                      (s.Farthest - SphereSlack) / (1.0 + SphereMargin) - approxCur,
                                      BoundLimit - approxCur});
                        if (budget > 0.0) s.Skip.Until = travelled + budget;
                        continue;
                    }
                }
            }
            const double d = DistanceToSegment(s.Element->Location, FixAt(s.Fixes, Points, prev),
                                               FixAt(s.Fixes, Points, cur), false)
                                 .Distance;
            if (d < s.Nearest) {
                s.Nearest = d;
                s.NearestPoint = prev;
            }
            if (d > s.Farthest) {
                s.Farthest = d;
                s.FarthestPoint = prev;
            }
            if (d <= radius) {
                if (s.Inside) {
                    if (d < s.VisitMinimum) {
                        s.VisitMinimum = d;
                        s.VisitBest = prev;
                    }
                } else {
                    s.Inside = true;
                    add(prev, s.Element, etEnterTurnPoint, d, 0.0);
                    s.VisitMinimum = d;
                    s.VisitBest = prev;
                }
            } else if (s.Inside) {
                s.Inside = false;
                if (previousTurnPoint && previousTurnPoint != s.Element)
                    taskDistance += previousTurnPoint->Location.Distance(s.Element->Location);
                previousTurnPoint = s.Element;
                add(s.VisitBest, s.Element, etTurnPoint, s.VisitMinimum, taskDistance);
                add(prev, s.Element, etExitTurnPoint, d, 0.0);
            }
        }

        // Gates, on the same segment, when the track arrived at prev faster
        // than 1 m/s.
        if (Points[prev].Speed > 1.0) {
            for (TGateState& s : gates) {
                if (prune && s.Skip.Allowed) {
                    if (travelled < s.Skip.Until) continue;
                    const double approxPrev = s.Skip.ChordTo(units, prev);
                    const double approxCur = s.Skip.ChordTo(units, cur);
                    if (Near(approxPrev) && Near(approxCur) && Near(approxSegment)) {
                        const double halfWidth = Upper(s.Element->Radius);
                        const double lower = LowerToSegment(approxPrev, approxCur, approxSegment) - halfWidth;
                        if (lower > 0.0 && lower >= s.Nearest) {
                            const double budget = std::min(TravelAbove(approxCur, halfWidth + s.Nearest),
                                                           BoundLimit - approxCur);
                            if (budget > 0.0) s.Skip.Until = travelled + budget;
                            continue;
                        }
                    }
                }
                const TBaseLine segment(FixAt(s.Fixes, Points, prev), FixAt(s.Fixes, Points, cur));
                const TLineIntersection r = s.Element->GateLine.Intersect(segment, false);
                if (r.Kind == ikCrossRight || r.Kind == ikCrossLeft) {
                    add(prev, s.Element, r.Kind == ikCrossRight ? etGate : etInverseGate, r.MinDistance, 0.0);
                    s.Nearest = 0.0;
                    s.BestPoint = NoPoint;
                } else if (r.MinDistance < s.Nearest) {
                    s.Nearest = r.MinDistance;
                    s.BestPoint = prev;
                }
            }
        }

        // Straight legs, measured at cur.
        for (TLegState& s : legs) {
            const double w = s.Element->Radius;
            if (prune && !s.NearStart && !s.Inside && s.From.Allowed && s.To.Allowed && s.LineStart.Allowed &&
                s.LineEnd.Allowed) {
                bool skip = travelled < s.From.Until;
                if (!skip) {
                    const double aFrom = s.From.ChordTo(units, cur);
                    const double aTo = s.To.ChordTo(units, cur);
                    const double aStart = s.LineStart.ChordTo(units, cur);
                    const double aEnd = s.LineEnd.ChordTo(units, cur);
                    if (Near(aFrom) && Near(aTo) && Near(aStart) && Near(aEnd) && Near(s.ApproxLength) &&
                        Lower(aFrom) > w && Lower(aTo) > w && LowerToSegment(aStart, aEnd, s.ApproxLength) > w) {
                        // Outside the corridor and both end circles, for a
                        // while: each end at least w away, the line beyond w.
                        const double corridor =
                            ((aStart + aEnd) * (1.0 - SphereMargin) - 2.0 * SphereSlack - Upper(s.ApproxLength) -
                             2.0 * w) /
                            (2.0 * (1.0 - SphereMargin));
                        const double budget = std::min(
                            {aFrom - (w + SphereSlack) / (1.0 - SphereMargin), aTo - (w + SphereSlack) / (1.0 - SphereMargin),
                             corridor, BoundLimit - std::max({aFrom, aTo, aStart, aEnd})});
                        if (budget > 0.0) s.From.Until = travelled + budget;
                        skip = true;
                    }
                }
                if (skip) {
                    if (s.Started) ++s.OutsideCount;
                    continue;
                }
            }
            const double dl = DistanceToSegment(pc.Location, s.Start, s.End, false).Distance;
            const double ds = s.Element->From->Location.Distance(FixAt(s.FromFixes, Points, cur));
            const double de = s.Element->To->Location.Distance(FixAt(s.ToFixes, Points, cur));
            if (s.Started && de < w) {
                add(prev, s.Element, etEndLeg, dl, s.Share());
                s.Started = false;
                s.Inside = false;
                s.InsideCount = 0;
                s.OutsideCount = 0;
            }
            if (ds < w) {
                s.NearStart = true;
            } else if (s.NearStart) {
                s.Started = true;
                s.Inside = true;
                s.NearStart = false;
                add(prev, s.Element, etStartLeg, dl, s.Share());
            }
            const bool insideNow = dl <= w && ds > w && de > w;
            if (insideNow) {
                if (s.Started) ++s.InsideCount;
                if (!s.Inside) {
                    add(prev, s.Element, etEnterLeg, dl, s.Started ? s.Share() : -1.0);
                    s.Inside = true;
                }
            } else {
                if (s.Started) ++s.OutsideCount;
                if (s.Inside) {
                    add(prev, s.Element, etExitLeg, dl, s.Started ? s.Share() : -1.0);
                    s.Inside = false;
                }
            }
        }
    }

    // Closing pass.
    for (const TTurnPointState& s : turnPoints) add(s.NearestPoint, s.Element, etBestTurnPoint, s.Nearest, 0.0);
    for (const TTurnPointState& s : turnPoints)
        add(s.FarthestPoint, s.Element, etMaxTurnPoint, s.Farthest,
            Points[s.FarthestPoint].Location.Course(s.Element->Location));
    for (const TGateState& s : gates)
        if (s.BestPoint != NoPoint) add(s.BestPoint, s.Element, etBestGate, s.Nearest, 0.0);

    // The logger's own events go after the analysis events of their time.
    for (const TEvent& e : LoggerEvents) Events.insert(e);

    FTaskMemo = instance;
    FTaskChangeMemo = instance->ChangeCount;
}
