#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "model/Checkelements.h"
#include "model/Waypoint.h"
#include "platform/Exceptions.h"
#include "task_fixtures.h"

namespace {

// A to B runs east about 7.6 km; M lies north of their middle, so the arc
// A - M - B turns clockwise.
class CheckElements : public testing::Test {
protected:
    TWayPoint A = MakeWayPoint("A", 47.0, 8.0);
    TWayPoint B = MakeWayPoint("B", 47.0, 8.1);
    TWayPoint M = MakeWayPoint("M", 47.02, 8.05);
    TTurnPoint TA{&A, 200.0};
    TTurnPoint TB{&B, 200.0};
    TTurnPoint TM{&M, 200.0};
};

double Diff(double a, double b)
{
    return std::fabs(std::remainder(a - b, 360.0));
}

} // namespace

TEST_F(CheckElements, NamesBuiltFromCodesBearingsAndPercentages)
{
    TStraightLeg leg(&TA, &TB, 300.0);
    TArcLeg arc(&TA, &TB, &TM, 250.0);
    EXPECT_EQ(TA.Name, "A");
    EXPECT_EQ(leg.Name, "A - B");
    EXPECT_EQ(arc.Name, "A - M - B"); // the middle turn point in the middle
    EXPECT_EQ(TGate(&A, 45.0, 100.0).Name, "A (045)");
    EXPECT_EQ(TGate(&leg, 50.0, 100.0).Name, "A - B (50%)");
    EXPECT_EQ(TGate(&arc, 25.0, 100.0).Name, "A - M - B (25%)");
    EXPECT_EQ(TGate(&leg, 12.5, 100.0).Name, "A - B (13%)");
    EXPECT_EQ(TGate(&A, 45.0, 100.0, "Start").Name, "Start");
    EXPECT_EQ(TStraightLeg(&TB, &TA, 300.0, "Back").Name, "Back");
    EXPECT_EQ(TZone().Name, "New zone");

    // Bearings as stored: whole degrees, 0..359, the same after a reload.
    EXPECT_EQ(TGate::MakeWaypointName(&A, 7.4), "A (007)");
    EXPECT_EQ(TGate::MakeWaypointName(&A, 359.5), "A (000)");
    EXPECT_EQ(TGate::MakeWaypointName(&A, -10.0), "A (350)");
    EXPECT_EQ(TGate(&A, 370.0, 100.0).Name, "A (010)");
    EXPECT_EQ(TGate(&A, 359.7, 100.0).Name, "A (000)");
    EXPECT_EQ(TGate(&A, -0.4, 100.0).Name, "A (000)");
}

TEST_F(CheckElements, GateOnAWaypointStandsAcrossItsRoundedBearing)
{
    TGate gate(&A, 45.0, 100.0);
    EXPECT_EQ(gate.GetType(), ceGate);
    EXPECT_EQ(gate.Bearing, 45.0);
    EXPECT_EQ(gate.WayPoint, &A);
    EXPECT_EQ(gate.Leg, nullptr);
    EXPECT_EQ(gate.Location.Geo.Lat, A.Location.Geo.Lat);
    EXPECT_EQ(gate.Location.Geo.Lon, A.Location.Geo.Lon);
    // End 1 on the left, end 2 on the right when facing along the bearing.
    EXPECT_LT(Diff(A.Location.Course(gate.GateLine.Start), 315.0), 1e-6);
    EXPECT_LT(Diff(A.Location.Course(gate.GateLine.End), 135.0), 1e-6);
    EXPECT_NEAR(A.Location.Distance(gate.GateLine.Start), 100.0, 0.05);
    EXPECT_NEAR(gate.GateLine.Length(), 200.0, 0.1);
    EXPECT_EQ(gate.GateLine.MaxLat, gate.GateLine.Start.Geo.Lat);
    EXPECT_EQ(gate.GateLine.MinLat, gate.GateLine.End.Geo.Lat);

    TGate half(&A, 89.5, 100.0);
    EXPECT_EQ(half.Bearing, 90.0);
    EXPECT_LT(Diff(A.Location.Course(half.GateLine.Start), 0.0), 1e-6);
    EXPECT_LT(Diff(A.Location.Course(half.GateLine.End), 180.0), 1e-6);

    TGate over(&A, 370.0, 100.0);
    EXPECT_EQ(over.Bearing, 10.0);
    TGate reloaded(&A, over.Bearing, 100.0);
    EXPECT_EQ(reloaded.Name, over.Name);
    EXPECT_EQ(reloaded.GateLine.Start.Geo.Lat, over.GateLine.Start.Geo.Lat);
    EXPECT_EQ(reloaded.GateLine.End.Geo.Lon, over.GateLine.End.Geo.Lon);

    // Toward another waypoint: the course there, rounded.
    TGate toward(&A, &M, 100.0);
    const double course = A.Location.Course(M.Location);
    EXPECT_EQ(toward.Bearing, std::floor(course + 0.5));
    EXPECT_EQ(toward.WayPoint, &A);
    EXPECT_EQ(toward.Name, TGate::MakeWaypointName(&A, course));
}

TEST_F(CheckElements, GatesOnAStraightLegAtZeroHalfAndFull)
{
    TStraightLeg leg(&TA, &TB, 300.0);
    EXPECT_EQ(leg.GetType(), ceStraightLeg);
    EXPECT_EQ(leg.GetMid(), nullptr);
    EXPECT_NEAR(leg.Length(), A.Location.Distance(B.Location), 1e-9);
    const double course = leg.Start.Course(leg.End);

    TGate start(&leg, 0.0, 100.0);
    TGate middle(&leg, 50.0, 100.0);
    TGate end(&leg, 100.0, 100.0);
    // The leg's length is a grid distance and the destination walks true
    // metres: the two differ by the grid's scale, here 0.03 %.
    const double scale = 5e-4 * leg.Length();
    EXPECT_LT(start.Location.Distance(A.Location), 1e-6);
    EXPECT_LT(end.Location.Distance(B.Location), scale);
    EXPECT_NEAR(middle.Location.Distance(A.Location), leg.Length() / 2, scale);
    EXPECT_NEAR(middle.Location.Distance(B.Location), leg.Length() / 2, scale);
    for (const TGate* gate : {&start, &middle, &end}) {
        EXPECT_EQ(gate->Bearing, std::floor(course + 0.5));
        EXPECT_EQ(gate->Leg, static_cast<TLeg*>(&leg));
        EXPECT_EQ(gate->WayPoint, nullptr);
    }
    EXPECT_EQ(middle.Percent, 50.0);
}

TEST_F(CheckElements, GatesOnArcLegsFaceTheDirectionOfTravel)
{
    TArcLeg arc(&TA, &TB, &TM, 250.0);
    EXPECT_EQ(arc.GetType(), ceArcLeg);
    const TLeg* asLeg = &arc;
    EXPECT_EQ(asLeg->GetMid(), &TM);
    EXPECT_EQ(asLeg->From, &TA);
    EXPECT_EQ(arc.Radius, 250.0); // the corridor; the arc's own radius is larger
    EXPECT_GT(arc.TBaseArc::Radius, 1000.0);
    EXPECT_TRUE(arc.Clockwise);
    EXPECT_NEAR(arc.Length(), arc.ArcLength, 0.0);

    TGate start(&arc, 0.0, 100.0);
    TGate middle(&arc, 50.0, 100.0);
    TGate end(&arc, 100.0, 100.0);
    // Grid radius walked in true metres, as on a straight leg.
    const double scale = 5e-4 * arc.TBaseArc::Radius;
    EXPECT_LT(start.Location.Distance(A.Location), scale);
    EXPECT_LT(end.Location.Distance(B.Location), scale);
    EXPECT_NEAR(middle.Location.Distance(arc.Centre), arc.TBaseArc::Radius, scale);
    EXPECT_LT(middle.Location.Distance(M.Location), 60.0); // M is near the arc's middle
    EXPECT_EQ(start.Bearing, std::fmod(std::floor(arc.StartRadial + 90.0 + 0.5), 360.0));
    // Radius 4.4 km over a 7.6 km chord: the arc leaves A 30 degrees east of
    // north and reaches B heading 150.
    EXPECT_LT(Diff(start.Bearing, 30.0), 2.0);
    EXPECT_LT(Diff(middle.Bearing, 90.0), 2.0);
    EXPECT_LT(Diff(end.Bearing, 150.0), 2.0);

    // The other way round the arc turns counter-clockwise.
    TArcLeg back(&TB, &TA, &TM, 250.0);
    EXPECT_FALSE(back.Clockwise);
    TGate backStart(&back, 0.0, 100.0);
    EXPECT_LT(backStart.Location.Distance(B.Location), scale);
    EXPECT_EQ(backStart.Bearing, std::fmod(std::floor(back.StartRadial - 90.0 + 360.0 + 0.5), 360.0));
    EXPECT_LT(Diff(backStart.Bearing, 330.0), 2.0);
}

TEST_F(CheckElements, CollinearTurnPointsGiveNoArcLeg)
{
    // On the zone's central meridian, a straight line in the grid.
    TWayPoint south = MakeWayPoint("S", 47.0, 9.0);
    TWayPoint middle = MakeWayPoint("C", 47.05, 9.0);
    TWayPoint north = MakeWayPoint("N", 47.1, 9.0);
    TTurnPoint ts(&south, 200.0);
    TTurnPoint tc(&middle, 200.0);
    TTurnPoint tn(&north, 200.0);
    try {
        std::unique_ptr<TArcLeg> arc(new TArcLeg(&ts, &tn, &tc, 250.0));
        ADD_FAILURE() << "arc leg made";
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Can't calculate arc leg. Try different points.");
    }
    EXPECT_THROW(TArcLeg(&TA, &TA, &TB, 250.0), TException);
}

TEST_F(CheckElements, DeletedThroughTheirCheckElementPartAndLeaveTheirWaypoint)
{
    EXPECT_EQ(A.TurnPointUsers().size(), 1u);
    TCheckElement* elements[] = {new TTurnPoint(&A, 100.0), new TGate(&A, 10.0, 100.0), new TGate(&A, &B, 100.0)};
    EXPECT_EQ(A.TurnPointUsers().size(), 2u);
    EXPECT_EQ(A.GateUsers().size(), 2u);
    EXPECT_TRUE(B.GateUsers().empty()); // the waypoint a gate faces is not used
    // The element part of a two-base class is not at the object's address.
    EXPECT_NE(static_cast<void*>(elements[0]), static_cast<void*>(static_cast<TTurnPoint*>(elements[0])));
    for (TCheckElement* element : elements) delete element;
    EXPECT_EQ(A.TurnPointUsers().size(), 1u);
    EXPECT_TRUE(A.GateUsers().empty());

    TLeg* leg = new TArcLeg(&TA, &TB, &TM, 250.0);
    delete leg;
}

TEST_F(CheckElements, PositionsAreCopiesTakenAtConstruction)
{
    TStraightLeg leg(&TA, &TB, 300.0);
    const TLocation before = A.Location;
    A.Location = At(46.0, 7.0); // not through the set: nothing follows
    EXPECT_EQ(TA.Location.Geo.Lat, before.Geo.Lat);
    EXPECT_EQ(leg.Start.Geo.Lat, before.Geo.Lat);
    EXPECT_EQ(leg.Start.Utm.X, before.Utm.X);

    // Recompute gives what building anew gives.
    TA.Recompute();
    leg.Recompute();
    TStraightLeg fresh(&TA, &TB, 300.0);
    EXPECT_EQ(leg.Start.Geo.Lat, fresh.Start.Geo.Lat);
    EXPECT_EQ(leg.Start.Utm.Y, fresh.Start.Utm.Y);
    EXPECT_EQ(leg.MinLon, fresh.MinLon);
}

TEST_F(CheckElements, WaypointCopiesAreNotUsedByTheOriginalsElements)
{
    TWayPoint copy(A);
    EXPECT_FALSE(copy.InUse());
    copy = B;
    EXPECT_EQ(copy.Code, "B");
    EXPECT_FALSE(copy.InUse());
    TWayPoint target = MakeWayPoint("T", 1, 1);
    TTurnPoint onTarget(&target, 10.0);
    target = A; // assignment keeps the target's own users
    EXPECT_EQ(target.TurnPointUsers().size(), 1u);
}
