#pragma once
// Where a chart finds its figures on the drill-down sheet: its rows by unit (columns 2/3),
// stacked by subject (4/5), the amount in column 14. The summary sheet carries its own (see
// SummaryChartOf in report/ChartData.h).
#include "report/ChartData.h"

// The drill-down sheet's chart: by unit, stacked by subject; the sheet's own when it carries one.
TChartLayout DrillChartLayout(const TSheetModel &sheet);
