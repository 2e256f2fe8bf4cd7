#pragma once
// The position fields of the coordinate dialogs (map reference, waypoint):
// latitude and longitude as masked texts in one of three angle formats, and
// the UTM northing, easting and zone. The two groups stay in step while the
// user types, on the ellipsoid of `Datum`.
//
// Text that does not read is replaced from the other group; a hemisphere
// letter that is not one of the two is put back from the last text accepted
// or shown, and selected, so the user sees what was kept.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "geodesy/Coord.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QWidget;
class TDatum;
class TMaskEdit;

// The angle formats, in the order of the `Format` items.
enum TAngleFormat { afDegMinSec = 0, afDegMin = 1, afDegrees = 2 };

// The input text of an angle: degrees (two digits, three for a longitude),
// the format's further digits and the hemisphere letter.
QString AngleText(double radians, int format, bool longitude);
// The unsigned degrees of an input text (the letter is not read); false
// when a part is not a whole number. Blank parts count 0.
bool ParseAngle(const QString& text, int format, bool longitude, double& degrees);

// Sets a re-entry flag for a scope; it is cleared however the scope ends.
class TReentry {
public:
    explicit TReentry(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TReentry() { FFlag = false; }
    TReentry(const TReentry&) = delete;
    TReentry& operator=(const TReentry&) = delete;

private:
    bool& FFlag;
};

class TCoordFields : public QObject {
    Q_OBJECT
public:
    // The position lives in the dialog's own fields (radians on Datum).
    TCoordFields(QWidget* owner, double& latitude, double& longitude);

    // The two groups, for the dialog's layout.
    QGroupBox* Geographic = nullptr; // Latitude, Longitude, Format
    QGroupBox* Grid = nullptr;       // Projection, Zone, Easting, Northing

    TMaskEdit* Latitude = nullptr;
    TMaskEdit* Longitude = nullptr;
    TMaskEdit* Northing = nullptr;
    TMaskEdit* Easting = nullptr;
    TMaskEdit* Zone = nullptr;
    QComboBox* Projection = nullptr;
    QGroupBox* Format = nullptr;

    // Every conversion is on this datum's ellipsoid; never null.
    const TDatum* Datum;
    double EastingValue = 0.0;
    double NorthingValue = 0.0;
    std::string ZoneText;
    int LastFormat = -1;
    // Blocks the change handlers while one of them (or the dialog) writes.
    bool Busy = false;
    // After grid-to-geographic, show the zone the computed position lies in
    // (moving easting and northing into it when the number differs).
    bool ZoneOfPosition = false;
    // Runs whenever the position was written anew or typed.
    std::function<void()> PositionChanged;

    int ChosenFormat() const;
    // Chooses the item and applies it.
    void SetFormat(int format);
    // Rebuilds both angle texts and masks when the chosen format is new.
    void FormatClick();

    // Geographic to grid: easting, northing and zone from the position.
    void UpdateGridFields();
    // Grid to geographic: the position and its texts from easting, northing
    // and zone.
    void UpdateGeoFields();
    // Both groups from the position (the dialog being shown).
    void ShowPosition();
    // Whether the position is a place: latitude within 90 degrees either
    // side, longitude within 180. When not, a message says which is out.
    bool CheckPosition() const;
    // "Latitude" / "Longitude" in decimal degrees on `onDatum`, "Format" as
    // an item index; false for other names.
    bool ScriptField(const QString& name, const QString& value, const TDatum* onDatum);

private:
    void AngleChange(bool longitude);
    void GridChange(TMaskEdit* edit, double& value);
    void ZoneChange();
    void WriteAngles();

    double& FLatitude;
    double& FLongitude;
    QButtonGroup* FFormatItems = nullptr;
    // The last angle texts accepted from the user or shown by the dialog.
    QString FLastLatitude;
    QString FLastLongitude;
};
