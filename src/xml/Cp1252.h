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

// UTF-8 to Windows-1252, lenient the way old files need it:
// - bytes below 80 are copied;
// - a lead byte 110xxxxx with at least one byte after it is decoded together
//   with the next byte, 1110xxxx with at least two after it with the next two;
//   the continuation bytes are not checked;
// - any other byte of 80 or above (a stray continuation byte, a lead of four
//   or more bytes, a sequence cut short by the end) gives `replacement` and is
//   skipped together with as many following bytes as its leading one-bits
//   announce, less one; a stray continuation byte and FF are skipped alone;
// - a decoded code point without a Windows-1252 byte gives `replacement`, and
//   so does a decoded 0 (an overlong form), so the result never holds a NUL
//   that the text did not hold.
std::string Utf8ToCp1252(std::string_view text, char replacement = '\xBF');

// Appends the conversion of `text` to `out` (same rules as Utf8ToCp1252).
void AppendUtf8AsCp1252(std::string& out, std::string_view text, char replacement = '\xBF');
