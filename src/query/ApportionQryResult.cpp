// Refresh, the result rows, preview, print and export of the query window.
#include "query/ApportionQry.h"

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
#include "query/ResultRows.h"
#include "query/Subtotals.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>

namespace {
// What the summary about to run groups and filters by, for the drill-downs of its rows.
TDrillBase DrillBaseOf(const TQuerySql &built, const QString &sourceView, const QString &provider) {
    return {sourceView, built.WhereClause, built.Dimensions, built.UnitCut, SqlBackendOf(provider)};
}
}  // namespace

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
    c.DataYear = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    c.SourceView = FSourceView;
    c.LookupCode = [](TCodeKind kind, const QString &name) {
        QString code, error;
        // "<全部>" is no code table's name: it means no filter, without asking the database.
        if (name.isEmpty() || name == kAllEntry) return code;
        if (kind == TCodeKind::FundNature) GetFundNatureId(name, code, &error);
        else if (kind == TCodeKind::PayKind) GetPayKindId(name, QString(), code, &error);
        else GetExpenditureTypeId(name, code, &error);
        // A chosen name whose code could not be read would drop its filter and widen the report.
        if (!error.isEmpty()) throw EDatabaseError(error);
        return code;
    };
    return c;
}

void TbfrmApportionQry::tbtnRefreshClick() {
    if (!templateError_.isEmpty()) {
        Message(templateError_);
        return;
    }
    if (const QString lost = LostFilterMessage(); !lost.isEmpty()) {
        Message(lost);
        return;
    }
    ClearDataRows();
    TQueryConditions conditions = Conditions();
    TQuerySql built;
    try {
        conditions.SubstringFunction = GetDefaultConn()->GetSubstringFunction();
        conditions.Filters.Backend = DefaultSqlBackend();
        built = BuildQuerySql(conditions);
        drillBase_ = DrillBaseOf(built, conditions.SourceView, GetDefaultConn()->Provider());
    } catch (const Exception &e) {
        Message(e.Message);
        return;
    }
    if (built.Sql.isEmpty()) return;
    ShowResult(built.Sql, built.FieldNames());
}

std::optional<TDrillRequest> TbfrmApportionQry::DrillRequestAt(int row) const {
    if (!drillReady_ || row < 7 || row >= cllBudget->SheetRowCount(0)) return std::nullopt;
    const int level = DrillLevelOfRow(cllBudget->SheetCellText(1, row), int(drillBase_.Dimensions.size()));
    if (level < 0) return std::nullopt;
    TDrillRequest request{drillBase_, {}, cllBudget->SheetCellText(14, row)};
    for (int c = 2; c < 2 + 2 * level; ++c) request.Values << cllBudget->SheetCellText(c, row);
    return request;
}

void TbfrmApportionQry::OpenDrill(int row) {
    const std::optional<TDrillRequest> request = DrillRequestAt(row);
    if (!request) return;
    std::unique_ptr<TbfrmApportionDetail> detail(
        static_cast<TbfrmApportionDetail *>(ConstructComponent<TbfrmApportionDetail>(TComponentOwner{})));
    if (!detail->Load(*request)) {
        Message(detail->LastMessage());
        return;
    }
    drills_.removeAll(nullptr);
    drills_ << detail.get();
    detail.release()->Show();
}

TbfrmApportionQry::~TbfrmApportionQry() {
    // The drill-downs read through this window's module: they close with it.
    for (const QPointer<TbfrmApportionDetail> &detail : std::as_const(drills_)) delete detail.data();
}

QRect TbfrmApportionQry::ShowSheetCell(int col, int row) {
    cllBudget->View()->Refresh();
    cllBudget->View()->SelectCells({col, row, col, row});
    cllBudget->View()->EnsureVisible(col, row);
    return cllBudget->View()->CellRect(col, row);
}

void TbfrmApportionQry::ShowResult(const QString &sql, const QStringList &fields) {
    IARQueryPtr q;
    if (!OpenDefaultQuery(sql, q) || !q.Query()) {
        // The statement could not be run: say why instead of reading a result that is not there.
        ClearDataRows();
        Message(LastDbError());
        return;
    }
    TARQuery *rows = q.Query();
    if (rows->IsEmpty()) {
        ClearDataRows();
        return;
    }
    try {
        WriteResult(rows, fields);
    } catch (const EDatabaseError &e) {
        // A row that could not be read ends the result early: the rows before it are not the
        // result, and a total over them would be wrong.
        ClearDataRows();
        Message(e.Message);
    }
}

void TbfrmApportionQry::ShowProgress(int rows) {
    // The panel paints its own background, as a panel does: the bar's repaints then stop at the
    // panel instead of repainting the report sheet beneath it at every step.
    pnprocess->setAutoFillBackground(true);
    pnprocess->move((width() - pnprocess->width()) / 2, (height() - pnprocess->height()) / 2);
    pnprocess->show();
    pnprocess->raise();
    repaint();
    ProgressBar1->setValue(0);
    ProgressBar1->setMaximum(rows);
    ProgressBar1->repaint();
    if (authpay::Screen) authpay::Screen->SetCursor(TCursor::crHourGlass);
}

// The unit and date lines, then the rows and the totals row. The rows are counted first, which
// reads a result of unknown size to its end: a read error then comes before anything is written.
void TbfrmApportionQry::WriteResult(TARQuery *rows, const QStringList &fields) {
    const int count = rows->RecordCount();
    const QString unitLabel = IsDeptUser(authpay::UserContext ? authpay::UserContext->CurrentUnit : nullptr)
                                  ? QStringLiteral("部门:")
                                  : QStringLiteral("单位:");
    cllBudget->SheetSetText(1, 2, 0, unitLabel + FUnitCode + QLatin1Char(' ') + GetUnitValue(3));
    cllBudget->SheetSetText(1, 3, 0, QStringLiteral("出表日期:") + GetTodayText());
    cllBudget->SheetSetText(14, 3, 0, QStringLiteral("单位:元"));
    struct Finish {
        TbfrmApportionQry *w;
        ~Finish() {
            if (authpay::Screen) authpay::Screen->SetCursor(TCursor::crDefault);
            w->pnprocess->hide();
        }
    } finish{this};
    ShowProgress(count);
    TProgressTicker ticker(ProgressBar1->maximum(), [this](int done) {
        ProgressBar1->setValue(done);
        ProgressBar1->repaint();
    });
    // The columns are looked up once, not on every row.
    std::vector<int> columns;
    for (const QString &f : fields) columns.push_back(rows->FieldIndex(f));
    const int amountColumn = rows->FieldIndex(QStringLiteral("sumMoney"));
    TResultRowWriter writer(cllBudget);
    // Subtotals after the groups of every chosen dimension but the last, when asked for.
    TSubtotalTracker subtotals(chbSubtotal->isChecked() ? int(fields.size()) / 2 - 1 : 0);
    const auto writeSubtotals = [&writer](const std::vector<TSubtotal> &closed) {
        for (const TSubtotal &s : closed) writer.AddSubtotal(s.level, s.values, s.sum);
    };
    QStringList values;
    for (; !rows->Eof(); rows->Next()) {
        ticker.Advance();
        values.clear();
        for (int c : columns) values << rows->Value(c).toString();  // a null value gives an empty text
        const double amount = TField(QString(), rows->Value(amountColumn)).AsCurrency();
        writeSubtotals(subtotals.Add(values, amount));
        writer.AddRow(values, amount);
    }
    writeSubtotals(subtotals.Finish());
    writer.AddTotals();
    drillReady_ = true;
}

void TbfrmApportionQry::btnPrintViewClick() {
    if (const QString failed = PreviewReport(cllBudget); !failed.isEmpty()) Message(failed);
}

void TbfrmApportionQry::tbnPrintClick() {
    if (const QString failed = PrintReport(cllBudget); !failed.isEmpty()) Message(failed);
}

void TbfrmApportionQry::tbtnExcelClick() {
    const int year = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    const QString suggested = QString::number(year) + QStringLiteral("年") + cobType->currentText()
                              + QStringLiteral("范围划分建议表组合查询结果");
    if (const QString said = ExportReport(cllBudget, this, suggested); !said.isEmpty()) Message(said);
}

QString TbfrmApportionQry::SheetTabText() const { return SheetUsedCellsText(cllBudget); }
QList<QStringList> TbfrmApportionQry::SheetCells() const { return SheetUsedCells(cllBudget); }
void TbfrmApportionQry::SetPrintFile(const QString &pdfFile) { cllBudget->SetPrintFile(pdfFile); }
