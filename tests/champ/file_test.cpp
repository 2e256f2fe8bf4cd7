// The championship file: round trips, the exact layout, what an independent
// XML parser sees, line ends, encodings and the locale.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>

#include "champ/ChampFixture.h"
#include "common/TempDir.h"
#include "platform/Exceptions.h"
#include "xml/Xmlfile.h"

using namespace champtest;

namespace {

TempDir& Dir()
{
    static TempDir dir;
    return dir;
}

std::string Golden()
{
    return ReadFileBytes(ZEPH_SOURCE_DIR "/tests/data/champ/golden.xch");
}

// Every element, its attributes and its text, one line each, as our reader
// delivers them: the format of scripts/xml_values.py.
std::string ValuesByOurReader(const std::string& fileName)
{
    TXmlInput in(fileName);
    std::string out, line, path;
    std::vector<std::size_t> lengths;
    auto flush = [&] {
        if (!line.empty()) out += line + "\n";
        line.clear();
    };
    while (in.HasData()) {
        const TXmlData d = in.Get();
        switch (d.Kind) {
        case xkStart:
            flush();
            lengths.push_back(path.size());
            path += "/" + d.Element;
            line = path;
            break;
        case xkAttribute: line += "\t@" + d.Name + "=" + d.Value; break;
        case xkText: line += "\t#" + d.Value; break;
        case xkEnd:
            flush();
            if (!lengths.empty()) {
                path.resize(lengths.back());
                lengths.pop_back();
            }
            break;
        default: break;
        }
    }
    return out;
}

std::string RunPython(const std::string& fileName)
{
    const std::string command = "/usr/bin/python3 " ZEPH_SOURCE_DIR "/scripts/xml_values.py '" + fileName + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    return ::pclose(pipe) == 0 ? out : "python failed";
}

} // namespace

TEST(ChampionshipFile, BuiltModelSavedLoadedAndSavedAgainIsTheSame)
{
    TFixedVersion version;
    std::vector<std::string> messages;
    version.Hooks->ShowMessage = [&](const std::string& text) { messages.push_back(text); };

    auto built = BuildFull();
    const std::string first = Dir().File("roundtrip-1.xch");
    const std::string second = Dir().File("roundtrip-2.xch");
    built->Save(first);
    TChampionship loaded(first);
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(Describe(loaded), Describe(*built));
    loaded.Save(second);
    EXPECT_EQ(ReadFileBytes(second), ReadFileBytes(first));

    // The loaded model holds what was built, in a few plain facts too.
    EXPECT_EQ(loaded.GetAttribute(acName), "World Microlight Championship & Cup <\"A\">");
    EXPECT_EQ(loaded.GetAttribute(acVenue), "Caf\xE9 field \x80 5");
    EXPECT_EQ(loaded.GetAttribute(acVersion), "9.8.7");
    EXPECT_EQ(loaded.Folder(), Dir().Path().string() + "/");
    TCClass* al1 = loaded.FindClass("AL1");
    ASSERT_NE(al1, nullptr);
    TTaskNumber* t1 = al1->TaskNumbers.FindKey("01");
    EXPECT_EQ(t1->DisplayName(), "01: NAV - 1");
    EXPECT_EQ(al1->FlightsOf(t1).FindKey("12")->DisplayName(), "12: Marie (FRA) (DID NOT FLY)");
    EXPECT_EQ(al1->FlightsOf(t1).FindKey("3")->DisplayName(), "3: John \"JJ\" (GBR) >>> TRACK PENDING <<<");
    TTaskNumber* t9 = loaded.FindClass("AL2")->TaskNumbers.FindKey("09");
    EXPECT_EQ(t9->Instance, nullptr);
    EXPECT_EQ(t9->DisplayName(), "09");
    EXPECT_EQ(loaded.FindTaskTemplate("NAV")->FindInstance("1")->CountCheckElements(ceGate), 3);
    EXPECT_NE(loaded.FindTaskTemplate("NAV")->FindInstance("1")->GetCheckElement(ceGate, "B - C - D (13%)"), nullptr);
}

TEST(ChampionshipFile, IndependentParsersReadTheSameValues)
{
    TFixedVersion version;
    const std::string file = Dir().File("independent.xch");
    BuildFull()->Save(file);
    if (std::filesystem::exists("/usr/bin/xmllint")) {
        EXPECT_EQ(std::system(("/usr/bin/xmllint --noout '" + file + "'").c_str()), 0);
    }
    if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    const std::string python = RunPython(file);
    EXPECT_EQ(python, ValuesByOurReader(file));
    EXPECT_THAT(python, testing::HasSubstr("/Championship/ChampionshipDescription/Name\t#World Microlight "
                                           "Championship & Cup <\"A\">\n"));
    EXPECT_THAT(python, testing::HasSubstr("\t@Version=2 & \"b\"\n"));
    EXPECT_THAT(python, testing::HasSubstr("@Code=\xE9t\xE9\n"));
}

TEST(ChampionshipFile, GoldenFileByteForByte)
{
    TFixedVersion version;
    TChampionship champ;
    champ.SetAttribute(acShortName, "GOLD");
    champ.SetAttribute(acName, "Golden & Cup");
    champ.SetAttribute(acVenue, "Caf\xE9");
    champ.WayPoints.Add(TWayPoint(At(45.0, -1.0), "P", "Pylon <1>"));
    champ.WayPoints.Add(TWayPoint(At(45.1, -1.0), "Q"));
    auto* map = new TMap;
    map->SetAttribute(acShortName, "M");
    map->SetAttribute(acMapFile, "m.bmp");
    map->SetAttribute(acDatum, "WGS 84");
    map->SetAttribute(acRegion, "Global");
    map->SetAttribute(acProjection, "UTM");
    champ.AddMap(map);
    map->Georef.AddRef(new TMapRef(1, 2, At(45.0, -1.5, map->GetDatum())));
    auto* cls = new TCClass;
    cls->SetAttribute(acShortName, "K");
    cls->SetAttribute(acName, "Kappa");
    champ.AddClass(cls);
    auto* team = new TTeam;
    team->SetAttribute(acIsoCountry, "ITA");
    team->SetAttribute(acShortName, "Italia");
    champ.AddTeam(team);
    champ.AddCompetitor(NewCompetitor("7", "Gino \"G\""), team, cls);
    auto* tmpl = new TTaskTemplate;
    tmpl->SetAttribute(acShortName, "T");
    champ.AddTaskTemplate(tmpl);
    auto* inst = new TTaskInstance;
    inst->SetAttribute(acVersion, "1");
    champ.AddTaskInstance(inst, tmpl);
    auto* p = new TTurnPoint(champ.WayPoints.Find("P"), 200.4);
    auto* q = new TTurnPoint(champ.WayPoints.Find("Q"), 300);
    inst->AddTurnPoint(p);
    inst->AddTurnPoint(q);
    auto* leg = new TStraightLeg(p, q, 500);
    inst->AddStraightLeg(leg);
    inst->AddGate(new TGate(leg, 12.5, 100));
    inst->AddGate(new TGate(champ.WayPoints.Find("Q"), 45.0, 150));
    champ.AddTaskNumber(NewTaskNumber("1", inst), cls);
    champ.AddTaskNumber(NewTaskNumber("2", nullptr), cls); // as the task number dialog may leave it
    cls->FlightsOf(cls->TaskNumbers.FindKey("1")).FindKey("7")->SetAttribute(acIgcFileName, "DNF");

    const std::string file = Dir().File("golden.xch");
    champ.Save(file);
    EXPECT_EQ(ReadFileBytes(file), Golden());

    // And the golden file reads back into the same model, radius in whole
    // metres as the file keeps it.
    TChampionship loaded(ZEPH_SOURCE_DIR "/tests/data/champ/golden.xch");
    // The program's own file (its document type declaration without an
    // internal subset) opens without a word.
    EXPECT_TRUE(loaded.LoadWarnings().empty());
    EXPECT_EQ(loaded.FindTaskTemplate("T")->FindInstance("1")->GetCheckElement(ceTurnPoint, "P")->Radius, 200.0);
    p->Radius = 200.0;
    EXPECT_EQ(Describe(loaded), Describe(champ));
}

TEST(ChampionshipFile, NewChampionshipWrittenAtOnce)
{
    TFixedVersion version;
    TChampionship champ;
    EXPECT_EQ(champ.Owner(), &champ);
    const std::string file = Dir().File("new.xch");
    champ.Save(file);
    EXPECT_EQ(ReadFileBytes(file),
              "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>\n"
              "<!DOCTYPE Championship SYSTEM \"Zephyrant.dtd\">\n"
              "<Championship ShortName=\"\">\n"
              "\t<ChampionshipDescription>\n"
              "\t\t<Name/>\n\t\t<Date/>\n\t\t<Venue/>\n\t\t<Organiser/>\n\t\t<Country/>\n\t\t<IsoCountry/>\n"
              "\t\t<Directory/>\n"
              "\t\t<Software>Zephyrant - Microlight championship manager</Software>\n"
              "\t\t<Version>9.8.7</Version>\n"
              "\t</ChampionshipDescription>\n"
              "\t<Geo>\n\t\t<Maps>\n\t\t</Maps>\n\t\t<Waypoints>\n"
              "\t\t\t<WayPointSet ShortName=\"Default\">\n"
              "\t\t\t\t<WayPointSetDescription>\n\t\t\t\t\t<Datum/>\n\t\t\t\t\t<Region/>\n"
              "\t\t\t\t</WayPointSetDescription>\n"
              "\t\t\t</WayPointSet>\n\t\t</Waypoints>\n\t</Geo>\n"
              "\t<Classes>\n\t</Classes>\n\t<Teams>\n\t</Teams>\n\t<TaskCatalogue>\n\t</TaskCatalogue>\n"
              "\t<Tasks>\n\t</Tasks>\n"
              "</Championship>\n");
}

// A championship that is a link is saved into the file it points to, and
// the link stays; a name near the file system's limit can still be saved.
TEST(ChampionshipFile, SavedThroughLinksAndUnderLongNames)
{
    TFixedVersion version;
    TempDir dir;
    std::filesystem::create_directory(dir.File("real"));
    WriteFileBytes(dir.File("real/champ.xch"), "old");
    std::filesystem::create_symlink("real/champ.xch", dir.File("link.xch"));
    TChampionship champ;
    champ.Save(dir.File("link.xch"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.xch")));
    EXPECT_THAT(ReadFileBytes(dir.File("real/champ.xch")), testing::HasSubstr("<Championship"));
    EXPECT_EQ(std::filesystem::directory_iterator(dir.File("real"))->path().filename(), "champ.xch");

    for (const std::size_t length : {243u, 255u}) {
        const std::string name = dir.File(std::string(length - 4, 'n') + ".xch");
        champ.Save(name);
        EXPECT_THAT(ReadFileBytes(name), testing::HasSubstr("<Championship")) << length;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4);
}

TEST(ChampionshipFile, CrLfLineEndsAndWindows1252Bytes)
{
    TFixedVersion version;
    std::string text = Golden();
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    // Bytes of Windows-1252 that ISO 8859-1 leaves to control codes.
    const std::string from = "<Name>Golden &amp; Cup</Name>";
    crlf.replace(crlf.find(from), from.size(), "<Name>\x80 Golden \x93quoted\x94 \x9F</Name>");
    const std::string file = Dir().File("crlf.xch");
    WriteFileBytes(file, crlf);
    TChampionship champ(file);
    EXPECT_EQ(champ.GetAttribute(acName), "\x80 Golden \x93quoted\x94 \x9F");
    EXPECT_EQ(champ.GetAttribute(acVenue), "Caf\xE9");
    EXPECT_EQ(champ.FindCompetitor("7")->GetAttribute(acPilot), "Gino \"G\"");
    // Written back with the same bytes and plain line ends.
    const std::string out = Dir().File("crlf-out.xch");
    champ.Save(out);
    std::string expected = Golden();
    expected.replace(expected.find(from), from.size(), "<Name>\x80 Golden \x93quoted\x94 \x9F</Name>");
    EXPECT_EQ(ReadFileBytes(out), expected);
}

TEST(ChampionshipFile, CommaDecimalLocaleChangesNothing)
{
    TFixedVersion version;
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
        GTEST_SKIP() << "no German locale";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const std::string file = Dir().File("locale.xch");
    std::string describedBefore, describedAfter;
    {
        auto built = BuildFull();
        built->Save(file);
        describedBefore = Describe(*built);
        TChampionship loaded(file);
        describedAfter = Describe(loaded);
        loaded.Save(file + "2");
    }
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_STREQ(probe, "1,5");
    EXPECT_EQ(describedAfter, describedBefore);
    const std::string text = ReadFileBytes(file);
    EXPECT_EQ(ReadFileBytes(file + "2"), text);
    EXPECT_THAT(text, testing::HasSubstr("Percent=\"12.5\""));
    EXPECT_THAT(text, testing::HasSubstr("<Lat>-12.3456789</Lat>"));
}
