#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/StringGrid.h"

TEST(StringGrid, LoweringTheRowCountDiscardsTheRowsBeyondIt)
{
    TStringGrid grid(3, 5);
    for (int r = 0; r < 5; ++r) grid.SetCell(2, r, "row " + std::to_string(r));
    grid.SetRowCount(2);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(2, 1), "row 1");
    EXPECT_EQ(grid.Cell(2, 4), "");
    grid.SetRowCount(5);
    for (int r = 2; r < 5; ++r) EXPECT_EQ(grid.Cell(2, r), "") << "row " << r << " came back";

    grid.SetColCount(2);
    grid.SetColCount(3);
    EXPECT_EQ(grid.Cell(2, 0), "");
    EXPECT_EQ(grid.ColCount(), 3);
}

TEST(StringGrid, CellsOutsideTheTableReadEmptyAndIgnoreWrites)
{
    TStringGrid grid(2, 2);
    grid.SetCell(5, 0, "x");
    grid.SetCell(0, 2, "x");
    grid.SetCell(-1, 0, "x");
    EXPECT_EQ(grid.Cell(5, 0), "");
    EXPECT_EQ(grid.Cell(0, -1), "");
    grid.SetRowCount(3);
    EXPECT_EQ(grid.Cell(0, 2), "");
    // Windows-1252 text is kept byte for byte.
    grid.SetCell(1, 1, "47\xBA" "12'");
    EXPECT_EQ(grid.Cell(1, 1), "47\xBA" "12'");
    grid.ClearRow(1);
    EXPECT_EQ(grid.Cell(1, 1), "");
}

TEST(StringGrid, SelectionAndTopRowStayInsideTheTable)
{
    TStringGrid grid(8, 30);
    grid.SetSelection({7, 12, 1, 12});
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 12, 7, 12}));
    grid.SetTopRow(25);
    EXPECT_EQ(grid.TopRow(), 25);
    grid.SetTopRow(0); // the header row does not scroll
    EXPECT_EQ(grid.TopRow(), 1);
    grid.SetTopRow(25);
    grid.SetRowCount(10);
    EXPECT_EQ(grid.TopRow(), 9);
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 9, 7, 9}));
    grid.SetVisibleRowCount(17);
    EXPECT_EQ(grid.VisibleRowCount(), 17);
}

TEST(StringGrid, EditOptionsAreTheReadOnlyOnesWithTheEditor)
{
    EXPECT_EQ(EditGridOptions & ~ReadOnlyGridOptions, TGridOptions(goEditing | goAlwaysShowEditor));
    EXPECT_EQ(ReadOnlyGridOptions & (goEditing | goAlwaysShowEditor), 0u);
}

TEST(StringGrid, ChangesReachTheViewOncePerOutermostUnlock)
{
    TStringGrid grid(2, 2);
    std::vector<unsigned> seen;
    int token = grid.Subscribe([&](unsigned changes) { seen.push_back(changes); });

    grid.SetCell(0, 0, "a");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], unsigned(gcCells));
    grid.SetCell(0, 0, "a"); // no change, no message
    EXPECT_EQ(seen.size(), 1u);

    seen.clear();
    {
        TGridUpdateLock outer(grid);
        grid.SetRowCount(100);
        {
            TGridUpdateLock inner(grid);
            for (int r = 0; r < 100; ++r) grid.SetCell(1, r, "x");
        }
        EXPECT_TRUE(seen.empty()) << "sent before the outermost unlock";
        grid.SetTopRow(50);
        grid.SetEnabled(false);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], unsigned(gcCells | gcSize | gcScroll | gcState));

    // A lock released by an exception still sends.
    seen.clear();
    try {
        TGridUpdateLock lock(grid);
        grid.SetSelection({1, 3, 1, 3});
        throw std::runtime_error("filling failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(grid.Updating());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], unsigned(gcSelection));

    // A lock with nothing changed sends nothing; an extra unlock is harmless.
    seen.clear();
    grid.BeginUpdate();
    grid.EndUpdate();
    grid.EndUpdate();
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(grid.Updating());

    grid.Unsubscribe(token);
    grid.SetCell(0, 1, "b");
    EXPECT_TRUE(seen.empty());
}

TEST(StringGrid, AListenerMayUnsubscribeWhileBeingTold)
{
    TStringGrid grid(2, 2);
    int calls = 0;
    int token = 0;
    token = grid.Subscribe([&](unsigned) {
        ++calls;
        grid.Unsubscribe(token);
    });
    grid.SetCell(0, 0, "a");
    grid.SetCell(0, 0, "b");
    EXPECT_EQ(calls, 1);
}
