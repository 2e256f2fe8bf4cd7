// The Google Earth exports of long flights. A 40 000-fix flight (one fix a
// second, IGC resolution, so that most fixes are "High acceleration"
// events) is analysed against 10 turn points, 5 straight legs and 5 gates;
// 30 competitors fly it in one task number. Measured: the flight export,
// the same document left unpacked, and the task number export. The
// counters give the events and the file sizes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../tests/export/SyntheticIgc.h"
#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "export/Googleearth.h"
#include "model/Championship.h"
#include "platform/Hooks.h"

namespace {

constexpr int Fixes = 40000;
constexpr int Competitors = 30;

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

        Class = new TCClass;
        Class->SetAttribute(acShortName, "ML");
        Champ.AddClass(Class);
        auto* team = new TTeam;
        team->SetAttribute(acIsoCountry, "FRA");
        Champ.AddTeam(team);
        for (int i = 1; i <= Competitors; ++i) {
            auto* c = new TCompetitor;
            c->SetAttribute(acNumber, std::to_string(i));
            c->SetAttribute(acPilot, "Pilot " + std::to_string(i));
            Champ.AddCompetitor(c, team, Class);
        }

        auto* nav = new TTaskTemplate;
        nav->SetAttribute(acShortName, "NAV");
        Champ.AddTaskTemplate(nav);
        auto* instance = new TTaskInstance;
        instance->SetAttribute(acVersion, "1");
        Champ.AddTaskInstance(instance, nav);
        const TLocation centre(TGeoCoord{DegToRad(8.0), DegToRad(47.0), 0.0});
        std::vector<kmltest::TRoutePlace> route;
        std::vector<TTurnPoint*> tps;
        for (int i = 0; i < 10; ++i) {
            const TLocation at = centre.Destination(i * 36.0, 10000.0 + 500.0 * i);
            route.push_back({RadToDeg(at.Geo.Lat), RadToDeg(at.Geo.Lon)});
            tps.push_back(new TTurnPoint(Champ.WayPoints.Add(TWayPoint(at, "TP" + std::to_string(i))), 400.0));
            instance->AddTurnPoint(tps.back());
        }
        for (int i = 0; i < 5; ++i) {
            instance->AddStraightLeg(new TStraightLeg(tps[2 * i], tps[2 * i + 1], 500.0));
            TWayPoint* w = Champ.WayPoints.Add(
                TWayPoint(centre.Destination(i * 72.0 + 18.0, 9000.0), "G" + std::to_string(i)));
            instance->AddGate(new TGate(w, i * 72.0 + 108.0, 1000.0));
        }
        TaskNumber = new TTaskNumber;
        TaskNumber->Instance = instance;
        TaskNumber->SetAttribute(acNumber, "3");
        Champ.AddTaskNumber(TaskNumber, Class);

        const std::string igc = Folder + "/long.igc";
        std::FILE* f = std::fopen(igc.c_str(), "wb");
        const std::string text = kmltest::SyntheticIgc(route, Fixes, 25.0, 3600, {500, 20000});
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        for (TFlight* flight : Class->FlightsOf(TaskNumber)) {
            flight->SetAttribute(acIgcFileName, "long.igc");
            flight->ReadTrack(igc);
            flight->Analyse();
        }
        Flight = Class->FlightsOf(TaskNumber).FindKey("1");
    }
    ~TScene() { std::filesystem::remove_all(Folder); }

    std::string Folder;
    std::string Kept;
    TChampionship Champ;
    TCClass* Class;
    TTaskNumber* TaskNumber;
    TFlight* Flight;
};

TScene& Scene()
{
    static TScene scene;
    return scene;
}

void Sizes(benchmark::State& state, const TScene& scene)
{
    state.counters["events"] = static_cast<double>(scene.Flight->Track()->Events.size());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(scene.Kept));
}

void BM_FlightExport(benchmark::State& state)
{
    TScene& scene = Scene();
    for (auto _ : state) KmlFile kml(scene.Flight);
    Sizes(state, scene);
}
BENCHMARK(BM_FlightExport)->Unit(benchmark::kMillisecond);

// Writing alone: a folder in the archive's place makes packing fail at
// once, and the plain KML is kept.
void BM_FlightExportUnpacked(benchmark::State& state)
{
    TScene& scene = Scene();
    const std::string blocker = scene.Folder + "/ML_3_1.kmz";
    std::filesystem::remove(blocker);
    std::filesystem::create_directory(blocker);
    for (auto _ : state) KmlFile kml(scene.Flight);
    Sizes(state, scene);
    std::filesystem::remove(scene.Folder + "/ML_3_1.kml");
    std::filesystem::remove(blocker);
}
BENCHMARK(BM_FlightExportUnpacked)->Unit(benchmark::kMillisecond);

void BM_TaskNumberExport(benchmark::State& state)
{
    TScene& scene = Scene();
    for (auto _ : state) KmlFile kml(scene.TaskNumber);
    Sizes(state, scene);
}
BENCHMARK(BM_TaskNumberExport)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
