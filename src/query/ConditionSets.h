#pragma once
// Saved condition sets ("查询方案") of the query window: the grouping boxes, every filter, the unit
// level and the subtotal box under a name, kept per unit in an INI file of the user's own
// configuration folder. A file that cannot be read, or that a newer version wrote, is never
// written over: reading answers an error and saving refuses, so nothing in it is lost. Only a
// regular file (or a link to one) of at most kMaxFileBytes is read: a pipe, a device or a huge file
// in its place is reported the same way and left as it is. A change is written to a new file beside
// it, which then takes its place by renaming: the old file stays whole until the new one is.
#include "authpay/Outcome.h"

#include <QString>
#include <QStringList>

struct TConditionSet {
    QStringList dimensions;  // grouping boxes 1..k, by caption
    QString unitLevel;
    int indicatorType = 0;
    int indicatorSubtype = 0;
    int secrecy = 0;
    QString fundNature, payKind, expenditureType;  // list entries, by text
    bool unitList = false;                          // "单位到基层": unitCodes is a list
    QString unitText;                               // the unit box as shown
    QStringList unitCodes, subjectCodes, itemCodes;
    bool subtotals = false;
    int compareYear = 0;  // "对比年度"; 0 for none (and for sets saved before the box was there)
    QString columnDimension;  // "列维度"; empty for none (and for sets saved before the box was there)
    friend bool operator==(const TConditionSet &, const TConditionSet &) = default;
};

struct TSetsCopy;

class TConditionSetFile {
public:
    // The file `fileName`; the sets of the unit `unitCode`.
    TConditionSetFile(QString fileName, QString unitCode);
    // The file in the user's configuration folder: <config>/authpay/查询方案.ini.
    static QString DefaultFileName();
    // Where the conditions of the user's last Refresh are kept, under kLastConditions:
    // <config>/authpay/上次条件.ini.
    static QString LastConditionsFileName();
    static const QString kLastConditions;  // "上次条件"

    // The names of the unit's sets, sorted; `read` (when given) says whether the file could be read.
    QStringList Names(authpay::Outcome *read = nullptr) const;
    authpay::Outcome Load(const QString &name, TConditionSet *set) const;
    authpay::Outcome Save(const QString &name, const TConditionSet &set);
    authpay::Outcome Remove(const QString &name);

    static constexpr int kFormat = 1;  // the file layout this version writes
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

private:
    authpay::Outcome Open(TSetsCopy &copy) const;
    authpay::Outcome Commit(TSetsCopy &copy) const;

    QString fileName_;
    QString unitCode_;
};
