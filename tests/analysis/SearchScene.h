#pragma once
// A task instance and a track for event search tests, built with destination
// points in metres east and north of an origin.

#include <memory>
#include <string>
#include <vector>

#include "analysis/Track.h"
#include "geodesy/Base.h"
#include "model/Checkelements.h"
#include "model/Task.h"
#include "model/Waypoint.h"

namespace searchtest {

// The place `east` metres east and then `north` metres north of origin.
inline TLocation Offset(const TLocation& origin, double east, double north)
{
    TLocation l = origin;
    if (east != 0.0) l = l.Destination(east > 0 ? 90.0 : 270.0, std::fabs(east));
    if (north != 0.0) l = l.Destination(north > 0 ? 0.0 : 180.0, std::fabs(north));
    return l;
}

inline TLocation Deg(double lat, double lon, const TDatum* datum = nullptr)
{
    return TLocation(TGeoCoord{DegToRad(lon), DegToRad(lat), 0.0}, datum);
}

class TScene {
public:
    explicit TScene(const TLocation& origin = Deg(47.0, 8.0)) : Origin(origin), Track([] { return 0; }) {}

    TTurnPoint* TurnPoint(const std::string& name, double east, double north, double radius)
    {
        return TurnPointAt(name, Offset(Origin, east, north), radius);
    }
    TTurnPoint* TurnPointAt(const std::string& name, const TLocation& at, double radius)
    {
        TTurnPoint* tp = new TTurnPoint(WayPoint(name, at), radius);
        Instance.AddTurnPoint(tp);
        return tp;
    }
    TGate* Gate(const std::string& name, double east, double north, double bearing, double radius)
    {
        TGate* gate = new TGate(WayPoint(name, Offset(Origin, east, north)), bearing, radius, name.c_str());
        Instance.AddGate(gate);
        return gate;
    }
    TStraightLeg* Leg(TTurnPoint* from, TTurnPoint* to, double radius)
    {
        TStraightLeg* leg = new TStraightLeg(from, to, radius);
        Instance.AddStraightLeg(leg);
        return leg;
    }

    // A fix `seconds` after the start.
    void FixAt(std::int64_t seconds, const TLocation& at)
    {
        Track.AddPoint(TTrackPoint(Start + seconds, at.Geo.Lat, at.Geo.Lon, Validity3D, 0.0, 0.0, Track.Datum));
    }
    void Fix(std::int64_t seconds, double east, double north) { FixAt(seconds, Offset(Origin, east, north)); }
    // Fixes every `step` seconds from `east0, north0` to `east1, north1` in `count` equal steps (both ends included).
    void Line(double east0, double north0, double east1, double north1, int count, std::int64_t step = 5)
    {
        for (int i = 0; i <= count; ++i) {
            const double f = static_cast<double>(i) / count;
            Fix(NextTime(step), east0 + f * (east1 - east0), north0 + f * (north1 - north0));
        }
    }
    std::int64_t NextTime(std::int64_t step)
    {
        if (Track.Points.empty()) return 0;
        return Track.Points.back().Time - Start + step;
    }

    void Search() { Track.FindEvents(&Instance); }

    // Index of the fix that the event copies.
    int PointIndex(const TEvent& e) const
    {
        for (std::size_t i = 0; i < Track.Points.size(); ++i) {
            const TTrackPoint& p = Track.Points[i];
            if (p.Time == e.Point.Time && p.Location.Geo.Lat == e.Point.Location.Geo.Lat &&
                p.Location.Geo.Lon == e.Point.Location.Geo.Lon)
                return static_cast<int>(i);
        }
        return -1;
    }

    // One line per event: type, element and fix index, in the set's order.
    std::string Summary(unsigned mask = 0xFFFF) const
    {
        std::string s;
        for (const TEvent& e : Track.Events) {
            if (!(e.Type & mask)) continue;
            s += TEvent::TypeName(static_cast<TEventType>(e.Type));
            if (e.Element) s += " " + e.Element->Name;
            s += " @" + std::to_string(PointIndex(e)) + "\n";
        }
        return s;
    }

    // The events of a type, in order.
    std::vector<const TEvent*> Of(TEventType type) const
    {
        std::vector<const TEvent*> r;
        for (const TEvent& e : Track.Events)
            if (e.Type == type) r.push_back(&e);
        return r;
    }

    static constexpr std::int64_t Start = 1700000000;
    TLocation Origin;
    std::vector<std::unique_ptr<TWayPoint>> WayPoints;
    TTaskInstance Instance;
    TTrack Track;

private:
    TWayPoint* WayPoint(const std::string& code, const TLocation& at)
    {
        WayPoints.push_back(std::make_unique<TWayPoint>(at, code));
        return WayPoints.back().get();
    }
};

} // namespace searchtest
