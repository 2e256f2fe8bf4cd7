// The championship's subtree of the main window's tree, from the top:
//
//   <championship>
//     Geo
//       Maps
//         <map>                     one per map, ShortName order
//           <georeference>
//       Waypoints                   the waypoint set
//     Classes
//       <class>                     ShortName order
//     Teams
//       <team>                      IsoCountry order
//         <class>                   a TeamClass folder per class
//           <competitor>            the team's group for the class
//     Task catalogue
//       <template>
//         <instance>                Version order
//     Tasks
//       <class>                     a ClassTasks folder per class
//         <task number>             Number order
//           <flight>                Number order
//
// The TeamClass and ClassTasks folders belong to their items and go with
// them. Showing the tree gives every team a group for every class and every
// task number a flight set, as the writer then shows them too.

#include <memory>
#include <vector>

#include "analysis/Flight.h"
#include "model/Championship.h"
#include "platform/ItemTree.h"

namespace {

TTreeItem* ChildByCaption(TTreeItem* parent, const char* caption)
{
    for (TTreeItem* item = parent ? parent->FirstChild() : nullptr; item; item = item->NextSibling())
        if (item->Caption() == caption) return item;
    return nullptr;
}

TTreeItem* ChildByObject(TTreeItem* parent, const TChampNode* object)
{
    for (TTreeItem* item = parent ? parent->FirstChild() : nullptr; item; item = item->NextSibling())
        if (item->Object() == object) return item;
    return nullptr;
}

const TChampNode* RelatedOf(const TTreeItem* item)
{
    const TChampNode* object = item->Object();
    return object && object->IsAux() ? static_cast<const TAuxNode*>(object)->RelatedObject() : nullptr;
}

TTreeItem* AddFolder(TItemTree* tree, TTreeItem* parent, TNodeType type, TCClass* cls)
{
    return tree->AddChild(parent, cls->DisplayName(), std::make_unique<TAuxNode>(type, cls));
}

void AddMapItems(TItemTree* tree, TTreeItem* maps, TMap* map)
{
    TTreeItem* item = tree->AddChild(maps, map->DisplayName(), map);
    tree->AddChild(item, map->Georef.DisplayName(), &map->Georef);
}

// The whole tree gives the team its (empty) group for the class; an item
// added for a new team or class only shows the group the team has, so a
// team just added stays deletable.
void AddTeamClassItems(TItemTree* tree, TTreeItem* teamItem, TTeam* team, TCClass* cls, bool makeGroup)
{
    TTreeItem* folder = AddFolder(tree, teamItem, ntTeamClass, cls);
    if (makeGroup) team->Group(cls);
    auto group = team->Groups().find(cls);
    if (group == team->Groups().end()) return;
    for (TCompetitor* competitor : group->second) tree->AddChild(folder, competitor->DisplayName(), competitor);
}

void AddTaskNumberItems(TItemTree* tree, TTreeItem* folder, TCClass* cls)
{
    for (TTaskNumber* taskNumber : cls->TaskNumbers) {
        TTreeItem* item = tree->AddChild(folder, taskNumber->DisplayName(), taskNumber);
        for (TFlight* flight : cls->FlightsOf(taskNumber)) tree->AddChild(item, flight->DisplayName(), flight);
    }
}

void CollectShowing(TTreeItem* item, const TChampNode* node, std::vector<TTreeItem*>& found)
{
    for (; item; item = item->NextSibling()) {
        if (item->Object() == node || RelatedOf(item) == node)
            found.push_back(item); // its children go with it
        else
            CollectShowing(item->FirstChild(), node, found);
    }
}

} // namespace

void TChampionship::FillTree(TItemTree* tree)
{
    if (!tree) return;
    TTreeUpdateLock lock(tree);
    RemoveTreeRoot(tree);

    TTreeItem* root = tree->AddTopLevel(DisplayName(), this);
    TTreeItem* geo = tree->AddChild(root, "Geo", &GeoFolder);
    TTreeItem* maps = tree->AddChild(geo, "Maps", &MapsFolder);
    for (TMap* map : Maps) AddMapItems(tree, maps, map);
    tree->AddChild(geo, "Waypoints", &WayPoints);

    TTreeItem* classes = tree->AddChild(root, "Classes", &ClassesFolder);
    for (TCClass* cls : Classes) tree->AddChild(classes, cls->DisplayName(), cls);

    TTreeItem* teams = tree->AddChild(root, "Teams", &TeamsFolder);
    for (TTeam* team : Teams) {
        TTreeItem* teamItem = tree->AddChild(teams, team->DisplayName(), team);
        for (TCClass* cls : Classes) AddTeamClassItems(tree, teamItem, team, cls, true);
    }

    TTreeItem* catalogue = tree->AddChild(root, "Task catalogue", &TaskCatalogueFolder);
    for (TTaskTemplate* taskTemplate : TaskTemplates) {
        TTreeItem* item = tree->AddChild(catalogue, taskTemplate->DisplayName(), taskTemplate);
        for (TTaskInstance* instance : taskTemplate->Instances) tree->AddChild(item, instance->DisplayName(), instance);
    }

    TTreeItem* tasks = tree->AddChild(root, "Tasks", &TasksFolder);
    for (TCClass* cls : Classes) AddTaskNumberItems(tree, AddFolder(tree, tasks, ntClassTasks, cls), cls);

    tree->Select(root);
    tree->Expand(root);
}

void TChampionship::RemoveTreeRoot(TItemTree* tree)
{
    if (tree) tree->Delete(FindTreeNode(tree));
}

TTreeItem* TChampionship::FindTreeNode(TItemTree* tree) const
{
    if (!tree) return nullptr;
    for (TTreeItem* item = tree->FirstTopLevel(); item; item = item->NextSibling())
        if (item->Object() == this) return item;
    return nullptr;
}

void TChampionship::AddTeamToTree(TItemTree* tree, TTeam* team)
{
    TTreeItem* teams = ChildByCaption(FindTreeNode(tree), "Teams");
    if (!teams || !team) return;
    TTreeUpdateLock lock(tree);
    TTreeItem* item = tree->AddChild(teams, team->DisplayName(), team);
    for (TCClass* cls : Classes) AddTeamClassItems(tree, item, team, cls, false);
    tree->Select(item);
}

void TChampionship::AddClassToTree(TItemTree* tree, TCClass* cls)
{
    TTreeItem* root = FindTreeNode(tree);
    if (!root || !cls) return;
    TTreeUpdateLock lock(tree);
    TTreeItem* selected = nullptr;
    if (TTreeItem* classes = ChildByCaption(root, "Classes"))
        selected = tree->AddChild(classes, cls->DisplayName(), cls);
    if (TTreeItem* teams = ChildByCaption(root, "Teams")) {
        for (TTreeItem* teamItem = teams->FirstChild(); teamItem; teamItem = teamItem->NextSibling()) {
            auto* team = static_cast<TTeam*>(teamItem->Object());
            if (team && Teams.contains(team)) AddTeamClassItems(tree, teamItem, team, cls, false);
        }
    }
    if (TTreeItem* tasks = ChildByCaption(root, "Tasks")) AddTaskNumberItems(tree, AddFolder(tree, tasks, ntClassTasks, cls), cls);
    if (selected) tree->Select(selected);
}

void TChampionship::AddMapToTree(TItemTree* tree, TMap* map)
{
    TTreeItem* maps = ChildByCaption(ChildByCaption(FindTreeNode(tree), "Geo"), "Maps");
    if (!maps || !map) return;
    TTreeUpdateLock lock(tree);
    AddMapItems(tree, maps, map);
    tree->Select(ChildByObject(maps, map));
}

void TChampionship::AddCompetitorToTree(TItemTree* tree, TCompetitor* competitor)
{
    TTreeItem* root = FindTreeNode(tree);
    if (!root || !competitor || !competitor->Class) return;
    TTreeUpdateLock lock(tree);
    TCClass* cls = competitor->Class;
    TTreeItem* selected = nullptr;
    if (TTreeItem* teamItem = ChildByObject(ChildByCaption(root, "Teams"), competitor->Team)) {
        for (TTreeItem* folder = teamItem->FirstChild(); folder; folder = folder->NextSibling()) {
            if (RelatedOf(folder) != cls) continue;
            TTreeItem* item = tree->AddChild(folder, competitor->DisplayName(), competitor);
            if (!selected) selected = item;
        }
    }
    if (TTreeItem* tasks = ChildByCaption(root, "Tasks")) {
        for (TTreeItem* folder = tasks->FirstChild(); folder; folder = folder->NextSibling()) {
            if (RelatedOf(folder) != cls) continue;
            for (TTreeItem* item = folder->FirstChild(); item; item = item->NextSibling()) {
                auto* taskNumber = static_cast<TTaskNumber*>(item->Object());
                if (!taskNumber || !cls->TaskNumbers.contains(taskNumber)) continue;
                for (TFlight* flight : cls->FlightsOf(taskNumber))
                    if (flight->Competitor() == competitor) tree->AddChild(item, flight->DisplayName(), flight);
            }
        }
    }
    if (selected) tree->Select(selected);
}

void TChampionship::RemoveTreeItems(TItemTree* tree, const TChampNode* node)
{
    if (!tree || !node) return;
    std::vector<TTreeItem*> found;
    CollectShowing(tree->FirstTopLevel(), node, found);
    TTreeUpdateLock lock(tree);
    for (TTreeItem* item : found) tree->Delete(item);
}
