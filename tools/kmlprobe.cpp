// Test probe: the Google Earth export of a task number, or of one
// competitor's flight in it, into the working folder.
//   kmlprobe FILE.xch CLASS TASKNUMBER [COMPETITOR]
// Loads the championship and shows the flights (the task number's, or that
// competitor's) in a table as selecting them does, which reads their track
// files and analyses them; then exports. Prints the path of the file it
// kept (the .kmz, or the .kml when packing failed); nothing is opened.
// Exit status 0 when a file was kept, 1 when none was (the .kml could not
// be created). A bad call, a championship that does not load, or a class,
// task number or competitor that it does not have: "ERROR", the reason,
// exit status 2.
#include <cstdio>
#include <memory>
#include <string>

#include "analysis/Flight.h"
#include "export/Googleearth.h"
#include "model/Championship.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/StringGrid.h"

namespace {

int Fail(const std::string& reason)
{
    std::printf("ERROR\t%s\n", reason.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) return Fail("usage: kmlprobe FILE.xch CLASS TASKNUMBER [COMPETITOR]");
    std::unique_ptr<TChampionship> champ;
    try {
        champ = std::make_unique<TChampionship>(argv[1]);
    } catch (const TException& e) {
        return Fail(e.what());
    }
    TCClass* cls = champ->FindClass(argv[2]);
    if (!cls) return Fail(std::string("no class ") + argv[2]);
    TTaskNumber* taskNumber = cls->TaskNumbers.FindKey(argv[3]);
    if (!taskNumber) return Fail(std::string("no task number ") + argv[3]);
    const TCClass::TFlightSet* flights = cls->FindFlights(taskNumber);
    TFlight* flight = nullptr;
    if (argc == 5) {
        flight = flights ? flights->FindKey(argv[4]) : nullptr;
        if (!flight) return Fail(std::string("no flight of competitor ") + argv[4]);
    }

    std::string kept;
    TScopedHooks hooks;
    hooks->OpenWithDesktop = [&kept](const std::string& path) {
        kept = path;
        return true;
    };
    TStringGrid table;
    if (flight) {
        flight->FillGrid(&table);
        KmlFile kml(flight);
    } else {
        if (flights)
            for (TFlight* f : *flights) f->FillGrid(&table);
        KmlFile kml(taskNumber);
    }
    if (kept.empty()) return 1;
    std::printf("%s\n", kept.c_str());
    return 0;
}
