#include "ui/MapWindow.h"

#include <QMouseEvent>
#include <QPainter>

#include "model/Map.h"

// ---------------------------------------------------------------- canvas

TMapCanvas::TMapCanvas(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Graf"));
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TMapCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage* buffer = View ? &View->BackBuffer() : nullptr;
    if (buffer && !buffer->isNull()) painter.drawImage(0, 0, *buffer);
    // What the buffer does not cover (no map loaded yet, a resize not yet
    // redrawn) shows the window's own background.
    const QRect covered = buffer ? QRect(QPoint(0, 0), buffer->size()) : QRect();
    const QRegion rest = QRegion(rect()) - QRegion(covered);
    for (const QRect& r : rest) painter.fillRect(r, palette().window());
}

void TMapCanvas::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event);
}

void TMapCanvas::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMove(event);
}

void TMapCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseUp(event);
}

void TMapCanvas::resizeEvent(QResizeEvent*)
{
    emit Resized();
}

// ---------------------------------------------------------------- map view (to be built)

TMapWindow::TMapWindow() = default;
TMapWindow::~TMapWindow() = default;

void TMapWindow::LoadMap(TMap* map, TMapCanvas* target)
{
    Map = map;
    Target = target;
}

void TMapWindow::Paint()
{
    ++PaintCount;
}

void TMapWindow::Redraw()
{
    ++RedrawCount;
}

void TMapWindow::SetScale(int, int, double) {}
void TMapWindow::ZoomIn(int, int) {}
void TMapWindow::ZoomOut(int, int) {}
void TMapWindow::StartDrag(int, int) {}
void TMapWindow::DragTo(int, int) {}
void TMapWindow::EndDrag(int, int) {}
void TMapWindow::SetCursor(int px, int py)
{
    CursorPixel = {px, py};
}

std::optional<TGeoCoord> TMapWindow::SnapToGrid() const
{
    return std::nullopt;
}

bool TMapWindow::HasValidMap() const
{
    return Map && Map->Georef.Valid;
}

void TMapWindow::ForgetPoints()
{
    CurrentPoint = nullptr;
    NextPoint = nullptr;
    MarkerSaved = false;
}

void TMapWindow::NodeDeleting(const TChampNode* node)
{
    if (node == reinterpret_cast<const TChampNode*>(Map)) Map = nullptr;
}

void TMapWindow::DetachTarget()
{
    Target = nullptr;
}

void TMapWindow::ClearBackground() {}
void TMapWindow::DrawBitmap() {}
void TMapWindow::DrawGrid() {}
void TMapWindow::DrawMapRefs() {}
void TMapWindow::DrawWaypoints() {}
void TMapWindow::DrawTask() {}
void TMapWindow::DrawTrack() {}
void TMapWindow::DrawEvents() {}
void TMapWindow::DrawReplayMarker() {}
void TMapWindow::ResizeBuffer() {}
void TMapWindow::Show() {}
