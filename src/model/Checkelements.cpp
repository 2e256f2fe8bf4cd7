#include "model/Checkelements.h"

#include <cmath>

#include "model/Waypoint.h"
#include "platform/NumberFormat.h"

namespace {

// The result lies in [0, m) also for negative x.
double FloorMod(double x, double m)
{
    double r = std::fmod(x, m);
    if (r < 0.0) r += m;
    return r;
}

// The file keeps a percentage with two decimals at most ("0.##"): a gate
// takes it so rounded, so that its name and its place are the same before
// and after a reload.
double StoredPercent(double percent)
{
    return std::round(percent * 100.0) / 100.0;
}

// Whole degrees, halves upward, brought into 0..359.
double StoredBearing(double bearing)
{
    return FloorMod(std::floor(bearing + 0.5), 360.0);
}

} // namespace

TCheckElement::~TCheckElement() = default;

// ---------------------------------------------------------------- turn point

TTurnPoint::TTurnPoint(TWayPoint* waypoint, double radius) : TBasePoint(waypoint->Location), WayPoint(waypoint)
{
    Name = waypoint->Code;
    Radius = radius;
    waypoint->Attach(this);
}

TTurnPoint::~TTurnPoint()
{
    if (WayPoint) WayPoint->Detach(this);
}

void TTurnPoint::Recompute()
{
    if (!WayPoint) return;
    Location = WayPoint->Location;
    ClearBox();
    Widen(Location.Geo);
}

// ---------------------------------------------------------------- gate

TGate::TGate(TWayPoint* waypoint, double bearing, double radius, const char* name) : WayPoint(waypoint)
{
    Radius = radius;
    SetUp(waypoint->Location, bearing);
    // From the bearing as stored, so that a reload names the gate alike.
    Name = name ? std::string(name) : MakeWaypointName(waypoint, Bearing);
    waypoint->Attach(this);
}

TGate::TGate(TWayPoint* waypoint, const TWayPoint* toward, double radius, const char* name)
    : TGate(waypoint, waypoint->Location.Course(toward->Location), radius, name)
{
}

TGate::TGate(TStraightLeg* leg, double percent, double radius, const char* name)
    : Leg(leg), Percent(StoredPercent(percent))
{
    Radius = radius;
    PlaceOnLeg();
    Name = name ? std::string(name) : MakeLegName(leg, Percent);
}

TGate::TGate(TArcLeg* leg, double percent, double radius, const char* name)
    : Leg(leg), Percent(StoredPercent(percent))
{
    Radius = radius;
    PlaceOnLeg();
    Name = name ? std::string(name) : MakeLegName(leg, Percent);
}

TGate::~TGate()
{
    if (WayPoint) WayPoint->Detach(this);
}

std::string TGate::MakeWaypointName(const TWayPoint* waypoint, double bearing)
{
    return (waypoint ? waypoint->Code : std::string()) + " (" + FormatNumber("000", StoredBearing(bearing)) + ")";
}

std::string TGate::MakeLegName(const TLeg* leg, double percent)
{
    return (leg ? leg->Name : std::string()) + " (" + FormatNumber("0", percent) + "%)";
}

void TGate::Recompute()
{
    if (WayPoint)
        SetUp(WayPoint->Location, Bearing);
    else if (Leg)
        PlaceOnLeg();
}

void TGate::SetUp(const TLocation& position, double bearing)
{
    Location = position;
    ClearBox();
    Widen(Location.Geo);
    Bearing = StoredBearing(bearing);
    // The ends from the stored bearing: the same numbers as after a reload.
    const TLocation end1 = position.Destination(Bearing - 90.0, Radius);
    const TLocation end2 = position.Destination(Bearing + 90.0, Radius);
    GateLine = TBaseLine(end1, end2);
}

void TGate::PlaceOnLeg()
{
    if (Leg->GetType() == ceStraightLeg) {
        const TStraightLeg* leg = static_cast<const TStraightLeg*>(Leg);
        const double course = leg->Start.Course(leg->End);
        const double distance = 0.01 * leg->Length() * Percent;
        SetUp(leg->From->Location.Destination(course, distance), course);
    } else {
        const TArcLeg* arc = static_cast<const TArcLeg*>(Leg);
        const double sweep = 0.01 * Percent * arc->Sweep;
        const double start = arc->StartRadial; // the course from the centre to From
        const double radial = FloorMod(arc->Clockwise ? start + sweep : start - sweep, 360.0);
        const TLocation position = arc->Centre.Destination(radial, arc->TBaseArc::Radius);
        // Facing along the direction of travel on the arc.
        SetUp(position, arc->Clockwise ? radial + 90.0 : radial - 90.0);
    }
}

// ---------------------------------------------------------------- legs

TStraightLeg::TStraightLeg(TTurnPoint* from, TTurnPoint* to, double radius, const char* name)
    : TBaseLine(from->Location, to->Location)
{
    From = from;
    To = to;
    Radius = radius;
    Name = name ? std::string(name) : MakeName(from, to);
}

std::string TStraightLeg::MakeName(const TTurnPoint* from, const TTurnPoint* to)
{
    return from->Name + " - " + to->Name;
}

void TStraightLeg::Recompute()
{
    Start = From->Location;
    End = To->Location;
    ClearBox();
    Widen(Start.Geo);
    Widen(End.Geo);
}

TArcLeg::TArcLeg(TTurnPoint* from, TTurnPoint* to, TTurnPoint* mid, double radius, const char* name) : Mid(mid)
{
    From = from;
    To = to;
    Radius = radius;
    Name = name ? std::string(name) : MakeName(from, to, mid);
    Calculate(from->Location, to->Location, mid->Location);
}

std::string TArcLeg::MakeName(const TTurnPoint* from, const TTurnPoint* to, const TTurnPoint* mid)
{
    return from->Name + " - " + mid->Name + " - " + to->Name;
}

void TArcLeg::Recompute()
{
    TBaseArc arc;
    arc.Calculate(From->Location, To->Location, Mid->Location);
    static_cast<TBaseArc&>(*this) = arc;
}

// ---------------------------------------------------------------- zone

TZone::TZone(const char* name)
{
    Name = name ? name : "New zone";
}
