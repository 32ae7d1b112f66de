// budget-host --batch --compare-year: the compared year's columns in --format json and csv and in
// the exported workbooks (numbers in columns 15 and 16, the rate a text), and a year the database
// does not hold refused with status 1.
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "HostReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {
class BatchCompareTest : public THostReportTest {};

// Per workbook: what the first result row's cells 14 to 17 are read as (num: a number).
QString CellTypes(const QString &file) {
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {"-c",
              "import sys\n"
              "f = sys.argv[1]\n"
              "if f.endswith('.xls'):\n"
              "    import xlrd; s = xlrd.open_workbook(f).sheet_by_index(0); row = [s.cell_value(6, c) for c in range(13, 17)]\n"
              "else:\n"
              "    import openpyxl; s = openpyxl.load_workbook(f).active; row = [s.cell(7, c).value for c in range(14, 18)]\n"
              "print(' '.join('num' if isinstance(v, (int, float)) else type(v).__name__ for v in row))\n",
              file});
    EXPECT_TRUE(py.waitForFinished(-1));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    return QString::fromUtf8(py.readAllStandardOutput()).trimmed();
}
}  // namespace

TEST_P(BatchCompareTest, ComparedColumnsReachTheTextFormsAndTheWorkbooks) {
    const QString xlsx = tmp_.filePath(QStringLiteral("cmp.xlsx")), xls = tmp_.filePath(QStringLiteral("cmp.xls"));
    const TReportRun r = Run({"--group", "资金性质", "--compare-year", "2009", "--format", "json", "--export", xlsx});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(r.out.toUtf8()).object();
    const QJsonArray columns = doc["columns"].toArray();
    ASSERT_EQ(columns.size(), 6) << r.out.toStdString();  // 序号, 资金性质, the amount and the three compared
    EXPECT_EQ(columns[3].toString() + '|' + columns[4].toString() + '|' + columns[5].toString(),
              QStringLiteral("对比年度金额 2009年|增减额|增减率"));
    const QJsonArray totals = doc["totals"].toArray();
    IARQueryPtr q;
    ASSERT_TRUE(OpenDefaultQuery(QStringLiteral("select sum(budgmoney) from vwBudgetAdj where datayear=2009 and btype='0'"), q));
    EXPECT_NEAR(totals[3].toDouble(), q.Query()->Fields(0).AsFloat(), 0.005);
    EXPECT_NEAR(totals[4].toDouble(), totals[2].toDouble() - totals[3].toDouble(), 0.005);
    EXPECT_TRUE(totals[5].toString().endsWith('%'));
    EXPECT_TRUE(r.err.contains(QStringLiteral("refreshed: %1 rows, total").arg(doc["rows"].toArray().size())));
    EXPECT_EQ(CellTypes(xlsx), QStringLiteral("num num num num"));  // the rate too, as 0.00%
    const TReportRun csv = Run({"--group", "资金性质", "--compare-year", "2011", "--export", xls, "--format", "csv"});
    ASSERT_EQ(csv.status, 0);
    EXPECT_EQ(CellTypes(xls), QStringLiteral("num num num num"));
    // The computed changes and rates are numbers to a spreadsheet program, not texts to defuse.
    EXPECT_TRUE(csv.out.contains(QStringLiteral("%\r\n")) && !csv.out.contains(QStringLiteral(",'-")));

    const TReportRun bad = Run({"--group", "资金性质", "--compare-year", "1999", "--print-sheet"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_TRUE(bad.err.contains(QStringLiteral("--compare-year: no entry \"1999\"; valid: , 2011, 2009"))) << bad.err.toStdString();
}

AUTHPAY_ON_BOTH_BACKENDS(BatchCompareTest);
