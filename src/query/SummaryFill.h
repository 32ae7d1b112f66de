#pragma once
// Writing a summary result that has been read (TSummaryRows) into the sheet, a slice at a time on
// the user-interface thread, so that the window goes on answering while a large result is
// written: the numbered rows, the subtotal rows when asked for, then the totals row.
#include "query/CrossTab.h"
#include "query/ResultRows.h"
#include "query/Subtotals.h"
#include "query/SummaryRun.h"

#include <cstdint>
#include <memory>

class TSummaryFill {
public:
    // subtotals: whether "显示小计" rows are written (after the groups of every dimension but the
    // last).
    // Each row's values are let go once written: a large result is freed a slice at a time too,
    // not all at once at the end.
    // A result with a column dimension is spread across columns (SpreadColumns, at most
    // `spreadLimit` codes and "其他"; 0 for all of them), its heading written first.
    TSummaryFill(TReportSheet *sheet, std::shared_ptr<TSummaryRows> rows, bool subtotals, int spreadLimit = 30);
    // Writes rows for about `msecs` milliseconds (at least one row), and at most `rowLimit` of
    // them, then rules the rows written; true once every row and the totals row are written.
    bool Step(int msecs, size_t rowLimit = SIZE_MAX);
    // Rows still to come (appended to the rows given while the statement goes on): the totals row
    // waits for them. A list only; a spread result is written once it is whole.
    void SetMoreRowsComing(bool more) { more_ = more && !spread_; }
    // Every row given is written and more are to come.
    bool CaughtUp() const { return more_ && next_ >= size_t(Total()); }
    int Done() const { return int(next_); }
    int Total() const { return spread_ ? int(spread_->rows.size()) : int(rows_->values.size()); }
    // The spread result; null for the list.
    const TCrossTab *Spread() const { return spread_.get(); }

private:
    void WriteNext();
    void WriteSubtotals(const std::vector<TSubtotal> &closed);

    std::shared_ptr<TSummaryRows> rows_;
    std::unique_ptr<TCrossTab> spread_;
    TResultRowWriter writer_;
    TSubtotalTracker subtotals_;
    size_t next_ = 0;
    bool finished_ = false;
    bool more_ = false;
};
