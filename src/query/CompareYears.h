#pragma once
// The years the query window can compare the data year with ("对比年度"): those the source view
// holds, read once, on a worker thread, when the box is first used.
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>

// The statement that lists the years of the source view.
QString CompareYearsSql(const QString &sourceView);
// The entries of the year box: an empty first entry (no comparison), then every year but the
// data year, newest first, each once.
QStringList CompareYearEntries(QList<int> years, int dataYear);
// Runs CompareYearsSql on the calling thread's default connection; throws Exception with the
// database's message when it cannot be run or read. Stops early once `cancelled` is set.
QList<int> ReadDataYears(const QString &sourceView, const std::atomic<bool> &cancelled);
