#include "ui/CoordFields.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <cmath>

#include "geodesy/Datum.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "ui/DialogForm.h"
#include "ui/FormControls.h"
#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"

namespace {

// Latitude and longitude masks of each format; every format has the same
// number of input positions, so a text fits either mask.
const QString& AngleMask(int format, bool longitude)
{
    static const QString masks[2][3] = {
        {QString::fromUtf8("! 00º 00' 00.00\" >L;0;_"), QString::fromUtf8("! 00º 00.0000' >L;0;_"),
         QString::fromUtf8("! 00.000000º >L;0;_")},
        {QString::fromUtf8("!000º 00' 00.00\" >L;0;_"), QString::fromUtf8("!000º 00.0000' >L;0;_"),
         QString::fromUtf8("!000.000000º >L;0;_")},
    };
    return masks[longitude ? 1 : 0][format < 0 || format > 2 ? 0 : format];
}

QString Digits(const char* pattern, double value)
{
    return ToQt(FormatNumber(pattern, value));
}

// A part of an input text as a whole number; blank counts 0.
bool Part(const QString& text, int from, int count, long long& out)
{
    const QString part = text.mid(from, count).trimmed();
    out = 0;
    return part.isEmpty() || ParseInt(FromQt(part), out);
}

QChar CharAt(const QString& text, int index)
{
    return index < text.size() ? text[index] : QChar(u' ');
}

} // namespace

QString AngleText(double radians, int format, bool longitude)
{
    double d = std::fabs(RadToDeg(radians));
    if (longitude) d += 1e-10;
    double deg = std::floor(d);
    const char* degrees = longitude ? "000" : "00";
    QString text;
    if (format == afDegMin) {
        double t = std::floor((d - deg) * 600000.0 + 0.5); // ten-thousandths of minutes
        if (t >= 600000.0) {
            t = 0.0;
            deg += 1.0;
        }
        text = Digits(degrees, deg) + Digits("000000", t);
    } else if (format == afDegrees) {
        text = Digits(longitude ? "000000000" : "00000000", d * 1000000.0);
    } else {
        const double m = (d - deg) * 60.0;
        double min = std::floor(m);
        double h = std::floor((m - min) * 6000.0 + 0.5); // hundredths of seconds
        if (h >= 6000.0) {
            h = 0.0;
            min += 1.0;
        }
        if (min >= 60.0) {
            min = 0.0;
            deg += 1.0;
        }
        text = Digits(degrees, deg) + Digits("00", min) + Digits("0000", h);
    }
    if (longitude) return text + QLatin1Char(radians < 0.0 ? 'W' : 'E');
    return text + QLatin1Char(radians < 0.0 ? 'S' : 'N');
}

bool ParseAngle(const QString& text, int format, bool longitude, double& degrees)
{
    const int w = longitude ? 3 : 2;
    long long deg = 0;
    long long a = 0;
    long long b = 0;
    long long c = 0;
    if (!Part(text, 0, w, deg)) return false;
    if (format == afDegMin) {
        if (!Part(text, w, 2, a) || !Part(text, w + 2, 4, b)) return false;
        degrees = (a + b * 0.0001) / 60.0 + deg;
    } else if (format == afDegrees) {
        if (!Part(text, w, 6, a)) return false;
        degrees = deg + a * 0.000001;
    } else {
        if (!Part(text, w, 2, a) || !Part(text, w + 2, 2, b) || !Part(text, w + 4, 2, c)) return false;
        degrees = ((b + c * 0.01) / 60.0 + a) / 60.0 + deg;
    }
    return true;
}

TCoordFields::TCoordFields(QWidget* owner, double& latitude, double& longitude)
    : QObject(owner), Datum(DefaultDatum()), FLatitude(latitude), FLongitude(longitude)
{
    Latitude = NamedMaskEdit(QStringLiteral("Latitude"), AngleMask(afDegMinSec, false), true);
    Longitude = NamedMaskEdit(QStringLiteral("Longitude"), AngleMask(afDegMinSec, true), true);
    Northing = NamedMaskEdit(QStringLiteral("Northing"), QStringLiteral(" 0 000 000 m;0;_"), true);
    Easting = NamedMaskEdit(QStringLiteral("Easting"), QStringLiteral("   000 000 m;0;_"), true);
    Zone = NamedMaskEdit(QStringLiteral("Zone"), QStringLiteral(" 90 >L;0;_"), false);

    Format = NamedGroup(QStringLiteral("Format"), QStringLiteral("Format"));
    FFormatItems = AddRadioItems(Format,
                                 {QString::fromUtf8("ddº mm' ss.ss''"), QString::fromUtf8("ddº mm.mmmm'"),
                                  QString::fromUtf8("dd.ddddddº")},
                                 Qt::Vertical);

    Geographic = NamedGroup(QStringLiteral("Geographic"), QStringLiteral("Geographic"));
    auto* geo = new QGridLayout(Geographic);
    AddLabelled(geo, 0, 0, QStringLiteral("Latitude"), Latitude);
    AddLabelled(geo, 1, 0, QStringLiteral("Longitude"), Longitude);
    geo->addWidget(Format, 0, 2, 3, 1);
    geo->setRowStretch(2, 1);

    Projection = new QComboBox;
    Projection->setObjectName(QStringLiteral("Projection"));
    Projection->addItems({QStringLiteral("None"), QStringLiteral("UTM"), QStringLiteral("Lambert conformal conic")});
    Grid = NamedGroup(QStringLiteral("Grid"), QStringLiteral("Grid"));
    auto* grid = new QGridLayout(Grid);
    AddLabelled(grid, 0, 0, QStringLiteral("Projection"), Projection);
    AddLabelled(grid, 0, 2, QStringLiteral("Zone"), Zone);
    AddLabelled(grid, 1, 0, QStringLiteral("Easting"), Easting);
    AddLabelled(grid, 1, 2, QStringLiteral("Northing"), Northing);

    // The user's edits only (textEdited): what the dialog writes itself
    // starts no handler.
    connect(Latitude, &QLineEdit::textEdited, this, GuardedSlot([this](const QString&) { AngleChange(false); }));
    connect(Longitude, &QLineEdit::textEdited, this, GuardedSlot([this](const QString&) { AngleChange(true); }));
    connect(Northing, &QLineEdit::textEdited, this,
            GuardedSlot([this](const QString&) { GridChange(Northing, NorthingValue); }));
    connect(Easting, &QLineEdit::textEdited, this,
            GuardedSlot([this](const QString&) { GridChange(Easting, EastingValue); }));
    connect(Zone, &QLineEdit::textEdited, this, GuardedSlot([this](const QString&) { ZoneChange(); }));
    // UTM is the only grid there is.
    connect(Projection, &QComboBox::activated, this, GuardedSlot([this](int) { Projection->setCurrentIndex(1); }));
    connect(FFormatItems, &QButtonGroup::idClicked, this, GuardedSlot([this](int) { FormatClick(); }));
    // The caret goes on the first digit.
    connect(Latitude, &TMaskEdit::Entered, this, GuardedSlot([this] { Latitude->SelectAt(1); }));
    connect(Longitude, &TMaskEdit::Entered, this, GuardedSlot([this] { Longitude->SelectAt(0); }));
    connect(Northing, &TMaskEdit::Entered, this, GuardedSlot([this] { Northing->SelectAt(1); }));
    connect(Easting, &TMaskEdit::Entered, this, GuardedSlot([this] { Easting->SelectAt(3); }));

    SetFormat(afDegMinSec);
    Projection->setCurrentIndex(1);
}

int TCoordFields::ChosenFormat() const
{
    const int format = FFormatItems->checkedId();
    return format < 0 ? afDegMinSec : format;
}

void TCoordFields::SetFormat(int format)
{
    if (QAbstractButton* item = FFormatItems->button(format)) item->setChecked(true);
    FormatClick();
}

void TCoordFields::FormatClick()
{
    const int format = ChosenFormat();
    if (format == LastFormat) return;
    Latitude->SetEditMask(AngleMask(format, false));
    Longitude->SetEditMask(AngleMask(format, true));
    LastFormat = format;
    // From the angles, not from the texts: switching formats loses nothing.
    WriteAngles();
}

void TCoordFields::WriteAngles()
{
    const int format = ChosenFormat();
    FLastLatitude = AngleText(FLatitude, format, false);
    FLastLongitude = AngleText(FLongitude, format, true);
    Latitude->SetInputText(FLastLatitude);
    Longitude->SetInputText(FLastLongitude);
}

void TCoordFields::UpdateGridFields()
{
    const TUtmCoord utm = GeoToUtm(TGeoCoord{FLongitude, FLatitude, 0.0}, Datum->Ellipsoid);
    EastingValue = utm.X;
    NorthingValue = utm.Y;
    ZoneText = utm.Zone;
    Easting->SetInputText(Digits("000000", EastingValue));
    Northing->SetInputText(Digits("0000000", NorthingValue));
    Zone->SetInputText(ToQt(ZoneText));
}

void TCoordFields::UpdateGeoFields()
{
    const TUtmCoord utm(EastingValue, NorthingValue, 0.0, ZoneText);
    const TGeoCoord geo = utm.ToGeo(Datum->Ellipsoid);
    FLatitude = geo.Lat;
    FLongitude = geo.Lon;
    if (ZoneOfPosition) {
        const TUtmCoord own = GeoToUtm(geo, Datum->Ellipsoid);
        if (own.ZoneNumber() != utm.ZoneNumber()) {
            // Easting and northing must stay those of the zone shown, or the
            // next edit of either would read them in the wrong zone.
            EastingValue = own.X;
            NorthingValue = own.Y;
            Easting->SetInputText(Digits("000000", EastingValue));
            Northing->SetInputText(Digits("0000000", NorthingValue));
        }
        ZoneText = own.Zone;
    }
    Zone->SetInputText(ToQt(ZoneText));
    WriteAngles();
    if (PositionChanged) PositionChanged();
}

void TCoordFields::ShowPosition()
{
    UpdateGridFields();
    UpdateGeoFields();
}

void TCoordFields::AngleChange(bool longitude)
{
    if (Busy) return;
    TReentry busy(Busy);
    TMaskEdit* edit = longitude ? Longitude : Latitude;
    QString text = edit->InputText();
    double value = 0.0;
    if (!ParseAngle(text, ChosenFormat(), longitude, value)) {
        UpdateGeoFields();
        return;
    }
    const int letterAt = longitude ? 9 : 8;
    const QChar plus = QLatin1Char(longitude ? 'E' : 'N');
    const QChar minus = QLatin1Char(longitude ? 'W' : 'S');
    QString& last = longitude ? FLastLongitude : FLastLatitude;
    if (CharAt(text, letterAt) != plus && CharAt(text, letterAt) != minus) {
        text = text.left(letterAt) + CharAt(last, letterAt);
        edit->SetInputText(text);
        edit->SelectAt(edit->InputPosition(letterAt));
    }
    const QChar letter = CharAt(text, letterAt);
    if (letter == minus)
        value = -value;
    else if (letter != plus)
        value = 0.0;
    (longitude ? FLongitude : FLatitude) = DegToRad(value);
    UpdateGridFields();
    last = text;
    if (PositionChanged) PositionChanged();
}

void TCoordFields::GridChange(TMaskEdit* edit, double& value)
{
    if (Busy) return;
    TReentry busy(Busy);
    double typed = 0.0;
    if (!ParseDouble(FromQt(edit->InputText()), typed)) {
        UpdateGridFields();
        return;
    }
    value = typed;
    UpdateGeoFields();
}

void TCoordFields::ZoneChange()
{
    if (Busy) return;
    TReentry busy(Busy);
    ZoneText = FromQt(Zone->InputText());
    UpdateGeoFields();
}

bool TCoordFields::CheckPosition() const
{
    // The masks take 99 degrees of latitude and 999 of longitude: what lies
    // beyond a place is refused, never folded back onto one.
    if (!(std::fabs(RadToDeg(FLatitude)) <= 90.0)) {
        TDialogForm::Refuse(Latitude, TDialogForm::OutOfRange(Latitude, QStringLiteral("from 90 S to 90 N")));
        return false;
    }
    if (!(std::fabs(RadToDeg(FLongitude)) <= 180.0)) {
        TDialogForm::Refuse(Longitude, TDialogForm::OutOfRange(Longitude, QStringLiteral("from 180 W to 180 E")));
        return false;
    }
    return true;
}

bool TCoordFields::ScriptField(const QString& name, const QString& value, const TDatum* onDatum)
{
    const bool latitude = name == QLatin1String("Latitude");
    if (latitude || name == QLatin1String("Longitude")) {
        double degrees = 0.0;
        if (!ParseDouble(FromQt(value), degrees)) return true;
        TGeoCoord geo = ConvertDatum(TGeoCoord{FLongitude, FLatitude, 0.0}, Datum, onDatum);
        (latitude ? geo.Lat : geo.Lon) = DegToRad(degrees);
        geo.H = 0.0;
        geo = ConvertDatum(geo, onDatum, Datum);
        FLatitude = geo.Lat;
        FLongitude = geo.Lon;
        ShowPosition();
        return true;
    }
    if (name == QLatin1String("Format")) {
        long long format = 0;
        if (ParseInt(FromQt(value), format) && format >= 0 && format <= 2) SetFormat(static_cast<int>(format));
        return true;
    }
    return false;
}
