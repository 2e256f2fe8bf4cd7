#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/Checkelements.h"
#include "model/Task.h"
#include "model/Waypoint.h"
#include "platform/NumberFormat.h"
#include "platform/StringGrid.h"
#include "task_fixtures.h"

namespace {

// Names of one kind as a walk gives them.
std::vector<std::string> Walk(TTaskInstance& instance, TCheckElementType kind)
{
    std::vector<std::string> names;
    for (TCheckElement* e = instance.FirstCheckElement(kind); e; e = instance.NextCheckElement(kind))
        names.push_back(e->Name);
    return names;
}

// A task over the waypoints A, B, M: turn points A, B, M, the straight leg
// A - B, the arc leg A - M - B, a gate on A and a gate on each leg.
class TaskInstance : public testing::Test {
protected:
    TaskInstance()
    {
        A = Set.Add(MakeWayPoint("A", 47.0, 8.0));
        B = Set.Add(MakeWayPoint("B", 47.0, 8.1));
        M = Set.Add(MakeWayPoint("M", 47.02, 8.05));
    }

    void Build()
    {
        TA = new TTurnPoint(A, 200.0);
        TB = new TTurnPoint(B, 150.5);
        TM = new TTurnPoint(M, 200.0);
        ASSERT_TRUE(Task.AddTurnPoint(TA));
        ASSERT_TRUE(Task.AddTurnPoint(TB));
        ASSERT_TRUE(Task.AddTurnPoint(TM));
        Leg = new TStraightLeg(TA, TB, 300.0);
        Arc = new TArcLeg(TA, TB, TM, 250.0);
        ASSERT_TRUE(Task.AddStraightLeg(Leg));
        ASSERT_TRUE(Task.AddArcLeg(Arc));
        ASSERT_TRUE(Task.AddGate(new TGate(A, 45.0, 100.0)));
        ASSERT_TRUE(Task.AddGate(new TGate(Leg, 50.0, 100.0)));
        ASSERT_TRUE(Task.AddGate(new TGate(Arc, 25.0, 100.0)));
    }

    TWayPointSet Set;
    TWayPoint* A;
    TWayPoint* B;
    TWayPoint* M;
    TTaskInstance Task;
    TTurnPoint* TA = nullptr;
    TTurnPoint* TB = nullptr;
    TTurnPoint* TM = nullptr;
    TStraightLeg* Leg = nullptr;
    TArcLeg* Arc = nullptr;
};

class TOwnerWithTaskNumbers : public TChampNode, public TTaskOwner {
public:
    TOwnerWithTaskNumbers() : TChampNode(ntChampionship) {}
    void UpdateName() override {}
    int CountTaskNumbersUsing(const TTaskInstance* instance) override { return instance == Used ? 2 : 0; }
    const TTaskInstance* Used = nullptr;
};

} // namespace

TEST(TaskTemplate, NamesInstancesAndDeletionRules)
{
    TTaskTemplate tmpl;
    EXPECT_EQ(tmpl.DisplayName(), "(New task template)");
    EXPECT_TRUE(tmpl.CanDelete());
    tmpl.SetAttribute(acShortName, "T1");
    EXPECT_EQ(tmpl.DisplayName(), "T1");

    auto* first = new TTaskInstance;
    first->SetAttribute(acVersion, "2");
    EXPECT_EQ(first->DisplayName(), "??? - 2");
    ASSERT_TRUE(tmpl.AddInstance(first));
    EXPECT_EQ(first->Template, &tmpl);
    EXPECT_EQ(first->DisplayName(), "T1 - 2");
    EXPECT_FALSE(tmpl.CanDelete());

    // A second instance of the same Version is refused and stays the caller's.
    auto second = std::make_unique<TTaskInstance>();
    second->SetAttribute(acVersion, "2");
    EXPECT_FALSE(tmpl.AddInstance(second.get()));
    EXPECT_EQ(second->Template, nullptr);
    EXPECT_EQ(second->DisplayName(), "??? - 2");
    EXPECT_EQ(tmpl.Instances.size(), 1u);

    auto* third = new TTaskInstance;
    third->SetAttribute(acVersion, "10");
    ASSERT_TRUE(tmpl.AddInstance(third));
    EXPECT_EQ(tmpl.FindInstance("2"), first);
    EXPECT_EQ(tmpl.FindInstance("10"), third);
    EXPECT_EQ(tmpl.FindInstance("1"), nullptr);
    EXPECT_EQ(tmpl.Instances.first(), third); // "10" before "2"
    // The template deletes its instances (the sanitizer build checks).
}

TEST(TaskInstanceOwner, CanDeleteAsksTheOwnerForTaskNumbers)
{
    TTaskInstance instance;
    EXPECT_TRUE(instance.CanDelete()); // no owner
    TOwnerWithTaskNumbers champ;
    instance.SetOwner(&champ);
    EXPECT_TRUE(instance.CanDelete());
    champ.Used = &instance;
    EXPECT_FALSE(instance.CanDelete());
    TTaskTemplate plainOwner; // a node that knows no task numbers
    instance.SetOwner(&plainOwner);
    EXPECT_TRUE(instance.CanDelete());
}

TEST_F(TaskInstance, AddsCountChangesAndRefuseDuplicateNamesPerKind)
{
    Build();
    EXPECT_EQ(Task.ChangeCount, 8);
    EXPECT_EQ(TA->Instance(), &Task);
    EXPECT_EQ(Task.CountCheckElements(ceTurnPoint), 3);
    EXPECT_EQ(Task.CountCheckElements(ceGate), 3);
    EXPECT_EQ(Task.CountCheckElements(ceStraightLeg), 1);
    EXPECT_EQ(Task.CountCheckElements(ceArcLeg), 1);
    EXPECT_EQ(Task.CountCheckElements(ceZone), 0);

    auto again = std::make_unique<TTurnPoint>(A, 10.0);
    EXPECT_FALSE(Task.AddTurnPoint(again.get()));
    EXPECT_EQ(again->Instance(), nullptr);
    auto gate = std::make_unique<TGate>(A, 45.4, 10.0); // same rounded bearing, same name
    EXPECT_FALSE(Task.AddGate(gate.get()));
    auto legGate = std::make_unique<TGate>(Leg, 49.6, 10.0);
    EXPECT_FALSE(Task.AddGate(legGate.get()));
    EXPECT_FALSE(Task.AddStraightLeg(nullptr));
    EXPECT_EQ(Task.ChangeCount, 8);

    // One name may stand in two kinds.
    EXPECT_TRUE(Task.AddZone(new TZone("A")));
    EXPECT_EQ(Task.GetCheckElement(ceZone, "A")->GetType(), ceZone);
    EXPECT_EQ(Task.GetCheckElement(ceTurnPoint, "A"), static_cast<TCheckElement*>(TA));
    EXPECT_EQ(Task.ChangeCount, 9);

    EXPECT_TRUE(Task.RemoveCheckElement(ceZone, "A"));
    EXPECT_FALSE(Task.RemoveCheckElement(ceZone, "A"));
    EXPECT_EQ(Task.ChangeCount, 10);
}

TEST_F(TaskInstance, RemovalRulesProtectWhatOtherElementsStandOn)
{
    Build();
    const int before = Task.ChangeCount;
    // Turn points used as From, To or Mid of a leg; the offset of the
    // element part inside a turn point must not hide the use.
    EXPECT_FALSE(Task.RemoveCheckElement(ceTurnPoint, "A"));
    EXPECT_FALSE(Task.RemoveCheckElement(ceTurnPoint, "B"));
    EXPECT_FALSE(Task.RemoveCheckElement(ceTurnPoint, "M"));
    // Legs with a gate on them.
    EXPECT_FALSE(Task.RemoveCheckElement(ceStraightLeg, "A - B"));
    EXPECT_FALSE(Task.RemoveCheckElement(ceArcLeg, "A - M - B"));
    // Kinds outside 1 to 5 and absent names.
    for (int kind : {0, 6, -1}) {
        const auto k = static_cast<TCheckElementType>(kind);
        EXPECT_FALSE(Task.RemoveCheckElement(k, "A"));
        EXPECT_EQ(Task.GetCheckElement(k, "A"), nullptr);
        EXPECT_EQ(Task.FirstCheckElement(k), nullptr);
        EXPECT_EQ(Task.NextCheckElement(k), nullptr);
        EXPECT_EQ(Task.CountCheckElements(k), 0);
    }
    EXPECT_FALSE(Task.RemoveCheckElement(ceGate, "nothing"));
    EXPECT_EQ(Task.ChangeCount, before);

    // Taken apart in the order the rules allow.
    EXPECT_TRUE(Task.RemoveCheckElement(ceGate, "A - B (50%)"));
    EXPECT_TRUE(Task.RemoveCheckElement(ceStraightLeg, "A - B"));
    EXPECT_FALSE(Task.RemoveCheckElement(ceTurnPoint, "A")); // still on the arc
    EXPECT_TRUE(Task.RemoveCheckElement(ceGate, "A - M - B (25%)"));
    EXPECT_TRUE(Task.RemoveCheckElement(ceArcLeg, "A - M - B"));
    EXPECT_TRUE(Task.RemoveCheckElement(ceTurnPoint, "M"));
    EXPECT_TRUE(Task.RemoveCheckElement(ceTurnPoint, "A")); // a waypoint gate on A does not hold it
    EXPECT_EQ(Task.ChangeCount, before + 6);
    EXPECT_EQ(Task.CountCheckElements(ceTurnPoint), 1);
    EXPECT_EQ(Task.CountCheckElements(ceGate), 1);
}

TEST_F(TaskInstance, FindReferencingElementTakesTypedPointers)
{
    Build();
    EXPECT_EQ(Task.FindReferencingElement(A), static_cast<TCheckElement*>(TA));
    EXPECT_EQ(Task.FindReferencingElement(M), static_cast<TCheckElement*>(TM));
    EXPECT_EQ(Task.FindReferencingElement(TA), static_cast<TCheckElement*>(Leg));
    EXPECT_EQ(Task.FindReferencingElement(TM), static_cast<TCheckElement*>(Arc));
    TWayPoint* other = Set.Add(MakeWayPoint("X", 46, 7));
    EXPECT_EQ(Task.FindReferencingElement(other), nullptr);

    // Without its turn point, a waypoint is still referred to by its gate.
    ASSERT_TRUE(Task.RemoveCheckElement(ceGate, "A - B (50%)"));
    ASSERT_TRUE(Task.RemoveCheckElement(ceStraightLeg, "A - B"));
    ASSERT_TRUE(Task.RemoveCheckElement(ceGate, "A - M - B (25%)"));
    ASSERT_TRUE(Task.RemoveCheckElement(ceArcLeg, "A - M - B"));
    EXPECT_EQ(Task.FindReferencingElement(TA), nullptr);
    ASSERT_TRUE(Task.RemoveCheckElement(ceTurnPoint, "A"));
    TCheckElement* gate = Task.FindReferencingElement(A);
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(gate->Name, "A (045)");
}

TEST_F(TaskInstance, WalksGoKindByKindInUnsignedNameOrder)
{
    EXPECT_EQ(Task.FirstCheckElement(ceZone), nullptr);
    EXPECT_EQ(Task.NextCheckElement(ceZone), nullptr);
    for (const char* name : {"a", "A2", "\xC4", "Z", "AB", "A10", "A"}) ASSERT_TRUE(Task.AddZone(new TZone(name)));
    EXPECT_EQ(Walk(Task, ceZone), (std::vector<std::string>{"A", "A10", "A2", "AB", "Z", "a", "\xC4"}));
    EXPECT_EQ(Task.NextCheckElement(ceZone), nullptr); // stays at the end

    // Kinds have their own cursors, so walks of two kinds interleave.
    Build();
    EXPECT_EQ(Task.FirstCheckElement(ceTurnPoint)->Name, "A");
    EXPECT_EQ(Task.FirstCheckElement(ceZone)->Name, "A");
    EXPECT_EQ(Task.NextCheckElement(ceTurnPoint)->Name, "B");
    EXPECT_EQ(Task.NextCheckElement(ceZone)->Name, "A10");
    // Removing the element under a cursor moves the cursor on.
    EXPECT_TRUE(Task.RemoveCheckElement(ceZone, "A2"));
    EXPECT_EQ(Task.NextCheckElement(ceZone)->Name, "AB");
    EXPECT_EQ(Walk(Task, ceGate), (std::vector<std::string>{"A (045)", "A - B (50%)", "A - M - B (25%)"}));

    // Leg pointers handed out are the TLeg part.
    TCheckElement* leg = Task.FirstCheckElement(ceArcLeg);
    EXPECT_EQ(static_cast<TLeg*>(leg)->GetMid(), TM);
    EXPECT_EQ(static_cast<TArcLeg*>(leg), Arc);
}

TEST_F(TaskInstance, TableShowsSevenColumnsAndNoStaleRows)
{
    TRecordedActivations activations;
    Build();
    ASSERT_TRUE(Task.AddZone(new TZone));
    TStringGrid grid(5, 20);
    grid.SetCell(0, 15, "old");
    Task.FillGrid(&grid);

    EXPECT_EQ(grid.ColCount(), 7);
    ASSERT_EQ(grid.RowCount(), 9); // zones are not shown
    const std::vector<std::string> headings{" Type", " Name", " Lat / Ref", " Lon / Ref",
                                            " Radius", " Bearing", " Length"};
    for (int col = 0; col < 7; ++col) EXPECT_EQ(grid.Cell(col, 0), headings[col]);
    auto row = [&](int r) {
        std::vector<std::string> cells;
        for (int col = 0; col < 7; ++col) cells.push_back(grid.Cell(col, r));
        return cells;
    };
    const TGeoCoord& a = A->Location.Geo;
    EXPECT_EQ(row(1), (std::vector<std::string>{"TP", "A", FormatAngle(a.Lat, 11), FormatAngle(a.Lon, 19), "200", "", ""}));
    EXPECT_EQ(row(2)[4], "150.5");
    EXPECT_EQ(row(3)[1], "M");
    const auto* gate = static_cast<TGate*>(Task.GetCheckElement(ceGate, "A (045)"));
    EXPECT_EQ(row(4), (std::vector<std::string>{"GATE", "A (045)", FormatAngle(gate->Location.Geo.Lat, 11),
                                                FormatAngle(gate->Location.Geo.Lon, 19), "100", "045", ""}));
    EXPECT_EQ(row(5)[1], "A - B (50%)");
    EXPECT_EQ(row(6)[1], "A - M - B (25%)");
    EXPECT_EQ(row(7), (std::vector<std::string>{"LEG", "A - B", "A", "B", "300",
                                                FormatNumber("000", Leg->Start.Course(Leg->End)),
                                                FormatNumber("# ### ##0", Leg->Length())}));
    EXPECT_EQ(row(7)[5], "090");
    EXPECT_EQ(row(7)[6].size(), 5u); // "7 5xx": a blank between the groups
    EXPECT_EQ(row(8), (std::vector<std::string>{"ARC", "A - M - B", "A", "B", "250", "", ""}));

    TTaskInstance empty;
    empty.FillGrid(&grid);
    EXPECT_EQ(grid.RowCount(), 2);
    for (int col = 0; col < 7; ++col) EXPECT_EQ(grid.Cell(col, 1), "") << col;

    ASSERT_EQ(activations.Calls.size(), 2u);
    EXPECT_EQ(activations.Calls[0].second, &Task);
    EXPECT_EQ(activations.Calls[1].second, &empty);
    EXPECT_EQ(activations.Calls[1].first, &grid);
}
