// The Refresh of the query window as it runs: the statement on a worker thread while the window
// goes on answering (moved, resized, repainted), the progress panel with the seconds it has taken
// and its "取消" button (Esc presses it), then the rows written into the sheet a slice at a time.
// A cancel stops the database's work and puts back the sheet the window showed before.
#include "query/ApportionQry.h"
#include "platform/OwnedTimer.h"

#include "authpay/DbManager.h"
#include "authpay/UserContext.h"
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "data/QueryJob.h"
#include "frame/ModuleGlobals.h"
#include "frame/UserContextOps.h"
#include "platform/Panel.h"
#include "platform/PlatformErrors.h"
#include "platform/WorkThread.h"
#include "query/SummaryFill.h"
#include "report/ChartData.h"
#include "report/ReportSheet.h"
#include "report/ReportLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace {
// Lets a large value go in the background: freeing the rows of a large result, or the sheet that
// a Refresh replaced, is a pause of tens of milliseconds. The module's detach step joins it.
template <typename T> void DisposeAside(T value) {
    try {
        TWorkThread::Dispose([held = std::make_shared<T>(std::move(value))]() mutable { held.reset(); });
    } catch (const EOutOfMemory &) {
        // No thread to be had: the value has gone here, with the pause.
    }
}

// How long one slice of writing rows may hold the user-interface thread, in milliseconds.
constexpr int kFillSlice = 25;
// The first slice writes no more rows than a screen holds, and the sheet is shown with them: the
// user reads the first rows while the rest are written.
constexpr size_t kFirstScreenRows = 200;
// A spread result's code columns before "其他" takes the rest.
constexpr int kSpreadColumns = 30;

TDrillBase DrillBaseOf(const TQuerySql &built, const QString &sourceView, const QString &provider) {
    return {sourceView, built.WhereClause, built.Dimensions, built.UnitCut, SqlBackendOf(provider)};
}
}  // namespace

void TbfrmApportionQry::BuildRunControls() {
    pnprocess->resize(381, 112);
    lblRunning = new QLabel(pnprocess);
    lblRunning->setObjectName(QStringLiteral("lblRunning"));
    lblRunning->setGeometry(15, 80, 260, 22);
    lblRunningWhat = new QLabel(pnprocess);
    lblRunningWhat->setObjectName(QStringLiteral("lblRunningWhat"));
    const int after = 15 + lblRunningWhat->fontMetrics().horizontalAdvance(QStringLiteral("正在提取数据：")) + 2;
    lblRunningWhat->setGeometry(after, 8, 366 - after, 20);
    btnCancelRun = new QPushButton(QStringLiteral("取消"), pnprocess);
    btnCancelRun->setObjectName(QStringLiteral("btnCancelRun"));
    btnCancelRun->setGeometry(290, 78, 75, 26);
    connect(btnCancelRun, &QPushButton::clicked, this, [this] { CancelRun(); });
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setObjectName(QStringLiteral("scCancelRun"));
    esc->setContext(Qt::WindowShortcut);
    connect(esc, &QShortcut::activated, this, [this] {
        if (Busy()) btnCancelRun->click();
    });
    runTimer_ = new QTimer(this);
    runTimer_->setInterval(200);
    connect(runTimer_, &QTimer::timeout, this, [this] { ShowRunning(); });
}

bool TbfrmApportionQry::Busy() const { return runState_ != TRunState::Idle; }

void TbfrmApportionQry::tbtnRefreshClick() {
    if (Busy()) return;
    if (!templateError_.isEmpty()) {
        Warn(templateError_);
        return;
    }
    if (const QString lost = LostFilterMessage(); !lost.isEmpty()) {
        Warn(lost);
        return;
    }
    // The sheet keeps its rows while the statement runs; they are set aside when the new ones
    // are written (and come back if that is cancelled).
    TQueryConditions conditions = Conditions();
    QString provider, connectionString;
    try {
        conditions.Filters.Backend = DefaultSqlBackend();
        provider = GetDefaultConn()->Provider();
        connectionString = GetDefaultConn()->ConnectionString;
    } catch (const Exception &e) {
        Warn(e.Message);
        return;
    }
    runConditions_ = CurrentConditionSet();
    auto rows = std::make_shared<TSummaryRows>();
    runRows_ = rows;
    runTaken_ = std::make_shared<TSummaryRows>();
    streamBlocked_ = false;
    runSource_ = {conditions.SourceView, provider};
    TDbManager *manager = authpay::UserContext ? authpay::UserContext->DbManager : nullptr;
    if (!job_) {
        job_ = new TQueryJob(connectionString, manager, this);
        connect(job_, &TQueryJob::Finished, this, [this](const authpay::Outcome &o) { RunFinished(o); });
        connect(job_, &TQueryJob::Progress, this, [this] { RowsArrived(); });
    }
    // The statements run where the default connection would run them.
    job_->SetConnectionString(connectionString);
    auto handover = std::make_shared<TRowHandover>(job_->Notifier());
    runHandover_ = handover;
    job_->Start([conditions, rows, handover](const std::atomic<bool> &cancelled) {
        ReadSummary(conditions, *rows, cancelled, handover.get());
    });
    SetBusy(TRunState::Querying);
}

void TbfrmApportionQry::CancelRun() {
    if (runState_ == TRunState::Querying) job_->Cancel();
    else if (runState_ == TRunState::Filling) EndRun(true);
}

void TbfrmApportionQry::RunFinished(const authpay::Outcome &outcome) {
    if (runState_ != TRunState::Querying) return;
    runTimes_ = {runClock_.elapsed(), 0};
    if (outcome.Stopped()) return EndRun(true);
    if (!outcome.Ok()) {
        // The statement could not be built or run, or a row could not be read: no partial report
        // (the rows written while the statement went on go with the rest).
        EndRun(false);
        ClearDataRows();
        SetLastDbError(outcome.message);
        Warn(outcome.message);
        return;
    }
    KeepLastConditions(runConditions_);
    std::shared_ptr<TSummaryRows> rows = runTaken_;
    runHandover_->Take(*rows);
    if (rows->built.Sql.isEmpty()) rows->built = runRows_->built;
    const bool writing = fill_ != nullptr;
    if (!writing) {
        if (rows->built.Sql.isEmpty() || rows->values.empty()) {
            EndRun(false);
            ClearDataRows();
            SetResultConditions(runConditions_, true);
            return;
        }
        if (const QString failed = StartFill(rows, false); !failed.isEmpty()) {
            EndRun(false);
            Warn(failed);
            return;
        }
    }
    fill_->SetMoreRowsComing(false);
    SetBusy(TRunState::Filling);
    // Rows being written go on in their next slice, not in this one's wake; a result read whole
    // shows its first screen at once.
    if (writing) NextSlice();
    else FillSome();
}

// Rows the statement has read so far: a list is written from them while the rest are read (a
// spread result, which needs them all, waits for the end).
void TbfrmApportionQry::RowsArrived() {
    if (runState_ != TRunState::Querying || !runHandover_) return;
    runHandover_->Take(*runTaken_);
    if (!fill_) {
        if (streamBlocked_ || runTaken_->values.empty() || !runTaken_->built.ColumnDimension.isEmpty()) return;
        // A template that cannot be applied is reported once the statement has ended.
        if (!StartFill(runTaken_, true).isEmpty()) {
            streamBlocked_ = true;
            return;
        }
        PlaceRunPanel();
    }
    if (!slicePending_) FillSome();
}

// Sets the sheet's rows aside and writes the heading and the first lines of the result, ready for
// its rows; empty, or why the template could not be applied (the sheet then stays as it was).
QString TbfrmApportionQry::StartFill(const std::shared_ptr<TSummaryRows> &rows, bool moreComing) {
    drillBase_ = DrillBaseOf(rows->built, runSource_.first, runSource_.second);
    drillReady_ = false;
    before_ = cllBudget->TakeRowsFrom(ReportLayout::kFirstDataRow);
    // The heading gains (or loses) the compared year's columns; a template that can no longer be
    // applied writes no report, and the sheet stays as it was.
    if (const QString failed = PrepareListHeading(rows->built.CompareYear, rows->built.Dimensions);
        !failed.isEmpty()) {
        cllBudget->Restore(std::move(*before_));
        before_.reset();
        spread_ = spreadWas_;
        return failed;
    }
    WriteHeadingLines();
    fill_ = std::make_unique<TSummaryFill>(cllBudget, rows, chbSubtotal->isChecked(), allColumns_ ? 0 : kSpreadColumns);
    fill_->SetMoreRowsComing(moreComing);
    spread_ = {};
    if (const TCrossTab *tab = fill_->Spread()) {
        spread_ = {rows->built.ColumnDimension, int(tab->columns.size()), tab->folded, true};
        // The row labels are every grouping's code and name: they stay in sight on screen, on each
        // printed page across and in the workbook, with the heading rows.
        const int labels = ReportLayout::DimensionColumn(int(rows->built.Dimensions.size())) + 1;
        cllBudget->SheetFreeze(labels, cllBudget->Model().Page().repeatLastRow);
        // A cross table is wide: across the paper, unless the user chose a page set-up of their own.
        const bool across = !cllBudget->HasPageChoice();
        cllBudget->Edit([labels, across](TSheetModel &m) {
            m.Page().frozenColumns = labels;
            m.Page().frozenRows = m.Page().repeatLastRow;
            if (across) m.Page().orientation = TPageOrientation::Landscape;
        });
    }
    return {};
}

// The next slice comes as a timer, not as a posted call: posted calls go before the timers and
// input that wait, so a chain of them would hold those up for several slices.
void TbfrmApportionQry::NextSlice() {
    if (slicePending_) return;
    slicePending_ = true;
    OwnedSingleShot(this, 1, Qt::PreciseTimer, [this] {
        slicePending_ = false;
        FillSome();
    });
}

void TbfrmApportionQry::FillSome() {
    if (runState_ == TRunState::Idle || !fill_) return;
    const bool done = fill_->Step(kFillSlice, fill_->Done() == 0 ? kFirstScreenRows : SIZE_MAX);
    // While the statement goes on the bar only shows that it does: the rows are not all known.
    if (runState_ == TRunState::Filling) ProgressBar1->setValue(fill_->Done());
    ShowRunningWhat();
    if (!done) {
        // Rows written as far as they are read wait for the next to come.
        if (!fill_->CaughtUp()) NextSlice();
        return;
    }
    DisposeAside(std::shared_ptr<TSummaryFill>(std::move(fill_)));
    cllBudget->SetChart(SummaryChartOf(cllBudget->Model(), drillBase_.Dimensions,
                                       authpay::UserContext ? authpay::UserContext->DataYear : 0, spread_.columns));
    drillReady_ = true;
    const qint64 took = runClock_.elapsed();
    runTimes_.sheet = took - runTimes_.statement;
    EndRun(false);
    SetResultConditions(runConditions_, false);
    ShowResultRows(took);
    ChartFollowsSheet();
}

// Leaves the running state; a cancelled run puts the sheet back as it was before it.
void TbfrmApportionQry::EndRun(bool cancelled) {
    fill_.reset();
    runRows_.reset();
    runHandover_.reset();
    runTaken_.reset();
    if (cancelled && before_) {
        const bool otherHeading = spread_.heading != spreadWas_.heading || spread_.columns != spreadWas_.columns;
        cllBudget->Restore(std::move(*before_));
        drillReady_ = drillWasReady_;
        spread_ = spreadWas_;
        // The rows and columns kept in sight are those of the heading that came back.
        const TPageSetup &page = cllBudget->Model().Page();
        if (otherHeading && drillReady_) cllBudget->SheetFreeze(page.repeatLastColumn, page.repeatLastRow);
        ShowOrder(orderWas_);
    }
    if (before_) DisposeAside(std::move(*before_));
    before_.reset();
    SetBusy(TRunState::Idle);
    UpdateSheetState();
    UpdateChartCommand();
    if (cancelled) {
        lastMessage_ = QStringLiteral("查询已取消");
        lblRunning->setText(lastMessage_);
        pnprocess->show();
        pnprocess->raise();
        OwnedSingleShot(this, 2000, [this] {
            if (!Busy()) pnprocess->hide();
        });
    }
}

void TbfrmApportionQry::SetBusy(TRunState state) {
    const bool idle = state == TRunState::Idle;
    if (runState_ == TRunState::Idle && !idle) {
        drillWasReady_ = drillReady_;
        orderWas_ = order_;
        spreadWas_ = spread_;
        runClock_.start();
        runTimer_->start();
        // The condition box that has the focus loses it while it is disabled; that is not the
        // user leaving it (a typed unit code is checked only then), and it gets the focus back.
        focusBeforeRun_ = focusWidget();
    }
    runState_ = state;
    holdingFocus_ = true;
    for (QWidget *w : std::initializer_list<QWidget *>{pnlTopMessage, gbxNum, chbSubtotal, cobColumnDim, tbtnExcel, tbnPrintView,
                                                        tbnPrint, tbtnRefresh, tbtnPreset, tbtnChart})
        if (w) w->setEnabled(idle);
    for (QAction *a : {actRefresh, Excel1, N4, N5, actPresetSave, actChart})
        if (a) a->setEnabled(idle);
    if (mnuPreset) mnuPreset->setEnabled(idle);
    btnCancelRun->setEnabled(!idle);
    holdingFocus_ = false;
    if (idle) {
        runTimer_->stop();
        pnprocess->hide();
        if (focusBeforeRun_ && focusBeforeRun_->isEnabled()) focusBeforeRun_->setFocus(Qt::OtherFocusReason);
        focusBeforeRun_ = nullptr;
        return;
    }
    if (state == TRunState::Querying) {
        ProgressBar1->setRange(0, 0);  // no count yet: the bar shows that work goes on
    } else {
        ProgressBar1->setRange(0, fill_ ? fill_->Total() : 0);
        ProgressBar1->setValue(0);
    }
    ShowRunning();
    pnprocess->setAutoFillBackground(true);
    PlaceRunPanel();
    pnprocess->show();
    pnprocess->raise();
}

// While rows are written the panel steps down to the window's foot, off the first rows.
void TbfrmApportionQry::PlaceRunPanel() {
    const int top = fill_ ? height() - pnprocess->height() - 12 : (height() - pnprocess->height()) / 2;
    pnprocess->move((width() - pnprocess->width()) / 2, std::max(0, top));
}

// What is being taken: the grouping while the statement runs, then the rows written of all.
void TbfrmApportionQry::ShowRunningWhat() {
    QString what;
    if (runState_ == TRunState::Filling && fill_) {
        what = QStringLiteral("%1 / %2 行").arg(fill_->Done()).arg(fill_->Total());
    } else {
        QStringList groups;
        for (QComboBox *box : cmbNum)
            if (box && !box->currentText().trimmed().isEmpty()) groups << box->currentText().trimmed();
        what = groups.join(QStringLiteral("、"));
    }
    lblRunningWhat->setText(lblRunningWhat->fontMetrics().elidedText(what, Qt::ElideRight, lblRunningWhat->width()));
}

void TbfrmApportionQry::ShowRunning() {
    ShowRunningWhat();
    const qint64 seconds = runClock_.isValid() ? runClock_.elapsed() / 1000 : 0;
    lblRunning->setText(runState_ == TRunState::Filling
                            ? QStringLiteral("正在写入报表… %1 秒").arg(seconds)
                            : QStringLiteral("正在查询… %1 秒").arg(seconds));
}

// The unit and date lines of a run that returned rows.
void TbfrmApportionQry::WriteHeadingLines() {
    ShowOrder({});  // a new result comes in the statement's order
    const QString unitLabel = IsDeptUser(authpay::UserContext ? authpay::UserContext->CurrentUnit : nullptr)
                                  ? QStringLiteral("部门:")
                                  : QStringLiteral("单位:");
    cllBudget->SheetSetText(ReportLayout::kNumberColumn, ReportLayout::kUnitRow, 0, unitLabel + FUnitCode + QLatin1Char(' ') + GetUnitValue(3));
    cllBudget->SheetSetText(ReportLayout::kNumberColumn, ReportLayout::kDateRow, 0, QStringLiteral("出表日期:") + GetTodayText());
    cllBudget->SheetSetText(ReportLayout::kAmountColumn, ReportLayout::kDateRow, 0, QStringLiteral("单位:元"));
    // The headings down to the column captions (the rows every printed page repeats) stay in place
    // while the rows scroll; so do the running number and the first code and name once the report
    // is wider than the window.
    cllBudget->SheetFreeze(3, cllBudget->Model().Page().repeatLastRow);
}
