// The window's own files: "lastmap", the championship saved with its backup,
// the name Save proposes, the unsaved-changes check, and map bitmaps that are
// not what they claim.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>

#include "FifoWatch.h"
#include "WindowFixture.h"
#include "model/Championship.h"
#include "model/Map.h"
#include "ui/MapWindow.h"

using namespace uitest;
namespace fs = std::filesystem;

TEST_F(WindowTest, LastMapIsReplacedNeverFollowedAndNamesAMapOfTheFileAsSaved)
{
    const std::string file = WriteChampionship();
    const std::string lastMap = Dir.File("lastmap");
    WriteFileBytes(Dir.File("victim"), "precious");
    fs::create_symlink("victim", lastMap);
    Start();
    Open(file);
    EXPECT_EQ(UserInterface.MapWindow.Map, nullptr);

    Select({"CUP", "Geo", "Maps", "M"});
    W().Loadmap1Click();
    ASSERT_NE(UserInterface.MapWindow.Map, nullptr);
    EXPECT_EQ(ReadFileBytes(Dir.File("victim")), "precious");
    EXPECT_FALSE(fs::is_symlink(lastMap));
    EXPECT_EQ(ReadFileBytes(lastMap), "M");

    // Renamed through the map information dialog (its table is read-only),
    // then the program quits: the next Open loads the map the file holds.
    for (const TButton answer : {TButton::Discard, TButton::Save}) {
        Select({"CUP", "Geo", "Maps", "M"});
        W().show();
        Script->AnswerDialog({true, {{"ShortName", "MY"}}});
        W().Editmapinformation1Click();
        W().Loadmap1Click(); // loaded again under its new name, not saved yet
        EXPECT_EQ(ReadFileBytes(lastMap), "M");
        Script->AnswerButton(answer);
        if (answer == TButton::Save) Script->AnswerFile(QString::fromStdString(file));
        W().close();
        Program.reset();
        Start();
        Open(file);
        ASSERT_NE(UserInterface.MapWindow.Map, nullptr);
        EXPECT_EQ(UserInterface.MapWindow.Map->GetAttribute(acShortName), answer == TButton::Save ? "MY" : "M");
    }
}

TEST_F(WindowTest, ALastMapThatIsAFifoHoldsNothingUp)
{
    const std::string file = WriteChampionship();
    TFifoWatch watch(Dir.File("lastmap"));
    ASSERT_TRUE(watch.Made());
    // At the start, with the file on the command line, and by Open.
    Start({QString::fromStdString(file)});
    EXPECT_EQ(UserInterface.MapWindow.Map, nullptr);
    EXPECT_TRUE(W().ToolButtonSaveChamp->isEnabled());
    EXPECT_TRUE(TakePrompts().empty());
    Program.reset();
    Start();
    Open(file);
    EXPECT_EQ(UserInterface.MapWindow.Map, nullptr);
    EXPECT_TRUE(W().ToolButtonSaveChamp->isEnabled());
    EXPECT_FALSE(watch.Released()) << "lastmap was opened as a FIFO";
}

TEST_F(WindowTest, SaveProposesTheFileTheQuitQuestionNames)
{
    // The short name is "CUP"; the folder holds it as "cup.xch".
    const std::string file = WriteChampionship("cup.xch");
    Start({QString::fromStdString(file)});
    W().show();
    (*UserInterface.Championships.begin())->SetAttribute(acVenue, "Elsewhere");
    Script->AnswerButton(TButton::Cancel);
    W().close();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"Save changes to " + file + "?"});

    Script->AnswerButton(TButton::Save);
    Script->AnswerFile(QString::fromStdString(file)); // Enter on the proposal
    W().close();
    EXPECT_EQ(TakePrompts(), (std::vector<std::string>{"Save changes to " + file + "?", "cup.xch"}));
    EXPECT_FALSE(W().isVisible());
    EXPECT_NE(ReadFileBytes(file).find("Elsewhere"), std::string::npos);
    EXPECT_FALSE(fs::exists(Dir.File("CUP.xch")));

    // The name as it is wins over one that differs in case.
    WriteFileBytes(Dir.File("CUP.xch"), "");
    W().ToolButtonSaveChamp->trigger();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"CUP.xch"});
}

TEST_F(WindowTest, SaveWritesTheNewTextFirstAndLeavesTheFileWholeOnAnyFailure)
{
    const std::string file = WriteChampionship();
    const std::string old = ReadFileBytes(file);
    Start({QString::fromStdString(file)});
    (*UserInterface.Championships.begin())->SetAttribute(acVenue, "Elsewhere");
    auto files = [this] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Dir.Path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = files();

    // A full disk: files may grow to 100 bytes only.
    {
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{100, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        Script->AnswerFile(QString::fromStdString(file));
        W().ToolButtonSaveChamp->trigger();
        ::setrlimit(RLIMIT_FSIZE, &saved);
    }
    std::vector<std::string> prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[1], "<Can't write XML file> in <>. Details: <" + file + ">\nNothing was saved: " + file +
                              " is as it was.");
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_EQ(files(), before);

    // A value the file could not give back is refused before anything is
    // written, with the node and the attribute named.
    TChampionship* championship = *UserInterface.Championships.begin();
    championship->SetAttribute(acVenue, "Else\x01where");
    Script->AnswerFile(QString::fromStdString(file));
    W().ToolButtonSaveChamp->trigger();
    prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_NE(prompts[1].find("<Control character in a text>"), std::string::npos) << prompts[1];
    EXPECT_NE(prompts[1].find("Venue"), std::string::npos) << prompts[1];
    EXPECT_NE(prompts[1].find("Nothing was saved: " + file + " is as it was."), std::string::npos) << prompts[1];
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_EQ(files(), before);
    championship->SetAttribute(acVenue, "Elsewhere");

    // A read-only file is refused as it is, not replaced by a writable one.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Script->AnswerFile(QString::fromStdString(file));
    Script->AnswerButton(TButton::Yes);
    W().ToolButtonSaveChamp->trigger();
    prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 3u);
    EXPECT_EQ(prompts[2].substr(0, 42), "<Can't open XML file for output> in <>. De");
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_EQ(files(), before);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    // Through two links: the file at the end gets the text and the backup,
    // the links stay links; a hard link too, its backup a copy open as it was.
    fs::create_directory(Dir.File("real"));
    const std::string real = Dir.File("real/demo.xch");
    WriteFileBytes(real, old);
    ::chmod(real.c_str(), 0600);
    fs::create_hard_link(real, Dir.File("hard.xch"));
    fs::create_symlink("real/demo.xch", Dir.File("l2.xch"));
    fs::create_symlink("l2.xch", Dir.File("l1.xch"));
    const int writes = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(writes, Dir.File("real").c_str(), IN_MODIFY);
    Script->AnswerFile(QString::fromStdString(Dir.File("l1.xch")));
    W().ToolButtonSaveChamp->trigger();
    EXPECT_EQ(TakePrompts().size(), 1u); // the chooser alone
    EXPECT_TRUE(fs::is_symlink(Dir.File("l1.xch")));
    EXPECT_TRUE(fs::is_symlink(Dir.File("l2.xch")));
    EXPECT_NE(ReadFileBytes(real).find("Elsewhere"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(Dir.File("hard.xch")), ReadFileBytes(real));
    std::vector<std::string> kept;
    for (const auto& e : fs::directory_iterator(Dir.File("real"))) kept.push_back(e.path().filename().string());
    ASSERT_EQ(kept.size(), 2u) << "no backup, or a temporary left";
    const std::string backup = kept[0] == "demo.xch" ? kept[1] : kept[0];
    EXPECT_EQ(backup.size(), std::string("demo.xch.").size() + 14) << backup;
    EXPECT_EQ(ReadFileBytes(Dir.File("real/" + backup)), old);
    // The copy is written under another name: one killed half way never passes for the backup.
    alignas(inotify_event) char events[1 << 16];
    const ssize_t got = ::read(writes, events, sizeof events);
    for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        EXPECT_NE(event->name, backup);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    ::close(writes);
    EXPECT_EQ(fs::status(Dir.File("real/" + backup)).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(WindowTest, AFolderThatTakesNoNewFileIsSavedIntoTheFileItselfWhenTheUserAgrees)
{
    // The folder may not be written, the file may (for root too).
    fs::create_directory(Dir.File("ro"));
    const std::string file = Dir.File("ro/cup.xch");
    const std::string old = ChampionshipText() + std::string(4096, '\n'); // longer than saved
    WriteFileBytes(file, old);
    ::chmod(file.c_str(), 0666);
    ::chmod(Dir.File("ro").c_str(), 0555);
    Start({QString::fromStdString(file)});
    const std::string question = "Can't create a file in the folder " + Dir.File("ro") + ", so " + file +
                                 " can't be replaced safely and no copy of it can be kept. Write the new text into " +
                                 file + " itself, without a backup?";
    // No; Yes with a file-size limit, the new text longer than the old (no
    // room for it) or shorter (1000 bytes written, the old ones put back, the
    // rest of the old beyond the limit: whole again, and said so); Yes.
    struct TCase { rlim_t Limit; TButton Answer; std::size_t Venue; const char* Last; };
    for (const TCase& c : {TCase{RLIM_INFINITY, TButton::No, 9, question.c_str()},
                           TCase{100, TButton::Yes, 9000, "\nNothing was saved: "},
                           TCase{1000, TButton::Yes, 9, " is as it was."},
                           TCase{RLIM_INFINITY, TButton::Yes, 9, question.c_str()}}) {
        (*UserInterface.Championships.begin())->SetAttribute(acVenue, std::string(c.Venue, 'e'));
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{c.Limit, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Script->AnswerFile(QString::fromStdString(file));
        Script->AnswerButton(c.Answer);
        W().ToolButtonSaveChamp->trigger();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        const std::vector<std::string> prompts = TakePrompts();
        ASSERT_GE(prompts.size(), 2u);
        EXPECT_EQ(prompts[1], question);
        EXPECT_NE(prompts.back().find(c.Last), std::string::npos) << prompts.back();
        const bool written = c.Answer == TButton::Yes && c.Limit == RLIM_INFINITY;
        EXPECT_EQ(ReadFileBytes(file) == old, !written);
        EXPECT_EQ(W().Modified(), !written);
        EXPECT_EQ(std::distance(fs::directory_iterator(Dir.File("ro")), fs::directory_iterator()), 1);
    }
    ::chmod(Dir.File("ro").c_str(), 0755);
}

TEST_F(WindowTest, TheUnsavedChangesCheckNeedsNoFile)
{
    // Another user made the old snapshot's name a folder in the shared
    // temporary folder.
    TempDir temp;
    fs::create_directory(temp.File("zephyrant-snapshot.xch"));
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(temp.Path().string()));
    const std::string file = WriteChampionship();
    Start({QString::fromStdString(file)});
    W().show();
    EXPECT_TRUE(TakePrompts().empty());
    EXPECT_FALSE(W().Modified());
    Script->AnswerButton(TButton::No);
    W().close();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"Do you really want to quit?"});
    (*UserInterface.Championships.begin())->SetAttribute(acVenue, "Elsewhere");
    EXPECT_TRUE(W().Modified());
    Script->AnswerFile(QString::fromStdString(file));
    W().ToolButtonSaveChamp->trigger();
    EXPECT_EQ(TakePrompts().size(), 1u); // the chooser alone
    EXPECT_FALSE(W().Modified());
    if (oldTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTemp);
}

TEST_F(WindowTest, AMapBitmapThatIsAFifoHoldsNothingUp)
{
    const std::string file = WriteChampionship();
    const std::string fifo = Dir.File("fifo.bmp");
    TFifoWatch watch(fifo);
    ASSERT_TRUE(watch.Made());
    Start({QString::fromStdString(file)});
    const std::string refusal = "<Can't load map bitmap> in <>. Details: <" + fifo + ">";

    Select({"CUP", "Geo", "Maps"});
    Script->AnswerDialog({true,
                          {{"ShortName", "F"},
                           {"FileName", "fifo.bmp"},
                           {"DatumName", "WGS 84"},
                           {"DatumRegion", "Global"},
                           {"Projection", "UTM"}}});
    W().TreeMenuNew->trigger();
    std::vector<std::string> prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[1], refusal);

    Select({"CUP", "Geo", "Maps", "F"});
    W().findChild<QAction*>(QStringLiteral("Loadmap1"))->trigger();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{refusal});
    EXPECT_EQ(UserInterface.MapWindow.Map, nullptr);
    EXPECT_FALSE(watch.Released()) << "the bitmap was opened as a FIFO";
}

// A file whose reading stopped at a NUL byte holds more than was loaded:
// Save asks before it replaces that file, also through a link; No leaves it
// as it was, Yes writes, and then the question is not asked again.
TEST_F(WindowTest, SaveAsksBeforeItReplacesAFileThatHoldsMoreThanWasLoaded)
{
    std::string damaged = ChampionshipText();
    const std::size_t at = damaged.find("\t<Teams>");
    damaged.insert(at, std::string(4096, '\0'));
    const std::string file = Dir.File("cup.xch"), link = Dir.File("link.xch");
    WriteFileBytes(file, damaged);
    fs::create_symlink("cup.xch", link);
    const auto line = std::count(damaged.begin(), damaged.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1;
    const std::string where = "NUL byte at line " + std::to_string(line) + " (byte offset " + std::to_string(at) + ")";
    Start({QString::fromStdString(file)});
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"The file " + file + " holds a " + where +
                                                      "; what follows it was not loaded."});
    for (const TButton answer : {TButton::No, TButton::Yes}) {
        Script->AnswerFile(QString::fromStdString(link));
        Script->AnswerButton(answer);
        W().ToolButtonSaveChamp->trigger();
        EXPECT_EQ(TakePrompts().back(), link + " holds more than was loaded from it: what follows its " + where +
                                            " was not loaded, and saving replaces the whole file. Save all the same?");
        EXPECT_EQ(ReadFileBytes(file) == damaged, answer == TButton::No);
        // No: nothing beside it either. Yes: the backup beside it.
        EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), {}), answer == TButton::No ? 2 : 3);
    }
    Script->AnswerFile(QString::fromStdString(file));
    W().ToolButtonSaveChamp->trigger();
    EXPECT_EQ(TakePrompts().size(), 1u); // the chooser alone
}

// Another organiser's save since the file was read here (renamed over it, written into it keeping its size and time,
// again while asked) is not replaced unasked, also through a link: No keeps their text and the changes made here.
TEST_F(WindowTest, SaveAsksBeforeItReplacesWhatAnotherSaveWroteSinceTheFileWasRead)
{
    const std::string file = WriteChampionship(), link = Dir.File("link.xch");
    const std::string question = link + " was changed since it was opened here, by another program or another "
                                        "organiser's save. Saving replaces what it holds now. Save all the same?";
    fs::create_symlink(file, link);
    Start({QString::fromStdString(file)});
    (*UserInterface.Championships.begin())->SetAttribute(acVenue, "Elsewhere");
    for (const char how : {'R', 'W', 'T', 'A'}) { // Renamed over, Written into, its Time kept, Again in the box
        const TButton answer = how == 'R' ? TButton::No : TButton::Yes;
        std::string theirs = ReadFileBytes(file);
        theirs.back() ^= '\n' ^ ' '; // the same size
        const auto written = fs::last_write_time(file);
        WriteFileBytes(how == 'R' ? file + ".new" : file, theirs);
        if (how == 'R') fs::rename(file + ".new", file);
        if (how == 'T') fs::last_write_time(file, written);
        Script->OnPrompt = [&, again = how == 'A'](const TScriptedSeams::TRecord& record) mutable {
            if (again && FromQt(record.Text) == question) again = false, WriteFileBytes(file, theirs + "\n");
        };
        Script->AnswerFile(QString::fromStdString(link));
        for (int n = how == 'A' ? 2 : 1; n > 0; --n) Script->AnswerButton(answer);
        W().ToolButtonSaveChamp->trigger();
        const std::vector<std::string> prompts = TakePrompts();
        EXPECT_EQ(std::count(prompts.begin(), prompts.end(), question), how == 'A' ? 2 : 1) << how;
        EXPECT_EQ(ReadFileBytes(file) == theirs, answer == TButton::No);
        EXPECT_EQ(W().Modified(), answer == TButton::No);
    }
    for (const std::string& own : {file, link}) { // the program's own saves ask nothing
        Script->AnswerFile(QString::fromStdString(own));
        W().ToolButtonSaveChamp->trigger();
        EXPECT_EQ(TakePrompts().size(), 1u); // the chooser alone
    }
}
