#pragma once
// The calls the apportion summary query window makes on its report sheet, in the window's order:
// the template on show, the dimension headers of the grouping chain, and the rows, totals and
// grid lines of one Refresh. Tests and the benchmark drive the sheet exactly as the window does.
#include "query/ApportionQry.h"
#include "query/ResultRows.h"
#include "report/ReportSheet.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <vector>

namespace window_writes {

inline QString TemplatePath() {
    return qEnvironmentVariable("AUTHPAY_SOURCE_DIR", QStringLiteral(AUTHPAY_SOURCE_DIR_DEFAULT)) +
           QStringLiteral("/templates/查询_支付范围汇总组合查询表cll5.cll");
}

// The window's own writes for a dimension header.
inline void WriteDimensionHeader(TReportSheet &s, int c, int r, const QString &caption) {
    TbfrmApportionQry::WriteDimensionHeader(&s, c, r, caption);
}

// Grouping box k (1..6) chose `caption`: header, then the later boxes' columns hidden.
inline void ChooseDimension(TReportSheet &s, int k, const QString &caption) {
    WriteDimensionHeader(s, 2 * k, 4, caption);
    s.SheetDeleteRows(7, s.SheetRowCount(0) - 7, 0);
    for (int i = k; i <= 5; ++i) TbfrmApportionQry::HideDimensionColumns(&s, 2 * i + 2, true);
}

// One result row: the field values (code, name pairs) and the amount.
struct Row {
    QStringList fields;
    double amount = 0;
};

// The Refresh sequence's writes for the given rows, through the window's own row writer;
// returns the totals row's number.
inline int WriteResult(TReportSheet &s, const std::vector<Row> &rows) {
    s.SheetDeleteRows(7, s.SheetRowCount(0) - 7, 0);
    if (rows.empty()) return 0;
    s.SheetSetText(1, 2, 0, QStringLiteral("单位:001001 市财政局"));
    s.SheetSetText(1, 3, 0, QStringLiteral("出表日期:2010-06-30"));
    s.SheetSetText(14, 3, 0, QStringLiteral("单位:元"));
    TResultRowWriter writer(&s);
    for (const Row &row : rows) writer.AddRow(row.fields, row.amount);
    writer.AddTotals();
    return s.SheetRowCount(0) - 1;
}

// `count` rows grouped by unit, fund nature and subject, with realistic codes and names.
inline std::vector<Row> SampleRows(int count) {
    static const char16_t *const units[] = {u"市财政局", u"市教育局", u"第一中学", u"人民医院", u"市公安局"};
    static const char16_t *const funds[] = {u"一般预算", u"基金预算", u"预算外资金"};
    static const char16_t *const subjects[] = {u"行政运行", u"一般行政管理事务", u"小学教育", u"综合医院"};
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) {
        Row row;
        row.fields << QStringLiteral("%1").arg(1001 + i / 12, 6, 10, QLatin1Char('0'))
                   << QString::fromUtf16(units[i % 5]) << QStringLiteral("%1").arg(i % 3 + 1, 2, 10, QLatin1Char('0'))
                   << QString::fromUtf16(funds[i % 3]) << QStringLiteral("2010%1").arg(i % 4 + 1, 2, 10, QLatin1Char('0'))
                   << QString::fromUtf16(subjects[i % 4]);
        row.amount = 1234567.5 + i * 1000.25;
        rows.push_back(row);
    }
    return rows;
}

// The sheet as the window leaves it after showing and a Refresh grouped by unit, fund nature and
// subject (fields mid,mname hidden code column; subject code and name).
inline void ShowWindowResult(TReportSheet &s, const std::vector<Row> &rows) {
    s.SheetOpen(TemplatePath(), QString());
    s.SetWorkbookReadonly(true);
    WriteDimensionHeader(s, 2, 4, QStringLiteral("预算单位"));
    ChooseDimension(s, 2, QStringLiteral("资金性质"));
    ChooseDimension(s, 3, QStringLiteral("预算科目"));
    WriteResult(s, rows);
}

}  // namespace window_writes
