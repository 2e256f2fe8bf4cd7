#include "model/Class.h"

#include <memory>

#include "analysis/Flight.h"
#include "model/Championship.h"
#include "model/Task.h"
#include "model/Team.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "xml/Xmlfile.h"

// ---------------------------------------------------------------- class

TCClass::TCClass() : TChampNode(ntClass)
{
    UpdateName();
}

TCClass::~TCClass()
{
    TaskNumbers.clear();
    FFlights.clear();
    Competitors.clear();
}

void TCClass::UpdateName()
{
    const std::string& shortName = GetAttribute(acShortName);
    const std::string& name = GetAttribute(acName);
    FDisplayName = shortName.empty() && name.empty() ? "(New class)" : shortName + ": " + name;
}

bool TCClass::CanDelete()
{
    return Competitors.empty() && TaskNumbers.empty() && FFlights.empty();
}

bool TCClass::AddCompetitor(TCompetitor* competitor)
{
    if (!competitor) return false;
    if (const TCompetitor* same = Competitors.FindKey(competitor->KeyValue())) {
        if (same != competitor) return false;
    } else {
        Competitors.insert(competitor);
    }
    // Iterators, not the cursor: the caller may be walking the task numbers.
    for (TTaskNumber* taskNumber : TaskNumbers) AddFlight(competitor, taskNumber);
    return true;
}

bool TCClass::AddTaskNumber(TTaskNumber* taskNumber)
{
    if (!taskNumber || !TaskNumbers.insert(taskNumber)) return false;
    taskNumber->Class = this;
    for (TCompetitor* competitor : Competitors) AddFlight(competitor, taskNumber);
    return true;
}

void TCClass::AddFlight(TCompetitor* competitor, TTaskNumber* taskNumber)
{
    if (!competitor || !taskNumber || !TaskNumbers.insert(taskNumber)) return;
    TFlightSet& flights = FlightsOf(taskNumber);
    if (flights.FindKey(competitor->KeyValue())) return;
    auto flight = std::make_unique<TFlight>(competitor, taskNumber);
    flight->SetOwner(Owner());
    if (flights.insert(flight.get())) flight.release();
}

bool TCClass::InsertFlight(TFlight* flight, TTaskNumber* taskNumber)
{
    if (!flight || !taskNumber || !TaskNumbers.insert(taskNumber)) return false;
    taskNumber->Class = this;
    flight->SetOwner(Owner());
    flight->SetTaskNumber(taskNumber);
    return FlightsOf(taskNumber).insert(flight);
}

TTaskNumber* TCClass::FirstTaskNumber()
{
    return TaskNumbers.first();
}

TTaskNumber* TCClass::NextTaskNumber()
{
    return TaskNumbers.next();
}

int TCClass::CountTaskNumbersUsing(const TTaskInstance* instance) const
{
    int count = 0;
    for (const TTaskNumber* taskNumber : TaskNumbers)
        if (taskNumber->Instance == instance) ++count;
    return count;
}

TCClass::TFlightSet& TCClass::FlightsOf(TTaskNumber* taskNumber)
{
    return FFlights[taskNumber];
}

const TCClass::TFlightSet* TCClass::FindFlights(const TTaskNumber* taskNumber) const
{
    auto it = FFlights.find(const_cast<TTaskNumber*>(taskNumber));
    return it == FFlights.end() ? nullptr : &it->second;
}

void TCClass::RemoveCompetitor(TCompetitor* competitor)
{
    for (TFlight* flight : competitor->Flights()) {
        Platform::NodeDeleting(flight);
        FFlights[flight->TaskNumber()].erase(flight);
        delete flight;
    }
    Competitors.erase(competitor);
}

// ---------------------------------------------------------------- task number

TTaskNumber::TTaskNumber() : TChampNode(ntTaskNumber)
{
    UpdateName();
}

void TTaskNumber::UpdateName()
{
    const std::string& number = GetAttribute(acNumber);
    if (Instance && Instance->Template)
        FDisplayName = number + ": " + Instance->Template->GetAttribute(acShortName) + " - " +
                       Instance->GetAttribute(acVersion);
    else
        FDisplayName = number;
}

std::string TTaskNumber::TemplateText() const
{
    return Instance && Instance->Template ? Instance->Template->KeyValue() : FTemplateText;
}

std::string TTaskNumber::VersionText() const
{
    return Instance ? Instance->GetAttribute(acVersion) : FVersionText;
}

TChampionship* TTaskNumber::Championship() const
{
    return dynamic_cast<TChampionship*>(Owner());
}

void TTaskNumber::WriteXml(TXmlOutput& out)
{
    out.BeginTag("TaskNumber");
    out.WriteAttribute("Number", GetAttribute(acNumber));
    out.WriteAttribute("Class", Class ? Class->KeyValue() : FClassText);
    out.WriteAttribute("Template", TemplateText());
    out.WriteAttribute("Instance", VersionText());
    out.EndTag();
    if (Class) {
        for (TFlight* flight : Class->FlightsOf(this)) flight->WriteXml(out);
    }
    out.CloseElement();
}

void TTaskNumber::Resolve(bool requireClass)
{
    TChampionship* championship = Championship();
    Class = championship ? championship->FindClass(FClassText) : nullptr;
    if (!Class && requireClass)
        throw TException("Task number " + Excerpt(GetAttribute(acNumber)), "Unknown class in task number",
                         Excerpt(FClassText));
    TTaskTemplate* found = championship ? championship->FindTaskTemplate(FTemplateText) : nullptr;
    Instance = found ? found->FindInstance(FVersionText) : nullptr;
    UpdateName();
}

bool TTaskNumber::ReadXml(TXmlInput& in)
{
    TChampionship* championship = Championship();
    // The flights need the class; a file without all four attributes gets
    // it resolved at the first flight or the end tag.
    auto requireClass = [&] {
        if (!Class) Resolve(true);
    };
    // Only the attributes of its own start tag, which come first: those of
    // a task number nested in it (its own end tag missing) would move it to
    // another class after its flights were filed.
    bool ownTag = true;
    while (in.HasData()) {
        TXmlData item = in.Get();
        ownTag = ownTag && item.Kind == xkAttribute;
        switch (item.Kind) {
        case xkAttribute:
            if (!ownTag || item.Element != "TaskNumber") {
                in.PassedOver(item);
                break;
            }
            if (item.Name == "Number")
                SetAttribute(acNumber, item.Value);
            else if (item.Name == "Class")
                FClassText = item.Value;
            else if (item.Name == "Template")
                FTemplateText = item.Value;
            else if (item.Name == "Instance")
                FVersionText = item.Value;
            else
                throw TException("", "Invalid parameter in task number", ItemText(item.Name, item));
            if (!GetAttribute(acNumber).empty() && !FClassText.empty() && !FTemplateText.empty() &&
                !FVersionText.empty()) {
                Resolve(false);
            }
            break;
        case xkStart:
            if (item.Element == "Flight") {
                requireClass();
                auto flight = std::make_unique<TFlight>();
                flight->SetOwner(Owner());
                flight->ReadXml(in);
                const std::string number = flight->KeyValue();
                if (!Class->InsertFlight(flight.get(), this)) {
                    if (championship)
                        championship->LoadWarning("Task number " + GetAttribute(acNumber) + " of class " +
                                                  Class->KeyValue() + " holds flight " + number +
                                                  " twice; the second one was dropped.");
                    break;
                }
                TFlight* filed = flight.release();
                // Only a competitor of this class: another class's
                // competitor with that number is not this flight's pilot.
                TCompetitor* competitor = championship ? championship->FindCompetitor(number) : nullptr;
                if (competitor && competitor->Class != Class) competitor = nullptr;
                filed->SetTaskNumber(this);
                filed->SetCompetitor(competitor);
                // Kept as it is, as other names of what is not there are.
                const std::string& log = filed->GetAttribute(acIgcFileName);
                if (!competitor && championship)
                    championship->LoadWarning("Task number " + GetAttribute(acNumber) + " of class " +
                                              Class->KeyValue() + " holds flight " + number +
                                              (log.empty() ? std::string() : " (log " + log + ")") +
                                              ", which no competitor of the class has; it was kept.");
            }
            break;
        case xkText:
            in.PassedOver(item);
            break;
        case xkEnd:
            if (item.Element == "TaskNumber") {
                requireClass();
                if (!Instance && championship && !(FTemplateText.empty() && FVersionText.empty()))
                    championship->LoadWarning("Task number " + GetAttribute(acNumber) + " of class " +
                                              Class->KeyValue() + " names no known task version (" +
                                              FTemplateText + " - " + FVersionText + ").");
                return true;
            }
            break;
        default:
            break;
        }
    }
    return false;
}
