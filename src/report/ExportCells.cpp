#include "report/ExportCells.h"

#include "report/AmountText.h"
#include "report/FileTarget.h"

#include <QFileInfo>

bool CellCoveredByMerge(const std::vector<TCellRect> &rowMerges, int col, int row) {
    for (const TCellRect &m : rowMerges)
        if (m.Contains(col, row)) return !(m.left == col && m.top == row);
    return false;
}

bool CellAmount(const TSheetModel &model, int col, int row, QStringView text, double *amount) {
    if (text.isEmpty()) return false;  // also a cell a merge covers
    if (model.HasAmounts()) {
        const std::optional<qint64> cents = model.Amount(col, row);
        if (cents) *amount = CentsAmount(*cents);
        return cents.has_value();
    }
    // A bare template, which no result was written into: its texts are all there is.
    if (model.HasAmountColumns() && !model.IsAmountColumn(col)) return false;
    return ParseAmountText(text, amount);
}

bool CellWraps(const TSheetModel &model, int col, int row) {
    // The writers ask only for cells they write as texts: the amount test is already theirs.
    return model.RowHeight(row) > model.DefaultRowHeight() && !model.Text(col, row).isEmpty();
}

QString WorkbookSheetName(const QString &name) {
    QString out;
    for (QChar c : name)
        if (!QStringLiteral("[]:*?/\\").contains(c) && c.unicode() >= 0x20) out += c;
    out = out.left(31).trimmed();
    return out.isEmpty() ? QStringLiteral("Sheet1") : out;
}

std::optional<TXlsExportResult> RefusedExportTarget(const QString &fileName) {
    if (fileName.trimmed().isEmpty()) return TXlsExportResult{kXlsNoFileName, QStringLiteral("没有指定导出文件名。")};
    if (const QString planted = PlantedLinkRefusal(fileName); !planted.isEmpty())
        return TXlsExportResult{kXlsTargetNotFile, planted};
    const QFileInfo target(ExportTargetFile(fileName));
    if (target.isDir())
        return TXlsExportResult{kXlsTargetIsFolder,
                                QStringLiteral("“%1”是一个文件夹，不能作为导出文件。").arg(fileName)};
    if (target.exists() && !target.isFile())
        return TXlsExportResult{kXlsTargetNotFile,
                                QStringLiteral("“%1”不是普通文件（管道、设备等），不能作为导出文件。").arg(fileName)};
    return std::nullopt;
}

TXlsExportResult ExportWriteFailed(const QString &fileName, const QString &reason) {
    return {kXlsWriteFailed, QStringLiteral("无法写入文件“%1”：%2").arg(fileName, reason)};
}
