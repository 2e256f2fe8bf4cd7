// The flightprobe program's output for a small log and a refused one.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "IgcText.h"
#include "common/TempDir.h"

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
    EXPECT_EQ(r.Out, "ERROR\t" + Refusal("I record found. Extensions to B record not supported. Sorry!") + "\n");
}
