#pragma once
// The logged-in user's context, owned by the host and read-only to the module.
//
// Field order is that of the 32-bit host's record (six 32-bit fields); on a 64-bit platform
// references are pointers:
//    0  DataYear     int32      the budget year used in every "datayear=" filter
//    8  DbManager    TDbManager*  source of the connection named "Def"
//   16  SysParams    TSysParams*  numbered text parameters (11: report template folder)
//   24  (reserved)   never read by the module
//   32  Settings     TSettings*   DefaultIndicatorKind, DeptModeFlag
//   40  CurrentUnit  TUnitRecord* the user's unit (column 0 code, 3 name, 17 secrecy flag)
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstddef>
#include <cstdint>

class TDbManager;

// Numbered parameters: the second member holds lines "N=value" (N in decimal).
struct TSysParams {
    void *Owner = nullptr;
    QStringList Lines;
};

// The host's settings record. Only two members are read by the module; the reserved blocks keep
// DefaultIndicatorKind at byte 76 as in the 32-bit host's record. DeptModeFlag was at byte 132
// there; a QString needs 8-byte alignment, so here it sits at 136.
struct TSettings {
    unsigned char Reserved0[76] = {};
    int32_t DefaultIndicatorKind = 0;  // 0, 1 or 2
    unsigned char Reserved1[56] = {};
    QString DeptModeFlag;  // "1" switches the department display on
};
static_assert(offsetof(TSettings, DefaultIndicatorKind) == 76);
static_assert(offsetof(TSettings, DeptModeFlag) == 136);

// One column of the unit record: its value is null, a text or a number.
struct TUnitField {
    QVariant Value;
};

// The user's unit as the host keeps it: an item per column index. The 32-bit host reaches it
// through entry 12 of the object's dispatch table; here it is the one abstract operation.
class TUnitRecord {
public:
    virtual TUnitField *Field(int index) = 0;

protected:
    ~TUnitRecord() = default;
};

struct TUserContext {
    int32_t DataYear = 0;
    TDbManager *DbManager = nullptr;
    TSysParams *SysParams = nullptr;
    void *Reserved = nullptr;
    TSettings *Settings = nullptr;
    TUnitRecord *CurrentUnit = nullptr;
};
static_assert(offsetof(TUserContext, DbManager) == sizeof(void *));
static_assert(offsetof(TUserContext, CurrentUnit) == 5 * sizeof(void *));
