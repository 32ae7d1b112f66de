// Find in the sheet: row by row from the cell after the current one, round to the first row
// searched again; hidden rows and columns and the rows above `firstRow` are passed over.
#include "report/SheetFind.h"

#include <gtest/gtest.h>

namespace {

TSheetModel Sheet() {
    TSheetModel m;
    m.SetColumnCount(4);
    m.SetRowCount(6);
    m.SetText(2, 1, u"预算单位");  // a heading
    m.SetText(2, 3, u"001001");
    m.SetText(3, 3, u"财政局");
    m.SetText(2, 4, u"001002");
    m.SetText(3, 4, u"教育局 Finance");
    m.SetText(2, 5, u"002001");
    m.SetText(3, 5, u"财政局机关");
    return m;
}

TEST(SheetFind, FindsOnwardAndRoundAgain) {
    const TSheetModel m = Sheet();
    EXPECT_EQ(FindInSheet(m, QStringLiteral("财政局"), {1, 1}, 3), QPoint(3, 3));
    EXPECT_EQ(FindInSheet(m, QStringLiteral("财政局"), {3, 3}, 3), QPoint(3, 5));
    EXPECT_EQ(FindInSheet(m, QStringLiteral("财政局"), {3, 5}, 3), QPoint(3, 3));  // round to row 3
    // The only cell holding it is found from itself, last.
    EXPECT_EQ(FindInSheet(m, QStringLiteral("002001"), {2, 5}, 3), QPoint(2, 5));
    EXPECT_EQ(FindInSheet(m, QStringLiteral(" finance "), {1, 1}, 1), QPoint(3, 4));  // case and blanks
    EXPECT_EQ(FindInSheet(m, QStringLiteral("预算单位"), {4, 6}, 1), QPoint(2, 1));
}

TEST(SheetFind, PassesOverHeadingsHiddenCellsAndFindsNothingForNothing) {
    TSheetModel m = Sheet();
    EXPECT_FALSE(FindInSheet(m, QStringLiteral("预算单位"), {1, 3}, 3));
    m.SetRowHeight(3, 0);
    EXPECT_EQ(FindInSheet(m, QStringLiteral("财政局"), {1, 1}, 3), QPoint(3, 5));
    m.SetColumnWidth(3, 0);
    EXPECT_FALSE(FindInSheet(m, QStringLiteral("财政局"), {1, 1}, 3));
    EXPECT_FALSE(FindInSheet(m, QStringLiteral("  "), {1, 1}, 1));
    EXPECT_FALSE(FindInSheet(TSheetModel(), QStringLiteral("x"), {1, 1}, 1));
    EXPECT_FALSE(FindInSheet(m, QStringLiteral("x"), {9, 99}, 50));  // a start and first row past the end
}

// Printing the selected rows: the heading above the body, then the selection's rows only (a
// selection reaching into the heading starts at the body; one past the end stops at it).
TEST(SheetFind, SelectedRowsKeepTheHeadingAndOnlyThoseRows) {
    const TSheetModel m = Sheet();
    const TSheetModel part = SelectedRowsSheet(m, 3, 4, 5);
    ASSERT_EQ(part.RowCount(), 4);
    EXPECT_EQ(part.Text(2, 1).toString(), QStringLiteral("预算单位"));
    EXPECT_EQ(part.Text(2, 3).toString(), QStringLiteral("001002"));
    EXPECT_EQ(part.Text(2, 4).toString(), QStringLiteral("002001"));
    EXPECT_EQ(m.RowCount(), 6);  // the sheet itself as it was
    const TSheetModel wide = SelectedRowsSheet(m, 3, 1, 99);
    EXPECT_EQ(wide.RowCount(), 6);
    EXPECT_EQ(wide.Text(2, 3).toString(), QStringLiteral("001001"));
}

}  // namespace
