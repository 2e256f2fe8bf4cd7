#pragma once
// The one Windows-1252 table of the program. Every text inside the model and
// the championship file is Windows-1252; UTF-8 exists only at the edges
// (toolkit widgets, clipboard, file names, KML) and is converted here.
//
// The five bytes that Windows-1252 leaves undefined (81, 8D, 8F, 90, 9D) stand
// for the code points of the same value, so every byte has a character and a
// byte string always survives a round trip through UTF-8.

#include <string>
#include <string_view>

// The Unicode code point of one Windows-1252 byte.
char32_t Cp1252ToUnicode(unsigned char b);

// The byte whose code point is c, or -1 when Windows-1252 has none.
int UnicodeToCp1252(char32_t c);

// Each byte becomes its code point in UTF-8 (one to three bytes).
// Appends the UTF-8 form of one code point below 0x10000.
void AppendUtf8(std::string& out, char32_t c);

std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 to Windows-1252:
// - bytes below 80 are copied;
// - a well-formed sequence of two to four bytes (no overlong form, no
//   surrogate, nothing beyond U+10FFFF) gives the byte of its code point, or
//   `replacement` when Windows-1252 has none;
// - every other byte of 80 or above (a stray continuation byte, a lead byte
//   without its continuation bytes, C0, C1, F5 to FF, the first byte of an
//   overlong form) gives one `replacement` of its own, and the bytes behind
//   it are read afresh, so a bad sequence never takes an ASCII byte such as
//   "<" with it and never yields one.
std::string Utf8ToCp1252(std::string_view text, char replacement = '\xBF');

// A file system name (UTF-8) as the text of a message, which is Windows-1252
// like every other, so that a folder named with letters beyond ASCII reads as
// named and not as its UTF-8 bytes; control characters escaped.
std::string PathText(std::string_view path);

// Appends the conversion of `text` to `out` (same rules as Utf8ToCp1252).
void AppendUtf8AsCp1252(std::string& out, std::string_view text, char replacement = '\xBF');
