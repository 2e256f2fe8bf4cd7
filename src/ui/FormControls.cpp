#include "ui/FormControls.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

// A form mask character that takes input, its Qt class, and a character the
// position accepts (a stand-in while blanks are written).
struct TInputClass {
    QChar Form;
    QChar Qt;
    QChar Placeholder;
};

constexpr TInputClass InputClasses[] = {
    {u'0', u'9', u'0'}, {u'9', u'0', u'0'}, {u'#', u'#', u'0'}, {u'L', u'A', u'A'}, {u'l', u'a', u'A'},
    {u'A', u'N', u'0'}, {u'a', u'n', u'0'}, {u'C', u'X', u'x'}, {u'c', u'x', u'x'},
};

const TInputClass* InputClass(QChar c)
{
    for (const TInputClass& entry : InputClasses)
        if (entry.Form == c) return &entry;
    return nullptr;
}

// Characters that mean something in a Qt mask; as literals they are escaped.
bool QtMeta(QChar c)
{
    return QStringLiteral("AaNnXx90DdHhBb#<>!{}[]\\;").contains(c);
}

struct TQtMask {
    QString Mask;
    QString Placeholders; // a character each input position takes
};

TQtMask Convert(const QString& formMask, QChar& blank, QVector<int>& inputs, QString& display)
{
    QString mask = formMask;
    blank = QLatin1Char('_');
    const QStringList fields = formMask.split(QLatin1Char(';'));
    if (fields.size() >= 3 && fields.back().size() == 1) {
        blank = fields.back().front();
        mask = fields.mid(0, fields.size() - 2).join(QLatin1Char(';'));
    } else if (fields.size() == 2) {
        mask = fields.front();
    }

    TQtMask out;
    auto literal = [&](QChar c) {
        const QString text = QtMeta(c) ? QString(QLatin1Char('\\')) + c : QString(c);
        out.Mask += text;
        display += c;
    };
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == u'!') continue; // how the form toolkit stores blanks; no position
        if (c == u'<' && i + 1 < mask.size() && mask[i + 1] == u'>') {
            out.Mask += u'!';
            ++i;
        } else if (c == u'>' || c == u'<') {
            out.Mask += c;
        } else if (c == u'\\' && i + 1 < mask.size()) {
            literal(mask[++i]);
        } else if (const TInputClass* input = InputClass(c)) {
            inputs.append(display.size());
            display += blank;
            out.Mask += input->Qt;
            out.Placeholders += input->Placeholder;
        } else {
            literal(c);
        }
    }
    out.Mask += u';';
    out.Mask += blank;
    return out;
}

} // namespace

QString MaskToQt(const QString& formMask, QVector<int>* inputs, QString* display)
{
    QChar blank;
    QString shown;
    QVector<int> positions;
    const QString mask = Convert(formMask, blank, positions, shown).Mask;
    if (inputs) *inputs = positions;
    if (display) *display = shown;
    return mask;
}

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::SetEditMask(const QString& formMask)
{
    FInputs.clear();
    FEmpty.clear();
    const TQtMask mask = Convert(formMask, FBlank, FInputs, FEmpty);
    FPlaceholders = mask.Placeholders;
    setInputMask(mask.Mask);
    // Wide enough for the whole mask and the caret.
    setMinimumWidth(fontMetrics().horizontalAdvance(FEmpty + QStringLiteral("  ")) + 8);
}

QString TMaskEdit::InputText() const
{
    const QString shown = displayText();
    QString text;
    text.reserve(FInputs.size());
    for (int position : FInputs) {
        const QChar c = position < shown.size() ? shown[position] : FBlank;
        text += c == FBlank ? QChar(u' ') : c;
    }
    return text;
}

void TMaskEdit::SetInputText(const QString& text)
{
    QString shown = FEmpty;
    QString filled = FEmpty;
    QVector<int> blanks;
    for (int i = 0; i < FInputs.size(); ++i) {
        const QChar c = i < text.size() ? text[i] : QChar(u' ');
        if (c == u' ') {
            blanks.append(FInputs[i]);
            filled[FInputs[i]] = FPlaceholders[i];
        } else {
            shown[FInputs[i]] = c;
            filled[FInputs[i]] = c;
        }
    }
    if (shown == displayText()) return;
    setText(filled);
    if (blanks.isEmpty()) return;
    // Qt moves the later characters forward over a blank at a position that
    // must be filled; blanking the positions one by one afterwards keeps
    // every character where it was.
    const QSignalBlocker quiet(this);
    for (int position : blanks) {
        setCursorPosition(position);
        del();
    }
    setCursorPosition(filled.size());
}

int TMaskEdit::InputPosition(int index) const
{
    return index >= 0 && index < FInputs.size() ? FInputs[index] : -1;
}

void TMaskEdit::SelectAt(int displayIndex)
{
    if (displayIndex < 0) return;
    setSelection(displayIndex, 1);
}

void TMaskEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit Entered();
}

QFont FixedPitchFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    if (!QFontInfo(font).fixedPitch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return font;
}

QPushButton* AddOkCancelHelp(QDialog* dialog, QBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    auto* help = new QPushButton(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpBtn"));
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(help);
    layout->addLayout(row);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return ok;
}

QLineEdit* NamedEdit(const QString& name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    return edit;
}

TMaskEdit* NamedMaskEdit(const QString& name, const QString& formMask, bool fixedPitch)
{
    auto* edit = new TMaskEdit;
    edit->setObjectName(name);
    // Before the mask: the edit's width is measured in this font.
    if (fixedPitch) edit->setFont(FixedPitchFont());
    edit->SetEditMask(formMask);
    return edit;
}

QGroupBox* NamedGroup(const QString& name, const QString& caption)
{
    auto* box = new QGroupBox(caption);
    box->setObjectName(name);
    return box;
}

QButtonGroup* AddRadioItems(QGroupBox* box, const QStringList& captions, Qt::Orientation orientation)
{
    auto* group = new QButtonGroup(box);
    QBoxLayout* items = orientation == Qt::Horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(box))
                                                      : static_cast<QBoxLayout*>(new QVBoxLayout(box));
    for (int i = 0; i < captions.size(); ++i) {
        auto* item = new QRadioButton(captions[i]);
        item->setObjectName(box->objectName() + QString::number(i));
        group->addButton(item, i);
        items->addWidget(item);
    }
    return group;
}

QLabel* FieldLabel(const QString& label, QWidget* field)
{
    auto* text = new QLabel(label);
    text->setBuddy(field);
    return text;
}

void AddLabelled(QGridLayout* grid, int row, int column, const QString& label, QWidget* field)
{
    grid->addWidget(FieldLabel(label, field), row, column);
    grid->addWidget(field, row, column + 1);
}
