#include "model/Map.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "geodesy/MgcInterp2DThinPlateSpline.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "platform/StringGrid.h"
#include "xml/Xmlfile.h"

namespace {

const char* const RefColumns[8] = {" N", " Pixel X", " Pixel Y", " Easting", " Northing", " Zone", " Latitude",
                                   " Longitude"};

[[noreturn]] void InvalidNumber(const std::string& name, const std::string& text)
{
    throw TException(name, "Invalid number", Excerpt(text));
}

std::int32_t ReadPixel(const std::string& name, const std::string& text)
{
    long long value = 0;
    if (!ParseInt(text, value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        InvalidNumber(name, text);
    return static_cast<std::int32_t>(value);
}

// A number that is no place is refused too: the UTM projection has no zone
// for it.
double ReadDegrees(const std::string& name, const std::string& text)
{
    const double limit = name == "Lat" ? 90.0 : 180.0;
    double value = 0.0;
    if (!ParseDouble(text, value) || !(std::fabs(value) <= limit)) InvalidNumber(name, text);
    return value;
}

// Easting and northing of a reference in the given zone; its own UTM when it
// lies there, so that a map inside one zone keeps exactly those figures.
TMapPoint UtmInZone(const TLocation& location, int zone, bool southern)
{
    if (location.Utm.ZoneNumber() == zone && location.Utm.IsSouthern() == southern)
        return {location.Utm.X, location.Utm.Y};
    const TUtmCoord utm = GeoToUtm(location.Geo, location.Datum->Ellipsoid, zone, southern);
    return {utm.X, utm.Y};
}

// |a - b| of two 32-bit values, exact.
std::uint64_t Distance(std::int32_t a, std::int32_t b)
{
    const std::int64_t d = static_cast<std::int64_t>(a) - b;
    return static_cast<std::uint64_t>(d < 0 ? -d : d);
}

} // namespace

// ---------------------------------------------------------------- TMapRef

TMapRef::TMapRef(std::int32_t pixelX, std::int32_t pixelY, const TLocation& location)
    : TBasePoint(location), PixelX(pixelX), PixelY(pixelY)
{
}

// ---------------------------------------------------------------- TGeoref

TGeoref::TGeoref(TMap* map) : TChampNode(ntGeoref), Map(map)
{
    FDisplayName = "Reference points";
}

TGeoref::~TGeoref() = default;

void TGeoref::UpdateName() {}

void TGeoref::Changed()
{
    if (Map) ++Map->FChangeCount;
}

void TGeoref::AddRef(TMapRef* ref)
{
    if (!ref) return;
    // A place the file can hold and read again (seven decimals of degrees).
    const double lat = RadToDeg(ref->Location.Geo.Lat);
    const double lon = RadToDeg(ref->Location.Geo.Lon);
    if (!(std::fabs(lat) < 90.00000005) || !(std::fabs(lon) < 180.00000005))
        throw TException("", "Invalid position",
                         "pixel " + std::to_string(ref->PixelX) + ", " + std::to_string(ref->PixelY));
    if (!Refs.insert(ref)) throw TException("", "Duplicate reference", "");
    Changed();
}

void TGeoref::DeleteRef(const TMapRef* ref)
{
    TMapRef* held = Refs.erase(ref);
    if (!held) throw TException("", "Can't delete. Map reference does not exist.", "");
    delete held;
    Changed();
}

TMapRef* TGeoref::FindNearestRef(std::int32_t x, std::int32_t y) const
{
    // Squares of 32-bit differences need 64 bits, their sum one bit more.
    using TWide = unsigned __int128;
    TMapRef* nearest = nullptr;
    TWide best = 0;
    for (TMapRef* ref : Refs) {
        const std::uint64_t dx = Distance(ref->PixelX, x);
        const std::uint64_t dy = Distance(ref->PixelY, y);
        const TWide d2 = static_cast<TWide>(dx * dx) + dy * dy;
        if (!nearest || d2 < best) {
            nearest = ref;
            best = d2;
        }
    }
    return nearest;
}

bool TGeoref::WorldZone(int& zone, bool& southern) const
{
    if (Valid && FHasFitZone) {
        zone = FFitZone;
        southern = FFitSouthern;
        return true;
    }
    if (Refs.empty()) return false;
    const TUtmCoord& first = (*Refs.begin())->Location.Utm;
    zone = first.ZoneNumber();
    southern = first.IsSouthern();
    return true;
}

bool TGeoref::Calculate(TMapProjection kind)
{
    ProjectionKind = kind;
    Changed();
    const int n = static_cast<int>(Refs.size());
    if (n < 3) {
        Valid = false;
        return false;
    }

    const TUtmCoord& first = (*Refs.begin())->Location.Utm;
    const int zone = first.ZoneNumber();
    const bool southern = first.IsSouthern();

    std::vector<double> px, py, wx, wy;
    px.reserve(static_cast<std::size_t>(n));
    py.reserve(static_cast<std::size_t>(n));
    wx.reserve(static_cast<std::size_t>(n));
    wy.reserve(static_cast<std::size_t>(n));
    for (const TMapRef* ref : Refs) {
        // The pixel's centre.
        px.push_back(ref->PixelX + 0.5);
        py.push_back(ref->PixelY + 0.5);
        if (kind == mpUnknown) {
            wx.push_back(ref->Location.Geo.Lon);
            wy.push_back(ref->Location.Geo.Lat);
        } else {
            const TMapPoint world = UtmInZone(ref->Location, zone, southern);
            wx.push_back(world.X);
            wy.push_back(world.Y);
        }
    }

    using Mgc::Interp2DThinPlateSpline;
    FWorldToPixelX = std::make_unique<Interp2DThinPlateSpline>(n, wx.data(), wy.data(), px.data(), 0.0);
    FWorldToPixelY = std::make_unique<Interp2DThinPlateSpline>(n, wx.data(), wy.data(), py.data(), 0.0);
    FPixelToWorldX = std::make_unique<Interp2DThinPlateSpline>(n, px.data(), py.data(), wx.data(), 0.0);
    FPixelToWorldY = std::make_unique<Interp2DThinPlateSpline>(n, px.data(), py.data(), wy.data(), 0.0);
    Valid = FWorldToPixelX->IsInitialized() && FWorldToPixelY->IsInitialized() &&
            FPixelToWorldX->IsInitialized() && FPixelToWorldY->IsInitialized();
    FHasFitZone = kind != mpUnknown;
    FFitZone = zone;
    FFitSouthern = southern;
    return Valid;
}

void TGeoref::PixelToWorld(double px, double py, double& x, double& y) const
{
    if (!Valid) {
        x = y = 0.0;
        return;
    }
    x = (*FPixelToWorldX)(px, py);
    y = (*FPixelToWorldY)(px, py);
}

void TGeoref::WorldToPixel(double x, double y, double& px, double& py) const
{
    if (!Valid) return;
    px = (*FWorldToPixelX)(x, y);
    py = (*FWorldToPixelY)(x, y);
}

TMapPoint TGeoref::WorldToPixelPoint(double x, double y) const
{
    TMapPoint p;
    WorldToPixel(x, y, p.X, p.Y);
    return p;
}

void TGeoref::FillGrid(TStringGrid* grid)
{
    if (!grid) return;
    {
        TGridUpdateLock lock(grid);
        if (grid->ColCount() < 8) grid->SetColCount(8);
        for (int col = 0; col < 8; ++col) grid->SetCell(col, 0, RefColumns[col]);
        int row = 0;
        for (const TMapRef* ref : Refs) {
            ++row;
            if (grid->RowCount() < row + 1) grid->SetRowCount(row + 1);
            const TLocation& place = ref->Location;
            grid->SetCell(0, row, std::to_string(row));
            grid->SetCell(1, row, std::to_string(ref->PixelX));
            grid->SetCell(2, row, std::to_string(ref->PixelY));
            grid->SetCell(3, row, FormatNumber("# ### ###", place.Utm.X));
            grid->SetCell(4, row, FormatNumber("# ### ###", place.Utm.Y));
            grid->SetCell(5, row, place.Utm.Zone);
            grid->SetCell(6, row, FormatAngle(place.Geo.Lat, 11));
            grid->SetCell(7, row, FormatAngle(place.Geo.Lon, 19));
            grid->SetRowCount(row + 1);
        }
        if (row == 0) {
            // No references: one empty row, not what the table showed before.
            grid->SetRowCount(2);
            grid->ClearRow(1);
        }
    }
    Platform::ActivateTable(grid, this);
    Calculate(ProjectionKind);
}

void TGeoref::SelectInGrid(TStringGrid* grid, const TMapRef* ref) const
{
    if (!grid || !ref) return;
    for (int row = 1; row < grid->RowCount(); ++row) {
        long long x = 0, y = 0;
        if (!ParseInt(grid->Cell(1, row), x) || !ParseInt(grid->Cell(2, row), y)) continue;
        if (x != ref->PixelX || y != ref->PixelY) continue;
        grid->SelectRowAndScroll(row);
        return;
    }
}

void TGeoref::WriteXml(TXmlOutput& out)
{
    WriteXmlHead(out, false);
    for (const TMapRef* ref : Refs) {
        out.BeginTag("MapRef");
        out.WriteAttribute("X", std::to_string(ref->PixelX));
        out.WriteAttribute("Y", std::to_string(ref->PixelY));
        out.WriteAttribute("Lat", FormatNumber("0.0000000", out.Number("Lat", RadToDeg(ref->Location.Geo.Lat))));
        out.WriteAttribute("Lon", FormatNumber("0.0000000", out.Number("Lon", RadToDeg(ref->Location.Geo.Lon))));
        out.EndEmptyTag();
    }
    WriteXmlTail(out);
}

bool TGeoref::ReadXml(TXmlInput& in)
{
    // The texts of one MapRef element; absent ones stay empty and fail.
    std::string x, y, lat, lon;
    while (in.HasData()) {
        const TXmlData item = in.Get();
        if (item.Kind == xkStart && item.Element == "MapRef") {
            x.clear();
            y.clear();
            lat.clear();
            lon.clear();
        } else if (item.Kind == xkAttribute && item.Element == "MapRef") {
            if (item.Name == "X")
                x = item.Value;
            else if (item.Name == "Y")
                y = item.Value;
            else if (item.Name == "Lat")
                lat = item.Value;
            else if (item.Name == "Lon")
                lon = item.Value;
            else
                in.PassedOver(item);
        } else if (item.Kind == xkAttribute || item.Kind == xkText) {
            in.PassedOver(item);
        } else if (item.Kind == xkEnd && item.Element == "MapRef") {
            const std::int32_t pixelX = ReadPixel("X", x);
            const std::int32_t pixelY = ReadPixel("Y", y);
            TGeoCoord geo{DegToRad(ReadDegrees("Lon", lon)), DegToRad(ReadDegrees("Lat", lat)), 0.0};
            const TDatum* datum = Map ? Map->GetDatum() : DefaultDatum();
            // Files of version 0.4 stored UTM map references converted on
            // WGS 84 whatever the map's datum: take their grid figures back
            // onto the map datum's ellipsoid.
            const TChampNode* champ = Owner();
            if (champ && champ->HasAttribute(acVersion) && champ->GetAttribute(acVersion) == "0.4" && Map &&
                Map->ProjectionKind == mpUtm)
                geo = GeoToUtm(geo, DefaultDatum()->Ellipsoid).ToGeo(datum->Ellipsoid);
            auto ref = std::make_unique<TMapRef>(pixelX, pixelY, TLocation(geo, datum));
            AddRef(ref.get());
            ref.release();
        } else if (item.Kind == xkEnd && item.Element == "Georef") {
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- TMap

TMap::TMap() : TChampNode(ntMap), Georef(this)
{
    UpdateName();
}

TMap::~TMap() = default;

void TMap::UpdateName()
{
    const std::string& shortName = GetAttribute(acShortName);
    FDisplayName = shortName.empty() ? std::string("(new map)") : shortName;
    const std::string& projection = GetAttribute(acProjection);
    if (projection == "Unknown")
        ProjectionKind = mpUnknown;
    else if (projection == "UTM")
        ProjectionKind = mpUtm;
    else if (projection == "Lambert conformal")
        ProjectionKind = mpLambert;
    Georef.ProjectionKind = ProjectionKind;
    ++FChangeCount;
    // Datum and Region are set one after the other: a pair that names no
    // datum yet is taken up by GetDatum, which reports it if it stays so.
    if (DatumStale()) {
        try {
            FollowDatum();
        } catch (const TException&) {
        }
    }
}

void TMap::SetOwner(TChampNode* owner)
{
    TChampNode::SetOwner(owner);
    Georef.SetOwner(owner);
}

const TDatum* TMap::GetDatum()
{
    if (!FDatum || DatumStale()) FollowDatum();
    return FDatum.get();
}

bool TMap::DatumStale() const
{
    return FDatum && (FDatumName != GetAttribute(acDatum) || FDatumRegion != GetAttribute(acRegion));
}

void TMap::FollowDatum()
{
    const std::string& name = GetAttribute(acDatum);
    const std::string& region = GetAttribute(acRegion);
    std::unique_ptr<TDatum> datum;
    try {
        datum = std::make_unique<TDatum>(name, region, Platform::ProgramFolder() + "/Datums.xml");
    } catch (const TException& e) {
        // The datum file names its datum and region; this says whose.
        if (!e.Where().empty() || e.WhatText() != "Invalid parameter for ellipsoid") throw;
        throw TException("Map " + Excerpt(KeyValue()), e.WhatText(), e.Details());
    }
    FDatumName = name;
    FDatumRegion = region;
    if (!FDatum) {
        FDatum = std::move(datum);
        return;
    }
    // The references point to the old datum: they move first.
    for (TMapRef* ref : Georef.Refs) ref->Location = TLocation(ref->Location.Geo, datum.get());
    FDatum = std::move(datum);
    ++FChangeCount;
    if (Georef.Valid) {
        Georef.Calculate(ProjectionKind);
        CalculateGrid();
    }
}

TMapPoint TMap::GeoToWorld(const TGeoCoord& geo)
{
    if (ProjectionKind == mpUnknown) return {geo.Lon, geo.Lat};
    const TEllipsoid& ellipsoid = GetDatum()->Ellipsoid;
    int zone = 0;
    bool southern = false;
    const TUtmCoord utm =
        Georef.WorldZone(zone, southern) ? GeoToUtm(geo, ellipsoid, zone, southern) : GeoToUtm(geo, ellipsoid);
    return {utm.X, utm.Y};
}

void TMap::SetGrid(std::int32_t width, std::int32_t height, double spacing)
{
    GridWidth = width;
    GridHeight = height;
    GridSpacing = spacing;
    CalculateGrid();
}

void TMap::CalculateGrid()
{
    // Without a valid fit the corners and pixels mean nothing.
    if (!Georef.Valid) {
        Grid.Clear();
        return;
    }
    Grid.Calculate(
        GridWidth, GridHeight, GridSpacing,
        [this](double px, double py) {
            TMapPoint world;
            Georef.PixelToWorld(px, py, world.X, world.Y);
            return world;
        },
        [this](double x, double y) { return Georef.WorldToPixelPoint(x, y); });
}

void TMap::WriteXml(TXmlOutput& out)
{
    WriteXmlHead(out, false);
    Georef.WriteXml(out);
    WriteXmlTail(out);
}

bool TMap::ReadXml(TXmlInput& in)
{
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    const std::string& element = NodeTypeNames.XmlName(ntMap);
    while (in.HasData()) {
        const TXmlData item = in.Get();
        switch (item.Kind) {
        case xkStart:
            if (item.Element == "Georef") {
                Georef.Map = this;
                Georef.ReadXml(in);
            }
            break;
        case xkEnd:
            if (item.Element == element) {
                CheckDatumOfRefs();
                return true;
            }
            break;
        case xkAttribute:
        case xkText:
            ReadAttributeItem(in, item, element);
            break;
        default:
            break;
        }
    }
    CheckDatumOfRefs();
    return false;
}

void TMap::CheckDatumOfRefs()
{
    // A Datum or Region read after the references may name a datum that
    // is not in the datum file: a file written now would then not open
    // again, where the references come after them.
    if (!Georef.Refs.empty()) GetDatum();
}
