// Memory and time of very long IGC logs, a fix a second at IGC resolution (so
// nearly every fix is also a "High acceleration" event), analysed against a
// task of four turn points over a 2000 x 2000 map.
//   BM_SelectLog/N   a click on the flight in the main window: the log found,
//                    read, analysed, the table filled and shown, the map drawn
//   BM_CoreStages/N  the same steps by the core alone, one after the other
// Counters: "peak_MiB" is the highest resident memory above what the process
// held before the click (the kernel's high-water mark, reset first);
// "B_per_fix" the same per fix of the log; "refused" 1 when the log was not
// loaded; for the stages, the peak per fix of each step and what the track
// and table keep afterwards ("kept_B_per_fix").
//
// Logs of more than MaxLogFixes fixes are refused before they are read.
// Run one case per process for clean figures, e.g.
//   build/bin/bench_big_logs --benchmark_filter=SelectLog/1000000/
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <QApplication>
#include <QImage>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FlightScene.h"
#include "QtBenchmarkMain.h"
#include "analysis/Flight.h"
#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "platform/Hooks.h"
#include "platform/StringGrid.h"
#include "ui/MapWindow.h"
#include "ui/Program.h"
#include "ui/Seams.h"
#include "ui/TreeView.h"
#include "ui/UZephyrant.h"
#include "ui/Userinterface.h"

namespace {

// Kilobytes of a line of /proc/self/status ("VmRSS", "VmHWM").
double StatusKiB(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1));
    return 0.0;
}

// Gives freed memory back and starts the high-water mark anew; the resident
// memory now, in bytes.
double StartPeak()
{
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return StatusKiB("VmRSS") * 1024.0;
}

double PeakAbove(double base)
{
    return StatusKiB("VmHWM") * 1024.0 - base;
}

// The flight's task of four turn points over a 2000 x 2000 map, and its log
// of `fixes` fixes.
struct TScene : TFlightScene {
    explicit TScene(int fixes)
        : TFlightScene(
              2000,
              [](TChampionship& champ, TTaskInstance* instance) {
                  std::vector<kmltest::TRoutePlace> route;
                  int i = 0;
                  for (auto [x, y] : {std::pair{400, 400}, {1600, 400}, {1600, 1600}, {400, 1600}}) {
                      const TLocation at = AtPixel(x, y);
                      route.push_back({RadToDeg(at.Geo.Lat), RadToDeg(at.Geo.Lon)});
                      instance->AddTurnPoint(
                          new TTurnPoint(champ.WayPoints.Add(TWayPoint(at, "TP" + std::to_string(i++))), 400.0));
                  }
                  return route;
              },
              [fixes](const std::vector<kmltest::TRoutePlace>& route) {
                  return kmltest::SyntheticIgc(route, fixes, 25.0, 0);
              })
    {
    }
};

void BM_SelectLog(benchmark::State& state)
{
    const int fixes = static_cast<int>(state.range(0));
    TScene scene(fixes);
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    TProgram program({});
    TZephyrant& w = program.MainWindow();
    w.Graf->setFixedSize(1200, 800);
    w.show();
    QApplication::processEvents();
    w.OpenChamp(QString::fromStdString(scene.File));
    TChampionship* champ = *UserInterface.Championships.begin();
    TCClass* cls = champ->FindClass("ML");
    TFlight* flight = cls->FlightsOf(cls->TaskNumbers.FindKey("03")).FindKey("1");
    TTreeItem* item = nullptr;
    for (int i = 0; i < w.ChampTree.Count(); ++i)
        if (w.ChampTree.ItemAt(i)->Object() == flight) item = w.ChampTree.ItemAt(i);

    double peak = 0.0;
    for (auto _ : state) {
        const double base = StartPeak();
        w.TreeChamp->setCurrentItem(w.TreeChamp->ViewItem(item));
        QApplication::processEvents();
        peak = PeakAbove(base);
    }
    state.counters["fixes"] = fixes;
    state.counters["rows"] = w.TableForTrack.RowCount();
    state.counters["refused"] = flight->Track() ? 0 : 1;
    state.counters["peak_MiB"] = peak / (1 << 20);
    state.counters["B_per_fix"] = peak / fixes;
}
// 11.6 days at one fix a second; the longest log read; the shortest refused;
// the 2.8 M fixes that took 3.5 GB before logs were bounded.
BENCHMARK(BM_SelectLog)
    ->Arg(1000000)
    ->Arg(MaxLogFixes)
    ->Arg(MaxLogFixes + 1)
    ->Arg(2800000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

void BM_CoreStages(benchmark::State& state)
{
    const int fixes = static_cast<int>(state.range(0));
    TScene scene(fixes);
    TScopedHooks hooks;
    hooks->ActivateTable = nullptr;
    hooks->ShowMessage = [](const std::string&) {};
    auto champ = std::make_unique<TChampionship>(scene.File);
    TCClass* cls = champ->FindClass("ML");
    TFlight* flight = cls->FlightsOf(cls->TaskNumbers.FindKey("03")).FindKey("1");
    TMap* map = champ->Maps.FindKey("MAP");
    TStringGrid grid(12, 2);
    for (auto _ : state) {
        const double base = StartPeak();
        flight->ReadTrack(scene.Log);
        state.counters["read_B_per_fix"] = PeakAbove(base) / fixes;
        if (!flight->Track()) continue;
        double start = StartPeak();
        flight->Analyse();
        state.counters["analyse_B_per_fix"] = PeakAbove(start) / fixes;
        start = StartPeak();
        flight->FillGrid(&grid);
        state.counters["table_B_per_fix"] = PeakAbove(start) / fixes;
        map->Georef.Calculate(map->ProjectionKind);
        start = StartPeak();
        flight->Track()->ProjectToMap(map);
        state.counters["map_B_per_fix"] = PeakAbove(start) / fixes;
        state.counters["kept_B_per_fix"] = (StartPeak() - base) / fixes;
    }
    state.counters["events"] = flight->Track() ? static_cast<double>(flight->Track()->Events.size()) : 0;
}
BENCHMARK(BM_CoreStages)->Arg(1000000)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

ZEPH_QT_BENCHMARK_MAIN()
