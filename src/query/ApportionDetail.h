#pragma once
// TbfrmApportionDetail: the drill-down window "明细" of the apportion summary query. It shows the
// budget rows behind one figure of the summary (a result row, a subtotal or the total): the rows
// the summary added up, numbered, with their unit, subject, item, fund nature, payment method,
// expenditure type, row id and amount, and a totals row equal to the figure. The rows are read
// in pages as the user scrolls down, so a large group opens at once; preview, print, export and
// the hosts' reading of the sheet read the rest first.
#include "frame/windows/FrmBsCld.h"
#include "query/DrillSql.h"
#include "report/SheetTypes.h"

#include <QStringList>
#include <memory>

class QLabel;
class QToolButton;
class TReportSheet;
class TARQuery;
class TResultRowWriter;

// The figure a drill-down opens: the summary's conditions and the row's group.
struct TDrillRequest {
    TDrillBase Base;
    QStringList Values;  // codes and names of the first dimensions, code before name
    QString Figure;      // the amount shown for the figure, as the summary sheet shows it
};

class TbfrmApportionDetail : public TfrmBsCld {
    Q_OBJECT
public:
    static const TClassInfo ClassInfo;
    explicit TbfrmApportionDetail(const TComponentOwner &owner);
    ~TbfrmApportionDetail() override;

    // Loads the sheet's template, writes the heading and reads the first page. False when the
    // template or the first page could not be read; the reason is in LastMessage.
    bool Load(const TDrillRequest &request);
    // Reads every page still unread. False when a page could not be read (the message was shown).
    Q_INVOKABLE bool FetchAll();
    bool Complete() const { return complete_; }
    int FetchedRows() const;
    // Rows per page (at least 1); the window reads kDrillPageRows at a time.
    void SetPageRows(int rows);
    static constexpr int kDrillPageRows = 1000;
    // The most rows the window reads: what the sheet holds below its six heading rows and above
    // the totals row, unless set lower.
    void SetRowLimit(int rows);
    static constexpr int kDrillRowLimit = kSheetMaxRows - 7;

    // For hosts that drive the window without a user, as on the summary window: the sheet's used
    // cells (every page read first) and the PDF that preview and print write instead of dialogs.
    Q_INVOKABLE QString SheetTabText();
    Q_INVOKABLE QList<QStringList> SheetCells();
    Q_INVOKABLE void SetPrintFile(const QString &pdfFile);
    Q_INVOKABLE QString LastMessage() const { return lastMessage_; }
    // Once every row is read: what the window says when its total is not the figure it was opened
    // on (budget rows written or removed since the summary was run); empty when they agree.
    Q_INVOKABLE QString DataChangeNote() const { return changeNote_; }

    QToolButton *tbtnExcel = nullptr, *tbnPrintView = nullptr, *tbnPrint = nullptr, *tbnExit = nullptr;
    QAction *N8 = nullptr, *N4 = nullptr, *N5 = nullptr, *Excel1 = nullptr;
    TReportSheet *cllBudget = nullptr;
    QLabel *lblRows = nullptr;  // how many rows are shown, and whether more follow

    void btnPrintViewClick();
    void tbnPrintClick();
    void tbtnExcelClick();
    void tbnExitClick();

private:
    void BuildCommands();
    void WriteHeading();
    bool FetchPage(int pageRows);
    int WriteRows(TARQuery *rows, int room);
    void FetchWhenNearEnd();
    void ShowRowCount();
    void Message(const QString &text);

    TDrillRequest request_;
    QStringList codes_;  // the group's codes, one per dimension
    QString lastId_;     // the row id the last page ended with
    bool complete_ = false;
    bool overflow_ = false;  // the group has more rows than the window reads
    int rowLimit_ = kDrillRowLimit;
    bool fetching_ = false;
    int pageRows_ = kDrillPageRows;
    std::unique_ptr<TResultRowWriter> writer_;
    QString lastMessage_;
    QString changeNote_;
};
