#include "demo/DemoBudget.h"

#include "demo/DemoCodes.h"

namespace {

constexpr uint64_t kSeed = 0x5EED2010C0DEULL;

const char *const kSubjectsOfDepartment[][2] = {
    {"001", "20501,20502,20503,20508"}, {"002", "21001,21002,21004"}, {"003", "20106"},
    {"004", "20402"},  {"005", "20810"}, {"006", "21301"}, {"007", "21401"},
    {"008", "20701,20702,20704"}, {"009", "20801"}, {"010", "21201,21203"}, {"011", "22001"},
    {"012", "20101,20103"},
};
// Pensions and housing reform are budgeted for every unit.
const char *const kCommonSubjects = "20805,22102";

const char *const kItemsOfDepartment[][2] = {
    {"001", "0301"}, {"002", "0302"}, {"004", "0307"}, {"005", "0306"}, {"006", "0303"},
    {"007", "0304"}, {"008", "0305"}, {"009", "0306"},
};

QStringList LeavesUnder(const QList<TCodeRow> &rows, const QString &prefix, bool inUseOnly) {
    QStringList codes;
    for (const TCodeRow &row : rows)
        if (row.LeafFlag == QLatin1String("0") && row.Code.startsWith(prefix) &&
            (!inUseOnly || row.UseFlag == QLatin1String("0")))
            codes << row.Code;
    return codes;
}

}  // namespace

uint64_t TDemoBudget::Draw::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int TDemoBudget::Draw::Weighted(std::initializer_list<int> percents) {
    int roll = Below(100);
    int index = 0;
    for (int p : percents) {
        if (roll < p) return index;
        roll -= p;
        ++index;
    }
    return index - 1;
}

TDemoBudget::TDemoBudget() {
    const QList<TCodeRow> units = DemoCodeTable(QStringLiteral("pubdept")).Rows;
    // Units no longer in use still have the budgets of the first year.
    for (int year : DemoYears()) unitsByYear_[year] = LeavesUnder(units, QString(), year != DemoYears().first());
    for (const auto &pair : kSubjectsOfDepartment)
        subjectPrefixes_[QString::fromLatin1(pair[0])] = QString::fromLatin1(pair[1]).split(QLatin1Char(','));
    QStringList sections = QString::fromLatin1(kCommonSubjects).split(QLatin1Char(','));
    for (const QStringList &own : std::as_const(subjectPrefixes_)) sections << own;
    const TCodeTable &subjects = DemoCodeTable(QStringLiteral("pubsubject"));
    for (int year : DemoYears())
        for (const QString &section : std::as_const(sections))
            subjectLeaves_[QString::number(year) + section] = LeavesUnder(RowsOfYear(subjects, year), section, true);

    const QList<TCodeRow> items = DemoCodeTable(QStringLiteral("pubitem")).Rows;
    personnelItems_ = LeavesUnder(items, QStringLiteral("01"), true);
    runningItems_ = LeavesUnder(items, QStringLiteral("02"), true);
    purchaseItems_ = LeavesUnder(items, QStringLiteral("04"), true);
    for (const auto &pair : kItemsOfDepartment)
        specialItems_[QString::fromLatin1(pair[0])] = LeavesUnder(items, QString::fromLatin1(pair[1]), true);
    otherSpecialItems_ = LeavesUnder(items, QStringLiteral("0308"), true);
}

QString TDemoBudget::PickSubject(Draw &draw, const QString &department, int year) const {
    QStringList sections = subjectPrefixes_.value(department);
    if (draw.Below(100) < 20) sections = QString::fromLatin1(kCommonSubjects).split(QLatin1Char(','));
    const QString &section = draw.Pick(sections);
    return draw.Pick(subjectLeaves_[QString::number(year) + section]);
}

QString TDemoBudget::PickItem(Draw &draw, const QString &department, const QString &ipid) const {
    if (ipid == QLatin1String("11") || ipid == QLatin1String("17")) return draw.Pick(personnelItems_);
    if (ipid == QLatin1String("12") || ipid == QLatin1String("18")) return draw.Pick(runningItems_);
    if (ipid == QLatin1String("22") && draw.Below(100) < 15) return draw.Pick(purchaseItems_);
    const QStringList &special = specialItems_.contains(department) ? specialItems_[department] : otherSpecialItems_;
    return draw.Pick(special);
}

qint64 TDemoBudget::PickMoney(Draw &draw, const QString &ipid) {
    qint64 low = 10000, high = 5000000;
    if (ipid == QLatin1String("11") || ipid == QLatin1String("17")) low = 20000, high = 2000000;
    else if (ipid == QLatin1String("12") || ipid == QLatin1String("18")) low = 5000, high = 500000;
    // Many small amounts, few large ones: the square of a uniform draw.
    const double u = static_cast<double>(draw.Next() >> 11) / 9007199254740992.0;
    const qint64 yuan = low + static_cast<qint64>(u * u * static_cast<double>(high - low));
    return yuan / 100 * 100;
}

TBudgetRow TDemoBudget::Row(qint64 index) const {
    Draw draw(kSeed ^ (static_cast<uint64_t>(index) * 0xD1B54A32D192ED03ULL));
    TBudgetRow row;
    row.Id = index + 1;
    row.DataYear = DemoYears()[draw.Below(3)];
    row.Eid = draw.Pick(unitsByYear_[row.DataYear]);
    const QString department = row.Eid.left(3);
    static const QStringList btypes{"0", "1", "2"}, bkids{"21", "22", "11", "12"};
    row.BType = btypes[draw.Weighted({50, 35, 15})];
    row.BKid = bkids[draw.Weighted({60, 15, 15, 10})];
    row.BTypeChild = draw.Below(100) < 75 ? QStringLiteral("1") : QStringLiteral("2");
    row.IsSecret = draw.Below(100) < 10 ? QStringLiteral("0") : QStringLiteral("1");
    static const QStringList mids{"11", "12", "13", "21", "22", "31"};
    row.Mid = mids[draw.Weighted({55, 10, 5, 10, 5, 15})];
    if (row.Mid == QLatin1String("31")) {
        row.Pid = QStringLiteral("31");
        static const QStringList own{"17", "18", "19"};
        row.IPid = draw.Pick(own);
    } else {
        row.Pid = draw.Below(100) < 45 ? QStringLiteral("10") : QStringLiteral("20");
        static const QStringList types{"11", "12", "21", "22"};
        row.IPid = types[draw.Weighted({35, 30, 10, 25})];
    }
    row.Bid = PickSubject(draw, department, row.DataYear);
    row.Iid = PickItem(draw, department, row.IPid);
    row.BudgMoney = PickMoney(draw, row.IPid);
    return row;
}
