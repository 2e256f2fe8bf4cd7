#include "xml/LibXmlParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "xml/Cp1252.h"

const char* const CPartType_Name[10] = {
    "None", "XML Prolog", "Comment", "PI", "DTD Declaration", "Start Tag", "Empty Tag", "End Tag",
    "Text", "CDATA"};
const char* const CDtdElemType_Name[7] = {
    "ELEMENT", "ATTLIST", "ENTITY", "NOTATION", "PI", "Comment", "Error"};
const char* const CElemType_Name[4] = {"EMPTY", "ANY", "Children", "Mixed"};
const char* const CValueType_Name[4] = {"Normal", "Implied", "Fixed", "Default"};
const char* const CAttrDefault_Name[4] = {"Default", "#REQUIRED", "#IMPLIED", "#FIXED"};
const char* const CAttrType_Name[11] = {
    "Unknown", "CDATA", "ID", "IDREF", "IDREFS", "ENTITY", "ENTITIES", "NMTOKEN", "NMTOKENS",
    "NOTATION", "Enumeration"};

namespace {

// Byte classes as tables: byte-wise, independent of any locale.
enum : std::uint8_t {
    cWs = 1,         // TAB LF CR blank
    cNameStart = 2,  // may begin a name
    cNameChar = 4,   // may continue a name
    cTextStop = 8,   // ends a run of text: < & NUL
    cTagStop = 16,   // ends a tag name: whitespace / > NUL
    cAttrStop = 32,  // ends an attribute name: whitespace / = > NUL
    cHex = 64,
};

constexpr std::array<std::uint8_t, 256> MakeClasses()
{
    std::array<std::uint8_t, 256> t{};
    auto add = [&t](unsigned c, std::uint8_t f) { t[c] = static_cast<std::uint8_t>(t[c] | f); };
    for (unsigned c : {' ', '\t', '\n', '\r'})
        add(c, cWs | cTagStop | cAttrStop);
    for (unsigned c = 0; c < 256; ++c) {
        const bool start = c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || c >= 0xF8;
        if (start)
            add(c, cNameStart | cNameChar);
        // Names of UTF-8 documents hold continuation bytes, so every byte of
        // 80 or above may continue a name.
        if ((c >= '0' && c <= '9') || c == '-' || c == '.' || c >= 0x80)
            add(c, cNameChar);
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))
            add(c, cHex);
    }
    for (unsigned c : {'<', '&', '\0'})
        add(c, cTextStop);
    for (unsigned c : {'/', '>', '\0'})
        add(c, cTagStop);
    for (unsigned c : {'/', '=', '>', '\0'})
        add(c, cAttrStop);
    return t;
}

constexpr std::array<std::uint8_t, 256> kClass = MakeClasses();

inline bool Has(char c, std::uint8_t f) { return (kClass[static_cast<unsigned char>(c)] & f) != 0; }
inline bool Ws(char c) { return Has(c, cWs); }

// Whether the keyword stands at p (p is zero-terminated, so a mismatch on the
// terminator stops the comparison in time).
inline bool At(const char* p, std::string_view kw)
{
    for (char k : kw) {
        if (*p != k)
            return false;
        ++p;
    }
    return true;
}

inline const char* SkipWs(const char* p)
{
    while (Ws(*p))
        ++p;
    return p;
}

// The next occurrence of `pat`, or the terminator.
inline const char* FindOrEnd(const char* p, const char* pat)
{
    const char* q = std::strstr(p, pat);
    return q ? q : p + std::strlen(p);
}

inline const char* FindCharOrEnd(const char* p, char c)
{
    const char* q = std::strchr(p, c);
    return q ? q : p + std::strlen(p);
}

std::string_view ReadName(const char*& p)
{
    const char* q = p;
    while (Has(*q, cNameChar))
        ++q;
    std::string_view name(p, static_cast<std::size_t>(q - p));
    p = q;
    return name;
}

// A quoted value at p (p on the quote); p ends behind the closing quote, or
// on the terminator when there is none.
std::string_view ReadQuoted(const char*& p)
{
    const char quote = *p;
    const char* q = p + 1;
    while (*q && *q != quote)
        ++q;
    std::string_view value(p + 1, static_cast<std::size_t>(q - p - 1));
    p = *q ? q + 1 : q;
    return value;
}

std::string StripWs(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!Ws(c))
            out += c;
    return out;
}

std::string UpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// A reference: "&name;", "&#digits;", "&#xhex;" (or "%name;" in a DTD).
// Anything else does not start a reference, and its "&" is a literal.
enum TRefKind { rkNone, rkName, rkDec, rkHex };
struct TRef {
    TRefKind Kind = rkNone;
    std::size_t NameStart = 0, NameEnd = 0;  // offsets of the name or digits
    std::size_t Semi = 0;                    // offset of the ";"
};

TRef ParseRef(std::string_view s, std::size_t amp, bool charRefs)
{
    TRef r;
    const std::size_t n = s.size();
    std::size_t i = amp + 1;
    auto is = [&](std::size_t k, std::uint8_t f) { return k < n && Has(s[k], f); };
    if (charRefs && i < n && s[i] == '#') {
        TRefKind kind = rkDec;
        ++i;
        if (i < n && (s[i] == 'x' || s[i] == 'X')) {
            kind = rkHex;
            ++i;
        }
        const std::size_t first = i;
        while (i < n && (kind == rkHex ? Has(s[i], cHex) : (s[i] >= '0' && s[i] <= '9')))
            ++i;
        if (i == first || i >= n || s[i] != ';')
            return r;
        r.Kind = kind;
        r.NameStart = first;
        r.NameEnd = i;
        r.Semi = i;
        return r;
    }
    if (!is(i, cNameStart))
        return r;
    const std::size_t first = i;
    while (is(i, cNameChar))
        ++i;
    if (i >= n || s[i] != ';')
        return r;
    r.Kind = rkName;
    r.NameStart = first;
    r.NameEnd = i;
    r.Semi = i;
    return r;
}

// The character of a predefined entity, or 0.
char Predefined(std::string_view name)
{
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "amp")
        return '&';
    if (name == "apos")
        return '\'';
    if (name == "quot")
        return '"';
    return 0;
}

// Trims whitespace at both ends and makes each run of it one blank.
void CollapseInPlace(std::string& s)
{
    std::size_t w = 0;
    bool pending = false;
    for (char c : s) {
        if (Ws(c)) {
            pending = w > 0;
        } else {
            if (pending) {
                s[w++] = ' ';
                pending = false;
            }
            s[w++] = c;
        }
    }
    s.resize(w);
}

// Each whitespace character becomes a blank.
void BlankWsInPlace(std::string& s)
{
    for (char& c : s)
        if (Ws(c))
            c = ' ';
}

// Line ends as XML reads them: CR LF and a lone CR become LF, so a file with
// CR LF line ends reads exactly like one with LF.
void NormalizeLineEnds(std::string& s)
{
    std::size_t r = s.find('\r');
    if (r == std::string::npos)
        return;
    std::size_t w = r;
    const std::size_t n = s.size();
    for (; r < n; ++r) {
        const char c = s[r];
        if (c == '\r') {
            s[w++] = '\n';
            if (r + 1 < n && s[r + 1] == '\n')
                ++r;
        } else {
            s[w++] = c;
        }
    }
    s.resize(w);
}

// Line ends as XML reads them, and without the byte order mark that editors
// put before a document saved as UTF-8; whether there was one.
bool PrepareLoadedText(std::string& s)
{
    const bool byteOrderMark = s.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (byteOrderMark)
        s.erase(0, 3);
    NormalizeLineEnds(s);
    return byteOrderMark;
}

bool HasHighByte(const char* start, const char* end)
{
    for (const char* p = start; p != end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80)
            return true;
    return false;
}

// What every expansion costs on top of its text, so that empty entities
// referenced a billion times still exhaust the budget.
constexpr std::size_t kExpansionOverhead = 16;

// What TakeUnreadable names.
constexpr char kC1Control = '\x1A';
const std::string kNoByte = "a character that Windows-1252 has no byte for";
const std::string kUndeclared = "a reference to an entity that the file does not declare";
const std::string kUnexpanded = "an entity reference that the reader's bounds leave as written";
const std::string kInternalSubset = "a document type declaration with an internal subset";

// A reference to an entity whose text is a file: the value gets what the
// file holds in its place, or nothing when the file is not read.
std::string ExternalEntity(std::string_view name)
{
    return "an external entity &" + Excerpt(name) + ";";
}

// The same of a parameter entity in the DTD, whether its file is read or not.
std::string ExternalParameterEntity(std::string_view name)
{
    return "a reference to an external parameter entity %" + Excerpt(name) + ";";
}

// A declared entity where the document refers to it: Save writes its text.
std::string DeclaredEntity(std::string_view name)
{
    return "a reference to the entity &" + Excerpt(name) + "; that the document type definition declares";
}

} // namespace

bool IsNameStart(unsigned char c) { return Has(static_cast<char>(c), cNameStart); }
bool IsNameChar(unsigned char c) { return Has(static_cast<char>(c), cNameChar); }

// ---------------------------------------------------------------------------
// Free helpers

std::string Utf8ToAnsi(std::string_view text, char replacement)
{
    return Utf8ToCp1252(text, replacement);
}

std::string AnsiToUtf8(std::string_view text)
{
    return Cp1252ToUtf8(text);
}

std::string TrimWs(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && Ws(text[b]))
        ++b;
    while (e > b && Ws(text[e - 1]))
        --e;
    return std::string(text.substr(b, e - b));
}

std::string ConvertWs(std::string_view text, bool collapse)
{
    std::string out;
    out.reserve(text.size());
    bool prevWs = false;
    for (char c : text) {
        if (Ws(c)) {
            if (!(collapse && prevWs))
                out += ' ';
            prevWs = true;
        } else {
            out += c;
            prevWs = false;
        }
    }
    return out;
}

void SetStringSF(std::string& out, const char* start, const char* final)
{
    if (start == nullptr || final == nullptr || final < start)
        out.clear();
    else
        out.assign(start, static_cast<std::size_t>(final - start + 1));
}

std::string StrSFPas(const char* start, const char* final)
{
    std::string s;
    SetStringSF(s, start, final);
    return s;
}

// ---------------------------------------------------------------------------
// Lists

std::size_t TNvpList::LowerBound(std::string_view name) const
{
    std::size_t lo = 0, hi = FCount;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (std::string_view(FNodes[mid]->Name) < name)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void TNvpList::InsertAt(std::size_t pos, std::unique_ptr<TNvpNode> node)
{
    if (FCount < FNodes.size())
        FNodes[FCount] = std::move(node);
    else
        FNodes.push_back(std::move(node));
    std::rotate(FNodes.begin() + static_cast<std::ptrdiff_t>(pos),
                FNodes.begin() + static_cast<std::ptrdiff_t>(FCount),
                FNodes.begin() + static_cast<std::ptrdiff_t>(FCount) + 1);
    ++FCount;
}

void TNvpList::Add(std::unique_ptr<TNvpNode> node)
{
    const std::size_t pos = LowerBound(node->Name);
    InsertAt(pos, std::move(node));
}

void TNvpList::AddOrReplace(std::unique_ptr<TNvpNode> node)
{
    const std::size_t pos = LowerBound(node->Name);
    if (pos < FCount && FNodes[pos]->Name == node->Name)
        FNodes[pos] = std::move(node);
    else
        InsertAt(pos, std::move(node));
}

TNvpNode* TNvpList::Node(std::string_view name) const
{
    const std::size_t pos = LowerBound(name);
    if (pos < FCount && FNodes[pos]->Name == name)
        return FNodes[pos].get();
    return nullptr;
}

TNvpNode* TNvpList::Node(std::size_t index) const
{
    return index < FCount ? FNodes[index].get() : nullptr;
}

namespace {
const std::string kEmpty;
}

const std::string& TNvpList::Value(std::string_view name) const
{
    const TNvpNode* n = Node(name);
    return n ? n->Value : kEmpty;
}

const std::string& TNvpList::Value(std::size_t index) const
{
    const TNvpNode* n = Node(index);
    return n ? n->Value : kEmpty;
}

const std::string& TNvpList::Name(std::size_t index) const
{
    const TNvpNode* n = Node(index);
    return n ? n->Name : kEmpty;
}

void TNvpList::Clear()
{
    FNodes.clear();
    FCount = 0;
}

TAttr* TAttrList::Append(const char* nameStart, const char* nameEnd)
{
    TAttr* a;
    if (FCount < FNodes.size()) {
        a = static_cast<TAttr*>(FNodes[FCount].get());
    } else {
        FNodes.push_back(std::make_unique<TAttr>());
        a = static_cast<TAttr*>(FNodes.back().get());
    }
    ++FCount;
    a->Name.assign(nameStart, nameEnd);
    a->Value.clear();
    a->ValueType = vtNormal;
    a->AttrType = atUnknown;
    return a;
}

TAttr* TAttrList::AddNew(std::string_view name, std::string_view value, TValueType valueType)
{
    const std::size_t pos = LowerBound(name);
    TAttr* a = Append(name.data(), name.data() + name.size());
    a->Value.assign(value);
    a->ValueType = valueType;
    std::rotate(FNodes.begin() + static_cast<std::ptrdiff_t>(pos),
                FNodes.begin() + static_cast<std::ptrdiff_t>(FCount) - 1,
                FNodes.begin() + static_cast<std::ptrdiff_t>(FCount));
    return a;
}

void TAttrList::Analyze(const char* start, const char*& final)
{
    Clear();
    enum { sName, sEquals, sValue } state = sName;
    const char* nameStart = nullptr;
    const char* nameEnd = nullptr;
    const char* p = start;
    for (;;) {
        const char c = *p;
        if (c == '\0' || c == '>')
            break;
        if (Ws(c)) {
            ++p;
            continue;
        }
        if (state == sName) {
            if (!Has(c, cNameStart))
                break;
            nameStart = p;
            while (!Has(*p, cAttrStop))
                ++p;
            nameEnd = p;
            state = sEquals;
        } else if (state == sEquals) {
            if (c == '=')
                state = sValue;
            ++p;
        } else {
            if (c == '"' || c == '\'') {
                const char* q = p + 1;
                while (*q && *q != c)
                    ++q;
                TAttr* a = Append(nameStart, nameEnd);
                a->Value.assign(p + 1, q);
                p = *q ? q + 1 : q;
                state = sName;
            } else {
                ++p;
            }
        }
    }
    final = p;
    if (FCount < 2)
        return;

    // Each attribute goes behind the last one whose name is byte-wise smaller,
    // that is before earlier ones of an equal name.
    auto first = FNodes.begin();
    auto last = FNodes.begin() + static_cast<std::ptrdiff_t>(FCount);
    auto less = [](const std::unique_ptr<TNvpNode>& a, const std::unique_ptr<TNvpNode>& b) {
        return a->Name < b->Name;
    };
    if (FCount <= 32) {
        for (auto i = first + 1; i < last; ++i) {
            auto j = i;
            while (j != first && !less(*(j - 1), *i))
                --j;
            std::rotate(j, i, i + 1);
        }
    } else {
        std::reverse(first, last);
        std::stable_sort(first, last, less);
    }
}

std::size_t TElemList::LowerBound(std::string_view name) const
{
    auto it = std::lower_bound(FItems.begin(), FItems.end(), name,
                               [](const std::unique_ptr<TElemDef>& e, std::string_view n) {
                                   return std::string_view(e->Name) < n;
                               });
    return static_cast<std::size_t>(it - FItems.begin());
}

void TElemList::Add(std::unique_ptr<TElemDef> elem)
{
    const std::size_t pos = LowerBound(elem->Name);
    FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(pos), std::move(elem));
}

void TElemList::AddOrReplace(std::unique_ptr<TElemDef> elem)
{
    const std::size_t pos = LowerBound(elem->Name);
    if (pos < FItems.size() && FItems[pos]->Name == elem->Name)
        FItems[pos] = std::move(elem);
    else
        FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(pos), std::move(elem));
}

TElemDef* TElemList::Node(std::string_view name) const
{
    const std::size_t pos = LowerBound(name);
    if (pos < FItems.size() && FItems[pos]->Name == name)
        return FItems[pos].get();
    return nullptr;
}

TElemDef* TElemList::Node(std::size_t index) const
{
    return index < FItems.size() ? FItems[index].get() : nullptr;
}

TExternalID::TExternalID(const char* start) : End(start)
{
    const char* p = start;
    const bool isPublic = At(p, "PUBLIC");
    if (!isPublic && !At(p, "SYSTEM"))
        return;
    p = SkipWs(p + 6);
    if (*p == '"' || *p == '\'') {
        (isPublic ? PublicId : SystemId) = ReadQuoted(p);
        if (isPublic) {
            const char* q = SkipWs(p);
            if (*q == '"' || *q == '\'') {
                SystemId = ReadQuoted(q);
                p = q;
            }
        }
    }
    End = p;
}

// ---------------------------------------------------------------------------
// Entity stack

void TEntityStack::Push(const char* pos)
{
    FNodes.push_back(TEntityStackNode{nullptr, FOwner.FCurEncoding, pos, FOwner.FCurKeep});
}

void TEntityStack::Push(std::shared_ptr<TXmlParser> parser, const char* pos)
{
    FNodes.push_back(TEntityStackNode{std::move(parser), FOwner.FCurEncoding, pos, FOwner.FCurKeep});
}

void TEntityStack::Clear()
{
    if (FNodes.empty())
        return;
    FOwner.SetEncoding(FNodes.front().Encoding);
    FNodes.clear();
}

const char* TEntityStack::Pop()
{
    if (FNodes.empty())
        return nullptr;
    TEntityStackNode node = std::move(FNodes.back());
    FNodes.pop_back();
    // The encoding in force before the entity comes back also when it was
    // empty: an external entity's own declaration must not outlive it.
    FOwner.SetEncoding(node.Encoding);
    FOwner.FCurKeep = std::move(node.Keep);
    return node.Pos;
}

const TXmlParser* TEntityStack::TopParser() const
{
    return FNodes.empty() ? nullptr : FNodes.back().Parser.get();
}

// ---------------------------------------------------------------------------
// Parser

TXmlParser::TXmlParser() : EntityStack(*this)
{
    Clear();
}

TXmlParser::~TXmlParser() = default;

void TXmlParser::SetEncoding(std::string encoding)
{
    FCurEncoding = std::move(encoding);
    FTranslateUtf8 = FCurEncoding == "UTF-8";
    // Read byte for byte as Windows-1252: right for the names of that
    // encoding (the program's own files say "ISO8859-1") and for none.
    static const std::string_view asWritten[] = {"ISO8859-1", "ISO-8859-1", "ISO_8859-1", "LATIN1",
                                                 "WINDOWS-1252", "CP1252", "US-ASCII", "ASCII"};
    FOtherEncoding = !FCurEncoding.empty() && !FTranslateUtf8 &&
                     std::find(std::begin(asWritten), std::end(asWritten), FCurEncoding) == std::end(asWritten);
}

void TXmlParser::Unreadable(const std::string& what)
{
    if (FUnreadable.Count++ == 0)
        FUnreadable.What = what;
}

void TXmlParser::Unreadable(const TUnreadable& met)
{
    if (met.Count == 0)
        return;
    if (FUnreadable.Count == 0)
        FUnreadable.What = met.What;
    FUnreadable.Count += met.Count;
}

// The byte a character reference stands for. Codes above 255 go through the
// Windows-1252 table (BF, the inverted question mark, when it has no byte);
// a number that does not read (too large to be a character) and the code 0
// give a blank, so a reference never puts a NUL into a value; a C1 control
// gives SUB. A blank and BF are unreadable (TakeUnreadable).
char TXmlParser::CharFromCode(std::string_view digits, bool hex)
{
    std::uint32_t code = 0;
    for (char c : digits) {
        unsigned d;
        if (c >= '0' && c <= '9')
            d = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = static_cast<unsigned>(c - 'a' + 10);
        else
            d = static_cast<unsigned>(c - 'A' + 10);
        code = code * (hex ? 16 : 10) + d;
        if (code > 0x10FFFF)
            break;
    }
    if (code == 0 || code > 0x10FFFF) {
        Unreadable("a character reference to no character");
        return ' ';
    }
    // A C1 control: the bytes 80 to 9F are letters in Windows-1252.
    if (code >= 0x80 && code <= 0x9F)
        return kC1Control;
    if (code <= 0xFF)
        return static_cast<char>(code);
    const int b = UnicodeToCp1252(code);
    if (b >= 0)
        return static_cast<char>(b);
    Unreadable(kNoByte);
    return '\xBF';
}

void TXmlParser::Clear()
{
    std::string().swap(FDocText);
    FDocBuffer = nullptr;
    FDocEnd = nullptr;
    FTextSize = 0;
    FSource.clear();
    XmlVersion.clear();
    Encoding.clear();
    Standalone = false;
    RootName.clear();
    FDtdcStart = nullptr;
    FDtdcFinal = nullptr;
    FDtdcUnreadable = TUnreadable{};
    Normalize = true;
    Elements.Clear();
    Entities.Clear();
    ParEntities.Clear();
    Notations.Clear();
    CurAttr.Clear();
    EntityStack.Clear();
    FCurKeep.reset();
    CurPartType = ptNone;
    CurName.clear();
    CurContent.clear();
    CurStart = CurFinal = nullptr;
    FNext = nullptr;
    FExpanded = 0;
    FLinePos = nullptr;
    FLine = 1;
    FNulByte = TNulByte{};
    FUnreadable = TUnreadable{};
    FByteOrderMark = false;
    SetEncoding(std::string());
}

void TXmlParser::FindNulByte(std::string_view text)
{
    const std::size_t at = text.find('\0');
    if (at == std::string_view::npos)
        return;
    FNulByte.Offset = at;
    // Line ends as loading reads them: CR LF, a lone CR and LF.
    FNulByte.Line = 1;
    for (std::size_t i = 0; i < at; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n'))
            ++FNulByte.Line;
    FNulByte.TextFollows = text.find_first_not_of(std::string_view("\0 \t\r\n", 5), at) != std::string_view::npos;
}

bool TXmlParser::LoadFromFileBounded(const std::string& fileName, std::size_t maxSize)
{
    Clear();
    std::string text;
    if (!ReadRegularFile(fileName, maxSize, text))
        return false;
    FindNulByte(text);
    FByteOrderMark = PrepareLoadedText(text);
    SetEncoding(FByteOrderMark ? "UTF-8" : "");
    FDocText = std::move(text);
    FDocBuffer = FDocText.c_str();
    FTextSize = FDocText.size() + 1;
    FDocEnd = FDocBuffer + std::strlen(FDocBuffer);
    FNext = FDocBuffer;
    FSource = fileName;
    return true;
}

bool TXmlParser::LoadFromFile(const std::string& fileName, int /*fileMode*/)
{
    return LoadFromFileBounded(fileName, static_cast<std::size_t>(-1));
}

bool TXmlParser::LoadFromBuffer(std::string_view text)
{
    Clear();
    FDocText.assign(text);
    FindNulByte(text);
    FByteOrderMark = PrepareLoadedText(FDocText);
    SetEncoding(FByteOrderMark ? "UTF-8" : "");
    FDocBuffer = FDocText.c_str();
    FTextSize = FDocText.size() + 1;
    FDocEnd = FDocBuffer + std::strlen(FDocBuffer);
    FNext = FDocBuffer;
    FSource = "<MEM>";
    return true;
}

void TXmlParser::SetBuffer(const char* text)
{
    Clear();
    FDocBuffer = text ? text : "";
    FDocEnd = FDocBuffer + std::strlen(FDocBuffer);
    FNext = FDocBuffer;
    FTextSize = 0;
    FSource = "<REFERENCE>";
}

const char* TXmlParser::GetDocBuffer() const
{
    return FDocBuffer ? FDocBuffer : "";
}

std::size_t TXmlParser::LineOf(const char* pos, bool skipWs)
{
    // Compared only: a position in an entity's text may point into text
    // that is gone by now.
    if (FDocBuffer == nullptr || pos < FDocBuffer || pos > FDocEnd)
        return 0;
    while (skipWs && pos < FDocEnd && Ws(*pos))
        ++pos;
    if (FLinePos == nullptr || pos < FLinePos) {
        FLinePos = FDocBuffer;
        FLine = 1;
    }
    FLine += static_cast<std::size_t>(std::count(FLinePos, pos, '\n'));
    FLinePos = pos;
    return FLine;
}

void TXmlParser::StartScan()
{
    CurPartType = ptNone;
    CurName.clear();
    CurContent.clear();
    CurStart = CurFinal = nullptr;
    CurAttr.Clear();
    EntityStack.Clear();
    FCurKeep.reset();
    // Before any declaration: as written, or UTF-8 behind a byte order mark.
    SetEncoding(FByteOrderMark ? "UTF-8" : "");
    FNext = GetDocBuffer();
    FExpanded = 0;
    FUnreadable = TUnreadable{};
}

bool TXmlParser::Scan()
{
    if (FNext == nullptr)
        FNext = GetDocBuffer();
    for (;;) {
        const char* p = FNext;
        // Leave every entity that ends here, then the document ends or goes on.
        while (*p == '\0' && EntityStack.Count() > 0)
            p = EntityStack.Pop();
        if (*p == '\0') {
            EntityStack.Clear();
            FCurKeep.reset();
            CurStart = CurFinal = FDocEnd ? FDocEnd : GetDocBuffer();
            FNext = CurStart;
            return false;
        }
        CurStart = CurFinal = p;
        FNext = p;
        bool isDone = true;
        if (p[0] == '<') {
            if (At(p, "<?xml") && Ws(p[5]))
                AnalyzeProlog();
            else if (p[1] == '?')
                AnalyzePI();
            else if (At(p, "<!--"))
                AnalyzeComment();
            else if (At(p, "<!DOCTYPE"))
                AnalyzeDtdc();
            else if (At(p, "<![CDATA["))
                AnalyzeCData();
            else
                AnalyzeTag();
        } else {
            AnalyzeText(isDone);
        }
        if (isDone)
            return true;
    }
}

void TXmlParser::AnalyzeProlog()
{
    CurPartType = ptXmlProlog;
    CurName.clear();
    CurContent.clear();
    const char* stop;
    CurAttr.Analyze(CurStart + 5, stop);
    if (EntityStack.Count() == 0) {
        XmlVersion = CurAttr.Value("version");
        Encoding = CurAttr.Value("encoding");
        Standalone = CurAttr.Value("standalone") == "yes";
    }
    const std::string& enc = CurAttr.Value("encoding");
    std::string encoding = enc.empty() ? std::string("UTF-8") : UpperAscii(enc);
    // A byte order mark says that the text (the document's, or an external
    // entity's) is UTF-8, whatever its declaration says.
    const TXmlParser* text = FCurKeep ? EntityStack.TopParser() : this;
    if (text != nullptr && text->FByteOrderMark && encoding != "UTF-8") {
        Unreadable("a declared encoding " + Excerpt(enc) + " that the byte order mark contradicts (read as UTF-8)");
        encoding = "UTF-8";
    }
    SetEncoding(std::move(encoding));
    const char* q = FindOrEnd(stop, "?>");
    EndAtTerminator(q, 2);
}

void TXmlParser::AnalyzeComment()
{
    CurPartType = ptComment;
    CurName.clear();
    CurContent.clear();
    CurAttr.Clear();
    const char* q = FindOrEnd(CurStart + 4, "-->");
    EndAtTerminator(q, 3);
}

void TXmlParser::AnalyzePI()
{
    CurPartType = ptPI;
    const char* p = CurStart + 2;
    const char* t = p;
    while (*t && !Ws(*t) && *t != '>' && *t != '?')
        ++t;
    CurName.assign(p, t);
    const char* q = FindOrEnd(p, "?>");
    // The target may run past a "?>" that follows it directly.
    CurContent.assign(t, q > t ? q : t);
    const char* stop;
    CurAttr.Analyze(t, stop);
    EndAtTerminator(q, 2);
}

void TXmlParser::AnalyzeCData()
{
    CurPartType = ptCData;
    CurName.clear();
    CurAttr.Clear();
    const char* p = CurStart + 9;
    const char* q = FindOrEnd(p, "]]>");
    CurContent.clear();
    AppendTranslated(CurContent, p, q);
    EndAtTerminator(q, 3);
}

void TXmlParser::AppendTranslated(std::string& out, const char* start, const char* end)
{
    if (!HasHighByte(start, end)) {
        out.append(start, end);
    } else if (FTranslateUtf8) {
        out += TranslateEncoding(std::string_view(start, static_cast<std::size_t>(end - start)));
    } else {
        if (FOtherEncoding)
            Unreadable("a character of the encoding " + Excerpt(FCurEncoding) + " (read as Windows-1252)");
        out.append(start, end);
    }
}

std::string TXmlParser::TranslateEncoding(std::string_view text)
{
    if (FCurEncoding != "UTF-8")
        return std::string(text);
    // A C1 control is C2 80 to C2 9F, whatever stands before it.
    std::string controls;
    if (text.find('\xC2') != std::string_view::npos) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            if (text[i] == '\xC2' && next >= 0x80 && next <= 0x9F) {
                controls += kC1Control;
                ++i;
            } else {
                controls += text[i];
            }
        }
        text = controls;
    }
    // The text holds no NUL: one in the result is a replaced character.
    std::string out = Utf8ToAnsi(text, '\0');
    for (char& c : out) {
        if (c == '\0') {
            c = '\xBF';
            Unreadable(kNoByte);
        }
    }
    return out;
}

void TXmlParser::DtdElementFound(const TDtdElementRec& /*rec*/) {}

void TXmlParser::ReportError(const char* pos)
{
    TDtdElementRec rec;
    rec.ElementType = deError;
    rec.Start = rec.Final = rec.Pos = pos;
    DtdElementFound(rec);
}

// ---------------------------------------------------------------------------
// Text and references

bool TXmlParser::MayExpand(std::size_t depth, std::size_t size) const
{
    return depth < kMaxEntityDepth && size <= ExpansionLimit &&
           FExpanded + size + kExpansionOverhead <= ExpansionLimit;
}

void TXmlParser::Expanded(std::size_t size)
{
    FExpanded += size + kExpansionOverhead;
}

void TXmlParser::ResolveTextReference(const char*& pos)
{
    // The reference must end within a short distance: look at it through a
    // view that stops at the text's terminator.
    const char* p = pos;
    const char* e = p + 1;
    if (*e == '#') {
        ++e;
        if (*e == 'x' || *e == 'X')
            ++e;
    }
    while (Has(*e, cNameChar))
        ++e;
    if (*e == ';')
        ++e;
    const std::string_view view(p, static_cast<std::size_t>(e - p));
    const TRef r = ParseRef(view, 0, true);
    if (r.Kind == rkNone) {
        CurContent += '&';
        pos = p + 1;
        return;
    }
    const std::string_view name = view.substr(r.NameStart, r.NameEnd - r.NameStart);
    const char* after = p + r.Semi + 1;
    pos = after;
    if (r.Kind == rkDec || r.Kind == rkHex) {
        CurContent += CharFromCode(name, r.Kind == rkHex);
        return;
    }
    if (const char c = Predefined(name)) {
        CurContent += c;
        return;
    }
    auto* def = static_cast<TEntityDef*>(Entities.Node(name));
    if (def == nullptr) {
        CurContent.append(name);  // an undeclared entity gives its bare name
        Unreadable(kUndeclared);
        return;
    }
    const std::size_t depth = EntityStack.Count();
    if (!def->IsExternal()) {
        if (!MayExpand(depth, def->Value.size())) {
            CurContent.append(p, after);
            Unreadable(kUnexpanded);
            return;
        }
        Expanded(def->Value.size());
        // Said where the document writes it; what its text refers to is part of it.
        if (depth == 0)
            Unreadable(DeclaredEntity(name));
        auto text = std::make_shared<const std::string>(def->Value);
        EntityStack.Push(after);
        FCurKeep = text;
        // The replacement text was translated when it was declared.
        SetEncoding(std::string());
        pos = text->c_str();
        return;
    }
    // Read or not, the reference is not what the value gets.
    Unreadable(ExternalEntity(name));
    std::shared_ptr<TXmlParser> ext = LoadCounted(def->SystemId, def->PublicId, def->NotationName, depth);
    if (!ext) {
        CurContent.append(p, after);
        return;
    }
    EntityStack.Push(ext, after);
    FCurKeep = ext;
    if (ext->FByteOrderMark)
        SetEncoding("UTF-8");
    pos = ext->GetDocBuffer();
}

void TXmlParser::AnalyzeText(bool& isDone)
{
    CurPartType = ptContent;
    CurName.clear();
    CurContent.clear();
    CurAttr.Clear();
    const char* p = CurStart;
    const char* last = p;
    for (;;) {
        const char* q = p;
        while (!Has(*q, cTextStop))
            ++q;
        if (q != p) {
            AppendTranslated(CurContent, p, q);
            last = q - 1;
        }
        p = q;
        if (*p == '<')
            break;
        if (*p == '&') {
            ResolveTextReference(p);
            continue;
        }
        // The end of an entity's text: go on behind its reference.
        if (EntityStack.Count() == 0)
            break;
        p = EntityStack.Pop();
    }
    SetPartEnd(last, p);
    if (Normalize) {
        CollapseInPlace(CurContent);
        isDone = !CurContent.empty();
    }
}

void TXmlParser::AnalyzeTag()
{
    const char* p = CurStart + 1;
    CurPartType = ptStartTag;
    if (*p == '/') {
        CurPartType = ptEndTag;
        ++p;
    }
    const char* q = p;
    while (!Has(*q, cTagStop))
        ++q;
    CurName.assign(p, q);
    CurContent.clear();
    const char* stop = q;
    if (CurPartType == ptEndTag) {
        CurAttr.Clear();
    } else {
        CurAttr.Analyze(q, stop);
        if (*stop == '/')
            CurPartType = ptEmptyTag;
    }
    const char* r = *stop == '>' ? stop : FindCharOrEnd(stop, '>');
    if (*r)
        SetPartEnd(r, r + 1);
    else
        SetPartEnd(r - 1, r);
    if (CurPartType != ptEndTag)
        ProcessAttributes();
}

void TXmlParser::ProcessAttributes()
{
    // Written values that the DTD fixes: whether it changes them is known
    // once both are read alike.
    std::vector<std::pair<TAttr*, const TAttrDef*>> fixed;
    if (Elements.Count() > 0) {
        if (const TElemDef* elem = Elements.Node(CurName)) {
            for (std::size_t i = 0; i < elem->Count(); ++i) {
                const TAttrDef* def = elem->Node(i);
                TAttr* a = CurAttr.Node(def->Name);
                if (a == nullptr && (def->DefaultType == adDefault || def->DefaultType == adFixed)) {
                    a = CurAttr.AddNew(def->Name, def->Value, vtDefault);
                    Unreadable("a default that the document type definition supplies for " + Excerpt(def->Name));
                    if (def->DefaultType == adFixed)
                        a->ValueType = vtFixed;
                } else if (a != nullptr && def->DefaultType == adFixed) {
                    fixed.emplace_back(a, def);
                }
                if (a == nullptr)
                    continue;
                if (def->DefaultType == adImplied)
                    a->ValueType = vtImplied;
                a->AttrType = def->AttrType;
            }
        }
    }
    std::string scratch;
    for (std::size_t i = 0; i < CurAttr.Count(); ++i) {
        TAttr* a = CurAttr.Node(i);
        // A value taken from the DTD was translated when it was declared.
        ProcessValue(*a, a->ValueType != vtDefault && a->ValueType != vtFixed, scratch);
    }
    for (const auto& [a, def] : fixed) {
        TAttr value(a->Name, def->Value);
        value.AttrType = a->AttrType;
        ProcessValue(value, false, scratch);
        if (value.Value != a->Value)
            Unreadable("a value of " + Excerpt(a->Name) + " that the document type definition fixes");
        a->Value = std::move(value.Value);
        a->ValueType = vtFixed;
    }
}

void TXmlParser::ProcessValue(TAttr& a, bool written, std::string& scratch)
{
    std::string& v = a.Value;
    if (v.find('&') != std::string::npos) {
        scratch.clear();
        ReplaceReferences(scratch, v, written, 0);
        v.swap(scratch);
    } else if (written && HasHighByte(v.data(), v.data() + v.size())) {
        scratch.clear();
        AppendTranslated(scratch, v.data(), v.data() + v.size());
        v.swap(scratch);
    }
    if (a.AttrType == atUnknown || a.AttrType == atCData) {
        BlankWsInPlace(v);
        return;
    }
    const std::size_t size = v.size();
    CollapseInPlace(v);
    if (written && v.size() != size)
        Unreadable("blanks of " + Excerpt(a.Name) + " that the document type definition joins or trims");
}

std::shared_ptr<TXmlParser> TXmlParser::LoadCounted(const std::string& systemId, const std::string& publicId,
                                                     const std::string& notation, std::size_t depth)
{
    if (!MayExpand(depth, 0))
        return nullptr;
    std::shared_ptr<TXmlParser> ext = LoadExternalEntity(systemId, publicId, notation);
    const std::size_t size = ext ? std::strlen(ext->GetDocBuffer()) : 0;
    if (!MayExpand(depth, size)) {
        Expanded(ExpansionLimit);  // past the bound: no more loads
        return nullptr;
    }
    Expanded(size);
    return ext ? ext : std::make_shared<TXmlParser>();
}

bool TXmlParser::ExternalText(const TEntityDef& def, std::size_t depth, std::string& text)
{
    const std::shared_ptr<TXmlParser> ext = LoadCounted(def.SystemId, def.PublicId, def.NotationName, depth);
    if (!ext)
        return false;
    text = ext->GetDocBuffer();
    return true;
}

// Attribute values: general entities, predefined entities and character
// references in one pass, so that the characters a reference produces are
// never read again as markup ("&amp;#65;" stays "&#65;"). Raw text is
// translated as it is met; entity texts were translated when declared.
void TXmlParser::ReplaceReferences(std::string& out, std::string_view text, bool translate,
                                   std::size_t depth)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const std::size_t amp = text.find('&', i);
        const std::size_t runEnd = amp == std::string_view::npos ? n : amp;
        if (translate)
            AppendTranslated(out, text.data() + i, text.data() + runEnd);
        else
            out.append(text.data() + i, runEnd - i);
        if (runEnd == n)
            break;
        const TRef r = ParseRef(text, amp, true);
        if (r.Kind == rkNone) {
            out += '&';
            i = amp + 1;
            continue;
        }
        i = r.Semi + 1;
        const std::string_view name = text.substr(r.NameStart, r.NameEnd - r.NameStart);
        if (r.Kind != rkName) {
            out += CharFromCode(name, r.Kind == rkHex);
            continue;
        }
        if (const char c = Predefined(name)) {
            out += c;
            continue;
        }
        const auto* def = static_cast<const TEntityDef*>(Entities.Node(name));
        const std::string_view whole = text.substr(amp, i - amp);
        if (def == nullptr) {
            out.append(whole);
            Unreadable(kUndeclared);
            continue;
        }
        if (!def->IsExternal()) {
            if (!MayExpand(depth, def->Value.size())) {
                out.append(whole);
                Unreadable(kUnexpanded);
                continue;
            }
            Expanded(def->Value.size());
            if (depth == 0 && translate)
                Unreadable(DeclaredEntity(name));
            ReplaceReferences(out, def->Value, false, depth + 1);
            continue;
        }
        Unreadable(ExternalEntity(name));
        std::string ext;
        if (!ExternalText(*def, depth, ext)) {
            out.append(whole);
            continue;
        }
        ReplaceReferences(out, ext, translate, depth + 1);
    }
}

// "&name;" (general) or "%name;" (parameter) references replaced by their
// texts, recursively, within the expansion bounds. Only general references
// know the five predefined names; character references are left for their
// own pass.
void TXmlParser::ReplaceEntities(std::string& out, std::string_view text, bool general, std::size_t depth)
{
    const char mark = general ? '&' : '%';
    const TNvpList& declared = general ? Entities : ParEntities;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const std::size_t at = text.find(mark, i);
        if (at == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, at - i));
        const TRef r = ParseRef(text, at, general);
        if (r.Kind == rkNone) {
            out += mark;
            i = at + 1;
            continue;
        }
        i = r.Semi + 1;
        const std::string_view whole = text.substr(at, i - at);
        const std::string_view name = text.substr(r.NameStart, r.NameEnd - r.NameStart);
        if (general && r.Kind != rkName) {
            out.append(whole);
            continue;
        }
        if (const char c = general ? Predefined(name) : '\0') {
            out += c;
            continue;
        }
        const auto* def = static_cast<const TEntityDef*>(declared.Node(name));
        if (def == nullptr) {
            out.append(whole);
            continue;
        }
        if (def->IsExternal())
            Unreadable(general ? ExternalEntity(name) : ExternalParameterEntity(name));
        std::string ext;
        if (def->IsExternal() ? !ExternalText(*def, depth, ext) : !MayExpand(depth, def->Value.size())) {
            out.append(whole);
            continue;
        }
        if (!def->IsExternal())
            Expanded(def->Value.size());
        ReplaceEntities(out, def->IsExternal() ? std::string_view(ext) : std::string_view(def->Value), general,
                        depth + 1);
    }
}

std::string TXmlParser::ReplaceGeneralEntities(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    ReplaceEntities(out, text, true, 0);
    return out;
}

std::string TXmlParser::ReplaceParameterEntities(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    ReplaceEntities(out, text, false, 0);
    return out;
}

std::string TXmlParser::ReplaceCharacterEntities(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const std::size_t amp = text.find("&#", i);
        if (amp == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, amp - i));
        const TRef r = ParseRef(text, amp, true);
        if (r.Kind != rkDec && r.Kind != rkHex) {
            out += '&';
            i = amp + 1;
            continue;
        }
        out += CharFromCode(text.substr(r.NameStart, r.NameEnd - r.NameStart), r.Kind == rkHex);
        i = r.Semi + 1;
    }
    return out;
}

// The replacement text of a general entity as it is stored: parameter
// references replaced, raw text translated and character references turned
// into their bytes (in that one pass, so a translated byte is never read as
// UTF-8 a second time). Other references stay for the time of use.
std::string TXmlParser::DeclaredEntityText(std::string_view text)
{
    const std::string s = ReplaceParameterEntities(text);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        std::size_t amp = s.find("&#", i);
        const std::size_t runEnd = amp == std::string::npos ? n : amp;
        AppendTranslated(out, s.data() + i, s.data() + runEnd);
        if (runEnd == n)
            break;
        const TRef r = ParseRef(s, amp, true);
        if (r.Kind != rkDec && r.Kind != rkHex) {
            out += '&';
            i = amp + 1;
            continue;
        }
        out += CharFromCode(std::string_view(s).substr(r.NameStart, r.NameEnd - r.NameStart),
                            r.Kind == rkHex);
        i = r.Semi + 1;
    }
    return out;
}

// ---------------------------------------------------------------------------
// External entities

namespace {

// A system id names a file the document may read only when it lies in the
// document's folder or below it: a relative path without "..". Anything
// else (an absolute path, a way out of the folder, a document held in
// memory, which has no folder) names nothing.
std::string ExternalPath(const std::string& source, std::string systemId)
{
    std::replace(systemId.begin(), systemId.end(), '\\', '/');
    if (source.empty() || source[0] == '<' || systemId.empty() || systemId[0] == '/')
        return std::string();
    std::size_t start = 0;
    while (start <= systemId.size()) {
        const std::size_t end = std::min(systemId.find('/', start), systemId.size());
        if (systemId.compare(start, end - start, "..") == 0)
            return std::string();
        start = end + 1;
    }
    const std::filesystem::path folder = std::filesystem::path(source).parent_path();
    return folder.empty() ? systemId : (folder / systemId).string();
}

} // namespace

std::unique_ptr<TXmlParser> TXmlParser::LoadExternalEntity(const std::string& systemId,
                                                           const std::string& /*publicId*/,
                                                           const std::string& /*notation*/)
{
    const std::string path = ExternalPath(FSource, systemId);
    auto parser = std::make_unique<TXmlParser>();
    // A missing file, a device, a FIFO or a file past the bound leaves the
    // parser empty: the entity is then like a DTD that does not exist.
    if (!path.empty())
        parser->LoadFromFileBounded(path, kMaxExternalSize);
    return parser;
}

// ---------------------------------------------------------------------------
// Document type declaration

void TXmlParser::PushPE(const char*& pos)
{
    const char* p = pos;
    const char* e = p + 1;
    while (Has(*e, cNameChar))
        ++e;
    if (*e == ';')
        ++e;
    const std::string_view view(p, static_cast<std::size_t>(e - p));
    const TRef r = ParseRef(view, 0, false);
    if (r.Kind != rkName) {
        pos = p + 1;
        return;
    }
    pos = p + r.Semi + 1;
    const auto* def = static_cast<const TEntityDef*>(
        ParEntities.Node(view.substr(r.NameStart, r.NameEnd - r.NameStart)));
    // An external parameter entity has no replacement text here: what its
    // file declares is not read.
    if (def != nullptr && def->IsExternal())
        Unreadable(ExternalParameterEntity(def->Name));
    if (def == nullptr || def->IsExternal() || !MayExpand(EntityStack.Count(), def->Value.size()))
        return;
    Expanded(def->Value.size());
    auto text = std::make_shared<const std::string>(def->Value);
    EntityStack.Push(pos);
    FCurKeep = text;
    pos = text->c_str();
}

void TXmlParser::AnalyzeDtdc()
{
    CurPartType = ptDtdc;
    CurName.clear();
    CurContent.clear();
    CurAttr.Clear();
    EntityStack.Clear();
    const bool inDocument = !FCurKeep;
    // Scanning the document again: its DTD was read the first time.
    if (inDocument && FDtdcFinal != nullptr && CurStart == FDtdcStart) {
        CurName = RootName;
        SetPartEnd(FDtdcFinal, *FDtdcFinal ? FDtdcFinal + 1 : FDtdcFinal);
        Unreadable(FDtdcUnreadable);
        return;
    }
    const TUnreadable before = std::exchange(FUnreadable, TUnreadable{});
    const char* p = CurStart + 9;
    bool haveName = false;
    bool subset = false;
    for (;;) {
        const char c = *p;
        if (c == '\0') {
            if (EntityStack.Count() == 0)
                break;
            p = EntityStack.Pop();
            continue;
        }
        if (c == '>')
            break;
        if (Ws(c)) {
            ++p;
            continue;
        }
        if (c == '%') {
            PushPE(p);
            continue;
        }
        if (c == '[') {
            // Declarations of its own (the program writes none): what they
            // declare is loaded, but they are not.
            const char next = *SkipWs(p + 1);
            if (!subset && next != ']' && next != '\0') {
                subset = true;
                Unreadable(kInternalSubset);
            }
            p = AnalyzeDtdElements(p + 1);
            if (*p == ']')
                ++p;
            continue;
        }
        if (!haveName && Has(c, cNameStart)) {
            RootName = ReadName(p);
            haveName = true;
            continue;
        }
        if (At(p, "SYSTEM") || At(p, "PUBLIC")) {
            const TExternalID id(p);
            p = id.End;
            std::shared_ptr<TXmlParser> ext = LoadCounted(id.SystemId, id.PublicId, std::string(), 0);
            const char* decl = ext ? std::strstr(ext->GetDocBuffer(), "<!") : nullptr;
            if (decl != nullptr) {
                // Read the external subset with its own text kept alive, then
                // come back to the DOCTYPE.
                auto outerKeep = FCurKeep;
                auto outerEncoding = FCurEncoding;
                FCurKeep = ext;
                AnalyzeDtdElements(decl);
                if (EntityStack.Count() > 0) {
                    ReportError(decl);
                    EntityStack.Clear();
                }
                FCurKeep = std::move(outerKeep);
                SetEncoding(outerEncoding);
            }
            continue;
        }
        ReportError(p);
        ++p;
    }
    if (EntityStack.Count() > 0)
        ReportError(p);
    EntityStack.Clear();
    CurName = RootName;
    const char* last = *p ? p : p - 1;
    SetPartEnd(last, *p ? p + 1 : p);
    const TUnreadable met = std::exchange(FUnreadable, before);
    Unreadable(met);
    if (!FCurKeep && FDtdcFinal == nullptr) {
        FDtdcStart = CurStart;
        FDtdcFinal = last;
        FDtdcUnreadable = met;
    }
}

const char* TXmlParser::AnalyzeDtdElements(const char* start)
{
    const char* p = start;
    for (;;) {
        const char c = *p;
        if (c == '\0') {
            if (EntityStack.Count() == 0)
                return p;
            p = EntityStack.Pop();
            continue;
        }
        if (c == '>' || c == ']')
            return p;
        if (Ws(c)) {
            ++p;
            continue;
        }
        if (c == '%') {
            PushPE(p);
            continue;
        }
        if (c != '<') {
            ReportError(p);
            ++p;
            continue;
        }
        if (At(p, "<!ELEMENT")) {
            p = AnalyzeElementDecl(p);
        } else if (At(p, "<!ATTLIST")) {
            p = AnalyzeAttListDecl(p);
        } else if (At(p, "<!ENTITY")) {
            p = AnalyzeEntityDecl(p);
        } else if (At(p, "<!NOTATION")) {
            p = AnalyzeNotationDecl(p);
        } else if (At(p, "<?")) {
            TDtdElementRec rec;
            rec.ElementType = dePI;
            rec.Start = p;
            const char* t = p + 2;
            while (*t && !Ws(*t) && *t != '?' && *t != '>')
                ++t;
            rec.Target.assign(p + 2, t);
            const char* q = FindOrEnd(t, "?>");
            rec.Content.assign(t, q);
            rec.Final = *q ? q + 1 : q - 1;
            p = *q ? q + 2 : q;
            DtdElementFound(rec);
        } else if (At(p, "<!--")) {
            TDtdElementRec rec;
            rec.ElementType = deComment;
            rec.Start = p;
            const char* q = FindOrEnd(p + 4, "-->");
            rec.Content.assign(p + 4, q);
            rec.Final = *q ? q + 2 : q - 1;
            p = *q ? q + 3 : q;
            DtdElementFound(rec);
        } else {
            ReportError(p);
            ++p;
        }
    }
}

const char* TXmlParser::AnalyzeElementDecl(const char* start)
{
    const char* p = SkipWs(start + 9);
    const std::string name(ReadName(p));
    const char* q = FindCharOrEnd(p, '>');
    auto elem = std::make_unique<TElemDef>();
    elem->Name = name;
    elem->Definition = ReplaceParameterEntities(StripWs(std::string_view(p, static_cast<std::size_t>(q - p))));
    const std::string& d = elem->Definition;
    if (d == "EMPTY")
        elem->ElemType = etEmpty;
    else if (d == "ANY")
        elem->ElemType = etAny;
    else if (d.compare(0, 8, "(#PCDATA") == 0)
        elem->ElemType = etMixed;
    else if (!d.empty() && d[0] == '(')
        elem->ElemType = etChildren;
    else
        elem->ElemType = etAny;
    TDtdElementRec rec;
    rec.ElementType = deElement;
    rec.Start = start;
    rec.Final = *q ? q : q - 1;
    // A redeclaration replaces the earlier element with its attributes.
    if (!name.empty() && (Elements.Node(name) != nullptr || Elements.Count() < kMaxDeclarations)) {
        rec.ElemDef = elem.get();
        Elements.AddOrReplace(std::move(elem));
    }
    DtdElementFound(rec);
    return *q ? q + 1 : q;
}

const char* TXmlParser::AnalyzeAttListDecl(const char* start)
{
    const char* p = SkipWs(start + 9);
    const std::string elemName(ReadName(p));
    TElemDef* elem = Elements.Node(elemName);
    if (elem == nullptr && !elemName.empty() && Elements.Count() < kMaxDeclarations) {
        auto e = std::make_unique<TElemDef>();
        e->Name = elemName;
        e->Definition = "ANY";
        e->ElemType = etAny;
        elem = e.get();
        Elements.Add(std::move(e));
    }
    TDtdElementRec rec;
    rec.ElementType = deAttList;
    rec.Start = start;
    rec.ElemDef = elem;
    for (;;) {
        p = SkipWs(p);
        if (*p == '\0' || *p == '>')
            break;
        if (!Has(*p, cNameChar)) {
            ReportError(p);
            p = FindCharOrEnd(p, '>');
            break;
        }
        auto def = std::make_unique<TAttrDef>();
        def->Name = ReadName(p);
        p = SkipWs(p);
        // The type.
        if (*p == '(') {
            const char* q = FindCharOrEnd(p, ')');
            if (*q)
                ++q;
            def->Notations = ReplaceCharacterEntities(
                ReplaceParameterEntities(StripWs(std::string_view(p, static_cast<std::size_t>(q - p)))));
            def->TypeDef = def->Notations;
            def->AttrType = atEnumeration;
            p = q;
        } else {
            const char* q = p;
            while (*q && !Ws(*q) && *q != '>' && *q != '(' && *q != '"' && *q != '\'')
                ++q;
            const std::string_view word(p, static_cast<std::size_t>(q - p));
            def->TypeDef = word;
            p = q;
            if (word == "NOTATION") {
                p = SkipWs(p);
                if (*p == '(') {
                    const char* e = FindCharOrEnd(p, ')');
                    if (*e)
                        ++e;
                    def->Notations = ReplaceCharacterEntities(
                        ReplaceParameterEntities(StripWs(std::string_view(p, static_cast<std::size_t>(e - p)))));
                    p = e;
                }
                def->AttrType = atNotation;
            } else {
                static const std::pair<std::string_view, TAttrType> keywords[] = {
                    {"CDATA", atCData},   {"ID", atID},             {"IDREF", atIdRef},
                    {"IDREFS", atIdRefs}, {"ENTITY", atEntity},     {"ENTITIES", atEntities},
                    {"NMTOKEN", atNmToken}, {"NMTOKENS", atNmTokens}};
                def->AttrType = atUnknown;
                for (const auto& [keyword, type] : keywords)
                    if (word == keyword) def->AttrType = type;
            }
        }
        p = SkipWs(p);
        // The default. Its references are resolved where it is used, in the
        // same one pass as those of the values written in tags.
        bool quoted = false;
        if (At(p, "#REQUIRED")) {
            def->DefaultType = adRequired;
            p += 9;
        } else if (At(p, "#IMPLIED")) {
            def->DefaultType = adImplied;
            p += 8;
        } else if (At(p, "#FIXED")) {
            def->DefaultType = adFixed;
            p = SkipWs(p + 6);
            quoted = true;
        } else if (*p == '"' || *p == '\'') {
            def->DefaultType = adDefault;
            quoted = true;
        } else {
            ReportError(p);
            while (*p && !Ws(*p) && *p != '>')
                ++p;
            continue;
        }
        if (quoted && (*p == '"' || *p == '\'')) {
            // Translated in the encoding of the declaration: the tag that
            // takes the default may stand in an entity of another encoding.
            const std::string value = ReplaceParameterEntities(ReadQuoted(p));
            AppendTranslated(def->Value, value.data(), value.data() + value.size());
        }
        if (elem != nullptr && (elem->Node(def->Name) != nullptr || elem->Count() < kMaxAttrDefs)) {
            rec.AttrDef = def.get();
            elem->AddOrReplace(std::move(def));
        }
    }
    rec.Final = *p ? p : p - 1;
    DtdElementFound(rec);
    return *p ? p + 1 : p;
}

const char* TXmlParser::AnalyzeEntityDecl(const char* start)
{
    const char* p = SkipWs(start + 8);
    bool isPE = false;
    if (*p == '%') {
        isPE = true;
        p = SkipWs(p + 1);
    }
    auto def = std::make_unique<TEntityDef>();
    def->Name = ReadName(p);
    p = SkipWs(p);
    if (*p == '"' || *p == '\'') {
        const std::string_view raw = ReadQuoted(p);
        def->Value = isPE ? ReplaceCharacterEntities(raw) : DeclaredEntityText(raw);
    } else if (At(p, "SYSTEM") || At(p, "PUBLIC")) {
        const TExternalID id(p);
        def->SystemId = id.SystemId;
        def->PublicId = id.PublicId;
        p = SkipWs(id.End);
        if (At(p, "NDATA")) {
            p = SkipWs(p + 5);
            def->NotationName = ReadName(p);
        }
    }
    const char* q = FindCharOrEnd(p, '>');
    TDtdElementRec rec;
    rec.ElementType = deEntity;
    rec.Start = start;
    rec.Final = *q ? q : q - 1;
    TNvpList& list = isPE ? ParEntities : Entities;
    if (!def->Name.empty() && (list.Node(def->Name) != nullptr || list.Count() < kMaxDeclarations)) {
        rec.EntityDef = def.get();
        list.AddOrReplace(std::move(def));
    }
    DtdElementFound(rec);
    return *q ? q + 1 : q;
}

const char* TXmlParser::AnalyzeNotationDecl(const char* start)
{
    const char* p = SkipWs(start + 10);
    auto def = std::make_unique<TNotationDef>();
    def->Name = ReadName(p);
    p = SkipWs(p);
    if (At(p, "SYSTEM") || At(p, "PUBLIC")) {
        const TExternalID id(p);
        def->Value = id.SystemId;
        def->PublicId = id.PublicId;
        p = id.End;
    }
    const char* q = FindCharOrEnd(p, '>');
    TDtdElementRec rec;
    rec.ElementType = deNotation;
    rec.Start = start;
    rec.Final = *q ? q : q - 1;
    if (!def->Name.empty() &&
        (Notations.Node(def->Name) != nullptr || Notations.Count() < kMaxDeclarations)) {
        rec.NotationDef = def.get();
        Notations.AddOrReplace(std::move(def));
    }
    DtdElementFound(rec);
    return *q ? q + 1 : q;
}
