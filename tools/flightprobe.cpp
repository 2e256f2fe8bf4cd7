// Test probe: reads an IGC file into a track and prints it, TAB-separated.
//   flightprobe IGCFILE
//   flightprobe --task TASK.tsv IGCFILE
//   flightprobe --championship FILE.xch CLASS TASKNUMBER IGCFILE
// On a refused file: "ERROR", the message, exit status 1. Otherwise one line
// per fix, then one line per event:
//   fix INDEX TIME LAT LON PRESSURE_ALT GNSS_ALT VALIDITY [SPEED]
//   event TIME LAT LON TYPE_NAME ELEMENT_NAME DISTANCE VALUE
// Times are YYYY-MM-DDTHH:MM:SSZ, degrees have 7 decimals, speeds are m/s.
// Without a task the events are the logger's. With one, the event search
// runs first and the events are those of the track's event set, and each
// fix line ends with its speed. The task file has TAB-separated lines
// (degrees, metres; empty lines and lines starting with # are skipped):
//   tp NAME LAT LON RADIUS
//   gate NAME LAT LON BEARING RADIUS
//   leg FROM TO RADIUS          (FROM and TO name tp lines)
// A task file that does not read: "ERROR", the reason, exit status 2.
// With a championship the task is the task instance of that class's task
// number; a championship that does not load, or a class or task number
// that it does not have, or a task number without instance: "ERROR", the
// reason, exit status 2.
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "model/Checkelements.h"
#include "model/Task.h"
#include "model/Waypoint.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/Numbers.h"

namespace {

std::string IsoTime(std::int64_t t)
{
    const std::tm c = UtcCalendar(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02dT%02d:%02d:%02dZ", c.tm_year + 1900LL, c.tm_mon + 1, c.tm_mday,
                  c.tm_hour, c.tm_min, c.tm_sec);
    return buf;
}

std::string Degrees(double radians) { return FormatFixed(RadToDeg(radians), 7); }

void PrintFix(std::size_t index, const TTrackPoint& p, bool withSpeed)
{
    std::printf("fix\t%zu\t%s\t%s\t%s\t%s\t%s\t%d", index, IsoTime(p.Time).c_str(), Degrees(p.Location.Geo.Lat).c_str(),
                Degrees(p.Location.Geo.Lon).c_str(), FormatShortest(p.PressureAltitude).c_str(),
                FormatShortest(p.GnssAltitude).c_str(), p.Validity);
    if (withSpeed) std::printf("\t%s", FormatShortest(p.Speed).c_str());
    std::printf("\n");
}

void PrintEvent(const TEvent& e)
{
    std::printf("event\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", IsoTime(e.Point.Time).c_str(),
                Degrees(e.Point.Location.Geo.Lat).c_str(), Degrees(e.Point.Location.Geo.Lon).c_str(),
                TEvent::TypeName(static_cast<TEventType>(e.Type)), e.Element ? e.Element->Name.c_str() : "",
                FormatShortest(e.Distance).c_str(), FormatShortest(e.Value).c_str());
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

struct TBadTask {
    std::string Reason;
};

double Num(const std::string& text, int line)
{
    double v = 0;
    if (!ParseDouble(text, v)) throw TBadTask{"line " + std::to_string(line) + ": not a number: " + text};
    return v;
}

// The task of a task file; the waypoints live as long as the task.
struct TTask {
    std::vector<std::unique_ptr<TWayPoint>> WayPoints;
    TTaskInstance Instance;
};

void ReadTask(const std::string& fileName, TTask& task)
{
    std::ifstream in(fileName);
    if (!in) throw TBadTask{"cannot open " + fileName};
    std::map<std::string, TTurnPoint*> turnPoints;
    auto wayPoint = [&task](const std::string& name, double lat, double lon) {
        task.WayPoints.push_back(
            std::make_unique<TWayPoint>(TLocation(TGeoCoord{DegToRad(lon), DegToRad(lat), 0.0}), name));
        return task.WayPoints.back().get();
    };
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto f = Split(line);
        bool added = false;
        if (f[0] == "tp" && f.size() == 5) {
            auto* tp = new TTurnPoint(wayPoint(f[1], Num(f[2], number), Num(f[3], number)), Num(f[4], number));
            added = task.Instance.AddTurnPoint(tp);
            if (added) turnPoints[f[1]] = tp;
            else delete tp;
        } else if (f[0] == "gate" && f.size() == 6) {
            auto* gate = new TGate(wayPoint(f[1], Num(f[2], number), Num(f[3], number)), Num(f[4], number),
                                   Num(f[5], number), f[1].c_str());
            added = task.Instance.AddGate(gate);
            if (!added) delete gate;
        } else if (f[0] == "leg" && f.size() == 4) {
            const auto from = turnPoints.find(f[1]), to = turnPoints.find(f[2]);
            if (from == turnPoints.end() || to == turnPoints.end())
                throw TBadTask{"line " + std::to_string(number) + ": unknown turn point"};
            auto* leg = new TStraightLeg(from->second, to->second, Num(f[3], number));
            added = task.Instance.AddStraightLeg(leg);
            if (!added) delete leg;
        } else {
            throw TBadTask{"line " + std::to_string(number) + ": not a task line"};
        }
        if (!added) throw TBadTask{"line " + std::to_string(number) + ": duplicate name"};
    }
}

// The task instance of a championship's task number.
TTaskInstance* ChampionshipTask(const std::string& fileName, const std::string& className,
                                const std::string& number, std::unique_ptr<TChampionship>& champ)
{
    try {
        champ = std::make_unique<TChampionship>(fileName);
    } catch (const TException& e) {
        throw TBadTask{e.what()};
    }
    TCClass* cls = champ->FindClass(className);
    if (!cls) throw TBadTask{"no class " + className};
    TTaskNumber* taskNumber = cls->TaskNumbers.FindKey(number);
    if (!taskNumber) throw TBadTask{"no task number " + number + " in class " + className};
    if (!taskNumber->Instance) throw TBadTask{"task number " + number + " has no task instance"};
    return taskNumber->Instance;
}

int Usage()
{
    std::fprintf(stderr, "usage: flightprobe [--task TASK.tsv] IGCFILE\n"
                         "       flightprobe --championship FILE.xch CLASS TASKNUMBER IGCFILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string igcFile, taskFile, champFile, className, taskNumber;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--task" && i + 1 < argc && champFile.empty())
            taskFile = argv[++i];
        else if (arg == "--championship" && i + 3 < argc && taskFile.empty()) {
            champFile = argv[++i];
            className = argv[++i];
            taskNumber = argv[++i];
        }
        else if (igcFile.empty() && arg.rfind("--", 0) != 0)
            igcFile = arg;
        else
            return Usage();
    }
    if (igcFile.empty()) return Usage();

    TTask task;
    std::unique_ptr<TChampionship> champ;
    TTaskInstance* instance = nullptr;
    try {
        if (!taskFile.empty()) {
            ReadTask(taskFile, task);
            instance = &task.Instance;
        } else if (!champFile.empty()) {
            instance = ChampionshipTask(champFile, className, taskNumber, champ);
        }
    } catch (const TBadTask& e) {
        std::printf("ERROR\t%s\n", e.Reason.c_str());
        return 2;
    }

    std::string message;
    TScopedHooks hooks;
    hooks->ShowMessage = [&message](const std::string& text) { message = text; };
    TTrack track;
    TIgcFile reader(igcFile, &track);
    if (!reader.Read()) {
        std::printf("ERROR\t%s\n", message.c_str());
        return 1;
    }
    const bool searched = instance != nullptr;
    if (searched) track.FindEvents(instance);
    for (std::size_t i = 0; i < track.Points.size(); ++i) PrintFix(i, track.Points[i], searched);
    for (const TEvent& e : searched ? track.Events : track.LoggerEvents) PrintEvent(e);
    return 0;
}
