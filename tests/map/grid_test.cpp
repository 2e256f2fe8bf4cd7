// The grid of coordinate lines over a georeferenced map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/SyntheticMap.h"
#include "model/Map.h"

using namespace maptest;

namespace {

// Distance of p from the polyline.
double DistanceToPolyline(const TMapPoint& p, const TMapGrid::TPolyline& line)
{
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const TMapPoint a = line[i], b = line[i + 1];
        const double dx = b.X - a.X, dy = b.Y - a.Y;
        const double l2 = dx * dx + dy * dy;
        double t = l2 > 0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(a.X + t * dx - p.X, a.Y + t * dy - p.Y));
    }
    return best;
}

std::size_t PointCount(const TMapGrid& grid)
{
    std::size_t n = 0;
    for (const auto* family : {&grid.First, &grid.Second})
        for (const auto& line : *family) n += line.size();
    return n;
}

// A fitted map with references on an n x n lattice.
std::unique_ptr<TMap> FittedMap(const TSyntheticMap& s, int n)
{
    auto map = NewUtmMap();
    AddLattice(*map, s, n);
    EXPECT_TRUE(map->Georef.Calculate(map->ProjectionKind));
    return map;
}

} // namespace

TEST(MapGrid, LinearFitGivesStraightLinesAtEveryMultiple)
{
    // 10 km x 8 km, grid-aligned: eastings 482 300 .. 492 300.
    TSyntheticMap s;
    s.East0 = 482300.0;
    s.North0 = 5012300.0;
    s.Rotation = 0.0;
    s.Width = 2000;
    s.Height = 1600;
    auto map = NewUtmMap();
    map->Georef.AddRef(s.MakeRef(*map, 0, 0));
    map->Georef.AddRef(s.MakeRef(*map, 1999, 0));
    map->Georef.AddRef(s.MakeRef(*map, 0, 1599));
    ASSERT_TRUE(map->Georef.Calculate(mpUtm));
    map->SetGrid(2000, 1600, 5000.0);

    ASSERT_EQ(map->Grid.Second.size(), 4u); // 480 000 .. 495 000
    ASSERT_EQ(map->Grid.First.size(), 4u);  // 5 000 000 .. 5 015 000
    for (std::size_t i = 0; i < map->Grid.Second.size(); ++i) {
        const auto& line = map->Grid.Second[i];
        ASSERT_EQ(line.size(), 2u);
        const double x = (480000.0 + 5000.0 * static_cast<double>(i) - s.East0) / s.MetresPerPixel;
        EXPECT_NEAR(line[0].X, x, 1e-3);
        EXPECT_NEAR(line[1].X, x, 1e-3);
        EXPECT_GT(line[0].Y, line[1].Y); // south to north: downwards in the bitmap first
    }
    for (std::size_t i = 0; i < map->Grid.First.size(); ++i) {
        const auto& line = map->Grid.First[i];
        ASSERT_EQ(line.size(), 2u);
        EXPECT_NEAR(line[0].Y, (s.North0 - 5000000.0 - 5000.0 * static_cast<double>(i)) / 5.0, 1e-3);
        EXPECT_LT(line[0].X, line[1].X); // west to east
    }
}

TEST(MapGrid, CurvedFitIsFollowedToTheTolerance)
{
    struct TCase {
        double warp, rotation;
        int lattice;
    };
    for (const TCase c : {TCase{60.0, 0.02, 5}, TCase{150.0, 0.3, 4}, TCase{400.0, -0.1, 3}}) {
        SCOPED_TRACE(c.warp);
        TSyntheticMap s;
        s.Warp = c.warp;
        s.Rotation = c.rotation;
        auto map = FittedMap(s, c.lattice);
        if (c.lattice == 3) map->Georef.AddRef(s.MakeRef(*map, 2100, 3300)); // bends it
        ASSERT_TRUE(map->Georef.Calculate(mpUtm));
        map->SetGrid(s.Width, s.Height, 5000.0);
        ASSERT_FALSE(map->Grid.First.empty());
        ASSERT_FALSE(map->Grid.Second.empty());

        // Walk each line's world segment finely: every pixel on it lies on
        // the polyline within the tolerance.
        const auto& g = map->Georef;
        double x0, y0, x1, y1;
        g.PixelToWorld(0, 0, x0, y0);
        g.PixelToWorld(s.Width, s.Height, x1, y1);
        const double west = std::floor(x0 / 5000) * 5000, east = std::ceil(x1 / 5000) * 5000;
        const double south = std::floor(y1 / 5000) * 5000, north = std::ceil(y0 / 5000) * 5000;
        double worst = 0.0;
        std::size_t refined = 0;
        for (int family = 0; family < 2; ++family) {
            const auto& lines = family ? map->Grid.Second : map->Grid.First;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (lines[i].size() > 2) ++refined;
                const double value = (family ? west : south) + 5000.0 * static_cast<double>(i);
                const double a = family ? south : west, b = family ? north : east;
                for (int k = 0; k <= 2000; ++k) {
                    const double t = a + (b - a) * k / 2000.0;
                    const TMapPoint p = family ? g.WorldToPixelPoint(value, t) : g.WorldToPixelPoint(t, value);
                    worst = std::max(worst, DistanceToPolyline(p, lines[i]));
                }
            }
        }
        EXPECT_GT(refined, 0u);
        EXPECT_LE(worst, TMapGrid::Tolerance);
    }
}

TEST(MapGrid, MirroredOrUpsideDownMapsLoseTheAffectedFamily)
{
    TSyntheticMap mirrored;
    mirrored.Mirrored = true;
    auto map = FittedMap(mirrored, 3);
    map->SetGrid(mirrored.Width, mirrored.Height, 5000.0);
    EXPECT_TRUE(map->Grid.Second.empty());  // west edge east of the east edge
    EXPECT_FALSE(map->Grid.First.empty());

    TSyntheticMap upsideDown;
    upsideDown.Rotation = 3.141592653589793;
    auto turned = FittedMap(upsideDown, 3);
    turned->SetGrid(upsideDown.Width, upsideDown.Height, 5000.0);
    EXPECT_TRUE(turned->Grid.First.empty());
    EXPECT_TRUE(turned->Grid.Second.empty());
}

TEST(MapGrid, NoLinesWithoutValidFitOrSpacing)
{
    TSyntheticMap s;
    auto map = NewUtmMap();
    map->Georef.AddRef(s.MakeRef(*map, 0, 0));
    map->Georef.AddRef(s.MakeRef(*map, 100, 100));
    map->Georef.Calculate(mpUtm);
    map->SetGrid(s.Width, s.Height, 5000.0);
    EXPECT_TRUE(map->Grid.First.empty() && map->Grid.Second.empty());

    auto fitted = FittedMap(s, 3);
    for (double spacing : {0.0, -5000.0, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()}) {
        fitted->SetGrid(s.Width, s.Height, 5000.0);
        ASSERT_FALSE(fitted->Grid.First.empty());
        fitted->SetGrid(s.Width, s.Height, spacing);
        EXPECT_TRUE(fitted->Grid.First.empty() && fitted->Grid.Second.empty()) << spacing;
    }
    // A grid far too dense to draw (a line every centimetre).
    fitted->SetGrid(s.Width, s.Height, 0.01);
    EXPECT_TRUE(fitted->Grid.First.empty() && fitted->Grid.Second.empty());
}

TEST(MapGrid, LimitsHoldForAWildFit)
{
    // Lines as many as allowed, each curve nowhere smooth.
    const TMapGrid::TMapping toWorld = [](double px, double py) { return TMapPoint{px, -py}; };
    const TMapGrid::TMapping wild = [](double x, double y) {
        return TMapPoint{std::sin(x * 7919.0 + y * 104729.0) * 1e4, std::cos(y * 7907.0 - x) * 1e4};
    };
    TMapGrid grid;
    grid.Calculate(TMapGrid::MaxLines - 1, TMapGrid::MaxLines - 1, 1.0, toWorld, wild);
    EXPECT_EQ(grid.First.size(), static_cast<std::size_t>(TMapGrid::MaxLines));
    EXPECT_EQ(grid.Second.size(), static_cast<std::size_t>(TMapGrid::MaxLines));
    // Past the budget a line takes its start and end, and the piece being
    // refined one point per pending level.
    EXPECT_LE(PointCount(grid), TMapGrid::MaxPoints + TMapGrid::MaxDepth + 4 * TMapGrid::MaxLines);
    for (const auto& line : grid.Second)
        EXPECT_LE(line.size(), (std::size_t{1} << TMapGrid::MaxDepth) + 1);

    // One line more than allowed: none of that family.
    grid.Calculate(TMapGrid::MaxLines, 10, 1.0, toWorld, wild);
    EXPECT_TRUE(grid.Second.empty());
    EXPECT_EQ(grid.First.size(), 11u);

    // Corners that are no numbers, or pixels that are none.
    const TMapGrid::TMapping nowhere = [](double, double) {
        return TMapPoint{std::numeric_limits<double>::quiet_NaN(), 0.0};
    };
    grid.Calculate(10, 10, 1.0, nowhere, wild);
    EXPECT_TRUE(grid.First.empty() && grid.Second.empty());
    grid.Calculate(10, 10, 1.0, toWorld, nowhere);
    ASSERT_EQ(grid.Second.size(), 11u);
    EXPECT_EQ(grid.Second[0].size(), 2u);
}

TEST(MapGrid, RadianSpacingKeepsTheEastEdgeLine)
{
    // Longitudes 100 s .. 115 s: adding s fifteen times overshoots 115 s.
    const double s = 0.0014544410433286077;
    const TMapGrid::TMapping toWorld = [s](double px, double py) {
        return TMapPoint{(100.0 + px) * s, (50.0 - py) * s};
    };
    const TMapGrid::TMapping toPixel = [s](double x, double y) { return TMapPoint{x / s - 100.0, 50.0 - y / s}; };
    TMapGrid grid;
    grid.Calculate(15, 5, s, toWorld, toPixel);
    EXPECT_EQ(grid.Second.size(), 16u);
}
