#include "Responsive.h"

#include "BenchStats.h"
#include "data/DefaultConn.h"
#include "data/QueryJob.h"
#include "query/ApportionQry.h"
#include "query/SummaryFill.h"
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

// Notes when the sheet is painted.
class TPaintTimes : public QObject {
public:
    TPaintTimes(QWidget *viewport, const QElapsedTimer &clock) : viewport_(viewport), clock_(clock) {
        viewport_->installEventFilter(this);
    }
    ~TPaintTimes() override { viewport_->removeEventFilter(this); }
    // The first paint at or after `ms` on the clock; -1 when none.
    double FirstFrom(double ms) const {
        for (double t : times_)
            if (t >= ms) return t;
        return -1;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == viewport_ && event->type() == QEvent::Paint) times_.push_back(Ms(clock_));
        return false;
    }

private:
    QWidget *viewport_;
    const QElapsedTimer &clock_;
    std::vector<double> times_;
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
        TPaintTimes paints(w->cllBudget->View()->viewport(), t);
        t.start();
        w->tbtnRefresh->click();
        WaitIdle(w);
        totals.push_back(Ms(t));
        gaps.push_back(meter.Largest());
        // The statement's rows are all read at its end; the first paint after it shows them.
        statements.push_back(double(w->LastRunTimes().statement));
        firstRows.push_back(paints.FirstFrom(statements.back()));
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
