#pragma once
// Finding a text in the sheet: the cell that holds it, searched row by row from the cell after
// the one the search starts at, round to the top again.
#include "report/SheetModel.h"

#include <QPoint>
#include <QString>
#include <optional>

// The first cell after `after` (row by row, left to right; from row `firstRow` again once past
// the last row) whose text contains `text`, letter case ignored and blanks around `text`
// trimmed. Hidden rows and columns are passed over; `after` itself is looked at last. None for an
// empty text or no match.
std::optional<QPoint> FindInSheet(const TSheetModel &model, const QString &text, QPoint after, int firstRow = 1);
