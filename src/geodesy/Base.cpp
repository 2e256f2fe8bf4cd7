#include "geodesy/Base.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "geodesy/Datum.h"
#include "platform/Exceptions.h"

namespace {

// A conversion between two datums is the identity when they are the same
// object, or share the ellipsoid and the shift.
bool SameDatum(const TDatum* a, const TDatum* b)
{
    return a == b || (a->Ellipsoid.Name == b->Ellipsoid.Name && a->Delta.X == b->Delta.X &&
                      a->Delta.Y == b->Delta.Y && a->Delta.Z == b->Delta.Z);
}

// `other` on datum d: itself when no conversion is needed, else a converted
// copy kept in `scratch`.
const TLocation& OnDatum(const TLocation& other, const TDatum* d, std::optional<TLocation>& scratch)
{
    if (SameDatum(other.Datum, d)) return other;
    scratch.emplace(ConvertDatum(other.Geo, other.Datum, d), d);
    return *scratch;
}

// The UTM plane of a reference point: its zone and hemisphere.
struct TPlane {
    int Zone;
    bool Southern;
};

TPlane PlaneOf(const TLocation& ref) { return {ref.Utm.ZoneNumber(), ref.Geo.Lat < 0.0}; }

struct TXY {
    double E;
    double N;
};

// Easting and northing of loc in the plane: its own when it lies in that
// zone and hemisphere, else the same series forced into them.
TXY InPlane(const TLocation& loc, const TPlane& plane)
{
    if (loc.Utm.ZoneNumber() == plane.Zone && (loc.Geo.Lat < 0.0) == plane.Southern) return {loc.Utm.X, loc.Utm.Y};
    const TUtmCoord u = GeoToUtm(loc.Geo, loc.Datum->Ellipsoid, plane.Zone, plane.Southern);
    return {u.X, u.Y};
}

// Floor-mod: the result lies in [0, m) also for negative x.
double FloorMod(double x, double m)
{
    double r = std::fmod(x, m);
    if (r < 0.0) r += m;
    return r;
}

} // namespace

// ---------------------------------------------------------------- TLocation

double TLocation::Distance(const TLocation& other) const
{
    std::optional<TLocation> scratch;
    const TLocation& o = OnDatum(other, Datum, scratch);
    const double d = UtmDistance(Utm, o.Utm);
    if (d >= 0.0) return d;
    return GeoDistance(Geo, o.Geo, Datum->Ellipsoid);
}

double TLocation::Course(const TLocation& other) const
{
    std::optional<TLocation> scratch;
    const TLocation& o = OnDatum(other, Datum, scratch);
    return GeoCourse(Geo, o.Geo, Datum->Ellipsoid);
}

TLocation TLocation::Destination(double course, double distance) const
{
    const double tc = DegToRad(-course);
    const double lat1 = Geo.Lat;
    const double d = distance / Datum->Ellipsoid.RadiusInAzimuth(lat1, course);
    const double sl = std::sin(lat1);
    const double cl = std::cos(lat1);
    const double sd = std::sin(d);
    const double cd = std::cos(d);
    TGeoCoord g;
    g.Lat = std::asin(sl * cd + cl * sd * std::cos(tc));
    const double dlon = std::atan2(std::sin(tc) * sd * cl, cd - sl * std::sin(g.Lat));
    g.Lon = FloorMod(Geo.Lon - dlon + Pi, 2.0 * Pi) - Pi;
    g.H = Geo.H;
    return TLocation(g, Datum);
}

// ---------------------------------------------------------------- segment distance

TSegmentDistance DistanceToSegment(const TLocation& p, const TLocation& a, const TLocation& b, bool withCourse)
{
    std::optional<TLocation> sa;
    std::optional<TLocation> sb;
    const TLocation& A = OnDatum(a, p.Datum, sa);
    const TLocation& B = OnDatum(b, p.Datum, sb);
    const TPlane plane = PlaneOf(p);
    const TXY pa = InPlane(A, plane);
    const TXY pb = InPlane(B, plane);
    const double dx = pb.E - pa.E;
    const double dy = pb.N - pa.N;
    const double px = p.Utm.X - pa.E;
    const double py = p.Utm.Y - pa.N;
    const double L2 = dx * dx + dy * dy;

    TSegmentDistance r;
    if (std::fabs(L2) < 1e-10) {
        r.Distance = p.Distance(A);
        r.Position = r.Distance < 1e-10 ? 0.0 : 999999.0;
        return r;
    }
    r.Position = (dx * px + dy * py) / L2;
    r.Offset = std::sqrt(L2) * (dy * px - dx * py) / L2;
    if (r.Position <= 0.0)
        r.Distance = p.Distance(A);
    else if (r.Position <= 1.0)
        r.Distance = std::fabs(r.Offset);
    else
        r.Distance = p.Distance(B);
    if (withCourse) {
        const TLocation mid = A.Destination(A.Course(B), 0.5 * A.Distance(B));
        r.Course = p.Course(mid);
    }
    return r;
}

// ---------------------------------------------------------------- elements

TBaseElement::~TBaseElement() = default;

void TBaseElement::Widen(const TGeoCoord& geo)
{
    MaxLat = std::max(MaxLat, geo.Lat);
    MinLat = std::min(MinLat, geo.Lat);
    MaxLon = std::max(MaxLon, geo.Lon);
    MinLon = std::min(MinLon, geo.Lon);
}

void TBaseElement::ClearBox()
{
    MaxLat = EmptyBoxMaxLat;
    MinLat = EmptyBoxMinLat;
    MaxLon = EmptyBoxMaxLon;
    MinLon = EmptyBoxMinLon;
}

TBasePoint::TBasePoint() { Widen(Location.Geo); }

TBasePoint::TBasePoint(const TLocation& location) : Location(location) { Widen(Location.Geo); }

TSegmentDistance TBasePoint::DistanceToLine(const TBaseLine& line, bool withCourse) const
{
    return DistanceToSegment(Location, line.Start, line.End, withCourse);
}

TBasePoint TBasePoint::Destination(double course, double distance) const
{
    return TBasePoint(Location.Destination(course, distance));
}

TBaseLine::TBaseLine(const TLocation& start, const TLocation& end) : Start(start), End(end)
{
    Widen(Start.Geo);
    Widen(End.Geo);
}

double TBaseLine::Length() const
{
    if (Start.Utm.Zone == End.Utm.Zone) return UtmDistance(Start.Utm, End.Utm);
    return GeoDistance(Start.Geo, End.Geo, Start.Datum->Ellipsoid);
}

TBasePoint TBaseLine::MidPoint() const
{
    if (Start.Utm.Zone == End.Utm.Zone) {
        const TUtmCoord u(0.5 * (Start.Utm.X + End.Utm.X), 0.5 * (Start.Utm.Y + End.Utm.Y), 0.0, Start.Utm.Zone);
        return TBasePoint(TLocation(u, Start.Datum));
    }
    TGeoCoord g;
    g.Lon = 0.5 * (Start.Geo.Lon + End.Geo.Lon);
    g.Lat = 0.5 * (Start.Geo.Lat + End.Geo.Lat);
    return TBasePoint(TLocation(g, Start.Datum));
}

TLineIntersection TBaseLine::Intersect(const TBaseLine& other, bool withCourse) const
{
    const TPlane plane = PlaneOf(Start);
    const TXY s1{Start.Utm.X, Start.Utm.Y};
    const TXY e1 = InPlane(End, plane);
    const TXY s2 = InPlane(other.Start, plane);
    const TXY e2 = InPlane(other.End, plane);
    const double dtE = e1.E - s1.E;
    const double dtN = e1.N - s1.N;
    const double doE = e2.E - s2.E;
    const double doN = e2.N - s2.N;
    const double sE = s1.E - s2.E;
    const double sN = s1.N - s2.N;
    const double det = dtE * doN - dtN * doE;

    TLineIntersection r;
    if (std::fabs(det) < 1e-10) {
        r.Kind = ikParallel;
    } else {
        const double tOther = (sN * dtE - sE * dtN) / det;
        const double tThis = (sN * doE - sE * doN) / det;
        if (tOther < 0.0 || tOther > 1.0)
            r.Kind = ikOutside;
        else if (tThis < 0.0)
            r.Kind = ikBeforeStart;
        else if (tThis > 1.0)
            r.Kind = ikBeyondEnd;
        else
            r.Kind = DistanceToSegment(other.Start, Start, End, false).Offset >= 0.0 ? ikCrossRight : ikCrossLeft;
    }
    r.MinDistance = std::min({DistanceToSegment(other.End, Start, End, false).Distance,
                              DistanceToSegment(other.Start, Start, End, false).Distance,
                              DistanceToSegment(End, other.Start, other.End, false).Distance,
                              DistanceToSegment(Start, other.Start, other.End, false).Distance});
    if (withCourse) r.Course = MidPoint().Location.Course(other.MidPoint().Location);
    return r;
}

// ---------------------------------------------------------------- arc

void TBaseArc::Calculate(const TLocation& from, const TLocation& to, const TLocation& mid)
{
    From = from;
    Mid = mid;
    To = to;

    const TPlane plane = PlaneOf(From);
    const TXY p1{From.Utm.X, From.Utm.Y};
    const TXY p2 = InPlane(Mid, plane);
    const TXY p3 = InPlane(To, plane);
    const double a = 2.0 * (p2.E - p1.E);
    const double b = 2.0 * (p2.N - p1.N);
    const double c = 2.0 * (p3.E - p1.E);
    const double d = 2.0 * (p3.N - p1.N);
    // (x2^2 + y2^2) - (x1^2 + y1^2), without the cancellation of the squares.
    const double e = (p2.E - p1.E) * (p2.E + p1.E) + (p2.N - p1.N) * (p2.N + p1.N);
    const double f = (p3.E - p1.E) * (p3.E + p1.E) + (p3.N - p1.N) * (p3.N + p1.N);
    const double det = a * d - b * c;
    if (std::fabs(det) < 1e-10) throw TException("", "Can't calculate arc leg. Try different points.", "");

    const TUtmCoord centre((d * e - b * f) / det, (a * f - c * e) / det, 0.0, From.Utm.Zone);
    Centre = TLocation(centre, From.Datum);
    Radius = From.Distance(Centre);
    Clockwise = std::fmod(Mid.Course(To) - From.Course(Mid) + 360.0, 360.0) < 180.0 ? 1 : 0;
    StartRadial = Centre.Course(From);
    EndRadial = Centre.Course(To);
    Sweep = CourseFromStart(To);
    ArcLength = DegToRad(Sweep) * Radius;

    ClearBox();
    Widen(From.Geo);
    Widen(To.Geo);
    for (double course : {0.0, 90.0, 180.0, 270.0}) {
        const TLocation p = Centre.Destination(course, Radius);
        if (CourseFromStart(p) < Sweep) Widen(p.Geo);
    }
}

double TBaseArc::CourseFromStart(const TLocation& p) const
{
    const double c = Centre.Course(p);
    if (Clockwise) return std::fmod(c - StartRadial + 360.0, 360.0);
    return std::fmod(StartRadial - c + 360.0, 360.0);
}
