#pragma once
// Places, waypoints and a recorded table activation for the waypoint and
// task tests.

#include <string>
#include <utility>
#include <vector>

#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Waypoint.h"
#include "platform/Hooks.h"

inline TLocation At(double latDeg, double lonDeg)
{
    return TLocation(TGeoCoord{DegToRad(lonDeg), DegToRad(latDeg), 0.0}, DefaultDatum());
}

inline TWayPoint MakeWayPoint(const std::string& code, double latDeg, double lonDeg, const std::string& description = {})
{
    return TWayPoint(At(latDeg, lonDeg), code, description);
}

// Every ActivateTable call while the object lives.
struct TRecordedActivations {
    TRecordedActivations()
    {
        Hooks->ActivateTable = [this](TStringGrid* grid, TNodeDescription* node) { Calls.emplace_back(grid, node); };
    }
    std::vector<std::pair<TStringGrid*, TNodeDescription*>> Calls;
    TScopedHooks Hooks;
};
