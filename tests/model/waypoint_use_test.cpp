#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "model/Checkelements.h"
#include "model/Task.h"
#include "model/Waypoint.h"
#include "platform/Exceptions.h"
#include "task_fixtures.h"

namespace {

TException Thrown(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TException& e) {
        return e;
    }
    ADD_FAILURE() << "no TException";
    return TException("", "", "");
}

// What reading a saved instance gives: every element built anew, by name,
// from the waypoint set and the values the file keeps.
std::unique_ptr<TTaskInstance> Reloaded(TTaskInstance& saved, TWayPointSet& set)
{
    auto task = std::make_unique<TTaskInstance>();
    auto turnPoint = [&](const TTurnPoint* tp) {
        return static_cast<TTurnPoint*>(task->GetCheckElement(ceTurnPoint, tp->Name));
    };
    for (auto* e = saved.FirstCheckElement(ceTurnPoint); e; e = saved.NextCheckElement(ceTurnPoint)) {
        auto* tp = static_cast<TTurnPoint*>(e);
        EXPECT_TRUE(task->AddTurnPoint(new TTurnPoint(set.Find(tp->WayPoint->Code), tp->Radius)));
    }
    for (auto* e = saved.FirstCheckElement(ceStraightLeg); e; e = saved.NextCheckElement(ceStraightLeg)) {
        auto* leg = static_cast<TStraightLeg*>(e);
        EXPECT_TRUE(task->AddStraightLeg(new TStraightLeg(turnPoint(leg->From), turnPoint(leg->To), leg->Radius)));
    }
    for (auto* e = saved.FirstCheckElement(ceArcLeg); e; e = saved.NextCheckElement(ceArcLeg)) {
        auto* arc = static_cast<TArcLeg*>(e);
        EXPECT_TRUE(task->AddArcLeg(
            new TArcLeg(turnPoint(arc->From), turnPoint(arc->To), turnPoint(arc->Mid), arc->Radius)));
    }
    for (auto* e = saved.FirstCheckElement(ceGate); e; e = saved.NextCheckElement(ceGate)) {
        auto* gate = static_cast<TGate*>(e);
        TGate* copy = nullptr;
        if (gate->WayPoint)
            copy = new TGate(set.Find(gate->WayPoint->Code), gate->Bearing, gate->Radius);
        else if (gate->Leg->GetType() == ceStraightLeg)
            copy = new TGate(static_cast<TStraightLeg*>(task->GetCheckElement(ceStraightLeg, gate->Leg->Name)),
                             gate->Percent, gate->Radius);
        else
            copy = new TGate(static_cast<TArcLeg*>(task->GetCheckElement(ceArcLeg, gate->Leg->Name)),
                             gate->Percent, gate->Radius);
        EXPECT_TRUE(task->AddGate(copy));
    }
    return task;
}

void ExpectSame(const TLocation& a, const TLocation& b, const std::string& what)
{
    EXPECT_EQ(a.Geo.Lat, b.Geo.Lat) << what;
    EXPECT_EQ(a.Geo.Lon, b.Geo.Lon) << what;
    EXPECT_EQ(a.Utm.X, b.Utm.X) << what;
    EXPECT_EQ(a.Utm.Y, b.Utm.Y) << what;
    EXPECT_EQ(a.Utm.Zone, b.Utm.Zone) << what;
    EXPECT_EQ(a.Datum, b.Datum) << what;
}

// Element by element, bit for bit.
void ExpectSameTask(TTaskInstance& a, TTaskInstance& b)
{
    for (auto kind : {ceTurnPoint, ceGate, ceStraightLeg, ceArcLeg}) {
        ASSERT_EQ(a.CountCheckElements(kind), b.CountCheckElements(kind));
        TCheckElement* y = b.FirstCheckElement(kind);
        for (TCheckElement* x = a.FirstCheckElement(kind); x; x = a.NextCheckElement(kind), y = b.NextCheckElement(kind)) {
            ASSERT_EQ(x->Name, y->Name);
            EXPECT_EQ(x->Radius, y->Radius) << x->Name;
            switch (kind) {
            case ceTurnPoint:
                ExpectSame(static_cast<TTurnPoint*>(x)->Location, static_cast<TTurnPoint*>(y)->Location, x->Name);
                break;
            case ceGate: {
                auto* g = static_cast<TGate*>(x);
                auto* h = static_cast<TGate*>(y);
                ExpectSame(g->Location, h->Location, g->Name);
                ExpectSame(g->GateLine.Start, h->GateLine.Start, g->Name + " end 1");
                ExpectSame(g->GateLine.End, h->GateLine.End, g->Name + " end 2");
                EXPECT_EQ(g->Bearing, h->Bearing) << g->Name;
                break;
            }
            case ceStraightLeg:
                ExpectSame(static_cast<TStraightLeg*>(x)->Start, static_cast<TStraightLeg*>(y)->Start, x->Name);
                ExpectSame(static_cast<TStraightLeg*>(x)->End, static_cast<TStraightLeg*>(y)->End, x->Name);
                break;
            default: {
                auto* p = static_cast<TArcLeg*>(x);
                auto* q = static_cast<TArcLeg*>(y);
                ExpectSame(p->Centre, q->Centre, p->Name);
                EXPECT_EQ(p->TBaseArc::Radius, q->TBaseArc::Radius);
                EXPECT_EQ(p->Sweep, q->Sweep);
                EXPECT_EQ(p->StartRadial, q->StartRadial);
                EXPECT_EQ(p->Clockwise, q->Clockwise);
                break;
            }
            }
        }
    }
}

// Task 1 uses A, B and M in every kind of element; task 2 has only a gate
// on B facing A, and a turn point on M.
class WaypointsInUse : public testing::Test {
protected:
    WaypointsInUse()
    {
        A = Set.Add(MakeWayPoint("A", 47.0, 8.0));
        B = Set.Add(MakeWayPoint("B", 47.0, 8.1));
        M = Set.Add(MakeWayPoint("M", 47.02, 8.05));
        X = Set.Add(MakeWayPoint("X", 46.0, 7.0));
        Task1->SetAttribute(acVersion, "1");
        Task2->SetAttribute(acVersion, "2");
        auto* ta = new TTurnPoint(A, 200.0);
        auto* tb = new TTurnPoint(B, 200.0);
        auto* tm = new TTurnPoint(M, 200.0);
        Task1->AddTurnPoint(ta);
        Task1->AddTurnPoint(tb);
        Task1->AddTurnPoint(tm);
        auto* leg = new TStraightLeg(ta, tb, 300.0);
        auto* arc = new TArcLeg(ta, tb, tm, 250.0);
        Task1->AddStraightLeg(leg);
        Task1->AddArcLeg(arc);
        Task1->AddGate(new TGate(A, 370.0, 100.0));
        Task1->AddGate(new TGate(A, M, 100.0));
        Task1->AddGate(new TGate(leg, 33.25, 100.0));
        Task1->AddGate(new TGate(arc, 75.0, 100.0));
        Task2->AddGate(new TGate(B, A, 100.0));
        Task2->AddTurnPoint(new TTurnPoint(M, 500.0));
    }

    TWayPointSet Set;
    TWayPoint* A;
    TWayPoint* B;
    TWayPoint* M;
    TWayPoint* X;
    std::unique_ptr<TTaskInstance> Task1 = std::make_unique<TTaskInstance>();
    std::unique_ptr<TTaskInstance> Task2 = std::make_unique<TTaskInstance>();
};

} // namespace

TEST_F(WaypointsInUse, NeitherDeletedNorRecodedWhileATaskUsesThem)
{
    TException e = Thrown([&] { Set.Delete(*A); });
    EXPECT_EQ(e.WhatText(), "Waypoint A is being used. Can't delete.");
    EXPECT_EQ(e.Details(), "??? - 1: A");
    e = Thrown([&] { Set.Update("A", MakeWayPoint("A2", 47.0, 8.0)); });
    EXPECT_EQ(e.WhatText(), "Waypoint A is being used. Can't change its code.");
    EXPECT_EQ(Set.Find("A"), A);
    EXPECT_EQ(Set.Find("A2"), nullptr);
    EXPECT_EQ(Set.Count(), 4u);
    EXPECT_EQ(Task1->ChangeCount, 9);

    // A waypoint that is free changes its code in place.
    TWayPoint* y = Set.Update("X", MakeWayPoint("Y", 45.0, 6.0, "moved"));
    EXPECT_EQ(y, X);
    EXPECT_EQ(Set.Find("X"), nullptr);
    EXPECT_EQ(Set.Find("Y"), X);
    EXPECT_EQ(X->Code, "Y");
    EXPECT_EQ(X->Description, "moved");
    EXPECT_EQ(Set.FindNearest(TGeoCoord{DegToRad(6.0), DegToRad(45.0), 0.0}), X);
    EXPECT_EQ(Thrown([&] { Set.Update("Y", MakeWayPoint("M", 0, 0)); }).WhatText(), "Duplicate waypoint code");
    EXPECT_EQ(Thrown([&] { Set.Update("Q", MakeWayPoint("Q", 0, 0)); }).WhatText(),
              "Can't change. Waypoint does not exist.");

    // Once the tasks let go, it can go. A gate holds the waypoint it stands
    // on, not the one it faces.
    Task1.reset();
    e = Thrown([&] { Set.Delete(MakeWayPoint("B", 0, 0)); });
    EXPECT_EQ(e.WhatText(), "Waypoint B is being used. Can't delete.");
    EXPECT_EQ(e.Details(), "??? - 2: B (270)");
    Set.Delete(*A);
    Task2.reset();
    Set.Delete(*B);
    Set.Delete(*M);
    EXPECT_EQ(Set.Count(), 1u);
}

TEST_F(WaypointsInUse, AMovedWaypointTakesItsElementsAlongAsAReloadWould)
{
    const int count1 = Task1->ChangeCount;
    const int count2 = Task2->ChangeCount;
    const double course = A->Location.Course(M->Location);
    const auto* toward = static_cast<TGate*>(Task1->GetCheckElement(ceGate, TGate::MakeWaypointName(A, course)));
    ASSERT_NE(toward, nullptr);

    TWayPoint* a = Set.Update("A", MakeWayPoint("A", 47.01, 7.98, "new place"));
    EXPECT_EQ(a, A);
    EXPECT_EQ(A->Description, "new place");
    auto* ta = static_cast<TTurnPoint*>(Task1->GetCheckElement(ceTurnPoint, "A"));
    EXPECT_EQ(ta->WayPoint, A);
    ExpectSame(ta->Location, A->Location, "turn point A");
    EXPECT_EQ(toward->Bearing, std::floor(course + 0.5)); // the bearing stays, as the file keeps it
    EXPECT_EQ(Task1->ChangeCount, count1 + 1);
    EXPECT_EQ(Task2->ChangeCount, count2); // its gate faces A but stands on B
    ExpectSameTask(*Task1, *Reloaded(*Task1, Set));

    // The middle of the arc: only the arc, its gate and both tasks' turn points.
    Set.Update("M", MakeWayPoint("M", 47.03, 8.06));
    EXPECT_EQ(Task1->ChangeCount, count1 + 2);
    EXPECT_EQ(Task2->ChangeCount, count2 + 1);
    ExpectSameTask(*Task1, *Reloaded(*Task1, Set));
    ExpectSameTask(*Task2, *Reloaded(*Task2, Set));

    // Elements not yet in a task follow as well.
    TTurnPoint loose(B, 100.0);
    Set.Update("B", MakeWayPoint("B", 47.0, 8.2));
    ExpectSame(loose.Location, B->Location, "loose turn point");
    ExpectSameTask(*Task1, *Reloaded(*Task1, Set));
    ExpectSameTask(*Task2, *Reloaded(*Task2, Set));

    // Another description alone moves nothing, and no flight is analysed again.
    const int count = Task1->ChangeCount;
    Set.Update("A", MakeWayPoint("A", 47.01, 7.98, "renamed"));
    EXPECT_EQ(A->Description, "renamed");
    EXPECT_EQ(Task1->ChangeCount, count);
}

TEST(WaypointMove, AnArcThatCanNoLongerBeMadeRefusesTheWholeEdit)
{
    // On the zone's central meridian S and N lie on a straight grid line.
    TWayPointSet set;
    TWayPoint* s = set.Add(MakeWayPoint("S", 47.0, 9.0));
    TWayPoint* n = set.Add(MakeWayPoint("N", 47.1, 9.0));
    TWayPoint* m = set.Add(MakeWayPoint("M", 47.05, 9.02, "east"));
    TTaskInstance task;
    auto* ts = new TTurnPoint(s, 200.0);
    auto* tn = new TTurnPoint(n, 200.0);
    auto* tm = new TTurnPoint(m, 200.0);
    task.AddTurnPoint(ts);
    task.AddTurnPoint(tn);
    task.AddTurnPoint(tm);
    task.AddArcLeg(new TArcLeg(ts, tn, tm, 250.0));
    task.AddGate(new TGate(m, 90.0, 100.0));
    const TLocation before = m->Location;
    const TLocation gateBefore = static_cast<TGate*>(task.GetCheckElement(ceGate, "M (090)"))->GateLine.Start;
    const int count = task.ChangeCount;

    TException e = Thrown([&] { set.Update("M", MakeWayPoint("M", 47.05, 9.0, "on the line")); });
    EXPECT_EQ(e.WhatText(), "Can't calculate arc leg. Try different points.");
    ExpectSame(m->Location, before, "waypoint");
    EXPECT_EQ(m->Description, "east");
    ExpectSame(tm->Location, before, "turn point");
    ExpectSame(static_cast<TGate*>(task.GetCheckElement(ceGate, "M (090)"))->GateLine.Start, gateBefore, "gate");
    EXPECT_EQ(task.ChangeCount, count);
    ExpectSameTask(task, *Reloaded(task, set));
}

TEST(WaypointMove, ElementsOutliveTheSetWithoutReachingBack)
{
    auto set = std::make_unique<TWayPointSet>();
    TWayPoint* a = set->Add(MakeWayPoint("A", 47.0, 8.0));
    TTaskInstance task;
    auto* ta = new TTurnPoint(a, 200.0);
    task.AddTurnPoint(ta);
    task.AddGate(new TGate(a, 10.0, 100.0));
    set.reset(); // the championship may free its waypoints first
    EXPECT_EQ(ta->WayPoint, nullptr);
    EXPECT_EQ(static_cast<TGate*>(task.GetCheckElement(ceGate, "A (010)"))->WayPoint, nullptr);
}
