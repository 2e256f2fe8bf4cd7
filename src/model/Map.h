#pragma once
// Scanned maps and their georeference.
//
// A map's georeference ties bitmap pixels to places through reference points
// and fits four thin plate splines from them: world -> pixel x and y, pixel ->
// world x and y. World coordinates are longitude and latitude in radians on a
// map of projection "Unknown", UTM easting and northing in metres on the
// others.
//
// One zone per map. A UTM map whose reference points lie on both sides of a
// zone boundary would otherwise mix eastings of two zones in one fit. The fit
// therefore takes every easting and northing in the zone and hemisphere of the
// first reference point (in pixel order), and TMap::GeoToWorld projects any
// other place into that same zone. Everything that puts a geographic position
// onto the map (track, waypoints, task, events) goes through GeoToWorld:
//
//     TGeoCoord g = ConvertDatum(p, DefaultDatum(), map->GetDatum());
//     TMapPoint px = map->Georef.WorldToPixelPoint(map->GeoToWorld(g));
//
// Inside one zone the result is exactly that of GeoToUtm. The grid and
// PixelToWorld give world coordinates of that zone too (after a fit, the zone
// of the first reference).
//
// Change counter. ChangeCount() moves on every attribute change, every
// reference added or deleted, every fit and every change of the map's datum;
// whoever keeps pixel positions made from a map compares it to know when they
// are stale.
//
// The fit is made only when a map is loaded into the view and when its
// reference table is shown; adding or deleting a reference does not refit.

#include <cstdint>
#include <memory>
#include <string>

#include "geodesy/Base.h"
#include "geodesy/Datum.h"
#include "model/Champobjects.h"
#include "model/Mapgrid.h"
#include "model/PtrSet.h"

namespace Mgc {
class Interp2DThinPlateSpline;
}

class TMap;

// The code of a map's Projection text.
enum TMapProjection : std::uint8_t {
    mpUnknown = 0,  // "Unknown": longitude and latitude, radians
    mpUtm = 1,      // "UTM": easting and northing, metres
    mpLambert = 2,  // "Lambert conformal": treated as UTM (nothing Lambert is computed)
};

// One reference point: a place on the map's datum and its bitmap pixel.
// Ordered by pixel row, then column; two references on one pixel are equal.
class TMapRef : public TBasePoint {
public:
    TMapRef(std::int32_t pixelX, std::int32_t pixelY, const TLocation& location = TLocation());

    bool operator<(const TMapRef& other) const
    {
        return PixelY != other.PixelY ? PixelY < other.PixelY : PixelX < other.PixelX;
    }

    std::int32_t PixelX;
    std::int32_t PixelY;
};

class TGeoref : public TChampNode {
public:
    explicit TGeoref(TMap* map = nullptr);
    ~TGeoref() override;
    TGeoref(const TGeoref&) = delete;
    TGeoref& operator=(const TGeoref&) = delete;

    void UpdateName() override;
    // The reference table (eight columns), then activates the table and
    // refits with the georeference's own projection kind.
    void FillGrid(TStringGrid* grid) override;
    void WriteXml(TXmlOutput& out) override;
    // Reads the MapRef elements up to the end tag of Georef. Reference text
    // that does not read throws TException "Invalid number" (where: the XML
    // attribute, details: the text).
    bool ReadXml(TXmlInput& in) override;

    // Takes ownership. Throws TException "Duplicate reference" when a
    // reference on that pixel is there, "Invalid position" when its place is
    // not finite or lies beyond 90 degrees of latitude or 180 of longitude;
    // the caller then keeps `ref`.
    void AddRef(TMapRef* ref);
    // Deletes the held reference on the pixel of `ref` (which may be a mere
    // probe: only the held one is deleted). Throws TException "Can't delete.
    // Map reference does not exist." when there is none.
    void DeleteRef(const TMapRef* ref);
    // The reference nearest to the pixel; the first in order on a tie; null
    // without references.
    TMapRef* FindNearestRef(std::int32_t x, std::int32_t y) const;

    // Fits the four splines; false (and Valid false) with fewer than three
    // references or a fit that fails.
    bool Calculate(TMapProjection kind);
    // (0, 0) without a valid fit.
    void PixelToWorld(double px, double py, double& x, double& y) const;
    // Leaves px and py untouched without a valid fit.
    void WorldToPixel(double x, double y, double& px, double& py) const;
    // (0, 0) without a valid fit.
    TMapPoint WorldToPixelPoint(double x, double y) const;
    TMapPoint WorldToPixelPoint(const TMapPoint& world) const { return WorldToPixelPoint(world.X, world.Y); }
    // Selects the table row of `ref` and scrolls it into view.
    void SelectInGrid(TStringGrid* grid, const TMapRef* ref) const;

    // Change them only through AddRef and DeleteRef.
    PtrSetOwner<TMapRef*> Refs;
    bool Valid = false;
    TMap* Map;
    TMapProjection ProjectionKind = mpUnknown;

private:
    friend class TMap;
    // The zone and hemisphere in which world coordinates are taken: those of
    // the last fit, else of the first reference; false when there is neither.
    bool WorldZone(int& zone, bool& southern) const;
    void Changed();

    std::unique_ptr<Mgc::Interp2DThinPlateSpline> FWorldToPixelX;
    std::unique_ptr<Mgc::Interp2DThinPlateSpline> FWorldToPixelY;
    std::unique_ptr<Mgc::Interp2DThinPlateSpline> FPixelToWorldX;
    std::unique_ptr<Mgc::Interp2DThinPlateSpline> FPixelToWorldY;
    bool FHasFitZone = false;
    int FFitZone = 0;
    bool FFitSouthern = false;
};

class TMap : public TChampNode {
public:
    TMap();
    ~TMap() override;
    TMap(const TMap&) = delete;
    TMap& operator=(const TMap&) = delete;

    // Display name, projection kind (the georeference follows).
    void UpdateName() override;
    // The map and its georeference belong to the owner (the championship).
    void SetOwner(TChampNode* owner) override;
    void WriteXml(TXmlOutput& out) override;
    bool ReadXml(TXmlInput& in) override;

    // The datum named by Datum and Region in the program folder's
    // "Datums.xml", built on the first call. When Datum or Region change, the
    // map takes the datum they name at once (or, while the pair names none,
    // at the next call, which then throws as a first call would): the
    // references keep their latitudes and longitudes, now on the new datum
    // as the file gives them when read again, and a valid fit and the grid
    // are made again from them.
    const TDatum* GetDatum();

    // The world coordinates of a place given on the map's datum: radians for
    // projection "Unknown", else UTM in the map's zone (see the top). Before
    // the map has a reference, the place's own zone.
    TMapPoint GeoToWorld(const TGeoCoord& geo);

    void SetGrid(std::int32_t width, std::int32_t height, double spacing);
    void CalculateGrid();

    std::uint64_t ChangeCount() const { return FChangeCount; }

    TMapProjection ProjectionKind = mpUnknown;
    TMapGrid Grid;
    std::int32_t GridWidth = 0;
    std::int32_t GridHeight = 0;
    double GridSpacing = 0.0;

private:
    friend class TGeoref;
    // Whether the datum was built from other Datum and Region texts.
    bool DatumStale() const;
    // Builds the datum that Datum and Region name and moves the references
    // onto it; throws when the pair is not in the datum file.
    void FollowDatum();
    // The end of reading: references need the datum that Datum and Region
    // name; throws as GetDatum when it is not in the datum file.
    void CheckDatumOfRefs();

    std::unique_ptr<TDatum> FDatum;
    // The Datum and Region texts FDatum was built from.
    std::string FDatumName;
    std::string FDatumRegion;
    std::uint64_t FChangeCount = 0;

public:
    // After the datum: the references point to it.
    TGeoref Georef;
};
