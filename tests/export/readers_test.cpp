// GDAL's two KML readers (LIBKML on the archive, the expat-based KML driver
// on the entry inside it) must see what Python's reader sees.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "ChampExport.h"
#include "ExportFixtures.h"
#include "KmlSummary.h"
#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "export/Googleearth.h"

using namespace kmltest;

namespace {

// Placemarks per innermost folder name, as Python's reader sees them.
std::map<std::string, int> PlacemarksByFolder(const TKmlSummary& s)
{
    std::map<std::string, int> counts;
    for (const auto& p : s.Placemarks) {
        const auto slash = p.Folder.rfind(" / ");
        ++counts[slash == std::string::npos ? p.Folder : p.Folder.substr(slash + 3)];
    }
    return counts;
}

// Both readers see every placemark of a file in the layer of its folder.
void ExpectReadersAgree(const std::string& folder, const std::string& base)
{
    const std::string kmz = folder + "/" + base + ".kmz";
    const TKmlSummary s = Summarise(kmz);
    ASSERT_EQ(s.ParseError, "");
    const TOgrSummary libkml = OgrInfo("-ro -al '" + kmz + "'");
    const TOgrSummary kml =
        OgrInfo("--config GDAL_SKIP LIBKML -ro -al '/vsizip/" + kmz + "/" + base + ".kml'");
    for (const TOgrSummary* ogr : {&libkml, &kml}) {
        ASSERT_TRUE(ogr->Ran);
        EXPECT_EQ(ogr->Features, static_cast<int>(s.Placemarks.size())) << ogr->Driver;
        EXPECT_GT(ogr->Coordinates, 0);
        EXPECT_EQ(ogr->BadCoordinates, 0) << ogr->Driver;
        for (const auto& [name, count] : PlacemarksByFolder(s)) EXPECT_EQ(ogr->CountOf(name), count) << name;
    }
    EXPECT_EQ(libkml.Driver, "LIBKML");
    EXPECT_EQ(kml.Driver, "KML");
}

} // namespace

TEST(IndependentReaders, ReadTheTask)
{
    if (!HaveOgrinfo()) GTEST_SKIP() << "ogrinfo is not installed";
    TExportPlace place;
    TTaskFixture fx("A&B", "<B>", "C\xE9");
    KmlFile kml;
    ASSERT_TRUE(kml.Open("task"));
    kml.BeginFolder("Doc", kvVisible);
    kml.WriteTask("3: NAV - 1", &fx.Task);
    kml.EndFolder();
    kml.Close();
    ExpectReadersAgree(place.Dir.Path().string(), "task");
}

// A real log, analysed against a task laid along it.
TEST(IndependentReaders, ReadARealFlight)
{
    if (!HaveOgrinfo()) GTEST_SKIP() << "ogrinfo is not installed";
    const std::string log = ZEPH_SHARED_DATA_DIR "/igc/derived/go-igc__0042.igc";
    if (!std::filesystem::exists(log)) GTEST_SKIP() << "no real logs here";
    TExportPlace place;
    TTrack track;
    TIgcFile igc(log, &track);
    ASSERT_TRUE(igc.Read());
    ASSERT_GT(track.Points.size(), 8000u);

    TWayPointSet set;
    TTaskInstance task;
    std::vector<TTurnPoint*> tps;
    for (int i = 1; i <= 3; ++i) {
        const TLocation& at = track.Points[track.Points.size() * i / 4].Location;
        tps.push_back(new TTurnPoint(set.Add(TWayPoint(at, "TP" + std::to_string(i))), 200.0));
        task.AddTurnPoint(tps.back());
    }
    auto* leg = new TStraightLeg(tps[0], tps[1], 300.0);
    task.AddStraightLeg(leg);
    task.AddGate(new TGate(leg, 50.0, 500.0));
    track.FindEvents(&task);
    ASSERT_GT(track.Events.size(), 1000u);

    KmlFile kml;
    ASSERT_TRUE(kml.Open("real"));
    kml.BeginFolder("Doc", kvVisible);
    kml.WriteTrack("0042", track);
    kml.WriteTask("1: REAL - 1", &task);
    kml.WriteEvents(track, kvInherit);
    kml.EndFolder();
    kml.Close();
    ExpectReadersAgree(place.Dir.Path().string(), "real");
    const TKmlSummary s = Summarise(place.File("real.kmz"));
    EXPECT_EQ(s.Placemarks.size(), 1 + 2 * (3 + 1 + 1) + track.Events.size());
    EXPECT_EQ(s.Placemarks[0].Coordinates, static_cast<int>(track.Points.size()));
}

// The task number export: task, two analysed flights (one a real log when
// the shared data is there), names with "&", "<" and accents.
TEST(IndependentReaders, ReadTheTaskNumberExport)
{
    if (!HaveOgrinfo()) GTEST_SKIP() << "ogrinfo is not installed";
    TExportPlace place;
    TChampExport fx(place.Dir.Path().string());
    ASSERT_TRUE(fx.Load(fx.Task3, "12"));
    ASSERT_TRUE(fx.Load(fx.Task3, "7"));
    { KmlFile kml(fx.Task3); }
    ExpectReadersAgree(place.Dir.Path().string(), "ML_3");
}
