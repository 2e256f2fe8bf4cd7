#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "model/Champobjects.h"
#include "platform/Exceptions.h"
#include "xml/Xmlfile.h"

namespace {

class TGenericNode : public TChampNode {
public:
    explicit TGenericNode(TNodeType type) : TChampNode(type) { UpdateName(); }
    void UpdateName() override { FDisplayName = KeyValue(); }
    // The element with the description wrapper.
    void WriteWithDescription(TXmlOutput& out)
    {
        WriteXmlHead(out, true);
        WriteXmlTail(out);
    }
};

class NodeElement : public testing::Test {
protected:
    void SetUp() override
    {
        FFolder = std::filesystem::temp_directory_path() /
                  ("zeph-node-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(FFolder);
    }
    void TearDown() override { std::filesystem::remove_all(FFolder); }

    std::string PathOf(const std::string& name) const { return (FFolder / name).string(); }

    std::string WriteFile(const std::string& name, const std::string& text) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name);
    }

    // Takes the start item of the node's element, as the reader of the
    // enclosing element does before it hands over to the node.
    static void SkipStart(TXmlInput& in, const std::string& element)
    {
        ASSERT_TRUE(in.HasData());
        TXmlData start = in.Get();
        ASSERT_EQ(start.Kind, xkStart);
        ASSERT_EQ(start.Element, element);
    }

    std::filesystem::path FFolder;
};

TGenericNode MakeClass()
{
    TGenericNode cls(ntClass);
    cls.SetAttribute(acShortName, "AL1");
    cls.SetAttribute(acName, "Microlight single seat");
    cls.SetAttribute(acRole1, "Pilot");
    return cls;
}

} // namespace

TEST_F(NodeElement, WrittenWithTheKeyInTheStartTagAndOneChildPerOtherAttribute)
{
    TGenericNode cls = MakeClass();
    AttributeNames.SetMode(TNameMap::nmLabels);
    TXmlOutput out(PathOf("class.xml"));
    cls.WriteXml(out);
    EXPECT_EQ(out.Text(),
              "<Class ShortName=\"AL1\">\n"
              "\t<Name>Microlight single seat</Name>\n"
              "\t<Description/>\n"
              "\t<Role1>Pilot</Role1>\n"
              "\t<Role2/>\n"
              "</Class>\n");
    // Writing switches both name maps to XML names.
    EXPECT_EQ(AttributeNames.Mode(), TNameMap::nmXmlNames);
    EXPECT_EQ(NodeTypeNames.Mode(), TNameMap::nmXmlNames);
}

TEST_F(NodeElement, WrittenWithTheDescriptionWrapper)
{
    TGenericNode set(ntWayPointSet);
    set.SetAttribute(acShortName, "Default");
    set.SetAttribute(acDatum, "WGS 84");
    TXmlOutput out(PathOf("set.xml"));
    set.WriteWithDescription(out);
    EXPECT_EQ(out.Text(),
              "<WayPointSet ShortName=\"Default\">\n"
              "\t<WayPointSetDescription>\n"
              "\t\t<Datum>WGS 84</Datum>\n"
              "\t\t<Region/>\n"
              "\t</WayPointSetDescription>\n"
              "</WayPointSet>\n");
}

TEST_F(NodeElement, EmptyNodesAndNodesWithoutAttributes)
{
    TGenericNode team(ntTeam);
    TGenericNode georef(ntGeoref);
    TXmlOutput out(PathOf("empty.xml"));
    team.WriteXml(out);
    georef.WriteXml(out);
    TAuxNode folder(ntTeams);
    folder.WriteXml(out);
    EXPECT_EQ(out.Text(),
              "<Team IsoCountry=\"\">\n"
              "\t<Name/>\n"
              "\t<ShortName/>\n"
              "\t<Club/>\n"
              "\t<Country/>\n"
              "</Team>\n"
              "<Georef>\n"
              "</Georef>\n");
}

TEST_F(NodeElement, ReadBackGivesTheSameAttributes)
{
    TGenericNode cls = MakeClass();
    cls.SetAttribute(acDescription, "Caf\xE9 & <b> \"1\" 2'");
    TGenericNode champ(ntChampionship);
    for (int i = 0; i < champ.AttributeCount(); ++i)
        champ.SetAttribute(champ.AttributeCode(i), "value " + std::to_string(i) + " \xBA");
    {
        TXmlOutput out(PathOf("both.xml"));
        out.WriteHeader();
        out.OpenElement("Root");
        champ.WriteXmlHead(out, true);
        champ.WriteXmlTail(out);
        cls.WriteXml(out);
        out.CloseElement();
        out.Close();
    }
    TXmlInput in(PathOf("both.xml"));
    SkipStart(in, "Root");
    SkipStart(in, "Championship");
    AttributeNames.SetMode(TNameMap::nmLabels); // reading chooses XML names itself
    TGenericNode champRead(ntChampionship);
    EXPECT_TRUE(champRead.ReadXml(in));
    SkipStart(in, "Class");
    TGenericNode clsRead(ntClass);
    EXPECT_TRUE(clsRead.ReadXml(in));
    for (int i = 0; i < champ.AttributeCount(); ++i) {
        TAttributeCode code = champ.AttributeCode(i);
        EXPECT_EQ(champRead.GetAttribute(code), champ.GetAttribute(code)) << AttributeNames.XmlName(code);
    }
    for (int i = 0; i < cls.AttributeCount(); ++i) {
        TAttributeCode code = cls.AttributeCode(i);
        EXPECT_EQ(clsRead.GetAttribute(code), cls.GetAttribute(code)) << AttributeNames.XmlName(code);
    }
    EXPECT_EQ(clsRead.DisplayName(), "AL1");
    // The reader stopped at the class's end tag.
    ASSERT_TRUE(in.HasData());
    EXPECT_EQ(in.Get().Element, "Root");
}

TEST_F(NodeElement, ReadingPassesOverForeignElementsButNotForeignTexts)
{
    std::string path = WriteFile("foreign.xml",
                                 "<Class ShortName=\"B\">"
                                 "<Name></Name>"
                                 "<Extra Pilot=\"ignored\"><Deeper/></Extra>"
                                 "<Role2>Navigator</Role2>"
                                 "</Class><After/>");
    TXmlInput in(path);
    SkipStart(in, "Class");
    TGenericNode cls(ntClass);
    EXPECT_TRUE(cls.ReadXml(in));
    EXPECT_EQ(cls.KeyValue(), "B");
    EXPECT_EQ(cls.GetAttribute(acName), "");
    EXPECT_EQ(cls.GetAttribute(acRole2), "Navigator");
    EXPECT_EQ(in.Get().Element, "After");

    struct Bad {
        const char* xml;
        const char* details;
    };
    const Bad bad[] = {
        {"<Class ShortName=\"B\"><Unknown>text</Unknown></Class>", "Unknown (line 1)"},
        {"<Class ShortName=\"B\"><Pilot>text</Pilot></Class>", "Pilot (line 1)"},
        {"<Class ShortName=\"B\" Number=\"3\"></Class>", "Number (line 1)"},
        {"<Class ShortName=\"B\"\n Colour=\"red\"></Class>", "Colour (line 1)"},
        {"<Class ShortName=\"B\">\n\n<Colour>red</Colour></Class>", "Colour (line 3)"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.xml);
        TXmlInput badIn(WriteFile("bad.xml", b.xml));
        SkipStart(badIn, "Class");
        TGenericNode node(ntClass);
        try {
            node.ReadXml(badIn);
            ADD_FAILURE() << "no exception";
        } catch (const TException& e) {
            EXPECT_EQ(e.WhatText(), "Invalid attribute for node");
            EXPECT_EQ(e.Details(), b.details);
        }
    }
}

TEST_F(NodeElement, ReadingStopsAtTheEndOfTheInput)
{
    TXmlInput in(WriteFile("short.xml", "<Root><Class ShortName=\"B\"><Name>N</Name></Root>"));
    SkipStart(in, "Root");
    SkipStart(in, "Class");
    TGenericNode cls(ntClass);
    EXPECT_FALSE(cls.ReadXml(in));
    EXPECT_EQ(cls.GetAttribute(acName), "N");

    // A folder node reads nothing and reports success.
    TXmlInput again(WriteFile("folder.xml", "<Teams><Team/></Teams>"));
    TAuxNode folder(ntTeams);
    EXPECT_TRUE(folder.ReadXml(again));
    EXPECT_EQ(again.Get().Element, "Teams");
}
