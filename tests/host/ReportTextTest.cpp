// The report as text: read from the sheet's used cells as the window hands them out, then as an
// aligned table (Chinese counted double width, long results cut in the middle with a word), TSV,
// CSV and JSON.
#include "HostOutput.h"
#include "ReportText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <cmath>

namespace {
using authpay::RowKind;
using authpay::SheetRow;

// A row as the window hands it out: the amount in the last of seven columns is given as a number
// too (a result or totals row).
SheetRow Typed(const QStringList &cells, RowKind kind) {
    SheetRow row{cells, kind, 0, std::vector<std::optional<int64_t>>(size_t(cells.size()))};
    if (kind != RowKind::Other) row.cents[6] = std::llround(QString(cells[6]).remove(',').toDouble() * 100);
    return row;
}

QList<SheetRow> Typed(const QList<QStringList> &cells) {
    QList<SheetRow> rows;
    for (const QStringList &c : cells) {
        bool number = false;
        c.value(0).toInt(&number);
        rows << Typed(c, number ? RowKind::Result : c.value(0) == QStringLiteral("合  计") ? RowKind::Totals : RowKind::Other);
    }
    return rows;
}

// As the window's sheet gives it: title, unit and date lines, two header rows (预算单位 spans its
// code and name), an empty spacer row, result rows, a hidden column 4 (a code without a header),
// an empty column 6, the totals row.
QList<QStringList> Cells(int rows) {
    QStringList lines = {
        QStringLiteral("支付范围划分汇总组合查询表\t\t\t\t\t\t"),
        QStringLiteral("单位:003001 市财政局机关\t\t\t\t\t\t"),
        QStringLiteral("出表日期:2026-12-07\t\t\t\t\t\t单位:元"),
        QStringLiteral("序号\t预算单位\t\t\t资金性质\t\t金额（元）"),
        QStringLiteral("\t编码\t名称\t\t\t\t"),
        QStringLiteral("\t\t\t\t\t\t"),
    };
    for (int i = 1; i <= rows; ++i)
        lines << QStringLiteral("%1\t00100%1\t市教育局\t11\tA,\"b\"\t\t1,234.50").arg(i);
    lines << QStringLiteral("合  计\t\t\t\t\t\t%1").arg(rows == 3 ? QStringLiteral("3,703.50") : QStringLiteral("0.00"));
    QList<QStringList> cells;
    for (const QString &line : lines) cells << line.split('\t');
    return cells;
}
QList<SheetRow> Sheet(int rows) { return Typed(Cells(rows)); }
}  // namespace

TEST(ReportText, ReadsTheSheetsLayout) {
    const TReportTable t = ReportTableFromSheet(Sheet(3));
    EXPECT_EQ(t.heading, QStringList({QStringLiteral("支付范围划分汇总组合查询表"), QStringLiteral("单位:003001 市财政局机关"),
                                      QStringLiteral("出表日期:2026-12-07  单位:元")}));
    EXPECT_EQ(t.columns, QStringList({QStringLiteral("序号"), QStringLiteral("预算单位 编码"), QStringLiteral("预算单位 名称"),
                                      QStringLiteral("资金性质"), QStringLiteral("金额（元）")}));
    ASSERT_EQ(t.rows.size(), 3);
    EXPECT_EQ(t.rows[2], QStringList({"3", "001003", QStringLiteral("市教育局"), "A,\"b\"", "1,234.50"}));
    EXPECT_EQ(t.totals, QStringList({QStringLiteral("合  计"), "", "", "", "3,703.50"}));
    EXPECT_EQ(t.amountColumn, 4);
    EXPECT_TRUE(ReportTableFromSheet({}).rows.isEmpty());
}

TEST(ReportText, TableAlignsByDisplayWidth) {
    EXPECT_EQ(DisplayWidth(u"市教育局"), 8);
    EXPECT_EQ(DisplayWidth(u"A1（元）"), 8);  // full-width brackets too
    EXPECT_EQ(DisplayWidth(u"𠀀x"), 3);  // a character beyond the basic plane, still wide
    const QStringList lines = FormatReportTable(ReportTableFromSheet(Sheet(3)), 0).split('\n', Qt::SkipEmptyParts);
    // Every row line ends its amount at the same terminal column, right-aligned.
    const qsizetype header = lines.indexOf(QRegularExpression(QStringLiteral("^序号.*")));
    ASSERT_GE(header, 0);
    const int right = DisplayWidth(lines[header + 2]);
    EXPECT_TRUE(lines[header + 2].endsWith("1,234.50"));
    EXPECT_EQ(DisplayWidth(lines.last()), right);
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("合  计")));
    EXPECT_EQ(DisplayWidth(lines[header]), DisplayWidth(lines[header].trimmed()));
    EXPECT_EQ(ReportTableWidth(ReportTableFromSheet(Sheet(3))), right);
}

TEST(ReportText, LongResultsShowBothEndsAndSayWhatIsLeftOut) {
    const QString text = FormatReportTable(ReportTableFromSheet(Sheet(9)), 4);
    EXPECT_TRUE(text.contains("\n1  ") && text.contains("\n2  ") && text.contains("\n8  ") && text.contains("\n9  "));
    EXPECT_FALSE(text.contains("\n3  ") || text.contains("\n7  "));
    EXPECT_TRUE(text.contains("... 5 rows not shown")) << text.toStdString();
    EXPECT_TRUE(text.trimmed().endsWith("0.00"));
}

TEST(ReportText, TsvCsvAndJsonCarryEveryRow) {
    const TReportTable t = ReportTableFromSheet(Sheet(3));
    const QStringList tsv = FormatReportTsv(t).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(tsv.size(), 5);
    EXPECT_EQ(tsv[1], QStringLiteral("1\t001001\t市教育局\tA,\"b\"\t1,234.50"));
    const QStringList csv = FormatReportCsv(t).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(csv.size(), 5);
    EXPECT_EQ(csv[1], QStringLiteral("1,001001,市教育局,\"A,\"\"b\"\"\",\"1,234.50\""));
    const QJsonObject json = QJsonDocument::fromJson(FormatReportJson(t).toUtf8()).object();
    EXPECT_EQ(json["columns"].toArray().size(), 5);
    EXPECT_EQ(json["rows"].toArray().size(), 3);
    EXPECT_DOUBLE_EQ(json["rows"].toArray()[0].toArray()[4].toDouble(), 1234.5);
    EXPECT_DOUBLE_EQ(json["totals"].toArray()[4].toDouble(), 3703.5);
    EXPECT_EQ(json["rows"].toArray()[0].toArray()[1].toString(), "001001");  // codes stay texts
}

// A sheet too large to copy is read twice, a row at a time, and written as it goes: every form
// comes out as the whole table's, JSON as Qt's own indented document of it.
TEST(ReportText, RowAtATimeWritesWhatTheWholeTableWrites) {
    const QList<SheetRow> cells = Sheet(9);
    TReportScan scan(true);
    for (const SheetRow &row : cells) scan.Add(row);
    const TReportTable layout = scan.Table(), whole = ReportTableFromSheet(cells);
    EXPECT_TRUE(layout.rows.isEmpty());
    const QString expected[] = {FormatReportTable(whole, 4), FormatReportTsv(whole), FormatReportCsv(whole), FormatReportJson(whole)};
    int i = 0;
    for (TReportForm form : {TReportForm::Table, TReportForm::Tsv, TReportForm::Csv, TReportForm::Json}) {
        TReportWriter writer(layout, form, scan.ResultRows(), 4);
        QString out = writer.Begin();
        for (const SheetRow &row : cells)
            if (TReportScan::IsResultRow(row)) out += writer.Row(scan.Pick(row.texts), scan.Pick(row.cents));
        EXPECT_EQ(out + writer.End(), expected[i++]);
    }
    for (int n : {0, 3}) {
        const TReportTable t = ReportTableFromSheet(Sheet(n));
        auto numbers = [](const QStringList &cells) {
            QJsonArray a;
            for (qsizetype c = 0; c < cells.size(); ++c) a << (c == 4 ? QJsonValue(QString(cells[c]).remove(',').toDouble()) : QJsonValue(cells[c]));
            return a;
        };
        QJsonArray rows;
        for (const QStringList &r : t.rows) rows << numbers(r);
        const QJsonObject doc{{"heading", QJsonArray::fromStringList(t.heading)}, {"columns", QJsonArray::fromStringList(t.columns)},
                              {"rows", rows}, {"totals", numbers(t.totals)}};
        EXPECT_EQ(FormatReportJson(t), QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented)));
    }
}

// Names from the database that hold separators, formula starts and terminal controls: every form
// keeps one line per row and the amounts, and none passes on what could act.
TEST(ReportText, HostileNamesStayInTheirCells) {
    QList<QStringList> cells = Cells(0);
    cells.insert(6, {"1", "001001", QStringLiteral("=HYPERLINK(\"http://x\",\"y\")\tz"), "11", "two\nlines\r\\", "", "-1,234.50"});
    cells.insert(7, {"2", "@cmd", QStringLiteral("\x1b]0;t\x07\x1b[31m红\u202Eabc"), "11", "+1", "", "2.00"});
    const TReportTable t = ReportTableFromSheet(Typed(cells));
    ASSERT_EQ(t.rows.size(), 2);

    const QString table = FormatReportTable(t, 0);
    EXPECT_FALSE(table.contains(QChar(0x1b)) || table.contains(QChar(0x07)) || table.contains(QChar(0x202E)));
    EXPECT_TRUE(table.contains(QStringLiteral("␛[31m红\uFFFDabc")));
    EXPECT_EQ(table.count('\n'), FormatReportTable(ReportTableFromSheet(Sheet(2)), 0).count('\n'));

    const QStringList tsv = FormatReportTsv(t).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(tsv.size(), 4);
    EXPECT_EQ(tsv[1], QStringLiteral("1\t001001\t'=HYPERLINK(\"http://x\",\"y\")\\tz\ttwo\\nlines\\r\\\\\t-1,234.50"));
    EXPECT_TRUE(tsv[2].startsWith(QStringLiteral("2\t'@cmd\t")));
    EXPECT_TRUE(tsv[2].endsWith(QStringLiteral("\t'+1\t2.00")));

    const QString csv = FormatReportCsv(t);
    EXPECT_TRUE(csv.contains(QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\tz\"")));
    EXPECT_TRUE(csv.contains(QStringLiteral("\"two\nlines\r\\\",\"-1,234.50\"\r\n")));  // the amount is not defused

    const QJsonObject json = QJsonDocument::fromJson(FormatReportJson(t).toUtf8()).object();
    const QJsonArray rows = json["rows"].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toArray()[3].toString(), "two\nlines\r\\");
    EXPECT_DOUBLE_EQ(rows[0].toArray()[4].toDouble(), -1234.5);

    const QString sheet = FormatSheetCells(cells);
    EXPECT_EQ(sheet.count('\n'), cells.size());
    EXPECT_TRUE(sheet.contains(QStringLiteral("\ttwo\\nlines\\r\\\\\t")));
}

TEST(HostOutput, OnlyTheWindowSystemsOwnNoiseIsDropped) {
    EXPECT_TRUE(IsQtNoise(QtWarningMsg, "default", QStringLiteral("This plugin does not support propagateSizeHints()")));
    EXPECT_TRUE(IsQtNoise(QtWarningMsg, "qt.qpa.fonts", QStringLiteral("anything")));
    EXPECT_TRUE(IsQtNoise(QtWarningMsg, nullptr, QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/x'")));
    EXPECT_FALSE(IsQtNoise(QtWarningMsg, "default", QStringLiteral("QSqlDatabasePrivate::removeDatabase: in use")));
    EXPECT_FALSE(IsQtNoise(QtCriticalMsg, "qt.qpa.xcb", QStringLiteral("could not connect to display")));
}
