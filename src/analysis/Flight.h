#pragma once
// One competitor's flight in one task number: the node of the championship
// tree that ties the competitor, the task number and the competitor's IGC
// file together.
//
// IgcFileName holds the track file's name without folder: empty while the
// track is still to be found, "DNF" when the competitor did not fly. The
// file is looked for in the championship's folder.
//
// A flight read from a file whose Number names no competitor of its class
// is kept (and written back) without one: Competitor() is null then, and
// its display name is the Number followed by " (no competitor)".

#include <string>

#include "model/Champobjects.h"

class TCompetitor;
class TTaskNumber;

class TFlight : public TChampNode {
public:
    // Number := the competitor's Number when there is a competitor.
    explicit TFlight(TCompetitor* competitor = nullptr, TTaskNumber* taskNumber = nullptr);
    ~TFlight() override;

    // "<competitor's name> (<team IsoCountry>)" followed by " >>> TRACK
    // PENDING <<<" or " (DID NOT FLY)"; see the top for a flight without
    // competitor.
    void UpdateName() override;

    TCompetitor* Competitor() const { return FCompetitor; }
    TTaskNumber* TaskNumber() const { return FTaskNumber; }
    // Set by the task number that files the flight; the name follows.
    void SetCompetitor(TCompetitor* competitor);
    void SetTaskNumber(TTaskNumber* taskNumber) { FTaskNumber = taskNumber; }

private:
    TTaskNumber* FTaskNumber; // not owned
    TCompetitor* FCompetitor; // not owned
};
