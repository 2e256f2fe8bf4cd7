#pragma once
// The one user-interface object: the tables the main window registers, the
// open championships (owned), which table is shown and which node it shows,
// the current map, flight and task instance, the edit mode, and the map view.
//
// The global `UserInterface` is made before main() runs; it holds no widget
// and makes nothing that needs the toolkit until it is used.
//
// When the model deletes a node (the hook Platform::NodeDeleting), every
// pointer kept here and in the map view that refers to it, or into it (the
// replay marker's track points of a deleted flight), is dropped first.

#include <cstdint>
#include <set>

#include "model/PtrSet.h"
#include "platform/StringGrid.h"
#include "ui/MapWindow.h"

class TChampionship;
class TChampNode;
class TFlight;
class TMap;
class TNodeDescription;
class TTaskInstance;

class TUserInterface {
public:
    TUserInterface();
    ~TUserInterface();
    TUserInterface(const TUserInterface&) = delete;
    TUserInterface& operator=(const TUserInterface&) = delete;

    // Throws TException "Attempt to duplicate existing table".
    void AddTable(TStringGrid* grid);
    // Ownership passes here. Throws "Attempt to duplicate existing championship".
    void AddChampionship(TChampionship* championship);
    // Gives the championship back to the caller. Throws "Attempt to delete
    // non existing championship".
    void DeleteChampionship(TChampionship* championship);

    // The table now shows the node: that table alone is visible and enabled.
    // Throws "Attempt to activate non existing table" for a grid not added.
    void ActivateTable(TStringGrid* grid, TNodeDescription* node);
    void BeginEdit();
    void EndEdit();

    // The flight becomes current with its task number's task instance; its
    // track (which it must have) is drawn on the map loaded in the view.
    void SetFlight(TFlight* flight);
    void ClearFlight();
    void SetCurrentMap(TMap* map);
    // The replay marker's point (-1: none).
    void SelectPoint(int index);
    // The index of the current flight's track point nearest to the window
    // pixel; 0 without a current flight, -1 when its track has no pixels.
    int FindNearestPoint(int x, int y);

    // The model is about to delete the node: forget every pointer to it.
    void NodeDeleting(TChampNode* node);
    // The championship that owns the shown node (null when none is shown).
    TChampionship* ActiveChampionship() const;
    // Back to the state at start: no tables, no championship, nothing current.
    // The championships are deleted.
    void Reset();

    std::set<TStringGrid*> Tables;
    TGridOptions EditOptions = EditGridOptions;
    TGridOptions ReadOnlyOptions = ReadOnlyGridOptions;
    TStringGrid* ActiveTable = nullptr;
    TNodeDescription* ActiveNode = nullptr;
    TMap* CurrentMap = nullptr;
    PtrSetOwner<TChampionship*> Championships;
    TFlight* CurrentFlight = nullptr;
    TTaskInstance* CurrentTaskInstance = nullptr;
    bool EditMode = false;
    TMapWindow MapWindow;
};

extern TUserInterface UserInterface;
