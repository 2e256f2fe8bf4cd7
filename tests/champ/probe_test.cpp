// The champprobe test program: load and save, the tree, failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "common/TempDir.h"

namespace {

TempDir& Dir()
{
    static TempDir dir;
    return dir;
}

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun RunProbe(const std::string& arguments)
{
    const std::string command = std::string(ZEPH_TOOLS_DIR) + "/champprobe " + arguments + " 2>" + Dir().File("stderr");
    TRun run;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) run.Out.append(buffer, n);
    const int status = ::pclose(p);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string Golden = ZEPH_SOURCE_DIR "/tests/data/champ/golden.xch";

} // namespace

TEST(ChampProbe, LoadsAndSaves)
{
    const std::string out = Dir().File("out.xch");
    const TRun run = RunProbe("'" + Golden + "' '" + out + "'");
    EXPECT_EQ(run.Status, 0);
    // The same bytes but for the running program's version.
    std::string expected = ReadFileBytes(Golden);
    std::string written = ReadFileBytes(out);
    const auto cut = [](std::string& text) {
        const std::size_t a = text.find("<Version>"), b = text.find("</Version>");
        if (a != std::string::npos && b != std::string::npos) text.erase(a, b - a);
    };
    cut(expected);
    cut(written);
    EXPECT_EQ(written, expected);
}

TEST(ChampProbe, PrintsTheTree)
{
    const TRun run = RunProbe("--tree '" + Golden + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "GOLD\n\tGeo\n\t\tMaps\n\t\t\tM\n\t\t\t\tReference points\n\t\tWaypoints\n"
                       "\tClasses\n\t\tK: Kappa\n"
                       "\tTeams\n\t\tITA: Italia\n\t\t\tK: Kappa\n\t\t\t\t7: Gino \"G\"\n"
                       "\tTask catalogue\n\t\tT\n\t\t\tT - 1\n"
                       "\tTasks\n\t\tK: Kappa\n\t\t\t1: T - 1\n\t\t\t\t7: Gino \"G\" (ITA) (DID NOT FLY)\n"
                       "\t\t\t2\n\t\t\t\t7: Gino \"G\" (ITA) >>> TRACK PENDING <<<\n");
}

TEST(ChampProbe, FailuresGoToStandardErrorWithStatusOne)
{
    const std::string bad = Dir().File("bad.xch");
    WriteFileBytes(bad, "<Championship><Classes><Class ShortName=\"K\"/></Classes><Tasks>"
                        "<TaskNumber Number=\"1\" Class=\"Q\"/></Tasks></Championship>");
    TRun run = RunProbe("'" + bad + "' '" + Dir().File("never.xch") + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(ReadFileBytes(Dir().File("stderr")),
              "<Unknown class in task number> in <Task number 1>. Details: <Q>\n");
    run = RunProbe("'" + Dir().File("missing.xch") + "' '" + Dir().File("never.xch") + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(ReadFileBytes(Dir().File("stderr")),
              "<Can't open XML file> in <>. Details: <" + Dir().File("missing.xch") + ">\n");
    EXPECT_EQ(RunProbe("--tree").Status, 2);
}

namespace {

std::string RunTool(const std::string& tool, const std::string& arguments, int& status)
{
    const std::string command = std::string(ZEPH_TOOLS_DIR) + "/" + tool + " " + arguments + " 2>/dev/null";
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    const int code = ::pclose(p);
    status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
    return out;
}

// A flight north along 1 degree west through turn point P, and a
// championship whose task number 1 of class K has P in its instance.
void WriteFlightFiles()
{
    std::string igc = "AXXX\nHFDTE070826\n";
    char line[64];
    for (int s = 0; s < 21; ++s) {
        std::snprintf(line, sizeof line, "B0800%02d%07dN00100000WA0010000120\n", s, 4500000 + 60 * s);
        igc += line;
    }
    WriteFileBytes(Dir().File("7T1.igc"), igc);
    WriteFileBytes(Dir().File("task.tsv"), "tp\tP\t45.01\t-1\t300\n");
    WriteFileBytes(Dir().File("flight.xch"),
                   "<Championship ShortName=\"F\"><Geo><Waypoints><WayPointSet ShortName=\"Default\">"
                   "<WayPoint Code=\"P\"><Lat>45.0100000</Lat><Lon>-1.0000000</Lon></WayPoint>"
                   "</WayPointSet></Waypoints></Geo>"
                   "<Classes><Class ShortName=\"K\"/></Classes>"
                   "<Teams><Team IsoCountry=\"ITA\"><Class ShortName=\"K\"><Competitor Number=\"7\">"
                   "<Pilot>Gino</Pilot></Competitor></Class></Team></Teams>"
                   "<TaskCatalogue><TaskTemplate ShortName=\"T\"><TaskInstance Version=\"1\"><TurnPoints>"
                   "<TurnPoint WayPoint=\"P\" Radius=\"300\"/></TurnPoints></TaskInstance></TaskTemplate>"
                   "</TaskCatalogue><Tasks><TaskNumber Number=\"1\" Class=\"K\" Template=\"T\" Instance=\"1\">"
                   "<Flight Number=\"7\"><IgcFileName>7T1.igc</IgcFileName></Flight></TaskNumber>"
                   "<TaskNumber Number=\"2\" Class=\"K\" Template=\"\" Instance=\"\"/></Tasks></Championship>");
}

} // namespace

TEST(ChampProbe, FlightTableAndFlightprobeAgainstTheChampionshipsTask)
{
    WriteFlightFiles();
    int status = -1;
    const std::string igc = "'" + Dir().File("7T1.igc") + "'";
    const std::string champ = "'" + Dir().File("flight.xch") + "'";
    const std::string viaChampionship = RunTool("flightprobe", "--championship " + champ + " K 1 " + igc, status);
    EXPECT_EQ(status, 0);
    EXPECT_THAT(viaChampionship, testing::HasSubstr("\tTurn point\tP\t"));
    // The same as the task given as a task file.
    EXPECT_EQ(RunTool("flightprobe", "--task '" + Dir().File("task.tsv") + "' " + igc, status), viaChampionship);
    EXPECT_THAT(RunTool("flightprobe", "--championship " + champ + " K 2 " + igc, status),
                testing::HasSubstr("ERROR\ttask number 2 has no task instance"));
    EXPECT_EQ(status, 2);
    RunTool("flightprobe", "--championship " + champ + " Q 1 " + igc, status);
    EXPECT_EQ(status, 2);

    // The flight table, its track read from the championship's folder.
    const std::string table = RunTool("champprobe", "--table " + champ + " K 1 7", status);
    EXPECT_EQ(status, 0);
    std::vector<std::string> rows;
    std::size_t start = 0;
    for (std::size_t end; (end = table.find('\n', start)) != std::string::npos; start = end + 1)
        rows.push_back(table.substr(start, end - start));
    ASSERT_GT(rows.size(), 21u);
    EXPECT_EQ(rows[0], " N\t Time\t Lat\t Lon\t Easting\t Northing\t Alt\t Vel\t Distance\t Check\t Event\t"
                       " Event specific");
    EXPECT_THAT(rows[1], testing::StartsWith("0\t"));
    EXPECT_THAT(table, testing::HasSubstr("\tT: P\tTurn point\t"));
    EXPECT_THAT(table, testing::HasSubstr("\tT: P\tEnter turn point area\t"));
    RunTool("champprobe", "--table " + champ + " K 1 8", status);
    EXPECT_EQ(status, 1);
}
