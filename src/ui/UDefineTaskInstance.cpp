#include "ui/UDefineTaskInstance.h"

struct TDefineTaskInstance::TPrivate {};

TDefineTaskInstance::TDefineTaskInstance(QWidget* parent) : TDialogForm(parent), d(new TPrivate)
{
    setObjectName(QStringLiteral("DefineTaskInstance"));
    setWindowTitle(QStringLiteral("Define Task"));
}

TDefineTaskInstance::~TDefineTaskInstance()
{
    delete d;
}

void TDefineTaskInstance::Prepare() {}
