#pragma once
// Waypoints and the championship's one waypoint set, from which the turn
// points and gates of tasks are made.
//
// Waypoints in use. A turn point or gate made from a waypoint keeps a pointer
// to it and registers itself with it (its destructor unregisters), so the set
// knows which waypoints tasks rely on. Such a waypoint is never deleted and
// never changes its code: both are refused with a TException, because the
// elements would point to freed memory and a saved file would no longer
// load. A change of position goes through Update, which moves the elements
// along (see there). A held waypoint's Code must not be assigned directly:
// the set is ordered by it.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "geodesy/Base.h"
#include "geodesy/Datum.h"
#include "model/Champobjects.h"

class TStringGrid;
class TTurnPoint;
class TGate;

class TWayPoint : public TBasePoint {
public:
    TWayPoint() = default;
    TWayPoint(const TLocation& location, const std::string& code, const std::string& description = {});
    // A copy is another waypoint: the elements made from the original stay
    // with the original.
    TWayPoint(const TWayPoint& other);
    TWayPoint& operator=(const TWayPoint& other);
    // Elements still made from the waypoint lose their pointer to it.
    ~TWayPoint() override;

    // Codes compared byte by byte (unsigned); a prefix comes first.
    bool operator<(const TWayPoint& other) const { return Code < other.Code; }
    bool operator==(const TWayPoint& other) const { return Code == other.Code; }

    // The turn points and gates made from this waypoint.
    const std::vector<TTurnPoint*>& TurnPointUsers() const { return FTurnPoints; }
    const std::vector<TGate*>& GateUsers() const { return FGates; }
    bool InUse() const { return !FTurnPoints.empty() || !FGates.empty(); }

    std::string Code;
    std::string Description;

private:
    friend class TTurnPoint;
    friend class TGate;
    void Attach(TTurnPoint* user) { FTurnPoints.push_back(user); }
    void Attach(TGate* user) { FGates.push_back(user); }
    void Detach(const TTurnPoint* user) noexcept;
    void Detach(const TGate* user) noexcept;

    std::vector<TTurnPoint*> FTurnPoints;
    std::vector<TGate*> FGates;
};

class TWayPointSet : public TChampNode {
public:
    TWayPointSet();
    TWayPointSet(const TWayPointSet&) = delete;
    TWayPointSet& operator=(const TWayPointSet&) = delete;
    ~TWayPointSet() override;

    // The display name is always "Waypoints".
    void UpdateName() override;
    // The eight-column waypoint table, then the table is activated.
    void FillGrid(TStringGrid* grid) override;
    void WriteXml(TXmlOutput& out) override;
    // Reads on past its own end tag, to the end of the enclosing "Waypoints";
    // true there, false when the items run out first.
    bool ReadXml(TXmlInput& in) override;

    // Inserts a copy and returns it. Throws "Duplicate waypoint code" (where
    // "Add waypoint to list", details the code) and keeps the set as it was;
    // so it does with "Invalid position" for a place that is not finite or
    // lies beyond 90 degrees of latitude or 180 of longitude.
    TWayPoint* Add(const TWayPoint& waypoint);
    // Removes the waypoint with that code. Throws "Can't delete. Waypoint
    // does not exist." when there is none and "Waypoint <code> is being
    // used. Can't delete." (details: the task using it) while an element is
    // made from it.
    void Delete(const TWayPoint& waypoint);
    // The waypoint editor's replacement of the waypoint with `code`: takes
    // code, description and position of `replacement` and returns the stored
    // waypoint, which keeps its address. A waypoint in use keeps its code
    // ("Waypoint <code> is being used. Can't change its code."); when it
    // moves, its turn points and gates move with it, the legs and gates
    // built on those are computed again from the same construction values
    // (bearing, percentage), and each task instance concerned raises its
    // ChangeCount. An arc leg that can no longer be computed refuses the
    // whole edit with its own message and nothing changes. Other failures:
    // "Can't change. Waypoint does not exist.", "Duplicate waypoint code",
    // "Invalid position" (as Add).
    TWayPoint* Update(const std::string& code, const TWayPoint& replacement);

    // The waypoint with exactly that code, or null. When found, the walk
    // cursor is left on the waypoint after it.
    TWayPoint* Find(const std::string& code);
    // Walk in code order; one cursor per set, so walks cannot be nested.
    void First();
    TWayPoint* Next();
    // Smallest (dLon^2 + dLat^2) in radians, unscaled; the first in code
    // order wins a tie; null for an empty set.
    TWayPoint* FindNearest(const TGeoCoord& p);
    std::size_t Count() const { return FWayPoints.size(); }

    // Selects the row of the waypoint's code and scrolls it into view;
    // nothing when no row shows that code.
    void SelectInGrid(TStringGrid* grid, const TWayPoint* waypoint) const;

    // The datum in which the map shows the waypoints: WGS 84 until the file
    // names another one.
    const TDatum* GetDatum() const { return &FDatum; }

private:
    using TWayPoints = std::map<std::string, TWayPoint>;
    TWayPoints FWayPoints;
    TWayPoints::iterator FCursor;
    TDatum FDatum;
};
