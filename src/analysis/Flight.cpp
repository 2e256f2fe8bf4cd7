#include "analysis/Flight.h"

#include "model/Team.h"

TFlight::TFlight(TCompetitor* competitor, TTaskNumber* taskNumber)
    : TChampNode(ntFlight), FTaskNumber(taskNumber), FCompetitor(competitor)
{
    if (competitor) SetAttribute(acNumber, competitor->GetAttribute(acNumber));
    UpdateName();
}

TFlight::~TFlight() = default;

void TFlight::UpdateName()
{
    if (!FCompetitor) {
        FDisplayName = GetAttribute(acNumber) + " (no competitor)";
        return;
    }
    std::string name = FCompetitor->DisplayName() + " (" + (FCompetitor->Team ? FCompetitor->Team->KeyValue() : "") + ")";
    const std::string& igc = GetAttribute(acIgcFileName);
    if (igc.empty())
        name += " >>> TRACK PENDING <<<";
    else if (igc == "DNF")
        name += " (DID NOT FLY)";
    FDisplayName = name;
}

void TFlight::SetCompetitor(TCompetitor* competitor)
{
    FCompetitor = competitor;
    UpdateName();
}
