#pragma once
// The one way a value enters SQL text: between single quotes, with every single quote inside it
// doubled. Every value that comes from a user, a list or the database goes through QuotedStr.
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
