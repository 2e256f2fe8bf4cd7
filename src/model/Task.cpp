#include "model/Task.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <type_traits>
#include <vector>

#include "model/Waypoint.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "platform/StringGrid.h"
#include "xml/Xmlfile.h"

namespace {

// Up to 15 significant digits, no trailing zeros: 200, 150.5.
std::string FormatGeneral(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, result.ptr);
}

template <class T>
bool Contains(const std::vector<const T*>& items, const T* item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

} // namespace

// ---------------------------------------------------------------- template

TTaskTemplate::TTaskTemplate() : TChampNode(ntTaskTemplate)
{
    UpdateName();
}

void TTaskTemplate::UpdateName()
{
    const std::string& shortName = GetAttribute(acShortName);
    FDisplayName = shortName.empty() ? "(New task template)" : shortName;
}

bool TTaskTemplate::CanDelete()
{
    return Instances.empty();
}

bool TTaskTemplate::AddInstance(TTaskInstance* instance)
{
    if (!instance || !Instances.insert(instance)) return false;
    instance->Template = this;
    instance->UpdateName();
    return true;
}

TTaskInstance* TTaskTemplate::FindInstance(const std::string& version)
{
    for (TTaskInstance* instance = Instances.first(); instance; instance = Instances.next()) {
        if (instance->GetAttribute(acVersion) == version) return instance;
    }
    return nullptr;
}

// ---------------------------------------------------------------- instance

TTaskInstance::TTaskInstance()
    : TChampNode(ntTaskInstance), FTurnPointCursor(FTurnPoints.end()), FStraightLegCursor(FStraightLegs.end()),
      FArcLegCursor(FArcLegs.end()), FGateCursor(FGates.end()), FZoneCursor(FZones.end())
{
    UpdateName();
}

TTaskInstance::~TTaskInstance()
{
    // No element's destructor touches another element, so the order is free.
    for (auto& [name, element] : FTurnPoints) delete element;
    for (auto& [name, element] : FStraightLegs) delete element;
    for (auto& [name, element] : FArcLegs) delete element;
    for (auto& [name, element] : FGates) delete element;
    for (auto& [name, element] : FZones) delete element;
}

void TTaskInstance::UpdateName()
{
    const std::string& version = GetAttribute(acVersion);
    FDisplayName = Template ? Template->GetAttribute(acShortName) + " - " + version : "??? - " + version;
}

bool TTaskInstance::CanDelete()
{
    auto* owner = dynamic_cast<TTaskOwner*>(Owner());
    return !owner || owner->CountTaskNumbersUsing(this) == 0;
}

// The map and cursor of a kind handed to f; `none` for other codes.
template <class Self, class R, class F>
R TTaskInstance::ForKind(Self& self, TCheckElementType kind, R none, F&& f)
{
    switch (kind) {
    case ceTurnPoint: return f(self.FTurnPoints, self.FTurnPointCursor);
    case ceGate: return f(self.FGates, self.FGateCursor);
    case ceStraightLeg: return f(self.FStraightLegs, self.FStraightLegCursor);
    case ceArcLeg: return f(self.FArcLegs, self.FArcLegCursor);
    case ceZone: return f(self.FZones, self.FZoneCursor);
    default: return none;
    }
}

template <class T>
bool TTaskInstance::AddElement(TElementMap<T>& map, T* element)
{
    if (!element) return false;
    // A number that is no number would be written as one the file cannot
    // read back.
    bool finite = std::isfinite(static_cast<const TCheckElement*>(element)->Radius);
    if constexpr (std::is_same_v<T, TGate>)
        finite = finite && std::isfinite(element->Bearing) && std::isfinite(element->Percent) &&
                 std::isfinite(element->Location.Geo.Lat) && std::isfinite(element->Location.Geo.Lon);
    if (!finite) throw TException("", "Invalid number", Excerpt(element->Name));
    if (!map.try_emplace(element->Name, element).second) return false;
    element->FInstance = this;
    ++ChangeCount;
    return true;
}

bool TTaskInstance::AddTurnPoint(TTurnPoint* element) { return AddElement(FTurnPoints, element); }
bool TTaskInstance::AddStraightLeg(TStraightLeg* element) { return AddElement(FStraightLegs, element); }
bool TTaskInstance::AddArcLeg(TArcLeg* element) { return AddElement(FArcLegs, element); }
bool TTaskInstance::AddGate(TGate* element) { return AddElement(FGates, element); }
bool TTaskInstance::AddZone(TZone* element) { return AddElement(FZones, element); }

TCheckElement* TTaskInstance::GetCheckElement(TCheckElementType kind, const std::string& name) const
{
    return ForKind(*this, kind, static_cast<TCheckElement*>(nullptr), [&](auto& map, auto&) -> TCheckElement* {
        auto it = map.find(name);
        return it == map.end() ? nullptr : it->second;
    });
}

bool TTaskInstance::RemoveCheckElement(TCheckElementType kind, const std::string& name)
{
    return ForKind(*this, kind, false, [&](auto& map, auto& cursor) {
        auto it = map.find(name);
        if (it == map.end()) return false;
        auto* element = it->second;
        using T = std::remove_pointer_t<decltype(element)>;
        if constexpr (std::is_same_v<T, TTurnPoint>) {
            if (FindReferencingElement(static_cast<const TTurnPoint*>(element))) return false;
        } else if constexpr (std::is_base_of_v<TLeg, T>) {
            const TLeg* leg = element;
            for (const auto& [gateName, gate] : FGates)
                if (gate->Leg == leg) return false;
        }
        if (cursor == it) ++cursor;
        map.erase(it);
        delete element;
        ++ChangeCount;
        return true;
    });
}

TCheckElement* TTaskInstance::FindReferencingElement(const TWayPoint* waypoint) const
{
    for (const auto& [name, turnPoint] : FTurnPoints)
        if (turnPoint->WayPoint == waypoint) return turnPoint;
    for (const auto& [name, gate] : FGates)
        if (gate->WayPoint == waypoint) return gate;
    return nullptr;
}

TCheckElement* TTaskInstance::FindReferencingElement(const TTurnPoint* turnPoint) const
{
    for (const auto& [name, leg] : FStraightLegs)
        if (leg->From == turnPoint || leg->To == turnPoint) return leg;
    for (const auto& [name, leg] : FArcLegs)
        if (leg->From == turnPoint || leg->To == turnPoint || leg->Mid == turnPoint) return leg;
    return nullptr;
}

TCheckElement* TTaskInstance::FirstCheckElement(TCheckElementType kind)
{
    ForKind(*this, kind, 0, [](auto& map, auto& cursor) {
        cursor = map.begin();
        return 0;
    });
    return NextCheckElement(kind);
}

TCheckElement* TTaskInstance::NextCheckElement(TCheckElementType kind)
{
    return ForKind(*this, kind, static_cast<TCheckElement*>(nullptr), [](auto& map, auto& cursor) -> TCheckElement* {
        if (cursor == map.end()) return nullptr;
        return (cursor++)->second;
    });
}

int TTaskInstance::CountCheckElements(TCheckElementType kind) const
{
    return ForKind(*this, kind, 0, [](auto& map, auto&) { return static_cast<int>(map.size()); });
}

// ---------------------------------------------------------------- waypoint moves

void TTaskInstance::CheckWayPointMove(const TWayPoint* waypoint, const TLocation& to) const
{
    auto at = [&](const TTurnPoint* turnPoint) -> const TLocation& {
        return turnPoint->WayPoint == waypoint ? to : turnPoint->Location;
    };
    for (const auto& [name, leg] : FArcLegs) {
        if (leg->From->WayPoint != waypoint && leg->To->WayPoint != waypoint && leg->Mid->WayPoint != waypoint)
            continue;
        TBaseArc probe;
        probe.Calculate(at(leg->From), at(leg->To), at(leg->Mid));
    }
}

void TTaskInstance::WayPointMoved(const TWayPoint* waypoint)
{
    // Turn points and waypoint gates first, then the legs on those turn
    // points, then the gates on those legs: each step reads the one before.
    std::vector<const TTurnPoint*> moved;
    bool changed = false;
    for (auto& [name, turnPoint] : FTurnPoints) {
        if (turnPoint->WayPoint != waypoint) continue;
        turnPoint->Recompute();
        moved.push_back(turnPoint);
        changed = true;
    }
    for (auto& [name, gate] : FGates) {
        if (gate->WayPoint != waypoint) continue;
        gate->Recompute();
        changed = true;
    }
    std::vector<const TLeg*> legs;
    for (auto& [name, leg] : FStraightLegs) {
        if (!Contains(moved, leg->From) && !Contains(moved, leg->To)) continue;
        leg->Recompute();
        legs.push_back(leg);
    }
    for (auto& [name, leg] : FArcLegs) {
        if (!Contains(moved, leg->From) && !Contains(moved, leg->To) && !Contains(moved, leg->Mid)) continue;
        leg->Recompute();
        legs.push_back(leg);
    }
    for (auto& [name, gate] : FGates) {
        if (gate->Leg && Contains(legs, static_cast<const TLeg*>(gate->Leg))) gate->Recompute();
    }
    if (changed) ++ChangeCount;
}

// ---------------------------------------------------------------- table

void TTaskInstance::FillGrid(TStringGrid* grid)
{
    if (!grid) return;
    {
        TGridUpdateLock lock(grid);
        if (grid->ColCount() < 7) grid->SetColCount(7);
        grid->SetRowCount(2);
        // An instance without elements must not show the last one's row.
        grid->ClearRow(1);
        static const char* const Headings[7] = {" Type", " Name", " Lat / Ref", " Lon / Ref",
                                                " Radius", " Bearing", " Length"};
        for (int col = 0; col < 7; ++col) grid->SetCell(col, 0, Headings[col]);

        int row = 0;
        auto put = [&](const char* type, const TCheckElement* element, const std::string& ref1,
                       const std::string& ref2, const std::string& bearing, const std::string& length) {
            ++row;
            grid->SetRowCount(row + 1);
            grid->SetCell(0, row, type);
            grid->SetCell(1, row, element->Name);
            grid->SetCell(2, row, ref1);
            grid->SetCell(3, row, ref2);
            grid->SetCell(4, row, FormatGeneral(element->Radius));
            grid->SetCell(5, row, bearing);
            grid->SetCell(6, row, length);
        };
        for (const auto& [name, turnPoint] : FTurnPoints) {
            const TGeoCoord& at = turnPoint->Location.Geo;
            put("TP", turnPoint, FormatAngle(at.Lat, 11), FormatAngle(at.Lon, 19), "", "");
        }
        for (const auto& [name, gate] : FGates) {
            const TGeoCoord& at = gate->Location.Geo;
            put("GATE", gate, FormatAngle(at.Lat, 11), FormatAngle(at.Lon, 19), FormatNumber("000", gate->Bearing), "");
        }
        for (const auto& [name, leg] : FStraightLegs) {
            put("LEG", leg, leg->From->Name, leg->To->Name, FormatNumber("000", leg->Start.Course(leg->End)),
                FormatNumber("# ### ##0", leg->Length()));
        }
        for (const auto& [name, leg] : FArcLegs) put("ARC", leg, leg->From->Name, leg->To->Name, "", "");
    }
    Platform::ActivateTable(grid, this);
}

// ---------------------------------------------------------------- file

namespace {

// An attribute text that is wholly one finite number. Anything else is
// refused rather than read as 0, as a prefix ("1,5" as 1) or as a NaN that
// would spread through every computation on the element.
double FiniteNumber(const TXmlData& item)
{
    double value = 0.0;
    if (!ParseDouble(item.Value, value) || !std::isfinite(value))
        throw TException(item.Name, "Invalid number", Excerpt(item.Value));
    return value;
}

[[noreturn]] void Refuse(const char* what, const std::string& details)
{
    throw TException("", what, Excerpt(details));
}

TTaskOwner* TaskOwnerOf(const TChampNode* node)
{
    return node ? dynamic_cast<TTaskOwner*>(node->Owner()) : nullptr;
}

} // namespace

void TTaskTemplate::WriteXml(TXmlOutput& out)
{
    WriteXmlHead(out, false);
    for (TTaskInstance* instance = Instances.first(); instance; instance = Instances.next()) instance->WriteXml(out);
    WriteXmlTail(out);
}

bool TTaskTemplate::ReadXml(TXmlInput& in)
{
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    while (in.HasData()) {
        TXmlData item = in.Get();
        switch (item.Kind) {
        case xkStart:
            if (item.Element == "TaskInstance") {
                auto instance = std::make_unique<TTaskInstance>();
                instance->SetOwner(Owner());
                instance->Template = this;
                instance->ReadXml(in);
                if (!AddInstance(instance.get())) {
                    if (TTaskOwner* owner = TaskOwnerOf(this))
                        owner->LoadWarning("Task template " + KeyValue() + " holds version \"" +
                                           instance->GetAttribute(acVersion) +
                                           "\" twice; the second one was dropped.");
                    break;
                }
                instance.release();
            }
            break;
        case xkEnd:
            if (item.Element == "TaskTemplate") return true;
            break;
        case xkAttribute:
        case xkText:
            ReadAttributeItem(in, item, "TaskTemplate");
            break;
        default:
            break;
        }
    }
    return false;
}

void TTaskInstance::WriteXml(TXmlOutput& out)
{
    WriteXmlHead(out, false);
    auto radius = [&](const TCheckElement* element) {
        out.WriteAttribute("Radius", FormatNumber("0", out.Number("Radius", element->Radius)));
    };

    out.OpenElement("TurnPoints");
    for (const auto& [name, turnPoint] : FTurnPoints) {
        out.BeginTag("TurnPoint");
        out.WriteAttribute("WayPoint", turnPoint->Name);
        radius(turnPoint);
        out.EndEmptyTag();
    }
    out.CloseElement();

    out.OpenElement("Legs");
    for (const auto& [name, leg] : FStraightLegs) {
        out.BeginTag("Leg");
        out.WriteAttribute("From", leg->From->Name);
        out.WriteAttribute("To", leg->To->Name);
        radius(leg);
        out.EndEmptyTag();
    }
    out.CloseElement();

    out.OpenElement("ArcLegs");
    for (const auto& [name, leg] : FArcLegs) {
        out.BeginTag("ArcLeg");
        out.WriteAttribute("From", leg->From->Name);
        out.WriteAttribute("To", leg->To->Name);
        out.WriteAttribute("Mid", leg->Mid->Name);
        radius(leg);
        out.EndEmptyTag();
    }
    out.CloseElement();

    out.OpenElement("Gates");
    for (const auto& [name, gate] : FGates) {
        out.BeginTag("Gate");
        if (gate->Leg) {
            out.WriteAttribute("From", gate->Leg->From->Name);
            out.WriteAttribute("To", gate->Leg->To->Name);
            if (const TTurnPoint* mid = gate->Leg->GetMid()) out.WriteAttribute("Mid", mid->Name);
            out.WriteAttribute("Percent", FormatNumber("0.##", out.Number("Percent", gate->Percent)));
        } else {
            out.WriteAttribute("WayPoint", gate->WayPoint ? gate->WayPoint->Code : std::string());
            out.WriteAttribute("Bearing", FormatNumber("0", out.Number("Bearing", gate->Bearing)));
        }
        radius(gate);
        out.EndEmptyTag();
    }
    out.CloseElement();

    WriteXmlTail(out);
}

bool TTaskInstance::ReadXml(TXmlInput& in)
{
    TTaskOwner* owner = TaskOwnerOf(this);
    TWayPointSet* waypoints = owner ? owner->TaskWayPoints() : nullptr;
    auto warn = [&](const std::string& text) {
        if (owner) owner->LoadWarning("Task " + DisplayName() + ": " + text);
    };
    auto findWayPoint = [&](const std::string& code) { return waypoints ? waypoints->Find(code) : nullptr; };
    auto turnPoint = [&](const std::string& name) {
        return static_cast<TTurnPoint*>(GetCheckElement(ceTurnPoint, name));
    };

    // What the elements read so far said; the numbers carry over to the
    // next element that does not give its own.
    std::string wayPoint, from, to, mid;
    double bearing = 0.0, percent = 0.0, radius = 0.0;

    while (in.HasData()) {
        TXmlData item = in.Get();
        switch (item.Kind) {
        case xkAttribute:
            if (item.Name == "Version" && item.Element == "TaskInstance")
                SetAttribute(acVersion, item.Value);
            else if (item.Name == "WayPoint")
                wayPoint = item.Value;
            else if (item.Name == "From")
                from = item.Value;
            else if (item.Name == "To")
                to = item.Value;
            else if (item.Name == "Mid")
                mid = item.Value;
            else if (item.Name == "Bearing")
                bearing = FiniteNumber(item);
            else if (item.Name == "Percent")
                percent = FiniteNumber(item);
            else if (item.Name == "Radius")
                radius = FiniteNumber(item);
            else
                throw TException("", "Invalid parameter in task instance", ItemText(item.Name, item));
            break;
        case xkEnd:
            if (item.Element == "TurnPoint") {
                if (TWayPoint* waypoint = findWayPoint(wayPoint)) {
                    auto element = std::make_unique<TTurnPoint>(waypoint, radius);
                    if (!AddTurnPoint(element.get())) Refuse("Can't add Turn Point", wayPoint);
                    element.release();
                } else {
                    warn("turn point " + wayPoint + " names no waypoint and was dropped.");
                }
                wayPoint.clear();
            } else if (item.Element == "Leg") {
                TTurnPoint* a = turnPoint(from);
                TTurnPoint* b = turnPoint(to);
                if (a && b) {
                    auto element = std::make_unique<TStraightLeg>(a, b, radius);
                    if (!AddStraightLeg(element.get())) Refuse("Can't add Leg", from + " - " + to);
                    element.release();
                } else {
                    warn("leg " + from + " - " + to + " names a missing turn point and was dropped.");
                }
                to.clear();
                from.clear();
                wayPoint.clear();
            } else if (item.Element == "ArcLeg") {
                TTurnPoint* a = turnPoint(from);
                TTurnPoint* b = turnPoint(to);
                TTurnPoint* m = turnPoint(mid);
                if (a && b && m) {
                    auto element = std::make_unique<TArcLeg>(a, b, m, radius);
                    if (!AddArcLeg(element.get())) Refuse("Can't add Leg", from + " - " + mid + " - " + to);
                    element.release();
                } else {
                    warn("arc leg " + from + " - " + mid + " - " + to + " names a missing turn point and was dropped.");
                }
                mid.clear();
                to.clear();
                from.clear();
                wayPoint.clear();
            } else if (item.Element == "Gate") {
                // Named as it is written: by its waypoint or by its leg.
                const std::string name = !wayPoint.empty() ? wayPoint
                                         : mid.empty()     ? from + " - " + to
                                                           : from + " - " + mid + " - " + to;
                std::unique_ptr<TGate> gate;
                if (!wayPoint.empty()) {
                    if (TWayPoint* waypoint = findWayPoint(wayPoint))
                        gate = std::make_unique<TGate>(waypoint, bearing, radius);
                } else if (mid.empty()) {
                    if (TCheckElement* found = GetCheckElement(ceStraightLeg, name))
                        gate = std::make_unique<TGate>(static_cast<TStraightLeg*>(found), percent, radius);
                } else {
                    if (TCheckElement* found = GetCheckElement(ceArcLeg, name))
                        gate = std::make_unique<TGate>(static_cast<TArcLeg*>(found), percent, radius);
                }
                if (!wayPoint.empty()) {
                    wayPoint.clear();
                } else {
                    mid.clear();
                    to.clear();
                    from.clear();
                }
                if (!gate || !AddGate(gate.get())) Refuse("Can't add Gate", name);
                gate.release();
            } else if (item.Element == "TaskInstance") {
                return true;
            }
            break;
        case xkText:
            in.PassedOver(item);
            break;
        default:
            break;
        }
    }
    return false;
}
