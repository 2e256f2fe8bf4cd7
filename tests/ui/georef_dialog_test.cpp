// The map-reference dialog driven as a user would: shown, prepared, typed
// into, read back. Also the mask conversion it is built on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "geodesy/Datum.h"
#include "model/Champobjects.h"
#include "model/Map.h"
#include "ui/CoordFields.h"
#include "ui/FormControls.h"
#include "ui/UDefineGeoref.h"
#include "coord_keys.h"

namespace {

// Types `keys` into the edit starting at the display index.
void TypeAt(TMaskEdit* edit, int displayIndex, const QString& keys)
{
    edit->setFocus();
    edit->setCursorPosition(displayIndex);
    TypeKeys(edit, keys);
}

void ShowAndPrepare(TDialogForm& dialog)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.Prepare();
}

} // namespace

TEST(FormMask, DigitsSwapLettersMapAndLiteralsStayOutOfTheText)
{
    EXPECT_EQ(MaskToQt(" 0 000 000 m;0;_"), " 9 999 999 m;_");
    EXPECT_EQ(MaskToQt(" 9 999 990 m;0;_"), " 0 000 009 m;_");
    QVector<int> inputs;
    EXPECT_EQ(MaskToQt(QString::fromUtf8("! 00º 00.0000' >L;0;_"), &inputs), QString::fromUtf8(" 99º 99.9999' >A;_"));
    EXPECT_EQ(inputs, (QVector<int>{1, 2, 5, 6, 8, 9, 10, 11, 14}));
    // A literal that Qt would read as a class is escaped.
    EXPECT_EQ(MaskToQt("0 Nm;0;_"), "9 \\Nm;_");

    TMaskEdit zone;
    zone.SetEditMask(" 90 >L;0;_");
    zone.SetInputText(" 5t");
    EXPECT_EQ(zone.InputText(), " 5T");
    // A blank where a digit is required keeps the later characters in place.
    TMaskEdit distance;
    distance.SetEditMask(" 0 000 000 m;0;_");
    distance.SetInputText("12 4567");
    EXPECT_EQ(distance.InputText(), "12 4567");
    EXPECT_EQ(distance.displayText(), " 1 2_4 567 m");
}

TEST(DefineGeoref, TypingOverTheHemisphereLetterRestoresAndSelectsIt)
{
    TDefineGeoref dialog;
    dialog.Latitude = DegToRad(12.25);
    dialog.Longitude = DegToRad(3.5);
    ShowAndPrepare(dialog);
    TMaskEdit* lat = dialog.Coords->Latitude;
    TypeAt(lat, lat->InputPosition(8), "s"); // accepted: now south
    EXPECT_EQ(lat->InputText(), "12150000S");
    dialog.hide();

    // The next showing is north again; an 'X' over its letter must bring back
    // the 'N' shown, not the 'S' typed in the last showing.
    dialog.Latitude = DegToRad(45.5);
    dialog.Longitude = DegToRad(-73.25);
    ShowAndPrepare(dialog);
    TypeAt(lat, lat->InputPosition(8), "x");
    EXPECT_EQ(lat->InputText(), "45300000N");
    EXPECT_EQ(lat->selectedText(), "N");
    EXPECT_EQ(lat->selectionStart(), lat->InputPosition(8));
    // The digits typed before stay.
    TypeAt(lat, 1, "46");
    TypeAt(lat, lat->InputPosition(8), "x");
    EXPECT_EQ(lat->InputText(), "46300000N");
    EXPECT_NEAR(RadToDeg(dialog.Latitude), 46.5, 1e-12);

    TMaskEdit* lon = dialog.Coords->Longitude;
    TypeAt(lon, 0, "074");
    TypeAt(lon, lon->InputPosition(9), "q");
    EXPECT_EQ(lon->InputText(), "074150000W");
    EXPECT_EQ(lon->selectedText(), "W");
    EXPECT_NEAR(RadToDeg(dialog.Longitude), -74.25, 1e-12);
}

TEST(DefineGeoref, FormatsRebuildFromTheAnglesAndRoundAtTheirLastDigit)
{
    TDefineGeoref dialog;
    const double lat = DegToRad(10.0 + 59.999999 / 60.0);
    const double lon = DegToRad(-(7.0 + 1.0 / 3.0 + 1e-8));
    dialog.Latitude = lat;
    dialog.Longitude = lon;
    ShowAndPrepare(dialog);
    const double shownLat = dialog.Latitude; // as read back from the grid
    const double shownLon = dialog.Longitude;
    EXPECT_NEAR(shownLat, lat, 1e-10);
    EXPECT_EQ(dialog.Coords->Latitude->InputText(), "11000000N"); // 59' 59.99994" carried twice
    EXPECT_EQ(dialog.Coords->Longitude->InputText(), "007200000W");

    auto choose = [&](int format) { dialog.findChild<QRadioButton*>(QStringLiteral("Format%1").arg(format))->click(); };
    choose(1);
    EXPECT_EQ(dialog.Coords->Latitude->InputText(), "11000000N"); // 59.99999' rounds into 11 degrees
    EXPECT_EQ(dialog.Coords->Latitude->displayText(), QString::fromUtf8(" 11º 00.0000' N"));
    EXPECT_EQ(dialog.Coords->Longitude->InputText(), "007200000W");
    choose(2);
    EXPECT_EQ(dialog.Coords->Longitude->displayText(), QString::fromUtf8("007.333333º W"));
    choose(0);
    EXPECT_EQ(dialog.Latitude, shownLat);
    EXPECT_EQ(dialog.Longitude, shownLon);
    EXPECT_EQ(dialog.Coords->Latitude->InputText(), "11000000N");

    // Typed in the decimal-minute format.
    choose(1);
    TMaskEdit* latEdit = dialog.Coords->Latitude;
    TypeAt(latEdit, 1, "4530");
    EXPECT_NEAR(RadToDeg(dialog.Latitude), 45.5, 1e-12);
}

TEST(DefineGeoref, GridAndGeographicFollowEachOtherOnTheMapsDatum)
{
    TMap map;
    map.SetAttribute(acDatum, "European 1950");
    map.SetAttribute(acRegion, "Portugal; Spain");
    const TEllipsoid& hayford = map.GetDatum()->Ellipsoid;
    ASSERT_NE(hayford.A, DefaultDatum()->Ellipsoid.A);

    TDefineGeoref dialog;
    dialog.Map = &map;
    dialog.SetPixel(120, -4);
    dialog.Latitude = DegToRad(40.4);
    dialog.Longitude = DegToRad(-3.7);
    ShowAndPrepare(dialog);
    const TUtmCoord utm = GeoToUtm(TGeoCoord{DegToRad(-3.7), DegToRad(40.4), 0.0}, hayford);
    EXPECT_NEAR(dialog.Coords->EastingValue, utm.X, 1e-6);
    EXPECT_EQ(dialog.Coords->Zone->InputText(), "30T");
    EXPECT_EQ(dialog.Coords->Northing->InputText().toStdString(), std::to_string(std::lround(utm.Y)));

    // A northing typed: the position moves on the map's ellipsoid.
    TMaskEdit* northing = dialog.Coords->Northing;
    TypeAt(northing, 1, "4500000");
    TGeoCoord expected = TUtmCoord(dialog.Coords->EastingValue, 4500000.0, 0.0, "30T").ToGeo(hayford);
    EXPECT_NEAR(dialog.Latitude, expected.Lat, 1e-12);
    EXPECT_NEAR(dialog.Longitude, expected.Lon, 1e-12);

    // Another zone: the same easting and northing, read in that zone.
    TMaskEdit* zone = dialog.Coords->Zone;
    TypeAt(zone, 2, "1");
    EXPECT_EQ(zone->InputText(), "31T");
    expected = TUtmCoord(dialog.Coords->EastingValue, 4500000.0, 0.0, "31T").ToGeo(hayford);
    EXPECT_NEAR(dialog.Longitude, expected.Lon, 1e-12);
    EXPECT_NEAR(RadToDeg(dialog.Longitude) - RadToDeg(expected.Lon), 0.0, 1e-9);
    EXPECT_GT(RadToDeg(dialog.Longitude), 0.0);

    // Text that does not read is replaced from the other group.
    northing->setCursorPosition(3);
    PressKey(northing, Qt::Key_Delete); // a blank between digits
    EXPECT_EQ(northing->InputText(), "4500000");

    // Only UTM is a grid; the caret starts on the first easting digit.
    dialog.Coords->Projection->setCurrentIndex(2);
    emit dialog.Coords->Projection->activated(2);
    EXPECT_EQ(dialog.Coords->Projection->currentText(), "UTM");
    dialog.Coords->Easting->clearFocus();
    dialog.Coords->Easting->setFocus();
    EXPECT_EQ(dialog.Coords->Easting->selectionStart(), 3);

    int x = 0;
    int y = 0;
    EXPECT_TRUE(dialog.Pixel(x, y));
    EXPECT_EQ(y, -4);
    dialog.ScriptField("PixelX", "12a");
    EXPECT_FALSE(dialog.Pixel(x, y));
}

TEST(DefineGeoref, ScriptedDegreesSetValuesAndTexts)
{
    TDefineGeoref dialog;
    dialog.Prepare();
    dialog.ScriptField("Latitude", "-33.856");
    dialog.ScriptField("Longitude", "151.2153");
    dialog.ScriptField("Format", "2");
    EXPECT_NEAR(RadToDeg(dialog.Latitude), -33.856, 1e-8);
    EXPECT_EQ(dialog.Coords->Latitude->InputText(), "33856000S");
    EXPECT_EQ(dialog.Coords->Longitude->InputText(), "151215300E");
    EXPECT_EQ(dialog.Coords->Zone->InputText(), "56H");
}
