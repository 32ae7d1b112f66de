#pragma once
// What one Refresh of the summary window reads, on a worker thread (TQueryJob): the grouped
// statement built from the window's conditions (its lookups run on the worker's own connection),
// and every row of its result, as the sheet takes them. The rows may be handed to the window in
// batches while the statement goes on (TRowHandover); a row that cannot be read then takes back
// what was written of the report.
#include "query/QueryBuild.h"

#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

struct TSummaryRows {
    TQuerySql built;                  // Sql empty: no dimension chosen, nothing was run
    std::vector<QStringList> values;  // per result row, the named fields as texts (null: empty)
    std::vector<double> amounts;      // per result row, sumMoney as a currency amount
    std::vector<double> compared;     // per result row, cmpMoney; empty without a compared year
};

// Rows passed from the thread that reads them to the window, batch by batch, while the statement
// goes on. The reader gives, the window takes; each side may call at any time.
class TRowHandover {
public:
    // wake: called on the reader's thread after rows were given (the window's job notifier).
    explicit TRowHandover(std::function<void()> wake) : wake_(std::move(wake)) {}
    // Moves the rows of `from` to the waiting ones (its statement too, the first time).
    void Give(TSummaryRows &from);
    // Appends the rows waiting to `into`, and the statement when `into` has none yet; the number
    // of rows taken.
    size_t Take(TSummaryRows &into);

private:
    std::mutex mutex_;
    TSummaryRows waiting_;
    bool builtGiven_ = false;
    std::function<void()> wake_;
};

// Builds and runs the statement on the calling thread's default connection and reads its rows
// into `out`. Throws Exception with the window's message when the statement cannot be built or
// run, or a row cannot be read; stops early, rows incomplete, once `cancelled` is set. With a
// handover every row is given to it (the first screen's worth at once, then in batches), and
// `out` keeps only the statement.
void ReadSummary(TQueryConditions conditions, TSummaryRows &out, const std::atomic<bool> &cancelled,
                 TRowHandover *handover = nullptr);
