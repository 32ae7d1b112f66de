#include "data/MemDataSet.h"

#include "data/DatabaseError.h"
#include "data/DatabaseOpener.h"
#include "data/DriverConfig.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <atomic>

namespace {

QString ThreadConnectionName() {
    static std::atomic<quint64> serial{0};
    return QStringLiteral("TMemDataSet_%1_%2")
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()), 0, 16)
        .arg(++serial);
}

}  // namespace

TMemDataSet::TMemDataSet(QString connectionString, QString sql)
    : connectionString_(std::move(connectionString)), sql_(std::move(sql)) {}

void TMemDataSet::Open() {
    Close();
    const QString name = ThreadConnectionName();
    QString failure;
    {
        const TDriverConfig cfg = ResolveConnectionString(connectionString_);
        try {
            QSqlDatabase db = AddConfiguredDatabase(cfg, name);
            OpenConfiguredDatabase(db, cfg);
            QSqlQuery query(db);
            query.setForwardOnly(true);
            query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
            if (query.exec(sql_)) {
                const QSqlRecord header = query.record();
                for (int i = 0; i < header.count(); ++i) names_ << header.fieldName(i);
                while (query.next()) {
                    std::vector<QVariant> row(static_cast<size_t>(header.count()));
                    for (int i = 0; i < header.count(); ++i) row[static_cast<size_t>(i)] = query.value(i);
                    rows_.push_back(std::move(row));
                }
                active_ = true;
            } else {
                failure = QStringLiteral("SQL语句执行失败：%1").arg(query.lastError().text());
            }
        } catch (const EDatabaseError &e) {
            failure = e.Message;
        }
    }
    RemoveConfiguredDatabase(name);
    if (!failure.isEmpty()) {
        Close();
        throw EDatabaseError(failure);
    }
}

void TMemDataSet::Close() {
    names_.clear();
    rows_.clear();
    row_ = 0;
    active_ = false;
}

TField TMemDataSet::FieldByName(const QString &name) const {
    qsizetype index = 0;
    while (index < names_.size() && names_.at(index).compare(name, Qt::CaseInsensitive) != 0) ++index;
    if (index == names_.size()) throw EDatabaseError(QStringLiteral("字段%1不存在").arg(name));
    if (Eof()) throw EDatabaseError(QStringLiteral("没有当前记录"));
    return TField(names_.at(index), rows_[row_][static_cast<size_t>(index)]);
}
