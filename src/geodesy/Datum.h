#pragma once
// Ellipsoids, geodetic datums, the list of the datums of a datum file and
// the built-in "WGS 84" datum.
//
// The datum file ("Datums.xml") holds one "Datum" element per datum and
// region (attribute "Name"; children "Ellipsoid", "Delta", "Error",
// "Region") and one "Ellipsoid" element per ellipsoid (attribute "Name",
// text "a 1/f"). It is read in document order: an ellipsoid is found only
// after the datum that names it.

#include <map>
#include <set>
#include <string>

#include "geodesy/Coord.h"

class TEllipsoid {
public:
    // Throws TException "Invalid parameter for ellipsoid" when |a| or |invF|
    // is below 1e-16 (or not a number).
    TEllipsoid(const std::string& name, double a, double invF);

    // sqrt(cos^2 az rho^2 + sin^2 az nu^2): with the spherical course this is
    // the factor that turns a central angle into metres.
    double RadiusInAzimuth(double lat, double azimuth) const;

    std::string Name;
    double A;    // semi-major axis, metres
    double InvF; // inverse flattening
    double B;    // semi-minor axis
    double F;
    double E2;   // first eccentricity squared
    double Ep2;  // second eccentricity squared
    double M1, M2, M3, M4; // meridian arc coefficients

    // Derived once for the inverse projection (footpoint latitude series).
    double OneMinusE2;
    double FootE1;
    double Foot2, Foot4, Foot6;
};

class TDatumSet;

class TDatum {
public:
    // Reads the datum of that name and region, and its ellipsoid, from the
    // file. A name whose region is not in the file takes the last element of
    // that name; a name not in the file fails as an invalid ellipsoid.
    TDatum(const std::string& name, const std::string& region, const std::string& xmlFile);
    TDatum(TDatumSet& set, const std::string& name, const std::string& region);
    TDatum(const std::string& name, const std::string& region, const TEllipsoid& ellipsoid,
           const TBaseCoord& delta, const TBaseCoord& error = {});

    std::string Name;
    std::string Region;
    TEllipsoid Ellipsoid;
    TBaseCoord Delta; // dx dy dz, added on the way to WGS 84 (metres)
    TBaseCoord Error; // stored only
};

// The built-in datum "WGS 84", region "Global": the default of every location.
const TDatum* DefaultDatum();

// The datum names of a file with their regions, both in byte-wise order,
// and two cursors to walk them.
class TDatumSet {
public:
    explicit TDatumSet(const std::string& xmlFile);
    TDatumSet(const TDatumSet&) = delete;
    TDatumSet& operator=(const TDatumSet&) = delete;

    void FirstDatum();
    const char* NextDatum(); // null after the last

    // Chooses the datum (none when the name is unknown) and restarts its regions.
    void FirstRegion(const std::string& datum);
    const char* NextRegion(); // null after the last or without a chosen datum

    void Add(const std::string& name, const std::string& region);

    std::string FileName;

private:
    using TRegions = std::set<std::string>;
    using TNames = std::map<std::string, TRegions>;
    TNames FDatums;
    TNames::const_iterator FDatumCursor;
    TNames::const_iterator FChosen;
    TRegions::const_iterator FRegionCursor;
};
