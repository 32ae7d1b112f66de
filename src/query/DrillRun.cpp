#include "query/DrillRun.h"

#include "data/ARQuery.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"
#include "query/DrillSql.h"

void ReadDrillRows(const QString &sql, TDrillRows &out, const std::atomic<bool> &cancelled) {
    IARQueryPtr q;
    if (!OpenDefaultQuery(sql, q) || !q.Query()) throw EDatabaseError(LastDbError());
    TARQuery *rows = q.Query();
    if (rows->IsEmpty()) return;
    std::vector<int> columns;  // looked up once, not on every row
    for (const QString &f : DrillColumns()) columns.push_back(rows->FieldIndex(f));
    const int amountColumn = columns.back();
    columns.pop_back();
    for (int n = 0; !rows->Eof(); rows->Next(), ++n) {
        if ((n & 1023) == 0 && cancelled) return;
        QStringList values;
        values.reserve(qsizetype(columns.size()));
        for (int c : columns) values << rows->Value(c).toString();
        out.values.push_back(std::move(values));
        out.amounts.push_back(TField(QString(), rows->Value(amountColumn)).AsCurrency());
    }
}
