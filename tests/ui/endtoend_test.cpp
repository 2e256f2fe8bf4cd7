// A day's work through the real windows: on the demonstration championship a
// task instance is built with the dialog's own buttons, a task number made
// with it, a flight selected and analysed, the championship saved; the
// events agree with the core's probe on the saved file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "WindowFixture.h"
#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "ui/UDefineTaskInstance.h"

using namespace uitest;
namespace fs = std::filesystem;

TEST_F(WindowTest, ATaskBuiltInTheDialogIsFlownAndSaved)
{
    const std::string demo = Dir.File("demo");
    const std::string made = CommandOutput("python3 '" ZEPH_SOURCE_DIR "/scripts/make_demo.py' '" + demo + "'");
    if (made.empty()) GTEST_SKIP() << "python3 could not make the demonstration championship";
    fs::copy_file(demo + "/1T01A.igc", demo + "/1T02A.igc");
    Start();
    Open(demo + "/demo.xch");

    Select({"DEMO", "Task catalogue", "NAV"});
    Script->AnswerText("2");
    W().TreeMenuNew->trigger();
    Select({"DEMO", "Task catalogue", "NAV", "NAV - 2"});
    Script->AnswerDialog({true,
                          {{"WaypointList", "TP1;TP2;TP3"},
                           {"SpeedAddSelected", "click"},
                           {"Pages", "Legs"},
                           {"LegTurnPointList", "TP2"},
                           {"SpeedAddTPtoLeg", "click"},
                           {"LegTurnPointList", "TP3"},
                           {"SpeedAddTPtoLeg", "click"},
                           {"Pages", "Gates"},
                           {"GateWaypoint", "AF"},
                           {"GateWaypointBearing", "TP1"},
                           {"AddGateOnWaypoint", "click"}}});
    W().TableForTaskInstanceClick();
    TChampionship* championship = *UserInterface.Championships.begin();
    TTaskInstance* instance = championship->FindTaskTemplate("NAV")->FindInstance("2");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->CountCheckElements(ceTurnPoint), 3);
    EXPECT_EQ(instance->CountCheckElements(ceStraightLeg), 1);
    EXPECT_EQ(instance->CountCheckElements(ceGate), 1);
    EXPECT_EQ(UserInterface.CurrentTaskInstance, instance);

    Select({"DEMO", "Tasks", "ML: Microlight two-seater"});
    Script->AnswerDialog({true, {{"TaskNumber", "02"}, {"TaskTemplate", "NAV"}, {"Version", "2"}}});
    W().TreeMenuNew->trigger();
    Select({"DEMO", "Tasks", "ML: Microlight two-seater", "02: NAV - 2",
            "1: Ana Ruiz / Luis Gil (ESP) >>> TRACK PENDING <<<"});
    ASSERT_NE(UserInterface.CurrentFlight, nullptr);
    const TTrack* track = UserInterface.CurrentFlight->Track();
    ASSERT_NE(track, nullptr);
    std::multiset<std::string> shown;
    for (const TEvent& event : track->Events)
        if (event.Element) shown.insert(std::string(TEvent::TypeName(static_cast<TEventType>(event.Type))) + " " +
                                        event.Element->Name);
    EXPECT_TRUE(shown.count("Turn point TP2"));
    EXPECT_TRUE(shown.count("Gate AF (031)")) << ::testing::PrintToString(shown); // toward TP1

    const std::string saved = Dir.File("day.xch");
    Script->AnswerFile(QString::fromStdString(saved));
    W().ToolButtonSaveChamp->trigger();
    const std::string probe = CommandOutput(std::string(ZEPH_TOOLS_DIR) + "/flightprobe --championship '" + saved +
                                  "' ML 02 '" + demo + "/1T02A.igc'");
    std::multiset<std::string> probed;
    std::size_t at = 0;
    while ((at = probe.find("\nevent\t", at)) != std::string::npos) {
        const std::size_t end = probe.find('\n', at + 1);
        // event TIME LAT LON TYPE ELEMENT ...
        std::vector<std::string> fields;
        std::size_t from = at + 1;
        for (int i = 0; i < 6; ++i) {
            const std::size_t tab = probe.find('\t', from);
            fields.push_back(probe.substr(from, std::min(tab, end) - from));
            from = tab + 1;
        }
        if (!fields[5].empty()) probed.insert(fields[4] + " " + fields[5]);
        at = end;
    }
    EXPECT_EQ(shown, probed);
}
