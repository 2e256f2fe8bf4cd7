// The map view, checked on its back buffer: the bitmap under zoom and drag,
// every layer at the pixels its geometry gives, the replay marker's saving
// and restoring, and the faults around a missing map or a replaced track.
#include <gtest/gtest.h>

#include <QPixmap>
#include <filesystem>
#include <fstream>

#include "platform/Exceptions.h"
#include "ui/MapFixture.h"

using namespace mapview;

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb Yellow = qRgb(255, 255, 0);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
const QRgb Silver = qRgb(192, 192, 192);
const QRgb Grey = qRgb(128, 128, 128);

// Some pixel within `radius` of (x, y) has the colour.
bool Near(const TMapFixture& f, int x, int y, QRgb colour, int radius = 1)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (f.Pixel(x + dx, y + dy) == colour) return true;
    return false;
}

TScreenPoint ScreenOf(const TMapFixture& f, const TMapPoint& bitmapPoint)
{
    return f.Screen(bitmapPoint.X, bitmapPoint.Y);
}

} // namespace

TEST(MapView, ShowsTheBitmapAtScaleOneAndFollowsDragAndZoom)
{
    TMapFixture f;
    f.LoadMap();
    EXPECT_EQ(f.View.View.Scale, 1.0);
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {499, 399}, {500, 400}, {639, 479}})
        EXPECT_EQ(f.Pixel(x, y), MapColour(x, y)) << x << "," << y;
    EXPECT_EQ(ReadFileBytes(f.Dir.File("lastmap")), "M1");

    // Dragging by (-400, -20) moves the content with the pointer; right of
    // the bitmap the background shows.
    const int paints = f.View.PaintCount;
    const int redraws = f.View.RedrawCount;
    f.View.StartDrag(500, 100);
    f.View.DragTo(300, 90);
    f.View.EndDrag(100, 80);
    EXPECT_EQ(f.View.PaintCount, paints + 1);
    EXPECT_EQ(f.View.RedrawCount, redraws + 1);
    EXPECT_EQ(f.Pixel(95, 375), MapColour(495, 395));
    EXPECT_EQ(f.Pixel(105, 385), MapColour(505, 405));
    EXPECT_EQ(f.Pixel(599, 100), Black);
    EXPECT_EQ(f.Pixel(600, 100), Silver);
    f.View.EndDrag(0, 0); // no drag under way
    EXPECT_EQ(f.View.RedrawCount, redraws + 1);

    // Four steps in halve the scale about the pointer (quick repaints); the
    // quadrants' corner stays under it.
    for (int i = 0; i < 4; ++i) f.View.ZoomIn(100, 380);
    EXPECT_NEAR(f.View.View.Scale, 0.5, 1e-12);
    EXPECT_EQ(f.View.PaintCount, paints + 5);
    EXPECT_EQ(f.View.RedrawCount, redraws + 1);
    EXPECT_EQ(f.Pixel(96, 376), MapColour(498, 398));
    EXPECT_EQ(f.Pixel(106, 386), MapColour(503, 403));
    // Back to 1:1 is a full redraw.
    f.View.SetScale(320, 240, 1.0);
    EXPECT_EQ(f.View.RedrawCount, redraws + 2);
    EXPECT_EQ(f.View.View.Scale, 1.0);

    f.View.ShowMap = false;
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(300, 200), Silver);
    EXPECT_EQ(f.Pixel(0, 0), Silver);
}

TEST(MapView, OverlaysUseTheScaleOfTheCopiedRectangle)
{
    TMapFixture f(500, 400);
    f.LoadMap();
    f.View.SetScale(0, 0, 2.0);
    EXPECT_EQ(f.View.View.ScaleX, 999.0 / 500.0);
    EXPECT_EQ(f.View.View.Scale, 2.0);
}

TEST(MapView, AFailedLoadKeepsTheMapShownAndPaletteOrHugeBitmapsLoad)
{
    TMapFixture f;
    f.LoadMap();
    f.View.SetScale(0, 0, 2.0);
    TMap* missing = f.AddMap("M2", "missing.bmp");
    try {
        f.View.LoadMap(missing, &f.Canvas);
        FAIL() << "no exception";
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Can't load map bitmap");
    }
    EXPECT_EQ(f.View.Map, f.Map);
    EXPECT_EQ(f.View.View.Scale, 2.0);
    f.View.SetScale(0, 0, 1.0);
    EXPECT_EQ(f.Pixel(600, 450), MapColour(600, 450));
    EXPECT_EQ(ReadFileBytes(f.Dir.File("lastmap")), "M1");

    QImage palette(40, 30, QImage::Format_Indexed8);
    QList<QRgb> colours(256, qRgb(10, 20, 30));
    colours[1] = qRgb(200, 100, 50);
    palette.setColorTable(colours);
    palette.fill(1);
    ASSERT_TRUE(palette.save(QString::fromStdString(f.Dir.File("palette.bmp")), "BMP"));
    ASSERT_EQ(std::filesystem::file_size(f.Dir.File("palette.bmp")), 14u + 40u + 256u * 4u + 40u * 30u)
        << "not an 8-bit file";
    f.View.LoadMap(f.AddMap("M3", "palette.bmp"), &f.Canvas);
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(5, 5), qRgb(200, 100, 50));
    EXPECT_EQ(f.Pixel(45, 5), Silver);
    EXPECT_EQ(ReadFileBytes(f.Dir.File("lastmap")), "M3");
    // A working folder that cannot take "lastmap" does not stop a load.
    f.Hooks->WorkingFolder = [&f] { return f.Dir.File("missing"); };

    // 10 000 x 10 000 at 24 bits: 400 MB decoded, beyond Qt's default limit.
    const int side = 10000;
    std::string header(54, '\0');
    auto put = [&header](int at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) header[at + i] = char(v >> (8 * i) & 0xFF);
    };
    header[0] = 'B';
    header[1] = 'M';
    put(2, 54 + 3u * side * side, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, side, 4);
    put(22, side, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    const std::string big = f.Dir.File("big.bmp");
    WriteFileBytes(big, header);
    std::filesystem::resize_file(big, 54 + 3ull * side * side);
    f.View.LoadMap(f.AddMap("M4", "big.bmp"), &f.Canvas);
    EXPECT_EQ(f.View.View.BitmapWidth, side);
    f.View.SetScale(0, 0, 16.0);
    EXPECT_EQ(f.Pixel(600, 450), Black);
}

TEST(MapView, GridLinesAndReferencePoints)
{
    TMapFixture f;
    f.LoadMap();
    f.View.ShowGrid = true;
    f.View.Redraw();
    std::vector<int> columns;
    std::vector<int> rows;
    for (int x = 0; x < 640; ++x)
        if (f.Pixel(x, 50) == Blue) columns.push_back(x);
    for (int y = 0; y < 480; ++y)
        if (f.Pixel(50, y) == Blue) rows.push_back(y);
    EXPECT_EQ(columns, std::vector<int>{300});
    EXPECT_EQ(rows, std::vector<int>{200});

    // Red crosses and circles only while the reference table is shown.
    EXPECT_EQ(f.Pixel(108, 100), MapColour(108, 100));
    UserInterface.ActiveNode = &f.Map->Georef;
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(108, 100), Red);
    EXPECT_EQ(f.Pixel(100, 92), Red);
    EXPECT_EQ(f.Pixel(106, 106), MapColour(106, 106));
    EXPECT_TRUE(Near(f, 100, 85, Red));

    // Two references are no fit: their crosses still show, the grid not.
    TMapRef probe(900, 100);
    f.Map->Georef.DeleteRef(&probe);
    f.Map->Georef.Calculate(f.Map->ProjectionKind);
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(108, 100), Red);
    EXPECT_EQ(f.Pixel(300, 50), MapColour(300, 50));
}

TEST(MapView, WaypointsAndTaskElements)
{
    TMapFixture f;
    f.LoadMap();
    f.AddWaypoint("A", 200, 150);
    f.View.ShowWpt = true;
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(200, 150), Black);
    EXPECT_EQ(f.Pixel(202, 150), White);
    EXPECT_EQ(f.Pixel(204, 154), Black);
    EXPECT_EQ(f.Pixel(205, 156), Yellow);

    f.View.ShowWpt = false;
    f.View.ShowTask = true;
    TTaskInstance* task = f.NewTaskInstance();
    // A turn point of 200 m: a green circle of 20 pixels, hatched grey with
    // the map between the lines.
    task->AddTurnPoint(new TTurnPoint(f.AddWaypoint("B", 150, 300), 200.0));
    // A gate facing north, 100 m either side.
    task->AddGate(new TGate(f.AddWaypoint("G", 400, 250), 0.0, 100.0));
    // An eastward leg, 100 m either side.
    auto* c = new TTurnPoint(f.AddWaypoint("C", 300, 380), 0.0);
    auto* d = new TTurnPoint(f.AddWaypoint("D", 450, 380), 0.0);
    task->AddTurnPoint(c);
    task->AddTurnPoint(d);
    task->AddStraightLeg(new TStraightLeg(c, d, 100.0));
    // A clockwise arc round (500, 150) through its north, 800 m out.
    auto* from = new TTurnPoint(f.AddWaypoint("F", 420, 150), 0.0);
    auto* mid = new TTurnPoint(f.AddWaypoint("M", 500, 70), 0.0);
    auto* to = new TTurnPoint(f.AddWaypoint("T", 580, 150), 0.0);
    task->AddTurnPoint(from);
    task->AddTurnPoint(mid);
    task->AddTurnPoint(to);
    task->AddArcLeg(new TArcLeg(from, to, mid, 100.0));
    f.View.Redraw();

    EXPECT_TRUE(Near(f, 170, 300, Green));
    EXPECT_TRUE(Near(f, 130, 300, Green));
    EXPECT_TRUE(Near(f, 150, 280, Green));
    int hatch = 0;
    int map = 0;
    for (int y = 286; y < 296; ++y)
        for (int x = 136; x < 146; ++x) {
            hatch += f.Pixel(x, y) == Grey;
            map += f.Pixel(x, y) == MapColour(x, y);
        }
    EXPECT_GT(hatch, 5);
    EXPECT_GT(map, 50);

    // Red start (west), green end; the line inverts the map, and the start
    // dot under it.
    EXPECT_EQ(f.Pixel(390, 248), Red);
    EXPECT_EQ(f.Pixel(410, 248), Green);
    EXPECT_EQ(f.Pixel(390, 250), qRgb(0, 255, 255));
    const QRgb under = MapColour(398, 250);
    EXPECT_EQ(f.Pixel(398, 250), qRgb(255 - qRed(under), 255 - qGreen(under), 255 - qBlue(under)));

    EXPECT_TRUE(Near(f, 375, 370, Red));
    EXPECT_FALSE(Near(f, 375, 370, Green));
    EXPECT_TRUE(Near(f, 375, 390, Green));
    EXPECT_FALSE(Near(f, 375, 390, Red));

    EXPECT_EQ(f.Pixel(500, 150), Black);
    EXPECT_TRUE(Near(f, 500, 60, Red));
    EXPECT_TRUE(Near(f, 500, 80, Green));
    EXPECT_EQ(f.Pixel(500, 240), MapColour(500, 240));
    EXPECT_EQ(f.Pixel(500, 220), MapColour(500, 220));

    UserInterface.CurrentTaskInstance = nullptr;
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(390, 248), MapColour(390, 248));
    EXPECT_EQ(f.Pixel(375, 370), MapColour(375, 370));
}

TEST(MapView, TrackGapsAndEventsByMask)
{
    TMapFixture f;
    f.LoadMap();
    f.View.ShowFlight = true;
    // Three runs of fixes, a minute apart: two gaps.
    std::vector<std::string> fixes;
    for (int i = 0; i < 5; ++i) fixes.push_back(Fix(10 * i, 100 + 20 * i, 300));
    for (int i = 0; i < 5; ++i) fixes.push_back(Fix(100 + 10 * i, 180 + 20 * i, 360));
    for (int i = 0; i < 5; ++i) fixes.push_back(Fix(200 + 10 * i, 260 + 20 * i, 420));
    TTrack* track = f.SetTrack(fixes);
    ASSERT_EQ(track->Polylines.size(), 3u);
    track->Events.insert(TEvent(track->Points[2], nullptr, etIgcEvent, 0.0, 0.0));
    track->Events.insert(TEvent(track->Points[7], nullptr, etHighAcceleration, 0.0, 0.0));
    track->Events.insert(TEvent(track->Points[12], nullptr, etTurnPoint, 0.0, 0.0));
    f.View.Redraw();

    const TScreenPoint a = ScreenOf(f, track->Polylines[0][0]);
    EXPECT_EQ(f.Pixel(a.X + 10, a.Y), Blue);
    const TScreenPoint gapTop = ScreenOf(f, track->Polylines[0].back());
    int reds = 0;
    for (int y = gapTop.Y + 5; y < gapTop.Y + 55; ++y) {
        const bool red = f.Pixel(gapTop.X, y) == Red;
        reds += red;
        EXPECT_NE(red, f.Pixel(gapTop.X, y + 1) == Red) << y;
    }
    EXPECT_EQ(reds, 25);

    const TScreenPoint igc = ScreenOf(f, track->Polylines[0][2]);
    const TScreenPoint fast = ScreenOf(f, track->Polylines[1][2]);
    const TScreenPoint turn = ScreenOf(f, track->Polylines[2][2]);
    EXPECT_EQ(f.Pixel(igc.X - 1, igc.Y), Yellow);
    EXPECT_EQ(f.Pixel(igc.X - 5, igc.Y), Black);
    EXPECT_EQ(f.Pixel(fast.X, fast.Y), White);
    EXPECT_EQ(f.Pixel(turn.X, turn.Y), Blue);

    f.View.EventMask &= ~std::uint32_t(etIgcEvent);
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(igc.X - 1, igc.Y), Blue);
    EXPECT_EQ(f.Pixel(fast.X, fast.Y), White);
    f.View.ShowEvents = false;
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(fast.X, fast.Y), Blue);
}

TEST(MapView, ReplayMarkerRestoresWhatItCoveredAndShowsTheHeading)
{
    TMapFixture f;
    f.LoadMap();
    f.View.SyncView = true;
    // 100 km/h east, then 100 km/h north.
    const double step = 27.777777777777778;
    std::vector<std::string> fixes;
    for (int i = 0; i < 4; ++i) fixes.push_back(Fix(10 * i, 150 + step * i, 240));
    for (int i = 0; i < 4; ++i) fixes.push_back(Fix(100 + 10 * i, 450, 300 - step * i));
    // 2 880 km/h: the heading line runs far beyond the window.
    fixes.push_back(Fix(300, 150, 420));
    fixes.push_back(Fix(310, 950, 420));
    TTrack* track = f.SetTrack(fixes);
    const QImage before = f.View.BackBuffer().copy();

    UserInterface.SelectPoint(8);
    const TScreenPoint fast = ScreenOf(f, track->Polylines[2][0]);
    EXPECT_EQ(f.Pixel(630, fast.Y), Red);

    UserInterface.SelectPoint(1);
    const TScreenPoint p = ScreenOf(f, track->Polylines[0][1]);
    EXPECT_TRUE(Near(f, p.X + 25, p.Y, Red));
    EXPECT_TRUE(Near(f, p.X - 25, p.Y, Red));
    EXPECT_EQ(f.Pixel(p.X + 45, p.Y), Red);
    EXPECT_EQ(f.Pixel(p.X + 54, p.Y), MapColour(p.X + 54, p.Y));
    EXPECT_EQ(f.Pixel(p.X, p.Y - 40), MapColour(p.X, p.Y - 40));

    UserInterface.SelectPoint(5);
    const TScreenPoint q = ScreenOf(f, track->Polylines[1][1]);
    EXPECT_EQ(f.Pixel(q.X, q.Y - 45), Red);
    EXPECT_EQ(f.Pixel(q.X, q.Y - 54), MapColour(q.X, q.Y - 54));
    const QRect first(p.X - 26, p.Y - 26, 53 + 50, 53);
    EXPECT_EQ(f.View.BackBuffer().copy(first), before.copy(first));
    const QRect line(fast.X - 26, fast.Y - 26, 640 - (fast.X - 26), 53);
    EXPECT_EQ(f.View.BackBuffer().copy(line), before.copy(line));

    // The last point has no heading: the marker stays where it was.
    UserInterface.SelectPoint(9);
    EXPECT_EQ(f.Pixel(q.X, q.Y - 45), Red);
    // The quick repaint over the bitmap leaves the marker out.
    f.View.Paint();
    EXPECT_EQ(f.Pixel(q.X, q.Y - 45), MapColour(q.X, q.Y - 45));
}

TEST(MapView, AutoMoveBringsAMarkerNearTheEdgeToTheMiddle)
{
    TMapFixture f;
    f.LoadMap();
    f.View.SyncView = f.View.AutoMove = true;
    TTrack* track = f.SetTrack({Fix(0, 600, 240), Fix(10, 610, 240)});
    const int redraws = f.View.RedrawCount;
    UserInterface.SelectPoint(0);
    const TScreenPoint p = ScreenOf(f, track->Polylines[0][0]);
    EXPECT_NEAR(p.X, 320, 1);
    EXPECT_NEAR(p.Y, 240, 1);
    EXPECT_EQ(f.View.RedrawCount, redraws + 1);
    EXPECT_TRUE(Near(f, p.X + 25, p.Y, Red));
}

TEST(MapView, WithoutAValidMapNothingIsPlacedOrSnapped)
{
    TMapFixture f;
    f.View.SyncView = true;
    f.SetTrack({Fix(0, 300, 240), Fix(10, 310, 240)});
    UserInterface.SelectPoint(0);
    EXPECT_EQ(UserInterface.FindNearestPoint(300, 240), -1);
    f.View.SetCursor(300, 240);
    EXPECT_FALSE(f.View.CursorGeo);
    EXPECT_FALSE(f.View.SnapToGrid());

    f.LoadMap();
    EXPECT_EQ(UserInterface.FindNearestPoint(311, 239), 1);
    TMapRef probe(900, 100);
    f.Map->Georef.DeleteRef(&probe);
    f.Map->Georef.Calculate(f.Map->ProjectionKind);
    f.View.Redraw();
    UserInterface.SelectPoint(0);
    EXPECT_FALSE(Near(f, 325, 240, Red, 2));
    f.View.SetCursor(300, 240);
    EXPECT_FALSE(f.View.SnapToGrid());
    EXPECT_EQ(UserInterface.FindNearestPoint(300, 240), -1);

    // A new track for the flight leaves nothing pointing into the old one.
    UserInterface.SelectPoint(1);
    f.SetTrack({Fix(0, 100, 100), Fix(10, 110, 100)});
    EXPECT_EQ(f.View.CurrentPoint, nullptr);
    f.View.ForgetPoints();
    EXPECT_FALSE(f.View.MarkerSaved);
    f.View.Redraw();
}

TEST(MapView, TheTrackFollowsAnEditedGeoreference)
{
    TMapFixture f;
    f.LoadMap();
    f.View.ShowFlight = true;
    TTrack* track = f.SetTrack({Fix(0, 200, 300), Fix(10, 260, 300)});
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(230, 300), Blue);
    // The same places now lie 50 pixels lower on the bitmap.
    while (!f.Map->Georef.Refs.empty()) f.Map->Georef.DeleteRef(*f.Map->Georef.Refs.begin());
    for (auto [x, y] : {std::pair{100, 150}, {900, 150}, {100, 750}})
        f.Map->Georef.AddRef(new TMapRef(x, y, TLocation(PixelToGeo(x + 0.5, y - 49.5), f.Map->GetDatum())));
    f.Map->Georef.Calculate(f.Map->ProjectionKind);
    f.View.Redraw();
    EXPECT_EQ(f.Pixel(230, 300), MapColour(230, 300));
    EXPECT_EQ(f.Pixel(230, 350), Blue);
    EXPECT_NEAR(track->Polylines[0][0].Y, 350.0, 0.2);
}

TEST(MapView, PointerPositionAndSnapping)
{
    TMapFixture f;
    f.LoadMap();
    f.View.SetCursor(250, 130);
    ASSERT_TRUE(f.View.CursorGrid);
    EXPECT_NEAR(f.View.CursorGrid->X, 484500.0, 0.01);
    EXPECT_NEAR(f.View.CursorGrid->Y, 5010700.0, 0.01);
    EXPECT_EQ(f.View.CursorGrid->Zone, "31T");
    const auto snapped = f.View.SnapToGrid();
    ASSERT_TRUE(snapped);
    const TGeoCoord expected = TUtmCoord(485000.0, 5010000.0, 0.0, "31T").ToGeo(DefaultDatum()->Ellipsoid);
    EXPECT_NEAR(snapped->Lon, expected.Lon, 1e-12);
    EXPECT_NEAR(snapped->Lat, expected.Lat, 1e-12);

    // Without references the pointer is taken in zone 30T.
    QuadrantBitmap().save(QString::fromStdString(f.Dir.File("bare.bmp")), "BMP");
    f.View.LoadMap(f.AddMap("Bare", "bare.bmp"), &f.Canvas);
    f.View.SetCursor(10, 10);
    ASSERT_TRUE(f.View.CursorGrid);
    EXPECT_EQ(f.View.CursorGrid->Zone, "30T");
}

TEST(MapView, TheCanvasShowsTheBackBuffer)
{
    TMapFixture f;
    f.LoadMap();
    f.View.ShowGrid = true;
    f.View.Redraw();
    const QImage shown = f.Canvas.grab().toImage();
    for (auto [x, y] : {std::pair{300, 50}, {100, 100}, {600, 450}})
        EXPECT_EQ(shown.pixel(x, y) | 0xFF000000u, f.Pixel(x, y)) << x << "," << y;
}
