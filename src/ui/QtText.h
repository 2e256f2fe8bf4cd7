#pragma once
// Text between the model (Windows-1252) and Qt (UTF-16), through the one
// Windows-1252 table of the program. Every model text that a widget shows and
// every text a user types into the model crosses here.

#include <QString>
#include <string>
#include <string_view>

QString ToQt(std::string_view cp1252);
// Characters that Windows-1252 has no byte for become '?'.
std::string FromQt(const QString& text);

// A file name held in the model (Windows-1252) as the file system wants it.
QString FileNameToQt(std::string_view cp1252);
// A file name from the file system (a chooser, a folder listing) for the
// model. Names that Windows-1252 cannot hold come back with '?' in them.
std::string FileNameFromQt(const QString& name);
// A UTF-8 path of the core (folders of Platform::WorkingFolder) for Qt.
QString PathToQt(const std::string& utf8);
std::string PathFromQt(const QString& path);

// "Label (*.x)|*.x|All files (*.*)|*.*" -> "Label (*.x);;All files (*.*)".
// Qt takes a filter's patterns from the parentheses of its label, so a label
// whose parentheses name something else gets the pattern put in them.
QString FilterToQt(const QString& windowsFilter);

// The index of the first control character of a typed text (C0, TAB
// excepted), or -1. A championship file cannot keep one: XML has no way to
// write most of them, and a NUL would end the text where it stands.
qsizetype ControlCharacterAt(const QString& text);
// The message refusing such a text typed into the field.
QString ControlCharacterRefusal(const QString& field, const QString& text);
