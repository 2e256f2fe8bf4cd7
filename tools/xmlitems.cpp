// Test probe: prints the items the XML reader delivers for FILE, one a line:
// kind<TAB>element<TAB>name<TAB>value, with TAB, LF, CR and backslash in
// names and values written as \t, \n, \r and \\. Bytes are written as the
// reader delivers them (Windows-1252). On a failure the message goes to
// standard error and the exit code is 1.

#include <cstdio>
#include <exception>
#include <string>

#include "platform/Exceptions.h"
#include "xml/Xmlfile.h"

namespace {

void Escaped(std::string& out, const std::string& s)
{
    for (char c : s) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
}

const char* KindName(TXmlKind kind)
{
    switch (kind) {
    case xkStart: return "start";
    case xkEnd: return "end";
    case xkAttribute: return "attr";
    case xkText: return "text";
    default: return "none";
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: xmlitems FILE\n", stderr);
        return 2;
    }
    try {
        TXmlInput input(argv[1]);
        std::string line;
        while (input.HasData()) {
            const TXmlData item = input.Get();
            line.clear();
            line += KindName(item.Kind);
            line += '\t';
            Escaped(line, item.Element);
            line += '\t';
            Escaped(line, item.Name);
            line += '\t';
            Escaped(line, item.Value);
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
