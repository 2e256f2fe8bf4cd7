#pragma once
// The items of a reader as text, for comparing with expectations.

#include <string>
#include <string_view>

#include "xml/Xmlfile.h"

// One line per item in the probe's format: kind TAB element TAB name TAB
// value, with TAB, LF, CR and backslash escaped.
inline std::string ProbeLines(TXmlInput& in)
{
    auto esc = [](std::string& out, const std::string& s) {
        for (char c : s) {
            switch (c) {
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
            }
        }
    };
    static const char* const kinds[] = {"none", "start", "end", "attr", "text"};
    std::string out;
    while (in.HasData()) {
        const TXmlData d = in.Get();
        out += kinds[d.Kind];
        out += '\t';
        esc(out, d.Element);
        out += '\t';
        esc(out, d.Name);
        out += '\t';
        esc(out, d.Value);
        out += '\n';
    }
    return out;
}

// A compact form for short documents: "<A" start, "A.x=1" attribute,
// "A:'text'" text, ">A" end, joined by blanks.
inline std::string Compact(TXmlInput& in)
{
    std::string out;
    while (in.HasData()) {
        const TXmlData d = in.Get();
        if (!out.empty())
            out += ' ';
        switch (d.Kind) {
        case xkStart: out += "<" + d.Element; break;
        case xkEnd: out += ">" + d.Element; break;
        case xkAttribute: out += d.Element + "." + d.Name + "=" + d.Value; break;
        case xkText: out += d.Element + ":'" + d.Value + "'"; break;
        default: out += "?"; break;
        }
    }
    return out;
}

inline std::string CompactOf(std::string_view document)
{
    TXmlInput in("<test>", document);
    return Compact(in);
}
