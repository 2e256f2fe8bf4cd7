#include "ui/UDefineTaskNumber.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <map>

#include "model/Championship.h"
#include "model/Class.h"
#include "model/Task.h"
#include "platform/NumberFormat.h"
#include "ui/Guard.h"
#include "ui/QtText.h"

struct TDefineTaskNumber::TPrivate {
    QLabel* ClassName = nullptr;
    QComboBox* TaskNumber = nullptr;
    QComboBox* TaskTemplate = nullptr;
    QComboBox* Version = nullptr;
    QPushButton* Ok = nullptr;
    // Combo index (from 1; 0 is the prompt) to the object it shows, in the
    // order the items were added: the combos are not sorted.
    std::map<int, TTaskTemplate*> Templates;
    std::map<int, TTaskInstance*> Versions;
};

namespace {

QComboBox* DropDownList(const QString& name)
{
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setMinimumWidth(200);
    return combo;
}

} // namespace

TDefineTaskNumber::TDefineTaskNumber(QWidget* parent) : TDialogForm(parent), d(new TPrivate)
{
    setObjectName(QStringLiteral("DefineTaskNumber"));
    setWindowTitle(QStringLiteral("Define Task Number"));

    d->ClassName = new QLabel;
    d->ClassName->setObjectName(QStringLiteral("ClassName"));
    QFont bold = d->ClassName->font();
    bold.setBold(true);
    d->ClassName->setFont(bold);
    d->TaskNumber = DropDownList(QStringLiteral("TaskNumber"));
    for (int number = 1; number <= 99; ++number) d->TaskNumber->addItem(ToQt(FormatNumber("00", number)));
    d->TaskNumber->setCurrentIndex(-1);
    d->TaskTemplate = DropDownList(QStringLiteral("TaskTemplate"));
    d->Version = DropDownList(QStringLiteral("Version"));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Task Number")), 0, 0);
    fields->addWidget(d->TaskNumber, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("TaskTemplate")), 1, 0);
    fields->addWidget(d->TaskTemplate, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Task Instance")), 2, 0);
    fields->addWidget(d->Version, 2, 1);

    d->Ok = new QPushButton(QStringLiteral("OK"));
    d->Ok->setObjectName(QStringLiteral("OKBtn"));
    d->Ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    auto* help = new QPushButton(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpBtn"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(d->Ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(d->ClassName);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(d->Ok, &QPushButton::clicked, this, GuardedSlot([this](bool) {
                if (CanAccept()) accept();
            }));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(d->TaskNumber, &QComboBox::currentIndexChanged, this, GuardedSlot([this](int) { UpdateOk(); }));
    connect(d->TaskTemplate, &QComboBox::currentIndexChanged, this, GuardedSlot([this](int) { TaskTemplateChange(); }));
    connect(d->Version, &QComboBox::currentIndexChanged, this, GuardedSlot([this](int) { VersionChange(); }));
    UpdateOk();
}

TDefineTaskNumber::~TDefineTaskNumber()
{
    delete d;
}

std::string TDefineTaskNumber::NumberText() const
{
    if (d->TaskNumber->currentIndex() < 0) return {};
    return FromQt(d->TaskNumber->currentText());
}

void TDefineTaskNumber::Prepare()
{
    FormActivate();
}

bool TDefineTaskNumber::CanAccept() const
{
    // A task number without an instance cannot be analysed or saved sensibly.
    return d->TaskNumber->currentIndex() >= 0 && ChosenInstance != nullptr;
}

void TDefineTaskNumber::UpdateOk()
{
    d->Ok->setEnabled(CanAccept());
}

void TDefineTaskNumber::FormActivate()
{
    if (!Championship) return;
    {
        const QSignalBlocker numberBlock(d->TaskNumber);
        const QSignalBlocker templateBlock(d->TaskTemplate);
        const QSignalBlocker versionBlock(d->Version);
        d->TaskNumber->setCurrentIndex(-1);
        d->TaskTemplate->clear();
        d->Version->clear();
        d->Templates.clear();
        d->Versions.clear();
        ChosenTemplate = nullptr;
        ChosenInstance = nullptr;

        d->ClassName->setText(QStringLiteral("Class ") + (Class ? ToQt(Class->KeyValue()) : QString()));
        d->TaskTemplate->addItem(QStringLiteral("(Select task template)"));
        for (TTaskTemplate* t = Championship->FirstTaskTemplate(); t; t = Championship->NextTaskTemplate()) {
            d->Templates[d->TaskTemplate->count()] = t;
            d->TaskTemplate->addItem(ToQt(t->KeyValue()));
        }
        d->TaskTemplate->setCurrentIndex(0);
    }
    UpdateOk();
}

void TDefineTaskNumber::TaskTemplateChange()
{
    {
        const QSignalBlocker block(d->Version);
        d->Version->clear();
        d->Versions.clear();
        const auto chosen = d->Templates.find(d->TaskTemplate->currentIndex());
        ChosenTemplate = chosen == d->Templates.end() ? nullptr : chosen->second;
        if (ChosenTemplate) {
            // The template's own set: the cursor of the catalogue walk is not used.
            for (TTaskInstance* instance : ChosenTemplate->Instances) {
                d->Versions[d->Version->count() + 1] = instance;
                d->Version->addItem(ToQt(instance->KeyValue()));
            }
            if (!d->Versions.empty()) {
                d->Version->insertItem(0, QStringLiteral("(Select version)"));
                d->Version->setCurrentIndex(d->Versions.size() == 1 ? 1 : 0);
            }
        }
    }
    // Also without versions: one chosen under another template must not
    // stay the result.
    VersionChange();
}

void TDefineTaskNumber::VersionChange()
{
    const auto chosen = d->Versions.find(d->Version->currentIndex());
    ChosenInstance = chosen == d->Versions.end() ? nullptr : chosen->second;
    UpdateOk();
}
