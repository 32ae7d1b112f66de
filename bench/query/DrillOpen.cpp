#include "DrillOpen.h"

#include "BenchStats.h"
#include "query/ApportionDetail.h"
#include "query/ApportionQry.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

namespace {

TbfrmApportionDetail *NewestDetail(const QList<QWidget *> &before) {
    for (QWidget *widget : QApplication::allWidgets())
        if (auto *d = qobject_cast<TbfrmApportionDetail *>(widget); d && !before.contains(widget)) return d;
    return nullptr;
}

// The drill-down reads on a thread of its own: until its read (and any page it asks for next)
// has been written.
void WaitIdle(TbfrmApportionDetail *d) {
    WaitWhile([d] { return d && d->Busy(); });
}

// The first page's statement of the drill-down the row opens, captured with the manager's trace,
// in a file for the shell.
QString FirstPageStatement(THost &host, TbfrmApportionQry *w, int row, const QString &workDir) {
    const QString tracePath = workDir + QStringLiteral("/drill-trace.txt");
    QFile::remove(tracePath);
    host.manager->SetSqlTrace(tracePath);
    const QList<QWidget *> before = QApplication::allWidgets();
    w->OpenDrill(row);
    TbfrmApportionDetail *d = NewestDetail(before);
    WaitIdle(d);
    host.manager->SetSqlTrace(QString());
    if (d) d->close();
    QApplication::processEvents();
    QFile trace(tracePath);
    QString sql;
    if (trace.open(QIODevice::ReadOnly))
        for (const QByteArray &line : trace.readAll().split('\n'))
            if (line.contains(" order by id")) sql = QString::fromUtf8(line);
    const QString file = workDir + QStringLiteral("/drill.sql");
    QFile out(file);
    if (sql.isEmpty() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    out.write(sql.toUtf8() + ";\n");
    return file;
}

int DrillRow(THost &host, TbfrmApportionQry *w, int row, const QString &what, const TShell &shell, const QString &workDir) {
    const QString statement = FirstPageStatement(host, w, row, workDir);
    if (statement.isEmpty()) {
        Print(QStringLiteral("%1: the drill-down ran no page statement").arg(what));
        return 1;
    }
    std::vector<double> opens, shells;
    TbfrmApportionDetail *d = nullptr;
    for (int rep = 0; rep < 3; ++rep) {
        if (d) d->close();
        QApplication::processEvents();
        const QList<QWidget *> before = QApplication::allWidgets();
        QElapsedTimer t;
        t.start();
        w->OpenDrill(row);
        d = NewestDetail(before);
        WaitIdle(d);
        opens.push_back(Ms(t));
        shells.push_back(shell.WithStatement(statement).Run());
    }
    if (!d) return 1;
    QScrollBar *bar = d->cllBudget->View()->verticalScrollBar();
    std::vector<double> pages;
    for (int i = 0; i < 5 && !d->Complete(); ++i) {
        QElapsedTimer t;
        t.start();
        bar->setValue(bar->maximum());
        QApplication::processEvents();
        WaitIdle(d);
        pages.push_back(Ms(t));
    }
    const double before = PeakRssMb();
    // A group larger than the sheet holds is read to the limit and refused with a message box:
    // answered, and its text reported.
    QString refused;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&refused] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            refused = box->text();
            box->accept();
        }
    });
    answer.start(20);
    QElapsedTimer all;
    all.start();
    const bool whole = d->FetchAll();
    const double allMs = Ms(all);
    answer.stop();
    const double open = Median(opens), reference = Median(shells);
    Print(QStringLiteral("%1: open ms %2 median %3; shell's first page ms %4 median %5; ratio %6")
              .arg(what, ListMs(opens))
              .arg(open, 0, 'f', 1)
              .arg(ListMs(shells))
              .arg(reference, 0, 'f', 1)
              .arg(open / reference, 0, 'f', 2));
    const QString total = whole ? d->cllBudget->SheetCellText(14, d->cllBudget->SheetRowCount(0) - 1)
                                : QStringLiteral("none, refused: ") + refused;
    Print(QStringLiteral("%1: a page more on scrolling to the end, ms %2; every page read: %3 rows in %4 s, "
                         "total %5 (%6 the figure opened); peak memory %7 MiB (%8 before)")
              .arg(what, ListMs(pages))
              .arg(d->FetchedRows())
              .arg(allMs / 1000, 0, 'f', 2)
              .arg(total, !whole                                           ? QStringLiteral("not")
                          : total == w->cllBudget->SheetCellText(14, row) ? QStringLiteral("equals")
                                                                          : QStringLiteral("DIFFERS FROM"))
              .arg(PeakRssMb(), 0, 'f', 0)
              .arg(before, 0, 'f', 0));
    d->close();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
}  // namespace

int DrillOpenBench(THost &host, TbfrmApportionQry *w, const TShell &shell, const QString &workDir) {
    if (!ChooseGrouping(w, {QStringLiteral("unit1"), {QStringLiteral("预算单位")}, QStringLiteral("1")})) return 1;
    Refresh(w);
    TReportSheet *s = w->cllBudget;
    const int totals = s->SheetRowCount(0) - 1;
    int largest = 7;
    auto amount = [s](int r) { return s->SheetCellText(14, r).remove(QLatin1Char(',')).toDouble(); };
    for (int r = 7; r < totals; ++r)
        if (amount(r) > amount(largest)) largest = r;
    int rc = DrillRow(host, w, totals, QStringLiteral("totals row"), shell, workDir);
    rc |= DrillRow(host, w, largest, QStringLiteral("largest unit ") + s->SheetCellText(2, largest), shell, workDir);
    return rc;
}
