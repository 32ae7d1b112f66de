#pragma once
// Writes the demo budget database into an open Qt SQL database (SQLite or PostgreSQL): schema,
// code tables, the requested number of budget rows in large multi-row inserts, indexes.
#include <QSqlDatabase>
#include <QString>
#include <functional>

class TDemoWriter {
public:
    // progress is told the number of budget rows written so far (may be empty).
    TDemoWriter(QSqlDatabase db, std::function<void(qint64)> progress = {});

    // Replaces the whole demo content. Throws EDatabaseError naming the failing statement.
    void Write(qint64 budgetRows);

    // The number of rows of a table or view.
    qint64 CountRows(const QString &table);

private:
    void Exec(const QString &sql);
    void WriteCodeTables();
    void WriteBudgetRows(qint64 count);
    void InsertBatch(const QString &head, const QStringList &values);

    QSqlDatabase db_;
    std::function<void(qint64)> progress_;
    bool sqlite_;
};
