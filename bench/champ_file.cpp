// Loading and saving a large championship: 10 classes, 60 teams, 300
// competitors, 20 task numbers per class (6 000 flights), 2 000 waypoints,
// 20 maps with 30 references each, a catalogue of 10 templates with two
// instances each; and xmllint --noout on the same file for comparison (when
// installed).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "analysis/Flight.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Championship.h"
#include "platform/Hooks.h"

#include "BenchRandom.h"

namespace {


TLocation At(double lat, double lon, const TDatum* datum = DefaultDatum())
{
    return TLocation(TGeoCoord{DegToRad(lon), DegToRad(lat), 0.0}, datum);
}

std::unique_ptr<TChampionship> Generate()
{
    Lcg r;
    auto champ = std::make_unique<TChampionship>();
    champ->SetAttribute(acShortName, "EMC 2026");
    champ->SetAttribute(acName, "European Microlight Championship");
    for (int i = 0; i < 2000; ++i)
        champ->WayPoints.Add(TWayPoint(At(r.Real(45, 49), r.Real(16, 22)), "WP" + std::to_string(i),
                                       Word(r, 6) + " & " + Word(r, 8)));
    for (int m = 0; m < 20; ++m) {
        auto* map = new TMap;
        map->SetAttribute(acShortName, "Map" + std::to_string(m));
        map->SetAttribute(acMapFile, "map" + std::to_string(m) + ".bmp");
        map->SetAttribute(acDatum, "WGS 84");
        map->SetAttribute(acRegion, "Global");
        map->SetAttribute(acProjection, "UTM");
        champ->AddMap(map);
        for (int k = 0; k < 30; ++k)
            map->Georef.AddRef(new TMapRef(static_cast<int>(r.Next(8000)), 100 * k + static_cast<int>(r.Next(100)),
                                           At(r.Real(45, 49), r.Real(16, 22), map->GetDatum())));
    }
    std::vector<TTaskInstance*> instances;
    for (int t = 0; t < 10; ++t) {
        auto* tmpl = new TTaskTemplate;
        tmpl->SetAttribute(acShortName, "T" + std::to_string(t));
        tmpl->SetAttribute(acName, Word(r, 10));
        champ->AddTaskTemplate(tmpl);
        for (int v = 1; v <= 2; ++v) {
            auto* inst = new TTaskInstance;
            inst->SetAttribute(acVersion, std::to_string(v));
            champ->AddTaskInstance(inst, tmpl);
            instances.push_back(inst);
            TTurnPoint* previous = nullptr;
            for (int p = 0; p < 8; ++p) {
                auto* tp = new TTurnPoint(champ->WayPoints.Find("WP" + std::to_string(100 * t + 10 * p + v)), 300);
                if (!inst->AddTurnPoint(tp)) {
                    delete tp;
                    continue;
                }
                if (previous) {
                    auto* leg = new TStraightLeg(previous, tp, 500);
                    inst->AddStraightLeg(leg);
                    inst->AddGate(new TGate(leg, 50.0, 200));
                }
                previous = tp;
            }
        }
    }
    std::vector<TCClass*> classes;
    for (int c = 0; c < 10; ++c) {
        auto* cls = new TCClass;
        cls->SetAttribute(acShortName, "C" + std::to_string(c));
        cls->SetAttribute(acName, Word(r, 8));
        champ->AddClass(cls);
        classes.push_back(cls);
    }
    std::vector<TTeam*> teams;
    for (int t = 0; t < 60; ++t) {
        auto* team = new TTeam;
        team->SetAttribute(acIsoCountry, "T" + std::to_string(100 + t));
        team->SetAttribute(acShortName, Word(r, 7));
        champ->AddTeam(team);
        teams.push_back(team);
    }
    for (int p = 0; p < 300; ++p) {
        auto* c = new TCompetitor;
        c->SetAttribute(acNumber, std::to_string(p + 1));
        c->SetAttribute(acPilot, Word(r, 6) + " " + Word(r, 9));
        c->SetAttribute(acNavigator, Word(r, 6) + " " + Word(r, 9));
        c->SetAttribute(acRegistration, "HA-" + Word(r, 4));
        champ->AddCompetitor(c, teams[static_cast<std::size_t>(p % 60)], classes[static_cast<std::size_t>(p % 10)]);
    }
    for (TCClass* cls : classes) {
        for (int n = 1; n <= 20; ++n) {
            auto* tn = new TTaskNumber;
            tn->SetAttribute(acNumber, std::to_string(n));
            tn->Instance = instances[r.Next(static_cast<std::uint32_t>(instances.size()))];
            champ->AddTaskNumber(tn, cls);
            for (TFlight* flight : cls->FlightsOf(tn))
                flight->SetAttribute(acIgcFileName, flight->KeyValue() + "T" + std::to_string(n) + "V1.igc");
        }
    }
    return champ;
}

const std::string& File()
{
    static const std::string file = [] {
        const std::string name = std::filesystem::temp_directory_path().string() + "/zephyrant-bench-champ-" +
                                 std::to_string(::getpid()) + ".xch";
        Generate()->Save(name);
        std::atexit([] { std::filesystem::remove(File()); });
        return name;
    }();
    return file;
}

void BM_Load(benchmark::State& state)
{
    const std::string& file = File();
    std::size_t flights = 0;
    for (auto _ : state) {
        TChampionship champ(file);
        for (TCClass* cls : champ.Classes)
            for (TTaskNumber* tn : cls->TaskNumbers) flights += cls->FlightsOf(tn).size();
    }
    state.counters["flights"] = static_cast<double>(flights / state.iterations());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state)
{
    TChampionship champ(File());
    const std::string out = File() + ".out";
    for (auto _ : state) champ.Save(out);
    std::filesystem::remove(out);
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

void BM_XmllintNoout(benchmark::State& state)
{
    const std::string& file = File();
    if (std::system("xmllint --version >/dev/null 2>&1") != 0) {
        state.SkipWithError("xmllint not installed");
        return;
    }
    const std::string command = "xmllint --noout '" + file + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("xmllint failed");
            return;
        }
    }
}
BENCHMARK(BM_XmllintNoout)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
