#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "model/Champobjects.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/StringGrid.h"

namespace {

// A node of any type whose display name shows the key and counts rebuilds.
class TProbeNode : public TChampNode {
public:
    explicit TProbeNode(TNodeType type = ntClass, const std::string& key = "") : TChampNode(type)
    {
        if (!key.empty()) SetAttribute(KeyAttribute(), key);
        UpdateName();
    }
    ~TProbeNode() override { ++Destroyed; }
    void UpdateName() override
    {
        ++Rebuilds;
        FDisplayName = KeyAttribute() == acNone ? std::string("(none)") : "[" + KeyValue() + "]";
    }
    int Rebuilds = 0;
    static inline int Destroyed = 0;
};

struct AttributeRow {
    TAttributeCode code;
    const char* xml;
    const char* label;
};

const AttributeRow AttributeTable[] = {
    {acNone, "", ""},
    {acName, "Name", "Name"},
    {acShortName, "ShortName", "Short Name"},
    {acDate, "Date", "Date"},
    {acVenue, "Venue", "Venue"},
    {acOrganiser, "Organiser", "Organiser"},
    {acCountry, "Country", "Country"},
    {acIsoCountry, "IsoCountry", "ISO Country"},
    {acDirectory, "Directory", "Directory"},
    {acSoftware, "Software", "Software"},
    {acVersion, "Version", "Version"},
    {acDescription, "Description", "Description"},
    {acNumber, "Number", "Number"},
    {acCode, "Code", "Code"},
    {acPilot, "Pilot", "Pilot"},
    {acNavigator, "Navigator", "Navigator"},
    {acRegistration, "Registration", "Registration"},
    {acManufacturer, "Manufacturer", "Manufacturer"},
    {acModel, "Model", "Model"},
    {acEngine, "Engine", "Engine"},
    {acWings, "Wings", "Wings"},
    {acFuselage, "Fuselage", "Fuselage"},
    {acClub, "Club", "Club"},
    {acIgcFileName, "IgcFileName", "IGC File"},
    {acResultsFileName, "ResultsFileName", "Results File"},
    {acTaskFile, "TaskFile", "Task File"},
    {acMapFile, "MapFile", "Map File"},
    {acRole1, "Role1", "Role 1 name"},
    {acRole2, "Role2", "Role 2 name"},
    {acDatum, "Datum", "Datum"},
    {acRegion, "Region", "Region"},
    {acProjection, "Projection", "Projection"},
    {acScale, "Scale", "Scale"},
};

struct NodeTypeRow {
    TNodeType type;
    const char* xml;
    const char* label;
    TAttributeCode key;
    std::vector<TAttributeCode> attributes;
};

const std::vector<NodeTypeRow>& NodeTypeTable()
{
    static const std::vector<NodeTypeRow> rows = {
        {ntNone, "", "", acNone, {}},
        {ntChampionship, "Championship", "Championship", acShortName,
         {acName, acShortName, acDate, acVenue, acOrganiser, acCountry, acIsoCountry, acDirectory, acSoftware,
          acVersion}},
        {ntCountry, "Country", "Country", acNone, {}},
        {ntPerson, "Person", "Person", acNone, {}},
        {ntAircraft, "Aircraft", "Aircraft", acNone, {}},
        {ntCompetitor, "Competitor", "Competitor", acNumber,
         {acNumber, acPilot, acNavigator, acRegistration, acManufacturer, acModel, acEngine, acWings, acFuselage}},
        {ntTeam, "Team", "Team", acIsoCountry, {acName, acShortName, acClub, acCountry, acIsoCountry}},
        {ntClass, "Class", "Class", acShortName, {acName, acShortName, acDescription, acRole1, acRole2}},
        {ntTaskTemplate, "TaskTemplate", "Task Template", acShortName, {acName, acShortName, acDescription}},
        {ntTaskInstance, "TaskInstance", "Task Instance", acVersion, {acVersion}},
        {ntTaskNumber, "TaskNumber", "Task Number", acNumber, {acNumber}},
        {ntFlight, "Flight", "Flight", acNumber, {acNumber, acIgcFileName, acResultsFileName, acDatum, acRegion}},
        {ntMap, "Map", "Map", acShortName,
         {acName, acShortName, acDescription, acMapFile, acDatum, acRegion, acProjection, acScale}},
        {ntWayPointSet, "WayPointSet", "WayPoint Set", acShortName, {acShortName, acDatum, acRegion}},
        {ntGeoref, "Georef", "Map Reference", acNone, {}},
    };
    return rows;
}

std::vector<TAttributeCode> ListOf(const TChampNode& node)
{
    std::vector<TAttributeCode> out;
    for (int i = 0; i < node.AttributeCount(); ++i) out.push_back(node.AttributeCode(i));
    return out;
}

} // namespace

TEST(NameTables, AttributeCodesNamesAndLabels)
{
    ASSERT_EQ(std::size(AttributeTable), std::size_t(AttributeCodeCount));
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    for (const AttributeRow& row : AttributeTable) {
        EXPECT_EQ(AttributeNames.XmlName(row.code), row.xml);
        EXPECT_EQ(AttributeNames.Label(row.code), row.label);
        if (row.code != acNone) {
            EXPECT_EQ(AttributeNames.Find(row.xml), row.code) << row.xml;
        }
    }
    AttributeNames.SetMode(TNameMap::nmLabels);
    for (const AttributeRow& row : AttributeTable) {
        if (row.code != acNone) {
            EXPECT_EQ(AttributeNames.Find(row.label), row.code) << row.label;
        }
        EXPECT_EQ(AttributeNames.Name(row.code), row.label);
    }
    EXPECT_EQ(AttributeNames.XmlName(33), "");
    EXPECT_EQ(AttributeNames.Label(1000), "");
}

TEST(NameTables, NodeTypesTheirListsAndKeys)
{
    ASSERT_EQ(NodeTypeTable().size(), std::size_t(NodeTypeCount));
    NodeTypeNames.SetMode(TNameMap::nmXmlNames);
    for (const NodeTypeRow& row : NodeTypeTable()) {
        SCOPED_TRACE(row.xml);
        EXPECT_EQ(NodeTypeNames.XmlName(row.type), row.xml);
        EXPECT_EQ(NodeTypeNames.Label(row.type), row.label);
        if (row.type != ntNone) {
            EXPECT_EQ(NodeTypeNames.Find(row.xml), row.type);
        }
        EXPECT_EQ(NodeKeyAttribute(row.type), row.key);
        TProbeNode node(row.type);
        EXPECT_EQ(node.NodeType(), row.type);
        EXPECT_EQ(node.KeyAttribute(), row.key);
        EXPECT_EQ(ListOf(node), row.attributes);
        EXPECT_EQ(node.AttributeCount(), static_cast<int>(row.attributes.size()));
        for (TAttributeCode code : row.attributes) {
            EXPECT_TRUE(node.HasAttribute(code));
            EXPECT_EQ(node.GetAttribute(code), "");
        }
        EXPECT_FALSE(node.IsAux());
    }
    // Folder types have no names and no attributes.
    for (int type = ntClasses; type <= ntMaps; ++type) {
        EXPECT_EQ(NodeTypeNames.XmlName(type), "");
        EXPECT_EQ(NodeAttributeList(static_cast<TNodeType>(type))[0], acNone);
        EXPECT_EQ(NodeKeyAttribute(static_cast<TNodeType>(type)), acNone);
    }
}

TEST(NameMap, ModesAndFind)
{
    const char* xml[] = {"", "Alpha", "Beta", "Alpha"};
    const char* labels[] = {"", "First", "Second", "Third"};
    TNameMap map(xml, labels, 4);
    // No form chosen yet: nothing is found and no name is current.
    EXPECT_EQ(map.Mode(), TNameMap::nmUnset);
    EXPECT_EQ(map.Find("Beta"), 0u);
    EXPECT_EQ(map.Name(2), "");

    map.SetMode(TNameMap::nmXmlNames);
    EXPECT_EQ(map.Find("Beta"), 2u);
    EXPECT_EQ(map.Find("Alpha"), 3u); // the later index wins
    EXPECT_EQ(map.Find("Second"), 0u);
    EXPECT_EQ(map.Find("Gamma"), 0u);
    EXPECT_EQ(map.Find("Gamma"), 0u); // remembered, still 0
    EXPECT_EQ(map.Name(1), "Alpha");

    map.SetMode(TNameMap::nmLabels);
    EXPECT_EQ(map.Find("Second"), 2u);
    EXPECT_EQ(map.Find("Beta"), 0u);
    EXPECT_EQ(map.Name(3), "Third");

    // Any other mode is stored but keeps the form in use.
    map.SetMode(7);
    EXPECT_EQ(map.Mode(), 7);
    EXPECT_EQ(map.Find("Second"), 2u);
    EXPECT_EQ(map.Name(3), "Third");
    // The direct tables do not depend on the mode.
    EXPECT_EQ(map.XmlName(2), "Beta");
    EXPECT_EQ(map.Label(1), "First");
    EXPECT_EQ(map.Count(), 4);
}

TEST(ChampNode, AttributeCodeByPositionIsZeroOutsideTheList)
{
    TProbeNode competitor(ntCompetitor);
    EXPECT_EQ(competitor.AttributeCode(0), acNumber);
    EXPECT_EQ(competitor.AttributeCode(8), acFuselage);
    EXPECT_EQ(competitor.AttributeCode(9), acNone);
    EXPECT_EQ(competitor.AttributeCode(100), acNone);
    // A table's header row gives position -1.
    EXPECT_EQ(competitor.AttributeCode(-1), acNone);
    EXPECT_EQ(competitor.AttributeCode(-1000), acNone);
}

TEST(ChampNode, InvalidAttributesAreRefusedAndLeaveTheNodeAlone)
{
    TProbeNode team(ntTeam, "CZE");
    const int rebuilds = team.Rebuilds;
    try {
        team.SetAttribute(acPilot, "x");
        FAIL() << "no exception";
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Invalid attribute for node");
        EXPECT_EQ(e.Where(), "");
        EXPECT_EQ(e.Details(), "Pilot");
    }
    try {
        team.SetAttribute(team.AttributeCode(team.AttributeCount()), "x");
        FAIL() << "no exception";
    } catch (const TException& e) {
        EXPECT_EQ(e.Details(), "");
    }
    EXPECT_THROW(team.GetAttribute(acNumber), TException);
    EXPECT_THROW(team.GetAttribute(acNone), TException);
    EXPECT_THROW(team.SetAttribute(static_cast<TAttributeCode>(999), "x"), TException);
    EXPECT_EQ(team.Rebuilds, rebuilds);
    EXPECT_EQ(team.KeyValue(), "CZE");
}

TEST(ChampNode, EverySetAttributeRebuildsTheDisplayName)
{
    TProbeNode map(ntMap);
    EXPECT_EQ(map.DisplayName(), "[]");
    map.SetAttribute(acShortName, "Sosnova");
    EXPECT_EQ(map.DisplayName(), "[Sosnova]");
    const int rebuilds = map.Rebuilds;
    map.SetAttribute(acScale, "50000");
    EXPECT_EQ(map.Rebuilds, rebuilds + 1);
    EXPECT_EQ(map.GetAttribute(acScale), "50000");

    // A new list drops the earlier values.
    static const TAttributeCode list[] = {acCode, acName, acNone};
    map.SetAttributeList(list);
    EXPECT_EQ(map.AttributeCount(), 2);
    EXPECT_FALSE(map.HasAttribute(acScale));
    EXPECT_EQ(map.GetAttribute(acName), "");
}

TEST(ChampNode, KeysCompareAsUnsignedBytes)
{
    struct Pair {
        const char* less;
        const char* more;
    };
    const Pair pairs[] = {
        {"ab", "abc"},
        {"", "a"},
        {"Z", "a"},
        {"1", "10"},
        {"10", "9"},
        {"z", "\x80"},
        {"z", "\xE9t\xE9"},  // Windows-1252 letters after all of ASCII
        {"\x7F", "\xFF"},
    };
    for (const Pair& p : pairs) {
        TProbeNode a(ntClass, p.less);
        TProbeNode b(ntClass, p.more);
        EXPECT_TRUE(a < b) << p.less << " < " << p.more;
        EXPECT_TRUE(a.KeyLess(b));
        EXPECT_FALSE(b < a);
        EXPECT_FALSE(b.KeyLess(a));
    }
    TProbeNode same1(ntClass, "SC");
    TProbeNode same2(ntClass, "SC");
    EXPECT_FALSE(same1 < same2);
    EXPECT_FALSE(same2 < same1);
    // Each node uses its own key attribute.
    TProbeNode team(ntTeam, "AUT");
    TProbeNode cls(ntClass, "B");
    EXPECT_TRUE(team < cls);
}

TEST(ChampNode, FillGridWritesLabelsAndValuesAndNeverLowersTheRowCount)
{
    TScopedHooks hooks;
    std::vector<std::pair<TStringGrid*, TNodeDescription*>> activations;
    hooks->ActivateTable = [&](TStringGrid* grid, TNodeDescription* node) {
        // The table is complete when it is activated.
        EXPECT_FALSE(grid->Updating());
        activations.emplace_back(grid, node);
    };
    TProbeNode competitor(ntCompetitor, "17");
    competitor.SetAttribute(acPilot, "J\xF6rg");

    TStringGrid tall(2, 20);
    for (int r = 10; r < 20; ++r) tall.SetCell(1, r, "old " + std::to_string(r));
    competitor.FillGrid(&tall);
    EXPECT_EQ(tall.RowCount(), 20);
    EXPECT_EQ(tall.Cell(0, 0), "Competitor");
    EXPECT_EQ(tall.Cell(1, 0), "[17]");
    EXPECT_EQ(tall.Cell(0, 1), "Number");
    EXPECT_EQ(tall.Cell(1, 1), "17");
    EXPECT_EQ(tall.Cell(0, 2), "Pilot");
    EXPECT_EQ(tall.Cell(1, 2), "J\xF6rg");
    EXPECT_EQ(tall.Cell(0, 9), "Fuselage");
    for (int r = 10; r < 20; ++r) EXPECT_EQ(tall.Cell(1, r), "old " + std::to_string(r));

    TStringGrid small(2, 2);
    competitor.FillGrid(&small);
    EXPECT_EQ(small.RowCount(), 10);
    EXPECT_EQ(small.Cell(0, 9), "Fuselage");

    // Labels whatever the mode of the name maps.
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    TStringGrid again(2, 2);
    competitor.FillGrid(&again);
    EXPECT_EQ(again.Cell(0, 8), "Wings");
    EXPECT_EQ(again.Cell(0, 4), "Registration");

    ASSERT_EQ(activations.size(), 3u);
    EXPECT_EQ(activations[0].first, &tall);
    EXPECT_EQ(activations[0].second, &competitor);
    EXPECT_EQ(activations[1].first, &small);

    competitor.FillGrid(nullptr);
    EXPECT_EQ(activations.size(), 3u);
}

TEST(ChampNode, DeletedThroughTheBaseRunsTheWholeDestructor)
{
    static_assert(std::has_virtual_destructor_v<TChampNode>);
    static_assert(std::has_virtual_destructor_v<TNodeDescription>);
    TProbeNode::Destroyed = 0;
    TChampNode* node = new TProbeNode(ntClass, "x");
    delete node;
    EXPECT_EQ(TProbeNode::Destroyed, 1);
    TNodeDescription* description = new TProbeNode(ntTeam, "y");
    delete description;
    EXPECT_EQ(TProbeNode::Destroyed, 2);
}

TEST(AuxNode, FoldersAreNamedAuxAndHaveNoAttributes)
{
    TProbeNode cls(ntClass, "AL1");
    TAuxNode teamClass(ntTeamClass, &cls);
    EXPECT_EQ(teamClass.DisplayName(), "Aux");
    EXPECT_TRUE(teamClass.IsAux());
    EXPECT_EQ(teamClass.RelatedObject(), &cls);
    EXPECT_EQ(teamClass.AttributeCount(), 0);
    EXPECT_EQ(teamClass.AttributeCode(0), acNone);
    EXPECT_THROW(teamClass.SetAttribute(acName, "x"), TException);

    const std::pair<const TAuxNode*, TNodeType> statics[] = {
        {&ClassesFolder, ntClasses},     {&TeamsFolder, ntTeams}, {&TaskCatalogueFolder, ntTaskCatalogue},
        {&GeoFolder, ntGeo},             {&TasksFolder, ntTasks}, {&MapsFolder, ntMaps},
    };
    for (const auto& [folder, type] : statics) {
        EXPECT_EQ(folder->NodeType(), type);
        EXPECT_TRUE(folder->IsAux());
        EXPECT_EQ(folder->RelatedObject(), nullptr);
        EXPECT_EQ(folder->DisplayName(), "Aux");
    }
}
