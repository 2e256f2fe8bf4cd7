#pragma once
// A table of text cells without a window: the model fills it, a view (the Qt
// table of the user interface, or a test) shows it and follows its changes.
//
// Cells are addressed (column, row) from 0 and hold Windows-1252 text. Row 0
// and column 0 are ordinary cells; FixedRows and FixedCols only tell the view
// which rows and columns to draw as headers and bound the scroll position.
// Lowering the row or column count discards the cells beyond it, so a table
// filled again never shows rows of its previous content.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Changes.h"

struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

// The option flags of a table; the user interface keeps one set for reading
// and one for editing.
enum TGridOption : std::uint32_t {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goColSizing = 1u << 4,
    goTabs = 1u << 5,
    goThumbTracking = 1u << 6,
    goEditing = 1u << 7,
    goAlwaysShowEditor = 1u << 8,
};
using TGridOptions = std::uint32_t;

constexpr TGridOptions ReadOnlyGridOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                                             goColSizing | goTabs | goThumbTracking;
constexpr TGridOptions EditGridOptions = ReadOnlyGridOptions | goEditing | goAlwaysShowEditor;

// What changed, as sent to the listeners.
enum TGridChange : unsigned {
    gcCells = 1u << 0,     // cell texts
    gcSize = 1u << 1,      // column, row or fixed counts
    gcSelection = 1u << 2, // selection rectangle
    gcScroll = 1u << 3,    // top row
    gcState = 1u << 4,     // options, enabled, visible, editor shown
};

class TStringGrid {
public:
    TStringGrid(int colCount = 5, int rowCount = 5);
    TStringGrid(const TStringGrid&) = delete;
    TStringGrid& operator=(const TStringGrid&) = delete;

    int ColCount() const { return FColCount; }
    void SetColCount(int count);
    int RowCount() const { return static_cast<int>(FRows.size()); }
    void SetRowCount(int count);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int count);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int count);

    // Empty text outside the table; writes outside the table are ignored.
    const std::string& Cell(int col, int row) const;
    void SetCell(int col, int row, const std::string& text);
    void SetCell(int col, int row, std::string&& text);
    void ClearRow(int row);

    // Kept inside the table, Left <= Right and Top <= Bottom.
    TGridRect Selection() const { return FSelection; }
    void SetSelection(const TGridRect& rect);

    // First scrollable row shown, kept between FixedRows and the last row.
    int TopRow() const { return FTopRow; }
    void SetTopRow(int row);
    // Selects the cells from column 1 to the last of `row` and scrolls just
    // enough to show it (the tables' "select this object" behaviour).
    void SelectRowAndScroll(int row);
    // How many scrollable rows the view has room for; the view reports it.
    int VisibleRowCount() const { return FVisibleRowCount; }
    void SetVisibleRowCount(int count);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions options);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    // The cell editor is shown (edit mode of the table).
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool shown);

    // Redraw lock, counted; see TChangeNotifier.
    void BeginUpdate() { FNotifier.BeginUpdate(); }
    void EndUpdate() { FNotifier.EndUpdate(); }
    bool Updating() const { return FNotifier.Updating(); }
    int Subscribe(TChangeNotifier::TListener listener) { return FNotifier.Subscribe(std::move(listener)); }
    void Unsubscribe(int token) { FNotifier.Unsubscribe(token); }

private:
    // Clamps selection and top row; returns what that changed.
    unsigned KeepPositionsInside();

    std::vector<std::vector<std::string>> FRows;
    int FColCount = 0;
    int FFixedCols = 1;
    int FFixedRows = 1;
    TGridRect FSelection{1, 1, 1, 1};
    int FTopRow = 1;
    int FVisibleRowCount = 10;
    TGridOptions FOptions = ReadOnlyGridOptions;
    bool FEnabled = true;
    bool FVisible = true;
    bool FEditorMode = false;
    TChangeNotifier FNotifier;
};

using TGridUpdateLock = TUpdateLock<TStringGrid>;
