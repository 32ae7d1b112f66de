#pragma once
// Cells as tab-separated text, the form the clipboard carries to other programs: one line per
// row, cells separated by tabs. Hidden rows and columns are left out, cells covered by a merge
// are empty, and tabs or line breaks inside a text become blanks so the grid stays intact.
#include "report/SheetModel.h"

#include <QString>

QString CellsAsTabText(const TSheetModel &model, const TCellRect &area);
