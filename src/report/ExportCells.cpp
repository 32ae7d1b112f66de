#include "report/ExportCells.h"

#include "report/AmountText.h"
#include "report/FileTarget.h"

#include <QFileInfo>
#include <algorithm>

bool CellCoveredByMerge(const std::vector<TCellRect> &rowMerges, int col, int row) {
    for (const TCellRect &m : rowMerges)
        if (m.Contains(col, row)) return !(m.left == col && m.top == row);
    return false;
}

TCellNumber CellNumber(const TSheetModel &model, int col, int row, QStringView text, double *value) {
    if (text.isEmpty()) return TCellNumber::None;  // also a cell a merge covers
    if (model.HasAmounts()) {
        if (const std::optional<qint64> rate = model.Rate(col, row)) {
            *value = double(*rate) / 10000.0;
            return TCellNumber::Rate;
        }
        const std::optional<qint64> cents = model.Amount(col, row);
        if (cents) *value = CentsAmount(*cents);
        return cents ? TCellNumber::Amount : TCellNumber::None;
    }
    // A bare template, which no result was written into: its texts are all there is.
    if (model.HasAmountColumns() && !model.IsAmountColumn(col)) return TCellNumber::None;
    return ParseAmountText(text, value) ? TCellNumber::Amount : TCellNumber::None;
}

int WorkbookColumnWidth(const TSheetModel &model, int col) {
    const int width = model.ColumnWidth(col);
    if (width == 0 || !model.IsRateColumn(col)) return width;
    // A digit of a workbook's standard font takes at most 8 pixels; a cell keeps a few for its margins.
    constexpr int kDigitPixels = 8, kCellMargins = 10;
    qsizetype longest = 0;
    for (int row = 1; row <= model.RowCount(); ++row)
        if (model.Rate(col, row)) longest = std::max(longest, model.Text(col, row).size());
    return std::max(width, int(longest) * kDigitPixels + kCellMargins);
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

std::optional<authpay::Outcome> RefusedExportTarget(const QString &fileName) {
    if (fileName.trimmed().isEmpty()) return ExportOutcome(kXlsNoFileName, QStringLiteral("没有指定导出文件名。"));
    if (const QString planted = PlantedLinkRefusal(fileName); !planted.isEmpty())
        return ExportOutcome(kXlsTargetNotFile, planted);
    const QFileInfo target(ExportTargetFile(fileName));
    if (target.isDir())
        return ExportOutcome(kXlsTargetIsFolder, QStringLiteral("“%1”是一个文件夹，不能作为导出文件。").arg(fileName));
    if (target.exists() && !target.isFile())
        return ExportOutcome(kXlsTargetNotFile,
                             QStringLiteral("“%1”不是普通文件（管道、设备等），不能作为导出文件。").arg(fileName));
    return std::nullopt;
}

authpay::Outcome ExportWriteFailed(const QString &fileName, const QString &reason) {
    return ExportOutcome(kXlsWriteFailed, QStringLiteral("无法写入文件“%1”：%2").arg(fileName, reason));
}
