#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "ChampExport.h"
#include "KmlSummary.h"

using namespace kmltest;

namespace {

struct TProbeRun {
    std::string Out;
    int Status = -1;
};

// Runs kmlprobe in `folder` with the arguments.
TProbeRun Probe(const std::string& folder, const std::string& arguments)
{
    TProbeRun run;
    const std::string command = "cd '" + folder + "' && '" ZEPH_TOOLS_DIR "/kmlprobe' " + arguments + " 2>/dev/null";
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.Out.append(buf, n);
        const int status = ::pclose(p);
        run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

struct KmlProbe : testing::Test {
    KmlProbe() : Fx(Dir.Path().string())
    {
        Fx.Champ.Save(Dir.File("cup.xch"));
        std::filesystem::create_directory(Out);
    }
    TempDir Dir;
    TChampExport Fx;
    std::string Out = Dir.File("out");
    std::string Xch = "'" + Dir.File("cup.xch") + "'";
};

} // namespace

// The probe reads and analyses the flights from their files itself.
TEST_F(KmlProbe, ExportsTheTaskNumberAndAFlight)
{
    const TProbeRun all = Probe(Out, Xch + " ML 3");
    EXPECT_EQ(all.Status, 0);
    EXPECT_EQ(all.Out, Out + "/ML_3.kmz\n");
    const TKmlSummary s = Summarise(Out + "/ML_3.kmz");
    ASSERT_EQ(s.ParseError, "");
    EXPECT_EQ(s.Folders[0].Path, "Class ML Task 3: NAV - 1");
    EXPECT_NE(s.FindFolder("Class ML Task 3: NAV - 1 / 12: Zo\xC3\xA9 & <Ann> (FRA) / Events"), nullptr);
    EXPECT_NE(s.FindFolder("Class ML Task 3: NAV - 1 / 7: Real (FRA) / Events / Track events"), nullptr);
    EXPECT_GT(s.Placemarks.size(), TaskPlacemarks + 100);

    const TProbeRun one = Probe(Out, Xch + " ML 3 12");
    EXPECT_EQ(one.Status, 0);
    EXPECT_EQ(one.Out, Out + "/ML_3_12.kmz\n");
    const TKmlSummary f = Summarise(Out + "/ML_3_12.kmz");
    ASSERT_EQ(f.ParseError, "");
    EXPECT_EQ(f.Placemarks[0].Name, "Track 12: Zo\xC3\xA9 & <Ann> (FRA)");
    EXPECT_EQ(f.Placemarks[0].Coordinates, 2000);
}

TEST_F(KmlProbe, KeptKmlAndRefusals)
{
    std::filesystem::create_directory(Out + "/ML_3_5.kmz");
    const TProbeRun pending = Probe(Out, Xch + " ML 3 5");
    EXPECT_EQ(pending.Status, 0);
    EXPECT_EQ(pending.Out, Out + "/ML_3_5.kml\n");

    std::filesystem::create_directory(Out + "/ML_4.kml");
    EXPECT_EQ(Probe(Out, Xch + " ML 4").Status, 1);
    EXPECT_EQ(Probe(Out, Xch + " XX 3").Out.rfind("ERROR\t", 0), 0u);
    EXPECT_EQ(Probe(Out, Xch + " ML 8").Status, 2);
    EXPECT_EQ(Probe(Out, Xch + " ML 3 99").Status, 2);
    EXPECT_EQ(Probe(Out, "'" + Dir.File("none.xch") + "' ML 3").Status, 2);
}
