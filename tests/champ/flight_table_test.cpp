// The flight node with its track: reading, did-not-fly, the table of points
// and events under the display flags and the event filter, selecting a row.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "champ/ChampFixture.h"
#include "common/TempDir.h"
#include "platform/Exceptions.h"
#include "platform/NumberFormat.h"
#include "platform/StringGrid.h"

using namespace champtest;

namespace {

TempDir& Dir()
{
    static TempDir dir;
    return dir;
}

std::string B(int h, int m, int s, double latDeg, double lonDeg)
{
    const long lat = std::lround(std::fabs(latDeg) * 60000.0);
    const long lon = std::lround(std::fabs(lonDeg) * 60000.0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "B%02d%02d%02d%02ld%05ld%c%03ld%05ld%cA%05d%05d", h, m, s, lat / 60000, lat % 60000,
                  latDeg < 0 ? 'S' : 'N', lon / 60000, lon % 60000, lonDeg < 0 ? 'W' : 'E', 100, 120);
    return buf;
}

std::string Clock(std::int64_t utc)
{
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return buf;
}

// Column 0 and column 10 of every row below the titles.
std::vector<std::string> Rows(const TStringGrid& grid)
{
    std::vector<std::string> rows;
    for (int row = 1; row < grid.RowCount(); ++row) rows.push_back(grid.Cell(0, row) + "|" + grid.Cell(10, row));
    return rows;
}

// A championship in the test folder with one class, one competitor and a
// task number without instance (so nothing replaces the events a test puts
// in), its flight's IGC file beside the championship file.
struct TFlightScene {
    TFixedVersion Version;
    std::unique_ptr<TChampionship> Champ;
    TFlight* Flight = nullptr;
    TStringGrid Grid{5, 5};
    TFlightTableFilter Filter;

    TFlightScene()
    {
        std::string igc = "AXXX\nHFDTE070826\n";
        for (int s = 0; s < 6; ++s) igc += B(8, 0, s * 10, 45.0 + 0.001 * s, -1.0) + "\n";
        WriteFileBytes(Dir().File("7T1.igc"), igc);
        {
            TChampionship champ;
            auto* cls = new TCClass;
            cls->SetAttribute(acShortName, "K");
            champ.AddClass(cls);
            auto* team = new TTeam;
            team->SetAttribute(acIsoCountry, "ITA");
            champ.AddTeam(team);
            champ.AddCompetitor(NewCompetitor("7", "Gino"), team, cls);
            champ.AddTaskNumber(NewTaskNumber("1", nullptr), cls);
            cls->FlightsOf(*cls->TaskNumbers.begin()).FindKey("7")->SetAttribute(acIgcFileName, "7T1.igc");
            champ.Save(Dir().File("flight.xch"));
        }
        Champ = std::make_unique<TChampionship>(Dir().File("flight.xch"));
        TCClass* cls = Champ->FindClass("K");
        Flight = cls->FlightsOf(*cls->TaskNumbers.begin()).FindKey("7");
        Version.Hooks->FlightTableFilter = [this] { return Filter; };
    }
    // Events at points 0 (two of them), 2 and 5, and one after the last point.
    void AddEvents(TCheckElement* element)
    {
        auto& points = Flight->Track()->Points;
        auto& events = Flight->Track()->Events;
        events.insert(TEvent(points[0], element, etEnterLeg, 12.0, -1.0));
        events.insert(TEvent(points[0], element, etTurnPoint, 3.0, 1234.0));
        events.insert(TEvent(points[2], nullptr, etHighAcceleration, 5.0, 0.256));
        events.insert(TEvent(points[5], nullptr, etIgcEvent, 0.0, 12.0));
        TTrackPoint late = points[5];
        late.Time += 100;
        events.insert(TEvent(late, element, etEndLeg, 7.0, 0.5));
    }
};

} // namespace

TEST(FlightTable, PendingAndDidNotFlyFlights)
{
    TFlightScene scene;
    TFlight* flight = scene.Flight;
    flight->SetAttribute(acIgcFileName, "");
    EXPECT_EQ(flight->DisplayName(), "7: Gino (ITA) >>> TRACK PENDING <<<");
    scene.Grid.SetRowCount(30);
    flight->FillGrid(&scene.Grid);
    EXPECT_EQ(scene.Grid.ColCount(), 12);
    EXPECT_EQ(scene.Grid.RowCount(), 2);
    EXPECT_EQ(scene.Grid.Cell(0, 0), " N");
    EXPECT_EQ(scene.Grid.Cell(11, 0), " Event specific");
    EXPECT_EQ(scene.Grid.Cell(0, 1), "");
    EXPECT_EQ(flight->Track(), nullptr);

    // With its file: read from the championship's folder when shown.
    flight->SetAttribute(acIgcFileName, "7T1.igc");
    EXPECT_EQ(flight->DisplayName(), "7: Gino (ITA)");
    flight->FillGrid(&scene.Grid);
    ASSERT_NE(flight->Track(), nullptr);
    EXPECT_EQ(scene.Grid.RowCount(), 7);
    EXPECT_FALSE(scene.Grid.Updating());

    flight->SetDidNotFly();
    EXPECT_EQ(flight->Track(), nullptr);
    EXPECT_EQ(flight->GetAttribute(acIgcFileName), "DNF");
    EXPECT_EQ(flight->DisplayName(), "7: Gino (ITA) (DID NOT FLY)");
    flight->FillGrid(&scene.Grid);
    EXPECT_EQ(scene.Grid.RowCount(), 2);
    EXPECT_EQ(scene.Grid.Cell(0, 1), "");

    // A file that does not read leaves the flight without a track.
    std::string shown;
    scene.Version.Hooks->ShowMessage = [&](const std::string& text) { shown = text; };
    WriteFileBytes(Dir().File("bad.igc"), "HFDTE070826\nIBAD\n");
    flight->SetAttribute(acIgcFileName, "bad.igc");
    flight->FillGrid(&scene.Grid);
    EXPECT_EQ(flight->Track(), nullptr);
    EXPECT_FALSE(shown.empty());
    EXPECT_EQ(scene.Grid.RowCount(), 2);
}

// The championship names files in Windows-1252, the file system in UTF-8;
// a log without a fix leaves the flight without a track, with a word.
TEST(FlightTable, AccentedLogNamesAndLogsWithoutFixes)
{
    TFlightScene scene;
    TFlight* flight = scene.Flight;
    WriteFileBytes(Dir().File("M\xC3\xBCller\xE2\x82\xAC.igc"), ReadFileBytes(Dir().File("7T1.igc")));
    flight->SetAttribute(acIgcFileName, "M\xFCller\x80.igc");
    flight->FillGrid(&scene.Grid);
    ASSERT_NE(flight->Track(), nullptr);
    EXPECT_EQ(flight->Track()->Points.size(), 6u);

    std::string shown;
    scene.Version.Hooks->ShowMessage = [&](const std::string& text) { shown = text; };
    WriteFileBytes(Dir().File("empty.igc"), "AXXX\r\nHFDTE070826\r\n");
    flight->SetAttribute(acIgcFileName, "empty.igc");
    flight->ReadTrack(Dir().File("empty.igc"));
    EXPECT_EQ(flight->Track(), nullptr);
    EXPECT_THAT(shown, testing::HasSubstr(Dir().File("empty.igc")));
}

TEST(FlightTable, PointsAndEventsMergedInTimeOrder)
{
    TFlightScene scene;
    TFlight* flight = scene.Flight;
    flight->ReadTrack(Dir().File("7T1.igc"));
    ASSERT_NE(flight->Track(), nullptr);
    TChampionship& champ = *scene.Champ;
    champ.WayPoints.Add(TWayPoint(At(45.0, -1.0), "P"));
    champ.WayPoints.Add(TWayPoint(At(45.1, -1.0), "Q"));
    TTurnPoint p(champ.WayPoints.Find("P"), 200);
    TTurnPoint q(champ.WayPoints.Find("Q"), 200);
    TStraightLeg leg(&p, &q, 500);
    scene.AddEvents(&leg);
    flight->FillGrid(&scene.Grid);
    EXPECT_THAT(Rows(scene.Grid),
                testing::ElementsAre("0|Enter leg", "0|Turn point", "1|", "2|High acceleration", "3|", "4|",
                                     "5|IGC event", "6|End of leg"));
    const TStringGrid& g = scene.Grid;
    const auto& points = flight->Track()->Points;
    // Columns of a point row and of event rows.
    EXPECT_EQ(g.Cell(1, 3), Clock(points[1].Time));
    EXPECT_EQ(g.Cell(2, 3), FormatAngle(points[1].Location.Geo.Lat, 11));
    EXPECT_EQ(g.Cell(3, 3), FormatAngle(points[1].Location.Geo.Lon, 19));
    EXPECT_THAT(g.Cell(2, 3), testing::EndsWith("N"));
    EXPECT_THAT(g.Cell(3, 3), testing::EndsWith("W"));
    EXPECT_EQ(g.Cell(4, 3), FormatNumber("# ### ###", points[1].Location.Utm.X));
    EXPECT_EQ(g.Cell(6, 3), "120");
    EXPECT_EQ(g.Cell(8, 3), "");
    EXPECT_EQ(g.Cell(8, 1), "12");
    EXPECT_EQ(g.Cell(9, 1), "L: P - Q");
    EXPECT_EQ(g.Cell(11, 1), "Not started");
    EXPECT_EQ(g.Cell(11, 2), "1 234");
    EXPECT_EQ(g.Cell(9, 4), "");
    EXPECT_EQ(g.Cell(8, 4), ""); // emptied for an acceleration
    EXPECT_EQ(g.Cell(11, 4), "0.26");
    EXPECT_EQ(g.Cell(11, 7), TEvent::IgcEventName(12));
    EXPECT_EQ(g.Cell(11, 8), "50.0%");
    EXPECT_EQ(g.Cell(1, 8), Clock(points[5].Time + 100));
    EXPECT_FALSE(g.Updating());

    // Points only; events only; neither.
    scene.Filter.ShowEvents = false;
    flight->FillGrid(&scene.Grid);
    EXPECT_THAT(Rows(scene.Grid), testing::ElementsAre("0|", "1|", "2|", "3|", "4|", "5|"));
    scene.Filter = {};
    scene.Filter.ShowPoints = false;
    flight->FillGrid(&scene.Grid);
    EXPECT_THAT(Rows(scene.Grid), testing::ElementsAre("0|Enter leg", "0|Turn point", "2|High acceleration",
                                                       "5|IGC event", "6|End of leg"));
    scene.Filter.ShowEvents = false;
    flight->FillGrid(&scene.Grid);
    EXPECT_EQ(scene.Grid.RowCount(), 2);
    EXPECT_EQ(scene.Grid.Cell(0, 1), "");

    // The filter hides both events at point 0 and the acceleration: their
    // points are listed instead.
    scene.Filter = {};
    scene.Filter.EventMask = ~static_cast<std::uint32_t>(etEnterLeg | etTurnPoint | etHighAcceleration);
    flight->FillGrid(&scene.Grid);
    EXPECT_THAT(Rows(scene.Grid), testing::ElementsAre("0|", "1|", "2|", "3|", "4|", "5|IGC event", "6|End of leg"));
}

TEST(FlightTable, SelectRowFindsTheRowOfAPoint)
{
    TFlightScene scene;
    TFlight* flight = scene.Flight;
    flight->ReadTrack(Dir().File("7T1.igc"));
    scene.AddEvents(nullptr);
    TStringGrid& g = scene.Grid;
    g.SetVisibleRowCount(3);
    flight->FillGrid(&g);
    // Point 4 is on row 6: scrolled so that it is the last visible row.
    flight->SelectRow(&g, 4);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 6, 11, 6}));
    EXPECT_EQ(g.TopRow(), 4);
    // Point 1 is above: it becomes the first visible row.
    flight->SelectRow(&g, 1);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 3, 11, 3}));
    EXPECT_EQ(g.TopRow(), 3);
    // Point 5 has an event row in its place, whose column 0 shows 5 too;
    // a point that no row shows selects nothing.
    scene.Filter.ShowEvents = false;
    scene.Filter.ShowPoints = true;
    flight->FillGrid(&g);
    g.SetSelection({1, 1, 11, 1});
    flight->SelectRow(&g, 9);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 1, 11, 1}));
    scene.Filter = {};
    scene.Filter.ShowPoints = false;
    flight->FillGrid(&g);
    flight->SelectRow(&g, 1);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 1, 11, 1}));
    flight->SelectRow(&g, -1);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 1, 11, 1}));
}

TEST(FlightTable, RedrawStopIsReleasedOnEveryWayOut)
{
    TFlightScene scene;
    scene.Version.Hooks->FlightTableFilter = []() -> TFlightTableFilter {
        throw TException("", "Map view gone", "");
    };
    EXPECT_THROW(scene.Flight->FillGrid(&scene.Grid), TException);
    EXPECT_FALSE(scene.Grid.Updating());
    // A flight without competitor lists its track all the same.
    TFlight orphan;
    orphan.SetAttribute(acNumber, "99");
    EXPECT_EQ(orphan.DisplayName(), "99 (no competitor)");
    orphan.ReadTrack(Dir().File("7T1.igc"));
    orphan.Analyse();
    scene.Version.Hooks->FlightTableFilter = nullptr;
    orphan.FillGrid(&scene.Grid);
    EXPECT_EQ(scene.Grid.RowCount(), 7);
}

TEST(FlightTable, RealLogAgainstATask)
{
    const std::string file = ZEPH_SHARED_DATA_DIR "/igc/derived/aerofiles__xctrack-2023-04-28.igc";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no " << file;
    TFixedVersion version;
    // A task on the flight's own path: turn points at three of its fixes, a
    // leg between the first two and a gate on it.
    TTrack probe;
    ASSERT_TRUE(TIgcFile(file, &probe).Read());
    const auto& fixes = probe.Points;
    ASSERT_GT(fixes.size(), 100u);
    TChampionship champ;
    const std::size_t at[3] = {fixes.size() / 5, fixes.size() / 2, 4 * fixes.size() / 5};
    const char* codes[3] = {"TP1", "TP2", "TP3"};
    for (int i = 0; i < 3; ++i)
        champ.WayPoints.Add(TWayPoint(fixes[at[i]].Location, codes[i]));
    auto* tmpl = new TTaskTemplate;
    tmpl->SetAttribute(acShortName, "NAV");
    champ.AddTaskTemplate(tmpl);
    auto* inst = new TTaskInstance;
    inst->SetAttribute(acVersion, "1");
    champ.AddTaskInstance(inst, tmpl);
    std::vector<TTurnPoint*> tps;
    for (const char* code : codes) {
        tps.push_back(new TTurnPoint(champ.WayPoints.Find(code), 300));
        inst->AddTurnPoint(tps.back());
    }
    auto* leg = new TStraightLeg(tps[0], tps[1], 1000);
    inst->AddStraightLeg(leg);
    inst->AddGate(new TGate(leg, 50.0, 2000));
    auto* cls = new TCClass;
    cls->SetAttribute(acShortName, "K");
    champ.AddClass(cls);
    auto* team = new TTeam;
    team->SetAttribute(acIsoCountry, "SUI");
    champ.AddTeam(team);
    champ.AddCompetitor(NewCompetitor("7", "Pilot"), team, cls);
    champ.AddTaskNumber(NewTaskNumber("1", inst), cls);
    TFlight* flight = cls->FlightsOf(*cls->TaskNumbers.begin()).FindKey("7");
    flight->ReadTrack(file);
    ASSERT_NE(flight->Track(), nullptr);

    TStringGrid grid;
    flight->FillGrid(&grid);
    const auto& points = flight->Track()->Points;
    ASSERT_FALSE(flight->Track()->Events.empty());
    int eventRows = 0, pointRows = 0;
    long long last = -1;
    std::int64_t lastTime = 0;
    std::vector<std::string> types;
    for (int row = 1; row < grid.RowCount(); ++row) {
        long long index = 0;
        ASSERT_TRUE(ParseInt(grid.Cell(0, row), index)) << row;
        ASSERT_LT(index, static_cast<long long>(points.size()));
        EXPECT_GE(index, last) << row; // in the order of the points
        last = index;
        // Every row shows the time of the point it stands for.
        EXPECT_EQ(grid.Cell(1, row), Clock(points[static_cast<std::size_t>(index)].Time)) << row;
        EXPECT_GE(points[static_cast<std::size_t>(index)].Time, lastTime);
        lastTime = points[static_cast<std::size_t>(index)].Time;
        if (grid.Cell(10, row).empty())
            ++pointRows;
        else {
            ++eventRows;
            types.push_back(grid.Cell(10, row));
        }
    }
    EXPECT_EQ(eventRows, static_cast<int>(flight->Track()->Events.size()));
    EXPECT_THAT(types, testing::Contains("Turn point"));
    EXPECT_THAT(types, testing::Contains("Enter turn point area"));
    // One point row per point that has no event.
    std::set<std::int64_t> eventTimes;
    for (const TEvent& e : flight->Track()->Events) eventTimes.insert(e.Point.Time);
    int withoutEvent = 0;
    for (const TTrackPoint& p : points) withoutEvent += eventTimes.count(p.Time) ? 0 : 1;
    EXPECT_EQ(pointRows, withoutEvent);

    // Only the turn point events.
    TScopedHooks hooks;
    hooks->FlightTableFilter = [] {
        TFlightTableFilter f;
        f.ShowPoints = false;
        f.EventMask = etTurnPoint;
        return f;
    };
    flight->FillGrid(&grid);
    ASSERT_GT(grid.RowCount(), 1);
    for (int row = 1; row < grid.RowCount(); ++row) EXPECT_EQ(grid.Cell(10, row), "Turn point");
}
