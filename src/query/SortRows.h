#pragma once
// Sorting a summary sheet's result rows by a column, as a click on a heading asks: within their
// groups, so that the subtotal rows stay under their groups and the totals row last.
#include "report/SheetModel.h"

// Sorts each run of result rows (the rows between two subtotal rows, or the whole body without
// subtotals) by `column`: by the amount a cell holds where the column has numbers, else by its
// text; rows without a number go first. Ties keep their order; descending reverses the order of
// the keys, not of the ties. Every other row stays where it is. The running numbers
// (ReportLayout::kNumberColumn) are written again, 1 to N, in the new order.
void SortResultRows(TSheetModel &model, int column, bool descending);
