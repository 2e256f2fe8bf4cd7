// Geodesy hot paths: the projection both ways, the point distance, and the
// segment distance and crossing that the event search calls for every track
// point. Beside them PROJ's transverse Mercator on the same points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geodesy/Base.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"

#ifdef ZEPH_HAVE_PROJ
#include <proj.h>
#endif

namespace {

// Points of a task area in zone 32 (6-12 E, 45-55 N).
const std::vector<TGeoCoord>& Points()
{
    static const std::vector<TGeoCoord> points = [] {
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> lat(45.0, 55.0), lon(6.0, 12.0);
        std::vector<TGeoCoord> p(1024);
        for (auto& g : p) g = {DegToRad(lon(rng)), DegToRad(lat(rng)), 0.0};
        return p;
    }();
    return points;
}

const std::vector<TLocation>& Locations()
{
    static const std::vector<TLocation> locs = [] {
        std::vector<TLocation> l;
        for (const auto& g : Points()) l.emplace_back(g);
        return l;
    }();
    return locs;
}

// A track of small steps near a leg and a gate.
struct TTrackCase {
    std::vector<TLocation> Track;
    TLocation A, B;
    TBaseLine Gate;
};

const TTrackCase& Track()
{
    static const TTrackCase c = [] {
        TTrackCase t;
        std::mt19937 rng(2);
        std::normal_distribution<double> step(0.0, 0.0003);
        TGeoCoord g{DegToRad(8.0), DegToRad(47.5), 0.0};
        for (int i = 0; i < 1024; ++i) {
            g.Lon += DegToRad(0.0004 + step(rng));
            g.Lat += DegToRad(step(rng));
            t.Track.emplace_back(g);
        }
        t.A = TLocation(TGeoCoord{DegToRad(8.0), DegToRad(47.45), 0});
        t.B = TLocation(TGeoCoord{DegToRad(8.4), DegToRad(47.55), 0});
        t.Gate = TBaseLine(TLocation(TGeoCoord{DegToRad(8.2), DegToRad(47.45), 0}),
                           TLocation(TGeoCoord{DegToRad(8.2), DegToRad(47.55), 0}));
        return t;
    }();
    return c;
}

void BM_GeoToUtm(benchmark::State& state)
{
    const auto& pts = Points();
    const TEllipsoid& e = DefaultDatum()->Ellipsoid;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GeoToUtm(pts[i++ & 1023], e));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GeoToUtm);

void BM_ToGeo(benchmark::State& state)
{
    const auto& locs = Locations();
    const TEllipsoid& e = DefaultDatum()->Ellipsoid;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(locs[i++ & 1023].Utm.ToGeo(e));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ToGeo);

void BM_LocationDistance(benchmark::State& state)
{
    const auto& t = Track().Track;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t[i & 1023].Distance(t[(i + 1) & 1023]));
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LocationDistance);

void BM_LocationDistanceAcrossZones(benchmark::State& state)
{
    const auto& locs = Locations();
    const TLocation west(TGeoCoord{DegToRad(5.9), DegToRad(50.0), 0});
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(west.Distance(locs[i++ & 1023]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LocationDistanceAcrossZones);

void BM_DistanceToSegment(benchmark::State& state)
{
    const TTrackCase& c = Track();
    const bool withCourse = state.range(0) != 0;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DistanceToSegment(c.Track[i++ & 1023], c.A, c.B, withCourse));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(withCourse ? "with course" : "without course");
}
BENCHMARK(BM_DistanceToSegment)->Arg(0)->Arg(1);

void BM_Intersect(benchmark::State& state)
{
    const TTrackCase& c = Track();
    const bool withCourse = state.range(0) != 0;
    std::vector<TBaseLine> segments;
    for (std::size_t k = 0; k < 1024; ++k) segments.emplace_back(c.Track[k], c.Track[(k + 1) & 1023]);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(c.Gate.Intersect(segments[i++ & 1023], withCourse));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(withCourse ? "with course" : "without course");
}
BENCHMARK(BM_Intersect)->Arg(0)->Arg(1);

#ifdef ZEPH_HAVE_PROJ

struct TProj {
    TProj() : P(proj_create(PJ_DEFAULT_CTX, "+proj=utm +zone=32 +ellps=WGS84")) {}
    ~TProj() { proj_destroy(P); }
    PJ* P;
};

// Largest difference between PROJ and GeoToUtm on the benchmark points, mm.
double ProjDifferenceMm(PJ* p)
{
    double worst = 0;
    for (const auto& g : Points()) {
        const PJ_COORD c = proj_trans(p, PJ_FWD, proj_coord(g.Lon, g.Lat, 0, 0));
        const TUtmCoord u = GeoToUtm(g, DefaultDatum()->Ellipsoid);
        worst = std::max(worst, std::hypot(c.enu.e - u.X, c.enu.n - u.Y) * 1000.0);
    }
    return worst;
}

void BM_Proj_GeoToUtm(benchmark::State& state)
{
    TProj proj;
    if (!proj.P) {
        state.SkipWithError("PROJ could not create the UTM operation");
        return;
    }
    const auto& pts = Points();
    std::size_t i = 0;
    for (auto _ : state) {
        const TGeoCoord& g = pts[i++ & 1023];
        benchmark::DoNotOptimize(proj_trans(proj.P, PJ_FWD, proj_coord(g.Lon, g.Lat, 0, 0)));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["max_diff_mm"] = ProjDifferenceMm(proj.P);
}
BENCHMARK(BM_Proj_GeoToUtm);

// PROJ's batch call, which spares the per-call overhead.
void BM_Proj_GeoToUtmBatch(benchmark::State& state)
{
    TProj proj;
    if (!proj.P) {
        state.SkipWithError("PROJ could not create the UTM operation");
        return;
    }
    std::vector<PJ_COORD> in;
    for (const auto& g : Points()) in.push_back(proj_coord(g.Lon, g.Lat, 0, 0));
    std::vector<PJ_COORD> work(in.size());
    for (auto _ : state) {
        work = in;
        proj_trans_array(proj.P, PJ_FWD, work.size(), work.data());
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(in.size()));
}
BENCHMARK(BM_Proj_GeoToUtmBatch);

void BM_Proj_ToGeo(benchmark::State& state)
{
    TProj proj;
    if (!proj.P) {
        state.SkipWithError("PROJ could not create the UTM operation");
        return;
    }
    const auto& locs = Locations();
    std::size_t i = 0;
    for (auto _ : state) {
        const TUtmCoord& u = locs[i++ & 1023].Utm;
        benchmark::DoNotOptimize(proj_trans(proj.P, PJ_INV, proj_coord(u.X, u.Y, 0, 0)));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Proj_ToGeo);

#endif

} // namespace
