#pragma once
// What every exported file takes from the sheet in the same way: which cells a merge covers,
// which cells wrap their text, the workbook's sheet name and the cells holding amounts.
#include "report/FileTarget.h"
#include "report/SheetModel.h"
#include "report/ExportResult.h"

#include <optional>

#include <vector>

// True when the cell lies in one of the merged areas but is not its top-left cell: such cells are
// exported without text, as the sheet shows them.
bool CellCoveredByMerge(const std::vector<TCellRect> &rowMerges, int col, int row);

// How a cell is written into a workbook: as a text, an amount (#,##0.00) or a rate (0.00%).
enum class TCellNumber { None, Amount, Rate };

// How the cell (showing `text`, empty where a merge covers it) is written, with its number: the
// amount its writer gave it, or its rate as a fraction (0.04 for "4.00%"). Only a sheet that holds
// no numbers at all (a bare template) is typed by its texts: an amount text in a column that holds
// amounts (any column of a sheet that names none). Every other text is written as a text.
TCellNumber CellNumber(const TSheetModel &model, int col, int row, QStringView text, double *value);

// A column's width in a workbook, in pixels: the sheet's, and for a column of rates at least what
// a spreadsheet program needs to show the longest of them (it shows "###" for a number that does
// not fit). 0 for a hidden column.
int WorkbookColumnWidth(const TSheetModel &model, int col);

// Whether a workbook repeats the sheet's row-label columns on every page across: not when the
// sheet is fitted to one page wide, nor when they are all its columns.
inline bool RepeatsColumns(const TPageSetup &page, int columns) {
    return !page.fitToWidth && page.repeatFirstColumn >= 1 && page.repeatFirstColumn <= page.repeatLastColumn
           && page.repeatLastColumn < columns;
}

// True when a text cell (not an amount) is to wrap in a spreadsheet program. The sheet makes a row
// taller than the default height only when a text of that row needs more than one line at its
// column's width; a text of such a row wraps, so that the program shows the row as the sheet does.
bool CellWraps(const TSheetModel &model, int col, int row);

// The sheet's name as workbooks accept it: at most 31 characters, none of []:*?/\.
QString WorkbookSheetName(const QString &name);

// The refusals every export makes before writing anything: no file name, a folder's name, or a
// name taken by something other than a regular file (a pipe, a device, a socket), also at the
// end of a symbolic link, and a link that another user planted in a shared folder.
std::optional<authpay::Outcome> RefusedExportTarget(const QString &fileName);
// The failure of writing the file, with the system's reason.
authpay::Outcome ExportWriteFailed(const QString &fileName, const QString &reason);
// An export the user stopped: nothing to report, nothing written.
inline authpay::Outcome ExportCancelled() { return ExportOutcome(kXlsCancelled); }
