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
        double amount = 0;
        line += CellAmount(model, col, text, &amount) ? QString::number(amount, 'f', 2) : CsvField(DefuseFormula(text));
    }
    return line + QLatin1String("\r\n");
}

}  // namespace

TXlsExportResult ExportCsv(const TSheetModel &model, const QString &fileName) {
    if (const auto refused = RefusedExportTarget(fileName)) return *refused;
    QSaveFile file(ExportTargetFile(fileName));
    QString error;
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
    } else {
        const std::vector<int> columns = ShownColumns(model);
        bool ok = file.write("\xEF\xBB\xBF", 3) == 3;
        // Written row by row: a large sheet never needs its whole text in memory at once.
        for (int row = 1; ok && row <= model.RowCount(); ++row) {
            if (model.RowHeight(row) == 0) continue;
            const QByteArray bytes = CsvRecord(model, row, columns).toUtf8();
            ok = file.write(bytes) == bytes.size();
        }
        if (!ok) {
            error = file.errorString();
            file.cancelWriting();
        } else if (!file.commit()) {
            error = file.errorString();
        }
    }
    return error.isEmpty() ? TXlsExportResult{} : ExportWriteFailed(fileName, error);
}
