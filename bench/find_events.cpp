// The event search on a generated 40 000-fix flight (one fix a second, about
// 1 000 km of laps over a 60 km circuit) against 10 turn points, 5 gates and
// 5 straight legs. Also without the skipping of tests that cannot change
// anything, for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/Track.h"
#include "model/Checkelements.h"
#include "model/Task.h"
#include "model/Waypoint.h"

namespace {

struct TFlightCase {
    std::vector<std::unique_ptr<TWayPoint>> WayPoints;
    TTaskInstance Instance;
    TTrack Track;
};

TLocation Around(const TLocation& centre, double course, double distance) { return centre.Destination(course, distance); }

TFlightCase& Case()
{
    static TFlightCase* c = [] {
        auto* f = new TFlightCase;
        const TLocation centre(TGeoCoord{DegToRad(8.0), DegToRad(47.0), 0.0});
        std::vector<TTurnPoint*> tps;
        for (int i = 0; i < 10; ++i) {
            f->WayPoints.push_back(
                std::make_unique<TWayPoint>(Around(centre, i * 36.0, 10000.0 + 500.0 * i), "TP" + std::to_string(i)));
            auto* tp = new TTurnPoint(f->WayPoints.back().get(), 400.0);
            f->Instance.AddTurnPoint(tp);
            tps.push_back(tp);
        }
        for (int i = 0; i < 5; ++i) {
            f->Instance.AddStraightLeg(new TStraightLeg(tps[2 * i], tps[2 * i + 1], 500.0));
            f->WayPoints.push_back(
                std::make_unique<TWayPoint>(Around(centre, i * 72.0 + 18.0, 9000.0), "G" + std::to_string(i)));
            f->Instance.AddGate(new TGate(f->WayPoints.back().get(), i * 72.0 + 108.0, 1000.0));
        }
        // Laps through the turn points in order, 25 m/s, wobbling.
        std::mt19937 rng(3);
        std::normal_distribution<double> wobble(0.0, 3.0);
        TLocation at = tps[0]->Location;
        int target = 1;
        for (int t = 0; t < 40000; ++t) {
            const TLocation& goal = tps[target]->Location;
            if (at.Distance(goal) < 100.0) target = (target + 1) % 10;
            at = at.Destination(at.Course(goal) + wobble(rng), 25.0 + wobble(rng));
            f->Track.AddPoint(TTrackPoint(1700000000 + t, at.Geo.Lat, at.Geo.Lon, Validity3D, 1000.0, 1000.0,
                                          f->Track.Datum));
        }
        return f;
    }();
    return *c;
}

void Search(benchmark::State& state, bool prune)
{
    TFlightCase& c = Case();
    TTrack::PruneSearch = prune;
    for (auto _ : state) {
        ++c.Instance.ChangeCount; // defeats the memo
        c.Track.FindEvents(&c.Instance);
        benchmark::DoNotOptimize(c.Track.Events.size());
    }
    TTrack::PruneSearch = true;
    state.counters["fixes"] = static_cast<double>(c.Track.Points.size());
    state.counters["events"] = static_cast<double>(c.Track.Events.size());
}

void BM_FindEvents(benchmark::State& state) { Search(state, true); }
BENCHMARK(BM_FindEvents)->Unit(benchmark::kMillisecond);

void BM_FindEventsWithoutSkipping(benchmark::State& state) { Search(state, false); }
BENCHMARK(BM_FindEventsWithoutSkipping)->Unit(benchmark::kMillisecond);

} // namespace
