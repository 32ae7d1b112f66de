#pragma once
// Where a chart of a result sheet finds its figures, and whether the sheet has one: the query
// window marks its summary sheet after each Refresh, so that what writes the sheet out (the .xlsx
// export's chart worksheet) charts it the way the window's own chart does.
#include "report/ReportLayout.h"
#include <QString>

struct TChartLayout {
    int firstRow = ReportLayout::kFirstDataRow;  // the first row that may be a result row
    int firstCode = ReportLayout::DimensionColumn(1), firstName = ReportLayout::DimensionColumn(1) + 1;
    int secondCode = 0, secondName = 0;    // 0: no second dimension (no stacks)
    int amountColumn = ReportLayout::kAmountColumn;
    int compareColumn = 0;                 // 0: no compared year
    // A result spread across a column dimension: its codes' columns, whose headings (code above,
    // name below) are the stacks; 0 for none. amountColumn is then the rows' totals.
    int spreadFirst = 0, spreadLast = 0;
    int top = 20;                          // groups of the first dimension before "其他"
    int stackTop = 8;                      // groups of the second dimension before "其他"
    QString title;                         // the chart's title
    QString amountCaption, compareCaption; // the series' names (e.g. "2026年", "2025年")
};

// The chart a sheet carries: none until a window says so (a loaded template, a drill-down).
struct TSheetChart {
    bool enabled = false;
    TChartLayout layout;
};
