// The reads of the drill-down window as they run: each page statement (the first page, the next
// one as the user scrolls, the rest before an output) on a worker thread while the window goes on
// answering; the line under the sheet says what runs and for how long, with a "取消" button beside
// it (Esc presses it); then the rows are written into the sheet a slice at a time. A cancel stops
// the database's work, and a page that was cancelled writes none of its rows.
#include "query/ApportionDetail.h"
#include "platform/OwnedTimer.h"

#include "authpay/DbManager.h"
#include "authpay/UserContext.h"
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "data/QueryJob.h"
#include "frame/ModuleGlobals.h"
#include "query/DrillRun.h"
#include "query/ResultRows.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

TbfrmApportionDetail::~TbfrmApportionDetail() {
    // A read still running is cancelled and its thread joined before anything it reports to goes.
    delete job_;
}

void TbfrmApportionDetail::BuildReadControls() {
    auto *line = new QWidget(this);
    auto *row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 8, 0);
    lblRows = new QLabel(line);
    lblRows->setObjectName(QStringLiteral("lblRows"));
    lblRows->setContentsMargins(8, 3, 8, 3);
    row->addWidget(lblRows, 1);
    btnCancelRead = new QPushButton(QStringLiteral("取消"), line);
    btnCancelRead->setObjectName(QStringLiteral("btnCancelRead"));
    btnCancelRead->hide();
    connect(btnCancelRead, &QPushButton::clicked, this, [this] { CancelRun(); });
    row->addWidget(btnCancelRead);
    ClientLayout()->addWidget(line);
    readTimer_ = new QTimer(this);
    readTimer_->setInterval(200);
    connect(readTimer_, &QTimer::timeout, this, [this] { ShowReading(); });
}

bool TbfrmApportionDetail::Busy() const { return readState_ != TReadState::Idle || readScheduled_; }

// The statement for the rows after the last one read, started on the worker: a page, or
// everything the sheet still takes. False when it could not be started (LastMessage says why).
bool TbfrmApportionDetail::StartRead(TReadKind kind) {
    readScheduled_ = false;
    if (readState_ != TReadState::Idle || complete_ || overflow_ || !writer_) return false;
    room_ = rowLimit_ - FetchedRows();
    // The rest in one statement when everything is wanted: a page at a time, a server walks the
    // row ids of the whole table again for every page, where one statement reads the group once.
    const int pageRows = kind == TReadKind::Rest ? std::numeric_limits<int>::max() : pageRows_;
    asked_ = std::min(pageRows, room_ + 1);
    QString sql, connectionString;
    try {
        sql = DrillPageSql(request_.Base, codes_, lastId_, asked_);
        connectionString = GetDefaultConn()->ConnectionString;
    } catch (const Exception &e) {
        lastMessage_ = e.Message;
        return false;
    }
    if (!job_) {
        TDbManager *manager = authpay::UserContext ? authpay::UserContext->DbManager : nullptr;
        job_ = new TQueryJob(connectionString, manager, this);
        connect(job_, &TQueryJob::Finished, this, [this](const authpay::Outcome &o) { ReadFinished(o); });
    }
    // The statements run where the default connection would run them.
    job_->SetConnectionString(connectionString);
    auto rows = std::make_shared<TDrillRows>();
    if (!job_->Start([sql, rows](const std::atomic<bool> &cancelled) { ReadDrillRows(sql, *rows, cancelled); }))
        return false;
    readRows_ = std::move(rows);
    readKind_ = kind;
    SetReadState(TReadState::Reading);
    return true;
}

void TbfrmApportionDetail::CancelRun() {
    readScheduled_ = false;
    if (readState_ == TReadState::Reading) job_->Cancel();
    else if (readState_ == TReadState::Filling) EndRead(TReadEnd::Cancelled);
}

void TbfrmApportionDetail::ReadFinished(const authpay::Outcome &outcome) {
    if (readState_ != TReadState::Reading) return;
    if (outcome.Stopped()) return EndRead(TReadEnd::Cancelled);
    if (!outcome.Ok()) {
        lastMessage_ = outcome.message;
        SetLastDbError(outcome.message);
        return EndRead(TReadEnd::Failed);
    }
    fillFirstRow_ = cllBudget->SheetRowCount(0);
    writerBefore_ = std::make_unique<TResultRowWriter>(*writer_);
    lastIdBefore_ = lastId_;
    fillNext_ = 0;
    SetReadState(TReadState::Filling);
    FillSome();
}

// Leaves the reading state. A read cancelled while its rows were being written takes them away
// again; a failure is said, and a first page that failed closes the window (a group larger than
// the sheet holds still opens, with the rows it holds).
void TbfrmApportionDetail::EndRead(TReadEnd end) {
    if (end == TReadEnd::Cancelled && readState_ == TReadState::Filling) {
        cllBudget->SheetSetRowCount(fillFirstRow_, 0);
        *writer_ = *writerBefore_;
        lastId_ = lastIdBefore_;
    }
    readRows_.reset();
    writerBefore_.reset();
    lastEnd_ = end;
    // The scroll range follows the rows now, while the window is still busy: the range's change
    // asks for no page by itself.
    cllBudget->View()->Refresh();
    if (end == TReadEnd::Cancelled) heldAt_ = cllBudget->View()->verticalScrollBar()->value();
    SetReadState(TReadState::Idle);
    ShowRowCount();
    if (end == TReadEnd::Cancelled) {
        lastMessage_ = QStringLiteral("读取已取消");
        lblRows->setText(lastMessage_ + QChar(0x3000) + lblRows->text());
    } else if (end == TReadEnd::Failed) {
        const bool firstPage = readKind_ == TReadKind::FirstPage && !overflow_;
        if (!(readKind_ == TReadKind::FirstPage && overflow_)) Message(lastMessage_);
        if (firstPage) close();
    } else {
        FetchWhenNearEnd();
    }
}

void TbfrmApportionDetail::SetReadState(TReadState state) {
    const bool idle = state == TReadState::Idle;
    if (readState_ == TReadState::Idle && !idle) {
        readClock_.start();
        readTimer_->start();
    }
    readState_ = state;
    for (QToolButton *b : {tbtnExcel, tbnPrintView, tbnPrint}) b->setEnabled(idle);
    for (QAction *a : {Excel1, N4, N5}) a->setEnabled(idle);
    btnCancelRead->setVisible(!idle);
    if (idle) readTimer_->stop();
    else ShowReading();
}

void TbfrmApportionDetail::ShowReading() {
    const qint64 seconds = readClock_.isValid() ? readClock_.elapsed() / 1000 : 0;
    lblRows->setStyleSheet(QString());
    lblRows->setText(readState_ == TReadState::Filling ? QStringLiteral("正在写入报表… %1 秒").arg(seconds)
                                                       : QStringLiteral("正在读取… %1 秒").arg(seconds));
}

// Processes events until the read that runs has ended; how it ended.
TbfrmApportionDetail::TReadEnd TbfrmApportionDetail::WaitRead() {
    ++waiting_;
    while (readState_ != TReadState::Idle) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (--waiting_ == 0 && closePending_) OwnedSingleShot(this, 0, [this] { close(); });
    return lastEnd_;
}

bool TbfrmApportionDetail::FetchAll() {
    readScheduled_ = false;
    // A page being read ends first; one that was cancelled or failed (it said why) ends this too.
    if (readState_ != TReadState::Idle && WaitRead() != TReadEnd::Done) return false;
    if (complete_) return true;
    if (!StartRead(TReadKind::Rest)) {
        Message(lastMessage_);
        return false;
    }
    return WaitRead() == TReadEnd::Done && complete_;
}

// Esc is the cancel's while a read runs, before any shortcut of the window around this one sees it.
bool TbfrmApportionDetail::event(QEvent *event) {
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && readState_ != TReadState::Idle) {
        event->accept();
        return true;
    }
    return TfrmBsCld::event(event);
}

void TbfrmApportionDetail::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && readState_ != TReadState::Idle) return btnCancelRead->click();
    TfrmBsCld::keyPressEvent(event);
}

// Closed while FetchAll waits for its read: the read is cancelled, and the window closes once
// FetchAll has returned to its caller, which still uses it.
void TbfrmApportionDetail::FormClose(TCloseAction &action) {
    TfrmBsCld::FormClose(action);
    if (waiting_ == 0) return;
    CancelRun();
    closePending_ = true;
    action = caNone;
}

void TbfrmApportionDetail::Discard() {
    if (waiting_ == 0) {
        delete this;
        return;
    }
    CancelRun();
    closePending_ = true;
}
