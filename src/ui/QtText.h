#pragma once
// Text between the model (Windows-1252) and Qt (UTF-16), through the one
// Windows-1252 table of the program. Every model text that a widget shows and
// every text a user types into the model crosses here.

#include <QString>
#include <string>
#include <string_view>

QString ToQt(std::string_view cp1252);
// Characters that Windows-1252 has no byte for become '?': a text for the
// model is checked with TextRefusal first.
std::string FromQt(const QString& text);

// A file name held in the model (Windows-1252) as the file system wants it.
QString FileNameToQt(std::string_view cp1252);
// A file name from the file system (a chooser, a folder listing) for the
// model. Names that Windows-1252 cannot hold come back with '?' in them: a
// name for the model is checked with TextRefusal (TKeptAs::FileName) first.
std::string FileNameFromQt(const QString& name);
// A UTF-8 path of the core (folders of Platform::WorkingFolder) for Qt.
QString PathToQt(const std::string& utf8);
std::string PathFromQt(const QString& path);

// "Label (*.x)|*.x|All files (*.*)|*.*" -> "Label (*.x);;All files (*.*)".
// Qt takes a filter's patterns from the parentheses of its label, so a label
// whose parentheses name something else gets the pattern put in them.
QString FilterToQt(const QString& windowsFilter);

// How the championship file keeps a text, which decides what the file gives
// back of it:
// - Text (a value, a key, a code): the reader gives every TAB back as a
//   blank, so "X<TAB>Y" would come back as another key, "X Y". Element text
//   it also trims and joins each run of blanks into one (AsElementText), as
//   the file has always been read: what an edit stores takes that form when
//   the edit ends, so blanks are typed freely.
// - FileName (a file the championship names, in element text): it must come
//   back exactly or the file is not found; no TAB, no blank at either end,
//   no two blanks in a row.
enum class TKeptAs { Text, FileName };

// The first character of a text that the file cannot keep as it is.
struct TTextFault {
    enum TKind { None, Control, Tab, Blanks, Foreign };
    TKind Kind = None;
    qsizetype Position = 0; // in characters from 1; a surrogate pair is one
    qsizetype Index = 0;    // in UTF-16 units from 0: an edit's caret there stands before it
    char32_t Code = 0;      // the character's code point
};
// Control characters (C0 but TAB: XML has no way to write most of them, and
// a NUL would end the text where it stands), characters Windows-1252 has no
// byte for, and the TABs and blanks the way of keeping does not give back.
TTextFault FindTextFault(const QString& text, TKeptAs keptAs);
// The message refusing a text entered into a field, the field named as its
// label reads ("Short Name holds ..."); empty when the file keeps the text.
// Every path that stores what the user entered asks here first, and stores
// nothing when the answer is a message.
QString TextRefusal(const QString& field, const QString& text, TKeptAs keptAs = TKeptAs::Text);
// A character as a message shows it: the character and its code point,
// "Ł" (U+0141) with the quotation marks.
QString ShownCharacter(char32_t code);

// The name under which the championship keeps a file chosen in `folder`'s
// file system: the file's path relative to the folder with '/' between the
// parts ("logs/ZG.igc", "../day2/ZG.igc"), the bare name for a file in the
// folder itself. Reading joins the folder and this text again; the name
// is made from the real folders of both (symbolic links followed), as the
// kernel resolves a ".." in the joined path; a part that is not there today
// is kept as written.
QString RelativeFileName(const QString& folder, const QString& path);
