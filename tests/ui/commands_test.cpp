// The main window's flight commands, tables, event filter, clipboard and the
// status bar over the map.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <filesystem>

#include "WindowFixture.h"
#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "ui/GridView.h"
#include "ui/MapWindow.h"
#include "ui/USmallDialogs.h"

using namespace uitest;
namespace fs = std::filesystem;

namespace {

std::string Trimmed(std::string text)
{
    while (!text.empty() && text.front() == ' ') text.erase(text.begin());
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

const std::vector<std::string> Tasks = {"CUP", "Tasks", "ML: Microlight", "01: NAV - 1"};

std::vector<std::string> Under(std::vector<std::string> path, const std::string& last)
{
    path.push_back(last);
    return path;
}

TFlight* FlightOf(const std::string& number)
{
    TChampionship* championship = *UserInterface.Championships.begin();
    TCClass* cls = championship->FindClass("ML");
    return cls->FlightsOf(cls->TaskNumbers.FindKey("01")).FindKey(number);
}

// Rows of the shown track table that list an event (column 10 not empty).
int EventRows(const TStringGrid& grid)
{
    int rows = 0;
    for (int row = 1; row < grid.RowCount(); ++row) rows += !grid.Cell(10, row).empty();
    return rows;
}

} // namespace

TEST_F(WindowTest, AFlightFindsItsLogBesideTheChampionship)
{
    Start({QString::fromStdString(WriteChampionship())});
    // No log: nothing read, the table shows the titles alone.
    Select(Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"));
    EXPECT_EQ(UserInterface.CurrentFlight, nullptr);
    EXPECT_EQ(W().TableForTrack.RowCount(), 2);
    EXPECT_TRUE(TakePrompts().empty());

    // One log, named in any case: read and analysed without a question.
    WriteFileBytes(Dir.File("1t01a.IGC"), FlightLog());
    Select({"CUP"});
    Select(Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"));
    EXPECT_TRUE(TakePrompts().empty());
    ASSERT_EQ(UserInterface.CurrentFlight, FlightOf("1"));
    EXPECT_EQ(FlightOf("1")->GetAttribute(acIgcFileName), "1t01a.IGC");
    EXPECT_EQ(FlightOf("1")->Track()->Points.size(), 600u);
    EXPECT_GT(EventRows(W().TableForTrack), 0);
    EXPECT_TRUE(Item(Under(Tasks, "1: Ana (ESP)")));
    // The busy text is gone from the caption, and so is the pending track.
    EXPECT_EQ(FromQt(W().windowTitle()), "Zephyrant - CUP - 1: Ana (ESP)");
    EXPECT_NE(UserInterface.MapWindow.CurrentPoint, nullptr);

    // Two logs: the chooser, with the pattern as its first filter.
    WriteFileBytes(Dir.File("2T01A.igc"), FlightLog(10 * 3600));
    WriteFileBytes(Dir.File("2T01B.igc"), FlightLog(11 * 3600));
    Script->AnswerFile(QString::fromStdString(Dir.File("2T01B.igc")));
    Select(Under(Tasks, "2: Pedro (ESP) >>> TRACK PENDING <<<"));
    ASSERT_FALSE(Script->Records.empty());
    EXPECT_EQ(Script->Records.back().Title, "Select IGC file");
    EXPECT_EQ(FromQt(Script->Records.back().Filter).substr(0, 34), "Specific IGC log file (2T01*.igc);");
    EXPECT_EQ(FlightOf("2")->GetAttribute(acIgcFileName), "2T01B.igc");
    EXPECT_EQ(FlightOf("2")->Track()->Points.front().Time % 86400, 11 * 3600);
}

TEST_F(WindowTest, ANewTrackSourceReplacesTheCurrentFlightsTrack)
{
    Start({QString::fromStdString(WriteChampionship())});
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    Select(Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"));
    ASSERT_NE(UserInterface.MapWindow.CurrentPoint, nullptr);

    // A log the reader refuses, or one named "DNF" (read back as "did not
    // fly"), changes nothing: log, track and marker stay.
    const auto* marker = UserInterface.MapWindow.CurrentPoint;
    for (const std::string log : {"I00", "DNF"}) {
        WriteFileBytes(Dir.File(log), (log == "I00" ? "I00\r\n" : "") + FlightLog());
        Script->AnswerDialog({true, {{"Choice", "2"}}});
        Script->AnswerFile(QString::fromStdString(Dir.File(log)));
        W().TreeMenuNew->trigger();
        EXPECT_TRUE(Script->Records.back().Text.contains(log == "DNF" ? "rename the file." : "I record")) << log;
        EXPECT_EQ(UserInterface.MapWindow.CurrentPoint, marker);
        EXPECT_EQ(FlightOf("1")->GetAttribute(acIgcFileName), "1T01A.igc");
    }

    // Another file: the marker lets go of the old track first.
    WriteFileBytes(Dir.File("other.igc"), FlightLog(12 * 3600));
    TScriptedSeams::TDialogAnswer fromFile{true, {{"Choice", "2"}}};
    Script->AnswerDialog(fromFile);
    Script->AnswerFile(QString::fromStdString(Dir.File("other.igc")));
    Select(Under(Tasks, "1: Ana (ESP)"));
    W().TreeMenuNew->trigger();
    EXPECT_EQ(SelectTrackSource->Choice, 2);
    ASSERT_NE(FlightOf("1")->Track(), nullptr);
    EXPECT_EQ(FlightOf("1")->Track()->Points.front().Time % 86400, 12 * 3600);
    EXPECT_EQ(FlightOf("1")->GetAttribute(acIgcFileName), "other.igc");
    ASSERT_NE(UserInterface.MapWindow.CurrentPoint, nullptr);
    EXPECT_EQ(UserInterface.MapWindow.CurrentPoint, &FlightOf("1")->Track()->Points[0]);

    // Did not fly: no track, no current flight, the item says so.
    Script->AnswerDialog({true, {{"Choice", "3"}}});
    W().TreeMenuNew->trigger();
    EXPECT_EQ(FlightOf("1")->Track(), nullptr);
    EXPECT_EQ(FlightOf("1")->GetAttribute(acIgcFileName), "DNF");
    EXPECT_EQ(UserInterface.CurrentFlight, nullptr);
    EXPECT_EQ(UserInterface.MapWindow.CurrentPoint, nullptr);
    EXPECT_TRUE(Item(Under(Tasks, "1: Ana (ESP) (DID NOT FLY)")));
    // Cancelled: the choice stays, nothing happens.
    W().TreeMenuNew->trigger();
    EXPECT_EQ(SelectTrackSource->Choice, 3);

    // Selected again, the flight stays "did not fly" although its log lies
    // beside the championship.
    TakePrompts();
    Select(Tasks);
    Select(Under(Tasks, "1: Ana (ESP) (DID NOT FLY)"));
    EXPECT_EQ(FlightOf("1")->GetAttribute(acIgcFileName), "DNF");
    EXPECT_EQ(FlightOf("1")->Track(), nullptr);
    EXPECT_EQ(UserInterface.CurrentFlight, nullptr);
    EXPECT_TRUE(Item(Under(Tasks, "1: Ana (ESP) (DID NOT FLY)")));
    EXPECT_TRUE(TakePrompts().empty());
}

TEST_F(WindowTest, ExportsAreWrittenBesideTheChampionshipAndOpened)
{
    Start({QString::fromStdString(WriteChampionship())});
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    Select(Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"));
    W().TreeMenuOpen->trigger();
    Select(Tasks);
    W().TreeMenuOpen->trigger();
    ASSERT_EQ(Script->Opened.size(), 2);
    for (const QString& path : Script->Opened) {
        EXPECT_EQ(QFileInfo(path).absolutePath(), QString::fromStdString(Dir.Path().string()));
        EXPECT_TRUE(path.endsWith(".kmz"));
        const std::string check = "python3 -c \"import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                                  "sys.exit(0 if z.testzip() is None and b'<kml' in z.read(z.namelist()[0]) else 1)\" '" +
                                  FromQt(path) + "'";
        EXPECT_EQ(std::system(check.c_str()), 0) << FromQt(path);
    }
}

TEST_F(WindowTest, TypingRenamesEveryItemAndARefusedKeyComesBack)
{
    Start({QString::fromStdString(WriteChampionship())});
    Select({"CUP", "Classes", "PF: Paramotor"});
    // A folder selected after it leaves the class's table shown: the table's
    // commands act on the class.
    Select({"CUP", "Tasks"});
    W().TableDblClick();
    ASSERT_TRUE(UserInterface.EditMode);
    EXPECT_EQ(W().CollectedNodes.size(), 4u); // Classes, two teams' folders, Tasks
    W().TableForDescriptionSetEditText(1, 2, "G");
    W().TableForDescriptionSetEditText(1, 2, "GL");
    EXPECT_TRUE(Item({"CUP", "Classes", "GL: Paramotor"}));
    EXPECT_TRUE(Item({"CUP", "Teams", "FRA: France", "GL: Paramotor"}));
    EXPECT_TRUE(Item({"CUP", "Tasks", "GL: Paramotor"}));

    // "ML" is taken: the cell keeps the text, the class and the tree go back
    // to the key from before the edit; ending the edit shows it and says
    // why, once.
    W().TableForDescriptionSetEditText(1, 2, "M");
    W().TableForDescriptionSetEditText(1, 2, "ML");
    EXPECT_TRUE(TakePrompts().empty());
    EXPECT_EQ(W().TableForClass.Cell(1, 2), "ML");
    EXPECT_TRUE(Item({"CUP", "Classes", "PF: Paramotor"}));
    W().TableDblClick();
    EXPECT_FALSE(UserInterface.EditMode);
    const auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].find("Duplicate key"), std::string::npos);
    EXPECT_EQ(W().TableForClass.Cell(1, 2), "PF");
}

TEST_F(WindowTest, KeysTypedIntoTheTableAreTakenWholeOrNotAtAll)
{
    Start({QString::fromStdString(WriteChampionship())});
    W().show();
    QApplication::processEvents();
    Splash->close();
    QApplication::setActiveWindow(&W());
    Select({"CUP", "Teams", "ESP: Spain"});
    TStringGrid& grid = W().TableForTeam;
    TGridView* table = W().ViewOf(&grid);
    const int isoRow = 5;
    ASSERT_EQ(Trimmed(grid.Cell(0, isoRow)), "ISO Country");
    const QModelIndex cell = table->GridModel()->IndexOf(1, isoRow);

    // A double click on the cell starts the edit with its editor open.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
    ASSERT_TRUE(UserInterface.EditMode);
    QWidget* editor = table->Editor();
    ASSERT_TRUE(editor);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);

    // "F" and "FR" are free and taken as they are typed; "FRA" is France's.
    TChampionship* championship = *UserInterface.Championships.begin();
    QTest::keyClicks(editor, "FR");
    EXPECT_TRUE(Item({"CUP", "Teams", "FR: Spain"}));
    QTest::keyClicks(editor, "A");
    EXPECT_TRUE(TakePrompts().empty());
    EXPECT_EQ(grid.Cell(1, isoRow), "FRA");
    EXPECT_EQ(championship->Teams.FindKey("FR"), nullptr);
    ASSERT_NE(championship->Teams.FindKey("ESP"), nullptr);
    EXPECT_EQ(championship->Teams.FindKey("ESP")->GetAttribute(acShortName), "Spain");
    EXPECT_TRUE(Item({"CUP", "Teams", "ESP: Spain"}));
    EXPECT_TRUE(Item({"CUP", "Teams", "FRA: France"}));

    // Ending the edit: the table shows ESP again, one warning names FRA.
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
    EXPECT_FALSE(UserInterface.EditMode);
    const auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], "<Duplicate key> in <ISO Country>. Details: <FRA>");
    EXPECT_EQ(grid.Cell(1, isoRow), "ESP");
    const std::string saved = Dir.File("saved.xch");
    championship->Save(saved);
    EXPECT_NE(ReadFileBytes(saved).find("<Team IsoCountry=\"ESP\">"), std::string::npos);

    // A control character pasted into the name is refused at once; the cell
    // and the editor keep the name.
    ASSERT_EQ(Trimmed(grid.Cell(0, 2)), "Short Name");
    const QModelIndex name = table->GridModel()->IndexOf(1, 2);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(name).center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(name).center());
    ASSERT_TRUE(UserInterface.EditMode);
    auto* nameEditor = qobject_cast<QLineEdit*>(table->Editor());
    ASSERT_TRUE(nameEditor);
    QApplication::clipboard()->setText(QStringLiteral("A\x01" "B"));
    QTest::keyClick(nameEditor, Qt::Key_End);
    QTest::keyClick(nameEditor, Qt::Key_V, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(TakePrompts(),
              std::vector<std::string>{
                  "Short Name holds a control character (code 1), which the championship file can't hold."});
    EXPECT_EQ(nameEditor->text(), "Spain");
    EXPECT_EQ(grid.Cell(1, 2), "Spain");
    EXPECT_EQ(championship->Teams.FindKey("ESP")->GetAttribute(acShortName), "Spain");
}

TEST_F(WindowTest, EventFilterSetsTheMaskAndTheRows)
{
    Start({QString::fromStdString(WriteChampionship())});
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    Select(Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"));
    TMapWindow& view = UserInterface.MapWindow;
    EXPECT_EQ(view.EventMask, 0xFFFFFFFFu);
    const int allRows = EventRows(W().TableForTrack);

    W().Deselectallevents1->trigger();
    EXPECT_EQ(view.EventMask, 0u);
    EXPECT_EQ(EventRows(W().TableForTrack), 0);
    W().Selectallevents1->trigger();
    EXPECT_EQ(view.EventMask, 0xFFFFFFFFu);
    EXPECT_EQ(EventRows(W().TableForTrack), allRows);
    // One click recomputes the mask from the twelve items alone.
    W().EventFilterItems[0]->trigger(); // "Turn point" off
    EXPECT_EQ(view.EventMask, 0x7FFFu & ~8u);
    EXPECT_LT(EventRows(W().TableForTrack), allRows);

    // Points off: only event rows; the tool button follows.
    const int rows = W().TableForTrack.RowCount();
    W().Viewtrackpoints->trigger();
    EXPECT_FALSE(view.ShowPoints);
    EXPECT_FALSE(W().ToolButtonShowPoints->isChecked());
    EXPECT_LT(W().TableForTrack.RowCount(), rows);
    W().ToolButtonShowPoints->trigger();
    EXPECT_TRUE(W().Viewtrackpoints->isChecked());
    EXPECT_EQ(W().TableForTrack.RowCount(), rows);
}

TEST_F(WindowTest, ShortcutsWorkWhileTheTrackTableHasTheFocus)
{
    Start({QString::fromStdString(WriteChampionship())});
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    Select(Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"));
    W().show();
    QApplication::processEvents();
    Splash->close(); // the first activation showed it
    QApplication::setActiveWindow(&W());
    TGridView* table = W().ViewOf(&W().TableForTrack);
    table->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), table);
    TMapWindow& view = UserInterface.MapWindow;

    QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(view.EventMask, 0u);
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.EventMask, 0xFFFFFFFFu);
    QTest::keyClick(table, Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(view.ShowPoints);
    QTest::keyClick(table, Qt::Key_E, Qt::ControlModifier);
    EXPECT_FALSE(view.ShowEvents);
    QTest::keyClick(table, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_E, Qt::ControlModifier);
    W().TableForTrack.SelectRowAndScroll(5);
    QTest::keyClick(table, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(FromQt(QApplication::clipboard()->text()), Trimmed(W().TableForTrack.Cell(1, 5)));
    QTest::keyClick(table, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(FromQt(QApplication::clipboard()->text()), W().TableText());
}

TEST_F(WindowTest, ClipboardHasTheHeadingLinesAndATabAfterEveryCell)
{
    Start({QString::fromStdString(WriteChampionship())});
    Select(Under(Tasks, "3: Jeanne (FRA) >>> TRACK PENDING <<<"));
    W().CopytoClipboard1Click();
    const std::string expected = "Competitor\t3: Jeanne\nTeam\tFRA: France\nClass\tML: Microlight\nTask\t01: NAV - 1\n"
                                 "N\tTime\tLat\tLon\tEasting\tNorthing\tAlt\tVel\tDistance\tCheck\tEvent\tEvent specific\t\n"
                                 "\t\t\t\t\t\t\t\t\t\t\t\t\n";
    EXPECT_EQ(FromQt(QApplication::clipboard()->text()), expected);

    // A flight kept without its competitor copies empty texts.
    TFlight* flight = FlightOf("3");
    flight->SetCompetitor(nullptr);
    EXPECT_EQ(W().TableText().substr(0, 31), "Competitor\t\nTeam\t\nClass\t\nTask\t0");
}

TEST_F(WindowTest, TheStatusBarFollowsTheMouseOverTheMap)
{
    const std::string file = WriteChampionship();
    WriteFileBytes(Dir.File("lastmap"), "M");
    Start();
    Open(file);
    // Without a map only the window and bitmap positions.
    TMapWindow& view = UserInterface.MapWindow;
    ASSERT_TRUE(view.HasValidMap());
    W().GrafMouseMove(120, 340, false);
    EXPECT_EQ(W().StatusText(0), " Win:  120  340");
    EXPECT_EQ(W().StatusText(1), " Map:  120.00  340.00");
    double e = 0;
    double n = 0;
    view.Map->Georef.PixelToWorld(120, 340, e, n);
    EXPECT_EQ(FromQt(W().StatusText(2)),
              " Grd:  " + FormatNumber("0 00 000", e) + "E  " + FormatNumber("00 00 000", n) + "N  30T");
    const TGeoCoord geo = TUtmCoord(e, n, 0, "30T").ToGeo(DefaultDatum()->Ellipsoid);
    EXPECT_EQ(FromQt(W().StatusText(3)), " Geo: " + FormatAngle(geo.Lat, 11) + " " + FormatAngle(geo.Lon, 19));
    EXPECT_EQ(W().StatusText(4), " Datum:  WGS 84 (Global)");

    // Over the waypoint table the nearest waypoint's row is selected.
    Select({"CUP", "Geo", "Waypoints"});
    W().GrafMouseMove(405, 190, false);
    EXPECT_EQ(W().TableForWaypoints.Cell(1, W().TableForWaypoints.Selection().Top), "B");
    W().GrafMouseMove(690, 660, false);
    EXPECT_EQ(W().TableForWaypoints.Cell(1, W().TableForWaypoints.Selection().Top), "D");
}

TEST_F(WindowTest, ARightClickPicksTheNearestTrackPoint)
{
    const std::string file = WriteChampionship();
    WriteFileBytes(Dir.File("lastmap"), "M");
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    Start();
    Open(file);
    W().ToolButtonAutoMove->trigger(); // the map stays where it is
    Select(Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"));
    const TTrack* track = FlightOf("1")->Track();
    // A competitor's table shown, the flight still current: the marker moves.
    Select({"CUP", "Teams", "ESP: Spain", "ML: Microlight", "1: Ana"});
    const TScreenPoint b = UserInterface.MapWindow.View.ImageToScreen(400, 200);
    W().GrafMouseDown(Qt::RightButton, b.X, b.Y);
    const TTrackPoint* point = UserInterface.MapWindow.CurrentPoint;
    ASSERT_NE(point, nullptr);
    const int index = static_cast<int>(point - track->Points.data());
    EXPECT_EQ(index, UserInterface.FindNearestPoint(b.X, b.Y));
    EXPECT_GT(index, 0);
}
