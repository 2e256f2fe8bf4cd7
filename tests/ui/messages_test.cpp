// What the user is told when a file is refused or too big, or when the
// desktop cannot open an export: one box per failure, the file's bytes quoted
// with their control characters escaped, sizes given with their limits.
#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "analysis/Flight.h"
#include "analysis/Igcfile.h"
#include "model/Championship.h"
#include "ui/Guard.h"

using namespace uitest;

namespace {

const std::vector<std::string> Tasks = {"CUP", "Tasks", "ML: Microlight", "01: NAV - 1"};

std::vector<std::string> Under(std::vector<std::string> path, const std::string& last)
{
    path.push_back(last);
    return path;
}

const std::string IgcHeader = "AXXXZEPH\r\nHFDTE300708\r\n";

} // namespace

TEST_F(WindowTest, RefusalsQuoteTheControlCharactersOfAFileEscaped)
{
    Start({QString::fromStdString(WriteChampionship())});
    struct TCase {
        std::string Competitor; // empty: a waypoint file imported
        std::string File;
        std::string Bytes;
        std::string ShownEnd;
    };
    const TCase cases[] = {
        {"1: Ana (ESP)", "1T01A.igc", IgcHeader + std::string("\0B1201", 6) + "\r\n", "line 3: \\x00B1201>"},
        {"2: Pedro (ESP)", "2T01A.igc", IgcHeader + "\x1B[2JB1201\r\n", "line 3: \\x1B[2JB1201>"},
        {"3: Jeanne (FRA)", "3T01A.igc", IgcHeader + "B1201005123456N00712345EA00123\a0150\r\n",
         "line 3: B1201005123456N00712345EA00123\\x070150>"},
        {"", "cr.wpt", "OziExplorer Waypoint File Version 1.1\rWGS 84\r\r\r1,A,45,7\r",
         "<OziExplorer Waypoint File Version 1.1\\x0DWGS 84\\x0D\\x0D\\x0D1,A,45,7>"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        WriteFileBytes(Dir.File(c.File), c.Bytes);
        Script->Records.clear();
        if (c.Competitor.empty()) {
            Select({"CUP", "Geo", "Waypoints"});
            Script->AnswerFile(QString::fromStdString(Dir.File(c.File)));
            Guarded([this] { W().ImportWaypointsClick(); });
        } else {
            Select(Under(Tasks, c.Competitor + " >>> TRACK PENDING <<<"));
        }
        ASSERT_FALSE(Script->Records.empty());
        const QString shown = Script->Records.back().Text;
        for (const QChar ch : shown) EXPECT_NE(ch.category(), QChar::Other_Control) << "code " << int(ch.unicode());
        EXPECT_TRUE(shown.endsWith(ToQt(c.ShownEnd))) << FromQt(shown);
    }
}

// A log is read once per selection, so its failure is told once: the log
// that the flight names is missing, a log found by its name is refused (and
// then named) for its content or its size, a log chosen for "New track for
// this flight" is refused.
TEST_F(WindowTest, AFlightsLogThatDoesNotReadIsToldOncePerSelection)
{
    std::string text = ChampionshipText();
    const std::string task = "Instance=\"1\">\n";
    text.insert(text.find(task) + task.size(), "<Flight Number=\"1\"><IgcFileName>gone.igc</IgcFileName></Flight>\n");
    WriteFileBytes(Dir.File("cup.xch"), text);
    WriteFileBytes(Dir.File("2T01A.igc"), IgcHeader + "X\r\n");
    WriteFileBytes(Dir.File("bad.igc"), IgcHeader);
    std::string tooLong = IgcHeader;
    for (std::size_t i = 0; i <= MaxLogFixes; ++i) tooLong += "B\r\n";
    WriteFileBytes(Dir.File("3T01A.igc"), tooLong);
    Start({QString::fromStdString(Dir.File("cup.xch"))});
    struct TCase {
        std::string Flight;
        std::string Told;
        bool NewTrack = false;
    };
    const TCase cases[] = {
        {"1: Ana (ESP)", "<Unable to open file> in <Read IGC File>. Details: <" + Dir.File("gone.igc") + ">"},
        {"2: Pedro (ESP) >>> TRACK PENDING <<<", "<Unexpected record type> in <Read IGC File>. Details: <line 3: X>"},
        {"2: Pedro (ESP)", "<Unexpected record type> in <Read IGC File>. Details: <line 3: X>"},
        {"3: Jeanne (FRA) >>> TRACK PENDING <<<",
         "<Log too long> in <Read IGC File>. Details: <" + Dir.File("3T01A.igc") + ": 1258292 fixes need 1537 MiB of "
         "memory; a log may take 1536 MiB (1258291 fixes)>"},
        {"3: Jeanne (FRA)", "<No fix in file> in <Read IGC File>. Details: <" + Dir.File("bad.igc") + ">", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Flight);
        Select(Tasks);
        Select(Under(Tasks, c.Flight));
        if (c.NewTrack) {
            TakePrompts();
            Script->AnswerDialog({true, {{"Choice", "2"}}});
            Script->AnswerFile(QString::fromStdString(Dir.File("bad.igc")));
            W().TreeMenuNew->trigger();
            Script->Records.erase(Script->Records.begin(), Script->Records.begin() + 2); // dialog, chooser
        }
        EXPECT_EQ(TakePrompts(), std::vector<std::string>{c.Told});
        EXPECT_EQ(UserInterface.CurrentFlight, nullptr);
    }
}

// A desktop without a Google Earth viewer: the export says where it wrote
// the file, for each of the two exports.
TEST_F(WindowTest, AnExportNoViewerOpensNamesTheFileWritten)
{
    Start({QString::fromStdString(WriteChampionship())});
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    Script->OpenSucceeds = false;
    for (const auto& [node, file] : {std::pair{Under(Tasks, "1: Ana (ESP) >>> TRACK PENDING <<<"), "ML_01_1.kmz"},
                                     {Tasks, "ML_01.kmz"}}) {
        SCOPED_TRACE(file);
        Select(node);
        TakePrompts();
        W().TreeMenuOpen->trigger();
        EXPECT_EQ(TakePrompts(), std::vector<std::string>{"<File written, but the desktop has no program to open it> in "
                                                          "<Google Earth export>. Details: <" + Dir.File(file) + ">"});
    }
}
