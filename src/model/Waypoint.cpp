#include "model/Waypoint.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/Checkelements.h"
#include "model/Task.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "platform/StringGrid.h"
#include "xml/Xmlfile.h"

namespace {

const char* const DatumFileName = "Datums.xml";

template <class T>
void EraseOne(std::vector<T*>& users, const T* user) noexcept
{
    auto it = std::find(users.begin(), users.end(), user);
    if (it != users.end()) users.erase(it);
}

bool SamePosition(const TLocation& a, const TLocation& b)
{
    return a.Datum == b.Datum && a.Geo.Lon == b.Geo.Lon && a.Geo.Lat == b.Geo.Lat && a.Geo.H == b.Geo.H &&
           a.Utm.X == b.Utm.X && a.Utm.Y == b.Utm.Y && a.Utm.Z == b.Utm.Z && a.Utm.Zone == b.Utm.Zone;
}

// Which task uses the waypoint, for the details of a refusal.
std::string UserText(const TWayPoint& waypoint)
{
    const TCheckElement* user = nullptr;
    if (!waypoint.TurnPointUsers().empty())
        user = waypoint.TurnPointUsers().front();
    else if (!waypoint.GateUsers().empty())
        user = waypoint.GateUsers().front();
    if (!user) return std::string();
    if (!user->Instance()) return user->Name;
    return user->Instance()->DisplayName() + ": " + user->Name;
}

[[noreturn]] void InvalidDegrees(const std::string& text, const std::string& element, const std::string& code)
{
    throw TException(element + " of waypoint " + Excerpt(code), "Invalid number", Excerpt(text));
}

// Degrees in the file to radians; text that is no number is refused rather
// than placing the waypoint at 0, and so is a number that is no place (the
// UTM projection has no zone for it).
double ReadDegrees(const std::string& text, const std::string& element, const std::string& code, double limit)
{
    double degrees = 0.0;
    if (!ParseDouble(text, degrees) || !(std::fabs(degrees) <= limit)) InvalidDegrees(text, element, code);
    return DegToRad(degrees);
}

// A place the championship file can hold and read again: finite, latitude
// and longitude within the reader's limits once written with seven decimals.
void CheckPlace(const TWayPoint& waypoint)
{
    const double lat = RadToDeg(waypoint.Location.Geo.Lat);
    const double lon = RadToDeg(waypoint.Location.Geo.Lon);
    if (!(std::fabs(lat) < 90.00000005) || !(std::fabs(lon) < 180.00000005))
        throw TException("Add waypoint to list", "Invalid position", Excerpt(waypoint.Code));
}

} // namespace

// ---------------------------------------------------------------- waypoint

TWayPoint::TWayPoint(const TLocation& location, const std::string& code, const std::string& description)
    : TBasePoint(location), Code(code), Description(description)
{
}

TWayPoint::TWayPoint(const TWayPoint& other)
    : TBasePoint(other), Code(other.Code), Description(other.Description)
{
}

TWayPoint& TWayPoint::operator=(const TWayPoint& other)
{
    TBasePoint::operator=(other);
    Code = other.Code;
    Description = other.Description;
    return *this;
}

TWayPoint::~TWayPoint()
{
    // Only when the whole championship goes: elements outliving their
    // waypoint must not reach back into it.
    for (TTurnPoint* user : FTurnPoints) user->WayPoint = nullptr;
    for (TGate* user : FGates) user->WayPoint = nullptr;
}

void TWayPoint::Detach(const TTurnPoint* user) noexcept
{
    EraseOne(FTurnPoints, user);
}

void TWayPoint::Detach(const TGate* user) noexcept
{
    EraseOne(FGates, user);
}

// ---------------------------------------------------------------- the set

TWayPointSet::TWayPointSet() : TChampNode(ntWayPointSet), FCursor(FWayPoints.end()), FDatum(*DefaultDatum())
{
    SetAttribute(acShortName, "Default");
    UpdateName();
}

TWayPointSet::~TWayPointSet() = default;

void TWayPointSet::UpdateName()
{
    FDisplayName = "Waypoints";
}

TWayPoint* TWayPointSet::Add(const TWayPoint& waypoint)
{
    CheckPlace(waypoint);
    auto [it, inserted] = FWayPoints.try_emplace(waypoint.Code, waypoint);
    if (!inserted) throw TException("Add waypoint to list", "Duplicate waypoint code", Excerpt(waypoint.Code));
    return &it->second;
}

void TWayPointSet::Delete(const TWayPoint& waypoint)
{
    // The argument may be the stored waypoint itself.
    const std::string code = waypoint.Code;
    auto it = FWayPoints.find(code);
    if (it == FWayPoints.end()) throw TException("", "Can't delete. Waypoint does not exist.", "");
    if (it->second.InUse())
        throw TException("", "Waypoint " + code + " is being used. Can't delete.", UserText(it->second));
    if (FCursor == it) ++FCursor;
    FWayPoints.erase(it);
}

TWayPoint* TWayPointSet::Update(const std::string& code, const TWayPoint& replacement)
{
    auto it = FWayPoints.find(code);
    if (it == FWayPoints.end()) throw TException("", "Can't change. Waypoint does not exist.", code);
    TWayPoint& stored = it->second;
    const TWayPoint data(replacement); // may be the stored waypoint itself
    CheckPlace(data);

    if (data.Code != code) {
        if (stored.InUse())
            throw TException("", "Waypoint " + code + " is being used. Can't change its code.", UserText(stored));
        if (FWayPoints.count(data.Code))
            throw TException("Add waypoint to list", "Duplicate waypoint code", data.Code);
        if (FCursor == it) ++FCursor;
        auto node = FWayPoints.extract(it);
        node.key() = data.Code;
        node.mapped() = data;
        return &FWayPoints.insert(std::move(node)).position->second;
    }

    if (stored.InUse() && !SamePosition(stored.Location, data.Location)) {
        std::vector<TTaskInstance*> instances;
        auto note = [&instances](const TCheckElement* user) {
            if (user->Instance() && std::find(instances.begin(), instances.end(), user->Instance()) == instances.end())
                instances.push_back(user->Instance());
        };
        for (const TTurnPoint* user : stored.TurnPointUsers()) note(user);
        for (const TGate* user : stored.GateUsers()) note(user);
        // Every check before the first change: a refused edit changes nothing.
        for (const TTaskInstance* instance : instances) instance->CheckWayPointMove(&stored, data.Location);

        stored = data;
        for (TTurnPoint* user : stored.TurnPointUsers())
            if (!user->Instance()) user->Recompute();
        for (TGate* user : stored.GateUsers())
            if (!user->Instance()) user->Recompute();
        for (TTaskInstance* instance : instances) instance->WayPointMoved(&stored);
        return &stored;
    }
    stored = data;
    return &stored;
}

TWayPoint* TWayPointSet::Find(const std::string& code)
{
    auto it = FWayPoints.find(code);
    if (it == FWayPoints.end()) return nullptr;
    FCursor = std::next(it);
    return &it->second;
}

void TWayPointSet::First()
{
    FCursor = FWayPoints.begin();
}

TWayPoint* TWayPointSet::Next()
{
    if (FCursor == FWayPoints.end()) return nullptr;
    return &(FCursor++)->second;
}

TWayPoint* TWayPointSet::FindNearest(const TGeoCoord& p)
{
    TWayPoint* nearest = nullptr;
    double best = 0.0;
    for (auto& [code, waypoint] : FWayPoints) {
        const double dLon = waypoint.Location.Geo.Lon - p.Lon;
        const double dLat = waypoint.Location.Geo.Lat - p.Lat;
        const double d = dLon * dLon + dLat * dLat;
        if (!nearest || d < best) {
            nearest = &waypoint;
            best = d;
        }
    }
    return nearest;
}

// ---------------------------------------------------------------- table

void TWayPointSet::FillGrid(TStringGrid* grid)
{
    if (!grid) return;
    {
        TGridUpdateLock lock(grid);
        if (grid->ColCount() < 8) grid->SetColCount(8);
        static const char* const Headings[8] = {" N",        " Code",     " Lat",  " Lon",
                                                " Easting",  " Northing", " Zone", " Description"};
        for (int col = 0; col < 8; ++col) grid->SetCell(col, 0, Headings[col]);
        int row = 0;
        for (const auto& [code, waypoint] : FWayPoints) {
            ++row;
            if (grid->RowCount() < row + 1) grid->SetRowCount(row + 1);
            const TLocation& at = waypoint.Location;
            grid->SetCell(0, row, std::to_string(row));
            grid->SetCell(1, row, code);
            grid->SetCell(2, row, FormatAngle(at.Geo.Lat, 11));
            grid->SetCell(3, row, FormatAngle(at.Geo.Lon, 19));
            grid->SetCell(4, row, FormatNumber("# ### ###", at.Utm.X));
            grid->SetCell(5, row, FormatNumber("# ### ###", at.Utm.Y));
            grid->SetCell(6, row, at.Utm.Zone);
            grid->SetCell(7, row, waypoint.Description);
        }
        // The header needs one row below it; an empty set shows it blank,
        // not the last waypoint that was deleted.
        grid->SetRowCount(std::max(row + 1, 2));
        if (row == 0) grid->ClearRow(1);
    }
    Platform::ActivateTable(grid, this);
}

void TWayPointSet::SelectInGrid(TStringGrid* grid, const TWayPoint* waypoint) const
{
    if (!grid || !waypoint) return;
    for (int row = 1; row < grid->RowCount(); ++row) {
        if (grid->Cell(1, row) != waypoint->Code) continue;
        grid->SelectRowAndScroll(row);
        return;
    }
}

// ---------------------------------------------------------------- file

void TWayPointSet::WriteXml(TXmlOutput& out)
{
    WriteXmlHead(out, true);
    for (const auto& [code, waypoint] : FWayPoints) {
        out.BeginTag("WayPoint");
        out.WriteAttribute("Code", code);
        out.EndTag();
        out.WriteElement("Description", waypoint.Description);
        out.WriteElement("Lat", FormatFixed(out.Number("Lat", RadToDeg(waypoint.Location.Geo.Lat)), 7));
        out.WriteElement("Lon", FormatFixed(out.Number("Lon", RadToDeg(waypoint.Location.Geo.Lon)), 7));
        out.CloseElement();
    }
    WriteXmlTail(out);
}

bool TWayPointSet::ReadXml(TXmlInput& in)
{
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    NodeTypeNames.SetMode(TNameMap::nmXmlNames);
    std::string code;
    std::string description;
    double lat = 0.0;
    double lon = 0.0;
    bool haveLat = false, haveLon = false;
    bool inWayPoint = false;
    auto takeDatum = [this] {
        const std::string& datum = GetAttribute(acDatum);
        const std::string& region = GetAttribute(acRegion);
        if (datum.empty() || region.empty()) return;
        // The working folder first, then the program's own: a
        // championship opened from elsewhere still finds the file.
        bool found = false;
        for (const std::string& folder : {Platform::WorkingFolder(), Platform::ProgramFolder()}) {
            try {
                FDatum = TDatum(datum, region, folder + "/" + DatumFileName);
                found = true;
                break;
            } catch (const TException& e) {
                if (e.WhatText() != "Can't open XML file") throw;
            }
        }
        if (!found) throw TException("", "Can't open XML file", DatumFileName);
    };
    // Whatever ends the element, the set keeps no datum that the file
    // would not give it again.
    auto datumTaken = [this] {
        const std::string& datum = GetAttribute(acDatum);
        const std::string& region = GetAttribute(acRegion);
        return datum.empty() || region.empty() || (FDatum.Name == datum && FDatum.Region == region);
    };
    while (in.HasData()) {
        const TXmlData item = in.Get();
        switch (item.Kind) {
        case xkStart:
            inWayPoint = inWayPoint || item.Element == "WayPoint";
            break;
        case xkAttribute:
            if (item.Element == "WayPoint" && item.Name == "Code")
                code = item.Value;
            // The set's name is its own, whatever the file says.
            else if (item.Element != "WayPointSet" || item.Name != "ShortName" || item.Value != KeyValue())
                in.PassedOver(item);
            break;
        case xkText:
            if (item.Element == "Datum" || item.Element == "Region") {
                ReadAttributeItem(in, item, "WayPointSet");
                break;
            }
            // A waypoint's values outside one would go to the next.
            if (!inWayPoint || (item.Element != "Description" && item.Element != "Lat" && item.Element != "Lon")) {
                in.PassedOver(item);
                break;
            }
            if (item.Element == "Description" ? !description.empty() : item.Element == "Lat" ? haveLat : haveLon)
                in.GivenTwice(item);
            if (item.Element == "Description")
                description = item.Value;
            else if (item.Element == "Lat") {
                lat = ReadDegrees(item.Value, item.Element, code, 90.0);
                haveLat = true;
            } else {
                lon = ReadDegrees(item.Value, item.Element, code, 180.0);
                haveLon = true;
            }
            break;
        case xkEnd:
            if (item.Element == "WayPoint") {
                inWayPoint = false;
                // An empty or missing Lat or Lon is no place either.
                if (!haveLat) InvalidDegrees("", "Lat", code);
                if (!haveLon) InvalidDegrees("", "Lon", code);
                Add(TWayPoint(TLocation(TGeoCoord{lon, lat, 0.0}, DefaultDatum()), code, description));
                code.clear();
                description.clear();
                haveLat = haveLon = false;
            } else if (item.Element == "WayPointSet") {
                takeDatum();
            } else if (item.Element == "Waypoints") {
                if (!datumTaken()) takeDatum();
                return true;
            }
            break;
        default:
            break;
        }
    }
    if (!datumTaken()) takeDatum();
    return false;
}
