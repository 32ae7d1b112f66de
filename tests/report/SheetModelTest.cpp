// The sheet model: cells, rows, merges and styles, and its rules for arguments outside the sheet.
#include "report/SheetModel.h"

#include <gtest/gtest.h>
#include <limits>

namespace {
TSheetModel Sheet(int rows, int columns = kSheetDefaultColumns) {
    TSheetModel m;
    m.SetColumnCount(columns);
    m.SetRowCount(rows);
    return m;
}
QString Text(const TSheetModel &m, int col, int row) { return m.Text(col, row).toString(); }
}  // namespace

TEST(SheetModel, CellsOutsideTheSheetAreIgnored) {
    TSheetModel m = Sheet(3, 4);
    const int outside[][2] = {{0, 1}, {1, 0}, {5, 1}, {1, 4}, {-1, -1},
                              {std::numeric_limits<int>::max(), 1}, {1, std::numeric_limits<int>::min()}};
    for (const auto &cr : outside) {
        m.SetText(cr[0], cr[1], u"x");
        m.SetAlignment(cr[0], cr[1], 34);
        EXPECT_TRUE(m.Text(cr[0], cr[1]).isEmpty());
        EXPECT_EQ(m.StyleId(cr[0], cr[1]), 0);
    }
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 4; ++c) EXPECT_TRUE(m.Text(c, r).isEmpty());
    EXPECT_EQ(m.StyleCount(), 1);
}

TEST(SheetModel, TextsSurviveOverwritingAndTheirBufferIsSqueezed) {
    TSheetModel m = Sheet(1, 3);
    // Overwrite one cell many times with texts of changing length; the neighbours must keep theirs.
    m.SetText(1, 1, u"左");
    m.SetText(3, 1, u"右边的单元格");
    for (int i = 0; i < 2000; ++i) m.SetText(2, 1, QString(i % 37, QChar(u'中')));
    EXPECT_EQ(Text(m, 1, 1), QStringLiteral("左"));
    EXPECT_EQ(Text(m, 2, 1), QString(1999 % 37, QChar(u'中')));
    EXPECT_EQ(Text(m, 3, 1), QStringLiteral("右边的单元格"));
    m.SetText(2, 1, u"");
    EXPECT_TRUE(m.Text(2, 1).isEmpty());
    // A text taken from a cell of the same row points into the buffer that grows while it is
    // copied.
    for (int i = 0; i < 200; ++i) m.SetText(1 + i % 3, 1, m.Text(3, 1));
    EXPECT_EQ(Text(m, 1, 1), QStringLiteral("右边的单元格"));
    EXPECT_EQ(Text(m, 2, 1), QStringLiteral("右边的单元格"));
}

TEST(SheetModel, LongTextsAreCutToTheCellLimit) {
    TSheetModel m = Sheet(1, 1);
    m.SetText(1, 1, QString(kSheetMaxTextLength + 10, QLatin1Char('a')));
    EXPECT_EQ(m.Text(1, 1).size(), kSheetMaxTextLength);
}

TEST(SheetModel, RowCountIsClampedAndNewRowsAreEmpty) {
    TSheetModel m = Sheet(2);
    m.SetText(1, 2, u"kept");
    m.SetRowCount(-5);
    EXPECT_EQ(m.RowCount(), 0);
    m.SetRowCount(3);
    EXPECT_TRUE(m.Text(1, 2).isEmpty()) << "a row removed and added again starts empty";
    m.SetRowCount(kSheetMaxRows + 100);
    EXPECT_EQ(m.RowCount(), kSheetMaxRows);
    m.SetColumnCount(0);
    EXPECT_EQ(m.ColumnCount(), 1);
    m.SetColumnCount(kSheetMaxColumns * 2);
    EXPECT_EQ(m.ColumnCount(), kSheetMaxColumns);
}

TEST(SheetModel, DeleteRowsTakesTheExistingPartOfTheRange) {
    struct Case {
        int first, count;
        const char *left;  // column 1 of the remaining rows
    } cases[] = {
        {7, 3, "123456"},   {3, 2, "125678"},     {1, 8, "0"},          {8, 100, "1234567"},
        {0, 2, "2345678"},  {-10, 12, "2345678"}, {5, 0, "12345678"},   {5, -3, "12345678"},
        {9, 1, "12345678"}, {3, std::numeric_limits<int>::max(), "12"},
        {std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), "12345678"},
    };
    for (const Case &c : cases) {
        TSheetModel m = Sheet(8, 1);
        for (int r = 1; r <= 8; ++r) m.SetText(1, r, QString::number(r));
        m.DeleteRows(c.first, c.count);
        QString left;
        for (int r = 1; r <= m.RowCount(); ++r) left += Text(m, 1, r);
        EXPECT_EQ(left.isEmpty() ? QString("0") : left, QString(c.left)) << c.first << "," << c.count;
    }
}

TEST(SheetModel, AlignmentCodesSetEachPartTheyName) {
    const struct {
        int code;
        THAlign h;
        TVAlign v;
    } cases[] = {
        {33, THAlign::Left, TVAlign::Centre},  {34, THAlign::Right, TVAlign::Centre},
        {36, THAlign::Centre, TVAlign::Centre}, {2, THAlign::Right, TVAlign::Centre},
        {8, THAlign::Left, TVAlign::Top},       {20, THAlign::Centre, TVAlign::Bottom},
        {0, THAlign::Left, TVAlign::Centre},    {-1, THAlign::Left, TVAlign::Centre},
        {100, THAlign::Left, TVAlign::Centre},
    };
    for (const auto &c : cases) {
        TSheetModel m = Sheet(1, 1);
        m.SetAlignment(1, 1, c.code);
        EXPECT_EQ(m.Style(1, 1).hAlign, c.h) << c.code;
        EXPECT_EQ(m.Style(1, 1).vAlign, c.v) << c.code;
    }
}

TEST(SheetModel, StylesAreSharedAndAlignmentKeepsFontAndBorders) {
    TSheetModel m = Sheet(100, 3);
    const int bold = m.AddFont({QStringLiteral("宋体"), 12, true, false});
    m.SetFont({1, 1, 3, 100}, bold);
    m.SetGridLines({1, 1, 3, 100}, 2);
    for (int r = 1; r <= 100; ++r) {
        m.SetAlignment(2, r, 33);
        m.SetAlignment(3, r, 34);
    }
    EXPECT_EQ(m.Style(3, 50).font, bold);
    EXPECT_EQ(m.Style(3, 50).borders, Border::All);
    EXPECT_EQ(m.Style(3, 50).hAlign, THAlign::Right);
    EXPECT_EQ(m.StyleId(2, 1), m.StyleId(2, 100));
    EXPECT_LE(m.StyleCount(), 6);
    m.SetFont({1, 1, 1, 1}, 99);  // no such font
    EXPECT_EQ(m.Style(1, 1).font, bold);
}

TEST(SheetModel, GridLineKindsAndRectanglesCutToTheSheet) {
    TSheetModel m = Sheet(4, 4);
    m.SetGridLines({2, 2, 9, 9}, 1);  // outline, reaching past the sheet: cut to its edge
    EXPECT_EQ(m.Style(2, 2).borders, Border::Left | Border::Top);
    EXPECT_EQ(m.Style(4, 4).borders, Border::Right | Border::Bottom);
    EXPECT_EQ(m.Style(3, 3).borders, 0);
    m.SetGridLines({1, 1, 4, 4}, 2);
    EXPECT_EQ(m.Style(3, 3).borders, Border::All);
    m.SetGridLines({3, 3, 3, 3}, 0);
    EXPECT_EQ(m.Style(3, 3).borders, 0);
    m.SetGridLines({1, 1, 4, 4}, 7);  // unknown kind
    EXPECT_EQ(m.Style(3, 3).borders, 0);
    m.SetGridLines({0, -5, -1, -1}, 2);
    EXPECT_EQ(m.Style(1, 1).borders, Border::All);
}

TEST(SheetModel, WidthsAndHeightsAreClampedAndNegativeOnesIgnored) {
    TSheetModel m = Sheet(2, 2);
    m.SetColumnWidth(1, 0);
    EXPECT_EQ(m.ColumnWidth(1), 0);
    m.SetColumnWidth(1, -4);
    EXPECT_EQ(m.ColumnWidth(1), 0);
    m.SetColumnWidth(2, 1 << 30);
    EXPECT_EQ(m.ColumnWidth(2), kSheetMaxColumnWidth);
    m.SetColumnWidth(3, 50);  // no column 3
    EXPECT_EQ(m.ColumnWidth(3), 0);
    EXPECT_EQ(m.RowHeight(1), kSheetDefaultRowHeight);
    m.SetRowHeight(1, 0);
    EXPECT_EQ(m.RowHeight(1), 0);
    m.SetRowHeight(2, 100000);
    EXPECT_EQ(m.RowHeight(2), kSheetMaxRowHeight);
    m.SetRowHeight(2, -1);
    EXPECT_EQ(m.RowHeight(2), kSheetMaxRowHeight);
}

TEST(MergeList, LaterMergesReplaceTheOnesTheyOverlap) {
    TSheetModel m = Sheet(10);
    // The window's header cells: first a name-only dimension in box 2, then one with code and
    // name in the same box.
    m.Merge({5, 4, 5, 5});
    m.Merge({4, 4, 5, 4});
    ASSERT_EQ(m.Merges().Count(), 1);
    EXPECT_EQ(m.Merges().All()[0], (TCellRect{4, 4, 5, 4}));
    EXPECT_EQ(m.Merges().Find(5, 5), nullptr);
    // A merge over several earlier ones replaces them all; one cell only unmerges.
    m.Merge({1, 7, 2, 7});
    m.Merge({3, 8, 4, 9});
    m.Merge({2, 7, 3, 8});
    EXPECT_EQ(m.Merges().Count(), 2);
    m.Merge({3, 8, 3, 8});
    EXPECT_EQ(m.Merges().Count(), 1);
    // Corners in either order; parts outside the sheet are cut; nothing inside: nothing.
    m.Merge({12, 10, 14, 9});
    EXPECT_NE(m.Merges().Find(13, 10), nullptr);
    m.Merge({15, 10, 99, 99});
    EXPECT_EQ(*m.Merges().Find(16, 10), (TCellRect{15, 10, 16, 10}));
    m.Merge({20, 20, 30, 30});
    m.Merge({-3, -3, 0, 0});
    EXPECT_EQ(m.Merges().Count(), 3);
}

TEST(MergeList, FindsTallMergesFromAnyOfTheirRows) {
    TMergeList list;
    list.Add({1, 1, 1, 500});
    for (int r = 2; r <= 400; ++r) list.Add({2, r, 3, r});
    EXPECT_EQ(*list.Find(1, 499), (TCellRect{1, 1, 1, 500}));
    EXPECT_EQ(*list.Find(3, 200), (TCellRect{2, 200, 3, 200}));
    EXPECT_EQ(list.Intersecting({1, 300, 16, 310}).size(), 12u);
}

TEST(MergeList, DeletingRowsMovesShrinksOrDropsMerges) {
    const struct {
        TCellRect merge;
        int first, count;
        TCellRect expected;  // IsEmpty(): the merge is gone
    } cases[] = {
        {{1, 2, 3, 2}, 5, 2, {1, 2, 3, 2}},    // above: stays
        {{1, 8, 3, 9}, 5, 2, {1, 6, 3, 7}},    // below: moves up
        {{1, 5, 3, 6}, 5, 2, {}},              // inside: gone
        {{1, 4, 1, 9}, 5, 2, {1, 4, 1, 7}},    // across: shrinks
        {{1, 6, 1, 9}, 5, 3, {1, 5, 1, 6}},    // top deleted: the rest moves up
        {{1, 4, 1, 5}, 5, 3, {}},              // one cell left: gone
        {{1, 7, 12, 7}, 7, 100, {}},           // the totals row of a run
    };
    for (const auto &c : cases) {
        TMergeList list;
        list.Add(c.merge);
        list.RowsDeleted(c.first, c.count);
        if (c.expected.IsEmpty()) {
            EXPECT_EQ(list.Count(), 0) << c.merge.top << "-" << c.merge.bottom;
        } else {
            ASSERT_EQ(list.Count(), 1);
            EXPECT_EQ(list.All()[0], c.expected) << c.merge.top << "-" << c.merge.bottom;
        }
    }
}

TEST(SheetModel, ShrinkingTheSheetCutsMergesAndStyles) {
    TSheetModel m = Sheet(10, 10);
    m.Merge({1, 8, 10, 10});
    m.SetRowCount(9);
    EXPECT_EQ(m.Merges().All()[0], (TCellRect{1, 8, 10, 9}));
    m.SetColumnCount(1);
    EXPECT_EQ(m.Merges().All()[0], (TCellRect{1, 8, 1, 9}));
    m.SetRowCount(8);
    EXPECT_EQ(m.Merges().Count(), 0);
}

TEST(SheetModel, GeometryRevisionTracksSizeChangesOnly) {
    TSheetModel m = Sheet(2);
    const quint64 before = m.GeometryRevision();
    m.SetText(1, 1, u"no size change");
    EXPECT_EQ(m.GeometryRevision(), before);
    m.SetRowHeight(1, 30);
    EXPECT_NE(m.GeometryRevision(), before);
}

// The kinds and amounts a writer gives rows and cells stay with their rows when rows go, are cut
// with the sheet, travel with the rows split off, and an amount goes once its cell's text changes.
TEST(SheetModel, RowKindsAndAmountsFollowTheirRows) {
    TSheetModel m;
    m.SetRowCount(6);
    for (int r = 1; r <= 6; ++r) {
        m.MarkRow(r, r == 6 ? TRowKind::Totals : TRowKind::Result);
        m.SetAmount(3, r, r * 100);
    }
    m.MarkRow(2, TRowKind::Subtotal, 2);
    EXPECT_EQ(m.RowLevel(2), 2);
    m.DeleteRows(3, 2);  // rows 5 and 6 move up to 3 and 4
    EXPECT_EQ(m.Amount(3, 3), 500);
    EXPECT_EQ(m.RowKind(4), TRowKind::Totals);
    EXPECT_EQ(m.RowKind(2), TRowKind::Subtotal);
    const TSheetModel whole = m.SplitOffRows(2);
    EXPECT_EQ(whole.Amount(3, 4), 600);
    EXPECT_FALSE(m.Amount(3, 3).has_value());
    EXPECT_EQ(m.Amount(3, 1), 100);
    m.SetText(3, 1, u"改");
    EXPECT_FALSE(m.Amount(3, 1).has_value());
    EXPECT_TRUE(m.HasAmounts());
    m.SetRowCount(1);
    EXPECT_FALSE(m.HasAmounts());
    EXPECT_EQ(m.RowKind(5), TRowKind::Other);
}
