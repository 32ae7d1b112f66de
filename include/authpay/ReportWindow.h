#pragma once
// The module's report windows as a host drives them without a user: the summary query window
// (IQueryWindow) and the drill-downs it opens (IReportWindow). A host gets them from a window's
// widget with qobject_cast<authpay::IQueryWindow *>(widget) (or IReportWindow). Every call runs on
// the user-interface thread and does what the user's action does, with the same messages in the
// window's message boxes; a Refresh or a drill-down's read is started, and Busy() says when it has
// ended.
#include "authpay/Outcome.h"
#include "authpay/ResultSheet.h"

#include <QObject>
#include <QDialog>
#include <QWidget>
#include <QString>
#include <QStringList>

namespace authpay {

class IReportWindow {
public:
    virtual ~IReportWindow() = default;
    // The window's widget, for a host that watches it (a QPointer tells when it has closed).
    virtual QWidget *Widget() = 0;
    virtual const IResultSheet &ResultRows() const = 0;
    // Whether a Refresh or a read runs; and its cancel, or the cancel of a long output's progress.
    virtual bool Busy() const = 0;
    virtual void Cancel() = 0;
    // Every row read (a drill-down reads its remaining pages); false when that read was cancelled
    // or failed (the window said why).
    virtual bool FetchAll() = 0;
    // A drill-down whose total is no longer the figure it was opened on says so (empty: it is).
    virtual QString DataChangeNote() const = 0;
    // The sheet written to `file`, its type by its extension (.xls, .xlsx or .csv; any other name
    // gets ".xls"), as the export button writes it once the save dialog has the name.
    virtual Outcome Export(const QString &file) = 0;
    // The sheet printed to a PDF file, as the print button prints it.
    virtual Outcome PrintPdf(const QString &file) = 0;
    // The print preview, as its button opens it (a modal dialog).
    virtual void OpenPreview() = 0;
    virtual int PageCount() const = 0;
    // "适合页宽": every column on one page width in previews, printouts, PDF files and workbooks.
    virtual void SetFitToWidth(bool on) = 0;
};

// The print preview a report window opens (OpenPreview): a modal dialog that a host without a
// user pictures and closes. A host tells it with qobject_cast<authpay::IPrintPreview *>(widget).
class IPrintPreview {
public:
    virtual ~IPrintPreview() = default;
    virtual QDialog *Dialog() = 0;
};

// A chart window of a result ("图表"): a window of its own beside the host's work area, which a
// host lists among its windows (the 窗口 menu) by qobject_cast<authpay::IChartWindow *>(widget).
class IChartWindow {
public:
    virtual ~IChartWindow() = default;
    virtual QWidget *Widget() = 0;
};

// The query window's boxes a host chooses entries in, as the user would.
enum class ChoiceBox {
    Dimension1, Dimension2, Dimension3, Dimension4, Dimension5, Dimension6,
    IndicatorType, IndicatorSubtype, Secrecy, FundNature, PayKind, ExpenditureType, UnitLevel, CompareYear,
    ColumnDimension,  // "列维度": empty, or a dimension spread across the columns
};
// Its code boxes: 预算单位, 预算科目, 项目.
enum class CodeBox { Unit, Subject, Item };

class IQueryWindow : public IReportWindow {
public:
    // The entries a box offers, and one of them chosen (false for a position it does not have).
    virtual QStringList Entries(ChoiceBox box) const = 0;
    virtual bool Choose(ChoiceBox box, int index) = 0;
    // "对比年度" reads its years when first visited: this starts that read; the years are there
    // once CompareYearsPending() is false.
    virtual void StartCompareYears() = 0;
    virtual bool CompareYearsPending() const = 0;
    virtual void SetSubtotals(bool on) = 0;
    // With a column dimension, every code gets its column (on), or the 30 largest and "其他" hold
    // the rest (off, as the window shows them). Of the result on the sheet: its code columns from
    // column 14 on ("其他" among them; 0 for a list, whose amounts are in column 14), the row
    // totals right of them, and how many codes "其他" holds.
    virtual void SetAllColumns(bool on) = 0;
    virtual int SpreadColumns() const = 0;
    virtual int FoldedColumns() const = 0;
    // "单位列表": the unit box takes a list of units instead of one unit (and its units below).
    virtual void SetUnitList(bool on) = 0;
    // A unit code typed into the unit box and left, which checks it; false when it was refused
    // (the window said why).
    virtual bool TypeUnitCode(const QString &code) = 0;
    // A code box filled as its picker fills it; and the codes it holds.
    virtual void FillCodes(CodeBox box, const QStringList &codes) = 0;
    virtual QString CodeText(CodeBox box) const = 0;
    // The box's picker, as a double-click opens it (a modal dialog the host answers).
    virtual void OpenPicker(CodeBox box) = 0;
    // Saved condition sets: their names (or, when none is listed, the menu's word why), one
    // recalled, and the conditions saved under the name the window then asks for.
    virtual QStringList ConditionSetNames(QString *none) = 0;
    virtual bool RecallConditionSet(const QString &name) = 0;
    virtual bool SaveConditionSet() = 0;  // false: nothing saved (cancelled, or said why)
    virtual void Refresh() = 0;
    // The drill-down of result row n (from 1; subtotal rows not counted), opened as a double-click
    // on it opens it; null when the sheet has no such row (`rows` the count) or none opened.
    virtual IReportWindow *Drill(int n, int *rows, int *sheetRow) = 0;
    // The chart of the result (of `drill`, a drill-down this window opened, when not null), of
    // kind "bar" or "pie", written to a .png, .svg or .pdf file.
    virtual Outcome WriteChart(IReportWindow *drill, const QString &file, const QString &kind) = 0;
    // The window's short guide (conditions, keys, outputs), as F1 shows it: a modal box.
    virtual void ShowGuide() = 0;
};

}  // namespace authpay

#define AUTHPAY_REPORT_WINDOW_IID "cn.budget.authpay.IReportWindow/1"
#define AUTHPAY_QUERY_WINDOW_IID "cn.budget.authpay.IQueryWindow/1"
#define AUTHPAY_PRINT_PREVIEW_IID "cn.budget.authpay.IPrintPreview/1"
#define AUTHPAY_CHART_WINDOW_IID "cn.budget.authpay.IChartWindow/1"
Q_DECLARE_INTERFACE(authpay::IReportWindow, AUTHPAY_REPORT_WINDOW_IID)
Q_DECLARE_INTERFACE(authpay::IQueryWindow, AUTHPAY_QUERY_WINDOW_IID)
Q_DECLARE_INTERFACE(authpay::IPrintPreview, AUTHPAY_PRINT_PREVIEW_IID)
Q_DECLARE_INTERFACE(authpay::IChartWindow, AUTHPAY_CHART_WINDOW_IID)
