// Segment distance, segment crossing, lines, arcs and bounding boxes.
#include <gtest/gtest.h>

#include <cmath>

#include "GeoTestData.h"
#include "geodesy/Base.h"
#include "geodesy/Datum.h"
#include "platform/Exceptions.h"

using namespace geotest;

namespace {

TLocation At(double lat, double lon) { return TLocation(Deg(lat, lon)); }
TLocation At(const TRow& r, const std::string& lat, const std::string& lon) { return At(r.Num(lat), r.Num(lon)); }
// A place given by its grid coordinates in zone 32T.
TLocation Grid(double e, double n) { return TLocation(TUtmCoord(e, n, 0, "32T"), nullptr); }

void ExpectSameBits(const TSegmentDistance& a, const TSegmentDistance& b)
{
    EXPECT_EQ(a.Position, b.Position);
    EXPECT_EQ(a.Offset, b.Offset);
    EXPECT_EQ(a.Distance, b.Distance);
}

} // namespace

// The golden cases straddle 0, 6, 12, 18 and 24 E, 3 E in Norway, 171 E,
// the equator and plain zone interiors.
TEST(SegmentDistance, AgainstPlanarGeometryInThePointsZone)
{
    for (const TRow& r : TTable("segment.csv").Rows()) {
        const TLocation p = At(r, "plat", "plon"), a = At(r, "alat", "alon"), b = At(r, "blat", "blon");
        const TSegmentDistance s = DistanceToSegment(p, a, b);
        SCOPED_TRACE(r.Text("plat") + " " + r.Text("plon"));
        EXPECT_NEAR(s.Position, r.Num("position"), 1e-6);
        EXPECT_NEAR(s.Offset, r.Num("offset"), 0.003);
        EXPECT_NEAR(s.Distance, r.Num("distance"), r.Num("tolerance"));
        // Without the course: the same numbers.
        const TSegmentDistance q = DistanceToSegment(p, a, b, false);
        ExpectSameBits(s, q);
        EXPECT_EQ(q.Course, 0.0);
    }
}

TEST(SegmentDistance, ZoneStraddlingLegIsMeasuredInOnePlane)
{
    // 7.5 km west of a leg along 6.05 E: in mixed zones the offset was 444 km.
    const TSegmentDistance s = DistanceToSegment(At(47.5, 5.95), At(47.4, 6.05), At(47.6, 6.05));
    EXPECT_NEAR(s.Position, 0.5002, 1e-3);
    EXPECT_NEAR(s.Offset, -7535.7, 0.5);
    EXPECT_NEAR(s.Distance, 7535.7, 0.5);
    // Across the equator: the false northing of one end only.
    const TSegmentDistance e = DistanceToSegment(At(0.0, 9.01), At(-0.05, 9.0), At(0.05, 9.0));
    EXPECT_NEAR(e.Position, 0.5, 1e-3);
    EXPECT_NEAR(e.Distance, 1113.0, 2.0);
    // Across 180: a leg in zone 1, 219 m east of a point in zone 60.
    const TSegmentDistance w = DistanceToSegment(At(10.0, 179.999), At(9.999, -179.999), At(10.001, -179.999));
    EXPECT_NEAR(w.Position, 0.5, 1e-3);
    EXPECT_NEAR(w.Offset, -219.3, 0.5);
    EXPECT_NEAR(w.Distance, 219.3, 0.5);
    // All in one zone: the forced projection is never used, the result is
    // that of the points' own grid coordinates.
    const TLocation p = At(47.5, 8.1), a = At(47.4, 8.2), b = At(47.6, 8.25);
    const TSegmentDistance s1 = DistanceToSegment(p, a, b);
    const double dx = b.Utm.X - a.Utm.X, dy = b.Utm.Y - a.Utm.Y;
    const double px = p.Utm.X - a.Utm.X, py = p.Utm.Y - a.Utm.Y;
    const double L2 = dx * dx + dy * dy;
    EXPECT_EQ(s1.Position, (dx * px + dy * py) / L2);
    EXPECT_EQ(s1.Offset, std::sqrt(L2) * (dy * px - dx * py) / L2);
}

TEST(SegmentDistance, EndsDegenerateSegmentsAndCourse)
{
    const TLocation a = At(47.0, 8.0), b = At(47.1, 8.0);
    // Foot exactly at a (t = 0) gives the distance to a; at b (t = 1) |Offset|.
    const TSegmentDistance atA = DistanceToSegment(a, a, b);
    EXPECT_EQ(atA.Position, 0.0);
    EXPECT_EQ(atA.Distance, 0.0);
    const TSegmentDistance atB = DistanceToSegment(b, a, b);
    EXPECT_EQ(atB.Position, 1.0);
    EXPECT_EQ(atB.Distance, std::fabs(atB.Offset));
    const TLocation before = At(46.9, 8.0);
    EXPECT_EQ(DistanceToSegment(before, a, b).Distance, before.Distance(a));
    // Degenerate segment.
    const TSegmentDistance on = DistanceToSegment(a, a, a);
    EXPECT_EQ(on.Position, 0.0);
    EXPECT_EQ(on.Offset, 0.0);
    const TSegmentDistance off = DistanceToSegment(b, a, a);
    EXPECT_EQ(off.Position, 999999.0);
    EXPECT_EQ(off.Distance, b.Distance(a));
    // The course points at the middle of the segment: due east of it here.
    const TSegmentDistance west = DistanceToSegment(At(47.05, 7.9), a, b);
    EXPECT_NEAR(west.Course, 90.0, 0.1);
    EXPECT_LT(west.Offset, 0.0); // left of a northward leg is negative, right positive
    EXPECT_GT(DistanceToSegment(At(47.05, 8.1), a, b).Offset, 0.0);
}

TEST(LineIntersection, AgainstPlanarGeometry)
{
    int kinds[6] = {};
    for (const TRow& r : TTable("cross.csv").Rows()) {
        const TBaseLine gate(At(r, "a1lat", "a1lon"), At(r, "a2lat", "a2lon"));
        const TBaseLine track(At(r, "b1lat", "b1lon"), At(r, "b2lat", "b2lon"));
        const TLineIntersection x = gate.Intersect(track);
        SCOPED_TRACE(r.Text("a1lat") + " " + r.Text("a1lon"));
        EXPECT_EQ(x.Kind, static_cast<int>(r.Num("kind")));
        EXPECT_NEAR(x.MinDistance, r.Num("mindistance"), r.Num("tolerance"));
        const TLineIntersection y = gate.Intersect(track, false);
        EXPECT_EQ(y.Kind, x.Kind);
        EXPECT_EQ(y.MinDistance, x.MinDistance);
        EXPECT_EQ(y.Course, 0.0);
        ++kinds[x.Kind];
    }
    for (int k : {0, 1, 2, 3, 4}) EXPECT_GT(kinds[k], 0) << k;
}

TEST(LineIntersection, SpecialKinds)
{
    // A gate across 6 E and a track crossing it eastward: a crossing whose
    // track starts right of the gate direction (gate pointing north).
    const TBaseLine gate(At(47.49, 6.0005), At(47.51, 5.9995));
    const TBaseLine eastward(At(47.50, 5.99), At(47.50, 6.01));
    EXPECT_EQ(gate.Intersect(eastward).Kind, ikCrossLeft);
    const TBaseLine westward(At(47.50, 6.01), At(47.50, 5.99));
    EXPECT_EQ(gate.Intersect(westward).Kind, ikCrossRight);
    // A line along 10 N eastward across 180; tracks flying north across it
    // on either side of 180 start to its right.
    const TBaseLine dateLine(At(10.0, 179.999), At(10.0, -179.999));
    EXPECT_EQ(dateLine.Intersect(TBaseLine(At(9.999, 179.9995), At(10.001, 179.9995))).Kind, ikCrossRight);
    EXPECT_EQ(dateLine.Intersect(TBaseLine(At(9.999, -179.9995), At(10.001, -179.9995))).Kind, ikCrossRight);
    // Touching at an end counts as a crossing (a gate running grid north).
    const TBaseLine a(Grid(500000, 5200000), Grid(500000, 5210000));
    const TLineIntersection t = a.Intersect(TBaseLine(Grid(499000, 5205000), Grid(500000, 5205000)));
    EXPECT_EQ(t.Kind, ikCrossLeft);
    EXPECT_EQ(t.MinDistance, 0.0);
    EXPECT_EQ(a.Intersect(TBaseLine(Grid(500000, 5205000), Grid(499000, 5205000))).Kind, ikCrossRight);
    EXPECT_EQ(a.Intersect(TBaseLine(Grid(499000, 5210000), Grid(501000, 5210000))).Kind, ikCrossLeft);
    // Parallel and overlapping collinear segments; a stationary aircraft.
    EXPECT_EQ(a.Intersect(TBaseLine(Grid(500500, 5200000), Grid(500500, 5210000))).Kind, ikParallel);
    EXPECT_EQ(a.Intersect(TBaseLine(Grid(500000, 5205000), Grid(500000, 5215000))).Kind, ikParallel);
    const TLineIntersection still = a.Intersect(TBaseLine(Grid(501500, 5205000), Grid(501500, 5205000)));
    EXPECT_EQ(still.Kind, ikParallel);
    EXPECT_NEAR(still.MinDistance, 1500.0, 1e-9);
    // Beyond the ends of this line, and beside the other segment.
    EXPECT_EQ(a.Intersect(TBaseLine(Grid(499000, 5199000), Grid(501000, 5199000))).Kind, ikBeforeStart);
    EXPECT_EQ(a.Intersect(TBaseLine(Grid(499000, 5211000), Grid(501000, 5211000))).Kind, ikBeyondEnd);
    EXPECT_EQ(a.Intersect(TBaseLine(Grid(500500, 5205000), Grid(501000, 5205000))).Kind, ikOutside);
    // Course from midpoint to midpoint.
    EXPECT_NEAR(a.Intersect(TBaseLine(Grid(505000, 5204000), Grid(505000, 5206000))).Course, 90.0, 1.0);
}

TEST(BaseLine, LengthMidPointAndBox)
{
    const TBaseLine same(At(47.0, 8.0), At(47.1, 8.2));
    EXPECT_EQ(same.Length(), UtmDistance(same.Start.Utm, same.End.Utm));
    const TBasePoint m = same.MidPoint();
    EXPECT_EQ(m.Location.Utm.X, 0.5 * (same.Start.Utm.X + same.End.Utm.X));
    EXPECT_EQ(m.Location.Utm.Zone, same.Start.Utm.Zone);
    EXPECT_EQ(m.Location.Geo.H, 0.0);
    EXPECT_EQ(m.MaxLat, m.Location.Geo.Lat);
    EXPECT_EQ(m.MinLon, m.Location.Geo.Lon);
    EXPECT_EQ(same.MaxLat, DegToRad(47.1));
    EXPECT_EQ(same.MinLat, DegToRad(47.0));
    EXPECT_EQ(same.MaxLon, DegToRad(8.2));
    EXPECT_EQ(same.MinLon, DegToRad(8.0));

    const TBaseLine across(At(47.0, 5.9), At(47.0, 6.1)); // 31T and 32T
    EXPECT_EQ(across.Length(), GeoDistance(across.Start.Geo, across.End.Geo, DefaultDatum()->Ellipsoid));
    const TBasePoint am = across.MidPoint();
    EXPECT_NEAR(RadToDeg(am.Location.Geo.Lon), 6.0, 1e-12);
    EXPECT_EQ(am.Location.Utm.Zone, "32T");

    TBasePoint fresh;
    EXPECT_EQ(fresh.Length(), 0.0);
    EXPECT_EQ(fresh.Location.Datum, DefaultDatum());
    const TBasePoint d = TBasePoint(At(47, 8)).Destination(90, 1000);
    EXPECT_NEAR(d.Location.Distance(At(47, 8)), 1000.0, 0.5); // grid vs sphere: within the scale factor
    EXPECT_EQ(d.MaxLon, d.MinLon);
    EXPECT_EQ(DistanceToSegment(d.Location, same.Start, same.End).Distance, d.DistanceToLine(same).Distance);

    TBaseZone z;
    EXPECT_EQ(z.Length(), 0.0);
    EXPECT_EQ(z.MaxLat, DegToRad(-90.0));
    EXPECT_EQ(z.MinLon, DegToRad(180.0));
    // Elements are deleted through the base.
    std::unique_ptr<TBaseElement> e = std::make_unique<TBaseLine>(same);
    EXPECT_EQ(e->Length(), same.Length());
}

TEST(BaseArc, ClockwiseArcThroughEastAndItsBox)
{
    // North -> east -> south around a centre at 47 N 8 E, radius about 5 km.
    const TLocation c = At(47.0, 8.0);
    const TLocation from = c.Destination(0, 5000), mid = c.Destination(90, 5000), to = c.Destination(180, 5000);
    TBaseArc arc;
    arc.Calculate(from, to, mid);
    EXPECT_EQ(arc.Clockwise, 1);
    EXPECT_NEAR(arc.Centre.Distance(c), 0.0, 20.0);
    EXPECT_NEAR(arc.Radius, 5000.0, 20.0);
    EXPECT_NEAR(arc.Sweep, 180.0, 0.5);
    EXPECT_NEAR(arc.StartRadial, 0.0, 0.5);
    EXPECT_NEAR(arc.EndRadial, 180.0, 0.5);
    EXPECT_NEAR(arc.Length(), Pi * arc.Radius * arc.Sweep / 180.0, 1e-6);
    // The box reaches the eastmost point of the circle, not only the ends.
    EXPECT_NEAR(arc.MaxLon - c.Geo.Lon, mid.Geo.Lon - c.Geo.Lon, 0.01 * (mid.Geo.Lon - c.Geo.Lon));
    EXPECT_NEAR(arc.MinLon, std::min(from.Geo.Lon, to.Geo.Lon), 1e-12);
    EXPECT_EQ(arc.MaxLat, from.Geo.Lat);
    EXPECT_NEAR(arc.CourseFromStart(mid), 90.0, 0.5);

    TBaseArc ccw;
    ccw.Calculate(to, from, mid);
    EXPECT_EQ(ccw.Clockwise, 0);
    EXPECT_NEAR(ccw.Sweep, 180.0, 0.5);
}

TEST(BaseArc, AcrossAZoneMeridianAndCollinearPoints)
{
    // Centre on 6 E: the three points lie in zones 31 and 32.
    const TLocation c = At(47.0, 6.0);
    const TLocation from = c.Destination(270, 8000), mid = c.Destination(0, 8000), to = c.Destination(90, 8000);
    ASSERT_NE(from.Utm.Zone, to.Utm.Zone);
    TBaseArc arc;
    arc.Calculate(from, to, mid);
    EXPECT_LT(GeoDistance(arc.Centre.Geo, c.Geo, DefaultDatum()->Ellipsoid), 50.0);
    EXPECT_NEAR(arc.Sweep, 180.0, 1.0);
    EXPECT_EQ(arc.Centre.Utm.Zone, from.Utm.Zone);

    TBaseArc line;
    try {
        line.Calculate(Grid(500000, 5200000), Grid(500000, 5220000), Grid(500000, 5210000));
        ADD_FAILURE();
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Can't calculate arc leg. Try different points.");
    }
    EXPECT_EQ(line.To.Utm.Y, 5220000.0); // the points are stored all the same
    EXPECT_EQ(line.Radius, 0.0);
    EXPECT_THROW(line.Calculate(At(47.0, 8.0), At(47.0, 8.0), At(47.1, 8.0)), TException);
}
