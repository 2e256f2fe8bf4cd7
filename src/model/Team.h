#pragma once
// Competitors (one crew with its aircraft, keyed by its competition number)
// and teams, which file their competitors by class.
//
// The championship owns every competitor; a team's class groups and a
// class only refer to them. A competitor is filed through either
// TChampionship::AddCompetitor (competitor, team, class) or
// TTeam::AddCompetitor (competitor, class): both leave it in the
// championship's set, the team's group for the class and the class, with
// one flight per task number of the class.
//
// A competitor's Number is also the key of its flights. Changing it (the
// tables do so through SetAttribute) changes the flights' Number too and
// re-seats them in their sets; it is refused as a whole ("Duplicate key")
// when another competitor or another flight of the same task already has
// the new number.

#include <map>
#include <string>
#include <vector>

#include "model/Champobjects.h"
#include "model/PtrSet.h"

class TCClass;
class TChampionship;
class TFlight;
class TTeam;

class TCompetitor : public TChampNode {
public:
    TCompetitor();

    // "<Number>: <Pilot>[ / <Navigator>]", "(new number)" and "(new pilot)"
    // standing in for empty values.
    void UpdateName() override;
    bool CanDelete() override;

    // Every flight of this competitor, over all task numbers of its class.
    std::vector<TFlight*> Flights() const;

    TCClass* Class = nullptr; // not owned; set when filed under a team
    TTeam* Team = nullptr;    // not owned

protected:
    void CheckKeyChange(const std::string& value) const override;
    void KeyChanged() override;
};

class TTeam : public TChampNode {
public:
    using TGroups = std::map<TCClass*, PtrSet<TCompetitor*>>;

    TTeam();

    // "<IsoCountry>: <ShortName>", or "(New team)" when both are empty.
    void UpdateName() override;
    // Only a team without any class group (not even an empty one).
    bool CanDelete() override;
    // TeamDescription, then one Class element per group in class ShortName
    // order with the group's competitors in Number order.
    void WriteXml(TXmlOutput& out) override;
    // Files each competitor read under the class its group names. Throws
    // TException for a competitor outside any group ("Competitor outside a
    // class group", details: its Number), in a group of an unknown class
    // ("Unknown class in team", details: the class text) and for a team
    // whose IsoCountry another team of the championship has ("Duplicate
    // team"). A competitor whose Number the championship already has is
    // deleted with a load warning.
    bool ReadXml(TXmlInput& in) override;

    // See the top of this file. False when the competitor could not be
    // filed: no competitor or class, or the championship (or the group)
    // holds another competitor with the same Number; the caller then keeps
    // the competitor.
    bool AddCompetitor(TCompetitor* competitor, TCClass* cls);
    // The group for the class, made empty when missing.
    PtrSet<TCompetitor*>& Group(TCClass* cls);
    const TGroups& Groups() const { return FGroups; }
    // Forgets the group of a class that is being deleted (it must be empty).
    void RemoveGroup(TCClass* cls);
    // Takes a competitor that is being deleted out of its group.
    void RemoveCompetitor(TCompetitor* competitor);

private:
    TChampionship* Championship() const;

    TGroups FGroups;
};
