#pragma once
// Controls of the program's dialogs that Qt has no exact match for: masked
// edit boxes in the forms' own mask language, and the OK / Cancel / Help row.
//
// A form mask is "<mask>;<keep literals>;<blank>". In it '0' is a digit that
// must be typed and '9' one that may be left blank (Qt has them the other way
// round), 'L' a letter, '>' upper case for what follows, '!' a flag without a
// position, '\' makes the next character a literal, and every other character
// is a literal. The edit's input text is what the user typed, position by
// position, without the literals: a blank position reads as ' ', so the
// parts of a text can be cut by position.

#include <QLineEdit>
#include <QFont>
#include <QString>
#include <QVector>

// The Qt input mask of a form mask; `inputs` gets the display index of every
// input position, `display` the display text of an empty edit (literals, and
// the blank character at input positions).
QString MaskToQt(const QString& formMask, QVector<int>* inputs = nullptr, QString* display = nullptr);

class QBoxLayout;
class QButtonGroup;
class QDialog;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;

class TMaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget* parent = nullptr);

    void SetEditMask(const QString& formMask);

    // The typed characters without literals, blanks as ' '.
    QString InputText() const;
    // Writes the input text as the user would see it after typing it (missing
    // characters blank). An unchanged text is left alone, so the caret stays.
    void SetInputText(const QString& text);
    // The display index of the index-th input position (-1 when there is none).
    int InputPosition(int index) const;
    // Puts the caret on the display index and selects one character there.
    void SelectAt(int displayIndex);

signals:
    // The edit took the input focus.
    void Entered();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    QVector<int> FInputs;
    QString FEmpty;   // display text with every input position blank
    QString FPlaceholders; // a character each input position takes
    QChar FBlank = QLatin1Char('_');
};

// The fixed-pitch font of masked coordinate fields.
QFont FixedPitchFont();

// Controls named as the dialogs' handlers and scripts know them.
QLineEdit* NamedEdit(const QString& name);
TMaskEdit* NamedMaskEdit(const QString& name, const QString& formMask, bool fixedPitch);
QGroupBox* NamedGroup(const QString& name, const QString& caption);
// A radio group: one button per caption in the box (named after the box with
// the item's index), ids 0, 1, ...
QButtonGroup* AddRadioItems(QGroupBox* box, const QStringList& captions, Qt::Orientation orientation);
// The label that names a field, on screen and in messages (its buddy).
QLabel* FieldLabel(const QString& label, QWidget* field);
// A label and its field side by side in a grid.
void AddLabelled(QGridLayout* grid, int row, int column, const QString& label, QWidget* field);

// "OK" (default, accepts), "Cancel" (rejects) and "&Help" (no action) at the
// right of a new row added to `layout`; the OK button is returned.
QPushButton* AddOkCancelHelp(QDialog* dialog, QBoxLayout* layout);
