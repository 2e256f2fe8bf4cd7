// OziExplorer waypoint import: the real files of ../shared/data/wpt read
// against an independent reading of their lines, and the lines that must be
// refused one by one.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include "model/Exceptions.h"
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

const QByteArray Header = "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";

} // namespace

TEST(WaypointImport, EveryRealFileAsWritten)
{
    const QDir folder(QStringLiteral(ZEPH_SHARED_DATA_DIR "/wpt"));
    if (!folder.exists()) GTEST_SKIP() << "no shared data";
    int files = 0;
    for (const QString& name : folder.entryList({QStringLiteral("*.wpt")}, QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        ++files;
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

        auto script = TScriptedSeams::Create();
        TScopedSeams seams(script->Install());
        for (int i = 0; i < 5; ++i) script->AnswerButton(TButton::Ignore);
        TWayPointSet set;
        if (lines[0] != QLatin1String("OziExplorer Waypoint File Version 1.1")) {
            try {
                ImportOziWaypoints(set, folder.filePath(name));
                ADD_FAILURE() << "accepted";
            } catch (const TException& e) {
                EXPECT_EQ(e.WhatText(), "Unsupported file format");
                EXPECT_EQ(e.Details(), lines[0].toStdString());
            }
            EXPECT_EQ(set.Count(), 0u);
            continue;
        }
        const int added = ImportOziWaypoints(set, folder.filePath(name));
        int duplicates = 0;
        QSet<QString> seen;
        for (int i = 4; i < lines.size(); ++i) {
            const QStringList fields = lines[i].split(QLatin1Char(','));
            const std::string code = fields[1].trimmed().toStdString();
            const TWayPoint* waypoint = set.Find(code);
            ASSERT_NE(waypoint, nullptr) << code;
            if (seen.contains(fields[1].trimmed())) {
                ++duplicates; // the first one stays
                continue;
            }
            seen.insert(fields[1].trimmed());
            EXPECT_NEAR(waypoint->Location.Geo.Lat / Degree, fields[2].toDouble(), 1e-12) << code;
            EXPECT_NEAR(waypoint->Location.Geo.Lon / Degree, fields[3].toDouble(), 1e-12) << code;
            EXPECT_EQ(waypoint->Description, fields[10].trimmed().toStdString() + " (Imported from WPT file)");
            EXPECT_EQ(waypoint->Location.Datum, DefaultDatum());
        }
        EXPECT_EQ(added, lines.size() - 4 - duplicates);
        EXPECT_EQ(static_cast<int>(script->Records.size()), duplicates);
        if (name == QLatin1String("gpsbabel__ozi000.wpt")) {
            ASSERT_EQ(duplicates, 1);
            EXPECT_EQ(script->Records[0].Text, "Error importing waypoint no 2\n"
                                               "<Duplicate waypoint code> in <Add waypoint to list>. Details: <dd>\n"
                                               "CANCEL the remaining waypoints or just IGNORE this one?");
        }
        if (name == QLatin1String("xcsoar__euregio9_ozi.wpt")) {
            EXPECT_EQ(added, 99);
        }
    }
    EXPECT_EQ(files, 4);
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
    EXPECT_EQ(set.Find("D4")->Description, " (Imported from WPT file)");
    EXPECT_NEAR(set.Find("D4")->Location.Geo.Lon / Degree, -70.25, 1e-12);
    EXPECT_EQ(set.Find("F6"), nullptr);
    ASSERT_EQ(script->Records.size(), 4u);
    EXPECT_TRUE(script->Records[0].Text.startsWith("Error importing waypoint no 1\n<Missing waypoint code>"));
    EXPECT_TRUE(script->Records[1].Text.startsWith("Error importing waypoint no 3\n<Invalid latitude>"));
    EXPECT_TRUE(script->Records[1].Text.contains("Details: <45.x>"));
    EXPECT_TRUE(script->Records[2].Text.startsWith("Error importing waypoint no 4\n<Invalid latitude>"));
    EXPECT_TRUE(script->Records[3].Text.startsWith("Error importing waypoint no 6\n<Invalid latitude>"));
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

    auto refused = [&](const QByteArray& text) {
        try {
            ImportOziWaypoints(set, WriteFile(folder, text));
        } catch (const TException& e) {
            return e.Message();
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refused("OziExplorer Waypoint File Version 1.1\r\nEuropean 1950\r\n\r\n\r\n1,Y,1,2\r\n"),
              "<Datum must be \"WGS 84\"> in <Open waypoint file>. Details: <European 1950>");
    EXPECT_EQ(refused(""), "<Unsupported file format> in <Open waypoint file>. Details: <>");
    try {
        ImportOziWaypoints(set, folder.filePath("missing.wpt"));
        ADD_FAILURE();
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Can't open");
    }
    EXPECT_EQ(set.Count(), 1u);
    EXPECT_TRUE(script->Records.empty());
}
