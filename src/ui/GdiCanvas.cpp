#include "ui/GdiCanvas.h"

#include <QFontMetrics>
#include <QLine>
#include <QPen>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <utility>

#include "geodesy/Coord.h"

namespace {

// Room around the window in which clipped lines end, so their caps and the
// left-out end pixel stay out of sight.
constexpr double ClipMargin = 64.0;
// Curves with a box beyond this are left out: at such a zoom no part of
// them that could show is anything but a straight line far off screen.
constexpr double CurveLimit = 4194304.0;
// No label is wider or taller than this.
constexpr int TextReach = 4096;

// Clips the segment a -> b to the rectangle (Liang-Barsky); false when
// nothing of it lies inside.
bool ClipSegment(const QRectF& r, QPointF& a, QPointF& b)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const QPointF start = a;
    if (t1 < 1.0) b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
    if (t0 > 0.0) a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
    return true;
}

QPoint Rounded(const QPointF& p)
{
    return QPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y())));
}

QPointF ToF(TScreenPoint p)
{
    return QPointF(p.X, p.Y);
}

void Normalise(int& left, int& top, int& right, int& bottom)
{
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
}

} // namespace

const QFont& MapLabelFont()
{
    // Made once and kept to the end: a font destroyed after the application
    // object is not safe.
    static const QFont* font = [] {
        auto* f = new QFont(QStringLiteral("DejaVu Sans"));
        f->setPointSize(8);
        return f;
    }();
    return *font;
}

TGdiCanvas::TGdiCanvas(QImage& image)
{
    if (image.isNull()) return;
    FPainter.begin(&image);
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.setRenderHint(QPainter::TextAntialiasing, true);
    FPainter.setFont(MapLabelFont());
    FClip = QRectF(-ClipMargin, -ClipMargin, image.width() + 2 * ClipMargin, image.height() + 2 * ClipMargin);
    SetPen(Qt::black);
    ClearBrush();
}

void TGdiCanvas::SetPen(const QColor& colour, int width, TPenStyle style, bool xorMode)
{
    QPen pen(colour, width);
    if (width <= 1) {
        // A one-pixel line without its end pixel.
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    // Every other pixel.
    if (style == psDot) pen.setDashPattern({1.0, 1.0});
    FPainter.setPen(pen);
    FPainter.setCompositionMode(xorMode ? QPainter::RasterOp_SourceXorDestination
                                        : QPainter::CompositionMode_SourceOver);
}

void TGdiCanvas::SetBrush(const QColor& colour, Qt::BrushStyle style)
{
    FPainter.setBrush(QBrush(colour, style));
}

void TGdiCanvas::ClearBrush()
{
    FPainter.setBrush(Qt::NoBrush);
}

void TGdiCanvas::LineTo(TScreenPoint p)
{
    QPointF a = ToF(FPos);
    QPointF b = ToF(p);
    FPos = p;
    if (!Active() || !ClipSegment(FClip, a, b)) return;
    FPainter.drawLine(Rounded(a), Rounded(b));
}

void TGdiCanvas::Polyline(const std::vector<TScreenPoint>& points)
{
    if (!Active() || points.empty()) return;
    auto flush = [this] {
        if (FRun.size() >= 2) FPainter.drawPolyline(FRun.data(), static_cast<int>(FRun.size()));
        FRun.clear();
    };
    FRun.clear();
    TScreenPoint previous = points.front();
    for (std::size_t i = 1; i < points.size(); ++i) {
        const TScreenPoint next = points[i];
        if (next == previous) continue;
        const QPointF from = ToF(previous);
        const QPointF to = ToF(next);
        previous = next;
        if (FClip.contains(from) && FClip.contains(to)) {
            if (FRun.empty()) FRun.push_back(QPoint(static_cast<int>(from.x()), static_cast<int>(from.y())));
            FRun.push_back(QPoint(static_cast<int>(to.x()), static_cast<int>(to.y())));
            continue;
        }
        QPointF a = from;
        QPointF b = to;
        if (!ClipSegment(FClip, a, b)) {
            flush();
            continue;
        }
        // The segment enters or leaves the window's surroundings: it ends
        // the run there, or starts a new one.
        if (a != from) flush();
        if (FRun.empty()) FRun.push_back(Rounded(a));
        FRun.push_back(Rounded(b));
        if (b != to) flush();
    }
    flush();
}

bool TGdiCanvas::FarOut(double left, double top, double right, double bottom) const
{
    return std::fabs(left) > CurveLimit || std::fabs(top) > CurveLimit || std::fabs(right) > CurveLimit ||
           std::fabs(bottom) > CurveLimit;
}

bool TGdiCanvas::Unseen(double left, double top, double right, double bottom) const
{
    return right < FClip.left() || left > FClip.right() || bottom < FClip.top() || top > FClip.bottom();
}

void TGdiCanvas::Ellipse(int left, int top, int right, int bottom)
{
    Normalise(left, top, right, bottom);
    if (!Active() || Unseen(left, top, right, bottom) || FarOut(left, top, right, bottom)) return;
    if (right - left <= 1 || bottom - top <= 1) {
        // Too small for a curve: what the box holds, in the pen's colour.
        FPainter.fillRect(QRect(left, top, std::max(1, right - left), std::max(1, bottom - top)),
                          FPainter.pen().color());
        return;
    }
    FPainter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TGdiCanvas::Rectangle(int left, int top, int right, int bottom)
{
    Normalise(left, top, right, bottom);
    if (!Active() || right - left < 2 || bottom - top < 2 || Unseen(left, top, right, bottom)) return;
    FPainter.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TGdiCanvas::FillRect(int left, int top, int right, int bottom, const QColor& colour)
{
    Normalise(left, top, right, bottom);
    if (!Active() || right == left || bottom == top || Unseen(left, top, right, bottom)) return;
    FPainter.fillRect(QRect(left, top, right - left, bottom - top), colour);
}

void TGdiCanvas::Arc(int left, int top, int right, int bottom, TScreenPoint start, TScreenPoint end)
{
    Normalise(left, top, right, bottom);
    if (!Active() || Unseen(left, top, right, bottom) || FarOut(left, top, right, bottom) || right - left <= 1 ||
        bottom - top <= 1)
        return;
    const double cx = (left + right) / 2.0;
    const double cy = (top + bottom) / 2.0;
    // Qt counts angles counter-clockwise on screen from 3 o'clock, y up.
    const double a0 = std::atan2(cy - start.Y, start.X - cx) * 180.0 / Pi;
    const double a1 = std::atan2(cy - end.Y, end.X - cx) * 180.0 / Pi;
    double span = std::fmod(a1 - a0 + 720.0, 360.0);
    if (span <= 0.0) span = 360.0;
    FPainter.drawArc(QRectF(left, top, right - left - 1, bottom - top - 1), static_cast<int>(std::lround(a0 * 16.0)),
                     static_cast<int>(std::lround(span * 16.0)));
}

QSize TGdiCanvas::TextExtent(const QString& text)
{
    // Measured on the buffer itself: a screen of another resolution would
    // give a box that does not fit the text drawn into it.
    const QFontMetrics metrics = Active() ? FPainter.fontMetrics() : QFontMetrics(MapLabelFont());
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

void TGdiCanvas::TextOut(int x, int y, const QString& text)
{
    // Qt places glyphs in fixed point, which a far-off anchor overflows.
    if (!Active() || Unseen(x - TextReach, y - TextReach, x + TextReach, y + TextReach)) return;
    const QPen saved = FPainter.pen();
    FPainter.setPen(Qt::black);
    FPainter.drawText(x, y + FPainter.fontMetrics().ascent(), text);
    FPainter.setPen(saved);
}
