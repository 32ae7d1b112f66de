#pragma once
// A statement's rows read straight from an SQLite connection's own handle, for results of many
// rows: each value is taken as the file holds it (UTF-8 text, integer or real) without the
// per-value objects and the UTF-16 conversion inside SQLite that the generic driver makes. The
// handle is the driver's, of the same SQLite library; for another backend Open answers null and
// the caller reads through the generic query.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct sqlite3_stmt;

class TSqliteRows {
public:
    // Prepares and starts `sql` on the database's handle, or null when the database is no SQLite
    // connection. A statement that cannot be prepared raises
    // EDatabaseError with SQLite's reason.
    static std::unique_ptr<TSqliteRows> Open(const QSqlDatabase &db, const QString &sql);
    ~TSqliteRows();

    // The column's position by name (letter case ignored), -1 when there is none.
    int ColumnIndex(const QString &name) const;
    // Moves to the next row; false at the end. EDatabaseError when a row cannot be read (also an
    // interrupted statement).
    bool Next();
    // The current row's value as a text: as the generic driver gives it (null: empty; reals as
    // the shortest text that reads back the same).
    QString Text(int column) const;
    // The same, shared with the text this column gave last when the file's bytes are the same:
    // rows in order repeat a column's text, and it is then neither decoded nor held again.
    QString RepeatedText(int column);
    // The current row's value as a number (null or a text that is no number: 0).
    double Number(int column) const;

private:
    explicit TSqliteRows(sqlite3_stmt *statement);
    sqlite3_stmt *statement_;
    QStringList names_;
    struct TLastText {
        bool set = false;
        QByteArray bytes;
        QString text;
    };
    std::vector<TLastText> last_;  // per column, for RepeatedText
};
