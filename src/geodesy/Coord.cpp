#include "geodesy/Coord.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "geodesy/Datum.h"

namespace {

// A boundary meridian belongs to the eastern zone; the tolerance (a few
// micrometres) absorbs the rounding of degrees -> radians -> degrees.
constexpr double ZoneTolerance = 1e-12;

constexpr const char* BandLetters = "CDEFGHJKLMNPQRSTUVW"; // 8-degree bands from 80 S

std::string ZoneText(int zone, char letter)
{
    if (zone >= 0 && zone < 100) {
        const char text[3] = {zone < 10 ? ' ' : static_cast<char>('0' + zone / 10), static_cast<char>('0' + zone % 10),
                              letter};
        return std::string(text, 3);
    }
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf - 1, zone);
    *r.ptr++ = letter;
    return std::string(buf, r.ptr);
}

// Zone number at the start of a zone text (blanks skipped) and the position
// of the character after it.
int ParseZone(const std::string& text, std::size_t& after)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int zone = 0;
    std::size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 6) {
        zone = zone * 10 + (text[i] - '0');
        ++i;
    }
    if (i == start) {
        after = 0;
        return 0;
    }
    after = i;
    return negative ? -zone : zone;
}

bool SouthernLetter(char c) { return c >= 'A' && c < 'N'; }

// The projection series for a given zone and hemisphere.
TUtmCoord Project(const TGeoCoord& geo, const TEllipsoid& e, int zone, bool southern, char letter)
{
    const double lat = geo.Lat;
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    const double t = s / c;
    const double T2 = t * t;
    const double T4 = T2 * T2;
    const double T6 = T2 * T4;

    // sin 2, 4, 6 lat from the one sine and cosine.
    const double s2 = 2.0 * s * c;
    const double c2 = (c - s) * (c + s);
    const double s4 = 2.0 * s2 * c2;
    const double c4 = 1.0 - 2.0 * s2 * s2;
    const double s6 = s4 * c2 + c4 * s2;
    const double M = e.A * (e.M1 * lat - e.M2 * s2 + e.M3 * s4 - e.M4 * s6);

    const double den = 1.0 - e.E2 * s * s;
    const double nu = e.A / std::sqrt(den);
    const double psi = den / e.OneMinusE2; // nu / rho
    const double psi2 = psi * psi;
    const double psi3 = psi2 * psi;
    const double psi4 = psi2 * psi2;

    const double lon0 = DegToRad(zone * UtmZoneWidthDeg + UtmCentralMeridianOffsetDeg);
    // Taken the short way round: a point forced into a zone across 180 lies
    // a few degrees from its central meridian, not almost 360.
    const double w = std::remainder(geo.Lon - lon0, 2.0 * Pi);
    const double wc = w * c;
    const double wc2 = wc * wc;
    const double wc3 = wc2 * wc;
    const double wc5 = wc3 * wc2;
    const double wc7 = wc5 * wc2;

    const double E1 = wc;
    const double E2t = (1.0 / 6.0) * wc3 * (psi - T2);
    const double E3 = (1.0 / 120.0) * wc5 *
                      (4.0 * psi3 * (1.0 - 6.0 * T2) + psi2 * (1.0 + 8.0 * T2) - 2.0 * psi * T2 + T4);
    const double E4 = (1.0 / 5040.0) * wc7 * (61.0 - 479.0 * T2 + 179.0 * T4 - T6);
    const double easting = UtmScaleFactor * nu * (E1 + E2t + E3 + E4) + UtmFalseEasting;

    const double q = s * c * w * w; // s w^2 c
    const double wc4 = wc2 * wc2;
    const double wc6 = wc4 * wc2;
    const double N1 = 0.5 * q;
    const double N2 = (1.0 / 24.0) * q * wc2 * (4.0 * psi2 + psi - T2);
    const double N3 = (1.0 / 720.0) * q * wc4 *
                      (8.0 * psi4 * (11.0 - 24.0 * T2) - 28.0 * psi3 * (1.0 - 6.0 * T2) +
                       psi2 * (1.0 - 32.0 * T2) - 2.0 * psi * T2 + T4);
    const double N4 = (1.0 / 40320.0) * q * wc6 * (1385.0 - 3111.0 * T2 + 543.0 * T4 - T6);
    double northing = UtmScaleFactor * (M + nu * (N1 + N2 + N3 + N4));
    if (southern) northing += UtmFalseNorthing;

    return TUtmCoord(easting, northing, geo.H, ZoneText(zone, letter));
}

// Course from `from` to `to` once their central angle is known.
double CourseWithAngle(const TGeoCoord& from, const TGeoCoord& to, double angle)
{
    if (angle < 1e-12) return 0.0;
    const double cf = std::cos(from.Lat);
    const double sf = std::sin(from.Lat);
    if (std::fabs(cf) < 1e-16) return (3.0 - sf) * 90.0;
    const double dlon = from.Lon - to.Lon;
    const double ct = std::cos(to.Lat);
    const double y = std::sin(dlon) * ct;
    const double x = cf * std::sin(to.Lat) - sf * ct * std::cos(dlon);
    return std::fmod(360.0 - RadToDeg(std::atan2(y, x)), 360.0);
}

} // namespace

// ---------------------------------------------------------------- TUtmCoord

TGrdCoord::~TGrdCoord() = default;

int TUtmCoord::ZoneNumber() const
{
    std::size_t after = 0;
    return ParseZone(Zone, after);
}

bool TUtmCoord::IsSouthern() const
{
    std::size_t after = 0;
    ParseZone(Zone, after);
    return after > 0 && after < Zone.size() && SouthernLetter(Zone[after]);
}

TGeoCoord TUtmCoord::ToGeo(const TEllipsoid& e) const
{
    std::size_t after = 0;
    const int zone = ParseZone(Zone, after);
    const bool southern = after > 0 && after < Zone.size() && SouthernLetter(Zone[after]);
    const double x = X - UtmFalseEasting;
    const double y = southern ? Y - UtmFalseNorthing : Y;

    const double lon0 = DegToRad(zone * UtmZoneWidthDeg + UtmCentralMeridianOffsetDeg);
    const double mu = (y / UtmScaleFactor) / (e.A * e.M1);
    const double sm2 = std::sin(2.0 * mu);
    const double cm2 = std::cos(2.0 * mu);
    const double sm4 = 2.0 * sm2 * cm2;
    const double cm4 = 1.0 - 2.0 * sm2 * sm2;
    const double sm6 = sm4 * cm2 + cm4 * sm2;
    const double phi1 = mu + e.Foot2 * sm2 + e.Foot4 * sm4 + e.Foot6 * sm6;

    const double s = std::sin(phi1);
    const double c = std::cos(phi1);
    const double t = s / c;
    const double den = 1.0 - e.E2 * s * s;
    const double N1 = e.A / std::sqrt(den);
    const double T1 = t * t;
    const double C1 = e.Ep2 * c * c;
    const double R1 = e.OneMinusE2 * N1 / den;
    const double D = x / (N1 * UtmScaleFactor);
    const double D2 = D * D;
    const double D3 = D2 * D;
    const double D4 = D2 * D2;
    const double D5 = D4 * D;
    const double D6 = D4 * D2;

    TGeoCoord g;
    g.Lat = phi1 - (N1 * t / R1) *
                       (D2 / 2.0 - (5.0 + 3.0 * T1 + 10.0 * C1 - 4.0 * C1 * C1 - 9.0 * e.Ep2) * D4 / 24.0 +
                        (61.0 + 90.0 * T1 + 298.0 * C1 + 45.0 * T1 * T1 - 252.0 * e.Ep2 - 3.0 * C1 * C1) *
                            D6 / 720.0);
    g.Lon = lon0 + (D - (1.0 + 2.0 * T1 + C1) * D3 / 6.0 +
                    (5.0 - 2.0 * C1 + 28.0 * T1 - 3.0 * C1 * C1 + 8.0 * e.Ep2 + 24.0 * T1 * T1) * D5 / 120.0) /
                       c;
    g.H = Z;
    return g;
}

std::unique_ptr<TGrdCoord> TUtmCoord::ToDatum(const TDatum* from, const TDatum* to) const
{
    return std::make_unique<TUtmCoord>(ConvertTo(from, to));
}

TUtmCoord TUtmCoord::ConvertTo(const TDatum* from, const TDatum* to) const
{
    return GeoToUtm(ConvertDatum(ToGeo(from->Ellipsoid), from, to), to->Ellipsoid);
}

// ---------------------------------------------------------------- projection

namespace {

char BandLetter(double d)
{
    if (d > 84.0) return 'Z';
    if (d >= 72.0) return 'X';
    if (!(d >= -80.0)) return 'Z';
    int i = static_cast<int>((d + 80.0) / 8.0);
    // The division may round across a band limit; the limits are exact.
    if (i > 18) i = 18;
    while (i > 0 && d < -80.0 + 8.0 * i) --i;
    while (i < 18 && d >= -80.0 + 8.0 * (i + 1)) ++i;
    return BandLetters[i];
}

int ZoneOf(double lat, double lon)
{
    const double number = (lon - UtmZoneOriginDeg) / UtmZoneWidthDeg + ZoneTolerance;
    // No place has a longitude that is not a number or beyond any range: no
    // zone (converting such a value to an integer is undefined).
    if (!(std::fabs(number) < 1e6)) return 0;
    int zone = static_cast<int>(number);
    // Longitude limits with the same tolerance as the zone number; latitude
    // limits are exact, as for the band letters.
    auto east = [lon](double limit) { return lon >= limit - UtmZoneWidthDeg * ZoneTolerance; };
    if (lat >= 56.0 && lat < 64.0 && east(3.0) && !east(12.0)) zone = 32;
    if (lat >= 72.0 && lat < 84.0) {
        if (east(0.0) && !east(9.0))
            zone = 31;
        else if (east(9.0) && !east(21.0))
            zone = 33;
        else if (east(21.0) && !east(33.0))
            zone = 35;
        else if (east(33.0) && !east(42.0))
            zone = 37;
    }
    return zone;
}

} // namespace

char UtmLetterDesignator(double latitude) { return BandLetter(RadToDeg(latitude)); }

int UtmZone(const TGeoCoord& geo) { return ZoneOf(RadToDeg(geo.Lat), RadToDeg(geo.Lon)); }

TUtmCoord GeoToUtm(const TGeoCoord& geo, const TEllipsoid& ellipsoid)
{
    const double lat = RadToDeg(geo.Lat);
    return Project(geo, ellipsoid, ZoneOf(lat, RadToDeg(geo.Lon)), geo.Lat < 0.0, BandLetter(lat));
}

TUtmCoord GeoToUtm(const TGeoCoord& geo, const TEllipsoid& ellipsoid, int zone, bool southern)
{
    return Project(geo, ellipsoid, zone, southern, UtmLetterDesignator(geo.Lat));
}

// ---------------------------------------------------------------- geocentric and datums

TBaseCoord GeoToCartesian(const TGeoCoord& geo, const TEllipsoid& e)
{
    const double s = std::sin(geo.Lat);
    const double c = std::cos(geo.Lat);
    const double nu = e.A / std::sqrt(1.0 - e.E2 * s * s);
    return {(nu + geo.H) * c * std::cos(geo.Lon), (nu + geo.H) * c * std::sin(geo.Lon),
            (e.OneMinusE2 * nu + geo.H) * s};
}

TGeoCoord CartesianToGeo(const TBaseCoord& p3, const TEllipsoid& e)
{
    // Closed form without iteration; atan2 keeps it defined at the poles.
    TGeoCoord g;
    g.Lon = std::atan2(p3.Y, p3.X);
    const double p = std::sqrt(p3.X * p3.X + p3.Y * p3.Y);
    const double theta = std::atan2(p3.Z * e.A, p * e.B);
    const double st = std::sin(theta);
    const double ct = std::cos(theta);
    g.Lat = std::atan2(p3.Z + e.Ep2 * e.B * st * st * st, p - e.E2 * e.A * ct * ct * ct);
    const double s = std::sin(g.Lat);
    const double c = std::cos(g.Lat);
    // p / cos lat - nu, written so that it holds at the poles too.
    g.H = p * c + p3.Z * s - e.A * std::sqrt(1.0 - e.E2 * s * s);
    return g;
}

TBaseCoord ShiftCartesian(const TBaseCoord& cart, const TDatum* from, const TDatum* to)
{
    return {cart.X + from->Delta.X - to->Delta.X, cart.Y + from->Delta.Y - to->Delta.Y,
            cart.Z + from->Delta.Z - to->Delta.Z};
}

TGeoCoord ConvertDatum(const TGeoCoord& geo, const TDatum* from, const TDatum* to)
{
    if (from == to) return geo;
    return CartesianToGeo(ShiftCartesian(GeoToCartesian(geo, from->Ellipsoid), from, to), to->Ellipsoid);
}

// ---------------------------------------------------------------- distance and course

double CentralAngle(const TGeoCoord& a, const TGeoCoord& b)
{
    const double sl = std::sin((a.Lat - b.Lat) * 0.5);
    const double so = std::sin((a.Lon - b.Lon) * 0.5);
    double h = sl * sl + std::cos(a.Lat) * std::cos(b.Lat) * so * so;
    if (h > 1.0) h = 1.0; // rounding near antipodes
    return 2.0 * std::asin(std::sqrt(h));
}

double GeoDistance(const TGeoCoord& a, const TGeoCoord& b, const TEllipsoid& ellipsoid)
{
    const double theta = CentralAngle(a, b);
    if (theta <= 0.17453292519943295)
        return theta * ellipsoid.RadiusInAzimuth(a.Lat, CourseWithAngle(a, b, theta));
    return theta * ellipsoid.A;
}

double GeoCourse(const TGeoCoord& from, const TGeoCoord& to, const TEllipsoid&)
{
    return CourseWithAngle(from, to, CentralAngle(from, to));
}

double UtmDistance(const TUtmCoord& a, const TUtmCoord& b)
{
    if (a.Zone != b.Zone) return -1.0;
    const double dE = a.X - b.X;
    const double dN = a.Y - b.Y;
    return std::sqrt(dE * dE + dN * dN);
}

// ---------------------------------------------------------------- TLocation (construction)

TLocation::TLocation() : Datum(DefaultDatum()), Geo(), Utm(GeoToUtm(Geo, Datum->Ellipsoid)) {}

TLocation::TLocation(const TGeoCoord& geo, const TDatum* datum)
    : Datum(datum ? datum : DefaultDatum()), Geo(geo), Utm(GeoToUtm(geo, Datum->Ellipsoid))
{
}

TLocation::TLocation(const TUtmCoord& utm, const TDatum* datum)
    : Datum(datum ? datum : DefaultDatum()), Geo(utm.ToGeo(Datum->Ellipsoid)), Utm(utm)
{
}

void TLocation::SetGeo(const TGeoCoord& geo)
{
    Geo = geo;
    Utm = GeoToUtm(geo, Datum->Ellipsoid);
}

void TLocation::SetUtm(const TUtmCoord& utm)
{
    Utm = utm;
    Geo = utm.ToGeo(Datum->Ellipsoid);
}

// ---------------------------------------------------------------- angle text

namespace {

void AppendFixed(std::string& out, double v, int decimals, int width, bool zeroPad)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    int len = static_cast<int>(r.ptr - buf);
    for (int pad = width - len; pad > 0; --pad) out += zeroPad ? '0' : ' ';
    out.append(buf, static_cast<std::size_t>(len));
}

void AppendInt(std::string& out, int v, int width, bool zeroPad)
{
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    int len = static_cast<int>(r.ptr - buf);
    for (int pad = width - len; pad > 0; --pad) out += zeroPad ? '0' : ' ';
    out.append(buf, static_cast<std::size_t>(len));
}

} // namespace

std::string FormatAngle(double angle, int style)
{
    const double d = std::fabs(RadToDeg(angle));
    if (!(d <= 180.0)) return std::string();
    char letter;
    switch (style) {
    case 9: case 10: case 11: letter = angle < 0 ? 'S' : 'N'; break;
    case 17: case 18: case 19: letter = angle < 0 ? 'W' : 'E'; break;
    default: return std::string();
    }
    const double deg = std::floor(d);
    const double m = (d - deg) * 60.0;
    const double min = std::floor(m);
    const double hundredths = std::floor((m - min) * 6000.0); // cut, never rounded up to 60

    std::string out;
    out.reserve(24);
    const char degreeSign = '\xBA';
    switch (style & 7) {
    case 1:
        AppendFixed(out, d, 6, 3, false);
        out += degreeSign;
        break;
    case 2:
        AppendInt(out, static_cast<int>(deg), 3, false);
        out += degreeSign;
        out += ' ';
        AppendFixed(out, m, 4, 7, true);
        out += '\'';
        break;
    default:
        AppendInt(out, static_cast<int>(deg), 3, false);
        out += degreeSign;
        out += ' ';
        AppendInt(out, static_cast<int>(min), 2, true);
        out += "' ";
        // Whole hundredths of a second: the text of sec = hundredths / 100.
        AppendInt(out, static_cast<int>(hundredths) / 100, 2, true);
        out += '.';
        AppendInt(out, static_cast<int>(hundredths) % 100, 2, true);
        out += '"';
        break;
    }
    out += ' ';
    out += letter;
    return out;
}
