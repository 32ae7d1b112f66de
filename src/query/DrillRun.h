#pragma once
// What one read of the drill-down window fetches, on a worker thread (TQueryJob): the rows of one
// page statement (DrillPageSql), as the sheet takes them. The whole page is read before a row is
// written, so a page that breaks off or is cancelled writes none of its rows.
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <vector>

// The rows read, kept compactly until the sheet has them: the values of a block of rows back to
// back in one text (not a list of strings per row), and each block freed once the sheet has
// written its rows, so that a large read does not hold its rows twice at its peak.
class TDrillRows {
public:
    // Rows per block.
    static constexpr size_t kBlockRows = 4096;

    // A row: the drill-down's columns but the amount, the row id last; and budgmoney as a currency
    // amount. Every row has as many values as the first.
    void Add(const QStringList &values, double amount);
    size_t Size() const { return size_; }
    QStringList Values(size_t row) const;
    double Amount(size_t row) const;
    // Frees the blocks whose rows all lie before `row`; their rows are not to be asked for again.
    void Release(size_t row);

private:
    struct TBlock {
        QString texts;
        std::vector<uint32_t> ends;  // where each value ends in texts
        std::vector<double> amounts;
    };
    const TBlock &BlockOf(size_t row) const { return blocks_[row / kBlockRows]; }

    std::vector<TBlock> blocks_;
    size_t size_ = 0;
    size_t released_ = 0;  // blocks freed
    qsizetype columns_ = -1;
};

// Runs the statement on the calling thread's default connection and reads its rows into `out`.
// Throws Exception with the database's message when the statement cannot be run or a row cannot
// be read; stops early, rows incomplete, once `cancelled` is set.
void ReadDrillRows(const QString &sql, TDrillRows &out, const std::atomic<bool> &cancelled);
