// The map-reference dialog driven as a user would: shown, prepared, typed
// into, read back. Also the mask conversion it is built on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRadioButton>

#include "geodesy/Datum.h"
#include "model/Champobjects.h"
#include "model/Map.h"
#include "ui/CoordFields.h"
#include "ui/FormControls.h"
#include "ui/UDefineGeoref.h"
#include "coord_keys.h"

namespace {

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

TEST(FormMask, DigitsSwapAndABlankKeepsTheLaterCharactersInPlace)
{
    EXPECT_EQ(MaskToQt(" 9 999 990 m;0;_"), " 0 000 009 m;_");
    EXPECT_EQ(MaskToQt(QString::fromUtf8("!000.0º >L;0;_")), QString::fromUtf8("999.9º >A;_"));
    EXPECT_EQ(MaskToQt("0 Nm;0;_"), "9 \\Nm;_");
    TMaskEdit distance;
    distance.SetEditMask(" 0 000 000 m;0;_");
    distance.SetInputText("12 4567");
    EXPECT_EQ(distance.displayText(), " 1 2_4 567 m");
}

TEST(DefineGeoref, TypingOverTheHemisphereLetterRestoresAndSelectsIt)
{
    TDefineGeoref dialog;
    dialog.Latitude = DegToRad(12.25);
    ShowAndPrepare(dialog);
    TMaskEdit* lat = dialog.Coords->Latitude;
    TypeAt(lat, lat->InputPosition(8), "s");
    EXPECT_EQ(lat->InputText(), "12150000S");

    // The next showing is north: an 'X' over its letter brings back the 'N'
    // shown, not the 'S' typed last time; the digits typed stay.
    dialog.Latitude = DegToRad(45.5);
    dialog.Longitude = DegToRad(-73.25);
    dialog.Prepare();
    TypeAt(lat, 1, "46");
    TypeAt(lat, lat->InputPosition(8), "x");
    EXPECT_EQ(lat->InputText(), "46300000N");
    EXPECT_EQ(lat->selectedText(), "N");
    EXPECT_EQ(lat->selectionStart(), lat->InputPosition(8));
    EXPECT_NEAR(RadToDeg(dialog.Latitude), 46.5, 1e-12);

    TMaskEdit* lon = dialog.Coords->Longitude;
    TypeAt(lon, 0, "074");
    TypeAt(lon, lon->InputPosition(9), "q");
    EXPECT_EQ(lon->InputText(), "074150000W");
    EXPECT_NEAR(RadToDeg(dialog.Longitude), -74.25, 1e-12);
}

TEST(DefineGeoref, FormatsRebuildFromTheAnglesAndRoundAtTheirLastDigit)
{
    TDefineGeoref dialog;
    dialog.Latitude = DegToRad(10.0 + 59.999999 / 60.0);
    dialog.Longitude = DegToRad(-(7.0 + 1.0 / 3.0 + 1e-8));
    ShowAndPrepare(dialog);
    const double lat = dialog.Latitude;
    const double lon = dialog.Longitude;
    TMaskEdit* latEdit = dialog.Coords->Latitude;
    EXPECT_EQ(latEdit->InputText(), "11000000N"); // 59' 59.99994" carried twice
    EXPECT_EQ(dialog.Coords->Longitude->InputText(), "007200000W");

    auto choose = [&](int format) { dialog.findChild<QRadioButton*>(QStringLiteral("Format%1").arg(format))->click(); };
    choose(2);
    EXPECT_EQ(dialog.Coords->Longitude->displayText(), QString::fromUtf8("007.333333º W"));
    choose(1);
    EXPECT_EQ(latEdit->displayText(), QString::fromUtf8(" 11º 00.0000' N")); // 59.99999' carried
    choose(0);
    EXPECT_EQ(dialog.Latitude, lat);
    EXPECT_EQ(dialog.Longitude, lon);

    choose(1);
    TypeAt(latEdit, 1, "4530");
    EXPECT_NEAR(RadToDeg(dialog.Latitude), 45.5, 1e-12);
    // Scripted degrees land in the values and the texts alike.
    dialog.ScriptField("Latitude", "-33.856");
    EXPECT_EQ(latEdit->InputText(), "33513600S");
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
    dialog.Latitude = DegToRad(40.4);
    dialog.Longitude = DegToRad(-3.7);
    ShowAndPrepare(dialog);
    const TUtmCoord utm = GeoToUtm(TGeoCoord{DegToRad(-3.7), DegToRad(40.4), 0.0}, hayford);
    EXPECT_NEAR(dialog.Coords->EastingValue, utm.X, 1e-6);
    EXPECT_EQ(dialog.Coords->Northing->InputText().toStdString(), std::to_string(std::lround(utm.Y)));

    TMaskEdit* northing = dialog.Coords->Northing;
    TypeAt(northing, 1, "4500000");
    TGeoCoord expected = TUtmCoord(utm.X, 4500000.0, 0.0, "30T").ToGeo(hayford);
    EXPECT_NEAR(dialog.Latitude, expected.Lat, 1e-12);
    EXPECT_NEAR(dialog.Longitude, expected.Lon, 1e-12);

    // Another zone: the same easting and northing, read in that zone.
    TMaskEdit* zone = dialog.Coords->Zone;
    TypeAt(zone, 2, "1");
    expected = TUtmCoord(utm.X, 4500000.0, 0.0, "31T").ToGeo(hayford);
    EXPECT_NEAR(dialog.Longitude, expected.Lon, 1e-12);

    // Text that does not read is replaced from the other group.
    northing->setCursorPosition(3);
    PressKey(northing, Qt::Key_Delete);
    EXPECT_EQ(northing->InputText(), "4500000");

    // The caret starts on the first easting digit.
    dialog.Coords->Easting->setFocus();
    EXPECT_EQ(dialog.Coords->Easting->selectionStart(), 3);
}
