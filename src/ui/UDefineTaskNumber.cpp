#include "ui/UDefineTaskNumber.h"

struct TDefineTaskNumber::TPrivate {};

TDefineTaskNumber::TDefineTaskNumber(QWidget* parent) : TDialogForm(parent), d(new TPrivate)
{
    setObjectName(QStringLiteral("DefineTaskNumber"));
    setWindowTitle(QStringLiteral("Define Task Number"));
}

TDefineTaskNumber::~TDefineTaskNumber()
{
    delete d;
}

std::string TDefineTaskNumber::NumberText() const
{
    return {};
}

void TDefineTaskNumber::Prepare() {}

bool TDefineTaskNumber::CanAccept() const
{
    return false;
}
