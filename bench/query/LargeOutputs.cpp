#include "LargeOutputs.h"

#include "BenchStats.h"
#include "query/ApportionDetail.h"
#include "query/ApportionQry.h"
#include "report/PageText.h"
#include "report/PdfJoin.h"
#include "report/ReportSheet.h"
#include "report/SheetPageRenderer.h"
#include "report/SheetPdf.h"
#include "report/SheetPainter.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QTimer>

namespace {

// The PDF writer's floor: as many pages as the sheet's, each with only its page text.
double BarePagesMs(const TSheetModel &model, int pages, const QString &file) {
    QElapsedTimer t;
    t.start();
    QPdfWriter pdf(file);
    pdf.setPageLayout(TSheetPageRenderer::PageLayoutFor(model.Page()));
    pdf.setResolution(300);
    QPainter p(&pdf);
    p.setFont(MakeSheetFont(model.Fonts()[0]));
    const qreal scale = pdf.logicalDpiX() / 96.0;
    p.scale(scale, scale);
    for (int i = 0; i < pages; ++i) {
        if (i > 0) pdf.newPage();
        p.drawText(QRectF(0, pdf.height() / scale - TSheetPageRenderer::kFooterHeight, pdf.width() / scale,
                          TSheetPageRenderer::kFooterHeight),
                   Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("共%1页第%2页").arg(pages).arg(i + 1));
    }
    p.end();
    const double ms = Ms(t);
    QFile::remove(file);
    return ms;
}

}  // namespace

int PdfPagesBench(const QString &label, const QString &connectionString, const TGrouping &grouping,
                  const QString &templates, const QString &workDir, const QString &keepPdf, int rowLimit) {
    THost host(connectionString, templates);
    TbfrmApportionQry *w = host.OpenWindow();
    if (!w || !ChooseGrouping(w, grouping)) {
        if (w) CloseWindow(w);
        return 1;
    }
    Refresh(w);
    TSheetModel model = w->cllBudget->Model();
    if (rowLimit > 0 && rowLimit < model.RowCount()) model.SetRowCount(rowLimit);
    Print(QStringLiteral("\n== PDF pages on %1, grouping %2: %3 sheet rows ==").arg(label, grouping.key).arg(model.RowCount()));
    const QString pdf = keepPdf.isEmpty() ? workDir + QStringLiteral("/pages.pdf") : keepPdf;
    const QString single = workDir + QStringLiteral("/one-run.pdf");
    const int pages = SheetPageCount(model);
    const int runs = SheetPdfRuns(pages);
    QElapsedTimer t;
    // The pages drawn in one run first (the writer's reference), then in the runs this machine
    // takes, side by side and joined.
    t.start();
    authpay::Outcome written = WriteSheetPdf(model, single, {}, 1);
    const double oneRunMs = Ms(t);
    t.restart();
    if (written.Ok()) written = WriteSheetPdf(model, pdf, {});
    const double ms = Ms(t);
    if (!written.Ok()) Print(QStringLiteral("PDF refused: ") + written.message);
    const double bare = BarePagesMs(model, pages, workDir + QStringLiteral("/bare.pdf"));
    const double perPage = pages ? ms / pages : 0, barePerPage = pages ? bare / pages : 0;
    Print(QStringLiteral("PDF: %1 pages in %2 ms, %3 ms a page (target 1 ms: %4) in %5 runs side by side, %6 MB; "
                         "in one run %7 ms a page (%8x); pages with only their page text %9 ms a page")
              .arg(pages)
              .arg(ms, 0, 'f', 0)
              .arg(perPage, 0, 'f', 3)
              .arg(perPage <= 1 ? QStringLiteral("met") : QStringLiteral("MISSED"))
              .arg(runs)
              .arg(QFileInfo(pdf).size() / 1e6, 0, 'f', 1)
              .arg(pages ? oneRunMs / pages : 0, 0, 'f', 3)
              .arg(ms > 0 ? oneRunMs / ms : 0, 0, 'f', 2)
              .arg(barePerPage, 0, 'f', 3));
    // The join alone: the one-run file joined to itself, twice its pages, timed per page.
    double joinMs = 0;
    if (QFile f(single); f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.readAll();
        QBuffer joined;
        joined.open(QIODevice::WriteOnly);
        t.restart();
        const authpay::Outcome join = JoinPdfParts({bytes, bytes}, joined);
        if (join.Ok()) joinMs = Ms(t);
        else Print(QStringLiteral("join refused: ") + join.message);
    }
    Print(QStringLiteral("join of two %1-page files: %2 ms, %3 ms a page").arg(pages).arg(joinMs, 0, 'f', 0)
              .arg(pages ? joinMs / (2 * pages) : 0, 0, 'f', 3));
    QFile::remove(single);
    if (keepPdf.isEmpty()) QFile::remove(pdf);
    CloseWindow(w);
    return written.Ok() ? 0 : 1;
}

int DrillRestBench(TbfrmApportionQry *w) {
    if (!ChooseGrouping(w, {QStringLiteral("unit1"), {QStringLiteral("预算单位")}, QStringLiteral("1")})) return 1;
    Refresh(w);
    const int totals = w->cllBudget->SheetRowCount(0) - 1;
    const double before = CurrentRssMb();
    const QList<QWidget *> widgets = QApplication::allWidgets();
    w->OpenDrill(totals);
    TbfrmApportionDetail *d = nullptr;
    for (QWidget *widget : QApplication::allWidgets())
        if (auto *found = qobject_cast<TbfrmApportionDetail *>(widget); found && !widgets.contains(widget)) d = found;
    WaitWhile([d] { return d && d->Busy(); });
    if (!d) return 1;
    const double opened = CurrentRssMb(), peakBefore = PeakRssMb();
    // A group larger than the sheet holds is read up to the sheet's limit, then refused for output
    // with a message box: it is answered, so that the run goes on.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (QWidget *box = QApplication::activeModalWidget()) box->close();
    });
    answer.start(50);
    QElapsedTimer t;
    t.start();
    const bool whole = d->FetchAll();
    answer.stop();
    const double ms = Ms(t);
    const int rows = d->FetchedRows();
    Print(QStringLiteral("\n== Drill-down of the totals row, the rest read ==\n"
                         "%1 rows read in %2 s (%3); memory before the drill-down %4 MiB, after its first page %5 MiB "
                         "(peak so far %6 MiB), peak while reading the rest %7 MiB (target 250 MiB: %8), after %9 MiB; "
                         "%10 bytes a row over the memory before")
              .arg(rows)
              .arg(ms / 1000, 0, 'f', 2)
              .arg(whole ? QStringLiteral("complete") : QStringLiteral("INCOMPLETE"))
              .arg(before, 0, 'f', 0)
              .arg(opened, 0, 'f', 0)
              .arg(peakBefore, 0, 'f', 0)
              .arg(PeakRssMb(), 0, 'f', 0)
              .arg(PeakRssMb() <= 250 ? QStringLiteral("met") : QStringLiteral("MISSED"))
              .arg(CurrentRssMb(), 0, 'f', 0)
              .arg(rows ? (PeakRssMb() - before) * 1048576 / rows : 0, 0, 'f', 0));
    d->close();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return whole ? 0 : 1;
}
