#include "ui/DialogForm.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"

TDialogForm::TDialogForm(QWidget* parent) : QDialog(parent) {}

void TDialogForm::ScriptField(const QString& name, const QString& value)
{
    QWidget* widget = findChild<QWidget*>(name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setFocus();
        edit->setText(value);
        emit edit->textEdited(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        const int index = combo->findText(value);
        if (index < 0) return;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    } else if (auto* check = qobject_cast<QAbstractButton*>(widget); check && check->isCheckable()) {
        const bool on = value == QLatin1String("1");
        if (check->isChecked() != on) check->click();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (value == QLatin1String("click") && button->isEnabled()) button->click();
    }
}

bool TDialogForm::CheckFields()
{
    for (const QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (edit->isReadOnly() || ControlCharacterAt(edit->text()) < 0) continue;
        ShowWarning(ControlCharacterRefusal(edit->objectName(), edit->text()));
        return false;
    }
    return true;
}

void TDialogForm::accept()
{
    Guarded([this] {
        if (CanAccept() && CheckFields()) QDialog::accept();
    });
}

QString TDialogForm::OutOfRange(const QString& field, const QString& range)
{
    return field + QStringLiteral(" must be ") + range + QLatin1Char('.');
}
