#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "model/Waypoint.h"
#include "platform/Exceptions.h"
#include "platform/NumberFormat.h"
#include "platform/StringGrid.h"
#include "task_fixtures.h"
#include "xml/Xmlfile.h"

namespace {

std::vector<std::string> Codes(TWayPointSet& set)
{
    std::vector<std::string> codes;
    set.First();
    while (TWayPoint* waypoint = set.Next()) codes.push_back(waypoint->Code);
    return codes;
}

TException Thrown(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TException& e) {
        return e;
    }
    ADD_FAILURE() << "no TException";
    return TException("", "", "");
}

std::string Written(TWayPointSet& set)
{
    TempDir dir;
    TXmlOutput out(dir.File("w.xml"));
    set.WriteXml(out);
    return out.Text();
}

// The set read from the element text as the championship hands it over:
// inside its "Waypoints" folder element.
void ReadInto(TWayPointSet& set, const std::string& text, bool expected = true)
{
    TXmlInput in("test.xch", text);
    EXPECT_EQ(set.ReadXml(in), expected);
}

} // namespace

TEST(WayPointSet, HoldsCodesInUnsignedByteOrderAndRefusesDuplicates)
{
    TWayPointSet set;
    EXPECT_EQ(set.DisplayName(), "Waypoints");
    EXPECT_EQ(set.KeyValue(), "Default");
    for (const char* code : {"b", "\xC4", "B", "AB", "a", "A", "A10", "A2"}) set.Add(MakeWayPoint(code, 47, 8));
    // Codes differing in case are different waypoints; 0xC4 comes after
    // every ASCII letter.
    EXPECT_EQ(Codes(set), (std::vector<std::string>{"A", "A10", "A2", "AB", "B", "a", "b", "\xC4"}));

    set.Find("A")->Description = "first";
    TException e = Thrown([&] { set.Add(MakeWayPoint("A", 10, 10, "second")); });
    EXPECT_EQ(e.Where(), "Add waypoint to list");
    EXPECT_EQ(e.WhatText(), "Duplicate waypoint code");
    EXPECT_EQ(e.Details(), "A");
    EXPECT_EQ(set.Count(), 8u);
    EXPECT_EQ(set.Find("A")->Description, "first");
}

TEST(WayPointSet, WaypointsKeepTheirAddressWhileOthersComeAndGo)
{
    TWayPointSet set;
    TWayPoint* b = set.Add(MakeWayPoint("B", 47, 8));
    for (int i = 0; i < 50; ++i) set.Add(MakeWayPoint("C" + std::to_string(i), 47, 8));
    set.Add(MakeWayPoint("A", 47, 8));
    set.Delete(*set.Find("C7"));
    EXPECT_EQ(set.Find("B"), b);
}

TEST(WayPointSet, FindAndDeleteMoveTheOneCursor)
{
    TWayPointSet set;
    for (const char* code : {"A", "B", "C", "D"}) set.Add(MakeWayPoint(code, 47, 8));

    set.First();
    EXPECT_EQ(set.Next()->Code, "A");
    ASSERT_NE(set.Find("B"), nullptr);
    EXPECT_EQ(set.Next()->Code, "C"); // left after the found one
    EXPECT_EQ(set.Find("BB"), nullptr);
    EXPECT_EQ(set.Next()->Code, "D"); // a miss leaves it where it was
    EXPECT_EQ(set.Next(), nullptr);
    EXPECT_EQ(set.Next(), nullptr);

    // Deleting the waypoint under the cursor moves the cursor on; the
    // argument may be the stored waypoint itself.
    set.Find("B");
    set.Delete(*set.Find("C"));
    EXPECT_EQ(set.Next()->Code, "D");

    TException e = Thrown([&] { set.Delete(MakeWayPoint("C", 0, 0)); });
    EXPECT_EQ(e.WhatText(), "Can't delete. Waypoint does not exist.");
    EXPECT_EQ(e.Where(), "");
    EXPECT_EQ(e.Details(), "");
    EXPECT_EQ(Codes(set), (std::vector<std::string>{"A", "B", "D"}));
}

TEST(WayPointSet, FindNearestIsUnscaledAndTheSmallerCodeWinsATie)
{
    TWayPointSet set;
    EXPECT_EQ(set.FindNearest(TGeoCoord{0.0, 0.0, 0.0}), nullptr);

    const TGeoCoord p{DegToRad(8.0), DegToRad(60.0), 0.0};
    // At 60 N, 0.6 degrees east are nearer on the ground than 0.5 degrees
    // north, but the search compares plain degrees.
    set.Add(MakeWayPoint("EAST", 60.0, 8.6));
    set.Add(MakeWayPoint("NORTH", 60.5, 8.0));
    EXPECT_EQ(set.FindNearest(p)->Code, "NORTH");

    set.Add(MakeWayPoint("Z", 60.0, 7.9));
    set.Add(MakeWayPoint("Y", 59.9, 8.0));
    EXPECT_EQ(set.FindNearest(p)->Code, "Y");
}

TEST(WayPointSet, TableRowsFollowTheSetAndNeverShowStaleRows)
{
    TRecordedActivations activations;
    TWayPointSet set;
    set.Add(MakeWayPoint("B", 47.5, 8.25, "Bridge"));
    set.Add(MakeWayPoint("A", -33.75, -70.5));
    set.Add(MakeWayPoint("C", 46.0, 7.0));
    TStringGrid grid(5, 30);
    grid.SetCell(1, 20, "old");

    set.FillGrid(&grid);
    EXPECT_EQ(grid.ColCount(), 8);
    EXPECT_EQ(grid.RowCount(), 4);
    const std::vector<std::string> headings{" N", " Code", " Lat", " Lon", " Easting", " Northing", " Zone",
                                            " Description"};
    for (int col = 0; col < 8; ++col) EXPECT_EQ(grid.Cell(col, 0), headings[col]);
    const TWayPoint& a = *set.Find("A");
    const std::vector<std::string> row1{"1",
                                        "A",
                                        FormatAngle(DegToRad(-33.75), 11),
                                        FormatAngle(DegToRad(-70.5), 19),
                                        FormatNumber("# ### ###", a.Location.Utm.X),
                                        FormatNumber("# ### ###", a.Location.Utm.Y),
                                        a.Location.Utm.Zone,
                                        ""};
    for (int col = 0; col < 8; ++col) EXPECT_EQ(grid.Cell(col, 1), row1[col]) << col;
    EXPECT_NE(grid.Cell(2, 1).find('S'), std::string::npos);
    EXPECT_NE(grid.Cell(3, 1).find('W'), std::string::npos);
    EXPECT_EQ(grid.Cell(4, 1).find(' '), 3u); // blanks between groups of three
    EXPECT_EQ(grid.Cell(0, 2) + grid.Cell(1, 2) + grid.Cell(7, 2), "2BBridge");
    EXPECT_EQ(grid.Cell(1, 3), "C");

    set.Delete(*set.Find("B"));
    set.FillGrid(&grid);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(1, 2), "C");
    EXPECT_EQ(grid.Cell(7, 2), "");

    set.Delete(*set.Find("A"));
    set.Delete(*set.Find("C"));
    set.FillGrid(&grid);
    EXPECT_EQ(grid.RowCount(), 2);
    for (int col = 0; col < 8; ++col) EXPECT_EQ(grid.Cell(col, 1), "") << col;

    ASSERT_EQ(activations.Calls.size(), 3u);
    for (const auto& call : activations.Calls) {
        EXPECT_EQ(call.first, &grid);
        EXPECT_EQ(call.second, &set);
    }
}

TEST(WayPointSet, SelectInGridSelectsTheRowAndScrollsItIntoView)
{
    TRecordedActivations activations;
    TWayPointSet set;
    for (int i = 10; i < 40; ++i) set.Add(MakeWayPoint("W" + std::to_string(i), 47, 8)); // rows 1..30
    TStringGrid grid(8, 2);
    set.FillGrid(&grid);
    grid.SetVisibleRowCount(10);
    grid.SetTopRow(1);

    set.SelectInGrid(&grid, set.Find("W34")); // row 25, below the view
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 25, 7, 25}));
    EXPECT_EQ(grid.TopRow(), 16);
    set.SelectInGrid(&grid, set.Find("W30")); // row 21, in view
    EXPECT_EQ(grid.TopRow(), 16);
    set.SelectInGrid(&grid, set.Find("W12")); // row 3, above the view
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 3, 7, 3}));
    EXPECT_EQ(grid.TopRow(), 3);
    set.SelectInGrid(&grid, set.Find("W22")); // row 13 = top + visible rows
    EXPECT_EQ(grid.TopRow(), 4);

    const TWayPoint stranger = MakeWayPoint("X", 0, 0);
    set.SelectInGrid(&grid, &stranger);
    set.SelectInGrid(&grid, nullptr);
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 13, 7, 13}));
    EXPECT_EQ(grid.TopRow(), 4);
}

TEST(WayPointSet, WrittenAsTheDescribedElementWithSevenDecimals)
{
    TWayPointSet set;
    set.SetAttribute(acDatum, "European 1950");
    set.Add(MakeWayPoint("B", -0.00000001, -8.5));
    set.Add(MakeWayPoint("A", 43.12345678, 7.25, "Airfield"));
    EXPECT_EQ(Written(set), "<WayPointSet ShortName=\"Default\">\n"
                            "\t<WayPointSetDescription>\n"
                            "\t\t<Datum>European 1950</Datum>\n"
                            "\t\t<Region/>\n"
                            "\t</WayPointSetDescription>\n"
                            "\t<WayPoint Code=\"A\">\n"
                            "\t\t<Description>Airfield</Description>\n"
                            "\t\t<Lat>43.1234568</Lat>\n"
                            "\t\t<Lon>7.2500000</Lon>\n"
                            "\t</WayPoint>\n"
                            "\t<WayPoint Code=\"B\">\n"
                            "\t\t<Description/>\n"
                            "\t\t<Lat>0.0000000</Lat>\n"
                            "\t\t<Lon>-8.5000000</Lon>\n"
                            "\t</WayPoint>\n"
                            "</WayPointSet>\n");
}

TEST(WayPointSet, ReadsBackWhatItWroteAndReadsOnToTheFolderEnd)
{
    TWayPointSet original;
    original.Add(MakeWayPoint("A", 43.12345678, 7.25, "Airfield"));
    original.Add(MakeWayPoint("B", -12.5, -8.5));
    original.Add(MakeWayPoint("C", 0.5, 179.5, "Church"));
    const std::string text = "<Waypoints>\n" + Written(original) + "<Stray/>\n</Waypoints>\n<Next/>\n";

    TWayPointSet set;
    TXmlInput in("test.xch", text);
    ASSERT_TRUE(set.ReadXml(in));
    TXmlData after = in.Get(); // the reader stopped right after </Waypoints>
    EXPECT_EQ(after.Kind, xkStart);
    EXPECT_EQ(after.Element, "Next");

    ASSERT_EQ(Codes(set), (std::vector<std::string>{"A", "B", "C"}));
    // Each waypoint has its own description, also an empty one after a
    // waypoint with one.
    EXPECT_EQ(set.Find("A")->Description, "Airfield");
    EXPECT_EQ(set.Find("B")->Description, "");
    EXPECT_EQ(set.Find("C")->Description, "Church");
    const TLocation& b = set.Find("B")->Location;
    EXPECT_NEAR(RadToDeg(b.Geo.Lat), -12.5, 1e-9);
    EXPECT_NEAR(RadToDeg(b.Geo.Lon), -8.5, 1e-9);
    EXPECT_EQ(b.Datum, DefaultDatum());
    EXPECT_EQ(b.Utm.Zone, At(-12.5, -8.5).Utm.Zone);
    EXPECT_NEAR(b.Utm.Y, At(-12.5, -8.5).Utm.Y, 1e-6);
    EXPECT_NEAR(RadToDeg(set.Find("A")->Location.Geo.Lat), 43.1234568, 1e-12);
    EXPECT_EQ(Written(set), Written(original));

    // Without the folder's end tag the input runs out.
    TWayPointSet truncated;
    ReadInto(truncated, "<Waypoints>" + Written(original), false);
    EXPECT_EQ(truncated.Count(), 3u);
}

TEST(WayPointSet, ReadingRefusesNumbersThatDoNotReadAndDuplicateCodes)
{
    const std::string head = "<Waypoints><WayPointSet ShortName=\"Default\"><WayPoint Code=\"A\">";
    for (const char* bad : {"4x.5", "43,5", "N43", "--1"}) {
        TWayPointSet set;
        TException e = Thrown([&] { ReadInto(set, head + "<Lat>" + bad + "</Lat></WayPoint></WayPointSet></Waypoints>"); });
        EXPECT_EQ(e.WhatText(), "Invalid number") << bad;
        EXPECT_EQ(e.Details(), bad);
        EXPECT_EQ(e.Where(), "Lat of waypoint A");
    }
    TWayPointSet set;
    TException e = Thrown([&] { ReadInto(set, head + "<Lon>8</Lon><Lon>x</Lon></WayPoint></WayPointSet></Waypoints>"); });
    EXPECT_EQ(e.WhatText(), "Invalid number");

    // An empty or absent Lat or Lon is no place: refused, not 0.
    for (const std::string& body : {std::string("<Lat> 12.5 </Lat><Lon>8</Lon></WayPoint><WayPoint Code=\"B\"><Lat/><Lon>8</Lon>"),
                                    std::string("<Lat>1</Lat><Lon>8</Lon></WayPoint><WayPoint Code=\"B\"><Lat>1</Lat>"),
                                    std::string("<Lat>1</Lat><Lon>8</Lon></WayPoint><WayPoint Code=\"B\"><Lon>8</Lon>")}) {
        TWayPointSet missing;
        e = Thrown([&] { ReadInto(missing, head + body + "</WayPoint></WayPointSet></Waypoints>"); });
        EXPECT_EQ(e.WhatText(), "Invalid number") << body;
        EXPECT_EQ(e.Where().substr(3), " of waypoint B") << body;
        EXPECT_EQ(e.Details(), "") << body;
    }

    TWayPointSet twice;
    const std::string place = "<Lat>1</Lat><Lon>2</Lon>";
    e = Thrown([&] {
        ReadInto(twice, head + place + "</WayPoint><WayPoint Code=\"A\">" + place + "</WayPoint></WayPointSet></Waypoints>");
    });
    EXPECT_EQ(e.WhatText(), "Duplicate waypoint code");
    EXPECT_EQ(e.Details(), "A");
}

TEST(WayPointSet, DatumFileFromTheWorkingFolderThenTheProgramFolder)
{
    TempDir work;
    TempDir elsewhere;
    TScopedHooks hooks;
    const std::string element = "<Waypoints><WayPointSet ShortName=\"Default\"><WayPointSetDescription>"
                                "<Datum>European 1950</Datum><Region>Cyprus</Region></WayPointSetDescription>"
                                "<WayPoint Code=\"A\"><Lat>35</Lat><Lon>33</Lon></WayPoint>"
                                "</WayPointSet></Waypoints>";

    // Not in the working folder: the program's own copy.
    hooks->WorkingFolder = [&] { return work.Path().string(); };
    TWayPointSet fromProgram;
    ReadInto(fromProgram, element);
    EXPECT_EQ(fromProgram.GetDatum()->Name, "European 1950");
    EXPECT_EQ(fromProgram.GetDatum()->Region, "Cyprus");
    EXPECT_EQ(fromProgram.GetDatum()->Delta.X, -104.0);
    EXPECT_EQ(fromProgram.Find("A")->Location.Datum, DefaultDatum()); // the waypoints stay on WGS 84

    // The working folder's file comes first.
    WriteFileBytes(work.File("Datums.xml"),
                   "<Datums><Datum Name=\"European 1950\"><Ellipsoid>International 1924</Ellipsoid>"
                   "<Delta>1 2 3</Delta><Error>0 0 0</Error><Region>Cyprus</Region></Datum>"
                   "<Ellipsoid Name=\"International 1924\">6378388 297</Ellipsoid></Datums>");
    TWayPointSet fromWork;
    ReadInto(fromWork, element);
    EXPECT_EQ(fromWork.GetDatum()->Delta.X, 1.0);

    // Neither: the file name is in the details.
    hooks->WorkingFolder = [&] { return elsewhere.Path().string(); };
    hooks->ProgramFolder = [&] { return elsewhere.Path().string(); };
    TWayPointSet without;
    TException e = Thrown([&] { ReadInto(without, element); });
    EXPECT_EQ(e.WhatText(), "Can't open XML file");
    EXPECT_EQ(e.Details(), "Datums.xml");

    // Without a region no file is needed and WGS 84 stays.
    TWayPointSet plain;
    ReadInto(plain, "<Waypoints><WayPointSet><Datum>European 1950</Datum></WayPointSet></Waypoints>");
    EXPECT_EQ(plain.GetDatum()->Name, "WGS 84");
    EXPECT_EQ(plain.GetAttribute(acDatum), "European 1950");
}
