#include "demo/DemoWriter.h"

#include "data/DatabaseError.h"
#include "data/SqlQuote.h"
#include "demo/DemoBudget.h"
#include "demo/DemoCodes.h"
#include "demo/DemoGenerator.h"
#include "demo/DemoSchema.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr int kBatchRows = 500;

QString CodeRowValues(const TCodeTable &t, const TCodeRow &row) {
    QStringList v;
    if (t.Yearly) v << row.Extra;
    v << QuotedStr(row.Code) << QuotedStr(row.Parent) << QuotedStr(row.Name);
    if (t.ExtraColumn == QLatin1String("Class")) v << row.Extra;
    else if (!t.ExtraColumn.isEmpty() && !t.Yearly) v << QuotedStr(row.Extra);
    v << QuotedStr(row.LeafFlag) << QuotedStr(row.UseFlag);
    return QLatin1Char('(') + v.join(QLatin1Char(',')) + QLatin1Char(')');
}

QString CodeTableHead(const TCodeTable &t) {
    QStringList columns;
    if (t.Yearly) columns << QStringLiteral("datayear");
    columns << t.CodeColumn << t.ParentColumn << t.NameColumn;
    if (!t.ExtraColumn.isEmpty() && !t.Yearly) columns << t.ExtraColumn;
    columns << QStringLiteral("leafflag") << QStringLiteral("useflag");
    return QStringLiteral("insert into %1 (%2) values ").arg(t.Table, columns.join(QLatin1Char(',')));
}

QString BudgetRowValues(const TBudgetRow &r) {
    QString v;
    v.reserve(96);
    v += QLatin1Char('(') + QString::number(r.Id) + QLatin1Char(',') + QString::number(r.DataYear);
    for (const QString *text : {&r.Eid, &r.BKid, &r.BType, &r.BTypeChild, &r.IsSecret, &r.Mid, &r.IPid, &r.Pid,
                                &r.Bid, &r.Iid})
        v += QLatin1Char(',') + QuotedStr(*text);
    v += QLatin1Char(',') + QString::number(r.BudgMoney) + QLatin1Char(')');
    return v;
}

}  // namespace

TDemoWriter::TDemoWriter(QSqlDatabase db, std::function<void(qint64)> progress)
    : db_(std::move(db)), progress_(std::move(progress)),
      sqlite_(db_.driverName() == QLatin1String("QSQLITE")) {}

void TDemoWriter::Exec(const QString &sql) {
    QSqlQuery query(db_);
    if (!query.exec(sql))
        throw EDatabaseError(QStringLiteral("%1\n%2").arg(query.lastError().text(), sql.left(300)));
}

void TDemoWriter::InsertBatch(const QString &head, const QStringList &values) {
    if (!values.isEmpty()) Exec(head + values.join(QLatin1Char(',')));
}

void TDemoWriter::Write(qint64 budgetRows) {
    if (sqlite_) {
        Exec(QStringLiteral("pragma journal_mode=off"));
        Exec(QStringLiteral("pragma synchronous=off"));
    } else {
        Exec(QStringLiteral("set client_min_messages = warning"));  // no notices for the drops
    }
    for (const QString &sql : DemoDropStatements()) Exec(sql);
    if (!db_.transaction()) throw EDatabaseError(db_.lastError().text());
    for (const QString &sql : DemoCreateStatements()) Exec(sql);
    WriteCodeTables();
    WriteBudgetRows(budgetRows);
    for (const QString &sql : DemoIndexStatements()) Exec(sql);
    Exec(QStringLiteral("insert into DemoInfo (name, value) values ('version', %1), ('rows', %2)")
             .arg(QuotedStr(QString::fromLatin1(kDemoVersion)), QuotedStr(QString::number(budgetRows))));
    if (!db_.commit()) throw EDatabaseError(db_.lastError().text());
    for (const TCodeTable &t : DemoCodeTables()) Exec(QStringLiteral("analyze ") + t.Table);
    Exec(QStringLiteral("analyze BusiBudgetAdj"));
}

void TDemoWriter::WriteCodeTables() {
    for (const TCodeTable &t : DemoCodeTables()) {
        QStringList values;
        for (const TCodeRow &row : t.Rows) values << CodeRowValues(t, row);
        InsertBatch(CodeTableHead(t), values);
    }
}

void TDemoWriter::WriteBudgetRows(qint64 count) {
    static const QString head = QStringLiteral(
        "insert into BusiBudgetAdj (id,datayear,eid,bkid,btype,btypechild,issecret,mid,ipid,pid,bid,iid,budgmoney) "
        "values ");
    const TDemoBudget budget;
    QStringList values;
    values.reserve(kBatchRows);
    for (qint64 i = 0; i < count; ++i) {
        values << BudgetRowValues(budget.Row(i));
        if (values.size() == kBatchRows) {
            InsertBatch(head, values);
            values.clear();
            if (progress_ && (i + 1) % 100000 == 0) progress_(i + 1);
        }
    }
    InsertBatch(head, values);
}

qint64 TDemoWriter::CountRows(const QString &table) {
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("select count(*) from %1").arg(table)) || !query.next())
        throw EDatabaseError(query.lastError().text());
    return query.value(0).toLongLong();
}
