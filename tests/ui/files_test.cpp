// The window's own files: "lastmap", the championship saved with its backup,
// the name Save proposes, the unsaved-changes check, and map bitmaps that are
// not what they claim.
#include <gtest/gtest.h>

#include <filesystem>

#include "FifoWatch.h"
#include "WindowFixture.h"
#include "model/Championship.h"
#include "model/Map.h"
#include "ui/MapWindow.h"

using namespace uitest;
namespace fs = std::filesystem;

TEST_F(WindowTest, LastMapIsReplacedNeverFollowedAndFollowsARename)
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

    // Renamed through the map information dialog (its table is read-only).
    Script->AnswerDialog({true, {{"ShortName", "MY"}}});
    W().Editmapinformation1Click();
    EXPECT_EQ(ReadFileBytes(lastMap), "MY");

    Script->AnswerFile(QString::fromStdString(file));
    W().ToolButtonSaveChamp->trigger();
    Program.reset();
    Start();
    Open(file);
    ASSERT_NE(UserInterface.MapWindow.Map, nullptr);
    EXPECT_EQ(UserInterface.MapWindow.Map->GetAttribute(acShortName), "MY");
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
