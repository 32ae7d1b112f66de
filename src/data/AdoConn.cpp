#include "data/AdoConn.h"

#include "authpay/Exception.h"

#include "data/ConnectionString.h"
#include "data/DatabaseError.h"
#include "data/DatabaseOpener.h"
#include "data/SqlDialect.h"

TAdoConn::TAdoConn(QObject *owner)
    : QObject(owner),
      // Unique while this object lives, whichever binary (host or module) created it.
      name_(QStringLiteral("TAdoConn_%1").arg(reinterpret_cast<quintptr>(this), 0, 16)) {}

TAdoConn::~TAdoConn() { RemoveConfiguredDatabase(name_); }

QString TAdoConn::Provider() const {
    if (Connected()) return openProvider_;
    return TConnectionString::Parse(ConnectionString).Value({"Provider"}).trimmed();
}

bool TAdoConn::Connected() const {
    return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
}

void TAdoConn::Open() {
    if (Connected()) return;
    const TDriverConfig cfg = ResolveConnectionString(ConnectionString);
    try {
        QSqlDatabase db = AddConfiguredDatabase(cfg, name_);
        OpenConfiguredDatabase(db, cfg, TraceFn());
    } catch (const EDatabaseError &e) {
        RecordError(e.Message);
        throw;
    }
    openProvider_ = cfg.Provider;
    config_ = cfg;
}

void TAdoConn::SetSink(TSqlTraceFn trace, TErrorFn lastError) {
    trace_ = std::move(trace);
    lastError_ = std::move(lastError);
}

void TAdoConn::TraceSql(const QString &sql) const {
    if (trace_) trace_(sql);
}

void TAdoConn::RecordError(const QString &message) const {
    if (lastError_ && keepsLastError_) lastError_(message);
}

TSqlTraceFn TAdoConn::TraceFn() const {
    return [trace = trace_](const QString &sql) {
        if (trace) trace(sql);
    };
}

bool TAdoConn::BeginTuned() {
    QSqlDatabase db = Database();
    inTuned_ = BeginTunedStatement(db, config_, TraceFn());
    return inTuned_;
}

void TAdoConn::EndTuned() {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (inTuned_ && db.isOpen()) EndTunedStatement(db, TraceFn());
    inTuned_ = false;
}

// A statement that failed inside the tuned transaction spoilt it: anything sent next would only
// hear that the transaction is aborted.
void TAdoConn::AbandonTuned() {
    if (!inTuned_) return;
    inTuned_ = false;
    if (const TSqlTraceFn trace = TraceFn()) trace(QStringLiteral("rollback"));
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (db.isOpen()) db.rollback();
}

void TAdoConn::Close() {
    if (QSqlDatabase::contains(name_)) QSqlDatabase::database(name_, false).close();
}

QSqlDatabase TAdoConn::Database() {
    Open();
    return QSqlDatabase::database(name_, false);
}

QSqlDatabase TAdoConn::OpenThreadCopy(const QString &connectionName) const {
    const TDriverConfig cfg = ResolveConnectionString(ConnectionString);
    QSqlDatabase db = AddConfiguredDatabase(cfg, connectionName);
    OpenConfiguredDatabase(db, cfg, TraceFn());
    return db;
}

void TAdoConn::ReadProvider() { ProviderUpper = Provider().toUpper(); }

bool TAdoConn::IsOracle() {
    ReadProvider();
    return ProviderIsOracle(ProviderUpper);
}

bool TAdoConn::IsAccess() {
    ReadProvider();
    return ProviderIsAccess(ProviderUpper);
}

QString TAdoConn::GetConcatOperator() {
    ReadProvider();
    return ConcatOperatorOf(SqlBackendOf(ProviderUpper));
}

QString TAdoConn::GetSubstringFunction() {
    ReadProvider();
    return SubstringFunctionOf(SqlBackendOf(ProviderUpper));
}

int TAdoConn::GetShardUnitLevel() const { return ShardUnitLevelOf(ConnectionString); }

TTunedStatement::TTunedStatement(TAdoConn *conn) {
    try {
        if (conn && conn->BeginTuned()) conn_ = conn;
    } catch (const Exception &) {
    }
}

TTunedStatement::~TTunedStatement() {
    if (conn_) conn_->EndTuned();
}
