// The query window as hosts drive it (authpay::IQueryWindow): each call does what the user's
// action on the window's own controls does, through the same handlers and messages.
#include "query/ApportionQry.h"

#include "query/CodeEdit.h"
#include "query/ConditionSets.h"
#include "query/ReportOutput.h"
#include "report/ReportSheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QToolButton>

using authpay::ChoiceBox;
using authpay::CodeBox;
using authpay::Outcome;

const authpay::IResultSheet &TbfrmApportionQry::ResultRows() const { return *cllBudget; }

void TbfrmApportionQry::Cancel() {
    if (Busy()) CancelRun();
    else CancelOutputs(this);
}

Outcome TbfrmApportionQry::Export(const QString &file) {
    if (!OutputAllowed()) return Outcome::Stop();
    const Outcome outcome = ExportReportTo(cllBudget, file);
    ShowOutput(outcome);
    return outcome;
}

Outcome TbfrmApportionQry::PrintPdf(const QString &file) {
    if (!OutputAllowed()) return Outcome::Stop();
    const Outcome outcome = PrintReportTo(cllBudget, file);
    if (outcome.status == Outcome::Failed) Warn(outcome.message);
    return outcome;
}

void TbfrmApportionQry::OpenPreview() { RunHandler([this] { btnPrintViewClick(); }); }
int TbfrmApportionQry::PageCount() const { return cllBudget->SheetPageCount(); }
void TbfrmApportionQry::SetFitToWidth(bool on) { cllBudget->SetFitToWidth(on); }

QComboBox *TbfrmApportionQry::BoxOf(ChoiceBox box) const {
    const int n = int(box);
    if (n <= int(ChoiceBox::Dimension6)) return cmbNum[size_t(n)];
    switch (box) {
    case ChoiceBox::IndicatorType: return cobType;
    case ChoiceBox::IndicatorSubtype: return cobTypeChild;
    case ChoiceBox::Secrecy: return cobSecret;
    case ChoiceBox::FundNature: return cobMid;
    case ChoiceBox::PayKind: return cobPid;
    case ChoiceBox::ExpenditureType: return cobIPid;
    case ChoiceBox::UnitLevel: return cobClass;
    case ChoiceBox::CompareYear: return cobCompareYear;
    case ChoiceBox::ColumnDimension: return cobColumnDim;
    default: return nullptr;
    }
}

TCodeEdit *TbfrmApportionQry::CodeBoxOf(CodeBox box) const {
    return box == CodeBox::Unit ? edtEid : box == CodeBox::Subject ? edtBid : edtIid;
}

QStringList TbfrmApportionQry::Entries(ChoiceBox box) const {
    QStringList entries;
    if (const QComboBox *b = BoxOf(box))
        for (int i = 0; i < b->count(); ++i) entries << b->itemText(i);
    return entries;
}

bool TbfrmApportionQry::Choose(ChoiceBox box, int index) {
    QComboBox *b = BoxOf(box);
    if (!b || index < 0 || index >= b->count()) return false;
    b->setCurrentIndex(index);
    emit b->activated(index);  // the same signal a user's choice sends
    return true;
}

void TbfrmApportionQry::StartCompareYears() { ReadCompareYears(); }

void TbfrmApportionQry::SetSubtotals(bool on) {
    if (chbSubtotal->isChecked() != on) chbSubtotal->click();
}

void TbfrmApportionQry::SetUnitList(bool on) {
    if (chbEidType->isChecked() != on) chbEidType->click();
}

bool TbfrmApportionQry::TypeUnitCode(const QString &code) {
    const int before = messagesShown_;
    edtEid->setText(code);
    RunHandler([this] { edtEidExit(); });
    return messagesShown_ == before;
}

void TbfrmApportionQry::FillCodes(CodeBox box, const QStringList &codes) { CodeBoxOf(box)->SetCodes(codes); }
QString TbfrmApportionQry::CodeText(CodeBox box) const { return CodeBoxOf(box)->text(); }

void TbfrmApportionQry::OpenPicker(CodeBox box) {
    TCodeEdit *edit = CodeBoxOf(box);
    if (edit->OnDblClick) edit->OnDblClick();
}

QStringList TbfrmApportionQry::ConditionSetNames(QString *none) {
    authpay::Outcome read;
    const QStringList names = TConditionSetFile(PresetFile(), FUnitCode).Names(&read);
    if (none) *none = read.Ok() ? QStringLiteral("（无）") : read.message;
    return names;
}

bool TbfrmApportionQry::RecallConditionSet(const QString &name) {
    if (!ConditionSetNames(nullptr).contains(name)) return false;
    RunHandler([this, name] { RecallPreset(name); });
    return true;
}

bool TbfrmApportionQry::SaveConditionSet() {
    bool saved = false;
    RunHandler([this, &saved] { saved = SavePresetClick(); });
    return saved;
}

void TbfrmApportionQry::Refresh() { tbtnRefresh->click(); }

// The n-th result row's drill-down, opened as a double-click on the row's cell opens it.
authpay::IReportWindow *TbfrmApportionQry::Drill(int n, int *rows, int *sheetRow) {
    const TSheetModel &sheet = cllBudget->Model();
    int results = 0, row = 0;
    for (int r = 1; r <= sheet.RowCount() && row == 0; ++r)
        if (sheet.RowKind(r) == TRowKind::Result && ++results == n) row = r;
    for (int r = row + 1; row && r <= sheet.RowCount(); ++r)
        if (sheet.RowKind(r) == TRowKind::Result) ++results;
    if (rows) *rows = results;
    if (sheetRow) *sheetRow = row;
    if (row == 0) return nullptr;
    ShowSheetCell(ReportLayout::DimensionColumn(1), row);
    drills_.removeAll(nullptr);
    const qsizetype open = drills_.size();
    RunHandler([this, row] { OpenDrill(row); });
    return drills_.size() > open && drills_.last() ? drills_.last().data() : nullptr;
}

Outcome TbfrmApportionQry::WriteChart(authpay::IReportWindow *drill, const QString &file, const QString &kind) {
    QWidget *sheetWindow = nullptr;
    for (const QPointer<TbfrmApportionDetail> &d : std::as_const(drills_))
        if (d && static_cast<authpay::IReportWindow *>(d.data()) == drill) sheetWindow = d;
    if (drill && !sheetWindow) return Outcome::Failure(QStringLiteral("该窗口不是本查询打开的明细"));
    const QString failed = WriteChart(sheetWindow, file, kind);
    return failed.isEmpty() ? Outcome::Success() : Outcome::Failure(failed);
}
