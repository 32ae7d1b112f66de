#pragma once
// Subtotals of an ordered grouped result, in one pass: the rows come sorted by the grouping's
// dimensions, each dimension a code and a name; a group of the first `levels` dimensions ends
// where the next row's code at that level or an outer one differs. The group's subtotal then
// goes out after its last row, inner levels first.
#include <QStringList>
#include <optional>
#include <vector>

struct TSubtotal {
    int level = 0;       // 1 for the first dimension
    QStringList values;  // the codes and names of dimensions 1..level
    double sum = 0;
    double compared = 0;  // the compared year's sum of the group (0 without a compared year)
    // A result spread across a column dimension: the group's sum per column; none where no row of
    // the group has the column. Empty otherwise.
    std::vector<std::optional<double>> cells;
};

class TSubtotalTracker {
public:
    // `levels`: how many leading dimensions get subtotals (the boxes in use less one).
    explicit TSubtotalTracker(int levels);
    // The subtotals that end before this row (code and name per dimension, in order), inner
    // first; then the row counts into every open group.
    std::vector<TSubtotal> Add(const QStringList &values, double amount, double compared = 0);
    // The same for a spread row: its cells per column (none: empty), `amount` its total.
    std::vector<TSubtotal> AddSpread(const QStringList &values, const std::vector<std::optional<double>> &cells,
                                     double amount);
    // The subtotals of the groups still open after the last row, inner first.
    std::vector<TSubtotal> Finish();

private:
    std::vector<TSubtotal> Close(int fromLevel);
    // Closes the groups the row leaves and opens those it starts.
    std::vector<TSubtotal> Enter(const QStringList &values);

    int levels_;
    std::vector<TSubtotal> open_;  // per level, while a row has been seen
};
