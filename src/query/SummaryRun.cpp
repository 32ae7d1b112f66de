#include "query/SummaryRun.h"

#include "data/AdoConn.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"

void ReadSummary(TQueryConditions conditions, TSummaryRows &out, const std::atomic<bool> &cancelled) {
    conditions.SubstringFunction = GetDefaultConn()->GetSubstringFunction();
    conditions.ShardUnitLevel = GetDefaultConn()->GetShardUnitLevel();
    out.built = BuildQuerySql(conditions);
    if (out.built.Sql.isEmpty() || cancelled) return;
    IARQueryPtr q;
    // The statement could not be run: the window says why instead of reading a result that is
    // not there.
    if (!OpenDefaultQuery(out.built.Sql, q) || !q.Query()) throw EDatabaseError(LastDbError());
    TARQuery *rows = q.Query();
    if (rows->IsEmpty()) return;
    // The rows are taken as the statement hands them over: reading ahead to count them would hold
    // every value twice.
    const QStringList fields = out.built.FieldNames();
    std::vector<int> columns;  // looked up once, not on every row
    for (const QString &f : fields) columns.push_back(rows->FieldIndex(f));
    const int amountColumn = rows->FieldIndex(QStringLiteral("sumMoney"));
    const int comparedColumn = out.built.CompareYear ? rows->FieldIndex(QStringLiteral("cmpMoney")) : -1;
    for (int n = 0; !rows->Eof(); rows->Next(), ++n) {
        if ((n & 1023) == 0 && cancelled) return;
        QStringList values;
        values.reserve(qsizetype(columns.size()));
        for (int c : columns) values << rows->Value(c).toString();  // a null value gives an empty text
        out.values.push_back(std::move(values));
        out.amounts.push_back(TField(QString(), rows->Value(amountColumn)).AsCurrency());
        if (comparedColumn >= 0) out.compared.push_back(TField(QString(), rows->Value(comparedColumn)).AsCurrency());
    }
}
