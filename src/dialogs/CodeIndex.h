#pragma once
// TCodeIndex: every code of a picker's table (its id, parent id and name) in code order, read
// once by the picker's search box, so that a search finds codes whose branch the tree has not
// loaded yet. Plain data: finding and the path down to a code are functions of the rows alone.
#include <QString>
#include <QStringList>
#include <QHash>
#include <vector>

struct TCodeRow {
    QString Id, Pid, Name;
};

class TCodeIndex {
public:
    TCodeIndex() = default;
    explicit TCodeIndex(std::vector<TCodeRow> rows);

    bool Empty() const { return rows_.empty(); }
    int Size() const { return int(rows_.size()); }

    struct TFound {
        QStringList Ids;  // in code order, at most the limit
        int Total = 0;    // how many matched in all
    };
    // Codes that begin with the text and codes whose name holds it (letters in either case); the
    // text is trimmed, and a blank one finds nothing.
    TFound Find(const QString &text, int limit) const;
    // The ids from the topmost ancestor the table holds down to the code itself; empty for a code
    // the table does not hold. A parent chain that comes back on itself ends where it repeats.
    QStringList PathTo(const QString &id) const;

private:
    std::vector<TCodeRow> rows_;
    QHash<QString, qsizetype> byId_;
};

// The statement that reads the index from the rows of a picker's tree statement, whose columns
// are named id, pid and name.
QString CodeIndexSql(const QStringList &treeSql);
