// The probe as the tests of other programs use it: commands on standard
// input, answers queued, the program's windows offscreen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "WindowFixture.h"
#include "model/Championship.h"
#include "model/Map.h"
#include "platform/Numbers.h"

using namespace uitest;

namespace {

std::string Probe(const std::string& folder, const std::string& arguments, const std::string& commands)
{
    const std::string script = folder + "/commands.txt";
    WriteFileBytes(script, commands);
    const std::string command = "cd '" + folder + "' && '" ZEPH_TOOLS_DIR "/uiprobe' " + arguments + " < '" + script +
                                "' 2>/dev/null";
    return CommandOutput(command);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
        lines.push_back(text.substr(from, end - from));
    return lines;
}

} // namespace

TEST_F(WindowTest, AReferenceAddedThroughTheProbeGeoreferencesTheStatusBar)
{
    const std::string file = WriteChampionship();
    WriteFileBytes(Dir.File("lastmap"), "M");
    // A fifth reference at bitmap pixel (600, 300), typed as decimal degrees
    // of the place the map has there, then the pointer over pixel (250, 550).
    const auto place = PlaceOfPixel(600, 300);
    const std::string out =
        Probe(Dir.Path().string(), "--size 1000x800 cup.xch",
              "select\tCUP\tGeo\tMaps\tM\tReference points\n"
              "answer\tdialog\tok\tLatitude=" + FormatFixed(place.LatDeg, 7) + "\tLongitude=" + FormatFixed(place.LonDeg, 7) +
                  "\n"
                  "rclick\t600\t300\n"
                  "mouse\t250\t550\n"
                  "save\t" + Dir.File("out.xch") + "\n"
                  "bogus\n");
    const auto lines = Lines(out);
    ASSERT_GE(lines.size(), 8u) << out;
    EXPECT_EQ(lines.back(), "ERROR\tunknown command bogus");
    std::string status;
    for (const std::string& line : lines)
        if (line.rfind("ok\t Win:", 0) == 0) status = line;
    ASSERT_FALSE(status.empty()) << out;
    EXPECT_NE(out.find("prompt\tDefine map reference\t"), std::string::npos);

    // The saved championship has the reference; its fit gives what the
    // status bar showed.
    TChampionship saved(Dir.File("out.xch"));
    TMap* map = saved.FindMap("M");
    ASSERT_EQ(map->Georef.Refs.size(), 5u);
    ASSERT_TRUE(map->Georef.Calculate(map->ProjectionKind));
    double e = 0;
    double n = 0;
    map->Georef.PixelToWorld(250, 550, e, n);
    const TGeoCoord geo = TUtmCoord(e, n, 0, "30T").ToGeo(map->GetDatum()->Ellipsoid);
    const std::string expected = " Geo: " + FromQt(ToQt(FormatAngle(geo.Lat, 11) + " " + FormatAngle(geo.Lon, 19)));
    const auto panels = status.substr(3);
    EXPECT_NE(FromQt(QString::fromUtf8(panels.c_str())).find(expected), std::string::npos) << status;
}

TEST_F(WindowTest, TheProbeReportsTheTableAndTheMenusOnTheScreen)
{
    WriteChampionship();
    const std::string out = Probe(Dir.Path().string(), "cup.xch",
                                  "select\tCUP\tGeo\tMaps\tM\tReference points\n"
                                  "select\tCUP\tGeo\tWaypoints\n"
                                  "select\tCUP\tClasses\tML: Microlight\n"
                                  "table\n"
                                  "select\tCUP\n"
                                  "menu\ttree\n"
                                  "select\tCUP\tClasses\n"
                                  "menu\ttree\n"
                                  "click\ttree\tNew class\n"
                                  "table\n");
    const auto lines = Lines(out);
    // The class's own table, as the panel shows it: the corner first.
    const std::vector<std::string> classTable = {"Class\tML: Microlight", "Name\tMicrolight", "Short Name\tML"};
    auto at = std::find(lines.begin(), lines.end(), classTable[0]);
    ASSERT_NE(at, lines.end()) << out;
    EXPECT_EQ(std::vector<std::string>(at, at + 3), classTable);
    EXPECT_NE(std::find(at, lines.end(), "ok\tTableForClass"), lines.end()) << out;
    // The root's right click opens nothing; the next one its menu.
    EXPECT_NE(std::find(lines.begin(), lines.end(), "ERROR\tno menu"), lines.end()) << out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "New class\t1\t0"), lines.end()) << out;
    // A class made from that menu is shown in its table, enabled.
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Class\t(New class)"), lines.end()) << out;
    EXPECT_EQ(lines.back(), "ok\tTableForClass") << out;
}
