#include "analysis/Flight.h"

#include <algorithm>
#include <ctime>

#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "geodesy/Coord.h"
#include "model/Championship.h"
#include "model/Checkelements.h"
#include "model/Class.h"
#include "model/Team.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "platform/StringGrid.h"
#include "xml/Cp1252.h"

// Hours, minutes and seconds in the computer's time zone. The zone's offset
// is asked once per hour of UTC: a table of 40 000 fixes asks a handful of
// times instead of 40 000.
class TLocalClock {
public:
    std::string Text(std::int64_t utc)
    {
        const std::int64_t hour = FloorDiv(utc, 3600);
        if (!FKnown || hour != FHour) {
            const std::time_t t = static_cast<std::time_t>(utc);
            std::tm local{};
            FKnown = localtime_r(&t, &local) != nullptr;
            if (!FKnown) return std::string();
            FHour = hour;
            FOffset = local.tm_gmtoff;
        }
        const std::int64_t seconds = utc + FOffset - 86400 * FloorDiv(utc + FOffset, 86400);
        char text[8] = {Digit(seconds / 36000), Digit(seconds / 3600 % 10), ':', Digit(seconds / 600 % 6),
                        Digit(seconds / 60 % 10), ':', Digit(seconds % 60 / 10), Digit(seconds % 10)};
        return std::string(text, sizeof text);
    }

private:
    static std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }
    static char Digit(std::int64_t d) { return static_cast<char>('0' + d); }

    bool FKnown = false;
    std::int64_t FHour = 0;
    long FOffset = 0;
};

namespace {

constexpr int ColumnCount = 12;

const char* KindPrefix(TCheckElementType kind)
{
    switch (kind) {
    case ceTurnPoint: return "T: ";
    case ceGate: return "G: ";
    case ceStraightLeg: return "L: ";
    case ceArcLeg: return "A: ";
    case ceZone: return "Z: ";
    default: return "";
    }
}

std::string Percent(double share)
{
    return FormatNumber("##0.0%", 100.0 * share);
}

} // namespace

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

// ---------------------------------------------------------------- track

void TFlight::ReadTrack(const std::string& path)
{
    FTrack.reset();
    FTrack = ReadLog(path);
}

std::unique_ptr<TTrack> TFlight::ReadLog(const std::string& path)
{
    auto track = std::make_unique<TTrack>();
    TIgcFile reader(path, track.get());
    if (!reader.Read()) return nullptr;
    return track;
}

void TFlight::TakeLog(std::unique_ptr<TTrack> track, const std::string& name)
{
    FTrack = std::move(track);
    SetAttribute(acIgcFileName, name);
}

void TFlight::SetDidNotFly()
{
    FTrack.reset();
    SetAttribute(acIgcFileName, "DNF");
}

void TFlight::Analyse()
{
    if (FTrack && FTaskNumber && FTaskNumber->Instance) FTrack->FindEvents(FTaskNumber->Instance);
}

// ---------------------------------------------------------------- table

void TFlight::FillGrid(TStringGrid* grid)
{
    FillTable(grid, true);
}

void TFlight::FillTable(TStringGrid* grid, bool readLog)
{
    if (!grid) return;
    FGrid = grid;
    Platform::ActivateTable(grid, this);
    // Released on every way out, an exception included.
    TGridUpdateLock lock(grid);

    static const char* const Titles[ColumnCount] = {" N",   " Time", " Lat",      " Lon",   " Easting", " Northing",
                                                    " Alt", " Vel",  " Distance", " Check", " Event",   " Event specific"};
    if (grid->ColCount() < ColumnCount) grid->SetColCount(ColumnCount);
    for (int col = 0; col < ColumnCount; ++col) grid->SetCell(col, 0, Titles[col]);
    grid->SetRowCount(2);
    grid->ClearRow(1);
    FRow = 1;
    FPointIndex = 0;
    FFilter = Platform::FlightTableFilter();

    if (!FTrack) {
        const std::string& igc = GetAttribute(acIgcFileName);
        if (!readLog || igc.empty() || igc == "DNF") return;
        const auto* championship = dynamic_cast<const TChampionship*>(Owner());
        ReadTrack(championship ? championship->FileSystemPath(igc) : Cp1252ToUtf8(igc));
        if (!FTrack) return;
    }
    Analyse();
    // Room for the rows there will be at least (an event row stands in place
    // of its point's): more are added one by one, and the table is cut to
    // the rows filled at the end. Room for points and events both would be
    // a row too many for nearly every fix of a real log, where most fixes
    // are "High acceleration" events.
    const std::size_t rows = FFilter.ShowPoints ? FTrack->Points.size() : FFilter.ShowEvents ? FTrack->Events.size() : 0;
    grid->SetRowCount(1 + static_cast<int>(rows));
    TLocalClock clock;
    FClock = &clock;

    // Points and events merged in time order. An event row stands in place
    // of its point's row; the point is listed only when the filter hides
    // every event at it. Indexes never step past the last point.
    const auto& points = FTrack->Points;
    const std::size_t count = points.size();
    std::size_t p = 0;
    auto e = FTrack->Events.begin();
    const auto end = FTrack->Events.end();
    while (p < count && e != end) {
        while (p < count && e->Point.Time > points[p].Time) {
            FormatPointRow(points[p]);
            FPointIndex = static_cast<int>(++p);
        }
        bool shown = false;
        while (e != end && p < count && e->Point.Time == points[p].Time) {
            if (FormatEventRow(*e)) shown = true;
            ++e;
        }
        if (p < count) {
            if (!shown) FormatPointRow(points[p]);
            FPointIndex = static_cast<int>(++p);
        }
    }
    for (; e != end; ++e) FormatEventRow(*e);
    for (; p < count; FPointIndex = static_cast<int>(++p)) FormatPointRow(points[p]);
    grid->SetRowCount(std::max(2, FRow));
    FClock = nullptr;
}

void TFlight::NextRow()
{
    ++FRow;
}

void TFlight::FormatPointCells(const TTrackPoint& point)
{
    if (FGrid->RowCount() < FRow + 1) FGrid->SetRowCount(FRow + 1);
    const TLocation& at = point.Location;
    FGrid->SetCell(0, FRow, std::to_string(FPointIndex));
    FGrid->SetCell(1, FRow, FClock->Text(point.Time));
    FGrid->SetCell(2, FRow, FormatAngle(at.Geo.Lat, 11));
    FGrid->SetCell(3, FRow, FormatAngle(at.Geo.Lon, 19));
    FGrid->SetCell(4, FRow, FormatNumber("# ### ###", at.Utm.X));
    FGrid->SetCell(5, FRow, FormatNumber("# ### ###", at.Utm.Y));
    FGrid->SetCell(6, FRow, FormatNumber("# ### ###", point.GnssAltitude));
    FGrid->SetCell(7, FRow, FormatNumber("# ### ###", point.Speed * 3.6));
}

void TFlight::FormatPointRow(const TTrackPoint& point)
{
    if (!FFilter.ShowPoints) return;
    FormatPointCells(point);
    for (int col = 8; col < ColumnCount; ++col) FGrid->SetCell(col, FRow, std::string());
    NextRow();
}

bool TFlight::FormatEventRow(const TEvent& event)
{
    if (!FFilter.ShowEvents || (FFilter.EventMask & event.Type) == 0) return false;
    FormatPointCells(event.Point);
    FGrid->SetCell(8, FRow, FormatNumber("# ### ###", event.Distance));
    FGrid->SetCell(9, FRow, event.Element ? KindPrefix(event.Element->GetType()) + event.Element->Name : std::string());
    FGrid->SetCell(10, FRow, TEvent::TypeName(static_cast<TEventType>(event.Type)));
    std::string special;
    switch (event.Type) {
    case etTurnPoint: special = FormatNumber("# ### ###", event.Value); break;
    case etMaxTurnPoint: special = FormatNumber("000.0", event.Value); break;
    case etEnterLeg:
    case etExitLeg: special = event.Value < 0.0 ? "Not started" : Percent(event.Value); break;
    case etEndLeg: special = Percent(event.Value); break;
    case etOwnIntersection: special = FormatNumber("### ##0", event.Value); break;
    case etHighAcceleration:
        special = FormatNumber("##0.00", event.Value);
        FGrid->SetCell(8, FRow, std::string());
        break;
    case etIgcEvent: {
        const double code = event.Value;
        special = TEvent::IgcEventName(code >= 0.0 && code < 256.0 ? static_cast<std::uint8_t>(code) : static_cast<std::uint8_t>(igcUnknown));
        break;
    }
    default: break;
    }
    FGrid->SetCell(11, FRow, special);
    NextRow();
    return true;
}

void TFlight::SelectRow(TStringGrid* grid, int index)
{
    if (!grid) return;
    for (int row = 1; row < grid->RowCount(); ++row) {
        long long value = -1;
        if (!ParseInt(grid->Cell(0, row), value)) value = -1;
        if (value == index) {
            grid->SelectRowAndScroll(row);
            return;
        }
    }
}
