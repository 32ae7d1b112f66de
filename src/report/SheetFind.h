#pragma once
// Finding a text in the sheet (the cell that holds it, searched row by row from the cell after
// the one the search starts at, round to the top again), and the part of a sheet that a selection
// of its rows prints.
#include "report/SheetModel.h"

#include <QPoint>
#include <QString>
#include <optional>

// The first cell after `after` (row by row, left to right; from row `firstRow` again once past
// the last row) whose text contains `text`, letter case ignored and blanks around `text`
// trimmed. Hidden rows and columns are passed over; `after` itself is looked at last. None for an
// empty text or no match.
std::optional<QPoint> FindInSheet(const TSheetModel &model, const QString &text, QPoint after, int firstRow = 1);

// The sheet as printed when only some rows of its body are asked for (the print dialog's
// selection): the rows above `firstBodyRow` (title and headings), then rows top..bottom of the
// body (clamped to it), nothing after them. The model itself is not changed.
TSheetModel SelectedRowsSheet(const TSheetModel &model, int firstBodyRow, int top, int bottom);
