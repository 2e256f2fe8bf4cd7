#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChampExport.h"
#include "KmlSummary.h"
#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "export/Googleearth.h"

using namespace kmltest;

namespace {

constexpr const char* Flight12 = "12: Zo\xC3\xA9 & <Ann> (FRA)";

std::vector<std::string> FolderLines(const TKmlSummary& s, std::size_t depthLimit)
{
    std::vector<std::string> lines;
    for (const auto& f : s.Folders) {
        std::size_t depth = 0;
        for (std::size_t at = f.Path.find(" / "); at != std::string::npos; at = f.Path.find(" / ", at + 3)) ++depth;
        if (depth <= depthLimit) lines.push_back(f.Path + "|" + f.Visibility);
    }
    return lines;
}

struct ExportTest : testing::Test {
    ExportTest() : Fx(Place.Dir.Path().string()) {}
    TExportPlace Place;
    TChampExport Fx;
};

} // namespace

TEST_F(ExportTest, TaskNumberWithItsLoadedFlights)
{
    const TTrack* t12 = Fx.Load(Fx.Task3, "12");
    const TTrack* t7 = Fx.Load(Fx.Task3, "7");
    ASSERT_TRUE(t12 && t7);
    ASSERT_GT(t12->Events.size(), 100u);
    { KmlFile kml(Fx.Task3); }

    EXPECT_EQ(Place.Opened, std::vector<std::string>{Place.File("ML_3.kmz")});
    EXPECT_FALSE(Place.Exists("ML_3.kml"));
    const TKmlSummary s = Summarise(Place.File("ML_3.kmz"));
    ASSERT_EQ(s.Entries.size(), 1u);
    EXPECT_EQ(s.Entries[0].Name, "ML_3.kml");
    EXPECT_EQ(s.Entries[0].Method, 8);
    EXPECT_TRUE(s.Entries[0].CrcGood);
    ASSERT_EQ(s.ParseError, "");
    EXPECT_EQ(s.Styles.size(), 22u);
    EXPECT_EQ(s.BadCoordinates, 0);

    // The task first; then the flights that have a track, in Number order
    // ("12" before "7"), their events hidden. Pending, absent and not yet
    // shown flights are left out.
    const std::string doc = "Class ML Task 3: NAV - 1";
    const std::string f7 = doc + " / 7: Real (FRA)";
    EXPECT_EQ(FolderLines(s, 1), (std::vector<std::string>{doc + "|-", doc + " / Task 3: NAV - 1|-",
                                                           doc + " / " + Flight12 + "|-", f7 + "|-"}));
    EXPECT_EQ(s.FindFolder(f7 + " / Events")->Visibility, "0");
    EXPECT_EQ(s.Placemarks.size(), TaskPlacemarks + 2 + t12->Events.size() + t7->Events.size());
    const auto track7 = s.In(f7);
    ASSERT_EQ(track7.size(), 1u);
    EXPECT_EQ(track7[0]->Name, "Track 7: Real (FRA)");
    EXPECT_EQ(track7[0]->Coordinates, static_cast<int>(t7->Points.size()));
    EXPECT_EQ(track7[0]->Visibility, "-");
    int hidden = 0;
    for (const auto& p : s.Placemarks) hidden += p.Folder.find(" / Events") != std::string::npos && p.Visibility == "0";
    EXPECT_EQ(hidden, static_cast<int>(t12->Events.size() + t7->Events.size()));
    EXPECT_EQ(s.CountBelow(doc + " / Task 3: NAV - 1"), static_cast<int>(TaskPlacemarks));
    for (const auto& p : s.Placemarks) {
        if (p.Name == "Cylinder") {
            EXPECT_EQ(p.Coordinates, 25);
            EXPECT_TRUE(p.Closed);
        }
        EXPECT_EQ(p.Name.find(" - M - "), std::string::npos); // no arc leg
    }

    // Exported again: the same file, replaced.
    { KmlFile kml(Fx.Task3); }
    EXPECT_EQ(Place.Opened.size(), 2u);
    EXPECT_FALSE(Place.Exists("ML_3.kml"));
}

TEST_F(ExportTest, FlightWithTrackThenTaskThenEvents)
{
    const TTrack* t12 = Fx.Load(Fx.Task3, "12");
    ASSERT_TRUE(t12);
    { KmlFile kml(Fx.Flight(Fx.Task3, "12")); }
    EXPECT_EQ(Place.Opened, std::vector<std::string>{Place.File("ML_3_12.kmz")});
    const TKmlSummary s = Summarise(Place.File("ML_3_12.kmz"));
    ASSERT_EQ(s.ParseError, "");
    const std::string doc = std::string("Class ML Task 3 Compet ") + Flight12;
    EXPECT_EQ(FolderLines(s, 1), (std::vector<std::string>{doc + "|-", doc + " / Task 3: NAV - 1|-",
                                                           doc + " / Events|-"}));
    ASSERT_EQ(s.Placemarks.size(), 1 + TaskPlacemarks + t12->Events.size());
    EXPECT_EQ(s.Placemarks[0].Folder, doc);
    EXPECT_EQ(s.Placemarks[0].Name, std::string("Track ") + Flight12);
    EXPECT_EQ(s.Placemarks[1].Folder, doc + " / Task 3: NAV - 1 / Turn Points / A");
    EXPECT_EQ(s.CountBelow(doc + " / Events"), static_cast<int>(t12->Events.size()));
    EXPECT_EQ(s.In(doc + " / Events / Turn point events / Turn point")[0]->Visibility, "-");
    EXPECT_EQ(s.In(doc + " / Events / Track events / High acceleration")[0]->Visibility, "0");
}

// The pending flight's name alone (" >>> TRACK PENDING <<<") made the
// document unreadable when written as it is.
TEST_F(ExportTest, PendingFlightGivesTheTaskOnly)
{
    { KmlFile kml(Fx.Flight(Fx.Task3, "5")); }
    const TKmlSummary s = Summarise(Place.File("ML_3_5.kmz"));
    ASSERT_EQ(s.ParseError, "");
    const std::string doc = "Class ML Task 3 Compet 5: Pending (FRA) >>> TRACK PENDING <<<";
    EXPECT_EQ(FolderLines(s, 1), (std::vector<std::string>{doc + "|-", doc + " / Task 3: NAV - 1|-"}));
    EXPECT_EQ(s.Placemarks.size(), TaskPlacemarks);
}

// A task number may have no task instance; its flights still export.
TEST_F(ExportTest, TaskNumberWithoutInstance)
{
    TFlight* f = Fx.Flight(Fx.Task4, "12");
    f->SetAttribute(acIgcFileName, "12T3.igc");
    const TTrack* track = Fx.Load(Fx.Task4, "12");
    ASSERT_TRUE(track);
    EXPECT_EQ(track->Events.size(), 0u); // nothing to analyse against
    { KmlFile kml(Fx.Task4); }
    { KmlFile kml(f); }
    for (const std::string name : {"ML_4", "ML_4_12"}) {
        const TKmlSummary s = Summarise(Place.File(name + ".kmz"));
        ASSERT_EQ(s.ParseError, "") << name;
        ASSERT_NE(s.FindFolder(s.Folders[0].Path + " / Task 4"), nullptr) << name;
        EXPECT_EQ(s.CountBelow(s.Folders[0].Path + " / Task 4"), 0) << name;
        ASSERT_EQ(s.Placemarks.size(), 1u) << name;
        EXPECT_EQ(s.Placemarks[0].Coordinates, 2000) << name;
    }
}

// A flight kept from a file whose Number names no competitor takes its
// class from its task number and its key from its own Number; a "/" in a
// key does not make a folder of the file name.
TEST_F(ExportTest, FlightWithoutCompetitorAndSlashInKey)
{
    auto* orphan = new TFlight(nullptr, Fx.Task3);
    orphan->SetAttribute(acNumber, "77/b");
    ASSERT_TRUE(Fx.Class->InsertFlight(orphan, Fx.Task3));
    orphan->SetTaskNumber(Fx.Task3);
    orphan->ReadTrack(Place.File("12T3.igc"));
    ASSERT_TRUE(orphan->Track());
    { KmlFile kml(orphan); }
    EXPECT_EQ(Place.Opened, std::vector<std::string>{Place.File("ML_3_77_b.kmz")});
    const TKmlSummary s = Summarise(Place.File("ML_3_77_b.kmz"));
    ASSERT_EQ(s.ParseError, "");
    EXPECT_EQ(s.Folders[0].Path, "Class ML Task 3 Compet 77/b (no competitor)");
    EXPECT_GT(s.Placemarks.size(), 1 + TaskPlacemarks); // analysed on the way
}

// Events point to check elements. The task dialog deletes an element at
// once; the export analyses again before it writes the events, so none
// refers to freed memory (the sanitizer build would catch it).
TEST_F(ExportTest, ExportAfterAGateWasRemoved)
{
    const TTrack* t12 = Fx.Load(Fx.Task3, "12");
    const TCheckElement* gate = Fx.Instance->GetCheckElement(ceGate, "A - B (50%)");
    ASSERT_NE(gate, nullptr);
    int onGate = 0;
    for (const TEvent& e : t12->Events) onGate += e.Element == gate;
    ASSERT_GT(onGate, 0);
    ASSERT_TRUE(Fx.Instance->RemoveCheckElement(ceGate, "A - B (50%)"));

    { KmlFile kml(Fx.Flight(Fx.Task3, "12")); }
    { KmlFile kml(Fx.Task3); }
    for (const std::string name : {"ML_3_12", "ML_3"}) {
        const TKmlSummary s = Summarise(Place.File(name + ".kmz"));
        ASSERT_EQ(s.ParseError, "") << name;
        EXPECT_EQ(s.FindFolder(s.Folders[0].Path + " / Task 3: NAV - 1 / Gates / A - B (50%)"), nullptr);
        for (const auto& p : s.Placemarks) EXPECT_EQ(p.Name.find("A - B (50%)"), std::string::npos) << p.Name;
        EXPECT_EQ(s.Placemarks.size(), TaskPlacemarks - 2 + 1 + t12->Events.size()) << name;
    }
}

TEST_F(ExportTest, FileThatCannotBeCreatedExportsNothing)
{
    std::filesystem::create_directory(Place.File("ML_3.kml"));
    { KmlFile kml(Fx.Task3); }
    EXPECT_TRUE(Place.Opened.empty());
    EXPECT_FALSE(Place.Exists("ML_3.kmz"));
}
