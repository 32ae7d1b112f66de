#pragma once
// The report sheet's outputs on stdout, written as they are made: the sheet is read a block of
// rows at a time through its own reading calls, so that an output of a million rows costs a block
// of memory, not a copy of the sheet and a second of its text.
#include "ReportText.h"
#include "authpay/Outcome.h"

#include <functional>

// Calls `each` with every row of `sheet` (texts and amounts of columns 1 to the sheet's last
// used), in order, a block at a time; stops where `each` answers false.
void ForEachSheetRow(const authpay::IResultSheet &sheet, const std::function<bool(const authpay::SheetRow &)> &each);

// The report in `form` (--format): a first pass reads its layout, a second writes it. A table
// wider than `terminalColumns` (0: no terminal) is written whole, its lines running on, and
// stderr says so. A failure with the reason when stdout took no more.
authpay::Outcome WriteSheetReport(const authpay::IResultSheet &sheet, TReportForm form, int maxRows, int terminalColumns);

// Every used cell of the sheet (--print-sheet), as FormatSheetCells writes them.
authpay::Outcome WriteSheetCells(const authpay::IResultSheet &sheet);
