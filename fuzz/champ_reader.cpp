// libFuzzer target over the championship reader, in memory. Whatever the
// document, reading it either builds a championship or throws TException;
// a championship that was built can be written, and what was written can be
// read again. Beyond that: no crash, no leak, no undefined behaviour.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Championship.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "xml/LibXmlParser.h"
#include "xml/Xmlfile.h"

namespace {

std::string Write(TChampionship& champ)
{
    // Never closed: the writer only builds its text in memory.
    TXmlOutput out("/tmp/fuzz-champ-reader.xch");
    champ.WriteXml(out);
    return out.Text();
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
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string written;
    try {
        TXmlInput in("fuzz.xch", text);
        TChampionship champ(in, "fuzz.xch");
        written = Write(champ);
    } catch (const TException&) {
        return 0;
    }
    try {
        TXmlInput in("again.xch", written);
        TChampionship again(in, "again.xch");
        Write(again);
    } catch (const TException&) {
        // Blanks in keys are not kept by XML: such a file may not read back.
    }
    return 0;
}
