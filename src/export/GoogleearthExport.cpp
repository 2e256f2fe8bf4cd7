// The two exports: a task number with all its flights that have a track,
// and one flight.

#include <string>

#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "export/Googleearth.h"
#include "model/Class.h"
#include "model/Team.h"

namespace {

const std::string& KeyOf(const TChampNode* node)
{
    static const std::string none;
    return node ? node->KeyValue() : none;
}

} // namespace

KmlFile::KmlFile(TTaskNumber* taskNumber)
{
    ExportTaskNumber(taskNumber);
}

KmlFile::KmlFile(TFlight* flight)
{
    ExportFlight(flight);
}

void KmlFile::ExportTaskNumber(TTaskNumber* taskNumber)
{
    if (!taskNumber) return;
    TCClass* cls = taskNumber->Class;
    const std::string& classKey = KeyOf(cls);
    if (!Open(classKey + "_" + taskNumber->KeyValue())) return;
    BeginFolder("Class " + classKey + " Task " + taskNumber->DisplayName(), kvVisible);
    WriteTask(taskNumber);
    if (const auto* flights = cls ? cls->FindFlights(taskNumber) : nullptr) {
        for (TFlight* flight : *flights) {
            // Flights not shown since the championship was opened have no
            // track yet.
            if (!flight->Track()) continue;
            BeginFolder(flight->DisplayName(), kvInherit);
            WriteTrack(flight);
            WriteEvents(flight, kvHidden);
            EndFolder();
        }
    }
    EndFolder();
    Close();
}

void KmlFile::ExportFlight(TFlight* flight)
{
    if (!flight) return;
    TTaskNumber* taskNumber = flight->TaskNumber();
    const TCompetitor* competitor = flight->Competitor();
    // A flight kept without a competitor still has its task number's class
    // and its own Number, which is the competitor's whenever there is one.
    const TCClass* cls = competitor ? competitor->Class : nullptr;
    if (!cls && taskNumber) cls = taskNumber->Class;
    const std::string& classKey = KeyOf(cls);
    const std::string& taskKey = KeyOf(taskNumber);
    const std::string& competitorKey = competitor ? competitor->KeyValue() : flight->KeyValue();
    if (!Open(classKey + "_" + taskKey + "_" + competitorKey)) return;
    BeginFolder("Class " + classKey + " Task " + taskKey + " Compet " + flight->DisplayName(), kvVisible);
    if (flight->Track()) WriteTrack(flight);
    if (taskNumber) WriteTask(taskNumber);
    if (flight->Track()) WriteEvents(flight, kvInherit);
    EndFolder();
    Close();
}

void KmlFile::WriteTask(TTaskNumber* taskNumber)
{
    WriteTask(taskNumber->DisplayName(), taskNumber->Instance);
}

void KmlFile::WriteTrack(TFlight* flight)
{
    if (flight->Track()) WriteTrack(flight->DisplayName(), *flight->Track());
}

void KmlFile::WriteEvents(TFlight* flight, TKmlVisibility visibility)
{
    if (!flight->Track()) return;
    // Events point to check elements; one removed from the task since the
    // last analysis would be freed memory. Nothing is done when the task
    // has not changed.
    flight->Analyse();
    WriteEvents(*flight->Track(), visibility);
}
