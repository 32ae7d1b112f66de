// TReportSheet driven the way the query window drives it: the shipped template, the dimension
// headers, a Refresh with rows, totals and grid lines, clearing, the export of the result, and the
// operations' answers to arguments outside the sheet.
#include "report/ReportSheet.h"
#include "report/WindowWrites.h"
#include "query/SummaryFill.h"
#include "report/XlsReadBack.h"
#include "report/xls/XlsExport.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

using namespace window_writes;

namespace {
bool HasMerge(const TSheetModel &m, TCellRect r) {
    for (const TCellRect &x : m.Merges().All())
        if (x == r) return true;
    return false;
}
}  // namespace

TEST(ReportSheet, TemplateGivesTheHeadingTheWindowCompletes) {
    TReportSheet s;
    ASSERT_EQ(s.SheetOpen(TemplatePath(), QString()), 1) << s.OpenTemplate(TemplatePath()).message.toStdString();
    const TSheetModel &m = s.Model();
    EXPECT_EQ(s.SheetRowCount(0), 7);  // rows 1 to 6
    EXPECT_EQ(s.SheetColumnCount(), 16);
    EXPECT_FALSE(s.SheetCellText(1, 1).isEmpty());
    EXPECT_TRUE(m.Fonts()[m.Style(1, 1).font].bold);
    EXPECT_EQ(s.SheetCellText(1, 4), QStringLiteral("序号"));
    EXPECT_TRUE(s.SheetCellText(14, 4).startsWith(QStringLiteral("金额")));
    EXPECT_TRUE(HasMerge(m, {1, 4, 1, 5}));
    EXPECT_TRUE(HasMerge(m, {14, 4, 14, 5}));
    EXPECT_GT(m.ColumnWidth(1), 0);
    EXPECT_GE(m.ColumnWidth(14), 120);
    for (int c = 4; c <= 13; ++c) EXPECT_EQ(m.ColumnWidth(c), 0) << c;
    EXPECT_EQ(m.Style(16, 6).borders, Border::All);
    EXPECT_EQ(m.Page().repeatFirstRow, 4);
    EXPECT_EQ(m.Page().repeatLastRow, 5);
    EXPECT_EQ(m.Style(14, 3).hAlign, THAlign::Right);  // where the window writes "单位:元"
}

TEST(ReportSheet, RefreshWritesNumberedRowsTotalsAndGridLines) {
    TReportSheet s;
    s.SheetOpen(TemplatePath(), QString());
    WriteDimensionHeader(s, 2, 4, QStringLiteral("预算单位"));
    ChooseDimension(s, 2, QStringLiteral("资金性质"));
    const std::vector<Row> rows = {{{"001", "财政局", "1", "一般预算"}, 1234567.5},
                                   {{"002", "教育局", "1", "一般预算"}, 0},
                                   {{"003", "卫生局", "2", "基金预算"}, -1234.5}};
    const int totals = WriteResult(s, rows);
    EXPECT_EQ(totals, 10);
    EXPECT_EQ(s.SheetRowCount(0), 11);
    for (int r = 7; r <= 9; ++r) EXPECT_EQ(s.SheetCellText(1, r), QString::number(r - 6));
    EXPECT_EQ(s.SheetCellText(14, 7), "1,234,567.50");
    EXPECT_EQ(s.SheetCellText(14, 8), "0.00");
    EXPECT_EQ(s.SheetCellText(14, 10), "1,233,333.00");
    EXPECT_EQ(s.Model().Style(14, 7).hAlign, THAlign::Right);
    EXPECT_EQ(s.SheetCellText(1, 10), QStringLiteral("合  计"));
    EXPECT_TRUE(HasMerge(s.Model(), {1, 10, 12, 10}));
    EXPECT_EQ(s.Model().Style(1, 10).hAlign, THAlign::Centre);
    EXPECT_EQ(s.Model().Style(16, 10).borders, Border::All);
    EXPECT_EQ(s.Model().Style(1, 3).borders, 0);
    // Box 2's name-only dimension: code column hidden, name over rows 4 and 5.
    EXPECT_EQ(s.Model().ColumnWidth(4), 0);
    EXPECT_EQ(s.Model().ColumnWidth(5), 120);
    EXPECT_TRUE(HasMerge(s.Model(), {5, 4, 5, 5}));
    EXPECT_EQ(s.SheetCellText(5, 4), QStringLiteral("资金性质"));

    // A run without rows leaves the heading only, the unit and date lines of the earlier run too.
    WriteResult(s, {});
    EXPECT_EQ(s.SheetRowCount(0), 7);
    EXPECT_FALSE(HasMerge(s.Model(), {1, 10, 12, 10}));
    EXPECT_TRUE(s.SheetCellText(1, 2).startsWith(QStringLiteral("单位:")));
    EXPECT_EQ(s.Model().Style(1, 6).borders, Border::All);
}

TEST(ReportSheet, ChangingABoxRewritesItsHeaderOverTheOldOne) {
    TReportSheet s;
    s.SheetOpen(TemplatePath(), QString());
    ChooseDimension(s, 2, QStringLiteral("资金性质"));
    ChooseDimension(s, 2, QStringLiteral("预算科目"));
    EXPECT_EQ(s.SheetCellText(4, 4), QStringLiteral("预算科目"));
    EXPECT_EQ(s.SheetCellText(4, 5), QStringLiteral("编码"));
    EXPECT_EQ(s.SheetCellText(5, 5), QStringLiteral("名称"));
    EXPECT_EQ(s.Model().ColumnWidth(4), 80);
    EXPECT_EQ(s.Model().ColumnWidth(5), 160);
    // The later merge replaces the name-only one it overlaps, so the sheet stays exportable.
    EXPECT_TRUE(HasMerge(s.Model(), {4, 4, 5, 4}));
    EXPECT_FALSE(HasMerge(s.Model(), {5, 4, 5, 5}));
}

TEST(ReportSheet, ArgumentsOutsideTheSheetAreHarmless) {
    TReportSheet s;
    s.SheetOpen(TemplatePath(), QString());
    const int bad = std::numeric_limits<int>::max(), low = std::numeric_limits<int>::min();
    s.SheetSetText(1, 1, 1, "other sheet");
    s.SheetSetText(0, 0, 0, "x");
    s.SheetSetText(bad, low, 0, "x");
    s.SheetAlign(low, bad, 0, 34);
    s.SheetMerge(low, low, bad, bad);  // cut to the whole sheet: one big merge, no crash
    s.SheetColumnWidth(bad, bad, 1, 0);
    s.SheetColumnWidth(1, 50, low, 0);
    s.SheetRowHeight(bad, -5, 1, 0);
    s.SheetGridLines(low, low, bad, bad, 0, 2, -1);
    s.SheetGridLines(1, 1, 2, 2, 3, 2, -1);
    s.SheetDeleteRows(low, bad, 1);
    EXPECT_EQ(s.SheetRowCount(1), 0);
    EXPECT_EQ(s.SheetRowCount(-1), 0);
    EXPECT_EQ(s.SheetPreferredRowHeight(bad), s.Model().DefaultRowHeight());
    EXPECT_EQ(s.Model().ColumnWidth(16), kSheetMaxColumnWidth);  // count clamped to the sheet
    s.SheetSetRowCount(0, 0);  // ignored: the count is never below 1
    EXPECT_EQ(s.SheetRowCount(0), 7);
    s.SheetSetRowCount(bad, 0);
    EXPECT_EQ(s.SheetRowCount(0), kSheetMaxRows + 1);
    s.SheetSetRowCount(1, 0);
    EXPECT_EQ(s.SheetRowCount(0), 1);
    s.SheetDeleteRows(7, s.SheetRowCount(0) - 7, 0);  // the window's clearing on an empty sheet
    EXPECT_EQ(s.SheetRowCount(0), 1);
    // Blocks of rows read past either end, or wider than the sheet, are cut to it.
    s.SheetSetRowCount(4, 0);
    s.SheetSetText(2, 3, 0, "c");
    EXPECT_EQ(s.SheetRowTexts(1, bad, bad).size(), 3);
    EXPECT_TRUE(s.SheetRowTexts(low, bad, bad).isEmpty());  // rows up to -2: none of the sheet's
    QStringList third(s.SheetColumnCount());
    third[1] = "c";
    EXPECT_EQ(s.SheetRowTexts(3, bad, bad), QList<QStringList>{third});
    EXPECT_TRUE(s.SheetRowTexts(bad, bad, 2).isEmpty());
    EXPECT_TRUE(s.SheetRowTexts(2, low, 2).isEmpty());
}

TEST(ReportSheet, ZeroHeightRowsAndEmptyAndVeryLongTexts) {
    TReportSheet s;
    s.SheetSetRowCount(4, 0);
    s.SheetRowHeight(1, 0, 2, 0);
    s.SheetSetText(1, 1, 0, QString());
    s.SheetSetText(2, 1, 0, QString(40000, QChar(u'长')));
    s.SheetSetText(3, 1, 0, QStringLiteral("两行\n文字"));
    EXPECT_EQ(s.SheetCellText(2, 1).size(), kSheetMaxTextLength);
    EXPECT_EQ(s.Model().RowHeight(2), 0);
    EXPECT_GT(s.SheetPreferredRowHeight(1), s.Model().DefaultRowHeight());  // two lines
    EXPECT_EQ(s.SheetPreferredRowHeight(2), s.Model().DefaultRowHeight());
    QTemporaryDir dir;
    ASSERT_EQ(s.SheetExportExcel(dir.filePath("long.xls")), kXlsWritten);
    const QJsonObject book = ReadXlsBack(dir.filePath("long.xls"));
    EXPECT_EQ(XlsCell(book, 2, 1)["value"].toString().size(), kSheetMaxTextLength);
    EXPECT_TRUE(book["rowinfo"].toObject()["1"].toObject()["hidden"].toBool());
}

TEST(ReportSheet, ExportOfAWindowResultReadsBack) {
    TReportSheet s;
    ShowWindowResult(s, SampleRows(40));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("2010年控制数范围划分建议表组合查询结果.xls"));
    const authpay::Outcome written = s.ExportFile(file, TExportType::Xls);
    ASSERT_EQ(written.code, kXlsWritten) << written.message.toStdString();
    EXPECT_TRUE(written.Ok() && written.message.isEmpty());
    const QJsonObject book = ReadXlsBack(file);
    EXPECT_EQ(book["nrows"].toInt(), 47);
    EXPECT_EQ(book["name"].toString(), QStringLiteral("组合查询结果"));
    EXPECT_EQ(XlsCell(book, 4, 4)["value"].toString(), QString());  // hidden code column of 资金性质
    EXPECT_EQ(XlsCell(book, 5, 4)["value"].toString(), QStringLiteral("资金性质"));
    EXPECT_EQ(XlsCell(book, 2, 7)["type"].toString(), "text");
    EXPECT_EQ(XlsCell(book, 2, 7)["value"].toString(), "001001");
    EXPECT_EQ(XlsCell(book, 14, 7)["type"].toString(), "number");
    EXPECT_EQ(XlsCell(book, 14, 47)["type"].toString(), "number");
    EXPECT_EQ(XlsCell(book, 1, 47)["value"].toString(), QStringLiteral("合  计"));
    EXPECT_TRUE(book["colinfo"].toObject()["3"].toObject()["hidden"].toBool());
    EXPECT_TRUE(book["colinfo"].toObject()["15"].toObject()["hidden"].toBool());
    EXPECT_TRUE(XlsCell(book, 1, 1)["bold"].toBool());

    EXPECT_EQ(s.SheetExportExcel(dir.path()), kXlsTargetIsFolder);
    EXPECT_FALSE(s.ExportFile(dir.path(), TExportType::Xls).message.isEmpty());
    s.SheetSetRowCount(65538, 0);  // 65,537 rows
    EXPECT_EQ(s.SheetExportExcel(file + ".second.xls"), kXlsTooManyRows);
    EXPECT_FALSE(QFileInfo::exists(file + ".second.xls"));
}

TEST(ReportSheet, MissingOrBrokenTemplateKeepsTheSheet) {
    TReportSheet s;
    s.SheetOpen(TemplatePath(), QString());
    s.SheetSetText(1, 2, 0, "kept");
    QTemporaryDir dir;
    QFile broken(dir.filePath("broken.cll"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"format\": \"authpay-sheet-template\", \"version\": 1, \"columns\": 16, \"rows\": 2,"
                 " \"cells\": [{\"col\": 3, \"row\": 9, \"text\": \"outside\"}]}");
    broken.close();
    for (const QString &file : {dir.filePath("missing.cll"), dir.path(), broken.fileName(), QString()}) {
        EXPECT_EQ(s.SheetOpen(file, QString()), 0) << file.toStdString();
        EXPECT_FALSE(s.OpenTemplate(file).message.isEmpty());
        EXPECT_EQ(s.SheetCellText(1, 2), "kept");
        EXPECT_EQ(s.SheetRowCount(0), 7);
    }
}

// A name wider than its column wraps at the column's edge and the preferred height shows every
// line; amounts that fit stay on one line, and a hidden column never counts.
TEST(ReportSheet, PreferredHeightFollowsWrappedText) {
    TReportSheet s;
    s.SheetSetRowCount(5, 0);
    s.SheetColumnWidth(1, 120, 2, 0);
    s.SheetColumnWidth(1, 130, 3, 0);
    const int one = s.SheetPreferredRowHeight(1);
    s.SheetSetText(2, 1, 0, QStringLiteral("教育收费"));
    s.SheetSetText(3, 1, 0, QStringLiteral("1,234,567.50"));
    EXPECT_EQ(s.SheetPreferredRowHeight(1), one);
    s.SheetSetText(2, 2, 0, QStringLiteral("其他财政专户管理资金其他财政专户管理资金"));
    const int wrapped = s.SheetPreferredRowHeight(2);
    EXPECT_GT(wrapped, one);
    s.SheetSetText(2, 3, 0, QStringLiteral("其他财政专户管理资金其他财政专户管理资金其他财政专户管理资金"));
    EXPECT_GT(s.SheetPreferredRowHeight(3), wrapped);  // more text, more lines
    s.SheetColumnWidth(1, 0, 2, 0);
    EXPECT_EQ(s.SheetPreferredRowHeight(2), s.Model().DefaultRowHeight());
    // Plain ASCII wraps at blanks like any text; one that fits between two that do not changes
    // nothing for them, and the column's width decides, not the text's last answer.
    const QString words = QStringLiteral("ABCD EFGH IJKL MNOP QRST UVWX");
    s.SheetSetText(3, 1, 0, words);
    s.SheetSetText(3, 2, 0, QStringLiteral("123.45"));
    s.SheetSetText(3, 3, 0, words);
    s.SheetSetText(2, 3, 0, QString());
    const int asciiWrapped = s.SheetPreferredRowHeight(1);
    EXPECT_GT(asciiWrapped, one);
    EXPECT_EQ(s.SheetPreferredRowHeight(2), s.Model().DefaultRowHeight());
    EXPECT_EQ(s.SheetPreferredRowHeight(3), asciiWrapped);
    s.SheetColumnWidth(1, 400, 3, 0);
    EXPECT_EQ(s.SheetPreferredRowHeight(3), one);
}

// What a host reads of a large sheet through the sheet's typed face: the last column holding a
// text in any row, the rows' kinds, and a block of rows.
TEST(ReportSheet, HostsReadUsedColumnsAndOneColumnWithoutEveryCell) {
    TReportSheet s;
    const auto *sheet = qobject_cast<authpay::IResultSheet *>(&s);
    ASSERT_TRUE(sheet);
    int used = sheet->UsedColumns();
    EXPECT_EQ(used, 0);
    s.SheetSetRowCount(4, 0);
    s.SheetSetText(1, 1, 0, QStringLiteral("1"));
    s.SheetSetText(9, 2, 0, QStringLiteral("名称"));
    s.SheetSetText(1, 3, 0, QStringLiteral("合  计"));
    s.SheetSetText(5, 3, 0, QStringLiteral("12.50"));
    s.SheetMarkRow(3, TRowKind::Totals);
    s.SheetSetAmount(5, 3, 1250);
    used = sheet->UsedColumns();
    QStringList first;
    const QList<authpay::SheetRow> rows = sheet->Rows(1, 99, 5);
    for (const authpay::SheetRow &row : rows) first << row.texts.first();
    const QString cell = rows[2].texts[4];
    EXPECT_EQ(used, 9);
    EXPECT_EQ(first, QStringList({QStringLiteral("1"), QString(), QStringLiteral("合  计")}));
    EXPECT_EQ(cell, QStringLiteral("12.50"));
    EXPECT_EQ(rows[2].cents[4], 1250);
    EXPECT_EQ(sheet->RowKinds(), (std::vector<TRowKind>{TRowKind::Other, TRowKind::Other, TRowKind::Totals}));
}

namespace {
// A result of three dimensions as a Refresh reads it, with subtotals wanted.
std::shared_ptr<TSummaryRows> SampleSummary(int count) {
    auto rows = std::make_shared<TSummaryRows>();
    rows->built.FieldList = QStringLiteral("eid,ename,fid,fname,bid,bname,");
    for (const Row &row : SampleRows(count)) {
        rows->values.push_back(row.fields);
        rows->amounts.push_back(row.amount);
    }
    return rows;
}

// Every cell's text, look and amount, and every row's height and kind, alike.
void ExpectSameSheet(const TSheetModel &a, const TSheetModel &b) {
    ASSERT_EQ(a.RowCount(), b.RowCount());
    for (int c = 1; c <= a.ColumnCount(); ++c) ASSERT_EQ(a.ColumnWidth(c), b.ColumnWidth(c)) << c;
    for (int r = 1; r <= a.RowCount(); ++r) {
        ASSERT_EQ(a.RowHeight(r), b.RowHeight(r)) << r;
        ASSERT_EQ(a.RowKind(r), b.RowKind(r)) << r;
        for (int c = 1; c <= a.ColumnCount(); ++c) {
            ASSERT_EQ(a.Text(c, r), b.Text(c, r)) << c << "," << r;
            ASSERT_EQ(a.Style(c, r).Key(), b.Style(c, r).Key()) << c << "," << r;
            ASSERT_EQ(a.Amount(c, r), b.Amount(c, r)) << c << "," << r;
        }
    }
}
}  // namespace

// The window shows the first rows, with their lines, while it writes the rest a slice at a time;
// the sheet it ends with is the one written in one go.
TEST(ReportSheet, RowsWrittenInSlicesEndAsTheSheetWrittenInOneGo) {
    TReportSheet once, sliced;
    for (TReportSheet *s : {&once, &sliced}) ShowWindowResult(*s, {});
    TSummaryFill(&once, SampleSummary(700), true).Step(1 << 30);
    TSummaryFill fill(&sliced, SampleSummary(700), true);
    EXPECT_FALSE(fill.Step(1 << 30, 40));
    EXPECT_EQ(fill.Done(), 40);
    const int last = sliced.SheetRowCount(0) - 1;
    EXPECT_GE(last, 7 + 40 - 1);
    for (int r = 4; r <= last; ++r) EXPECT_EQ(sliced.Model().Style(3, r).borders, Border::All) << r;
    int steps = 1;
    while (!fill.Step(0)) ++steps;
    EXPECT_GT(steps, 3);
    ExpectSameSheet(once.Model(), sliced.Model());
    // Every cell from the heading to the totals row has its lines: ruling it all again changes none.
    TSheetModel ruledAgain = once.Model();
    ruledAgain.SetGridLines(TCellRect::Normalized(1, 4, 16, ruledAgain.RowCount() - 1), 2);
    ExpectSameSheet(ruledAgain, once.Model());
}

// Rows handed over in batches while the statement goes on, each repeated text shared with the row
// before as the reader shares it: written as they come, the totals row only after the last, the
// sheet is the one written in one go.
TEST(ReportSheet, RowsHandedOverWhileReadEndAsTheSheetWrittenInOneGo) {
    TReportSheet once, streamed;
    for (TReportSheet *s : {&once, &streamed}) ShowWindowResult(*s, {});
    TSummaryFill(&once, SampleSummary(700), true).Step(1 << 30);
    std::shared_ptr<TSummaryRows> read = SampleSummary(700);
    for (size_t r = 1; r < read->values.size(); ++r)
        for (qsizetype c = 0; c < read->values[r].size(); ++c)
            if (read->values[r][c] == read->values[r - 1][c]) read->values[r][c] = read->values[r - 1][c];
    TRowHandover handover(nullptr);
    auto taken = std::make_shared<TSummaryRows>();
    TSummaryRows batch;
    batch.built = read->built;
    const auto give = [&](size_t from, size_t to) {
        for (size_t r = from; r < to; ++r) batch.values.push_back(read->values[r]), batch.amounts.push_back(read->amounts[r]);
        handover.Give(batch);
        EXPECT_TRUE(batch.values.empty());
        return handover.Take(*taken);
    };
    EXPECT_EQ(give(0, 150), 150u);
    EXPECT_EQ(taken->built.FieldList, read->built.FieldList);
    TSummaryFill fill(&streamed, taken, true);
    fill.SetMoreRowsComing(true);
    while (!fill.CaughtUp()) EXPECT_FALSE(fill.Step(1 << 30, 60));
    EXPECT_EQ(fill.Done(), 150);
    EXPECT_FALSE(fill.Step(1 << 30));  // nothing more to write yet, and no totals row
    EXPECT_NE(streamed.Model().RowKind(streamed.Model().RowCount()), TRowKind::Totals);
    EXPECT_EQ(give(150, 600), 450u);
    EXPECT_FALSE(fill.Step(1 << 30));
    EXPECT_TRUE(fill.CaughtUp());
    give(600, 700);
    fill.SetMoreRowsComing(false);
    while (!fill.Step(1 << 30)) {}
    ExpectSameSheet(once.Model(), streamed.Model());
}

namespace {
// Units and subjects down the side, fund natures across: unit 001 has two subjects, one of them
// with a sum of zero; unit 002 has one fund nature only.
std::shared_ptr<TSummaryRows> SpreadSample() {
    auto rows = std::make_shared<TSummaryRows>();
    rows->built.FieldList = QStringLiteral("aeid,ename,bid,bname,");
    rows->built.ColumnDimension = QStringLiteral("资金性质");
    const auto add = [&](const char *unit, const char *subject, const char *fund, double amount) {
        rows->values.push_back({unit, QStringLiteral("单位") + unit, subject, QStringLiteral("科目") + subject, fund,
                                QStringLiteral("性质") + fund});
        rows->amounts.push_back(amount);
    };
    add("001", "201", "1", 100), add("001", "201", "2", 50), add("001", "202", "1", 0), add("002", "201", "3", 7);
    return rows;
}

TReportSheet *SpreadSheet(int limit, const QString &picture = QString()) {
    auto *s = new TReportSheet;
    s->SheetOpen(TemplatePath(), QString());
    WriteDimensionHeader(*s, 2, 4, QStringLiteral("预算单位"));
    ChooseDimension(*s, 2, QStringLiteral("预算科目"));
    TSummaryFill fill(s, SpreadSample(), true, limit);
    while (!fill.Step(0)) {}
    if (!picture.isEmpty() && qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR")) {
        s->resize(1400, 420);
        s->grab().save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + QLatin1Char('/') + picture);
    }
    return s;
}

QStringList Cells(const TReportSheet &s, int row, int first, int last) {
    QStringList cells;
    for (int c = first; c <= last; ++c) cells << s.SheetCellText(c, row);
    return cells;
}
}  // namespace

// A column per fund nature from column 14 and the row's total after them; an empty cell where a
// row has none, 0.00 where its sum is zero; the subtotals and the totals row carry every column.
TEST(ReportSheet, ASpreadResultHasAColumnPerCodeAndTheRowsTotal) {
    const std::unique_ptr<TReportSheet> s(SpreadSheet(30, QStringLiteral("sheet-spread.png")));
    EXPECT_EQ(Cells(*s, 4, 14, 17), QStringList({"1", "2", "3", QStringLiteral("合计")}));
    EXPECT_EQ(Cells(*s, 5, 14, 16), QStringList({QStringLiteral("性质1"), QStringLiteral("性质2"), QStringLiteral("性质3")}));
    EXPECT_EQ(Cells(*s, 7, 1, 2), QStringList({"1", "001"}));
    EXPECT_EQ(Cells(*s, 7, 14, 17), QStringList({"100.00", "50.00", "", "150.00"}));
    EXPECT_EQ(Cells(*s, 8, 14, 17), QStringList({"0.00", "", "", "0.00"}));
    EXPECT_EQ(Cells(*s, 9, 1, 2), QStringList({QStringLiteral("小计"), "001"}));
    EXPECT_EQ(Cells(*s, 9, 14, 17), QStringList({"100.00", "50.00", "", "150.00"}));
    EXPECT_EQ(Cells(*s, 10, 14, 17), QStringList({"", "", "7.00", "7.00"}));
    EXPECT_EQ(Cells(*s, 12, 1, 1), QStringList({QStringLiteral("合  计")}));
    EXPECT_EQ(Cells(*s, 12, 14, 17), QStringList({"100.00", "50.00", "7.00", "157.00"}));
    EXPECT_EQ(s->SheetRowCount(0), 13);
    EXPECT_EQ(s->Model().Amount(17, 12), 15700);
    EXPECT_EQ(s->Model().Amount(15, 8), std::nullopt);
    EXPECT_EQ(s->Model().Style(17, 12).borders, Border::All);
    EXPECT_EQ(s->Model().Style(16, 8).borders, Border::All);
    EXPECT_EQ(s->Model().Style(17, 4).borders, Border::All);
}

TEST(ReportSheet, ASpreadResultFoldsTheSmallestCodesIntoOther) {
    const std::unique_ptr<TReportSheet> s(SpreadSheet(2));
    EXPECT_EQ(Cells(*s, 4, 14, 17), QStringList({"1", "2", QStringLiteral("其他"), QStringLiteral("合计")}));
    EXPECT_EQ(Cells(*s, 10, 14, 17), QStringList({"", "", "7.00", "7.00"}));
    EXPECT_EQ(Cells(*s, 12, 14, 17), QStringList({"100.00", "50.00", "7.00", "157.00"}));
}
