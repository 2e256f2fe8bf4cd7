#pragma once
// The championship that the flight benchmarks click through, in a folder of
// its own: class ML, team FRA, competitor 1 ("Pilot"), task template NAV whose
// version 1 is task number 03, and a UTM map of mapSide x mapSide pixels at
// 10 m a pixel that "lastmap" names. Each benchmark puts its own check
// elements into the task and gives its own log (1T03A.igc) and map picture.

#include <QColor>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../tests/export/SyntheticIgc.h"
#include "model/Championship.h"

struct TFlightScene {
    static TLocation AtPixel(double x, double y)
    {
        const TUtmCoord utm(400000.0 + x * 10.0, 5230000.0 - y * 10.0, 0.0, "32T");
        return TLocation(utm.ToGeo(DefaultDatum()->Ellipsoid));
    }

    // `task` fills the task instance and returns the route the log flies;
    // `log` writes the log's text for that route; `paint` draws over the
    // plain map.
    TFlightScene(int mapSide, const std::function<std::vector<kmltest::TRoutePlace>(TChampionship&, TTaskInstance*)>& task,
                 const std::function<std::string(const std::vector<kmltest::TRoutePlace>&)>& log,
                 const std::function<void(QImage&)>& paint = {})
    {
        char pattern[] = "/tmp/zeph_bench_XXXXXX";
        Folder = ::mkdtemp(pattern);
        TChampionship champ;
        champ.SetAttribute(acShortName, "BENCH");
        auto* cls = new TCClass;
        cls->SetAttribute(acShortName, "ML");
        champ.AddClass(cls);
        auto* team = new TTeam;
        team->SetAttribute(acIsoCountry, "FRA");
        champ.AddTeam(team);
        auto* competitor = new TCompetitor;
        competitor->SetAttribute(acNumber, "1");
        competitor->SetAttribute(acPilot, "Pilot");
        champ.AddCompetitor(competitor, team, cls);
        auto* nav = new TTaskTemplate;
        nav->SetAttribute(acShortName, "NAV");
        champ.AddTaskTemplate(nav);
        auto* instance = new TTaskInstance;
        instance->SetAttribute(acVersion, "1");
        champ.AddTaskInstance(instance, nav);
        const std::vector<kmltest::TRoutePlace> route = task(champ, instance);
        auto* taskNumber = new TTaskNumber;
        taskNumber->Instance = instance;
        taskNumber->SetAttribute(acNumber, "03");
        champ.AddTaskNumber(taskNumber, cls);

        auto* map = new TMap;
        map->SetAttribute(acShortName, "MAP");
        map->SetAttribute(acMapFile, "map.bmp");
        map->SetAttribute(acDatum, "WGS 84");
        map->SetAttribute(acRegion, "Global");
        map->SetAttribute(acProjection, "UTM");
        champ.AddMap(map);
        for (auto [x, y] : {std::pair{0, 0}, {mapSide, 0}, {0, mapSide}, {mapSide, mapSide}})
            map->Georef.AddRef(new TMapRef(x, y, AtPixel(x, y)));
        QImage image(mapSide, mapSide, QImage::Format_RGB32);
        image.fill(QColor(220, 230, 200));
        if (paint) paint(image);
        image.save(QString::fromStdString(Folder + "/map.bmp"), "BMP");
        std::ofstream(Folder + "/lastmap", std::ios::binary) << "MAP";

        Log = Folder + "/1T03A.igc";
        std::ofstream(Log, std::ios::binary) << log(route);
        File = Folder + "/bench.xch";
        champ.Save(File);
    }
    ~TFlightScene() { std::filesystem::remove_all(Folder); }
    TFlightScene(const TFlightScene&) = delete;
    TFlightScene& operator=(const TFlightScene&) = delete;

    std::string Folder;
    std::string File;
    std::string Log;
};
