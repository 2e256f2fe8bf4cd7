#include "platform/StringGrid.h"

#include <algorithm>
#include <utility>

namespace {

const std::string EmptyText;

int Clamp(int value, int low, int high)
{
    if (high < low) high = low;
    return std::clamp(value, low, high);
}

} // namespace

TStringGrid::TStringGrid(int colCount, int rowCount)
{
    FColCount = std::max(0, colCount);
    FRows.assign(static_cast<std::size_t>(std::max(0, rowCount)),
                 std::vector<std::string>(static_cast<std::size_t>(FColCount)));
    KeepPositionsInside();
}

void TStringGrid::SetColCount(int count)
{
    count = std::max(0, count);
    if (count == FColCount) return;
    FColCount = count;
    for (auto& row : FRows) row.resize(static_cast<std::size_t>(count));
    FNotifier.Changed(gcSize | gcCells | KeepPositionsInside());
}

void TStringGrid::SetRowCount(int count)
{
    count = std::max(0, count);
    if (count == RowCount()) return;
    FRows.resize(static_cast<std::size_t>(count), std::vector<std::string>(static_cast<std::size_t>(FColCount)));
    FNotifier.Changed(gcSize | gcCells | KeepPositionsInside());
}

void TStringGrid::SetFixedCols(int count)
{
    count = std::max(0, count);
    if (count == FFixedCols) return;
    FFixedCols = count;
    FNotifier.Changed(gcSize);
}

void TStringGrid::SetFixedRows(int count)
{
    count = std::max(0, count);
    if (count == FFixedRows) return;
    FFixedRows = count;
    FNotifier.Changed(gcSize | KeepPositionsInside());
}

const std::string& TStringGrid::Cell(int col, int row) const
{
    if (col < 0 || row < 0 || col >= FColCount || row >= RowCount()) return EmptyText;
    return FRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TStringGrid::SetCell(int col, int row, const std::string& text)
{
    if (col < 0 || row < 0 || col >= FColCount || row >= RowCount()) return;
    std::string& cell = FRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    if (cell == text) return;
    cell = text;
    FNotifier.Changed(gcCells);
}

void TStringGrid::SetCell(int col, int row, std::string&& text)
{
    if (col < 0 || row < 0 || col >= FColCount || row >= RowCount()) return;
    std::string& cell = FRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    if (cell == text) return;
    cell = std::move(text);
    FNotifier.Changed(gcCells);
}

void TStringGrid::ClearRow(int row)
{
    if (row < 0 || row >= RowCount()) return;
    bool changed = false;
    for (auto& cell : FRows[static_cast<std::size_t>(row)]) {
        if (!cell.empty()) {
            cell.clear();
            changed = true;
        }
    }
    if (changed) FNotifier.Changed(gcCells);
}

void TStringGrid::SetSelection(const TGridRect& rect)
{
    TGridRect old = FSelection;
    FSelection = rect;
    if (FSelection.Left > FSelection.Right) std::swap(FSelection.Left, FSelection.Right);
    if (FSelection.Top > FSelection.Bottom) std::swap(FSelection.Top, FSelection.Bottom);
    unsigned changes = KeepPositionsInside() & ~gcSelection;
    if (!(FSelection == old)) changes |= gcSelection;
    FNotifier.Changed(changes);
}

void TStringGrid::SetTopRow(int row)
{
    int old = FTopRow;
    FTopRow = row;
    unsigned changes = KeepPositionsInside() & ~gcScroll;
    if (FTopRow != old) changes |= gcScroll;
    FNotifier.Changed(changes);
}

void TStringGrid::SetVisibleRowCount(int count)
{
    // Reported by the view; telling the view about it again would be noise.
    FVisibleRowCount = std::max(0, count);
}

void TStringGrid::SetOptions(TGridOptions options)
{
    if (options == FOptions) return;
    FOptions = options;
    FNotifier.Changed(gcState);
}

void TStringGrid::SetEnabled(bool enabled)
{
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    FNotifier.Changed(gcState);
}

void TStringGrid::SetVisible(bool visible)
{
    if (visible == FVisible) return;
    FVisible = visible;
    FNotifier.Changed(gcState);
}

void TStringGrid::SetEditorMode(bool shown)
{
    if (shown == FEditorMode) return;
    FEditorMode = shown;
    FNotifier.Changed(gcState);
}

unsigned TStringGrid::KeepPositionsInside()
{
    int lastCol = std::max(0, FColCount - 1);
    int lastRow = std::max(0, RowCount() - 1);
    TGridRect old = FSelection;
    FSelection.Left = Clamp(FSelection.Left, 0, lastCol);
    FSelection.Right = Clamp(FSelection.Right, 0, lastCol);
    FSelection.Top = Clamp(FSelection.Top, 0, lastRow);
    FSelection.Bottom = Clamp(FSelection.Bottom, 0, lastRow);
    int oldTop = FTopRow;
    FTopRow = Clamp(FTopRow, std::min(FFixedRows, lastRow), lastRow);
    unsigned changes = 0;
    if (!(FSelection == old)) changes |= gcSelection;
    if (FTopRow != oldTop) changes |= gcScroll;
    return changes;
}

void TStringGrid::SelectRowAndScroll(int row)
{
    TGridUpdateLock lock(this);
    SetSelection({1, row, ColCount() - 1, row});
    if (row < TopRow())
        SetTopRow(row);
    else if (row >= TopRow() + VisibleRowCount())
        SetTopRow(row - VisibleRowCount() + 1);
}
