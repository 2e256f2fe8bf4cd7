// The Google Earth export of long flights: a 40 000-fix flight (one fix a
// second, IGC resolution, so that most fixes are "High acceleration"
// events) analysed against 10 turn points, 5 straight legs and 5 gates, and
// a task number of 30 such flights. The counters give the file sizes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../tests/export/SyntheticIgc.h"
#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "export/Googleearth.h"
#include "model/Checkelements.h"
#include "model/Task.h"
#include "model/Waypoint.h"
#include "platform/Hooks.h"

namespace {

constexpr int Fixes = 40000;

struct TScene {
    TScene()
    {
        char pattern[] = "/tmp/zeph_kml_bench_XXXXXX";
        Folder = ::mkdtemp(pattern);
        Hooks().WorkingFolder = [this] { return Folder; };
        Hooks().OpenWithDesktop = [this](const std::string& path) {
            Kept = path;
            return true;
        };
        const TLocation centre(TGeoCoord{DegToRad(8.0), DegToRad(47.0), 0.0});
        std::vector<kmltest::TRoutePlace> route;
        std::vector<TTurnPoint*> tps;
        for (int i = 0; i < 10; ++i) {
            const TLocation at = centre.Destination(i * 36.0, 10000.0 + 500.0 * i);
            route.push_back({RadToDeg(at.Geo.Lat), RadToDeg(at.Geo.Lon)});
            WayPoints.push_back(std::make_unique<TWayPoint>(at, "TP" + std::to_string(i)));
            tps.push_back(new TTurnPoint(WayPoints.back().get(), 400.0));
            Instance.AddTurnPoint(tps.back());
        }
        for (int i = 0; i < 5; ++i) {
            Instance.AddStraightLeg(new TStraightLeg(tps[2 * i], tps[2 * i + 1], 500.0));
            WayPoints.push_back(
                std::make_unique<TWayPoint>(centre.Destination(i * 72.0 + 18.0, 9000.0), "G" + std::to_string(i)));
            Instance.AddGate(new TGate(WayPoints.back().get(), i * 72.0 + 108.0, 1000.0));
        }
        Igc = kmltest::SyntheticIgc(route, Fixes, 25.0, 3600, {500, 20000});
        TIgcFile reader("bench.igc", &Track);
        reader.ReadContents(Igc);
        Track.FindEvents(&Instance);
    }
    ~TScene() { std::filesystem::remove_all(Folder); }

    std::string Folder;
    std::string Kept;
    std::string Igc;
    std::vector<std::unique_ptr<TWayPoint>> WayPoints;
    TTaskInstance Instance;
    TTrack Track;
};

TScene& Scene()
{
    static TScene scene;
    return scene;
}

void ReportSizes(benchmark::State& state, const TScene& scene)
{
    state.counters["events"] = static_cast<double>(scene.Track.Events.size());
    state.counters["kmz_bytes"] = static_cast<double>(std::filesystem::file_size(scene.Kept));
}

// Track, task and events of one flight, as the flight export writes them.
void BM_FlightDocument(benchmark::State& state)
{
    TScene& scene = Scene();
    for (auto _ : state) {
        KmlFile kml;
        kml.Open("ML_3_12");
        kml.BeginFolder("Class ML Task 3 Compet 12: Pilot", kvVisible);
        kml.WriteTrack("12: Pilot", scene.Track);
        kml.WriteTask("3: NAV - 1", &scene.Instance);
        kml.WriteEvents(scene.Track, kvInherit);
        kml.EndFolder();
        kml.Close();
    }
    ReportSizes(state, scene);
}
BENCHMARK(BM_FlightDocument)->Unit(benchmark::kMillisecond);

// The same without the packing: a folder in the archive's place makes it
// fail at once, and the plain KML is kept.
void BM_FlightDocumentUnpacked(benchmark::State& state)
{
    TScene& scene = Scene();
    std::filesystem::create_directory(scene.Folder + "/ML_3_12u.kmz");
    for (auto _ : state) {
        KmlFile kml;
        kml.Open("ML_3_12u");
        kml.BeginFolder("Class ML Task 3 Compet 12: Pilot", kvVisible);
        kml.WriteTrack("12: Pilot", scene.Track);
        kml.WriteTask("3: NAV - 1", &scene.Instance);
        kml.WriteEvents(scene.Track, kvInherit);
        kml.EndFolder();
        kml.Close();
    }
    std::filesystem::remove(scene.Folder + "/ML_3_12u.kmz");
    state.counters["kml_bytes"] = static_cast<double>(std::filesystem::file_size(scene.Kept));
}
BENCHMARK(BM_FlightDocumentUnpacked)->Unit(benchmark::kMillisecond);

} // namespace
