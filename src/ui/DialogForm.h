#pragma once
// The base of the program's own dialogs. A dialog is made once at start-up
// and shown again for every use: the caller sets its fields, runs it through
// RunDialog (ui/Seams.h) and reads its fields after OK.
//
// What the dialog does when it is shown and when it is left runs in Prepare
// and Finish, exactly once around each showing. Window activation events are
// no substitute: they also fire whenever a nested file chooser or message
// box takes the focus and gives it back.
//
// A dialog always fits its screen: on a screen too small for it the part
// above its last row (the closing buttons) scrolls, and the buttons stay in
// view. Where the screen has room the dialog shows as laid out.

#include <QDialog>
#include <QString>

#include "ui/QtText.h"

class QBoxLayout;
class QLineEdit;
class TFieldsArea;

class TDialogForm : public QDialog {
    Q_OBJECT
public:
    explicit TDialogForm(QWidget* parent = nullptr);

    // Before the dialog is shown / after it was left (whatever the result).
    virtual void Prepare() {}
    virtual void Finish() {}

    // A scripted answer sets a field as a user would: by the control's object
    // name, a line edit gets the text as typed, a combo box the item with that
    // text as chosen, a check box or radio button "1" / "0", a button "click"
    // is clicked. Dialogs take further names of their own.
    virtual void ScriptField(const QString& name, const QString& value);

    // Whether OK may close the dialog now (an OK button that is disabled).
    virtual bool CanAccept() const { return true; }
    // Whether the fields hold what may be taken. When not, the user was told
    // why (a number out of its range, a text the championship file could not
    // give back as it is) and OK leaves the dialog open. Here: every text
    // field passes TextRefusal, as KeptAs says the file keeps it.
    virtual bool CheckFields();
    // How the championship file keeps the text of an edit; Text unless the
    // dialog says otherwise (a key, a file name).
    virtual TKeptAs KeptAs(const QLineEdit* edit) const;
    // OK closes the dialog only when CanAccept() and CheckFields() agree.
    void accept() override;

    // A field as its label reads on screen: the text of the label whose
    // buddy it is, without '&' and a closing ':' (the object name when no
    // label names it). Messages name fields so.
    static QString FieldName(const QWidget* field);
    // "<field> must be <range>.", the message of a number out of its range.
    static QString OutOfRange(const QWidget* field, const QString& range);
    // Tells why the field's value is refused, then gives the field the focus
    // with its caret at `at` (all its text selected when at < 0), so that
    // the keys typed after the box mend it.
    static void Refuse(QWidget* field, const QString& message, qsizetype at = -1);

    // Each showing first fits the dialog to its screen.
    void setVisible(bool visible) override;

private:
    void FitToScreen();
    // Moves everything of the dialog's layout above its last row into a
    // scroll area.
    void ScrollFields(QBoxLayout* outer);

    TFieldsArea* FFields = nullptr;
};
