#pragma once
// The one way a value enters SQL text: between single quotes, with every single quote inside it
// doubled. Every value that comes from a user, a list or the database goes through QuotedStr;
// a value that a `like` matches the start of goes through QuotedLikePrefix.
#include "data/SqlDialect.h"

#include <QString>
#include <QStringList>

inline QString QuotedStr(const QString &value) {
    QString out;
    out.reserve(value.size() + 2);
    out += QLatin1Char('\'');
    for (QChar c : value) {
        if (c == QLatin1Char('\'')) out += QLatin1Char('\'');
        out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

// Each value quoted, joined by ",": 101,102 -> '101','102'.
inline QString QuotedList(const QStringList &values) {
    QStringList quoted;
    quoted.reserve(values.size());
    for (const QString &v : values) quoted << QuotedStr(v);
    return quoted.join(QLatin1Char(','));
}

// The pattern of "like" for the values that begin with `prefix`: the prefix quoted with "%" after
// it, '001%'. A character of the prefix that "like" would take as a wildcard matches only itself:
// on SQL Server and Access it is put in brackets, '00[_]1%'; elsewhere the escape character goes
// before it and the pattern names it, '00\_1%' escape '\', and so does the escape character
// itself (which PostgreSQL takes as one even unasked). Access in its older SQL also reads "*", "?"
// and "#" as wildcards.
inline QString QuotedLikePrefix(const QString &prefix, TSqlBackend backend) {
    const bool brackets = backend == TSqlBackend::SqlServer || backend == TSqlBackend::Access;
    const QString wild = backend == TSqlBackend::Access ? QStringLiteral("%_[*?#")
                         : brackets                      ? QStringLiteral("%_[")
                                                         : QStringLiteral("%_\\");
    QString pattern;
    bool escaped = false;
    for (QChar c : prefix) {
        if (wild.contains(c)) {
            escaped = true;
            pattern += brackets ? QLatin1Char('[') + QString(c) + QLatin1Char(']') : QLatin1Char('\\') + QString(c);
        } else {
            pattern += c;
        }
    }
    if (!escaped) return QuotedStr(prefix + QLatin1Char('%'));
    return QuotedStr(pattern + QLatin1Char('%')) + (brackets ? QString() : QStringLiteral(" escape '\\'"));
}
