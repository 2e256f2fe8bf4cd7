#include <gtest/gtest.h>

#include <clocale>
#include <regex>
#include <string>

#include "ExportFixtures.h"
#include "KmlSummary.h"
#include "export/Googleearth.h"

using namespace kmltest;

namespace {

std::string FolderVisibility(const TKmlSummary& s, const std::string& path)
{
    const TFolder* f = s.FindFolder(path);
    return f ? f->Visibility : "(missing)";
}

// The whole text of a kept .kml.
std::string KmlText(const TExportPlace& place, const std::string& base)
{
    return ReadFileBytes(place.File(base + ".kml"));
}

} // namespace

TEST(KmlWriter, TaskFoldersPlacemarksAndStyles)
{
    TExportPlace place;
    TTaskFixture fx;
    {
        KmlFile kml;
        ASSERT_TRUE(kml.Open("T"));
        kml.BeginFolder("Doc", kvVisible);
        kml.WriteTask("3: NAV - 1", &fx.Task);
        kml.EndFolder();
        EXPECT_EQ(kml.OpenFolderCount(), 0u);
        EXPECT_EQ(kml.IndentLength(), 2u);
        kml.Close();
    }
    const TKmlSummary s = Summarise(place.File("T.kmz"));
    ASSERT_EQ(s.ParseError, "") << s.Raw;
    EXPECT_EQ(s.BadCoordinates, 0);

    // The six named styles, then one per event type.
    ASSERT_EQ(s.Styles.size(), 22u);
    EXPECT_EQ(s.Styles[0], "trackStyle");
    EXPECT_EQ(s.Styles[5], "legRightStyle");
    EXPECT_EQ(s.Styles[6], "Turn point");
    EXPECT_EQ(s.Styles[21], "Unknown event");

    // Turn points, legs, gates; the arc leg and the zone are not exported.
    const std::string task = "Doc / Task 3: NAV - 1";
    std::vector<std::string> folders;
    for (const auto& f : s.Folders) folders.push_back(f.Path + "|" + f.Visibility);
    EXPECT_EQ(folders, (std::vector<std::string>{
                           "Doc|-", task + "|-", task + " / Turn Points|-", task + " / Turn Points / A|-",
                           task + " / Turn Points / B|-", task + " / Turn Points / C|-", task + " / Turn Points / M|-",
                           task + " / Legs|0", task + " / Legs / A - B|0", task + " / Legs / B - C|0",
                           task + " / Gates|-", task + " / Gates / A (045)|-", task + " / Gates / A - B (50%)|-"}));
    EXPECT_EQ(s.Placemarks.size(), 4u * 2 + 2 * 2 + 2 * 2);

    const auto tp = s.In(task + " / Turn Points / C");
    ASSERT_EQ(tp.size(), 2u);
    EXPECT_EQ(tp[0]->Name, "C");
    EXPECT_EQ(tp[0]->Style, "#waypointStyle");
    EXPECT_EQ(tp[0]->Geometry, "Point");
    EXPECT_EQ(tp[1]->Name, "Cylinder");
    EXPECT_EQ(tp[1]->Style, "#cylinderStyle");
    EXPECT_EQ(tp[1]->AltitudeMode, "relativeToGround");
    EXPECT_EQ(tp[1]->Coordinates, 25);
    EXPECT_TRUE(tp[1]->Closed);

    // Leg walls inherit the hidden "Legs" folder.
    const auto leg = s.In(task + " / Legs / B - C");
    ASSERT_EQ(leg.size(), 2u);
    EXPECT_EQ(leg[0]->Name, "Left");
    EXPECT_EQ(leg[0]->Style, "#legLeftStyle");
    EXPECT_EQ(leg[0]->Visibility, "0");
    EXPECT_EQ(leg[0]->Coordinates, 2);
    EXPECT_EQ(leg[1]->Name, "Right");
    EXPECT_EQ(leg[1]->Style, "#legRightStyle");

    const auto gate = s.In(task + " / Gates / A (045)");
    ASSERT_EQ(gate.size(), 2u);
    EXPECT_EQ(gate[0]->Geometry, "LineString");
    EXPECT_EQ(gate[0]->Style, "#gateStyle");
    EXPECT_EQ(gate[1]->Geometry, "Point");
    EXPECT_EQ(gate[1]->Visibility, "-");
}

TEST(KmlWriter, GeometryTextAndNumbersIgnoreTheLocale)
{
    TExportPlace place;
    TTaskFixture fx;
    const std::string old = std::setlocale(LC_ALL, nullptr);
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8");
    {
        KmlFile kml;
        ASSERT_TRUE(kml.Open("G"));
        kml.BeginFolder("Doc", kvVisible);
        kml.WriteGate(fx.GateA);
        kml.WriteLeg(fx.AB);
        TLocation high = fx.TA->Location;
        high.Geo.H = 1234.5;
        kml.BeginPlacemark("p", "trackStyle");
        kml.BeginGeometryAbsolute("LineString", false);
        kml.WriteCoordinate(high, 0.0);    // its own height
        kml.WriteCoordinate(high, 321.4);  // the altitude given
        kml.EndGeometryAbsolute("LineString");
        kml.EndPlacemark();
        kml.WritePointPlacemark(fx.TA->Location, "zero", "waypointStyle", 0.0);
        kml.BeginEventPlacemark(fx.TA->Location, "e", "Gate", 0, 0.0);
        kml.EndEventPlacemark();
        kml.EndFolder();
        std::filesystem::create_directory(place.File("G.kmz")); // keeps the text
        kml.Close();
    }
    std::setlocale(LC_ALL, old.c_str());
    if (!german) GTEST_SKIP() << "no German locale here";

    const std::string text = KmlText(place, "G");
    EXPECT_NE(text.find("7.500000,46.500000,1235\n7.500000,46.500000,321\n"), std::string::npos);
    // Height 0 in a point or event placemark means 1000 m.
    const auto zero = text.find("<name>zero</name>");
    ASSERT_NE(zero, std::string::npos);
    EXPECT_EQ(text.find("7.500000,46.500000,1000\n", zero), text.find("7.500000,46.500000,", zero));
    EXPECT_NE(text.find("      <LookAt>\n"
                        "        <longitude>7.500000</longitude>\n"
                        "        <latitude>46.500000</latitude>\n"
                        "        <altitude>500.000000</altitude>\n"
                        "        <tilt>45</tilt>\n"
                        "        <heading>45</heading>\n"
                        "        <range>2000.000000</range>\n"
                        "        <altitudeMode>relativeToGround</altitudeMode>\n"
                        "      </LookAt>\n"),
              std::string::npos);
    // An event at time 0 has no time stamp; its point is absolute and
    // extruded.
    const auto e = text.find("<name>e</name>");
    ASSERT_NE(e, std::string::npos);
    const std::string event = text.substr(e, text.find("</Placemark>", e) - e);
    EXPECT_EQ(event.find("TimeStamp"), std::string::npos);
    EXPECT_NE(event.find("<extrude>1</extrude>\n        <altitudeMode>absolute</altitudeMode>"), std::string::npos);
    EXPECT_NE(event.find("<ExtendedData>"), std::string::npos);
    // A comma only ever separates the three numbers of a coordinate.
    const std::regex coordinate("-?[0-9]+\\.[0-9]{6},-?[0-9]+\\.[0-9]{6},-?[0-9]+");
    for (const std::string& line : Split(text, '\n')) {
        if (line.find(',') != std::string::npos) {
            EXPECT_TRUE(std::regex_match(line, coordinate)) << line;
        }
    }
}

TEST(KmlWriter, VisibilityInheritsFromTheInnermostFolder)
{
    TExportPlace place;
    TTaskFixture fx;
    {
        KmlFile kml;
        ASSERT_TRUE(kml.Open("V"));
        kml.BeginFolder("Doc", kvInherit); // nothing to inherit: visible
        kml.BeginFolder("hidden", kvHidden);
        kml.WritePointPlacemark(fx.TA->Location, "h1", "waypointStyle", 0.0);
        kml.BeginFolder("inherits", kvInherit);
        kml.WritePointPlacemark(fx.TA->Location, "h2", "waypointStyle", 0.0);
        kml.EndFolder();
        kml.BeginFolder("shown", kvVisible);
        kml.WritePointPlacemark(fx.TA->Location, "v1", "waypointStyle", 0.0);
        kml.EndFolder();
        kml.EndFolder();
        kml.WritePointPlacemark(fx.TA->Location, "v2", "waypointStyle", 0.0);
        kml.EndFolder();
        kml.Close();
    }
    const TKmlSummary s = Summarise(place.File("V.kmz"));
    ASSERT_EQ(s.ParseError, "");
    EXPECT_EQ(FolderVisibility(s, "Doc"), "-");
    EXPECT_EQ(FolderVisibility(s, "Doc / hidden"), "0");
    EXPECT_EQ(FolderVisibility(s, "Doc / hidden / inherits"), "0");
    EXPECT_EQ(FolderVisibility(s, "Doc / hidden / shown"), "-");
    std::vector<std::string> seen;
    for (const auto& p : s.Placemarks) seen.push_back(p.Name + "=" + p.Visibility);
    EXPECT_EQ(seen, (std::vector<std::string>{"h1=0", "h2=0", "v1=-", "v2=-"}));
}

// Names that would break the document unconverted: markup characters,
// Windows-1252 letters, control bytes.
TEST(KmlWriter, TextsAreEscapedConvertedAndCleaned)
{
    TExportPlace place;
    TTaskFixture fx("A&B", "<B>", "C\xE9\x80");
    {
        KmlFile kml;
        ASSERT_TRUE(kml.Open("N"));
        kml.BeginFolder("Doc \x01\x1F\tx\x81", kvVisible);
        kml.WriteTask("1: \"Q\" & <R>", &fx.Task);
        kml.BeginPlacemark("p", "Gate");
        kml.BeginExtendedData();
        kml.WriteData("a\"b&c", "x<y");
        kml.EndExtendedData();
        kml.EndPlacemark();
        kml.EndFolder();
        kml.Close();
    }
    const TKmlSummary s = Summarise(place.File("N.kmz"));
    ASSERT_EQ(s.ParseError, "") << s.Raw;
    EXPECT_NE(s.FindFolder("Doc \\tx\xC2\x81 / Task 1: \"Q\" & <R> / Turn Points / A&B"), nullptr) << s.Raw;
    EXPECT_NE(s.FindFolder("Doc \\tx\xC2\x81 / Task 1: \"Q\" & <R> / Turn Points / <B>"), nullptr);
    EXPECT_NE(s.FindFolder("Doc \\tx\xC2\x81 / Task 1: \"Q\" & <R> / Turn Points / C\xC3\xA9\xE2\x82\xAC"), nullptr);
    EXPECT_NE(s.FindFolder("Doc \\tx\xC2\x81 / Task 1: \"Q\" & <R> / Legs / A&B - <B>"), nullptr);
    EXPECT_EQ(s.Placemarks.back().Data, "a\"b&c=x<y");
}

TEST(KmlWriter, HeaderAndTimeTexts)
{
    TExportPlace place;
    {
        KmlFile kml;
        ASSERT_TRUE(kml.Open("H"));
        kml.BeginFolder("Doc", kvVisible);
        kml.BeginPlacemark("t", "trackStyle");
        kml.WriteTimeStamp(1217408700);
        kml.WriteTimeSpan(1217408700, 1217412301);
        kml.EndPlacemark();
        kml.EndFolder();
        kml.Close();
    }
    const TKmlSummary s = Summarise(place.File("H.kmz"));
    ASSERT_EQ(s.ParseError, "");
    ASSERT_EQ(s.Comments.size(), 3u);
    EXPECT_EQ(s.Comments[0], "<!-- Generated by Zephyrant                  -->");
    EXPECT_EQ(s.Comments[1].size(), s.Comments[0].size());
    EXPECT_EQ(s.Comments[2].size(), s.Comments[0].size());
    ASSERT_EQ(s.Placemarks.size(), 1u);
    EXPECT_EQ(s.Placemarks[0].TimeStamp, "2008-07-30T09:05:00Z");
    EXPECT_EQ(s.Placemarks[0].TimeSpan, "2008-07-30T09:05:00Z 2008-07-30T10:05:01Z");
    EXPECT_EQ(KmlTimeString(0), "1970-01-01T00:00:00Z");
}

TEST(KmlWriter, TaskWithoutElementsOrInstanceIsItsFolderOnly)
{
    TExportPlace place;
    TTaskInstance empty;
    {
        KmlFile kml;
        ASSERT_TRUE(kml.Open("E"));
        kml.BeginFolder("Doc", kvVisible);
        kml.WriteTask("1", &empty);
        kml.WriteTask("2", nullptr);
        kml.EndFolder();
        kml.Close();
    }
    const TKmlSummary s = Summarise(place.File("E.kmz"));
    ASSERT_EQ(s.ParseError, "");
    ASSERT_EQ(s.Folders.size(), 3u);
    EXPECT_EQ(s.Folders[1].Path, "Doc / Task 1");
    EXPECT_EQ(s.Folders[2].Path, "Doc / Task 2");
    EXPECT_TRUE(s.Placemarks.empty());
}

TEST(KmlWriter, CircleLiesOutsideTheTrueCircle)
{
    EXPECT_NEAR(KmlCircleRadiusFactor, 1.0115151599, 1e-9);
    TTaskFixture fx;
    const TLocation& c = fx.TC->Location;
    // The middle of each edge of the 24-gon is at least the radius away.
    for (int course = 0; course < 360; course += 15) {
        const TLocation a = c.Destination(course, 500.0 * KmlCircleRadiusFactor);
        const TLocation b = c.Destination(course + 15, 500.0 * KmlCircleRadiusFactor);
        TLocation mid = a;
        mid.SetGeo(TGeoCoord{(a.Geo.Lon + b.Geo.Lon) / 2, (a.Geo.Lat + b.Geo.Lat) / 2, 0.0});
        EXPECT_GT(c.Distance(mid), 499.9) << course;
    }
}
