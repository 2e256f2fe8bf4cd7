// What the user is told when a file is refused or an export finds no viewer:
// one box per failure, a file's control characters escaped, limits named.
#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "analysis/Igcfile.h"
#include "ui/Guard.h"

using namespace uitest;

namespace {

std::vector<std::string> Task(const std::string& flight = "")
{
    std::vector<std::string> path = {"CUP", "Tasks", "ML: Microlight", "01: NAV - 1"};
    if (!flight.empty()) path.push_back(flight);
    return path;
}

const std::string Igc = "AXXXZEPH\r\nHFDTE300708\r\n";
const std::string Pending = " >>> TRACK PENDING <<<";

} // namespace

TEST_F(WindowTest, RefusalsQuoteAFilesControlCharactersEscaped)
{
    Start({QString::fromStdString(WriteChampionship())});
    struct TCase {
        std::string Flight, File, Bytes, ShownEnd; // no flight: a waypoint import
    };
    for (const TCase& c :
         {TCase{"1: Ana (ESP)", "1T01A.igc", Igc + std::string("\0B1", 3), "line 3: \\x00B1>"},
          TCase{"2: Pedro (ESP)", "2T01A.igc", Igc + "\x1B[2JB1", "line 3: \\x1B[2JB1>"},
          TCase{"3: Jeanne (FRA)", "3T01A.igc", Igc + "B1201005123456N00712345EA00123\a0150", "EA00123\\x070150>"},
          TCase{"", "cr.wpt", "OziExplorer Waypoint File Version 1.1\rWGS 84\r\r\r1,A,4\r", "1.1\\x0DWGS 84\\x0D\\x0D\\x0D1,A,4>"}}) {
        WriteFileBytes(Dir.File(c.File), c.Bytes);
        if (c.Flight.empty()) {
            Select({"CUP", "Geo", "Waypoints"});
            Script->AnswerFile(QString::fromStdString(Dir.File(c.File)));
            Guarded([this] { W().ImportWaypointsClick(); });
        } else {
            Select(Task(c.Flight + Pending));
        }
        const QString shown = Script->Records.back().Text;
        for (const QChar ch : shown) EXPECT_NE(ch.category(), QChar::Other_Control) << c.File << int(ch.unicode());
        EXPECT_TRUE(shown.endsWith(ToQt(c.ShownEnd))) << FromQt(shown);
    }
}

// A log is read once per selection, so its failure is told once: a named log
// that is missing (no other is linked in its place); a log found by its name
// that is refused for its content, and again at the next selection, or for
// its count of fixes; a log chosen for "New track for this flight".
TEST_F(WindowTest, AFlightsLogThatDoesNotReadIsToldOncePerSelection)
{
    std::string text = ChampionshipText();
    const std::size_t task = text.find("Instance=\"1\">\n") + 14;
    WriteFileBytes(Dir.File("cup.xch"), text.insert(task, "<Flight Number=\"1\"><IgcFileName>gone.igc</IgcFileName></Flight>"));
    WriteFileBytes(Dir.File("2T01A.igc"), Igc + "X\r\n");
    std::string tooLong = Igc;
    for (std::size_t i = 0; i <= MaxLogFixes; ++i) tooLong += "B\r\n";
    WriteFileBytes(Dir.File("3T01A.igc"), tooLong);
    WriteFileBytes(Dir.File("1T01-practice.igc"), FlightLog());
    Start({QString::fromStdString(Dir.File("cup.xch"))});
    const std::string read = "in <Read IGC File>. Details: <";
    for (const auto& [flight, told] :
         {std::pair<std::string, std::string>{"1: Ana (ESP)", "<Unable to open file> " + read + Dir.File("gone.igc")},
          {"2: Pedro (ESP)" + Pending, "<Unexpected record type> " + read + "line 3: X"},
          {"2: Pedro (ESP)" + Pending, "<Unexpected record type> " + read + "line 3: X"},
          {"3: Jeanne (FRA)" + Pending, "<Log too long> " + read + Dir.File("3T01A.igc") + ": " + TooManyFixes(MaxLogFixes + 1)},
          {"3: Jeanne (FRA)" + Pending, "<Unexpected record type> " + read + "line 3: X"}}) {
        Select(Task());
        Select(Task(flight));
        if (told.back() == 'X' && flight[0] == '3') { // Jeanne's second: a new track from a file
            TakePrompts();
            Script->AnswerDialog({true, {{"Choice", "2"}}});
            Script->AnswerFile(QString::fromStdString(Dir.File("2T01A.igc")));
            W().TreeMenuNew->trigger();
            Script->Records.erase(Script->Records.begin(), Script->Records.begin() + 2); // the dialog, the chooser
        }
        EXPECT_EQ(TakePrompts(), std::vector<std::string>{told + ">"}) << flight;
        EXPECT_EQ(UserInterface.CurrentFlight, nullptr);
    }
}

TEST_F(WindowTest, AnExportThatNoViewerOpensNamesTheFileWritten)
{
    Start({QString::fromStdString(WriteChampionship())});
    WriteFileBytes(Dir.File("1T01A.igc"), FlightLog());
    Script->OpenSucceeds = false;
    for (const auto& [node, file] : {std::pair{Task("1: Ana (ESP)" + Pending), "ML_01_1.kmz"}, {Task(), "ML_01.kmz"}}) {
        Select(node);
        TakePrompts();
        W().TreeMenuOpen->trigger();
        EXPECT_EQ(TakePrompts(), std::vector<std::string>{"<File written, but the desktop has no program to open it> in "
                                                          "<Google Earth export>. Details: <" + Dir.File(file) + ">"});
    }
}
