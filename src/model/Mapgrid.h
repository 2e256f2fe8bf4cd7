#pragma once
// What the map view needs besides the map itself: the grid of coordinate
// lines in bitmap pixels, and the transform between bitmap pixels and window
// pixels.
//
// The grid follows the map's georeference, a thin plate spline, so its lines
// are curves in the bitmap. Each is kept as a polyline whose pieces follow the
// curve to within 0.05 pixel. A georeference can be wild (references typed
// wrongly, a fit far outside its points), so the work is bounded: at most
// MaxLines lines per family (a denser grid is not drawn at all), at most
// MaxDepth halvings of one piece and at most MaxPoints points in all; beyond
// the last two the pieces are kept as straight chords.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// A point in bitmap pixels (x to the right, y downwards), or in world
// coordinates where a function says so.
struct TMapPoint {
    double X = 0.0;
    double Y = 0.0;
};

// A window pixel.
struct TScreenPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TScreenPoint&) const = default;
};

class TMapGrid {
public:
    using TPolyline = std::vector<TMapPoint>;
    // (x, y) -> (x', y'): the pixel -> world and world -> pixel ways of a fit.
    using TMapping = std::function<TMapPoint(double x, double y)>;

    static constexpr int MaxLines = 1000;
    static constexpr int MaxDepth = 16;
    static constexpr std::size_t MaxPoints = 500000;
    static constexpr double Tolerance = 0.05;

    // Recomputes both families for a bitmap of width x height pixels with
    // lines at every whole multiple of `spacing` (world units). A spacing
    // that is not above zero, or corners that are not finite, give no lines.
    void Calculate(int width, int height, double spacing, const TMapping& pixelToWorld,
                   const TMapping& worldToPixel);
    void Clear();

    // Lines of constant northing (latitude), each running west to east, the
    // southernmost first.
    std::vector<TPolyline> First;
    // Lines of constant easting (longitude), each running south to north, the
    // westernmost first.
    std::vector<TPolyline> Second;

private:
    void Refine(TPolyline& line, TMapPoint a, TMapPoint pa, TMapPoint b, TMapPoint pb, int depth);

    const TMapping* FToPixel = nullptr;
    std::size_t FPoints = 0;
};

// Bitmap pixels <-> window pixels of the map view. The scales are bitmap
// pixels per window pixel; the origin is the bitmap point shown at window
// pixel (0, 0). The uniform Scale is the zoom; the per-axis scales are those
// of the bitmap rectangle last copied to the window.
//
// A minimised window has no size: FitToWindow then keeps the transform, and
// scales that are not finite and above zero are never taken, so no division
// by zero happens. ImageToScreen keeps its results within +-ScreenLimit (room
// for the offsets the layers add) and gives 0 for a coordinate that is not a
// number.
class TMapTransform {
public:
    static constexpr std::int32_t ScreenLimit = 1000000000;

    // The bitmap fits the window, its top-left corner at the window's.
    void FitToWindow();
    // Bitmap point (x, y) shows at window pixel (px, py) at scale s.
    void SetScale(double x, double y, std::int32_t px, std::int32_t py, double s);
    void SetFromRects(std::int32_t x0, std::int32_t y0, std::int32_t sourceWidth, std::int32_t sourceHeight,
                      std::int32_t destWidth, std::int32_t destHeight);
    // Keeps the scales; bitmap point (x, y) moves to window pixel (px, py).
    void SetOrigin(double x, double y, std::int32_t px, std::int32_t py);

    // Rounded as trunc(v + 0.5): halves up for positive results, toward zero
    // below -0.5.
    TScreenPoint ImageToScreen(double x, double y) const;
    TMapPoint ScreenToImage(std::int32_t px, std::int32_t py) const;
    TMapPoint ScreenToImageUniform(std::int32_t px, std::int32_t py) const;

    double Scale = 1.0;
    double InvScale = 1.0;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    double InvScaleX = 1.0;
    double InvScaleY = 1.0;
    double OriginX = 0.0;
    double OriginY = 0.0;
    std::int32_t BitmapWidth = 0;
    std::int32_t BitmapHeight = 0;
    std::int32_t WindowWidth = 0;
    std::int32_t WindowHeight = 0;
};
