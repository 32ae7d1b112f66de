#include "query/SummaryRun.h"

#include "authpay/Exception.h"
#include "data/AdoConn.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"
#include "data/SqliteRows.h"

#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
// The result's columns by position, looked up once, not on every row.
struct TSummaryColumns {
    std::vector<int> values;
    int amount = -1;
    int compared = -1;  // -1 without a compared year
};

template <typename Find> TSummaryColumns SummaryColumns(const TQuerySql &built, Find find) {
    TSummaryColumns columns;
    for (const QString &f : built.ResultFieldNames()) columns.values.push_back(find(f));
    columns.amount = find(QStringLiteral("sumMoney"));
    if (built.CompareYear) columns.compared = find(QStringLiteral("cmpMoney"));
    return columns;
}

// One result row as the sheet takes it: the named fields as texts (null: empty), the sums as
// currency amounts (four decimals, as the report's amount fields are read everywhere).
template <typename Text, typename Amount>
void TakeRow(TSummaryRows &out, const TSummaryColumns &columns, Text text, Amount amount) {
    QStringList values;
    values.reserve(qsizetype(columns.values.size()));
    // Rows come in order, so a column mostly repeats the row before's text: that text is shared,
    // not held again (less memory, and less to free when the rows are let go).
    const QStringList *before = out.values.empty() ? nullptr : &out.values.back();
    for (int c : columns.values) {
        QString value = text(c);
        if (before && before->size() > values.size() && (*before)[values.size()] == value) values << (*before)[values.size()];
        else values << std::move(value);
    }
    out.values.push_back(std::move(values));
    out.amounts.push_back(amount(columns.amount));
    if (columns.compared >= 0) out.compared.push_back(amount(columns.compared));
}

double Currency(double value) { return std::round(value * 10000.0) / 10000.0; }

// A file database's rows straight from its handle (see TSqliteRows); false when the connection
// is no SQLite one, and the generic query reads them.
bool ReadSqliteSummary(TSummaryRows &out, const std::atomic<bool> &cancelled) {
    TAdoConn *conn = GetDefaultConn();
    if (!conn) return false;
    try {
        conn->Open();  // on demand, as a query opens it
    } catch (const Exception &) {
        return false;  // the generic query reports the failure as it always has
    }
    const std::unique_ptr<TSqliteRows> rows = TSqliteRows::Open(conn->Database(), out.built.Sql);
    if (!rows) return false;
    conn->TraceSql(out.built.Sql);
    const TSummaryColumns columns = SummaryColumns(out.built, [&](const QString &f) { return rows->ColumnIndex(f); });
    for (int n = 0; rows->Next(); ++n) {
        if ((n & 1023) == 0 && cancelled) return true;
        TakeRow(out, columns, [&](int c) { return rows->RepeatedText(c); },
                [&](int c) { return Currency(rows->Number(c)); });
    }
    return true;
}
}  // namespace

void ReadSummary(TQueryConditions conditions, TSummaryRows &out, const std::atomic<bool> &cancelled) {
    conditions.SubstringFunction = GetDefaultConn()->GetSubstringFunction();
    conditions.ShardUnitLevel = GetDefaultConn()->GetShardUnitLevel();
    out.built = BuildQuerySql(conditions);
    if (out.built.Sql.isEmpty() || cancelled) return;
    if (ReadSqliteSummary(out, cancelled)) {
#ifdef __GLIBC__
        // The statement's sort ran on helper threads, each with a heap of its own that the C library
        // keeps after the statement ends; handed back now, the sheet that the rows fill next does
        // not come on top of it.
        malloc_trim(0);
#endif
        return;
    }
    const TTunedStatement tuned(GetDefaultConn());
    IARQueryPtr q;
    // The statement could not be run: the window says why instead of reading a result that is
    // not there.
    if (const authpay::Outcome opened = TryOpenDefaultQuery(out.built.Sql, q); !opened.Ok()) throw EDatabaseError(opened.message);
    TARQuery *rows = q.Query();
    if (rows->IsEmpty()) return;
    // The rows are taken as the statement hands them over: reading ahead to count them would hold
    // every value twice.
    const TSummaryColumns columns = SummaryColumns(out.built, [&](const QString &f) { return rows->FieldIndex(f); });
    for (int n = 0; !rows->Eof(); rows->Next(), ++n) {
        if ((n & 1023) == 0 && cancelled) return;
        TakeRow(out, columns, [&](int c) { return rows->Value(c).toString(); },
                [&](int c) { return TField(QString(), rows->Value(c)).AsCurrency(); });
    }
}
