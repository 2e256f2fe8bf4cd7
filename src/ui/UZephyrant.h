#pragma once
// The main window: the championship tree on the left, one of ten tables and
// the map view on the right, the tool bar and the status bar; and every
// command reached from them (file, tree, flight, table, map, waypoint and
// reference commands). It holds no model data of its own: the state lives in
// the user-interface object (ui/Userinterface.h).
//
// One championship is worked on per run: after the first New or Open both
// are disabled and Save is enabled.

#include <QMainWindow>
#include <QRect>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Hooks.h"
#include "platform/ItemTree.h"
#include "platform/StringGrid.h"
#include "ui/Seams.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QStackedLayout;
class QTimer;
class QToolBar;
class QToolButton;
class QWheelEvent;
enum TAttributeCode : std::uint16_t;
class TChampNode;
class TChampionship;
class TFlight;
class TGridView;
class TMap;
class TMapCanvas;
struct TMapFields;
class TNodeDescription;
class TTaskInstance;
class TTreeView;

// The folder a championship reads the files it names from (logs, map
// bitmaps; TChampionship::FileSystemPath), as an absolute path: its file's
// folder; the working folder for a new championship.
QString ChampionshipFolder(const TChampionship* championship);

class TZephyrant : public QMainWindow {
    Q_OBJECT
public:
    // Opens the championship named first in `arguments` (the program's
    // arguments without the program itself), if any. A file that does not
    // open is reported and the window starts empty.
    explicit TZephyrant(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TZephyrant() override;

    // ---- file commands
    void MenuNewChampClick();
    void MenuOpenChampClick();
    void MenuSaveChampClick();
    void ToolButtonCloseChampClick();
    void Loadmap1Click();
    // Throws what the championship's reader throws.
    void OpenChamp(const QString& fileName);
    void LoadMap(TMap* map);

    // ---- tree
    void TreeChampChanging(TTreeItem* item);
    // Builds TreeMenu for the selected item; false when the item has no menu
    // or its menu no visible item (nothing is to pop up).
    bool BuildTreeMenu();
    void TreeMenuNewClick();
    void TreeMenuOpenClick();
    void TreeMenuDeleteClick();
    void AddChildNode(TChampNode* object);

    // ---- flights
    void FlightSelected(TFlight* flight);
    void NewTrackForFlight(TFlight* flight);

    // ---- tables
    void TableDblClick();
    void TableForDescriptionSetEditText(int col, int row, const QString& text);
    void TableForTaskInstanceClick();
    void ChangeTaskInstanceNameClick();
    void TableForTrackSelectCell(int col, int row);
    void RefillTrackTable(int oldIndex);
    int CurrentPointIndex() const;
    void UpdateEventFilter();
    void CopytoClipboard1Click();
    void CopypointTimetoclipboard1Click();
    // The text "Copy to Clipboard" puts on the clipboard (Windows-1252).
    std::string TableText() const;

    // ---- maps, waypoints, references
    void Editmapinformation1Click();
    void NewWaypointClick();
    void ImportWaypointsClick();
    void EditWaypointClick();
    void DeleteWaypointClick();
    void EditMapRefClick();
    void DeleteMapRefClick();
    void GrafMouseDown(Qt::MouseButton button, int x, int y);
    void GrafMouseMove(int x, int y, bool leftDown);
    void GrafMouseUp(int x, int y);
    // The loaded map's datum in the status bar (the panel's bare text
    // without a map).
    void ShowDatumPanel();

    // ---- view
    void ZoomMoreClick();
    void ZoomLessClick();
    void ToolButtonScaleOneClick();
    // A wheel turn over the map at a window pixel of the map; false when the
    // event is left alone (no vertical turn).
    bool MapWheel(int angleDeltaY, int x, int y);
    void PaintTimerTimer();
    // The display flags from the check buttons.
    void CopyViewFlags();

    // The unsaved-changes test: the championship's text differs from the one
    // it had when it was opened or last saved (kept in memory), or it cannot
    // be written at all.
    bool Modified() const;
    // The save chooser for the championship: its folder is the working
    // folder and the name it proposes is ShortName + ".xch", or the name of a
    // file there that differs from that only in case.
    TFileRequest SaveRequest(const TChampionship* championship) const;

    // The table for a node type (null for types without one).
    TStringGrid* TableFor(int nodeType);
    TGridView* ViewOf(const TStringGrid* grid) const;
    QString StatusText(int panel) const;

    // Controls, named as the program's parts refer to them.
    TItemTree ChampTree;
    TTreeView* TreeChamp = nullptr;
    QLabel* StatusPanels[5] = {};
    QSplitter* SplitterV = nullptr;
    QSplitter* SplitterH = nullptr;
    QWidget* PanelRight = nullptr;
    QWidget* PanelTable = nullptr;
    QWidget* PanelGraf = nullptr;
    QToolBar* ToolBar1 = nullptr;
    TMapCanvas* Graf = nullptr;
    TStringGrid TableForClass;
    TStringGrid TableForTeam;
    TStringGrid TableForChampionship;
    TStringGrid TableForCompetitor;
    TStringGrid TableForTaskTemplate;
    TStringGrid TableForMap;
    TStringGrid TableForWaypoints;
    TStringGrid TableForGeoref;
    TStringGrid TableForTrack;
    TStringGrid TableForTaskInstance;

    QAction* ToolButtonNewChamp = nullptr;
    QAction* ToolButtonOpenChamp = nullptr;
    QAction* ToolButtonSaveChamp = nullptr;
    QAction* ToolButtonCloseChamp = nullptr;
    QAction* ToolButtonShowMap = nullptr;
    QAction* ToolButtonShowGrid = nullptr;
    QAction* ToolButtonShowWpt = nullptr;
    QAction* ToolButtonShowTask = nullptr;
    QAction* ToolButtonShowFlight = nullptr;
    QAction* ToolButtonShowPoints = nullptr;
    QAction* ToolButtonShowEvents = nullptr;
    QAction* ToolButtonScaleOne = nullptr;
    QAction* ZoomMore = nullptr;
    QAction* ZoomLess = nullptr;
    QAction* ToolButtonSyncView = nullptr;
    QAction* ToolButtonAutoMove = nullptr;
    QToolButton* ToolButtonHelp = nullptr;

    QMenu* TreeMenu = nullptr;
    QAction* TreeMenuNew = nullptr;
    QAction* TreeMenuOpen = nullptr;
    QAction* TreeMenuDelete = nullptr;
    QMenu* MenuWaypoints = nullptr;
    QMenu* MenuGeoref = nullptr;
    QMenu* MenuMap = nullptr;
    QMenu* MenuTrack = nullptr;
    QMenu* MenuTaskInstance = nullptr;
    QMenu* MenuDefault = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* Viewtrackpoints = nullptr;
    QAction* Viewevents = nullptr;
    QMenu* Viewselectedevents = nullptr;
    QAction* Selectallevents1 = nullptr;
    QAction* Deselectallevents1 = nullptr;
    // The twelve event filter items, in menu order.
    std::vector<QAction*> EventFilterItems;
    QTimer* PaintTimer = nullptr;

    // The tree item selected last and its object, the table chosen for it,
    // and the tree items that show the object being edited.
    TTreeItem* CurrentTreeNode = nullptr;
    TNodeDescription* CurrentNodeData = nullptr;
    TStringGrid* CurrentTable = nullptr;
    std::vector<TTreeItem*> CollectedNodes;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void BuildToolBar();
    void BuildTables();
    void BuildMenus();
    void BuildStatusBar();
    void FitStatusPanels();
    // Follows the window manager's framing: a window restored from
    // maximised that runs off its screen's free area, frame and all, is made
    // at most as large as that area and moved onto it, once.
    void FollowFrame();
    // Notes the window maximised, or restored and to be followed.
    void NoteFrame();
    // The datum's panel at least as wide as its text.
    void FitDatumPanel();
    // A panel's text while it has nothing to show.
    static QString EmptyPanelText(int panel);
    void InstallHooks();
    QAction* AddCheck(const char* name, const char* caption, const char* hint, bool down);
    void SetChampionshipButtons();
    void TakeSnapshot();
    // Logs, choosers, "lastmap" and exports go where the championship's
    // file really lies.
    void SetWorkingFolder(const TChampionship* championship);
    void NodeDeleting(TChampNode* node);
    // Every tree item takes its object's display name (a folder its related
    // object's), and the caption its node's: after anything that renames.
    void FollowDisplayNames();
    // "Zephyrant - " + the championship's name [+ " - " + the node's]: the
    // node whose table was chosen last in the tree, by its name now.
    void UpdateCaption();
    // Ends a table edit; a key the model refused is put back with one warning.
    void EndTableEdit();
    void ShowTable(TStringGrid* grid, TChampNode* node);
    TChampionship* ChampionshipOf(const TTreeItem* item) const;
    TChampNode* ShownNode(int nodeType) const;
    TMap* ViewMap() const;
    // Saves onto the file (through its links), the old one kept under its
    // backup name; a failure is shown and leaves every file as it was.
    bool SaveTo(TChampionship* championship, const QString& fileName);
    // Asks for the file name, then saves with a backup of the old file.
    void SaveChampionship(TChampionship* championship);
    void AddFlightItems(TTreeItem* item);
    void CopyMapFields(TMap* map, const TMapFields& fields);

    std::map<const TStringGrid*, TGridView*> FViews;
    QStackedLayout* FTableStack = nullptr;
    THooks FSavedHooks;
    std::string FWorkingFolder;
    std::optional<std::string> FSnapshot; // none: the writer refused
    const TChampionship* FSnapshotOf = nullptr;
    // Each map's short name in the file as last opened or saved.
    std::map<const TMap*, std::string> FSavedMapNames;
    std::string FLastRefusal;
    // The attributes typed into during a table edit, with their values from
    // before it.
    std::map<TAttributeCode, std::string> FEditStart;
    TChampNode* FCaptionNode = nullptr;
    TChampionship* FCaptionChampionship = nullptr;
    int FDatumPanelWidth = 0; // the datum panel's least width
    bool FFirstActivate = true;
    // Seen maximised, and not yet framed for its normal state since.
    bool FFollowFrame = false;
    bool FFollowQueued = false;
    QRect FWholeClient;    // its client area as last seen maximised
    int FFrameSides = 0;   // the widest left and right sides of its normal frame (window system's pixels)
    int FWheelRest = 0;
};

// A caption with a busy text appended for the life of the object.
class TBusyCaption {
public:
    TBusyCaption(QWidget* window, const QString& suffix);
    ~TBusyCaption();

private:
    QWidget* FWindow;
    QString FCaption;
};
