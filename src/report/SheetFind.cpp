#include "report/SheetFind.h"

#include <algorithm>

namespace {
bool Holds(const TSheetModel &model, int col, int row, const QString &text) {
    return model.ColumnWidth(col) != 0 && model.Text(col, row).contains(text, Qt::CaseInsensitive);
}
}  // namespace

std::optional<QPoint> FindInSheet(const TSheetModel &model, const QString &text, QPoint after, int firstRow) {
    const QString wanted = text.trimmed();
    const int cols = model.ColumnCount(), rows = model.RowCount();
    firstRow = std::clamp(firstRow, 1, std::max(1, rows));
    if (wanted.isEmpty() || cols == 0 || rows < firstRow) return std::nullopt;
    int col = std::clamp(after.x(), 1, cols), row = std::clamp(after.y(), firstRow, rows);
    const qint64 cells = qint64(cols) * (rows - firstRow + 1);
    for (qint64 step = 0; step < cells; ++step) {
        if (++col > cols) {
            col = 1;
            row = row >= rows ? firstRow : row + 1;
        }
        if (model.RowHeight(row) != 0 && Holds(model, col, row, wanted)) return QPoint(col, row);
    }
    return std::nullopt;
}

TSheetModel SelectedRowsSheet(const TSheetModel &model, int firstBodyRow, int top, int bottom) {
    TSheetModel part = model;
    const int rows = model.RowCount();
    firstBodyRow = std::clamp(firstBodyRow, 1, std::max(1, rows));
    top = std::clamp(top, firstBodyRow, std::max(firstBodyRow, rows));
    bottom = std::clamp(bottom, top, std::max(top, rows));
    if (bottom < rows) part.DeleteRows(bottom + 1, rows - bottom);
    if (top > firstBodyRow) part.DeleteRows(firstBodyRow, top - firstBodyRow);
    return part;
}
