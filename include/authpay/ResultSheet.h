#pragma once
// The report sheet of a module window as a host reads it: its rows a block at a time, each with
// its texts as the sheet shows them, what the row stands for, and the amounts its cells hold as
// numbers (whole cents), so that a host never reads a figure back from its text.
//
// A host gets it from the sheet widget with qobject_cast<authpay::IResultSheet *>(widget).
#include <QList>
#include <QObject>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace authpay {

enum class RowKind : uint8_t {
    Other,     // headings, captions, anything that is no row of the result
    Result,    // a numbered result row (or a drill-down's data row)
    Subtotal,  // "小计" of a group
    Totals,    // "合  计"
};

struct SheetRow {
    QStringList texts;                          // columns 1 to the block's column count
    RowKind kind = RowKind::Other;
    int level = 0;                              // a subtotal's level (1: the first dimension)
    std::vector<std::optional<int64_t>> cents;  // per column as texts; none for a text
};

class IResultSheet {
public:
    virtual ~IResultSheet() = default;
    // The rows the sheet holds (1..UsedRows()), and the last column holding a text (0: none).
    virtual int UsedRows() const = 0;
    virtual int UsedColumns() const = 0;
    // `count` rows from `firstRow` on, columns 1 to `columns`, cut to the sheet.
    virtual QList<SheetRow> Rows(int firstRow, int count, int columns) const = 0;
    // What each row stands for, rows 1..UsedRows() in order.
    virtual std::vector<RowKind> RowKinds() const = 0;
};

}  // namespace authpay

#define AUTHPAY_RESULT_SHEET_IID "cn.budget.authpay.IResultSheet/1"
Q_DECLARE_INTERFACE(authpay::IResultSheet, AUTHPAY_RESULT_SHEET_IID)
