#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QTest>
#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>

#include "platform/NumberFormat.h"
#include "task_dialog_fixture.h"
#include "ui/UDefineTaskInstance.h"

namespace {

class TaskInstanceDialog : public testing::Test {
protected:
    TaskInstanceDialog()
    {
        Dialog.TaskInstance = Data.Version1;
        Dialog.Prepare();
    }

    QStringList Items(const char* list) const
    {
        QStringList texts;
        const auto* widget = Dialog.findChild<QListWidget*>(list);
        for (int row = 0; row < widget->count(); ++row) texts << widget->item(row)->text();
        return texts;
    }
    QString Text(const char* edit) const { return Dialog.findChild<QLineEdit*>(edit)->text(); }
    void Set(const QString& field, const QString& value) { Dialog.ScriptField(field, value); }
    void Click(const QString& button) { Dialog.ScriptField(button, "click"); }
    // Each turn point chosen and passed to the leg list with ">".
    void LegClicks(const QStringList& turnPoints)
    {
        for (const QString& name : turnPoints) {
            Set("LegTurnPointList", name);
            Click("SpeedAddTPtoLeg");
        }
    }
    void AddTurnPoints(const QString& codes)
    {
        Set("WaypointList", codes);
        Click("SpeedAddSelected");
    }
    TCheckElement* Element(TCheckElementType kind, const char* name) const
    {
        return Data.Version1->GetCheckElement(kind, name);
    }

    tasktest::TTaskChampionship Data;
    TDefineTaskInstance Dialog;
};

TEST_F(TaskInstanceDialog, TurnPointsMoveBetweenTheListsAndIntoTheTask)
{
    // Sorted as people read them, not byte-wise.
    EXPECT_EQ(Items("WaypointList"), QStringList({"A", "a1", "B", "C", "c1", "D", "E"}));
    AddTurnPoints("c1;B");
    Set("TurnPointRadius", "349.5");
    AddTurnPoints("A");
    EXPECT_EQ(Text("TurnPointRadius"), "350");
    EXPECT_EQ(Items("WaypointList"), QStringList({"a1", "C", "D", "E"}));
    EXPECT_EQ(Items("TurnPointList"), QStringList({"A", "B", "c1"}));
    EXPECT_EQ(Element(ceTurnPoint, "B")->Radius, 200.0);
    EXPECT_EQ(Element(ceTurnPoint, "A")->Radius, 350.0);

    Set("TurnPointList", "c1");
    Click("SpeedRemoveSelected");
    EXPECT_EQ(Items("WaypointList"), QStringList({"a1", "C", "c1", "D", "E"}));
    EXPECT_EQ(Element(ceTurnPoint, "c1"), nullptr);

    // A turn point a leg stands on stays.
    Set("Pages", "Legs");
    LegClicks({"A", "B"});
    Set("Pages", "Turn Points");
    Set("TurnPointList", "A");
    Click("SpeedRemoveSelected");
    EXPECT_EQ(Data.Warnings(), QStringList({"Turn point <A> is being used. Can't delete."}));
    EXPECT_NE(Element(ceTurnPoint, "A"), nullptr);
    EXPECT_EQ(Items("TurnPointList"), QStringList({"A", "B"}));
}

TEST_F(TaskInstanceDialog, LegsAreListedAsCoursesWithLengthAndBearing)
{
    AddTurnPoints("A;B;C;D;E");
    Set("LegRadius", "300.4");
    Set("Pages", "Legs");
    LegClicks({"B", "C"});
    EXPECT_EQ(Items("LegList"), QStringList({"B - C"}));
    LegClicks({"A", "B", "D", "E"});
    EXPECT_EQ(Items("LegList"), QStringList({"A - B", "B - C", "D - E"}));
    EXPECT_EQ(Element(ceStraightLeg, "A - B")->Radius, 300.0);

    // A to B runs 0.1 degree of longitude due east at 45 degrees north.
    Set("LegList", "A - B");
    EXPECT_EQ(Text("LegBearing"), "090");
    const double length = static_cast<TStraightLeg*>(Element(ceStraightLeg, "A - B"))->Length();
    EXPECT_NEAR(length, 7880.0, 20.0);
    EXPECT_EQ(Text("LegLength"), QString::fromStdString(FormatNumber("# ### ##0", length)));
    Set("LegList", "A - B;B - C");
    EXPECT_EQ(Text("LegLength"), "-");
    EXPECT_EQ(Text("LegBearing"), "-");

    // A course with a beginning comes before a closed one; a pending start
    // is taken away by "<".
    LegClicks({"C", "A", "E"});
    EXPECT_EQ(Items("LegList"), QStringList({"D - E", "A - B", "B - C", "C - A", "E"}));
    Set("LegList", "E");
    Click("SpeedRemoveLeg");
    LegClicks({"E", "C"});
    EXPECT_EQ(Items("LegList"), QStringList({"D - E", "E - C", "C - A", "A - B", "B - C"}));
}

TEST_F(TaskInstanceDialog, ARefusedLegLeavesNoStaleStart)
{
    AddTurnPoints("A;B;C;D");
    Set("Pages", "Legs");
    LegClicks({"A", "B", "C", "D", "A", "B"});
    EXPECT_EQ(Data.Warnings(), QStringList({"Can't add duplicate leg."}));
    EXPECT_EQ(Items("LegList"), QStringList({"A - B", "C - D"}));
    // The next choice is a new start, not whatever item took the old place.
    LegClicks({"B", "C"});
    EXPECT_EQ(Items("LegList"), QStringList({"A - B", "B - C", "C - D"}));

    // A leg with a gate on it stays.
    Set("Pages", "Gates");
    Set("GateLeg", "A - B");
    Click("AddGateOnLeg");
    Set("Pages", "Legs");
    Set("LegList", "A - B");
    Click("SpeedRemoveLeg");
    EXPECT_EQ(Data.Warnings().last(), "Can't delete <A - B>.");
    EXPECT_EQ(Items("LegList"), QStringList({"A - B", "B - C", "C - D"}));
}

TEST_F(TaskInstanceDialog, BadNumbersSpringBackSilently)
{
    Set("TurnPointRadius", "350");
    Set("TurnPointRadius", "35x");
    EXPECT_EQ(Text("TurnPointRadius"), "350");
    Set("TurnPointRadius", "");
    EXPECT_EQ(Text("TurnPointRadius"), "350");
    Set("TurnPointRadius", "nan");
    EXPECT_EQ(Text("TurnPointRadius"), "350");
    AddTurnPoints("A");
    EXPECT_EQ(Element(ceTurnPoint, "A")->Radius, 350.0);
    // The gate radius may be emptied while a new one is typed.
    Set("GateRadius", "");
    EXPECT_EQ(Text("GateRadius"), "");
    Set("GateRadius", "-x");
    EXPECT_EQ(Text("GateRadius"), "200");
    EXPECT_TRUE(Data.Warnings().isEmpty());
}

// Numbers out of a field's range are refused as they are typed, with a
// message, and the field keeps what it held: no percentage beyond the leg,
// no bearing beyond a turn, no negative radius.
TEST_F(TaskInstanceDialog, NumbersOutOfTheirRangeAreRefusedWithAMessage)
{
    AddTurnPoints("A;B");
    Set("Pages", "Legs");
    LegClicks({"A", "B"});
    Set("Pages", "Gates");
    auto* percent = Dialog.findChild<QLineEdit*>("GateLegPercent");
    auto* bearing = Dialog.findChild<QLineEdit*>("GateBearing");
    auto* radius = Dialog.findChild<QLineEdit*>("GateRadius");
    auto typeInto = [&](QLineEdit* edit, const QString& keys) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    };
    auto pasteInto = [&](QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    };

    typeInto(percent, "150");
    EXPECT_EQ(percent->text(), "15");
    EXPECT_EQ(Data.Warnings(), QStringList{"% length must be from 0 to 100."});
    pasteInto(percent, "2e306");
    EXPECT_EQ(percent->text(), "15");
    Set("GateLeg", "A - B");
    Click("AddGateOnLeg");
    ASSERT_EQ(Items("GateList"), QStringList({"A - B (15%)"}));

    Data.Script->Records.clear();
    Set("GateWaypoint", "A");
    typeInto(bearing, "400");
    EXPECT_EQ(bearing->text(), "40");
    pasteInto(radius, "-5");
    EXPECT_EQ(radius->text(), "200");
    EXPECT_EQ(Data.Warnings(), QStringList({"Bearing must be from 0 to 360.", "Gate radius must be 0 or more."}));
    Click("AddGateOnWaypoint");
    const auto* gate = static_cast<TGate*>(Element(ceGate, "A (040)"));
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(gate->Radius, 200.0);
}

TEST_F(TaskInstanceDialog, GatesOnWaypointsUnderTheBearingLock)
{
    Set("Pages", "Gates");
    Click("AddGateOnWaypoint");
    EXPECT_EQ(Data.Warnings(), QStringList({"Waypoint not selected."}));
    // Choosing the bearing-to waypoint writes the course; typing replaces it.
    Set("GateWaypoint", "A");
    Set("GateWaypointBearing", "B");
    EXPECT_EQ(Text("GateBearing"), "090");
    Set("GateBearing", "120");
    EXPECT_EQ(Dialog.findChild<QComboBox*>("GateWaypointBearing")->currentIndex(), -1);
    Click("AddGateOnWaypoint");
    Set("GateWaypointBearing", "D");
    EXPECT_EQ(Text("GateBearing"), "000");
    Set("GateRadius", "150.4");
    Click("AddGateOnWaypoint");
    EXPECT_EQ(Items("GateList"), QStringList({"A (120)", "A (000)"}));
    EXPECT_EQ(static_cast<TGate*>(Element(ceGate, "A (120)"))->Bearing, 120.0);
    EXPECT_EQ(Element(ceGate, "A (000)")->Radius, 150.0);
    Click("AddGateOnWaypoint");
    EXPECT_EQ(Data.Warnings().last(), "Duplicate gate.");

    Set("GateList", "A (120)");
    Click("RemoveGate");
    EXPECT_EQ(Items("GateList"), QStringList({"A (000)"}));
    EXPECT_EQ(Element(ceGate, "A (120)"), nullptr);
}

TEST_F(TaskInstanceDialog, AGateOnALegAtAFractionalPercentage)
{
    AddTurnPoints("A;B");
    Set("Pages", "Legs");
    LegClicks({"A", "B"});
    Set("Pages", "Gates");
    Set("GateLeg", "A - B");
    Set("GateLegPercent", "12.5");
    Set("GateLegPercent", "");
    Click("AddGateOnLeg");
    ASSERT_EQ(Items("GateList"), QStringList({"A - B (13%)"}));
    const auto* gate = static_cast<TGate*>(Element(ceGate, "A - B (13%)"));
    const auto* leg = static_cast<TStraightLeg*>(Element(ceStraightLeg, "A - B"));
    EXPECT_EQ(gate->Percent, 12.5);
    EXPECT_NEAR(gate->Location.Distance(leg->Start), 0.125 * leg->Length(), 1.0);
}

// The hidden pages work as well, through their controls.
TEST_F(TaskInstanceDialog, HiddenArcAndZonePagesKeepTheirStateSound)
{
    AddTurnPoints("A;B;C;D");
    Dialog.TabArcShow();
    auto arc = [this](const QStringList& points) {
        for (const QString& name : points) {
            Set("ArcLegTurnPointList", name);
            Click("SpeedAddTPtoArcLeg");
        }
    };
    arc({"A", "D", "B", "A", "D"});
    EXPECT_EQ(Items("ArcLegList"), QStringList({"A - D - B", "A - D"}));
    arc({"B"});
    EXPECT_EQ(Data.Warnings(), QStringList({"Can't add duplicate leg."}));
    arc({"B", "C", "A"});
    EXPECT_EQ(Items("ArcLegList"), QStringList({"A - D - B", "B - C - A"}));

    Dialog.TabZoneShow();
    Click("NewZone");
    Set("ZoneName", "Town");
    Click("NewZone");
    Set("ZoneName", "Town");
    EXPECT_EQ(Items("ZoneList"), QStringList({"New zone", "Town"}));
    Set("ZoneName", "Airfield");
    EXPECT_EQ(Items("ZoneList"), QStringList({"Airfield", "Town"}));
    EXPECT_NE(Element(ceZone, "Airfield"), nullptr);
    EXPECT_EQ(Element(ceZone, "New zone"), nullptr);
    EXPECT_EQ(Data.Version1->CountCheckElements(ceZone), 2);
}

} // namespace
