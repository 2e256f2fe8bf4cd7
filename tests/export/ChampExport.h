#pragma once
// A championship to export: class ML flies task number 3 (turn points A, B,
// C and M, straight legs A - B and B - C, an arc leg, a zone, a gate on A
// and one on A - B) and task number 4 (no task instance). Competitor 12
// flies a made-up flight round A, B, C; competitor 7 a real log when the
// shared data is there (else another made-up flight); 5 is still pending
// and 9 did not fly. Names hold "&", "<" and Windows-1252 letters.

#include <filesystem>
#include <memory>
#include <string>

#include "ExportFixtures.h"
#include "SyntheticIgc.h"
#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "model/Championship.h"

namespace kmltest {

inline const std::string RealLog = ZEPH_SHARED_DATA_DIR "/igc/derived/go-igc__0042.igc";

struct TChampExport {
    explicit TChampExport(const std::string& folder) : Folder(folder)
    {
        Champ.SetAttribute(acShortName, "Cup");
        TWayPointSet& wp = Champ.WayPoints;
        TWayPoint* a = wp.Add(MakeWayPoint("A", 46.50, 7.50));
        TWayPoint* b = wp.Add(MakeWayPoint("B", 46.55, 7.62));
        TWayPoint* c = wp.Add(MakeWayPoint("C", 46.45, 7.70));
        TWayPoint* m = wp.Add(MakeWayPoint("M", 46.40, 7.55));

        Class = new TCClass;
        Class->SetAttribute(acShortName, "ML");
        Class->SetAttribute(acName, "Microlights & <paramotors>");
        Champ.AddClass(Class);
        auto* fra = new TTeam;
        fra->SetAttribute(acIsoCountry, "FRA");
        Champ.AddTeam(fra);
        for (const auto& [number, pilot] : {std::pair<std::string, std::string>{"12", "Zo\xE9 & <Ann>"},
                                            {"7", "Real"},
                                            {"5", "Pending"},
                                            {"9", "Absent"}}) {
            auto* comp = new TCompetitor;
            comp->SetAttribute(acNumber, number);
            comp->SetAttribute(acPilot, pilot);
            Champ.AddCompetitor(comp, fra, Class);
        }

        auto* nav = new TTaskTemplate;
        nav->SetAttribute(acShortName, "NAV");
        Champ.AddTaskTemplate(nav);
        Instance = new TTaskInstance;
        Instance->SetAttribute(acVersion, "1");
        Champ.AddTaskInstance(Instance, nav);
        auto* ta = new TTurnPoint(a, 400.0);
        auto* tb = new TTurnPoint(b, 300.0);
        auto* tc = new TTurnPoint(c, 500.0);
        auto* tm = new TTurnPoint(m, 200.0);
        for (TTurnPoint* tp : {ta, tb, tc, tm}) Instance->AddTurnPoint(tp);
        auto* ab = new TStraightLeg(ta, tb, 250.0);
        Instance->AddStraightLeg(ab);
        Instance->AddStraightLeg(new TStraightLeg(tb, tc, 250.0));
        Instance->AddArcLeg(new TArcLeg(ta, tc, tm, 300.0));
        Instance->AddZone(new TZone());
        Instance->AddGate(new TGate(a, 45.0, 150.0));
        Instance->AddGate(new TGate(ab, 50.0, 200.0));

        Task3 = new TTaskNumber;
        Task3->Instance = Instance;
        Task3->SetAttribute(acNumber, "3");
        Champ.AddTaskNumber(Task3, Class);
        Task4 = new TTaskNumber;
        Task4->SetAttribute(acNumber, "4");
        Champ.AddTaskNumber(Task4, Class);

        auto route = [](const TWayPoint* w) {
            return TRoutePlace{RadToDeg(w->Location.Geo.Lat), RadToDeg(w->Location.Geo.Lon)};
        };
        WriteFileBytes(Folder + "/12T3.igc", SyntheticIgc({route(a), route(b), route(c)}, 2000, 25.0, 9 * 3600, {300}));
        HaveRealLog = std::filesystem::exists(RealLog);
        if (HaveRealLog)
            std::filesystem::copy_file(RealLog, Folder + "/7T3.igc");
        else
            WriteFileBytes(Folder + "/7T3.igc", SyntheticIgc({route(c), route(b), route(a)}, 1500, 20.0, 10 * 3600));
        Flight(Task3, "12")->SetAttribute(acIgcFileName, "12T3.igc");
        Flight(Task3, "7")->SetAttribute(acIgcFileName, "7T3.igc");
        Flight(Task3, "9")->SetDidNotFly();
    }

    TFlight* Flight(TTaskNumber* tn, const std::string& number) { return Class->FlightsOf(tn).FindKey(number); }

    // Reads and analyses a flight's track as showing it does.
    TTrack* Load(TTaskNumber* tn, const std::string& number)
    {
        TFlight* f = Flight(tn, number);
        f->ReadTrack(Folder + "/" + f->GetAttribute(acIgcFileName));
        f->Analyse();
        return f->Track();
    }

    std::string Folder;
    TChampionship Champ;
    TCClass* Class;
    TTaskInstance* Instance;
    TTaskNumber* Task3;
    TTaskNumber* Task4;
    bool HaveRealLog = false;
};

// Placemarks of the task above: two per turn point, leg and gate.
inline constexpr std::size_t TaskPlacemarks = 2 * (4 + 2 + 2);

} // namespace kmltest
