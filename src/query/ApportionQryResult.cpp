// Refresh, the result rows, preview, print and export of the query window.
#include "query/ApportionQry.h"
#include "chart/ResultChart.h"

#include "authpay/Screen.h"
#include "authpay/UserContext.h"
#include "data/AdoConn.h"
#include "data/ComboFillers.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"
#include "data/Lookups.h"
#include "frame/ModuleGlobals.h"
#include "frame/UserContextOps.h"
#include "query/CodeEdit.h"
#include "query/ApportionDetail.h"
#include "query/QueryBuild.h"
#include "query/ReportOutput.h"
#include "query/SummaryFill.h"
#include "query/ResultRows.h"
#include "data/QueryJob.h"
#include "query/Subtotals.h"
#include "query/SortRows.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"
#include "report/ReportLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>

TQueryConditions TbfrmApportionQry::Conditions() const {
    TQueryConditions c;
    for (QComboBox *box : cmbNum) c.Dimensions << box->currentText();
    c.UnitLevel = cobClass->currentText();
    TQueryFilters &f = c.Filters;
    f.IndicatorType = cobType->currentIndex();
    f.SubtypeVisible = !cobTypeChild->isHidden();
    f.IndicatorSubtype = cobTypeChild->currentIndex();
    f.UnitText = edtEid->text();
    f.UnitCodes = edtEid->PickedCodes();
    f.UnitList = chbEidType->isChecked();
    f.SubjectText = edtBid->text();
    f.SubjectCodes = edtBid->PickedCodes();
    f.ItemText = edtIid->text();
    f.ItemCodes = edtIid->PickedCodes();
    f.Secrecy = cobSecret->currentIndex();
    f.FundNature = cobMid->currentText();
    f.PayKind = cobPid->currentText();
    f.ExpenditureType = cobIPid->currentText();
    f.ScopeUnit = ReportScopeUnit();
    c.DataYear = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    c.CompareYear = cobCompareYear->currentText().toInt();
    c.ColumnDimension = cobColumnDim->currentText();
    c.SourceView = FSourceView;
    c.LookupCode = [](TCodeKind kind, const QString &name) {
        QString code;
        // "<全部>" is no code table's name: it means no filter, without asking the database.
        if (name.isEmpty() || name == kAllEntry) return code;
        authpay::Outcome ran;
        if (kind == TCodeKind::FundNature) GetFundNatureId(name, code, &ran);
        else if (kind == TCodeKind::PayKind) GetPayKindId(name, QString(), code, &ran);
        else GetExpenditureTypeId(name, code, &ran);
        // A chosen name whose code could not be read would drop its filter and widen the report.
        if (!ran.Ok()) throw EDatabaseError(ran.message);
        return code;
    };
    return c;
}

std::optional<TDrillRequest> TbfrmApportionQry::DrillRequestAt(int row, int col) const {
    if (!drillReady_ || row < ReportLayout::kFirstDataRow || row >= cllBudget->SheetRowCount(0)) return std::nullopt;
    const TSheetModel &sheet = cllBudget->Model();
    const int level = DrillLevelOfRow(sheet.RowKind(row), sheet.RowLevel(row), int(drillBase_.Dimensions.size()));
    if (level < 0) return std::nullopt;
    // A spread row's own figure is its total, right of its codes' columns.
    const int amounts = ReportLayout::kAmountColumn + spread_.columns;
    TDrillRequest request{drillBase_, {}, cllBudget->SheetCellText(amounts, row), sheet.Amount(amounts, row)};
    for (int c = ReportLayout::DimensionColumn(1); c < ReportLayout::DimensionColumn(level + 1); ++c) request.Values << cllBudget->SheetCellText(c, row);
    if (spread_.columns > 0 && col >= ReportLayout::kAmountColumn) return SpreadDrillRequest(request, col, row);
    return request;
}

// A click on the heading of an amount, code or name column sorts the result rows by it (again:
// the other way round), within their groups; the heading shows an arrow.
void TbfrmApportionQry::SortByHeading(int col, int row) {
    if (Busy() || !drillReady_ || (row != ReportLayout::kHeadingRow && row != ReportLayout::kSubHeadingRow)) return;
    const int lastAmount = spread_.columns > 0 ? ReportLayout::kAmountColumn + spread_.columns : ReportLayout::kLastComparedColumn;
    const bool amounts = col >= ReportLayout::kAmountColumn && col <= lastAmount;
    const bool dimension = col >= ReportLayout::DimensionColumn(1) && col < ReportLayout::kAmountColumn;
    if ((!amounts && !dimension) || cllBudget->Model().ColumnWidth(col) == 0) return;
    const TRowOrder order{col, order_.column == col && !order_.descending};
    cllBudget->Edit([&order](TSheetModel &m) { SortResultRows(m, order.column, order.descending); });
    ShowOrder(order);
}

void TbfrmApportionQry::ShowOrder(const TRowOrder &order) {
    order_ = order;
    const bool amounts = order.column >= ReportLayout::kAmountColumn;
    cllBudget->View()->SetSortMark(order.column, amounts ? ReportLayout::kHeadingRow : ReportLayout::kSubHeadingRow,
                                   order.descending);
}

void TbfrmApportionQry::OpenDrill(int row, int col) {
    if (Busy()) return;  // the rows on the sheet are not the result yet
    const std::optional<TDrillRequest> request = DrillRequestAt(row, col);
    if (request) OpenDrillRequest(*request);
}

void TbfrmApportionQry::OpenDrillRequest(const TDrillRequest &request) {
    std::unique_ptr<TbfrmApportionDetail> detail(
        static_cast<TbfrmApportionDetail *>(ConstructComponent<TbfrmApportionDetail>(TComponentOwner{})));
    if (!detail->Load(request)) {
        Warn(detail->LastMessage());
        return;
    }
    drills_.removeAll(nullptr);
    drills_ << detail.get();
    detail.release()->Show();
}

TbfrmApportionQry::~TbfrmApportionQry() {
    // A Refresh still running is cancelled and its thread joined before anything it may report to
    // goes.
    delete job_;
    delete yearsJob_;
    delete chart_;  // a window of its own, which reads this window's sheet
    // The drill-downs read through this window's module: they close with it (one whose rows an
    // output is waiting for, once that wait has ended).
    for (const QPointer<TbfrmApportionDetail> &detail : std::as_const(drills_))
        if (detail) detail->Discard();
}

QRect TbfrmApportionQry::ShowSheetCell(int col, int row) {
    cllBudget->View()->Refresh();
    cllBudget->View()->SelectCells({col, row, col, row});
    cllBudget->View()->EnsureVisible(col, row);
    return cllBudget->View()->CellRect(col, row);
}

void TbfrmApportionQry::btnPrintViewClick() {
    if (!OutputAllowed()) return;
    ShowOutput(PreviewReport(cllBudget));
}

void TbfrmApportionQry::tbnPrintClick() {
    if (!OutputAllowed()) return;
    ShowOutput(PrintReport(cllBudget));
}

void TbfrmApportionQry::tbtnExcelClick() {
    if (!OutputAllowed()) return;
    const int year = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    const QString suggested = QString::number(year) + QStringLiteral("年") + cobType->currentText()
                              + QStringLiteral("范围划分建议表组合查询结果");
    ShowOutput(ExportReport(cllBudget, this, suggested));
}

QString TbfrmApportionQry::SheetTabText() const { return SheetUsedCellsText(cllBudget); }
QList<QStringList> TbfrmApportionQry::SheetCells() const { return SheetUsedCells(cllBudget); }
void TbfrmApportionQry::SetPrintFile(const QString &pdfFile) { cllBudget->SetPrintFile(pdfFile); }
