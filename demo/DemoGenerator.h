#pragma once
// Builds the demo budget database into a SQLite file or a PostgreSQL database.
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

inline constexpr qint64 kDemoDefaultRows = 20000;
// Changes whenever the generated content changes.
inline constexpr const char *kDemoVersion = "3";

struct TDemoTarget {
    enum Kind { SQLite, PostgreSQL } Type = SQLite;
    QString Where;  // the SQLite file, or the PostgreSQL connection string (ADO form)
};

// Writes the demo with the given number of budget rows and answers the row count of every table
// and view. A SQLite file is built beside its place and moved there when complete, so a reader
// never sees half a database. Throws EDatabaseError on failure.
QList<QPair<QString, qint64>> GenerateDemo(const TDemoTarget &target, qint64 budgetRows,
                                           const std::function<void(qint64)> &progress = {});
