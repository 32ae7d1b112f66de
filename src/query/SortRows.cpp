#include "query/SortRows.h"

#include "report/ReportLayout.h"

#include <QString>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

// One result row as the sheet holds it: its texts, numbers and height.
struct TRowCopy {
    std::vector<QString> texts;
    std::vector<std::optional<qint64>> numbers;
    int height = 0;
};

std::optional<qint64> NumberAt(const TSheetModel &m, int col, int row) {
    return m.IsRateColumn(col) ? m.Rate(col, row) : m.Amount(col, row);
}

TRowCopy Copy(const TSheetModel &m, int row) {
    TRowCopy copy;
    for (int col = 1; col <= m.ColumnCount(); ++col) {
        copy.texts.push_back(m.Text(col, row).toString());
        copy.numbers.push_back(NumberAt(m, col, row));
    }
    copy.height = m.RowHeight(row);
    return copy;
}

void Write(TSheetModel &m, int row, const TRowCopy &copy) {
    for (int col = 1; col <= m.ColumnCount(); ++col) {
        m.SetText(col, row, copy.texts[size_t(col - 1)]);
        if (const std::optional<qint64> n = copy.numbers[size_t(col - 1)]) {
            if (m.IsRateColumn(col)) m.SetRate(col, row, *n);
            else m.SetAmount(col, row, *n);
        }
    }
    m.SetRowHeight(row, copy.height);
}

void SortRun(TSheetModel &m, int first, int last, int column, bool descending) {
    std::vector<TRowCopy> rows;
    for (int row = first; row <= last; ++row) rows.push_back(Copy(m, row));
    const size_t at = size_t(column - 1);
    const bool numbers = std::any_of(rows.begin(), rows.end(), [at](const TRowCopy &r) { return r.numbers[at].has_value(); });
    const auto before = [at, numbers](const TRowCopy &a, const TRowCopy &b) {
        if (numbers) return a.numbers[at].value_or(INT64_MIN) < b.numbers[at].value_or(INT64_MIN);
        return QString::compare(a.texts[at], b.texts[at]) < 0;
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const TRowCopy &a, const TRowCopy &b) { return descending ? before(b, a) : before(a, b); });
    for (size_t i = 0; i < rows.size(); ++i) Write(m, first + int(i), rows[i]);
}

}  // namespace

void SortResultRows(TSheetModel &model, int column, bool descending) {
    const int rows = model.RowCount();
    if (column < 1 || column > model.ColumnCount()) return;
    for (int row = 1; row <= rows;) {
        if (model.RowKind(row) != TRowKind::Result) {
            ++row;
            continue;
        }
        int last = row;
        while (last < rows && model.RowKind(last + 1) == TRowKind::Result) ++last;
        if (last > row) SortRun(model, row, last, column, descending);
        row = last + 1;
    }
    int number = 0;
    for (int row = 1; row <= rows; ++row)
        if (model.RowKind(row) == TRowKind::Result)
            model.SetText(ReportLayout::kNumberColumn, row, QString::number(++number));
}
