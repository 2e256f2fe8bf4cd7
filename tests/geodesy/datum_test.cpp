// Ellipsoids, geocentric coordinates and datum shifts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "GeoTestData.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "platform/Exceptions.h"

using namespace geotest;

TEST(Ellipsoid, DerivedConstantsAndRadii)
{
    const TEllipsoid& w = DefaultDatum()->Ellipsoid;
    EXPECT_NEAR(w.E2, 0.00669437999014, 1e-14);
    EXPECT_NEAR(w.Ep2, 0.00673949674228, 1e-14);
    EXPECT_NEAR(w.B, 6356752.314245, 1e-6);
    EXPECT_EQ(DefaultDatum()->Name, "WGS 84");
    EXPECT_EQ(DefaultDatum()->Region, "Global");
    EXPECT_EQ(w.A, 6378137.0);
    EXPECT_EQ(w.InvF, 298.257223563);

    // Azimuth 0: the meridian radius; 90: the prime-vertical radius.
    for (double lat : {0.0, 30.0, 60.0, -75.0}) {
        const double s = std::sin(DegToRad(lat));
        const double den = 1 - w.E2 * s * s;
        const double rho = w.A * (1 - w.E2) / std::pow(den, 1.5);
        const double nu = w.A / std::sqrt(den);
        EXPECT_NEAR(w.RadiusInAzimuth(DegToRad(lat), 0), rho, 1e-6);
        EXPECT_NEAR(w.RadiusInAzimuth(DegToRad(lat), 90), nu, 1e-6);
        EXPECT_NEAR(w.RadiusInAzimuth(DegToRad(lat), 180), rho, 1e-6);
        const double r45 = w.RadiusInAzimuth(DegToRad(lat), 45);
        EXPECT_NEAR(r45, std::sqrt(0.5 * rho * rho + 0.5 * nu * nu), 1e-6); // not Euler's radius
    }
}

TEST(Ellipsoid, InvalidParameters)
{
    for (auto [a, f] : {std::pair{0.0, 298.0}, {6378137.0, 0.0}, {1e-17, 298.0}, {6378137.0, -1e-17},
                        {std::nan(""), 298.0}}) {
        try {
            TEllipsoid e("x", a, f);
            ADD_FAILURE() << a << " " << f;
        } catch (const TException& ex) {
            EXPECT_EQ(ex.WhatText(), "Invalid parameter for ellipsoid");
            EXPECT_STREQ(ex.what(), "<Invalid parameter for ellipsoid> in <>. Details: <>");
        }
    }
    EXPECT_NO_THROW(TEllipsoid("sphere-ish", 6371000.0, 1e9));
}

TEST(Geocentric, MatchesCartConvertBothWays)
{
    for (const TRow& r : TTable("geocentric.csv").Rows()) {
        const TEllipsoid e("test", r.Num("a"), r.Num("invf"));
        const TGeoCoord g = Deg(r.Num("lat"), r.Num("lon"), r.Num("h"));
        const TBaseCoord c = GeoToCartesian(g, e);
        SCOPED_TRACE(r.Text("lat") + " " + r.Text("lon"));
        EXPECT_NEAR(c.X, r.Num("x"), 1e-6);
        EXPECT_NEAR(c.Y, r.Num("y"), 1e-6);
        EXPECT_NEAR(c.Z, r.Num("z"), 1e-6);
        const TGeoCoord back = CartesianToGeo({r.Num("x"), r.Num("y"), r.Num("z")}, e);
        EXPECT_LE(GroundError(RadToDeg(back.Lat), 0, r.Num("lat"), 0), 1e-6);
        if (std::fabs(r.Num("lat")) < 90) {
            EXPECT_LE(GroundError(r.Num("lat"), RadToDeg(back.Lon), r.Num("lat"), r.Num("lon")), 1e-6);
        }
        EXPECT_NEAR(back.H, r.Num("h"), 1e-6);
    }
}

TEST(DatumShift, MatchesCctPipelineIncludingHeight)
{
    const TDatum* wgs = DefaultDatum();
    for (const TRow& r : TTable("datum_shift.csv").Rows()) {
        const TDatum d(r.Text("datum"), r.Text("region"), TEllipsoid("e", r.Num("a"), r.Num("invf")),
                       {r.Num("dx"), r.Num("dy"), r.Num("dz")});
        const TGeoCoord out = ConvertDatum(Deg(r.Num("lat"), r.Num("lon"), r.Num("h")), &d, wgs);
        SCOPED_TRACE(r.Text("datum") + " " + r.Text("lat"));
        EXPECT_LE(GroundError(RadToDeg(out.Lat), RadToDeg(out.Lon), r.Num("lat84"), r.Num("lon84")), 1e-6);
        EXPECT_NEAR(out.H, r.Num("h84"), 1e-6);
        // and back again
        const TGeoCoord back = ConvertDatum(out, wgs, &d);
        EXPECT_LE(GroundError(RadToDeg(back.Lat), RadToDeg(back.Lon), r.Num("lat"), r.Num("lon")), 1e-6);
    }
}

TEST(DatumShift, SamePointerReturnsTheInputAndEqualContentStillConverts)
{
    const TDatum* wgs = DefaultDatum();
    const TDatum copy = *wgs;
    const TGeoCoord g = Deg(47.123456789, 8.987654321, 432.1);
    const TGeoCoord same = ConvertDatum(g, wgs, wgs);
    EXPECT_EQ(std::memcmp(&same, &g, sizeof g), 0);
    const TGeoCoord viaCopy = ConvertDatum(g, wgs, &copy);
    EXPECT_NEAR(viaCopy.Lat, g.Lat, 1e-12);
    EXPECT_NEAR(viaCopy.H, g.H, 1e-6);

    // The UTM form converts through the same road.
    const TDatum ed50("European 1950", "Test", TEllipsoid("International 1924", 6378388, 297), {-87, -98, -121});
    const TUtmCoord u = GeoToUtm(g, ed50.Ellipsoid);
    const TUtmCoord w = u.ConvertTo(&ed50, wgs);
    const TGeoCoord direct = ConvertDatum(g, &ed50, wgs);
    EXPECT_NEAR(w.ToGeo(wgs->Ellipsoid).Lat, direct.Lat, 3e-10); // a UTM round trip: 2 mm
    const std::unique_ptr<TGrdCoord> p = u.ToDatum(&ed50, wgs);
    EXPECT_TRUE(p->IsValid());
    EXPECT_EQ(p->X, w.X);
    EXPECT_EQ(p->Zone, w.Zone);
    EXPECT_NE(p->Z, u.Z); // the height changes with the datum
}
