// libFuzzer target over the championship reader, in memory. Whatever the
// document, reading it either builds a championship or throws TException.
// A championship that was built can always be written (the writer refuses
// nothing that the reader let in), and what was written opens again and
// writes the very same text: the same content, keys included. A file that
// opens without a warning was read as written: every value it holds is in
// the saved text. Beyond that: no crash, no leak, no undefined behaviour.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "model/Championship.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "xml/LibXmlParser.h"
#include "xml/Xmlfile.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "champ_reader: %s\n%s\n", what, detail.c_str());
    __builtin_trap();
}

std::unique_ptr<TChampionship> Open(const std::string& name, std::string_view text)
{
    TXmlInput in(name, text);
    return std::make_unique<TChampionship>(in, name);
}

// The text Save would write, built in memory only: Save, too, gives the
// championship the running program's version first.
std::string Write(TChampionship& champ)
{
    champ.SetAttribute(acVersion, Platform::VersionText());
    TXmlOutput out;
    try {
        champ.WriteXml(out);
    } catch (const TException& e) {
        Fail("a championship that opened cannot be saved", e.Message());
    }
    return out.Text();
}

// The values of a text as the reader gives them, by the name of their node
// attribute, joined as an element's text: numbers are written anew, and
// the championship's Version is the program's.
std::map<std::pair<std::string, std::string>, int> Values(std::string_view text)
{
    std::map<std::pair<std::string, std::string>, int> values;
    TXmlInput in("values.xch", text);
    while (in.HasData()) {
        const TXmlData item = in.Get();
        const std::string& name = item.Kind == xkAttribute ? item.Name : item.Element;
        const std::string value = AsElementText(item.Value);
        if ((item.Kind == xkText || item.Kind == xkAttribute) && !value.empty() &&
            std::find(AttributeXmlNames + 1, AttributeXmlNames + AttributeCodeCount, name) !=
                AttributeXmlNames + AttributeCodeCount &&
            (name != "Version" || item.Element == "TaskInstance"))
            ++values[{name, value}];
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TXmlParser::ExpansionLimit = 256u << 10;
    Hooks().ShowMessage = [](const std::string&) {};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<TChampionship> champ;
    try {
        champ = Open("fuzz.xch", std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const TException&) {
        return 0;
    }
    const std::string written = Write(*champ);
    if (champ->LoadWarnings().empty()) {
        const auto saved = Values(written);
        for (const auto& [value, count] : Values(std::string_view(reinterpret_cast<const char*>(data), size))) {
            const auto it = saved.find(value);
            if (it == saved.end() || it->second < count)
                Fail("a file that opened without a warning lost a value at Save", value.first + ": " + value.second +
                                                                                     "\n" + written);
        }
    }
    champ.reset();
    std::unique_ptr<TChampionship> again;
    try {
        again = Open("again.xch", written);
    } catch (const TException& e) {
        Fail("a saved championship does not open again", e.Message() + "\n" + written);
    }
    const std::string rewritten = Write(*again);
    if (rewritten != written) Fail("a saved championship opens with other content", written + "\n----\n" + rewritten);
    return 0;
}
