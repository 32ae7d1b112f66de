#include "data/ARQuery.h"

#include "data/AdoConn.h"
#include "data/DatabaseError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <cmath>

QString TField::AsString() const { return value_.isNull() ? QString() : value_.toString(); }
double TField::AsFloat() const { return value_.isNull() ? 0.0 : value_.toDouble(); }
double TField::AsCurrency() const { return std::round(AsFloat() * 10000.0) / 10000.0; }
qlonglong TField::AsInteger() const { return value_.isNull() ? 0 : value_.toLongLong(); }

TARQuery::~TARQuery() {
    destroying_ = true;
    Close();
}

long TARQuery::QueryInterface(const TGuid &iid, void **obj) {
    if (iid == IID_IARQuery || iid == IID_IUnknown) {
        *obj = static_cast<IARQuery *>(this);
        AddRef();
        return 0;
    }
    *obj = nullptr;
    return E_NOINTERFACE_CODE;
}

long TARQuery::AddRef() { return ++refCount_; }

long TARQuery::Release() {
    const int count = --refCount_;
    if (count == 0 && !destroying_) delete this;
    return count;
}

void TARQuery::Fail(const QString &message) {
    Close();
    if (Connection) Connection->RecordError(message);
    throw EDatabaseError(message);
}

void TARQuery::FailStatement(const QSqlError &error) {
    // A lost server leaves the connection open in name only; reopen it next time.
    if (error.type() == QSqlError::ConnectionError && Connection) Connection->Close();
    Fail(QStringLiteral("SQL语句执行失败：%1").arg(error.text()));
}

void TARQuery::Open() {
    Close();
    if (!Connection) Fail(QStringLiteral("查询没有指定数据库连接"));
    Connection->Open();  // opens on demand; throws when it cannot
    Connection->TraceSql(SQL);
    if (!Execute() && !(ConnectionLost() && Reconnect() && Execute())) FailStatement(query_.lastError());
    header_ = query_.record();
    active_ = true;
    hasRow_ = FetchRow(current_);
}

bool TARQuery::Execute() {
    query_ = QSqlQuery(Connection->Database());
    query_.setForwardOnly(true);
    query_.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    return query_.exec(SQL);
}

// A database server that went away (restarted, say) leaves the connection open in name only, and
// its driver reports the failure as the statement's. A statement that fails on a server is
// followed by a probe; when the probe fails as well the connection is gone, and the statement is
// run once more on a new one. A file database has no server to lose.
bool TARQuery::ConnectionLost() {
    const QSqlDatabase db = Connection->Database();
    if (db.driverName() == QLatin1String("QSQLITE")) return false;
    Connection->AbandonTuned();
    QSqlQuery probe(db);
    return !probe.exec(QStringLiteral("select 1"));
}

// No copy of the old connection may be left when it is replaced.
bool TARQuery::Reconnect() {
    query_ = QSqlQuery();
    Connection->Close();
    Connection->Open();
    return true;
}

void TARQuery::Close() {
    query_ = QSqlQuery();
    header_ = QSqlRecord();
    current_.clear();
    ahead_.clear();
    hasRow_ = false;
    rowsSeen_ = 0;
    drained_ = false;
    active_ = false;
}

bool TARQuery::StepRow(Row &row) {
    if (drained_) return false;
    if (!query_.next()) {
        // The backend answers "no row" both at the end of the result and when reading the next
        // row failed (a value that cannot be computed, a lost server); only the error tells.
        const QSqlError error = query_.lastError();
        if (error.type() != QSqlError::NoError) FailStatement(error);
        drained_ = true;
        return false;
    }
    const int n = header_.count();
    row.assign(static_cast<size_t>(n), QVariant());
    for (int i = 0; i < n; ++i) row[static_cast<size_t>(i)] = query_.value(i);
    return true;
}

bool TARQuery::FetchRow(Row &row) {
    if (!ahead_.empty()) {
        row = std::move(ahead_.front());
        ahead_.pop_front();
        return true;
    }
    return StepRow(row);
}

void TARQuery::Next() {
    if (!hasRow_) return;
    ++rowsSeen_;
    hasRow_ = FetchRow(current_);
}

void TARQuery::First() {
    if (!active_ || rowsSeen_ == 0) return;
    Open();
}

int TARQuery::RecordCount() {
    if (!active_) return 0;
    const QSqlDriver *driver = query_.driver();
    if (driver && driver->hasFeature(QSqlDriver::QuerySize) && query_.size() >= 0) return query_.size();
    for (Row row; StepRow(row);) ahead_.push_back(std::move(row));
    return rowsSeen_ + (hasRow_ ? 1 : 0) + static_cast<int>(ahead_.size());
}

void TARQuery::CheckRow() const {
    if (!hasRow_) throw EDatabaseError(QStringLiteral("没有当前记录"));
}

TField TARQuery::Fields(int index) const {
    if (index < 0 || index >= header_.count())
        throw EDatabaseError(QStringLiteral("字段序号%1超出范围").arg(index));
    CheckRow();
    return TField(header_.fieldName(index), current_[static_cast<size_t>(index)]);
}

TField TARQuery::FindField(const QString &name) const {
    const int index = header_.indexOf(name);
    if (index < 0 || !hasRow_) return TField(name, QVariant());
    return TField(header_.fieldName(index), current_[static_cast<size_t>(index)]);
}

const QVariant &TARQuery::Value(int index) const {
    if (index < 0 || index >= header_.count())
        throw EDatabaseError(QStringLiteral("字段序号%1超出范围").arg(index));
    CheckRow();
    return current_[static_cast<size_t>(index)];
}

int TARQuery::FieldIndex(const QString &name) const {
    const int index = header_.indexOf(name);
    if (index < 0) throw EDatabaseError(QStringLiteral("字段%1不存在").arg(name));
    return index;
}

TField TARQuery::FieldByName(const QString &name) const { return Fields(FieldIndex(name)); }
