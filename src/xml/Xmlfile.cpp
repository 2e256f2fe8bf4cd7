#include "xml/Xmlfile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "xml/Cp1252.h"
#include "xml/LibXmlParser.h"

// ---------------------------------------------------------------------------
// Reader

namespace {
const std::string kNoElement;
} // namespace

std::string AsElementText(std::string_view value)
{
    return TrimWs(ConvertWs(value, true));
}

TXmlInput::TXmlInput(const std::string& fileName)
    : FFileName(fileName), FScanner(std::make_unique<TXmlParser>())
{
    if (!FScanner->LoadFromFile(fileName, 0))
        throw TException("", "Can't open XML file", PathText(fileName));
    FOpened = true;
    FScanner->StartScan();
}

TXmlInput::TXmlInput(const std::string& fileName, std::string_view documentText)
    : FFileName(fileName), FScanner(std::make_unique<TXmlParser>())
{
    FScanner->LoadFromBuffer(documentText);
    FOpened = true;
    FScanner->StartScan();
}

TXmlInput::~TXmlInput() = default;

bool TXmlInput::HasData()
{
    return FHead < FPending.size() || ScanMore();
}

TXmlData TXmlInput::Get()
{
    if (FHead == FPending.size() && !ScanMore())
        return TXmlData{};
    return std::move(FPending[FHead++]);
}

std::size_t TXmlInput::NulOffset() const { return FScanner->NulByte().Offset; }
std::size_t TXmlInput::NulLine() const { return FScanner->NulByte().Line; }
bool TXmlInput::TextAfterNul() const { return FScanner->NulByte().TextFollows; }

void TXmlInput::BlankControlCharacters(TXmlData& item)
{
    std::size_t count = 0;
    for (char& c : item.Value) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            c = ' ';
            ++count;
        }
    }
    if (count == 0)
        return;
    if (FControlCount == 0)
        FFirstControl = (item.Kind == xkAttribute ? "the attribute " + Excerpt(item.Name) + " of <" : "<") +
                        Excerpt(item.Element) + "> on line " + std::to_string(item.Line);
    FControlCount += count;
    // Read again, the text would lose blanks at its ends and in runs.
    if (item.Kind == xkText && FScanner->Normalize)
        item.Value = AsElementText(item.Value);
}

void TXmlInput::NotLoaded(const std::string& what, std::size_t count)
{
    if (FNotLoadedCount == 0)
        FFirstNotLoaded = what;
    FNotLoadedCount += count;
}

namespace {

// "<Pilot> on line 5", "the attribute Note of <Class> on line 4".
std::string Place(const TXmlData& item)
{
    return (item.Kind == xkAttribute ? "the attribute " + Excerpt(item.Name) + " of <" : std::string("<")) +
           Excerpt(item.Element) + "> on line " + std::to_string(item.Line);
}

} // namespace

void TXmlInput::PassedOver(const TXmlData& item)
{
    NotLoaded((item.Kind == xkText ? "the text of " : item.Kind == xkStart ? "the element " : "") + Place(item));
}

void TXmlInput::GivenTwice(const TXmlData& item)
{
    NotLoaded("a value of " + Excerpt(item.Kind == xkAttribute ? item.Name : item.Element) +
              " given twice (the second in " + Place(item) + ")");
}

std::string TXmlInput::In(const std::string& element) const
{
    return (element.empty() ? std::string() : " in <" + Excerpt(element) + ">") + " on line " + std::to_string(FLine);
}

TXmlData& TXmlInput::Queue(TXmlKind kind, const std::string& element)
{
    TXmlData& d = FPending.emplace_back();
    d.Kind = kind;
    d.Element = element;
    d.Line = FLine;
    return d;
}

bool TXmlInput::ScanMore()
{
    FPending.clear();
    FHead = 0;
    TXmlParser& s = *FScanner;
    while (s.Scan()) {
        // A part within an entity's text keeps the line of the reference;
        // a text is on the line where its first character stands.
        if (const std::size_t line = s.LineOf(s.CurStart, s.CurPartType == ptContent))
            FLine = line;
        // Said of the part that holds them; a part skipped whole is said itself.
        const TXmlParser::TUnreadable unreadable = s.TakeUnreadable();
        const std::string& open = FOpenNames.empty() ? kNoElement : FOpenNames.back();
        const bool tag = s.CurPartType == ptStartTag || s.CurPartType == ptEmptyTag;
        const char* skipped = s.CurPartType == ptComment ? "a comment"
                              : s.CurPartType == ptPI    ? "a processing instruction"
                              : s.CurPartType == ptCData ? "a CDATA section"
                                                         : nullptr;
        if (skipped)
            NotLoaded(skipped + In(open));
        else if (unreadable.Count > 0)
            NotLoaded(unreadable.What + In(tag ? s.CurName : open), unreadable.Count);
        switch (s.CurPartType) {
        case ptXmlProlog:
        case ptComment:
        case ptPI:
        case ptDtdc:
        case ptCData:
            continue;
        case ptStartTag:
        case ptEmptyTag:
            if (KnownElement && !KnownElement(s.CurName))
                PassedOver(Queue(xkStart, s.CurName));
            else
                Queue(xkStart, s.CurName);
            for (std::size_t i = 0; i < s.CurAttr.Count(); ++i) {
                const TAttr* a = s.CurAttr.Node(i);
                TXmlData& d = Queue(xkAttribute, s.CurName);
                d.Name = a->Name;
                d.Value = a->Value;
                BlankControlCharacters(d);
                // The reader takes one of them.
                if (i > 0 && a->Name == s.CurAttr.Name(i - 1))
                    GivenTwice(d);
            }
            if (s.CurPartType == ptStartTag)
                FOpenNames.push_back(s.CurName);
            else
                Queue(xkEnd, s.CurName);
            return true;
        case ptEndTag:
            Queue(xkEnd, s.CurName);
            if (FMismatch.empty() && (FOpenNames.empty() || FOpenNames.back() != s.CurName))
                FMismatch = "</" + Excerpt(s.CurName) + "> on line " + std::to_string(FLine) +
                            (FOpenNames.empty() ? std::string(" where no element is open")
                                                : " where <" + Excerpt(FOpenNames.back()) + "> is open");
            // A stray end tag (no element open) changes nothing.
            if (!FOpenNames.empty())
                FOpenNames.pop_back();
            return true;
        case ptContent: {
            // Text outside every element belongs to no element.
            TXmlData& d = Queue(xkText, FOpenNames.empty() ? kNoElement : FOpenNames.back());
            d.Value = s.CurContent;
            BlankControlCharacters(d);
            // Blanks only: no text, as the scanner gives none for them.
            if (d.Value.empty()) {
                FPending.pop_back();
                continue;
            }
            return true;
        }
        default:
            throw TException("", "Unexpected tag reading XML file", PathText(FFileName));
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// Writer

namespace {

void AppendEscaped(std::string& out, const std::string& value, bool attribute)
{
    const char* specials = attribute ? "&<>\"" : "&<>";
    std::size_t i = 0;
    for (;;) {
        const std::size_t j = value.find_first_of(specials, i);
        if (j == std::string::npos) {
            out.append(value, i, std::string::npos);
            return;
        }
        out.append(value, i, j - i);
        switch (value[j]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += "&quot;"; break;
        }
        i = j + 1;
    }
}

[[noreturn]] void CantWrite(const std::string& fileName)
{
    throw TException("", "Can't write XML file", PathText(fileName));
}

// A control character of a value, or npos: C0 without TAB.
std::size_t ControlCharacter(const std::string& value)
{
    for (std::size_t i = 0; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 && c != '\t') return i;
    }
    return std::string::npos;
}

} // namespace

TXmlOutput::TXmlOutput(const std::string& fileName) : FFileName(fileName), FTarget(FollowLinks(fileName))
{
    // Nothing is created here: the old file stays as it is until Close()
    // has the new text safely on disk. Only check that it can be written.
    // A link is saved through: the file it points to gets the new text.
    namespace fs = std::filesystem;
    const fs::path target(FTarget);
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    struct stat st {};
    bool ok = !fileName.empty() && target.has_filename() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    // A folder without any write permission takes no new file, whoever
    // runs the program, as a read-only file is not written.
    FFolderTakesFiles = ok && (st.st_mode & 0222) != 0 && ::access(folder.c_str(), W_OK | X_OK) == 0;
    // A file that exists must be writable; a new one needs the folder.
    if (ok)
        ok = ::stat(FTarget.c_str(), &st) == 0 ? TargetWritable() : FFolderTakesFiles;
    if (!ok)
        throw TException("", "Can't open XML file for output", PathText(fileName));
}

bool TXmlOutput::TargetWritable() const
{
    struct stat st {};
    return ::stat(FTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 &&
           ::access(FTarget.c_str(), W_OK) == 0;
}

TXmlOutput::TXmlOutput() = default;

TXmlOutput::~TXmlOutput() = default;

void TXmlOutput::WriteHeader()
{
    FIndent.clear();
    FText += FIndent;
    FText += "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>\n";
    FText += FIndent;
    FText += "<!DOCTYPE Championship SYSTEM \"Zephyrant.dtd\">\n";
}

void TXmlOutput::Refuse(const std::string& what, const std::string& details) const
{
    // The open elements that carry a key name the node; the document
    // element, always the championship, only when nothing else does.
    std::string where;
    for (std::size_t i = 1; i < FOpenNames.size(); ++i) {
        if (FOpenKeys[i].empty()) continue;
        if (!where.empty()) where += " / ";
        where += FOpenNames[i] + ' ' + FOpenKeys[i];
    }
    if (where.empty() && !FOpenNames.empty())
        where = FOpenNames.back() + (FOpenKeys.back().empty() ? std::string() : ' ' + FOpenKeys.back());
    throw TException(where, what, details);
}

void TXmlOutput::CheckText(const std::string& name, const std::string& value) const
{
    const std::size_t at = ControlCharacter(value);
    if (at == std::string::npos) return;
    Refuse("Control character in a text",
           name + ": character code " + std::to_string(static_cast<unsigned char>(value[at])));
}

double TXmlOutput::Number(const std::string& name, double value) const
{
    if (!std::isfinite(value)) Refuse("Number that is not finite", name + ": " + FormatFixed(value, 0));
    return value;
}

void TXmlOutput::OpenElement(const std::string& name)
{
    FText += FIndent;
    FText += '<';
    FText += name;
    FText += ">\n";
    FIndent += '\t';
    FOpenNames.push_back(name);
    FOpenKeys.emplace_back();
}

void TXmlOutput::BeginTag(const std::string& name)
{
    FText += FIndent;
    FText += '<';
    FText += name;
    FOpenNames.push_back(name);
    FOpenKeys.emplace_back();
}

void TXmlOutput::WriteAttribute(const std::string& name, const std::string& value)
{
    if (!FOpenKeys.empty() && FOpenKeys.back().empty()) FOpenKeys.back() = name + "=\"" + Excerpt(value) + '"';
    CheckText(name, value);
    FText += ' ';
    FText += name;
    FText += "=\"";
    AppendEscaped(FText, value, true);
    FText += '"';
}

void TXmlOutput::EndTag()
{
    FText += ">\n";
    FIndent += '\t';
}

void TXmlOutput::EndEmptyTag()
{
    FText += "/>\n";
    if (!FOpenNames.empty()) {
        FOpenNames.pop_back();
        FOpenKeys.pop_back();
    }
}

void TXmlOutput::WriteElement(const std::string& name, const std::string& value)
{
    CheckText(name, value);
    FText += FIndent;
    FText += '<';
    FText += name;
    if (value.empty()) {
        FText += "/>\n";
        return;
    }
    FText += '>';
    AppendEscaped(FText, value, false);
    FText += "</";
    FText += name;
    FText += ">\n";
}

void TXmlOutput::CloseElement()
{
    // A close without an open element is a caller's slip; writing "</>"
    // would only spoil the file.
    if (FOpenNames.empty())
        return;
    if (!FIndent.empty())
        FIndent.pop_back();
    FText += FIndent;
    FText += "</";
    FText += FOpenNames.back();
    FText += ">\n";
    FOpenNames.pop_back();
    FOpenKeys.pop_back();
}

bool TXmlOutput::Close(const TBeforeReplace& beforeReplace,
                       const std::function<bool(const std::string& target)>& writeInPlace)
{
    if (FClosed)
        return true;
    if (FTarget.empty())
        CantWrite(FFileName);
    if (!FFolderTakesFiles)
        return WriteInPlace(writeInPlace);
    // What a save that was killed left beside the file.
    RemoveStaleFilesBeside(FTarget);
    // A file with other links (names in other folders, perhaps) is written
    // through, so that each of them gives the new text; a new file renamed
    // over it would leave them with the old one.
    struct stat st {};
    const bool replaces = ::stat(FTarget.c_str(), &st) == 0;
    if (replaces && S_ISREG(st.st_mode) && st.st_nlink > 1)
        return WriteThrough(beforeReplace);
    // A new file beside the target, renamed over it only once it is
    // complete on disk: a failure at any step leaves the old file untouched.
    // One that replaces a file opens to no one else until it has that
    // file's access; a new name gets a new file's.
    std::string temp;
    const int fd = CreateFileBeside(FTarget, temp, replaces ? 0600 : 0666);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM || errno == EROFS)
            return WriteInPlace(writeInPlace);
        CantWrite(FFileName);
    }
    auto fail = [&](bool isOpen) {
        if (isOpen)
            ::close(fd);
        ::unlink(temp.c_str());
        CantWrite(FFileName);
    };
    // The owner, group, access control list and mode of the file being
    // replaced: a file shared by a group stays shared, and no wider.
    switch (TakeAccessOf(FTarget, fd)) {
    case TAccessTaken::All: break;
    case TAccessTaken::AllButOwner:
        // Another user's file (shared through its group or a list entry),
        // or one of a group this user is not in: a new file would take it
        // from its owner and open it to this user's group. It keeps both.
        ::close(fd);
        ::unlink(temp.c_str());
        return WriteThrough(beforeReplace);
    case TAccessTaken::Failed: fail(true);
    }
    if (!WriteAll(fd, FText))
        fail(true);
    if (::fsync(fd) != 0)
        fail(true);
    if (::close(fd) != 0)
        fail(false);
    bool replace = true;
    try {
        replace = !beforeReplace || beforeReplace(FTarget, false);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    if (!replace) {
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), FTarget.c_str()) != 0)
        fail(false);
    FClosed = true;
    return true;
}

bool TXmlOutput::WriteThrough(const TBeforeReplace& beforeReplace)
{
    if (beforeReplace && !beforeReplace(FTarget, true))
        return false;
    Overwrite();
    return true;
}

bool TXmlOutput::WriteInPlace(const std::function<bool(const std::string& target)>& ask)
{
    if (!ask || !TargetWritable())
        CantWrite(FFileName);
    if (!ask(FTarget))
        return false;
    Overwrite();
    return true;
}

void TXmlOutput::Overwrite()
{
    bool untouched = true;
    if (!OverwriteFile(FTarget, FText, untouched)) {
        if (untouched)
            CantWrite(FFileName);
        throw TException("", WrittenInPart, PathText(FFileName));
    }
    FClosed = true;
}
