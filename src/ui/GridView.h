#pragma once
// A table of the main window: a QTableView over one TStringGrid of the core,
// following the grid's change notifications and feeding the user's selection,
// scrolling and typing back into it.
//
// The grid's fixed row and column (FixedRows / FixedCols, 0 or 1) are drawn
// as the view's header row and header column, so they stay in place while the
// table scrolls and can never be selected or edited. Rows have one fixed
// height: a flight table of 40 000 rows shows at once, cells are only read
// for the rows on screen.
//
// The grid's top-left cell (the node type's label in the attribute tables)
// is painted in the view's corner, where the two headers meet.
//
// Editing follows the grid's options (goEditing): the cell editor reports
// every keystroke (OnEditText), not only the finished text. The window losing
// activation (to a message box) does not close it.
//
// Several views may share one place, a stacked layout (the main window's
// table panel): the view whose grid becomes visible takes the place, and a
// view whose grid is hidden gives it to one whose grid is visible. Other
// changes of a grid's state (enabled, options, editor) never move it.

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <functional>
#include <vector>

class TStringGrid;

class TGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TGridModel(TStringGrid* grid, QObject* parent = nullptr);
    ~TGridModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Grid cell <-> model index.
    int GridRow(const QModelIndex& index) const;
    int GridCol(const QModelIndex& index) const;
    QModelIndex IndexOf(int gridCol, int gridRow) const;

    TStringGrid* Grid() const { return FGrid; }
    // How many times the model was reset (a table filled anew).
    int ResetCount = 0;

    // Called after the model followed a change of the grid (the mask of
    // TGridChange bits).
    std::function<void(unsigned changes)> OnGridChanged;

private:
    void GridChanged(unsigned changes);

    TStringGrid* FGrid;
    int FToken = 0;
    int FRows = 0;
    int FCols = 0;
    int FFixedRows = 0;
    int FFixedCols = 0;
};

class TGridView : public QTableView {
    Q_OBJECT
public:
    TGridView(TStringGrid* grid, QWidget* parent = nullptr);
    ~TGridView() override;

    TStringGrid* Grid() const { return FModel->Grid(); }
    TGridModel* GridModel() const { return FModel; }

    // Widths of the grid's columns from column 0 (the header column's too).
    void SetColumnWidths(const std::vector<int>& widths);
    // Whole rows are selected (the point, waypoint and reference tables).
    void SetRowSelect(bool rowSelect);
    // The open cell editor, or null.
    QWidget* Editor() const { return FEditor; }
    // The text painted in the corner (the grid's cell 0, 0 while the grid
    // has a fixed row and a fixed column).
    QString CornerText() const { return FCorner; }

    // The user typed into a cell: grid column, grid row, the whole new text.
    std::function<void(int col, int row, const QString& text)> OnEditText;
    // The user selected a cell (grid column and row).
    std::function<void(int col, int row)> OnSelectCell;
    // A double click on a cell (also on a header or in the cell editor), or
    // on the empty area.
    std::function<void()> OnDoubleClick;
    // The mouse moved over the table.
    std::function<void()> OnMouseMove;

public slots:
    void reset() override;

protected:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void Follow(unsigned changes);
    void ShowSelection();
    void FitColumns();
    void ShowState();
    void PaintCorner();
    void ReportVisibleRows();
    void Scrolled(int value);

    friend class TCellDelegate;
    TGridModel* FModel;
    QPointer<QWidget> FEditor;
    QPointer<QWidget> FCornerButton;
    QString FCorner;
    std::vector<int> FWidths;
    bool FSyncing = false;
    // The grid's visibility the view last followed (the grids start visible).
    bool FShownVisible = true;
};
