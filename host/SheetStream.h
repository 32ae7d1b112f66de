#pragma once
// The report sheet's outputs on stdout, written as they are made: the sheet is read a block of
// rows at a time through its own reading calls, so that an output of a million rows costs a block
// of memory, not a copy of the sheet and a second of its text.
#include "ReportText.h"

#include <functional>

class QWidget;

// Calls `each` with the index (from 0) and texts (columns 1 to the sheet's last used) of every
// row of `sheet`, in order, a block at a time; stops where `each` answers false.
void ForEachSheetRow(QWidget *sheet, const std::function<bool(qsizetype, const QStringList &)> &each);

// The report in `form` (--format): a first pass reads its layout, a second writes it. A table
// wider than `terminalColumns` (0: no terminal) is written whole, its lines running on, and
// stderr says so. False, with the reason in `error`, when stdout took no more.
bool WriteSheetReport(QWidget *sheet, TReportForm form, int maxRows, int terminalColumns, QString *error);

// Every used cell of the sheet (--print-sheet), as FormatSheetCells writes them.
bool WriteSheetCells(QWidget *sheet, QString *error);
