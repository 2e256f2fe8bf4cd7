// A 40 000-fix flight through the user interface. One fix a second at IGC
// resolution (so most fixes are "High acceleration" events), analysed
// against 10 turn points, 5 legs and 5 gates, over a 4000 x 4000 map.
//   BM_CoreReadAndAnalyse   the core alone: read the log, find the events
//   BM_FillTable            the flight's table filled into the Qt model and shown
//   BM_FillGridAlone        the same table filled by the core without a view
//   BM_SelectFlight         a click on the flight in the main window: the log
//                           found and read, analysed, the table filled, the map
//                           drawn; its counter "of_core" is the ratio to the
//                           core alone, measured in the same run
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "FlightScene.h"
#include "QtBenchmarkMain.h"
#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "platform/Hooks.h"
#include "platform/StringGrid.h"
#include "ui/GridView.h"
#include "ui/MapWindow.h"
#include "ui/Program.h"
#include "ui/Seams.h"
#include "ui/TreeView.h"
#include "ui/UZephyrant.h"
#include "ui/Userinterface.h"

namespace {

constexpr int Fixes = 40000;
constexpr int MapSide = 4000;

// 10 turn points on a circle, a straight leg between each pair of them and 5
// gates; the map with a line every 100 pixels.
struct TScene : TFlightScene {
    TScene()
        : TFlightScene(
              MapSide,
              [](TChampionship& champ, TTaskInstance* instance) {
                  std::vector<kmltest::TRoutePlace> route;
                  std::vector<TTurnPoint*> tps;
                  for (int i = 0; i < 10; ++i) {
                      const double a = i * 36.0 * 3.14159265 / 180.0;
                      const TLocation at = AtPixel(2000 + 1200 * std::sin(a), 2000 - 1200 * std::cos(a));
                      route.push_back({RadToDeg(at.Geo.Lat), RadToDeg(at.Geo.Lon)});
                      tps.push_back(
                          new TTurnPoint(champ.WayPoints.Add(TWayPoint(at, "TP" + std::to_string(i))), 400.0));
                      instance->AddTurnPoint(tps.back());
                  }
                  for (int i = 0; i < 5; ++i) {
                      instance->AddStraightLeg(new TStraightLeg(tps[2 * i], tps[2 * i + 1], 500.0));
                      TWayPoint* w = champ.WayPoints.Add(
                          TWayPoint(AtPixel(2000 + 900 * std::sin(i), 2000 - 900 * std::cos(i)), "G" + std::to_string(i)));
                      instance->AddGate(new TGate(w, i * 72.0 + 108.0, 1000.0));
                  }
                  return route;
              },
              [](const std::vector<kmltest::TRoutePlace>& route) {
                  return kmltest::SyntheticIgc(route, Fixes, 25.0, 3600, {500, 20000});
              },
              [](QImage& image) {
                  QPainter painter(&image);
                  for (int i = 0; i < MapSide; i += 100) painter.fillRect(i, 0, 2, MapSide, QColor(120, 140, 200));
              })
    {
    }
};

TScene& Scene()
{
    static TScene scene;
    return scene;
}

// The program's window on the bench championship, answering nothing.
struct TWindow {
    TWindow()
    {
        Program.MainWindow().Graf->setFixedSize(1200, 800);
        Program.MainWindow().show();
        QApplication::processEvents();
        Program.MainWindow().OpenChamp(QString::fromStdString(Scene().File));
        TChampionship* champ = *UserInterface.Championships.begin();
        TCClass* cls = champ->FindClass("ML");
        Flight = cls->FlightsOf(cls->TaskNumbers.FindKey("03")).FindKey("1");
    }
    TTreeItem* FlightItem()
    {
        TZephyrant& w = Program.MainWindow();
        for (int i = 0; i < w.ChampTree.Count(); ++i)
            if (w.ChampTree.ItemAt(i)->Object() == Flight) return w.ChampTree.ItemAt(i);
        return nullptr;
    }

    std::shared_ptr<TScriptedSeams> Script = TScriptedSeams::Create();
    TScopedSeams Seams{Script->Install()};
    TProgram Program{{}};
    TFlight* Flight = nullptr;
};

double CoreSeconds = 0.0;

void BM_CoreReadAndAnalyse(benchmark::State& state)
{
    TWindow window;
    double total = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        window.Flight->ReadTrack(Scene().Log);
        window.Flight->Analyse();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    CoreSeconds = total / static_cast<double>(state.iterations());
    state.counters["events"] = static_cast<double>(window.Flight->Track()->Events.size());
}
BENCHMARK(BM_CoreReadAndAnalyse)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FillTable(benchmark::State& state)
{
    TWindow window;
    window.Flight->ReadTrack(Scene().Log);
    window.Flight->Analyse();
    TZephyrant& w = window.Program.MainWindow();
    TGridView* view = w.ViewOf(&w.TableForTrack);
    for (auto _ : state) {
        window.Flight->FillGrid(&w.TableForTrack);
        view->repaint();
    }
    state.counters["rows"] = w.TableForTrack.RowCount();
}
BENCHMARK(BM_FillTable)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SelectFlight(benchmark::State& state)
{
    TWindow window;
    TZephyrant& w = window.Program.MainWindow();
    TTreeItem* root = w.ChampTree.FirstTopLevel();
    double total = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        // Back to a flight whose log is still to be found.
        w.ChampTree.Select(root);
        UserInterface.ClearFlight();
        window.Flight->SetDidNotFly();
        window.Flight->SetAttribute(acIgcFileName, "");
        TTreeItem* item = window.FlightItem();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        w.TreeChamp->setCurrentItem(w.TreeChamp->ViewItem(item));
        QApplication::processEvents();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (!window.Flight->Track()) state.SkipWithError("the log was not found");
    const double seconds = total / static_cast<double>(state.iterations());
    if (CoreSeconds > 0) state.counters["of_core"] = seconds / CoreSeconds;
}
BENCHMARK(BM_SelectFlight)->Unit(benchmark::kMillisecond)->Iterations(5);

// The core's part of BM_FillTable: the grid filled, no view.
void BM_FillGridAlone(benchmark::State& state)
{
    TWindow window;
    window.Flight->ReadTrack(Scene().Log);
    window.Flight->Analyse();
    TStringGrid grid(12, 2);
    Hooks().ActivateTable = nullptr;
    for (auto _ : state) window.Flight->FillGrid(&grid);
}
BENCHMARK(BM_FillGridAlone)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

ZEPH_QT_BENCHMARK_MAIN()
