#include "query/CompareYears.h"

#include "data/AdoConn.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"

#include <algorithm>
#include <functional>

QString CompareYearsSql(const QString &sourceView) {
    return QStringLiteral("select distinct datayear from ") + sourceView.trimmed();
}

QStringList CompareYearEntries(QList<int> years, int dataYear) {
    std::sort(years.begin(), years.end(), std::greater<int>());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    QStringList entries{QString()};
    for (int y : years)
        if (y != dataYear && y > 0) entries << QString::number(y);
    return entries;
}

QList<int> ReadDataYears(const QString &sourceView, const std::atomic<bool> &cancelled) {
    IARQueryPtr q;
    if (const authpay::Outcome opened = TryOpenDefaultQuery(CompareYearsSql(sourceView), q); !opened.Ok()) throw EDatabaseError(opened.message);
    QList<int> years;
    for (TARQuery *rows = q.Query(); !rows->Eof() && !cancelled; rows->Next()) {
        bool number = false;
        const int year = rows->Value(0).toInt(&number);
        if (number) years << year;
    }
    return years;
}
