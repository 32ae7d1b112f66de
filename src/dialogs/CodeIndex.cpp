#include "dialogs/CodeIndex.h"

#include "trees/ChildSql.h"

#include <algorithm>

TCodeIndex::TCodeIndex(std::vector<TCodeRow> rows) : rows_(std::move(rows)) {
    std::stable_sort(rows_.begin(), rows_.end(), [](const TCodeRow &a, const TCodeRow &b) { return a.Id < b.Id; });
    byId_.reserve(qsizetype(rows_.size()));
    for (qsizetype i = 0; i < qsizetype(rows_.size()); ++i)
        if (!byId_.contains(rows_[size_t(i)].Id)) byId_.insert(rows_[size_t(i)].Id, i);
}

TCodeIndex::TFound TCodeIndex::Find(const QString &text, int limit) const {
    TFound found;
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) return found;
    for (const TCodeRow &row : rows_) {
        if (!row.Id.startsWith(wanted, Qt::CaseInsensitive) && !row.Name.contains(wanted, Qt::CaseInsensitive))
            continue;
        if (found.Total++ < limit) found.Ids << row.Id;
    }
    return found;
}

QStringList TCodeIndex::PathTo(const QString &id) const {
    QStringList path;
    QString at = id;
    while (byId_.contains(at) && !path.contains(at)) {
        path.prepend(at);
        at = rows_[size_t(byId_.value(at))].Pid;
    }
    return path;
}

QString CodeIndexSql(const QStringList &treeSql) {
    return QStringLiteral("select a.id as id,a.pid as pid,a.name as name from (") + TrimText(treeSql.join(QLatin1Char('\n')))
           + QStringLiteral(") a");
}
