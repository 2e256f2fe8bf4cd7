#include "ui/Userinterface.h"

#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "model/Class.h"
#include "platform/Exceptions.h"
#include "model/Map.h"

TUserInterface UserInterface;

namespace {

// Tables of these node types are never edited in place.
bool ReadOnlyType(const TNodeDescription* node)
{
    const TNodeType type = node->NodeType();
    return type == ntTaskInstance || (type >= ntFlight && type <= ntGeoref);
}

} // namespace

TUserInterface::TUserInterface() = default;

TUserInterface::~TUserInterface()
{
    // The map view refers into the championships: it lets go of them first.
    MapWindow.DetachTarget();
    MapWindow.ForgetPoints();
    MapWindow.Map = nullptr;
    Championships.clear();
    Tables.clear();
}

void TUserInterface::AddTable(TStringGrid* grid)
{
    if (!grid || Tables.count(grid)) throw TException("", "Attempt to duplicate existing table", "");
    Tables.insert(grid);
}

void TUserInterface::AddChampionship(TChampionship* championship)
{
    if (!championship || Championships.FindKey(championship->KeyValue()))
        throw TException("", "Attempt to duplicate existing championship", "");
    Championships.insert(championship);
}

void TUserInterface::DeleteChampionship(TChampionship* championship)
{
    if (!Championships.contains(championship))
        throw TException("", "Attempt to delete non existing championship", "");
    Championships.erase(championship);
}

void TUserInterface::ActivateTable(TStringGrid* grid, TNodeDescription* node)
{
    ActiveNode = node;
    if (node && node->NodeType() == ntMap) CurrentMap = static_cast<TMap*>(static_cast<TChampNode*>(node));
    if (grid == ActiveTable) return;
    ActiveTable = grid;
    if (!grid) return;
    if (!Tables.count(grid)) throw TException("", "Attempt to activate non existing table", "");
    for (TStringGrid* table : Tables) {
        const bool shown = table == grid;
        table->SetEnabled(shown);
        table->SetVisible(shown);
    }
    EndEdit();
}

void TUserInterface::BeginEdit()
{
    if (!ActiveNode || !ActiveTable || ReadOnlyType(ActiveNode)) return;
    ActiveTable->SetOptions(EditOptions);
    ActiveTable->SetEditorMode(true);
    EditMode = true;
}

void TUserInterface::EndEdit()
{
    if (!ActiveNode || ReadOnlyType(ActiveNode)) return;
    if (ActiveTable) {
        ActiveTable->SetOptions(ReadOnlyOptions);
        ActiveTable->SetEditorMode(false);
    }
    EditMode = false;
}

void TUserInterface::SetFlight(TFlight* flight)
{
    if (flight != CurrentFlight) MapWindow.ForgetPoints();
    CurrentFlight = flight;
    if (!flight) return;
    if (flight->TaskNumber()) CurrentTaskInstance = flight->TaskNumber()->Instance;
    // The track is drawn on the map that the view shows.
    if (flight->Track() && MapWindow.Map) flight->Track()->ProjectToMap(MapWindow.Map);
}

void TUserInterface::ClearFlight()
{
    MapWindow.ForgetPoints();
    CurrentFlight = nullptr;
}

void TUserInterface::SetCurrentMap(TMap* map)
{
    CurrentMap = map;
}

void TUserInterface::SelectPoint(int index)
{
    if (!CurrentFlight) return;
    const TTrack* track = CurrentFlight->Track();
    const std::size_t n = track ? track->Points.size() : 0;
    const auto i = static_cast<std::size_t>(static_cast<unsigned>(index));
    MapWindow.CurrentPoint = index >= 0 && i < n ? &track->Points[i] : nullptr;
    MapWindow.NextPoint = index >= 0 && i + 1 < n ? &track->Points[i + 1] : nullptr;
    if (MapWindow.SyncView) MapWindow.DrawReplayMarker();
}

int TUserInterface::FindNearestPoint(int x, int y)
{
    if (!CurrentFlight) return 0;
    TTrack* track = CurrentFlight->Track();
    if (!track || !MapWindow.HasValidMap()) return -1;
    // The pixels of the map in the view (free when they are up to date).
    track->ProjectToMap(MapWindow.Map);
    const TMapPoint p = MapWindow.View.ScreenToImage(x, y);
    return track->FindNearestPoint(p.X, p.Y);
}

void TUserInterface::NodeDeleting(TChampNode* node)
{
    if (!node) return;
    if (ActiveNode == node) {
        ActiveNode = nullptr;
        EditMode = false;
    }
    if (CurrentMap == node) CurrentMap = nullptr;
    if (CurrentFlight == node) ClearFlight();
    if (CurrentTaskInstance == node) CurrentTaskInstance = nullptr;
    // A deleted template takes its instances with it.
    if (CurrentTaskInstance && node->NodeType() == ntTaskTemplate &&
        static_cast<TTaskTemplate*>(node)->Instances.contains(CurrentTaskInstance))
        CurrentTaskInstance = nullptr;
    MapWindow.NodeDeleting(node);
}

TChampionship* TUserInterface::ActiveChampionship() const
{
    auto* node = dynamic_cast<TChampNode*>(ActiveNode);
    if (!node) return nullptr;
    if (auto* championship = dynamic_cast<TChampionship*>(node)) return championship;
    return dynamic_cast<TChampionship*>(node->Owner());
}

void TUserInterface::Reset()
{
    MapWindow.DetachTarget();
    MapWindow.ForgetPoints();
    MapWindow.Map = nullptr;
    ActiveTable = nullptr;
    ActiveNode = nullptr;
    CurrentMap = nullptr;
    CurrentFlight = nullptr;
    CurrentTaskInstance = nullptr;
    EditMode = false;
    Championships.clear();
    Tables.clear();
}

