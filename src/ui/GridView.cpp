#include "ui/GridView.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "platform/StringGrid.h"
#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"

// ---------------------------------------------------------------- model

TGridModel::TGridModel(TStringGrid* grid, QObject* parent) : QAbstractTableModel(parent), FGrid(grid)
{
    FRows = grid->RowCount();
    FCols = grid->ColCount();
    FFixedRows = std::min(grid->FixedRows(), 1);
    FFixedCols = std::min(grid->FixedCols(), 1);
    // Listeners must not throw: the notification may come from a lock's
    // destructor while an exception unwinds.
    FToken = grid->Subscribe([this](unsigned changes) noexcept {
        try {
            GridChanged(changes);
        } catch (...) {
        }
    });
}

TGridModel::~TGridModel()
{
    FGrid->Unsubscribe(FToken);
}

void TGridModel::GridChanged(unsigned changes)
{
    if (changes & gcSize) {
        beginResetModel();
        FRows = FGrid->RowCount();
        FCols = FGrid->ColCount();
        FFixedRows = std::min(FGrid->FixedRows(), 1);
        FFixedCols = std::min(FGrid->FixedCols(), 1);
        endResetModel();
        ++ResetCount;
    } else if (changes & gcCells) {
        if (rowCount() > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
        if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
    if (OnGridChanged) OnGridChanged(changes);
}

int TGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, FRows - FFixedRows);
}

int TGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, FCols - FFixedCols);
}

int TGridModel::GridRow(const QModelIndex& index) const
{
    return index.row() + FFixedRows;
}

int TGridModel::GridCol(const QModelIndex& index) const
{
    return index.column() + FFixedCols;
}

QModelIndex TGridModel::IndexOf(int gridCol, int gridRow) const
{
    return index(gridRow - FFixedRows, gridCol - FFixedCols);
}

QVariant TGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return ToQt(FGrid->Cell(GridCol(index), GridRow(index)));
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return FFixedRows ? ToQt(FGrid->Cell(section + FFixedCols, 0)) : QVariant();
    return FFixedCols ? ToQt(FGrid->Cell(0, section + FFixedRows)) : QVariant();
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if ((FGrid->Options() & goEditing) && FGrid->Enabled()) flags |= Qt::ItemIsEditable;
    return flags;
}

bool TGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) return false;
    FGrid->SetCell(GridCol(index), GridRow(index), FromQt(value.toString()));
    return true;
}

// ---------------------------------------------------------------- editor

// A line editor that reports each keystroke and is never rewritten while the
// user types into it.
class TCellDelegate final : public QStyledItemDelegate {
public:
    explicit TCellDelegate(TGridView* view) : QStyledItemDelegate(view), FView(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        // A double click on the cell lands in its editor: the view hears of
        // it as of any other double click.
        edit->installEventFilter(FView);
        FView->FEditor = edit;
        const int col = FView->GridModel()->GridCol(index);
        const int row = FView->GridModel()->GridRow(index);
        TGridView* view = FView;
        const QPointer<QLineEdit> guard(edit);
        QObject::connect(edit, &QLineEdit::textEdited, edit, [view, guard, col, row](const QString& text) {
            // Inside the editor's own key handler a message box would take
            // the focus and could end the editor under it: it comes after.
            const TMessagesAfterEvent after;
            Guarded([&] {
                if (view->OnEditText)
                    view->OnEditText(col, row, text);
                else
                    view->Grid()->SetCell(col, row, FromQt(text));
            });
            // A text the handler refused never reached the cell: the editor
            // shows what the cell holds (compared as the user sees them: a
            // letter the cell cannot hold is no '?'), the cursor where it
            // stood before the keystroke.
            const QString cell = ToQt(view->Grid()->Cell(col, row));
            if (!guard || cell == text) return;
            const qsizetype at = guard->cursorPosition() - (text.size() - cell.size());
            guard->setText(cell);
            guard->setCursorPosition(static_cast<int>(at));
        });
        return edit;
    }

    bool eventFilter(QObject* editor, QEvent* event) override
    {
        // The window losing activation (to a message box, another program)
        // ends no edit: the editor takes the keys again when it comes back.
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason)
            return false;
        return QStyledItemDelegate::eventFilter(editor, event);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* edit = static_cast<QLineEdit*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        if (edit->text() != text) edit->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        // Every keystroke has reached the grid already; writing the text once
        // more would undo what the keystroke handler decided for the cell.
        (void)editor;
        (void)model;
        (void)index;
    }

private:
    TGridView* FView;
};

// ---------------------------------------------------------------- view

TGridView::TGridView(TStringGrid* grid, QWidget* parent) : QTableView(parent), FModel(new TGridModel(grid, this))
{
    setModel(FModel);
    setItemDelegate(new TCellDelegate(this));
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTabKeyNavigation(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(std::abs(fontMetrics().height()) + 4);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // The corner shows the grid's top-left cell; a click on it selects
    // nothing, as a click on any heading.
    setCornerButtonEnabled(false);
    FCornerButton = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (FCornerButton) FCornerButton->installEventFilter(this);

    FModel->OnGridChanged = [this](unsigned changes) { Follow(changes); };
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) { Scrolled(value); });
    Follow(gcSize | gcSelection | gcScroll | gcState);
}

TGridView::~TGridView()
{
    FModel->OnGridChanged = nullptr;
}

void TGridView::SetColumnWidths(const std::vector<int>& widths)
{
    FWidths = widths;
    Follow(gcSize);
}

void TGridView::SetRowSelect(bool rowSelect)
{
    setSelectionBehavior(rowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void TGridView::Follow(unsigned changes)
{
    const TStringGrid* grid = Grid();
    if (changes & gcSize) {
        const int fixedCols = std::min(grid->FixedCols(), 1);
        horizontalHeader()->setVisible(grid->FixedRows() > 0);
        verticalHeader()->setVisible(fixedCols > 0);
        for (std::size_t c = 0; c < FWidths.size(); ++c) {
            const int col = static_cast<int>(c) - fixedCols;
            if (col < 0)
                verticalHeader()->setFixedWidth(FWidths[c]);
            else if (col < FModel->columnCount())
                setColumnWidth(col, FWidths[c]);
        }
    }
    if (changes & (gcSize | gcCells)) FitColumns();
    if (changes & (gcSize | gcSelection)) ShowSelection();
    if (changes & (gcSize | gcScroll)) {
        // The scroll bar's signal is what moves the rows and their headings;
        // only this view's own echo into the grid is held back.
        FSyncing = true;
        verticalScrollBar()->setValue(grid->TopRow() - std::min(grid->FixedRows(), 1));
        FSyncing = false;
    }
    if (changes & (gcSize | gcState)) ShowState();
}

void TGridView::FitColumns()
{
    // The widths are where the columns start; a column whose texts on the
    // screen need more room gets it, so no number is cut.
    const int fixedCols = std::min(Grid()->FixedCols(), 1);
    const QString corner = fixedCols && Grid()->FixedRows() > 0 ? ToQt(Grid()->Cell(0, 0)) : QString();
    if (corner != FCorner) {
        FCorner = corner;
        if (FCornerButton) FCornerButton->update();
    }
    if (fixedCols) {
        // The heading column holds the row headings and the corner.
        QStyleOptionHeader option;
        option.initFrom(verticalHeader());
        option.text = FCorner;
        const int cornerWidth =
            style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), verticalHeader()).width();
        const int initial = FWidths.empty() ? 0 : FWidths.front();
        verticalHeader()->setFixedWidth(std::max({initial, cornerWidth, verticalHeader()->sizeHint().width()}));
    }
    for (int col = 0; col < FModel->columnCount(); ++col) {
        const std::size_t at = static_cast<std::size_t>(col + fixedCols);
        const int initial = at < FWidths.size() ? FWidths[at] : horizontalHeader()->defaultSectionSize();
        const int needed = std::max(sizeHintForColumn(col), horizontalHeader()->sectionSizeHint(col));
        setColumnWidth(col, std::max(initial, needed));
    }
}

void TGridView::ShowSelection()
{
    const TStringGrid* grid = Grid();
    const TGridRect sel = grid->Selection();
    const QModelIndex topLeft = FModel->IndexOf(sel.Left, sel.Top);
    if (!topLeft.isValid()) {
        const QSignalBlocker block(selectionModel());
        selectionModel()->clear();
        return;
    }
    const QModelIndex bottomRight = FModel->IndexOf(sel.Right, sel.Bottom);
    FSyncing = true;
    {
        const QSignalBlocker block(selectionModel());
        selectionModel()->setCurrentIndex(topLeft, QItemSelectionModel::NoUpdate);
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (selectionBehavior() == QAbstractItemView::SelectRows) flags |= QItemSelectionModel::Rows;
        selectionModel()->select(QItemSelection(topLeft, bottomRight.isValid() ? bottomRight : topLeft), flags);
    }
    viewport()->update();
    FSyncing = false;
}

void TGridView::ShowState()
{
    const TStringGrid* grid = Grid();
    // Tables that share one place (a stacked layout) take turns in it;
    // others are shown and hidden themselves. Only a change of visibility
    // moves the place: the table that is being hidden may still be visible
    // when it is disabled, and must not take the place back then.
    auto* stack = parentWidget() ? qobject_cast<QStackedLayout*>(parentWidget()->layout()) : nullptr;
    const bool visible = grid->Visible();
    if (!stack) {
        setVisible(visible);
    } else if (visible != FShownVisible) {
        if (visible) {
            stack->setCurrentWidget(this);
        } else if (stack->currentWidget() == this) {
            for (int i = 0; i < stack->count(); ++i) {
                auto* other = qobject_cast<TGridView*>(stack->widget(i));
                if (other && other != this && other->Grid()->Visible()) {
                    stack->setCurrentWidget(other);
                    break;
                }
            }
        }
    }
    FShownVisible = visible;
    setEnabled(grid->Enabled());
    const bool editing = grid->Options() & goEditing;
    setEditTriggers(editing ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    if (!editing || !grid->EditorMode()) {
        // Each keystroke reached the grid already: nothing is written back.
        if (FEditor) closeEditor(FEditor, QAbstractItemDelegate::NoHint);
    } else if ((grid->Options() & goAlwaysShowEditor) && currentIndex().isValid() &&
               state() != QAbstractItemView::EditingState) {
        edit(currentIndex());
    }
}

void TGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Once closed, an editor no longer belongs to the view, although it
    // lives on until the event loop deletes it: it is never closed twice.
    if (editor == FEditor) FEditor = nullptr;
    QTableView::closeEditor(editor, hint);
}

void TGridView::reset()
{
    // A table filled anew lets go of its editor by itself.
    FEditor = nullptr;
    QTableView::reset();
}

bool TGridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FCornerButton && event->type() == QEvent::Paint) {
        PaintCorner();
        return true;
    }
    if (watched == FEditor && event->type() == QEvent::MouseButtonDblClick && OnDoubleClick) {
        const TMessagesAfterEvent after; // this is the editor's own event
        Guarded([&] { OnDoubleClick(); });
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TGridView::PaintCorner()
{
    // Drawn as the headings beside it are, with the grid's corner text.
    QStylePainter painter(FCornerButton);
    QStyleOptionHeader option;
    // The headings' palette: the corner button itself is disabled (it takes
    // no clicks), its text must not look so.
    option.initFrom(verticalHeader());
    option.state = QStyle::State_None;
    if (isEnabled()) option.state |= QStyle::State_Enabled;
    if (isActiveWindow()) option.state |= QStyle::State_Active;
    option.rect = FCornerButton->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = FCorner;
    option.textAlignment = verticalHeader()->defaultAlignment();
    option.fontMetrics = verticalHeader()->fontMetrics();
    painter.setFont(verticalHeader()->font());
    painter.drawControl(QStyle::CE_Header, option);
}

void TGridView::Scrolled(int value)
{
    if (FSyncing) return;
    Guarded([&] {
        FSyncing = true;
        Grid()->SetTopRow(value + std::min(Grid()->FixedRows(), 1));
        FSyncing = false;
    });
    FSyncing = false;
}

void TGridView::ReportVisibleRows()
{
    const int height = std::max(1, verticalHeader()->defaultSectionSize());
    Grid()->SetVisibleRowCount(std::max(1, viewport()->height() / height));
}

void TGridView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    ReportVisibleRows();
}

void TGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (FSyncing || !current.isValid()) return;
    Guarded([&] {
        const int col = FModel->GridCol(current);
        const int row = FModel->GridRow(current);
        FSyncing = true;
        if (selectionBehavior() == QAbstractItemView::SelectRows)
            Grid()->SetSelection({std::min(Grid()->FixedCols(), 1), row, Grid()->ColCount() - 1, row});
        else
            Grid()->SetSelection({col, row, col, row});
        FSyncing = false;
        if (OnSelectCell) OnSelectCell(col, row);
    });
    FSyncing = false;
}

void TGridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (OnDoubleClick && !(Grid()->Options() & goEditing)) {
        Guarded([&] { OnDoubleClick(); });
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    if (OnDoubleClick) Guarded([&] { OnDoubleClick(); });
}

void TGridView::mouseMoveEvent(QMouseEvent* event)
{
    QTableView::mouseMoveEvent(event);
    if (OnMouseMove) Guarded([&] { OnMouseMove(); });
}
