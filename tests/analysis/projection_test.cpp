// The track on a map: polylines in bitmap pixels, gaps, the memo, the
// projection kinds and the nearest point.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "analysis/Track.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Map.h"

namespace {

// A map whose bitmap is the UTM grid of zone 32T at 5 m a pixel, turned a
// little; its references are made from that rule on the map's datum.
struct TTestMap {
    static constexpr double East0 = 440000.0, North0 = 5210000.0, Scale = 5.0, Turn = 0.03;

    explicit TTestMap(const char* projection, const char* datum = "WGS 84", const char* region = "Global")
    {
        Map.SetAttribute(acShortName, "M");
        Map.SetAttribute(acDatum, datum);
        Map.SetAttribute(acRegion, region);
        Map.SetAttribute(acProjection, projection);
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                Map.Georef.AddRef(new TMapRef(i * 1000, j * 1000, PlaceOf(i * 1000 + 0.5, j * 1000 + 0.5)));
        EXPECT_TRUE(Map.Georef.Calculate(Map.ProjectionKind));
    }
    // The place (on the map's datum) at a bitmap position (pixel (i, j)
    // spans i to i + 1 and j to j + 1).
    TLocation PlaceOf(double px, double py)
    {
        const double dx = px * Scale, dy = -py * Scale;
        const TUtmCoord u(East0 + std::cos(Turn) * dx - std::sin(Turn) * dy,
                          North0 + std::sin(Turn) * dx + std::cos(Turn) * dy, 0.0, "32T");
        return TLocation(u, Map.GetDatum());
    }
    // A fix at the place of a bitmap position, on WGS 84.
    TTrackPoint FixAt(std::int64_t time, double px, double py)
    {
        const TLocation l = PlaceOf(px, py);
        const TGeoCoord g = ConvertDatum(l.Geo, l.Datum, DefaultDatum());
        return TTrackPoint(time, g.Lat, g.Lon, Validity3D, 0.0, 0.0, *DefaultDatum());
    }

    TMap Map;
};

void ExpectNear(const TMapPoint& p, double x, double y, double tolerance)
{
    EXPECT_NEAR(p.X, x, tolerance);
    EXPECT_NEAR(p.Y, y, tolerance);
}

} // namespace

TEST(TrackOnMap, FixesLandOnTheirPixelsAndGapsSplitTheLine)
{
    TTestMap m("UTM");
    TTrack track;
    // 15 s apart stays one line, 16 s starts a new one.
    const std::int64_t times[] = {0, 1, 16, 32, 33, 100};
    for (int i = 0; i < 6; ++i) track.AddPoint(m.FixAt(times[i], 100.5 + 400 * i, 2000.5 - 300 * i));
    track.ProjectToMap(&m.Map);
    ASSERT_EQ(track.Polylines.size(), 3u);
    EXPECT_EQ(track.Polylines[0].size(), 3u);
    EXPECT_EQ(track.Polylines[1].size(), 2u);
    EXPECT_EQ(track.Polylines[2].size(), 1u);
    int i = 0;
    for (const auto& line : track.Polylines)
        for (const TMapPoint& p : line) {
            // The spline is fitted in 32-bit floats.
            ExpectNear(p, 100.5 + 400 * i, 2000.5 - 300 * i, 0.05);
            ++i;
        }
    // The nearest point by pixel distance, the earlier one on a tie.
    EXPECT_EQ(track.FindNearestPoint(100, 2000), 0);
    EXPECT_EQ(track.FindNearestPoint(1300, 1100), 3);
    EXPECT_EQ(track.FindNearestPoint(1e9, -1e9), 5);
    track.Polylines = {{{0, 0}, {10, 0}}, {{5, 0}, {-5, 0}}};
    EXPECT_EQ(track.FindNearestPoint(0, 0), 0);
    EXPECT_EQ(track.FindNearestPoint(7.5, 0), 1);
    EXPECT_EQ(track.FindNearestPoint(-2.5, 0), 0);
}

TEST(TrackOnMap, MemoOfMapAndChangeCounter)
{
    TTestMap m("UTM");
    TTrack track;
    EXPECT_EQ(track.FindNearestPoint(0, 0), -1); // never projected
    track.ProjectToMap(&m.Map);                    // no fixes: nothing
    EXPECT_TRUE(track.Polylines.empty());
    track.AddPoint(m.FixAt(0, 10, 10));
    track.AddPoint(m.FixAt(1, 20, 10));
    track.ProjectToMap(&m.Map);
    ASSERT_EQ(track.Polylines.size(), 1u);
    // Unchanged map: nothing is computed again.
    track.Polylines.clear();
    track.ProjectToMap(&m.Map);
    EXPECT_TRUE(track.Polylines.empty());
    // The map changes: computed again.
    m.Map.SetAttribute(acDescription, "changed");
    track.ProjectToMap(&m.Map);
    EXPECT_EQ(track.Polylines.size(), 1u);
    // Clearing the track forgets the map.
    track.Clear();
    track.AddPoint(m.FixAt(0, 30, 30));
    track.ProjectToMap(&m.Map);
    ASSERT_EQ(track.Polylines.size(), 1u);
    ASSERT_EQ(track.Polylines[0].size(), 1u);
    ExpectNear(track.Polylines[0][0], 30, 30, 0.05);
}

// A "Lambert conformal" map has UTM world coordinates: its track is that of
// the same map marked UTM. "Unknown" maps work in longitude and latitude.
TEST(TrackOnMap, ProjectionKinds)
{
    TTestMap utm("UTM"), lambert("Lambert conformal"), unknown("Unknown");
    ASSERT_EQ(lambert.Map.ProjectionKind, mpLambert);
    TTrack a, b, c;
    for (int i = 0; i < 5; ++i) {
        a.AddPoint(utm.FixAt(i, 500 + 300 * i, 2500 - 200 * i));
        b.AddPoint(utm.FixAt(i, 500 + 300 * i, 2500 - 200 * i));
        c.AddPoint(utm.FixAt(i, 500 + 300 * i, 2500 - 200 * i));
    }
    a.ProjectToMap(&utm.Map);
    b.ProjectToMap(&lambert.Map);
    c.ProjectToMap(&unknown.Map);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(b.Polylines[0][i].X, a.Polylines[0][i].X);
        EXPECT_EQ(b.Polylines[0][i].Y, a.Polylines[0][i].Y);
        ExpectNear(b.Polylines[0][i], 500 + 300 * i, 2500 - 200 * i, 0.05);
        // A spline over longitude and latitude of a UTM-straight bitmap.
        ExpectNear(c.Polylines[0][i], 500 + 300 * i, 2500 - 200 * i, 0.5);
    }
}

// Fixes are on WGS 84; a map on another datum receives them converted.
TEST(TrackOnMap, MapOnAnotherDatum)
{
    TTestMap m("UTM", "European 1950", "MEAN FOR Austria; Denmark; France; W Germany; Netherlands; Switzerland");
    ASSERT_NE(m.Map.GetDatum()->Delta.X, 0.0);
    TTrack track;
    track.AddPoint(m.FixAt(0, 1000, 1000));
    track.AddPoint(m.FixAt(1, 1500, 2500));
    track.ProjectToMap(&m.Map);
    ExpectNear(track.Polylines[0][0], 1000, 1000, 0.05);
    ExpectNear(track.Polylines[0][1], 1500, 2500, 0.05);
}
