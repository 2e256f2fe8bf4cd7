#include "ui/UDefineMap.h"

struct TDefineMap::TPrivate {
    TMapFields Fields;
};

TDefineMap::TDefineMap(QWidget* parent) : TDialogForm(parent), d(new TPrivate)
{
    setObjectName(QStringLiteral("DefineMap"));
    setWindowTitle(QStringLiteral("Map definition"));
}

TDefineMap::~TDefineMap()
{
    delete d;
}

void TDefineMap::SetFields(const TMapFields& fields)
{
    d->Fields = fields;
}

TMapFields TDefineMap::Fields() const
{
    return d->Fields;
}

void TDefineMap::Prepare() {}
void TDefineMap::Finish() {}
