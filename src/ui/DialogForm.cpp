#include "ui/DialogForm.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/Guard.h"
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
        if (edit->isReadOnly()) continue;
        const QString refusal = TextRefusal(FieldName(edit), edit->text(), KeptAs(edit));
        if (refusal.isEmpty()) continue;
        ShowWarning(refusal);
        return false;
    }
    return true;
}

TKeptAs TDialogForm::KeptAs(const QLineEdit*) const
{
    return TKeptAs::Text;
}

QString TDialogForm::FieldName(const QWidget* field)
{
    for (const QLabel* label : field->window()->findChildren<QLabel*>()) {
        if (label->buddy() != field) continue;
        // "&&" shows one '&'; a single one only marks the shortcut.
        const QString text = label->text();
        QString name;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'&' && ++i == text.size()) break;
            name += text[i];
        }
        name = name.trimmed();
        if (name.endsWith(u':')) name.chop(1);
        return name.trimmed();
    }
    return field->objectName();
}

void TDialogForm::accept()
{
    Guarded([this] {
        if (CanAccept() && CheckFields()) QDialog::accept();
    });
}

QString TDialogForm::OutOfRange(const QWidget* field, const QString& range)
{
    return FieldName(field) + QStringLiteral(" must be ") + range + QLatin1Char('.');
}
