// The .xls export read back by python3-xlrd: texts, amounts as numbers, codes as texts, merges,
// widths, hidden columns and rows, fonts, alignment, borders and the page text; long strings
// across CONTINUE records; and the refusals that must leave the target untouched.
#include "report/SheetModel.h"
#include "report/XlsReadBack.h"
#include "report/xls/CompoundFile.h"
#include "report/xls/XlsExport.h"
#include "report/xls/XlsWorksheet.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// A small report: title, heading, two result rows with codes, names and amounts, totals.
TSheetModel ReportLikeSheet() {
    TSheetModel m;
    m.SetRowCount(9);
    const int bold = m.AddFont({QStringLiteral("宋体"), 16, true, false});
    m.SetText(1, 1, u"支付范围划分汇总组合查询表");
    m.SetFont({1, 1, 16, 1}, bold);
    m.Merge({1, 1, 16, 1});
    m.SetAlignment(1, 1, 36);
    m.SetRowHeight(1, 40);
    m.SetText(2, 4, u"预算单位");
    m.Merge({2, 4, 3, 4});
    m.SetText(2, 5, u"编码");
    m.SetText(3, 5, u"名称");
    m.SetText(14, 4, u"金额（元）");
    m.Merge({14, 4, 14, 5});
    m.SetRowHeight(6, 0);
    const char16_t *rows[2][4] = {{u"1", u"001", u"财政局", u"1,234,567.50"},
                                  {u"2", u"201", u"教育局", u"-1,234.50"}};
    for (int i = 0; i < 2; ++i) {
        const int r = 7 + i;
        m.SetText(1, r, rows[i][0]);
        m.SetText(2, r, rows[i][1]);
        m.SetText(3, r, rows[i][2]);
        m.SetText(14, r, rows[i][3]);
        m.SetAlignment(14, r, 34);
    }
    m.Merge({1, 9, 12, 9});
    m.SetText(1, 9, u"合  计");
    m.SetText(5, 9, u"hidden under the merge");
    m.SetText(14, 9, u"1,233,333.00");
    m.SetGridLines({1, 4, 16, 9}, 2);
    for (int c = 4; c <= 13; ++c) m.SetColumnWidth(c, 0);
    m.SetColumnWidth(1, 40);
    m.SetColumnWidth(3, 160);
    m.Page().pageText[1] = QStringLiteral("共&S页第&P页");
    m.Page().orientation = TPageOrientation::Landscape;
    return m;
}

QString Path(const QTemporaryDir &dir, const char *name) { return dir.filePath(QString::fromUtf8(name)); }
}  // namespace

TEST(XlsExport, ReportReadsBackWithTextsNumbersAndLayout) {
    QTemporaryDir dir;
    const QString file = Path(dir, "2010年控制数范围划分建议表组合查询结果.xls");
    const authpay::Outcome r = ExportXls(ReportLikeSheet(), file);
    ASSERT_TRUE(r.Ok()) << r.message.toStdString();
    const QJsonObject book = ReadXlsBack(file);
    ASSERT_FALSE(book.isEmpty());
    EXPECT_EQ(book["nrows"].toInt(), 9);
    EXPECT_EQ(book["ncols"].toInt(), 16);

    const QJsonObject title = XlsCell(book, 1, 1);
    EXPECT_EQ(title["value"].toString(), QStringLiteral("支付范围划分汇总组合查询表"));
    EXPECT_TRUE(title["bold"].toBool());
    EXPECT_EQ(title["height"].toInt(), 320);  // 16 points
    EXPECT_EQ(title["h"].toInt(), 2);         // centred
    EXPECT_EQ(title["v"].toInt(), 1);

    // Amounts are numbers shown with #,##0.00; codes and running numbers stay texts.
    const QJsonObject amount = XlsCell(book, 14, 7);
    EXPECT_EQ(amount["type"].toString(), "number");
    EXPECT_DOUBLE_EQ(amount["value"].toDouble(), 1234567.5);
    EXPECT_EQ(amount["format"].toString(), "#,##0.00");
    EXPECT_EQ(amount["h"].toInt(), 3);  // right
    EXPECT_DOUBLE_EQ(XlsCell(book, 14, 8)["value"].toDouble(), -1234.5);
    for (auto [col, row, text] : {std::tuple{2, 7, "001"}, {2, 8, "201"}, {1, 7, "1"}}) {
        const QJsonObject cell = XlsCell(book, col, row);
        EXPECT_EQ(cell["type"].toString(), "text") << text;
        EXPECT_EQ(cell["value"].toString(), QString(text));
    }
    EXPECT_EQ(XlsCell(book, 3, 8)["value"].toString(), QStringLiteral("教育局"));
    EXPECT_EQ(XlsCell(book, 1, 9)["value"].toString(), QStringLiteral("合  计"));
    // A text under a merge is not shown by the sheet, so it is not exported either.
    EXPECT_EQ(XlsCell(book, 5, 9)["type"].toString(), "blank");

    // Grid lines: thin borders on the ruled cells, also the empty ones; none on the title.
    EXPECT_EQ(XlsCell(book, 16, 7)["borders"].toArray(), QJsonArray({1, 1, 1, 1}));
    EXPECT_EQ(XlsCell(book, 14, 9)["borders"].toArray(), QJsonArray({1, 1, 1, 1}));
    EXPECT_EQ(title["borders"].toArray(), QJsonArray({0, 0, 0, 0}));

    // Merges as (first row, last row + 1, first column, last column + 1), from 0.
    EXPECT_EQ(book["merged"].toArray(),
              QJsonArray({QJsonArray{0, 1, 0, 16}, QJsonArray{3, 4, 1, 3}, QJsonArray{3, 5, 13, 14},
                          QJsonArray{8, 9, 0, 12}}));

    const QJsonObject cols = book["colinfo"].toObject();
    EXPECT_TRUE(cols["3"].toObject()["hidden"].toBool());
    EXPECT_FALSE(cols["2"].toObject()["hidden"].toBool());
    EXPECT_EQ(cols["2"].toObject()["width"].toInt(), biff::ColumnWidthUnits(160));
    EXPECT_LT(cols["0"].toObject()["width"].toInt(), cols["2"].toObject()["width"].toInt());
    const QJsonObject rows = book["rowinfo"].toObject();
    EXPECT_EQ(rows["0"].toObject()["height"].toInt(), 600);  // 40 px = 30 points
    EXPECT_TRUE(rows["5"].toObject()["hidden"].toBool());
    EXPECT_EQ(book["footer"].toString(), QStringLiteral("&C共&N页第&P页"));
    EXPECT_TRUE(book["landscape"].toBool());
    EXPECT_TRUE(book["extsst_ok"].toBool());
}

TEST(XlsExport, LongAndManyStringsCrossRecordBoundaries) {
    TSheetModel m;
    m.SetColumnCount(4);
    m.SetRowCount(3000);
    // Unique Chinese and Latin strings of awkward lengths force CONTINUE records, also splitting
    // strings inside their characters; the longest texts a cell can hold come last.
    for (int r = 1; r <= 3000; ++r) {
        m.SetText(1, r, QStringLiteral("预算项目名称%1").arg(r).repeated(1 + r % 7));
        m.SetText(2, r, QStringLiteral("item %1 ").arg(r).repeated(1 + r % 5));
    }
    const QString longCjk = QStringLiteral("长").repeated(kSheetMaxTextLength);
    const QString longLatin = QString(kSheetMaxTextLength, QLatin1Char('x'));
    m.SetText(3, 1, longCjk);
    m.SetText(4, 1, longLatin);
    m.SetText(3, 2, QString());  // empty texts are simply absent
    QTemporaryDir dir;
    const QString file = Path(dir, "long.xls");
    ASSERT_TRUE(ExportXls(m, file).Ok());
    const QJsonObject book = ReadXlsBack(file);
    for (int r : {1, 2, 7, 1234, 2999, 3000}) {
        EXPECT_EQ(XlsCell(book, 1, r)["value"].toString(), m.Text(1, r).toString()) << r;
        EXPECT_EQ(XlsCell(book, 2, r)["value"].toString(), m.Text(2, r).toString()) << r;
    }
    EXPECT_GT(book["continues"].toInt(), 10);
    EXPECT_LE(book["max_record"].toInt(), 8224);
    EXPECT_TRUE(book["extsst_ok"].toBool());
    EXPECT_EQ(XlsCell(book, 3, 1)["value"].toString(), longCjk);
    EXPECT_EQ(XlsCell(book, 4, 1)["value"].toString(), longLatin);
}

TEST(XlsExport, FullHeightSheetNeedsTheAllocationTableExtension) {
    // 65,536 rows of eight amounts make a stream of about 10 MB: more allocation-table sectors than
    // the header can list, so the extension sectors must be right for the file to open.
    TSheetModel m;
    m.SetColumnCount(8);
    m.SetRowCount(biff::kMaxXlsRows);
    for (int r = 1; r <= m.RowCount(); ++r)
        for (int c = 1; c <= 8; ++c) m.SetText(c, r, QStringLiteral("%1.25").arg(r % 1000));
    m.SetText(1, biff::kMaxXlsRows, u"last");
    EXPECT_GT(cfb::PlanLayout(BuildWorkbookStream(m).size()).difatSectors, 0u);
    QTemporaryDir dir;
    const QString file = Path(dir, "tall.xls");
    ASSERT_TRUE(ExportXls(m, file).Ok());
    const QJsonObject book = ReadXlsBack(file, false);
    EXPECT_EQ(book["nrows"].toInt(), biff::kMaxXlsRows);
    EXPECT_EQ(book["ncols"].toInt(), 8);
}

TEST(XlsExport, EmptySheetIsAValidWorkbook) {
    QTemporaryDir dir;
    const QString file = Path(dir, "empty.xls");
    ASSERT_TRUE(ExportXls(TSheetModel(), file).Ok());
    const QJsonObject book = ReadXlsBack(file);
    EXPECT_EQ(book["sheets"].toInt(), 1);
    EXPECT_EQ(book["nrows"].toInt(), 0);
    EXPECT_EQ(QFileInfo(file).size() % 512, 0);
}

TEST(XlsExport, RefusalsLeaveTheTargetUntouched) {
    QTemporaryDir dir;
    const QString file = Path(dir, "old.xls");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("previous export");
    }
    TSheetModel tall;
    tall.SetRowCount(biff::kMaxXlsRows + 1);
    authpay::Outcome r = ExportXls(tall, file);
    EXPECT_EQ(r.code, kXlsTooManyRows);
    EXPECT_TRUE(r.message.contains("65537")) << r.message.toStdString();

    TSheetModel wide;
    wide.SetColumnCount(biff::kMaxXlsColumns + 1);
    EXPECT_EQ(ExportXls(wide, file).code, kXlsTooManyColumns);
    EXPECT_EQ(ExportXls(TSheetModel(), dir.path()).code, kXlsTargetIsFolder);
    EXPECT_EQ(ExportXls(TSheetModel(), "  ").code, kXlsNoFileName);

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "previous export");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.xls"});
}

TEST(XlsExport, UnwritablePlacesAreReportedNotCreated) {
    // /proc takes no new files even for root; a missing folder is never created.
    for (const QString &file : {QStringLiteral("/proc/authpay-export.xls"),
                               QDir::tempPath() + "/authpay-no-such-folder/x.xls"}) {
        const authpay::Outcome r = ExportXls(TSheetModel(), file);
        EXPECT_EQ(r.code, kXlsWriteFailed) << file.toStdString();
        EXPECT_TRUE(r.message.contains(file));
        EXPECT_FALSE(QFileInfo::exists(file));
    }
}

TEST(XlsExport, ReadOnlyFolderIsReported) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders (covered above by /proc)";
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(ExportXls(TSheetModel(), dir.filePath("x.xls")).code, kXlsWriteFailed);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(XlsExport, UnitConversionsAndFooterText) {
    EXPECT_EQ(biff::ColumnWidthUnits(0), 0);
    EXPECT_EQ(biff::ColumnWidthUnits(7), 256);
    EXPECT_EQ(biff::ColumnWidthUnits(100000), 65535);
    EXPECT_EQ(biff::RowHeightTwips(20), 300);
    EXPECT_EQ(biff::RowHeightTwips(kSheetMaxRowHeight), 8190);
    const QString parts[3] = {"R&D", "", "共&S页第&P页&&"};
    EXPECT_EQ(biff::FooterText(parts), QStringLiteral("&LR&&D&R共&N页第&P页&&"));
    EXPECT_EQ(biff::PaperCode("a3"), 8);
    EXPECT_EQ(biff::PaperCode("unknown"), 9);
}

// The page header is written empty, not left out: a program that misses it prints a header of
// its own (the sheet's name) on every page.
TEST(XlsExport, NoProgramPrintsAHeaderOfItsOwn) {
    if (QStandardPaths::findExecutable(QStringLiteral("ssconvert")).isEmpty()) GTEST_SKIP() << "gnumeric is not installed";
    QTemporaryDir dir;
    TSheetModel model = ReportLikeSheet();
    model.SheetName = QStringLiteral("组合查询结果");
    ASSERT_TRUE(ExportXls(model, Path(dir, "h.xls")).Ok());
    QProcess convert;
    convert.start(QStringLiteral("ssconvert"), {Path(dir, "h.xls"), Path(dir, "h.pdf")});
    ASSERT_TRUE(convert.waitForFinished(120000) && convert.exitCode() == 0);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {"-l", "1", Path(dir, "h.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(page.contains(QStringLiteral("财政局"))) << page.toStdString();
    EXPECT_FALSE(page.contains(model.SheetName)) << page.toStdString();
}

TEST(CompoundFile, LayoutGrowsTheTablesWithTheStream) {
    const cfb::TLayout small = cfb::PlanLayout(10);
    EXPECT_EQ(small.streamSectors, 8u);  // padded to the 4096-byte cut-off
    EXPECT_EQ(small.fatSectors, 1u);
    EXPECT_EQ(small.difatSectors, 0u);
    EXPECT_EQ(small.directorySector, 9u);
    // 109 table sectors cover 13,952 sectors; one more stream sector needs an extension sector.
    const uint64_t limit = (109ull * 128 - 109 - 1) * 512;
    EXPECT_EQ(cfb::PlanLayout(limit).difatSectors, 0u);
    const cfb::TLayout big = cfb::PlanLayout(limit + 1);
    EXPECT_EQ(big.fatSectors, 110u);
    EXPECT_EQ(big.difatSectors, 1u);
    for (uint64_t bytes : {uint64_t(5000), limit, limit + 1, uint64_t(300) << 20}) {
        const cfb::TLayout l = cfb::PlanLayout(bytes);
        EXPECT_GE(uint64_t(l.fatSectors) * 128, l.TotalSectors()) << bytes;
        EXPECT_GE(uint64_t(l.streamSectors) * 512, bytes);
    }
}
