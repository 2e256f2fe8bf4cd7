// The georeference: the set of references, the fit and its accuracy at
// realistic UTM magnitudes, and maps that straddle two UTM zones.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "geodesy/MgcInterp2DThinPlateSpline.h"
#include "map/SyntheticMap.h"
#include "model/Map.h"
#include "platform/Exceptions.h"

using namespace maptest;

namespace {

struct TAccuracy {
    double AtRefsWorld = 0;   // metres, pixel -> world at the references
    double AtRefsPixel = 0;   // pixels, world -> pixel at the references
    double RoundTrip = 0;     // pixels, pixel -> world -> pixel anywhere
    double AgainstTruth = 0;  // pixels, pixel -> world against the true place
};

TAccuracy Measure(const TMap& map, const TSyntheticMap& s)
{
    TAccuracy a;
    const TGeoref& g = map.Georef;
    for (const TMapRef* ref : g.Refs) {
        double x, y;
        g.PixelToWorld(ref->PixelX + 0.5, ref->PixelY + 0.5, x, y);
        a.AtRefsWorld = std::max(a.AtRefsWorld, std::hypot(x - ref->Location.Utm.X, y - ref->Location.Utm.Y));
        const TMapPoint p = g.WorldToPixelPoint(ref->Location.Utm.X, ref->Location.Utm.Y);
        a.AtRefsPixel = std::max(a.AtRefsPixel, std::hypot(p.X - ref->PixelX - 0.5, p.Y - ref->PixelY - 0.5));
    }
    // Between the references (and beyond them, up to the bitmap's edges).
    for (int j = 0; j <= 30; ++j) {
        for (int i = 0; i <= 40; ++i) {
            const double px = s.Width * i / 40.0 + 0.37, py = s.Height * j / 30.0 + 0.61;
            double x, y;
            g.PixelToWorld(px, py, x, y);
            const TMapPoint back = g.WorldToPixelPoint(x, y);
            a.RoundTrip = std::max(a.RoundTrip, std::hypot(back.X - px, back.Y - py));
            const TMapPoint truth = s.PixelToUtm(px, py);
            a.AgainstTruth = std::max(a.AgainstTruth, std::hypot(x - truth.X, y - truth.Y) / s.MetresPerPixel);
        }
    }
    return a;
}

} // namespace

TEST(Georef, FitIsExactAtReferencesAndConsistentBetweenThem)
{
    // 1:50 000 sheet, 40 km x 30 km, northings 4 980 000 .. 5 010 000, a
    // scan distortion of three pixels.
    TSyntheticMap s;
    s.Warp = 3.0;
    const int W = s.Width - 1, H = s.Height - 1;
    const std::vector<std::vector<std::pair<int, int>>> layouts = {
        {{0, 0}, {W, 0}, {0, H}},                                   // three map corners
        {{0, 0}, {W, 0}, {0, H}, {W, H}},                           // four corners
        {{0, 0}, {W / 2, 10}, {W, 0}, {0, H}, {W / 2 + 7, H}, {W, H}}, // six
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.size());
        auto map = NewUtmMap();
        for (auto [x, y] : layout) map->Georef.AddRef(s.MakeRef(*map, x, y));
        ASSERT_TRUE(map->Georef.Calculate(mpUtm));
        const TAccuracy a = Measure(*map, s);
        EXPECT_LT(a.AtRefsWorld, 1e-3);
        EXPECT_LT(a.AtRefsPixel, 1e-3);
        EXPECT_LT(a.RoundTrip, 0.05);
        EXPECT_LT(a.AgainstTruth, 4.0); // a few references follow the distortion only roughly
    }
    auto map = NewUtmMap();
    AddLattice(*map, s, 5);
    ASSERT_EQ(map->Georef.Refs.size(), 25u);
    ASSERT_TRUE(map->Georef.Calculate(mpUtm));
    const TAccuracy a = Measure(*map, s);
    EXPECT_LT(a.AtRefsWorld, 1e-3);
    EXPECT_LT(a.AtRefsPixel, 1e-3);
    EXPECT_LT(a.RoundTrip, 0.05);
    EXPECT_LT(a.AgainstTruth, 0.1);

    // An undistorted sheet is affine: three references give it everywhere.
    TSyntheticMap flat;
    auto affine = NewUtmMap();
    for (auto [x, y] : layouts[0]) affine->Georef.AddRef(flat.MakeRef(*affine, x, y));
    ASSERT_TRUE(affine->Georef.Calculate(mpUtm));
    EXPECT_LT(Measure(*affine, flat).AgainstTruth, 1e-3);
}

TEST(Georef, TooFewOrCollinearReferencesGiveNoFit)
{
    TSyntheticMap s;
    auto map = NewUtmMap();
    TGeoref& g = map->Georef;
    g.AddRef(s.MakeRef(*map, 0, 0));
    g.AddRef(s.MakeRef(*map, 1000, 1000));
    EXPECT_FALSE(g.Calculate(mpUtm));
    g.AddRef(s.MakeRef(*map, 3000, 3000)); // on the same diagonal
    EXPECT_FALSE(g.Calculate(mpUtm));
    EXPECT_FALSE(g.Valid);

    double x = 7, y = 7, px = 7, py = 7;
    g.PixelToWorld(10, 10, x, y);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    g.WorldToPixel(500000, 5000000, px, py);
    EXPECT_EQ(px, 7.0);
    EXPECT_EQ(py, 7.0);
    const TMapPoint p = g.WorldToPixelPoint(500000, 5000000);
    EXPECT_EQ(p.X, 0.0);
    EXPECT_EQ(p.Y, 0.0);

    // All in one pixel column.
    auto column = NewUtmMap();
    for (int y0 : {0, 500, 4000}) column->Georef.AddRef(s.MakeRef(*column, 200, y0));
    EXPECT_FALSE(column->Georef.Calculate(mpUtm));

    // A later good reference makes it valid; an earlier fit is not reused.
    g.AddRef(s.MakeRef(*map, 0, 3000));
    EXPECT_TRUE(g.Calculate(mpUtm));
    g.DeleteRef(*g.Refs.begin());
    g.DeleteRef(*g.Refs.begin());
    EXPECT_FALSE(g.Calculate(mpUtm));
    g.PixelToWorld(10, 10, x, y);
    EXPECT_EQ(x, 0.0);
}

TEST(Georef, ReferencesAreOrderedUniqueAndFoundByPixel)
{
    TMap map;
    TGeoref& g = map.Georef;
    EXPECT_EQ(g.Map, &map); // known from the map's construction on
    EXPECT_EQ(g.FindNearestRef(0, 0), nullptr);

    g.AddRef(new TMapRef(10, 20));
    g.AddRef(new TMapRef(5, 30));
    g.AddRef(new TMapRef(40, 20));
    std::vector<std::pair<int, int>> order;
    for (const TMapRef* r : g.Refs) order.emplace_back(r->PixelX, r->PixelY);
    EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{10, 20}, {40, 20}, {5, 30}})); // row first

    TMapRef twin(10, 20);
    try {
        g.AddRef(&twin); // stays the caller's
        FAIL();
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Duplicate reference");
        EXPECT_EQ(e.Where(), "");
    }
    EXPECT_EQ(g.Refs.size(), 3u);

    // A probe deletes the held reference and is left alone itself.
    const TMapRef* held = *g.Refs.find(&twin);
    EXPECT_NE(held, &twin);
    g.DeleteRef(&twin);
    EXPECT_EQ(g.Refs.size(), 2u);
    EXPECT_EQ(twin.PixelX, 10);
    try {
        g.DeleteRef(&twin);
        FAIL();
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Can't delete. Map reference does not exist.");
    }

    EXPECT_EQ(g.FindNearestRef(6, 29)->PixelX, 5);
    EXPECT_EQ(g.FindNearestRef(36, 26)->PixelX, 40);
}

TEST(Georef, NearestReferenceFarFromTheBitmap)
{
    TMap map;
    TGeoref& g = map.Georef;
    const int lo = std::numeric_limits<std::int32_t>::min();
    g.AddRef(new TMapRef(0, 0));
    g.AddRef(new TMapRef(100000, 0));
    // 32-bit squares overflow here and pick the wrong one.
    EXPECT_EQ(g.FindNearestRef(200000, 0)->PixelX, 100000);
    // Two squares of just over 2^63 each: a 64-bit sum wraps to almost 0.
    g.AddRef(new TMapRef(lo, lo));
    const int far = lo + 3037000500;
    EXPECT_EQ(g.FindNearestRef(far, far)->PixelX, 100000);
    EXPECT_EQ(g.FindNearestRef(lo, lo + 5)->PixelX, lo);

    // A tie: the first in order.
    TMap other;
    other.Georef.AddRef(new TMapRef(0, 10));
    other.Georef.AddRef(new TMapRef(10, 0));
    EXPECT_EQ(other.Georef.FindNearestRef(0, 0)->PixelX, 10);
}

// ---------------------------------------------------------------- zones

namespace {

// A sheet around 45 N drawn in zone 31's grid from 5.73 E to 6.24 E, so its
// eastern part lies in zone 32.
TSyntheticMap StraddlingSheet()
{
    TSyntheticMap s;
    s.East0 = 715000.0;
    s.North0 = 5000000.0;
    s.Warp = 0.0;
    return s;
}

} // namespace

TEST(Georef, MapStraddlingTwoZonesIsFittedInTheFirstReferencesZone)
{
    const TSyntheticMap s = StraddlingSheet();
    auto map = NewUtmMap();
    AddLattice(*map, s, 3);
    int inZone32 = 0;
    for (const TMapRef* r : map->Georef.Refs) inZone32 += r->Location.Utm.ZoneNumber() == 32;
    ASSERT_GE(inZone32, 3);
    EXPECT_EQ((*map->Georef.Refs.begin())->Location.Utm.ZoneNumber(), 31);
    ASSERT_TRUE(map->Georef.Calculate(mpUtm));

    // Places on both sides of 6 E land on their pixels.
    double worst = 0;
    for (double px = 100.5; px < s.Width; px += 500) {
        for (double py = 50.5; py < s.Height; py += 700) {
            const TGeoCoord geo = s.PixelToGeo(px, py);
            const TMapPoint p = map->Georef.WorldToPixelPoint(map->GeoToWorld(geo));
            worst = std::max(worst, std::hypot(p.X - px, p.Y - py));
        }
    }
    EXPECT_LT(worst, 1e-3);
    const TMapPoint east = map->GeoToWorld(s.PixelToGeo(s.Width - 1, 0));
    EXPECT_NEAR(east.X, s.PixelToUtm(s.Width - 1, 0).X, 1e-3); // zone 31 easting, beyond its edge

    // The grid is in the same zone: straight lines, every 5 km of zone 31.
    map->SetGrid(s.Width, s.Height, 5000.0);
    ASSERT_EQ(map->Grid.Second.size(), 10u); // 715 000 .. 760 000
    for (const auto& line : map->Grid.Second) EXPECT_EQ(line.size(), 2u);
}

TEST(Georef, MapInsideOneZoneKeepsThePlainUtmFigures)
{
    TSyntheticMap s; // 480 000 .. 520 000 in zone 31
    auto map = NewUtmMap();
    AddLattice(*map, s, 3);
    map->Georef.AddRef(s.MakeRef(*map, 1234, 4321));
    ASSERT_TRUE(map->Georef.Calculate(mpUtm));

    std::vector<double> px, py, wx, wy;
    for (const TMapRef* r : map->Georef.Refs) {
        px.push_back(r->PixelX + 0.5);
        py.push_back(r->PixelY + 0.5);
        wx.push_back(r->Location.Utm.X);
        wy.push_back(r->Location.Utm.Y);
    }
    const int n = static_cast<int>(px.size());
    const Mgc::Interp2DThinPlateSpline toX(n, wx.data(), wy.data(), px.data(), 0.0);
    const Mgc::Interp2DThinPlateSpline toY(n, wx.data(), wy.data(), py.data(), 0.0);
    const TEllipsoid& wgs = DefaultDatum()->Ellipsoid;
    for (double x : {0.5, 2000.25, 7999.0}) {
        for (double y : {0.5, 3000.75, 5999.0}) {
            const TGeoCoord geo = s.PixelToGeo(x, y);
            const TUtmCoord plain = GeoToUtm(geo, wgs);
            const TMapPoint world = map->GeoToWorld(geo);
            EXPECT_EQ(world.X, plain.X);
            EXPECT_EQ(world.Y, plain.Y);
            const TMapPoint p = map->Georef.WorldToPixelPoint(world);
            EXPECT_EQ(p.X, toX(plain.X, plain.Y));
            EXPECT_EQ(p.Y, toY(plain.X, plain.Y));
        }
    }
    // A track leaving the sheet into zone 30 stays in zone 31's plane.
    const TGeoCoord west{DegToRad(-0.2), DegToRad(45.0), 0.0};
    ASSERT_EQ(UtmZone(west), 30);
    EXPECT_EQ(map->GeoToWorld(west).X, GeoToUtm(west, wgs, 31, false).X);

    // A map of projection "Unknown" works in radians.
    map->SetAttribute(acProjection, "Unknown");
    const TMapPoint radians = map->GeoToWorld(west);
    EXPECT_EQ(radians.X, west.Lon);
    EXPECT_EQ(radians.Y, west.Lat);
}
