// The main window's frame (start-up, controls, view switches, zoom, closing),
// the championship file commands and the tree commands.
#include "ui/UZephyrant.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStackedLayout>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>
#include <QtMath>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "analysis/Flight.h"
#include "geodesy/Coord.h"
#include "model/Championship.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/NumberFormat.h"
#include "ui/GridView.h"
#include "ui/Guard.h"
#include "ui/MapWindow.h"
#include "ui/Program.h"
#include "ui/QtText.h"
#include "ui/Seams.h"
#include "ui/TreeView.h"
#include "ui/UDefineMap.h"
#include "ui/UDefineTaskNumber.h"
#include "ui/USmallDialogs.h"
#include "ui/Userinterface.h"
#include "export/Googleearth.h"
#include "model/Class.h"
#include "model/Team.h"
#include "xml/Xmlfile.h"

namespace {

TMapWindow& View()
{
    return UserInterface.MapWindow;
}

// The type label, a blank and the node's display name in quotation marks.
QString QuotedName(const TChampNode* node)
{
    return ToQt(NodeTypeNames.Label(node->NodeType())) + QStringLiteral(" \"") + ToQt(node->DisplayName()) +
           QLatin1Char('"');
}

const TChampNode* RelatedOf(const TTreeItem* item)
{
    const TChampNode* object = item ? item->Object() : nullptr;
    return object && object->IsAux() ? static_cast<const TAuxNode*>(object)->RelatedObject() : nullptr;
}

template <class T>
using TXReply = std::unique_ptr<T, decltype(&std::free)>;

// The X server behind Qt's xcb platform; none on another platform.
xcb_connection_t* XConnection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The window manager's properties (EWMH) that the main window follows.
enum TWmAtom { waState, waFrameExtents, waMaximisedVert, waMaximisedHorz, waFullScreen, waHidden, waCount };

const std::array<xcb_atom_t, waCount>& WmAtoms(xcb_connection_t* x)
{
    static const std::array<xcb_atom_t, waCount> atoms = [x] {
        static const char* const names[waCount] = {"_NET_WM_STATE", "_NET_FRAME_EXTENTS",
                                                    "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ",
                                                    "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_HIDDEN"};
        std::array<xcb_intern_atom_cookie_t, waCount> asked{};
        for (int i = 0; i < waCount; ++i)
            asked[i] = xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
        std::array<xcb_atom_t, waCount> found{};
        for (int i = 0; i < waCount; ++i)
            if (const TXReply<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(x, asked[i], nullptr), &std::free})
                found[i] = reply->atom;
        return found;
    }();
    return atoms;
}

// The screen's free area in the window system's pixels: Qt scales it about
// the screen's corner and rounds it; the root window, where known, bounds it
// as the X server has it.
QRect NativeRoom(const QScreen& screen, const QRect& root)
{
    const qreal scale = screen.devicePixelRatio();
    const QPoint corner = screen.geometry().topLeft();
    const QRect free = screen.availableGeometry();
    const QRect room(corner + (free.topLeft() - corner) * scale, free.size() * scale);
    return root.isEmpty() ? room : room & root;
}

// The geometry to give Qt for a window whose client area is to lie inside
// `native` (the window system's pixels): Qt rounds position and size apart.
QRect LogicalInside(const QRect& native, const QScreen& screen)
{
    const qreal scale = screen.devicePixelRatio();
    const QPoint corner = screen.geometry().topLeft();
    const QPoint at = corner + QPoint(qCeil((native.x() - corner.x()) / scale), //
                                      qCeil((native.y() - corner.y()) / scale));
    const QPoint shown = corner + (at - corner) * scale;
    return {at, QSize(qFloor((native.right() + 1 - shown.x()) / scale), //
                      qFloor((native.bottom() + 1 - shown.y()) / scale))};
}

// A top-level window as the X server and its window manager have it, in the
// window system's pixels: its client area on the root window, the sides of
// the frame the manager says it drew (_NET_FRAME_EXTENTS), whether it is
// maximised (or full screen) or hidden, and its screen's free area.
struct TNativeFrame {
    QRect Client;
    QMargins Frame;
    bool Whole = false;
    bool Hidden = false;
    QRect Room;
};

std::optional<TNativeFrame> ReadNativeFrame(const QWidget& window)
{
    xcb_connection_t* x = XConnection();
    const auto id = static_cast<xcb_window_t>(window.internalWinId());
    if (!x || !id || !window.screen()) return std::nullopt;
    const auto& atoms = WmAtoms(x);
    const auto extentsAsked = xcb_get_property(x, 0, id, atoms[waFrameExtents], XCB_ATOM_CARDINAL, 0, 4);
    const auto stateAsked = xcb_get_property(x, 0, id, atoms[waState], XCB_ATOM_ATOM, 0, 64);
    const auto sizeAsked = xcb_get_geometry(x, id);
    const TXReply<xcb_get_property_reply_t> extents{xcb_get_property_reply(x, extentsAsked, nullptr), &std::free};
    const TXReply<xcb_get_property_reply_t> state{xcb_get_property_reply(x, stateAsked, nullptr), &std::free};
    const TXReply<xcb_get_geometry_reply_t> size{xcb_get_geometry_reply(x, sizeAsked, nullptr), &std::free};
    if (!size) return std::nullopt;
    const auto placeAsked = xcb_translate_coordinates(x, id, size->root, 0, 0);
    const auto rootAsked = xcb_get_geometry(x, size->root);
    const TXReply<xcb_translate_coordinates_reply_t> place{xcb_translate_coordinates_reply(x, placeAsked, nullptr),
                                                          &std::free};
    const TXReply<xcb_get_geometry_reply_t> root{xcb_get_geometry_reply(x, rootAsked, nullptr), &std::free};
    if (!place || !root) return std::nullopt;
    TNativeFrame frame;
    frame.Client = QRect(place->dst_x, place->dst_y, size->width, size->height);
    if (extents && xcb_get_property_value_length(extents.get()) == 16) {
        const auto* sides = static_cast<const std::uint32_t*>(xcb_get_property_value(extents.get()));
        frame.Frame = QMargins(int(sides[0]), int(sides[2]), int(sides[1]), int(sides[3]));
    }
    if (state) {
        const auto* first = static_cast<const xcb_atom_t*>(xcb_get_property_value(state.get()));
        const xcb_atom_t* last = first + xcb_get_property_value_length(state.get()) / 4;
        auto has = [&](TWmAtom atom) { return std::find(first, last, atoms[atom]) != last; };
        frame.Whole = (has(waMaximisedVert) && has(waMaximisedHorz)) || has(waFullScreen);
        frame.Hidden = has(waHidden);
    }
    frame.Room = NativeRoom(*window.screen(), QRect(root->x, root->y, root->width, root->height));
    return frame;
}

} // namespace

TBusyCaption::TBusyCaption(QWidget* window, const QString& suffix) : FWindow(window), FCaption(window->windowTitle())
{
    FWindow->setWindowTitle(FCaption + suffix);
}

TBusyCaption::~TBusyCaption()
{
    FWindow->setWindowTitle(FCaption);
}

// ---------------------------------------------------------------- start-up

TZephyrant::TZephyrant(const QStringList& arguments, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Zephyrant"));
    setWindowTitle(QStringLiteral("Zephyrant"));
    setWindowIcon(ProgramIcon());

    TreeChamp = new TTreeView(&ChampTree);
    TreeChamp->OnContextMenu = [this](TTreeItem*, const QPoint& at) {
        if (BuildTreeMenu()) TreeMenu->popup(at);
    };
    TreeChamp->OnMouseMove = [this] { TreeChamp->setFocus(); };
    ChampTree.OnSelect = [this](TTreeItem* item) { TreeChampChanging(item); };

    PanelTable = new QWidget;
    PanelTable->setObjectName(QStringLiteral("PanelTable"));
    FTableStack = new QStackedLayout(PanelTable);
    FTableStack->setContentsMargins(0, 0, 0, 0);
    PanelGraf = new QWidget;
    PanelGraf->setObjectName(QStringLiteral("PanelGraf"));
    PanelGraf->setFocusPolicy(Qt::StrongFocus);
    Graf = new TMapCanvas(PanelGraf);
    Graf->View = &View();
    Graf->installEventFilter(this);
    auto* grafLayout = new QHBoxLayout(PanelGraf);
    grafLayout->setContentsMargins(0, 0, 0, 0);
    grafLayout->addWidget(Graf);

    SplitterH = new QSplitter(Qt::Vertical);
    SplitterH->setObjectName(QStringLiteral("SplitterH"));
    SplitterH->addWidget(PanelTable);
    SplitterH->addWidget(PanelGraf);
    SplitterH->setSizes({97, 600});
    PanelRight = SplitterH;
    SplitterV = new QSplitter(Qt::Horizontal);
    SplitterV->setObjectName(QStringLiteral("SplitterV"));
    SplitterV->addWidget(TreeChamp);
    SplitterV->addWidget(SplitterH);
    SplitterV->setStretchFactor(1, 1);
    SplitterV->setSizes({201, 800});
    setCentralWidget(SplitterV);

    BuildToolBar();
    BuildTables();
    BuildMenus();
    BuildStatusBar();

    PaintTimer = new QTimer(this);
    PaintTimer->setObjectName(QStringLiteral("PaintTimer"));
    PaintTimer->setSingleShot(true);
    PaintTimer->setInterval(250);
    connect(PaintTimer, &QTimer::timeout, this, GuardedSlot([this] { PaintTimerTimer(); }));
    connect(Graf, &TMapCanvas::Resized, this, GuardedSlot([] { View().Redraw(); }));
    connect(Graf, &TMapCanvas::MouseDown, this, GuardedSlot([this](QMouseEvent* event) {
                const QPoint p = event->position().toPoint();
                GrafMouseDown(event->button(), p.x(), p.y());
            }));
    connect(Graf, &TMapCanvas::MouseMove, this, GuardedSlot([this](QMouseEvent* event) {
                const QPoint p = event->position().toPoint();
                GrafMouseMove(p.x(), p.y(), event->buttons() & Qt::LeftButton);
            }));
    connect(Graf, &TMapCanvas::MouseUp, this, GuardedSlot([this](QMouseEvent* event) {
                const QPoint p = event->position().toPoint();
                GrafMouseUp(p.x(), p.y());
            }));

    // The tables in their registration order.
    for (TStringGrid* grid : {&TableForChampionship, &TableForClass, &TableForTeam, &TableForCompetitor,
                              &TableForTaskTemplate, &TableForTaskInstance, &TableForMap, &TableForWaypoints,
                              &TableForGeoref, &TableForTrack})
        UserInterface.AddTable(grid);
    InstallHooks();

    // The command-line file opens before the display flags are copied, so
    // the first full redraw already shows it.
    if (!arguments.isEmpty() && !arguments.front().isEmpty()) Guarded([&] { OpenChamp(arguments.front()); });
    CopyViewFlags();
    Guarded([] { View().Redraw(); });
    resize(1000, 700);
}

TZephyrant::~TZephyrant()
{
    ChampTree.OnSelect = nullptr;
    PaintTimer->stop();
    Hooks() = FSavedHooks;
    View().SavedName = nullptr;
    View().DetachTarget();
    // The views follow the grids and the tree that are members of this
    // window: they go first.
    delete SplitterV;
    SplitterV = nullptr;
    UserInterface.Reset();
    ChampTree.Clear();
}

QAction* TZephyrant::AddCheck(const char* name, const char* caption, const char* hint, bool down)
{
    QAction* action = ToolBar1->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromUtf8(name));
    action->setToolTip(QString::fromUtf8(hint));
    action->setCheckable(true);
    action->setChecked(down);
    return action;
}

void TZephyrant::BuildToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto button = [this](const char* name, const char* caption, const char* hint, auto handler) {
        QAction* action = ToolBar1->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromUtf8(name));
        action->setToolTip(QString::fromUtf8(hint));
        connect(action, &QAction::triggered, this, GuardedSlot([this, handler] { (this->*handler)(); }));
        return action;
    };
    ToolButtonNewChamp = button("ToolButtonNewChamp", "New", "Create  new championship", &TZephyrant::MenuNewChampClick);
    ToolButtonOpenChamp =
        button("ToolButtonOpenChamp", "Open", "Open championship file", &TZephyrant::MenuOpenChampClick);
    ToolButtonSaveChamp =
        button("ToolButtonSaveChamp", "Save", "Save championship to file", &TZephyrant::MenuSaveChampClick);
    ToolButtonCloseChamp =
        button("ToolButtonCloseChamp", "Close", "Close championship", &TZephyrant::ToolButtonCloseChampClick);
    ToolButtonSaveChamp->setEnabled(false);
    ToolButtonCloseChamp->setEnabled(false);
    ToolBar1->addSeparator();

    auto redrawing = [this](QAction* action, bool TMapWindow::*flag) {
        connect(action, &QAction::triggered, this, GuardedSlot([action, flag](bool) {
                    View().*flag = action->isChecked();
                    View().Redraw();
                }));
    };
    ToolButtonShowMap = AddCheck("ToolButtonShowMap", "Map", "Show map", true);
    ToolButtonShowGrid = AddCheck("ToolButtonShowGrid", "Grid", "Show map grid", false);
    ToolButtonShowWpt = AddCheck("ToolButtonShowWpt", "Wpts", "Show waypoints on map", false);
    ToolButtonShowTask = AddCheck("ToolButtonShowTask", "Task", "Show task on map", true);
    ToolButtonShowFlight = AddCheck("ToolButtonShowFlight", "Trck", "Show flight track on map", true);
    redrawing(ToolButtonShowMap, &TMapWindow::ShowMap);
    redrawing(ToolButtonShowGrid, &TMapWindow::ShowGrid);
    redrawing(ToolButtonShowWpt, &TMapWindow::ShowWpt);
    redrawing(ToolButtonShowTask, &TMapWindow::ShowTask);
    redrawing(ToolButtonShowFlight, &TMapWindow::ShowFlight);
    ToolBar1->addSeparator();

    // Points and events also set the track menu's marks and refill the
    // flight's table (see BuildMenus).
    ToolButtonShowPoints = AddCheck("ToolButtonShowPoints", "Pnts", "Show track points", true);
    ToolButtonShowEvents = AddCheck("ToolButtonShowEvents", "Evts", "Show events", true);
    ToolBar1->addSeparator();

    ToolButtonScaleOne = button("ToolButtonScaleOne", "1:1", "Set zoom 1:1", &TZephyrant::ToolButtonScaleOneClick);
    ZoomMore = button("ZoomMore", "In", "Zoom in", &TZephyrant::ZoomMoreClick);
    ZoomLess = button("ZoomLess", "Out", "Zoom out", &TZephyrant::ZoomLessClick);
    ToolBar1->addSeparator();

    ToolButtonSyncView = AddCheck("ToolButtonSyncView", "Sync", "Show position on map", true);
    redrawing(ToolButtonSyncView, &TMapWindow::SyncView);
    ToolButtonAutoMove = AddCheck("ToolButtonAutoMove", "Mov", "Move map to show position", true);
    connect(ToolButtonAutoMove, &QAction::triggered, this,
            GuardedSlot([this](bool) { View().AutoMove = ToolButtonAutoMove->isChecked(); }));
    ToolBar1->addSeparator();

    MenuHelp = new QMenu(this);
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    QAction* help = MenuHelp->addAction(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* about = MenuHelp->addAction(QStringLiteral("About Zephyrant"));
    about->setObjectName(QStringLiteral("AboutZephyrant1"));
    connect(about, &QAction::triggered, this, GuardedSlot([] {
                if (AboutBox) RunDialog(*AboutBox);
            }));
    ToolButtonHelp = new QToolButton;
    ToolButtonHelp->setObjectName(QStringLiteral("ToolButtonHelp"));
    ToolButtonHelp->setText(QStringLiteral("Help"));
    ToolButtonHelp->setToolTip(QStringLiteral("Help"));
    ToolButtonHelp->setMenu(MenuHelp);
    ToolButtonHelp->setPopupMode(QToolButton::InstantPopup);
    ToolBar1->addWidget(ToolButtonHelp);
}

void TZephyrant::BuildTables()
{
    struct TLayout {
        TStringGrid* Grid;
        const char* Name;
        std::vector<int> Widths;
        bool RowSelect;
    };
    const std::vector<TLayout> layouts = {
        {&TableForChampionship, "TableForChampionship", {100, 334}, false},
        {&TableForClass, "TableForClass", {100, 334}, false},
        {&TableForTeam, "TableForTeam", {100, 334}, false},
        {&TableForCompetitor, "TableForCompetitor", {100, 334}, false},
        {&TableForTaskTemplate, "TableForTaskTemplate", {100, 334}, false},
        {&TableForMap, "TableForMap", {100, 334}, false},
        {&TableForTaskInstance, "TableForTaskInstance", {40, 116, 93, 87, 64, 60, 60}, true},
        {&TableForWaypoints, "TableForWaypoints", {30, 55, 85, 88, 82, 81, 46, 229}, true},
        {&TableForGeoref, "TableForGeoref", {30, 55, 59, 58, 57, 56, 91, 87}, true},
        {&TableForTrack, "TableForTrack", {35, 64, 72, 73, 71, 73, 46, 44, 61, 64, 125, 101}, true},
    };
    for (const TLayout& layout : layouts) {
        layout.Grid->SetColCount(static_cast<int>(layout.Widths.size()));
        layout.Grid->SetRowCount(2);
        layout.Grid->SetVisible(false);
        auto* view = new TGridView(layout.Grid);
        view->setObjectName(QString::fromUtf8(layout.Name));
        view->SetColumnWidths(layout.Widths);
        view->SetRowSelect(layout.RowSelect);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->OnMouseMove = [view] { view->setFocus(); };
        FViews[layout.Grid] = view;
        FTableStack->addWidget(view);
    }
    // The five attribute tables: a double click switches edit mode, every
    // keystroke goes into the node.
    for (TStringGrid* grid :
         {&TableForChampionship, &TableForClass, &TableForTeam, &TableForCompetitor, &TableForTaskTemplate}) {
        TGridView* view = FViews[grid];
        view->OnDoubleClick = [this] { TableDblClick(); };
        view->OnEditText = [this](int col, int row, const QString& text) {
            TableForDescriptionSetEditText(col, row, text);
        };
    }
    FViews[&TableForMap]->OnDoubleClick = [this] { Editmapinformation1Click(); };
    FViews[&TableForTaskInstance]->OnDoubleClick = [this] { TableForTaskInstanceClick(); };
    FViews[&TableForTaskInstance]->OnSelectCell = [this](int col, int row) { TableForTrackSelectCell(col, row); };
    FViews[&TableForTrack]->OnSelectCell = [this](int col, int row) { TableForTrackSelectCell(col, row); };
}

void TZephyrant::BuildMenus()
{
    TreeMenu = new QMenu(this);
    TreeMenu->setObjectName(QStringLiteral("TreeMenu"));
    TreeMenuNew = TreeMenu->addAction(QStringLiteral("New"));
    TreeMenuNew->setObjectName(QStringLiteral("TreeMenuNew"));
    TreeMenuOpen = TreeMenu->addAction(QStringLiteral("Open"));
    TreeMenuOpen->setObjectName(QStringLiteral("TreeMenuOpen"));
    TreeMenuDelete = TreeMenu->addAction(QStringLiteral("Delete"));
    TreeMenuDelete->setObjectName(QStringLiteral("TreeMenuDelete"));
    connect(TreeMenuNew, &QAction::triggered, this, GuardedSlot([this](bool) { TreeMenuNewClick(); }));
    connect(TreeMenuOpen, &QAction::triggered, this, GuardedSlot([this](bool) { TreeMenuOpenClick(); }));
    connect(TreeMenuDelete, &QAction::triggered, this, GuardedSlot([this](bool) { TreeMenuDeleteClick(); }));

    // A menu of a table: its actions also answer their shortcuts while the
    // table has the focus (ahead of the table's own keys, Ctrl+A included).
    auto menuOf = [this](TStringGrid* grid, const char* name) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromUtf8(name));
        TGridView* view = FViews[grid];
        connect(view, &QWidget::customContextMenuRequested, this,
                [menu, view](const QPoint& at) { menu->popup(view->viewport()->mapToGlobal(at)); });
        return menu;
    };
    auto item = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys,
                       auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromUtf8(name));
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        connect(action, &QAction::triggered, this, GuardedSlot([this, handler](bool) { handler(this); }));
        return action;
    };
    auto copyItem = [&](QMenu* menu, const char* name) {
        return item(menu, name, QStringLiteral("Copy to Clipboard"), QKeySequence(Qt::CTRL | Qt::Key_Insert),
                    [](TZephyrant* self) { self->CopytoClipboard1Click(); });
    };

    MenuDefault = new QMenu(this);
    MenuDefault->setObjectName(QStringLiteral("MenuDefault"));
    copyItem(MenuDefault, "CopytoClipboard5");
    for (TStringGrid* grid :
         {&TableForChampionship, &TableForClass, &TableForTeam, &TableForCompetitor, &TableForTaskTemplate}) {
        TGridView* view = FViews[grid];
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { MenuDefault->popup(view->viewport()->mapToGlobal(at)); });
        view->addActions(MenuDefault->actions());
    }

    MenuMap = menuOf(&TableForMap, "MenuMap");
    item(MenuMap, "Loadmap1", QStringLiteral("Load map"), {}, [](TZephyrant* self) { self->Loadmap1Click(); });
    item(MenuMap, "Editmapinformation1", QStringLiteral("Edit map information"), {},
         [](TZephyrant* self) { self->Editmapinformation1Click(); });
    copyItem(MenuMap, "CopytoClipboard2");

    MenuWaypoints = menuOf(&TableForWaypoints, "MenuWaypoints");
    item(MenuWaypoints, "NewWaypoint", QStringLiteral("New waypoint"), {},
         [](TZephyrant* self) { self->NewWaypointClick(); });
    item(MenuWaypoints, "ImportWaypoints", QStringLiteral("Import waypoints"), {},
         [](TZephyrant* self) { self->ImportWaypointsClick(); });
    item(MenuWaypoints, "EditWaypoint", QStringLiteral("Edit waypoint"), {},
         [](TZephyrant* self) { self->EditWaypointClick(); });
    item(MenuWaypoints, "DeleteWaypoint", QStringLiteral("Delete waypoint"), {},
         [](TZephyrant* self) { self->DeleteWaypointClick(); });
    copyItem(MenuWaypoints, "CopytoClipboard3");

    MenuGeoref = menuOf(&TableForGeoref, "MenuGeoref");
    item(MenuGeoref, "EditMapRef", QStringLiteral("Edit map reference"), {},
         [](TZephyrant* self) { self->EditMapRefClick(); });
    item(MenuGeoref, "DeleteMapRef", QStringLiteral("Delete map reference"), {},
         [](TZephyrant* self) { self->DeleteMapRefClick(); });
    copyItem(MenuGeoref, "CopytoClipboard4");

    MenuTaskInstance = menuOf(&TableForTaskInstance, "MenuTaskInstance");
    item(MenuTaskInstance, "ChangeTaskInstanceName", QStringLiteral("Change name"), {},
         [](TZephyrant* self) { self->ChangeTaskInstanceNameClick(); });
    copyItem(MenuTaskInstance, "CopyToClipboard");

    MenuTrack = menuOf(&TableForTrack, "MenuTrack");
    Viewtrackpoints = item(MenuTrack, "Viewtrackpoints", QStringLiteral("View track points"),
                           QKeySequence(Qt::CTRL | Qt::Key_P), [](TZephyrant* self) {
                               const int index = self->CurrentPointIndex();
                               const bool on = self->Viewtrackpoints->isChecked();
                               View().ShowPoints = on;
                               const QSignalBlocker block(self->ToolButtonShowPoints);
                               self->ToolButtonShowPoints->setChecked(on);
                               self->RefillTrackTable(index);
                           });
    Viewevents = item(MenuTrack, "Viewevents", QStringLiteral("View events"), QKeySequence(Qt::CTRL | Qt::Key_E),
                      [](TZephyrant* self) {
                          const int index = self->CurrentPointIndex();
                          const bool on = self->Viewevents->isChecked();
                          View().ShowEvents = on;
                          const QSignalBlocker block(self->ToolButtonShowEvents);
                          self->ToolButtonShowEvents->setChecked(on);
                          self->RefillTrackTable(index);
                      });
    Viewtrackpoints->setCheckable(true);
    Viewtrackpoints->setChecked(true);
    Viewevents->setCheckable(true);
    Viewevents->setChecked(true);

    Viewselectedevents = MenuTrack->addMenu(QStringLiteral("Select events"));
    Viewselectedevents->setObjectName(QStringLiteral("Viewselectedevents"));
    Viewselectedevents->menuAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Viewselectedevents->menuAction()->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(Viewselectedevents->menuAction(), &QAction::triggered, this, [this] {
        TGridView* view = FViews[&TableForTrack];
        Viewselectedevents->popup(view->viewport()->mapToGlobal(QPoint(0, 0)));
    });
    struct TFilterItem {
        const char* Name;
        const char* Caption;
        bool Checked;
    };
    const TFilterItem filters[] = {
        {"Turnpoint", "Turn point", true},
        {"TurnpointEnterExit", "Turn point - Enter/Exit", false},
        {"TurnpointBestapproximation", "Turn point - Best approximation", false},
        {"TurnpointMaximumdistance", "Turn point - Maximum distance", false},
        {"Gate", "Gate", true},
        {"GateInverse", "Gate - Inverse", false},
        {"Gatebestapproximation", "Gate - Best approximation", false},
        {"Leg", "Leg", true},
        {"LegEnterExit", "Leg - Enter/Exit", false},
        {"Intersectionwithowntrack", "Track - Intersection with own track", false},
        {"Highacceleration", "Track - High acceleration", false},
        {"IgcEvents", "IGC events (including Pilot Event)", true},
    };
    for (const TFilterItem& filter : filters) {
        QAction* action = item(Viewselectedevents, filter.Name, QString::fromUtf8(filter.Caption), {},
                               [](TZephyrant* self) { self->UpdateEventFilter(); });
        action->setCheckable(true);
        action->setChecked(filter.Checked);
        EventFilterItems.push_back(action);
    }
    auto setAll = [](TZephyrant* self, bool on) {
        const int index = self->CurrentPointIndex();
        View().EventMask = on ? 0xFFFFFFFFu : 0u;
        for (QAction* action : self->EventFilterItems) action->setChecked(on);
        self->RefillTrackTable(index);
    };
    Selectallevents1 = item(MenuTrack, "Selectallevents1", QStringLiteral("Select all events"),
                            QKeySequence(Qt::CTRL | Qt::Key_A), [setAll](TZephyrant* self) { setAll(self, true); });
    Deselectallevents1 =
        item(MenuTrack, "Deselectallevents1", QStringLiteral("De-select all events"), QKeySequence(Qt::CTRL | Qt::Key_D),
             [setAll](TZephyrant* self) { setAll(self, false); });
    copyItem(MenuTrack, "CopytoClipboard1");
    item(MenuTrack, "CopypointTimetoclipboard1", QStringLiteral("Copy point Time to clipboard"),
         QKeySequence(Qt::CTRL | Qt::Key_T), [](TZephyrant* self) { self->CopypointTimetoclipboard1Click(); });

    // The actions with shortcuts act while their table has the focus.
    for (auto [grid, menu] : {std::pair{&TableForMap, MenuMap}, std::pair{&TableForWaypoints, MenuWaypoints},
                              std::pair{&TableForGeoref, MenuGeoref}, std::pair{&TableForTaskInstance, MenuTaskInstance},
                              std::pair{&TableForTrack, MenuTrack}}) {
        FViews[grid]->addActions(menu->actions());
        if (menu == MenuTrack) FViews[grid]->addActions(Viewselectedevents->actions());
    }

    // The tool bar's Pnts and Evts mirror the two track menu items.
    auto mirror = [this](QAction* button, QAction* menuItem, bool TMapWindow::*flag) {
        connect(button, &QAction::triggered, this, GuardedSlot([this, button, menuItem, flag](bool) {
                    const bool on = button->isChecked();
                    View().*flag = on;
                    menuItem->setChecked(on);
                    if (CurrentNodeData && CurrentNodeData->NodeType() == ntFlight)
                        static_cast<TFlight*>(static_cast<TChampNode*>(CurrentNodeData))->FillGrid(&TableForTrack);
                }));
    };
    mirror(ToolButtonShowPoints, Viewtrackpoints, &TMapWindow::ShowPoints);
    mirror(ToolButtonShowEvents, Viewevents, &TMapWindow::ShowEvents);
}

void TZephyrant::BuildStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    for (int i = 0; i < 5; ++i) {
        StatusPanels[i] = new QLabel(EmptyPanelText(i));
        StatusPanels[i]->setFrameShape(QFrame::Panel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(StatusPanels[i]);
    }
    // However small the window is made, no text is cut and no panel covers
    // the next: the panels bound its width (Qt's status bar ignores them).
    statusBar()->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    FitStatusPanels();
}

QString TZephyrant::EmptyPanelText(int panel)
{
    static const char* const texts[5] = {" Win:", " Map:", " Grd:", " Geo:", " Datum: "};
    return QString::fromUtf8(texts[panel]);
}

void TZephyrant::FitStatusPanels()
{
    // Each panel is as wide as its longest text needs in the font in use
    // (and never narrower than its width in the classic layout), so no
    // position is cut and the panels do not move while the mouse does. The
    // datum's panel grows with the name it shows.
    static const int widths[5] = {100, 150, 180, 220, 200};
    const QString win = QStringLiteral(" Win:  -00000  -00000");
    const QString bitmap = ToQt(FormatNumber("0.00", -99999.99));
    const QString map = QStringLiteral(" Map:  ") + bitmap + QStringLiteral("  ") + bitmap;
    QStringList grids;
    for (const char* zone : {"60W", "60M"})
        grids << QStringLiteral(" Grd:  ") + ToQt(FormatNumber("0 00 000", 999999)) + QStringLiteral("E  ") +
                     ToQt(FormatNumber("00 00 000", 9999999)) + QStringLiteral("N  ") + QString::fromUtf8(zone);
    QStringList geos;
    for (double lat : {-1.55, 1.55})
        for (double lon : {-3.1, 3.1})
            geos << QStringLiteral(" Geo: ") + ToQt(FormatAngle(lat, 11)) + QLatin1Char(' ') + ToQt(FormatAngle(lon, 19));
    const QStringList longest[4] = {{win}, {map}, grids, geos};
    for (int i = 0; i < 5; ++i) {
        QLabel* panel = StatusPanels[i];
        const QString text = panel->text();
        int width = widths[i];
        for (const QString& sample : i < 4 ? longest[i] : QStringList{EmptyPanelText(i)}) {
            panel->setText(sample);
            width = std::max(width, panel->sizeHint().width());
        }
        panel->setText(text);
        if (i < 4)
            panel->setFixedWidth(width);
        else
            FDatumPanelWidth = width;
    }
    FitDatumPanel();
}

void TZephyrant::FitDatumPanel()
{
    QLabel* panel = StatusPanels[4];
    panel->setMinimumWidth(std::max(FDatumPanelWidth, panel->sizeHint().width()));
    // The status bar holds its panels in an inner layout that measures them
    // again only when the bar is next laid out (at the window's showing, or
    // later): until then its hint gives the widths they had before.
    if (QLayout* layout = statusBar()->layout()) {
        layout->invalidate();
        layout->activate();
    }
    // The window is never made wider than its screen for the status bar's
    // sake: on a screen too narrow for every text, the last panel is cut
    // rather than the window and its tool bar. The frame counts with the
    // sides it has in the normal state, also while the window is maximised
    // (a frame without sides) or not yet framed.
    const int need = statusBar()->minimumSizeHint().width();
    const QScreen* shown = screen();
    if (!shown) {
        setMinimumWidth(need);
        return;
    }
    const std::optional<TNativeFrame> now = ReadNativeFrame(*this);
    if (now && !now->Whole) FFrameSides = std::max(FFrameSides, now->Frame.left() + now->Frame.right());
    const QRect room = now ? now->Room : NativeRoom(*shown, QRect());
    setMinimumWidth(std::min(need, qFloor((room.width() - FFrameSides) / shown->devicePixelRatio())));
}

QString TZephyrant::StatusText(int panel) const
{
    return panel >= 0 && panel < 5 ? StatusPanels[panel]->text() : QString();
}

void TZephyrant::InstallHooks()
{
    // "lastmap" names a map as the file holds it, whatever was renamed since.
    View().SavedName = [this](const TMap* map) {
        const auto saved = FSavedMapNames.find(map);
        return saved == FSavedMapNames.end() ? std::string() : saved->second;
    };
    FSavedHooks = Hooks();
    THooks& hooks = Hooks();
    hooks.ActivateTable = [](TStringGrid* grid, TNodeDescription* node) { UserInterface.ActivateTable(grid, node); };
    hooks.ShowMessage = [](const std::string& text) { ShowInformation(ToQt(text)); };
    hooks.AskYesNo = [](const std::string& text) { return AskYesNo(ToQt(text)); };
    hooks.AskCancelIgnore = [](const std::string& text) {
        return AskCancelIgnore(ToQt(text)) == TButton::Ignore ? drIgnore : drCancel;
    };
    hooks.OpenWithDesktop = [](const std::string& path) { return OpenWithDesktop(PathToQt(path)); };
    hooks.NodeDeleting = [this](TChampNode* node) { NodeDeleting(node); };
    hooks.FlightTableFilter = [] {
        return TFlightTableFilter{View().ShowPoints, View().ShowEvents, View().EventMask};
    };
    // Logs, "lastmap" and the Google Earth files live beside the open
    // championship, wherever the program was started from.
    hooks.WorkingFolder = [this] {
        if (!FWorkingFolder.empty()) return FWorkingFolder;
        std::error_code error;
        return std::filesystem::current_path(error).string();
    };
}

void TZephyrant::CopyViewFlags()
{
    TMapWindow& view = View();
    view.ShowMap = ToolButtonShowMap->isChecked();
    view.ShowGrid = ToolButtonShowGrid->isChecked();
    view.ShowWpt = ToolButtonShowWpt->isChecked();
    view.ShowTask = ToolButtonShowTask->isChecked();
    view.ShowFlight = ToolButtonShowFlight->isChecked();
    view.ShowPoints = ToolButtonShowPoints->isChecked();
    view.ShowEvents = ToolButtonShowEvents->isChecked();
    view.SyncView = ToolButtonSyncView->isChecked();
    view.AutoMove = ToolButtonAutoMove->isChecked();
}

TStringGrid* TZephyrant::TableFor(int nodeType)
{
    switch (nodeType) {
    case ntChampionship: return &TableForChampionship;
    case ntCompetitor: return &TableForCompetitor;
    case ntTeam: return &TableForTeam;
    case ntClass: return &TableForClass;
    case ntTaskTemplate: return &TableForTaskTemplate;
    case ntTaskInstance: return &TableForTaskInstance;
    case ntFlight: return &TableForTrack;
    case ntMap: return &TableForMap;
    case ntWayPointSet: return &TableForWaypoints;
    case ntGeoref: return &TableForGeoref;
    default: return nullptr;
    }
}

TGridView* TZephyrant::ViewOf(const TStringGrid* grid) const
{
    auto it = FViews.find(grid);
    return it == FViews.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------- window events

bool TZephyrant::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && FFirstActivate) {
        FFirstActivate = false;
        // Once closed, the splash stays closed.
        if (Splash && !Splash->Closed()) Splash->show();
    }
    const bool result = QMainWindow::event(event);
    // Another font or style: the panels are measured again.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) FitStatusPanels();
    return result;
}

bool TZephyrant::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (eventType == "xcb_generic_event_t") {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int type = event->response_type & ~0x80;
        if (type == XCB_PROPERTY_NOTIFY) {
            // Maximised or restored; framed anew.
            const xcb_atom_t atom = reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom;
            const auto& atoms = WmAtoms(XConnection());
            if (atom == atoms[waState] || (FFollowFrame && atom == atoms[waFrameExtents])) NoteFrame();
        } else if (type == XCB_CONFIGURE_NOTIFY && FFollowFrame) {
            NoteFrame(); // placed or sized
        }
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}

void TZephyrant::NoteFrame()
{
    // Read at once, while the event is at hand: maximised and restored again
    // at once, the window would else never be seen maximised.
    const std::optional<TNativeFrame> now = ReadNativeFrame(*this);
    if (!now) return;
    if (now->Whole) {
        FWholeClient = now->Client;
        FFollowFrame = true;
    } else if (FFollowFrame && !FFollowQueued) {
        // Judged once the events at hand are handled: the window manager
        // sends several for one change.
        FFollowQueued = true;
        QMetaObject::invokeMethod(this, [this] { FollowFrame(); }, Qt::QueuedConnection);
    }
}

void TZephyrant::FollowFrame()
{
    FFollowQueued = false;
    const std::optional<TNativeFrame> now = ReadNativeFrame(*this);
    if (!now || now->Whole || now->Hidden || !FFollowFrame) return;
    // The window manager restores a window in steps (its frame, its state,
    // its place, its size), and the X server may be read between them:
    // judged before its frame has sides again (as its normal frame has) or
    // while it still has the size it had maximised, a window would seem not
    // to fit and lose the size given back.
    const QMargins& sides = now->Frame;
    if (!(sides.left() || sides.right() || sides.bottom()) || now->Client.size() == FWholeClient.size()) return;
    FFollowFrame = false;
    // The least width is bounded by the normal frame, known now (and the
    // status bar shows its size grip again): the window may grow to it.
    FitDatumPanel();
    const QRect client(now->Client.topLeft(), now->Client.size().expandedTo(minimumSize() * devicePixelRatioF()));
    // A size and place that lie on the screen's free area are the
    // organiser's (or the window manager's) and stay.
    const QRect frame = client.marginsAdded(sides);
    const QRect& room = now->Room;
    if (room.contains(frame)) return;
    const QSize around(sides.left() + sides.right(), sides.top() + sides.bottom());
    QRect placed(frame.topLeft(), client.size().boundedTo(room.size() - around) + around);
    placed.moveRight(std::min(placed.right(), room.right()));
    placed.moveBottom(std::min(placed.bottom(), room.bottom()));
    placed.moveLeft(std::max(placed.left(), room.left()));
    placed.moveTop(std::max(placed.top(), room.top()));
    QRect fitted = LogicalInside(placed.marginsRemoved(sides), *screen());
    fitted.setSize(fitted.size().expandedTo(minimumSize()));
    setGeometry(fitted);
}

bool TZephyrant::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Graf && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint p = wheel->position().toPoint();
        bool handled = false;
        Guarded([&] { handled = MapWheel(wheel->angleDelta().y(), p.x(), p.y()); });
        if (handled) {
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TZephyrant::MapWheel(int angleDeltaY, int x, int y)
{
    // Touchpads send small and sideways deltas: only the vertical part
    // counts, gathered to whole steps of 120.
    if (angleDeltaY == 0) return false;
    if (x < 0 || y < 0 || x > Graf->width() || y > Graf->height()) return false;
    FWheelRest += angleDeltaY;
    while (FWheelRest >= 120 || FWheelRest <= -120) {
        if (FWheelRest > 0) {
            View().ZoomIn(x, y);
            FWheelRest -= 120;
        } else {
            View().ZoomOut(x, y);
            FWheelRest += 120;
        }
        if (!PaintTimer->isActive()) PaintTimer->start();
    }
    return true;
}

void TZephyrant::ZoomMoreClick()
{
    View().ZoomIn(Graf->width() / 2, Graf->height() / 2);
    if (!PaintTimer->isActive()) PaintTimer->start();
}

void TZephyrant::ZoomLessClick()
{
    View().ZoomOut(Graf->width() / 2, Graf->height() / 2);
    if (!PaintTimer->isActive()) PaintTimer->start();
}

void TZephyrant::ToolButtonScaleOneClick()
{
    View().SetScale(Graf->width() / 2, Graf->height() / 2, 1.0);
}

void TZephyrant::PaintTimerTimer()
{
    PaintTimer->stop();
    View().Redraw();
}

void TZephyrant::closeEvent(QCloseEvent* event)
{
    bool close = false;
    Guarded([&] {
        TChampionship* championship = FSnapshotOf ? const_cast<TChampionship*>(FSnapshotOf) : nullptr;
        if (championship && UserInterface.Championships.contains(championship) && Modified()) {
            // The file that Save will propose, by its full name.
            const TFileRequest request = SaveRequest(championship);
            const TButton answer = AskSaveDiscardCancel(QStringLiteral("Save changes to ") +
                                                        QDir(request.Directory).filePath(request.Proposed) +
                                                        QLatin1Char('?'));
            if (answer == TButton::Cancel) return;
            if (answer == TButton::Save) {
                // Closing goes on only when the championship is safe.
                SaveChampionship(championship);
                close = !Modified();
                return;
            }
            close = true;
            return;
        }
        close = AskYesNo(QStringLiteral("Do you really want to quit?"));
    });
    if (close) {
        EndTableEdit();
        event->accept();
    } else {
        event->ignore();
    }
}

// ---------------------------------------------------------------- file commands

void TZephyrant::SetChampionshipButtons()
{
    ToolButtonOpenChamp->setEnabled(false);
    ToolButtonNewChamp->setEnabled(false);
    ToolButtonSaveChamp->setEnabled(true);
}

void TZephyrant::SetWorkingFolder(const TChampionship* championship)
{
    FWorkingFolder = PathFromQt(ChampionshipFolder(championship));
}

namespace {

// The championship's text as Save would write it; none when the writer
// refuses it.
std::optional<std::string> ChampionshipText(const TChampionship* championship)
{
    try {
        TXmlOutput out;
        const_cast<TChampionship*>(championship)->WriteXml(out);
        return out.Text();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

void TZephyrant::TakeSnapshot()
{
    FSnapshotOf = nullptr;
    FSnapshot.reset();
    FSavedMapNames.clear();
    for (TChampionship* championship : UserInterface.Championships) {
        FSnapshotOf = championship;
        FSnapshot = ChampionshipText(championship);
        for (const TMap* map : championship->Maps) FSavedMapNames[map] = map->GetAttribute(acShortName);
    }
}

bool TZephyrant::Modified() const
{
    if (!FSnapshotOf || !UserInterface.Championships.contains(const_cast<TChampionship*>(FSnapshotOf))) return false;
    // What cannot be written cannot be compared either: ask.
    const std::optional<std::string> now = ChampionshipText(FSnapshotOf);
    return !FSnapshot || !now || *now != *FSnapshot;
}

void TZephyrant::MenuNewChampClick()
{
    auto championship = std::make_unique<TChampionship>();
    championship->SetAttribute(acShortName, "New Championship");
    UserInterface.AddChampionship(championship.get());
    TChampionship* added = championship.release();
    SetChampionshipButtons();
    added->FillTree(&ChampTree);
    TakeSnapshot();
}

void TZephyrant::MenuOpenChampClick()
{
    TFileRequest request;
    request.Mode = TFileMode::Open;
    request.Title = QStringLiteral("Open championship file");
    request.Filter = FilterToQt(QStringLiteral("Championship files (*.xch)|*.xch|All files (*.*)|*.*"));
    request.DefaultSuffix = QStringLiteral("xch");
    request.Directory = PathToQt(Platform::WorkingFolder());
    const std::optional<QString> file = ChooseFile(request);
    if (file) OpenChamp(*file);
}

void TZephyrant::OpenChamp(const QString& fileName)
{
    auto championship = std::make_unique<TChampionship>(PathFromQt(fileName));
    UserInterface.AddChampionship(championship.get());
    TChampionship* added = championship.release();
    // From here the championship is open: Save must work whatever follows.
    SetChampionshipButtons();
    SetWorkingFolder(added);
    added->FillTree(&ChampTree);
    TakeSnapshot();

    // Only a small regular file: a FIFO of that name would wait for a
    // writer for ever, here and at the program's start.
    std::string name;
    if (ReadRegularFile(Platform::WorkingFolder() + "/lastmap", 64 << 10, name)) {
        name = name.substr(0, std::min(name.find('\n'), std::size_t{79}));
        while (!name.empty() && name.back() == '\r') name.pop_back();
        TMap* map = added->FindMap(name);
        // A map that does not load is reported by itself; the championship
        // stays open without a map.
        if (map) Guarded([&] { LoadMap(map); });
        UserInterface.SetCurrentMap(View().Map == map ? map : nullptr);
    }
}

namespace {

// Keeps the file about to be replaced under its name, a dot and the time of
// its last change ("yyyymmddhhnnss", then ".1", ".2"... when that name is
// taken): a second link to it, or a copy where the file system has no
// links or where the file is written through (a link would take the new
// text too). True when it is kept or there is none; otherwise the user
// decides, and `mayReplace` is asked again once the box is gone.
bool KeepBackup(const std::string& target, bool writtenThrough, const std::function<bool()>& mayReplace)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) return true;
    const QString stamp =
        QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec).toString(QStringLiteral("yyyyMMddhhmmss"));
    std::string backup;
    for (int n = 0; n < 1000; ++n) {
        backup = target + "." + FromQt(stamp) + (n ? "." + std::to_string(n) : std::string());
        if (!writtenThrough) {
            if (::link(target.c_str(), backup.c_str()) == 0) return true;
            if (errno == EEXIST) continue;
        }
        if (CopyFileAs(target, backup)) return true;
        if (errno != EEXIST) break;
    }
    return AskYesNo(QStringLiteral("Can't keep a copy of ") + PathToQt(target) + QStringLiteral(" as ") +
                    PathToQt(backup) + QStringLiteral(". Save without a backup?")) &&
           mayReplace();
}

// The folder takes no new file: neither the new text beside the file nor a
// backup. The user decides whether the file itself gets the text.
bool AskWriteInPlace(const std::string& target)
{
    const QString file = PathToQt(target);
    const QString folder = PathToQt(std::filesystem::path(target).parent_path().string());
    return AskYesNo(QStringLiteral("Can't create a file in the folder %1, so %2 can't be replaced safely and no copy "
                                   "of it can be kept. Write the new text into %2 itself, without a backup?")
                        .arg(folder, file));
}

// A file name the championship keeps, as it was before a Save.
struct TNamedFile {
    TChampNode* Node;
    TAttributeCode Code;
    std::string Before;
};

// Every name the championship keeps of a file (a flight's log, a map's
// bitmap) renamed to lead from the real folder `to` to where it led, as the kernel
// resolves both, whether or not the file is there today (a stick not
// mounted); what was renamed goes into `renamed`. False, with a word and
// nothing renamed, when the championship file could not keep such a name.
bool NameFilesFrom(TChampionship* championship, const std::string& to, std::vector<TNamedFile>& renamed)
{
    // A championship without a file of its own names files from the
    // working folder.
    const std::string& own = championship->Folder();
    if (to == (own.empty() ? RealFolderOf(Platform::WorkingFolder() + "/") : own)) return true;
    std::vector<std::pair<TChampNode*, TAttributeCode>> named;
    for (TMap* map : championship->Maps) named.emplace_back(map, acMapFile);
    for (TCClass* cls : championship->Classes)
        for (TTaskNumber* taskNumber : cls->TaskNumbers)
            if (const auto* flights = cls->FindFlights(taskNumber))
                for (TFlight* flight : *flights) named.emplace_back(flight, acIgcFileName);
    std::vector<std::pair<TNamedFile, std::string>> changes;
    for (const auto& [node, code] : named) {
        const std::string& name = node->GetAttribute(code);
        if (name.empty() || (code == acIgcFileName && name == "DNF")) continue;
        const QString moved = PathToQt(RelativePath(to, championship->FileSystemPath(name)));
        const QString field = ToQt(node->DisplayName() + ": " + AttributeNames.Label(code)) + QStringLiteral(" \"") +
                              moved + QLatin1Char('"');
        const QString refusal = code == acIgcFileName && moved == QStringLiteral("DNF")
                                    ? field + QStringLiteral(" would mean that the competitor did not fly.")
                                    : TextRefusal(field, moved, TKeptAs::FileName);
        if (!refusal.isEmpty()) {
            ShowError(refusal + QStringLiteral("\nNothing was saved: save into another folder."));
            return false;
        }
        if (FileNameFromQt(moved) != name) changes.push_back({{node, code, name}, FileNameFromQt(moved)});
    }
    for (const auto& [file, name] : changes) {
        file.Node->SetAttribute(file.Code, name);
        renamed.push_back(file);
    }
    return true;
}

} // namespace

bool TZephyrant::SaveTo(TChampionship* championship, const QString& fileName)
{
    // Another organiser (or program) saved it since it was read or saved
    // here: replacing it would drop their work without a word. Asked first,
    // and again right before the write should it be written once more while
    // a question of this save is open.
    const std::string path = PathFromQt(fileName);
    std::optional<TChampionship::TFileState> agreed;
    auto mayReplace = [&] {
        if (!championship->ChangedSinceKnown(path)) return true;
        TChampionship::TFileState now = TChampionship::StateOf(path);
        if (agreed && *agreed == now) return true;
        if (!AskYesNo(fileName + QStringLiteral(" was changed since it was opened here, by another program or another "
                                                "organiser's save. Saving replaces what it holds now. Save all the same?")))
            return false;
        agreed = std::move(now);
        return true;
    };
    if (!mayReplace()) return false;
    // The file it was opened from holds more than was loaded: replacing it
    // would lose that part for good.
    const bool fuller = championship->IsFullerFile(path);
    if (fuller &&
        !AskYesNo(fileName + QStringLiteral(" holds more than was loaded from it: ") +
                  ToQt(championship->Unloaded()) +
                  QStringLiteral(" was not loaded, and saving replaces the whole file. Save all the same?")))
        return false;
    // Saved into another folder, the names of logs and bitmaps lead from
    // there, in the text written and from then on; they are put back when
    // nothing is saved.
    std::vector<TNamedFile> renamed;
    if (!NameFilesFrom(championship, RealFolderOf(path), renamed)) return false;
    auto putBack = [&renamed] {
        for (const TNamedFile& file : renamed) file.Node->SetAttribute(file.Code, file.Before);
    };
    // The new text is on disk beside the file (the last of a chain of links)
    // before the old one is kept and replaced: whatever fails, the file stays
    // as it was.
    bool saved = false;
    try {
        saved = championship->Save(path, [&](const std::string& final, bool writtenThrough) {
            return mayReplace() && KeepBackup(final, writtenThrough, mayReplace);
        }, [&](const std::string& final) { return AskWriteInPlace(final) && mayReplace(); });
    } catch (const TException& e) {
        putBack();
        // A write into the file itself that failed is this program's own.
        if (!agreed) championship->KnowFileAgain(path);
        if (e.WhatText() == TXmlOutput::WrittenInPart)
            ShowError(ToQt(e.Message()) + QStringLiteral("\nSave again: ") + fileName +
                      QStringLiteral(" may hold only part of the text."));
        else
            ShowError(ToQt(e.Message()) + QStringLiteral("\nNothing was saved: ") + fileName +
                      QStringLiteral(" is as it was."));
        return false;
    }
    if (!saved) {
        putBack();
        return false;
    }
    if (fuller) championship->ForgetFullerFile();
    championship->SetFileName(path);
    championship->KnowFile(path);
    SetWorkingFolder(championship);
    TakeSnapshot();
    if (auto* map = static_cast<TMap*>(ShownNode(ntMap))) map->FillGrid(&TableForMap);
    // "lastmap" names the loaded map as the file now holds it, beside the
    // file.
    if (View().Map && View().Map->Owner() == championship) View().KeepLastMap();
    return true;
}

TFileRequest TZephyrant::SaveRequest(const TChampionship* championship) const
{
    TFileRequest request;
    request.Mode = TFileMode::Save;
    request.Title = QStringLiteral("Save championship file");
    request.Filter = FilterToQt(QStringLiteral("Championship files (*.xch)|*.xch|All files (*.*)|*.*"));
    request.DefaultSuffix = QStringLiteral("xch");
    request.Directory = PathToQt(Platform::WorkingFolder());
    request.Proposed = ToQt(championship->KeyValue() + ".xch");
    // A folder written on a system whose names ignore case may hold the
    // championship as "demo.xch" for the short name "DEMO": that file is the
    // one meant, not a new "DEMO.xch" beside it.
    QString differingInCase;
    const QStringList names = QDir(request.Directory).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        if (name == request.Proposed) return request;
        if (differingInCase.isEmpty() && name.compare(request.Proposed, Qt::CaseInsensitive) == 0)
            differingInCase = name;
    }
    if (!differingInCase.isEmpty()) request.Proposed = differingInCase;
    return request;
}

void TZephyrant::MenuSaveChampClick()
{
    // The championship of the node the table shows.
    if (TChampionship* championship = UserInterface.ActiveChampionship()) SaveChampionship(championship);
}

void TZephyrant::SaveChampionship(TChampionship* championship)
{
    const std::optional<QString> file = ChooseFile(SaveRequest(championship));
    if (!file) return;
    EndTableEdit();
    SaveTo(championship, *file);
}

void TZephyrant::ToolButtonCloseChampClick()
{
    TChampionship* championship = UserInterface.ActiveChampionship();
    if (!championship) return;
    EndTableEdit();
    championship->RemoveTreeRoot(&ChampTree);
    UserInterface.DeleteChampionship(championship);
    UserInterface.ActiveNode = nullptr;
    UserInterface.CurrentMap = nullptr;
    UserInterface.ClearFlight();
    UserInterface.CurrentTaskInstance = nullptr;
    View().Map = nullptr;
    CurrentTreeNode = nullptr;
    CurrentNodeData = nullptr;
    FCaptionNode = nullptr;
    FCaptionChampionship = nullptr;
    delete championship;
}

void TZephyrant::LoadMap(TMap* map)
{
    if (!map) return;
    TBusyCaption busy(this, QStringLiteral(" LOADING MAP..."));
    View().LoadMap(map, Graf);
    // No position on the new map until the mouse moves over it.
    StatusPanels[2]->setText(EmptyPanelText(2));
    StatusPanels[3]->setText(EmptyPanelText(3));
    ShowDatumPanel();
    // The track is drawn on the map the view shows.
    if (UserInterface.CurrentFlight) UserInterface.SetFlight(UserInterface.CurrentFlight);
    View().Redraw();
}

void TZephyrant::Loadmap1Click()
{
    if (auto* map = static_cast<TMap*>(ShownNode(ntMap))) LoadMap(map);
}

// ---------------------------------------------------------------- tree

TChampionship* TZephyrant::ChampionshipOf(const TTreeItem* item) const
{
    while (item && item->Parent()) item = item->Parent();
    return item ? dynamic_cast<TChampionship*>(item->Object()) : nullptr;
}

TChampNode* TZephyrant::ShownNode(int nodeType) const
{
    auto* node = dynamic_cast<TChampNode*>(UserInterface.ActiveNode);
    return node && node->NodeType() == nodeType ? node : nullptr;
}

void TZephyrant::ShowTable(TStringGrid* grid, TChampNode* node)
{
    node->FillGrid(grid);
}

void TZephyrant::TreeChampChanging(TTreeItem* item)
{
    EndTableEdit();
    CurrentTreeNode = item;
    CurrentNodeData = item ? item->Object() : nullptr;
    if (!CurrentNodeData) return;
    TStringGrid* table = TableFor(CurrentNodeData->NodeType());
    CurrentTable = table;
    if (!table) return;
    auto* node = static_cast<TChampNode*>(CurrentNodeData);
    FCaptionNode = node;
    FCaptionChampionship = ChampionshipOf(item);
    UpdateCaption();
    ShowTable(table, node);
    switch (node->NodeType()) {
    case ntTaskInstance:
        UserInterface.CurrentTaskInstance = static_cast<TTaskInstance*>(node);
        View().Redraw();
        break;
    case ntFlight: FlightSelected(static_cast<TFlight*>(node)); break;
    case ntGeoref: View().Redraw(); break;
    default: break;
    }
    // A flight's log read on the way renamed it.
    UpdateCaption();
}

bool TZephyrant::BuildTreeMenu()
{
    TreeMenuNew->setVisible(false);
    TreeMenuOpen->setVisible(false);
    TreeMenuDelete->setVisible(false);
    if (!CurrentNodeData) return false;
    auto* node = static_cast<TChampNode*>(CurrentNodeData);
    const QString quoted = QuotedName(node);
    const QString deleteText = QStringLiteral("Delete ") + quoted;
    auto show = [](QAction* action, const QString& caption) {
        action->setText(caption);
        action->setVisible(true);
    };
    switch (node->NodeType()) {
    case ntCompetitor:
    case ntTeam:
    case ntClass:
    case ntTaskInstance: show(TreeMenuDelete, deleteText); break;
    case ntTaskTemplate:
        show(TreeMenuNew, QStringLiteral("New task instance"));
        show(TreeMenuDelete, deleteText);
        break;
    case ntTaskNumber: show(TreeMenuOpen, QStringLiteral("View loaded tracks in Google Earth")); break;
    case ntFlight:
        show(TreeMenuNew, QStringLiteral("New track for this flight"));
        show(TreeMenuOpen, QStringLiteral("View track in Google Earth"));
        break;
    case ntMap:
        show(TreeMenuOpen, QStringLiteral("Load ") + quoted);
        show(TreeMenuDelete, deleteText);
        break;
    case ntWayPointSet:
    case ntGeoref:
    case ntGeo:
    case ntTasks: return false;
    case ntClasses: show(TreeMenuNew, QStringLiteral("New class")); break;
    case ntTeams: show(TreeMenuNew, QStringLiteral("New team")); break;
    case ntTeamClass: {
        const TTreeItem* teamItem = CurrentTreeNode ? CurrentTreeNode->Parent() : nullptr;
        const TChampNode* team = teamItem ? teamItem->Object() : nullptr;
        const TChampNode* cls = RelatedOf(CurrentTreeNode);
        show(TreeMenuNew, QStringLiteral("New competitor in team \"") + ToQt(team ? team->KeyValue() : "") +
                              QStringLiteral("\" class \"") + ToQt(cls ? cls->KeyValue() : "") + QLatin1Char('"'));
        break;
    }
    case ntTaskCatalogue: show(TreeMenuNew, QStringLiteral("New task template")); break;
    case ntClassTasks: show(TreeMenuNew, QStringLiteral("New task number")); break;
    case ntMaps: show(TreeMenuNew, QStringLiteral("New map")); break;
    default: break;
    }
    // A menu without an item has no size: the window system never maps it,
    // while the toolkit would hold it as the open popup that takes every
    // later click. The championship's menu is such a one.
    return TreeMenuNew->isVisible() || TreeMenuOpen->isVisible() || TreeMenuDelete->isVisible();
}

void TZephyrant::AddChildNode(TChampNode* object)
{
    TTreeItem* item = ChampTree.AddChild(CurrentTreeNode, object->DisplayName(), object);
    ChampTree.Select(item);
}

namespace {

// A new object that its set did not take (another one has its key) is
// discarded with a word, and gets no tree item.
bool Refused(bool taken, TChampNode* object)
{
    if (taken) return false;
    ShowWarning(QuotedName(object) + QStringLiteral(" already exists."));
    delete object;
    return true;
}

} // namespace

void TZephyrant::AddFlightItems(TTreeItem* item)
{
    auto* taskNumber = static_cast<TTaskNumber*>(item->Object());
    if (!taskNumber->Class) return;
    if (const auto* flights = taskNumber->Class->FindFlights(taskNumber))
        for (TFlight* flight : *flights) ChampTree.AddChild(item, flight->DisplayName(), flight);
}

void TZephyrant::TreeMenuNewClick()
{
    if (!CurrentNodeData || !CurrentTreeNode) return;
    TChampionship* championship = ChampionshipOf(CurrentTreeNode);
    if (!championship) return;
    auto* node = static_cast<TChampNode*>(CurrentNodeData);
    switch (node->NodeType()) {
    case ntTaskTemplate: {
        const std::optional<QString> version =
            InputBox(QStringLiteral("Create task instance"), QStringLiteral("Version name"),
                     QStringLiteral("(New task instance)"));
        if (!version) return;
        if (const QString refusal = TextRefusal(QStringLiteral("Version name"), *version); !refusal.isEmpty()) {
            ShowWarning(refusal);
            return;
        }
        auto* taskTemplate = static_cast<TTaskTemplate*>(node);
        auto* instance = new TTaskInstance();
        // Under its template from the start, so that the refusal of a version
        // the template has names it as it would be.
        instance->Template = taskTemplate;
        instance->SetAttribute(acVersion, FromQt(*version));
        if (Refused(championship->AddTaskInstance(instance, taskTemplate), instance)) return;
        AddChildNode(instance);
        break;
    }
    case ntFlight: NewTrackForFlight(static_cast<TFlight*>(node)); break;
    case ntClasses: {
        auto* cls = new TCClass();
        if (Refused(championship->AddClass(cls), cls)) return;
        championship->AddClassToTree(&ChampTree, cls);
        break;
    }
    case ntTeams: {
        auto* team = new TTeam();
        if (Refused(championship->AddTeam(team), team)) return;
        championship->AddTeamToTree(&ChampTree, team);
        break;
    }
    case ntTeamClass: {
        auto* team = dynamic_cast<TTeam*>(CurrentTreeNode->Parent() ? CurrentTreeNode->Parent()->Object() : nullptr);
        auto* cls = dynamic_cast<TCClass*>(const_cast<TChampNode*>(RelatedOf(CurrentTreeNode)));
        if (!team || !cls) return;
        auto* competitor = new TCompetitor();
        if (Refused(championship->AddCompetitor(competitor, team, cls), competitor)) return;
        // With its flights under the class's task numbers.
        championship->AddCompetitorToTree(&ChampTree, competitor);
        break;
    }
    case ntTaskCatalogue: {
        auto* taskTemplate = new TTaskTemplate();
        if (Refused(championship->AddTaskTemplate(taskTemplate), taskTemplate)) return;
        AddChildNode(taskTemplate);
        break;
    }
    case ntClassTasks: {
        auto* cls = dynamic_cast<TCClass*>(const_cast<TChampNode*>(RelatedOf(CurrentTreeNode)));
        if (!cls || !DefineTaskNumber) return;
        DefineTaskNumber->Championship = championship;
        DefineTaskNumber->Class = cls;
        if (RunDialog(*DefineTaskNumber) != QDialog::Accepted) return;
        // Only with a number and a version: a task number without an
        // instance could not be analysed.
        if (DefineTaskNumber->NumberText().empty() || !DefineTaskNumber->ChosenInstance) return;
        auto* taskNumber = new TTaskNumber();
        taskNumber->Instance = DefineTaskNumber->ChosenInstance;
        taskNumber->SetAttribute(acNumber, DefineTaskNumber->NumberText());
        if (Refused(championship->AddTaskNumber(taskNumber, cls), taskNumber)) return;
        TTreeItem* folder = CurrentTreeNode;
        AddChildNode(taskNumber);
        // The flights are the class's own: one per competitor, made by the
        // class when it took the task number.
        for (TTreeItem* item = folder->FirstChild(); item; item = item->NextSibling())
            if (item->Object() == taskNumber) AddFlightItems(item);
        break;
    }
    case ntMaps: {
        if (!DefineMap) return;
        DefineMap->Folder = ChampionshipFolder(championship);
        if (RunDialog(*DefineMap) != QDialog::Accepted) return;
        auto* map = new TMap();
        CopyMapFields(map, DefineMap->Fields());
        if (Refused(championship->AddMap(map), map)) return;
        championship->AddMapToTree(&ChampTree, map);
        LoadMap(map);
        break;
    }
    default: break;
    }
}

void TZephyrant::TreeMenuOpenClick()
{
    if (!CurrentNodeData) return;
    switch (CurrentNodeData->NodeType()) {
    // Each export is the whole life of one writer: written, packed, opened.
    case ntTaskNumber: {
        KmlFile exporter(static_cast<TTaskNumber*>(static_cast<TChampNode*>(CurrentNodeData)));
        break;
    }
    case ntFlight: {
        KmlFile exporter(static_cast<TFlight*>(static_cast<TChampNode*>(CurrentNodeData)));
        break;
    }
    case ntMap: Loadmap1Click(); break;
    default: break;
    }
}

void TZephyrant::TreeMenuDeleteClick()
{
    if (!CurrentNodeData || !CurrentTreeNode) return;
    auto* node = static_cast<TChampNode*>(CurrentNodeData);
    if (node->IsAux()) return;
    TChampionship* championship = ChampionshipOf(CurrentTreeNode);
    if (!championship) return;
    const QString text = QuotedName(node);
    if (!node->CanDelete()) {
        ShowWarning(text + QStringLiteral(" is in use. Can't delete."));
        return;
    }
    if (!AskYesNo(QStringLiteral("Delete ") + text + QStringLiteral(" ?"))) return;
    EndTableEdit();
    ChampTree.Select(championship->FindTreeNode(&ChampTree));
    // The model tells the hook of every node that goes: the tree loses the
    // items that showed them, the user interface its pointers.
    if (!championship->DeleteNode(node)) ShowWarning(text + QStringLiteral(" can't be deleted."));
}

void TZephyrant::NodeDeleting(TChampNode* node)
{
    UserInterface.NodeDeleting(node);
    std::erase_if(CollectedNodes, [node](TTreeItem* item) { return item->Object() == node || RelatedOf(item) == node; });
    if (CurrentNodeData == node) {
        CurrentNodeData = nullptr;
        CurrentTreeNode = nullptr;
    }
    TChampionship::RemoveTreeItems(&ChampTree, node);
    if (CurrentTreeNode && !ChampTree.Selected()) CurrentTreeNode = nullptr;
    // The caption keeps the last name it showed.
    if (FCaptionNode == node) FCaptionNode = nullptr;
    if (FCaptionChampionship == node) {
        FCaptionChampionship = nullptr;
        FCaptionNode = nullptr;
    }
}

void TZephyrant::FollowDisplayNames()
{
    // A name is also shown inside others: a competitor's (and its team's key)
    // in its flights', an instance's and its template's in the task numbers'.
    // Those are made again before every item takes its object's name, and
    // the caption its node's.
    {
        TTreeUpdateLock lock(&ChampTree);
        for (int i = 0; i < ChampTree.Count(); ++i) {
            TTreeItem* item = ChampTree.ItemAt(i);
            TChampNode* object = item->Object();
            if (!object) continue;
            if (object->IsAux()) {
                if (const TChampNode* related = RelatedOf(item)) ChampTree.SetCaption(item, related->DisplayName());
                continue;
            }
            const TNodeType type = object->NodeType();
            if (type == ntFlight || type == ntTaskNumber || type == ntTaskInstance) object->UpdateName();
            ChampTree.SetCaption(item, object->DisplayName());
        }
    }
    UpdateCaption();
}

void TZephyrant::UpdateCaption()
{
    if (!FCaptionNode) return;
    QString caption = QStringLiteral("Zephyrant - ") + ToQt(FCaptionChampionship ? FCaptionChampionship->DisplayName() : "");
    if (FCaptionNode->NodeType() != ntChampionship) caption += QStringLiteral(" - ") + ToQt(FCaptionNode->DisplayName());
    setWindowTitle(caption);
}
