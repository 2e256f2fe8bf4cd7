#include "ui/UDefineGeoref.h"

struct TDefineGeoref::TPrivate {
    int X = 0;
    int Y = 0;
};

TDefineGeoref::TDefineGeoref(QWidget* parent) : TDialogForm(parent), d(new TPrivate)
{
    setObjectName(QStringLiteral("DefineGeoref"));
    setWindowTitle(QStringLiteral("Define map reference"));
}

TDefineGeoref::~TDefineGeoref()
{
    delete d;
}

void TDefineGeoref::SetPixel(int x, int y)
{
    d->X = x;
    d->Y = y;
}

std::string TDefineGeoref::PixelXText() const
{
    return std::to_string(d->X);
}

std::string TDefineGeoref::PixelYText() const
{
    return std::to_string(d->Y);
}

bool TDefineGeoref::Pixel(int& x, int& y) const
{
    x = d->X;
    y = d->Y;
    return true;
}

void TDefineGeoref::Prepare() {}

void TDefineGeoref::ScriptField(const QString& name, const QString& value)
{
    TDialogForm::ScriptField(name, value);
}
