// The task over the map: turn points with their cylinders, gates, and the
// corridors of straight and arc legs. Left of the direction of travel (or of
// crossing) is red, right is green.
#include <algorithm>
#include <cmath>

#include "model/Championship.h"
#include "model/Map.h"
#include "model/Task.h"
#include "ui/GdiCanvas.h"
#include "ui/MapWindow.h"
#include "ui/Userinterface.h"

namespace {

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);
const QColor Grey(128, 128, 128);
const double Sqrt2 = std::sqrt(2.0);

} // namespace

void TMapWindow::DrawTask()
{
    TTaskInstance* instance = UserInterface.CurrentTaskInstance;
    if (!HasValidMap() || !instance) return;
    TGdiCanvas canvas(FBuffer);
    if (!canvas.Active()) return;
    // Task positions are given on the datum of the waypoints they were
    // made from.
    const TDatum* datum = nullptr;
    if (auto* championship = dynamic_cast<TChampionship*>(instance->Owner()))
        datum = championship->WayPoints.GetDatum();
    else if (TWayPointSet* set = WayPointSet())
        datum = set->GetDatum();
    else
        datum = DefaultDatum();

    for (TCheckElement* e = instance->FirstCheckElement(ceTurnPoint); e; e = instance->NextCheckElement(ceTurnPoint))
        DrawTurnPoint(canvas, *static_cast<TTurnPoint*>(e), datum);
    for (TCheckElement* e = instance->FirstCheckElement(ceGate); e; e = instance->NextCheckElement(ceGate))
        DrawGate(canvas, *static_cast<TGate*>(e), datum);
    for (TCheckElement* e = instance->FirstCheckElement(ceStraightLeg); e;
         e = instance->NextCheckElement(ceStraightLeg))
        DrawStraightLeg(canvas, *static_cast<TStraightLeg*>(e), datum);
    for (TCheckElement* e = instance->FirstCheckElement(ceArcLeg); e; e = instance->NextCheckElement(ceArcLeg))
        DrawArcLeg(canvas, *static_cast<TArcLeg*>(e), datum);
}

void TMapWindow::DrawTurnPoint(TGdiCanvas& canvas, const TTurnPoint& turnPoint, const TDatum* datum)
{
    const TDatum* mapDatum = MapDatum();
    const TGeoCoord g = ConvertDatum(turnPoint.Location.Geo, datum, mapDatum);
    const TScreenPoint c = ToScreen(g, mapDatum);
    const double r = turnPoint.Radius;
    // The cylinder's box: north-west and south-east corners on a
    // longitude/latitude map, the UTM square around the centre otherwise.
    TScreenPoint a;
    TScreenPoint b;
    if (Map->ProjectionKind == mpUnknown) {
        const TLocation centre(g, mapDatum);
        a = ToScreen(centre.Destination(315.0, r * Sqrt2).Geo, mapDatum);
        b = ToScreen(centre.Destination(135.0, r * Sqrt2).Geo, mapDatum);
    } else {
        const TMapPoint w = Map->GeoToWorld(g);
        a = ToScreen(Map->Georef.WorldToPixelPoint(w.X - r, w.Y - r));
        b = ToScreen(Map->Georef.WorldToPixelPoint(w.X + r, w.Y + r));
    }
    DrawSymbol(canvas, c);
    // A hatched brush: the map shows through between the lines.
    canvas.SetPen(Green);
    canvas.SetBrush(Grey, Qt::BDiagPattern);
    canvas.Ellipse(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X) + 1, std::max(a.Y, b.Y) + 1);
    DrawLabel(canvas, c, turnPoint.Name, Green);
}

void TMapWindow::DrawGate(TGdiCanvas& canvas, const TGate& gate, const TDatum* datum)
{
    // The start lies left of a pilot crossing the gate in its direction.
    const TScreenPoint s = ToScreen(gate.GateLine.Start.Geo, datum);
    const TScreenPoint e = ToScreen(gate.GateLine.End.Geo, datum);
    canvas.SetPen(Red);
    canvas.SetBrush(Red);
    canvas.Ellipse(s.X - 3, s.Y - 3, s.X + 4, s.Y + 4);
    canvas.SetPen(Green);
    canvas.SetBrush(Green);
    canvas.Ellipse(e.X - 3, e.Y - 3, e.X + 4, e.Y + 4);
    // Inverts what lies under it, so the line shows on any map colour.
    canvas.SetPen(Qt::white, 1, TGdiCanvas::psSolid, true);
    canvas.Line(s, e);
    DrawLabel(canvas, s.X > e.X ? s : e, gate.Name, Green);
}

void TMapWindow::DrawStraightLeg(TGdiCanvas& canvas, const TStraightLeg& leg, const TDatum* datum)
{
    if (!leg.From || !leg.To) return;
    const double course = leg.Start.Course(leg.End);
    const TLocation from(leg.From->Location.Geo, datum);
    const TLocation to(leg.To->Location.Geo, datum);
    const double r = leg.Radius;
    const TScreenPoint p1 = ToScreen(from.Destination(course - 90.0, r).Geo, datum);
    const TScreenPoint p2 = ToScreen(from.Destination(course + 90.0, r).Geo, datum);
    const TScreenPoint p3 = ToScreen(to.Destination(course - 90.0, r).Geo, datum);
    const TScreenPoint p4 = ToScreen(to.Destination(course + 90.0, r).Geo, datum);
    canvas.SetPen(Red);
    canvas.Line(p1, p3);
    canvas.SetPen(Green);
    canvas.Line(p2, p4);
}

void TMapWindow::DrawArcLeg(TGdiCanvas& canvas, const TArcLeg& leg, const TDatum* datum)
{
    if (!leg.From || !leg.To) return;
    const TLocation centre(leg.Centre.Geo, datum);
    const TLocation from(leg.From->Location.Geo, datum);
    const double arcRadius = centre.Distance(from);
    const TScreenPoint f = ToScreen(from);
    const TScreenPoint t = ToScreen(leg.To->Location.Geo, datum);
    DrawSymbol(canvas, ToScreen(centre));
    canvas.ClearBrush();
    for (int k = -1; k <= 1; k += 2) {
        const double rho = arcRadius + k * leg.Radius;
        const TScreenPoint a = ToScreen(centre.Destination(315.0, rho * Sqrt2).Geo, datum);
        const TScreenPoint b = ToScreen(centre.Destination(135.0, rho * Sqrt2).Geo, datum);
        // The outer edge of a clockwise arc and the inner edge of a
        // counter-clockwise one are on the left.
        const bool left = (k == 1) == (leg.Clockwise != 0);
        canvas.SetPen(left ? Red : Green);
        // Each edge runs from the From side to the To side through the
        // middle turn point's side; on screen the arc is drawn
        // counter-clockwise.
        if (leg.Clockwise)
            canvas.Arc(a.X, a.Y, b.X, b.Y, t, f);
        else
            canvas.Arc(a.X, a.Y, b.X, b.Y, f, t);
    }
}
