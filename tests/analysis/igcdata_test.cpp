// Real flight logs: each is accepted or refused as decided, and every fix of
// an accepted one equals what gpsbabel reads from it (expectations made by
// scripts/make_igc_expectations.py). gpsbabel dates any backward time step
// to the next day; so does this reader (14:00, 01:00, 14:00:01 in the
// backward-jump log: the last two on the next day in both).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "IgcText.h"
#include "platform/Numbers.h"

using namespace igctest;
namespace fs = std::filesystem;

namespace {

const std::string DataDir = ZEPH_SHARED_DATA_DIR "/igc";
const std::string ExpectDir = ZEPH_SOURCE_DIR "/tests/data/analysis/igc";

const std::string IRecord = "I record found. Extensions to B record not supported. Sorry!";

// Refused files and the message the user sees.
const std::map<std::string, std::string> Refused = {
    {"aerofiles__bad-line.igc",
     Refusal(IRecord, "line 19: I083638FXA3941ENL4246TAS4751GSP5254TRT5559VAT6063OAT6467ACZ")},
    {"aerofiles__xctrack-2022-04-07.igc",
     Refusal("Incorrect number of parameters in DTE", "line 10: HFDTEDATE:070422,01")},
    {"go-igc__2008-05-02_Martin_Saleve-Tessin.igc", Refusal(IRecord, "line 13: I00")},
    {"go-igc__2017_08_31_00_14_21_88GGB291.IGC", Refusal(IRecord, "line 16: I023638FXA3940SIU")},
    {"gpsbabel__igc2.igc", Refusal(IRecord, "line 16: I023638FXA3941ENL")},
    {"igc_lib__new_date_format.igc", Refusal("Incorrect number of parameters in DTE", "line 2: HFDTEDATE: 030418")},
    {"go-igc__2025-05-31-XFH-000-01.igc",
     Refusal("E record and B record times differ", "line 1255: B1119444637334N00713117EA0222002265")},
};

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> f;
    std::stringstream in(line);
    std::string s;
    while (std::getline(in, s, '\t')) f.push_back(s);
    return f;
}

// Seconds UTC of "YYYY-MM-DDTHH:MM:SSZ".
std::int64_t IsoSeconds(const std::string& t)
{
    auto n = [&](std::size_t pos, std::size_t len) { return std::stoi(t.substr(pos, len)); };
    return UtcSeconds(n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), n(17, 2));
}

double Num(const std::string& s)
{
    double v = 0;
    EXPECT_TRUE(ParseDouble(s, v)) << s;
    return v;
}

void ExpectFixesAsGpsbabel(const std::string& name, const TTrack& track)
{
    std::ifstream in(ExpectDir + "/" + name + ".tsv");
    ASSERT_TRUE(in) << "no expectations for " << name << ": run scripts/make_igc_expectations.py";
    std::size_t i = 0;
    int mismatches = 0;
    for (std::string line; std::getline(in, line); ++i) {
        const auto f = Fields(line);
        ASSERT_EQ(f.size(), 5u);
        ASSERT_LT(i, track.Points.size());
        const TTrackPoint& p = track.Points[i];
        const bool same = p.Time == IsoSeconds(f[0]) &&
                          std::fabs(RadToDeg(p.Location.Geo.Lat) - Num(f[1])) <= 1e-6 &&
                          std::fabs(RadToDeg(p.Location.Geo.Lon) - Num(f[2])) <= 1e-6 &&
                          // gpsbabel leaves out a pressure track that is all 0.
                          p.PressureAltitude == (f[3] == "-" ? 0.0 : Num(f[3])) && p.GnssAltitude == Num(f[4]);
        if (!same && ++mismatches <= 5) ADD_FAILURE() << name << " fix " << i << ": expected " << line;
    }
    EXPECT_EQ(i, track.Points.size()) << name;
    EXPECT_EQ(mismatches, 0) << name;
}

} // namespace

TEST(IgcFiles, AcceptedOrRefusedAndFixesAsGpsbabelReadsThem)
{
    if (!fs::is_directory(DataDir)) GTEST_SKIP() << DataDir << " absent";
    int accepted = 0, refused = 0;
    for (const auto& entry : fs::recursive_directory_iterator(DataDir)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        std::string message;
        TScopedHooks hooks;
        hooks->ShowMessage = [&message](const std::string& m) { message = m; };
        TTrack track(FixedClock());
        const bool ok = TIgcFile(entry.path().string(), &track).Read();
        const auto it = Refused.find(name);
        if (it != Refused.end()) {
            ++refused;
            EXPECT_FALSE(ok);
            EXPECT_EQ(message, it->second);
            EXPECT_TRUE(track.Points.empty());
        } else {
            ++accepted;
            EXPECT_TRUE(ok) << message;
            EXPECT_EQ(message, "");
            ExpectFixesAsGpsbabel(name, track);
            // None of the accepted logs has E records.
            EXPECT_TRUE(track.LoggerEvents.empty());
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(refused, 0);
}
