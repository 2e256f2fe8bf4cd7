#pragma once
// The define-map-reference dialog ("Define map reference"): the bitmap pixel
// of a reference point and its position, typed as geographic coordinates in
// one of three angle formats or as UTM coordinates, kept in step on the datum
// of the map the caller names (the map whose georeference is shown).

#include <string>

#include "ui/DialogForm.h"

class QLineEdit;
class TCoordFields;
class TMap;

class TDefineGeoref : public TDialogForm {
    Q_OBJECT
public:
    explicit TDefineGeoref(QWidget* parent = nullptr);
    ~TDefineGeoref() override;

    // Set by the caller: whose datum the coordinates are on (WGS 84 without).
    TMap* Map = nullptr;

    void SetPixel(int x, int y);
    std::string PixelXText() const;
    std::string PixelYText() const;
    // Both texts read as whole numbers.
    bool Pixel(int& x, int& y) const;
    // Radians, on the map's datum.
    double Latitude = 0.0;
    double Longitude = 0.0;

    // Both groups show the position handed in, on the map's datum.
    void Prepare() override;
    // Also "Latitude" and "Longitude" as decimal degrees on the map's datum,
    // and "Format" as an item index.
    void ScriptField(const QString& name, const QString& value) override;
    // The position is a place (no latitude beyond 90 degrees).
    bool CheckFields() override;

    QLineEdit* PixelX = nullptr;
    QLineEdit* PixelY = nullptr;
    // Latitude, Longitude, Format, Projection, Northing, Easting, Zone.
    TCoordFields* Coords = nullptr;
};
