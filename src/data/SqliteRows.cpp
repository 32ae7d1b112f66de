#include "data/SqliteRows.h"

#include <cstring>

#include "data/DatabaseError.h"

#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

std::unique_ptr<TSqliteRows> TSqliteRows::Open(const QSqlDatabase &db, const QString &sql) {
    if (db.driverName() != QLatin1String("QSQLITE") || !db.driver()) return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    auto *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (!connection) return nullptr;
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(connection, text.constData(), int(text.size()) + 1, &statement, nullptr) != SQLITE_OK || !statement) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(connection));
        if (statement) sqlite3_finalize(statement);
        throw EDatabaseError(QStringLiteral("SQL语句执行失败：%1").arg(why));
    }
    return std::unique_ptr<TSqliteRows>(new TSqliteRows(statement));
}

TSqliteRows::TSqliteRows(sqlite3_stmt *statement) : statement_(statement) {
    for (int i = 0, n = sqlite3_column_count(statement_); i < n; ++i)
        names_ << QString::fromUtf8(sqlite3_column_name(statement_, i));
}

TSqliteRows::~TSqliteRows() { sqlite3_finalize(statement_); }

int TSqliteRows::ColumnIndex(const QString &name) const {
    for (int i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool TSqliteRows::Next() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw EDatabaseError(QStringLiteral("SQL语句执行失败：%1").arg(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement_)))));
}

QString TSqliteRows::Text(int column) const {
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(statement_, column));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement_, column)).toString();
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(statement_, column));
    }
    }
}

QString TSqliteRows::RepeatedText(int column) {
    if (column < 0 || sqlite3_column_type(statement_, column) != SQLITE_TEXT) return Text(column);
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    if (last_.size() <= size_t(column)) last_.resize(size_t(column) + 1);
    TLastText &last = last_[size_t(column)];
    if (last.set && last.bytes.size() == size && std::memcmp(last.bytes.constData(), text, size_t(size)) == 0)
        return last.text;
    last.set = true;
    last.bytes.resize(size);  // keeps its room when the text fits
    std::memcpy(last.bytes.data(), text, size_t(size));
    last.text = QString::fromUtf8(text, size);
    return last.text;
}

double TSqliteRows::Number(int column) const {
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement_, column);
    default:
        return Text(column).toDouble();
    }
}
