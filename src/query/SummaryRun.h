#pragma once
// What one Refresh of the summary window reads, on a worker thread (TQueryJob): the grouped
// statement built from the window's conditions (its lookups run on the worker's own connection),
// and every row of its result, as the sheet takes them. The whole result is read before a row is
// written, so a row that cannot be read writes no partial report.
#include "query/QueryBuild.h"

#include <QStringList>
#include <atomic>
#include <vector>

struct TSummaryRows {
    TQuerySql built;                  // Sql empty: no dimension chosen, nothing was run
    std::vector<QStringList> values;  // per result row, the named fields as texts (null: empty)
    std::vector<double> amounts;      // per result row, sumMoney as a currency amount
    std::vector<double> compared;     // per result row, cmpMoney; empty without a compared year
};

// Builds and runs the statement on the calling thread's default connection and reads its rows
// into `out`. Throws Exception with the window's message when the statement cannot be built or
// run, or a row cannot be read; stops early, rows incomplete, once `cancelled` is set.
void ReadSummary(TQueryConditions conditions, TSummaryRows &out, const std::atomic<bool> &cancelled);
