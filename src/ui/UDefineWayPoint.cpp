#include "ui/UDefineWayPoint.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "geodesy/Datum.h"
#include "model/Map.h"
#include "model/Waypoint.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "ui/CoordFields.h"
#include "ui/FormControls.h"
#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"
#include "xml/Xmlfile.h"

TDefineWayPoint::TDefineWayPoint(QWidget* parent) : TDialogForm(parent), MapDatum(DefaultDatum())
{
    setObjectName(QStringLiteral("DefineWayPoint"));
    setWindowTitle(QStringLiteral("Define Waypoint"));

    CodeEdit = NamedEdit(QStringLiteral("Code"));
    DescriptionEdit = NamedEdit(QStringLiteral("Description"));
    auto* names = new QGridLayout;
    AddLabelled(names, 0, 0, QStringLiteral("Code"), CodeEdit);
    AddLabelled(names, 1, 0, QStringLiteral("Description"), DescriptionEdit);

    QGroupBox* datum = NamedGroup(QStringLiteral("DatumSelect"), QStringLiteral("Datum for waypoint edition"));
    DatumSelect = AddRadioItems(datum, {QStringLiteral("WGS84"), QStringLiteral("Datum of loaded map")}, Qt::Horizontal);
    DatumSelect->button(1)->setChecked(true);

    Coords = new TCoordFields(this, LatitudeValue, LongitudeValue);
    Coords->ZoneOfPosition = true;
    Coords->PositionChanged = [this] { UpdateReference(); };

    RefWaypointList = new QComboBox;
    RefWaypointList->setObjectName(QStringLiteral("RefWaypointList"));
    RefBearing = NamedMaskEdit(QStringLiteral("RefBearing"), QString::fromUtf8(" 000.0 º;0;_"), true);
    RefDistance = NamedMaskEdit(QStringLiteral("RefDistance"), QStringLiteral(" 9 999 990 m;0;_"), true);
    QGroupBox* reference = NamedGroup(QStringLiteral("Reference"), QStringLiteral("Reference"));
    auto* refs = new QGridLayout(reference);
    refs->addWidget(FieldLabel(QStringLiteral("Reference Waypoint"), RefWaypointList), 0, 0);
    refs->addWidget(RefWaypointList, 0, 1, 1, 3);
    AddLabelled(refs, 1, 0, QStringLiteral("Bearing"), RefBearing);
    AddLabelled(refs, 1, 2, QStringLiteral("Distance"), RefDistance);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addWidget(datum);
    layout->addWidget(Coords->Geographic);
    layout->addWidget(Coords->Grid);
    layout->addWidget(reference);
    AddOkCancelHelp(this, layout);
    resize(401, 441);

    connect(DatumSelect, &QButtonGroup::idClicked, this, GuardedSlot([this](int item) { DatumSelectClick(item); }));
    connect(RefWaypointList, &QComboBox::activated, this, GuardedSlot([this](int) { UpdateReference(); }));
    connect(RefBearing, &QLineEdit::textEdited, this, GuardedSlot([this](const QString&) { RefChange(); }));
    connect(RefDistance, &QLineEdit::textEdited, this, GuardedSlot([this](const QString&) { RefChange(); }));
}

TDefineWayPoint::~TDefineWayPoint() = default;

void TDefineWayPoint::SetCode(const std::string& code)
{
    CodeEdit->setText(ToQt(code));
}

std::string TDefineWayPoint::Code() const
{
    return FromQt(CodeEdit->text());
}

void TDefineWayPoint::SetDescription(const std::string& description)
{
    DescriptionEdit->setText(ToQt(description));
}

std::string TDefineWayPoint::Description() const
{
    return AsElementText(FromQt(DescriptionEdit->text()));
}

const TDatum* TDefineWayPoint::EditDatum() const
{
    return Coords->Datum;
}

void TDefineWayPoint::Prepare()
{
    Coords->Datum = DefaultDatum();
    MapDatum = Map ? Map->GetDatum() : DefaultDatum();
    // Emptied first: the position written below must not be measured from
    // the reference chosen in the last showing.
    RefWaypointList->clear();
    DatumSelect->button(1)->setChecked(true);
    SetEditDatum(MapDatum);
    QStringList codes;
    if (WayPoints) {
        WayPoints->First();
        while (const TWayPoint* waypoint = WayPoints->Next()) codes.append(ToQt(waypoint->Code));
    }
    codes.sort(Qt::CaseInsensitive);
    RefWaypointList->addItems(codes);
    RefWaypointList->setCurrentIndex(-1);
}

void TDefineWayPoint::Finish()
{
    SetEditDatum(DefaultDatum());
}

void TDefineWayPoint::SetEditDatum(const TDatum* datum)
{
    const TGeoCoord geo = ConvertDatum(TGeoCoord{LongitudeValue, LatitudeValue, 0.0}, Coords->Datum, datum);
    Coords->Datum = datum;
    LatitudeValue = geo.Lat;
    LongitudeValue = geo.Lon;
    Coords->ShowPosition();
}

void TDefineWayPoint::DatumSelectClick(int item)
{
    // The same place; only its numbers change.
    SetEditDatum(item == 0 ? DefaultDatum() : MapDatum);
}

void TDefineWayPoint::UpdateReference()
{
    if (FRefBusy) return;
    const TReentry busy(FRefBusy);
    const TWayPoint* reference = WayPoints ? WayPoints->Find(FromQt(RefWaypointList->currentText())) : nullptr;
    if (!reference) {
        RefBearing->SetInputText(QString());
        RefDistance->SetInputText(QString());
    } else {
        const TLocation point(TGeoCoord{LongitudeValue, LatitudeValue, 0.0}, Coords->Datum);
        RefBearing->SetInputText(ToQt(FormatNumber("0000", reference->Location.Course(point) * 10.0)));
        RefDistance->SetInputText(ToQt(FormatNumber("0000000", reference->Location.Distance(point))));
    }
}

void TDefineWayPoint::RefChange()
{
    if (FRefBusy) return;
    const TReentry references(FRefBusy);
    const TReentry coordinates(Coords->Busy);

    const TWayPoint* reference = WayPoints ? WayPoints->Find(FromQt(RefWaypointList->currentText())) : nullptr;
    double distance = 0.0;
    double bearing = 0.0;
    if (!reference || !ParseDouble(FromQt(RefDistance->InputText()), distance) ||
        !ParseDouble(FromQt(RefBearing->InputText()), bearing))
        return;
    // A bearing beyond a full turn moves nothing; OK says why.
    if (!(bearing * 0.1 <= 360.0)) return;
    const TLocation from(ConvertDatum(reference->Location.Geo, reference->Location.Datum, Coords->Datum),
                         Coords->Datum);
    const TLocation point = from.Destination(bearing * 0.1, distance);
    LatitudeValue = point.Geo.Lat;
    LongitudeValue = point.Geo.Lon;
    Coords->UpdateGridFields();
    Coords->UpdateGeoFields();
}

void TDefineWayPoint::ScriptField(const QString& name, const QString& value)
{
    if (Coords->ScriptField(name, value, DefaultDatum())) return;
    if (name == QLatin1String("DatumSelect")) {
        long long item = 0;
        if (!ParseInt(FromQt(value), item) || item < 0 || item > 1) return;
        DatumSelect->button(static_cast<int>(item))->setChecked(true);
        DatumSelectClick(static_cast<int>(item));
        return;
    }
    TDialogForm::ScriptField(name, value);
}

bool TDefineWayPoint::CheckFields()
{
    if (!TDialogForm::CheckFields() || !Coords->CheckPosition()) return false;
    double bearing = 0.0;
    if (WayPoints && WayPoints->Find(FromQt(RefWaypointList->currentText())) &&
        ParseDouble(FromQt(RefBearing->InputText()), bearing) && !(bearing * 0.1 <= 360.0)) {
        Refuse(RefBearing, OutOfRange(RefBearing, QStringLiteral("from 0 to 360")));
        return false;
    }
    return true;
}
