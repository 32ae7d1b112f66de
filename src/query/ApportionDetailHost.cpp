// The drill-down as hosts drive it (authpay::IReportWindow): each call does what the user's action
// on the window's own controls does. Every output reads the rows still unread first.
#include "query/ApportionDetail.h"

#include "query/ReportOutput.h"
#include "report/ReportSheet.h"

using authpay::Outcome;

const authpay::IResultSheet &TbfrmApportionDetail::ResultRows() const { return *cllBudget; }

void TbfrmApportionDetail::Cancel() {
    if (Busy()) CancelRun();
    else CancelOutputs(this);
}

Outcome TbfrmApportionDetail::Export(const QString &file) {
    const Outcome outcome = ExportReportTo(cllBudget, file, [this] { return FetchAll(); });
    ShowOutput(outcome);
    return outcome;
}

Outcome TbfrmApportionDetail::PrintPdf(const QString &file) {
    if (!FetchAll()) return Outcome::Stop();
    const Outcome outcome = PrintReportTo(cllBudget, file);
    if (outcome.status == Outcome::Failed) ShowOutput(outcome);
    return outcome;
}

void TbfrmApportionDetail::OpenPreview() { RunHandler([this] { btnPrintViewClick(); }); }
int TbfrmApportionDetail::PageCount() const { return cllBudget->SheetPageCount(); }
void TbfrmApportionDetail::SetFitToWidth(bool on) { cllBudget->SetFitToWidth(on); }
