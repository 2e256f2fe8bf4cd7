#pragma once
// The node base of the championship tree: attribute codes and node types with
// their XML names and display labels, the name maps, the per-type attribute
// lists, the node's data part and base class, and the folder nodes of the
// tree. The pointer sets that hold nodes are in model/PtrSet.h.
//
// Keys and sets. A node is ordered in its sets by the text of its key
// attribute (unsigned byte order). A set that takes a node registers itself
// with the node (PtrSet does this on insert and unregisters on erase, clear,
// move and destruction; a node that dies first unregisters itself from every
// set that still holds it). SetAttribute on the key attribute of a node held
// in sets therefore never changes the order behind the sets' back: it first
// asks every holding set for another node with the new key and, when one has
// it, throws TException "Duplicate key" (where: the key attribute's label,
// details: the key) and keeps the old key; otherwise it takes the node out of
// each set, changes the value, rebuilds the display name and puts the node
// back. Derived classes cannot bypass this: the values are private to the
// base, the key attribute code of a held node cannot change, and operator<
// and KeyLess must keep comparing KeyValue() byte-wise. A node whose key is
// copied by others (a competitor's Number by its flights) takes part
// through CheckKeyChange, which may refuse the new key before anything
// changes, and KeyChanged, called once the node is back in its sets.

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

class TXmlInput;
struct TXmlData;
class TXmlOutput;
class TStringGrid;
class TChampNode;

enum TAttributeCode : std::uint16_t {
    acNone = 0,
    acName = 1,
    acShortName = 2,
    acDate = 3,
    acVenue = 4,
    acOrganiser = 5,
    acCountry = 6,
    acIsoCountry = 7,
    acDirectory = 8,
    acSoftware = 9,
    acVersion = 10,
    acDescription = 11,
    acNumber = 12,
    acCode = 13,
    acPilot = 14,
    acNavigator = 15,
    acRegistration = 16,
    acManufacturer = 17,
    acModel = 18,
    acEngine = 19,
    acWings = 20,
    acFuselage = 21,
    acClub = 22,
    acIgcFileName = 23,
    acResultsFileName = 24,
    acTaskFile = 25,
    acMapFile = 26,
    acRole1 = 27,
    acRole2 = 28,
    acDatum = 29,
    acRegion = 30,
    acProjection = 31,
    acScale = 32,
};
constexpr int AttributeCodeCount = 33;

enum TNodeType : std::uint8_t {
    ntNone = 0,
    ntChampionship = 1,
    ntCountry = 2,
    ntPerson = 3,
    ntAircraft = 4,
    ntCompetitor = 5,
    ntTeam = 6,
    ntClass = 7,
    ntTaskTemplate = 8,
    ntTaskInstance = 9,
    ntTaskNumber = 10,
    ntFlight = 11,
    ntMap = 12,
    ntWayPointSet = 13,
    ntGeoref = 14,
    // Folder nodes of the tree (TAuxNode); not in the name tables.
    ntClasses = 16,
    ntTeams = 17,
    ntTeamClass = 18,
    ntTaskCatalogue = 19,
    ntGeo = 20,
    ntTasks = 21,
    ntClassTasks = 22,
    ntMaps = 23,
};
constexpr int NodeTypeCount = 15;

// Indexed by code; entry 0 is the empty text.
extern const char* const AttributeXmlNames[AttributeCodeCount];
extern const char* const AttributeLabels[AttributeCodeCount];
extern const char* const NodeTypeXmlNames[NodeTypeCount];
extern const char* const NodeTypeLabels[NodeTypeCount];

// The empty attribute list.
extern const TAttributeCode NoAttributes[1];

// The attribute list of each node type, in display and file order, ended by
// acNone; and its key attribute. Types without a class and folder types have
// an empty list and no key.
const TAttributeCode* NodeAttributeList(TNodeType type);
TAttributeCode NodeKeyAttribute(TNodeType type);

// Either form of the names of one code family (XML names or display labels)
// mapped to codes. Find and Name use the form chosen with SetMode; XmlName
// and Label read the tables whatever the mode.
class TNameMap {
public:
    enum : std::uint8_t { nmUnset = 0, nmXmlNames = 1, nmLabels = 2 };

    // The code of a name is its index; a name that stands twice in one table
    // gets the later index.
    TNameMap(const char* const* xmlNames, const char* const* labels, int count);
    TNameMap(const TNameMap&) = delete;
    TNameMap& operator=(const TNameMap&) = delete;

    // 1 XML names, 2 display labels; any other value is stored but keeps
    // the form in use.
    void SetMode(std::uint8_t mode);
    std::uint8_t Mode() const { return FMode; }

    // The code of a name in the form in use; 0 for a name that is not there
    // (remembered with code 0) and before any form was chosen.
    unsigned Find(const std::string& name);
    // The name of a code in the form in use; empty for codes outside the
    // table and before any form was chosen.
    const std::string& Name(unsigned code) const;
    const std::string& XmlName(unsigned code) const;
    const std::string& Label(unsigned code) const;
    int Count() const { return static_cast<int>(FXmlNames.size()); }

private:
    std::uint8_t FMode = nmUnset;
    std::map<std::string, unsigned> FLabelMap;
    std::map<std::string, unsigned> FXmlMap;
    std::map<std::string, unsigned>* FCurrentMap = nullptr;
    std::vector<std::string> FLabels;
    std::vector<std::string> FXmlNames;
    const std::vector<std::string>* FCurrentTable = nullptr;
};

extern TNameMap AttributeNames;
extern TNameMap NodeTypeNames;

// A name or value read from the file, for the details of a refusal: its
// start and the line it stands on ("Colour (line 12)").
std::string ItemText(const std::string& text, const TXmlData& item);

// Byte-wise comparison of two keys as NUL-terminated texts, bytes unsigned.
inline int CompareKeys(const std::string& a, const std::string& b)
{
    return std::strcmp(a.c_str(), b.c_str());
}

// What a set that holds nodes offers the nodes it holds. `object` is the
// node as the set stores it (its element pointer converted to void*), so a
// set can recognise a node that is being destroyed without touching it.
class TNodeHolder {
public:
    // The node other than `object` whose key equals `key`, or null.
    virtual const TChampNode* FindOtherWithKey(const void* object, const std::string& key) const = 0;
    // Takes the node out before its key changes / puts it back afterwards.
    virtual void Unseat(void* object) = 0;
    virtual void Reseat(void* object) = 0;
    // The node is being destroyed: drop the pointer without using it.
    virtual void Forget(const void* object) noexcept = 0;

protected:
    ~TNodeHolder() = default;
};

// The data part of every node.
class TNodeDescription {
public:
    TNodeDescription() = default;
    TNodeDescription(const TNodeDescription&) = default;
    TNodeDescription& operator=(const TNodeDescription&) = delete;
    virtual ~TNodeDescription();

    // Rebuilds the display name from the attribute values.
    virtual void UpdateName() = 0;

    TNodeType NodeType() const { return FNodeType; }
    const std::string& DisplayName() const { return FDisplayName; }
    TAttributeCode KeyAttribute() const { return FKeyAttribute; }
    const TAttributeCode* AttributeList() const { return FAttributeList; }
    int AttributeCount() const { return FAttributeCount; }

protected:
    TNodeType FNodeType = ntNone;
    std::string FDisplayName;

private:
    friend class TChampNode;
    TAttributeCode FKeyAttribute = acNone;
    const TAttributeCode* FAttributeList = NoAttributes;
    int FAttributeCount = 0;
    std::map<TAttributeCode, std::string> FValues;
};

class TChampNode : public TNodeDescription {
public:
    TChampNode();
    // Node type with the attribute list and key attribute of that type, every
    // attribute empty. The derived constructor calls UpdateName.
    explicit TChampNode(TNodeType type);
    // A copy belongs to no set.
    TChampNode(const TChampNode& other);
    TChampNode& operator=(const TChampNode&) = delete;
    // Leaves every set that still holds the node.
    ~TChampNode() override;

    // Virtual operations, in this order.
    void UpdateName() override = 0;
    virtual void SetOwner(TChampNode* owner);
    // Shows the node in a two-column table, then activates the table.
    virtual void FillGrid(TStringGrid* grid);
    virtual bool CanDelete();
    virtual bool KeyLess(const TChampNode& other) const;
    virtual bool operator<(const TChampNode& other) const;
    // The generic node element without description.
    virtual void WriteXml(TXmlOutput& out);
    // Reads the generic node element; true when its end tag was reached.
    virtual bool ReadXml(TXmlInput& in);

    TChampNode* Owner() const { return FOwner; }

    // Replaces the attribute list; every listed code gets an empty value.
    void SetAttributeList(const TAttributeCode* list);
    // The code at a position of the list (from 0); 0 outside the list.
    TAttributeCode AttributeCode(int position) const;
    bool HasAttribute(TAttributeCode code) const;
    // Throw TException "Invalid attribute for node" (details: the code's XML
    // name) for a code that the node does not have; SetAttribute then calls
    // UpdateName. On the key attribute see the top of this file.
    void SetAttribute(TAttributeCode code, const std::string& value);
    const std::string& GetAttribute(TAttributeCode code) const;
    // The generic element's reading rule for one item: an XML attribute of
    // the node's own element, or a text under any element, sets the
    // attribute of that name; a name the node does not have throws
    // "Invalid attribute for node" (details: the name and its line). An
    // attribute of another element, and a value set a second time, are
    // told to `in` as not loaded; other items are left alone. The reader
    // has set the attribute names to XML mode.
    void ReadAttributeItem(TXmlInput& in, const TXmlData& item, const std::string& element);
    // The value of the key attribute; empty without one.
    const std::string& KeyValue() const;

    // The two halves of the generic node element.
    void WriteXmlHead(TXmlOutput& out, bool withDescription);
    void WriteXmlTail(TXmlOutput& out);

    bool IsAux() const { return FNodeType >= ntClasses && FNodeType <= ntMaps; }
    // How many sets hold the node.
    std::size_t HolderCount() const { return FHoldings.size(); }

protected:
    // Throws when the node is held by a set and the code differs: the sets
    // are ordered by the key it names.
    void SetKeyAttribute(TAttributeCode code);
    // See the top of this file; both only for a node held in sets.
    virtual void CheckKeyChange(const std::string& value) const { (void)value; }
    virtual void KeyChanged() {}

private:
    template <class P>
    friend class PtrSet;
    struct THolding {
        TNodeHolder* Holder;
        void* Object;
    };
    void AttachHolder(TNodeHolder* holder, void* object);
    void DetachHolder(TNodeHolder* holder) noexcept;
    void ReplaceHolder(TNodeHolder* from, TNodeHolder* to) noexcept;
    void ChangeKey(const std::string& value);

    TChampNode* FOwner = nullptr;
    std::vector<THolding> FHoldings;
    // The attributes read from the file, a bit per code.
    std::uint64_t FAttributesRead = 0;
};

// A folder node of the tree. The related object is the class of a TeamClass
// or ClassTasks folder, else null.
class TAuxNode : public TChampNode {
public:
    explicit TAuxNode(TNodeType type, TChampNode* related = nullptr);

    void UpdateName() override;
    void WriteXml(TXmlOutput& out) override;
    bool ReadXml(TXmlInput& in) override;

    TChampNode* RelatedObject() const { return FRelated; }

private:
    TChampNode* FRelated;
};

// The fixed folders of the tree, shared by all championships.
extern TAuxNode ClassesFolder;
extern TAuxNode TeamsFolder;
extern TAuxNode TaskCatalogueFolder;
extern TAuxNode GeoFolder;
extern TAuxNode TasksFolder;
extern TAuxNode MapsFolder;
