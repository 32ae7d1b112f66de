#include "trees/ChildSql.h"

#include "data/SqlQuote.h"

QString TrimText(const QString &text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20) ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20) --end;
    return text.mid(begin, end - begin);
}

QString BuildChildSql(const QStringList &sqlTable, const QString &fieldPid, const QString &fieldOrderBy,
                      const QString &id) {
    QString table;
    for (const QString &line : sqlTable) table += line + QLatin1Char('\n');
    QString sql = QLatin1String("select a.* from (") + TrimText(table) + QLatin1String(") a ");
    if (fieldPid != QLatin1String("Piid"))
        sql += QLatin1String("where a.") + TrimText(fieldPid) + QLatin1Char('=') + QuotedStr(id);
    const QString orderBy = TrimText(fieldOrderBy);
    if (!orderBy.isEmpty()) sql += QLatin1String(" Order by a.") + orderBy;
    return sql;
}
