#pragma once
// TbfrmApportionQry: the payment-scope apportion summary query window. The user chains up to six
// grouping dimensions and sets filters; Refresh runs one grouped sum query over the budget view
// and writes the rows, numbered, with codes, names, amounts and a totals row, into the report
// sheet, which can be previewed, printed and exported.
#include "frame/windows/FrmBsTrvTC.h"

#include "authpay/ReportWindow.h"
#include "query/ApportionDetail.h"
#include "query/ConditionSets.h"
#include "report/SheetModel.h"

#include <functional>
#include <QElapsedTimer>
#include <memory>

#include <QPointer>
#include <QStringList>
#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TQueryJob;
class TSummaryFill;
struct TSummaryRows;
class TRowHandover;
class QToolButton;
class TARQuery;
class TCodeEdit;
class TReportSheet;
class TResultChart;
struct TChartLayout;
struct TChartPick;
struct TConditionSet;
class TConditionSetFile;
class QMenu;
struct TQueryConditions;

// The column the result rows are sorted by (0: the statement's order), falling or rising.
struct TRowOrder {
    int column = 0;
    bool descending = false;
};

class TbfrmApportionQry : public TfrmBsTrvTC, public authpay::IQueryWindow {
    Q_OBJECT
    Q_INTERFACES(authpay::IReportWindow authpay::IQueryWindow)
public:
    static const TClassInfo ClassInfo;
    explicit TbfrmApportionQry(const TComponentOwner &owner);
    ~TbfrmApportionQry() override;

    // Report-sheet writes for the dimension headers (rows 4 and 5, columns c and c+1).
    static void WriteDimensionHeader(TReportSheet *sheet, int c, int r, const QString &caption);
    static void HideDimensionColumns(TReportSheet *sheet, int c, bool pair);
    // The window's state as the query builder reads it.
    TQueryConditions Conditions() const;

    // Tool bar buttons and menu entries.
    QToolButton *tbtnExcel = nullptr, *tbnPrintView = nullptr, *tbnPrint = nullptr, *tbtnRefresh = nullptr,
                *tbnExit = nullptr;
    // "查询方案": save the conditions under a name, recall or delete a saved set.
    QToolButton *tbtnPreset = nullptr;
    QMenu *mnuPreset = nullptr, *mnuPresetRecall = nullptr, *mnuPresetDelete = nullptr;
    QAction *actPresetLast = nullptr;  // "上次条件"
    QAction *actPresetSave = nullptr;
    QAction *N8 = nullptr, *N4 = nullptr, *N5 = nullptr, *Excel1 = nullptr;
    QAction *actRefresh = nullptr;  // "刷新" in the data menu, F5 or Ctrl+R
    QAction *actGuide = nullptr;    // "使用说明", F1
    // "图表": the result's chart window (see ApportionQryChart.cpp), while the sheet holds a result.
    QToolButton *tbtnChart = nullptr;
    QAction *actChart = nullptr;
    std::array<QComboBox *, 6> cmbNum{};
    QGroupBox *gbxNum = nullptr;
    QComboBox *cobType = nullptr, *cobTypeChild = nullptr, *cobMid = nullptr, *cobPid = nullptr,
              *cobIPid = nullptr, *cobSecret = nullptr, *cobClass = nullptr;
    QLabel *lblChild = nullptr, *LabEid = nullptr;
    TCodeEdit *edtEid = nullptr, *edtBid = nullptr, *edtIid = nullptr;
    QCheckBox *chbEidType = nullptr;
    QCheckBox *chbSubtotal = nullptr;  // "显示小计": subtotal rows after each group
    // "对比年度": another year whose amounts go beside the data year's; the empty entry for none.
    QComboBox *cobCompareYear = nullptr;
    // "列维度": a dimension whose codes the sheet spreads across its columns; the empty entry for none.
    QComboBox *cobColumnDim = nullptr;
    TReportSheet *cllBudget = nullptr;
    QWidget *pnprocess = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    // On the progress panel while a Refresh runs: what runs and for how long, and its cancel button.
    QLabel *lblRunning = nullptr;
    QLabel *lblRunningWhat = nullptr;  // after "正在提取数据：": the grouping, then the rows written
    QPushButton *btnCancelRun = nullptr;
    // The line under the sheet: "条件已改变，请刷新" once a condition differs from those of the
    // Refresh that made the sheet, "没有符合条件的数据" after a Refresh that found no rows.
    QLabel *lblSheetState = nullptr;
    QLabel *lblResultRows = nullptr;  // "共 N 行，用时 S 秒" under a result
    static const QString kStaleText, kNoRowsText;

    QString FSourceView;
    QString FUnitCode;
    QString FUnitPrefix;
    QString FDimensionList;

    // The sheet's used cells as tab-separated lines, and as texts, a list per row; the PDF that
    // preview and print write instead of showing dialogs; the last message the window showed.
    QString SheetTabText() const;
    QList<QStringList> SheetCells() const;
    void SetPrintFile(const QString &pdfFile);
    QString LastMessage() const { return lastMessage_; }
    // Scrolls the sheet to a cell and answers where the cell is on the sheet's view.
    QRect ShowSheetCell(int col, int row);
    // How long the last Refresh took: its statement (from F5 to the last row read) and the sheet
    // (from the last row read to the totals row written), in milliseconds.
    struct TRunTimes {
        qint64 statement = 0, sheet = 0;
    };
    TRunTimes LastRunTimes() const { return runTimes_; }
    // Whether a Refresh is running (its statement, or the writing of its rows); and its cancel, as
    // the panel's "取消" button and Esc do it.
    bool Busy() const override;
    void CancelRun();
    // Whether the sheet shows a result made with other conditions than those on screen, and the
    // line under the sheet (empty when none is shown).
    bool SheetStale() const;
    QString SheetStateText() const;
    // The chart window of the result, opened by "图表" (none until then); and the chart of the
    // result (sheetWindow null) or of a drill-down this window opened, of kind "bar" or "pie",
    // written to a .png, .svg or .pdf file: why it failed, empty when written.
    TResultChart *ChartWindow() const;
    QString WriteChart(QWidget *sheetWindow, const QString &file, const QString &kind);
    // Whether the years of "对比年度" are still being read (the box holds only its empty entry).
    bool CompareYearsPending() const override;

    // What hosts drive (see ApportionQryHost.cpp).
    QWidget *Widget() override { return this; }
    const authpay::IResultSheet &ResultRows() const override;
    void Cancel() override;
    bool FetchAll() override { return true; }
    QString DataChangeNote() const override { return QString(); }
    authpay::Outcome Export(const QString &file) override;
    authpay::Outcome PrintPdf(const QString &file) override;
    void OpenPreview() override;
    int PageCount() const override;
    void SetFitToWidth(bool on) override;
    QStringList Entries(authpay::ChoiceBox box) const override;
    bool Choose(authpay::ChoiceBox box, int index) override;
    void StartCompareYears() override;
    void SetSubtotals(bool on) override;
    void SetAllColumns(bool on) override;
    int SpreadColumns() const override { return spread_.columns; }
    int FoldedColumns() const override { return spread_.folded; }
    void SetUnitList(bool on) override;
    bool TypeUnitCode(const QString &code) override;
    void FillCodes(authpay::CodeBox box, const QStringList &codes) override;
    QString CodeText(authpay::CodeBox box) const override;
    void OpenPicker(authpay::CodeBox box) override;
    QStringList ConditionSetNames(QString *none) override;
    bool RecallConditionSet(const QString &name) override;
    bool SaveConditionSet() override;
    void Refresh() override;
    authpay::IReportWindow *Drill(int n, int *rows, int *sheetRow) override;
    authpay::Outcome WriteChart(authpay::IReportWindow *drill, const QString &file, const QString &kind) override;
    void ShowGuide() override;

    // Handlers.
    void tbtnRefreshClick();
    void btnPrintViewClick();
    void tbnPrintClick();
    void tbtnExcelClick();
    void tbnExitClick();
    void cmbNum1Change(int n);
    void cobTypeChange();
    void cobMidChange();
    void edtEidDblClick();
    void edtBidDblClick();
    void edtIidDblClick();
    void edtEidExit();
    void chbEidTypeClick();
    void PickCodes(const QString &kind);
    // Opens "明细" on the sheet row: the budget rows of a result row, a subtotal's group or the
    // total. Other rows open nothing.
    void OpenDrill(int row, int col = 0);
    void OpenDrillRequest(const TDrillRequest &request);
    // "图表": opens the result's chart window, or brings it forward; a click on its bars opens the
    // group's drill-down.
    void ChartClick();
    void OpenChartPick(const TChartPick &pick);
    // What a drill-down on the sheet row (its cell in column `col` of a spread result) would show;
    // none for a row that opens nothing.
    std::optional<TDrillRequest> DrillRequestAt(int row, int col = 0) const;

    // Saved condition sets: the window's conditions as a set, a set applied to the controls (what
    // could not be restored comes back as one description per item), and the menu's handlers.
    TConditionSet CurrentConditionSet() const;
    QStringList ApplyConditionSet(const TConditionSet &set);
    // False when nothing was saved (the user cancelled, or the window said why).
    bool SavePresetClick();
    void RecallPreset(const QString &name);
    void DeletePreset(const QString &name);
    // "上次条件": the conditions of the user's last Refresh in this unit, kept at each Refresh whose
    // statement ran, and recalled from the 查询方案 menu.
    void KeepLastConditions(const TConditionSet &set);
    void RecallLastConditions();
    // The file the sets are kept in (the user's configuration folder unless a host says otherwise).
    QString PresetFile() const;
    // Why the Refresh cannot run: a recalled code filter that lost every code is still shown as it
    // was recalled (the lost codes named); empty otherwise.
    QString LostFilterMessage() const;
    // Chooses the year in "对比年度" (0: none); false when it is not among the years.
    bool ChooseCompareYear(int year);
    // Chooses the column dimension (empty: none); false when the box does not offer it.
    bool ChooseColumnDimension(const QString &caption);

protected:
    void FormShow() override;

private:
    struct TReportActions ReportActions();
    void BuildToolBar();
    void BuildPresetMenu();
    void FillPresetMenus();
    void RecallFrom(const TConditionSetFile &file, const QString &name);
    void BuildMenus();
    void BuildFilterPanel();
    // Places the filter boxes with their labels in their columns, each drop-down wide enough for
    // its longest entry; again once the lists are filled.
    std::function<void()> PlaceFilters;
    void WireCodeBoxes();
    void BuildGroupBox();
    void BuildSheetAndProgress();
    void ScrollConditions();
    void FillUnitLevels();
    static void FillDimensionCombo(QComboBox *box, const QString &list);
    QString RemainingDimensions() const;
    // "对比年度" (see ApportionQryCompare.cpp).
    void BuildCompareYearBox(QGridLayout *grid);
    void ReadCompareYears();
    void FillCompareYears(const QList<int> &years);
    QString PrepareComparisonColumns(int year, const QStringList &dimensions);
    // The template opened afresh (with its comparison part when asked) and the result's dimension
    // headings written again: empty, or why the template could not be opened.
    QString ReopenTemplate(bool comparison, const QStringList &dimensions);
    // "列维度" (see ApportionQryColumns.cpp).
    void BuildColumnDimensionBox(QGridLayout *grid);
    void FillColumnDimensions();
    QString PrepareListHeading(int year, const QStringList &dimensions);
    std::optional<TDrillRequest> SpreadDrillRequest(TDrillRequest request, int col, int row) const;
    // The Refresh as it runs (see ApportionQryRun.cpp).
    enum class TRunState { Idle, Querying, Filling };
    void BuildRunControls();
    void RunFinished(const authpay::Outcome &outcome);
    void RowsArrived();
    QString StartFill(const std::shared_ptr<TSummaryRows> &rows, bool moreComing);
    void PlaceRunPanel();
    void FillSome();
    void NextSlice();
    void EndRun(bool cancelled);
    void SetBusy(TRunState state);
    void ShowRunning();
    void WriteHeadingLines();
    void ClearDataRows();
    void Message(const QString &text);
    // A message that reports a failure (with the warning icon).
    void Warn(const QString &text);
    void TellUnreachableDatabase();
    void ShowRunningWhat();
    void ShowResultRows(qint64 msecs);
    // An output's outcome, shown as ShowOutcome shows it.
    void ShowOutput(const authpay::Outcome &outcome);
    QComboBox *BoxOf(authpay::ChoiceBox box) const;
    TCodeEdit *CodeBoxOf(authpay::CodeBox box) const;
    // The stale-sheet line (see ApportionQryState.cpp).
    void BuildSheetStateLine();
    void SetResultConditions(std::optional<TConditionSet> conditions, bool empty);
    void UpdateSheetState();
    // Preview, print and export of a stale sheet ask first; false when the user declines.
    bool OutputAllowed();
    // The chart after the sheet changed: the command enabled while there is a result, an open
    // chart window drawn again.
    void BuildChartCommands();
    void BuildSheetCommands();
    void SortByHeading(int col, int row);
    void ShowOrder(const TRowOrder &order);
    void UpdateChartCommand();
    void ChartFollowsSheet();
    TChartLayout ResultLayout() const;
    QPointer<TResultChart> chart_;

    // What the rows on the sheet were summed with, for their drill-downs; drillReady_ while the
    // sheet shows them.
    TDrillBase drillBase_;
    bool drillReady_ = false;
    // The column the result rows are sorted by, and that of the sheet a Refresh set aside.
    TRowOrder order_, orderWas_;
    QList<QPointer<TbfrmApportionDetail>> drills_;
    // The code boxes of the last recalled set whose codes all no longer exist, with the text they
    // were given and the lost codes as the recall named them.
    struct TLostFilter {
        TCodeEdit *box;
        QString text;
        QStringList codes;
    };
    QList<TLostFilter> lostFilters_;
    QString lastMessage_;
    int messagesShown_ = 0;
    QString templateError_;
    // The conditions of the Refresh that made the sheet (none while the sheet holds no result),
    // whether it found no rows, and the conditions of the Refresh that runs.
    TConditionSet runConditions_;
    std::optional<TConditionSet> resultConditions_;
    bool resultEmpty_ = false;
    TQueryJob *job_ = nullptr;
    TQueryJob *yearsJob_ = nullptr;  // reads the years of "对比年度"
    bool compareYearsPending_ = false;
    QString templateFile_;  // the report template the sheet was opened from
    TRunState runState_ = TRunState::Idle;
    std::shared_ptr<TSummaryRows> runRows_;      // what the statement's thread reads into
    std::shared_ptr<TRowHandover> runHandover_;  // the rows it hands over as it reads them
    std::shared_ptr<TSummaryRows> runTaken_;     // the rows taken so far, which the sheet is written from
    bool streamBlocked_ = false;                 // the heading could not be written: the rows wait for the end
    std::unique_ptr<TSummaryFill> fill_;
    bool slicePending_ = false;  // the next slice of writing is on its way
    std::optional<TSheetModel> before_;  // the sheet before the run, put back when it is cancelled
    bool drillWasReady_ = false;
    QPointer<QWidget> focusBeforeRun_;
    bool holdingFocus_ = false;  // the controls are being disabled for a run: no box is left
    std::pair<QString, QString> runSource_;  // the source view and provider the run was made for
    QElapsedTimer runClock_;
    TRunTimes runTimes_;
    QTimer *runTimer_ = nullptr;  // why the report template could not be opened; empty when it was
    bool loaded_ = false;
    // The spread result on the sheet: its column dimension, its code columns ("其他" among them;
    // 0 for a list) and the codes "其他" holds; whether the heading is a spread one; whether every
    // code gets a column.
    struct TSpreadState {
        QString dimension;
        int columns = 0, folded = 0;
        bool heading = false;
    };
    TSpreadState spread_, spreadWas_;  // and as it was before a Refresh, put back when it is cancelled
    bool allColumns_ = false;
};

// Registers the window class, with its ancestors, in the module's class registry.
void RegisterApportionQryClasses();
