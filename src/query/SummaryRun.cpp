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

// The first screen's rows go to the window at once, the rest in batches of this many.
constexpr size_t kFirstBatch = 200;
constexpr size_t kBatch = 2048;

// The rows read so far: where they go, and the row before, whose repeated texts the next shares.
struct TReading {
    TSummaryRows &out;
    TRowHandover *handover;
    QStringList last;
    size_t count = 0;

    void Took() {
        ++count;
        if (handover && (count == kFirstBatch || count % kBatch == 0)) handover->Give(out);
    }
    void End() {
        if (handover) handover->Give(out);
    }
};

// One result row as the sheet takes it: the named fields as texts (null: empty), the sums as
// currency amounts (four decimals, as the report's amount fields are read everywhere).
template <typename Text, typename Amount>
void TakeRow(TReading &reading, const TSummaryColumns &columns, Text text, Amount amount) {
    QStringList values;
    values.reserve(qsizetype(columns.values.size()));
    // Rows come in order, so a column mostly repeats the row before's text: that text is shared,
    // not held again (less memory, and less to free when the rows are let go).
    const QStringList &before = reading.last;
    for (int c : columns.values) {
        QString value = text(c);
        const qsizetype i = values.size();
        if (before.size() > i && before[i] == value) values << before[i];
        else values << std::move(value);
    }
    reading.last = values;
    TSummaryRows &out = reading.out;
    out.values.push_back(std::move(values));
    out.amounts.push_back(amount(columns.amount));
    if (columns.compared >= 0) out.compared.push_back(amount(columns.compared));
    reading.Took();
}

// The rows of `from` moved to the end of `to`'s.
void AppendRows(TSummaryRows &to, TSummaryRows &from) {
    const auto append = [](auto &into, auto &rows) {
        if (into.empty()) into.swap(rows);
        else into.insert(into.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
        rows.clear();
    };
    append(to.values, from.values);
    append(to.amounts, from.amounts);
    append(to.compared, from.compared);
}

double Currency(double value) { return std::round(value * 10000.0) / 10000.0; }

// A file database's rows straight from its handle (see TSqliteRows); false when the connection
// is no SQLite one, and the generic query reads them.
bool ReadSqliteSummary(TReading &reading, const std::atomic<bool> &cancelled) {
    TSummaryRows &out = reading.out;
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
        TakeRow(reading, columns, [&](int c) { return rows->RepeatedText(c); },
                [&](int c) { return Currency(rows->Number(c)); });
    }
    reading.End();
    return true;
}
}  // namespace

void TRowHandover::Give(TSummaryRows &from) {
    {
        std::lock_guard lock(mutex_);
        if (!builtGiven_) waiting_.built = from.built;
        builtGiven_ = true;
        AppendRows(waiting_, from);
    }
    if (wake_) wake_();
}

size_t TRowHandover::Take(TSummaryRows &into) {
    std::lock_guard lock(mutex_);
    if (into.built.Sql.isEmpty() && builtGiven_) into.built = waiting_.built;
    const size_t taken = waiting_.values.size();
    AppendRows(into, waiting_);
    return taken;
}

void ReadSummary(TQueryConditions conditions, TSummaryRows &out, const std::atomic<bool> &cancelled,
                 TRowHandover *handover) {
    conditions.SubstringFunction = GetDefaultConn()->GetSubstringFunction();
    conditions.ShardUnitLevel = GetDefaultConn()->GetShardUnitLevel();
    out.built = BuildQuerySql(conditions);
    if (out.built.Sql.isEmpty() || cancelled) return;
    TReading reading{out, handover, {}};
    if (ReadSqliteSummary(reading, cancelled)) {
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
        TakeRow(reading, columns, [&](int c) { return rows->Value(c).toString(); },
                [&](int c) { return TField(QString(), rows->Value(c)).AsCurrency(); });
    }
    reading.End();
}
