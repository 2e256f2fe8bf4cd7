#include "model/Team.h"

#include <algorithm>
#include <memory>

#include "analysis/Flight.h"
#include "model/Championship.h"
#include "model/Class.h"
#include "platform/Exceptions.h"
#include "xml/Xmlfile.h"

// ---------------------------------------------------------------- competitor

TCompetitor::TCompetitor() : TChampNode(ntCompetitor)
{
    UpdateName();
}

void TCompetitor::UpdateName()
{
    const std::string& number = GetAttribute(acNumber);
    const std::string& pilot = GetAttribute(acPilot);
    const std::string& navigator = GetAttribute(acNavigator);
    std::string name = number.empty() ? "(new number): " : number + ": ";
    name += pilot.empty() ? "(new pilot)" : pilot;
    if (!navigator.empty()) name += " / " + navigator;
    FDisplayName = name;
    // The flights show the competitor's name.
    for (TFlight* flight : Flights()) flight->UpdateName();
}

bool TCompetitor::CanDelete()
{
    return true;
}

std::vector<TFlight*> TCompetitor::Flights() const
{
    std::vector<TFlight*> flights;
    if (!Class) return flights;
    for (const auto& [taskNumber, set] : Class->FlightSets()) {
        for (TFlight* flight : set)
            if (flight->Competitor() == this) flights.push_back(flight);
    }
    return flights;
}

void TCompetitor::CheckKeyChange(const std::string& value) const
{
    // A flight kept without competitor may already have the new number.
    if (!Class) return;
    for (const auto& [taskNumber, set] : Class->FlightSets()) {
        const TFlight* other = set.FindKey(value);
        if (other && other->Competitor() != this)
            throw TException(AttributeNames.Label(acNumber), "Duplicate key", value);
    }
}

void TCompetitor::KeyChanged()
{
    const std::string& number = GetAttribute(acNumber);
    for (TFlight* flight : Flights()) flight->SetAttribute(acNumber, number);
}

// ---------------------------------------------------------------- team

TTeam::TTeam() : TChampNode(ntTeam)
{
    UpdateName();
}

void TTeam::UpdateName()
{
    const std::string& iso = GetAttribute(acIsoCountry);
    const std::string& shortName = GetAttribute(acShortName);
    FDisplayName = iso.empty() && shortName.empty() ? "(New team)" : iso + ": " + shortName;
}

bool TTeam::CanDelete()
{
    return FGroups.empty();
}

TChampionship* TTeam::Championship() const
{
    return dynamic_cast<TChampionship*>(Owner());
}

PtrSet<TCompetitor*>& TTeam::Group(TCClass* cls)
{
    return FGroups[cls];
}

bool TTeam::AddCompetitor(TCompetitor* competitor, TCClass* cls)
{
    if (!competitor || !cls) return false;
    PtrSet<TCompetitor*>& group = Group(cls);
    if (const TCompetitor* same = group.FindKey(competitor->KeyValue())) return same == competitor;
    TChampionship* championship = Championship();
    if (championship && !championship->Competitors.contains(competitor) &&
        championship->FindCompetitor(competitor->KeyValue()))
        return false;
    competitor->Class = cls;
    competitor->Team = this;
    group.insert(competitor);
    // The championship files it among all competitors and in the class; its
    // call back to this team stops above.
    if (championship) championship->AddCompetitor(competitor, this, cls);
    return true;
}

void TTeam::RemoveGroup(TCClass* cls)
{
    FGroups.erase(cls);
}

void TTeam::RemoveCompetitor(TCompetitor* competitor)
{
    for (auto& [cls, group] : FGroups) group.erase(competitor);
}

void TTeam::WriteXml(TXmlOutput& out)
{
    WriteXmlHead(out, true);
    // In class order, so that the same championship always gives the same
    // file; the groups themselves are ordered by the class objects.
    std::vector<const TGroups::value_type*> groups;
    for (const auto& entry : FGroups) groups.push_back(&entry);
    std::stable_sort(groups.begin(), groups.end(), [](const auto* a, const auto* b) {
        return CompareKeys(a->first->KeyValue(), b->first->KeyValue()) < 0;
    });
    for (const auto* entry : groups) {
        out.BeginTag("Class");
        out.WriteAttribute("ShortName", entry->first->KeyValue());
        out.EndTag();
        for (TCompetitor* competitor : entry->second) competitor->WriteXml(out);
        out.CloseElement();
    }
    WriteXmlTail(out);
}

bool TTeam::ReadXml(TXmlInput& in)
{
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    TChampionship* championship = Championship();
    TCClass* current = nullptr;
    bool inGroup = false;
    std::string groupText;
    while (in.HasData()) {
        TXmlData item = in.Get();
        switch (item.Kind) {
        case xkStart:
            if (item.Element == "Competitor") {
                auto competitor = std::make_unique<TCompetitor>();
                competitor->ReadXml(in);
                const std::string& number = competitor->KeyValue();
                if (!current) {
                    const std::string where = "Team " + Excerpt(KeyValue());
                    if (inGroup) throw TException(where, "Unknown class in team", Excerpt(groupText));
                    throw TException(where, "Competitor outside a class group", Excerpt(number));
                }
                if (championship) {
                    // The team's key is complete once its competitors come.
                    const TTeam* other = championship->Teams.FindKey(KeyValue());
                    if (other && other != this) throw TException("Teams", "Duplicate team", Excerpt(KeyValue()));
                    if (championship->FindCompetitor(number)) {
                        championship->LoadWarning("Competitor " + number + " of team " + KeyValue() +
                                                  " has the number of another competitor and was dropped.");
                        break;
                    }
                }
                if (AddCompetitor(competitor.get(), current)) competitor.release();
            }
            break;
        case xkAttribute:
            if (item.Element == "Team") {
                ReadAttributeItem(in, item, "Team");
            } else if (item.Element == "Class") {
                inGroup = true;
                groupText = item.Value;
                current = championship ? championship->FindClass(item.Value) : nullptr;
                // An empty group is kept as it was written; one of no class
                // refuses the file at its first competitor.
                if (current) Group(current);
                if (!current || item.Name != "ShortName") in.PassedOver(item);
            } else {
                in.PassedOver(item);
            }
            break;
        case xkEnd:
            if (item.Element == "Team") return true;
            break;
        case xkText:
            ReadAttributeItem(in, item, "Team");
            break;
        default:
            break;
        }
    }
    return false;
}
