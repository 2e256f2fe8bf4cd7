#pragma once
// The check elements of a task: turn points (a cylinder around a copy of a
// waypoint's position), gates (a line across a direction, on a waypoint or at
// a percentage of a leg), straight legs and arc legs (corridors between two
// turn points) and zones (named only).
//
// The analysis, the map view and the KML writer read the public fields
// directly. The task instance hands out pointers to the TCheckElement part
// (for legs the TLeg part); convert them back with static_cast only, never
// through void*: the TCheckElement part of a two-base class sits at an
// offset inside the object.
//
// Positions are copies taken at construction. Recompute takes them again from
// what the element was built on (the waypoint set's Update uses it when a
// waypoint moves); it gives exactly what building the element anew with the
// same values gives.

#include <cstdint>
#include <string>

#include "geodesy/Base.h"

class TWayPoint;
class TTaskInstance;
class TTurnPoint;

enum TCheckElementType : std::int8_t {
    ceTurnPoint = 1,
    ceGate = 2,
    ceStraightLeg = 3,
    ceArcLeg = 4,
    ceZone = 5,
};

class TCheckElement {
public:
    TCheckElement() = default;
    TCheckElement(const TCheckElement&) = delete;
    TCheckElement& operator=(const TCheckElement&) = delete;
    // Elements are deleted through this part.
    virtual ~TCheckElement();

    virtual TCheckElementType GetType() const = 0;

    // The task instance that took the element; null before.
    TTaskInstance* Instance() const { return FInstance; }

    std::string Name;
    double Radius = 0.0; // metres

private:
    friend class TTaskInstance;
    TTaskInstance* FInstance = nullptr;
};

// The common view of the two leg kinds.
class TLeg : public TCheckElement {
public:
    // The middle turn point of an arc leg; null for a straight leg.
    virtual TTurnPoint* GetMid() const = 0;

    TTurnPoint* From = nullptr; // not owned
    TTurnPoint* To = nullptr;   // not owned
};

class TTurnPoint : public TBasePoint, public TCheckElement {
public:
    // Position: a copy of the waypoint's; Name: its code. Never null.
    TTurnPoint(TWayPoint* waypoint, double radius);
    ~TTurnPoint() override;

    TCheckElementType GetType() const override { return ceTurnPoint; }
    // Takes the waypoint's position again.
    void Recompute();

    TWayPoint* WayPoint; // not owned; null only once the waypoint is gone
};

class TStraightLeg;
class TArcLeg;

class TGate : public TBasePoint, public TCheckElement {
public:
    // A null name makes the gate name itself: "<code> (<bearing as stored>)"
    // or "<leg name> (<percent>%)".
    TGate(TWayPoint* waypoint, double bearing, double radius, const char* name = nullptr);
    // On the waypoint, bearing = the course from it toward the other one.
    TGate(TWayPoint* waypoint, const TWayPoint* toward, double radius, const char* name = nullptr);
    TGate(TStraightLeg* leg, double percent, double radius, const char* name = nullptr);
    TGate(TArcLeg* leg, double percent, double radius, const char* name = nullptr);
    ~TGate() override;

    TCheckElementType GetType() const override { return ceGate; }
    // The code, " (", the bearing rounded and brought into 0..359 as three
    // digits, ")".
    static std::string MakeWaypointName(const TWayPoint* waypoint, double bearing);
    // The leg's name, " (", the percentage rounded, "%)".
    static std::string MakeLegName(const TLeg* leg, double percent);
    // Places the gate again on its waypoint or leg, same Bearing or Percent.
    void Recompute();

    double Bearing = 0.0;        // degrees, whole, 0 <= Bearing < 360
    TWayPoint* WayPoint = nullptr; // gate on a waypoint; not owned
    TLeg* Leg = nullptr;           // gate on a leg; not owned
    double Percent = 0.0;        // along the leg, 0 at From, 100 at To; two decimals at most
    TBaseLine GateLine;          // Start left, End right, facing along Bearing

private:
    // Position, Bearing and GateLine from a centre and a bearing in degrees.
    void SetUp(const TLocation& position, double bearing);
    void PlaceOnLeg();
};

class TStraightLeg : public TBaseLine, public TLeg {
public:
    TStraightLeg(TTurnPoint* from, TTurnPoint* to, double radius, const char* name = nullptr);

    TCheckElementType GetType() const override { return ceStraightLeg; }
    TTurnPoint* GetMid() const override { return nullptr; }
    // "<from> - <to>"
    static std::string MakeName(const TTurnPoint* from, const TTurnPoint* to);
    // The line from the turn points' present positions.
    void Recompute();
};

// The arc through From, Mid and To. The names From, To and Radius mean the
// leg's turn points and corridor half-width, as for every leg; the arc's own
// fields are reached as TBaseArc::From, TBaseArc::Radius and so on.
class TArcLeg : public TBaseArc, public TLeg {
public:
    // Throws TException "Can't calculate arc leg. Try different points." when
    // the three positions give no arc; no element exists then.
    TArcLeg(TTurnPoint* from, TTurnPoint* to, TTurnPoint* mid, double radius, const char* name = nullptr);

    TCheckElementType GetType() const override { return ceArcLeg; }
    TTurnPoint* GetMid() const override { return Mid; }
    // "<from> - <mid> - <to>"
    static std::string MakeName(const TTurnPoint* from, const TTurnPoint* to, const TTurnPoint* mid);
    // The arc from the turn points' present positions; throws as the
    // constructor does and then leaves the arc as it was.
    void Recompute();

    using TLeg::From;
    using TLeg::To;
    using TLeg::Radius;
    TTurnPoint* Mid; // not owned
};

class TZone : public TBaseZone, public TCheckElement {
public:
    // A null name gives "New zone".
    explicit TZone(const char* name = nullptr);

    TCheckElementType GetType() const override { return ceZone; }
};
