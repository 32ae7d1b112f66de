// budget-host --batch running the query window's report on the demo database of each backend:
// stdout carries only the sheet, stderr the status and the reasons, the exit status what happened;
// the exported workbook and the PDF are written where asked.
#include "data/DefaultConn.h"
#include "HostReport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The rows of a sheet (tab-separated lines) that carry a running number in their first cell.
QStringList NumberedRows(const QStringList &lines) {
    QStringList rows;
    for (const QString &line : lines) {
        bool number = false;
        line.section('\t', 0, 0).toDouble(&number);
        if (number) rows << line;
    }
    return rows;
}

double Amount(const QString &text) { return QString(text).remove(',').toDouble(); }

// An .xlsx or .csv export read back by openpyxl or Python's csv module: per row its first cell
// and its last non-empty cell, tab-separated.
QStringList ReadBack(const QString &file) {
    const char *reader =
        "import csv, sys, openpyxl\n"
        "if sys.argv[1].endswith('.csv'):\n"
        "    rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')))\n"
        "else:\n"
        "    rows = [[c if c is not None else '' for c in r]\n"
        "            for r in openpyxl.load_workbook(sys.argv[1]).active.iter_rows(values_only=True)]\n"
        "for r in rows: print('%s\\t%s' % (r[0], [c for c in r if c != ''][-1] if any(r) else ''))\n";
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"), {"-c", reader, file});
    EXPECT_TRUE(py.waitForFinished(-1));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    return QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

class BatchRunTest : public THostReportTest {
protected:
    std::pair<int, double> DatabaseRows(const QString &sql) {
        IARQueryPtr q;
        EXPECT_TRUE(OpenDefaultQuery(QStringLiteral("select count(*), sum(sumMoney) from (%1) t").arg(sql), q));
        return q ? std::pair{int(q.Query()->Fields(0).AsInteger()), q.Query()->Fields(1).AsFloat()} : std::pair{-1, 0.0};
    }
};

TEST_P(BatchRunTest, StdoutIsExactlyTheSheetAndTheFilesHoldTheSameReport) {
    const QString xls = tmp_.filePath(QStringLiteral("report.xls")), pdf = tmp_.filePath(QStringLiteral("report.pdf"));
    const TReportRun r = Run({"--group", "预算单位,资金性质", "--level", "2", "--print-sheet", "--export", xls, "--pdf", pdf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 7);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("支付范围划分汇总组合查询表"))) << r.out.toStdString();
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("合  计"))) << lines.last().toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("budget-host")));
    for (const char *status : {"budget-host: loading", "budget-host: opened TbfrmApportionQry: ok", "数据导出成功。"})
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(status))) << status;

    // The numbered rows run 1..n, one per group the database finds, and the summary counts them.
    const QStringList rows = NumberedRows(lines);
    for (qsizetype i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i].section('\t', 0, 0), QString::number(i + 1));
    const QString total = lines.last().section('\t', -1);
    const auto [count, sum] = DatabaseRows(ReportSql(r));
    EXPECT_EQ(rows.size(), count);
    EXPECT_NEAR(Amount(total), sum, 0.005);
    EXPECT_TRUE(r.err.contains(QStringLiteral("budget-host: refreshed: %1 rows, total %2\n").arg(rows.size()).arg(total)))
        << r.err.toStdString();

    // The workbook read back: the same numbered rows and the same total.
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {"-c",
              "import sys, xlrd\n"
              "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
              "for r in range(s.nrows): print('%s\\t%s' % (s.cell_value(r, 0), s.cell_value(r, s.ncols - 1)))\n",
              xls});
    ASSERT_TRUE(py.waitForFinished(-1));
    ASSERT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    const QStringList book = QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(NumberedRows(book).size(), rows.size());
    ASSERT_FALSE(book.isEmpty());
    EXPECT_TRUE(book.last().startsWith(QStringLiteral("合  计")));
    EXPECT_NEAR(Amount(book.last().section('\t', -1)), Amount(total), 0.005);

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    EXPECT_GT(file.size(), 1000);
}

// Each bad report option stops the run before any sheet is printed, with status 1 and the valid
// choices (or the window's own message) on stderr.
TEST_P(BatchRunTest, BadReportOptionsExitWithOneAndSayWhatIsValid) {
    const struct {
        QStringList options;
        const char *reason;
    } cases[] = {
        {{"--group", "预算单位,无此维度"},
         "--group: no entry \"无此维度\"; valid: 资金性质, 支出类型, 支付方式, 预算科目, 预算项目"},
        {{"--type", "3"}, "--type: no position 3; valid: 0 to 2 (控制数, 预算数, 临时指标)"},
        {{"--secret", "-1"}, "--secret: no position -1; valid: 0 to 2"},
        {{"--level", "9"}, "--level: no entry \"9\"; valid: <全部>, 1, 2"},
        {{"--eid", "999999"}, "预算单位：编码不正确：编码信息有误，请确认！"},
        {{"--format", "xml"}, "--format: no form \"xml\"; valid: table, tsv, csv, json"},
        {{"--max-rows", "-3"}, "--max-rows: not a count of rows: -3"},
        {{"--drill", "0"}, "--drill: not a result row number (1 for the first): 0"},
    };
    for (const auto &c : cases) {
        const TReportRun r = Run(c.options + QStringList{"--print-sheet"});
        EXPECT_EQ(r.status, 1) << c.reason;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.reason))) << r.err.toStdString();
        EXPECT_EQ(r.out, QString()) << c.reason;
        EXPECT_FALSE(r.err.contains(QStringLiteral("refreshed"))) << c.reason;
    }
}

// --export picks the file type by the name's extension: an .xlsx workbook and a CSV file read back
// by openpyxl and Python's csv module hold the same rows and total as the sheet.
TEST_P(BatchRunTest, ExportTypeFollowsTheExtension) {
    for (const char *name : {"report.xlsx", "report.csv"}) {
        const QString file = tmp_.filePath(QString::fromLatin1(name));
        const TReportRun r = Run({"--group", "预算单位,资金性质", "--level", "2", "--print-sheet", "--export", file});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QFile head(file);
        ASSERT_TRUE(head.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(head.read(3), QByteArray(QByteArrayView(name).endsWith(".csv") ? "\xEF\xBB\xBF" : "PK\x03")) << name;
        const QStringList book = ReadBack(file);
        EXPECT_EQ(NumberedRows(book).size(), NumberedRows(lines).size()) << name;
        ASSERT_FALSE(book.isEmpty());
        EXPECT_TRUE(book.last().startsWith(QStringLiteral("合  计"))) << name;
        EXPECT_NEAR(Amount(book.last().section('\t', -1)), Amount(lines.last().section('\t', -1)), 0.005) << name;
    }
}

// --drill N double-clicks result row N (subtotal rows not counted); the outputs then come from the
// drill-down: every budget row behind the figure, its total equal to the figure and to the
// database's sum. A row past the last result row fails and says how many there are.
TEST_P(BatchRunTest, DrillOutputsTheRowsBehindAResultRow) {
    const QStringList group{"--group", "预算单位,资金性质", "--level", "1", "--subtotals"};
    const QStringList rows = NumberedRows(Run(group + QStringList{"--print-sheet"}).out.split('\n', Qt::SkipEmptyParts));
    ASSERT_GE(rows.size(), 3);
    const QString figure = rows[2].section('\t', -1), xlsx = tmp_.filePath(QStringLiteral("drill.xlsx"));
    const TReportRun drill = Run(group + QStringList{"--drill", "3", "--format", "json", "--export", xlsx});
    ASSERT_EQ(drill.status, 0) << drill.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(drill.out.toUtf8()).object();
    EXPECT_TRUE(doc["heading"].toArray().first().toString().contains(QStringLiteral("明细"))) << drill.out.left(300).toStdString();
    const int count = int(doc["rows"].toArray().size());
    EXPECT_NEAR(doc["totals"].toArray().last().toDouble(), Amount(figure), 0.005);
    EXPECT_TRUE(drill.err.contains(QStringLiteral("drill-down: %1 rows, total %2\n").arg(count).arg(figure))) << drill.err.toStdString();
    // The first page's statement without its order and limit selects the group in the database.
    QString page;
    for (const QString &line : drill.trace)
        if (page.isEmpty() && line.contains(QStringLiteral(",budgmoney from "))) page = line;
    ASSERT_FALSE(page.isEmpty());
    page = QStringLiteral("select budgmoney as sumMoney from") + page.section(QStringLiteral(" from"), 1).section(QStringLiteral(" order by id"), 0, 0);
    const auto [dbCount, dbSum] = DatabaseRows(page);
    EXPECT_EQ(count, dbCount);
    EXPECT_NEAR(Amount(figure), dbSum, 0.005);
    const QStringList book = ReadBack(xlsx);
    EXPECT_EQ(NumberedRows(book).size(), count);
    ASSERT_FALSE(book.isEmpty());
    EXPECT_NEAR(Amount(book.last().section('\t', -1)), Amount(figure), 0.005);

    const TReportRun past = Run(group + QStringList{"--drill", "9999", "--print-sheet"});
    EXPECT_EQ(past.status, 1);
    EXPECT_TRUE(past.err.contains(QStringLiteral("--drill: no result row 9999 (the report has %1)").arg(rows.size())))
        << past.err.toStdString();
    EXPECT_TRUE(past.out.isEmpty());
}

// --format json puts the report itself on stdout: the same rows and total as the sheet; the
// table form shows both ends of a long result and says how many rows it left out.
TEST_P(BatchRunTest, FormatWritesTheReportAsDataOrTable) {
    const QStringList group{"--group", "预算单位,资金性质", "--level", "2"};
    const TReportRun sheet = Run(group + QStringList{"--print-sheet"});
    const TReportRun json = Run(group + QStringList{"--format", "json"});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(json.out.toUtf8()).object();
    const QStringList lines = sheet.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(doc["rows"].toArray().size(), NumberedRows(lines).size());
    EXPECT_NEAR(doc["totals"].toArray().last().toDouble(), Amount(lines.last().section('\t', -1)), 0.005);
    EXPECT_EQ(doc["columns"].toArray(), QJsonArray({QStringLiteral("序号"), QStringLiteral("预算单位 编码"), QStringLiteral("预算单位 名称"),
                                                    QStringLiteral("资金性质"), QStringLiteral("金额（元）")}));
    // A name-only dimension in the first box has its caption alone over its names.
    const TReportRun fund = Run({"--group", "资金性质", "--format", "tsv"});
    EXPECT_TRUE(fund.out.startsWith(QStringLiteral("序号\t资金性质\t金额（元）\n"))) << fund.out.toStdString();
    const TReportRun table = Run(group + QStringList{"--format", "table", "--max-rows", "4"});
    ASSERT_EQ(table.status, 0) << table.err.toStdString();
    EXPECT_TRUE(table.out.contains(QStringLiteral("... %1 rows not shown").arg(NumberedRows(lines).size() - 4)))
        << table.out.toStdString();
    EXPECT_TRUE(table.out.trimmed().endsWith(lines.last().section('\t', -1)));
}

// --save-preset keeps what the other options set; --preset brings it back through the window's
// menu, saying which of its codes no longer exist; a name never saved fails with the saved names.
TEST_P(BatchRunTest, SavedConditionSetsComeBack) {
    qputenv("XDG_CONFIG_HOME", tmp_.filePath("config").toUtf8());
    const QStringList options{"--group", "预算单位,资金性质,预算科目", "--level", "1", "--subtotals",
                              "--fund", "一般公共预算资金", "--bid", "2050101,2050201,9999999"};
    const TReportRun saved = Run(options + QStringList{"--save-preset", QStringLiteral("教育 月报"), "--print-sheet"});
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    EXPECT_TRUE(saved.err.contains(QStringLiteral("查询方案“教育 月报”已保存。")));
    const TReportRun recalled = Run({"--preset", QStringLiteral("教育 月报"), "--print-sheet"});
    ASSERT_EQ(recalled.status, 0) << recalled.err.toStdString();
    EXPECT_EQ(recalled.out, saved.out);
    EXPECT_TRUE(recalled.err.contains(QStringLiteral("未能恢复：预算科目“9999999”"))) << recalled.err.toStdString();
    // Saved again under its name: the window's question whether to replace it is answered yes.
    const TReportRun again = Run({"--preset", QStringLiteral("教育 月报"), "--save-preset", QStringLiteral("教育 月报")});
    ASSERT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_TRUE(again.err.contains(QStringLiteral("查询方案“教育 月报”已存在，是否覆盖？"))) << again.err.toStdString();
    const TReportRun missing = Run({"--preset", "nothing", "--print-sheet"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("--preset: no saved set \"nothing\"; saved: 教育 月报")))
        << missing.err.toStdString();
    EXPECT_TRUE(missing.out.isEmpty());

    // A set that names a dimension twice (written by hand) keeps the first and says so.
    QFile ini(tmp_.filePath(QStringLiteral("config/authpay/查询方案.ini")));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write(QStringLiteral("\n[003001]\ntwice\\dimensions=预算单位, 预算单位, 预算科目\ntwice\\unitLevel=2\n").toUtf8());
    ini.close();
    const TReportRun twice = Run({"--preset", "twice", "--format", "tsv"});
    ASSERT_EQ(twice.status, 0) << twice.err.toStdString();
    EXPECT_TRUE(twice.err.contains(QStringLiteral("未能恢复：汇总维度“预算单位”"))) << twice.err.toStdString();
    EXPECT_TRUE(twice.out.startsWith(QStringLiteral("序号\t预算单位 编码\t预算单位 名称\t预算科目 编码"))) << twice.out.toStdString();
    qunsetenv("XDG_CONFIG_HOME");
}

// A recalled code filter none of whose codes exists any more refuses the Refresh and names them,
// rather than report over everything; a unit code from the file is checked as a typed one is, so a
// "_" in it widens nothing. Emptied, the filter no longer stops the run.
TEST_P(BatchRunTest, ARecalledFilterThatLostEveryCodeRefusesToRun) {
    qputenv("XDG_CONFIG_HOME", tmp_.filePath("config").toUtf8());
    ASSERT_TRUE(QDir().mkpath(tmp_.filePath("config/authpay")));
    QFile ini(tmp_.filePath(QStringLiteral("config/authpay/查询方案.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[003001]\ngone\\dimensions=预算单位\ngone\\subjectCodes=9999998, 9999999\n"
                             "wild\\dimensions=预算单位\nwild\\unitText=00_\n").toUtf8());
    ini.close();
    const struct { const char *name, *lost; } cases[] = {{"gone", "预算科目“9999998”、预算科目“9999999”"}, {"wild", "预算单位“00_”"}};
    for (const auto &c : cases) {
        const TReportRun r = Run({"--preset", c.name, "--print-sheet"});
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_TRUE(r.err.contains(QStringLiteral("不能按其查询：") + QString::fromUtf8(c.lost))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("refreshed"))) << c.name;
        EXPECT_TRUE(r.out.isEmpty()) << c.name;
    }
    const TReportRun emptied = Run({"--preset", "gone", "--bid", "", "--print-sheet"});
    EXPECT_EQ(emptied.status, 0) << emptied.err.toStdString();
    qunsetenv("XDG_CONFIG_HOME");
}

// --fit-width: the six-grouping sheet, two pages wide, goes on one page width; the PDF, the page
// count under --print-sheet and the workbook's page set-up follow it.
TEST_P(BatchRunTest, FitWidthPutsEveryColumnOnOnePageWidth) {
    qputenv("XDG_CONFIG_HOME", tmp_.filePath("config").toUtf8());  // no saved choice
    const QStringList six{"--group", "预算单位,资金性质,支出类型,支付方式,预算科目,预算项目", "--print-sheet"};
    const QRegularExpression count(QStringLiteral("budget-host: the sheet prints on (\\d+) page\\(s\\)"));
    int pages[2] = {};
    for (bool fit : {false, true}) {
        const QString pdf = tmp_.filePath(fit ? "fit.pdf" : "plain.pdf"), xlsx = tmp_.filePath("fit.xlsx");
        const QString png = tmp_.filePath("preview.png");
        const TReportRun r = Run(six + QStringList{"--pdf", pdf, "--export", xlsx}
                                 + (fit ? QStringList{"--fit-width", "--preview-screenshot", png} : QStringList{}));
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        if (fit) {
            EXPECT_EQ(QImage(png).size(), QSize(1000, 720));  // the preview dialog as it opens
        }
        pages[fit] = count.match(r.err).captured(1).toInt();
        QProcess info;
        info.start("pdfinfo", {pdf});
        info.waitForFinished(60000);
        EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\n").arg(pages[fit]))));
        QProcess py;
        py.start("/usr/bin/python3", {"-c", "import sys, openpyxl\nw = openpyxl.load_workbook(sys.argv[1]).active\n"
                                             "print(bool(w.sheet_properties.pageSetUpPr and w.sheet_properties.pageSetUpPr.fitToPage), w.page_setup.fitToHeight)",
                                      xlsx});
        py.waitForFinished(60000);
        EXPECT_EQ(QString::fromUtf8(py.readAllStandardOutput()).trimmed().toStdString(), fit ? "True 0" : "False None");
    }
    EXPECT_GT(pages[1], 0);
    EXPECT_LT(2 * pages[1], pages[0]);  // half as many pages across, and more rows on each
    qunsetenv("XDG_CONFIG_HOME");
}

AUTHPAY_ON_BOTH_BACKENDS(BatchRunTest);

}  // namespace
