// The championship as the user edits it: filing competitors, flights for
// every pair, renumbering, deleting, saving.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "champ/ChampFixture.h"
#include "common/TempDir.h"
#include "platform/Exceptions.h"
#include "platform/ItemTree.h"
#include "xml/Xmlfile.h"

using namespace champtest;
using testing::HasSubstr;

namespace {

TempDir& Dir()
{
    static TempDir dir;
    return dir;
}

std::string TextOf(TChampionship& champ)
{
    TXmlOutput out("/tmp/never-closed.xch");
    champ.WriteXml(out);
    return out.Text();
}

struct TSmall {
    TChampionship Champ;
    TCClass* K = new TCClass;
    TTeam* Fra = new TTeam;
    TTaskTemplate* Nav = new TTaskTemplate;
    TTaskInstance* V1 = new TTaskInstance;
    TSmall()
    {
        K->SetAttribute(acShortName, "K");
        Champ.AddClass(K);
        Fra->SetAttribute(acIsoCountry, "FRA");
        Champ.AddTeam(Fra);
        Nav->SetAttribute(acShortName, "NAV");
        Champ.AddTaskTemplate(Nav);
        V1->SetAttribute(acVersion, "1");
        Champ.AddTaskInstance(V1, Nav);
    }
};

} // namespace

TEST(ChampionshipModel, DisplayNames)
{
    TCompetitor c;
    EXPECT_EQ(c.DisplayName(), "(new number): (new pilot)");
    c.SetAttribute(acNumber, "7");
    c.SetAttribute(acPilot, "Ann");
    EXPECT_EQ(c.DisplayName(), "7: Ann");
    c.SetAttribute(acNavigator, "Bob");
    EXPECT_EQ(c.DisplayName(), "7: Ann / Bob");
    TTeam t;
    EXPECT_EQ(t.DisplayName(), "(New team)");
    t.SetAttribute(acIsoCountry, "CZE");
    EXPECT_EQ(t.DisplayName(), "CZE: ");
    TCClass k;
    EXPECT_EQ(k.DisplayName(), "(New class)");
    k.SetAttribute(acShortName, "AL1");
    EXPECT_EQ(k.DisplayName(), "AL1: ");
    TTaskNumber tn;
    tn.SetAttribute(acNumber, "3");
    EXPECT_EQ(tn.DisplayName(), "3");
    TFlight f;
    EXPECT_EQ(f.DisplayName(), " (no competitor)");
}

TEST(ChampionshipModel, FilingACompetitorEitherWayGivesTheSameState)
{
    for (int way = 0; way < 2; ++way) {
        TSmall s;
        s.Champ.AddTaskNumber(NewTaskNumber("1", s.V1), s.K);
        s.Champ.AddTaskNumber(NewTaskNumber("2", s.V1), s.K);
        s.Champ.AddTaskNumber(NewTaskNumber("3", nullptr), s.K);
        TCompetitor* c = NewCompetitor("7", "Ann");
        if (way == 0)
            EXPECT_TRUE(s.Champ.AddCompetitor(c, s.Fra, s.K));
        else
            EXPECT_TRUE(s.Fra->AddCompetitor(c, s.K));
        EXPECT_TRUE(s.Champ.Competitors.contains(c));
        EXPECT_TRUE(s.Fra->Group(s.K).contains(c));
        EXPECT_TRUE(s.K->Competitors.contains(c));
        EXPECT_EQ(c->Class, s.K);
        EXPECT_EQ(c->Team, s.Fra);
        EXPECT_EQ(c->Owner(), &s.Champ);
        ASSERT_EQ(c->Flights().size(), 3u) << way;
        for (TFlight* f : c->Flights()) {
            EXPECT_EQ(f->Competitor(), c);
            EXPECT_EQ(f->Owner(), &s.Champ);
            EXPECT_EQ(f->DisplayName(), "7: Ann (FRA) >>> TRACK PENDING <<<");
        }
        // Again: nothing changes.
        EXPECT_TRUE(s.Champ.AddCompetitor(c, s.Fra, s.K));
        EXPECT_EQ(c->Flights().size(), 3u);
        EXPECT_FALSE(s.K->CanDelete());
        EXPECT_FALSE(s.Fra->CanDelete());

        // Another competitor with that number is not taken anywhere.
        TCompetitor* twin = NewCompetitor("7", "Twin");
        EXPECT_FALSE(s.Champ.AddCompetitor(twin, s.Fra, s.K));
        EXPECT_FALSE(s.Fra->AddCompetitor(twin, s.K));
        EXPECT_EQ(s.Champ.FindCompetitor("7"), c);
        EXPECT_EQ(twin->Class, nullptr);
        delete twin;
    }
}

TEST(ChampionshipModel, EveryCompetitorGetsOneFlightPerTaskNumber)
{
    TSmall s;
    // A task number without competitors keeps no flights until one joins.
    s.Champ.AddTaskNumber(NewTaskNumber("1", s.V1), s.K);
    TTaskNumber* t1 = s.K->TaskNumbers.FindKey("1");
    EXPECT_EQ(s.K->FindFlights(t1), nullptr);
    EXPECT_FALSE(s.K->CanDelete());
    s.Champ.AddCompetitor(NewCompetitor("1", "Ann"), s.Fra, s.K);
    s.Champ.AddCompetitor(NewCompetitor("2", "Bea"), s.Fra, s.K);
    EXPECT_EQ(s.K->FlightsOf(t1).size(), 2u);
    // A task number added later gives every competitor its flight.
    s.Champ.AddTaskNumber(NewTaskNumber("2", s.V1), s.K);
    EXPECT_EQ(s.K->FlightsOf(s.K->TaskNumbers.FindKey("2")).size(), 2u);
    // A task number whose Number is there is refused and gets nothing.
    TTaskNumber* again = NewTaskNumber("1", s.V1);
    EXPECT_FALSE(s.Champ.AddTaskNumber(again, s.K));
    EXPECT_EQ(s.K->FindFlights(again), nullptr);
    auto* stray = new TFlight;
    EXPECT_FALSE(s.K->InsertFlight(stray, again));
    delete stray;
    EXPECT_EQ(s.K->TaskNumbers.FindKey("1"), t1);
    delete again;
    // The walk over task numbers.
    EXPECT_EQ(s.K->FirstTaskNumber(), t1);
    EXPECT_EQ(s.K->NextTaskNumber()->KeyValue(), "2");
    EXPECT_EQ(s.K->NextTaskNumber(), nullptr);
    TCClass empty;
    EXPECT_EQ(empty.FirstTaskNumber(), nullptr);
    EXPECT_EQ(s.Champ.CountTaskNumbersUsing(s.V1), 2);
    EXPECT_FALSE(s.V1->CanDelete());
}

TEST(ChampionshipModel, RenumberingACompetitorCarriesItsFlights)
{
    TFixedVersion version;
    auto champ = BuildFull();
    TCompetitor* marie = champ->FindCompetitor("12");
    TCClass* al1 = champ->FindClass("AL1");
    marie->SetAttribute(acNumber, "4");
    EXPECT_EQ(champ->FindCompetitor("4"), marie);
    EXPECT_EQ(champ->FindCompetitor("12"), nullptr);
    for (TTaskNumber* tn : al1->TaskNumbers) {
        const auto& flights = al1->FlightsOf(tn);
        EXPECT_EQ(flights.FindKey("12"), nullptr);
        ASSERT_NE(flights.FindKey("4"), nullptr);
        EXPECT_EQ(flights.FindKey("4")->Competitor(), marie);
        // Still in key order.
        std::string order;
        for (TFlight* f : flights) order += f->KeyValue() + ",";
        EXPECT_EQ(order, "1,3,4,");
    }
    EXPECT_EQ(al1->FlightsOf(al1->TaskNumbers.FindKey("01")).FindKey("4")->DisplayName(), "4: Marie (FRA) (DID NOT FLY)");

    // Saved and loaded, the flights are still Marie's.
    const std::string file = Dir().File("renumbered.xch");
    champ->Save(file);
    TChampionship loaded(file);
    EXPECT_EQ(Describe(loaded), Describe(*champ));
    EXPECT_EQ(loaded.FindClass("AL1")->FlightsOf(loaded.FindClass("AL1")->TaskNumbers.FindKey("01")).FindKey("4")
                  ->GetAttribute(acIgcFileName),
              "DNF");

    // Refused as a whole when another competitor has the number...
    EXPECT_THROW(marie->SetAttribute(acNumber, "1"), TException);
    // ...or a flight kept without competitor has it.
    TTaskNumber* t1 = al1->TaskNumbers.FindKey("01");
    auto* orphan = new TFlight;
    orphan->SetAttribute(acNumber, "99");
    ASSERT_TRUE(al1->InsertFlight(orphan, t1));
    try {
        marie->SetAttribute(acNumber, "99");
        FAIL() << "not refused";
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Duplicate key");
    }
    EXPECT_EQ(marie->KeyValue(), "4");
    EXPECT_EQ(al1->FlightsOf(t1).FindKey("4")->Competitor(), marie);
}

TEST(ChampionshipModel, DeleteNodeDeletesWhatTheUserConfirmedAndSaysSo)
{
    TFixedVersion version;
    std::vector<TChampNode*> told;
    version.Hooks->NodeDeleting = [&](TChampNode* node) { told.push_back(node); };
    auto champ = BuildFull();

    // A competitor: its flights first, then itself.
    TCompetitor* marie = champ->FindCompetitor("12");
    const std::vector<TFlight*> flights = marie->Flights();
    ASSERT_EQ(flights.size(), 2u);
    EXPECT_TRUE(champ->DeleteNode(marie));
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[0], flights[0]);
    EXPECT_EQ(told[1], flights[1]);
    EXPECT_EQ(told[2], marie);
    EXPECT_EQ(champ->FindCompetitor("12"), nullptr);
    TCClass* al1 = champ->FindClass("AL1");
    EXPECT_EQ(al1->Competitors.FindKey("12"), nullptr);
    for (TTaskNumber* tn : al1->TaskNumbers) EXPECT_EQ(al1->FlightsOf(tn).FindKey("12"), nullptr);
    EXPECT_THAT(TextOf(*champ), testing::Not(HasSubstr("Marie")));
    EXPECT_THAT(TextOf(*champ), testing::Not(HasSubstr("Number=\"12\"")));

    // A task instance in use, a template with instances, a team with a
    // group and a class in use are not deleted.
    told.clear();
    TTaskTemplate* nav = champ->FindTaskTemplate("NAV");
    EXPECT_FALSE(champ->DeleteNode(nav->FindInstance("1")));
    EXPECT_FALSE(champ->DeleteNode(nav));
    EXPECT_FALSE(champ->DeleteNode(champ->Teams.FindKey("GBR")));
    EXPECT_FALSE(champ->DeleteNode(al1));
    EXPECT_FALSE(champ->DeleteNode(champ.get()));
    EXPECT_FALSE(champ->DeleteNode(&champ->WayPoints));
    EXPECT_TRUE(told.empty());

    // An instance no task number uses; a template without instances; a
    // team without groups.
    TTaskInstance* spare = new TTaskInstance;
    spare->SetAttribute(acVersion, "spare");
    champ->AddTaskInstance(spare, nav);
    EXPECT_TRUE(champ->DeleteNode(spare));
    EXPECT_EQ(nav->FindInstance("spare"), nullptr);
    EXPECT_TRUE(champ->DeleteNode(champ->FindTaskTemplate("ECO")));
    auto* esp = new TTeam;
    esp->SetAttribute(acIsoCountry, "ESP");
    champ->AddTeam(esp);
    EXPECT_TRUE(champ->DeleteNode(esp));
    EXPECT_EQ(told.size(), 3u);
    const std::string text = TextOf(*champ);
    EXPECT_THAT(text, testing::Not(HasSubstr("\"ECO\"")));
    EXPECT_THAT(text, testing::Not(HasSubstr("\"ESP\"")));
    EXPECT_THAT(text, testing::Not(HasSubstr("spare")));

    // Another championship's node is not this one's to delete.
    TChampionship other;
    auto* foreign = new TTaskTemplate;
    other.AddTaskTemplate(foreign);
    EXPECT_FALSE(champ->DeleteNode(foreign));
}

TEST(ChampionshipModel, DeletingAClassTakesItsEmptyGroupsAlong)
{
    TFixedVersion version;
    auto champ = BuildFull();
    auto* al3 = new TCClass;
    al3->SetAttribute(acShortName, "AL3");
    champ->AddClass(al3);
    TItemTree tree;
    champ->FillTree(&tree); // every team gets a group for AL3
    for (TTeam* team : champ->Teams) EXPECT_EQ(team->Groups().count(al3), 1u);
    EXPECT_TRUE(al3->CanDelete());
    std::vector<TChampNode*> told;
    TScopedHooks hooks;
    hooks->NodeDeleting = [&](TChampNode* node) {
        told.push_back(node);
        TChampionship::RemoveTreeItems(&tree, node);
    };
    const int before = tree.Count();
    EXPECT_TRUE(champ->DeleteNode(al3));
    EXPECT_EQ(told, std::vector<TChampNode*>{al3});
    for (TTeam* team : champ->Teams) EXPECT_EQ(team->Groups().size(), 2u);
    // Its item under Classes, its folder under each of the two teams and
    // under Tasks.
    EXPECT_EQ(tree.Count(), before - 4);
    // Saving reads no class that is gone.
    const std::string file = Dir().File("class-deleted.xch");
    champ->Save(file);
    EXPECT_THAT(ReadFileBytes(file), testing::Not(HasSubstr("AL3")));
    EXPECT_FALSE(champ->DeleteClass(champ->FindClass("AL1")));
}

TEST(ChampionshipModel, GroupsAreWrittenInClassOrder)
{
    TChampionship champ;
    // Made in the other order, so the objects' order differs from the names'.
    std::vector<TCClass*> classes;
    for (const char* key : {"Z", "M", "A"}) {
        auto* cls = new TCClass;
        cls->SetAttribute(acShortName, key);
        champ.AddClass(cls);
        classes.push_back(cls);
    }
    auto* team = new TTeam;
    team->SetAttribute(acIsoCountry, "FRA");
    champ.AddTeam(team);
    for (TCClass* cls : classes) team->Group(cls);
    const std::string text = TextOf(champ);
    const std::size_t teams = text.find("<Teams>");
    const std::size_t a = text.find("<Class ShortName=\"A\">", teams);
    const std::size_t m = text.find("<Class ShortName=\"M\">", teams);
    const std::size_t z = text.find("<Class ShortName=\"Z\">", teams);
    EXPECT_LT(a, m);
    EXPECT_LT(m, z);
    EXPECT_NE(z, std::string::npos);
}

namespace {

class TFailingMap : public TMap {
public:
    void WriteXml(TXmlOutput& out) override
    {
        TMap::WriteXml(out);
        throw TException("", "Disk trouble", "");
    }
};

} // namespace

TEST(ChampionshipModel, SaveIsAtomicAndAFailureLeavesTheOldFile)
{
    TFixedVersion version;
    const std::string file = Dir().File("atomic.xch");
    WriteFileBytes(file, "old content");
    auto champ = BuildFull();
    // A task number without instance, as the task number dialog may leave
    // one, is written with empty template and version.
    champ->AddTaskNumber(NewTaskNumber("99", nullptr), champ->FindClass("AL1"));
    auto* bad = new TFailingMap;
    bad->SetAttribute(acShortName, "ZZ");
    champ->AddMap(bad);
    try {
        champ->Save(file);
        FAIL() << "no exception";
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Disk trouble");
    }
    EXPECT_EQ(ReadFileBytes(file), "old content");
    // Nothing left behind beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Dir().Path()))
        if (entry.path().filename().string().rfind("atomic", 0) == 0) ++files;
    EXPECT_EQ(files, 1);

    try {
        champ->Save(Dir().File("no/such/folder.xch"));
        FAIL() << "no exception";
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Can't open XML file for output");
    }
    EXPECT_EQ(champ->FileName(), "");

    champ->DeleteNode(champ->Maps.FindKey("ZZ")); // maps are never deleted
    delete champ->Maps.erase(bad);
    champ->Save(file);
    EXPECT_THAT(ReadFileBytes(file), HasSubstr("<TaskNumber Number=\"99\" Class=\"AL1\" Template=\"\" Instance=\"\">"));
    EXPECT_EQ(champ->FileName(), "");
}

// What the reader could not take back (a control character, a number that is
// none) is refused before anything is written, naming where it stands; the
// file on disk stays as it was.
TEST(ChampionshipModel, SaveRefusesWhatTheFileCouldNotGiveBack)
{
    TFixedVersion version;
    const std::string file = Dir().File("refused.xch");
    const auto refusal = [&](TChampionship& champ) {
        WriteFileBytes(file, "old content");
        try {
            champ.Save(file);
        } catch (const TException& e) {
            EXPECT_EQ(ReadFileBytes(file), "old content");
            return e.Message();
        }
        return std::string("saved");
    };

    auto champ = BuildFull();
    TWayPoint* a = champ->WayPoints.Find("A");
    a->Description = "Church\ttower"; // a TAB is text like any other
    EXPECT_EQ(refusal(*champ), "saved");
    a->Description = "Church\x01tower";
    EXPECT_EQ(refusal(*champ), "<Control character in a text> in <WayPointSet ShortName=\"Default\" / WayPoint "
                               "Code=\"A\">. Details: <Description: character code 1>");
    a->Description = "Church";
    champ->Teams.FindKey("GBR")->SetAttribute(acShortName, "U\x1bK");
    EXPECT_EQ(refusal(*champ), "<Control character in a text> in <Team IsoCountry=\"GBR\">. "
                               "Details: <ShortName: character code 27>");
    champ->Teams.FindKey("GBR")->SetAttribute(acShortName, "UK");
    champ->Classes.FindKey("AL2")->SetAttribute(acShortName, std::string("N\0L", 3));
    EXPECT_EQ(refusal(*champ), "<Control character in a text> in <Class ShortName=\"N\\x00L\">. "
                               "Details: <ShortName: character code 0>");
    champ->Classes.FindKey(std::string("N\0L", 3))->SetAttribute(acShortName, "AL2");

    // Numbers: only by reaching past the model's own checks.
    a->Location.Geo.Lat = std::nan("");
    EXPECT_EQ(refusal(*champ), "<Number that is not finite> in <WayPointSet ShortName=\"Default\" / WayPoint "
                               "Code=\"A\">. Details: <Lat: NAN>");
    a->Location.Geo.Lat = DegToRad(44.5);
    TTaskInstance* v1 = champ->TaskTemplates.FindKey("NAV")->Instances.FindKey("1");
    auto* gate = static_cast<TGate*>(v1->GetCheckElement(ceGate, "AB (090)"));
    ASSERT_NE(gate, nullptr);
    gate->Bearing = HUGE_VAL;
    EXPECT_EQ(refusal(*champ), "<Number that is not finite> in <TaskTemplate ShortName=\"NAV\" / TaskInstance "
                               "Version=\"1\" / Gate WayPoint=\"AB\">. Details: <Bearing: INF>");
    gate->Bearing = 90.0;
    EXPECT_EQ(refusal(*champ), "saved");
}

// The model takes no number that is none and no place that is none: a file
// written from it always reads again.
TEST(ChampionshipModel, NumbersThatAreNoneAreRefusedOnTheirWayIn)
{
    auto champ = BuildFull();
    TWayPointSet& set = champ->WayPoints;
    for (const TLocation& place : {At(95.0, 1.0), At(std::nan(""), 1.0), At(45.0, 180.5), At(45.0, -HUGE_VAL)}) {
        EXPECT_THROW(set.Add(TWayPoint(place, "X")), TException);
        EXPECT_THROW(set.Update("C", TWayPoint(place, "C")), TException);
    }
    EXPECT_EQ(set.Find("X"), nullptr);
    EXPECT_EQ(Deg(set.Find("C")->Location.Geo.Lat), "44.4200000");
    set.Add(TWayPoint(At(90.0, -180.0), "POLE"));

    TMap* map = champ->Maps.FindKey("M1");
    TMapRef far(1, 1, At(90.5, 0.0, map->GetDatum()));
    EXPECT_THROW(map->Georef.AddRef(&far), TException);
    EXPECT_EQ(map->Georef.Refs.size(), 3u);

    TTaskInstance* v1 = champ->TaskTemplates.FindKey("NAV")->Instances.FindKey("1");
    const auto* leg = static_cast<TStraightLeg*>(v1->GetCheckElement(ceStraightLeg, "A - B"));
    ASSERT_NE(leg, nullptr);
    TGate overflow(const_cast<TStraightLeg*>(leg), 2e306, 100);
    EXPECT_THROW(v1->AddGate(&overflow), TException);
    TTurnPoint endless(set.Find("POLE"), HUGE_VAL);
    EXPECT_THROW(v1->AddTurnPoint(&endless), TException);
    EXPECT_EQ(v1->CountCheckElements(ceGate), 3);

    const std::string file = Dir().File("places.xch");
    champ->Save(file);
    TChampionship again(file);
    EXPECT_EQ(Describe(again), Describe(*champ));
}
