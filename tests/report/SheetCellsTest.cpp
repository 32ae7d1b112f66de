// The cells' compact storage: pooled and row-kept texts through overwriting, restyling, deleted and
// split-off rows and the squeezing of the arena, checked against a plain grid of the same writes.
#include "report/SheetModel.h"

#include <gtest/gtest.h>

namespace {
// A sheet and the texts and styles it should hold.
struct TTwin {
    TSheetModel m;
    std::vector<std::vector<QString>> texts;
    std::vector<std::vector<uint16_t>> styles;
    TTwin(int rows, int cols) : texts(size_t(rows), std::vector<QString>(size_t(cols))),
                                styles(size_t(rows), std::vector<uint16_t>(size_t(cols))) {
        m.SetColumnCount(cols);
        m.SetRowCount(rows);
    }
    void Set(int col, int row, const QString &t) {
        m.SetText(col, row, t);
        texts[size_t(row - 1)][size_t(col - 1)] = t;
    }
    void Align(int col, int row, int code) {
        m.SetAlignment(col, row, code);
        styles[size_t(row - 1)][size_t(col - 1)] = m.StyleId(col, row);
    }
    void DeleteRows(int first, int count) {
        m.DeleteRows(first, count);
        texts.erase(texts.begin() + first - 1, texts.begin() + first - 1 + count);
        styles.erase(styles.begin() + first - 1, styles.begin() + first - 1 + count);
    }
    // The first difference, or empty.
    static QString Diff(const TSheetModel &m, const TTwin &t) {
        if (m.RowCount() != int(t.texts.size())) return QStringLiteral("rows %1").arg(m.RowCount());
        for (int r = 1; r <= m.RowCount(); ++r)
            for (int c = 1; c <= m.ColumnCount(); ++c)
                if (m.Text(c, r) != t.texts[size_t(r - 1)][size_t(c - 1)] || m.StyleId(c, r) != t.styles[size_t(r - 1)][size_t(c - 1)])
                    return QStringLiteral("cell %1,%2: %3").arg(c).arg(r).arg(m.Text(c, r));
        return {};
    }
};

// Codes that repeat, running numbers and amounts that do not, a long remark now and then.
QString Value(int col, int row) {
    if (col == 1) return QString::number(row);
    if (col == 4) return QStringLiteral("%1.%2").arg(row * 37).arg(row % 100);
    if (col == 5 && row % 97 == 0) return QString(300 + row % 50, QChar(u'备'));
    return QStringLiteral("单位%1").arg((row * col) % 13);
}
}  // namespace

TEST(SheetCells, RepeatedAndSingleTextsSurviveRewritingRestylingAndDeleting) {
    TTwin t(6000, 6);
    for (int r = 1; r <= 6000; ++r)
        for (int c = 1; c <= 5; ++c) {
            t.Set(c, r, Value(c, r));
            t.Align(c, r, c == 4 ? 34 : 33);
        }
    ASSERT_EQ(TTwin::Diff(t.m, t), QString());
    // Rows written again column by column, each row taken up again many times: the arena fills
    // with garbage and is squeezed on the way.
    for (int c = 1; c <= 6; ++c)
        for (int r = 1; r <= 6000; r += 1 + c % 2) {
            t.Set(c, r, c == 6 ? QString::number(r * 3) : Value(c, r + 1));
            if (r % 5 == 0) t.Align(c, r, 36);
        }
    t.Set(2, 7, QString());
    t.Set(3, 8, QStringLiteral("单位1"));  // the same text as its neighbours, another style
    t.Align(3, 8, 8);
    EXPECT_EQ(TTwin::Diff(t.m, t), QString());
    for (int first : {5990, 1, 3000}) t.DeleteRows(first, 7);
    EXPECT_EQ(TTwin::Diff(t.m, t), QString());
    t.m.SetRowCount(0);
    t.m.SetRowCount(2);
    EXPECT_TRUE(t.m.Text(1, 1).isEmpty());
    EXPECT_EQ(t.m.StyleId(2, 2), 0);
}

TEST(SheetCells, SplitOffAndCopiedSheetsKeepTheirTextsApart) {
    TTwin t(500, 5);
    for (int r = 1; r <= 500; ++r)
        for (int c = 1; c <= 5; ++c) t.Set(c, r, Value(c, r));
    t.Align(2, 400, 34);
    const TSheetModel copy = t.m;
    TSheetModel whole = t.m.SplitOffRows(300);
    EXPECT_EQ(TTwin::Diff(whole, t), QString());
    EXPECT_EQ(TTwin::Diff(copy, t), QString());
    t.m.SetText(1, 1, u"改");
    t.m.SetText(2, 300, u"新的");
    EXPECT_EQ(TTwin::Diff(whole, t), QString()) << "the handed over sheet shares nothing";
    EXPECT_EQ(t.m.RowCount(), 300);
    EXPECT_EQ(t.m.Text(3, 299), Value(3, 299));
}

TEST(SheetCells, TextsOfTheSameSheetCopiedIntoOtherCells) {
    TSheetModel m;
    m.SetRowCount(1200);
    // Column 1's texts never repeat: they come to be kept in their rows, not in the pool.
    for (int r = 1; r <= 1100; ++r) m.SetText(1, r, QString::number(r * 7));
    m.SetText(1, 1101, u"12345.67");
    m.SetText(2, 1101, u"甲乙");
    // Views into the row being written and into the pool, written into that row and the next.
    for (int i = 0; i < 3000; ++i) m.SetText(1, 1101, m.Text(1, 1101));
    m.SetText(3, 1101, m.Text(1, 1101));
    m.SetText(1, 1102, m.Text(1, 1101));
    m.SetText(2, 1102, m.Text(2, 1101));
    m.SetText(2, 1101, m.Text(2, 1102));
    m.SetText(1, 1101, m.Text(1, 1102));
    m.SetColumnCount(2);
    m.SetColumnCount(4);
    EXPECT_EQ(m.Text(1, 1101).toString(), QStringLiteral("12345.67"));
    EXPECT_EQ(m.Text(1, 1102).toString(), QStringLiteral("12345.67"));
    EXPECT_EQ(m.Text(2, 1101).toString(), QStringLiteral("甲乙"));
    EXPECT_EQ(m.Text(1, 1100).toString(), QStringLiteral("7700"));
    EXPECT_TRUE(m.Text(3, 1101).isEmpty()) << "cells beyond a narrower sheet are gone";
}

TEST(SheetCells, ARowOfManyLongTextsThatNeverRepeat) {
    TTwin t(1030, 70);
    for (int r = 1; r <= 1030; ++r)
        for (int c = 1; c <= 70; ++c) t.Set(c, r, QString(250, QChar(u'a' + c % 26)) + QString::number(r));
    EXPECT_EQ(TTwin::Diff(t.m, t), QString());
}

TEST(SheetCells, LongTextsWrittenOverAndOverKeepTheirCellsRight) {
    // Long texts always go to the pool: rewriting them fills it with pairs no cell uses, and the
    // pool is rebuilt under the rows on the way.
    TTwin t(12000, 3);
    for (int round = 0; round < 3; ++round)
        for (int r = 1; r <= 12000; ++r) {
            t.Set(2, r, QString(300, QChar(u'长')) + QString::number(r * 3 + round));
            if (round == 0) t.Set(1, r, QString::number(r));
        }
    EXPECT_EQ(TTwin::Diff(t.m, t), QString());
}

// Grid lines laid over a whole area (each style met changed once) give every cell what the same
// lines drawn cell by cell give it: the same texts, and the same styles in the same order.
TEST(SheetCells, GridLinesOverAnAreaEqualThemCellByCell) {
    TTwin whole(400, 5), single(400, 5);
    for (TTwin *t : {&whole, &single})
        for (int r = 1; r <= 400; ++r)
            for (int c = 1; c <= 5; ++c) {
                t->Set(c, r, Value(c, r));
                t->Align(c, r, c % 2 ? 33 : 34);
            }
    whole.m.SetGridLines(TCellRect::Normalized(1, 1, 5, 400), 2);
    for (int r = 1; r <= 400; ++r)
        for (int c = 1; c <= 5; ++c) single.m.SetGridLines(TCellRect::Normalized(c, r, c, r), 1);
    for (int r = 1; r <= 400; ++r)
        for (int c = 1; c <= 5; ++c) {
            ASSERT_EQ(whole.m.StyleId(c, r), single.m.StyleId(c, r)) << c << "," << r;
            ASSERT_EQ(whole.m.Text(c, r), single.m.Text(c, r)) << c << "," << r;
        }
    EXPECT_EQ(whole.m.Style(3, 7).borders, Border::All);
}

// Text, alignment and lines in one step leave each cell as the three steps do.
// A writer that says a text is the one above gets the cell it would have got without saying so,
// also where the cell above has another look or keeps its text in its row.
TEST(SheetCells, AlignedTextEqualsTextThenAlignmentThenLines) {
    TTwin steps(300, 4), once(300, 4), hinted(300, 4);
    once.m.SetAmount(2, 5, 1234);
    for (int r = 1; r <= 300; ++r)
        for (int c = 1; c <= 4; ++c) {
            const int code = c == 1 ? -1 : c % 2 ? 33 : 34;
            const bool ruled = r % 7 != 0;
            // Column 2 repeats its texts in runs of four rows.
            const QString text = c == 4 && r == 9 ? QString(kSheetMaxTextLength + 5, QLatin1Char('x')) : Value(c, c == 2 ? r / 4 : r);
            steps.Set(c, r, text);
            if (code >= 0) steps.m.SetAlignment(c, r, code);
            if (ruled) steps.m.SetGridLines(TCellRect::Normalized(c, r, c, r), 2);
            once.m.SetAlignedText(c, r, text, code, ruled);
            hinted.m.SetAlignedText(c, r, text, code, ruled, r > 1 && text == hinted.m.Text(c, r - 1));
            ASSERT_EQ(once.m.Text(c, r), steps.m.Text(c, r)) << c << "," << r;
            ASSERT_EQ(once.m.Style(c, r).Key(), steps.m.Style(c, r).Key()) << c << "," << r;
            ASSERT_EQ(hinted.m.Text(c, r), once.m.Text(c, r)) << c << "," << r;
            ASSERT_EQ(hinted.m.StyleId(c, r), once.m.StyleId(c, r)) << c << "," << r;
        }
    EXPECT_FALSE(once.m.Amount(2, 5).has_value());
    EXPECT_EQ(once.m.Style(3, 1).borders, Border::All);
    EXPECT_EQ(once.m.Style(3, 7).borders, 0);
}
