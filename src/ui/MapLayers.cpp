// The layers of the map view over the bitmap: grid, reference points,
// waypoints, track with its gaps, event markers and the replay marker.
#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "model/Map.h"
#include "model/Waypoint.h"
#include "ui/GdiCanvas.h"
#include "ui/MapWindow.h"
#include "ui/QtText.h"
#include "ui/Userinterface.h"

namespace {

const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Yellow(255, 255, 0);

// Ground speed to heading-line length: 50 pixels per 100 km/h.
constexpr double MetresPerSecondPer100Kmh = 27.77777777777778;
constexpr double HeadingPixelsPer100Kmh = 50.0;

// Sums of window pixels and offsets, held inside the 32-bit range.
std::int32_t Clamped(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -2147483647 - 1, 2147483647));
}

std::int64_t Truncated(double v)
{
    if (!(v == v)) return 0;
    return static_cast<std::int64_t>(std::clamp(v, -4.0e18, 4.0e18));
}

} // namespace

TWayPointSet* TMapWindow::WayPointSet() const
{
    TChampionship* championship = UserInterface.ActiveChampionship();
    if (!championship && Map) championship = dynamic_cast<TChampionship*>(Map->Owner());
    return championship ? &championship->WayPoints : nullptr;
}

void TMapWindow::DrawPolyline(TGdiCanvas& canvas, const std::vector<TMapPoint>& points)
{
    FScreenPoints.clear();
    FScreenPoints.reserve(points.size());
    for (const TMapPoint& p : points) FScreenPoints.push_back(ToScreen(p));
    canvas.Polyline(FScreenPoints);
}

void TMapWindow::DrawLine(TGdiCanvas& canvas, const TMapPoint& a, const TMapPoint& b)
{
    canvas.Line(ToScreen(a), ToScreen(b));
}

void TMapWindow::DrawSymbol(TGdiCanvas& canvas, TScreenPoint p)
{
    canvas.SetPen(Qt::black);
    canvas.SetBrush(Qt::white);
    canvas.Ellipse(p.X - 3, p.Y - 3, p.X + 4, p.Y + 4);
    canvas.Line({p.X - 1, p.Y}, {p.X + 2, p.Y});
    canvas.Line({p.X, p.Y - 1}, {p.X, p.Y + 2});
}

void TMapWindow::DrawLabel(TGdiCanvas& canvas, TScreenPoint p, const std::string& text, const QColor& fill)
{
    const QString label = ToQt(text);
    const QSize extent = canvas.TextExtent(label);
    canvas.SetPen(Qt::black);
    canvas.SetBrush(fill);
    canvas.Rectangle(p.X + 4, p.Y + 4, p.X + extent.width() + 9, p.Y + extent.height() + 6);
    canvas.TextOut(p.X + 6, p.Y + 5, label);
}

void TMapWindow::DrawGrid()
{
    if (!Map) return;
    TGdiCanvas canvas(FBuffer);
    canvas.SetPen(Blue);
    for (const auto& line : Map->Grid.First) DrawPolyline(canvas, line);
    for (const auto& line : Map->Grid.Second) DrawPolyline(canvas, line);
}

void TMapWindow::DrawMapRefs()
{
    if (!Map) return;
    TGdiCanvas canvas(FBuffer);
    canvas.ClearBrush();
    for (const TMapRef* ref : Map->Georef.Refs) {
        const TScreenPoint p = ToScreen(TMapPoint{double(ref->PixelX), double(ref->PixelY)});
        canvas.SetPen(Red, 1);
        canvas.Line({p.X - 15, p.Y}, {p.X + 15, p.Y});
        canvas.Line({p.X, p.Y - 15}, {p.X, p.Y + 15});
        canvas.SetPen(Red, 2);
        canvas.Ellipse(p.X - 15, p.Y - 15, p.X + 15, p.Y + 15);
    }
}

void TMapWindow::DrawWaypoints()
{
    if (!HasValidMap()) return;
    TWayPointSet* set = WayPointSet();
    if (!set) return;
    TGdiCanvas canvas(FBuffer);
    if (!canvas.Active()) return;
    const TDatum* datum = set->GetDatum();
    set->First();
    while (const TWayPoint* waypoint = set->Next()) {
        const TScreenPoint p = ToScreen(waypoint->Location.Geo, datum);
        DrawSymbol(canvas, p);
        DrawLabel(canvas, p, waypoint->Code, Yellow);
    }
}

void TMapWindow::DrawTrack()
{
    if (!HasValidMap() || !UserInterface.CurrentFlight) return;
    TTrack* track = UserInterface.CurrentFlight->Track();
    // Cleared tracks keep their old polylines until projected again.
    if (!track || track->Points.empty()) return;
    // Free while neither the map nor the track changed; after a reload or
    // an edited reference it puts the track where the map now has it.
    track->ProjectToMap(Map);
    if (track->Polylines.empty()) return;
    {
        TGdiCanvas canvas(FBuffer);
        if (!canvas.Active()) return;
        canvas.SetPen(Blue, 2);
        for (const auto& line : track->Polylines) DrawPolyline(canvas, line);
        // Where the logger recorded nothing for more than 15 s.
        canvas.SetPen(Red, 1, TGdiCanvas::psDot);
        for (std::size_t i = 0; i + 1 < track->Polylines.size(); ++i) {
            const auto& before = track->Polylines[i];
            const auto& after = track->Polylines[i + 1];
            if (!before.empty() && !after.empty()) DrawLine(canvas, before.back(), after.front());
        }
    }
    if (ShowEvents) DrawEvents();
}

void TMapWindow::DrawEvents()
{
    if (!HasValidMap() || !UserInterface.CurrentFlight) return;
    const TTrack* track = UserInterface.CurrentFlight->Track();
    if (!track) return;
    TGdiCanvas canvas(FBuffer);
    if (!canvas.Active()) return;
    // An event stands at one of the track's own fixes, whose pixel the
    // projection has already made (one map point per fix): it is found by
    // the fix's time instead of projecting the place again.
    const auto& points = track->Points;
    std::vector<const TMapPoint*> pixels;
    pixels.reserve(points.size());
    for (const auto& line : track->Polylines)
        for (const TMapPoint& pixel : line) pixels.push_back(&pixel);
    const bool indexed = pixels.size() == points.size();
    auto screenOf = [&](const TTrackPoint& fix) {
        if (indexed) {
            auto it = std::lower_bound(points.begin(), points.end(), fix.Time,
                                       [](const TTrackPoint& p, std::int64_t t) { return p.Time < t; });
            for (; it != points.end() && it->Time == fix.Time; ++it)
                if (it->Location.Geo.Lat == fix.Location.Geo.Lat && it->Location.Geo.Lon == fix.Location.Geo.Lon) {
                    const TMapPoint* pixel = pixels[static_cast<std::size_t>(it - points.begin())];
                    return View.ImageToScreen(pixel->X, pixel->Y);
                }
        }
        return ToScreen(fix.Location);
    };
    for (const TEvent& event : track->Events) {
        if (!(EventMask & event.Type)) continue;
        // The other kinds are listed in the flight table only.
        if (event.Type != etHighAcceleration && event.Type != etIgcEvent) continue;
        const TScreenPoint p = screenOf(event.Point);
        // Far outside the window: nothing of it would show.
        if (p.X < -10 || p.Y < -10 || p.X > FBuffer.width() + 10 || p.Y > FBuffer.height() + 10) continue;
        if (event.Type == etHighAcceleration) {
            canvas.SetPen(Red);
            canvas.SetBrush(Qt::white);
            canvas.Ellipse(p.X - 2, p.Y - 2, p.X + 3, p.Y + 3);
            continue;
        }
        // A yellow diamond with a black outline.
        canvas.SetPen(Qt::black);
        canvas.MoveTo({p.X - 5, p.Y});
        canvas.LineTo({p.X, p.Y + 5});
        canvas.LineTo({p.X + 5, p.Y});
        canvas.LineTo({p.X, p.Y - 5});
        canvas.LineTo({p.X - 5, p.Y});
        canvas.SetPen(Yellow);
        canvas.Line({p.X - 4, p.Y}, {p.X + 4, p.Y});
        for (int i = 1; i <= 4; ++i) {
            canvas.Line({p.X + i - 4, p.Y + i}, {p.X + 4 - i, p.Y + i});
            canvas.Line({p.X + i - 4, p.Y - i}, {p.X + 4 - i, p.Y - i});
        }
    }
}

void TMapWindow::DrawReplayMarker()
{
    // Without a map whose georeference holds there is no place to put it.
    if (!HasValidMap() || !UserInterface.CurrentFlight || !CurrentPoint || !NextPoint || FBuffer.isNull()) return;
    const TScreenPoint p = ToScreen(CurrentPoint->Location);

    // The heading line: 50 pixels per 100 km/h in the direction of travel,
    // north up.
    TScreenPoint e = p;
    const std::int64_t dt = NextPoint->Time - CurrentPoint->Time;
    if (dt >= 1) {
        const double vE = (NextPoint->Location.Utm.X - CurrentPoint->Location.Utm.X) / double(dt);
        const double vN = (NextPoint->Location.Utm.Y - CurrentPoint->Location.Utm.Y) / double(dt);
        e.X = Clamped(p.X + Truncated(vE / MetresPerSecondPer100Kmh * HeadingPixelsPer100Kmh));
        e.Y = Clamped(p.Y - Truncated(vN / MetresPerSecondPer100Kmh * HeadingPixelsPer100Kmh));
    }

    if (MarkerSaved && !MarkerBackground.isNull()) {
        QPainter painter(&FBuffer);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(MarkerRect.topLeft(), MarkerBackground);
    }
    std::int64_t left = std::int64_t(p.X) - 26;
    std::int64_t top = std::int64_t(p.Y) - 26;
    std::int64_t right = std::int64_t(p.X) + 27;
    std::int64_t bottom = std::int64_t(p.Y) + 27;
    if (e.X > right) right = std::int64_t(e.X) + 2;
    if (e.X < left) left = std::int64_t(e.X) - 1;
    if (e.Y < top) top = std::int64_t(e.Y) - 1;
    if (e.Y > bottom) bottom = std::int64_t(e.Y) + 2;
    // Only what lies on the window is kept: a heading line of any length
    // then still comes off cleanly.
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, FBuffer.width());
    bottom = std::min<std::int64_t>(bottom, FBuffer.height());
    if (right > left && bottom > top) {
        MarkerRect = QRect(int(left), int(top), int(right - left), int(bottom - top));
        MarkerBackground = FBuffer.copy(MarkerRect);
    } else {
        MarkerRect = QRect();
        MarkerBackground = QImage();
    }
    MarkerSaved = true;

    {
        TGdiCanvas canvas(FBuffer);
        canvas.SetPen(Red, 2);
        canvas.ClearBrush();
        canvas.Ellipse(p.X - 25, p.Y - 25, p.X + 26, p.Y + 26);
        if (!(e == p)) canvas.Line(p, e);
    }
    Show();

    // Near the window's edge the map moves so that the marker stands in the
    // middle; the redraw that follows draws it there.
    const int w = FBuffer.width();
    const int h = FBuffer.height();
    const int a = w / 8;
    const int b = h / 8;
    if (AutoMove && !FMovingMarker && (p.X < a - 1 || p.X > w - a + 2 || p.Y < b - 1 || p.Y > h - b + 2)) {
        FMovingMarker = true;
        struct TReset {
            bool& Flag;
            ~TReset() { Flag = false; }
        } reset{FMovingMarker};
        StartDrag(p.X, p.Y);
        EndDrag(w / 2, h / 2);
    }
}
