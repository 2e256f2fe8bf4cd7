#pragma once
// What independent readers see in an exported file: Python's zipfile and
// expat (through tests/export/kml_summary.py) and GDAL's ogrinfo.

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace kmltest {

inline std::string RunCommand(const std::string& command)
{
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

inline std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = s.find(sep, start);
        parts.push_back(s.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

struct TZipEntry {
    std::string Name;
    int Method = -1;
    bool CrcGood = false;
    std::string DateTime;
};

struct TFolder {
    std::string Path; // names from the Document down, joined by " / "
    std::string Visibility;
};

struct TPlacemark {
    std::string Folder, Name, Style, Visibility, Geometry, AltitudeMode;
    int Coordinates = 0;
    bool Closed = false;
    std::string TimeStamp, TimeSpan, Data;
};

struct TKmlSummary {
    std::vector<TZipEntry> Entries;
    std::string ParseError;
    std::vector<std::string> Styles;
    std::vector<TFolder> Folders;
    std::vector<TPlacemark> Placemarks;
    std::vector<std::string> Comments;
    int BadCoordinates = -1;
    std::string Raw;

    const TFolder* FindFolder(const std::string& path) const
    {
        for (const auto& f : Folders)
            if (f.Path == path) return &f;
        return nullptr;
    }
    std::vector<const TPlacemark*> In(const std::string& folder) const
    {
        std::vector<const TPlacemark*> found;
        for (const auto& p : Placemarks)
            if (p.Folder == folder) found.push_back(&p);
        return found;
    }
    // Placemarks anywhere below the folder path (the folder included).
    int CountBelow(const std::string& folder) const
    {
        int n = 0;
        for (const auto& p : Placemarks)
            if (p.Folder == folder || p.Folder.rfind(folder + " / ", 0) == 0) ++n;
        return n;
    }
};

inline TKmlSummary Summarise(const std::string& file)
{
    TKmlSummary s;
    s.Raw = RunCommand("/usr/bin/python3 '" ZEPH_SOURCE_DIR "/tests/export/kml_summary.py' '" + file + "'");
    for (const std::string& line : Split(s.Raw, '\n')) {
        const auto f = Split(line, '\t');
        if (f[0] == "Z" && f.size() == 5)
            s.Entries.push_back({f[1], std::stoi(f[2]), f[3] == "1", f[4]});
        else if (f[0] == "E")
            s.ParseError = line.substr(2);
        else if (f[0] == "S" && f.size() == 2)
            s.Styles.push_back(f[1]);
        else if (f[0] == "F" && f.size() == 3)
            s.Folders.push_back({f[1], f[2]});
        else if (f[0] == "P" && f.size() == 12)
            s.Placemarks.push_back(
                {f[1], f[2], f[3], f[4], f[5], f[6], std::stoi(f[7]), f[8] == "1", f[9], f[10], f[11]});
        else if (f[0] == "C" && f.size() == 2)
            s.BadCoordinates = std::stoi(f[1]);
        else if (f[0] == "H" && f.size() == 2)
            s.Comments.push_back(f[1]);
    }
    return s;
}

// What `ogrinfo -ro -al` reports of a file (arguments before it allowed).
struct TOgrSummary {
    bool Ran = false;
    std::string Driver;
    std::vector<std::pair<std::string, int>> Layers; // name, feature count
    int Features = 0;
    int Coordinates = 0;    // numbers triples in the geometries
    int BadCoordinates = 0; // not lon, lat, height with |lat| <= 90, |lon| <= 180

    // GDAL names the second layer of a name "<name> (#2)" and so on; they
    // count together here.
    int CountOf(const std::string& layer) const
    {
        int n = 0;
        for (const auto& [name, count] : Layers)
            if (name == layer) n += count;
        return n;
    }
};

inline bool HaveOgrinfo()
{
    return RunCommand("command -v ogrinfo") != "";
}

inline TOgrSummary OgrInfo(const std::string& arguments)
{
    TOgrSummary s;
    const std::string out = RunCommand("ogrinfo " + arguments + " 2>&1");
    for (const std::string& line : Split(out, '\n')) {
        if (line.rfind("      using driver `", 0) == 0) {
            s.Ran = true;
            s.Driver = line.substr(20, line.find('\'') - 20);
        } else if (line.rfind("Layer name: ", 0) == 0) {
            std::string name = line.substr(12);
            const auto mark = name.rfind(" (#");
            if (mark != std::string::npos && name.back() == ')') name.erase(mark);
            s.Layers.emplace_back(name, 0);
        } else if (line.rfind("Feature Count: ", 0) == 0 && !s.Layers.empty()) {
            s.Layers.back().second = std::stoi(line.substr(15));
            s.Features += s.Layers.back().second;
        } else if (line.rfind("  POINT Z (", 0) == 0 || line.rfind("  LINESTRING Z (", 0) == 0) {
            const std::string inner = line.substr(line.find('(') + 1, line.rfind(')') - line.find('(') - 1);
            for (const std::string& tuple : Split(inner, ',')) {
                double lon = 0, lat = 0, h = 0;
                ++s.Coordinates;
                if (std::sscanf(tuple.c_str(), "%lf %lf %lf", &lon, &lat, &h) != 3 || std::fabs(lat) > 90 ||
                    std::fabs(lon) > 180)
                    ++s.BadCoordinates;
            }
        }
    }
    return s;
}

} // namespace kmltest
