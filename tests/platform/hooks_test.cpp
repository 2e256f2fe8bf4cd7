#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/Hooks.h"

TEST(Hooks, DefaultsNeedNoWindowAndRefuseWhatIsAsked)
{
    THooks empty;
    TScopedHooks scoped(empty);
    Platform::ActivateTable(nullptr, nullptr);
    testing::internal::CaptureStderr();
    Platform::ShowMessage("Duplicate waypoint code");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Duplicate waypoint code\n");
    EXPECT_FALSE(Platform::AskYesNo("Do you really want to quit?"));
    EXPECT_EQ(Platform::AskCancelIgnore("Error importing waypoint no 3"), drCancel);
    EXPECT_FALSE(Platform::OpenWithDesktop("/tmp/task.kmz"));
}

TEST(Hooks, VersionTextComesFromTheBuildAndIsNeverZeroPointFour)
{
    THooks empty;
    TScopedHooks scoped(empty);
    // The build's own version, as CMake's project version gives it.
    EXPECT_THAT(Platform::VersionText(), testing::MatchesRegex("[0-9]+\\.[0-9]+(\\.[0-9]+)*"));
    EXPECT_NE(Platform::VersionText(), "0.4");
    scoped->VersionText = [] { return std::string("0.4"); };
    EXPECT_EQ(Platform::VersionText(), "Unknown");
    scoped->VersionText = [] { return std::string(); };
    EXPECT_EQ(Platform::VersionText(), "Unknown");
    scoped->VersionText = [] { return std::string("0.4.1"); };
    EXPECT_EQ(Platform::VersionText(), "0.4.1");
}

TEST(Hooks, FoldersOfTheProgramAndOfTheWork)
{
    THooks empty;
    TScopedHooks scoped(empty);
    // The tests run from build/bin's parent with the program in build/bin.
    std::string program = Platform::ProgramFolder();
    EXPECT_TRUE(std::filesystem::exists(program + "/test_platform")) << program;
    EXPECT_NE(program.back(), '/');
    EXPECT_EQ(std::filesystem::path(Platform::WorkingFolder()), std::filesystem::current_path());

    scoped->ProgramFolder = [] { return std::string("/opt/zephyrant/"); };
    scoped->WorkingFolder = [] { return std::string("/home/judge/champ"); };
    EXPECT_EQ(Platform::ProgramFolder(), "/opt/zephyrant");
    EXPECT_EQ(Platform::WorkingFolder(), "/home/judge/champ");
}

TEST(Hooks, ScopedReplacementIsUndoneAtTheEndOfTheScope)
{
    int activations = 0;
    {
        TScopedHooks outer;
        outer->ActivateTable = [&](TStringGrid*, TNodeDescription*) { ++activations; };
        outer->AskYesNo = [](const std::string&) { return true; };
        {
            TScopedHooks inner; // starts from the outer replacement
            EXPECT_TRUE(Platform::AskYesNo("Delete ?"));
            inner->AskYesNo = [](const std::string&) { return false; };
            EXPECT_FALSE(Platform::AskYesNo("Delete ?"));
            Platform::ActivateTable(nullptr, nullptr);
        }
        EXPECT_TRUE(Platform::AskYesNo("Delete ?"));
        Platform::ActivateTable(nullptr, nullptr);
    }
    EXPECT_EQ(activations, 2);
    EXPECT_FALSE(Hooks().ActivateTable);
    EXPECT_FALSE(Hooks().AskYesNo);
}
