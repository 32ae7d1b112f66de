#include "report/CsvExport.h"

#include "report/ExportCells.h"
#include "report/SafeText.h"

#include <QSaveFile>

namespace {

// The shown columns from the first to the last one holding a text in a shown row.
std::vector<int> ShownColumns(const TSheetModel &model) {
    int last = 0;
    for (int row = 1; row <= model.RowCount(); ++row) {
        if (model.RowHeight(row) == 0) continue;
        for (int col = model.ColumnCount(); col > last; --col)
            if (model.ColumnWidth(col) > 0 && !model.Text(col, row).isEmpty()) {
                last = col;
                break;
            }
    }
    std::vector<int> columns;
    for (int col = 1; col <= last; ++col)
        if (model.ColumnWidth(col) > 0) columns.push_back(col);
    return columns;
}

QString CsvRecord(const TSheetModel &model, int row, const std::vector<int> &columns) {
    const std::vector<TCellRect> merges = model.Merges().Intersecting({1, row, model.ColumnCount(), row});
    QString line;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i) line += QLatin1Char(',');
        const int col = columns[i];
        const QStringView text = model.Text(col, row);
        if (text.isEmpty() || (!merges.empty() && CellCoveredByMerge(merges, col, row))) continue;
        // Every text quoted, so that a program told to keep quoted fields as text keeps a code's
        // leading zeros; amounts and rates are bare numbers ("-68.23%" is a number to every
        // spreadsheet program), never guarded as texts are.
        double value = 0;
        switch (CellNumber(model, col, row, text, &value)) {
        case TCellNumber::Amount: line += QString::number(value, 'f', 2); break;
        case TCellNumber::Rate: line += QString::number(value * 100.0, 'f', 2) + QLatin1Char('%'); break;
        case TCellNumber::None: line += CsvField(DefuseFormula(text), TCsvQuote::Always); break;
        }
    }
    return line + QLatin1String("\r\n");
}

// The byte-order mark and the records; a failure (its reason the file's) when a write fails.
authpay::Outcome WriteRecords(QSaveFile &file, const TSheetModel &model, const TWorkProgress &progress) {
    const std::vector<int> columns = ShownColumns(model);
    const int rows = model.RowCount();
    if (file.write("\xEF\xBB\xBF", 3) != 3) return authpay::Outcome::Failure(file.errorString());
    // Written row by row: a large sheet never needs its whole text in memory at once.
    for (int row = 1; row <= rows; ++row) {
        if (!KeepWorking(progress, TWorkUnit::Rows, row - 1, rows)) return ExportCancelled();
        if (model.RowHeight(row) == 0) continue;
        const QByteArray bytes = CsvRecord(model, row, columns).toUtf8();
        if (file.write(bytes) != bytes.size()) return authpay::Outcome::Failure(file.errorString());
    }
    return KeepWorking(progress, TWorkUnit::Rows, rows, rows) ? ExportOutcome(kXlsWritten) : ExportCancelled();
}

}  // namespace

authpay::Outcome ExportCsv(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress) {
    if (const auto refused = RefusedExportTarget(fileName)) return *refused;
    QSaveFile file(ExportTargetFile(fileName));
    if (!file.open(QIODevice::WriteOnly)) return ExportWriteFailed(fileName, file.errorString());
    const authpay::Outcome end = WriteRecords(file, model, progress);
    if (!end.Ok()) {
        file.cancelWriting();
        return end.Stopped() ? end : ExportWriteFailed(fileName, end.message);
    }
    if (!file.commit()) return ExportWriteFailed(fileName, file.errorString());
    return ExportOutcome(kXlsWritten);
}
