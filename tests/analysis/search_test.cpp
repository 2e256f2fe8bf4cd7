// The event search on synthetic tracks: turn point cylinders, gates, legs,
// speeds and accelerations, the frame rules (memo, short tracks, order).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SearchScene.h"

using namespace searchtest;

namespace {

constexpr unsigned TurnPointMask = etTurnPoint | etEnterTurnPoint | etExitTurnPoint | etBestTurnPoint | etMaxTurnPoint;
constexpr unsigned GateMask = etGate | etInverseGate | etBestGate;
constexpr unsigned LegMask = etEnterLeg | etExitLeg | etStartLeg | etEndLeg;

double Hypot(double a, double b) { return std::sqrt(a * a + b * b); }

} // namespace

// A straight pass 50 m north of a turn point of radius 300, fixes 100 m
// apart at x = -1050, -950, ..., 1050.
TEST(TurnPointEvents, OnePassThroughTheCylinder)
{
    TScene s;
    s.TurnPoint("A", 0, 0, 300);
    s.Line(-1050, 50, 1050, 50, 21);
    s.Search();
    // Enter at the first point of the first segment within the radius (x =
    // -350), the turn point at the closest segment's first point (x = -50),
    // exit at the first point of the first segment outside (x = 350).
    EXPECT_EQ(s.Summary(), "Maximum distance to turn point A @0\n"
                           "Enter turn point area A @7\n"
                           "Turn point A @10\n"
                           "Best approximation to turn point A @10\n"
                           "Exit turn point area A @14\n");
    EXPECT_NEAR(s.Of(etEnterTurnPoint)[0]->Distance, Hypot(250, 50), 0.5);
    EXPECT_NEAR(s.Of(etTurnPoint)[0]->Distance, 50, 0.5);
    EXPECT_EQ(s.Of(etTurnPoint)[0]->Value, 0.0); // the first turn point reached
    EXPECT_NEAR(s.Of(etExitTurnPoint)[0]->Distance, Hypot(350, 50), 0.5);
    EXPECT_NEAR(s.Of(etBestTurnPoint)[0]->Distance, 50, 0.5);
    // No segment lies farther than the first point itself.
    const TEvent* farthest = s.Of(etMaxTurnPoint)[0];
    EXPECT_NEAR(farthest->Distance, Hypot(1050, 50), 0.5);
    EXPECT_NEAR(farthest->Value, 90.0 + RadToDeg(std::atan2(50, 1050)), 0.05);
    for (const TEvent& e : s.Track.Events) {
        EXPECT_EQ(e.Element, s.Instance.GetCheckElement(ceTurnPoint, "A"));
        if (e.Type != etTurnPoint && e.Type != etMaxTurnPoint) {
            EXPECT_EQ(e.Value, 0.0);
        }
    }
    // 100 m in 5 s everywhere; no acceleration worth an event.
    for (std::size_t i = 1; i < s.Track.Points.size(); ++i) EXPECT_NEAR(s.Track.Points[i].Speed, 20.0, 0.01);
    EXPECT_EQ(s.Track.Points[0].Speed, 0.0);
}

// Visits A (50 m from its centre), A again (150 m), B (50 m), A (100 m).
TEST(TurnPointEvents, SeveralVisitsRunningDistanceAndTheNearestOfAll)
{
    TScene s;
    TTurnPoint* a = s.TurnPoint("A", 0, 0, 300);
    TTurnPoint* b = s.TurnPoint("B", 0, 2500, 300);
    s.Line(-1050, 50, 1050, 50, 21);      // 0..21
    s.Line(1050, 150, -1050, 150, 21);    // 22..43
    s.Line(-1050, 2450, 1050, 2450, 21);  // 44..65
    s.Line(1050, 100, -1050, 100, 21);    // 66..87
    s.Search();
    const auto reached = s.Of(etTurnPoint);
    ASSERT_EQ(reached.size(), 4u);
    const double ab = a->Location.Distance(b->Location);
    EXPECT_NEAR(ab, 2500, 1);
    const int visitBest[] = {10, 32, 54, 76};
    const double visitDistance[] = {50, 150, 50, 100};
    const double running[] = {0, 0, ab, 2 * ab}; // A twice in a row adds nothing
    const char* names[] = {"A", "A", "B", "A"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reached[i]->Element->Name, names[i]);
        EXPECT_EQ(s.PointIndex(*reached[i]), visitBest[i]);
        EXPECT_NEAR(reached[i]->Distance, visitDistance[i], 0.5);
        EXPECT_NEAR(reached[i]->Value, running[i], 1e-6);
    }
    // The best approximation lies where the whole track came nearest (the
    // first visit), with that distance: time, place and distance agree.
    const auto best = s.Of(etBestTurnPoint);
    ASSERT_EQ(best.size(), 2u);
    EXPECT_EQ(best[0]->Element->Name, "A");
    EXPECT_EQ(s.PointIndex(*best[0]), 10);
    EXPECT_NEAR(best[0]->Distance, 50, 0.5);
    EXPECT_EQ(s.PointIndex(*best[1]), 54);
    EXPECT_EQ(s.Of(etEnterTurnPoint).size(), 4u);
    EXPECT_EQ(s.Of(etExitTurnPoint).size(), 4u);
}

TEST(TurnPointEvents, StartInsideEndInsideAndNeverNear)
{
    TScene s;
    s.TurnPoint("A", 0, 0, 300);     // the track starts 100 m from it
    s.TurnPoint("Far", 0, 5000, 300); // never within 4 km
    s.TurnPoint("End", 2050, 100, 300);
    s.Line(0, 100, 2000, 100, 20);
    s.Search();
    EXPECT_EQ(s.Summary(), "Enter turn point area A @0\n"
                           "Turn point A @0\n"
                           "Best approximation to turn point A @0\n"
                           "Best approximation to turn point Far @0\n"
                           "Maximum distance to turn point End @0\n"
                           "Exit turn point area A @3\n"
                           "Enter turn point area End @17\n"
                           "Best approximation to turn point End @18\n"
                           "Maximum distance to turn point A @18\n"
                           "Maximum distance to turn point Far @18\n");
    // The track ends inside "End": entered, never reached.
    EXPECT_TRUE(s.Of(etTurnPoint).size() == 1);
}

// A gate 400 m wide facing north (bearing 0).
TEST(GateEvents, CrossedInItsDirectionAgainstItAndPassedBeside)
{
    {
        TScene s;
        s.Gate("G", 0, 0, 0, 200);
        s.Line(50, -450, 50, 550, 10); // north across at x = 50
        s.Line(-50, 550, -50, -450, 10); // back south across
        s.Search();
        EXPECT_EQ(s.Summary(), "Gate G @4\nInverse gate crossing G @16\n");
        EXPECT_NEAR(s.Of(etGate)[0]->Distance, 50, 0.5);
        EXPECT_NEAR(s.Of(etInverseGate)[0]->Distance, 50, 0.5);
    }
    {
        // 100 m beyond the east end: the nearest segment's first point.
        TScene s;
        s.Gate("G", 0, 0, 0, 200);
        s.Line(300, -450, 300, 550, 10);
        s.Search();
        EXPECT_EQ(s.Summary(), "Best approximation to gate G @4\n");
        EXPECT_NEAR(s.Of(etBestGate)[0]->Distance, 100, 0.5);
    }
    {
        // At 0.2 m/s the gate is never tested: no crossing, and the best
        // approximation stays at the first point with its distance.
        TScene s;
        TGate* gate = s.Gate("G", 0, 0, 0, 200);
        s.Line(50, -4.5, 50, 5.5, 10);
        s.Search();
        EXPECT_EQ(s.Summary(), "Best approximation to gate G @0\n");
        EXPECT_EQ(s.Of(etBestGate)[0]->Distance, gate->Location.Distance(s.Track.Points[0].Location));
    }
    {
        // The first segment is never tested against gates (the first
        // fix's speed is 0), so a crossing there is missed.
        TScene s;
        s.Gate("G", 0, 0, 0, 200);
        s.Line(50, -50, 50, 950, 10);
        s.Search();
        EXPECT_EQ(s.Summary(), "Best approximation to gate G @1\n");
    }
}

// A leg from S (0, 0) to E (3000, 0), corridor 250 m either side.
class LegEvents : public ::testing::Test {
protected:
    TStraightLeg* Leg(TScene& s, double width = 250)
    {
        TTurnPoint* from = s.TurnPoint("S", 0, 0, 100);
        TTurnPoint* to = s.TurnPoint("E", 3000, 0, 100);
        return s.Leg(from, to, width);
    }
};

TEST_F(LegEvents, FlownStartToEndInsideTheCorridor)
{
    TScene s;
    Leg(s);
    s.Line(-300, 30, 3300, 30, 36);
    s.Search();
    // Started on leaving S's circle (at x = 300, event at x = 200), ended on
    // coming within 250 m of E (at x = 2800, event at 2700).
    EXPECT_EQ(s.Summary(LegMask), "Start of leg S - E @5\nEnd of leg S - E @30\n");
    EXPECT_EQ(s.Of(etStartLeg)[0]->Value, 0.0);
    EXPECT_NEAR(s.Of(etStartLeg)[0]->Distance, 30, 0.5); // measured at the next fix
    EXPECT_EQ(s.Of(etEndLeg)[0]->Value, 1.0);
}

TEST_F(LegEvents, PartlyOutsideTheCorridor)
{
    TScene s;
    Leg(s);
    s.Line(-300, 30, 900, 30, 12);   // 0..12
    s.Line(1000, 400, 1500, 400, 5); // 13..18, outside
    s.Line(1600, 30, 3300, 30, 17);  // 19..36
    s.Search();
    EXPECT_EQ(s.Summary(LegMask), "Start of leg S - E @5\n"
                                    "Exit leg S - E @12\n"
                                    "Enter leg S - E @18\n"
                                    "End of leg S - E @30\n");
    // Shares count the fix just measured: 7 in and 1 out at the exit, 8 in
    // and 6 out at the entry, 19 in and 6 out at the end.
    EXPECT_DOUBLE_EQ(s.Of(etExitLeg)[0]->Value, 7.0 / 8.0);
    EXPECT_NEAR(s.Of(etExitLeg)[0]->Distance, 400, 0.5);
    EXPECT_DOUBLE_EQ(s.Of(etEnterLeg)[0]->Value, 8.0 / 14.0);
    EXPECT_DOUBLE_EQ(s.Of(etEndLeg)[0]->Value, 19.0 / 25.0);
}

TEST_F(LegEvents, FlownBackwards)
{
    TScene s;
    Leg(s);
    s.Line(3300, 30, -600, 30, 39);
    s.Search();
    // Not started: entering and leaving carry -1. Leaving S's circle starts
    // the leg, and the fix after the start is outside the corridor.
    EXPECT_EQ(s.Summary(LegMask), "Enter leg S - E @5\n"
                                    "Exit leg S - E @30\n"
                                    "Start of leg S - E @35\n"
                                    "Exit leg S - E @35\n");
    const auto enter = s.Of(etEnterLeg), exit = s.Of(etExitLeg);
    EXPECT_EQ(enter[0]->Value, -1.0);
    EXPECT_EQ(exit[0]->Value, -1.0);
    EXPECT_EQ(s.Of(etStartLeg)[0]->Value, 0.0);
    EXPECT_EQ(exit[1]->Value, 0.0); // started, no fix inside yet
}

// Boundaries decided by the very distances the search measures.
TEST(ExactBoundaries, RadiusCorridorAndEndCircle)
{
    for (const bool onTheRadius : {true, false}) {
        SCOPED_TRACE(onTheRadius);
        TScene s;
        TTurnPoint* a = s.TurnPoint("A", 0, 0, 1);
        s.Line(-1050, 250, 1050, 250, 21);
        const auto& p = s.Track.Points;
        const double d = DistanceToSegment(a->Location, p[10].Location, p[11].Location, false).Distance;
        a->Radius = onTheRadius ? d : std::nextafter(d, 0.0);
        s.Search();
        EXPECT_EQ(s.Of(etEnterTurnPoint).size(), onTheRadius ? 1u : 0u);
        EXPECT_EQ(s.Of(etTurnPoint).size(), onTheRadius ? 1u : 0u);
    }
    for (const bool onTheEdge : {true, false}) {
        SCOPED_TRACE(onTheEdge);
        TScene s;
        TStraightLeg* leg = s.Leg(s.TurnPoint("S", 0, 0, 100), s.TurnPoint("E", 3000, 0, 100), 250);
        s.Line(-300, 30, 1400, 30, 17);  // 0..17
        s.Fix(s.NextTime(5), 1500, 240);  // 18: at the corridor's edge
        s.Line(1600, 30, 3300, 30, 17);  // 19..36
        const double dl = DistanceToSegment(s.Track.Points[18].Location, leg->Start, leg->End, false).Distance;
        ASSERT_NEAR(dl, 240, 0.5);
        leg->Radius = onTheEdge ? dl : std::nextafter(dl, 0.0);
        s.Search();
        EXPECT_EQ(s.Summary(LegMask), onTheEdge ? "Start of leg S - E @5\nEnd of leg S - E @30\n"
                                                  : "Start of leg S - E @5\nExit leg S - E @17\n"
                                                    "Enter leg S - E @18\nEnd of leg S - E @30\n");
    }
    {
        // A fix exactly on E's circle neither ends the leg nor counts inside.
        TScene s;
        TStraightLeg* leg = s.Leg(s.TurnPoint("S", 0, 0, 100), s.TurnPoint("E", 3000, 0, 100), 1);
        s.Line(-300, 30, 2700, 30, 30); // 0..30
        s.Fix(s.NextTime(5), 2800, 60); // 31
        s.Line(2900, 30, 3300, 30, 4);  // 32..36
        leg->Radius = leg->To->Location.Distance(s.Track.Points[31].Location);
        ASSERT_NEAR(leg->Radius, Hypot(200, 60), 0.5);
        s.Search();
        EXPECT_EQ(s.Summary(LegMask), "Start of leg S - E @5\nExit leg S - E @30\nEnd of leg S - E @31\n");
        EXPECT_DOUBLE_EQ(s.Of(etEndLeg)[0]->Value, 25.0 / 26.0);
    }
}

// Standing still, and fixes with repeated times.
TEST(SearchFrame, ZeroLengthSegmentsAndRepeatedTimes)
{
    {
        TScene s;
        s.TurnPoint("A", 0, 0, 300);
        s.Gate("G", 0, 0, 0, 200);
        for (int i = 0; i < 5; ++i) s.Fix(5 * i, 10, 20); // parked on the gate line's side
        s.Line(10, 20, 10, 1020, 10);
        s.Search();
        EXPECT_EQ(s.Summary(TurnPointMask), "Enter turn point area A @0\n"
                                              "Turn point A @0\n"
                                              "Best approximation to turn point A @0\n"
                                              "Exit turn point area A @8\n"
                                              "Maximum distance to turn point A @13\n");
        for (int i = 0; i < 6; ++i) EXPECT_EQ(s.Track.Points[i].Speed, 0.0);
        EXPECT_EQ(s.Summary(GateMask), "Best approximation to gate G @0\n");
    }
    {
        // Times 0, 10, 10, 11, 20, 30: the third fix has the second's speed;
        // the third has no acceleration (half of 11 - 10 is 0) despite a
        // jump of speed, the fourth has one.
        TScene s;
        s.Fix(0, 0, 0);
        s.Fix(10, 100, 0);
        s.Fix(10, 300, 0);
        s.Fix(11, 400, 0);
        s.Fix(20, 400, 0);
        s.Fix(30, 400, 0);
        s.Search();
        const auto& p = s.Track.Points;
        EXPECT_NEAR(p[1].Speed, 10.0, 0.01);
        EXPECT_EQ(p[2].Speed, p[1].Speed);
        EXPECT_NEAR(p[3].Speed, 100.0, 0.05);
        EXPECT_EQ(p[2].Acceleration, 0.0);
        EXPECT_NEAR(p[1].Acceleration, (p[2].Speed - p[1].Speed) / 25.0, 1e-12);
        EXPECT_NEAR(p[3].Acceleration, (p[4].Speed - p[3].Speed) / 25.0, 1e-9); // half of 20 - 10
        EXPECT_EQ(p[5].Acceleration, 0.0); // the last fix gets none
        EXPECT_EQ(s.Summary(), "High acceleration @3\n");
    }
}

TEST(SearchFrame, HighAccelerationAboveTheThresholdOnly)
{
    TScene s;
    // 1 s apart: speeds 0, 0, 0.1, 0.4, 0.4, 0.0 m/s.
    s.Fix(0, 0, 0);
    s.Fix(1, 0, 0);
    s.Fix(2, 0.1, 0);
    s.Fix(3, 0.5, 0);
    s.Fix(4, 0.9, 0);
    s.Fix(5, 0.9, 0);
    s.Fix(6, 0.9, 0);
    s.Search();
    // cur 1: +0.1 (none), cur 2: +0.3, cur 3: 0, cur 4: -0.4.
    EXPECT_EQ(s.Summary(), "High acceleration @2\nHigh acceleration @4\n");
    const auto a = s.Of(etHighAcceleration);
    EXPECT_NEAR(a[0]->Value, 0.3, 1e-3);
    EXPECT_NEAR(a[1]->Value, -0.4, 1e-3);
    EXPECT_EQ(a[0]->Element, nullptr);
    EXPECT_EQ(a[0]->Distance, 0.0);
}

TEST(SearchFrame, ShortTracksMemoEmptyTaskAndOrderOfEqualTimes)
{
    {
        // Four fixes: nothing at all, not even the logger's events.
        TScene s;
        s.TurnPoint("A", 0, 0, 300);
        s.Line(-150, 0, 150, 0, 3);
        s.Track.AddIgcEvent(igcPEV);
        s.Search();
        EXPECT_TRUE(s.Track.Events.empty());
        EXPECT_EQ(s.Track.Points[1].Speed, 0.0);
    }
    {
        // Five fixes: the segment p3-p4 into the cylinder is not tested.
        TScene s;
        s.TurnPoint("A", 0, 0, 300);
        s.Line(-2000, 0, -400, 0, 3);
        s.Fix(s.NextTime(5), -100, 0);
        s.Search();
        EXPECT_EQ(s.Of(etEnterTurnPoint).size(), 0u);
    }
    {
        // The memo: an unchanged instance is not searched again; an added
        // element makes it search again.
        TScene s;
        s.TurnPoint("A", 0, 0, 300);
        s.Line(-1050, 50, 1050, 50, 21);
        s.Search();
        const std::size_t before = s.Track.Events.size();
        s.Track.Points[5].Speed = -1.0;
        s.Search();
        EXPECT_EQ(s.Track.Points[5].Speed, -1.0);
        s.TurnPoint("B", 0, 5000, 300);
        s.Search();
        EXPECT_NEAR(s.Track.Points[5].Speed, 20.0, 0.01);
        EXPECT_EQ(s.Track.Events.size(), before + 2);
        // Another instance is searched as well.
        TTaskInstance empty;
        s.Track.FindEvents(&empty);
        EXPECT_TRUE(s.Track.Events.empty());
    }
    {
        // No elements: the logger's events only; an acceleration event at
        // the time of a logger event comes first.
        TScene s;
        s.Fix(0, 0, 0);
        s.Fix(5, 0, 0);
        s.Fix(10, 100, 0);
        s.Track.AddIgcEvent(igcPEV);
        s.Fix(15, 200, 0);
        s.Fix(20, 300, 0);
        s.Search();
        EXPECT_EQ(s.Summary(), "High acceleration @1\nIGC event @2\n");
        EXPECT_NEAR(s.Track.Points[3].Speed, 20.0, 0.01);
    }
    {
        TScene s;
        s.Fix(0, 0, 0);
        s.Fix(5, 0, 0);
        s.Track.AddIgcEvent(igcSTA);
        s.Fix(10, 100, 0);
        s.Fix(15, 200, 0);
        s.Fix(20, 300, 0);
        s.Search();
        EXPECT_EQ(s.Summary(), "High acceleration @1\nIGC event @1\n");
    }
}

// A task across a zone meridian: 6 E between UTM zones 31 and 32, and 180
// between zones 60 and 1, where the planar steps must not see the two ends
// of the world.
TEST(ZoneBoundary, TurnPointGateAndLegAcrossTheMeridian)
{
    for (const double meridian : {6.0, 180.0}) {
        SCOPED_TRACE(meridian);
        TScene s(Deg(47.0, meridian - 0.005)); // 380 m west of the meridian
        TTurnPoint* a = s.TurnPoint("A", 0, 0, 300);
        TTurnPoint* b = s.TurnPoint("B", 3000, 0, 100);
        s.Leg(a, b, 250);
        s.Gate("G", 1500, 0, 90, 200); // facing east, in the eastern zone
        ASSERT_NE(a->Location.Utm.ZoneNumber(), b->Location.Utm.ZoneNumber());
        s.Line(-1050, 50, 3450, 50, 45);
        s.Search();
        EXPECT_EQ(s.Summary((TurnPointMask & ~etMaxTurnPoint) | GateMask | LegMask),
                  "Enter turn point area A @7\n"
                  "Turn point A @10\n"
                  "Best approximation to turn point A @10\n"
                  "Start of leg A - B @12\n"
                  "Exit turn point area A @14\n"
                  "Gate G @25\n"
                  "End of leg A - B @38\n"
                  "Enter turn point area B @39\n"
                  "Turn point B @40\n"
                  "Best approximation to turn point B @40\n"
                  "Exit turn point area B @42\n");
        ASSERT_EQ(s.Of(etTurnPoint).size(), 2u);
        EXPECT_NEAR(s.Of(etTurnPoint)[1]->Value, a->Location.Distance(b->Location), 1e-6);
        EXPECT_NEAR(s.Of(etTurnPoint)[0]->Distance, 50, 0.5);
        ASSERT_EQ(s.Of(etGate).size(), 1u);
        EXPECT_NEAR(s.Of(etGate)[0]->Distance, 50, 0.5);
        EXPECT_NEAR(s.Of(etBestTurnPoint)[1]->Distance, 50, 0.5);
        ASSERT_EQ(s.Of(etEndLeg).size(), 1u);
        EXPECT_DOUBLE_EQ(s.Of(etEndLeg)[0]->Value, 1.0);
    }
}

// Elements on another datum are measured against the fixes converted to it,
// exactly as the geodesy converts them itself.
TEST(OtherDatum, DistancesAsTheGeodesyMeasuresThem)
{
    const TDatum ed50("European 1950", "Test", TEllipsoid("International 1924", 6378388.0, 297.0),
                      TBaseCoord{-87.0, -98.0, -121.0});
    TScene s(Deg(47.0, 8.0, &ed50));
    TTurnPoint* a = s.TurnPoint("A", 0, 0, 300);
    s.Line(-1050, 50, 1050, 50, 21);
    s.Search();
    const TEvent* reached = s.Of(etTurnPoint).at(0);
    const int i = s.PointIndex(*reached);
    const auto& p = s.Track.Points;
    EXPECT_EQ(reached->Distance, DistanceToSegment(a->Location, p[i].Location, p[i + 1].Location, false).Distance);
    const TEvent* farthest = s.Of(etMaxTurnPoint).at(0);
    EXPECT_EQ(farthest->Distance, a->Location.Distance(p[0].Location));
    EXPECT_EQ(farthest->Value, p[0].Location.Course(a->Location));
}

// A gate on another datum is crossed where the track, converted to that
// datum, crosses it: taking the fixes' WGS 84 grid coordinates as they are
// would move the gate by the datum shift (about 100 m here). Tracks pass at
// offsets from 200 m west to 200 m east of a gate 80 m wide; on each the
// search must agree with the crossing test made on the converted fixes.
TEST(OtherDatum, GateCrossedWhereTheConvertedTrackCrossesIt)
{
    const TDatum ed50("European 1950", "Test", TEllipsoid("International 1924", 6378388.0, 297.0),
                      TBaseCoord{-87.0, -98.0, -121.0});
    int crossed = 0;
    for (int east = -200; east <= 200; east += 20) {
        SCOPED_TRACE(east);
        TScene s(Deg(47.0, 8.0, &ed50));
        TGate* gate = s.Gate("G", 0, 0, 0.0, 40);
        s.Line(east, -1000, east, 1000, 40);
        s.Search();
        std::vector<TLocation> p;
        for (const TTrackPoint& fix : s.Track.Points)
            p.emplace_back(ConvertDatum(fix.Location.Geo, DefaultDatum(), &ed50), &ed50);
        // Gates are tested from the second segment on, never on the last.
        int crossing = -1;
        double nearest = gate->Location.Distance(s.Track.Points[0].Location);
        int nearestAt = 0;
        for (std::size_t i = 1; i + 2 < p.size(); ++i) {
            const TLineIntersection r = gate->GateLine.Intersect(TBaseLine(p[i], p[i + 1]), false);
            if (r.Kind == 1 && crossing < 0) crossing = static_cast<int>(i);
            if (r.MinDistance < nearest) {
                nearest = r.MinDistance;
                nearestAt = static_cast<int>(i);
            }
        }
        const auto gates = s.Of(etGate);
        if (crossing < 0) {
            EXPECT_TRUE(gates.empty());
            ASSERT_EQ(s.Of(etBestGate).size(), 1u);
            EXPECT_EQ(s.Of(etBestGate)[0]->Distance, nearest);
            EXPECT_EQ(s.PointIndex(*s.Of(etBestGate)[0]), nearestAt);
        } else {
            ++crossed;
            ASSERT_EQ(gates.size(), 1u);
            EXPECT_EQ(s.PointIndex(*gates[0]), crossing);
        }
    }
    EXPECT_GT(crossed, 0);
    EXPECT_LT(crossed, 21);
}

// The search skips a test only where it could change nothing: with and
// without skipping, random flights over random tasks give the same events,
// bit for bit. Places: a zone interior, the meridian of 6 E, the southern
// and eastern hemispheres, the equator, the meridian of 180; elements on
// WGS 84 and on another datum.
TEST(SearchPruning, ChangesNothing)
{
    const TDatum ed50("European 1950", "Test", TEllipsoid("International 1924", 6378388.0, 297.0),
                      TBaseCoord{-87.0, -98.0, -121.0});
    const TLocation origins[] = {Deg(47.0, 8.0), Deg(47.0, 5.99), Deg(-33.9, 151.2), Deg(0.01, 9.0),
                                 Deg(60.0, 12.0, &ed50), Deg(47.0, 6.01, &ed50), Deg(-17.0, 179.99)};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int events = 0;
    for (const TLocation& origin : origins) {
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(round);
            TScene scenes[2] = {TScene(origin), TScene(origin)};
            std::mt19937 build(rng());
            for (TScene& s : scenes) {
                std::mt19937 r = build;
                std::uniform_real_distribution<double> u(0.0, 1.0);
                auto at = [&](double a, double b) { return a + (b - a) * u(r); };
                std::vector<TTurnPoint*> tps;
                for (int k = 0; k < 6; ++k)
                    tps.push_back(s.TurnPoint("T" + std::to_string(k), at(-8000, 8000), at(-8000, 8000), at(50, 2500)));
                for (int k = 0; k < 4; ++k)
                    s.Gate("G" + std::to_string(k), at(-8000, 8000), at(-8000, 8000), std::floor(at(0, 360)),
                           at(50, 1500));
                for (int k = 0; k + 1 < 6; k += 2) s.Leg(tps[k], tps[k + 1], at(50, 1500));
                // A wandering flight with standstills, repeated times and a
                // run far away.
                double x = at(-3000, 3000), y = at(-3000, 3000), heading = at(0, 6.283);
                std::int64_t t = 0;
                for (int k = 0; k < 3000; ++k) {
                    const double roll = u(r);
                    const double step = roll < 0.05 ? 0.0 : at(0, 60);
                    heading += at(-0.4, 0.4);
                    x += step * std::sin(heading);
                    y += step * std::cos(heading);
                    if (k == 1500) x += 400000; // 400 km east for a while
                    if (k == 1700) x -= 400000;
                    t += roll < 0.98 ? (roll < 0.03 ? 0 : 2) : 1;
                    s.Fix(t, x, y);
                }
            }
            scenes[0].Search();
            TTrack::PruneSearch = false;
            scenes[1].Search();
            TTrack::PruneSearch = true;
            const TEventSet& a = scenes[0].Track.Events;
            const TEventSet& b = scenes[1].Track.Events;
            ASSERT_EQ(a.size(), b.size());
            events += static_cast<int>(a.size());
            for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
                ASSERT_EQ(i->Type, j->Type);
                ASSERT_EQ(i->Point.Time, j->Point.Time);
                ASSERT_EQ(i->Element ? i->Element->Name : "", j->Element ? j->Element->Name : "");
                ASSERT_EQ(i->Distance, j->Distance);
                ASSERT_EQ(i->Value, j->Value);
            }
        }
    }
    EXPECT_GT(events, 1000);
}
