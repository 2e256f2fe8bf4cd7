#pragma once
// Drawing on the map view's back buffer with the edges of the classic
// desktop canvas, which the layers' pixel arithmetic was worked out for:
//
// - a line leaves out its end pixel (width 1), so polylines and outlines
//   touch without overdrawing;
// - rectangles and ellipses are given by (left, top, right, bottom) and
//   leave out their right and bottom edge;
// - text is placed by its top-left corner;
// - shapes are never antialiased (text is);
// - the XOR mix mode combines the pen with the pixels under it, so drawing
//   the same line twice restores them; the buffer is RGB32, where it works.
//
// Coordinates far outside the window (a strong zoom) are clipped here in
// floating point before Qt sees them: its rasteriser works in fixed point.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>
#include <vector>

#include "model/Mapgrid.h"

// The one font of map labels, made on first use (a font needs the
// application object).
const QFont& MapLabelFont();

class TGdiCanvas {
public:
    enum TPenStyle { psSolid, psDot };

    explicit TGdiCanvas(QImage& image);
    TGdiCanvas(const TGdiCanvas&) = delete;
    TGdiCanvas& operator=(const TGdiCanvas&) = delete;

    bool Active() const { return FPainter.isActive(); }

    void SetPen(const QColor& colour, int width = 1, TPenStyle style = psSolid, bool xorMode = false);
    void SetBrush(const QColor& colour, Qt::BrushStyle style = Qt::SolidPattern);
    void ClearBrush();

    void MoveTo(TScreenPoint p) { FPos = p; }
    void LineTo(TScreenPoint p);
    void Line(TScreenPoint a, TScreenPoint b)
    {
        MoveTo(a);
        LineTo(b);
    }
    // The points joined in order, clipped to the window with a margin;
    // consecutive equal points are drawn once.
    void Polyline(const std::vector<TScreenPoint>& points);
    void Ellipse(int left, int top, int right, int bottom);
    void Rectangle(int left, int top, int right, int bottom);
    void FillRect(int left, int top, int right, int bottom, const QColor& colour);
    // The part of the ellipse in the box that runs counter-clockwise (as
    // seen on screen) from the ray through `start` to the ray through `end`,
    // both rays from the box's centre; equal rays give the whole ellipse.
    void Arc(int left, int top, int right, int bottom, TScreenPoint start, TScreenPoint end);
    QSize TextExtent(const QString& text);
    // Black text, its top-left corner at (x, y).
    void TextOut(int x, int y, const QString& text);

    QPainter& Painter() { return FPainter; }

private:
    bool FarOut(double left, double top, double right, double bottom) const;
    // Nothing of the box comes near the window.
    bool Unseen(double left, double top, double right, double bottom) const;

    QPainter FPainter;
    QRectF FClip;
    TScreenPoint FPos;
    std::vector<QPoint> FRun;
};
