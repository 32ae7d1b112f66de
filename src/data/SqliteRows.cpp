#include "data/SqliteRows.h"

#include "data/DatabaseError.h"

#include <QSqlDriver>
#include <QVariant>
#include <dlfcn.h>

namespace {
constexpr int kSqliteRow = 100, kSqliteDone = 101;
constexpr int kSqliteInteger = 1, kSqliteFloat = 2, kSqliteNull = 5;
}  // namespace

struct TSqliteRows::TApi {
    int (*prepare)(void *, const char *, int, void **, const char **) = nullptr;
    int (*step)(void *) = nullptr;
    int (*finalize)(void *) = nullptr;
    int (*columnCount)(void *) = nullptr;
    const char *(*columnName)(void *, int) = nullptr;
    int (*columnType)(void *, int) = nullptr;
    const unsigned char *(*columnText)(void *, int) = nullptr;
    int (*columnBytes)(void *, int) = nullptr;
    long long (*columnInt64)(void *, int) = nullptr;
    double (*columnDouble)(void *, int) = nullptr;
    const char *(*errmsg)(void *) = nullptr;
    void *(*dbHandle)(void *) = nullptr;
    bool complete = false;

    // Looked up once in the library the driver loaded (not in the process's global scope).
    static const TApi &Get() {
        static const TApi api = [] {
            TApi a;
            void *lib = ::dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
            if (!lib) return a;
            auto sym = [lib](auto &fn, const char *name) {
                fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(lib, name));
                return fn != nullptr;
            };
            a.complete = sym(a.prepare, "sqlite3_prepare_v2") && sym(a.step, "sqlite3_step") &&
                         sym(a.finalize, "sqlite3_finalize") && sym(a.columnCount, "sqlite3_column_count") &&
                         sym(a.columnName, "sqlite3_column_name") && sym(a.columnType, "sqlite3_column_type") &&
                         sym(a.columnText, "sqlite3_column_text") && sym(a.columnBytes, "sqlite3_column_bytes") &&
                         sym(a.columnInt64, "sqlite3_column_int64") &&
                         sym(a.columnDouble, "sqlite3_column_double") && sym(a.errmsg, "sqlite3_errmsg") &&
                         sym(a.dbHandle, "sqlite3_db_handle");
            ::dlclose(lib);  // the driver keeps it loaded
            return a;
        }();
        return api;
    }
};

std::unique_ptr<TSqliteRows> TSqliteRows::Open(const QSqlDatabase &db, const QString &sql) {
    if (db.driverName() != QLatin1String("QSQLITE") || !db.driver()) return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    void *connection = *static_cast<void *const *>(handle.constData());
    const TApi &api = TApi::Get();
    if (!connection || !api.complete) return nullptr;
    const QByteArray text = sql.toUtf8();
    void *statement = nullptr;
    if (api.prepare(connection, text.constData(), int(text.size()) + 1, &statement, nullptr) != 0 || !statement) {
        const QString why = QString::fromUtf8(api.errmsg(connection));
        if (statement) api.finalize(statement);
        throw EDatabaseError(QStringLiteral("SQL语句执行失败：%1").arg(why));
    }
    return std::unique_ptr<TSqliteRows>(new TSqliteRows(api, statement));
}

TSqliteRows::TSqliteRows(const TApi &api, void *statement) : api_(api), statement_(statement) {
    for (int i = 0, n = api_.columnCount(statement_); i < n; ++i)
        names_ << QString::fromUtf8(api_.columnName(statement_, i));
}

TSqliteRows::~TSqliteRows() { api_.finalize(statement_); }

int TSqliteRows::ColumnIndex(const QString &name) const {
    for (int i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool TSqliteRows::Next() {
    const int rc = api_.step(statement_);
    if (rc == kSqliteRow) return true;
    if (rc == kSqliteDone) return false;
    throw EDatabaseError(QStringLiteral("SQL语句执行失败：%1").arg(QString::fromUtf8(api_.errmsg(api_.dbHandle(statement_)))));
}

QString TSqliteRows::Text(int column) const {
    switch (api_.columnType(statement_, column)) {
    case kSqliteNull:
        return {};
    case kSqliteInteger:
        return QString::number(api_.columnInt64(statement_, column));
    case kSqliteFloat:
        return QVariant(api_.columnDouble(statement_, column)).toString();
    default: {
        const auto *text = reinterpret_cast<const char *>(api_.columnText(statement_, column));
        return QString::fromUtf8(text, api_.columnBytes(statement_, column));
    }
    }
}

double TSqliteRows::Number(int column) const {
    switch (api_.columnType(statement_, column)) {
    case kSqliteNull:
        return 0;
    case kSqliteInteger:
    case kSqliteFloat:
        return api_.columnDouble(statement_, column);
    default:
        return Text(column).toDouble();
    }
}
