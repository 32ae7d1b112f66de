// The .xlsx and CSV exports read back by openpyxl and Python's csv module, the .xls and .xlsx
// agreeing on what they carry (print titles and wrapped texts included), the .xls row limit that
// names the .xlsx type, and a full disk that leaves the old file as it was.
#include "report/CsvExport.h"
#include "report/SheetExport.h"
#include "report/SheetPdf.h"
#include "report/TabText.h"
#include "report/XlsReadBack.h"
#include "report/xls/XlsExport.h"
#include "support/Kept.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {
// Title, two heading rows repeated on every page, result rows (one taller for a long name), totals.
TSheetModel ReportSheet() {
    TSheetModel m;
    m.SetRowCount(9);
    const int bold = m.AddFont({QStringLiteral("宋体"), 16, true, false});
    m.SetText(1, 1, u"支付范围划分汇总组合查询表");
    m.SetFont({1, 1, 16, 1}, bold);
    m.Merge({1, 1, 16, 1});
    m.SetAlignment(1, 1, 36);
    m.SetText(2, 4, u"预算单位");
    m.Merge({2, 4, 3, 4});
    m.SetText(2, 5, u"编码");
    m.SetText(3, 5, u"名称");
    m.SetText(14, 4, u"金额（元）");
    m.Merge({14, 4, 14, 5});
    m.SetText(1, 7, u"1");
    m.SetText(2, 7, u"001");
    m.SetText(3, 7, u"财政局");
    m.SetText(14, 7, u"1,234,567.50");
    m.SetText(1, 8, u"2");
    m.SetText(2, 8, u"201");
    m.SetText(3, 8, u"归口管理的行政单位离退休人员管理机构");
    m.SetRowHeight(8, 36);  // the name takes two lines
    m.SetText(14, 8, u"-1,234.50");
    m.Merge({1, 9, 12, 9});
    m.SetText(1, 9, u"合  计");
    m.SetText(14, 9, u"1,233,333.00");
    for (int r = 7; r <= 9; ++r) m.SetAlignment(14, r, 34);
    m.SetGridLines({1, 4, 16, 9}, 2);
    for (int c = 4; c <= 13; ++c) m.SetColumnWidth(c, 0);
    m.Page().pageText[2] = QStringLiteral("共&S页第&P页");
    m.Page().orientation = TPageOrientation::Landscape;
    m.Page().repeatFirstRow = 4;
    m.Page().repeatLastRow = 5;
    m.Emphasise({1, 9, 16, 9});
    return m;
}

QByteArray Read(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The records of a CSV file as Python's csv module reads them.
QJsonArray ReadCsvBack(const QString &file) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {"-c",
             "import csv, json, sys\n"
             "json.dump(list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline=''))), sys.stdout)\n",
             file});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << p.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}
}  // namespace

TEST(SheetExport, XlsAndXlsxCarryTheSameReport) {
    QTemporaryDir dir;
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx}) {
        const QString file = dir.filePath(QStringLiteral("组合查询结果.") + ExportSuffix(type));
        const authpay::Outcome r = ExportSheet(ReportSheet(), file, type);
        ASSERT_TRUE(r.Ok()) << r.message.toStdString();
        const QJsonObject book = ReadXlsBack(file);
        ASSERT_FALSE(book.isEmpty()) << file.toStdString();
        SCOPED_TRACE(ExportSuffix(type).toStdString());
        EXPECT_EQ(book["nrows"].toInt(), 9);
        EXPECT_EQ(book["merged"].toArray(),
                  QJsonArray({QJsonArray{0, 1, 0, 16}, QJsonArray{3, 4, 1, 3}, QJsonArray{3, 5, 13, 14},
                              QJsonArray{8, 9, 0, 12}}));
        const QJsonObject title = XlsCell(book, 1, 1);
        EXPECT_TRUE(title["bold"].toBool());
        EXPECT_EQ(title["height"].toInt(), 320);
        EXPECT_EQ(title["h"].toInt(), 2);
        const QJsonObject amount = XlsCell(book, 14, 8);
        EXPECT_EQ(amount["type"].toString(), "number");
        EXPECT_DOUBLE_EQ(amount["value"].toDouble(), -1234.5);
        EXPECT_EQ(amount["format"].toString(), "#,##0.00");
        EXPECT_EQ(amount["h"].toInt(), 3);
        EXPECT_DOUBLE_EQ(XlsCell(book, 14, 9)["value"].toDouble(), 1233333.0);
        EXPECT_EQ(XlsCell(book, 2, 8)["type"].toString(), "text");
        EXPECT_EQ(XlsCell(book, 2, 8)["value"].toString(), "201");
        EXPECT_EQ(XlsCell(book, 1, 9)["value"].toString(), QStringLiteral("合  计"));
        EXPECT_EQ(XlsCell(book, 16, 7)["borders"].toArray(), QJsonArray({1, 1, 1, 1}));
        // The emphasised totals row: bold on the light fill; the rows above plain.
        EXPECT_TRUE(XlsCell(book, 14, 9)["filled"].toBool());
        EXPECT_TRUE(XlsCell(book, 14, 9)["bold"].toBool());
        EXPECT_FALSE(XlsCell(book, 14, 8)["filled"].toBool());
        EXPECT_FALSE(XlsCell(book, 14, 8)["bold"].toBool());
        // Texts of the taller row wrap; texts of standard rows and amounts do not.
        EXPECT_TRUE(XlsCell(book, 3, 8)["wrap"].toBool());
        EXPECT_FALSE(XlsCell(book, 3, 7)["wrap"].toBool());
        EXPECT_FALSE(amount["wrap"].toBool());
        EXPECT_EQ(book["rowinfo"].toObject()["7"].toObject()["height"].toInt(), 540);  // 36 px = 27 points
        const QJsonObject cols = book["colinfo"].toObject();
        EXPECT_TRUE(cols["3"].toObject()["hidden"].toBool());
        EXPECT_FALSE(cols["2"].toObject()["hidden"].toBool());
        EXPECT_EQ(book["print_titles"].toString(), "4:5");
        EXPECT_TRUE(book["landscape"].toBool());
        EXPECT_EQ(book["footer"].toString(), QStringLiteral("&R共&N页第&P页"));
    }
}

// A zero-height row is out of sight in every output: left out of the text forms and the printed
// pages, kept hidden with its texts in both workbooks.
TEST(SheetExport, ZeroHeightRowsAreOutOfSightInEveryOutput) {
    TSheetModel m = ReportSheet();
    m.SetText(3, 6, u"隐藏行");
    m.SetRowHeight(6, 0);
    QTemporaryDir dir;
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx}) {
        const QString file = dir.filePath(QStringLiteral("r.") + ExportSuffix(type));
        ASSERT_TRUE(ExportSheet(m, file, type).Ok());
        const QJsonObject book = ReadXlsBack(file);
        EXPECT_TRUE(book["rowinfo"].toObject()["5"].toObject()["hidden"].toBool()) << file.toStdString();
        EXPECT_EQ(XlsCell(book, 3, 6)["value"].toString(), QStringLiteral("隐藏行"));
    }
    ASSERT_TRUE(ExportSheet(m, dir.filePath("r.csv"), TExportType::Csv).Ok());
    const QByteArray csv = Read(dir.filePath("r.csv"));
    EXPECT_TRUE(csv.contains("财政局") && !csv.contains("隐藏行"));
    const QString tab = CellsAsTabText(m, {1, 1, 16, 9});
    EXPECT_TRUE(tab.contains(QStringLiteral("财政局")) && !tab.contains(QStringLiteral("隐藏行")));
    QString error;
    ASSERT_TRUE(Kept(WriteSheetPdf(m, dir.filePath("r.pdf")), &error)) << error.toStdString();
    QProcess text;
    text.start("pdftotext", {dir.filePath("r.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(pages.contains(QStringLiteral("财政局")) && !pages.contains(QStringLiteral("隐藏行")));
}

// Both workbooks print as the sheet prints: the same paper, margins and standard font (the unit
// of the column widths), and fitted to one page wide, as tall as it takes, when the sheet is.
TEST(SheetExport, XlsAndXlsxCarryTheSamePageSetUpAndFit) {
    QTemporaryDir dir;
    TSheetModel model = ReportSheet();
    model.Page().paper = QStringLiteral("A3");
    model.Page().marginLeft = 10;
    for (bool fit : {false, true}) {
        model.Page().fitToWidth = fit;
        QJsonObject books[2];
        for (TExportType type : {TExportType::Xls, TExportType::Xlsx}) {
            const QString file = dir.filePath(QStringLiteral("page.") + ExportSuffix(type));
            ASSERT_TRUE(ExportSheet(model, file, type).Ok());
            books[type == TExportType::Xlsx] = ReadXlsBack(file, false);
        }
        for (const QJsonObject &book : books) {
            SCOPED_TRACE(fit);
            EXPECT_EQ(book["paper"].toInt(), 8);  // A3
            EXPECT_NEAR(book["margins"].toArray()[0].toDouble(), 10 / 25.4, 1e-6);
            EXPECT_EQ(book["standard_font"].toArray(), QJsonArray({QStringLiteral("宋体"), 200}));
            EXPECT_EQ(book["fit_to_page"].toBool(), fit);
            if (fit) {
                EXPECT_EQ(QJsonArray({book["fit_width"], book["fit_height"]}), QJsonArray({1, 0}));
            }
        }
        for (const char *key : {"margins", "landscape", "print_titles"}) EXPECT_EQ(books[0][key], books[1][key]) << key;
    }
}

TEST(SheetExport, CsvQuotesWhatNeedsQuotingAndReadsBack) {
    EXPECT_EQ(CsvField(u"行政运行"), QStringLiteral("行政运行"));
    EXPECT_EQ(CsvField(u"a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField(u"say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField(u"two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField(u"cr\r"), "\"cr\r\"");

    TSheetModel m = ReportSheet();
    m.SetText(3, 7, u"财政局, \"机关\"\n第二行");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("结果.csv"));
    ASSERT_TRUE(ExportSheet(m, file, TExportType::Csv).Ok());
    const QByteArray bytes = Read(file);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "the byte-order mark";
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const QJsonArray rows = ReadCsvBack(file);
    // Every row of the sheet, hidden columns left out: 1 2 3 14 15 16, cut after the last text.
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(rows[0].toArray(), QJsonArray({QStringLiteral("支付范围划分汇总组合查询表"), "", "", ""}));
    EXPECT_EQ(rows[6].toArray(), QJsonArray({"1", "001", QStringLiteral("财政局, \"机关\"\n第二行"), "1234567.50"}));
    EXPECT_EQ(rows[7].toArray()[3].toString(), "-1234.50");
    EXPECT_EQ(rows[8].toArray(), QJsonArray({QStringLiteral("合  计"), "", "", "1233333.00"}));
}

// Every text field is quoted, so that a spreadsheet program told to keep quoted fields as text
// keeps a code's leading zeros; amounts stay bare numbers.
TEST(SheetExport, CsvCodesKeepTheirLeadingZerosInASpreadsheetProgram) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("codes.csv"));
    ASSERT_TRUE(ExportSheet(ReportSheet(), file, TExportType::Csv).Ok());
    EXPECT_TRUE(Read(file).contains("\r\n\"1\",\"001\",\"财政局\",1234567.50\r\n"));
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QProcess office;
    office.start(QStringLiteral("soffice"), {"--headless", "-env:UserInstallation=file://" + dir.path() + "/profile",
                                             "--infilter=CSV:44,34,76,1,,0,true", "--convert-to", "xlsx", "--outdir",
                                             dir.path(), file});
    ASSERT_TRUE(office.waitForFinished(180000) && office.exitCode() == 0);
    QProcess read;
    read.start(QStringLiteral("/usr/bin/python3"),
               {"-c", "import openpyxl, sys\ns = openpyxl.load_workbook(sys.argv[1]).active\n"
                      "print(repr(s['B7'].value), repr(s['D7'].value))",
                dir.filePath(QStringLiteral("codes.xlsx"))});
    ASSERT_TRUE(read.waitForFinished(60000));
    EXPECT_EQ(read.readAllStandardOutput().trimmed(), "'001' 1234567.5");
}

// A rate is a number with the 0.00% format in both workbooks and a bare figure in the .csv (never
// a guarded text), and its column is wide enough for the largest rate in a spreadsheet program.
TEST(SheetExport, RatesAreNumbersInEveryFile) {
    TSheetModel m = ReportSheet();
    const qint64 cents[3] = {123456750, -123450, 123333300};
    for (int r = 7; r <= 9; ++r) m.SetAmount(14, r, cents[r - 7]);
    m.SetText(16, 7, u"135620.00%");
    m.SetRate(16, 7, 13562000);
    m.SetText(16, 8, u"-68.23%");
    m.SetRate(16, 8, -6823);
    m.SetColumnWidth(16, 30);  // narrower than its largest rate
    m.SetColumnWidth(14, 120);
    QTemporaryDir dir;
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx}) {
        const QString file = dir.filePath(QStringLiteral("rates.") + ExportSuffix(type));
        ASSERT_TRUE(ExportSheet(m, file, type).Ok());
        const QJsonObject book = ReadXlsBack(file);
        SCOPED_TRACE(ExportSuffix(type).toStdString());
        EXPECT_EQ(XlsCell(book, 16, 8)["type"].toString(), "number");
        EXPECT_DOUBLE_EQ(XlsCell(book, 16, 8)["value"].toDouble(), -0.6823);
        EXPECT_EQ(XlsCell(book, 16, 8)["format"].toString(), "0.00%");
        EXPECT_DOUBLE_EQ(XlsCell(book, 16, 7)["value"].toDouble(), 1356.2);
        EXPECT_EQ(XlsCell(book, 14, 8)["format"].toString(), "#,##0.00");
    }
    ASSERT_TRUE(ExportSheet(m, dir.filePath("rates.csv"), TExportType::Csv).Ok());
    const QByteArray csv = Read(dir.filePath("rates.csv"));
    EXPECT_TRUE(csv.contains(",1234567.50,,135620.00%\r\n") && csv.contains(",-1234.50,,-68.23%\r\n")) << csv.toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QProcess office;
    office.start(QStringLiteral("soffice"), {"--headless", "-env:UserInstallation=file://" + dir.path() + "/profile",
                                             "--convert-to", "pdf", "--outdir", dir.path(), dir.filePath("rates.xlsx")});
    ASSERT_TRUE(office.waitForFinished(180000) && office.exitCode() == 0);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {dir.filePath("rates.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(pages.contains(QStringLiteral("135620.00%")) && !pages.contains(QStringLiteral("###"))) << pages.toStdString();
}

TEST(SheetExport, TypeFollowsTheExtension) {
    EXPECT_EQ(ExportTypeOfName("a.xls"), TExportType::Xls);
    EXPECT_EQ(ExportTypeOfName("/x/报表.XLSX"), TExportType::Xlsx);
    EXPECT_EQ(ExportTypeOfName("a.b.Csv"), TExportType::Csv);
    EXPECT_EQ(ExportTypeOfName("a.txt"), std::nullopt);
    EXPECT_EQ(ExportTypeOfName("xlsx"), std::nullopt);
}

// An .xls cannot hold more than 65,536 rows: it is refused before anything is written, with a word
// on the type that can; the .xlsx takes the same sheet.
TEST(SheetExport, XlsRowLimitNamesTheXlsxType) {
    TSheetModel m;
    m.SetRowCount(70000);
    for (int r = 1; r <= m.RowCount(); ++r) m.SetText(1, r, QString::number(r));
    m.SetText(2, 70000, u"9,999.00");
    QTemporaryDir dir;
    const QString xls = dir.filePath("big.xls"), xlsx = dir.filePath("big.xlsx");
    const authpay::Outcome refused = ExportSheet(m, xls, TExportType::Xls);
    EXPECT_EQ(refused.code, kXlsTooManyRows);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("Excel 工作簿 (*.xlsx)"))) << refused.message.toStdString();
    EXPECT_FALSE(QFile::exists(xls));
    ASSERT_TRUE(ExportSheet(m, xlsx, TExportType::Xlsx).Ok());
    QProcess p;
    p.start("/usr/bin/python3", {"-c",
                                 "import sys, openpyxl\n"
                                 "s = openpyxl.load_workbook(sys.argv[1], read_only=True).active\n"
                                 "rows = list(s.iter_rows(min_row=69999, values_only=True))\n"
                                 "print(s.max_row, rows[-1][0], rows[-1][1])\n",
                                 xlsx});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), "70000 70000 9999") << p.readAllStandardError().toStdString();
}

// A disk that fills up half-way: each type reports it and the earlier file stays as it was, with no
// temporary file left beside it. The file size limit makes writes fail as a full disk does.
TEST(SheetExport, FullDiskKeepsTheOldFile) {
    TSheetModel m;
    m.SetRowCount(20000);
    for (int r = 1; r <= m.RowCount(); ++r) {
        m.SetText(1, r, QStringLiteral("第%1行的一段较长的说明文字，用来把文件写大").arg(r));
        m.SetText(2, r, u"1,234.50");
    }
    QTemporaryDir dir;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx, TExportType::Csv}) {
        const QString file = dir.filePath(QStringLiteral("old.") + ExportSuffix(type));
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("the earlier export");
        }
        rlimit small = old;
        small.rlim_cur = 64 * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const authpay::Outcome r = ExportSheet(m, file, type);
        setrlimit(RLIMIT_FSIZE, &old);
        SCOPED_TRACE(ExportSuffix(type).toStdString());
        EXPECT_EQ(r.code, kXlsWriteFailed);
        EXPECT_TRUE(r.message.startsWith(QStringLiteral("无法写入文件“%1”：").arg(file))) << r.message.toStdString();
        EXPECT_EQ(Read(file), "the earlier export");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "a temporary file was left";
        QFile::remove(file);
    }
    std::signal(SIGXFSZ, SIG_DFL);
}

// Rows of an .xlsx go out one after the other: a merge over several rows keeps its text and does
// not swallow the cells beside it in the rows it spans; a merged amount stays a number.
TEST(SheetExport, XlsxMergesOverSeveralRowsKeepTheirNeighbours) {
    TSheetModel m;
    m.SetRowCount(8);
    m.Merge({2, 3, 4, 6});
    m.SetText(2, 3, u"跨四行");
    for (int r = 3; r <= 6; ++r) m.SetText(1, r, QString::number(r));
    m.SetText(5, 5, u"旁边");
    m.Merge({6, 8, 7, 8});
    m.SetText(6, 8, u"2,500.00");
    QTemporaryDir dir;
    const QString file = dir.filePath("merges.xlsx");
    ASSERT_TRUE(ExportSheet(m, file, TExportType::Xlsx).Ok());
    const QJsonObject book = ReadXlsBack(file);
    EXPECT_EQ(book["merged"].toArray(), QJsonArray({QJsonArray{2, 6, 1, 4}, QJsonArray{7, 8, 5, 7}}));
    EXPECT_EQ(XlsCell(book, 2, 3)["value"].toString(), QStringLiteral("跨四行"));
    for (int r = 3; r <= 6; ++r) EXPECT_EQ(XlsCell(book, 1, r)["value"].toString(), QString::number(r)) << r;
    EXPECT_EQ(XlsCell(book, 5, 5)["value"].toString(), QStringLiteral("旁边"));
    EXPECT_EQ(XlsCell(book, 6, 8)["type"].toString(), "number");
    EXPECT_DOUBLE_EQ(XlsCell(book, 6, 8)["value"].toDouble(), 2500.0);
}
