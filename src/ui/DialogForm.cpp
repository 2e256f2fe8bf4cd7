#include "ui/DialogForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWindow>
#include <algorithm>

#include "ui/Guard.h"
#include "ui/Seams.h"

// The fields of a dialog that its screen has no room for: as large as they
// want to be (Qt's own scroll area caps that at a few lines of text), at most
// the room the screen leaves them, scrolled beyond that.
class TFieldsArea final : public QScrollArea {
public:
    explicit TFieldsArea(QWidget* parent) : QScrollArea(parent)
    {
        setObjectName(QStringLiteral("Fields"));
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setFocusPolicy(Qt::NoFocus);
    }

    QSize Room{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};

    QSize sizeHint() const override { return Fitted(widget() ? widget()->sizeHint() : QSize()); }
    QSize minimumSizeHint() const override { return Fitted(widget() ? widget()->minimumSizeHint() : QSize()); }

private:
    QSize Fitted(QSize wanted) const
    {
        // A scroll bar takes room across its own direction.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        if (wanted.height() > Room.height()) wanted = QSize(wanted.width() + bar, Room.height());
        if (wanted.width() > Room.width()) wanted = QSize(Room.width(), std::min(wanted.height() + bar, Room.height()));
        return wanted;
    }
};

namespace {

// The window manager's frame around a window: the largest that a window of
// the program on the screen has (none before any is shown, and none without
// a window manager).
QMargins FrameMargins()
{
    QMargins frame;
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        const QWindow* window = widget->windowHandle();
        if (!widget->isVisible() || !window) continue;
        const QMargins m = window->frameMargins();
        frame = QMargins(std::max(frame.left(), m.left()), std::max(frame.top(), m.top()),
                         std::max(frame.right(), m.right()), std::max(frame.bottom(), m.bottom()));
    }
    return frame;
}

} // namespace

TDialogForm::TDialogForm(QWidget* parent) : QDialog(parent) {}

void TDialogForm::setVisible(bool visible)
{
    if (visible && !isVisible()) FitToScreen();
    QDialog::setVisible(visible);
}

void TDialogForm::FitToScreen()
{
    auto* outer = qobject_cast<QBoxLayout*>(layout());
    const QScreen* screen = this->screen();
    if (!outer || !screen) return;
    const QSize room = screen->availableGeometry().size().shrunkBy(FrameMargins());
    if (FFields) {
        FFields->Room = QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        FFields->updateGeometry();
        outer->invalidate();
    }
    QSize whole = outer->totalMinimumSize();
    if (!FFields) {
        if (whole.width() <= room.width() && whole.height() <= room.height()) return;
        if (outer->count() < 2) return;
        ScrollFields(outer);
        whole = outer->totalMinimumSize();
    }
    // The fields get what the margins and the button row leave.
    const QMargins margins = outer->contentsMargins();
    FFields->Room = QSize(room.width() - margins.left() - margins.right(),
                          room.height() - (whole.height() - FFields->minimumSizeHint().height()));
    FFields->updateGeometry();
    outer->invalidate();
    outer->activate();
    if (testAttribute(Qt::WA_Resized)) {
        // A size given before (or left by the last showing) may be too large.
        const QSize fitted = size().boundedTo(room).expandedTo(minimumSize());
        if (fitted != size()) resize(fitted);
    }
}

void TDialogForm::ScrollFields(QBoxLayout* outer)
{
    // Made inside the dialog, so that the fields keep their place in the
    // order of the Tab key.
    FFields = new TFieldsArea(this);
    auto* fields = new QWidget(this);
    auto* column = new QVBoxLayout(fields);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(outer->spacing());
    while (outer->count() > 1) {
        const int stretch = outer->stretch(0);
        QLayoutItem* item = outer->takeAt(0);
        if (QWidget* widget = item->widget()) {
            column->addWidget(widget, 0, item->alignment());
            delete item;
        } else if (QLayout* inner = item->layout()) {
            // Takes the widgets it arranges along.
            column->addLayout(inner);
        } else {
            column->addItem(item);
        }
        column->setStretch(column->count() - 1, stretch);
    }
    FFields->setWidget(fields);
    outer->insertWidget(0, FFields);
    // A field that takes the focus (the Tab key, a mnemonic) scrolls into view.
    connect(qApp, &QApplication::focusChanged, FFields, [area = FFields](QWidget*, QWidget* now) {
        if (now && area->widget()->isAncestorOf(now)) area->ensureWidgetVisible(now);
    });
}

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
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (edit->isReadOnly()) continue;
        const QString refusal = TextRefusal(FieldName(edit), edit->text(), KeptAs(edit));
        if (refusal.isEmpty()) continue;
        Refuse(edit, refusal, FindTextFault(edit->text(), KeptAs(edit)).Index);
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

void TDialogForm::Refuse(QWidget* field, const QString& message, qsizetype at)
{
    const QPointer<QWidget> kept(field);
    ShowWarning(message);
    // Only once the box is gone (whose event loop may have deleted the
    // field): a field given the focus before would lose it to the box again,
    // ending its edit under the box. A dialog not active again yet (a window
    // manager gives the activation back a little after the box closes) gives
    // the focus to this field when it is.
    if (!kept) return;
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        if (at < 0)
            edit->selectAll();
        else
            edit->setCursorPosition(static_cast<int>(at));
    }
    field->setFocus(Qt::OtherFocusReason);
}
