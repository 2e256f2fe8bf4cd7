// The flightprobe program's output for a small log and a refused one.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "IgcText.h"
#include "common/TempDir.h"
#include "platform/Numbers.h"

using namespace igctest;

namespace {

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun RunProbe(const std::string& args)
{
    TRun r;
    const std::string command = std::string(ZEPH_TOOLS_DIR "/flightprobe ") + args;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.Out.append(buf, n);
    const int status = ::pclose(p);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

TEST(FlightProbe, FixesThenLoggerEvents)
{
    TempDir dir;
    const std::string file = dir.File("log.igc");
    WriteFileBytes(file, "AXXX\r\nHFDTE060708\r\n"
                         "B1201005123456N00712345EA0012300150\r\n"
                         "E120101PEV\r\n"
                         "B1201015123456S00712345WV-001200150\r\n");
    const TRun r = RunProbe(file);
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "fix\t0\t2008-07-06T12:01:00Z\t51.3909333\t7.2057500\t123\t150\t3\n"
                     "fix\t1\t2008-07-06T12:01:01Z\t-51.3909333\t-7.2057500\t-12\t150\t2\n"
                     "event\t2008-07-06T12:01:01Z\t-51.3909333\t-7.2057500\tIGC event\t\t0\t13\n");
}

TEST(FlightProbe, RefusedFile)
{
    TempDir dir;
    const std::string file = dir.File("log.igc");
    WriteFileBytes(file, "AXXX\r\nI00\r\n");
    const TRun r = RunProbe(file);
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "ERROR\t" + Refusal("I record found. Extensions to B record not supported. Sorry!", "line 2: I00") + "\n");
}

// With a task: the search runs, fixes carry their speed, and the events are
// the track's whole event set with the logger's event merged in.
TEST(FlightProbe, TaskFromATaskFile)
{
    TempDir dir;
    const std::string igc = dir.File("log.igc"), task = dir.File("task.tsv");
    std::string text = "AXXX\r\nHFDTE060708\r\n";
    for (int i = 0; i < 14; ++i) {
        if (i == 6) text += E(12, 0, 30, "PEV") + "\r\n";
        text += B(12, 5 * i / 60, 5 * i % 60, 51.0002, 7.0 + 0.001 * i) + "\r\n";
    }
    WriteFileBytes(igc, text);
    WriteFileBytes(task, "# A to B with a gate between\n"
                         "tp\tA\t51.0\t7.004\t100\n"
                         "tp\tB\t51.0\t7.011\t100\n"
                         "gate\tG\t51.0\t7.008\t90\t200\n"
                         "\n"
                         "leg\tA\tB\t150\n");
    const TRun r = RunProbe("--task " + task + " " + igc);
    ASSERT_EQ(r.Status, 0) << r.Out;
    std::istringstream out(r.Out);
    std::string events;
    int fixes = 0;
    for (std::string line; std::getline(out, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string x; std::getline(fields, x, '\t');) f.push_back(x);
        if (f.at(0) == "fix") {
            ASSERT_EQ(f.size(), 9u) << line;
            if (fixes++ > 0) {
                double speed = 0;
                EXPECT_TRUE(ParseDouble(f[8], speed)) << line;
                EXPECT_NEAR(speed, 14.04, 0.01) << line;
            }
        } else {
            ASSERT_EQ(f.size(), 8u) << line;
            events += f[1].substr(11, 8) + " " + f[4] + " " + f[5] + "\n";
        }
    }
    EXPECT_EQ(fixes, 14);
    EXPECT_EQ(events, "12:00:00 Maximum distance to turn point B\n"
                      "12:00:10 Enter turn point area A\n"
                      "12:00:15 Turn point A\n"
                      "12:00:15 Best approximation to turn point A\n"
                      "12:00:30 Exit turn point area A\n"
                      "12:00:30 Start of leg A - B\n"
                      "12:00:30 IGC event \n"
                      "12:00:40 Gate G\n"
                      "12:00:40 End of leg A - B\n"
                      "12:00:45 Enter turn point area B\n"
                      "12:00:50 Best approximation to turn point B\n"
                      "12:00:55 Maximum distance to turn point A\n");

    WriteFileBytes(task, "tp\tA\t51.0\tx\t100\n");
    const TRun bad = RunProbe("--task " + task + " " + igc);
    EXPECT_EQ(bad.Status, 2);
    EXPECT_EQ(bad.Out, "ERROR\tline 1: not a number: x\n");
}
