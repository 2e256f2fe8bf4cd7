// OziExplorer waypoint import: the real files of ../shared/data/wpt read
// against an independent reading of their lines, and the lines that must be
// refused one by one.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <filesystem>

#include "FifoWatch.h"
#include "platform/Exceptions.h"
#include "model/Waypoint.h"
#include "ui/Seams.h"
#include "ui/WaypointImport.h"

namespace {

constexpr double Degree = Pi / 180.0;

QString WriteFile(const QTemporaryDir& folder, const QByteArray& text)
{
    const QString path = folder.filePath(QStringLiteral("test.wpt"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    return path;
}

// The message of the file-level refusal, or "accepted".
std::string Refusal(const QString& path)
{
    TWayPointSet set;
    try {
        ImportOziWaypoints(set, path);
    } catch (const TException& e) {
        return e.Message();
    }
    return "accepted";
}

const QByteArray Header = "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";

} // namespace

TEST(WaypointImport, EveryRealFileAsWritten)
{
    const QString folder = QStringLiteral(ZEPH_SHARED_DATA_DIR "/wpt/");
    if (!QDir(folder).exists()) GTEST_SKIP() << "no shared data";
    struct TCase {
        const char* Name;
        int Added;
        std::size_t Prompts;
    };
    for (const TCase& c : {TCase{"gpsbabel__ozi.wpt", 9, 0}, TCase{"gpsbabel__ozi000.wpt", 1, 1},
                           TCase{"xcsoar__euregio9_ozi.wpt", 99, 0}}) {
        SCOPED_TRACE(c.Name);
        auto script = TScriptedSeams::Create();
        TScopedSeams seams(script->Install());
        script->AnswerButton(TButton::Ignore);
        TWayPointSet set;
        EXPECT_EQ(ImportOziWaypoints(set, folder + c.Name), c.Added);
        EXPECT_EQ(script->Records.size(), c.Prompts);
        if (c.Prompts > 0) {
            EXPECT_EQ(script->Records[0].Text, "Error importing waypoint no 2\n"
                                               "<Duplicate waypoint code> in <Add waypoint to list>. Details: <dd>\n"
                                               "CANCEL the remaining waypoints or just IGNORE this one?");
        }
        // Each code with the figures and description of its first line.
        QFile file(folder + c.Name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QSet<QString> seen;
        for (const QString& line : QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts).mid(4)) {
            const QStringList fields = line.split(u',');
            const TWayPoint* waypoint = set.Find(fields[1].trimmed().toStdString());
            ASSERT_NE(waypoint, nullptr) << line.toStdString();
            if (seen.contains(fields[1])) continue;
            seen.insert(fields[1]);
            EXPECT_NEAR(waypoint->Location.Geo.Lat / Degree, fields[2].toDouble(), 1e-12);
            EXPECT_NEAR(waypoint->Location.Geo.Lon / Degree, fields[3].toDouble(), 1e-12);
            EXPECT_EQ(waypoint->Description, (fields[10].simplified() + " (Imported from WPT file)").trimmed().toStdString());
        }
    }
    EXPECT_EQ(Refusal(folder + "xcsoar__waypoints_ozi_v1.0.wpt"),
              "<Unsupported file format> in <Open waypoint file>. Details: <OziExplorer Waypoint File Version 1.0>");
}

TEST(WaypointImport, LinesThatDoNotReadAreAskedAboutAndNeverAdded)
{
    QTemporaryDir folder;
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    script->AnswerButton(TButton::Ignore);
    script->AnswerButton(TButton::Ignore);
    script->AnswerButton(TButton::Ignore);
    script->AnswerButton(TButton::Cancel);
    TWayPointSet set;
    const QByteArray text = Header + "1,,45.0,7.0,,0,1,3,0,65535,no code\r\n"    // 1: an empty code shifts nothing
                                     "2,A1,45.0,7.0,,,,,,,first,0\r\n"           // added
                                     "3,B2,45.x,7.0,,0,1,3,0,65535,bad\r\n"      // 2: refused
                                     "4,C3,nan,7.0\r\n"                           // 3: refused
                                     "5,D4,-33.5,-70.25\r\n"                      // added, no description
                                     "6,E5\r\n"                                   // 4: Cancel
                                     "7,F6,1.0,2.0\r\n";
    EXPECT_EQ(ImportOziWaypoints(set, WriteFile(folder, text)), 2);
    EXPECT_EQ(set.Count(), 2u);
    EXPECT_EQ(set.Find("A1")->Description, "first (Imported from WPT file)");
    EXPECT_EQ(set.Find("D4")->Description, "(Imported from WPT file)");
    EXPECT_NEAR(set.Find("D4")->Location.Geo.Lon / Degree, -70.25, 1e-12);
    EXPECT_EQ(set.Find("F6"), nullptr);
    QStringList asked;
    for (const auto& record : script->Records) asked.append(record.Text.section(u'.', 0, 0));
    EXPECT_EQ(asked, (QStringList{"Error importing waypoint no 1\n<Missing waypoint code> in <Import waypoint>",
                                  "Error importing waypoint no 3\n<Invalid latitude> in <Import waypoint>",
                                  "Error importing waypoint no 4\n<Invalid latitude> in <Import waypoint>",
                                  "Error importing waypoint no 6\n<Invalid latitude> in <Import waypoint>"}));
}

TEST(WaypointImport, HeadersDecideTheWholeFile)
{
    QTemporaryDir folder;
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    TWayPointSet set;
    EXPECT_EQ(ImportOziWaypoints(set, WriteFile(folder, Header)), 0);
    // Plain LF ends read as well.
    EXPECT_EQ(ImportOziWaypoints(set, WriteFile(folder, "OziExplorer Waypoint File Version 1.1\nWGS 84\n\n\n1,X,1,2\n")), 1);

    EXPECT_EQ(Refusal(WriteFile(folder, "OziExplorer Waypoint File Version 1.1\r\nEuropean 1950\r\n\r\n\r\n1,Y,1,2\r\n")),
              "<Datum must be \"WGS 84\"> in <Open waypoint file>. Details: <European 1950>");
    EXPECT_EQ(Refusal(folder.filePath("missing.wpt")).substr(0, 12), "<Can't open>");
    EXPECT_TRUE(script->Records.empty());
}

TEST(WaypointImport, ControlCharactersAreRefusedLineByLine)
{
    QTemporaryDir folder;
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    for (int i = 0; i < 5; ++i) script->AnswerButton(TButton::Ignore);
    TWayPointSet set;
    static const char nul[] = "1,N\0UL,45.0,7.0,,,,,,,nul in the code\r\n";
    const QByteArray text = Header + QByteArray(nul, sizeof nul - 1) +
                            "2,ESC\x1b,45.0,7.0\r\n"
                            "3,T\tAB,45.0,7.0\r\n"
                            "4,VT,45.0,7.0,,,,,,,line\x0b" "tab\r\n"
                            "5,OK,45.0,7.0,,,,,,,a\ttab\r\n";
    EXPECT_EQ(ImportOziWaypoints(set, WriteFile(folder, text)), 0);
    std::vector<std::string> asked;
    for (const auto& record : script->Records) asked.push_back(record.Text.toStdString());
    const std::string ask = "\nCANCEL the remaining waypoints or just IGNORE this one?";
    EXPECT_EQ(asked, (std::vector<std::string>{
                         "Error importing waypoint no 1\n<Control character in waypoint code> in <Import waypoint>. "
                         "Details: <character 0x00 at position 2>" + ask,
                         "Error importing waypoint no 2\n<Control character in waypoint code> in <Import waypoint>. "
                         "Details: <character 0x1B at position 4>" + ask,
                         "Error importing waypoint no 3\n<Control character in waypoint code> in <Import waypoint>. "
                         "Details: <character 0x09 at position 2>" + ask,
                         "Error importing waypoint no 4\n<Control character in waypoint description> in <Import "
                         "waypoint>. Details: <character 0x0B at position 5>" + ask,
                         "Error importing waypoint no 5\n<Control character in waypoint description> in <Import "
                         "waypoint>. Details: <character 0x09 at position 2>" + ask}));
}

TEST(WaypointImport, UtfEightLinesAreConvertedAndOthersTakenByteForByte)
{
    QTemporaryDir folder;
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    script->AnswerButton(TButton::Ignore);
    TWayPointSet set;
    const QByteArray text = Header + "1,M\xC3\xBChle,45,7,,,,,,,Caf\xC3\xA9 \xE2\x82\xAC\r\n" // UTF-8
                                     "2,K\xFC,45,7,,,,,,,\xC3\r\n"                          // Windows-1252
                                     "3,\xC5\x81\xC3\xB3" "d\xC5\xBA,45,7\r\n";        // no byte for "Ł"
    ASSERT_EQ(ImportOziWaypoints(set, WriteFile(folder, text)), 2);
    EXPECT_EQ(set.Find("M\xFChle")->Description, "Caf\xE9 \x80 (Imported from WPT file)");
    EXPECT_EQ(set.Find("K\xFC")->Description, "\xC3 (Imported from WPT file)");
    EXPECT_EQ(script->Records.size(), 1u);
}

TEST(WaypointImport, OnlyARegularFileOfBoundedSizeIsRead)
{
    QTemporaryDir folder;
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    auto cantOpen = [](const QString& path) {
        return "<Can't open> in <Open waypoint file>. Details: <" + path.toStdString() + ">";
    };
    // A FIFO without a writer would block the window for ever.
    const QString fifo = folder.filePath(QStringLiteral("fifo.wpt"));
    uitest::TFifoWatch watch(fifo.toStdString());
    ASSERT_TRUE(watch.Made());
    EXPECT_EQ(Refusal(fifo), cantOpen(fifo));
    EXPECT_FALSE(watch.Released()) << "the import waited for a writer";
    // A device: /dev/zero would be read for ever.
    EXPECT_EQ(Refusal(QStringLiteral("/dev/null")), cantOpen(QStringLiteral("/dev/null")));
    // A valid header and then far more than any waypoint file holds.
    const QString big = WriteFile(folder, Header + "1,A,1,2\r\n");
    std::filesystem::resize_file(big.toStdString(), (64u << 20) + 1);
    EXPECT_EQ(Refusal(big), cantOpen(big));
    EXPECT_TRUE(script->Records.empty());
}

TEST(WaypointImport, MessagesQuoteTheStartOfALongLine)
{
    QTemporaryDir folder;
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    const std::string start(80, 'x');
    // Line ends of CR only: the whole file is one line.
    EXPECT_EQ(Refusal(WriteFile(folder, "OziExplorer Waypoint File Version 1.1\rWGS 84\r" +
                                            QByteArray(100000, 'y') + "\r")),
              "<Unsupported file format> in <Open waypoint file>. Details: <OziExplorer Waypoint File Version "
              "1.1\\x0DWGS 84\\x0D" + std::string(80 - 45, 'y') + "...>");
    EXPECT_EQ(Refusal(WriteFile(folder, "OziExplorer Waypoint File Version 1.1\n" + QByteArray(100000, 'x'))),
              "<Datum must be \"WGS 84\"> in <Open waypoint file>. Details: <" + start + "...>");

    script->AnswerButton(TButton::Ignore);
    script->AnswerButton(TButton::Ignore);
    TWayPointSet set;
    const QByteArray huge(1000000, 'x');
    EXPECT_EQ(ImportOziWaypoints(set, WriteFile(folder, Header + "1,," + huge + "\n2,A," + huge + ",1\n")), 0);
    ASSERT_EQ(script->Records.size(), 2u);
    EXPECT_EQ(script->Records[0].Text.section(u'\n', 1, 1).toStdString(),
              "<Missing waypoint code> in <Import waypoint>. Details: <1,," + start.substr(3) + "...>");
    EXPECT_EQ(script->Records[1].Text.section(u'\n', 1, 1).toStdString(),
              "<Invalid latitude> in <Import waypoint>. Details: <" + start + "...>");
}
