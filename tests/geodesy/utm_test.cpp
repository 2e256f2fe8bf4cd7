// UTM projection against GeographicLib (golden vectors), zones and bands.
#include <gtest/gtest.h>

#include <cmath>

#include "GeoTestData.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"

using namespace geotest;

namespace {

const TEllipsoid& Wgs84() { return DefaultDatum()->Ellipsoid; }

TUtmCoord Utm(double lat, double lon) { return GeoToUtm(Deg(lat, lon), Wgs84()); }

} // namespace

TEST(Utm, ForwardMatchesGeographicLibOnAndNearZoneMeridians)
{
    TTable t("utm_forward.csv");
    ASSERT_GT(t.Rows().size(), 1000u);
    double worst = 0;
    for (const TRow& r : t.Rows()) {
        const TUtmCoord u = Utm(r.Num("lat"), r.Num("lon"));
        SCOPED_TRACE(r.Text("lat") + " " + r.Text("lon"));
        EXPECT_EQ(u.Zone, r.Text("zone"));
        const double err = std::hypot(u.X - r.Num("easting"), u.Y - r.Num("northing"));
        worst = std::max(worst, err);
        EXPECT_LE(err, 0.001);
    }
    RecordProperty("worst_mm", std::to_string(worst * 1000));
}

// The meridian arc series stops at e^6; its error grows with the flattening
// and reaches 1.01 mm on Clarke 1880.
TEST(Utm, ForwardOnOtherEllipsoids)
{
    for (const TRow& r : TTable("utm_ellipsoids.csv").Rows()) {
        const TEllipsoid e("test", r.Num("a"), r.Num("invf"));
        const TUtmCoord u = GeoToUtm(Deg(r.Num("lat"), r.Num("lon")), e);
        EXPECT_EQ(u.Zone, r.Text("zone"));
        EXPECT_LE(std::hypot(u.X - r.Num("easting"), u.Y - r.Num("northing")), 0.0015)
            << r.Text("a") << " " << r.Text("lat") << " " << r.Text("lon");
    }
}

TEST(Utm, InverseMatchesGeographicLibWithinThreeDegreesOfTheCentralMeridian)
{
    for (const TRow& r : TTable("utm_inverse.csv").Rows()) {
        const TGeoCoord g = TUtmCoord(r.Num("easting"), r.Num("northing"), 0, r.Text("zone")).ToGeo(Wgs84());
        EXPECT_LE(GroundError(RadToDeg(g.Lat), RadToDeg(g.Lon), r.Num("lat"), r.Num("lon")), 0.0005)
            << r.Text("zone") << " " << r.Text("easting") << " " << r.Text("northing");
    }
}

TEST(Utm, RoundTripWithinTwoMillimetres)
{
    for (const TRow& r : TTable("utm_forward.csv").Rows()) {
        const double lat = r.Num("lat");
        const TGeoCoord in = Deg(lat, r.Num("lon"), 123.5);
        const TUtmCoord u = GeoToUtm(in, Wgs84());
        // The inverse series is for the ordinary zone width; the wider
        // Norway and Svalbard zones lose a few millimetres at their edges.
        if (std::fabs(r.Num("lon") - (6.0 * u.ZoneNumber() - 183.0)) > 3.0 + 1e-9) continue;
        const TGeoCoord back = u.ToGeo(Wgs84());
        EXPECT_LE(GroundError(lat, r.Num("lon"), RadToDeg(back.Lat), RadToDeg(back.Lon)), 0.002)
            << u.Zone << " " << r.Text("lat") << " " << r.Text("lon");
        EXPECT_EQ(back.H, 123.5);
        EXPECT_EQ(u.Z, 123.5);
    }
}

// Literal radians put 60 of the 61 boundary meridians into the western zone.
TEST(Utm, BoundaryMeridianBelongsToTheEasternZone)
{
    for (int k = 0; k <= 60; ++k) {
        const double lon = -180.0 + 6.0 * k;
        EXPECT_EQ(UtmZone(Deg(47.0, lon)), k + 1) << lon;
        if (k > 0) {
            EXPECT_EQ(UtmZone(Deg(47.0, lon - 1e-7)), k) << lon;
        }
    }
    EXPECT_EQ(Utm(47, 0).Zone, "31T");
    EXPECT_EQ(Utm(47, -180).Zone, " 1T");
    EXPECT_EQ(Utm(47, 180).Zone, "61T");
    EXPECT_EQ(Utm(-33, -177).Zone, " 1H"); // a one-digit zone is padded with a blank
}

TEST(Utm, NorwayAndSvalbardExceptions)
{
    EXPECT_EQ(Utm(60, 5).Zone, "32V");
    EXPECT_EQ(Utm(56, 3).Zone, "32V");
    EXPECT_EQ(Utm(60, 2.9999).Zone, "31V");
    EXPECT_EQ(Utm(63.9999, 11.9999).Zone, "32V");
    EXPECT_EQ(Utm(64, 5).Zone, "31W");
    EXPECT_EQ(Utm(78, 10).Zone, "33X");
    EXPECT_EQ(Utm(78, 8.9).Zone, "31X");
    EXPECT_EQ(Utm(72, 9).Zone, "33X");
    EXPECT_EQ(Utm(78, 21).Zone, "35X");
    EXPECT_EQ(Utm(78, 33).Zone, "37X");
    EXPECT_EQ(Utm(78, 42).Zone, "38X");
    EXPECT_EQ(Utm(84, 10).Zone, "32X"); // 84 is still band X, but no longer Svalbard
}

TEST(Utm, BandLetters)
{
    struct { double lat; char letter; } cases[] = {
        {84.0, 'X'}, {72.0, 'X'}, {84.0001, 'Z'}, {71.9999, 'W'}, {0.0, 'N'}, {-1e-300, 'M'},
        {-8.0, 'M'}, {-8.0001, 'L'}, {-80.0, 'C'}, {-80.0001, 'Z'}, {90.0, 'Z'}, {-90.0, 'Z'},
        {8.0, 'P'}, {23.9999, 'Q'}, {56.0, 'V'}, {63.9999, 'V'}, {-40.0, 'H'}, {-40.0001, 'G'},
    };
    for (auto& c : cases) EXPECT_EQ(UtmLetterDesignator(DegToRad(c.lat)), c.letter) << c.lat;
    for (double lat = -80; lat <= 84; lat += 0.25) {
        const char l = UtmLetterDesignator(DegToRad(lat));
        EXPECT_TRUE(l != 'I' && l != 'O' && l >= 'C' && l <= 'X') << lat;
    }
}

TEST(Utm, HemisphereComesFromTheBandLetter)
{
    const TUtmCoord south = Utm(-33.9, 18.4);
    EXPECT_GT(south.Y, 6e6);
    TGeoCoord g = south.ToGeo(Wgs84());
    EXPECT_NEAR(RadToDeg(g.Lat), -33.9, 1e-9);
    // 'Z' below 80 S reads back as northern: that point does not round-trip.
    const TUtmCoord polar = Utm(-85, 10);
    EXPECT_EQ(polar.Zone, "32Z");
    EXPECT_FALSE(polar.IsSouthern());
    EXPECT_GT(polar.ToGeo(Wgs84()).Lat, 0.0);
    // No number: zone 0; a text without a letter is northern.
    EXPECT_EQ(TUtmCoord(500000, 0, 0, "V").ZoneNumber(), 0);
    EXPECT_NEAR(RadToDeg(TUtmCoord(500000, 0, 0, "").ToGeo(Wgs84()).Lon), -183.0, 1e-9);
    EXPECT_EQ(TUtmCoord(1, 2, 3, " 9M").ZoneNumber(), 9);
    EXPECT_TRUE(TUtmCoord(1, 2, 3, " 9M").IsSouthern());
}

TEST(Utm, ForcedZoneIsTheSameSeriesAndMatchesTheNeighbourZone)
{
    // Same zone: bit for bit the ordinary projection.
    const TGeoCoord g = Deg(47.5, 7.3);
    const TUtmCoord own = GeoToUtm(g, Wgs84());
    const TUtmCoord forced = GeoToUtm(g, Wgs84(), 32, false);
    EXPECT_EQ(own.X, forced.X);
    EXPECT_EQ(own.Y, forced.Y);
    // A point west of 6 E in zone 32 (TransverseMercatorProj -k 0.9996 -l 9).
    const TUtmCoord west = GeoToUtm(Deg(47.4, 5.95), Wgs84(), 32, false);
    EXPECT_EQ(west.Zone, "32T");
    EXPECT_NEAR(west.X, 500000.0 - 230132.795828, 0.001);
    EXPECT_NEAR(west.Y, 5254127.069071, 0.001);
    // Southern plane for a northern point: the false northing is added.
    const TUtmCoord n = GeoToUtm(Deg(0.01, 9), Wgs84(), 32, true);
    EXPECT_NEAR(n.Y, 10000000.0 + 1105.300461, 0.001);
}

TEST(Utm, ZoneTextsDecidePlanarDistance)
{
    const TUtmCoord a = Utm(47.0, 8.0), b = Utm(47.01, 8.01), c = Utm(48.1, 8.0);
    EXPECT_GT(UtmDistance(a, b), 0);
    EXPECT_EQ(UtmDistance(a, c), -1.0); // 32T and 32U
    EXPECT_EQ(UtmDistance(a, a), 0.0);
}

// A longitude that is no number, or far beyond any, has no zone (and must
// never reach an integer conversion).
TEST(Utm, NoZoneForALongitudeThatIsNoNumber)
{
    for (const double lon : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300})
        EXPECT_EQ(UtmZone(TGeoCoord{lon, 0.5, 0.0}), 0) << lon;
}
