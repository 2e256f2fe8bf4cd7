#pragma once
// A task over real places, the working folder and the open hook of one
// export test.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Checkelements.h"
#include "model/Task.h"
#include "model/Waypoint.h"
#include "platform/Hooks.h"

namespace kmltest {

inline TWayPoint MakeWayPoint(const std::string& code, double latDeg, double lonDeg)
{
    return TWayPoint(TLocation(TGeoCoord{DegToRad(lonDeg), DegToRad(latDeg), 0.0}, DefaultDatum()), code);
}

// Exports land in a fresh folder; the files handed to the desktop are
// recorded.
struct TExportPlace {
    TExportPlace()
    {
        Hooks->WorkingFolder = [this] { return Dir.Path().string(); };
        Hooks->OpenWithDesktop = [this](const std::string& path) {
            Opened.push_back(path);
            return true;
        };
        Hooks->ShowMessage = [this](const std::string& text) { Messages.push_back(text); };
    }
    std::string File(const std::string& name) const { return Dir.File(name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Dir.Path() / name); }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(Dir.Path())) names.push_back(e.path().filename());
        return names;
    }

    TempDir Dir;
    TScopedHooks Hooks;
    std::vector<std::string> Opened;
    std::vector<std::string> Messages;
};

// Turn points A, B, C (the waypoint codes given), the straight legs A - B
// and B - C, an arc leg A - M - C, a zone, a gate on A and one at half of
// A - B.
struct TTaskFixture {
    explicit TTaskFixture(const std::string& a = "A", const std::string& b = "B", const std::string& c = "C")
    {
        WA = Set.Add(MakeWayPoint(a, 46.50, 7.50));
        WB = Set.Add(MakeWayPoint(b, 46.55, 7.62));
        WC = Set.Add(MakeWayPoint(c, 46.45, 7.70));
        WM = Set.Add(MakeWayPoint("M", 46.40, 7.55));
        TA = new TTurnPoint(WA, 400.0);
        TB = new TTurnPoint(WB, 300.0);
        TC = new TTurnPoint(WC, 500.0);
        TM = new TTurnPoint(WM, 200.0);
        Task.AddTurnPoint(TA);
        Task.AddTurnPoint(TB);
        Task.AddTurnPoint(TC);
        Task.AddTurnPoint(TM);
        AB = new TStraightLeg(TA, TB, 250.0);
        BC = new TStraightLeg(TB, TC, 250.0);
        Task.AddStraightLeg(AB);
        Task.AddStraightLeg(BC);
        Task.AddArcLeg(new TArcLeg(TA, TC, TM, 300.0));
        Task.AddZone(new TZone());
        GateA = new TGate(WA, 45.0, 150.0);
        GateAB = new TGate(AB, 50.0, 200.0);
        Task.AddGate(GateA);
        Task.AddGate(GateAB);
    }

    TWayPointSet Set;
    TTaskInstance Task;
    TWayPoint *WA, *WB, *WC, *WM;
    TTurnPoint *TA, *TB, *TC, *TM;
    TStraightLeg *AB, *BC;
    TGate *GateA, *GateAB;
};

} // namespace kmltest
