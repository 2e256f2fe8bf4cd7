#pragma once
// Geometric elements of tasks and maps: points, straight lines, arcs through
// three points and zones, each with a latitude/longitude bounding box; the
// distance of a point to a segment and the crossing of two segments.
//
// Planar steps work in the UTM plane of one reference point; points lying in
// another zone or hemisphere are projected into that plane first.

#include <cstdint>
#include <vector>

#include "geodesy/Coord.h"

struct TSegmentDistance {
    double Position = 0.0; // foot parameter along a -> b: 0 at a, 1 at b
    double Offset = 0.0;   // signed distance from the line, metres, + right of a -> b
    double Distance = 0.0; // metres from the point to the segment
    double Course = 0.0;   // degrees from the point to the segment's midpoint
};

// TLineIntersection::Kind
enum TIntersectionKind : std::uint8_t {
    ikOutside = 0,      // the crossing point lies outside the other segment
    ikCrossRight = 1,   // crossing; the other segment starts on or right of this line
    ikCrossLeft = 2,    // crossing; the other segment starts left of this line
    ikBeforeStart = 3,  // the crossing point lies before this line's start
    ikBeyondEnd = 4,    // the crossing point lies beyond this line's end
    ikParallel = 5,
};

struct TLineIntersection {
    std::uint8_t Kind = ikParallel;
    double MinDistance = 0.0; // metres
    double Course = 0.0;      // degrees, from this line's midpoint to the other's
};

// Position 999999 marks a point away from a degenerate segment. Without
// withCourse the Course (a destination point and a projection) is not
// computed and stays 0; everything else is the same.
TSegmentDistance DistanceToSegment(const TLocation& p, const TLocation& a, const TLocation& b,
                                   bool withCourse = true);

class TBaseElement {
public:
    TBaseElement() = default;
    TBaseElement(const TBaseElement&) = default;
    TBaseElement& operator=(const TBaseElement&) = default;
    virtual ~TBaseElement();

    virtual double Length() const = 0;

    void Widen(const TGeoCoord& geo);
    void ClearBox();

    double MaxLat = EmptyBoxMaxLat;
    double MinLat = EmptyBoxMinLat;
    double MaxLon = EmptyBoxMaxLon;
    double MinLon = EmptyBoxMinLon;
};

class TBaseLine;

class TBasePoint : public TBaseElement {
public:
    TBasePoint();
    explicit TBasePoint(const TLocation& location);

    double Length() const override { return 0.0; }

    TSegmentDistance DistanceToLine(const TBaseLine& line, bool withCourse = true) const;
    TBasePoint Destination(double course, double distance) const;

    TLocation Location;
};

class TBaseLine : public TBaseElement {
public:
    TBaseLine() = default;
    TBaseLine(const TLocation& start, const TLocation& end);

    double Length() const override;
    TBasePoint MidPoint() const;
    // This line against another, in this line's start plane; see
    // TIntersectionKind. Without withCourse, Course stays 0.
    TLineIntersection Intersect(const TBaseLine& other, bool withCourse = true) const;

    TLocation Start;
    TLocation End;
};

class TBaseArc : public TBaseElement {
public:
    TBaseArc() = default;

    double Length() const override { return ArcLength; }

    // The arc from -> mid -> to. Throws TException "Can't calculate arc leg.
    // Try different points." when the three points give no circle.
    void Calculate(const TLocation& from, const TLocation& to, const TLocation& mid);
    // Degrees from the start radial to p's radial, in the arc's direction.
    double CourseFromStart(const TLocation& p) const;

    TLocation From;
    TLocation Mid;
    TLocation To;
    TLocation Centre;
    double Radius = 0.0;
    std::uint8_t Clockwise = 0;
    double StartRadial = 0.0;
    double EndRadial = 0.0;
    double Sweep = 0.0;
    double ArcLength = 0.0;
};

class TBaseZone : public TBaseElement {
public:
    double Length() const override { return ZoneLength; }

    std::vector<TLocation> Locations; // the corners
    double ZoneLength = 0.0;
};
