// What the organiser enters is stored only as the championship file gives it
// back, or refused naming the field as its label reads; files chosen in other
// folders are named relative to the championship's folder.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <functional>

#include "WindowFixture.h"
#include "analysis/Flight.h"
#include "model/Championship.h"
#include "model/Class.h"
#include "ui/UDefineGeoref.h"
#include "ui/UDefineMap.h"
#include "ui/UDefineTaskInstance.h"
#include "ui/UDefineWayPoint.h"
#include "xml/Xmlfile.h"

using namespace uitest;
namespace fs = std::filesystem;

namespace {

TChampionship* Championship()
{
    return *UserInterface.Championships.begin();
}

std::string Written()
{
    TXmlOutput out;
    Championship()->WriteXml(out);
    return out.Text();
}

const std::vector<std::string> Ana = {"CUP", "Tasks", "ML: Microlight", "01: NAV - 1",
                                      "1: Ana (ESP) >>> TRACK PENDING <<<"};

} // namespace

TEST_F(WindowTest, EveryPathRefusesWhatTheFileCannotGiveBackNamingTheLabel)
{
    WriteFileBytes(Dir.File("lastmap"), "M");
    Start({QString::fromStdString(WriteChampionship())});
    auto in = [this](const std::string& name) { return QString::fromStdString(Dir.File(name)); };
    // The text, how a message shows what is refused, and how the import does.
    const QString inputs[][3] = {{"Łukasz", "\"Ł\" (U+0141)", ""},
                                 {"Dvořák", "\"ř\" (U+0159)", ""},
                                 {"Ace 😀", "\"😀\" (U+1F600)", ""},
                                 {"X\tY", "a TAB", "0x09"},
                                 {"X  Y", "two blanks in a row", ""}, // joined by reading: file names only
                                 {"A\x01", "control character (code 1)", "0x01"}};
    int n = 0;
    auto dialog = [&](const char* field, const QString& text, void (TZephyrant::*command)()) {
        Script->AnswerDialog({true, {{"Code", QStringLiteral("N%1").arg(++n)}, {field, text}}});
        (W().*command)();
    };
    auto import = [&](const QString& line) {
        WriteFileBytes(Dir.File("in.wpt"), "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\n\r\n\r\n1," +
                                               line.toUtf8().toStdString() + "\r\n");
        Script->AnswerFile(in("in.wpt"));
        Script->AnswerButton(TButton::Ignore);
        W().ImportWaypointsClick();
    };
    auto typed = [&](int row, const QString& text) {
        if (!UserInterface.EditMode) W().TableDblClick();
        W().TableForDescriptionSetEditText(1, row, text);
    };
    using TText = const QString&;
    const std::vector<std::string> waypoints = {"CUP", "Geo", "Waypoints"}, map = {"CUP", "Geo", "Maps", "M"};
    const std::tuple<std::vector<std::string>, QString, std::function<void(TText)>> paths[] = {
        {{"CUP", "Teams", "ESP: Spain"}, "ISO Country", [&](TText t) { typed(5, t); }},
        {{"CUP", "Teams", "FRA: France", "ML: Microlight", "3: Jeanne"}, "Pilot", [&](TText t) { typed(2, t); }},
        {map, "Short Name", [&](TText t) { dialog("ShortName", t, &TZephyrant::Editmapinformation1Click); }},
        {waypoints, "Code", [&](TText t) { dialog("Code", t, &TZephyrant::NewWaypointClick); }},
        {waypoints, "Description", [&](TText t) { dialog("Description", t, &TZephyrant::NewWaypointClick); }},
        {{"CUP", "Task catalogue", "NAV", "NAV - 2"}, "Version name",
         [&](TText t) { Script->AnswerText(t), W().ChangeTaskInstanceNameClick(); }},
        {waypoints, "waypoint code", [&](TText t) { import(t + ",40,-4"); }},
        {waypoints, "waypoint description", [&](TText t) { import(QString("I%1,40,-4,,,,,,,").arg(++n) + t); }},
        {map, "File", [&](TText t) {
             Script->AnswerDialog({true, {{"SelectFile", "click"}}});
             Script->AnswerFile(in("maps/") + t + ".bmp");
             W().Editmapinformation1Click();
         }},
        {Ana, "IGC File", [&](TText t) {
             Script->AnswerDialog({true, {{"Choice", "2"}}});
             Script->AnswerFile(in("logs/1T01") + t + ".igc");
             W().TreeMenuNewClick();
         }},
        {{"CUP"}, "IGC File", [&](TText t) { // the one log the search finds
             WriteFileBytes((in("1T01") + t + ".igc").toUtf8().toStdString(), FlightLog());
             Select(Ana);
             Select({"CUP"});
             QFile::remove(in("1T01") + t + ".igc");
         }},
    };
    // "X<TAB>Y" beside "X Y" would come back as a second "X Y": the file
    // would not open again.
    Select(waypoints);
    dialog("Code", "X Y", &TZephyrant::NewWaypointClick);
    for (const auto& [node, label, enter] : paths) {
        Select(node);
        for (const auto& [text, shown, imported] : inputs) {
            if (text.contains("  ") && !label.endsWith("File")) continue;
            SCOPED_TRACE((label + ": " + text).toStdString());
            const std::string before = Written();
            Script->Clear();
            enter(text);
            const QString& needle = label.startsWith(u'w') && !imported.isEmpty() ? imported : shown;
            int warned = 0;
            for (const auto& record : Script->Records)
                warned += record.Text.contains(label) && record.Text.contains(needle);
            EXPECT_EQ(warned, 1);
            EXPECT_TRUE(Written() == before);
        }
        if (UserInterface.EditMode) W().TableDblClick();
    }
    Championship()->Save(Dir.File("saved.xch"));
    EXPECT_NO_THROW(TChampionship{Dir.File("saved.xch")});
}

TEST_F(WindowTest, MessagesNameEveryFieldAsItsLabelReadsOnScreen)
{
    Start({QString::fromStdString(WriteChampionship())});
    DefineTaskInstance->TaskInstance = Championship()->FindTaskTemplate("NAV")->FindInstance("1");
    DefineTaskInstance->Prepare();
    for (TDialogForm* dialog : std::vector<TDialogForm*>{DefineMap, DefineWayPoint, DefineGeoref, DefineTaskInstance}) {
        dialog->show();
        auto* tabs = dialog->findChild<QTabWidget*>();
        for (int tab = 0; tab < (tabs ? tabs->count() : 1); ++tab) {
            if (tabs) tabs->setCurrentIndex(tab);
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
                if (!edit->isVisible() || edit->isReadOnly()) continue;
                QString label = "(none)";
                for (const QLabel* shown : dialog->findChildren<QLabel*>())
                    if (shown->buddy() == edit && shown->isVisible()) label = shown->text();
                const QString kept = edit->text();
                for (const QString& text : {QStringLiteral("A\x01"), QStringLiteral("-5")}) {
                    Script->Clear();
                    edit->setText(text); // a mask takes neither; a number field springs back
                    EXPECT_TRUE(!dialog->CheckFields() || edit->text() != "A\x01") << edit->objectName().toStdString();
                    for (const auto& record : Script->Records)
                        EXPECT_TRUE(record.Text.startsWith(label + ' ')) << record.Text.toStdString();
                    edit->setText(kept);
                }
            }
        }
        dialog->hide();
    }
}

TEST_F(WindowTest, FilesChosenInOtherFoldersAreNamedFromTheChampionshipsFolder)
{
    for (const char* folder : {"day1/logs", "day1/maps", "day2"})
        std::filesystem::create_directories(Dir.File(folder));
    const QString file = QString::fromStdString(WriteChampionship("day1/cup.xch"));
    WriteMapBitmap(Dir.File("day1/maps/overview.bmp"));
    const std::pair<std::string, std::string> logs[] = {
        {"1: Ana (ESP)", "logs/ZG.igc"}, {"2: Pedro (ESP)", "../day2/ZG.igc"}, {"3: Jeanne (FRA)", "3.igc"}};
    Start({file});
    for (const auto& [flight, log] : logs) {
        WriteFileBytes(Dir.File("day1/" + log), FlightLog());
        Select({"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", flight + " >>> TRACK PENDING <<<"});
        Script->AnswerDialog({true, {{"Choice", "2"}}});
        Script->AnswerFile(QString::fromStdString(std::filesystem::path(Dir.File("day1/" + log)).lexically_normal()));
        W().TreeMenuNewClick();
    }
    Select({"CUP", "Geo", "Maps", "M"});
    Script->AnswerDialog({true, {{"SelectFile", "click"}}});
    Script->AnswerFile(QString::fromStdString(Dir.File("day1/maps/overview.bmp")));
    W().Editmapinformation1Click();
    W().Loadmap1Click();
    EXPECT_TRUE(UserInterface.MapWindow.HasValidMap());
    Championship()->Save(file.toStdString());

    Program.reset(); // opened again: every log is where its flight says
    Script->Clear();
    Start({file});
    EXPECT_EQ(Championship()->FindMap("M")->GetAttribute(acMapFile), "maps/overview.bmp");
    TCClass* cls = Championship()->FindClass("ML");
    for (const auto& [flight, log] : logs) {
        Select({"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", flight});
        const TFlight* read = cls->FlightsOf(cls->TaskNumbers.FindKey("01")).FindKey(flight.substr(0, 1));
        EXPECT_EQ(read->GetAttribute(acIgcFileName), log);
        EXPECT_NE(read->Track(), nullptr) << log;
    }
    EXPECT_TRUE(Script->Records.empty()) << Script->Records.front().Text.toStdString();

    // Saved elsewhere, every flight loads its log, in the same session and opened from there; the map loads.
    // Opened through a link whose real folder has another parent (the kernel takes ".." from there); saved
    // while the logs are not there, beside another log of their name; a colon in the file's name; through a
    // link to the file; to a ".." after a linked folder and onto a link to the file, opened again as Reopen.
    fs::create_directories(Dir.File("links"));
    fs::create_directory_symlink("../day1", Dir.File("links/d1"));
    fs::create_directories(Dir.File("other/logs"));
    WriteFileBytes(Dir.File("other/logs/ZG.igc"), "another competitor's log");
    fs::create_directories(Dir.File("desk/in"));
    fs::create_symlink("../day1/cup.xch", Dir.File("desk/cup.xch"));
    fs::create_symlink("../../day1/cup.xch", Dir.File("desk/in/cup.xch"));
    struct TCase { const char* From; const char* To; bool LogsAway; const char* Reopen = nullptr; };
    for (const TCase& c : {TCase{"links/d1/cup.xch", "other/cup.xch", false}, {"day1/cup.xch", "other/cup.xch", true},
                           {"other/cup.xch", "day1/sub/cup.xch", false}, {"day1/sub/cup.xch", "day1/Day 1: cup.xch", false},
                           {"desk/cup.xch", "other/desk.xch", false}, {"day1/cup.xch", "links/d1/../top.xch", false, "top.xch"},
                           {"day1/cup.xch", "desk/in/cup.xch", false, "day1/cup.xch"}}) {
        Program.reset();
        Start({QString::fromStdString(Dir.File(c.From))});
        fs::create_directories(fs::path(Dir.File(c.To)).parent_path());
        if (c.LogsAway) fs::rename(Dir.File("day1/logs"), Dir.File("day1/away"));
        Script->AnswerFile(QString::fromStdString(Dir.File(c.To)));
        W().MenuSaveChampClick();
        if (c.LogsAway) fs::rename(Dir.File("day1/away"), Dir.File("day1/logs"));
        for (const bool opened : {false, true}) {
            if (opened) Program.reset(), Start({QString::fromStdString(Dir.File(c.Reopen ? c.Reopen : c.To))});
            EXPECT_TRUE(!opened || UserInterface.MapWindow.HasValidMap()) << c.To;
            for (const auto& [flight, log] : logs) {
                Select({"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", flight});
                EXPECT_NE(UserInterface.CurrentFlight, nullptr) << c.From << " to " << c.To << ": " << log;
            }
        }
    }
    // A log that would be named "DNF" from there (did not fly) saves nothing.
    cls = Championship()->FindClass("ML");
    TFlight* ana = cls->FlightsOf(cls->TaskNumbers.FindKey("01")).FindKey("1");
    ana->SetAttribute(acIgcFileName, "sub/DNF");
    Script->AnswerFile(QString::fromStdString(Dir.File("day1/sub/dnf.xch")));
    W().MenuSaveChampClick();
    EXPECT_TRUE(Script->Records.back().Text.contains("IGC File \"DNF\" would mean that the competitor did not fly."));
    EXPECT_FALSE(fs::exists(Dir.File("day1/sub/dnf.xch")));
    EXPECT_EQ(ana->GetAttribute(acIgcFileName), "sub/DNF");
}

// A file chosen anywhere is named so that reading finds it again, also once
// its championship, opened or new, is saved elsewhere (day3 leads to
// season/day3, whose real folder the kernel takes ".." from) or fails to be.
TEST_F(WindowTest, TheNameOfAChosenFileLeadsReadingBackToIt)
{
    for (const char* folder : {"day1", "day2/logs", "season/day3"}) std::filesystem::create_directories(Dir.File(folder));
    std::filesystem::create_directory_symlink(Dir.File("season/day3"), Dir.File("day3"));
    const std::string chosen = Dir.File("day2/logs/ZG.igc");
    WriteFileBytes(chosen, "chosen");
    for (const bool opened : {true, false}) {
        Program.reset();
        Script->Clear();
        if (opened) Start({QString::fromStdString(WriteChampionship("day1/cup.xch"))});
        else Start(), W().MenuNewChampClick(), Championship()->AddMap(new TMap);
        TMap* map = *Championship()->Maps.begin();
        map->SetAttribute(acMapFile, FileNameFromQt(RelativeFileName(ChampionshipFolder(Championship()),
                                                                     QString::fromStdString(chosen))));
        for (const char* saved : {"", "missing/deeper/x.xch", "day3/again.xch"}) {
            SCOPED_TRACE(std::string(opened ? "opened " : "new ") + saved);
            if (*saved) {
                Script->AnswerFile(QString::fromStdString(Dir.File(saved)));
                W().MenuSaveChampClick();
            }
            EXPECT_EQ(ReadFileBytes(Championship()->FileSystemPath(map->GetAttribute(acMapFile))), "chosen");
        }
    }
}
