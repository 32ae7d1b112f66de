// Preview, print and PDF: the pages a long result makes, the heading repeated on each, the page
// text with its numbers, the dialogs shown and closed, and PDF targets that cannot be written.
#include "report/PrintChoices.h"
#include "report/ReportSheet.h"
#include "report/SheetPageRenderer.h"
#include "report/WindowWrites.h"

#include <QApplication>
#include <QDialog>
#include "report/SheetPreview.h"

#include <QAction>
#include <QLabel>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <cmath>
#include <sys/stat.h>

using namespace window_writes;

namespace {
QString Run(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString &pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression(R"(Pages:\s+(\d+))").match(Run("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString PdfText(const QString &pdf, int page) {
    // Blanks vary with the layout; compare texts without them.
    return Run("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), "-layout", pdf, "-"})
        .remove(QRegularExpression(R"(\s)"));
}

// Runs `act` on the modal dialog that opens next, then closes it.
void OnNextDialog(std::function<void(QDialog *)> act) {
    QTimer::singleShot(300, [act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
        dialog->reject();
    });
}
// The user's configuration in a folder of the test's own, for as long as it lives.
struct TOwnConfig {
    QTemporaryDir dir;
    TOwnConfig() { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
    ~TOwnConfig() { qunsetenv("XDG_CONFIG_HOME"); }
};

// Six groupings: wider than an A4 landscape page.
void ShowWideResult(TReportSheet &s, int rows) {
    ShowWindowResult(s, SampleRows(rows));
    for (int k = 4; k <= 6; ++k) ChooseDimension(s, k, QStringLiteral("预算项目"));
    WriteResult(s, SampleRows(rows));
}
}  // namespace

TEST(SheetPrint, LongResultBreaksIntoPagesWithHeadingAndPageText) {
    TReportSheet s;
    ShowWindowResult(s, SampleRows(120));
    s.SheetPageText("", QStringLiteral("共&S页第&P页"), "");
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("预览.pdf"));
    s.SetPrintFile(pdf);
    ASSERT_EQ(s.SheetPreview(0, 0), 1) << s.Preview().message.toStdString();
    const int pages = PdfPages(pdf);
    ASSERT_GE(pages, 3);
    for (int p = 1; p <= pages; ++p) {
        const QString text = PdfText(pdf, p);
        EXPECT_TRUE(text.contains(QStringLiteral("共%1页第%2页").arg(pages).arg(p))) << p;
        // Rows 4 and 5 on every page: the headings of the amount and the dimensions.
        EXPECT_TRUE(text.contains(QStringLiteral("金额（元）"))) << p;
        EXPECT_TRUE(text.contains(QStringLiteral("预算科目"))) << p;
    }
    EXPECT_TRUE(PdfText(pdf, 1).contains(QStringLiteral("支付范围划分汇总组合查询表")));
    EXPECT_FALSE(PdfText(pdf, 2).contains(QStringLiteral("支付范围划分汇总组合查询表")));
    EXPECT_TRUE(PdfText(pdf, pages).contains(QStringLiteral("合计")));
    EXPECT_TRUE(PdfText(pdf, 1).contains(QStringLiteral("1,234,567.50")));
    if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
        QFile::copy(pdf, qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + "/preview.pdf");
}

TEST(SheetPrint, WideSheetAlsoBreaksByColumns) {
    TReportSheet s;
    ShowWindowResult(s, SampleRows(5));
    for (int k = 4; k <= 6; ++k) ChooseDimension(s, k, QStringLiteral("预算项目"));
    WriteResult(s, SampleRows(5));
    s.SheetFreeze(3, 5);  // as the windows freeze their row labels, which the pages across repeat
    TSheetPageRenderer renderer(s.Model());
    const auto pages = renderer.Pages(QSizeF(1000, 600));
    ASSERT_GE(pages.size(), 2u);
    EXPECT_EQ(pages[0].columns.first, 1);
    EXPECT_EQ(pages[1].columns.first, pages[0].columns.last + 1);
    EXPECT_TRUE(!pages[0].repeatColumns && pages[1].repeatColumns);
    QTemporaryDir dir;
    s.SetPrintFile(dir.filePath("wide.pdf"));
    s.SheetPageText("", "", QStringLiteral("第&P页"));
    ASSERT_EQ(s.SheetPrint(0, 0), 1);
    EXPECT_EQ(PdfPages(dir.filePath("wide.pdf")), 2);
    const QString across = PdfText(dir.filePath("wide.pdf"), 2);
    EXPECT_TRUE(across.contains(QStringLiteral("第2页（纵1/1横2/2）"))) << across.toStdString();
    for (int col : {2, 3}) EXPECT_TRUE(across.contains(s.Model().Text(col, 7).toString())) << col;
}

TEST(SheetPrint, UnwritablePdfTargetsFailCleanly) {
    TReportSheet s;
    ShowWindowResult(s, SampleRows(3));
    QTemporaryDir dir;
    for (const QString &target : {dir.path(), QStringLiteral("/proc/authpay.pdf"), dir.filePath("no/such/dir.pdf")}) {
        s.SetPrintFile(target);
        EXPECT_EQ(s.SheetPrint(0, 0), -1) << target.toStdString();
        EXPECT_FALSE(s.Print().message.isEmpty());
        EXPECT_EQ(s.SheetPreview(0, 0), -1);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST(SheetPrint, EmptySheetPrintsOneBlankPage) {
    TReportSheet s;
    QTemporaryDir dir;
    s.SetPrintFile(dir.filePath("empty.pdf"));
    s.SheetPageText(QStringLiteral("第&P页"), "", "");
    ASSERT_EQ(s.SheetPrint(0, 0), 1);
    EXPECT_EQ(PdfPages(dir.filePath("empty.pdf")), 1);
}

TEST(SheetPrint, PreviewDialogShowsThePages) {
    TReportSheet s;
    ShowWindowResult(s, SampleRows(60));
    s.SheetPageText("", QStringLiteral("共&S页第&P页"), "");
    s.SheetPreviewOption(1);
    int shownPages = 0;
    OnNextDialog([&](QDialog *dialog) {
        auto *preview = dialog->findChild<TSheetPreviewPages *>();
        ASSERT_NE(preview, nullptr);
        shownPages = preview->PageCount();
        EXPECT_EQ(preview->Zoom(), TSheetPreviewPages::TZoom::FitPage);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("打印预览"));
        if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
            dialog->grab().save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + "/preview-dialog.png");
    });
    EXPECT_EQ(s.SheetPreview(0, 0), 1);
    EXPECT_GE(shownPages, 2);
}

// A long report: the preview lays out as many pages as the PDF has, draws only those it shows, and
// the keys and the page box move through them.
TEST(SheetPrint, PreviewOfALongReportDrawsOnlyWhatItShows) {
    TReportSheet s;
    ShowWindowResult(s, SampleRows(6000));
    s.SheetPageText("", QStringLiteral("共&S页第&P页"), "");
    QTemporaryDir dir;
    s.SetPrintFile(dir.filePath("long.pdf"));
    ASSERT_EQ(s.SheetPrint(0, 0), 1);
    const int pdfPages = PdfPages(dir.filePath("long.pdf"));
    s.SetPrintFile(QString());
    s.SheetPreviewOption(1);
    OnNextDialog([&](QDialog *dialog) {
        auto *preview = dialog->findChild<TSheetPreviewPages *>();
        auto *box = dialog->findChild<QSpinBox *>(QStringLiteral("pageBox"));
        ASSERT_TRUE(preview && box);
        preview->viewport()->repaint();
        EXPECT_EQ(preview->PageCount(), pdfPages);
        EXPECT_LE(preview->PagesDrawn(), 3);
        QTest::keyClick(preview, Qt::Key_End);
        preview->viewport()->repaint();
        EXPECT_EQ(preview->CurrentPage(), pdfPages);
        EXPECT_EQ(box->value(), pdfPages);
        box->setValue(100);
        EXPECT_EQ(preview->CurrentPage(), 100);
        QTest::keyClick(preview, Qt::Key_PageDown);
        EXPECT_EQ(box->value(), 101);
        preview->viewport()->repaint();
        EXPECT_LE(preview->PagesDrawn(), 8);
    });
    EXPECT_EQ(s.SheetPreview(0, 0), 1);
}

TEST(SheetPrint, CancelledPrintDialogPrintsNothing) {
    TReportSheet s;
    ShowWindowResult(s, SampleRows(3));
    bool shown = false;
    OnNextDialog([&](QDialog *) { shown = true; });
    EXPECT_EQ(s.SheetPrint(0, 0), 0);
    EXPECT_TRUE(shown);
}

// Fitted to the page width, the wide sheet prints every column, the running number and the amount
// on one page, and the page text counts the pages so made; off again, the pages are as before.
TEST(SheetPrint, FitToWidthPrintsEveryColumnOnOnePage) {
    const TOwnConfig config;
    TReportSheet s;
    EXPECT_FALSE(s.FitToWidth());
    ShowWideResult(s, 5);
    s.SheetPageText("", "", QStringLiteral("共&S页第&P页"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath("fit.pdf");
    s.SetPrintFile(pdf);
    EXPECT_EQ(s.SheetPageCount(), 2);
    s.SetFitToWidth(true);
    EXPECT_EQ(s.SheetPageCount(), 1);
    ASSERT_EQ(s.SheetPrint(0, 0), 1) << s.Print().message.toStdString();
    EXPECT_EQ(PdfPages(pdf), 1);
    const QString text = PdfText(pdf, 1);
    for (const QString &part : {QStringLiteral("序号"), QStringLiteral("预算项目"), QStringLiteral("金额（元）"),
                                QStringLiteral("1,234,567.50"), QStringLiteral("共1页第1页")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString();
    // A template opened again keeps the choice; off, the sheet goes back to two pages.
    ShowWideResult(s, 5);
    EXPECT_TRUE(s.Model().Page().fitToWidth);
    s.SetFitToWidth(false);
    ASSERT_EQ(s.SheetPreview(0, 0), 1);
    EXPECT_EQ(PdfPages(pdf), 2);
    EXPECT_FALSE(SavedFitToWidth());  // only the preview's choice is kept
}

// "适合页宽" clicked in the preview lays the pages out again, the page box and count follow, and
// the choice is kept for the sheets made afterwards.
TEST(SheetPrint, PreviewFitToWidthChoiceIsAppliedAndRemembered) {
    const TOwnConfig config;
    TReportSheet s;
    ShowWideResult(s, 300);
    const int unfitted = s.SheetPageCount();
    int fitted = 0;
    OnNextDialog([&](QDialog *dialog) {
        auto *preview = dialog->findChild<TSheetPreviewPages *>();
        auto *box = dialog->findChild<QSpinBox *>(QStringLiteral("pageBox"));
        auto *count = dialog->findChild<QLabel *>(QStringLiteral("pageCountLabel"));
        auto *fit = dialog->findChild<QAction *>(QStringLiteral("actFitWidth"));
        ASSERT_TRUE(preview && box && count && fit);
        EXPECT_EQ(preview->PageCount(), unfitted);
        EXPECT_FALSE(fit->isChecked());
        QWidget *button = dialog->findChild<QToolBar *>()->widgetForAction(fit);
        QTest::keyClick(preview, Qt::Key_End);
        QTest::mouseClick(button, Qt::LeftButton);
        fitted = preview->PageCount();
        EXPECT_EQ(box->maximum(), fitted);
        EXPECT_EQ(box->value(), fitted);  // still at the end of the report
        EXPECT_EQ(count->text(), QStringLiteral(" / 共%1页 ").arg(fitted));
        if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
            dialog->grab().save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + "/preview-fit-width.png");
    });
    EXPECT_EQ(s.SheetPreview(0, 0), 1);
    EXPECT_GT(fitted, 0);
    EXPECT_LT(fitted, unfitted / 2);
    EXPECT_TRUE(s.FitToWidth());
    EXPECT_EQ(s.SheetPageCount(), fitted);
    EXPECT_TRUE(SavedFitToWidth());
    EXPECT_TRUE(TReportSheet().FitToWidth());
    // A pipe in place of the file is neither read nor written over.
    QFile::remove(PrintChoicesFile());
    ASSERT_EQ(mkfifo(QFile::encodeName(PrintChoicesFile()).constData(), 0600), 0);
    EXPECT_FALSE(TReportSheet().FitToWidth());
    EXPECT_FALSE(SaveFitToWidth(true));
    EXPECT_FALSE(QFileInfo(PrintChoicesFile()).isFile());
}

namespace {

// 页面设置 in the preview, grouped with 适合页宽 apart from the zoom choices: A3 landscape with a
// wider top margin lays the pages out on that paper and is kept for the sheets made afterwards;
// the tool bar is reached with Tab and Ctrl+P prints from it.
TEST(SheetPrint, PreviewPageSetupIsAppliedAndRemembered) {
    const TOwnConfig config;
    TReportSheet s;
    ShowWideResult(s, 300);
    const int portrait = s.SheetPageCount();
    TPageChoice chosen = PageChoiceOf(s.Model().Page());  // the template's, but for what is chosen
    chosen.paper = QStringLiteral("A3");
    chosen.orientation = TPageOrientation::Landscape;
    chosen.marginTop = 25;
    int laidOut = 0;
    OnNextDialog([&](QDialog *dialog) {
        auto *preview = dialog->findChild<TSheetPreviewPages *>();
        auto *setup = dialog->findChild<QAction *>(QStringLiteral("actPageSetup"));
        auto *print = dialog->findChild<QAction *>(QStringLiteral("actPrint"));
        ASSERT_TRUE(preview && setup && print && setup->isEnabled());
        EXPECT_EQ(print->shortcut(), QKeySequence(QKeySequence::Print));
        for (QToolButton *b : dialog->findChild<QToolBar *>()->findChildren<QToolButton *>())
            EXPECT_EQ(b->focusPolicy(), Qt::TabFocus) << b->text().toStdString();
        QTimer::singleShot(100, [] {
            auto *page = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(page && page->objectName() == QStringLiteral("authpayPageSetup"));
            page->findChild<QComboBox *>(QStringLiteral("paper"))->setCurrentText(QStringLiteral("A3"));
            auto *landscape = page->findChild<QRadioButton *>(QStringLiteral("landscape"));
            QTest::mouseClick(landscape, Qt::LeftButton);
            page->findChild<QDoubleSpinBox *>(QStringLiteral("marginTop"))->setValue(25);
            page->accept();
        });
        setup->trigger();
        laidOut = preview->PageCount();
    });
    EXPECT_EQ(s.SheetPreview(0, 0), 1);
    EXPECT_GT(laidOut, 0);
    EXPECT_LT(laidOut, portrait);
    EXPECT_EQ(s.SheetPageCount(), laidOut);
    EXPECT_EQ(PageChoiceOf(s.Model().Page()), chosen);
    EXPECT_EQ(SavedPageChoice(), chosen);
    TReportSheet later;
    ShowWideResult(later, 5);
    EXPECT_EQ(PageChoiceOf(later.Model().Page()), chosen);

    // A saved choice out of bounds is read within them; an unknown paper is A4.
    TPageSetup page;
    ApplyPageChoice(page, {QStringLiteral(" legal "), TPageOrientation::Portrait, -5, 500, std::nan(""), 10});
    EXPECT_EQ(PageChoiceOf(page), (TPageChoice{QStringLiteral("Legal"), TPageOrientation::Portrait, 0, 100, 15, 10}));
    ApplyPageChoice(page, {QStringLiteral("Tabloid"), TPageOrientation::Landscape, 1, 2, 3, 4});
    EXPECT_EQ(page.paper, QStringLiteral("A4"));
}

}  // namespace
