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
#include <vector>

namespace {

constexpr int kBatchRows = 500;       // rows per multi-row insert (SQLite)
constexpr int kArrayBatchRows = 5000; // rows per array insert (PostgreSQL)

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

const char *const kBudgetColumns = "id,datayear,eid,bkid,btype,btypechild,issecret,mid,ipid,pid,bid,iid,budgmoney";

QList<const QString *> TextFields(const TBudgetRow &r) {
    return {&r.Eid, &r.BKid, &r.BType, &r.BTypeChild, &r.IsSecret, &r.Mid, &r.IPid, &r.Pid, &r.Bid, &r.Iid};
}

// insert ... values (...),(...): what SQLite reads fastest.
QString BudgetValuesInsert(const std::vector<TBudgetRow> &rows) {
    QString sql = QStringLiteral("insert into BusiBudgetAdj (%1) values ").arg(QLatin1String(kBudgetColumns));
    sql.reserve(static_cast<qsizetype>(rows.size()) * 96);
    for (size_t i = 0; i < rows.size(); ++i) {
        const TBudgetRow &r = rows[i];
        sql += (i ? QStringLiteral(",(") : QStringLiteral("(")) + QString::number(r.Id) + QLatin1Char(',') +
               QString::number(r.DataYear);
        for (const QString *text : TextFields(r)) sql += QLatin1Char(',') + QuotedStr(*text);
        sql += QLatin1Char(',') + QString::number(r.BudgMoney) + QLatin1Char(')');
    }
    return sql;
}

// One array literal per column, unnested by the server: PostgreSQL parses this far faster than a
// long list of row values. Elements are double-quoted array elements; the literal is quoted.
QString ArrayLiteral(const QStringList &elements) {
    QStringList quoted;
    quoted.reserve(elements.size());
    for (QString e : elements) {
        e.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
        quoted << QLatin1Char('"') + e + QLatin1Char('"');
    }
    return QuotedStr(QLatin1Char('{') + quoted.join(QLatin1Char(',')) + QLatin1Char('}'));
}

QString BudgetArrayInsert(const std::vector<TBudgetRow> &rows) {
    QList<QStringList> columns(13);
    for (const TBudgetRow &r : rows) {
        columns[0] << QString::number(r.Id);
        columns[1] << QString::number(r.DataYear);
        int c = 2;
        for (const QString *text : TextFields(r)) columns[c++] << *text;
        columns[12] << QString::number(r.BudgMoney);
    }
    QStringList arrays;
    for (int c = 0; c < columns.size(); ++c) {
        const char *type = c == 0 ? "::bigint[]" : c == 1 ? "::integer[]" : c == 12 ? "::numeric[]" : "::varchar[]";
        arrays << ArrayLiteral(columns[c]) + QLatin1String(type);
    }
    return QStringLiteral("insert into BusiBudgetAdj (%1) select * from unnest(%2)")
        .arg(QLatin1String(kBudgetColumns), arrays.join(QLatin1Char(',')));
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
    const TDemoBudget budget;
    const int batch = sqlite_ ? kBatchRows : kArrayBatchRows;
    std::vector<TBudgetRow> rows;
    rows.reserve(static_cast<size_t>(batch));
    for (qint64 i = 0; i < count; ++i) {
        rows.push_back(budget.Row(i));
        if (static_cast<int>(rows.size()) == batch || i + 1 == count) {
            Exec(sqlite_ ? BudgetValuesInsert(rows) : BudgetArrayInsert(rows));
            rows.clear();
        }
        if (progress_ && (i + 1) % 100000 == 0) progress_(i + 1);
    }
}

qint64 TDemoWriter::CountRows(const QString &table) {
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("select count(*) from %1").arg(table)) || !query.next())
        throw EDatabaseError(query.lastError().text());
    return query.value(0).toLongLong();
}
