#pragma once
// The define-waypoint dialog ("Define Waypoint"): code, description and a
// position typed as geographic or UTM coordinates, or as bearing and distance
// from another waypoint, on WGS 84 or on the datum of the given map. The
// caller hands the position in on WGS 84 and reads it back on WGS 84.

#include <string>

#include "ui/DialogForm.h"

class TMap;
class TWayPointSet;

class TDefineWayPoint : public TDialogForm {
    Q_OBJECT
public:
    explicit TDefineWayPoint(QWidget* parent = nullptr);
    ~TDefineWayPoint() override;

    // Set by the caller before the dialog is run: the waypoints offered as
    // references, and the map whose datum is offered (the current map).
    TWayPointSet* WayPoints = nullptr;
    TMap* Map = nullptr;

    void SetCode(const std::string& code);
    std::string Code() const;
    void SetDescription(const std::string& description);
    std::string Description() const;
    // Radians, on WGS 84 before Prepare and after Finish.
    double LatitudeValue = 0.0;
    double LongitudeValue = 0.0;

    void Prepare() override;
    void Finish() override;
    // Also "Latitude" and "Longitude" as decimal degrees on WGS 84.
    void ScriptField(const QString& name, const QString& value) override;

private:
    struct TPrivate;
    TPrivate* d;
};
