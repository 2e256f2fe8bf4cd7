// What the user is told when a file is refused or too big, or when the
// desktop cannot open an export: one box per failure, the file's bytes quoted
// with their control characters escaped, sizes given with their limits.
#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "analysis/Flight.h"
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
