#pragma once
// The program's windows in a test: a championship written into a temporary
// folder (a 1000 x 800 map at 10 m a pixel in UTM zone 30 with four
// references, waypoints A to D, one class with three competitors in two
// teams, a task instance with two turn points, a leg and a gate, task number
// 01, and the IGC logs a test asks for), the main window and the dialogs
// built as the program builds them, and every prompt answered from a script.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "export/SyntheticIgc.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "platform/Hooks.h"
#include "platform/ItemTree.h"
#include "platform/Numbers.h"
#include "ui/Program.h"
#include "ui/QtText.h"
#include "ui/Seams.h"
#include "ui/TreeView.h"
#include "ui/UZephyrant.h"
#include "ui/Userinterface.h"

namespace uitest {

// The map's top-left corner and scale.
inline constexpr double MapEasting = 400000.0;
inline constexpr double MapNorthing = 4440000.0;
inline constexpr double MetresPerPixel = 10.0;
inline constexpr int MapWidth = 1000;
inline constexpr int MapHeight = 800;

// Latitude and longitude (degrees) of a map pixel.
inline kmltest::TRoutePlace PlaceOfPixel(double x, double y)
{
    const TUtmCoord utm(MapEasting + x * MetresPerPixel, MapNorthing - y * MetresPerPixel, 0.0, "30T");
    const TGeoCoord geo = utm.ToGeo(DefaultDatum()->Ellipsoid);
    return {RadToDeg(geo.Lat), RadToDeg(geo.Lon)};
}

struct TWaypointAt {
    const char* Code;
    double X;
    double Y;
};
inline const std::vector<TWaypointAt>& Waypoints()
{
    static const std::vector<TWaypointAt> all = {{"A", 150, 650}, {"B", 400, 200}, {"C", 800, 250}, {"D", 700, 650}};
    return all;
}

inline std::string Degrees(double value)
{
    return FormatFixed(value, 7);
}

inline std::string ChampionshipText()
{
    std::string refs;
    for (auto [x, y] : {std::pair{0, 0}, {1000, 0}, {0, 800}, {1000, 800}}) {
        const auto p = PlaceOfPixel(x, y);
        refs += "\t\t\t\t\t<MapRef X=\"" + std::to_string(x) + "\" Y=\"" + std::to_string(y) + "\" Lat=\"" +
                Degrees(p.LatDeg) + "\" Lon=\"" + Degrees(p.LonDeg) + "\"/>\n";
    }
    std::string waypoints;
    for (const TWaypointAt& w : Waypoints()) {
        const auto p = PlaceOfPixel(w.X, w.Y);
        waypoints += std::string("\t\t\t\t<WayPoint Code=\"") + w.Code + "\">\n\t\t\t\t\t<Description>Point " + w.Code +
                     "</Description>\n\t\t\t\t\t<Lat>" + Degrees(p.LatDeg) + "</Lat>\n\t\t\t\t\t<Lon>" +
                     Degrees(p.LonDeg) + "</Lon>\n\t\t\t\t</WayPoint>\n";
    }
    auto competitor = [](const char* number, const char* pilot) {
        return std::string("\t\t\t\t<Competitor Number=\"") + number + "\">\n\t\t\t\t\t<Pilot>" + pilot +
               "</Pilot>\n\t\t\t\t</Competitor>\n";
    };
    return "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>\n"
           "<!DOCTYPE Championship SYSTEM \"Zephyrant.dtd\">\n"
           "<Championship ShortName=\"CUP\">\n"
           "\t<ChampionshipDescription>\n\t\t<Name>Test Cup</Name>\n\t</ChampionshipDescription>\n"
           "\t<Geo>\n\t\t<Maps>\n\t\t\t<Map ShortName=\"M\">\n\t\t\t\t<Name>Test map</Name>\n"
           "\t\t\t\t<MapFile>m.bmp</MapFile>\n\t\t\t\t<Datum>WGS 84</Datum>\n\t\t\t\t<Region>Global</Region>\n"
           "\t\t\t\t<Projection>UTM</Projection>\n\t\t\t\t<Georef>\n" +
           refs +
           "\t\t\t\t</Georef>\n\t\t\t</Map>\n"
           // A second map, on another datum, that is never loaded.
           "\t\t\t<Map ShortName=\"N\">\n\t\t\t\t<MapFile>n.bmp</MapFile>\n\t\t\t\t<Datum>European 1950</Datum>\n"
           "\t\t\t\t<Region>Portugal; Spain</Region>\n\t\t\t\t<Projection>UTM</Projection>\n\t\t\t\t<Georef>\n"
           "\t\t\t\t\t<MapRef X=\"10\" Y=\"20\" Lat=\"40.0000000\" Lon=\"-4.0000000\"/>\n"
           "\t\t\t\t</Georef>\n\t\t\t</Map>\n\t\t</Maps>\n"
           "\t\t<Waypoints>\n\t\t\t<WayPointSet ShortName=\"Default\">\n" +
           waypoints +
           "\t\t\t</WayPointSet>\n\t\t</Waypoints>\n\t</Geo>\n"
           "\t<Classes>\n\t\t<Class ShortName=\"ML\">\n\t\t\t<Name>Microlight</Name>\n\t\t</Class>\n"
           "\t\t<Class ShortName=\"PF\">\n\t\t\t<Name>Paramotor</Name>\n\t\t</Class>\n\t</Classes>\n"
           "\t<Teams>\n\t\t<Team IsoCountry=\"ESP\">\n\t\t\t<TeamDescription>\n\t\t\t\t<ShortName>Spain</ShortName>\n"
           "\t\t\t</TeamDescription>\n\t\t\t<Class ShortName=\"ML\">\n" +
           competitor("1", "Ana") + competitor("2", "Pedro") +
           "\t\t\t</Class>\n\t\t</Team>\n\t\t<Team IsoCountry=\"FRA\">\n\t\t\t<TeamDescription>\n"
           "\t\t\t\t<ShortName>France</ShortName>\n\t\t\t</TeamDescription>\n\t\t\t<Class ShortName=\"ML\">\n" +
           competitor("3", "Jeanne") +
           "\t\t\t</Class>\n\t\t</Team>\n\t</Teams>\n"
           "\t<TaskCatalogue>\n\t\t<TaskTemplate ShortName=\"NAV\">\n\t\t\t<TaskInstance Version=\"1\">\n"
           "\t\t\t\t<TurnPoints>\n\t\t\t\t\t<TurnPoint WayPoint=\"B\" Radius=\"300\"/>\n"
           "\t\t\t\t\t<TurnPoint WayPoint=\"C\" Radius=\"300\"/>\n\t\t\t\t</TurnPoints>\n"
           "\t\t\t\t<Legs>\n\t\t\t\t\t<Leg From=\"B\" To=\"C\" Radius=\"500\"/>\n\t\t\t\t</Legs>\n"
           "\t\t\t\t<ArcLegs>\n\t\t\t\t</ArcLegs>\n"
           "\t\t\t\t<Gates>\n\t\t\t\t\t<Gate WayPoint=\"A\" Bearing=\"30\" Radius=\"500\"/>\n\t\t\t\t</Gates>\n"
           "\t\t\t</TaskInstance>\n\t\t\t<TaskInstance Version=\"2\">\n\t\t\t</TaskInstance>\n"
           "\t\t</TaskTemplate>\n\t</TaskCatalogue>\n"
           "\t<Tasks>\n\t\t<TaskNumber Number=\"01\" Class=\"ML\" Template=\"NAV\" Instance=\"1\">\n\t\t</TaskNumber>\n"
           "\t</Tasks>\n</Championship>\n";
}

// An IGC log that flies A, B, C, D at 25 m/s, one fix a second.
inline std::string FlightLog(int startSecond = 9 * 3600)
{
    std::vector<kmltest::TRoutePlace> route;
    for (const TWaypointAt& w : Waypoints()) route.push_back(PlaceOfPixel(w.X, w.Y));
    return kmltest::SyntheticIgc(route, 600, 25.0, startSecond);
}

// The map bitmap: four quadrants of plain colours.
inline void WriteMapBitmap(const std::string& fileName)
{
    QImage image(MapWidth, MapHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, MapWidth / 2, MapHeight / 2, QColor(200, 100, 100));
    painter.fillRect(MapWidth / 2, 0, MapWidth / 2, MapHeight / 2, QColor(100, 200, 100));
    painter.fillRect(0, MapHeight / 2, MapWidth / 2, MapHeight / 2, QColor(100, 100, 200));
    painter.fillRect(MapWidth / 2, MapHeight / 2, MapWidth / 2, MapHeight / 2, QColor(200, 200, 100));
    painter.end();
    image.save(QString::fromStdString(fileName), "BMP");
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest()
    {
        Hooks.emplace();
        (*Hooks)->VersionText = [] { return std::string("9.8.7"); };
    }
    ~WindowTest() override
    {
        Program.reset();
        ScopedSeams.reset();
    }

    // The championship (and its map) in the temporary folder; its path.
    std::string WriteChampionship(const std::string& name = "cup.xch")
    {
        WriteFileBytes(Dir.File(name), ChampionshipText());
        WriteMapBitmap(Dir.File("m.bmp"));
        return Dir.File(name);
    }

    void Start(const QStringList& arguments = {})
    {
        // The seams of an earlier start go first, or they would put the
        // production seams back over these.
        ScopedSeams.reset();
        ScopedSeams = std::make_unique<TScopedSeams>(Script->Install());
        Program = std::make_unique<TProgram>(arguments);
        W().Graf->setFixedSize(800, 600);
        W().resize(1200, 900);
    }

    // Opens the championship through the Open command.
    void Open(const std::string& fileName)
    {
        Script->AnswerFile(QString::fromStdString(fileName));
        W().ToolButtonOpenChamp->trigger();
    }

    TZephyrant& W() { return Program->MainWindow(); }

    TTreeItem* Item(const std::vector<std::string>& captions)
    {
        TTreeItem* item = W().ChampTree.FirstTopLevel();
        TTreeItem* found = nullptr;
        for (const std::string& caption : captions) {
            found = nullptr;
            for (; item; item = item->NextSibling())
                if (item->Caption() == caption) {
                    found = item;
                    break;
                }
            if (!found) return nullptr;
            item = found->FirstChild();
        }
        return found;
    }

    // A click on the tree item with these captions from the root.
    void Select(const std::vector<std::string>& captions)
    {
        TTreeItem* item = Item(captions);
        ASSERT_TRUE(item) << captions.back();
        W().TreeChamp->setCurrentItem(W().TreeChamp->ViewItem(item));
    }

    // Texts of the prompts shown since the last call.
    std::vector<std::string> TakePrompts()
    {
        std::vector<std::string> texts;
        for (const auto& record : Script->Records) texts.push_back(FromQt(record.Text));
        Script->Records.clear();
        return texts;
    }

    TempDir Dir;
    std::optional<TScopedHooks> Hooks;
    std::shared_ptr<TScriptedSeams> Script = TScriptedSeams::Create();
    std::unique_ptr<TScopedSeams> ScopedSeams;
    std::unique_ptr<TProgram> Program;
};

} // namespace uitest
