#pragma once
// A non-validating XML scanner over one document held in memory as a single
// zero-terminated 8-bit text. Each Scan() moves to the next part of the
// document (declaration, comment, processing instruction, document type
// declaration, start tag, empty-element tag, end tag, text, CDATA section)
// and describes it. It reads the document type declaration (internal subset
// and an external DTD file) for attribute defaults and entities, and
// translates UTF-8 documents into Windows-1252.
//
// The scanner is lenient on purpose: old championship files hold a raw "&",
// name a DTD that does not exist and may be cut short. Nothing here throws; a
// document that ends early simply ends the scan. Entity expansion and
// external files are bounded so that no input can make it hang or exhaust
// memory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum TPartType {
    ptNone, ptXmlProlog, ptComment, ptPI, ptDtdc, ptStartTag, ptEmptyTag, ptEndTag, ptContent, ptCData
};
enum TDtdElemType { deElement, deAttList, deEntity, deNotation, dePI, deComment, deError };
enum TElemType { etEmpty, etAny, etChildren, etMixed };
enum TValueType { vtNormal, vtImplied, vtFixed, vtDefault };
enum TAttrDefault { adDefault, adRequired, adImplied, adFixed };
enum TAttrType {
    atUnknown, atCData, atID, atIdRef, atIdRefs, atEntity, atEntities, atNmToken, atNmTokens,
    atNotation, atEnumeration
};

// Display names of the enumerations, indexed by value.
extern const char* const CPartType_Name[10];
extern const char* const CDtdElemType_Name[7];
extern const char* const CElemType_Name[4];
extern const char* const CValueType_Name[4];
extern const char* const CAttrDefault_Name[4];
extern const char* const CAttrType_Name[11];

class TXmlParser;

// ---------------------------------------------------------------------------
// Name/value lists, kept in ascending byte-wise order of the names.

class TNvpNode {
public:
    TNvpNode() = default;
    TNvpNode(std::string_view name, std::string_view value) : Name(name), Value(value) {}
    virtual ~TNvpNode() = default;

    std::string Name;
    std::string Value;
};

class TNvpList {
public:
    TNvpList() = default;
    virtual ~TNvpList() = default;
    TNvpList(const TNvpList&) = delete;
    TNvpList& operator=(const TNvpList&) = delete;

    // Inserts behind the last node whose name is byte-wise smaller, so before
    // nodes of an equal name; a lookup by name then finds the newest of them.
    void Add(std::unique_ptr<TNvpNode> node);
    // A declaration of a name already declared replaces the earlier one.
    void AddOrReplace(std::unique_ptr<TNvpNode> node);

    TNvpNode* Node(std::string_view name) const;   // none when absent
    TNvpNode* Node(std::size_t index) const;       // none outside the range
    const std::string& Value(std::string_view name) const;  // empty when absent
    const std::string& Value(std::size_t index) const;
    const std::string& Name(std::size_t index) const;
    std::size_t Count() const { return FCount; }

    virtual void Clear();

protected:
    std::size_t LowerBound(std::string_view name) const;
    void InsertAt(std::size_t pos, std::unique_ptr<TNvpNode> node);

    // Nodes [0, FCount) are the list; TAttrList keeps the rest as spares.
    std::vector<std::unique_ptr<TNvpNode>> FNodes;
    std::size_t FCount = 0;
};

class TAttr : public TNvpNode {
public:
    using TNvpNode::TNvpNode;
    TValueType ValueType = vtNormal;
    TAttrType AttrType = atUnknown;
};

// The attributes of one tag (or declaration, or processing instruction).
class TAttrList : public TNvpList {
public:
    TAttr* Node(std::string_view name) const { return static_cast<TAttr*>(TNvpList::Node(name)); }
    TAttr* Node(std::size_t index) const { return static_cast<TAttr*>(TNvpList::Node(index)); }

    // Parses "name = 'value'" pairs from `start` until a zero byte or ">";
    // a character that cannot start a name (such as "/" or "?") ends the
    // parse. `final` is left on the character that stopped it.
    void Analyze(const char* start, const char*& final);

    // Emptied often (once per tag): keeps the nodes for reuse.
    void Clear() override { FCount = 0; }

    // A new, empty attribute added at its sorted place.
    TAttr* AddNew(std::string_view name, std::string_view value, TValueType valueType);

private:
    TAttr* Append(const char* nameStart, const char* nameEnd);
};

class TAttrDef : public TNvpNode {
public:
    using TNvpNode::TNvpNode;
    // Name; the default value is in Value.
    std::string TypeDef;     // the type as written
    std::string Notations;   // notation or enumeration list
    TAttrType AttrType = atUnknown;
    TAttrDefault DefaultType = adImplied;
};

// An element declaration with the attribute definitions collected for it.
class TElemDef : public TNvpList {
public:
    TAttrDef* Node(std::string_view name) const { return static_cast<TAttrDef*>(TNvpList::Node(name)); }
    TAttrDef* Node(std::size_t index) const { return static_cast<TAttrDef*>(TNvpList::Node(index)); }

    std::string Name;
    TElemType ElemType = etAny;
    std::string Definition;
};

class TElemList {
public:
    void Add(std::unique_ptr<TElemDef> elem);   // before elements of an equal name
    // A redeclaration takes the place of the earlier element.
    void AddOrReplace(std::unique_ptr<TElemDef> elem);
    TElemDef* Node(std::string_view name) const;
    TElemDef* Node(std::size_t index) const;
    std::size_t Count() const { return FItems.size(); }
    void Clear() { FItems.clear(); }

private:
    std::size_t LowerBound(std::string_view name) const;
    std::vector<std::unique_ptr<TElemDef>> FItems;
};

class TEntityDef : public TNvpNode {
public:
    using TNvpNode::TNvpNode;
    // Name; the replacement text is in Value.
    std::string SystemId;
    std::string PublicId;
    std::string NotationName;
    bool IsExternal() const { return !SystemId.empty() || !PublicId.empty(); }
};

class TNotationDef : public TNvpNode {
public:
    using TNvpNode::TNvpNode;
    // Name; the system id is in Value.
    std::string PublicId;
};

// An external id: "SYSTEM 'sys'" or "PUBLIC 'pub' 'sys'".
class TExternalID {
public:
    explicit TExternalID(const char* start);
    std::string PublicId;
    std::string SystemId;
    const char* End;    // the position behind the last character read
};

// One DTD item as reported to DtdElementFound.
struct TDtdElementRec {
    TDtdElemType ElementType = deError;
    const char* Start = nullptr;   // first character of the item
    const char* Final = nullptr;   // last character of the item
    const TElemDef* ElemDef = nullptr;
    const TAttrDef* AttrDef = nullptr;
    const TEntityDef* EntityDef = nullptr;
    const TNotationDef* NotationDef = nullptr;
    std::string Target;   // of a processing instruction
    std::string Content;  // of a processing instruction or comment
    const char* Pos = nullptr;  // where an error was met
};

// ---------------------------------------------------------------------------
// The entities entered and not yet left.

class TEntityStackNode {
public:
    std::shared_ptr<TXmlParser> Parser;    // of an external entity, or none
    std::string Encoding;                  // translation encoding before entering
    const char* Pos = nullptr;             // where to continue after the entity
    std::shared_ptr<const void> Keep;      // keeps the text that Pos points into
};

class TEntityStack {
public:
    explicit TEntityStack(TXmlParser& owner) : FOwner(owner) {}

    void Push(const char* pos);
    void Push(std::shared_ptr<TXmlParser> parser, const char* pos);
    // The continuation position of the top node (none when empty); restores
    // the translation encoding stored with it.
    const char* Pop();
    // Leaves every entity at once: the encoding from before the first comes back.
    void Clear();
    std::size_t Count() const { return FNodes.size(); }
    // The external entity entered last, when the top node is one.
    const TXmlParser* TopParser() const;

private:
    TXmlParser& FOwner;
    std::vector<TEntityStackNode> FNodes;
};

// ---------------------------------------------------------------------------

class TXmlParser {
public:
    // Bounds that keep hostile input harmless.
    static constexpr std::size_t kMaxEntityDepth = 16;            // entities open at once
    static constexpr std::size_t kMaxExpansion = 8u << 20;         // entity bytes entered per scan
    static constexpr std::size_t kMaxExternalSize = 8u << 20;      // an external entity or DTD file
    static constexpr std::size_t kMaxDeclarations = 1u << 14;      // per declaration list
    static constexpr std::size_t kMaxAttrDefs = 1024;              // attribute definitions per element
    // The expansion bound in force (kMaxExpansion); a fuzzer lowers it to
    // spend its time on variety rather than on long expansions.
    static inline std::size_t ExpansionLimit = kMaxExpansion;

    TXmlParser();
    virtual ~TXmlParser();
    TXmlParser(const TXmlParser&) = delete;
    TXmlParser& operator=(const TXmlParser&) = delete;

    void Clear();
    // Reads the whole file. `fileMode` is the open mode of the original
    // program (0 read-only); files are always opened read-only here. Only a
    // regular file is read. Loading turns CR LF and a lone CR into LF, as
    // XML reads line ends, and drops a leading UTF-8 byte order mark, whose
    // text is then read as UTF-8 whatever its declaration says (a borrowed
    // text is left as it is).
    bool LoadFromFile(const std::string& fileName, int fileMode = 0);
    bool LoadFromBuffer(std::string_view text);   // copies; source "<MEM>"
    void SetBuffer(const char* text);             // borrows; source "<REFERENCE>"
    const char* GetDocBuffer() const;
    std::size_t TextSize() const { return FTextSize; }
    // The first NUL byte of a loaded text: the scan ends there, so nothing
    // behind it is read. `Offset` counts the bytes of the file (or buffer)
    // as given, from 0; `Line` counts its lines as XML reads them;
    // `TextFollows` tells whether anything but NUL bytes and whitespace
    // follows it. Offset is npos when the text holds none.
    struct TNulByte {
        std::size_t Offset = std::string::npos;
        std::size_t Line = 0;
        bool TextFollows = false;
    };
    const TNulByte& NulByte() const { return FNulByte; }
    const std::string& Source() const { return FSource; }

    // What the scan could not give as the document has it: a character
    // that Windows-1252 has no byte for (given as the inverted question
    // mark BF), a byte of 80 or above in a document of another declared
    // encoding than UTF-8 or Windows-1252 (given as the Windows-1252 byte),
    // a character reference to no character (a blank), a reference to an
    // entity that the document does not declare or that the bounds leave
    // unexpanded, a reference to an external entity (replaced by its file's
    // text, or by nothing when that is not read), a document type
    // declaration with an internal subset (declarations that the program
    // reads but never writes), a value that the DTD changes or supplies (a
    // default, a fixed value, blanks joined, a declared entity's text), a
    // reference to an external parameter entity, an encoding declaration
    // other than UTF-8 behind a byte order mark (the text is read as
    // UTF-8). A C1 control (80 to 9F, as a character reference or in UTF-8)
    // has no Windows-1252 byte either: it is given as the control character
    // SUB (1A), for the reader to treat as it does the others.
    // How many were met since the last call, and what the first was.
    struct TUnreadable {
        std::size_t Count = 0;
        std::string What;
    };
    TUnreadable TakeUnreadable() { return std::exchange(FUnreadable, TUnreadable{}); }

    void StartScan();
    bool Scan();

    // Entity and reference processing (also used by the DTD reader).
    std::string ReplaceGeneralEntities(std::string_view text);
    std::string ReplaceParameterEntities(std::string_view text);
    std::string ReplaceCharacterEntities(std::string_view text);

    virtual std::unique_ptr<TXmlParser> LoadExternalEntity(const std::string& systemId,
                                                           const std::string& publicId,
                                                           const std::string& notation);
    // The text in Windows-1252: UTF-8 is translated, anything else is left.
    // The scanner only passes text that holds a byte of 80 or above.
    virtual std::string TranslateEncoding(std::string_view text);
    virtual void DtdElementFound(const TDtdElementRec& rec);

    // Document properties.
    std::string XmlVersion;
    std::string Encoding;
    bool Standalone = false;
    std::string RootName;
    bool Normalize = true;
    // The encoding TranslateEncoding acts on: the declared encoding in upper
    // case, "UTF-8" for a declaration without one or for a text behind a
    // byte order mark, empty before any (and while the scanner is inside
    // entity text it has already translated). `Encoding` is the one declared.
    const std::string& TranslationEncoding() const { return FCurEncoding; }

    // Declarations.
    TElemList Elements;
    TNvpList Entities;      // of TEntityDef
    TNvpList ParEntities;   // of TEntityDef
    TNvpList Notations;     // of TNotationDef

    // The current part.
    TPartType CurPartType = ptNone;
    std::string CurName;
    std::string CurContent;
    // First and last character of the part. They lie in one text only when
    // the part did not run into or out of an entity's replacement text.
    const char* CurStart = nullptr;
    const char* CurFinal = nullptr;
    TAttrList CurAttr;

    TEntityStack EntityStack;
    const char* DtdcFinal() const { return FDtdcFinal; }
    // The line (from 1) of a position in the document's own text, or with
    // `skipWs` of the first character after the whitespace there; 0 for a
    // position elsewhere (in the text of an entity).
    std::size_t LineOf(const char* pos, bool skipWs = false);

private:
    friend class TEntityStack;

    void AnalyzeProlog();
    void AnalyzeComment();
    void AnalyzePI();
    void AnalyzeDtdc();
    // The DTD readers return the position behind what they read.
    const char* AnalyzeDtdElements(const char* start);
    void AnalyzeTag();
    void AnalyzeCData();
    void AnalyzeText(bool& isDone);
    const char* AnalyzeElementDecl(const char* start);
    const char* AnalyzeAttListDecl(const char* start);
    const char* AnalyzeEntityDecl(const char* start);
    const char* AnalyzeNotationDecl(const char* start);
    void PushPE(const char*& pos);
    void ResolveTextReference(const char*& pos);
    void ProcessAttributes();
    // References replaced and blanks made as the attribute's type has them;
    // a value `written` in the tag (not the DTD's) is translated too.
    void ProcessValue(TAttr& a, bool written, std::string& scratch);
    void ReportError(const char* pos);

    // Where the current part ends: `last` is its last character (none when
    // it is empty), `next` the first character of the next part.
    void SetPartEnd(const char* last, const char* next) { CurFinal = last; FNext = next; }
    // The part ends with its terminator of `length` bytes found at q, or, when
    // q is the document's end (no terminator), at the last character.
    void EndAtTerminator(const char* q, int length)
    {
        if (*q)
            SetPartEnd(q + length - 1, q + length);
        else
            SetPartEnd(q - 1, q);
    }

    // Reference handling with the bounds applied.
    bool MayExpand(std::size_t depth, std::size_t size) const;
    void Expanded(std::size_t size);
    bool LoadFromFileBounded(const std::string& fileName, std::size_t maxSize);
    // An external entity's parser, its reading charged to the expansion
    // bound; none when the bound allows no more.
    std::shared_ptr<TXmlParser> LoadCounted(const std::string& systemId, const std::string& publicId,
                                            const std::string& notation, std::size_t depth);
    bool ExternalText(const TEntityDef& def, std::size_t depth, std::string& text);
    void ReplaceReferences(std::string& out, std::string_view text, bool translate, std::size_t depth);
    void ReplaceEntities(std::string& out, std::string_view text, bool general, std::size_t depth);
    std::string DeclaredEntityText(std::string_view text);
    void AppendTranslated(std::string& out, const char* start, const char* end);
    bool NeedsTranslation() const { return FTranslateUtf8; }
    void SetEncoding(std::string encoding);

    void FindNulByte(std::string_view text);
    void Unreadable(const std::string& what);
    void Unreadable(const TUnreadable& met);
    // The byte of a character reference's code.
    char CharFromCode(std::string_view digits, bool hex);

    std::string FDocText;             // the owned text (with its terminator)
    TNulByte FNulByte;
    const char* FDocBuffer = nullptr; // the document, owned or borrowed
    std::size_t FTextSize = 0;        // 0 when borrowed
    std::string FSource;
    const char* FDtdcFinal = nullptr;
    const char* FNext = nullptr;      // where the next part starts
    std::shared_ptr<const void> FCurKeep;  // keeps the entity text being scanned
    std::size_t FExpanded = 0;        // entity bytes entered in this scan
    std::string FCurEncoding;
    bool FTranslateUtf8 = false;
    bool FOtherEncoding = false;      // declared, and neither UTF-8 nor Windows-1252
    TUnreadable FUnreadable;
    const char* FDocEnd = nullptr;    // the document's terminator
    const char* FDtdcStart = nullptr; // where the DOCTYPE read first starts
    TUnreadable FDtdcUnreadable;      // what reading it met, said again at each scan
    bool FByteOrderMark = false;      // the loaded text began with one
    const char* FLinePos = nullptr;   // LineOf counts on from here
    std::size_t FLine = 1;            // the line of FLinePos
};

// Free helpers.
std::string Utf8ToAnsi(std::string_view text, char replacement = '\xBF');
std::string AnsiToUtf8(std::string_view text);
std::string TrimWs(std::string_view text);
// Each whitespace character becomes a blank; with `collapse`, a whitespace
// character that follows another one is removed instead.
std::string ConvertWs(std::string_view text, bool collapse);
// The text between two positions, both inclusive (empty when final < start).
void SetStringSF(std::string& out, const char* start, const char* final);
std::string StrSFPas(const char* start, const char* final);

// Byte classes (locale-free).
inline bool IsXmlWs(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsNameStart(unsigned char c);
bool IsNameChar(unsigned char c);
