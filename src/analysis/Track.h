#pragma once
// One flight as the logger recorded it: its fixes (TTrackPoint), the events
// that the analysis finds against a task instance and the events that the
// logger itself wrote (TEvent), the flight date with the clock that turns
// IGC times into UTC seconds, and the track drawn in the pixels of one map.
//
// Times are whole seconds since 1970-01-01 UTC, 64 bits wide. They are
// computed from the calendar without any time zone: the computer's zone
// never changes a track.

#include <cstdint>
#include <ctime>
#include <functional>
#include <set>
#include <vector>

#include "geodesy/Base.h"
#include "geodesy/Datum.h"
#include "model/Mapgrid.h"

class TCheckElement;
class TTaskInstance;
class TMap;

// Bit values: a set of types is a mask (the event filter of the map view).
enum TEventType : std::uint16_t {
    etGate = 1,
    etInverseGate = 2,
    etBestGate = 4,
    etTurnPoint = 8,
    etEnterTurnPoint = 16,
    etExitTurnPoint = 32,
    etBestTurnPoint = 64,
    etMaxTurnPoint = 128,
    etEnterLeg = 256,
    etExitLeg = 512,
    etStartLeg = 1024,
    etEndLeg = 2048,
    etOwnIntersection = 4096, // named and filterable; no search produces it
    etHighAcceleration = 8192,
    etIgcEvent = 16384,
};

enum TEventGroup : std::uint8_t {
    egGate = 0,
    egTurnPoint = 1,
    egLeg = 2,
    egTrack = 3,
    egIgc = 4,
    egOther = 5,
};

// The codes of IGC E records, in the order of the three-letter table; any
// other letters are igcUnknown.
enum TIgcEventCode : std::uint8_t {
    igcATS = 0,
    igcCCN, igcCDC, igcCGD, igcEDN, igcEOF, igcEON, igcEUP, igcFIN,
    igcGCN, igcGDC, igcLOV, igcONT, igcPEV, igcPHO, igcSTA, igcTPC,
    igcUnknown = 17,
};

// The code of three E-record letters (igcUnknown when they are none of the table).
std::uint8_t IgcEventCode(const char* letters);

// Fix validity.
inline constexpr std::uint8_t Validity3D = 3; // "A"
inline constexpr std::uint8_t Validity2D = 2; // "V"

// One fix. The location is on the built-in WGS 84 datum (longitude,
// latitude, GNSS altitude as height); its UTM coordinate is computed once,
// when the point is made.
class TTrackPoint : public TBasePoint {
public:
    // Latitude and longitude in radians; the UTM coordinate is computed on
    // the datum's ellipsoid (the track's datum, a copy of WGS 84).
    TTrackPoint(std::int64_t time, double latitude, double longitude, std::uint8_t validity,
                double pressureAltitude, double gnssAltitude, const TDatum& datum);

    std::int64_t Time;       // seconds UTC
    double PressureAltitude; // metres
    double GnssAltitude;     // metres
    double Speed = 0.0;      // m/s, set by the event search
    double Acceleration = 0.0;
    std::uint8_t Validity;
};

class TEvent {
public:
    TEvent(const TTrackPoint& point, TCheckElement* element, TEventType type, double distance, double value)
        : Point(point), Element(element), Type(type), Distance(distance), Value(value)
    {
    }

    TEventGroup Group() const { return GroupOf(static_cast<TEventType>(Type)); }

    // Any value that is not exactly one of the fifteen bits is "Unknown event"
    // of the group egOther.
    static TEventGroup GroupOf(TEventType type);
    static const char* TypeName(TEventType type);
    // "Unknown event" for 17 and every other value beyond the table.
    static const char* IgcEventName(std::uint8_t code);

    TTrackPoint Point;      // a copy of the fix
    TCheckElement* Element; // not owned; null for acceleration and logger events
    std::uint16_t Type;     // one TEventType
    double Distance;        // metres
    // By type: "Turn point" the task distance so far (m); "Maximum distance
    // to turn point" the course to the turn point (degrees); leg events the
    // share of points inside the corridor, -1 for a leg not started; "High
    // acceleration" the acceleration; "IGC event" the code; otherwise 0.
    double Value;
};

struct TEventTimeLess {
    bool operator()(const TEvent& a, const TEvent& b) const { return a.Point.Time < b.Point.Time; }
};

// Ordered by time; an event goes after every event of the same time that is
// already there (multiset insertion is at the upper end of an equal range).
using TEventSet = std::multiset<TEvent, TEventTimeLess>;

class TTrack {
public:
    // Seconds UTC now; the track asks it for "today".
    using TClock = std::function<std::int64_t()>;

    // Without a clock the system's clock is used. The track starts empty,
    // dated today.
    explicit TTrack(TClock clock = {});
    // The event cursor points into the track's own set.
    TTrack(const TTrack&) = delete;
    TTrack& operator=(const TTrack&) = delete;

    // No points, no events, an empty box, no map memo, dated today. The
    // polylines stay until the next projection replaces them.
    void Clear();
    // Today's UTC date through SetDate (two-digit year: 2000 to 2079).
    void ResetDate();
    // Midnight UTC of that day; a year below 80 is 20yy, else 19yy. Values
    // out of range carry over as in the C library's calendar (month 13 is
    // January of the next year). Midnight becomes the date start and the
    // last time.
    void SetDate(int day, int month, int year);
    // The time of that clock time on the current date; a time earlier than
    // the last one is on the next day (midnight UTC passed).
    std::int64_t MakeTime(int hours, int minutes, int seconds);

    // Appends a fix and widens the bounding box.
    void AddPoint(const TTrackPoint& point);
    // An "IGC event" of that code at the last fix, among the logger events;
    // nothing without points.
    void AddIgcEvent(std::uint8_t code);

    // The polylines of this track on that map, in its bitmap pixels: a new
    // polyline after a gap of more than 15 s, one map point per fix. Skipped
    // while the map and its change counter are the remembered ones, and for
    // a track without fixes.
    void ProjectToMap(TMap* map);
    // Index of the projected point nearest to (x, y) in map pixels; the
    // earlier one of equal distances; -1 without projected points.
    int FindNearestPoint(double x, double y) const;

    // The event search against a task instance: speeds, accelerations and
    // the event set. Skipped while the instance and its change count are the
    // remembered ones, and for fewer than 5 fixes.
    void FindEvents(TTaskInstance* instance);
    // The search skips the exact test of an element wherever approximate
    // distances show that it cannot change anything. Tests switch this off
    // to check that the skipping changes no event.
    static bool PruneSearch;

    // Walks for the exports: First puts the cursor on the first element and
    // returns it, Next returns the following one; null after the last.
    const TTrackPoint* FirstPoint();
    const TTrackPoint* NextPoint();
    const TEvent* FirstEvent();
    const TEvent* NextEvent();

    // The calendar fields of the current date (UTC; tm_isdst always 0).
    const std::tm& Date() const { return FDate; }
    std::int64_t LastTime() const { return FLastTime; }

    std::int64_t DateStart = 0; // midnight UTC of the flight date
    TDatum Datum;               // a copy of WGS 84: the system of every point
    std::vector<TTrackPoint> Points;
    TEventSet Events;       // the analysis events, the logger events merged in
    TEventSet LoggerEvents; // "IGC event" events of the E records
    std::vector<std::vector<TMapPoint>> Polylines; // map pixels
    double MaxLat = EmptyBoxMaxLat;
    double MinLat = EmptyBoxMinLat;
    double MaxLon = EmptyBoxMaxLon;
    double MinLon = EmptyBoxMinLon;

private:
    void SetDateFromTime(std::int64_t t);

    TClock FClock;
    const TMap* FMapMemo = nullptr;
    std::uint64_t FMapChangeMemo = 0;
    const TTaskInstance* FTaskMemo = nullptr;
    long long FTaskChangeMemo = 0;
    std::size_t FPointCursor = 0;
    TEventSet::const_iterator FEventCursor;
    std::tm FDate{};
    std::int64_t FMidnight = -1; // seconds UTC of midnight of FDate's day
    std::int64_t FLastTime = 0;
};

// Calendar helpers, UTC and free of any time zone.
// Days since 1970-01-01 of a proleptic Gregorian date (any month and day
// values: they carry over).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day);
// Seconds UTC of a calendar time (values carry over).
std::int64_t UtcSeconds(std::int64_t year, int month, int day, int hours, int minutes, int seconds);
// The calendar fields of seconds UTC (tm_isdst 0).
std::tm UtcCalendar(std::int64_t t);
