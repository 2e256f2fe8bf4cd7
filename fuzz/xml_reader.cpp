// libFuzzer target over the XML scanner and the reader adapter, in memory.
// Beyond "no crash, no hang, bounded memory" it checks one property: every
// value the reader delivers, written by the writer and read back, comes
// back unchanged (the writer's escaping and the reader's decoding agree);
// none holds a control character, which the file could not hold (the
// reader gives each as a blank).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"
#include "xml/LibXmlParser.h"
#include "xml/Xmlfile.h"

namespace {

// A control character other than TAB, which the writer refuses.
bool HasControlCharacter(const std::string& value)
{
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return true;
    return false;
}

void RoundTrip(const std::vector<TXmlData>& items)
{
    // Never closed: the writer only builds its text in memory.
    TXmlOutput w("/tmp/fuzz-xml-reader.xch");
    w.WriteHeader();
    w.OpenElement("R");
    std::vector<const TXmlData*> written;
    for (const TXmlData& d : items) {
        if ((d.Kind == xkAttribute || d.Kind == xkText) && HasControlCharacter(d.Value))
            __builtin_trap();
        if (d.Kind == xkAttribute) {
            w.BeginTag("V");
            w.WriteAttribute("a", d.Value);
            w.EndEmptyTag();
            written.push_back(&d);
        } else if (d.Kind == xkText && !d.Value.empty()) {
            w.WriteElement("T", d.Value);
            written.push_back(&d);
        }
    }
    w.CloseElement();
    TXmlInput in("<roundtrip>", w.Text());
    std::size_t next = 0;
    while (in.HasData()) {
        const TXmlData d = in.Get();
        if (d.Kind != xkAttribute && d.Kind != xkText)
            continue;
        if (next >= written.size() || d.Value != written[next]->Value)
            __builtin_trap();
        ++next;
    }
    if (next != written.size())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TXmlParser::ExpansionLimit = 256u << 10;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The scanner alone, twice over (the second scan reuses the DTD).
    TXmlParser p;
    p.LoadFromBuffer(text);
    for (int pass = 0; pass < 2; ++pass) {
        p.StartScan();
        std::size_t guard = 0;
        while (p.Scan() && ++guard < 10'000'000) {
            for (std::size_t i = 0; i < p.CurAttr.Count(); ++i)
                (void)p.CurAttr.Value(i).size();
        }
    }

    // The reader adapter, as the model uses it.
    std::vector<TXmlData> items;
    try {
        TXmlInput in("<fuzz>", text);
        while (in.HasData())
            items.push_back(in.Get());
        if (in.Get().Kind != xkNone)
            __builtin_trap();
    } catch (const TException&) {
        __builtin_trap();  // the reader never fails on a document in memory
    }
    RoundTrip(items);
    return 0;
}
