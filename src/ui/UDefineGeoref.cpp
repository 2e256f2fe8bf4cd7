#include "ui/UDefineGeoref.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
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

QLineEdit* PixelEdit(const QString& name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    return edit;
}

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

    PixelX = PixelEdit(QStringLiteral("PixelX"));
    PixelY = PixelEdit(QStringLiteral("PixelY"));
    auto* bitmap = new QGroupBox(QStringLiteral("Bitmap"));
    bitmap->setObjectName(QStringLiteral("Bitmap"));
    auto* pixels = new QGridLayout(bitmap);
    pixels->addWidget(new QLabel(QStringLiteral("X")), 0, 0);
    pixels->addWidget(PixelX, 0, 1);
    pixels->addWidget(new QLabel(QStringLiteral("Y")), 0, 2);
    pixels->addWidget(PixelY, 0, 3);

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
