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
    EXPECT_THAT(ReadFileBytes(Dir().File("stderr")), testing::HasSubstr("Can't open XML file"));
    EXPECT_EQ(RunProbe("--tree").Status, 2);
}
