#pragma once
// The two XML adapters the model uses: TXmlInput turns a file into a flat
// queue of items (start tag, end tag, attribute, text) that each node's
// ReadXml consumes in document order; TXmlOutput builds indented XML text in
// memory and writes it to the file only on an explicit, checked Close().
//
// All strings are Windows-1252 bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TXmlParser;

enum TXmlKind : std::uint8_t {
    xkNone = 0,      // no item (document exhausted)
    xkStart = 1,     // start of an element: Element
    xkEnd = 2,       // end of an element: Element (as written in the end tag)
    xkAttribute = 3, // Element carries attribute Name with Value
    xkText = 4,      // text Value inside the innermost open Element
};

struct TXmlData {
    TXmlKind Kind = xkNone;
    std::string Element;
    std::string Name;
    std::string Value;
    // The line of the file the item stands on (from 1; within an entity's
    // text, the line of the reference).
    std::size_t Line = 0;
};

// A value as the reader gives it back from an element's text: trimmed, each
// run of whitespace one blank.
std::string AsElementText(std::string_view value);

class TXmlInput {
public:
    // Loads the whole file; throws TException "Can't open XML file" (details:
    // the file name) on failure.
    explicit TXmlInput(const std::string& fileName);
    // Reads the document from `documentText` instead of a file (tests, fuzzing);
    // `fileName` only names it in messages.
    TXmlInput(const std::string& fileName, std::string_view documentText);
    ~TXmlInput();
    TXmlInput(const TXmlInput&) = delete;
    TXmlInput& operator=(const TXmlInput&) = delete;

    bool HasData();
    TXmlData Get();

    const std::string& FileName() const { return FFileName; }
    // The first end tag that did not close the innermost open element
    // ("</Championship> on line 12 where <Geo> is open"), read so far;
    // empty while there was none.
    const std::string& MismatchedEndTag() const { return FMismatch; }
    // Control characters (below 0x20, TAB aside) of the values handed out
    // so far: XML cannot carry them and the writer refuses them, so each is
    // read as a blank (a text is then trimmed and its runs of blanks made
    // one, as the scanner reads text). How many there were, and where the
    // first stood ("<Venue> on line 12"); empty while there was none.
    std::size_t ControlCharacters() const { return FControlCount; }
    const std::string& FirstControlCharacter() const { return FFirstControl; }
    // The file's first NUL byte, where the reading ended: its offset in the
    // file (from 0; npos when it holds none) and its line, and whether
    // anything but NUL bytes and whitespace follows it.
    std::size_t NulOffset() const;
    std::size_t NulLine() const;
    bool TextAfterNul() const;

    // What the reading did not take as the file has it, so that the file
    // holds more than was read from it: a comment, a processing instruction
    // or a CDATA section (each skipped), what the scanner could not give as
    // written (TXmlParser::TakeUnreadable), an attribute given twice in one
    // tag, an element that KnownElement does not know, and what the readers
    // of the items pass over and tell here. How many things there were, and
    // the first ("a comment in <Team> on line 12"); empty while none.
    std::size_t NotLoadedCount() const { return FNotLoadedCount; }
    const std::string& FirstNotLoaded() const { return FFirstNotLoaded; }
    void NotLoaded(const std::string& what, std::size_t count = 1);
    // An item that its reader passes over: "the text of <Pilot> on line 5",
    // "the attribute Note of <Class> on line 4", "the element <Note> on line 6".
    void PassedOver(const TXmlData& item);
    // A value that its reader takes again, losing the one before.
    void GivenTwice(const TXmlData& item);
    // The element names of the file; unset, every name is known.
    std::function<bool(const std::string& name)> KnownElement;

private:
    bool ScanMore();

    std::string FFileName;
    std::unique_ptr<TXmlParser> FScanner;
    TXmlData& Queue(TXmlKind kind, const std::string& element);
    void BlankControlCharacters(TXmlData& item);

    std::vector<std::string> FOpenNames;
    // The items of the last scanned part; those before FHead are taken.
    std::vector<TXmlData> FPending;
    std::size_t FHead = 0;
    std::size_t FLine = 1;
    std::string FMismatch;
    std::size_t FControlCount = 0;
    std::string FFirstControl;
    std::size_t FNotLoadedCount = 0;
    std::string FFirstNotLoaded;
    // " in <Team> on line 12" (the line of the part scanned last), or
    // " on line 12" for no element.
    std::string In(const std::string& element) const;
    bool FOpened = false;
};

class TXmlOutput {
public:
    // A document built in memory only (Text()); Close() writes nothing and
    // throws "Can't write XML file".
    TXmlOutput();
    // Checks that the target, when it exists, is a regular file that may be
    // written (a file without any write permission counts as read-only,
    // whoever runs the program), or else that its folder can take the file;
    // throws TException "Can't open XML file for output" (details: the file
    // name) when not.
    explicit TXmlOutput(const std::string& fileName);
    // Without a successful Close() nothing is written: a save that failed
    // half way leaves the old file untouched.
    ~TXmlOutput();
    TXmlOutput(const TXmlOutput&) = delete;
    TXmlOutput& operator=(const TXmlOutput&) = delete;

    void WriteHeader();
    void OpenElement(const std::string& name);
    void BeginTag(const std::string& name);
    // A value holding a control character (below 0x20, TAB excepted) is
    // refused: XML cannot carry most of them, and the file would not read
    // again. Throws TException "Control character in a text" (where: the
    // elements with their key attributes, details: the attribute or element
    // and the character's code) before it reaches the text.
    void WriteAttribute(const std::string& name, const std::string& value);
    void EndTag();
    void EndEmptyTag();
    void WriteElement(const std::string& name, const std::string& value);
    void CloseElement();
    // The value of the attribute or element `name`, to be formatted; a NaN
    // or an infinity is refused as a control character is ("Number that is
    // not finite"): the reader could not take it back.
    double Number(const std::string& name, double value) const;

    // Asked before the old file is replaced, with the target (its links
    // followed) and whether it is written through (a second link would take
    // the new text too): false stops the save.
    using TBeforeReplace = std::function<bool(const std::string& target, bool writtenThrough)>;
    // Writes the text to a temporary file beside the target (a name within
    // the file system's limit, however long the target's), flushes it and
    // renames it over the target; a target that is a symbolic link stays
    // one, and the file it points to gets the text. Throws TException "Can't write XML file"
    // (details: the file name) on any failure; the target is then untouched.
    // `beforeReplace`, when given, is called once the new text is safely on
    // disk and before it replaces the old file; when it returns false (Close
    // then returns false) or throws, the temporary goes and the target is
    // untouched. The new file opens to no one else until it takes the old
    // one's owner, group, extended attributes (its access control list among
    // them) and mode.
    // Temporaries of this target left on this host by a process that has
    // ended are removed first. A target that a new file could not take the
    // place of as it is (one with more than one hard link, so that every link
    // gives the new text; one whose owner or group this user can't give a
    // new file) is written through instead, once `beforeReplace` has agreed;
    // it fails as a write in place does.
    // When the folder can take no new file (no write permission, even for a
    // user whom the system lets write anything) but the target is writable,
    // `writeInPlace` is asked instead (with the target): true puts the text
    // into the target itself, without `beforeReplace`; false returns false
    // with the target untouched; none throws "Can't write XML file". Should
    // that write fail with the old text no longer in the file, the
    // TException's what-text is WrittenInPart.
    bool Close(const TBeforeReplace& beforeReplace = {},
               const std::function<bool(const std::string& target)>& writeInPlace = {});
    static constexpr const char* WrittenInPart = "XML file written only in part";

    // The document built so far (for tests and in-memory use).
    const std::string& Text() const { return FText; }

private:
    std::string FFileName;
    std::string FTarget; // the file name with its links followed
    bool FFolderTakesFiles = false;
    bool TargetWritable() const;
    bool WriteInPlace(const std::function<bool(const std::string& target)>& ask);
    bool WriteThrough(const TBeforeReplace& beforeReplace);
    // The text into the target itself; throws as WriteInPlace says.
    void Overwrite();
    [[noreturn]] void Refuse(const std::string& what, const std::string& details) const;
    void CheckText(const std::string& name, const std::string& value) const;

    std::string FIndent;
    std::vector<std::string> FOpenNames;
    // Per open element, its first attribute as name="value" (empty when it
    // has none): what names the node in a refusal.
    std::vector<std::string> FOpenKeys;
    std::string FText;
    bool FClosed = false;
};
