// The geoprobe test program: one answer line per request line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GeoTestData.h"
#include "common/TempDir.h"
#include "platform/Numbers.h"

namespace {

std::vector<std::string> RunProbe(const std::string& input)
{
    // Tests run in parallel processes: each gets its own folder.
    static TempDir dir;
    const std::string in = dir.File("geoprobe_in.txt");
    std::ofstream(in, std::ios::binary) << input;
    const std::string cmd = std::string(ZEPH_TOOLS_DIR) + "/geoprobe < " + in;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {};
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    std::vector<std::string> lines;
    std::istringstream s(out);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

} // namespace

TEST(GeoProbe, AnswersEveryLineAndGoesOnAfterErrors)
{
    const auto out = RunProbe(
        "utm\t60\t5\n"
        "utme\t6378388\t297\t-33.9\t18.4\n"
        "geo\t32V\t500000\t6651411.190362\n"
        "dist\t47\t8\t47\t8.1\n"
        "course\t47\t8\t47\t7\n"
        "nonsense\n"
        "dest\t47\t8\t90\t0\n"
        "segdist\t47.5\t5.95\t47.4\t6.05\t47.6\t6.05\n"
        "cross\t47\t8\t47.1\t8\t47.05\t7.9\t47.05\t8.1\n"
        "tps\t0\t0\t1\t1\t0\t2\t0\t1\t3\t0.5\t0.5\n"
        "tps\t0\t0\t1\t1\t1\t2\t2\t2\t3\t0.5\t0.5\n"
        "angle\t0.1\t11\n"
        "utm\t60\n"
        "utm\t6O\t5\n"
        "\n");
    ASSERT_EQ(out.size(), 15u);
    EXPECT_EQ(out[0], "32V\t276979.9264019625\t6658157.2031667214");
    EXPECT_EQ(out[1].substr(0, 4), "34H\t");
    double lat = 0;
    ASSERT_TRUE(ParseDouble(out[2].substr(0, out[2].find('\t')), lat));
    EXPECT_NEAR(lat, 60.0, 1e-8); // 1 mm
    EXPECT_EQ(out[2].substr(out[2].find('\t')), "\t9.0000000000");
    EXPECT_EQ(out[3].find('.') , out[3].size() - 11); // 10 decimals
    EXPECT_EQ(out[4].substr(0, 6), "270.36");
    EXPECT_EQ(out[5], "error");
    EXPECT_EQ(out[6], "47.0000000000\t8.0000000000");
    EXPECT_EQ(out[7].substr(0, 13), "0.5002145093\t");
    EXPECT_EQ(out[8].substr(0, 2), "2\t");
    EXPECT_EQ(out[9], "2.5000000000");
    EXPECT_EQ(out[10], "invalid");
    EXPECT_EQ(out[11], "  5\xC2\xBA 43' 46.48\" N");
    EXPECT_EQ(out[12], "error");
    EXPECT_EQ(out[13], "error");
    EXPECT_EQ(out[14], "error");
}

TEST(GeoProbe, ShiftReadsTheDatumFileBesideIt)
{
    std::string input;
    const auto rows = geotest::TTable("datum_shift.csv").Rows();
    for (const geotest::TRow& r : rows)
        input += "shift\t" + r.Text("datum") + "\t" + r.Text("region") + "\t" + r.Text("lat") + "\t" + r.Text("lon") +
                 "\t" + r.Text("h") + "\n";
    input += "shift\tNo such datum\tGlobal\t47\t8\t0\n";
    const auto out = RunProbe(input);
    ASSERT_EQ(out.size(), rows.size() + 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        double v[3];
        std::size_t start = 0;
        for (double& x : v) {
            const std::size_t tab = out[i].find('\t', start);
            ASSERT_TRUE(ParseDouble(out[i].substr(start, tab - start), x)) << out[i];
            start = tab + 1;
        }
        EXPECT_LE(geotest::GroundError(v[0], v[1], rows[i].Num("lat84"), rows[i].Num("lon84")), 2e-5) // 1e-10 deg: 11 um
            << out[i];
        EXPECT_NEAR(v[2], rows[i].Num("h84"), 1e-6);
    }
    EXPECT_EQ(out.back(), "error");
}
