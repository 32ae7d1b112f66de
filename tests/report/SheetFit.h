#pragma once
// Whether the painter shows a cell's whole text: wrapped at the cell's (or merge's) edge in the
// font the painter uses, the text must be no wider than the cell less its padding and its lines
// no taller than the row(s). Hidden cells and the cells a merge covers beyond its first are left
// out.
#include "report/SheetModel.h"
#include "report/SheetPainter.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <vector>

namespace sheet_fit {

struct Clipped {
    int col = 0, row = 0;
    QString text;
    QSize needs, room;
};

inline std::string Describe(const std::vector<Clipped> &clipped) {
    std::string out;
    for (const Clipped &c : clipped)
        out += QStringLiteral("(%1,%2) \"%3\" needs %4x%5, has %6x%7\n")
                   .arg(c.col).arg(c.row).arg(c.text).arg(c.needs.width()).arg(c.needs.height())
                   .arg(c.room.width()).arg(c.room.height()).toStdString();
    return out;
}

// `oneLine`: columns whose texts (labels, numbers) must not wrap at all from row `rowsFrom` on.
inline std::vector<Clipped> ClippedTexts(const TSheetModel &m, const std::vector<int> &oneLine = {}, int rowsFrom = 1) {
    std::vector<Clipped> out;
    for (int row = 1; row <= m.RowCount(); ++row)
        for (int col = 1; col <= m.ColumnCount(); ++col) {
            const QString text = m.Text(col, row).toString();
            if (text.isEmpty() || m.ColumnWidth(col) == 0 || m.RowHeight(row) == 0) continue;
            TCellRect area{col, row, col, row};
            if (const TCellRect *merge = m.Merges().Find(col, row)) {
                if (merge->left != col || merge->top != row) continue;
                area = *merge;
            }
            int width = 0, height = 0;
            for (int c = area.left; c <= area.right; ++c) width += m.ColumnWidth(c);
            for (int r = area.top; r <= area.bottom; ++r) height += m.RowHeight(r);
            const QSize room(width - 2 * TSheetPainter::kPadding, height - 2);
            const QFontMetrics metrics(MakeSheetFont(m.Fonts()[m.Style(col, row).font]));
            const bool wraps = row < rowsFrom || std::find(oneLine.begin(), oneLine.end(), col) == oneLine.end();
            const QSize needs = metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20), wraps ? Qt::TextWordWrap : 0, text).size();
            if (needs.width() > room.width() || needs.height() > room.height())
                out.push_back({col, row, text, needs, room});
        }
    return out;
}

}  // namespace sheet_fit
