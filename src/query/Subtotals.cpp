#include "query/Subtotals.h"

#include <algorithm>

TSubtotalTracker::TSubtotalTracker(int levels) : levels_(std::max(0, levels)) {}

std::vector<TSubtotal> TSubtotalTracker::Close(int fromLevel) {
    std::vector<TSubtotal> closed;
    while (int(open_.size()) >= fromLevel && !open_.empty()) {
        closed.push_back(std::move(open_.back()));
        open_.pop_back();
    }
    return closed;
}

std::vector<TSubtotal> TSubtotalTracker::Enter(const QStringList &values) {
    // The outermost level whose code differs from the open group's ends that group and every
    // group inside it.
    int changed = int(open_.size()) + 1;
    for (int level = 1; level <= int(open_.size()); ++level)
        if (values.value(2 * level - 2) != open_[size_t(level - 1)].values.value(2 * level - 2)) {
            changed = level;
            break;
        }
    std::vector<TSubtotal> closed = Close(changed);
    for (int level = int(open_.size()) + 1; level <= levels_; ++level)
        open_.push_back({level, values.mid(0, 2 * level), 0, 0, {}});
    return closed;
}

std::vector<TSubtotal> TSubtotalTracker::Add(const QStringList &values, double amount, double compared) {
    std::vector<TSubtotal> closed = Enter(values);
    for (TSubtotal &group : open_) {
        group.sum += amount;
        group.compared += compared;
    }
    return closed;
}

std::vector<TSubtotal> TSubtotalTracker::AddSpread(const QStringList &values,
                                                   const std::vector<std::optional<double>> &cells, double amount) {
    std::vector<TSubtotal> closed = Enter(values);
    for (TSubtotal &group : open_) {
        group.sum += amount;
        group.cells.resize(cells.size());
        for (size_t c = 0; c < cells.size(); ++c)
            if (cells[c]) group.cells[c] = group.cells[c].value_or(0) + *cells[c];
    }
    return closed;
}

std::vector<TSubtotal> TSubtotalTracker::Finish() { return Close(1); }
