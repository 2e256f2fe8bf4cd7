#pragma once
// The Google Earth export: a KML 2.2 document written line by line into a
// new file beside "<base>.kml" in the working folder and renamed to that
// name once complete, then packed the same way into "<base>.kmz" and handed
// to the desktop to open (Platform::OpenWithDesktop); when the desktop has
// no program for it, the message hook names the file's full path. Only one
// of the two files is kept: the archive, or the plain KML when packing
// failed. A link
// named like either is replaced, never written through. A document that
// cannot be created or written completely (a full disk) is deleted and
// reported through the message hook as "Can't write" with its file name.
//
// The document is well-formed UTF-8 whatever the model's texts hold: they
// are Windows-1252 and are converted, "&", "<" and ">" are escaped (and '"'
// in attribute values), and control bytes other than TAB, LF and CR are
// dropped. Numbers never depend on the locale.
//
// A KmlFile lives for one export. The two exporting constructors do the
// whole export; the default constructor gives a writer for the primitives
// below (Open ... Close).

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class TLocation;
class TTurnPoint;
class TStraightLeg;
class TGate;
class TTaskInstance;
class TTaskNumber;
class TFlight;
class TTrack;
class TEvent;

enum TKmlVisibility : std::uint8_t {
    kvVisible = 0,
    kvHidden = 1,
    kvInherit = 2, // the innermost open folder's effective visibility
};

inline constexpr double KmlDefaultAltitude = 1000.0;             // metres
inline constexpr double KmlLookAtAltitude = KmlDefaultAltitude / 2; // 500
inline constexpr double KmlLookAtRange = KmlDefaultAltitude * 2;    // 2000
// x / (sin x cos x) with x = 7.5 degrees: a 24-gon through points at this
// multiple of the radius has every edge outside the true circle.
extern const double KmlCircleRadiusFactor;

// "yyyy-mm-ddThh:nn:ssZ" of seconds UTC.
std::string KmlTimeString(std::int64_t time);

class KmlFile {
public:
    KmlFile();
    // Exports the task number (its task and every flight that has a track)
    // as "<class>_<task number>".
    explicit KmlFile(TTaskNumber* taskNumber);
    // Exports the flight (track, task, events) as
    // "<class>_<task number>_<competitor>".
    explicit KmlFile(TFlight* flight);
    // A file still open is closed as it is: not packed, not opened.
    ~KmlFile();
    KmlFile(const KmlFile&) = delete;
    KmlFile& operator=(const KmlFile&) = delete;

    // Creates the document for "<base>.kml" in the working folder and
    // writes the header; false, reported to the user, when it cannot be
    // created. A "/" in the base name becomes "_".
    bool Open(const std::string& baseName);
    // "</kml>", then renames, packs and opens (see the top). Nothing when
    // not open.
    void Close();
    bool IsOpen() const { return FFile != nullptr; }
    // The base name as used for the files (without folder).
    const std::string& BaseName() const { return FBaseName; }

    // The first folder is the Document, which carries the styles.
    void BeginFolder(const std::string& name, TKmlVisibility visibility);
    void EndFolder();
    void BeginPlacemark(const std::string& name, std::string_view styleId);
    void EndPlacemark();
    // Extruded, relative to ground.
    void BeginGeometryRelative(std::string_view element);
    void BeginGeometryAbsolute(std::string_view element, bool extrude);
    void EndGeometry(std::string_view element);
    void EndGeometryAbsolute(std::string_view element) { EndGeometry(element); }
    // Degrees with six decimals and whole metres; an altitude of 0 means
    // the point's own height.
    void WriteCoordinate(const TLocation& point, double altitude);
    void WriteLookAt(const TLocation& point, double heading);
    void BeginExtendedData();
    void EndExtendedData();
    void WriteData(const std::string& name, const std::string& value);
    void WriteTimeStamp(std::int64_t time);
    void WriteTimeSpan(std::int64_t begin, std::int64_t end);

    // Placemarks with their geometry; an altitude of 0 means 1000 m.
    void WriteSegment(const TLocation& first, const TLocation& second, const std::string& name,
                      std::string_view styleId);
    void WritePointPlacemark(const TLocation& point, const std::string& name, std::string_view styleId,
                             double altitude);
    void WriteCircle(const TLocation& centre, double radius, const std::string& name, std::string_view styleId);
    // A time of 0 writes no time stamp. Leaves the extended data open.
    void BeginEventPlacemark(const TLocation& point, const std::string& name, std::string_view styleId,
                             std::int64_t time, double altitude);
    void EndEventPlacemark();

    void WriteStyles();
    void WriteTurnPoint(const TTurnPoint* turnPoint);
    void WriteLeg(const TStraightLeg* leg);
    void WriteGate(const TGate* gate);
    // The folder "Task <display name>" with the instance's turn points,
    // straight legs and gates; without an instance the folder stays empty.
    void WriteTask(TTaskNumber* taskNumber);
    void WriteTask(const std::string& displayName, TTaskInstance* instance);
    // The track's placemark, named "Track <name>". A track without fixes
    // gets neither geometry nor time span.
    void WriteTrack(TFlight* flight);
    void WriteTrack(const std::string& name, const TTrack& track);
    // The flight is analysed first, so no event refers to a check element
    // that has since been removed from the task.
    void WriteEvents(TFlight* flight, TKmlVisibility visibility);
    void WriteEvents(const TTrack& track, TKmlVisibility visibility);

    // The indent and the two stacks, for checking that every begin had its
    // end.
    std::size_t IndentLength() const { return FIndent.size(); }
    std::size_t OpenFolderCount() const { return FFolderNames.size(); }

private:
    void ExportTaskNumber(TTaskNumber* taskNumber);
    void ExportFlight(TFlight* flight);
    void WriteEvent(const TEvent& event);

    void Indent() { FIndent += "  "; }
    void Outdent();
    bool InnermostHidden() const { return !FVisibility.empty() && FVisibility.back() != 0; }
    // Writes the indent, the pieces and a line end.
    void Line(std::string_view a, std::string_view b = {}, std::string_view c = {});
    // The same with the middle piece a model text (converted and escaped).
    void TextLine(std::string_view before, std::string_view text, std::string_view after);
    void Put(std::string_view s);
    void ReportWriteFailure() const;

    std::FILE* FFile = nullptr;
    std::string FBaseName;
    std::string FPath;     // of the .kml, folder included
    std::string FTempPath; // what is written until it is complete
    bool FFailed = false;  // a write failed
    std::string FIndent;
    std::vector<std::string> FFolderNames;
    std::vector<std::uint8_t> FVisibility; // 0 visible, 1 hidden
    std::string FLine;                      // scratch for one line
};
