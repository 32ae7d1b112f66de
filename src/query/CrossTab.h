#pragma once
// A summary result spread across columns: the rows grouped by the row dimensions and by one more
// dimension, the column dimension, become one row per group of the row dimensions (in the
// statement's order) with one amount per code of the column dimension (in code order) and the
// row's total. Where a group has no rows for a code its cell is empty, not 0.00: none is not zero.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>
#include <vector>

struct TCrossColumn {
    QString code;      // empty for "其他"
    QString name;
    double total = 0;  // the column's sum over every row
};

struct TCrossTab {
    std::vector<TCrossColumn> columns;  // in code order; "其他" last when codes were folded
    int folded = 0;                     // codes the column "其他" holds; 0 when there is none
    std::vector<QStringList> rows;      // per row, the row dimensions' fields (codes and names)
    std::vector<double> rowTotals;      // per row, the sum of its cells
    double total = 0;                   // the sum of every cell: the list's total
    // The amount of a row in a column; none where the row has no result rows for the column.
    std::optional<double> Cell(size_t row, size_t column) const;

    std::vector<double> cells;      // row-major, rows × columns; 0 where there is none
    std::vector<bool> present;      // alike: whether the cell holds result rows
};

// The column heading of folded codes.
inline const QString kOtherColumnName = QStringLiteral("其他");

// Spreads the result rows. Each row's `values` hold `rowFields` row-dimension fields, then the
// column dimension's code and name; rows of one group of the row dimensions come together (the
// statement orders by them first). With more than `maxColumns` codes (0: no limit), the
// `maxColumns` codes of the largest totals keep their columns (in code order) and one column
// "其他" holds the rest.
TCrossTab SpreadColumns(const std::vector<QStringList> &values, const std::vector<double> &amounts, int rowFields,
                        int maxColumns);
