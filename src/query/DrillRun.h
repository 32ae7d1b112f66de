#pragma once
// What one read of the drill-down window fetches, on a worker thread (TQueryJob): the rows of one
// page statement (DrillPageSql), as the sheet takes them. The whole page is read before a row is
// written, so a page that breaks off or is cancelled writes none of its rows.
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

struct TDrillRows {
    std::vector<QStringList> values;  // per row, the drill-down's columns but the amount, the row id last
    std::vector<double> amounts;      // per row, budgmoney as a currency amount
};

// Runs the statement on the calling thread's default connection and reads its rows into `out`.
// Throws Exception with the database's message when the statement cannot be run or a row cannot
// be read; stops early, rows incomplete, once `cancelled` is set.
void ReadDrillRows(const QString &sql, TDrillRows &out, const std::atomic<bool> &cancelled);
