// The map, waypoint and map-reference commands of the main window, with the
// real dialogs answered from the script.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <cmath>
#include <filesystem>

#include "WindowFixture.h"
#include "model/Championship.h"
#include "model/Map.h"
#include "platform/Numbers.h"
#include "ui/MapWindow.h"
#include "ui/UDefineGeoref.h"
#include "ui/UDefineMap.h"
#include "ui/UDefineWayPoint.h"

using namespace uitest;

namespace {

TChampionship* Championship()
{
    return *UserInterface.Championships.begin();
}

std::string Deg(double radians)
{
    return FormatFixed(RadToDeg(radians), 6);
}

} // namespace

class MapCommandsTest : public WindowTest {
protected:
    void SetUp() override
    {
        const std::string file = WriteChampionship();
        WriteFileBytes(Dir.File("lastmap"), "M");
        Start();
        Open(file);
        ASSERT_TRUE(UserInterface.MapWindow.HasValidMap());
        TakePrompts();
    }

    // Selects the row of the waypoint or reference table whose column 1 is `key`.
    void SelectRow(TStringGrid& grid, const std::string& key)
    {
        for (int row = 1; row < grid.RowCount(); ++row)
            if (grid.Cell(1, row) == key) return grid.SelectRowAndScroll(row);
        FAIL() << key;
    }
};

TEST_F(MapCommandsTest, WaypointsAreEditedOnWgs84AndThoseInUseKeepTheirCode)
{
    Select({"CUP", "Geo", "Waypoints"});
    TWayPointSet& set = Championship()->WayPoints;

    // A right click proposes the place under the pointer.
    TMapWindow& view = UserInterface.MapWindow;
    const TScreenPoint at = view.View.ImageToScreen(500, 400);
    Script->AnswerDialog({true, {{"Code", "E"}, {"Description", " Silo"}}});
    W().GrafMouseDown(Qt::RightButton, at.X, at.Y);
    TWayPoint* e = set.Find("E");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Description, "Silo");
    EXPECT_EQ(e->Location.Datum, DefaultDatum());
    view.SetCursor(at.X, at.Y);
    EXPECT_NEAR(e->Location.Geo.Lat, view.CursorGeo->Lat, 1e-9);
    EXPECT_NEAR(e->Location.Geo.Lon, view.CursorGeo->Lon, 1e-9);

    // B is a turn point: it may move, the task goes with it, its code stays.
    SelectRow(W().TableForWaypoints, "B");
    Script->AnswerDialog({true, {{"Latitude", "40.1"}}});
    W().EditWaypointClick();
    EXPECT_EQ(Deg(set.Find("B")->Location.Geo.Lat), "40.100000");
    TTaskInstance* instance = Championship()->FindTaskTemplate("NAV")->FindInstance("1");
    auto* turnPoint = static_cast<TTurnPoint*>(instance->GetCheckElement(ceTurnPoint, "B"));
    EXPECT_EQ(Deg(turnPoint->Location.Geo.Lat), "40.100000");
    SelectRow(W().TableForWaypoints, "B");
    Script->AnswerDialog({true, {{"Code", "X"}}});
    W().EditWaypointClick();
    auto prompts = TakePrompts();
    ASSERT_FALSE(prompts.empty());
    EXPECT_NE(prompts.back().find("Waypoint B is being used"), std::string::npos);
    EXPECT_NE(set.Find("B"), nullptr);
    EXPECT_EQ(set.Find("X"), nullptr);

    SelectRow(W().TableForWaypoints, "B");
    Script->AnswerButton(TButton::Yes);
    W().DeleteWaypointClick();
    prompts = TakePrompts();
    EXPECT_EQ(prompts, (std::vector<std::string>{"Delete waypoint \"B\"?", "Waypoint B is being used. Can't delete."}));
    SelectRow(W().TableForWaypoints, "E");
    Script->AnswerButton(TButton::Yes);
    W().DeleteWaypointClick();
    EXPECT_EQ(set.Find("E"), nullptr);
}

TEST_F(MapCommandsTest, WaypointsImportFromTheMenu)
{
    Select({"CUP", "Geo", "Waypoints"});
    WriteFileBytes(Dir.File("in.wpt"), "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\n\r\n"
                                       "1,F,40.05,-4.1,,0,1,3,0,65535,Field,0,0,0,-777,6,0,17\r\n"
                                       "2,A,40.06,-4.2,,0,1,3,0,65535,Again,0,0,0,-777,6,0,17\r\n"
                                       "3,G,40.07,-4.3,,0,1,3,0,65535,Hill,0,0,0,-777,6,0,17\r\n");
    Script->AnswerFile(QString::fromStdString(Dir.File("in.wpt")));
    Script->AnswerButton(TButton::Ignore);
    W().ImportWaypointsClick();
    const auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 2u); // the chooser, then the duplicate A
    EXPECT_EQ(prompts[1].rfind("Error importing waypoint no 2\n", 0), 0u);
    EXPECT_NE(Championship()->WayPoints.Find("F"), nullptr);
    EXPECT_EQ(Championship()->WayPoints.Find("G")->Description, "Hill (Imported from WPT file)");
    // The table shows them at once.
    bool listed = false;
    for (int row = 1; row < W().TableForWaypoints.RowCount(); ++row) listed |= W().TableForWaypoints.Cell(1, row) == "G";
    EXPECT_TRUE(listed);
}

TEST_F(MapCommandsTest, ReferencesOfTheShownGeoreferenceAreAddedEditedAndKeptWhole)
{
    TGeoref& georef = UserInterface.MapWindow.Map->Georef;
    Select({"CUP", "Geo", "Maps", "M", "Reference points"});
    ASSERT_EQ(georef.Refs.size(), 4u);

    // A right click: the pixel under the pointer, the nearest grid crossing.
    TMapWindow& view = UserInterface.MapWindow;
    const TScreenPoint at = view.View.ImageToScreen(503, 398);
    Script->AnswerDialog({true, {}});
    W().GrafMouseDown(Qt::RightButton, at.X, at.Y);
    ASSERT_EQ(georef.Refs.size(), 5u);
    int x = 0;
    int y = 0;
    ASSERT_TRUE(DefineGeoref->Pixel(x, y));
    EXPECT_EQ(DefineGeoref->Map, view.Map);
    TMapRef* added = georef.FindNearestRef(x, y);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->PixelX, x);
    EXPECT_NEAR(std::remainder(added->Location.Utm.X, 5000.0), 0.0, 1e-3);
    EXPECT_NEAR(std::remainder(added->Location.Utm.Y, 5000.0), 0.0, 1e-3);

    // An edit onto another reference's pixel is refused; the old one stays.
    SelectRow(W().TableForGeoref, std::to_string(x));
    Script->AnswerDialog({true, {{"PixelX", "1000"}, {"PixelY", "0"}}});
    W().EditMapRefClick();
    EXPECT_EQ(TakePrompts().back(), "Duplicate reference");
    EXPECT_EQ(georef.Refs.size(), 5u);
    EXPECT_EQ(georef.FindNearestRef(x, y)->PixelX, x);
    // Text that is no number: refused the same way.
    SelectRow(W().TableForGeoref, std::to_string(x));
    Script->AnswerDialog({true, {{"PixelX", "12a"}}});
    W().EditMapRefClick();
    EXPECT_EQ(TakePrompts().back(), "Invalid number");
    EXPECT_EQ(georef.Refs.size(), 5u);
    // A latitude beyond the pole: OK refuses it, the reference stays as it was.
    const TGeoCoord place = georef.FindNearestRef(x, y)->Location.Geo;
    SelectRow(W().TableForGeoref, std::to_string(x));
    Script->AnswerDialog({true, {{"Latitude", "95"}}});
    W().EditMapRefClick();
    EXPECT_EQ(TakePrompts().back(), "Latitude must be from 90 S to 90 N.");
    EXPECT_EQ(georef.FindNearestRef(x, y)->Location.Geo.Lat, place.Lat);
    EXPECT_EQ(georef.Refs.size(), 5u);

    Script->AnswerButton(TButton::Yes);
    W().DeleteMapRefClick();
    EXPECT_EQ(georef.Refs.size(), 4u);
}

TEST_F(MapCommandsTest, AnotherMapsReferencesUseThatMapAndItsDatum)
{
    // M is loaded and current; N's references are shown.
    Select({"CUP", "Geo", "Maps", "M"});
    Select({"CUP", "Geo", "Maps", "N", "Reference points"});
    TMap* n = Championship()->FindMap("N");
    TGeoref& georef = n->Georef;
    W().TableForGeoref.SelectRowAndScroll(1);
    Script->AnswerDialog({true, {{"PixelX", "30"}}});
    W().EditMapRefClick();
    EXPECT_EQ(DefineGeoref->Map, n);
    ASSERT_EQ(georef.Refs.size(), 1u);
    const TMapRef* ref = *georef.Refs.begin();
    EXPECT_EQ(ref->PixelX, 30);
    EXPECT_EQ(ref->Location.Datum, n->GetDatum());
    // The place is the same one, read back on N's own datum.
    EXPECT_EQ(Deg(ref->Location.Geo.Lat), "40.000000");
    EXPECT_EQ(Championship()->FindMap("M")->Georef.Refs.size(), 4u);

    // An empty table: the commands do nothing.
    Script->AnswerButton(TButton::Yes);
    W().DeleteMapRefClick();
    EXPECT_TRUE(georef.Refs.empty());
    W().EditMapRefClick();
    W().DeleteMapRefClick();
    EXPECT_TRUE(Script->Records.size() <= 2u);
}

TEST_F(MapCommandsTest, MapInformationIsEditedThroughTheDialog)
{
    Select({"CUP", "Geo", "Maps", "N"});
    Script->AnswerDialog({true, {{"ShortName", "N2"}, {"Name", "North "}}});
    W().Editmapinformation1Click();
    TMap* map = Championship()->FindMap("N2");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->GetAttribute(acName), "North");
    EXPECT_EQ(map->GetAttribute(acDatum), "European 1950");
    EXPECT_EQ(map->GetAttribute(acRegion), "Portugal; Spain");
    EXPECT_TRUE(Item({"CUP", "Geo", "Maps", "N2"}));
    EXPECT_EQ(W().TableForMap.Cell(1, 2), "N2");
}

TEST_F(MapCommandsTest, ANewDatumOfTheLoadedMapIsDrawnAtOnce)
{
    TMapWindow& view = UserInterface.MapWindow;
    W().ToolButtonShowWpt->trigger();
    TMap* map = view.Map;
    const TWayPoint* a = Championship()->WayPoints.Find("B");
    // Where waypoint B stands on the screen through the map's datum now.
    auto screenOfA = [&] {
        const TGeoCoord onMap = ConvertDatum(a->Location.Geo, a->Location.Datum, map->GetDatum());
        const TMapPoint pixel = map->Georef.WorldToPixelPoint(map->GeoToWorld(onMap));
        return view.View.ImageToScreen(pixel.X, pixel.Y);
    };
    auto white = [&](TScreenPoint p) { return (view.BackBuffer().pixel(p.X + 1, p.Y + 1) & 0xFFFFFFu) == 0xFFFFFFu; };
    auto datumPanel = [&] {
        QMouseEvent move(QEvent::MouseMove, QPointF(120, 340), QPointF(120, 340), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(W().Graf, &move);
        return FromQt(W().StatusText(4));
    };
    const TScreenPoint before = screenOfA();
    ASSERT_TRUE(white(before));
    EXPECT_EQ(datumPanel(), " Datum:  WGS 84 (Global)");
    const std::uint64_t count = map->ChangeCount();

    Select({"CUP", "Geo", "Maps", "M"});
    Script->AnswerDialog({true, {{"DatumName", "European 1950"}, {"DatumRegion", "Portugal; Spain"}}});
    W().Editmapinformation1Click();
    ASSERT_EQ(map->GetAttribute(acDatum), "European 1950");
    EXPECT_GT(map->ChangeCount(), count);
    // The waypoint's disc moved with the datum's shift, the status bar
    // names the new datum.
    const TScreenPoint after = screenOfA();
    EXPECT_GT(std::abs(after.X - before.X) + std::abs(after.Y - before.Y), 8);
    EXPECT_TRUE(white(after));
    EXPECT_FALSE(white(before));
    EXPECT_EQ(datumPanel(), " Datum:  European 1950 (Portugal; Spain)");
}
