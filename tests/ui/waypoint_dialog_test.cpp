// The waypoint dialog shown, prepared, typed into and read back: the datum
// switch and its way back to WGS 84, the reference group, the zone that
// follows the position.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>
#include <QComboBox>
#include <QRadioButton>

#include "geodesy/Datum.h"
#include "model/Champobjects.h"
#include "model/Map.h"
#include "model/Waypoint.h"
#include "platform/NumberFormat.h"
#include "ui/CoordFields.h"
#include "ui/FormControls.h"
#include "ui/Seams.h"
#include "ui/UDefineWayPoint.h"
#include "coord_keys.h"

namespace {

constexpr double Degree = Pi / 180.0;

struct TWaypointDialogTest : ::testing::Test {
    TWaypointDialogTest()
    {
        Map.SetAttribute(acDatum, "European 1950");
        Map.SetAttribute(acRegion, "Portugal; Spain");
        Set.Add(TWayPoint(TLocation(TGeoCoord{-4.0 * Degree, 40.0 * Degree, 0.0}), "TOWER", "start"));
        Set.Add(TWayPoint(TLocation(TGeoCoord{-3.9 * Degree, 40.1 * Degree, 0.0}), "bridge", ""));
        Dialog.Map = &Map;
        Dialog.WayPoints = &Set;
        Dialog.LatitudeValue = Wgs.Lat;
        Dialog.LongitudeValue = Wgs.Lon;
        Dialog.show();
        QApplication::setActiveWindow(&Dialog);
        Dialog.Prepare();
    }

    void Type(TMaskEdit* edit, int displayIndex, const QString& keys)
    {
        edit->setFocus();
        edit->setCursorPosition(displayIndex);
        TypeKeys(edit, keys);
    }

    // OK's messages are answered by the script.
    std::shared_ptr<TScriptedSeams> Script = TScriptedSeams::Create();
    TScopedSeams Seams{Script->Install()};
    TMap Map;
    TWayPointSet Set;
    TGeoCoord Wgs{-3.95 * Degree, 40.05 * Degree, 0.0};
    TDefineWayPoint Dialog;
};

} // namespace

TEST_F(TWaypointDialogTest, ShownOnTheMapDatumAndReadBackOnWgs84)
{
    const TGeoCoord onMap = ConvertDatum(Wgs, DefaultDatum(), Map.GetDatum());
    EXPECT_NEAR(Dialog.LatitudeValue / Degree, onMap.Lat / Degree, 1e-7);
    EXPECT_NEAR(Dialog.LongitudeValue / Degree, onMap.Lon / Degree, 1e-7);

    Dialog.findChild<QRadioButton*>("DatumSelect0")->click();
    EXPECT_NEAR(Dialog.LatitudeValue / Degree, 40.05, 1e-7);
    // Another window taking the focus and giving it back is no new showing.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&Dialog, &activate);
    EXPECT_EQ(Dialog.EditDatum(), DefaultDatum());

    Dialog.findChild<QRadioButton*>("DatumSelect1")->click();
    Dialog.ScriptField("Longitude", "-3.5"); // scripted degrees are WGS 84 ones
    Dialog.Finish();
    EXPECT_NEAR(Dialog.LatitudeValue / Degree, 40.05, 1e-7);
    EXPECT_NEAR(Dialog.LongitudeValue / Degree, -3.5, 1e-7);
}

TEST_F(TWaypointDialogTest, ReferenceFollowsThePositionAndDrivesIt)
{
    // No reference is chosen on showing; the list sorts as the eye reads.
    EXPECT_EQ(Dialog.RefBearing->InputText(), "    ");
    EXPECT_EQ(Dialog.RefWaypointList->itemText(0), "bridge");

    Dialog.ScriptField("RefWaypointList", "TOWER");
    TWayPoint* tower = Set.Find("TOWER");
    auto expectMeasured = [&] {
        const TLocation point(TGeoCoord{Dialog.LongitudeValue, Dialog.LatitudeValue, 0.0}, Dialog.EditDatum());
        EXPECT_EQ(Dialog.RefBearing->InputText().toStdString(),
                  FormatNumber("0000", tower->Location.Course(point) * 10.0));
        EXPECT_EQ(Dialog.RefDistance->InputText().toStdString(),
                  FormatNumber("0000000", tower->Location.Distance(point)));
    };
    expectMeasured();

    // Bearing "1234" is 123.4 degrees; the point moves to that bearing at the
    // distance shown, from the reference taken onto the map's datum.
    Type(Dialog.RefDistance, 1, "0005000");
    Type(Dialog.RefBearing, 1, "1234");
    const TLocation from(ConvertDatum(tower->Location.Geo, tower->Location.Datum, Dialog.EditDatum()),
                         Dialog.EditDatum());
    const TLocation expected = from.Destination(123.4, 5000.0);
    EXPECT_NEAR(Dialog.LatitudeValue, expected.Geo.Lat, 1e-10);
    EXPECT_NEAR(Dialog.LongitudeValue, expected.Geo.Lon, 1e-10);
    EXPECT_EQ(Dialog.RefBearing->InputText(), "1234"); // not rewritten under the user's fingers

    // A latitude typed afterwards measures again.
    Type(Dialog.Coords->Latitude, 1, "41000000");
    expectMeasured();
    EXPECT_GT(Dialog.RefDistance->InputText().toInt(), 100000);
}

TEST_F(TWaypointDialogTest, EastingBeyondTheZoneMovesTheZoneWithTheFigures)
{
    ASSERT_EQ(Dialog.Coords->Zone->InputText(), "30T");
    Type(Dialog.Coords->Easting, 3, "900000");
    EXPECT_EQ(Dialog.Coords->Zone->InputText().left(2), "31");
    // Easting and northing are those of the zone shown, so a northing typed
    // now moves the point along the meridian, not into the next zone.
    const double longitude = Dialog.LongitudeValue;
    Type(Dialog.Coords->Northing, 1, "45");
    const TGeoCoord geo = TUtmCoord(Dialog.Coords->EastingValue, Dialog.Coords->NorthingValue, 0.0,
                                    Dialog.Coords->ZoneText)
                              .ToGeo(Dialog.EditDatum()->Ellipsoid);
    EXPECT_NEAR(geo.Lon, Dialog.LongitudeValue, 1e-10);
    EXPECT_NEAR(Dialog.LongitudeValue / Degree, longitude / Degree, 0.2);
}

// OK takes a place and nothing else: no latitude beyond the pole, no
// longitude beyond the date line, no bearing beyond a turn, no control
// character; what was typed stays as typed, to be mended.
TEST_F(TWaypointDialogTest, OkRefusesWhatIsNoPlace)
{
    auto* ok = Dialog.findChild<QPushButton*>("OKBtn");
    auto clickOk = [&] {
        Script->Records.clear();
        QTest::mouseClick(ok, Qt::LeftButton);
        std::vector<std::string> texts;
        for (const auto& record : Script->Records) texts.push_back(record.Text.toStdString());
        return texts;
    };
    Dialog.findChild<QRadioButton*>("DatumSelect0")->click(); // WGS 84, as typed
    Type(Dialog.Coords->Latitude, 1, "95");
    EXPECT_NEAR(Dialog.LatitudeValue / Degree, 95.05, 1e-9);
    EXPECT_EQ(clickOk(), std::vector<std::string>{"Latitude must be from 90 S to 90 N."});
    EXPECT_NE(Dialog.result(), QDialog::Accepted);
    EXPECT_NEAR(Dialog.LatitudeValue / Degree, 95.05, 1e-9);

    Type(Dialog.Coords->Latitude, 1, "90000000");
    Type(Dialog.Coords->Longitude, 0, "181");
    EXPECT_EQ(clickOk(), std::vector<std::string>{"Longitude must be from 180 W to 180 E."});
    Type(Dialog.Coords->Longitude, 0, "003");

    // A bearing from the reference beyond 360 degrees moves nothing.
    Dialog.ScriptField("RefWaypointList", "TOWER");
    const double latitude = Dialog.LatitudeValue;
    Type(Dialog.RefBearing, 1, "4000");
    EXPECT_EQ(Dialog.LatitudeValue, latitude);
    EXPECT_EQ(clickOk(), std::vector<std::string>{"Bearing must be from 0 to 360."});
    Type(Dialog.RefBearing, 1, "3600");

    Dialog.CodeEdit->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("N\x1f"));
    QTest::keyClick(Dialog.CodeEdit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(clickOk(), std::vector<std::string>{
                             "Code holds a control character (code 31), which the championship file can't hold."});
    Dialog.CodeEdit->setText("N1");
    EXPECT_TRUE(clickOk().empty());
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
}
