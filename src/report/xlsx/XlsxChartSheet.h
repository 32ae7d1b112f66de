#pragma once
// The worksheet "图表" of an .xlsx export whose sheet carries a chart (TSheetModel::Chart): a small
// table of the chart's groups and sums, and a native bar chart drawn from that table. The sums are
// formulas over the result rows of the data sheet, written with their values, so that the chart
// follows edits in a spreadsheet program and readers that do not calculate still show the figures.
//
// A group's formula sums the amount column over the rows whose first column holds a number (the
// result rows: subtotal rows and the totals row hold texts) and whose code and name cells are
// exactly the group's (EXACT, not a criterion: codes such as "001" and texts with * ? ~ are matched
// as they are). "其他" is the result rows' total less the groups above it. A group whose texts
// cannot stand in a formula (control characters, longer than a formula text may be) gets its
// value only.
#include "report/ChartData.h"

#include <QString>
#include <optional>

struct lxw_workbook;
struct lxw_worksheet;

// A text as a formula's string literal ("…" with " doubled), or none when it cannot be one.
std::optional<QString> FormulaTextLiteral(QStringView text);
// A column's rows of a worksheet as a formula refers to them: 'name'!$B$7:$B$100 (' doubled).
QString FormulaRange(const QString &sheetName, int col, int firstRow, int lastRow);
// The name of the chart's worksheet: "图表", or another one when the data sheet has that name.
QString ChartSheetName(const QString &dataSheetName);

// Adds the chart's worksheet after the data sheet `dataSheetName` when the model carries a chart
// with result rows; null when it carries none (or the library refused the sheet).
lxw_worksheet *AddChartWorksheet(lxw_workbook *book, const TSheetModel &model, const QString &dataSheetName);
