#pragma once
// One competitor's flight in one task number: the node of the championship
// tree that ties the competitor, the task number and the competitor's IGC
// file together. It owns the track read from that file, starts the event
// search against its task number's task instance and lists the track's
// points and events as one table of twelve columns.
//
// IgcFileName holds the track file's name relative to the championship's
// folder (a bare name for a file in that folder, "logs/ZG.igc" or
// "../day2/ZG.igc" for one elsewhere): empty while the track is still to be
// found, "DNF" when the competitor did not fly. The file is read from the
// championship's folder joined with that text, its Windows-1252 turned into
// the file system's UTF-8 (TChampionship::FileSystemPath).
//
// A flight read from a file whose Number names no competitor of its class
// is kept (and written back) without one: Competitor() is null then, and
// its display name is the Number followed by " (no competitor)".
//
// The table lists what the map view's display flags and event filter let
// through; they come from Platform::FlightTableFilter (platform/Hooks.h),
// which the map view installs (until then everything is listed).

#include <memory>
#include <string>

#include "model/Champobjects.h"
#include "platform/Hooks.h"

class TCompetitor;
class TEvent;
class TLocalClock;
class TStringGrid;
class TTaskNumber;
class TTrack;
class TTrackPoint;

class TFlight : public TChampNode {
public:
    // Number := the competitor's Number when there is a competitor.
    explicit TFlight(TCompetitor* competitor = nullptr, TTaskNumber* taskNumber = nullptr);
    ~TFlight() override;

    // "<competitor's name> (<team IsoCountry>)" followed by " >>> TRACK
    // PENDING <<<" or " (DID NOT FLY)"; see the top for a flight without
    // competitor.
    void UpdateName() override;
    // The table of points and events: the twelve titles in row 0, then the
    // points and events in time order (an event row stands in place of the
    // row of its point, which is listed only when the filter hides every
    // event at it). Reads the track first when the flight has none and
    // IgcFileName names a file, and runs the event search.
    void FillGrid(TStringGrid* grid) override;
    // The same table; without `readLog` a flight without track shows the
    // titles only, its log is not read: a refill right after a read must not
    // read (and refuse, telling the user once more) the same log again.
    void FillTable(TStringGrid* grid, bool readLog);

    // Reads the file into a new track, replacing the one there was; after a
    // failed read (shown to the user by the reader) the flight has none.
    // IgcFileName stays as it is.
    void ReadTrack(const std::string& path);
    // A log read into a track of its own, the flight's left as it is: null
    // when the reader refused the file (and told the user).
    static std::unique_ptr<TTrack> ReadLog(const std::string& path);
    // A log the reader took (ReadLog) becomes the flight's: its track
    // replaces the one there was and IgcFileName := `name`.
    void TakeLog(std::unique_ptr<TTrack> track, const std::string& name);
    // No track, IgcFileName "DNF".
    void SetDidNotFly();
    // The event search against the task number's task instance, when the
    // flight has a track and the task number an instance; nothing else.
    void Analyse();
    // Selects the row that lists point `index` (columns 1 to the last) and
    // scrolls it into view; nothing when no row lists it.
    static void SelectRow(TStringGrid* grid, int index);

    TCompetitor* Competitor() const { return FCompetitor; }
    TTaskNumber* TaskNumber() const { return FTaskNumber; }
    // Set by the task number that files the flight; the name follows.
    void SetCompetitor(TCompetitor* competitor);
    void SetTaskNumber(TTaskNumber* taskNumber) { FTaskNumber = taskNumber; }
    TTrack* Track() const { return FTrack.get(); }

private:
    void FormatPointRow(const TTrackPoint& point);
    bool FormatEventRow(const TEvent& event);
    // Columns 0 to 7 of the row being filled, from a point.
    void FormatPointCells(const TTrackPoint& point);
    void NextRow();

    TTaskNumber* FTaskNumber; // not owned
    TCompetitor* FCompetitor; // not owned
    std::unique_ptr<TTrack> FTrack;
    // While the table is filled.
    int FRow = 0;
    int FPointIndex = 0;
    TStringGrid* FGrid = nullptr;
    TLocalClock* FClock = nullptr;
    TFlightTableFilter FFilter;
};
