// Distances, courses, destination points and angle texts.
#include <gtest/gtest.h>

#include <cmath>

#include "GeoTestData.h"
#include "geodesy/Base.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"

using namespace geotest;

namespace {

const TEllipsoid& Wgs84() { return DefaultDatum()->Ellipsoid; }
TLocation At(double lat, double lon) { return TLocation(Deg(lat, lon)); }
double CourseDiff(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

} // namespace

TEST(Distance, AgainstGeodSolve)
{
    int planarRows = 0;
    for (const TRow& r : TTable("distance.csv").Rows()) {
        const TGeoCoord a = Deg(r.Num("lat1"), r.Num("lon1"));
        const TGeoCoord b = Deg(r.Num("lat2"), r.Num("lon2"));
        const double s12 = r.Num("s12");
        SCOPED_TRACE(r.Text("lat1") + " " + r.Text("lon1") + " -> " + r.Text("lat2") + " " + r.Text("lon2"));
        EXPECT_LE(std::fabs(GeoDistance(a, b, Wgs84()) - s12), (s12 <= 10000 ? 1e-5 : 1e-4) * s12);
        EXPECT_LE(CourseDiff(GeoCourse(a, b, Wgs84()), r.Num("azi1")), 0.2);
        // Inside one zone a location's distance is the grid distance.
        const TLocation la(a), lb(b);
        if (!r.Empty("planar")) {
            ++planarRows;
            EXPECT_NEAR(la.Distance(lb), r.Num("planar"), 0.002);
        } else {
            EXPECT_EQ(la.Distance(lb), GeoDistance(a, b, Wgs84()));
        }
        EXPECT_EQ(la.Course(lb), GeoCourse(a, b, Wgs84()));
    }
    EXPECT_GT(planarRows, 100);
}

TEST(Distance, DestinationIsConsistentWithDistanceAndCourse)
{
    for (double lat : {-70.0, -33.9, 0.0, 12.5, 47.5, 78.0}) {
        for (double course : {0.0, 37.0, 90.0, 135.0, 181.0, 270.0, 359.0}) {
            for (double d : {1.0, 750.0, 12000.0, 150000.0, 1000000.0}) {
                const TLocation a = At(lat, 8.3);
                const TLocation b = a.Destination(course, d);
                EXPECT_NEAR(GeoDistance(a.Geo, b.Geo, Wgs84()), d, 1e-9 * d + 1e-8) << lat << " " << course << " " << d;
                EXPECT_LE(CourseDiff(GeoCourse(a.Geo, b.Geo, Wgs84()), course), 1e-6) << lat << " " << course << " " << d;
                EXPECT_EQ(b.Datum, a.Datum);
            }
        }
    }
    const TLocation a = At(47.5, 8.3);
    const TLocation same = a.Destination(123.0, 0.0);
    EXPECT_NEAR(same.Geo.Lat, a.Geo.Lat, 1e-15);
    EXPECT_NEAR(same.Geo.Lon, a.Geo.Lon, 1e-15);
}

// fmod keeps the sign: a destination west of -180 deg stayed below -pi and
// fell into zone 0 or below.
TEST(Distance, DestinationWrapsLongitudeBothWays)
{
    const TLocation west = At(10.0, -179.99).Destination(270.0, 5000.0);
    EXPECT_GT(RadToDeg(west.Geo.Lon), 179.9);
    EXPECT_LE(west.Geo.Lon, Pi);
    EXPECT_EQ(west.Utm.ZoneNumber(), 60);
    const TLocation east = At(10.0, 179.99).Destination(90.0, 5000.0);
    EXPECT_LT(RadToDeg(east.Geo.Lon), -179.9);
    EXPECT_EQ(east.Utm.ZoneNumber(), 1);
    EXPECT_NEAR(west.Distance(At(10.0, -179.99)), 5000.0, 0.01);
}

TEST(Distance, CoursesAtSpecialPlaces)
{
    const TGeoCoord p = Deg(47, 8);
    EXPECT_EQ(GeoCourse(p, p, Wgs84()), 0.0);
    EXPECT_NEAR(GeoCourse(p, Deg(47, 7.9), Wgs84()), 270.04, 0.05); // west is 270, not -90
    EXPECT_EQ(GeoCourse(Deg(90, 0), Deg(80, 10), Wgs84()), 180.0);
    EXPECT_EQ(GeoCourse(Deg(-90, 0), Deg(-80, 10), Wgs84()), 360.0);
    // Antipodes: rounding pushes the haversine above 1; the angle is still pi.
    EXPECT_NEAR(CentralAngle(Deg(0, 0), Deg(0, 180)), Pi, 1e-15);
    EXPECT_EQ(CentralAngle(Deg(-87.5, -170), Deg(87.5, 10)), Pi); // haversine 1 + 2.2e-16: NaN unclamped
    EXPECT_NEAR(GeoDistance(Deg(0, 0), Deg(0, 180), Wgs84()), Pi * 6378137.0, 1e-6);
}

TEST(Distance, DatumRuleConvertsDifferentShiftsOnOneEllipsoid)
{
    const TEllipsoid intl("International 1924", 6378388, 297);
    const TDatum mean("European 1950", "Mean", intl, {-87, -98, -121});
    const TDatum spain("European 1950", "Portugal; Spain", intl, {-84, -107, -120});
    const TDatum meanTwin("European 1950", "Mean copy", intl, {-87, -98, -121});
    const TGeoCoord g = Deg(40.4, -3.7);
    const TLocation a(g, &mean);
    // The same coordinates on the other region's datum are some 9 m away.
    const TLocation b(g, &spain);
    EXPECT_NEAR(a.Distance(b), 9.5, 1.0);
    const TLocation c(g, &meanTwin); // same ellipsoid and shift: no conversion
    EXPECT_EQ(a.Distance(c), 0.0);
    // Different ellipsoids always convert.
    const TLocation w(ConvertDatum(g, &mean, DefaultDatum()));
    EXPECT_LT(a.Distance(w), 1e-6);
    EXPECT_LT(w.Distance(a), 1e-6);
}

TEST(FormatAngle, StylesAndQuirks)
{
    const std::string deg = "\xBA";
    EXPECT_EQ(FormatAngle(DegToRad(10.1), 11), " 10" + deg + " 05' 59.99\" N"); // seconds cut
    EXPECT_EQ(FormatAngle(DegToRad(-0.01), 11), "  0" + deg + " 00' 36.00\" S");
    EXPECT_EQ(FormatAngle(DegToRad(-122.5), 19), "122" + deg + " 30' 00.00\" W");
    EXPECT_EQ(FormatAngle(DegToRad(8.25), 17), "8.250000" + deg + " E");
    EXPECT_EQ(FormatAngle(DegToRad(-47.123456789), 9), "47.123457" + deg + " S");
    EXPECT_EQ(FormatAngle(DegToRad(47.5), 10), " 47" + deg + " 30.0000' N");
    EXPECT_EQ(FormatAngle(DegToRad(7.0 + 5.5 / 60), 18), "  7" + deg + " 05.5000' E");
    EXPECT_EQ(FormatAngle(DegToRad(180.0), 19), "180" + deg + " 00' 00.00\" E");
    EXPECT_EQ(FormatAngle(DegToRad(200.0), 11), "");
    EXPECT_EQ(FormatAngle(std::nan(""), 11), "");
    EXPECT_EQ(FormatAngle(DegToRad(10.0), 3), "");
    // Never 60 seconds, whatever the rounding.
    for (int i = 0; i < 2000; ++i) {
        const std::string s = FormatAngle(DegToRad(i / 3600.0 - 1e-12), 11);
        EXPECT_EQ(s.find("60.00"), std::string::npos) << s;
    }
}
