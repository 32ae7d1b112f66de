#include "SheetStream.h"

#include "HostOutput.h"

#include <QWidget>

namespace {
constexpr int kBlockRows = 4096;
}  // namespace

void ForEachSheetRow(QWidget *sheet, const std::function<bool(qsizetype, const QStringList &)> &each) {
    int rows = 0, columns = 0;
    QMetaObject::invokeMethod(sheet, "SheetUsedRows", Q_RETURN_ARG(int, rows));
    QMetaObject::invokeMethod(sheet, "SheetUsedColumns", Q_RETURN_ARG(int, columns));
    for (int first = 1; first <= rows; first += kBlockRows) {
        QList<QStringList> block;
        QMetaObject::invokeMethod(sheet, "SheetRowTexts", Q_RETURN_ARG(QList<QStringList>, block), Q_ARG(int, first),
                                  Q_ARG(int, kBlockRows), Q_ARG(int, columns));
        for (qsizetype i = 0; i < block.size(); ++i)
            if (!each(first - 1 + i, block[i])) return;
    }
}

bool WriteSheetReport(QWidget *sheet, TReportForm form, int maxRows, int terminalColumns, QString *error) {
    TReportScan scan(form == TReportForm::Table);
    ForEachSheetRow(sheet, [&scan](qsizetype, const QStringList &cells) {
        scan.Add(cells);
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
    bool written = true;
    qsizetype inBlock = 0;
    if (!table.columns.isEmpty())
        ForEachSheetRow(sheet, [&](qsizetype index, const QStringList &cells) {
            if (!TReportScan::IsResultRow(index, cells)) return true;
            pending += writer.Row(scan.Pick(cells));
            if (++inBlock < kBlockRows) return true;
            inBlock = 0;
            written = WriteData(pending, error);
            pending.clear();
            return written;
        });
    return written && WriteData(pending + writer.End(), error);
}

bool WriteSheetCells(QWidget *sheet, QString *error) {
    QList<QStringList> block;
    bool written = true;
    ForEachSheetRow(sheet, [&](qsizetype, const QStringList &cells) {
        block << cells;
        if (block.size() < kBlockRows) return true;
        written = WriteData(FormatSheetCells(block), error);
        block.clear();
        return written;
    });
    return written && WriteData(FormatSheetCells(block), error);
}
