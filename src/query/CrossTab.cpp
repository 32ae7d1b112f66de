#include "query/CrossTab.h"

#include <QHash>
#include <algorithm>

std::optional<double> TCrossTab::Cell(size_t row, size_t column) const {
    const size_t at = row * columns.size() + column;
    if (row >= rows.size() || column >= columns.size() || !present[at]) return std::nullopt;
    return cells[at];
}

namespace {
bool SameGroup(const QStringList &a, const QStringList &b, int fields) {
    for (int i = 0; i < fields; ++i)
        if (a.value(i) != b.value(i)) return false;
    return true;
}

// Every code of the column dimension with its name and total, in code order.
std::vector<TCrossColumn> CodesOf(const std::vector<QStringList> &values, const std::vector<double> &amounts,
                                  int rowFields) {
    QHash<QString, size_t> seen;
    std::vector<TCrossColumn> codes;
    for (size_t r = 0; r < values.size(); ++r) {
        const QString code = values[r].value(rowFields);
        auto it = seen.find(code);
        if (it == seen.end()) {
            it = seen.insert(code, codes.size());
            codes.push_back({code, values[r].value(rowFields + 1), 0});
        }
        codes[*it].total += amounts[r];
    }
    std::sort(codes.begin(), codes.end(), [](const TCrossColumn &a, const TCrossColumn &b) { return a.code < b.code; });
    return codes;
}

// The columns kept: all of them, or those of the largest totals (ties by code) and "其他".
std::vector<TCrossColumn> KeptColumns(std::vector<TCrossColumn> codes, int maxColumns, int *folded) {
    *folded = 0;
    if (maxColumns <= 0 || codes.size() <= size_t(maxColumns)) return codes;
    std::vector<size_t> order(codes.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return codes[a].total > codes[b].total; });
    std::vector<bool> kept(codes.size(), false);
    for (size_t i = 0; i < size_t(maxColumns); ++i) kept[order[i]] = true;
    std::vector<TCrossColumn> columns;
    TCrossColumn other{QString(), kOtherColumnName, 0};
    for (size_t i = 0; i < codes.size(); ++i) {
        if (kept[i]) {
            columns.push_back(codes[i]);
        } else {
            other.total += codes[i].total;
            ++*folded;
        }
    }
    columns.push_back(other);
    return columns;
}
}  // namespace

TCrossTab SpreadColumns(const std::vector<QStringList> &values, const std::vector<double> &amounts, int rowFields,
                        int maxColumns) {
    TCrossTab tab;
    tab.columns = KeptColumns(CodesOf(values, amounts, rowFields), maxColumns, &tab.folded);
    const size_t width = tab.columns.size(), other = width - 1;
    // The codes of their own columns; any other code is one "其他" holds.
    QHash<QString, size_t> columnOf;
    for (size_t c = 0; c < (tab.folded ? other : width); ++c) columnOf.insert(tab.columns[c].code, c);
    for (size_t r = 0; r < values.size(); ++r) {
        if (tab.rows.empty() || !SameGroup(tab.rows.back(), values[r], rowFields)) {
            tab.rows.push_back(values[r].mid(0, rowFields));
            tab.rowTotals.push_back(0);
            tab.cells.resize(tab.cells.size() + width, 0);
            tab.present.resize(tab.present.size() + width, false);
        }
        const auto found = columnOf.constFind(values[r].value(rowFields));
        const size_t at = (tab.rows.size() - 1) * width + (found != columnOf.cend() ? *found : other);
        tab.cells[at] += amounts[r];
        tab.present[at] = true;
        tab.rowTotals.back() += amounts[r];
        tab.total += amounts[r];
    }
    return tab;
}
