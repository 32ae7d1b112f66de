#include "Responsive.h"

#include "BenchStats.h"
#include "data/DefaultConn.h"
#include "data/QueryJob.h"
#include "query/ApportionQry.h"
#include "query/SummaryFill.h"
#include "report/ReportLayout.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace {

// Notes the largest gap between the runs of a 1 ms timer while it is alive.
class TGapMeter {
public:
    TGapMeter() {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            largest_ = std::max(largest_, Ms(clock_));
            clock_.restart();
        });
        clock_.start();
        timer_.start();
    }
    double Largest() const { return std::max(largest_, Ms(clock_)); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    double largest_ = 0;
};

// Notes when the sheet is first painted with a new result row: the old first row is marked
// before the Refresh, and a paint that finds a result row there without the mark shows new rows.
class TPaintTimes : public QObject {
public:
    TPaintTimes(TReportSheet *sheet, const QElapsedTimer &clock) : sheet_(sheet), clock_(clock) {
        sheet_->SheetSetText(2, ReportLayout::kFirstDataRow, 0, kMark.toString());
        sheet_->View()->viewport()->installEventFilter(this);
    }
    ~TPaintTimes() override { sheet_->View()->viewport()->removeEventFilter(this); }
    // When the first new rows were painted; -1 when never.
    double First() const { return first_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        const TSheetModel &m = sheet_->Model();
        if (first_ < 0 && watched == sheet_->View()->viewport() && event->type() == QEvent::Paint &&
            m.RowKind(ReportLayout::kFirstDataRow) == TRowKind::Result && m.Text(2, ReportLayout::kFirstDataRow) != kMark)
            first_ = Ms(clock_);
        return false;
    }

private:
    static constexpr QStringView kMark = u"(old)";
    TReportSheet *sheet_;
    const QElapsedTimer &clock_;
    double first_ = -1;
};

void WaitIdle(TbfrmApportionQry *w) {
    WaitWhile([w] { return w->Busy(); });
}

void Figure(const QString &what, double ms, double reference) {
    Print(QStringLiteral("%1: %2 ms, reference %3 ms, ratio %4")
              .arg(what)
              .arg(ms, 0, 'f', 1)
              .arg(reference, 0, 'f', 1)
              .arg(reference > 0 ? ms / reference : 0, 0, 'f', 3));
}

// Today's way: the same statement read and the same rows written, on this thread, in one go.
double InlineRefresh(TbfrmApportionQry *w) {
    QElapsedTimer t;
    t.start();
    auto rows = std::make_shared<TSummaryRows>();
    const std::atomic<bool> never{false};
    ReadSummary(w->Conditions(), *rows, never);
    w->cllBudget->SheetDeleteRows(7, w->cllBudget->SheetRowCount(0) - 7, 0);
    TSummaryFill(w->cllBudget, rows, false).Step(1 << 30);
    QApplication::processEvents();
    return Ms(t);
}

// Statements of the module's Refresh still running on the server.
QString RunningOnServer(const QString &connectionString) {
    QString count;
    TQueryJob probe(connectionString, nullptr);
    probe.Start([&count](const std::atomic<bool> &) {
        IARQueryPtr q;
        if (OpenDefaultQuery(QStringLiteral("select count(*) from pg_stat_activity where state = 'active' and "
                                            "backend_type = 'client backend' and query like '%sumMoney%' "
                                            "and pid <> pg_backend_pid()"),
                             q))
            count = q.Query()->Fields(0).AsString();
    });
    probe.Wait(30000);
    return count;
}

}  // namespace

int ResponsiveBench(THost &host, TbfrmApportionQry *w, const TGrouping &grouping, bool postgres, int reps) {
    if (!ChooseGrouping(w, grouping)) return 1;
    Print(QStringLiteral("\n== Responsiveness, grouping %1 ==").arg(grouping.key));
    std::vector<double> gaps, totals, inlines, cancels, firstRows, statements;
    for (int i = 0; i < reps; ++i) {
        inlines.push_back(InlineRefresh(w));
        TGapMeter meter;
        QElapsedTimer t;
        TPaintTimes paints(w->cllBudget, t);
        t.start();
        w->tbtnRefresh->click();
        WaitIdle(w);
        totals.push_back(Ms(t));
        gaps.push_back(meter.Largest());
        statements.push_back(double(w->LastRunTimes().statement));
        firstRows.push_back(paints.First());
    }
    Figure(QStringLiteral("F5 to first rows visible (reference: statement + 50 ms)"), Median(firstRows),
           Median(statements) + 50);
    Figure(QStringLiteral("largest event-loop gap during Refresh"), Median(gaps), Median(totals));
    Figure(QStringLiteral("Refresh total (worker)"), Median(totals), Median(inlines));
    QString running;
    // Cancelled halfway through the statement, as a user who changed their mind.
    const int halfway = int(std::clamp(Median(statements) / 2, 50.0, 1000.0));
    for (int i = 0; i < reps; ++i) {
        w->tbtnRefresh->click();
        Pump(halfway);
        if (!w->Busy()) {
            Print(QStringLiteral("the Refresh ended within %1 ms: nothing to cancel").arg(halfway));
            break;
        }
        QElapsedTimer t;
        t.start();
        w->btnCancelRun->click();
        WaitIdle(w);
        cancels.push_back(Ms(t));
        if (postgres) {
            Pump(1000);
            running = RunningOnServer(host.manager->ConnectionString);
        }
    }
    if (!cancels.empty()) Figure(QStringLiteral("cancel to idle with the old sheet"), Median(cancels), 250);
    if (postgres) Print(QStringLiteral("statements of the Refresh on the server 1 s after the cancel: %1").arg(running));
    return 0;
}
