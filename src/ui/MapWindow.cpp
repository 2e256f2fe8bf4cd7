#include "ui/MapWindow.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "model/Championship.h"
#include "platform/Exceptions.h"
#include "model/Map.h"
#include "platform/Files.h"
#include "platform/Hooks.h"
#include "ui/GdiCanvas.h"
#include "ui/MapBitmap.h"
#include "ui/QtText.h"
#include "ui/Userinterface.h"

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

// ---------------------------------------------------------------- map view

namespace {

// Grid spacing: 5 minutes of arc on a longitude/latitude map, 5 km on the
// others.
constexpr double GeoGridSpacing = 0.0014544410433286077;
constexpr double MetricGridSpacing = 5000.0;

// The pyramid stops at this size: zooming out further is rare and cheap.
constexpr int PyramidSmallest = 64;

// A double as a 32-bit integer, truncated toward zero; NaN is 0 and values
// beyond the range are held at its ends.
std::int32_t TruncInt(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<std::int32_t>(v);
}

// Each pixel the mean of the 2 x 2 pixels it stands for (at an odd edge, of
// those there are).
QImage HalfSize(const QImage& source)
{
    const int w = source.width();
    const int h = source.height();
    QImage half((w + 1) / 2, (h + 1) / 2, QImage::Format_RGB32);
    for (int y = 0; y < half.height(); ++y) {
        const auto* row0 = reinterpret_cast<const std::uint32_t*>(source.constScanLine(2 * y));
        const auto* row1 = reinterpret_cast<const std::uint32_t*>(source.constScanLine(std::min(2 * y + 1, h - 1)));
        auto* out = reinterpret_cast<std::uint32_t*>(half.scanLine(y));
        for (int x = 0; x < half.width(); ++x) {
            const int x0 = 2 * x;
            const int x1 = std::min(x0 + 1, w - 1);
            const std::uint32_t p[4] = {row0[x0], row0[x1], row1[x0], row1[x1]};
            // Red and blue in one word, alpha and green in another: the
            // sums of four bytes cannot carry into the next channel.
            std::uint32_t rb = 0x00020002u;
            std::uint32_t ag = 0x00020002u;
            for (std::uint32_t c : p) {
                rb += c & 0x00FF00FFu;
                ag += (c >> 8) & 0x00FF00FFu;
            }
            out[x] = ((rb >> 2) & 0x00FF00FFu) | (((ag >> 2) & 0x00FF00FFu) << 8) | 0xFF000000u;
        }
    }
    return half;
}

std::vector<QImage> BuildPyramid(const QImage& bitmap)
{
    std::vector<QImage> levels;
    const QImage* previous = &bitmap;
    while (std::max(previous->width(), previous->height()) > PyramidSmallest) {
        levels.push_back(HalfSize(*previous));
        previous = &levels.back();
    }
    return levels;
}

void WriteLastMap(const std::string& shortName)
{
    // Only a convenience for the next start: a folder that cannot be
    // written is no reason to refuse the map. Written beside and renamed
    // over it, as every file is: a link of that name (a folder received
    // from someone else) is replaced, never followed.
    const std::string path = Platform::WorkingFolder() + "/lastmap";
    std::string temp;
    const int fd = CreateFileBeside(path, temp);
    if (fd < 0) return;
    bool written = WriteAll(fd, shortName);
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) ::unlink(temp.c_str());
}

} // namespace

TMapWindow::TMapWindow() = default;
TMapWindow::~TMapWindow() = default;

void TMapWindow::LoadMap(TMap* map, TMapCanvas* target)
{
    if (!map) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    TChampionship* championship = UserInterface.ActiveChampionship();
    if (!championship) championship = dynamic_cast<TChampionship*>(map->Owner());
    const std::string& mapFile = map->GetAttribute(acMapFile);
    const std::string path = championship ? championship->FileSystemPath(mapFile) : PathFromQt(FileNameToQt(mapFile));

    // Read into temporaries: a bitmap that does not load leaves the view
    // showing what it showed. That map and the back buffer stay in memory
    // while the new one loads, so they count against the maps' budget.
    std::uint64_t kept = FBitmap.sizeInBytes();
    for (const QImage& level : FPyramid) kept += level.sizeInBytes();
    if (target) {
        const std::uint64_t window = std::uint64_t{4} * std::max(target->width(), 0) * std::max(target->height(), 0);
        kept += std::max<std::uint64_t>(FBuffer.sizeInBytes(), window);
    }
    QImage image = ReadMapBitmap(path, FromQt(PathToQt(path)), kept < MapMemoryBudget ? MapMemoryBudget - kept : 0);
    std::vector<QImage> pyramid = BuildPyramid(image);

    Map = map;
    Target = target;
    if (target) target->View = this;
    FBitmap = std::move(image);
    FPyramid = std::move(pyramid);
    MarkerSaved = false;
    StretchMode = 4;

    View.BitmapWidth = FBitmap.width();
    View.BitmapHeight = FBitmap.height();
    View.WindowWidth = target ? target->width() : 0;
    View.WindowHeight = target ? target->height() : 0;
    View.FitToWindow();
    View.SetScale(0.0, 0.0, 0, 0, 1.0);

    const double spacing = map->ProjectionKind == mpUnknown ? GeoGridSpacing : MetricGridSpacing;
    map->Georef.Calculate(map->ProjectionKind);
    map->SetGrid(FBitmap.width(), FBitmap.height(), spacing);

    KeepLastMap();
}

void TMapWindow::KeepLastMap()
{
    if (!Map) return;
    const std::string name = SavedName ? SavedName(Map) : Map->GetAttribute(acShortName);
    if (!name.empty()) WriteLastMap(name);
}

void TMapWindow::Paint()
{
    ++PaintCount;
    MarkerSaved = false;
    StretchMode = 3;
    if (!Target) return;
    if (!ShowMap) {
        ClearBackground();
        DrawOverlays(true);
        Show();
    } else if (Map) {
        DrawBitmap();
        // The marker waits for the full redraw: it would only flicker
        // while the map moves under it.
        DrawOverlays(false);
        Show();
    }
}

void TMapWindow::Redraw()
{
    ++RedrawCount;
    MarkerSaved = false;
    StretchMode = 4;
    if (!Target) return;
    if (ShowMap)
        DrawBitmap();
    else
        ClearBackground();
    // The reference points show while their table is, also before there
    // are enough of them for a fit.
    if (Map && UserInterface.ActiveNode == static_cast<TNodeDescription*>(&Map->Georef)) DrawMapRefs();
    if (!Map) return;
    DrawOverlays(true);
    Show();
}

void TMapWindow::DrawOverlays(bool withMarker)
{
    if (!HasValidMap()) return;
    if (ShowGrid) DrawGrid();
    if (ShowWpt) DrawWaypoints();
    if (ShowTask) DrawTask();
    if (ShowFlight) DrawTrack();
    if (withMarker && SyncView) DrawReplayMarker();
}

void TMapWindow::SetScale(int px, int py, double scale)
{
    const TMapPoint p = View.ScreenToImage(px, py);
    View.SetScale(p.X, p.Y, px, py, scale);
    if (scale == 1.0)
        Redraw();
    else
        Paint();
}

void TMapWindow::ZoomIn(int px, int py)
{
    SetScale(px, py, View.Scale / std::pow(2.0, 0.25));
}

void TMapWindow::ZoomOut(int px, int py)
{
    SetScale(px, py, View.Scale * std::pow(2.0, 0.25));
}

void TMapWindow::StartDrag(int px, int py)
{
    DragAnchor = View.ScreenToImage(px, py);
    Dragging = true;
}

void TMapWindow::DragTo(int px, int py)
{
    if (!Dragging) return;
    View.SetOrigin(DragAnchor.X, DragAnchor.Y, px, py);
    Paint();
}

void TMapWindow::EndDrag(int px, int py)
{
    if (!Dragging) return;
    Dragging = false;
    View.SetOrigin(DragAnchor.X, DragAnchor.Y, px, py);
    Redraw();
}

void TMapWindow::SetCursor(int px, int py)
{
    CursorPixel = {px, py};
    CursorImage = View.ScreenToImage(px, py);
    if (!Map) return;
    double x = 0.0;
    double y = 0.0;
    Map->Georef.PixelToWorld(CursorImage.X, CursorImage.Y, x, y);
    CursorGeo.reset();
    CursorGrid.reset();
    if (Map->ProjectionKind == mpUnknown) {
        CursorGeo = TGeoCoord{x, y, 0.0};
    } else if (Map->ProjectionKind == mpUtm) {
        const TMapRef* first = Map->Georef.Refs.empty() ? nullptr : *Map->Georef.Refs.begin();
        CursorGrid = TUtmCoord(x, y, 0.0, first ? first->Location.Utm.Zone : std::string("30T"));
        CursorGeo = CursorGrid->GetGeo(MapDatum()->Ellipsoid);
    }
}

std::optional<TGeoCoord> TMapWindow::SnapToGrid() const
{
    if (!HasValidMap()) return std::nullopt;
    const double s = Map->GridSpacing;
    if (!(s > 0.0)) return std::nullopt;
    auto snap = [s](double v) { return std::floor(v / s + 0.5) * s; };
    if (Map->ProjectionKind == mpUnknown) {
        if (!CursorGeo) return std::nullopt;
        return TGeoCoord{snap(CursorGeo->Lon), snap(CursorGeo->Lat), 0.0};
    }
    if (!CursorGrid) return std::nullopt;
    const TUtmCoord snapped(snap(CursorGrid->X), snap(CursorGrid->Y), 0.0, CursorGrid->Zone);
    return snapped.ToGeo(Map->GetDatum()->Ellipsoid);
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
    if (!node || !Map) return;
    if (node == static_cast<const TChampNode*>(Map) || node == Map->Owner()) DropMap();
}

void TMapWindow::DetachTarget()
{
    Target = nullptr;
}

void TMapWindow::DropMap()
{
    Map = nullptr;
    FBitmap = QImage();
    FPyramid.clear();
    MarkerSaved = false;
    CursorGeo.reset();
    CursorGrid.reset();
}

bool TMapWindow::ResizeBuffer()
{
    if (!Target || Target->width() <= 0 || Target->height() <= 0) {
        FBuffer = QImage();
        return false;
    }
    if (FBuffer.width() != Target->width() || FBuffer.height() != Target->height())
        FBuffer = QImage(Target->width(), Target->height(), QImage::Format_RGB32);
    return !FBuffer.isNull();
}

void TMapWindow::Show()
{
    if (Target) Target->update();
}

const TDatum* TMapWindow::MapDatum()
{
    return Map->GetDatum();
}

TScreenPoint TMapWindow::ToScreen(const TMapPoint& bitmapPoint) const
{
    return View.ImageToScreen(bitmapPoint.X, bitmapPoint.Y);
}

TScreenPoint TMapWindow::ToScreen(const TGeoCoord& geo, const TDatum* datum)
{
    const TGeoCoord onMap = ConvertDatum(geo, datum, MapDatum());
    return ToScreen(Map->Georef.WorldToPixelPoint(Map->GeoToWorld(onMap)));
}

TScreenPoint TMapWindow::ToScreen(const TLocation& location)
{
    return ToScreen(location.Geo, location.Datum);
}

// ---------------------------------------------------------------- background and bitmap

void TMapWindow::ClearBackground()
{
    if (!Map || !ResizeBuffer()) return;
    FBuffer.fill(QColor(192, 192, 192));
}

void TMapWindow::DrawBitmap()
{
    if (!Map || !ResizeBuffer()) return;
    const int w = FBuffer.width();
    const int h = FBuffer.height();
    const TMapPoint topLeft = View.ScreenToImageUniform(0, 0);
    const TMapPoint bottomRight = View.ScreenToImageUniform(w - 1, h - 1);
    const std::int32_t x0 = TruncInt(topLeft.X + 0.5);
    const std::int32_t y0 = TruncInt(topLeft.Y + 0.5);
    const std::int64_t sourceWidth = std::int64_t(TruncInt(bottomRight.X + 0.5)) - x0 + 1;
    const std::int64_t sourceHeight = std::int64_t(TruncInt(bottomRight.Y + 0.5)) - y0 + 1;
    if (FBitmap.isNull() || sourceWidth <= 0 || sourceHeight <= 0)
        throw TException("", "Unable to perform StretchBlt", "");

    // Only the part of the source rectangle that lies on the bitmap is
    // copied, into the matching part of the window; around it the window
    // shows the background.
    const std::int64_t ix0 = std::max<std::int64_t>(x0, 0);
    const std::int64_t iy0 = std::max<std::int64_t>(y0, 0);
    const std::int64_t ix1 = std::min<std::int64_t>(x0 + sourceWidth, FBitmap.width());
    const std::int64_t iy1 = std::min<std::int64_t>(y0 + sourceHeight, FBitmap.height());
    const double fx = double(w) / double(sourceWidth);
    const double fy = double(h) / double(sourceHeight);
    const QRectF target((ix0 - x0) * fx, (iy0 - y0) * fy, (ix1 - ix0) * fx, (iy1 - iy0) * fy);
    if (ix1 <= ix0 || iy1 <= iy0 || !target.contains(QRectF(0, 0, w, h))) FBuffer.fill(QColor(192, 192, 192));
    if (ix1 > ix0 && iy1 > iy0) {
        // Zoomed out, the copy starts from the halved image whose pixels
        // are nearest to the window's but not larger: smoothing then only
        // has to span less than two source pixels per window pixel.
        std::size_t level = 0;
        for (double s = View.Scale; s >= 2.0 && level < FPyramid.size(); s /= 2.0) ++level;
        const QImage& source = level == 0 ? FBitmap : FPyramid[level - 1];
        const double f = std::ldexp(1.0, -static_cast<int>(level));
        const QRectF sourceRect(ix0 * f, iy0 * f, (ix1 - ix0) * f, (iy1 - iy0) * f);
        QPainter painter(&FBuffer);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, StretchMode == 4);
        painter.drawImage(target, source, sourceRect);
    }
    // The overlays follow the integer rectangle that was copied, not the
    // uniform scale; the next copy starts from the uniform scale again.
    View.SetFromRects(x0, y0, TruncInt(double(sourceWidth)), TruncInt(double(sourceHeight)), w, h);
}
