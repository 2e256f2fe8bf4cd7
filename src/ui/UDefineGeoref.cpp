#include "ui/UDefineGeoref.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <limits>

#include "geodesy/Datum.h"
#include "model/Map.h"
#include "platform/Numbers.h"
#include "ui/CoordFields.h"
#include "ui/FormControls.h"
#include "ui/QtText.h"

namespace {

bool WholeNumber(const QLineEdit* edit, int& out)
{
    long long value = 0;
    if (!ParseInt(FromQt(edit->text()), value) || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max())
        return false;
    out = static_cast<int>(value);
    return true;
}

} // namespace

TDefineGeoref::TDefineGeoref(QWidget* parent) : TDialogForm(parent)
{
    setObjectName(QStringLiteral("DefineGeoref"));
    setWindowTitle(QStringLiteral("Define map reference"));

    PixelX = NamedEdit(QStringLiteral("PixelX"));
    PixelY = NamedEdit(QStringLiteral("PixelY"));
    QGroupBox* bitmap = NamedGroup(QStringLiteral("Bitmap"), QStringLiteral("Bitmap"));
    auto* pixels = new QGridLayout(bitmap);
    AddLabelled(pixels, 0, 0, QStringLiteral("X"), PixelX);
    AddLabelled(pixels, 0, 2, QStringLiteral("Y"), PixelY);

    Coords = new TCoordFields(this, Latitude, Longitude);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bitmap);
    layout->addWidget(Coords->Grid);
    layout->addWidget(Coords->Geographic);
    AddOkCancelHelp(this, layout);
    resize(401, 291);
}

TDefineGeoref::~TDefineGeoref() = default;

void TDefineGeoref::SetPixel(int x, int y)
{
    PixelX->setText(QString::number(x));
    PixelY->setText(QString::number(y));
}

std::string TDefineGeoref::PixelXText() const
{
    return FromQt(PixelX->text());
}

std::string TDefineGeoref::PixelYText() const
{
    return FromQt(PixelY->text());
}

bool TDefineGeoref::Pixel(int& x, int& y) const
{
    int px = 0;
    int py = 0;
    if (!WholeNumber(PixelX, px) || !WholeNumber(PixelY, py)) return false;
    x = px;
    y = py;
    return true;
}

void TDefineGeoref::Prepare()
{
    Coords->Datum = Map ? Map->GetDatum() : DefaultDatum();
    Coords->ShowPosition();
}

void TDefineGeoref::ScriptField(const QString& name, const QString& value)
{
    if (!Coords->ScriptField(name, value, Coords->Datum)) TDialogForm::ScriptField(name, value);
}

bool TDefineGeoref::CheckFields()
{
    return TDialogForm::CheckFields() && Coords->CheckPosition();
}
