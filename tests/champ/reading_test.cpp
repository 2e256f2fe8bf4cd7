// Reading files that this program did not write as they are: what is
// refused, what is kept, what is dropped and reported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "champ/ChampFixture.h"
#include "common/TempDir.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Hooks.h"
#include "xml/Xmlfile.h"

using namespace champtest;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

const std::string Head = "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>\n<Championship ShortName=\"X\">\n";
const std::string Classes = "<Classes><Class ShortName=\"K\"><Name>Kappa</Name></Class>"
                            "<Class ShortName=\"L\"/></Classes>\n";
const std::string Waypoints = "<Geo><Waypoints><WayPointSet ShortName=\"Default\">"
                              "<WayPoint Code=\"P\"><Lat>45</Lat><Lon>-1</Lon></WayPoint>"
                              "<WayPoint Code=\"Q\"><Lat>45.1</Lat><Lon>-1</Lon></WayPoint>"
                              "<WayPoint Code=\"R\"><Lat>45.05</Lat><Lon>-0.9</Lon></WayPoint>"
                              "</WayPointSet></Waypoints></Geo>\n";

std::string Team(const std::string& iso, const std::string& groups)
{
    return "<Team IsoCountry=\"" + iso + "\"><TeamDescription><ShortName>" + iso + "</ShortName></TeamDescription>" +
           groups + "</Team>\n";
}

std::string Competitor(const std::string& number, const std::string& pilot)
{
    return "<Competitor Number=\"" + number + "\"><Pilot>" + pilot + "</Pilot></Competitor>";
}

std::string Instance(const std::string& version, const std::string& content)
{
    return "<TaskCatalogue><TaskTemplate ShortName=\"T\"><TaskInstance Version=\"" + version + "\">" + content +
           "</TaskInstance></TaskTemplate></TaskCatalogue>\n";
}

struct TLoad {
    TFixedVersion Version;
    std::vector<std::string> Messages;
    std::unique_ptr<TChampionship> Champ;

    // A text with an XML declaration (or a byte order mark) of its own comes
    // without Head; it is read from a file, with `dtd` beside it as Zephyrant.dtd.
    explicit TLoad(const std::string& text, bool withEnd = true, const std::string& dtd = "")
    {
        Version.Hooks->ShowMessage = [this](const std::string& m) { Messages.push_back(m); };
        const bool own = text.starts_with("<?xml") || text.starts_with("\xEF\xBB\xBF");
        TempDir dir;
        WriteFileBytes(dir.File("test.xch"), (own ? "" : Head) + text + (withEnd ? "</Championship>\n" : ""));
        if (!dtd.empty()) WriteFileBytes(dir.File("Zephyrant.dtd"), dtd);
        TXmlInput in(dir.File("test.xch"));
        Champ = std::make_unique<TChampionship>(in, "/data/champ/test.xch");
    }
    std::string Text()
    {
        TXmlOutput out("/tmp/never-closed.xch");
        Champ->WriteXml(out);
        return out.Text();
    }
};

TException Refusal(const std::string& text)
{
    try {
        TLoad load(text);
    } catch (const TException& e) {
        return e;
    }
    ADD_FAILURE() << "the file was not refused";
    return TException("", "", "");
}

// Opens the text, saves it and opens what was saved, which must save as the
// same text; the messages of both openings, and what the file held that was
// not loaded (Save asks before it replaces such a file).
std::vector<std::string> SavedAlike(const std::string& text, std::string* unloaded = nullptr, const std::string& dtd = "")
{
    TLoad load(text, true, dtd);
    if (unloaded) *unloaded = load.Champ->Unloaded();
    std::string written;
    EXPECT_NO_THROW(written = load.Text()) << text;
    TXmlInput in("again.xch", written);
    TChampionship again(in, "again.xch");
    TXmlOutput out;
    again.WriteXml(out);
    EXPECT_EQ(out.Text(), written) << text;
    return load.Messages;
}

} // namespace

TEST(ChampionshipReading, InputThatWouldAttachDataWrongRefusesTheFile)
{
    TException e = Refusal(Classes + "<Teams>" + Team("FRA", Competitor("1", "Ann")) + "</Teams>");
    EXPECT_EQ(e.WhatText(), "Competitor outside a class group");
    EXPECT_EQ(e.Where(), "Team FRA");
    EXPECT_EQ(e.Details(), "1");

    e = Refusal(Classes + "<Teams>" + Team("FRA", "<Class ShortName=\"k\">" + Competitor("1", "Ann") + "</Class>") +
                "</Teams>");
    EXPECT_EQ(e.WhatText(), "Unknown class in team");
    EXPECT_EQ(e.Details(), "k");

    // A group of a known class, then one of an unknown class.
    e = Refusal(Classes + "<Teams>" +
                Team("FRA", "<Class ShortName=\"K\">" + Competitor("1", "Ann") + "</Class><Class ShortName=\"Z\">" +
                                Competitor("2", "Bob") + "</Class>") +
                "</Teams>");
    EXPECT_EQ(e.WhatText(), "Unknown class in team");
    EXPECT_EQ(e.Details(), "Z");

    e = Refusal(Classes + "<Teams>" + Team("FRA", "<Class ShortName=\"K\">" + Competitor("1", "Ann") + "</Class>") +
                Team("FRA", "<Class ShortName=\"K\">" + Competitor("2", "Bob") + "</Class>") + "</Teams>");
    EXPECT_EQ(e.WhatText(), "Duplicate team");
    EXPECT_EQ(e.Details(), "FRA");
    // Also when the second team has no competitors to give it away early.
    e = Refusal(Classes + "<Teams>" + Team("FRA", "") + Team("FRA", "") + "</Teams>");
    EXPECT_EQ(e.WhatText(), "Duplicate team");

    e = Refusal(Classes + "<Tasks><TaskNumber Number=\"1\" Class=\"Q\" Template=\"T\" Instance=\"1\">"
                          "<Flight Number=\"1\"/></TaskNumber></Tasks>");
    EXPECT_EQ(e.WhatText(), "Unknown class in task number");
    EXPECT_EQ(e.Details(), "Q");
    // Without any flight, and without the other attributes.
    e = Refusal(Classes + "<Tasks><TaskNumber Number=\"1\" Class=\"Q\"></TaskNumber></Tasks>");
    EXPECT_EQ(e.WhatText(), "Unknown class in task number");
    e = Refusal(Classes + "<Tasks><TaskNumber Number=\"1\"><Flight Number=\"1\"/></TaskNumber></Tasks>");
    EXPECT_EQ(e.WhatText(), "Unknown class in task number");
    EXPECT_EQ(e.Details(), "");

    e = Refusal(Classes + "<Tasks><TaskNumber Number=\"1\" Class=\"K\" Colour=\"red\"/></Tasks>");
    EXPECT_EQ(e.WhatText(), "Invalid parameter in task number");
    EXPECT_EQ(e.Details(), "Colour (line 4)");
    e = Refusal("<Classes><Class ShortName=\"K\"><Pilot>Ann</Pilot></Class></Classes>");
    EXPECT_EQ(e.WhatText(), "Invalid attribute for node");
    EXPECT_EQ(e.Details(), "Pilot (line 3)");
    e = Refusal("<Geo Colour=\"red\"><Unknown>text</Unknown></Geo>");
    EXPECT_EQ(e.WhatText(), "Invalid attribute for node");
    EXPECT_EQ(e.Details(), "Unknown (line 3)");
}

TEST(ChampionshipReading, SecondCompetitorWithOneNumberIsDroppedAndReported)
{
    TLoad load(Classes + "<Teams>" + Team("FRA", "<Class ShortName=\"K\">" + Competitor("1", "Ann") + "</Class>") +
               Team("GBR", "<Class ShortName=\"L\">" + Competitor("1", "Bob") + Competitor("2", "Cid") + "</Class>") +
               "</Teams><Tasks><TaskNumber Number=\"1\" Class=\"L\" Template=\"\" Instance=\"\"/></Tasks>");
    TChampionship& c = *load.Champ;
    ASSERT_EQ(c.Competitors.size(), 2u);
    EXPECT_EQ(c.FindCompetitor("1")->GetAttribute(acPilot), "Ann");
    EXPECT_EQ(c.FindCompetitor("1")->Team, c.Teams.FindKey("FRA"));
    EXPECT_EQ(c.FindClass("L")->Competitors.size(), 1u);
    EXPECT_EQ(c.Teams.FindKey("GBR")->Groups().begin()->second.size(), 1u);
    // Ann flies in K, so no flight of hers in L's task.
    EXPECT_EQ(c.FindClass("L")->FlightsOf(c.FindClass("L")->TaskNumbers.FindKey("1")).size(), 1u);
    ASSERT_EQ(load.Messages.size(), 1u);
    EXPECT_THAT(load.Messages[0], HasSubstr("Competitor 1 of team GBR"));
    EXPECT_EQ(c.LoadWarnings().size(), 1u);
}

TEST(ChampionshipReading, UnknownTaskVersionAndFlightsWithoutCompetitorAreKept)
{
    const std::string tasks =
        "<Tasks><TaskNumber Number=\"1\" Class=\"K\" Template=\"NAV\" Instance=\"3\">"
        "<Flight Number=\"1\"><IgcFileName>1T1.igc</IgcFileName></Flight>"
        "<Flight Number=\"99\"><IgcFileName>99T1.igc</IgcFileName><Datum>D</Datum></Flight>"
        "<Flight Number=\"5\"/>"
        "</TaskNumber></Tasks>";
    TLoad load(Classes + "<Teams>" +
               Team("FRA", "<Class ShortName=\"K\">" + Competitor("1", "Ann") + Competitor("2", "Bea") + "</Class>" +
                               "<Class ShortName=\"L\">" + Competitor("5", "Eve") + "</Class>") +
               "</Teams>" + tasks);
    TChampionship& c = *load.Champ;
    TCClass* k = c.FindClass("K");
    TTaskNumber* tn = k->TaskNumbers.FindKey("1");
    ASSERT_NE(tn, nullptr);
    EXPECT_EQ(tn->Instance, nullptr);
    EXPECT_EQ(tn->Class, k);
    EXPECT_EQ(tn->DisplayName(), "1");
    const auto& flights = k->FlightsOf(tn);
    // Ann's and Bea's (made for her, she had none stored), 99 and 5 kept.
    ASSERT_EQ(flights.size(), 4u);
    EXPECT_EQ(flights.FindKey("1")->Competitor(), c.FindCompetitor("1"));
    EXPECT_EQ(flights.FindKey("2")->Competitor(), c.FindCompetitor("2"));
    EXPECT_EQ(flights.FindKey("99")->Competitor(), nullptr);
    EXPECT_EQ(flights.FindKey("99")->DisplayName(), "99 (no competitor)");
    // Eve flies in L: she is not this flight's pilot.
    EXPECT_EQ(flights.FindKey("5")->Competitor(), nullptr);
    EXPECT_EQ(flights.FindKey("5")->TaskNumber(), tn);
    ASSERT_EQ(load.Messages.size(), 1u);
    EXPECT_THAT(load.Messages[0], HasSubstr("NAV - 3"));
    EXPECT_THAT(load.Messages[0], HasSubstr("holds flight 99 (log 99T1.igc), which no competitor of the class has"));

    const std::string text = load.Text();
    EXPECT_THAT(text, HasSubstr("<TaskNumber Number=\"1\" Class=\"K\" Template=\"NAV\" Instance=\"3\">"));
    EXPECT_THAT(text, HasSubstr("<Flight Number=\"99\">\n\t\t\t\t<IgcFileName>99T1.igc</IgcFileName>\n"
                                "\t\t\t\t<ResultsFileName/>\n\t\t\t\t<Datum>D</Datum>"));
    EXPECT_THAT(text, HasSubstr("<Flight Number=\"2\">"));
}

TEST(ChampionshipReading, DuplicatesAreDroppedReportedAndFreed)
{
    TLoad load("<Geo><Maps><Map ShortName=\"M\"/><Map ShortName=\"M\"/></Maps></Geo>"
               "<Classes><Class ShortName=\"K\"/><Class ShortName=\"K\"><Name>second</Name></Class></Classes>"
               "<TaskCatalogue><TaskTemplate ShortName=\"T\"><TaskInstance Version=\"1\"/>"
               "<TaskInstance Version=\"1\"/></TaskTemplate><TaskTemplate ShortName=\"T\"/></TaskCatalogue>"
               "<Tasks><TaskNumber Number=\"1\" Class=\"K\" Template=\"T\" Instance=\"1\">"
               "<Flight Number=\"7\"/><Flight Number=\"7\"/></TaskNumber>"
               "<TaskNumber Number=\"1\" Class=\"K\" Template=\"T\" Instance=\"1\"><Flight Number=\"8\"/></TaskNumber>"
               "</Tasks>");
    TChampionship& c = *load.Champ;
    EXPECT_EQ(c.Maps.size(), 1u);
    EXPECT_EQ(c.Classes.size(), 1u);
    EXPECT_EQ(c.FindClass("K")->GetAttribute(acName), "");
    EXPECT_EQ(c.TaskTemplates.size(), 1u);
    EXPECT_EQ(c.FindTaskTemplate("T")->Instances.size(), 1u);
    TCClass* k = c.FindClass("K");
    ASSERT_EQ(k->TaskNumbers.size(), 1u);
    EXPECT_EQ(k->FlightsOf(*k->TaskNumbers.begin()).size(), 1u);
    ASSERT_EQ(load.Messages.size(), 1u);
    // Map, class, instance, template, flight 7 without its competitor and
    // again, flight 8, task number.
    EXPECT_EQ(c.LoadWarnings().size(), 8u) << load.Messages[0];
}

TEST(ChampionshipReading, FileEndingEarlyLoadsWhatItHoldsAndSaysSo)
{
    const std::string full = Classes + "<Teams>" +
                             Team("FRA", "<Class ShortName=\"K\">" + Competitor("1", "Ann") + Competitor("2", "Bea") +
                                             "</Class>") +
                             "</Teams>";
    // Cut inside the second competitor.
    TLoad load(full.substr(0, full.find("Bea")), false);
    EXPECT_EQ(load.Champ->Competitors.size(), 2u);
    EXPECT_EQ(load.Champ->FindCompetitor("1")->GetAttribute(acPilot), "Ann");
    ASSERT_EQ(load.Messages.size(), 1u);
    EXPECT_THAT(load.Messages[0], HasSubstr("ends before the end of the championship"));

    // Cut inside a task number before its class was known.
    TLoad cut(Classes + "<Tasks><TaskNumber Number=\"1\"", false);
    EXPECT_TRUE(cut.Champ->FindClass("K")->TaskNumbers.empty());
    EXPECT_EQ(cut.Messages.size(), 1u);

    // Nothing at all after the head.
    TLoad empty("", false);
    EXPECT_EQ(empty.Messages.size(), 1u);
    TLoad whole(full);
    EXPECT_TRUE(whole.Messages.empty());
}

// What a stray or cut end tag hides from the load is not lost without a word.
TEST(ChampionshipReading, StrayOrCutEndTagsAreReported)
{
    // An early end of the championship, with the classes behind it.
    TLoad early("<ChampionshipDescription><Name>N</Name></ChampionshipDescription>\n</Championship>\n" + Classes);
    EXPECT_TRUE(early.Champ->Classes.empty());
    ASSERT_EQ(early.Messages.size(), 1u);
    EXPECT_THAT(early.Messages[0], HasSubstr("goes on after the end of the championship (line 5)"));

    // Cut inside the end tag of the description: it reads as the end of
    // the championship.
    TLoad cut("<ChampionshipDescription><Name>N</Name></Championship", false);
    ASSERT_EQ(cut.Messages.size(), 1u);
    EXPECT_THAT(cut.Messages[0], HasSubstr("end tag </Championship> on line 3 where <ChampionshipDescription> is open"));

    // Inside a class.
    TLoad inside("<Classes><Class ShortName=\"K\"></Championship></Class></Classes>\n");
    ASSERT_EQ(inside.Messages.size(), 1u);
    EXPECT_THAT(inside.Messages[0], HasSubstr("</Championship> on line 3 where <Class> is open"));
}

// Editors that save as UTF-8 put a byte order mark first.
TEST(ChampionshipReading, ByteOrderMarkIsSkipped)
{
    TFixedVersion version;
    TXmlInput in("bom.xch", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Championship>\n" + Classes +
                                "</Championship>\n");
    TChampionship champ(in, "bom.xch");
    EXPECT_EQ(champ.Classes.size(), 2u);
    EXPECT_TRUE(champ.LoadWarnings().empty());
}

TEST(ChampionshipReading, TaskNumberAttributesInAnyOrderAndResolvedOnceAllAreKnown)
{
    const std::string catalogue = "<TaskCatalogue><TaskTemplate ShortName=\"NAV\"><TaskInstance Version=\"2\"/>"
                                  "</TaskTemplate></TaskCatalogue>";
    TLoad load(Classes + catalogue +
               "<Tasks><TaskNumber Template=\"NAV\" Number=\"3\" Instance=\"2\" Class=\"K\"/></Tasks>");
    TTaskNumber* tn = *load.Champ->FindClass("K")->TaskNumbers.begin();
    EXPECT_EQ(tn->DisplayName(), "3: NAV - 2");
    EXPECT_EQ(tn->Instance, load.Champ->FindTaskTemplate("NAV")->FindInstance("2"));
    EXPECT_EQ(load.Champ->CountTaskNumbersUsing(tn->Instance), 1);
    EXPECT_FALSE(tn->Instance->CanDelete());
    EXPECT_TRUE(load.Messages.empty());
}

TEST(ChampionshipReading, RootNameSectionsAndEmptyElements)
{
    // The root's name is not checked: texts inside any root set the
    // championship's attributes, only Championship's own XML attributes do;
    // section attributes are ignored; an empty element leaves its attribute
    // empty.
    TXmlInput in("x", "<Other ShortName=\"S\"><Name>N</Name><ShortName>T</ShortName><Date/>"
                      "<Classes Colour=\"red\"/></Other>");
    TChampionship champ(in, "x");
    EXPECT_EQ(champ.GetAttribute(acShortName), "T");
    EXPECT_EQ(champ.GetAttribute(acName), "N");
    EXPECT_EQ(champ.DisplayName(), "T");
    EXPECT_EQ(champ.GetAttribute(acDate), "");
    // No end tag of Championship; the root's name and the attributes of it
    // and of a section are not saved.
    EXPECT_EQ(champ.LoadWarnings().size(), 2u);
}

// The folder of the file and the names of its files lead where the kernel takes them: a relative name from the
// working folder, ".." after a linked folder from where the link leads, a link to the file to the file's folder, a
// part not there yet as written; only '/' parts folders (F: the folder, P: ResolvePath, R: RelativePath from From).
TEST(ChampionshipReading, FolderOfTheFileName)
{
    TempDir dir;
    namespace fs = std::filesystem;
    const std::string t = fs::canonical(dir.Path()).string() + "/", here = fs::current_path().string() + "/";
    fs::create_directories(t + "deep/sub");
    fs::create_directory_symlink("deep/sub", t + "L");
    fs::create_symlink("deep/demo.xch", t + "cur.xch");
    const struct { char Kind; std::string From, Path, Expected; } cases[] = {
        {'F', "", "/home/judge/wmc/champ.xch", "/home/judge/wmc/"}, {'F', "", "/c/Day 1: final.xch", "/c/"},
        {'F', "", "C:\\Champs\\wmc.xch", here}, {'F', "", "mixed\\dir/sub\\x.xch", here + "mixed\\dir/"},
        {'F', "", "", ""}, {'F', "", t + "cur.xch", t + "deep/"}, {'F', "", t + "L/../new.xch", t + "deep/"},
        {'F', "", t + "L/new/x.xch", t + "deep/sub/new/"}, {'P', "", t + "L/../demo.xch", t + "deep|demo.xch"},
        {'P', "", t + "L/new/../x", t + "deep/sub|new/../x"}, {'R', t + "L", t + "deep/demo.xch", "../demo.xch"},
        {'R', t + "deep", t + "L/x.igc", "sub/x.igc"},
    };
    for (const auto& c : cases) {
        TXmlInput in("x", "<Championship></Championship>");
        TChampionship champ(in, c.Path);
        const TResolvedPath path = ResolvePath(c.Path);
        EXPECT_EQ(c.Kind == 'F' ? champ.Folder() : c.Kind == 'P' ? path.Real + "|" + path.Rest : RelativePath(c.From, c.Path),
                  c.Expected) << c.Kind << ' ' << c.Path;
        EXPECT_EQ(champ.FileName(), c.Path);
    }
}

// ---------------------------------------------------------------- task catalogue

TEST(TaskCatalogueReading, ElementsAndTheValuesCarriedOver)
{
    TLoad load(Waypoints + Instance("1", "<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"200.4\"/>"
                                         "<TurnPoint WayPoint=\"Q\"/>"
                                         "<TurnPoint WayPoint=\"R\" Radius=\" 50 \"/></TurnPoints>"
                                         "<Legs><Leg From=\"P\" To=\"Q\"/></Legs>"
                                         "<ArcLegs><ArcLeg From=\"P\" To=\"Q\" Mid=\"R\"/></ArcLegs>"
                                         "<Gates><Gate WayPoint=\"R\" Bearing=\"370\" Radius=\"150\"/>"
                                         "<Gate WayPoint=\"P\"/>"
                                         "<Gate From=\"P\" To=\"Q\" Percent=\"25\"/>"
                                         "<Gate From=\"P\" To=\"Q\" Mid=\"R\"/></Gates>"));
    TTaskInstance* inst = load.Champ->FindTaskTemplate("T")->FindInstance("1");
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(inst->GetCheckElement(ceTurnPoint, "P")->Radius, 200.4);
    EXPECT_EQ(inst->GetCheckElement(ceTurnPoint, "Q")->Radius, 200.4); // carried over
    EXPECT_EQ(inst->GetCheckElement(ceTurnPoint, "R")->Radius, 50.0);
    EXPECT_EQ(inst->GetCheckElement(ceStraightLeg, "P - Q")->Radius, 50.0);
    EXPECT_EQ(inst->GetCheckElement(ceArcLeg, "P - R - Q")->Radius, 50.0);
    auto* gate = static_cast<TGate*>(inst->GetCheckElement(ceGate, "R (010)"));
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(gate->Radius, 150.0);
    // Bearing carried over to the next waypoint gate, Percent to the next
    // leg gate.
    EXPECT_NE(inst->GetCheckElement(ceGate, "P (010)"), nullptr);
    EXPECT_NE(inst->GetCheckElement(ceGate, "P - Q (25%)"), nullptr);
    EXPECT_NE(inst->GetCheckElement(ceGate, "P - R - Q (25%)"), nullptr);
    EXPECT_EQ(inst->ChangeCount, 9);
    EXPECT_TRUE(load.Messages.empty());
}

TEST(TaskCatalogueReading, MessagesOfTheTaskInstanceReader)
{
    struct TCase {
        std::string Content;
        const char* What;
        std::string Details;
    } cases[] = {
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Colour=\"red\"/></TurnPoints>", "Invalid parameter in task instance",
         "Colour (line 4)"},
        {"<TurnPoints Version=\"2\"/>", "Invalid parameter in task instance", "Version (line 4)"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\"/><TurnPoint WayPoint=\"P\"/></TurnPoints>", "Can't add Turn Point", "P"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\"/><TurnPoint WayPoint=\"Q\"/></TurnPoints>"
         "<Legs><Leg From=\"P\" To=\"Q\"/><Leg From=\"P\" To=\"Q\"/></Legs>",
         "Can't add Leg", "P - Q"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\"/><TurnPoint WayPoint=\"Q\"/><TurnPoint WayPoint=\"R\"/></TurnPoints>"
         "<ArcLegs><ArcLeg From=\"P\" To=\"Q\" Mid=\"R\"/><ArcLeg From=\"P\" To=\"Q\" Mid=\"R\"/></ArcLegs>",
         "Can't add Leg", "P - R - Q"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\"/><TurnPoint WayPoint=\"Q\"/></TurnPoints>"
         "<ArcLegs><ArcLeg From=\"P\" To=\"Q\" Mid=\"P\"/></ArcLegs>",
         "Can't calculate arc leg. Try different points.", ""},
        // The gate on a leg before the legs were read.
        {"<TurnPoints><TurnPoint WayPoint=\"P\"/><TurnPoint WayPoint=\"Q\"/></TurnPoints>"
         "<Gates><Gate From=\"P\" To=\"Q\" Percent=\"50\"/></Gates><Legs><Leg From=\"P\" To=\"Q\"/></Legs>",
         "Can't add Gate", "P - Q"},
        {"<Gates><Gate WayPoint=\"NOWHERE\" Bearing=\"5\"/></Gates>", "Can't add Gate", "NOWHERE"},
        {"<Gates><Gate WayPoint=\"P\" Bearing=\"5\"/><Gate WayPoint=\"P\" Bearing=\"5.2\"/></Gates>", "Can't add Gate",
         "P"},
    };
    for (const TCase& c : cases) {
        TException e = Refusal(Waypoints + Instance("1", c.Content));
        EXPECT_EQ(e.WhatText(), c.What) << c.Content;
        EXPECT_EQ(e.Details(), c.Details) << c.Content;
    }
    // A number that does not read wholly, or is not finite, refuses the file
    // rather than becoming 0, a prefix of it, or a NaN in the analysis.
    const struct {
        std::string Content;
        std::string Text;
    } numbers[] = {
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"x\"/></TurnPoints>", "x"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"NaN\"/></TurnPoints>", "NaN"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"inf\"/></TurnPoints>", "inf"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"1e400\"/></TurnPoints>", "1e400"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"1,5\"/></TurnPoints>", "1,5"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"0x10\"/></TurnPoints>", "0x10"},
        {"<Gates><Gate WayPoint=\"P\" Bearing=\"51.1abc\"/></Gates>", "51.1abc"},
        {"<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"" + std::string(1000, '9') + "x\"/></TurnPoints>",
         std::string(80, '9') + "..."},
        {"<Gates><Gate WayPoint=\"P\" Bearing=\"\" Radius=\"100\"/></Gates>", ""},
        {"<TurnPoints><TurnPoint WayPoint=\"P\"/><TurnPoint WayPoint=\"Q\"/></TurnPoints>"
         "<Legs><Leg From=\"P\" To=\"Q\"/></Legs><Gates><Gate From=\"P\" To=\"Q\" Percent=\"half\"/></Gates>",
         "half"},
    };
    for (const auto& c : numbers) {
        TException e = Refusal(Waypoints + Instance("1", c.Content));
        EXPECT_EQ(e.WhatText(), "Invalid number") << c.Content;
        EXPECT_EQ(e.Details(), c.Text) << c.Content;
    }
}

TEST(TaskCatalogueReading, MissingWaypointDropsItsTurnPointAndLegsWithAWarning)
{
    TLoad load(Waypoints + Instance("1", "<TurnPoints><TurnPoint WayPoint=\"P\"/><TurnPoint WayPoint=\"GONE\"/>"
                                         "</TurnPoints><Legs><Leg From=\"P\" To=\"GONE\"/></Legs>"
                                         "<Legs><Leg To=\"P\" From=\"GONE\"/></Legs>"));
    TTaskInstance* inst = load.Champ->FindTaskTemplate("T")->FindInstance("1");
    EXPECT_EQ(inst->CountCheckElements(ceTurnPoint), 1);
    EXPECT_EQ(inst->CountCheckElements(ceStraightLeg), 0);
    EXPECT_EQ(load.Champ->LoadWarnings().size(), 3u);
    ASSERT_EQ(load.Messages.size(), 1u);
    EXPECT_THAT(load.Messages[0], HasSubstr("turn point GONE names no waypoint"));
}

TEST(TaskCatalogueReading, InstancesTakeTheirPlaceByVersionOnceRead)
{
    TLoad load("<TaskCatalogue><TaskTemplate ShortName=\"T\"><Name>Nav</Name>"
               "<TaskInstance Version=\"\"/><TaskInstance Version=\"2\"/><TaskInstance Version=\"10\"/>"
               "<TaskInstance Version=\"1\"/></TaskTemplate></TaskCatalogue>");
    TTaskTemplate* t = load.Champ->FindTaskTemplate("T");
    EXPECT_EQ(t->GetAttribute(acName), "Nav");
    std::string order;
    for (TTaskInstance* i : t->Instances) {
        order += "[" + i->GetAttribute(acVersion) + "]";
        EXPECT_EQ(i->Template, t);
        EXPECT_EQ(i->Owner(), load.Champ.get());
        EXPECT_EQ(i->DisplayName(), "T - " + i->GetAttribute(acVersion));
    }
    EXPECT_EQ(order, "[][1][10][2]");
    EXPECT_TRUE(load.Messages.empty());
    const std::string text = load.Text();
    EXPECT_LT(text.find("Version=\"1\""), text.find("Version=\"10\""));
    EXPECT_LT(text.find("Version=\"10\""), text.find("Version=\"2\""));
}

TEST(TaskCatalogueReading, LegGatePercentKeepsItsNameAcrossAReload)
{
    TFixedVersion version;
    auto champ = BuildFull();
    TTaskInstance* inst = champ->FindTaskTemplate("NAV")->FindInstance("1");
    auto* leg = static_cast<TStraightLeg*>(inst->GetCheckElement(ceStraightLeg, "A - B"));
    auto* gate = new TGate(leg, 12.499, 100);
    EXPECT_EQ(gate->Percent, 12.5);
    EXPECT_EQ(gate->Name, "A - B (13%)");
    ASSERT_FALSE(inst->AddGate(gate)); // the fixture's 12.5 gate has that name already
    delete gate;
    gate = new TGate(leg, 33.3333, 100);
    ASSERT_TRUE(inst->AddGate(gate));
    EXPECT_EQ(gate->Percent, 33.33);
    TXmlOutput out("/tmp/never-closed.xch");
    champ->WriteXml(out);
    EXPECT_THAT(out.Text(), HasSubstr("Percent=\"33.33\""));
    TXmlInput in("x", out.Text());
    TChampionship loaded(in, "x");
    auto* back = static_cast<TGate*>(
        loaded.FindTaskTemplate("NAV")->FindInstance("1")->GetCheckElement(ceGate, "A - B (33%)"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Percent, gate->Percent);
    EXPECT_EQ(back->Location.Geo.Lat, gate->Location.Geo.Lat);
}

TEST(ChampionshipReading, DegreesThatAreNoPlaceRefuseTheFile)
{
    // Found by fuzzing: a longitude of 1e60 degrees had no UTM zone.
    TException e = Refusal("<Geo><Waypoints><WayPointSet><WayPoint Code=\"P\"><Lat>45</Lat><Lon>1e60</Lon>"
                           "</WayPoint></WayPointSet></Waypoints></Geo>");
    EXPECT_EQ(e.WhatText(), "Invalid number");
    EXPECT_EQ(e.Details(), "1e60");
    e = Refusal("<Geo><Waypoints><WayPointSet><WayPoint Code=\"P\"><Lat>-90.5</Lat><Lon>1</Lon>"
                "</WayPoint></WayPointSet></Waypoints></Geo>");
    EXPECT_EQ(e.WhatText(), "Invalid number");
    e = Refusal("<Geo><Maps><Map ShortName=\"M\"><Projection>UTM</Projection><Georef>"
                "<MapRef X=\"1\" Y=\"2\" Lat=\"45\" Lon=\"-180.5\"/></Georef></Map></Maps></Geo>");
    EXPECT_EQ(e.WhatText(), "Invalid number");
    EXPECT_EQ(e.Where(), "Lon");
    // The limits themselves are places.
    TLoad load("<Geo><Waypoints><WayPointSet><WayPoint Code=\"P\"><Lat>-90</Lat><Lon>180</Lon>"
               "</WayPoint></WayPointSet></Waypoints></Geo>");
    EXPECT_NE(load.Champ->WayPoints.Find("P"), nullptr);
}

// A control character in any value opens as a blank, said once per file with
// the first one's place: the writer refuses them, so Save would always fail.
TEST(ChampionshipReading, ControlCharactersOpenAsBlanksSaidOnceAndTheFileSavesAlike)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<ChampionshipDescription><Venue>Ca\x01" "f\xE9</Venue></ChampionshipDescription>",
         "in <Venue> on line 3; it was read as a blank."},
        {Classes + "<Teams>" + Team("FRA", "<Class ShortName=\"K\">" + Competitor("7", "Ann") + "</Class>") +
             "</Teams><Tasks><TaskNumber Number=\"1\" Class=\"K\">\n<Flight Number=\"7\"><ResultsFileName>r&#1;"
             "</ResultsFileName></Flight></TaskNumber></Tasks>",
         "in <ResultsFileName> on line 6; it was read as a blank."},
        {"<Geo><Waypoints><WayPointSet>\n<WayPoint Code=\"P\x02Q\"><Lat>45</Lat><Lon>-1</Lon></WayPoint></WayPointSet>"
         "</Waypoints></Geo>\n" + Instance("1", "<TurnPoints><TurnPoint WayPoint=\"P&#2;Q\"/></TurnPoints>"),
         "in the attribute Code of <WayPoint> on line 4, and 1 more after it; each was read as a blank."},
        {"<ChampionshipDescription>\n<Name>&#31;</Name><Organiser> a&#10;&#27; b</Organiser></ChampionshipDescription>",
         "in <Name> on line 4, and 1 more after it; each was read as a blank."},
        // C1 controls, which are letters as Windows-1252 bytes.
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Championship>\n<ChampionshipDescription><Venue>A&#x85;B&#x80;C"
         "\xC2\x85</Venue></ChampionshipDescription>",
         "in <Venue> on line 3, and 2 more after it; each was read as a blank."},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(SavedAlike(text),
                  std::vector<std::string>{"The file /data/champ/test.xch holds a control character " + message});
}

// Valid XML that the reader does not take as written, or a Save would not
// write back, is said once with the first place and how many more; Save
// then asks before it replaces the file.
TEST(ChampionshipReading, WhatIsNotLoadedAsWrittenIsSaidOnceAndSaveAsksFirst)
{
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Championship>\n";
    const std::string d = "<ChampionshipDescription>", e = "</ChampionshipDescription>";
    const std::string dtd = "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>\n<!DOCTYPE Championship SYSTEM "
                            "\"Zephyrant.dtd\">\n<Championship ShortName=\"X\">\n";
    const struct {
        std::string Text;
        std::string First;
        int More;
        std::string Dtd = {};  // the Zephyrant.dtd beside the file
    } cases[] = {
        {utf8 + d + "<Venue>\xC5\x81ucja W\xC4\x85s &#937;&#x2028;&#xFFFE;&#xD800;</Venue>" + e,
         "a character that Windows-1252 has no byte for in <Venue> on line 3", 5},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\n<Championship>\n" + d + "<Venue>\xA3\xF3" "d\xBC</Venue>" +
             e,
         "a character of the encoding ISO-8859-2 (read as Windows-1252) in <Venue> on line 3", 0},
        {d + "<Venue><![CDATA[Ana & Ruiz]]></Venue>" + e, "a CDATA section in <Venue> on line 3", 0},
        {d + "<Venue>Ana<!-- c --> Ruiz</Venue><Organiser>A<?pi x?>B</Organiser><Country>C<![CDATA[D]]>E</Country>" + e,
         "a comment in <Venue> on line 3", 5},
        {d + "<Venue>Ana&nbsp;Ruiz</Venue>" + e,
         "a reference to an entity that the file does not declare in <Venue> on line 3", 0},
        {d + "<Venue>A</Venue><Venue>B</Venue>" + e + "<Sponsor/><!-- note -->",
         "a value of Venue given twice (the second in <Venue> on line 3)", 2},
        {"<Geo><Waypoints><WayPointSet ShortName=\"Other\"><WayPoint Code=\"P\" Code=\"Q\"><Lat>45</Lat><Lat>46</Lat>"
         "<Lon>-1</Lon><Name>n</Name></WayPoint></WayPointSet></Waypoints></Geo>",
         "the attribute ShortName of <WayPointSet> on line 3", 3},
        {Classes + "<Teams>" + Team("FRA", "<Class ShortName=\"K\" Note=\"n\">" + Competitor("1", "Ann") + "</Class>") +
             "</Teams>" + Instance("1", "<TurnPoints>n</TurnPoints>") +
             "<Tasks><TaskNumber Number=\"1\" Class=\"K\">n<Flight Number=\"1\"/></TaskNumber></Tasks>",
         "the attribute Note of <Class> on line 4", 2},
        {"<Geo><Maps><Map ShortName=\"M\"><Datum>WGS 84</Datum><Region>Global</Region><Georef Note=\"n\">"
         "<MapRef X=\"1\" Y=\"2\" Lat=\"45\" Lon=\"-1\" Z=\"0\"/></Georef></Map></Maps></Geo>",
         "the attribute Note of <Georef> on line 3", 1},
        // Declarations Save does not write, and an entity whose text is a
        // file (not there): the value has the text around the reference.
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE Championship [<!ENTITY who SYSTEM \"part.txt\">]>\n<Championship>\n" +
             Classes + "<Teams>" + Team("FRA", "<Class ShortName=\"K\">" + Competitor("1", "&who; Ruiz") + "</Class>") +
             "</Teams>",
         "a document type declaration with an internal subset on line 2", 1},
        // What a DTD beside the file changes or supplies; what it leaves as written is no change.
        {dtd + Waypoints + Instance("1", "<TurnPoints><TurnPoint WayPoint=\"P\" Radius=\"400\"/>"
                                         "<TurnPoint WayPoint=\"Q\" Radius=\"5\"/></TurnPoints>"),
         "a value of Radius that the document type definition fixes in <TurnPoint> on line 5", 0,
         "<!ATTLIST TurnPoint Radius CDATA #FIXED '5'><!ATTLIST Championship ShortName CDATA #FIXED 'X'>"},
        {dtd, "a default that the document type definition supplies for Venue in <Championship> on line 3", 0,
         "<!ATTLIST Championship Venue CDATA 'Lyon' Name CDATA #IMPLIED>"},
        {dtd + "<Classes><Class ShortName=\"K\"/><Class ShortName=\" L  \"/></Classes>",
         "blanks of ShortName that the document type definition joins or trims in <Class> on line 4", 0,
         "<!ATTLIST Class ShortName NMTOKEN #REQUIRED>"},
        {dtd + d + "<Venue>&at; Lyon</Venue>" + e + "<Classes><Class ShortName=\"K&at;\"/></Classes>",
         "a reference to the entity &at; that the document type definition declares in <Venue> on line 4", 1,
         "<!ENTITY at \"Aerodrome\"><!ENTITY unused \"x\">"},
        {dtd, "a reference to an external parameter entity %notes; on line 2", 2,
         "<!ENTITY % notes SYSTEM \"notes.txt\">%notes;<!ENTITY note \"%notes;\">"
         "<!ATTLIST Championship Venue CDATA \"&note;\">"},
        // A byte order mark says UTF-8, whatever the declaration says.
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Championship>\n" + d +
             "<Venue>Caf\xC3\xA9</Venue>" + e,
         "a declared encoding ISO-8859-1 that the byte order mark contradicts (read as UTF-8) on line 1", 0},
    };
    for (const auto& c : cases) {
        std::string unloaded;
        const std::string more = c.More ? ", and " + std::to_string(c.More) + " more after it." : ".";
        EXPECT_EQ(SavedAlike(c.Text, &unloaded, c.Dtd),
                  std::vector<std::string>{"The file /data/champ/test.xch holds what was not loaded as written: " +
                                           c.First + more});
        EXPECT_THAT(unloaded, StartsWith(c.First));
    }
    EXPECT_EQ(TLoad(cases[std::size(cases) - 1].Text).Champ->GetAttribute(acVenue), "Caf\xE9");
}

// A NUL byte (a damaged block of the disk) ends the reading: the message
// says where, in the file's own lines and bytes, and that more follows.
TEST(ChampionshipReading, ANulByteIsNamedWithItsLineAndOffset)
{
    TFixedVersion version;
    version.Hooks->ShowMessage = [](const std::string&) {};
    const std::string before = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<Championship ShortName=\"X\">\r\n"
                               "<Classes>\r\n<Class ShortName=\"K\"/>";
    const std::string after = "<Class ShortName=\"L\"/></Classes>\r\n</Championship>\r\n";
    TXmlInput in("nul.xch", before + std::string(4096, '\0') + after);
    const std::string message = "The file nul.xch holds a NUL byte at line 4 (byte offset " +
                                std::to_string(before.size()) + "); what follows it was not loaded.";
    EXPECT_EQ(TChampionship(in, "nul.xch").LoadWarnings(), std::vector<std::string>{message});
    // Zeros that only pad a whole championship hide nothing.
    TXmlInput padded("padded.xch", before + after + std::string(512, '\0'));
    EXPECT_TRUE(TChampionship(padded, "padded.xch").Unloaded().empty());
}

// A datum that the datum file does not hold still refuses the file, saying
// which map, which datum and region, and which file.
TEST(ChampionshipReading, AMapOnADatumNotInTheDatumFileIsNamed)
{
    const TException e = Refusal("<Geo><Maps><Map ShortName=\"LEV\"><Datum>WGS 68</Datum><Region>Nowhere</Region>"
                                 "<Georef><MapRef X=\"1\" Y=\"2\" Lat=\"45\" Lon=\"-1\"/></Georef></Map></Maps></Geo>");
    EXPECT_EQ(e.Message(), "<Invalid parameter for ellipsoid> in <Map LEV>. Details: <datum \"WGS 68\", region "
                           "\"Nowhere\": not in " + Platform::ProgramFolder() + "/Datums.xml>");
}

// Found by fuzzing: files that opened, but not so again once saved.
TEST(ChampionshipReading, WhatOpensSavesAFileThatOpensAlike)
{
    // A datum named after a map's references, or by a waypoint set without
    // its end tag, is checked as the saved file has it checked.
    for (const char* text : {"<Geo><Maps><Map ShortName=\"M\"><Datum>WGS 84</Datum><Region>Global</Region><Georef>"
                             "<MapRef X=\"1\" Y=\"2\" Lat=\"45\" Lon=\"-1\"/></Georef><Datum>WGS 68</Datum></Map>",
                             "<Geo><Waypoints><WayPointSet><Datum>WGS 68</Datum><Region>Global</Region></Waypoints>"})
        EXPECT_EQ(Refusal(text).WhatText(), "Invalid parameter for ellipsoid") << text;
    // A value given as an XML attribute, saved as an element's text; a task
    // number nested in another whose end tag is missing.
    SavedAlike("<Classes><Class ShortName=\" K \" Name=\" a  b \"/></Classes>");
    SavedAlike(Classes + "<Tasks><TaskNumber Number=\"1\" Class=\"L\" Template=\"T\" Instance=\"1\"><Flight "
                         "Number=\"9\"/><TaskNumber Number=\"4\" Class=\"K\" Template=\"T\" Instance=\"1\"></Tasks>");
}
