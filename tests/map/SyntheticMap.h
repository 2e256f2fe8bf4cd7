#pragma once
// A scanned map made up for tests: the bitmap is an affine image of one UTM
// zone's grid (scale, rotation) with an optional smooth scan distortion of a
// few pixels, so the true pixel -> UTM mapping is known everywhere.

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Map.h"

namespace maptest {

struct TSyntheticMap {
    double East0 = 480000.0;     // UTM of the bitmap's top-left corner
    double North0 = 5010000.0;
    double MetresPerPixel = 5.0; // 1:50 000 at 254 dpi
    double Rotation = 0.02;      // radians, grid north against the bitmap's up
    double Warp = 0.0;           // largest scan distortion, pixels
    bool Mirrored = false;       // scanned through the back of the sheet
    std::string Zone = "31T";
    int Width = 8000;
    int Height = 6000;

    // The true place of a bitmap position (pixels, not pixel indices).
    TMapPoint PixelToUtm(double px, double py) const
    {
        const double u = px / Width, v = py / Height;
        // Smooth, no inflection: paper that shrank unevenly.
        px += Warp * u * u;
        py += Warp * u * v;
        const double c = std::cos(Rotation), s = std::sin(Rotation);
        const double dx = (Mirrored ? -px : px) * MetresPerPixel, dy = -py * MetresPerPixel;
        return {East0 + c * dx - s * dy, North0 + s * dx + c * dy};
    }
    TGeoCoord PixelToGeo(double px, double py) const
    {
        const TMapPoint utm = PixelToUtm(px, py);
        return TUtmCoord(utm.X, utm.Y, 0.0, Zone).ToGeo(DefaultDatum()->Ellipsoid);
    }
    // A reference at pixel (x, y), true place at the pixel's centre.
    TMapRef* MakeRef(TMap& map, int x, int y) const
    {
        return new TMapRef(x, y, TLocation(PixelToGeo(x + 0.5, y + 0.5), map.GetDatum()));
    }
};

// A UTM map on WGS 84 with no references.
inline std::unique_ptr<TMap> NewUtmMap(const std::string& shortName = "M1")
{
    auto map = std::make_unique<TMap>();
    map->SetAttribute(acShortName, shortName);
    map->SetAttribute(acDatum, "WGS 84");
    map->SetAttribute(acRegion, "Global");
    map->SetAttribute(acProjection, "UTM");
    return map;
}

// References on an n x n lattice over the bitmap (n = 1 is not meant).
inline void AddLattice(TMap& map, const TSyntheticMap& s, int n)
{
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            map.Georef.AddRef(s.MakeRef(map, (s.Width - 1) * i / (n - 1), (s.Height - 1) * j / (n - 1)));
}

} // namespace maptest
