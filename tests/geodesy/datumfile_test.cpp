// Reading datums and the datum list from a datum file, and the program's
// own Datums.xml.
#include <gtest/gtest.h>

#include "common/TempDir.h"

#include <clocale>
#include <fstream>
#include <map>
#include <set>

#include "GeoTestData.h"
#include "geodesy/Datum.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"

using namespace geotest;

namespace {

std::string OwnDatums() { return Platform::ProgramFolder() + "/Datums.xml"; }

std::string WriteFile(const std::string& name, const std::string& text)
{
    static TempDir dir; // one folder per test process
    const std::string path = dir.File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string DatumXml(const std::string& name, const std::string& ellipsoid, const std::string& delta,
                     const std::string& region)
{
    std::string s = "<Datum Name=\"" + name + "\"><Ellipsoid>" + ellipsoid + "</Ellipsoid><Delta>" + delta +
                    "</Delta><Error>1 2 3</Error>";
    if (!region.empty()) s += "<Region>" + region + "</Region>";
    return s + "</Datum>\n";
}

std::vector<std::string> Walk(TDatumSet& set, const std::string& datum)
{
    std::vector<std::string> out;
    set.FirstRegion(datum);
    while (const char* r = set.NextRegion()) out.push_back(r);
    return out;
}

std::string ExpectFailure(const std::function<void()>& f)
{
    try {
        f();
    } catch (const TException& e) {
        return e.WhatText();
    }
    return "no exception";
}

} // namespace

TEST(DatumFile, DocumentOrderRules)
{
    const std::string file = WriteFile("datums_rules.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Datums>\n" +
        DatumXml("Alpha", "Ell A", "1 2 3", "North") + DatumXml("Alpha", "Ell B", "4 5 6", "South") +
        DatumXml("Alpha", "Ell A", "7.5 8", "East") +     // Delta with two values: the third stays
        DatumXml("Beta", "Ell A", "10 20 30", "") +       // no Region: listed under the one before
        "<Ellipsoid Name=\"Ell A\">6378388 297</Ellipsoid>\n"
        "<Ellipsoid Name=\"Ell B\">6377397.155 299.1528128</Ellipsoid>\n" +
        DatumXml("Gamma", "Ell A", "0 0 0", "Late") +     // its ellipsoid comes before it
        "</Datums>\n");

    const TDatum north("Alpha", "North", file), south("Alpha", "South", file), east("Alpha", "East", file);
    EXPECT_EQ(north.Ellipsoid.Name, "Ell A");
    EXPECT_EQ(north.Ellipsoid.A, 6378388.0);
    EXPECT_EQ(north.Delta.X, 1.0);
    EXPECT_EQ(north.Error.Z, 3.0);
    EXPECT_EQ(north.Name, "Alpha");
    EXPECT_EQ(north.Region, "North");
    // The one name uses two ellipsoids: each region gets its own.
    EXPECT_EQ(south.Ellipsoid.Name, "Ell B");
    EXPECT_EQ(south.Ellipsoid.InvF, 299.1528128);
    EXPECT_EQ(south.Delta.Z, 6.0);
    EXPECT_EQ(east.Delta.X, 7.5);
    EXPECT_EQ(east.Delta.Y, 8.0);
    EXPECT_EQ(east.Delta.Z, 6.0); // left from the element read before
    // An unknown region silently takes the last element of the name.
    const TDatum nowhere("Alpha", "Nowhere", file);
    EXPECT_EQ(nowhere.Delta.X, 7.5);
    EXPECT_EQ(nowhere.Region, "Nowhere");

    EXPECT_EQ(ExpectFailure([&] { TDatum d("Gamma", "Late", file); }), "Invalid parameter for ellipsoid");
    EXPECT_EQ(ExpectFailure([&] { TDatum d("Delta", "North", file); }), "Invalid parameter for ellipsoid");
    EXPECT_EQ(ExpectFailure([&] { TDatum d("Alpha", "North", "/nonexistent-folder/missing.xml"); }),
              "Can't open XML file");
    // The refusal names what was looked for, and in which file.
    try {
        TDatum d("Gamma", "Late", file);
    } catch (const TException& e) {
        EXPECT_EQ(e.Details(), "datum \"Gamma\", region \"Late\": its ellipsoid \"Ell A\" does not follow it in " + file);
    }

    TDatumSet set(file);
    EXPECT_EQ(set.FileName, file);
    std::vector<std::string> names;
    set.FirstDatum();
    while (const char* n = set.NextDatum()) names.push_back(n);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(set.NextDatum(), nullptr);
    EXPECT_EQ(Walk(set, "Alpha"), (std::vector<std::string>{"East", "North", "South"}));
    EXPECT_EQ(Walk(set, "Beta"), (std::vector<std::string>{"East"}));
    EXPECT_TRUE(Walk(set, "Omega").empty());
    set.Add("Alpha", "North"); // a repeated pair is stored once
    set.Add("Omega", "Z");
    EXPECT_EQ(Walk(set, "Alpha").size(), 3u);
    EXPECT_EQ(Walk(set, "Omega"), (std::vector<std::string>{"Z"}));
    const TDatum viaSet(set, "Alpha", "South");
    EXPECT_EQ(viaSet.Ellipsoid.Name, "Ell B");
}

// Numbers in the file are read with "." whatever the desktop's locale.
TEST(DatumFile, NumbersDoNotDependOnTheLocale)
{
    const std::string file = WriteFile("datums_locale.xml",
        "<Datums>" + DatumXml("Alpha", "E", "-87.5 98.25 -121", "R") +
        "<Ellipsoid Name=\"E\">6378388.5 297.25</Ellipsoid></Datums>");
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.utf8"))
        GTEST_SKIP() << "no German locale here";
    const TDatum d("Alpha", "R", file);
    std::setlocale(LC_NUMERIC, old.c_str());
    EXPECT_EQ(d.Delta.X, -87.5);
    EXPECT_EQ(d.Delta.Y, 98.25);
    EXPECT_EQ(d.Ellipsoid.A, 6378388.5);
    EXPECT_EQ(d.Ellipsoid.InvF, 297.25);
}

TEST(DatumFile, OwnFileHasEveryDatumOfTheTableWithItsOwnEllipsoid)
{
    const TDatum wgs("WGS 84", "Global", OwnDatums());
    EXPECT_EQ(wgs.Ellipsoid.A, 6378137.0);
    EXPECT_EQ(wgs.Ellipsoid.InvF, 298.257223563);
    EXPECT_EQ(wgs.Delta.X, 0.0);

    TDatumSet set(OwnDatums());
    std::map<std::pair<std::string, std::string>, int> pairs;
    set.FirstDatum();
    std::string previous;
    while (const char* n = set.NextDatum()) {
        EXPECT_LT(previous, n);
        previous = n;
        for (const std::string& r : Walk(set, n)) pairs[{n, r}] = 0;
    }
    EXPECT_EQ(pairs.size(), 220u);

    const std::string table = std::string(ZEPH_SHARED_DATA_DIR) + "/datums/tr8350_datums_merged.csv";
    if (!std::ifstream(table)) GTEST_SKIP() << "no datum table at " << table;
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);
    int rows = 0;
    while (std::getline(in, line)) {
        // datum,region,ellipsoid,a,1/f,dx,dy,dz,... with "quoted, fields"
        std::vector<std::string> f(1);
        bool quoted = false;
        for (char c : line) {
            if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted)
                f.emplace_back();
            else
                f.back() += c;
        }
        if ((f[0] + f[1] + f[2]).find_first_of("\xC3&") != std::string::npos)
            continue; // names spelt out in ASCII in the file
        const TDatum d(f[0], f[1], OwnDatums());
        SCOPED_TRACE(f[0] + " / " + f[1]);
        EXPECT_EQ(d.Ellipsoid.Name, f[2]);
        double v[5];
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(ParseDouble(f[static_cast<std::size_t>(3 + i)], v[i]));
        EXPECT_EQ(d.Ellipsoid.A, v[0]);
        EXPECT_EQ(d.Ellipsoid.InvF, v[1]);
        EXPECT_EQ(d.Delta.X, v[2]);
        EXPECT_EQ(d.Delta.Y, v[3]);
        EXPECT_EQ(d.Delta.Z, v[4]);
        ++rows;
    }
    EXPECT_GT(rows, 200);
}

TEST(DatumFile, ShiftsFromTheOwnFileMatchCct)
{
    const TDatum* wgs = DefaultDatum();
    for (const TRow& r : TTable("datum_shift.csv").Rows()) {
        const TDatum d(r.Text("datum"), r.Text("region"), OwnDatums());
        const TGeoCoord out = ConvertDatum(Deg(r.Num("lat"), r.Num("lon"), r.Num("h")), &d, wgs);
        EXPECT_LE(GroundError(RadToDeg(out.Lat), RadToDeg(out.Lon), r.Num("lat84"), r.Num("lon84")), 1e-6)
            << r.Text("datum") << " / " << r.Text("region");
        EXPECT_NEAR(out.H, r.Num("h84"), 1e-6);
    }
}
