#include "data/ConnectionString.h"

namespace {

// Reads one value starting at pos (after the "="), advancing pos past the ";" that ends it.
QString ReadValue(const QString &text, qsizetype &pos) {
    while (pos < text.size() && text[pos].isSpace()) ++pos;
    if (pos < text.size() && (text[pos] == QLatin1Char('"') || text[pos] == QLatin1Char('\''))) {
        const QChar quote = text[pos++];
        QString value;
        while (pos < text.size()) {
            if (text[pos] == quote) {
                if (pos + 1 < text.size() && text[pos + 1] == quote) {
                    value += quote;
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            value += text[pos++];
        }
        while (pos < text.size() && text[pos] != QLatin1Char(';')) ++pos;
        ++pos;
        return value;
    }
    const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
    const qsizetype stop = end < 0 ? text.size() : end;
    QString value = text.mid(pos, stop - pos).trimmed();
    pos = stop + 1;
    return value;
}

}  // namespace

TConnectionString TConnectionString::Parse(const QString &text) {
    TConnectionString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), pos);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), pos);
        if (eq < 0 || (semi >= 0 && semi < eq)) {  // an entry without "=" carries nothing
            if (semi < 0) break;
            pos = semi + 1;
            continue;
        }
        const QString key = text.mid(pos, eq - pos).trimmed();
        pos = eq + 1;
        const QString value = ReadValue(text, pos);
        if (!key.isEmpty()) result.Set(key, value);
    }
    return result;
}

void TConnectionString::Set(const QString &key, const QString &value) {
    for (auto &entry : entries_) {
        if (entry.first.compare(key, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    }
    entries_.append({key, value});
}

int TConnectionString::IndexOf(const char *key) const {
    const QString name = QString::fromLatin1(key);
    for (int i = 0; i < entries_.size(); ++i)
        if (entries_[i].first.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString TConnectionString::Value(std::initializer_list<const char *> keys) const {
    for (const char *key : keys) {
        const int i = IndexOf(key);
        if (i >= 0) return entries_[i].second;
    }
    return QString();
}

bool TConnectionString::Has(std::initializer_list<const char *> keys) const {
    for (const char *key : keys)
        if (IndexOf(key) >= 0) return true;
    return false;
}

int ShardUnitLevelOf(const QString &connectionString) {
    bool ok = false;
    const int level =
        TConnectionString::Parse(connectionString).Value({"Shard Unit Level"}).trimmed().toInt(&ok);
    return ok && level > 0 ? level : 0;
}
