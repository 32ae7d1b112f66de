// Report sheet benchmark: 65,536 rows of 16 cells appended through the sheet's operations, the
// Excel export of that sheet, and libxlsxwriter writing the same cells to .xlsx in the same run.
// Prints cells per second, seconds, the export/libxlsxwriter ratio and the peak memory.
// With --pdf-gap: how long the event loop waits at most while a 100,000-row PDF is written.
// With --chart-data: the chart figures of a 100,000-group result (ChartFigures.cpp).
#include "ChartFigures.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"
#include "report/SheetPageRenderer.h"
#include "report/SheetPdf.h"
#include "report/xls/XlsExport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/resource.h>
#include <cstdio>
#include <vector>
#ifdef AUTHPAY_HAVE_XLSXWRITER
#include <xlsxwriter.h>
#endif

namespace {
constexpr int kRows = 65536;
constexpr int kColumns = 16;

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The texts of row r: running number, six code/name pairs, the amount, a remark.
struct TRowTexts {
    std::vector<QString> pool;  // codes and names, reused across rows as a result set repeats them
    QString Cell(int r, int c) const {
        if (c == 1) return QString::number(r);
        if (c == 14) return FormatAmountText(1234.5 + r * 97.25);
        return pool[size_t((r * 7 + c * 13) % int(pool.size()))];
    }
};

TRowTexts MakeTexts() {
    TRowTexts t;
    const QStringList names = {QStringLiteral("市财政局"), QStringLiteral("一般预算"), QStringLiteral("行政运行"),
                               QStringLiteral("直接支付"), QStringLiteral("基本支出"), QStringLiteral("办公设备购置")};
    for (int i = 0; i < 2000; ++i)
        t.pool.push_back(i % 2 ? names[i % names.size()] + QString::number(i)
                               : QStringLiteral("%1").arg(i + 1001, 6, 10, QLatin1Char('0')));
    return t;
}

double Seconds(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e9; }

// --pdf-gap: a query result of 100,000 rows written as a PDF, once straight through (the
// reference) and once through the shown sheet, as the window prints it, while a 1 ms timer notes
// the largest gap between two turns of the event loop.
int PdfGap() {
    constexpr int kPdfRows = 100000;
    const TRowTexts texts = MakeTexts();
    TReportSheet sheet;
    sheet.SheetSetRowCount(kPdfRows + 1, 0);
    for (int r = 1; r <= kPdfRows; ++r)
        for (int c = 1; c <= 8; ++c) sheet.SheetSetText(c, r, 0, texts.Cell(r, c == 8 ? 14 : c));
    sheet.SheetGridLines(1, 1, 8, kPdfRows, 0, 2, -1);
    sheet.SheetPageText(QString(), QString(), QStringLiteral("共&S页第&P页"));
    QTemporaryDir dir(QDir::tempPath() + "/bench-report-XXXXXX");
    QElapsedTimer timer;
    timer.start();
    if (const authpay::Outcome pdf = WriteSheetPdf(sheet.Model(), dir.filePath("reference.pdf")); !pdf.Ok()) {
        std::fprintf(stderr, "pdf failed: %s\n", qPrintable(pdf.message));
        return 1;
    }
    const double reference = Seconds(timer) * 1000;

    sheet.resize(800, 600);
    sheet.show();
    QCoreApplication::processEvents();
    sheet.SetPrintFile(dir.filePath("shown.pdf"));
    qint64 last = 0, gap = 0;
    QTimer ticks;
    ticks.setInterval(1);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        gap = std::max(gap, timer.nsecsElapsed() - last);
        last = timer.nsecsElapsed();
    });
    ticks.start();
    timer.restart();
    const authpay::Outcome printed = sheet.Print();
    gap = std::max(gap, timer.nsecsElapsed() - last);
    const double shown = Seconds(timer) * 1000;
    if (!printed.Ok()) {
        std::fprintf(stderr, "printing failed: %s\n", qPrintable(printed.message));
        return 1;
    }
    std::printf("pdf event-loop gap: %.0f ms, reference %.0f ms, ratio %.4f\n", double(gap) / 1e6, reference,
                double(gap) / 1e6 / reference);
    std::printf("pdf with progress: %.0f ms (%.1f%% over the reference)\n", shown, (shown / reference - 1) * 100);
    return 0;
}
}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--pdf-gap") == 0) return PdfGap();
    if (argc > 1 && qstrcmp(argv[1], "--chart-data") == 0) return ChartFiguresBench();
    const TRowTexts texts = MakeTexts();
    const long baseKb = PeakKb();

    TReportSheet sheet;
    QElapsedTimer timer;
    timer.start();
    for (int r = 1; r <= kRows; ++r) {
        sheet.SheetSetRowCount(sheet.SheetRowCount(0) + 1, 0);
        const int row = sheet.SheetRowCount(0) - 1;
        for (int c = 1; c <= kColumns; ++c) {
            sheet.SheetSetText(c, row, 0, texts.Cell(r, c));
            sheet.SheetAlign(c, row, 0, c == 14 ? 34 : 33);
        }
    }
    const double append = Seconds(timer);
    const double cells = double(kRows) * kColumns;

    timer.restart();
    for (int r = 1; r <= kRows; ++r) sheet.SheetRowHeight(1, sheet.SheetPreferredRowHeight(r), r, 0);
    const double heights = Seconds(timer);

    QTemporaryDir dir(QDir::tempPath() + "/bench-report-XXXXXX");
    timer.restart();
    const authpay::Outcome result = sheet.ExportFile(dir.filePath("sheet.xls"), TExportType::Xls);
    const double exportSeconds = Seconds(timer);
    const long peakKb = PeakKb();
    if (!result.Ok()) {
        std::fprintf(stderr, "export failed: %s\n", qPrintable(result.message));
        return 1;
    }

    std::printf("rows x columns             : %d x %d (%.0f cells)\n", kRows, kColumns, cells);
    std::printf("append through operations  : %.3f s, %.2f million cells/s (need >= 2)\n", append,
                cells / append / 1e6);
    std::printf("preferred row heights      : %.3f s for %d rows\n", heights, kRows);
    std::printf("export .xls                : %.3f s, %.1f MB (need < 1 s)\n", exportSeconds,
                double(QFileInfo(dir.filePath("sheet.xls")).size()) / 1e6);
    std::printf("peak memory                : %.1f MB (%.1f MB before the sheet; need < 100)\n",
                double(peakKb) / 1024, double(baseKb) / 1024);

#ifdef AUTHPAY_HAVE_XLSXWRITER
    // The same cells through libxlsxwriter: texts as strings, the amount as a #,##0.00 number.
    timer.restart();
    const QByteArray path = dir.filePath("reference.xlsx").toUtf8();
    lxw_workbook *book = workbook_new(path.constData());
    lxw_worksheet *ws = workbook_add_worksheet(book, nullptr);
    lxw_format *amount = workbook_add_format(book);
    format_set_num_format(amount, "#,##0.00");
    for (int r = 1; r <= kRows; ++r)
        for (int c = 1; c <= kColumns; ++c) {
            if (c == 14) worksheet_write_number(ws, lxw_row_t(r - 1), lxw_col_t(c - 1), 1234.5 + r * 97.25, amount);
            else worksheet_write_string(ws, lxw_row_t(r - 1), lxw_col_t(c - 1), texts.Cell(r, c).toUtf8().constData(), nullptr);
        }
    const lxw_error closed = workbook_close(book);
    const double reference = Seconds(timer);
    if (closed != LXW_NO_ERROR) std::fprintf(stderr, "libxlsxwriter failed: %d\n", int(closed));
    std::printf("libxlsxwriter .xlsx        : %.3f s\n", reference);
    std::printf("export / libxlsxwriter     : %.2f (need <= 1)\n", exportSeconds / reference);
#else
    std::printf("libxlsxwriter              : not available, no reference\n");
#endif
    return 0;
}
