#pragma once
// The budget rows of the demo database: budget adjustments of the city's units for the years
// 2009 to 2011, across indicator types, budget sources and subtypes, secrecy flags, fund natures,
// expenditure types, payment methods, subjects and items. Row i depends only on i, so any row
// count gives the same first rows, on every machine and backend.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

struct TBudgetRow {
    qint64 Id;
    int DataYear;
    QString Eid, Mid, IPid, Pid, Bid, Iid;
    QString BKid;        // budget source: 11, 12, 21 current-year budget, 22 carried-over balance
    QString BType;       // indicator type: 0 control figure, 1 budget figure, 2 temporary indicator
    QString BTypeChild;  // 1 initial, 2 supplementary
    QString IsSecret;    // 0 secret, 1 not secret
    qint64 BudgMoney;    // yuan
};

class TDemoBudget {
public:
    TDemoBudget();
    TBudgetRow Row(qint64 index) const;

private:
    // A tiny deterministic generator (splitmix64), so that the data is the same everywhere.
    class Draw {
    public:
        explicit Draw(uint64_t seed) : state_(seed) {}
        uint64_t Next();
        int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
        const QString &Pick(const QStringList &list) { return list[Below(static_cast<int>(list.size()))]; }
        // Picks by weights given in percent.
        int Weighted(std::initializer_list<int> percents);

    private:
        uint64_t state_;
    };

    QString PickSubject(Draw &draw, const QString &department, int year) const;
    QString PickItem(Draw &draw, const QString &department, const QString &ipid) const;
    static qint64 PickMoney(Draw &draw, const QString &ipid);

    QHash<int, QStringList> unitsByYear_;             // leaf units that have budgets that year
    QHash<QString, QStringList> subjectPrefixes_;     // department -> its subject sections
    QHash<QString, QStringList> subjectLeaves_;       // year + section -> bottom-level subjects
    QStringList personnelItems_, runningItems_, purchaseItems_;
    QHash<QString, QStringList> specialItems_;        // department -> its special project items
    QStringList otherSpecialItems_;
};
