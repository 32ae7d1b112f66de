#include "frame/TextOps.h"

QString ReplaceText(const QString &source, const QString &pattern, const QString &replacement) {
    if (pattern.isEmpty()) return source;
    QString result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = source.indexOf(pattern, from, Qt::CaseSensitive);
        if (at < 0) break;
        result += QStringView(source).mid(from, at - from);
        result += replacement;
        from = at + pattern.size();
    }
    result += QStringView(source).mid(from);
    return result;
}

QString RemoveText(const QString &pattern, const QString &source) { return ReplaceText(source, pattern, QString()); }

QString TextBeforeChar(const QString &source, QChar ch, bool inclusive) {
    const qsizetype at = source.indexOf(ch);
    if (at < 0) return source;
    return source.left(inclusive ? at + 1 : at);
}

QString RightText(const QString &source, int n) {
    if (n <= 0 || source.isEmpty()) return QString();
    return n >= source.size() ? source : source.right(n);
}
