#include "SheetStream.h"

#include "HostOutput.h"


namespace {
constexpr int kBlockRows = 4096;
}  // namespace

void ForEachSheetRow(const authpay::IResultSheet &sheet, const std::function<bool(const authpay::SheetRow &)> &each) {
    const int rows = sheet.UsedRows(), columns = sheet.UsedColumns();
    for (int first = 1; first <= rows; first += kBlockRows)
        for (const authpay::SheetRow &row : sheet.Rows(first, kBlockRows, columns))
            if (!each(row)) return;
}

authpay::Outcome WriteSheetReport(const authpay::IResultSheet &sheet, TReportForm form, int maxRows, int terminalColumns) {
    TReportScan scan(form == TReportForm::Table);
    ForEachSheetRow(sheet, [&scan](const authpay::SheetRow &row) {
        scan.Add(row);
        return true;
    });
    const TReportTable table = scan.Table();
    if (form == TReportForm::Table && terminalColumns > 0 && ReportTableWidth(table) > terminalColumns)
        StatusLine(QStringLiteral("budget-host: the table is %1 columns wide and the terminal %2: its lines run on "
                                  "(--format tsv or csv for a narrow terminal)")
                       .arg(ReportTableWidth(table))
                       .arg(terminalColumns));
    TReportWriter writer(table, form, scan.ResultRows(), maxRows);
    QString pending = writer.Begin();
    authpay::Outcome written = authpay::Outcome::Success();
    qsizetype inBlock = 0;
    if (!table.columns.isEmpty())
        ForEachSheetRow(sheet, [&](const authpay::SheetRow &row) {
            if (!TReportScan::IsResultRow(row)) return true;
            pending += writer.Row(scan.Pick(row.texts), scan.Pick(row.cents));
            if (++inBlock < kBlockRows) return true;
            inBlock = 0;
            written = WriteData(pending);
            pending.clear();
            return written.Ok();
        });
    return written.Ok() ? WriteData(pending + writer.End()) : written;
}

authpay::Outcome WriteSheetCells(const authpay::IResultSheet &sheet) {
    QList<QStringList> block;
    authpay::Outcome written = authpay::Outcome::Success();
    ForEachSheetRow(sheet, [&](const authpay::SheetRow &row) {
        block << row.texts;
        if (block.size() < kBlockRows) return true;
        written = WriteData(FormatSheetCells(block));
        block.clear();
        return written.Ok();
    });
    return written.Ok() ? WriteData(FormatSheetCells(block)) : written;
}
