#include "model/Mapgrid.h"

#include <cmath>

namespace {

bool IsFinite(const TMapPoint& p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

// The number of whole multiples k0, k0 + 1, ..., k1 when it is between 1 and
// the limit, else 0 (none, far too many, or not numbers).
int LineCount(double k0, double k1)
{
    const double n = k1 - k0 + 1.0;
    if (!(n >= 1.0) || n > TMapGrid::MaxLines) return 0;
    return static_cast<int>(n);
}

std::int32_t TruncatedPixel(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= TMapTransform::ScreenLimit) return TMapTransform::ScreenLimit;
    if (v <= -TMapTransform::ScreenLimit) return -TMapTransform::ScreenLimit;
    return static_cast<std::int32_t>(v);
}

// The deviation of p from the chord pa -> pb, pixels.
double Deviation(const TMapPoint& pa, const TMapPoint& pb, const TMapPoint& p)
{
    const double dx = pb.X - pa.X;
    const double dy = pb.Y - pa.Y;
    const double l2 = dx * dx + dy * dy;
    return l2 >= 1e-10 ? std::fabs(dy * (p.X - pa.X) - dx * (p.Y - pa.Y)) / std::sqrt(l2) : 0.0;
}

bool IsScale(double s) { return s > 0.0 && std::isfinite(s) && std::isfinite(1.0 / s); }

} // namespace

// ---------------------------------------------------------------- TMapGrid

void TMapGrid::Clear()
{
    First.clear();
    Second.clear();
}

void TMapGrid::Calculate(int width, int height, double spacing, const TMapping& pixelToWorld,
                         const TMapping& worldToPixel)
{
    Clear();
    if (!(spacing > 0.0) || !std::isfinite(spacing) || !pixelToWorld || !worldToPixel) return;

    // The bitmap's corners, not pixel centres.
    const TMapPoint northWest = pixelToWorld(0.0, 0.0);
    const TMapPoint southEast = pixelToWorld(static_cast<double>(width), static_cast<double>(height));
    if (!IsFinite(northWest) || !IsFinite(southEast)) return;

    // Lines at k * spacing rather than by repeated addition, so rounding
    // cannot drop the last line at the edge.
    const double kWest = std::floor(northWest.X / spacing);
    const double kNorth = std::ceil(northWest.Y / spacing);
    const double kEast = std::ceil(southEast.X / spacing);
    const double kSouth = std::floor(southEast.Y / spacing);
    const double west = kWest * spacing;
    const double north = kNorth * spacing;
    const double east = kEast * spacing;
    const double south = kSouth * spacing;

    FToPixel = &worldToPixel;
    FPoints = 0;

    // One grid line from a to b, refined until it follows the mapping.
    auto addLine = [&](const TMapPoint& a, const TMapPoint& b, std::vector<TPolyline>& family) {
        const TMapPoint pa = worldToPixel(a.X, a.Y);
        TPolyline line{pa};
        ++FPoints;
        Refine(line, a, pa, b, worldToPixel(b.X, b.Y), 0);
        family.push_back(std::move(line));
    };
    const int eastings = LineCount(kWest, kEast);
    for (int i = 0; i < eastings; ++i) {
        const double x = (kWest + i) * spacing;
        addLine({x, south}, {x, north}, Second);
    }
    const int northings = LineCount(kSouth, kNorth);
    for (int i = 0; i < northings; ++i) {
        const double y = (kSouth + i) * spacing;
        addLine({west, y}, {east, y}, First);
    }
    FToPixel = nullptr;
}

void TMapGrid::Refine(TPolyline& line, TMapPoint a, TMapPoint pa, TMapPoint b, TMapPoint pb, int depth)
{
    if (depth < MaxDepth && FPoints < MaxPoints) {
        // The midpoint alone misses a piece that turns from one side of its
        // chord to the other (the midpoint lies on the chord, the curve does
        // not) or bends mostly near one end, so the eighths are measured too,
        // against a little less than the tolerance: between them the curve
        // can stray a bit further.
        const TMapping& toPixel = *FToPixel;
        const TMapPoint m{(a.X + b.X) / 2.0, (a.Y + b.Y) / 2.0};
        const TMapPoint pm = toPixel(m.X, m.Y);
        const double limit = 0.9 * Tolerance;
        bool straight = !(Deviation(pa, pb, pm) > limit);
        for (double f : {0.25, 0.75, 0.125, 0.375, 0.625, 0.875}) {
            if (!straight) break;
            const TMapPoint q = toPixel(a.X + (b.X - a.X) * f, a.Y + (b.Y - a.Y) * f);
            straight = !(Deviation(pa, pb, q) > limit);
        }
        // A deviation that is not a number fails no test: the piece stays.
        if (!straight) {
            Refine(line, a, pa, m, pm, depth + 1);
            Refine(line, m, pm, b, pb, depth + 1);
            return;
        }
    }
    line.push_back(pb);
    ++FPoints;
}

// ---------------------------------------------------------------- TMapTransform

void TMapTransform::FitToWindow()
{
    if (WindowWidth <= 0 || WindowHeight <= 0) return;
    const double heightRatio = static_cast<double>(BitmapHeight) / WindowHeight;
    const double widthRatio = static_cast<double>(BitmapWidth) / WindowWidth;
    SetScale(0.0, 0.0, 0, 0, heightRatio > widthRatio ? heightRatio : widthRatio);
}

void TMapTransform::SetScale(double x, double y, std::int32_t px, std::int32_t py, double s)
{
    if (!IsScale(s)) return;
    Scale = ScaleX = ScaleY = s;
    InvScale = InvScaleX = InvScaleY = 1.0 / s;
    OriginX = x - px * s;
    OriginY = y - py * s;
}

void TMapTransform::SetFromRects(std::int32_t x0, std::int32_t y0, std::int32_t sourceWidth,
                                 std::int32_t sourceHeight, std::int32_t destWidth, std::int32_t destHeight)
{
    if (sourceWidth > 0 && destWidth > 0) {
        ScaleX = static_cast<double>(sourceWidth) / destWidth;
        InvScaleX = 1.0 / ScaleX;
    }
    if (sourceHeight > 0 && destHeight > 0) {
        ScaleY = static_cast<double>(sourceHeight) / destHeight;
        InvScaleY = 1.0 / ScaleY;
    }
    OriginX = x0;
    OriginY = y0;
}

void TMapTransform::SetOrigin(double x, double y, std::int32_t px, std::int32_t py)
{
    OriginX = x - px * ScaleX;
    OriginY = y - py * ScaleY;
}

TScreenPoint TMapTransform::ImageToScreen(double x, double y) const
{
    return {TruncatedPixel((x - OriginX) * InvScaleX + 0.5), TruncatedPixel((y - OriginY) * InvScaleY + 0.5)};
}

TMapPoint TMapTransform::ScreenToImage(std::int32_t px, std::int32_t py) const
{
    return {px * ScaleX + OriginX, py * ScaleY + OriginY};
}

TMapPoint TMapTransform::ScreenToImageUniform(std::int32_t px, std::int32_t py) const
{
    return {px * Scale + OriginX, py * Scale + OriginY};
}
