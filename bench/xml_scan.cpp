// Scanning speed of the XML reader on a generated championship-like file of
// about 20 MB: the scanner alone, the reader adapter as the model uses it,
// and xmllint --noout on the same file for comparison (when installed).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Numbers.h"
#include "xml/LibXmlParser.h"
#include "xml/Xmlfile.h"

#include "BenchRandom.h"

namespace {

const std::string kFile = "/tmp/zephyrant-bench-championship.xch";

std::string CapitalWord(Lcg& r, std::size_t len)
{
    std::string w = Word(r, len);
    w[0] = static_cast<char>(w[0] >= 'a' && w[0] <= 'z' ? w[0] - 32 : w[0]);
    return w;
}

// Writes the benchmark file through our own writer, the way a save does.
std::size_t MakeChampionship()
{
    Lcg r;
    TXmlOutput w(kFile);
    w.WriteHeader();
    w.BeginTag("Championship");
    w.WriteAttribute("Name", "European Microlight Championship");
    w.WriteAttribute("Venue", "Matk\xF3puszta");
    w.WriteAttribute("Date", "20240601");
    w.EndTag();
    w.OpenElement("WayPointSet");
    for (int i = 0; i < 80000; ++i) {
        w.BeginTag("WayPoint");
        w.WriteAttribute("Code", "WP" + std::to_string(i));
        w.WriteAttribute("Lat", FormatFixed(r.Real(45, 49), 7));
        w.WriteAttribute("Lon", FormatFixed(r.Real(16, 22), 7));
        w.EndTag();
        w.WriteElement("Description", CapitalWord(r, 6) + " " + CapitalWord(r, 8) + " & " + CapitalWord(r, 4));
        w.CloseElement();
    }
    w.CloseElement();
    for (int m = 0; m < 20; ++m) {
        w.BeginTag("Map");
        w.WriteAttribute("ShortName", "Map" + std::to_string(m));
        w.WriteAttribute("MapFile", "map" + std::to_string(m) + ".bmp");
        w.EndTag();
        w.OpenElement("Georef");
        for (int k = 0; k < 400; ++k) {
            w.BeginTag("MapRef");
            w.WriteAttribute("Y", std::to_string(r.Next(8000)));
            w.WriteAttribute("X", std::to_string(r.Next(6000)));
            w.WriteAttribute("Lon", FormatFixed(r.Real(16, 22), 7));
            w.WriteAttribute("Lat", FormatFixed(r.Real(45, 49), 7));
            w.EndEmptyTag();
        }
        w.CloseElement();
        w.CloseElement();
    }
    for (int c = 0; c < 4; ++c) {
        w.BeginTag("Class");
        w.WriteAttribute("Name", "Class " + std::to_string(c));
        w.EndTag();
        for (int p = 0; p < 400; ++p) {
            w.BeginTag("Competitor");
            w.WriteAttribute("Number", std::to_string(c * 1000 + p));
            w.WriteAttribute("Pilot", CapitalWord(r, 7) + " " + CapitalWord(r, 9));
            w.WriteAttribute("Navigator", CapitalWord(r, 6) + " " + CapitalWord(r, 8));
            w.EndTag();
            w.WriteElement("Country", "Hungary");
            w.WriteElement("Club", CapitalWord(r, 10) + " Aero Club");
            w.WriteElement("Registration", "HA-" + CapitalWord(r, 4));
            w.WriteElement("Manufacturer", CapitalWord(r, 8));
            w.WriteElement("Model", "");
            w.CloseElement();
        }
        for (int t = 0; t < 90; ++t) {
            w.BeginTag("TaskNumber");
            w.WriteAttribute("Number", std::to_string(t));
            w.WriteAttribute("TaskFile", "task" + std::to_string(t));
            w.EndTag();
            for (int f = 0; f < 400; ++f) {
                w.BeginTag("Flight");
                w.WriteAttribute("Number", std::to_string(c * 1000 + f));
                w.WriteAttribute("IgcFileName", std::to_string(f) + "T" + std::to_string(t) + "V1.igc");
                w.EndEmptyTag();
            }
            w.CloseElement();
        }
        w.CloseElement();
    }
    w.CloseElement();
    w.Close();
    return w.Text().size();
}

std::size_t FileSize()
{
    static const std::size_t size = MakeChampionship();
    return size;
}

void BM_Scanner(benchmark::State& state)
{
    const std::size_t size = FileSize();
    TXmlParser p;
    if (!p.LoadFromFile(kFile)) {
        state.SkipWithError("cannot load the file");
        return;
    }
    std::size_t parts = 0;
    for (auto _ : state) {
        p.StartScan();
        while (p.Scan())
            ++parts;
        benchmark::DoNotOptimize(parts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Scanner)->Unit(benchmark::kMillisecond);

void BM_ReaderFromFile(benchmark::State& state)
{
    const std::size_t size = FileSize();
    std::size_t items = 0;
    for (auto _ : state) {
        TXmlInput in(kFile);
        while (in.HasData()) {
            TXmlData d = in.Get();
            items += d.Value.size();
        }
        benchmark::DoNotOptimize(items);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_ReaderFromFile)->Unit(benchmark::kMillisecond);

void BM_XmllintNoout(benchmark::State& state)
{
    const std::size_t size = FileSize();
    if (std::system("xmllint --version >/dev/null 2>&1") != 0) {
        state.SkipWithError("xmllint not installed");
        return;
    }
    const std::string command = "xmllint --noout " + kFile;
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("xmllint failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_XmllintNoout)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
