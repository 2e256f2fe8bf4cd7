// libFuzzer target over the OziExplorer waypoint import, through the real
// import from a file with every question answered Ignore. Every waypoint it
// adds is a place on the earth (finite, within 90 and 180 degrees) and has no
// control character, a TAB neither; the championship saved and opened again
// has the same waypoints: the same codes byte for byte and
// in the same order, the positions to the seven decimals the file keeps, the
// descriptions with their blanks as the file reads them (trimmed, each run
// one blank).

#include <QCoreApplication>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "geodesy/Coord.h"
#include "model/Championship.h"
#include "model/Waypoint.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "ui/Seams.h"
#include "ui/WaypointImport.h"

namespace {

class TIgnoreAll : public TPrompter {
public:
    TAnswer Ask(const TPrompt&) override { return TAnswer{TButton::Ignore, {}}; }
};

std::string Folder;

[[noreturn]] void Fail(const char* what, const std::string& code)
{
    std::fprintf(stderr, "wpt_import: %s (code \"%s\")\n", what, code.c_str());
    std::abort();
}

bool HasControl(const std::string& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

// Text as the championship file gives it back: no blank at either end, each
// run of blanks, TABs and line ends one blank.
std::string AsRead(const std::string& text)
{
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    Hooks().ShowMessage = [](const std::string&) {};
    Seams().Prompter = std::make_shared<TIgnoreAll>();
    char name[] = "/tmp/fuzz-wpt-import-XXXXXX";
    if (!::mkdtemp(name)) std::abort();
    Folder = name;
    std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(Folder, error);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = Folder + "/in.wpt";
    const std::string saved = Folder + "/saved.xch";
    if (std::FILE* f = std::fopen(input.c_str(), "wb")) {
        if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
        std::fclose(f);
    } else {
        std::abort();
    }

    TChampionship championship;
    championship.SetAttribute(acShortName, "FUZZ");
    TWayPointSet& set = championship.WayPoints;
    try {
        ImportOziWaypoints(set, QString::fromStdString(input));
    } catch (const TException&) {
        // The file as a whole is refused: nothing may have been added.
        if (set.Count() != 0) Fail("waypoints added from a refused file", "");
        return 0;
    }

    set.First();
    while (const TWayPoint* w = set.Next()) {
        const double lat = RadToDeg(w->Location.Geo.Lat);
        const double lon = RadToDeg(w->Location.Geo.Lon);
        if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0)
            Fail("a position off the earth", w->Code);
        if (!std::isfinite(w->Location.Utm.X) || !std::isfinite(w->Location.Utm.Y)) Fail("no grid position", w->Code);
        if (HasControl(w->Code) || HasControl(w->Description)) Fail("a control character", w->Code);
    }

    try {
        championship.Save(saved);
    } catch (const TException& e) {
        Fail("not saved", e.Message());
    }
    std::unique_ptr<TChampionship> reopened;
    try {
        reopened = std::make_unique<TChampionship>(saved);
    } catch (const TException& e) {
        Fail("not opened again", e.Message());
    }
    TWayPointSet& again = reopened->WayPoints;
    if (again.Count() != set.Count()) Fail("another number of waypoints", "");
    // The keys come back byte for byte, in the same order: a code read back
    // as another names another waypoint, or one taken already, and then the
    // file does not open.
    set.First();
    again.First();
    while (const TWayPoint* w = set.Next()) {
        const TWayPoint* read = again.Next();
        if (!read || read->Code != w->Code) Fail("another code", w->Code);
        if (read->Description != AsRead(w->Description)) Fail("another description", w->Code);
        const double tolerance = 0.51e-7;
        if (std::fabs(RadToDeg(read->Location.Geo.Lat) - RadToDeg(w->Location.Geo.Lat)) > tolerance ||
            std::fabs(RadToDeg(read->Location.Geo.Lon) - RadToDeg(w->Location.Geo.Lon)) > tolerance)
            Fail("another position", w->Code);
    }
    return 0;
}
