// What leaves the window: the workbook written through the save dialog and read back with xlrd,
// and the preview and printout written to PDF files.
#include "query/QueryWindow.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"
#include "report/XlsReadBack.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

namespace {

const QString kExported = QStringLiteral("数据导出成功。");

class ApportionOutputTest : public TQueryWindowTest {
protected:
    void SetUp() override {
        Open(TBackend::SQLite);
        if (IsSkipped()) return;
        Choose(w->cmbNum[1], QStringLiteral("资金性质"));
        Refresh();
        ASSERT_GT(RowCount(), 8);
    }
    // Exports with the given name typed into the save dialog; the messages shown.
    QStringList ExportAs(const QString &name) {
        answers.saveAs = name;
        answers.boxes.clear();
        Click(w->tbtnExcel);
        answers.saveAs.clear();
        QStringList texts;
        for (const auto &b : answers.boxes) texts << b.text;
        return texts;
    }
};

TEST_F(ApportionOutputTest, TheExportedWorkbookHoldsTheSheet) {
    const QString file = tmp.filePath(QStringLiteral("汇总.xls"));
    EXPECT_EQ(ExportAs(file), QStringList{kExported});
    EXPECT_EQ(answers.boxes.value(0).title, QStringLiteral("Kestrelbay 7.1-提示信息"));
    EXPECT_EQ(answers.boxes.value(0).icon, QMessageBox::Information);
    EXPECT_EQ(answers.suggestedName, QStringLiteral("2010年控制数范围划分建议表组合查询结果"));
    EXPECT_EQ(answers.saveFilters, QStringList({QStringLiteral("文件类型 (*.xls)"), QStringLiteral("Excel 工作簿 (*.xlsx)"),
                                                QStringLiteral("CSV UTF-8 (*.csv)")}));
    EXPECT_TRUE(w->cllBudget->WorkbookReadonly());
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".xls")));

    const QJsonObject book = ReadXlsBack(file);
    const int totals = RowCount() - 1;
    EXPECT_EQ(book["nrows"].toInt(), totals);
    EXPECT_EQ(XlsCell(book, 1, totals)["value"].toString(), QStringLiteral("合  计"));
    EXPECT_EQ(XlsCell(book, 5, 7)["value"].toString(), Cell(5, 7));
    // The amounts are numbers in the workbook, the same as the sheet shows.
    const QJsonObject total = XlsCell(book, 14, totals);
    double shown = 0;
    ASSERT_TRUE(ParseAmountText(Cell(14, totals), &shown));
    if (total["type"].toString() == QLatin1String("number")) EXPECT_DOUBLE_EQ(total["value"].toDouble(), shown);
    else EXPECT_EQ(total["value"].toString(), Cell(14, totals));
}

TEST_F(ApportionOutputTest, XlsIsAppendedOnlyToANameWithoutIt) {
    EXPECT_EQ(ExportAs(tmp.filePath(QStringLiteral("plain"))), QStringList{kExported});
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath(QStringLiteral("plain.xls"))));
    EXPECT_EQ(ExportAs(tmp.filePath(QStringLiteral("upper.XLS"))), QStringList{kExported});
    const QStringList files = QDir(tmp.path()).entryList({QStringLiteral("upper*")}, QDir::Files);
    EXPECT_EQ(files, QStringList{QStringLiteral("upper.XLS")});
}

// A name without an extension gets the one of the type chosen in the dialog; a name with a known
// extension is written as that type, whichever type the list shows.
TEST_F(ApportionOutputTest, TheChosenTypeDecidesTheFile) {
    answers.saveType = QStringLiteral("CSV UTF-8 (*.csv)");
    EXPECT_EQ(ExportAs(tmp.filePath(QStringLiteral("plain"))), QStringList{kExported});
    QFile csv(tmp.filePath(QStringLiteral("plain.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().startsWith("\xEF\xBB\xBF\"" + QStringLiteral("支付范围划分汇总组合查询表").toUtf8()));
    EXPECT_EQ(ExportAs(tmp.filePath(QStringLiteral("named.xlsx"))), QStringList{kExported});
    answers.saveType.clear();
    const QJsonObject book = ReadXlsBack(tmp.filePath(QStringLiteral("named.xlsx")));
    EXPECT_EQ(book["nrows"].toInt(), RowCount() - 1);
    EXPECT_EQ(book["print_titles"].toString(), "4:5");
    EXPECT_EQ(book["print_title_columns"].toString(), "1:3");  // the row labels on every page across
    EXPECT_EQ(book["footer"].toString(), QStringLiteral("&R共&N页第&P页"));
}

// The done box names the file and offers to open it or its folder (OK stays the default); the
// next save dialog opens in the folder and with the type of that export.
TEST_F(ApportionOutputTest, TheNextExportStartsWhereTheLastEnded) {
    const QString folder = tmp.filePath(QStringLiteral("reports"));
    ASSERT_TRUE(QDir().mkpath(folder));
    answers.saveType = QStringLiteral("CSV UTF-8 (*.csv)");
    EXPECT_EQ(ExportAs(folder + QStringLiteral("/first")), QStringList{kExported});
    answers.saveType.clear();
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].informative, QStringLiteral("文件：") + folder + QStringLiteral("/first.csv"));
    EXPECT_TRUE(answers.boxes[0].buttons.contains(QStringLiteral("打开文件")));
    EXPECT_TRUE(answers.boxes[0].buttons.contains(QStringLiteral("打开所在文件夹")));
    EXPECT_TRUE(ExportAs(QString()).isEmpty());  // the dialog looked at, then cancelled
    EXPECT_EQ(answers.saveFolder, folder);
    EXPECT_EQ(answers.saveFilter, QStringLiteral("CSV UTF-8 (*.csv)"));
}

// Where the remembered choices cannot be written, the first export says so (once), and exports.
TEST_F(ApportionOutputTest, AChoiceThatCannotBeKeptIsToldOnce) {
    const QString folder = tmp.filePath(QStringLiteral("user-config/authpay"));
    QDir(folder).removeRecursively();
    QFile blocker(folder);  // a file where the folder goes
    ASSERT_TRUE(QDir().mkpath(tmp.filePath(QStringLiteral("user-config"))) && blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QStringList first = ExportAs(tmp.filePath(QStringLiteral("a.xls")));
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[0], QStringLiteral("这一选择未能保存，下次打开时不会记住。"));
    EXPECT_EQ(first[1], kExported);
    EXPECT_EQ(ExportAs(tmp.filePath(QStringLiteral("b.xls"))), QStringList{kExported});
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath(QStringLiteral("b.xls"))));
}

// A name typed without ".xls" is checked as the file that is written: the dialog asks before
// an existing workbook is replaced, and "No" leaves it as it was.
TEST_F(ApportionOutputTest, AnExistingWorkbookIsReplacedOnlyWhenTheUserSaysSo) {
    const QString file = tmp.filePath(QStringLiteral("old.xls"));
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("kept") == 4);
    old.close();
    EXPECT_TRUE(ExportAs(tmp.filePath(QStringLiteral("old"))).isEmpty());
    ASSERT_EQ(answers.replaceQuestions.size(), 1);
    EXPECT_TRUE(answers.replaceQuestions[0].contains(QStringLiteral("old.xls"))) << answers.replaceQuestions[0].toStdString();
    EXPECT_EQ(QFileInfo(file).size(), 4);

    answers.replace = true;
    EXPECT_EQ(ExportAs(tmp.filePath(QStringLiteral("old"))), QStringList{kExported});
    EXPECT_EQ(ReadXlsBack(file)["nrows"].toInt(), RowCount() - 1);
}

TEST_F(ApportionOutputTest, TheSuggestedNameFollowsTheIndicatorTypeAndCancelWritesNothing) {
    Choose(w->cobType, QStringLiteral("临时指标"));
    // The sheet is the result of the other type now: written out only when the user says so.
    answers.yesTo << QStringLiteral("查询条件已改变，报表中仍是上次刷新的结果。\n仍要输出这份结果吗？");
    EXPECT_EQ(ExportAs(QString()).size(), 1);
    EXPECT_EQ(answers.saveDialogs, 1);
    EXPECT_EQ(answers.suggestedName, QStringLiteral("2010年临时指标范围划分建议表组合查询结果"));
    EXPECT_TRUE(QDir(tmp.path()).entryList({QStringLiteral("*.xls")}, QDir::Files).isEmpty());
    EXPECT_TRUE(w->cllBudget->WorkbookReadonly());
}

TEST_F(ApportionOutputTest, AFailedExportSaysSo) {
    const QString file = tmp.filePath(QStringLiteral("missing/folder/out.xls"));
    const QStringList texts = ExportAs(file);
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("数据导出失败"))) << texts[0].toStdString();
    EXPECT_GT(texts[0].size(), QStringLiteral("数据导出失败：").size());
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(w->cllBudget->WorkbookReadonly());
}

TEST_F(ApportionOutputTest, PreviewAndPrintWritePdfFilesWithTheirPageTexts) {
    const QString preview = tmp.filePath(QStringLiteral("preview.pdf"));
    const QString printout = tmp.filePath(QStringLiteral("print.pdf"));
    w->SetPrintFile(preview);
    Click(w->tbnPrintView);
    const TPageSetup &page = w->cllBudget->Model().Page();
    EXPECT_EQ(page.pageText[1], QStringLiteral("共&S页第&P页"));
    EXPECT_TRUE(page.pageText[2].isEmpty());
    w->SetPrintFile(printout);
    Click(w->tbnPrint);
    EXPECT_TRUE(page.pageText[1].isEmpty());
    EXPECT_EQ(page.pageText[2], QStringLiteral("共&S页第&P页"));
    EXPECT_TRUE(answers.boxes.isEmpty());
    for (const QString &pdf : {preview, printout}) {
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << pdf.toStdString();
        EXPECT_TRUE(f.read(5) == "%PDF-") << pdf.toStdString();
    }
}

}  // namespace
