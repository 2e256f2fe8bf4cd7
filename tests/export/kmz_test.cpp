#include <gtest/gtest.h>

#include <sys/resource.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "ExportFixtures.h"
#include "KmlSummary.h"
#include "export/Googleearth.h"
#include "export/Kmz.h"
#include "platform/Files.h"

using namespace kmltest;

namespace {

void WriteSmallDocument(KmlFile& kml, const std::string& base)
{
    ASSERT_TRUE(kml.Open(base));
    kml.BeginFolder("Doc", kvVisible);
    kml.EndFolder();
    kml.Close();
}

} // namespace

TEST(Kmz, SuccessKeepsOnlyTheArchiveAndOpensIt)
{
    TExportPlace place;
    KmlFile kml;
    WriteSmallDocument(kml, "ML_3");
    EXPECT_EQ(place.Files(), std::vector<std::string>{"ML_3.kmz"});
    EXPECT_EQ(place.Opened, std::vector<std::string>{place.File("ML_3.kmz")});

    const TKmlSummary s = Summarise(place.File("ML_3.kmz"));
    ASSERT_EQ(s.Entries.size(), 1u) << s.Raw;
    EXPECT_EQ(s.Entries[0].Name, "ML_3.kml");
    EXPECT_EQ(s.Entries[0].Method, 8);
    EXPECT_TRUE(s.Entries[0].CrcGood);
    EXPECT_EQ(s.ParseError, "");
    EXPECT_EQ(s.Styles.size(), 22u);

    // A second export of the same name replaces the archive.
    KmlFile again;
    WriteSmallDocument(again, "ML_3");
    EXPECT_EQ(place.Files(), std::vector<std::string>{"ML_3.kmz"});
    EXPECT_EQ(place.Opened.size(), 2u);
}

TEST(Kmz, PackingFailureKeepsAndOpensTheKml)
{
    TExportPlace place;
    std::filesystem::create_directory(place.File("ML_3.kmz"));
    KmlFile kml;
    WriteSmallDocument(kml, "ML_3");
    EXPECT_TRUE(place.Exists("ML_3.kml"));
    EXPECT_TRUE(std::filesystem::is_directory(place.File("ML_3.kmz"))); // not ours to delete
    EXPECT_EQ(place.Opened, std::vector<std::string>{place.File("ML_3.kml")});
    EXPECT_EQ(Summarise(place.File("ML_3.kml")).ParseError, "");
}

TEST(Kmz, CannotCreateTheKml)
{
    TExportPlace place;
    std::filesystem::create_directory(place.File("X.kml"));
    KmlFile kml;
    EXPECT_FALSE(kml.Open("X"));
    kml.Close(); // nothing to do
    EXPECT_TRUE(place.Opened.empty());
    EXPECT_FALSE(place.Exists("X.kmz"));
    EXPECT_EQ(place.Messages,
              std::vector<std::string>{"<Can't write> in <Google Earth export>. Details: <" + place.File("X.kml") + ">"});

    // A name too long for the folder, a folder that is not there: said too.
    place.Messages.clear();
    EXPECT_FALSE(kml.Open(std::string(300, 'n')));
    place.Hooks->WorkingFolder = [&place] { return place.File("missing"); };
    EXPECT_FALSE(kml.Open("X"));
    ASSERT_EQ(place.Messages.size(), 2u);
    EXPECT_EQ(place.Files(), std::vector<std::string>{"X.kml"});
}

// A link named like the output is replaced; what it points to stays.
TEST(Kmz, LinksNamedLikeTheOutputAreReplacedNotFollowed)
{
    TExportPlace place;
    WriteFileBytes(place.File("target"), "keep");
    std::filesystem::create_symlink(place.File("target"), place.File("L.kml"));
    std::filesystem::create_symlink(place.File("target"), place.File("L.kmz"));
    KmlFile kml;
    WriteSmallDocument(kml, "L");
    EXPECT_EQ(ReadFileBytes(place.File("target")), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(place.File("L.kmz")));
    EXPECT_EQ(Summarise(place.File("L.kmz")).ParseError, "");
    EXPECT_EQ(place.Files().size(), 2u);
}

// A full disk: no truncated document is left, and the user is told.
TEST(Kmz, FailedWriteDeletesTheDocumentAndSaysSo)
{
    TExportPlace place;
    FailWritesBeyondTheFileSizeLimit(); // as the program does
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{4096, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    KmlFile kml;
    const bool opened = kml.Open("Full");
    for (int i = 0; opened && i < 200; ++i) {
        kml.BeginFolder("Folder " + std::to_string(i), kvVisible);
        kml.EndFolder();
    }
    kml.Close();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(place.Files().empty());
    EXPECT_TRUE(place.Opened.empty());
    EXPECT_EQ(place.Messages,
              std::vector<std::string>{"<Can't write> in <Google Earth export>. Details: <" + place.File("Full.kml") + ">"});
}

TEST(Kmz, DocumentEndsWithTheIndentedKmlEndTag)
{
    TExportPlace place;
    std::filesystem::create_directory(place.File("D.kmz")); // keeps the plain document
    KmlFile kml;
    WriteSmallDocument(kml, "D");
    const std::string text = ReadFileBytes(place.File("D.kml"));
    EXPECT_EQ(text.substr(text.size() - 23), "  </Document>\n  </kml>\n");
}

TEST(Kmz, SlashInTheNameBecomesUnderscore)
{
    TExportPlace place;
    KmlFile kml;
    WriteSmallDocument(kml, "ML/2_3/a");
    EXPECT_EQ(kml.BaseName(), "ML_2_3_a");
    EXPECT_EQ(place.Files(), std::vector<std::string>{"ML_2_3_a.kmz"});
}

TEST(Kmz, EntryCarriesTheSourceNameAndLocalTime)
{
    TExportPlace place;
    const std::string source = place.File("doc.kml");
    WriteFileBytes(source, std::string(100000, 'x') + "end");
    std::tm when{};
    when.tm_year = 2008 - 1900;
    when.tm_mon = 6;
    when.tm_mday = 30;
    when.tm_hour = 9;
    when.tm_min = 5;
    when.tm_sec = 42;
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    const utimbuf times{t, t};
    ASSERT_EQ(::utime(source.c_str(), &times), 0);

    std::uint16_t date = 0, time = 0;
    ASSERT_TRUE(FileDosTime(source, date, time));
    EXPECT_EQ(date, ((2008 - 1980) << 9) | (7 << 5) | 30);
    EXPECT_EQ(time, (9 << 11) | (5 << 5) | 21);

    ASSERT_EQ(ZipOneFile(source, place.File("doc.kmz")), 0);
    const TKmlSummary s = Summarise(place.File("doc.kmz"));
    ASSERT_EQ(s.Entries.size(), 1u);
    EXPECT_EQ(s.Entries[0].Name, "doc.kml");
    EXPECT_EQ(s.Entries[0].DateTime, "2008-07-30 09:05:42");
    EXPECT_TRUE(s.Entries[0].CrcGood);
    EXPECT_LT(std::filesystem::file_size(place.File("doc.kmz")), 2000u);

    // An empty source gives one empty entry; a missing source is a failure,
    // and its time stays untouched.
    WriteFileBytes(place.File("empty.kml"), "");
    ASSERT_EQ(ZipOneFile(place.File("empty.kml"), place.File("empty.kmz")), 0);
    const TKmlSummary e = Summarise(place.File("empty.kmz"));
    ASSERT_EQ(e.Entries.size(), 1u);
    EXPECT_EQ(e.Entries[0].Name, "empty.kml");
    EXPECT_TRUE(e.Entries[0].CrcGood);
    EXPECT_NE(ZipOneFile(place.File("missing.kml"), place.File("missing.kmz")), 0);
    date = time = 7;
    EXPECT_FALSE(FileDosTime(place.File("missing.kml"), date, time));
    EXPECT_EQ(date + time, 14);
}

// A key with accents (Windows-1252 in the model) names the entry in UTF-8,
// and the entry says so; everything else is packed as before.
TEST(Kmz, EntryNameIsMarkedAsUtf8)
{
    TExportPlace place;
    KmlFile kml;
    WriteSmallDocument(kml, "Clase \xD1" "and\xFA 01");
    ASSERT_EQ(place.Files(), std::vector<std::string>{"Clase \xC3\x91" "and\xC3\xBA 01.kmz"});
    const std::string fields = RunCommand(
        "/usr/bin/python3 -c \"import sys, zipfile; i = zipfile.ZipFile(sys.argv[1]).infolist()[0]; "
        "print(i.filename.encode('utf-8').hex(), hex(i.flag_bits), i.compress_type, i.create_version, "
        "i.create_system, i.extract_version)\" '" +
        place.File("Clase \xC3\x91" "and\xC3\xBA 01.kmz") + "'");
    // Bit 11 with deflate's level-9 bit 1, as minizip sets it.
    EXPECT_EQ(fields, "436c61736520c391616e64c3ba2030312e6b6d6c 0x802 8 0 0 20\n");
}
