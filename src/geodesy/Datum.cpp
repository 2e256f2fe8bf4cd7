#include "geodesy/Datum.h"

#include <cmath>
#include <cstddef>

#include "platform/Exceptions.h"
#include "platform/Numbers.h"
#include "xml/Cp1252.h"
#include "xml/Xmlfile.h"

// ---------------------------------------------------------------- TEllipsoid

namespace {

double Checked(double v)
{
    if (!std::isfinite(v) || std::fabs(v) < 1e-16) throw TException("", "Invalid parameter for ellipsoid", "");
    return v;
}

} // namespace

TEllipsoid::TEllipsoid(const std::string& name, double a, double invF)
    : Name(name), A(Checked(a)), InvF(Checked(invF))
{
    F = 1.0 / InvF;
    B = (1.0 - F) * A;
    E2 = (2.0 - F) * F;
    Ep2 = A * A / (B * B) - 1.0;
    const double e4 = E2 * E2;
    const double e6 = e4 * E2;
    M1 = 1.0 - E2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0;
    M2 = 3.0 / 8.0 * (E2 + e4 / 4.0 + 15.0 * e6 / 128.0);
    M3 = 15.0 / 256.0 * (e4 + 3.0 * e6 / 4.0);
    M4 = 35.0 * e6 / 3072.0;

    OneMinusE2 = 1.0 - E2;
    const double r = std::sqrt(OneMinusE2);
    FootE1 = (1.0 - r) / (1.0 + r);
    const double e1 = FootE1;
    const double e12 = e1 * e1;
    const double e13 = e12 * e1;
    const double e14 = e12 * e12;
    Foot2 = 3.0 * e1 / 2.0 - 27.0 * e13 / 32.0;
    Foot4 = 21.0 * e12 / 16.0 - 55.0 * e14 / 32.0;
    Foot6 = 151.0 * e13 / 96.0;
}

double TEllipsoid::RadiusInAzimuth(double lat, double azimuth) const
{
    const double s = std::sin(lat);
    const double den = 1.0 - E2 * s * s;
    const double rho = OneMinusE2 * A / (den * std::sqrt(den));
    const double nu = A / std::sqrt(den);
    const double theta = DegToRad(90.0 - azimuth);
    const double st = std::sin(theta);
    const double ct = std::cos(theta);
    return std::sqrt(st * st * rho * rho + ct * ct * nu * nu);
}

// ---------------------------------------------------------------- TDatum

TDatum::TDatum(const std::string& name, const std::string& region, const TEllipsoid& ellipsoid,
               const TBaseCoord& delta, const TBaseCoord& error)
    : Name(name), Region(region), Ellipsoid(ellipsoid), Delta(delta), Error(error)
{
}

const TDatum* DefaultDatum()
{
    // Built on first use, so that other units' static objects may use it.
    static const TDatum wgs84("WGS 84", "Global", TEllipsoid("WGS 84", 6378137.0, 298.257223563), {}, {});
    return &wgs84;
}

// ---------------------------------------------------------------- the datum file

namespace {

struct TDatumRecord {
    bool DatumFound = false;
    bool EllipsoidFound = false;
    std::string EllipsoidName;
    double Axes[2] = {0.0, 0.0}; // a, 1/f
    double Delta[3] = {0.0, 0.0, 0.0};
    double Error[3] = {0.0, 0.0, 0.0};
};

// Document order decides: elements of the requested name are read until one
// of the requested region has been seen (so an unknown region leaves the last
// element of that name), and the ellipsoid is the first definition of the
// collected ellipsoid name that follows.
TDatumRecord ReadDatum(const std::string& name, const std::string& region, const std::string& xmlFile)
{
    TDatumRecord rec;
    bool inDatum = false;
    bool regionFound = false;
    bool inEllipsoid = false;
    bool ellipsoidDone = false;
    TXmlInput in(xmlFile);
    while (in.HasData()) {
        const TXmlData item = in.Get();
        switch (item.Kind) {
        case xkEnd:
            if (item.Element == "Datum")
                inDatum = false;
            else if (item.Element == "Ellipsoid")
                inEllipsoid = false;
            break;
        case xkAttribute:
            if (!regionFound && item.Element == "Datum" && item.Name == "Name" && item.Value == name)
                inDatum = true;
            if (!ellipsoidDone && item.Element == "Ellipsoid" && item.Name == "Name" &&
                item.Value == rec.EllipsoidName)
                inEllipsoid = rec.EllipsoidFound = true;
            rec.DatumFound = rec.DatumFound || inDatum;
            break;
        case xkText:
            if (inDatum) {
                if (item.Element == "Ellipsoid")
                    rec.EllipsoidName = item.Value;
                else if (item.Element == "Delta")
                    ScanDoubles(item.Value, rec.Delta, 3);
                else if (item.Element == "Error")
                    ScanDoubles(item.Value, rec.Error, 3);
                else if (item.Element == "Region" && item.Value == region)
                    regionFound = true;
            }
            if (inEllipsoid) {
                if (item.Element == "Ellipsoid") ScanDoubles(item.Value, rec.Axes, 2);
                ellipsoidDone = true;
            }
            break;
        default:
            break;
        }
    }
    return rec;
}

TDatum MakeDatum(const std::string& name, const std::string& region, const std::string& xmlFile)
{
    TDatumRecord r = ReadDatum(name, region, xmlFile);
    try {
        return TDatum(name, region, TEllipsoid(r.EllipsoidName, r.Axes[0], r.Axes[1]),
                      {r.Delta[0], r.Delta[1], r.Delta[2]}, {r.Error[0], r.Error[1], r.Error[2]});
    } catch (const TException& e) {
        // A typo, a file of another installation or a damaged one: name
        // what was looked for, and where.
        const std::string file = Utf8ToCp1252(xmlFile);
        std::string details = "datum \"" + Excerpt(name) + "\", region \"" + Excerpt(region) + "\": ";
        if (!r.DatumFound)
            details += "not in " + file;
        else if (!r.EllipsoidFound)
            details += "its ellipsoid \"" + Excerpt(r.EllipsoidName) + "\" does not follow it in " + file;
        else
            details += "its ellipsoid \"" + Excerpt(r.EllipsoidName) + "\" has no valid axes in " + file;
        throw TException(e.Where(), e.WhatText(), details);
    }
}

} // namespace

TDatum::TDatum(const std::string& name, const std::string& region, const std::string& xmlFile)
    : TDatum(MakeDatum(name, region, xmlFile))
{
}

TDatum::TDatum(TDatumSet& set, const std::string& name, const std::string& region)
    : TDatum(MakeDatum(name, region, set.FileName))
{
}

TDatumSet::TDatumSet(const std::string& xmlFile)
    : FileName(xmlFile), FDatumCursor(FDatums.end()), FChosen(FDatums.end())
{
    std::string name;
    std::string region;
    TXmlInput in(xmlFile);
    while (in.HasData()) {
        const TXmlData item = in.Get();
        if (item.Kind == xkAttribute && item.Element == "Datum" && item.Name == "Name")
            name = item.Value;
        else if (item.Kind == xkText && item.Element == "Region")
            region = item.Value;
        else if (item.Kind == xkEnd && item.Element == "Datum")
            Add(name, region);
    }
    FDatumCursor = FDatums.begin();
}

// ---------------------------------------------------------------- TDatumSet

void TDatumSet::FirstDatum() { FDatumCursor = FDatums.begin(); }

const char* TDatumSet::NextDatum()
{
    if (FDatumCursor == FDatums.end()) return nullptr;
    const char* name = FDatumCursor->first.c_str();
    ++FDatumCursor;
    return name;
}

void TDatumSet::FirstRegion(const std::string& datum)
{
    FChosen = FDatums.find(datum);
    if (FChosen != FDatums.end()) FRegionCursor = FChosen->second.begin();
}

const char* TDatumSet::NextRegion()
{
    if (FChosen == FDatums.end() || FRegionCursor == FChosen->second.end()) return nullptr;
    const char* region = FRegionCursor->c_str();
    ++FRegionCursor;
    return region;
}

void TDatumSet::Add(const std::string& name, const std::string& region) { FDatums[name].insert(region); }
