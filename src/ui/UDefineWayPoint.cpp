#include "ui/UDefineWayPoint.h"

struct TDefineWayPoint::TPrivate {
    std::string Code;
    std::string Description;
};

TDefineWayPoint::TDefineWayPoint(QWidget* parent) : TDialogForm(parent), d(new TPrivate)
{
    setObjectName(QStringLiteral("DefineWayPoint"));
    setWindowTitle(QStringLiteral("Define Waypoint"));
}

TDefineWayPoint::~TDefineWayPoint()
{
    delete d;
}

void TDefineWayPoint::SetCode(const std::string& code)
{
    d->Code = code;
}

std::string TDefineWayPoint::Code() const
{
    return d->Code;
}

void TDefineWayPoint::SetDescription(const std::string& description)
{
    d->Description = description;
}

std::string TDefineWayPoint::Description() const
{
    return d->Description;
}

void TDefineWayPoint::Prepare() {}
void TDefineWayPoint::Finish() {}

void TDefineWayPoint::ScriptField(const QString& name, const QString& value)
{
    TDialogForm::ScriptField(name, value);
}
