#pragma once
// TSheetNumbers: the amounts a sheet's writer gave its cells as numbers (whole cents), beside the
// texts that show them. Kept per column, an entry per row, only for the columns that hold any; a
// column's entries end with its last amount, so that "no amount anywhere" is "no entries". Rows and
// columns are counted from 1, as in the model, which keeps these in step with its rows.
#include <QtGlobal>
#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

class TSheetNumbers {
public:
    std::optional<qint64> Get(int col, int row) const {
        const std::vector<qint64> *values = Column(col);
        if (!values || row < 1 || size_t(row) > values->size()) return std::nullopt;
        const qint64 cents = (*values)[size_t(row - 1)];
        return cents == kNone ? std::nullopt : std::optional<qint64>(cents);
    }
    // Amounts are whole cents within ±2^53: never the empty entry's mark.
    void Set(int col, int row, qint64 cents) {
        std::vector<qint64> &values = ColumnFor(col);
        if (values.size() < size_t(row)) values.resize(size_t(row), kNone);
        values[size_t(row - 1)] = cents;
    }
    void Clear(int col, int row) {
        std::vector<qint64> *values = MutableColumn(col);
        if (!values || row < 1 || size_t(row) > values->size()) return;
        (*values)[size_t(row - 1)] = kNone;
        Trim(*values);
    }
    bool Any() const {
        return std::any_of(columns_.begin(), columns_.end(), [](const auto &c) { return !c.second.empty(); });
    }
    // Rows beyond `rows` are gone; columns beyond `columns` too.
    void Cut(int rows, int columns) {
        std::erase_if(columns_, [columns](const auto &c) { return c.first > columns; });
        for (auto &c : columns_)
            if (c.second.size() > size_t(rows)) {
                c.second.resize(size_t(std::max(rows, 0)));
                Trim(c.second);
            }
    }
    // A copy of rows 1..rows.
    TSheetNumbers FirstRows(int rows) const {
        TSheetNumbers copy;
        for (const auto &c : columns_) {
            std::vector<qint64> values(c.second.begin(), c.second.begin() + qsizetype(std::min(c.second.size(), size_t(std::max(rows, 0)))));
            Trim(values);
            if (!values.empty()) copy.columns_.emplace_back(c.first, std::move(values));
        }
        return copy;
    }
    // Rows first..first+count-1 removed, the rows below moved up.
    void Erase(int first, int count) {
        for (auto &c : columns_) {
            std::vector<qint64> &values = c.second;
            if (size_t(first) > values.size()) continue;
            const size_t end = std::min(values.size(), size_t(first - 1) + size_t(count));
            values.erase(values.begin() + (first - 1), values.begin() + qsizetype(end));
            Trim(values);
        }
    }

private:
    static constexpr qint64 kNone = std::numeric_limits<qint64>::min();
    static void Trim(std::vector<qint64> &values) {
        while (!values.empty() && values.back() == kNone) values.pop_back();
    }
    const std::vector<qint64> *Column(int col) const {
        for (const auto &c : columns_)
            if (c.first == col) return &c.second;
        return nullptr;
    }
    std::vector<qint64> *MutableColumn(int col) { return const_cast<std::vector<qint64> *>(Column(col)); }
    std::vector<qint64> &ColumnFor(int col) {
        if (std::vector<qint64> *values = MutableColumn(col)) return *values;
        return columns_.emplace_back(col, std::vector<qint64>()).second;
    }

    std::vector<std::pair<int, std::vector<qint64>>> columns_;
};
