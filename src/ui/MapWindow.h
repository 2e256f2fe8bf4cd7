#pragma once
// The map view: a scanned map bitmap with the championship's geography drawn
// over it (grid, reference points, waypoints, task, track, events, replay
// marker), zoom and pan, and the pointer position in every coordinate form.
//
// Everything is painted into a back buffer (an RGB32 QImage); the canvas
// widget (`Graf`) only copies the buffer to the screen. Shapes are drawn
// without antialiasing and with the edges of the classic desktop canvas:
// rectangles and ellipses leave out their right and bottom edge, a line
// leaves out its end pixel, text is placed by its top-left corner.
//
// Two repaints: the quick Paint (unsmoothed scaling, no replay marker over
// the bitmap) while zooming and dragging, and the full Redraw (smoothed)
// after every change of the model and 250 ms after the last zoom step.
// Zoomed-out full redraws scale from a pyramid of half-size images made once
// when the map is loaded.
//
// The overlays use the map loaded in the view (its datum and georeference),
// whatever map's table was shown last.

#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geodesy/Coord.h"
#include "model/Mapgrid.h"

class QColor;
class TArcLeg;
class TChampNode;
class TDatum;
class TGate;
class TGdiCanvas;
class TMap;
class TMapWindow;
class TStraightLeg;
class TTrackPoint;
class TTurnPoint;
class TWayPointSet;

// The drawing surface (`Graf`): shows the map view's back buffer and hands
// mouse and size events to whoever listens.
class TMapCanvas : public QWidget {
    Q_OBJECT
public:
    explicit TMapCanvas(QWidget* parent = nullptr);

    // The map view whose back buffer is shown.
    const TMapWindow* View = nullptr;

signals:
    void MouseDown(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseUp(QMouseEvent* event);
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

class TMapWindow {
public:
    TMapWindow();
    ~TMapWindow();
    TMapWindow(const TMapWindow&) = delete;
    TMapWindow& operator=(const TMapWindow&) = delete;

    // Loads the map's bitmap (the championship's folder + MapFile) and shows
    // it at scale 1 with its top-left corner at the window's; fits the
    // georeference, computes the grid and writes "lastmap". The bitmap is
    // read first: when that fails (TException) the previous map, view and
    // transform stay as they were.
    void LoadMap(TMap* map, TMapCanvas* target);
    // Writes "lastmap" in the working folder again for the loaded map:
    // called once the championship is saved, so that it names a map of the
    // file as saved.
    void KeepLastMap();
    // The name "lastmap" gets for a map: the short name under which the
    // championship file holds it, which differs from its short name now
    // while a rename is not saved; empty for a map the file does not hold
    // yet, and "lastmap" is then left as it is. Unset: its short name now.
    std::function<std::string(const TMap*)> SavedName;
    // Quick and full repaint.
    void Paint();
    void Redraw();

    // Zoom about a window pixel; exactly 1.0 repaints in full, else quickly.
    void SetScale(int px, int py, double scale);
    void ZoomIn(int px, int py);
    void ZoomOut(int px, int py);
    void StartDrag(int px, int py);
    void DragTo(int px, int py);
    void EndDrag(int px, int py);
    // Records the pointer position in all its forms.
    void SetCursor(int px, int py);
    // The pointer moved to the nearest grid intersection, as geographic
    // coordinates on the map's datum; nothing without a cursor position.
    std::optional<TGeoCoord> SnapToGrid() const;

    // A map is loaded and its georeference is valid: the condition for every
    // overlay, the replay marker and the pointer's world coordinates.
    bool HasValidMap() const;
    // The marker's points are gone (the current flight's track is replaced or
    // dropped): no marker is drawn or restored from them any more.
    void ForgetPoints();
    // The model is about to delete the node.
    void NodeDeleting(const TChampNode* node);
    // The canvas went away (the main window closes).
    void DetachTarget();

    // Layers, in the order the repaints call them.
    void ClearBackground();
    void DrawBitmap();
    void DrawGrid();
    void DrawMapRefs();
    void DrawWaypoints();
    void DrawTask();
    void DrawTrack();
    void DrawEvents();
    void DrawReplayMarker();

    // The back buffer the layers paint into and the canvas shows.
    const QImage& BackBuffer() const { return FBuffer; }

    TMap* Map = nullptr;
    TMapCanvas* Target = nullptr;
    bool MarkerSaved = false;
    QImage MarkerBackground;
    QRect MarkerRect;
    TMapPoint DragAnchor;
    bool Dragging = false;
    int StretchMode = 4; // 4 smoothed (full redraw), 3 unsmoothed (quick repaint)
    TScreenPoint CursorPixel;
    TMapPoint CursorImage;
    std::optional<TGeoCoord> CursorGeo;
    std::optional<TUtmCoord> CursorGrid;
    const TTrackPoint* CurrentPoint = nullptr;
    const TTrackPoint* NextPoint = nullptr;
    TMapTransform View;

    bool ShowMap = true;
    bool ShowGrid = false;
    bool ShowWpt = false;
    bool ShowTask = true;
    bool ShowFlight = true;
    bool ShowPoints = true;
    bool ShowEvents = true;
    bool SyncView = true;
    bool AutoMove = true;
    std::uint32_t EventMask = 0xFFFFFFFFu;

    // How many quick and full repaints ran (tests count them).
    int PaintCount = 0;
    int RedrawCount = 0;

private:
    // The buffer takes the target's size; false when there is nothing to
    // draw on (no target, or a window without area).
    bool ResizeBuffer();
    // Asks the target to show the buffer.
    // Grid, waypoints, task, track and (with the marker) the replay marker,
    // by their flags, over a map whose georeference holds.
    void DrawOverlays(bool withMarker);
    void Show();
    void DropMap();

    // Positions to window pixels through the loaded map: a place given on
    // its own datum, a bitmap point.
    TScreenPoint ToScreen(const TLocation& location);
    TScreenPoint ToScreen(const TGeoCoord& geo, const TDatum* datum);
    TScreenPoint ToScreen(const TMapPoint& bitmapPoint) const;
    const TDatum* MapDatum();
    TWayPointSet* WayPointSet() const;

    void DrawPolyline(TGdiCanvas& canvas, const std::vector<TMapPoint>& points);
    void DrawLine(TGdiCanvas& canvas, const TMapPoint& a, const TMapPoint& b);
    // The small white disc with a cross that marks a place.
    static void DrawSymbol(TGdiCanvas& canvas, TScreenPoint p);
    // A name in a filled box below and right of the place.
    static void DrawLabel(TGdiCanvas& canvas, TScreenPoint p, const std::string& text, const QColor& fill);
    // Task elements; their positions are given on `datum`, the waypoint
    // set's.
    void DrawTurnPoint(TGdiCanvas& canvas, const TTurnPoint& turnPoint, const TDatum* datum);
    void DrawGate(TGdiCanvas& canvas, const TGate& gate, const TDatum* datum);
    void DrawStraightLeg(TGdiCanvas& canvas, const TStraightLeg& leg, const TDatum* datum);
    void DrawArcLeg(TGdiCanvas& canvas, const TArcLeg& leg, const TDatum* datum);

    QImage FBuffer;
    QImage FBitmap;               // the map, RGB32
    std::vector<QImage> FPyramid; // FBitmap halved again and again
    std::vector<TScreenPoint> FScreenPoints; // DrawPolyline's, kept to spare allocations
    bool FMovingMarker = false;   // AutoMove's redraw is under way
};
