#pragma once
// Competition classes with their numbered tasks and the flights flown in
// them, and the task number itself.
//
// A class refers to its competitors, owns its task numbers and, for each
// task number, the flights of that task: one per competitor of the class.
// Whenever a competitor or a task number joins, every pair of competitor and
// task number gets its flight, so a file that stores only some flights
// still loads with all of them.
//
// A task number refers to the task instance (one version of a task
// template) that its flights are analysed against. It may have none: the
// define-task-number dialog can make one, and a file may name a template or
// version that is not in the catalogue. Such a task number keeps the
// template and version texts it was read with (empty for a new one) and
// writes them back unchanged.
//
// Walks over a class's task numbers (FirstTaskNumber / NextTaskNumber) use
// the class's one cursor: do not nest them. KML export and the like walk
//   for (TTaskNumber* tn = cls->FirstTaskNumber(); tn; tn = cls->NextTaskNumber())
//       for (TFlight* flight : cls->FlightsOf(tn)) ...
// where a flight's Competitor() may be null (a flight kept from a file whose
// Number names no competitor of the class).

#include <map>
#include <string>

#include "model/Champobjects.h"
#include "model/PtrSet.h"

class TChampionship;
class TCompetitor;
class TFlight;
class TTaskInstance;
class TTaskNumber;

class TCClass : public TChampNode {
public:
    using TFlightSet = PtrSetOwner<TFlight*>;

    TCClass();
    // The task numbers first, then their flights; the competitors belong to
    // the championship.
    ~TCClass() override;

    // "<ShortName>: <Name>", or "(New class)" when both are empty.
    void UpdateName() override;
    // Only without competitors, task numbers and flight entries.
    bool CanDelete() override;

    // Files the competitor (unless one with its Number is there) and gives
    // it a flight for each task number. False when another competitor with
    // the same Number is in the class.
    bool AddCompetitor(TCompetitor* competitor);
    // Takes the task number (unless one with its Number is there) and gives
    // it a flight for each competitor. False when the class holds another
    // task number with that Number: nothing is filed, the caller keeps and
    // deletes it. Sets the task number's Class.
    bool AddTaskNumber(TTaskNumber* taskNumber);
    // Makes the flight of one pair unless the pair has one; nothing for a
    // task number that the class does not hold or could not take.
    void AddFlight(TCompetitor* competitor, TTaskNumber* taskNumber);
    // Files a flight that exists already (read from the file, or made by the
    // user interface), taking the task number in when the class has none of
    // its Number. False when the flight was not taken (another flight of its
    // Number is there, or the class holds another task number of that
    // Number): the caller keeps the flight.
    bool InsertFlight(TFlight* flight, TTaskNumber* taskNumber);

    TTaskNumber* FirstTaskNumber();
    TTaskNumber* NextTaskNumber();
    int CountTaskNumbersUsing(const TTaskInstance* instance) const;

    // The flights of a task number, made empty when missing.
    TFlightSet& FlightsOf(TTaskNumber* taskNumber);
    // The same without making one; null when missing.
    const TFlightSet* FindFlights(const TTaskNumber* taskNumber) const;
    const std::map<TTaskNumber*, TFlightSet>& FlightSets() const { return FFlights; }

    // For the deletion of a competitor: its flights are deleted (the hook
    // is told of each first) and it leaves the class.
    void RemoveCompetitor(TCompetitor* competitor);

    // Ordered by Number; the cursor serves walks over the competitors.
    PtrSet<TCompetitor*> Competitors;
    // Ordered by Number. Use AddTaskNumber to add one.
    PtrSetOwner<TTaskNumber*> TaskNumbers;

private:
    TChampNode* Championship() const { return Owner(); }

    std::map<TTaskNumber*, TFlightSet> FFlights;
};

class TTaskNumber : public TChampNode {
public:
    TTaskNumber();

    // "<Number>: <template ShortName> - <Version>" with an instance, else
    // the Number alone.
    void UpdateName() override;
    // The TaskNumber element with the attributes Number, Class, Template and
    // Instance and the class's flights of this task number.
    void WriteXml(TXmlOutput& out) override;
    // Needs the owner (the championship) set. The references are resolved
    // once all four attributes are known; a Class that names no class
    // throws TException "Unknown class in task number" (details: the text),
    // an unknown template or version leaves Instance null and is reported
    // as a load warning. Each flight read is filed in the class; one that
    // the class refuses is deleted with a load warning.
    bool ReadXml(TXmlInput& in) override;

    // The template and version texts written for this task number.
    std::string TemplateText() const;
    std::string VersionText() const;

    TTaskInstance* Instance = nullptr; // not owned
    TCClass* Class = nullptr;          // not owned

private:
    TChampionship* Championship() const;
    void Resolve(bool requireClass);

    // As read from the file, for a task number without an instance.
    std::string FClassText;
    std::string FTemplateText;
    std::string FVersionText;
};
