#include "data/ComboFillers.h"

#include "authpay/Exception.h"
#include "data/ComboSql.h"
#include "data/DefaultConn.h"
#include "frame/ModuleGlobals.h"
#include "frame/UserContextOps.h"

#include <QComboBox>
#include <QSignalBlocker>

const QStringList &SecretNames() {
    static const QStringList names{QStringLiteral("密"), QStringLiteral("非密")};
    return names;
}

const QStringList &BudgetTypeNames() {
    static const QStringList names{QStringLiteral("控制数"), QStringLiteral("预算数"), QStringLiteral("临时指标")};
    return names;
}

int FillComboBySql(QComboBox *box, const QString &sql, bool withAll) {
    const QSignalBlocker blocker(box);
    IARQueryPtr ref;
    const bool opened = OpenDefaultQuery(sql, ref);
    box->clear();
    if (!opened || ref.Query()->IsEmpty()) return 0;
    TARQuery *query = ref.Query();
    QStringList names;
    try {
        for (; !query->Eof(); query->Next()) names << query->FieldByName(QStringLiteral("name")).AsString();
    } catch (const Exception &) {
        return 0;  // a statement without a "name" column lists nothing
    }
    query->Close();
    if (withAll) box->addItem(kAllEntry);
    box->addItems(names);
    box->setCurrentIndex(0);
    return static_cast<int>(names.size());
}

int FillFundNatureCombo(QComboBox *box, bool withAll, int mode, bool descending, const QString &extra) {
    return FillComboBySql(box, FundNatureComboSql(mode, descending, extra), withAll);
}

int FillPayKindCombo(QComboBox *box, bool withAll, int mode, bool descending) {
    return FillComboBySql(box, PayKindComboSql(mode, descending), withAll);
}

int FillExpenditureTypeCombo(QComboBox *box, bool withAll, int mode, const QString &extra, bool descending) {
    return FillComboBySql(box, ExpenditureTypeComboSql(mode, extra, descending), withAll);
}

void FillSecretCombo(QComboBox *box, bool withAll) {
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItems(SecretNames());
    if (withAll) box->addItem(kAllEntry);
    box->setCurrentIndex(GetUnitValue(17) == QLatin1String("1") ? 1 : 0);
}

void FillBudgetTypeCombo(QComboBox *box, bool withAll, bool withTemporary) {
    const QSignalBlocker blocker(box);
    box->clear();
    if (withAll) box->addItem(kAllEntry);
    box->addItem(BudgetTypeNames()[0]);
    box->addItem(BudgetTypeNames()[1]);
    if (withTemporary) box->addItem(BudgetTypeNames()[2]);
    const TSettings *settings = authpay::UserContext ? authpay::UserContext->Settings : nullptr;
    const int kind = settings ? settings->DefaultIndicatorKind : 0;
    box->setCurrentIndex(!withTemporary && kind == 2 ? 0 : kind);
}
