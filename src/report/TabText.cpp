#include "report/TabText.h"

QString CellsAsTabText(const TSheetModel &model, const TCellRect &requested) {
    const TCellRect area = requested.Intersected({1, 1, model.ColumnCount(), model.RowCount()});
    QString out;
    for (int row = area.top; row <= area.bottom; ++row) {
        if (model.RowHeight(row) == 0) continue;
        bool first = true;
        for (int col = area.left; col <= area.right; ++col) {
            if (model.ColumnWidth(col) == 0) continue;
            if (!first) out += QLatin1Char('\t');
            first = false;
            const TCellRect *merge = model.Merges().Find(col, row);
            if (merge && (merge->left != col || merge->top != row)) continue;
            for (QChar c : model.Text(col, row))
                out += (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? QLatin1Char(' ') : c;
        }
        out += QLatin1Char('\n');
    }
    return out;
}
