// Reading IGC logs into a track: a real 8 351-fix log (skipped when the
// shared data is absent) and a generated 40 000-fix log. Compare with
//   time gpsbabel -i igc -f FILE -o unicsv -F /dev/null
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "platform/Hooks.h"

namespace {

const std::string RealLog = ZEPH_SHARED_DATA_DIR "/igc/derived/go-igc__0042.igc";

// A 40 000-fix flight at one fix a second, circling slowly eastward.
std::string GeneratedLog()
{
    std::string text = "AXXX001\r\nHFDTE150624\r\nHFPLTPILOTINCHARGE:Generated\r\nLCMA TZN:0\r\n";
    char buf[128];
    for (int i = 0; i < 40000; ++i) {
        const int t = 6 * 3600 + i;
        const double lat = 47.0 + 0.01 * std::sin(i * 0.01) + i * 1e-6;
        const double lon = 8.0 + 0.015 * std::cos(i * 0.01) + i * 2e-6;
        const long la = std::lround(lat * 60000.0), lo = std::lround(lon * 60000.0);
        std::snprintf(buf, sizeof buf, "B%02d%02d%02d%02ld%05ldN%03ld%05ldEA%05d%05d\r\n", t / 3600 % 24, t / 60 % 60,
                      t % 60, la / 60000, la % 60000, lo / 60000, lo % 60000, 1000 + i % 500, 1050 + i % 500);
        text += buf;
    }
    return text;
}

void ReadFile(benchmark::State& state, const std::string& file)
{
    TScopedHooks hooks;
    std::string message;
    hooks->ShowMessage = [&message](const std::string& m) { message = m; };
    TTrack track;
    for (auto _ : state) {
        TIgcFile reader(file, &track);
        if (!reader.Read()) {
            state.SkipWithError(message.c_str());
            return;
        }
        benchmark::DoNotOptimize(track.Points.data());
    }
    state.counters["fixes"] = static_cast<double>(track.Points.size());
}

void BM_ReadRealLog(benchmark::State& state)
{
    if (!std::filesystem::exists(RealLog)) {
        state.SkipWithError("shared data absent");
        return;
    }
    ReadFile(state, RealLog);
}
BENCHMARK(BM_ReadRealLog)->Unit(benchmark::kMillisecond);

void BM_ReadGeneratedLog(benchmark::State& state)
{
    const std::string file = (std::filesystem::temp_directory_path() / "zeph-bench-40000.igc").string();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << GeneratedLog();
    }
    ReadFile(state, file);
    std::filesystem::remove(file);
}
BENCHMARK(BM_ReadGeneratedLog)->Unit(benchmark::kMillisecond);

} // namespace
