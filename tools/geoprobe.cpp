// Test probe: one request per line of TAB-separated fields on stdin, one
// line of TAB-separated results on stdout (degrees, metres, 10 decimals).
//   utm LAT LON | utme A INVF LAT LON | geo ZONE EASTING NORTHING
//   dist LAT1 LON1 LAT2 LON2 | course LAT1 LON1 LAT2 LON2 | dest LAT LON COURSE DIST
//   shift DATUM REGION LAT LON H | segdist PLAT PLON ALAT ALON BLAT BLON
//   cross A1LAT A1LON A2LAT A2LON B1LAT B1LON B2LAT B2LON
//   tps X1 Y1 F1 ... XN YN FN X Y | angle RADIANS STYLE
// Anything else prints "error".
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "geodesy/Base.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "geodesy/MgcInterp2DThinPlateSpline.h"
#include "platform/Numbers.h"
#include "platform/Hooks.h"

namespace {

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

struct TBad {};

double Num(const std::string& s)
{
    double v = 0;
    if (!ParseDouble(s, v)) throw TBad();
    return v;
}

std::string F(double v) { return FormatFixed(v, 10); }

TLocation At(const std::string& lat, const std::string& lon)
{
    return TLocation(TGeoCoord{DegToRad(Num(lon)), DegToRad(Num(lat)), 0.0});
}

std::string Utf8(const std::string& cp1252)
{
    std::string out;
    for (char c : cp1252) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::string Answer(const std::vector<std::string>& f)
{
    const std::string& cmd = f[0];
    const std::size_t n = f.size();
    if (cmd == "utm" && n == 3) {
        const TUtmCoord u = GeoToUtm(TGeoCoord{DegToRad(Num(f[2])), DegToRad(Num(f[1])), 0.0},
                                     DefaultDatum()->Ellipsoid);
        return u.Zone + "\t" + F(u.X) + "\t" + F(u.Y);
    }
    if (cmd == "utme" && n == 5) {
        const TEllipsoid e("probe", Num(f[1]), Num(f[2]));
        const TUtmCoord u = GeoToUtm(TGeoCoord{DegToRad(Num(f[4])), DegToRad(Num(f[3])), 0.0}, e);
        return u.Zone + "\t" + F(u.X) + "\t" + F(u.Y);
    }
    if (cmd == "geo" && n == 4) {
        const TGeoCoord g = TUtmCoord(Num(f[2]), Num(f[3]), 0.0, f[1]).ToGeo(DefaultDatum()->Ellipsoid);
        return F(RadToDeg(g.Lat)) + "\t" + F(RadToDeg(g.Lon));
    }
    if (cmd == "dist" && n == 5) return F(At(f[1], f[2]).Distance(At(f[3], f[4])));
    if (cmd == "course" && n == 5) return F(At(f[1], f[2]).Course(At(f[3], f[4])));
    if (cmd == "dest" && n == 5) {
        const TLocation d = At(f[1], f[2]).Destination(Num(f[3]), Num(f[4]));
        return F(RadToDeg(d.Geo.Lat)) + "\t" + F(RadToDeg(d.Geo.Lon));
    }
    if (cmd == "shift" && n == 6) {
        const TDatum datum(f[1], f[2], Platform::ProgramFolder() + "/Datums.xml");
        const TGeoCoord g = ConvertDatum(TGeoCoord{DegToRad(Num(f[4])), DegToRad(Num(f[3])), Num(f[5])}, &datum,
                                         DefaultDatum());
        return F(RadToDeg(g.Lat)) + "\t" + F(RadToDeg(g.Lon)) + "\t" + F(g.H);
    }
    if (cmd == "segdist" && n == 7) {
        const TSegmentDistance s = DistanceToSegment(At(f[1], f[2]), At(f[3], f[4]), At(f[5], f[6]));
        return F(s.Position) + "\t" + F(s.Offset) + "\t" + F(s.Distance);
    }
    if (cmd == "cross" && n == 9) {
        const TBaseLine a(At(f[1], f[2]), At(f[3], f[4]));
        const TBaseLine b(At(f[5], f[6]), At(f[7], f[8]));
        const TLineIntersection r = a.Intersect(b);
        return std::to_string(r.Kind) + "\t" + F(r.MinDistance);
    }
    if (cmd == "tps" && n >= 3 && (n - 3) % 3 == 0) {
        const std::size_t points = (n - 3) / 3;
        std::vector<double> x, y, v;
        for (std::size_t i = 0; i < points; ++i) {
            x.push_back(Num(f[1 + 3 * i]));
            y.push_back(Num(f[2 + 3 * i]));
            v.push_back(Num(f[3 + 3 * i]));
        }
        const double px = Num(f[n - 2]);
        const double py = Num(f[n - 1]);
        const Mgc::Interp2DThinPlateSpline s(static_cast<int>(points), x.data(), y.data(), v.data(), 0.0);
        if (!s.IsInitialized()) return "invalid";
        return F(s(px, py));
    }
    if (cmd == "angle" && n == 3) {
        long long style = 0;
        if (!ParseInt(f[2], style)) throw TBad();
        return Utf8(FormatAngle(Num(f[1]), static_cast<int>(style)));
    }
    throw TBad();
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string out;
        try {
            out = Answer(Split(line));
        } catch (const TBad&) {
            out = "error";
        } catch (const std::exception&) {
            out = "error";
        }
        std::cout << out << '\n';
    }
    return 0;
}
