#pragma once
// The define-waypoint dialog ("Define Waypoint"): code, description and a
// position typed as geographic or UTM coordinates, or as bearing and distance
// from another waypoint, on WGS 84 or on the datum of the given map. The
// caller hands the position in on WGS 84 and reads it back on WGS 84.

#include <string>

#include "ui/DialogForm.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class TCoordFields;
class TDatum;
class TMap;
class TMaskEdit;
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
    // As the championship file gives it back: trimmed, runs of blanks one.
    std::string Description() const;
    // Radians, on WGS 84 before Prepare and after Finish; on EditDatum while
    // the dialog is shown.
    double LatitudeValue = 0.0;
    double LongitudeValue = 0.0;

    // Shows the position on the map's datum, no reference chosen.
    void Prepare() override;
    // Back to WGS 84, whichever datum was shown.
    void Finish() override;
    // Also "Latitude" and "Longitude" as decimal degrees on WGS 84, and
    // "Format" and "DatumSelect" as item indexes.
    void ScriptField(const QString& name, const QString& value) override;
    // The position is a place and the reference bearing, when one is
    // measured, no more than 360 degrees.
    bool CheckFields() override;

    // Converts the position into the datum and edits on it from now on.
    void SetEditDatum(const TDatum* datum);
    // Bearing and distance from the chosen reference waypoint to the position.
    void UpdateReference();

    // The datum the position is edited on (WGS 84 or MapDatum).
    const TDatum* EditDatum() const;
    // The map's datum, taken when the dialog is shown.
    const TDatum* MapDatum;

    QLineEdit* CodeEdit = nullptr;        // "Code"
    QLineEdit* DescriptionEdit = nullptr; // "Description"
    QButtonGroup* DatumSelect = nullptr;
    QComboBox* RefWaypointList = nullptr;
    TMaskEdit* RefBearing = nullptr;
    TMaskEdit* RefDistance = nullptr;
    TCoordFields* Coords = nullptr;

private:
    void DatumSelectClick(int item);
    void RefChange();

    bool FRefBusy = false;
};
