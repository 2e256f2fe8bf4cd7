#pragma once
// Coordinates: geographic (radians), geocentric cartesian and UTM grid, the
// projection between them on any ellipsoid, datum changes, great-circle
// measures and the angle texts of the tables and the status bar.
//
// Every position is held twice (TLocation): geographic and UTM. Angles are
// radians inside the program and degrees only in files and on screen.

#include <memory>
#include <string>

class TEllipsoid;
class TDatum;

// ---------------------------------------------------------------- constants

inline constexpr double Pi = 3.141592653589793;

constexpr double DegToRad(double degrees) { return degrees * Pi * (1.0 / 180.0); }
constexpr double RadToDeg(double radians) { return radians * 180.0 * (1.0 / Pi); }

inline constexpr double UtmZoneWidthDeg = 6.0;
inline constexpr double UtmCentralMeridianZone1Deg = -177.0;
inline constexpr double UtmZoneOriginDeg = UtmCentralMeridianZone1Deg - 1.5 * UtmZoneWidthDeg;        // -186
inline constexpr double UtmCentralMeridianOffsetDeg = UtmZoneOriginDeg + 0.5 * UtmZoneWidthDeg;        // -183
inline constexpr double UtmZoneWidth = DegToRad(UtmZoneWidthDeg);
inline constexpr double UtmZoneOrigin = DegToRad(UtmZoneOriginDeg);
inline constexpr double UtmCentralMeridianOffset = DegToRad(UtmCentralMeridianOffsetDeg);
inline constexpr double UtmFalseEasting = 500000.0;
inline constexpr double UtmFalseNorthing = 10000000.0;
inline constexpr double UtmScaleFactor = 0.9996;

// Limits of an empty bounding box: adding any location widens it.
inline constexpr double EmptyBoxMaxLat = DegToRad(-90.0);
inline constexpr double EmptyBoxMinLat = DegToRad(90.0);
inline constexpr double EmptyBoxMaxLon = DegToRad(-180.0);
inline constexpr double EmptyBoxMinLon = DegToRad(180.0);

// ---------------------------------------------------------------- types

struct TGeoCoord {
    double Lon = 0.0; // radians, east positive
    double Lat = 0.0; // radians, north positive
    double H = 0.0;   // metres
};

struct TBaseCoord {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
};

// A grid coordinate: three values and the text of its zone.
class TGrdCoord : public TBaseCoord {
public:
    TGrdCoord() = default;
    TGrdCoord(double x, double y, double z, std::string zone) : TBaseCoord{x, y, z}, Zone(std::move(zone)) {}
    TGrdCoord(const TGrdCoord&) = default;
    TGrdCoord(TGrdCoord&&) = default;
    TGrdCoord& operator=(const TGrdCoord&) = default;
    TGrdCoord& operator=(TGrdCoord&&) = default;
    virtual ~TGrdCoord();

    virtual bool IsValid() const = 0;
    virtual TGeoCoord ToGeo(const TEllipsoid& ellipsoid) const = 0;
    virtual std::unique_ptr<TGrdCoord> ToDatum(const TDatum* from, const TDatum* to) const = 0;

    TGeoCoord GetGeo(const TEllipsoid& ellipsoid) const { return ToGeo(ellipsoid); }

    std::string Zone;
};

// X easting (false easting included), Y northing (false northing added in
// the southern hemisphere), Z height; zone text "%2d%c": number and band.
class TUtmCoord final : public TGrdCoord {
public:
    TUtmCoord() = default;
    TUtmCoord(double easting, double northing, double height, std::string zone)
        : TGrdCoord(easting, northing, height, std::move(zone)) {}

    bool IsValid() const override { return true; }
    TGeoCoord ToGeo(const TEllipsoid& ellipsoid) const override;
    std::unique_ptr<TGrdCoord> ToDatum(const TDatum* from, const TDatum* to) const override;

    TUtmCoord ConvertTo(const TDatum* from, const TDatum* to) const;

    // The number at the start of the zone text (0 when there is none) and
    // whether its band letter marks the southern hemisphere.
    int ZoneNumber() const;
    bool IsSouthern() const;
};

// One place in both forms. Utm is always the projection of Geo on Datum's
// ellipsoid: use SetGeo / SetUtm to change one and recompute the other.
class TLocation {
public:
    TLocation(); // the origin on the built-in WGS 84 datum
    explicit TLocation(const TGeoCoord& geo, const TDatum* datum = nullptr);
    TLocation(const TUtmCoord& utm, const TDatum* datum);

    void SetGeo(const TGeoCoord& geo);
    void SetUtm(const TUtmCoord& utm);

    // Grid distance inside one zone, great-circle distance otherwise (metres).
    double Distance(const TLocation& other) const;
    // Initial spherical course to other, degrees in [0, 360).
    double Course(const TLocation& other) const;
    // The place at that course (degrees) and distance (metres), on this datum.
    TLocation Destination(double course, double distance) const;

    const TDatum* Datum; // not owned; never null
    TGeoCoord Geo;
    TUtmCoord Utm;
};

// ---------------------------------------------------------------- operations

// Latitude band letter: C..X, 'Z' above 84 N and below 80 S.
char UtmLetterDesignator(double latitude);

// The UTM zone the position belongs to (Norway and Svalbard included).
int UtmZone(const TGeoCoord& geo);

TUtmCoord GeoToUtm(const TGeoCoord& geo, const TEllipsoid& ellipsoid);
// The same series forced into one zone and hemisphere, for planar work on
// points that lie in a neighbouring zone.
TUtmCoord GeoToUtm(const TGeoCoord& geo, const TEllipsoid& ellipsoid, int zone, bool southern);

TBaseCoord GeoToCartesian(const TGeoCoord& geo, const TEllipsoid& ellipsoid);
TGeoCoord CartesianToGeo(const TBaseCoord& cart, const TEllipsoid& ellipsoid);
TBaseCoord ShiftCartesian(const TBaseCoord& cart, const TDatum* from, const TDatum* to);
// Same pointer: the input unchanged. Otherwise through geocentric
// coordinates; the height takes part and changes.
TGeoCoord ConvertDatum(const TGeoCoord& geo, const TDatum* from, const TDatum* to);

double CentralAngle(const TGeoCoord& a, const TGeoCoord& b);
double GeoDistance(const TGeoCoord& a, const TGeoCoord& b, const TEllipsoid& ellipsoid);
// The ellipsoid is not used: courses are spherical.
double GeoCourse(const TGeoCoord& from, const TGeoCoord& to, const TEllipsoid& ellipsoid);
// Planar distance, or -1.0 when the zone texts differ.
double UtmDistance(const TUtmCoord& a, const TUtmCoord& b);

// Styles 9, 10, 11 are latitudes (N/S), 17, 18, 19 longitudes (E/W): decimal
// degrees; degrees and decimal minutes; degrees, minutes and seconds cut to
// hundredths. The degree sign is the Windows-1252 byte 0xBA. Angles beyond
// 180 degrees and other styles give the empty text.
std::string FormatAngle(double angle, int style);
