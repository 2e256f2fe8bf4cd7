// The main window's flight commands, table commands (attribute editing,
// event filter, clipboard) and the map, waypoint and reference commands with
// the status bar.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <cmath>

#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "geodesy/Datum.h"
#include "model/Championship.h"
#include "model/Class.h"
#include "platform/Exceptions.h"
#include "model/Team.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "ui/GridView.h"
#include "ui/MapWindow.h"
#include "ui/Program.h"
#include "ui/QtText.h"
#include "ui/Seams.h"
#include "ui/UDefineGeoref.h"
#include "ui/UDefineMap.h"
#include "ui/UDefineTaskInstance.h"
#include "ui/UDefineWayPoint.h"
#include "ui/USmallDialogs.h"
#include "ui/UZephyrant.h"
#include "ui/Userinterface.h"
#include "ui/WaypointImport.h"
#include "xml/Xmlfile.h"

namespace {

TMapWindow& View()
{
    return UserInterface.MapWindow;
}

// A table cell as a whole number; `fallback` when it is none.
int CellNumber(const TStringGrid& grid, int col, int row, int fallback)
{
    long long value = 0;
    if (!ParseInt(grid.Cell(col, row), value) || value < INT32_MIN || value > INT32_MAX) return fallback;
    return static_cast<int>(value);
}

std::string Trimmed(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

const std::string& NameOf(const TChampNode* node)
{
    static const std::string none;
    return node ? node->DisplayName() : none;
}

int RoundToInt(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e9) return 0;
    return static_cast<int>(std::lround(value));
}

} // namespace

// ---------------------------------------------------------------- flights

namespace {

// The names of a flight's logs: "<competitor>T<task number>*.igc".
QString IgcPattern(const TFlight* flight)
{
    const TTaskNumber* taskNumber = flight->TaskNumber();
    return ToQt(flight->GetAttribute(acNumber)) + QLatin1Char('T') +
           ToQt(taskNumber ? taskNumber->GetAttribute(acNumber) : std::string()) + QStringLiteral("*.igc");
}

// The name under which the flight keeps the log at `path`: relative to its
// championship's folder, a bare name for a log beside the championship.
// None, with a word, when the championship file could not give that name
// back, or would give it back as "DNF" (the competitor did not fly): the log
// is then neither read nor named.
std::optional<std::string> LogName(const TFlight* flight, const QString& path)
{
    const QString name =
        RelativeFileName(ChampionshipFolder(dynamic_cast<const TChampionship*>(flight->Owner())), path);
    const QString field = ToQt(AttributeNames.Label(acIgcFileName)) + QStringLiteral(" \"") + name + QLatin1Char('"');
    if (name == QStringLiteral("DNF")) {
        ShowWarning(field + QStringLiteral(" means that the competitor did not fly. The log was not loaded: rename "
                                           "the file."));
        return std::nullopt;
    }
    const QString refusal = TextRefusal(field, name, TKeptAs::FileName);
    if (refusal.isEmpty()) return FileNameFromQt(name);
    ShowWarning(refusal + QStringLiteral(" The log was not loaded: rename the file or its folder."));
    return std::nullopt;
}

// The chooser of a flight's log, its pattern the first filter.
TFileRequest IgcRequest(const TFlight* flight)
{
    TFileRequest request;
    request.Title = QStringLiteral("Select IGC file");
    request.Filter = FilterToQt(QStringLiteral("Specific IGC log file (<pilot>T<task>V<version>*.igc)|") +
                                IgcPattern(flight) +
                                QStringLiteral("|IGC flight log files (*.igc)|*.igc|All files (*.*)|*.*"));
    request.DefaultSuffix = QStringLiteral("igc");
    request.Directory = PathToQt(Platform::WorkingFolder());
    return request;
}

// Nothing may keep pointing into a track that goes away.
void LetGoOfTrack(const TFlight* flight)
{
    if (UserInterface.CurrentFlight != flight) return;
    UserInterface.SelectPoint(-1);
    View().ForgetPoints();
}

// The log at `file` becomes the flight's, under the name LogName gives it.
// A name the championship file can't keep, or a log the reader refuses,
// changes nothing: the flight keeps its log and its track.
bool LoadLog(TFlight* flight, const QString& file)
{
    const std::optional<std::string> name = LogName(flight, file);
    if (!name) return false;
    std::unique_ptr<TTrack> track = TFlight::ReadLog(PathFromQt(file));
    if (!track) return false;
    LetGoOfTrack(flight);
    flight->TakeLog(std::move(track), *name);
    return true;
}

} // namespace

QString ChampionshipFolder(const TChampionship* championship)
{
    // What reading joins a name to (TChampionship::FileSystemPath): the
    // real folder of the championship's own file, or the working folder for
    // one without a file of its own.
    if (!championship || championship->Folder().empty()) return PathToQt(Platform::WorkingFolder());
    std::string folder = championship->Folder();
    if (folder.size() > 1) folder.pop_back();
    return PathToQt(folder);
}

void TZephyrant::FlightSelected(TFlight* flight)
{
    if (flight->Track()) {
        UserInterface.SetFlight(flight);
        View().Redraw();
        UserInterface.SelectPoint(0);
        return;
    }
    // Only a track still to be found is looked for. A flight that names a
    // log (filling the table has just tried it and told the user why it did
    // not read: a folder not mounted today, say) or did not fly keeps its
    // name: another log is linked only on the organiser's word, through "New
    // track for this flight". Matched without regard to case, as the names
    // were on the desktop the logs come from.
    const QDir folder(PathToQt(Platform::WorkingFolder()));
    const QStringList matches = flight->GetAttribute(acIgcFileName).empty()
                                    ? folder.entryList({IgcPattern(flight)}, QDir::Files | QDir::Hidden | QDir::System,
                                                       QDir::Name | QDir::IgnoreCase)
                                    : QStringList();
    std::optional<QString> file;
    if (matches.size() == 1)
        file = folder.filePath(matches.front());
    else if (matches.size() > 1)
        file = ChooseFile(IgcRequest(flight));
    if (file) LoadLog(flight, *file);
    if (flight->Track()) {
        {
            TBusyCaption busy(this, QStringLiteral(" ANALYZING FLIGHT..."));
            flight->Analyse();
            UserInterface.SetFlight(flight);
        }
    } else {
        UserInterface.ClearFlight();
    }
    flight->FillTable(&TableForTrack, false);
    View().Redraw();
    FollowDisplayNames();
    UserInterface.SelectPoint(0);
}

void TZephyrant::NewTrackForFlight(TFlight* flight)
{
    if (!SelectTrackSource || RunDialog(*SelectTrackSource) != QDialog::Accepted) return;
    switch (SelectTrackSource->Choice) {
    case 2: {
        const std::optional<QString> file = ChooseFile(IgcRequest(flight));
        if (!file || !LoadLog(flight, *file)) return;
        break;
    }
    case 3:
        LetGoOfTrack(flight);
        flight->SetDidNotFly();
        break;
    default: return;
    }
    if (flight->Track()) {
        {
            TBusyCaption busy(this, QStringLiteral(" ANALYZING FLIGHT..."));
            flight->Analyse();
            UserInterface.SetFlight(flight);
        }
        UserInterface.SelectPoint(0);
    } else if (UserInterface.CurrentFlight == flight) {
        UserInterface.ClearFlight();
    }
    if (ShownNode(ntFlight) == flight) flight->FillTable(&TableForTrack, false);
    View().Redraw();
    FollowDisplayNames();
}

// ---------------------------------------------------------------- attribute tables

void TZephyrant::EndTableEdit()
{
    auto* node = dynamic_cast<TChampNode*>(UserInterface.ActiveNode);
    TStringGrid* grid = UserInterface.ActiveTable;
    const bool edited = UserInterface.EditMode && node && grid && !node->IsAux();
    // Blanks are typed as they come. The file gives a value back trimmed,
    // each run of blanks one, and the key (an attribute) as it is: the edit
    // ends with the table showing what opening the file again shows.
    for (int row = 1; edited && row < grid->RowCount(); ++row) {
        const TAttributeCode code = node->AttributeCode(row - 1);
        const std::string kept = AsElementText(grid->Cell(1, row));
        if (code != acNone && code != node->KeyAttribute() && kept != grid->Cell(1, row))
            TableForDescriptionSetEditText(1, row, ToQt(kept));
    }
    CollectedNodes.clear();
    FEditStart.clear();
    if (!UserInterface.EditMode) return;
    bool differs = false;
    if (edited)
        for (int row = 1; row < grid->RowCount(); ++row) {
            const TAttributeCode code = node->AttributeCode(row - 1);
            if (code != acNone && grid->Cell(1, row) != node->GetAttribute(code)) differs = true;
        }
    UserInterface.EndEdit();
    if (!differs) return;
    // A key the model refused: the table shows the model again, and one
    // warning says which key is taken.
    node->FillGrid(grid);
    ShowWarning(ToQt(FLastRefusal.empty() ? std::string("Duplicate key") : FLastRefusal));
    FLastRefusal.clear();
}

void TZephyrant::TableDblClick()
{
    if (UserInterface.EditMode) {
        EndTableEdit();
        return;
    }
    auto* node = dynamic_cast<TChampNode*>(UserInterface.ActiveNode);
    if (!node || node->IsAux()) return;
    CollectedNodes.clear();
    for (int i = 0; i < ChampTree.Count(); ++i) {
        TTreeItem* item = ChampTree.ItemAt(i);
        const TChampNode* object = item->Object();
        const TChampNode* related = object && object->IsAux() ? static_cast<const TAuxNode*>(object)->RelatedObject() : nullptr;
        if (object == node || related == node) CollectedNodes.push_back(item);
    }
    FLastRefusal.clear();
    FEditStart.clear();
    UserInterface.BeginEdit();
}

void TZephyrant::TableForDescriptionSetEditText(int col, int row, const QString& text)
{
    auto* node = dynamic_cast<TChampNode*>(UserInterface.ActiveNode);
    TStringGrid* grid = UserInterface.ActiveTable;
    if (!UserInterface.EditMode || !node || node->IsAux() || !grid || col != 1 || row < 1) return;
    const TAttributeCode code = node->AttributeCode(row - 1);
    if (code == acNone) return;
    const QString refusal = TextRefusal(ToQt(Trimmed(grid->Cell(0, row))), text);
    if (!refusal.isEmpty()) {
        // The cell, and so the editor, keep the text before the keystroke.
        ShowWarning(refusal);
        return;
    }
    const std::string value = FromQt(text);
    grid->SetCell(col, row, value);
    // Only this edit changes the node's attributes: the first keystroke
    // finds the value the edit began with.
    const std::string& before = FEditStart.try_emplace(code, node->GetAttribute(code)).first->second;
    try {
        node->SetAttribute(code, value);
    } catch (const TException& e) {
        // A key that is taken: the node goes back to its key from before the
        // edit, not to the last keystroke that happened to be free ("FR" on
        // the way to "FRA"). The cell keeps what was typed, so the typing
        // can go on; ending the edit shows the node again with one warning.
        FLastRefusal = e.Message();
        try {
            node->SetAttribute(code, before);
        } catch (const TException&) {
        }
    }
    {
        TTreeUpdateLock lock(&ChampTree);
        for (TTreeItem* item : CollectedNodes) ChampTree.SetCaption(item, node->DisplayName());
    }
    // The table's header row, the caption and the names made from this one.
    grid->SetCell(1, 0, node->DisplayName());
    FollowDisplayNames();
}

void TZephyrant::TableForTaskInstanceClick()
{
    auto* instance = static_cast<TTaskInstance*>(ShownNode(ntTaskInstance));
    if (!instance || !DefineTaskInstance) return;
    DefineTaskInstance->TaskInstance = instance;
    RunDialog(*DefineTaskInstance);
    instance->FillGrid(&TableForTaskInstance);
    UserInterface.CurrentTaskInstance = instance;
    View().Redraw();
}

void TZephyrant::ChangeTaskInstanceNameClick()
{
    auto* instance = static_cast<TTaskInstance*>(ShownNode(ntTaskInstance));
    if (!instance) return;
    const std::optional<QString> name = InputBox(QStringLiteral("Change task instance name"), QStringLiteral("Version name"),
                                                 ToQt(instance->GetAttribute(acVersion)));
    if (!name) return;
    if (const QString refusal = TextRefusal(QStringLiteral("Version name"), *name); !refusal.isEmpty()) {
        ShowWarning(refusal);
        return;
    }
    try {
        instance->SetAttribute(acVersion, FromQt(*name));
    } catch (const TException& e) {
        ShowWarning(ToQt(e.Message()));
        return;
    }
    FollowDisplayNames();
    instance->FillGrid(&TableForTaskInstance);
}

// ---------------------------------------------------------------- track table

int TZephyrant::CurrentPointIndex() const
{
    return CellNumber(TableForTrack, 0, TableForTrack.Selection().Top, 1);
}

void TZephyrant::RefillTrackTable(int oldIndex)
{
    auto* flight = static_cast<TFlight*>(ShownNode(ntFlight));
    if (!flight) return;
    flight->FillGrid(&TableForTrack);
    for (int row = 1; row < TableForTrack.RowCount(); ++row) {
        if (CellNumber(TableForTrack, 0, row, 1) < oldIndex) continue;
        TableForTrack.SelectRowAndScroll(row);
        UserInterface.SelectPoint(CellNumber(TableForTrack, 0, row, 0));
        return;
    }
}

void TZephyrant::TableForTrackSelectCell(int, int row)
{
    const TMapWindow& view = View();
    if (!view.SyncView || !(view.ShowPoints || view.ShowEvents)) return;
    UserInterface.SelectPoint(CellNumber(TableForTrack, 0, row, 0));
}

void TZephyrant::UpdateEventFilter()
{
    static const std::uint32_t bits[12] = {8, 16 | 32, 64, 128, 1, 2, 4, 1024 | 2048, 256 | 512, 4096, 8192, 16384};
    const int index = CurrentPointIndex();
    // The mask is what the items say: after "Select all events" the bits
    // that no item shows go with the first click.
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < EventFilterItems.size() && i < 12; ++i)
        if (EventFilterItems[i]->isChecked()) mask |= bits[i];
    View().EventMask = mask;
    RefillTrackTable(index);
}

// ---------------------------------------------------------------- clipboard

std::string TZephyrant::TableText() const
{
    const TStringGrid* grid = UserInterface.ActiveTable;
    if (!grid) return {};
    std::string text;
    if (grid == &TableForTrack) {
        // A flight kept from a file without its competitor has empty texts.
        const auto* flight = dynamic_cast<const TFlight*>(UserInterface.ActiveNode);
        const TCompetitor* competitor = flight ? flight->Competitor() : nullptr;
        text += "Competitor\t" + NameOf(competitor) + "\n";
        text += "Team\t" + NameOf(competitor ? competitor->Team : nullptr) + "\n";
        text += "Class\t" + NameOf(competitor ? competitor->Class : nullptr) + "\n";
        text += "Task\t" + NameOf(flight ? flight->TaskNumber() : nullptr) + "\n";
    } else if (grid == &TableForTaskInstance) {
        text += "Task\t" + NameOf(dynamic_cast<const TChampNode*>(UserInterface.ActiveNode)) + "\n";
    }
    for (int row = 0; row < grid->RowCount(); ++row) {
        for (int col = 0; col < grid->ColCount(); ++col) text += Trimmed(grid->Cell(col, row)) + "\t";
        text += "\n";
    }
    return text;
}

void TZephyrant::CopytoClipboard1Click()
{
    if (!UserInterface.ActiveTable) return;
    QApplication::clipboard()->setText(ToQt(TableText()));
}

void TZephyrant::CopypointTimetoclipboard1Click()
{
    QApplication::clipboard()->setText(ToQt(Trimmed(TableForTrack.Cell(1, TableForTrack.Selection().Top))));
}

// ---------------------------------------------------------------- maps

TMap* TZephyrant::ViewMap() const
{
    return View().HasValidMap() ? View().Map : nullptr;
}

void TZephyrant::Editmapinformation1Click()
{
    auto* map = static_cast<TMap*>(ShownNode(ntMap));
    if (!map) throw TException("", "Expected Map node", "");
    if (!DefineMap) return;
    DefineMap->Folder = ChampionshipFolder(dynamic_cast<TChampionship*>(map->Owner()));
    DefineMap->SetFields(TMapFields{map->GetAttribute(acName), map->GetAttribute(acShortName),
                                    map->GetAttribute(acDescription), map->GetAttribute(acMapFile),
                                    map->GetAttribute(acScale), map->GetAttribute(acDatum),
                                    map->GetAttribute(acRegion), map->GetAttribute(acProjection)});
    if (RunDialog(*DefineMap) != QDialog::Accepted) return;
    CopyMapFields(map, DefineMap->Fields());
    map->FillGrid(&TableForMap);
    FollowDisplayNames();
    // A new datum moves what is drawn over the map.
    View().Redraw();
}

void TZephyrant::CopyMapFields(TMap* map, const TMapFields& fields)
{
    map->SetAttribute(acName, fields.Name);
    // Another map's short name is refused; the other fields are still taken.
    try {
        map->SetAttribute(acShortName, fields.ShortName);
    } catch (const TException& e) {
        ShowWarning(ToQt(e.Message()));
    }
    map->SetAttribute(acDescription, fields.Description);
    map->SetAttribute(acMapFile, fields.FileName);
    map->SetAttribute(acDatum, fields.DatumName);
    map->SetAttribute(acRegion, fields.DatumRegion);
    map->SetAttribute(acProjection, fields.Projection);
    map->SetAttribute(acScale, fields.Scale);
}

// ---------------------------------------------------------------- waypoints

namespace {

TWayPoint WaypointFromDialog()
{
    const TGeoCoord geo{DefineWayPoint->LongitudeValue, DefineWayPoint->LatitudeValue, 0.0};
    return TWayPoint(TLocation(geo, DefaultDatum()), DefineWayPoint->Code(), DefineWayPoint->Description());
}

// The waypoint of the selected row of the waypoint table, or null.
TWayPoint* SelectedWaypoint(TWayPointSet* set, const TStringGrid& grid)
{
    const int row = grid.Selection().Top;
    if (!set || row < 1 || row >= grid.RowCount()) return nullptr;
    return set->Find(grid.Cell(1, row));
}

} // namespace

void TZephyrant::NewWaypointClick()
{
    TChampionship* championship = UserInterface.ActiveChampionship();
    // The dialog offers the datum of the map on the screen; without one it
    // has nothing to offer.
    TMap* map = View().Map ? View().Map : UserInterface.CurrentMap;
    if (!championship || !map || !DefineWayPoint) return;
    DefineWayPoint->WayPoints = &championship->WayPoints;
    DefineWayPoint->Map = map;
    if (RunDialog(*DefineWayPoint) != QDialog::Accepted) return;
    championship->WayPoints.Add(WaypointFromDialog());
    championship->WayPoints.FillGrid(&TableForWaypoints);
    View().Redraw();
}

void TZephyrant::ImportWaypointsClick()
{
    auto* set = static_cast<TWayPointSet*>(ShownNode(ntWayPointSet));
    if (!set) return;
    TFileRequest request;
    request.Title = QStringLiteral("Select WPT file");
    request.Filter = FilterToQt(QStringLiteral("OziExplorer Waypoint files (*.wpt)|*.wpt|All files (*.*)|*.*"));
    request.DefaultSuffix = QStringLiteral("wpt");
    request.Directory = PathToQt(Platform::WorkingFolder());
    const std::optional<QString> file = ChooseFile(request);
    if (!file) return;
    ImportOziWaypoints(*set, *file);
    set->FillGrid(&TableForWaypoints);
    View().Redraw();
}

void TZephyrant::EditWaypointClick()
{
    auto* set = static_cast<TWayPointSet*>(ShownNode(ntWayPointSet));
    TMap* map = View().Map ? View().Map : UserInterface.CurrentMap;
    TWayPoint* waypoint = SelectedWaypoint(set, TableForWaypoints);
    if (!waypoint || !map || !DefineWayPoint) return;
    const std::string code = waypoint->Code;
    const TGeoCoord geo = ConvertDatum(waypoint->Location.Geo, waypoint->Location.Datum, DefaultDatum());
    DefineWayPoint->WayPoints = set;
    DefineWayPoint->Map = map;
    DefineWayPoint->SetCode(waypoint->Code);
    DefineWayPoint->SetDescription(waypoint->Description);
    DefineWayPoint->LatitudeValue = geo.Lat;
    DefineWayPoint->LongitudeValue = geo.Lon;
    if (RunDialog(*DefineWayPoint) != QDialog::Accepted) return;
    // One step: the waypoint keeps its place in every task that uses it, or
    // nothing changes.
    try {
        set->Update(code, WaypointFromDialog());
    } catch (const TException& e) {
        ShowWarning(ToQt(e.Message()));
        return;
    }
    set->FillGrid(&TableForWaypoints);
    View().Redraw();
}

void TZephyrant::DeleteWaypointClick()
{
    auto* set = static_cast<TWayPointSet*>(ShownNode(ntWayPointSet));
    TWayPoint* waypoint = SelectedWaypoint(set, TableForWaypoints);
    if (!waypoint) return;
    const std::string code = waypoint->Code;
    if (!AskYesNo(QStringLiteral("Delete waypoint \"") + ToQt(code) + QStringLiteral("\"?"))) return;
    waypoint = set->Find(code);
    if (!waypoint) return;
    try {
        set->Delete(*waypoint);
    } catch (const TException& e) {
        ShowWarning(ToQt(e.WhatText()));
        return;
    }
    set->FillGrid(&TableForWaypoints);
    View().Redraw();
}

// ---------------------------------------------------------------- map references

namespace {

// The reference nearest to the pixel of the selected row, or null.
TMapRef* SelectedRef(TGeoref* georef, const TStringGrid& grid)
{
    const int row = grid.Selection().Top;
    if (!georef || row < 1 || row >= grid.RowCount()) return nullptr;
    long long x = 0;
    long long y = 0;
    if (!ParseInt(grid.Cell(1, row), x) || !ParseInt(grid.Cell(2, row), y)) return nullptr;
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return nullptr;
    return georef->FindNearestRef(static_cast<int>(x), static_cast<int>(y));
}

// The reference the dialog holds, on the map's datum; null (with a word) when
// its pixel texts are no whole numbers or another reference has that pixel.
std::unique_ptr<TMapRef> RefFromDialog(TGeoref* georef, const TMapRef* replaced)
{
    int x = 0;
    int y = 0;
    if (!DefineGeoref->Pixel(x, y)) {
        ShowWarning(QStringLiteral("Invalid number"));
        return nullptr;
    }
    const TMap* map = georef->Map;
    const TGeoCoord geo{DefineGeoref->Longitude, DefineGeoref->Latitude, 0.0};
    auto ref = std::make_unique<TMapRef>(x, y, TLocation(geo, const_cast<TMap*>(map)->GetDatum()));
    for (const TMapRef* other : georef->Refs)
        if (other != replaced && other->PixelX == x && other->PixelY == y) {
            ShowWarning(QStringLiteral("Duplicate reference"));
            return nullptr;
        }
    return ref;
}

} // namespace

void TZephyrant::EditMapRefClick()
{
    // The georeference whose table is shown, its map and that map's datum.
    auto* georef = static_cast<TGeoref*>(ShownNode(ntGeoref));
    TMapRef* ref = SelectedRef(georef, TableForGeoref);
    if (!ref || !georef->Map || !DefineGeoref) return;
    TMap* map = georef->Map;
    const TGeoCoord geo = ConvertDatum(ref->Location.Geo, ref->Location.Datum, map->GetDatum());
    DefineGeoref->Map = map;
    DefineGeoref->SetPixel(ref->PixelX, ref->PixelY);
    DefineGeoref->Latitude = geo.Lat;
    DefineGeoref->Longitude = geo.Lon;
    if (RunDialog(*DefineGeoref) != QDialog::Accepted) return;
    std::unique_ptr<TMapRef> fresh = RefFromDialog(georef, ref);
    if (!fresh) return;
    georef->DeleteRef(ref);
    georef->AddRef(fresh.release());
    georef->FillGrid(&TableForGeoref);
    map->CalculateGrid();
    View().Redraw();
}

void TZephyrant::DeleteMapRefClick()
{
    auto* georef = static_cast<TGeoref*>(ShownNode(ntGeoref));
    if (!SelectedRef(georef, TableForGeoref)) return;
    if (!AskYesNo(QStringLiteral("Delete selected map reference?"))) return;
    TMapRef* ref = SelectedRef(georef, TableForGeoref);
    if (!ref) return;
    georef->DeleteRef(ref);
    georef->FillGrid(&TableForGeoref);
    if (georef->Map) georef->Map->CalculateGrid();
    View().Redraw();
}

// ---------------------------------------------------------------- mouse on the map

void TZephyrant::GrafMouseDown(Qt::MouseButton button, int x, int y)
{
    TMapWindow& view = View();
    if (button != Qt::RightButton) {
        if (button == Qt::LeftButton) view.StartDrag(x, y);
        return;
    }
    if (view.Map && UserInterface.ActiveNode == static_cast<TNodeDescription*>(&view.Map->Georef)) {
        // A reference at the click: its pixel, and the nearest grid crossing
        // as a first guess of its place once the map is georeferenced.
        if (!DefineGeoref) return;
        TGeoref* georef = &view.Map->Georef;
        view.SetCursor(x, y);
        DefineGeoref->Map = view.Map;
        DefineGeoref->SetPixel(RoundToInt(view.CursorImage.X), RoundToInt(view.CursorImage.Y));
        if (view.HasValidMap())
            if (const std::optional<TGeoCoord> snapped = view.SnapToGrid()) {
                DefineGeoref->Latitude = snapped->Lat;
                DefineGeoref->Longitude = snapped->Lon;
            }
        if (RunDialog(*DefineGeoref) != QDialog::Accepted) return;
        std::unique_ptr<TMapRef> fresh = RefFromDialog(georef, nullptr);
        if (!fresh) return;
        georef->AddRef(fresh.release());
        georef->FillGrid(&TableForGeoref);
        view.Map->CalculateGrid();
        view.Redraw();
        return;
    }
    if (ShownNode(ntWayPointSet)) {
        // A new waypoint at the click, handed to the dialog on WGS 84.
        if (!ViewMap() || !DefineWayPoint) return;
        view.SetCursor(x, y);
        if (!view.CursorGeo) return;
        const TGeoCoord geo = ConvertDatum(*view.CursorGeo, view.Map->GetDatum(), DefaultDatum());
        DefineWayPoint->LatitudeValue = geo.Lat;
        DefineWayPoint->LongitudeValue = geo.Lon;
        DefineWayPoint->SetCode({});
        DefineWayPoint->SetDescription({});
        NewWaypointClick();
        return;
    }
    const int index = UserInterface.FindNearestPoint(x, y);
    if (index < 0 || !UserInterface.CurrentFlight || !ViewMap()) return;
    if (ShownNode(ntFlight)) TFlight::SelectRow(&TableForTrack, index);
    UserInterface.SelectPoint(index);
}

void TZephyrant::GrafMouseMove(int x, int y, bool leftDown)
{
    TMapWindow& view = View();
    PanelGraf->setFocus();
    view.SetCursor(x, y);
    StatusPanels[0]->setText(QStringLiteral(" Win:  %1  %2").arg(x).arg(y));
    StatusPanels[1]->setText(QStringLiteral(" Map:  ") + ToQt(FormatNumber("0.00", view.CursorImage.X)) +
                             QStringLiteral("  ") + ToQt(FormatNumber("0.00", view.CursorImage.Y)));
    // Positions only where the loaded map's georeference gives them; never
    // those of a map shown before. The datum is the loaded map's, whatever
    // its references.
    const bool georeferenced = view.HasValidMap();
    StatusPanels[2]->setText(
        georeferenced && view.CursorGrid
            ? QStringLiteral(" Grd:  ") + ToQt(FormatNumber("0 00 000", view.CursorGrid->X)) + QStringLiteral("E  ") +
                  ToQt(FormatNumber("00 00 000", view.CursorGrid->Y)) + QStringLiteral("N  ") +
                  ToQt(view.CursorGrid->Zone)
            : EmptyPanelText(2));
    StatusPanels[3]->setText(georeferenced && view.CursorGeo
                                 ? QStringLiteral(" Geo: ") + ToQt(FormatAngle(view.CursorGeo->Lat, 11)) +
                                       QLatin1Char(' ') + ToQt(FormatAngle(view.CursorGeo->Lon, 19))
                                 : EmptyPanelText(3));
    ShowDatumPanel();
    if (georeferenced) {
        if (auto* set = static_cast<TWayPointSet*>(ShownNode(ntWayPointSet)); set && view.CursorGeo) {
            const TGeoCoord geo = ConvertDatum(*view.CursorGeo, view.Map->GetDatum(), set->GetDatum());
            if (TWayPoint* nearest = set->FindNearest(geo)) set->SelectInGrid(&TableForWaypoints, nearest);
        }
    }
    if (view.Map && UserInterface.ActiveNode == static_cast<TNodeDescription*>(&view.Map->Georef)) {
        TGeoref& georef = view.Map->Georef;
        if (TMapRef* nearest = georef.FindNearestRef(RoundToInt(view.CursorImage.X), RoundToInt(view.CursorImage.Y)))
            georef.SelectInGrid(&TableForGeoref, nearest);
    }
    if (leftDown) view.DragTo(x, y);
}

void TZephyrant::ShowDatumPanel()
{
    const TMapWindow& view = View();
    QString text = EmptyPanelText(4);
    if (view.Map) {
        const TDatum* datum = view.Map->GetDatum();
        text = QStringLiteral(" Datum:  ") + ToQt(datum->Name) + QStringLiteral(" (") + ToQt(datum->Region) +
               QLatin1Char(')');
    }
    if (text == StatusPanels[4]->text()) return;
    StatusPanels[4]->setText(text);
    FitDatumPanel();
}

void TZephyrant::GrafMouseUp(int x, int y)
{
    View().EndDrag(x, y);
}
