// The main window: start-up, file commands, the tree and its commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <filesystem>
#include <set>

#include "WindowFixture.h"
#include "analysis/Flight.h"
#include "model/Championship.h"
#include "ui/GridView.h"
#include "ui/MapWindow.h"
#include "ui/UDefineTaskNumber.h"
#include "ui/USmallDialogs.h"
#include <QLabel>

using namespace uitest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> MenuTexts(const QMenu* menu)
{
    std::vector<std::string> texts;
    for (const QAction* action : menu->actions())
        if (action->isVisible()) texts.push_back(FromQt(action->text()));
    return texts;
}

} // namespace

TEST_F(WindowTest, StartsEmptyOrWithTheCommandLineChampionship)
{
    Start();
    EXPECT_TRUE(W().ToolButtonNewChamp->isEnabled());
    EXPECT_TRUE(W().ToolButtonOpenChamp->isEnabled());
    EXPECT_FALSE(W().ToolButtonSaveChamp->isEnabled());
    EXPECT_FALSE(W().ToolButtonCloseChamp->isEnabled());
    EXPECT_EQ(W().ChampTree.Count(), 0);
    Program.reset();

    Start({QString::fromStdString(WriteChampionship())});
    EXPECT_FALSE(W().ToolButtonOpenChamp->isEnabled());
    EXPECT_FALSE(W().ToolButtonNewChamp->isEnabled());
    EXPECT_TRUE(W().ToolButtonSaveChamp->isEnabled());
    EXPECT_EQ(W().windowTitle(), "Zephyrant - CUP");
    EXPECT_EQ(UserInterface.ActiveTable, &W().TableForChampionship);
    EXPECT_TRUE(W().TableForChampionship.Visible());
    EXPECT_FALSE(W().TableForClass.Visible());
    Program.reset();

    // A file that does not open is reported, named as the file system names
    // it; the window starts empty.
    Start({QString::fromStdString(Dir.File("missing-Día.xch"))});
    const auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].find("Can't open XML file"), std::string::npos);
    EXPECT_NE(prompts[0].find("missing-D\xED" "a.xch"), std::string::npos) << prompts[0];
    EXPECT_EQ(W().ChampTree.Count(), 0);
    EXPECT_TRUE(W().ToolButtonOpenChamp->isEnabled());
}

TEST_F(WindowTest, WheelZoomsOnlyOverTheMapAndTheTimerRedrawsOnce)
{
    Start();
    TMapWindow& view = UserInterface.MapWindow;
    const int paints = view.PaintCount;
    const int redraws = view.RedrawCount;
    // Over the tree: nothing.
    QWheelEvent overTree(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
    QApplication::sendEvent(W().TreeChamp->viewport(), &overTree);
    EXPECT_EQ(view.PaintCount, paints);
    EXPECT_FALSE(W().PaintTimer->isActive());
    // Sideways and part turns: nothing either.
    EXPECT_FALSE(W().MapWheel(0, 10, 10));
    EXPECT_TRUE(W().MapWheel(60, 10, 10));
    EXPECT_EQ(view.PaintCount, paints);

    W().ZoomMore->trigger();
    W().ZoomMore->trigger();
    W().ZoomLess->trigger();
    EXPECT_EQ(view.PaintCount, paints + 3);
    EXPECT_EQ(view.RedrawCount, redraws);
    QTest::qWait(400);
    EXPECT_EQ(view.RedrawCount, redraws + 1);
}

TEST_F(WindowTest, QuitAsksAndUnsavedChangesAreOfferedForSaving)
{
    Start({QString::fromStdString(WriteChampionship())});
    W().show();
    Script->AnswerButton(TButton::No);
    W().close();
    EXPECT_TRUE(W().isVisible());
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"Do you really want to quit?"});

    // A change: Save, Discard or Cancel instead.
    TChampionship* championship = *UserInterface.Championships.begin();
    championship->SetAttribute(acVenue, "Elsewhere");
    EXPECT_TRUE(W().Modified());
    Script->AnswerButton(TButton::Cancel);
    W().close();
    EXPECT_TRUE(W().isVisible());
    const auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].rfind("Save changes to ", 0), 0u);

    Script->AnswerButton(TButton::Save);
    Script->AnswerFile(QString::fromStdString(Dir.File("saved.xch")));
    W().close();
    EXPECT_FALSE(W().isVisible());
    EXPECT_NE(ReadFileBytes(Dir.File("saved.xch")).find("Elsewhere"), std::string::npos);
}

TEST_F(WindowTest, NewAndSaveKeepTimeStampedBackups)
{
    Start();
    W().ToolButtonNewChamp->trigger();
    EXPECT_EQ(W().ChampTree.FirstTopLevel()->Caption(), "New Championship");
    EXPECT_FALSE(W().ToolButtonNewChamp->isEnabled());

    const std::string file = Dir.File("cup.xch");
    Script->AnswerFile(QString::fromStdString(file));
    W().ToolButtonSaveChamp->trigger();
    ASSERT_FALSE(Script->Records.empty());
    EXPECT_EQ(Script->Records.back().Text, "New Championship.xch");
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 1);

    // The old file keeps its text under its own name and time.
    QFile old(QString::fromStdString(file));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    const QDateTime stamp(QDate(2026, 7, 3), QTime(14, 5, 9));
    ASSERT_TRUE(old.setFileTime(stamp, QFileDevice::FileModificationTime));
    old.close();
    const std::string firstText = ReadFileBytes(file);
    Script->AnswerFile(QString::fromStdString(file));
    Script->AnswerButton(TButton::Yes); // changed since it was saved here
    W().ToolButtonSaveChamp->trigger();
    const std::string backup = file + ".20260703140509";
    EXPECT_EQ(ReadFileBytes(backup), firstText);

    // The same time again: the backup name gets ".1"; the first stays.
    QFile again(QString::fromStdString(file));
    ASSERT_TRUE(again.open(QIODevice::ReadWrite));
    ASSERT_TRUE(again.setFileTime(stamp, QFileDevice::FileModificationTime));
    again.close();
    Script->AnswerFile(QString::fromStdString(file));
    Script->AnswerButton(TButton::Yes);
    W().ToolButtonSaveChamp->trigger();
    EXPECT_TRUE(fs::exists(backup));
    EXPECT_TRUE(fs::exists(backup + ".1"));
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(WindowTest, ALastMapThatDoesNotLoadLeavesTheChampionshipOpen)
{
    const std::string file = WriteChampionship();
    WriteFileBytes(Dir.File("lastmap"), "M");
    fs::remove(Dir.File("m.bmp"));
    Start();
    Open(file);
    EXPECT_FALSE(TakePrompts().empty()); // the map's failure, on its own
    EXPECT_TRUE(W().ToolButtonSaveChamp->isEnabled());
    EXPECT_EQ(UserInterface.CurrentMap, nullptr);
    Script->AnswerFile(QString::fromStdString(Dir.File("again.xch")));
    W().ToolButtonSaveChamp->trigger();
    EXPECT_TRUE(fs::exists(Dir.File("again.xch")));
}

TEST_F(WindowTest, LastMapAndLogsAreFoundBesideTheChampionship)
{
    WriteChampionship();
    WriteFileBytes(Dir.File("lastmap"), "M");
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    TempDir elsewhere;
    const fs::path started = fs::current_path();
    fs::current_path(elsewhere.Path());
    // Opened as x/L/../cup.xch, L a link to x itself: the logs beside the file, not in x.
    fs::create_directories(Dir.File("x"));
    fs::create_directory_symlink(".", Dir.File("x/L"));
    WriteFileBytes(Dir.File("x/1T01B.igc"), FlightLog());
    Start();
    Open(Dir.File("x/L/../cup.xch"));
    fs::current_path(started);
    EXPECT_EQ(UserInterface.MapWindow.Map, UserInterface.CurrentMap);
    EXPECT_NE(UserInterface.CurrentMap, nullptr);
    Select({"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", "1: Ana (ESP) >>> TRACK PENDING <<<"});
    ASSERT_NE(UserInterface.CurrentFlight, nullptr);
    EXPECT_EQ(UserInterface.CurrentFlight->GetAttribute(acIgcFileName), "1T01A.igc");
}

TEST_F(WindowTest, EachNodeTypeShowsItsTableCaptionAndMenu)
{
    Start({QString::fromStdString(WriteChampionship())});
    struct TCase {
        std::vector<std::string> Path;
        TStringGrid* Table;
        std::vector<std::string> Menu; // empty: no menu at all
        bool HasMenu;
    };
    const std::vector<TCase> cases = {
        {{"CUP"}, &W().TableForChampionship, {}, false},
        {{"CUP", "Classes", "ML: Microlight"}, &W().TableForClass, {"Delete Class \"ML: Microlight\""}, true},
        {{"CUP", "Teams", "ESP: Spain"}, &W().TableForTeam, {"Delete Team \"ESP: Spain\""}, true},
        {{"CUP", "Teams", "ESP: Spain", "ML: Microlight"},
         nullptr,
         {"New competitor in team \"ESP\" class \"ML\""},
         true},
        {{"CUP", "Task catalogue", "NAV"}, &W().TableForTaskTemplate, {"New task instance", "Delete Task Template \"NAV\""}, true},
        {{"CUP", "Tasks", "ML: Microlight", "01: NAV - 1"}, nullptr, {"View loaded tracks in Google Earth"}, true},
        {{"CUP", "Geo", "Maps", "M"}, &W().TableForMap, {"Load Map \"M\"", "Delete Map \"M\""}, true},
        {{"CUP", "Geo", "Maps", "M", "Reference points"}, &W().TableForGeoref, {}, false},
        {{"CUP", "Geo", "Waypoints"}, &W().TableForWaypoints, {}, false},
        {{"CUP", "Geo"}, nullptr, {}, false},
        {{"CUP", "Classes"}, nullptr, {"New class"}, true},
        {{"CUP", "Geo", "Maps"}, nullptr, {"New map"}, true},
    };
    for (const TCase& c : cases) {
        TStringGrid* shownBefore = UserInterface.ActiveTable;
        const QString captionBefore = W().windowTitle();
        Select(c.Path);
        if (c.Table) {
            EXPECT_EQ(UserInterface.ActiveTable, c.Table) << c.Path.back();
            const std::string expected =
                c.Path.size() == 1 ? "Zephyrant - CUP" : "Zephyrant - CUP - " + c.Path.back();
            EXPECT_EQ(FromQt(W().windowTitle()), expected);
        } else {
            // A folder or a task number leaves table and caption as they were.
            EXPECT_EQ(UserInterface.ActiveTable, shownBefore) << c.Path.back();
            EXPECT_EQ(W().windowTitle(), captionBefore);
        }
        EXPECT_EQ(W().BuildTreeMenu(), c.HasMenu) << c.Path.back();
        if (c.HasMenu) {
            EXPECT_EQ(MenuTexts(W().TreeMenu), c.Menu) << c.Path.back();
        }
    }
}

TEST_F(WindowTest, NewObjectsFromTheTreeAndRefusedDuplicates)
{
    Start({QString::fromStdString(WriteChampionship())});
    Select({"CUP", "Classes"});
    W().TreeMenuNew->trigger();
    EXPECT_TRUE(Item({"CUP", "Classes", "(New class)"}));
    EXPECT_TRUE(Item({"CUP", "Teams", "ESP: Spain", "(New class)"}));
    EXPECT_TRUE(Item({"CUP", "Tasks", "(New class)"}));
    // A second class with the same empty key is refused and gets no item.
    Select({"CUP", "Classes"});
    W().TreeMenuNew->trigger();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"Class \"(New class)\" already exists."});
    int classes = 0;
    for (TTreeItem* i = Item({"CUP", "Classes"})->FirstChild(); i; i = i->NextSibling()) ++classes;
    EXPECT_EQ(classes, 3);

    Select({"CUP", "Teams", "FRA: France", "ML: Microlight"});
    W().TreeMenuNew->trigger();
    EXPECT_TRUE(Item({"CUP", "Teams", "FRA: France", "ML: Microlight", "(new number): (new pilot)"}));
    // The new competitor's flight under the class's task number.
    EXPECT_TRUE(Item({"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", "(new number): (new pilot) (FRA) >>> TRACK PENDING <<<"}));

    Select({"CUP", "Task catalogue", "NAV"});
    Script->AnswerText("Final");
    W().TreeMenuNew->trigger();
    EXPECT_TRUE(Item({"CUP", "Task catalogue", "NAV", "NAV - Final"}));
    Select({"CUP", "Task catalogue", "NAV"});
    Script->AnswerText("1");
    W().TreeMenuNew->trigger();
    EXPECT_EQ(TakePrompts().back(), "Task Instance \"NAV - 1\" already exists.");
    Select({"CUP", "Task catalogue", "NAV"});
    W().TreeMenuNew->trigger(); // the input box cancelled
    EXPECT_FALSE(Item({"CUP", "Task catalogue", "NAV", "NAV - (New task instance)"}));

    // A task number: the dialog's answer, then one flight item per
    // competitor, the class's own flights.
    Select({"CUP", "Tasks", "ML: Microlight"});
    TScriptedSeams::TDialogAnswer answer;
    answer.Ok = true;
    answer.Fields = {{"TaskNumber", "02"}, {"TaskTemplate", "NAV"}, {"Version", "1"}};
    Script->AnswerDialog(answer);
    W().TreeMenuNew->trigger();
    TTreeItem* taskNumber = Item({"CUP", "Tasks", "ML: Microlight", "02: NAV - 1"});
    ASSERT_TRUE(taskNumber);
    TChampionship* championship = *UserInterface.Championships.begin();
    TCClass* ml = championship->FindClass("ML");
    const auto& flights = ml->FlightsOf(ml->TaskNumbers.FindKey("02"));
    ASSERT_EQ(flights.size(), 4u);
    auto flight = flights.begin();
    for (TTreeItem* i = taskNumber->FirstChild(); i; i = i->NextSibling(), ++flight)
        EXPECT_EQ(i->Object(), *flight);
}

TEST_F(WindowTest, DeletingRemovesEveryItemOrRefusesWhatIsInUse)
{
    Start({QString::fromStdString(WriteChampionship())});
    // In use: a class with competitors.
    Select({"CUP", "Classes", "ML: Microlight"});
    W().TreeMenuDelete->trigger();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"Class \"ML: Microlight\" is in use. Can't delete."});

    // An unused class: asked, then gone from Classes, every team and Tasks.
    Select({"CUP", "Classes", "PF: Paramotor"});
    Script->AnswerButton(TButton::Yes);
    W().TreeMenuDelete->trigger();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"Delete Class \"PF: Paramotor\" ?"});
    EXPECT_FALSE(Item({"CUP", "Classes", "PF: Paramotor"}));
    EXPECT_FALSE(Item({"CUP", "Teams", "ESP: Spain", "PF: Paramotor"}));
    EXPECT_FALSE(Item({"CUP", "Tasks", "PF: Paramotor"}));
    TChampionship* championship = *UserInterface.Championships.begin();
    EXPECT_EQ(championship->FindClass("PF"), nullptr);

    // A competitor whose flight is current: the flight and every pointer go.
    WriteFileBytes(Dir.File("3T01A.igc"), FlightLog());
    Select({"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", "3: Jeanne (FRA) >>> TRACK PENDING <<<"});
    ASSERT_NE(UserInterface.CurrentFlight, nullptr);
    Select({"CUP", "Teams", "FRA: France", "ML: Microlight", "3: Jeanne"});
    Script->AnswerButton(TButton::Yes);
    W().TreeMenuDelete->trigger();
    TakePrompts();
    EXPECT_EQ(UserInterface.CurrentFlight, nullptr);
    EXPECT_EQ(UserInterface.MapWindow.CurrentPoint, nullptr);
    EXPECT_FALSE(Item({"CUP", "Teams", "FRA: France", "ML: Microlight", "3: Jeanne"}));
    EXPECT_FALSE(Item({"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", "3: Jeanne (FRA)"}));
    EXPECT_EQ(championship->FindCompetitor("3"), nullptr);

    // A task instance in use by task number 01, and one that is not.
    Select({"CUP", "Task catalogue", "NAV", "NAV - 1"});
    W().TreeMenuDelete->trigger();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"Task Instance \"NAV - 1\" is in use. Can't delete."});
    Select({"CUP", "Task catalogue", "NAV", "NAV - 2"});
    Script->AnswerButton(TButton::Yes);
    W().TreeMenuDelete->trigger();
    EXPECT_FALSE(Item({"CUP", "Task catalogue", "NAV", "NAV - 2"}));
    EXPECT_EQ(championship->FindTaskTemplate("NAV")->Instances.size(), 1u);
}

TEST_F(WindowTest, ARoundTripThroughTheTreeSavesWhatTheCoreWrites)
{
    Start({QString::fromStdString(WriteChampionship())});
    Select({"CUP", "Classes"});
    W().TreeMenuNew->trigger();
    Select({"CUP", "Teams"});
    W().TreeMenuNew->trigger();
    Select({"CUP", "Teams", "(New team)", "ML: Microlight"});
    W().TreeMenuNew->trigger();
    const std::string saved = Dir.File("saved.xch");
    Script->AnswerFile(QString::fromStdString(saved));
    W().ToolButtonSaveChamp->trigger();

    // Loaded and written again by the core alone: the same file.
    const std::string again = Dir.File("again.xch");
    const std::string command = std::string(ZEPH_TOOLS_DIR) + "/champprobe '" + saved + "' '" + again + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string a = ReadFileBytes(saved);
    std::string b = ReadFileBytes(again);
    // Only the program's version differs.
    auto version = [](std::string& text) {
        const auto at = text.find("<Version>");
        text.erase(at, text.find("</Version>") - at);
    };
    version(a);
    version(b);
    EXPECT_EQ(a, b);
    EXPECT_NE(a.find("<Team IsoCountry=\"\">"), std::string::npos);
}

TEST_F(WindowTest, TheProgramsIconIsOnTheWindowTheSplashAndTheAboutBox)
{
    Start();
    const QImage icon = ProgramIcon().pixmap(64, 64).toImage();
    ASSERT_FALSE(icon.isNull());
    // A drawing, not a blank: transparent corners, many colours inside.
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    std::set<QRgb> colours;
    for (int y = 8; y < 56; ++y)
        for (int x = 8; x < 56; ++x) colours.insert(icon.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);

    auto same = [&icon](const QPixmap& shown) { return shown.toImage().convertToFormat(icon.format()) == icon; };
    EXPECT_TRUE(same(W().windowIcon().pixmap(64, 64)));
    EXPECT_TRUE(same(QApplication::windowIcon().pixmap(64, 64)));
    EXPECT_TRUE(same(AboutBox->ProgramIcon->pixmap()));
    // The splash's picture, larger.
    const QImage splash = Splash->Image->pixmap().toImage();
    EXPECT_EQ(splash.size(), QSize(96, 96));
    EXPECT_EQ(qAlpha(splash.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(splash.pixel(48, 30)), 255);
}

TEST_F(WindowTest, TheAboutBoxShowsTheBuildsVersion)
{
    Start();
    Script->AnswerDialog({true, {}});
    W().MenuHelp->actions().at(1)->trigger();
    EXPECT_EQ(AboutBox->Version->text(), "Version 9.8.7");
    // A version text the files would misread is never shown.
    (*Hooks)->VersionText = [] { return std::string("0.4"); };
    AboutBox->Prepare();
    EXPECT_EQ(AboutBox->Version->text(), "Version Unknown");
}
