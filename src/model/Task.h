#pragma once
// The task catalogue: task templates and their versions, the task instances.
// An instance holds the geometry of a task as check elements of five kinds,
// one map per kind keyed by the element's name (byte-wise order), and owns
// them.
//
// Walks: FirstCheckElement (kind), then NextCheckElement (the same kind)
// until null. Each kind has one cursor, so walks of different kinds may
// interleave, two walks of one kind may not. Removing the element under a
// cursor moves that cursor on to the next element.
//
// ChangeCount grows by one with every element added or removed and with
// every move of a waypoint that the instance's elements follow; the flight
// analysis repeats its search when it differs from the one it remembers.

#include <cstdint>
#include <map>
#include <string>

#include "model/Champobjects.h"
#include "model/Checkelements.h"
#include "model/PtrSet.h"

class TStringGrid;
class TTaskInstance;
class TWayPoint;
class TWayPointSet;

// What a task instance asks of the node that owns it. The championship
// implements it; an owner without it uses no task instance.
class TTaskOwner {
public:
    // The number of task numbers, over all classes, that use the instance.
    virtual int CountTaskNumbersUsing(const TTaskInstance* instance) = 0;
    // The waypoints that a task instance read from the file refers to by
    // code; null when the owner has none.
    virtual TWayPointSet* TaskWayPoints() { return nullptr; }
    // Something read was dropped or could not be attached; the load reports
    // it once done. Without an owner that collects them the text is lost.
    virtual void LoadWarning(const std::string& text) { (void)text; }

protected:
    ~TTaskOwner() = default;
};

class TTaskTemplate : public TChampNode {
public:
    TTaskTemplate();

    // The ShortName, or "(New task template)" while it is empty.
    void UpdateName() override;
    // Only a template without instances.
    bool CanDelete() override;
    // The generic element (ShortName, Name, Description), then each
    // instance in Version order.
    void WriteXml(TXmlOutput& out) override;
    // Reads up to its end tag. Each instance is read with this template and
    // the template's owner already known, and enters the template's set
    // only once read, so its place is that of its Version; an instance
    // whose Version the template already has is dropped with a load warning.
    bool ReadXml(TXmlInput& in) override;

    // True when the instance was taken (its Template is then this); false
    // when another instance has the same Version, and then the instance is
    // left untouched for the caller to delete.
    bool AddInstance(TTaskInstance* instance);
    // The first instance whose Version equals the text byte for byte, or
    // null; moves the cursor of Instances.
    TTaskInstance* FindInstance(const std::string& version);

    // Ordered by Version; deleted with the template.
    PtrSetOwner<TTaskInstance*> Instances;
};

class TTaskInstance : public TChampNode {
public:
    TTaskInstance();
    TTaskInstance(const TTaskInstance&) = delete;
    TTaskInstance& operator=(const TTaskInstance&) = delete;
    // Deletes every element.
    ~TTaskInstance() override;

    // "<template ShortName> - <Version>", or "??? - <Version>" without a
    // template.
    void UpdateName() override;
    // The seven-column element table, then the table is activated.
    void FillGrid(TStringGrid* grid) override;
    // True when no task number uses the instance.
    bool CanDelete() override;
    // The TaskInstance element with its four collections (turn points,
    // legs, arc legs, gates; zones are not stored), elements by reference
    // to the names they are built on.
    void WriteXml(TXmlOutput& out) override;
    // Rebuilds the elements from the owner's waypoints as their end tags
    // arrive. An attribute missing from an element is the value of the
    // element before (Radius, Bearing, Percent). Throws TException "Invalid
    // parameter in task instance", "Invalid number" (details: a Radius,
    // Bearing or Percent text without a leading number), "Can't add Turn
    // Point", "Can't add Leg", "Can't add Gate" or the arc leg's message;
    // turn points of unknown waypoints and legs on missing turn points are
    // dropped with a load warning.
    bool ReadXml(TXmlInput& in) override;

    // True: the instance owns the element from now on. False: an element of
    // that kind has the same name, nothing changed, and the caller deletes
    // the element. An element whose radius, bearing, percentage or place is
    // not a finite number throws TException "Invalid number" (details: its
    // name); the caller keeps it.
    bool AddTurnPoint(TTurnPoint* element);
    bool AddStraightLeg(TStraightLeg* element);
    bool AddArcLeg(TArcLeg* element);
    bool AddGate(TGate* element);
    bool AddZone(TZone* element);

    // Null when absent or for a kind outside 1 to 5.
    TCheckElement* GetCheckElement(TCheckElementType kind, const std::string& name) const;
    // Removes and deletes the element. False when it is absent, the kind is
    // outside 1 to 5, a leg stands on the turn point or a gate on the leg.
    bool RemoveCheckElement(TCheckElementType kind, const std::string& name);
    // The first element that refers to the object: turn points and gates
    // made from the waypoint; straight legs and arc legs from, to or through
    // the turn point. Each kind in name order; zones are not searched.
    TCheckElement* FindReferencingElement(const TWayPoint* waypoint) const;
    TCheckElement* FindReferencingElement(const TTurnPoint* turnPoint) const;
    // An untyped pointer would miss the element part of a two-base class.
    TCheckElement* FindReferencingElement(const void*) const = delete;

    TCheckElement* FirstCheckElement(TCheckElementType kind);
    TCheckElement* NextCheckElement(TCheckElementType kind);
    // 0 for a kind outside 1 to 5.
    int CountCheckElements(TCheckElementType kind) const;

    // For the waypoint set's Update. Throws what an arc leg throws when it
    // could not be computed with the waypoint at `to`; changes nothing.
    void CheckWayPointMove(const TWayPoint* waypoint, const TLocation& to) const;
    // The waypoint has moved: its turn points and gates follow, the legs on
    // those turn points and the gates on those legs are computed again, and
    // ChangeCount moves on when anything followed.
    void WayPointMoved(const TWayPoint* waypoint);

    TTaskTemplate* Template = nullptr; // not owned
    std::int32_t ChangeCount = 0;

private:
    template <class T>
    using TElementMap = std::map<std::string, T*>;

    template <class Self, class R, class F>
    static R ForKind(Self& self, TCheckElementType kind, R none, F&& f);
    template <class T>
    bool AddElement(TElementMap<T>& map, T* element);

    TElementMap<TTurnPoint> FTurnPoints;
    TElementMap<TStraightLeg> FStraightLegs;
    TElementMap<TArcLeg> FArcLegs;
    TElementMap<TGate> FGates;
    TElementMap<TZone> FZones;
    TElementMap<TTurnPoint>::iterator FTurnPointCursor;
    TElementMap<TStraightLeg>::iterator FStraightLegCursor;
    TElementMap<TArcLeg>::iterator FArcLegCursor;
    TElementMap<TGate>::iterator FGateCursor;
    TElementMap<TZone>::iterator FZoneCursor;
};
