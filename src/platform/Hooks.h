#pragma once
// The few places where the model talks to the user interface or the desktop
// go through these hooks. The user interface installs its own functions at
// start-up; tests replace them for a scope with TScopedHooks. A hook left
// empty falls back to a safe default that needs no window:
//
//   ActivateTable    nothing
//   ShowMessage      the text on stderr
//   AskYesNo         No (nothing destructive happens unasked)
//   AskCancelIgnore  Cancel
//   OpenWithDesktop  nothing, reports false
//   VersionText      the build's version (ZEPH_VERSION_TEXT), "Unknown" without one
//   ProgramFolder    the folder of /proc/self/exe
//   WorkingFolder    the current working folder
//   NodeDeleting     nothing
//   FlightTableFilter  every point and every event shown
//
// Folders are returned without a trailing separator.

#include <cstdint>
#include <functional>
#include <string>

class TStringGrid;
class TNodeDescription;
class TChampNode;

// What the flight table lists: the map view's display flags ShowPoints and
// ShowEvents and its event filter (a mask of event type bits). The map view
// installs the hook that reports its own state; until then everything shows.
struct TFlightTableFilter {
    bool ShowPoints = true;
    bool ShowEvents = true;
    std::uint32_t EventMask = 0xFFFFFFFFu;
};

enum TDialogResult { drOK, drYes, drNo, drCancel, drIgnore };

struct THooks {
    // The table now shows this node (the user interface's ActivateTable).
    std::function<void(TStringGrid* grid, TNodeDescription* node)> ActivateTable;
    // A message box with the button OK.
    std::function<void(const std::string& text)> ShowMessage;
    // A confirmation with Yes and No; true for Yes.
    std::function<bool(const std::string& text)> AskYesNo;
    // A box with Cancel and Ignore; drCancel or drIgnore.
    std::function<TDialogResult(const std::string& text)> AskCancelIgnore;
    // Opens a file with the application the desktop associates with it.
    std::function<bool(const std::string& path)> OpenWithDesktop;
    std::function<std::string()> VersionText;
    std::function<std::string()> ProgramFolder;
    std::function<std::string()> WorkingFolder;
    // The model is about to delete this node (a user's delete): whoever
    // keeps a pointer to it (the tree's items, the user interface's current
    // node, flight and task instance) lets go of it now. Called once per
    // node, the parts before the whole (a competitor's flights before it).
    std::function<void(TChampNode* node)> NodeDeleting;
    std::function<TFlightTableFilter()> FlightTableFilter;
};

// The hooks in force. Installing: Hooks().ActivateTable = ...;
THooks& Hooks();

// Replaces the hooks for a scope and restores the previous ones at its end.
// The replacement starts as a copy of the hooks in force, so a test sets only
// what it needs: TScopedHooks hooks; hooks->AskYesNo = ...;
class TScopedHooks {
public:
    TScopedHooks();
    explicit TScopedHooks(const THooks& replacement);
    ~TScopedHooks();
    TScopedHooks(const TScopedHooks&) = delete;
    TScopedHooks& operator=(const TScopedHooks&) = delete;

    THooks* operator->() { return &Hooks(); }
    THooks& operator*() { return Hooks(); }

private:
    THooks FSaved;
};

// Callers in the model use these; each calls the hook or its default.
namespace Platform {
void ActivateTable(TStringGrid* grid, TNodeDescription* node);
void ShowMessage(const std::string& text);
bool AskYesNo(const std::string& text);
TDialogResult AskCancelIgnore(const std::string& text);
bool OpenWithDesktop(const std::string& path);
// Never "0.4": a championship saved with that version would have its UTM map
// references corrected again at every load. Such a text reads "Unknown".
std::string VersionText();
std::string ProgramFolder();
std::string WorkingFolder();
void NodeDeleting(TChampNode* node);
TFlightTableFilter FlightTableFilter();
} // namespace Platform
