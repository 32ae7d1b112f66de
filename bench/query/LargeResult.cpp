#include "LargeResult.h"

#include "BenchStats.h"
#include "query/ApportionQry.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include "report/SheetPreview.h"
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

namespace {

struct TFillFigures {
    double click = 0;      // the whole Refresh
    double fill = 0;       // from the progress panel's first showing to the totals row
    double longestGap = 0; // the longest time the progress panel did not move while filling
    int moves = 0;
};

TFillFigures TimedRefresh(TbfrmApportionQry *w) {
    TFillFigures f;
    QElapsedTimer t;
    double first = -1, last = 0;
    const auto c = QObject::connect(w->ProgressBar1, &QProgressBar::valueChanged, [&](int) {
        const double now = Ms(t);
        if (first < 0) first = now;
        else f.longestGap = std::max(f.longestGap, now - last);
        last = now;
        ++f.moves;
    });
    t.start();
    w->tbtnRefresh->click();
    f.click = Ms(t);
    QObject::disconnect(c);
    f.fill = first < 0 ? 0 : f.click - first;
    f.longestGap = std::max(f.longestGap, f.click - last);
    QApplication::processEvents();
    return f;
}

// Scrolls the sheet to 40 places from top to bottom, each shown at once; the times of the frames.
std::vector<double> ScrollFrames(TReportSheet *sheet) {
    TSheetView *view = sheet->View();
    QScrollBar *bar = view->verticalScrollBar();
    std::vector<double> frames;
    for (int i = 0; i <= 40; ++i) {
        QElapsedTimer t;
        t.start();
        bar->setValue(bar->maximum() * i / 40);
        view->viewport()->repaint();
        frames.push_back(Ms(t));
    }
    bar->setValue(0);
    return frames;
}

// The print preview from the click until its window is up with the pages laid out; the preview is
// closed as soon as it shows.
double PreviewTime(TbfrmApportionQry *w) {
    QElapsedTimer t;
    double shown = -1;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<TSheetPreviewDialog *>(QApplication::activeModalWidget())) {
            if (shown < 0) shown = Ms(t);
            dialog->reject();
        }
    });
    poll.start();
    t.start();
    w->tbnPrintView->click();
    poll.stop();
    return shown;
}

QString Run(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Page count and whether the first and last pages carry their own "共N页第K页".
QString PdfPages(const QString &pdf) {
    const QRegularExpression pagesLine(QStringLiteral("Pages:\\s+(\\d+)"));
    const int pages = pagesLine.match(Run(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
    bool right = pages > 0;
    for (int page : {1, pages}) {
        const QString text = Run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                                  pdf, QStringLiteral("-")});
        right = right && text.contains(QStringLiteral("共%1页第%2页").arg(pages).arg(page));
    }
    return QStringLiteral("%1 pages, page numbers %2").arg(pages).arg(right ? QStringLiteral("right") : QStringLiteral("WRONG"));
}

void TimeOutputs(TbfrmApportionQry *w, const QString &workDir) {
    const QString pdf = workDir + QStringLiteral("/large.pdf");
    QElapsedTimer t;
    QMetaObject::invokeMethod(w, "SetPrintFile", Q_ARG(QString, pdf));
    t.start();
    w->tbnPrint->click();
    const double printed = Ms(t);
    QMetaObject::invokeMethod(w, "SetPrintFile", Q_ARG(QString, QString()));
    const QString pages = PdfPages(pdf);
    const int count = pages.section(QLatin1Char(' '), 0, 0).toInt();
    Print(QStringLiteral("print to PDF: %1 ms, %2; %3 ms per 4,000 pages (target 60,000 ms: %4)")
              .arg(printed, 0, 'f', 0)
              .arg(pages)
              .arg(count ? printed * 4000 / count : 0, 0, 'f', 0)
              .arg(count && printed * 4000 / count < 60000 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    QFile::remove(pdf);
    Print(QStringLiteral("memory after printing: %1 MiB, peak %2 MiB").arg(CurrentRssMb(), 0, 'f', 0).arg(PeakRssMb(), 0, 'f', 0));
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx, TExportType::Csv}) {
        const QString file = workDir + QStringLiteral("/large.") + ExportSuffix(type);
        t.restart();
        const authpay::Outcome written = w->cllBudget->ExportFile(file, type);
        const double ms = Ms(t);
        Print(QStringLiteral("export .%1: %2 ms, %3")
                  .arg(ExportSuffix(type))
                  .arg(ms, 0, 'f', 0)
                  .arg(written.Ok() ? QStringLiteral("%1 MB").arg(QFileInfo(file).size() / 1e6, 0, 'f', 1)
                                     : QStringLiteral("refused: ") + written.message));
        QFile::remove(file);
    }
}

}  // namespace

int LargeResultBench(const QString &label, const QString &connectionString, const TGrouping &grouping,
                     const QString &templates, const QString &workDir) {
    THost host(connectionString, templates);
    TbfrmApportionQry *w = host.OpenWindow();
    if (!w) return 1;
    if (!ChooseGrouping(w, grouping)) {
        CloseWindow(w);
        return 1;
    }
    Print(QStringLiteral("\n== Large result on %1, grouping %2 ==").arg(label, grouping.key));
    TimedRefresh(w);  // cold caches
    const TFillFigures f = TimedRefresh(w);
    const int rows = ResultRows(w);
    Print(QStringLiteral("result rows: %1; Refresh %2 ms, of which filling the sheet %3 ms (%4 ms per 200,000 rows; "
                         "target 1,000 ms: %5)")
              .arg(rows)
              .arg(f.click, 0, 'f', 0)
              .arg(f.fill, 0, 'f', 0)
              .arg(rows ? f.fill * 200000 / rows : 0, 0, 'f', 0)
              .arg(rows && f.fill * 200000 / rows < 1000 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    Print(QStringLiteral("memory after Refresh: %1 MiB, peak %2 MiB").arg(CurrentRssMb(), 0, 'f', 0).arg(PeakRssMb(), 0, 'f', 0));
    Print(QStringLiteral("progress panel: moved %1 times while filling, longest still %2 ms")
              .arg(f.moves)
              .arg(f.longestGap, 0, 'f', 0));
    const std::vector<double> frames = ScrollFrames(w->cllBudget);
    Print(QStringLiteral("scrolling through the sheet: frame median %1 ms, longest %2 ms")
              .arg(Median(frames), 0, 'f', 1)
              .arg(*std::max_element(frames.begin(), frames.end()), 0, 'f', 1));
    const double preview = PreviewTime(w);
    Print(QStringLiteral("print preview shown after %1 ms; memory now %2 MiB, peak %3 MiB")
              .arg(preview, 0, 'f', 0)
              .arg(CurrentRssMb(), 0, 'f', 0)
              .arg(PeakRssMb(), 0, 'f', 0));
    TimeOutputs(w, workDir);
    Print(QStringLiteral("memory: peak %1 MiB").arg(PeakRssMb(), 0, 'f', 0));
    CloseWindow(w);
    return 0;
}
