#pragma once
// TbfrmApportionDetail: the drill-down window "明细" of the apportion summary query. It shows the
// budget rows behind one figure of the summary (a result row, a subtotal or the total): the rows
// the summary added up, numbered, with their unit, subject, item, fund nature, payment method,
// expenditure type, row id and amount, and a totals row equal to the figure. The rows are read
// in pages as the user scrolls down, so a large group opens at once; preview, print, export and
// the hosts' reading of the sheet read the rest first. Every read runs on a worker thread (see
// ApportionDetailRun.cpp): the window goes on answering, and the line under the sheet says what
// runs, with a "取消" button beside it.
#include "authpay/ReportWindow.h"
#include "frame/windows/FrmBsCld.h"
#include "query/DrillSql.h"
#include "report/SheetTypes.h"

#include <QElapsedTimer>
#include <QStringList>
#include <optional>
#include <memory>

class QLabel;
class QPushButton;
class QTimer;
class QToolButton;
class TReportSheet;
class TQueryJob;
class TResultRowWriter;
struct TDrillRows;

// The figure a drill-down opens: the summary's conditions and the row's group.
struct TDrillRequest {
    TDrillBase Base;
    QStringList Values;  // codes and names of the first dimensions, code before name
    QString Figure;      // the amount shown for the figure, as the summary sheet shows it
    std::optional<qint64> FigureCents;  // its whole cents; none where the sheet shows no figures
};

class TbfrmApportionDetail : public TfrmBsCld, public authpay::IReportWindow {
    Q_OBJECT
    Q_INTERFACES(authpay::IReportWindow)
public:
    static const TClassInfo ClassInfo;
    explicit TbfrmApportionDetail(const TComponentOwner &owner);
    ~TbfrmApportionDetail() override;

    // Loads the sheet's template, writes the heading and starts reading the first page. False when
    // the template could not be opened or the read not started; the reason is in LastMessage. A
    // first page that cannot be read says why from this window, which then closes.
    bool Load(const TDrillRequest &request);
    // Reads every row still unread, processing events until it is done: the line under the sheet
    // says what runs, and its "取消" button and Esc stop it. False when the read was cancelled or
    // failed (the failure's message was shown).
    bool FetchAll() override;
    // Whether a read runs (a page or the rest: its statement, or the writing of its rows), and its
    // cancel, as the "取消" button and Esc do it: the rows the window had stay, the read's go.
    bool Busy() const override;
    void CancelRun();
    // For the summary window that goes: this window goes at once, or, while FetchAll waits, once
    // that wait has ended (its read is cancelled).
    void Discard();
    bool Complete() const { return complete_; }
    int FetchedRows() const;
    // Rows per page (at least 1); the window reads kDrillPageRows at a time.
    void SetPageRows(int rows);
    static constexpr int kDrillPageRows = 1000;
    // The most rows the window reads: what the sheet holds below its six heading rows and above
    // the totals row, unless set lower.
    void SetRowLimit(int rows);
    static constexpr int kDrillRowLimit = kSheetMaxRows - 7;

    // As on the summary window: the sheet's used cells (every page read first), the PDF that
    // preview and print write instead of dialogs, the last message the window showed.
    QString SheetTabText();
    QList<QStringList> SheetCells();
    void SetPrintFile(const QString &pdfFile);
    QString LastMessage() const { return lastMessage_; }
    // Once every row is read: what the window says when its total is not the figure it was opened
    // on (budget rows written or removed since the summary was run); empty when they agree.
    QString DataChangeNote() const override { return changeNote_; }

    // What hosts drive (see ApportionDetailHost.cpp).
    QWidget *Widget() override { return this; }
    const authpay::IResultSheet &ResultRows() const override;
    void Cancel() override;
    authpay::Outcome Export(const QString &file) override;
    authpay::Outcome PrintPdf(const QString &file) override;
    void OpenPreview() override;
    int PageCount() const override;
    void SetFitToWidth(bool on) override;

    QToolButton *tbtnExcel = nullptr, *tbnPrintView = nullptr, *tbnPrint = nullptr, *tbnExit = nullptr;
    QAction *N8 = nullptr, *N4 = nullptr, *N5 = nullptr, *Excel1 = nullptr;
    TReportSheet *cllBudget = nullptr;
    QLabel *lblRows = nullptr;  // how many rows are shown, and whether more follow; or what runs
    QPushButton *btnCancelRead = nullptr;  // beside it while a read runs

    void btnPrintViewClick();
    void tbnPrintClick();
    void tbtnExcelClick();
    void tbnExitClick();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void FormClose(TCloseAction &action) override;

private:
    void BuildCommands();
    void WriteHeading();
    void FetchWhenNearEnd();
    bool NearEnd() const;
    void ShowRowCount();
    void Message(const QString &text);
    // An output's outcome, shown as ShowOutcome shows it.
    void ShowOutput(const authpay::Outcome &outcome);

    // The reads as they run (see ApportionDetailRun.cpp).
    enum class TReadKind { FirstPage, NextPage, Rest };
    enum class TReadState { Idle, Reading, Filling };
    enum class TReadEnd { Done, Failed, Cancelled };
    void BuildReadControls();
    bool StartRead(TReadKind kind);
    void ReadFinished(const authpay::Outcome &outcome);
    void FillSome();
    void PageWritten();
    void EndRead(TReadEnd end);
    void SetReadState(TReadState state);
    void ShowReading();
    TReadEnd WaitRead();

    TDrillRequest request_;
    QStringList codes_;  // the group's codes, one per dimension
    QString lastId_;     // the row id the last page ended with
    bool complete_ = false;
    bool overflow_ = false;  // the group has more rows than the window reads
    int rowLimit_ = kDrillRowLimit;
    int pageRows_ = kDrillPageRows;
    std::unique_ptr<TResultRowWriter> writer_;
    QString lastMessage_;
    QString changeNote_;

    TQueryJob *job_ = nullptr;
    TReadState readState_ = TReadState::Idle;
    TReadKind readKind_ = TReadKind::FirstPage;
    TReadEnd lastEnd_ = TReadEnd::Done;
    bool readScheduled_ = false;  // a page is to be read once the events of the scroll are done
    std::shared_ptr<TDrillRows> readRows_;
    int asked_ = 0, room_ = 0;  // the rows the statement asked for, and those the sheet still takes
    size_t fillNext_ = 0;
    // Before the read's rows were written: the sheet's rows, the writer and the last row id.
    int fillFirstRow_ = 0;
    std::unique_ptr<TResultRowWriter> writerBefore_;
    QString lastIdBefore_;
    int heldAt_ = -1;  // after a cancel: the scroll position that reads no page by itself
    int waiting_ = 0;  // FetchAll waits (nested) for a read
    bool closePending_ = false;  // closed while FetchAll waited: closes once it has returned
    QElapsedTimer readClock_;
    QTimer *readTimer_ = nullptr;
};
