#pragma once
// The heading of a result spread across a column dimension: from column 14 one column per code,
// its code in the heading row and its name below ("其他" over both rows when codes were folded),
// then "合计", the row's total, over both rows; the title and unit lines reach the last column.
#include "query/CrossTab.h"

class TReportSheet;

// The sheet holds the template's heading (without the comparison part).
void WriteSpreadHeading(TReportSheet *sheet, const TCrossTab &tab);
