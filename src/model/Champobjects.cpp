#include "model/Champobjects.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/StringGrid.h"
#include "xml/Xmlfile.h"

const char* const AttributeXmlNames[AttributeCodeCount] = {
    "",           "Name",         "ShortName",   "Date",      "Venue",           "Organiser",
    "Country",    "IsoCountry",   "Directory",   "Software",  "Version",         "Description",
    "Number",     "Code",         "Pilot",       "Navigator", "Registration",    "Manufacturer",
    "Model",      "Engine",       "Wings",       "Fuselage",  "Club",            "IgcFileName",
    "ResultsFileName", "TaskFile", "MapFile",    "Role1",     "Role2",           "Datum",
    "Region",     "Projection",   "Scale",
};

const char* const AttributeLabels[AttributeCodeCount] = {
    "",           "Name",         "Short Name",  "Date",      "Venue",           "Organiser",
    "Country",    "ISO Country",  "Directory",   "Software",  "Version",         "Description",
    "Number",     "Code",         "Pilot",       "Navigator", "Registration",    "Manufacturer",
    "Model",      "Engine",       "Wings",       "Fuselage",  "Club",            "IGC File",
    "Results File", "Task File",  "Map File",    "Role 1 name", "Role 2 name",   "Datum",
    "Region",     "Projection",   "Scale",
};

const char* const NodeTypeXmlNames[NodeTypeCount] = {
    "",         "Championship", "Country", "Person",  "Aircraft",   "Competitor",  "Team",   "Class",
    "TaskTemplate", "TaskInstance", "TaskNumber", "Flight", "Map", "WayPointSet", "Georef",
};

const char* const NodeTypeLabels[NodeTypeCount] = {
    "",              "Championship",  "Country",     "Person", "Aircraft", "Competitor",   "Team",         "Class",
    "Task Template", "Task Instance", "Task Number", "Flight", "Map",      "WayPoint Set", "Map Reference",
};

const TAttributeCode NoAttributes[1] = {acNone};

namespace {

const TAttributeCode ChampionshipAttributes[] = {acName,         acShortName, acDate,     acVenue,    acOrganiser, acCountry,
                                                 acIsoCountry,   acDirectory, acSoftware, acVersion,  acNone};
const TAttributeCode CompetitorAttributes[] = {acNumber, acPilot,  acNavigator, acRegistration, acManufacturer,
                                               acModel,  acEngine, acWings,     acFuselage,     acNone};
const TAttributeCode TeamAttributes[] = {acName, acShortName, acClub, acCountry, acIsoCountry, acNone};
const TAttributeCode ClassAttributes[] = {acName, acShortName, acDescription, acRole1, acRole2, acNone};
const TAttributeCode TaskTemplateAttributes[] = {acName, acShortName, acDescription, acNone};
const TAttributeCode TaskInstanceAttributes[] = {acVersion, acNone};
const TAttributeCode TaskNumberAttributes[] = {acNumber, acNone};
const TAttributeCode FlightAttributes[] = {acNumber, acIgcFileName, acResultsFileName, acDatum, acRegion, acNone};
const TAttributeCode MapAttributes[] = {acName,    acShortName, acDescription, acMapFile,
                                        acDatum,   acRegion,    acProjection,  acScale,  acNone};
const TAttributeCode WayPointSetAttributes[] = {acShortName, acDatum, acRegion, acNone};

const std::string EmptyText;

} // namespace

const TAttributeCode* NodeAttributeList(TNodeType type)
{
    switch (type) {
    case ntChampionship: return ChampionshipAttributes;
    case ntCompetitor: return CompetitorAttributes;
    case ntTeam: return TeamAttributes;
    case ntClass: return ClassAttributes;
    case ntTaskTemplate: return TaskTemplateAttributes;
    case ntTaskInstance: return TaskInstanceAttributes;
    case ntTaskNumber: return TaskNumberAttributes;
    case ntFlight: return FlightAttributes;
    case ntMap: return MapAttributes;
    case ntWayPointSet: return WayPointSetAttributes;
    default: return NoAttributes;
    }
}

TAttributeCode NodeKeyAttribute(TNodeType type)
{
    switch (type) {
    case ntChampionship: return acShortName;
    case ntCompetitor: return acNumber;
    case ntTeam: return acIsoCountry;
    case ntClass: return acShortName;
    case ntTaskTemplate: return acShortName;
    case ntTaskInstance: return acVersion;
    case ntTaskNumber: return acNumber;
    case ntFlight: return acNumber;
    case ntMap: return acShortName;
    case ntWayPointSet: return acShortName;
    default: return acNone;
    }
}

std::string ItemText(const std::string& text, const TXmlData& item)
{
    return Excerpt(text) + " (line " + std::to_string(item.Line) + ")";
}

// ---------------------------------------------------------------- TNameMap

TNameMap::TNameMap(const char* const* xmlNames, const char* const* labels, int count)
{
    for (int i = 0; i < count; ++i) {
        FXmlNames.emplace_back(xmlNames[i] ? xmlNames[i] : "");
        FLabels.emplace_back(labels[i] ? labels[i] : "");
        FXmlMap[FXmlNames.back()] = static_cast<unsigned>(i);
        FLabelMap[FLabels.back()] = static_cast<unsigned>(i);
    }
}

void TNameMap::SetMode(std::uint8_t mode)
{
    if (mode == FMode) return;
    FMode = mode;
    if (mode == nmXmlNames) {
        FCurrentMap = &FXmlMap;
        FCurrentTable = &FXmlNames;
    } else if (mode == nmLabels) {
        FCurrentMap = &FLabelMap;
        FCurrentTable = &FLabels;
    }
}

unsigned TNameMap::Find(const std::string& name)
{
    if (!FCurrentMap) return 0;
    return (*FCurrentMap)[name];
}

const std::string& TNameMap::Name(unsigned code) const
{
    if (!FCurrentTable || code >= FCurrentTable->size()) return EmptyText;
    return (*FCurrentTable)[code];
}

const std::string& TNameMap::XmlName(unsigned code) const
{
    return code < FXmlNames.size() ? FXmlNames[code] : EmptyText;
}

const std::string& TNameMap::Label(unsigned code) const
{
    return code < FLabels.size() ? FLabels[code] : EmptyText;
}

// The name tables come before the folder nodes: objects of one file are
// built in the order of their definitions.
TNameMap AttributeNames(AttributeXmlNames, AttributeLabels, AttributeCodeCount);
TNameMap NodeTypeNames(NodeTypeXmlNames, NodeTypeLabels, NodeTypeCount);

// ---------------------------------------------------------------- nodes

TNodeDescription::~TNodeDescription() = default;

TChampNode::TChampNode() = default;

TChampNode::TChampNode(TNodeType type)
{
    FNodeType = type;
    SetAttributeList(NodeAttributeList(type));
    SetKeyAttribute(NodeKeyAttribute(type));
}

TChampNode::TChampNode(const TChampNode& other) : TNodeDescription(other), FOwner(other.FOwner) {}

TChampNode::~TChampNode()
{
    for (const THolding& holding : FHoldings) holding.Holder->Forget(holding.Object);
}

void TChampNode::SetOwner(TChampNode* owner)
{
    FOwner = owner;
}

void TChampNode::FillGrid(TStringGrid* grid)
{
    if (!grid) return;
    {
        TGridUpdateLock lock(grid);
        grid->SetCell(0, 0, NodeTypeNames.Label(FNodeType));
        grid->SetCell(1, 0, FDisplayName);
        for (int position = 0; position < FAttributeCount; ++position) {
            const int row = position + 1;
            // Never lowered: a taller table keeps its other rows.
            if (grid->RowCount() < row + 1) grid->SetRowCount(row + 1);
            const TAttributeCode code = FAttributeList[position];
            grid->SetCell(0, row, AttributeNames.Label(code));
            grid->SetCell(1, row, FValues[code]);
        }
    }
    Platform::ActivateTable(grid, this);
}

bool TChampNode::CanDelete()
{
    return false;
}

bool TChampNode::KeyLess(const TChampNode& other) const
{
    return CompareKeys(KeyValue(), other.KeyValue()) < 0;
}

bool TChampNode::operator<(const TChampNode& other) const
{
    return CompareKeys(KeyValue(), other.KeyValue()) < 0;
}

void TChampNode::WriteXml(TXmlOutput& out)
{
    WriteXmlHead(out, false);
    WriteXmlTail(out);
}

bool TChampNode::ReadXml(TXmlInput& in)
{
    // Every user of the name maps chooses the form it needs.
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    const std::string& element = NodeTypeNames.XmlName(FNodeType);
    while (in.HasData()) {
        TXmlData item = in.Get();
        switch (item.Kind) {
        case xkEnd:
            if (item.Element == element) return true;
            break;
        case xkAttribute:
        case xkText:
            ReadAttributeItem(in, item, element);
            break;
        default:
            break;
        }
    }
    return false;
}

static_assert(AttributeCodeCount <= 64, "a bit of FAttributesRead per attribute code");

void TChampNode::ReadAttributeItem(TXmlInput& in, const TXmlData& item, const std::string& element)
{
    const std::string* name = nullptr;
    if (item.Kind == xkAttribute && item.Element == element)
        name = &item.Name;
    else if (item.Kind == xkText)
        name = &item.Element;
    else if (item.Kind == xkAttribute)
        in.PassedOver(item);
    if (!name) return;
    const auto code = static_cast<TAttributeCode>(AttributeNames.Find(*name));
    // The refusal says which name on which line: the user has to find it.
    if (!HasAttribute(code)) throw TException("", "Invalid attribute for node", ItemText(*name, item));
    const std::uint64_t bit = std::uint64_t{1} << code;
    if (FAttributesRead & bit) in.GivenTwice(item);
    FAttributesRead |= bit;
    // Only the key is written as an XML attribute; any other value goes
    // into an element's text and would come back as text does.
    if (item.Kind == xkAttribute && code != FKeyAttribute)
        SetAttribute(code, AsElementText(item.Value));
    else
        SetAttribute(code, item.Value);
}

void TChampNode::SetAttributeList(const TAttributeCode* list)
{
    if (!FHoldings.empty())
        throw TException("", "Attribute list of a node in a set can't change", NodeTypeNames.XmlName(FNodeType));
    if (!list) list = NoAttributes;
    FAttributeList = list;
    FAttributeCount = 0;
    FValues.clear();
    for (const TAttributeCode* code = list; *code != acNone; ++code) {
        FValues[*code] = std::string();
        ++FAttributeCount;
    }
}

TAttributeCode TChampNode::AttributeCode(int position) const
{
    if (position < 0 || position >= FAttributeCount) return acNone;
    return FAttributeList[position];
}

bool TChampNode::HasAttribute(TAttributeCode code) const
{
    return code != acNone && FValues.count(code) != 0;
}

void TChampNode::SetAttribute(TAttributeCode code, const std::string& value)
{
    auto it = code == acNone ? FValues.end() : FValues.find(code);
    if (it == FValues.end()) throw TException("", "Invalid attribute for node", AttributeNames.XmlName(code));
    if (code == FKeyAttribute && !FHoldings.empty() && CompareKeys(it->second, value) != 0) {
        ChangeKey(value);
        return;
    }
    it->second = value;
    UpdateName();
}

void TChampNode::ChangeKey(const std::string& value)
{
    for (const THolding& holding : FHoldings) {
        if (holding.Holder->FindOtherWithKey(holding.Object, value))
            throw TException(AttributeNames.Label(FKeyAttribute), "Duplicate key", value);
    }
    CheckKeyChange(value);
    const std::vector<THolding> holdings = FHoldings;
    for (const THolding& holding : holdings) holding.Holder->Unseat(holding.Object);
    FValues[FKeyAttribute] = value;
    try {
        UpdateName();
    } catch (...) {
        for (const THolding& holding : holdings) holding.Holder->Reseat(holding.Object);
        throw;
    }
    for (const THolding& holding : holdings) holding.Holder->Reseat(holding.Object);
    KeyChanged();
}

const std::string& TChampNode::GetAttribute(TAttributeCode code) const
{
    auto it = code == acNone ? FValues.end() : FValues.find(code);
    if (it == FValues.end()) throw TException("", "Invalid attribute for node", AttributeNames.XmlName(code));
    return it->second;
}

const std::string& TChampNode::KeyValue() const
{
    if (FKeyAttribute == acNone) return EmptyText;
    auto it = FValues.find(FKeyAttribute);
    return it == FValues.end() ? EmptyText : it->second;
}

void TChampNode::WriteXmlHead(TXmlOutput& out, bool withDescription)
{
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    NodeTypeNames.SetMode(TNameMap::nmXmlNames);
    const std::string& element = NodeTypeNames.XmlName(FNodeType);
    if (FKeyAttribute != acNone) {
        out.BeginTag(element);
        out.WriteAttribute(AttributeNames.XmlName(FKeyAttribute), KeyValue());
        out.EndTag();
    } else {
        out.OpenElement(element);
    }
    if (withDescription) out.OpenElement(element + "Description");
    for (int position = 0; position < FAttributeCount; ++position) {
        const TAttributeCode code = FAttributeList[position];
        if (code == FKeyAttribute) continue;
        out.WriteElement(AttributeNames.XmlName(code), FValues[code]);
    }
    if (withDescription) out.CloseElement();
}

void TChampNode::WriteXmlTail(TXmlOutput& out)
{
    out.CloseElement();
}

void TChampNode::SetKeyAttribute(TAttributeCode code)
{
    if (code == FKeyAttribute) return;
    if (!FHoldings.empty())
        throw TException("", "Key attribute of a node in a set can't change", NodeTypeNames.XmlName(FNodeType));
    FKeyAttribute = code;
}

void TChampNode::AttachHolder(TNodeHolder* holder, void* object)
{
    FHoldings.push_back({holder, object});
}

void TChampNode::DetachHolder(TNodeHolder* holder) noexcept
{
    auto it = std::find_if(FHoldings.begin(), FHoldings.end(),
                           [holder](const THolding& holding) { return holding.Holder == holder; });
    if (it != FHoldings.end()) FHoldings.erase(it);
}

void TChampNode::ReplaceHolder(TNodeHolder* from, TNodeHolder* to) noexcept
{
    for (THolding& holding : FHoldings) {
        if (holding.Holder == from) holding.Holder = to;
    }
}

// ---------------------------------------------------------------- folders

TAuxNode::TAuxNode(TNodeType type, TChampNode* related) : TChampNode(), FRelated(related)
{
    FNodeType = type;
    UpdateName();
}

void TAuxNode::UpdateName()
{
    FDisplayName = "Aux";
}

void TAuxNode::WriteXml(TXmlOutput&) {}

bool TAuxNode::ReadXml(TXmlInput&)
{
    return true;
}

TAuxNode ClassesFolder(ntClasses);
TAuxNode TeamsFolder(ntTeams);
TAuxNode TaskCatalogueFolder(ntTaskCatalogue);
TAuxNode GeoFolder(ntGeo);
TAuxNode TasksFolder(ntTasks);
TAuxNode MapsFolder(ntMaps);
