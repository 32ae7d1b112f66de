#pragma once
// The drop-down value lists of the query window: names from a code table (codes are found again
// by name through the lookups), or a fixed list. "<全部>" stands for no filter.
//
// A filler clears the box, adds its entries and selects one without running the box's change
// handlers (signals are blocked while it works), as a user's choice would.
#include <QString>
#include <QStringList>

class QComboBox;

inline const QString kAllEntry = QStringLiteral("<全部>");

// The secrecy list: "密", "非密" (position = the code the query filters by).
const QStringList &SecretNames();
// The indicator types: "控制数", "预算数", "临时指标".
const QStringList &BudgetTypeNames();

// Opens the statement on the default connection and lists column "name" of every row, after
// "<全部>" when withAll is true, selecting the first entry. Returns the number of rows listed; when
// the statement fails or yields no row the box stays empty (also without "<全部>") and 0 is returned.
int FillComboBySql(QComboBox *box, const QString &sql, bool withAll);

int FillFundNatureCombo(QComboBox *box, bool withAll, int mode, bool descending, const QString &extra);
int FillPayKindCombo(QComboBox *box, bool withAll, int mode, bool descending);
int FillExpenditureTypeCombo(QComboBox *box, bool withAll, int mode, const QString &extra, bool descending);

// "密", "非密", then "<全部>" when withAll; selects "非密" when the user's unit's secrecy flag
// (unit column 17) is exactly "1", else "密".
void FillSecretCombo(QComboBox *box, bool withAll);

// "<全部>" when withAll, "控制数", "预算数", and "临时指标" when withTemporary; selects the position
// of the settings' DefaultIndicatorKind (not shifted by "<全部>"), except that without the
// temporary entry a default of 2 selects position 0.
void FillBudgetTypeCombo(QComboBox *box, bool withAll, bool withTemporary);
