#pragma once
// An ADO connection string: "Key=Value" entries separated by ";". Keys are compared without
// regard to letter case and surrounding blanks; a value may be enclosed in double or single
// quotes (the quote doubled inside), which lets it hold ";" or "=". A later entry of the same key
// replaces an earlier one.
#include <QList>
#include <QPair>
#include <QString>
#include <initializer_list>

class TConnectionString {
public:
    static TConnectionString Parse(const QString &text);

    // The value of the first of the keys that is present; empty when none is.
    QString Value(std::initializer_list<const char *> keys) const;
    bool Has(std::initializer_list<const char *> keys) const;
    // Every entry, in the order of first appearance.
    const QList<QPair<QString, QString>> &Entries() const { return entries_; }

private:
    void Set(const QString &key, const QString &value);
    int IndexOf(const char *key) const;

    QList<QPair<QString, QString>> entries_;
};

// "Shard Unit Level=N": the database is a coordinator whose budget rows are partitioned over
// shard servers by the unit code cut to level N. The level, or 0 when the key is missing or holds
// no positive number (one server).
int ShardUnitLevelOf(const QString &connectionString);
