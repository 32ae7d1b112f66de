#pragma once
// The figures a chart of a result sheet shows: the sums of the result rows by the groups of a first
// dimension, largest first, the top ones and one group "其他" for the rest; with a second dimension,
// each group's sum split by the second dimension's largest groups over the whole result and "其他";
// with a compared year, each group's compared sum beside its own. Computed in one pass over the
// rows (a hash of the groups, then a partial sort), so that a result of any size charts at once.
//
// Result rows are the rows the sheet's writer marked so (TRowKind::Result): subtotal rows and the
// totals row are not counted again. Amounts are the ones the writer gave the cells.
#include "report/ChartLayout.h"
#include "report/SheetModel.h"

#include <QString>
#include <QStringList>
#include <vector>

struct TChartGroup {
    QString code, name;  // of the group; both empty for "其他"
    QString label;       // "code name" as the sheet shows them, or "其他"
    bool other = false;
    double amount = 0;
    double compare = 0;         // the compared year's sum (0 without a compared year)
    std::vector<double> stack;  // per TChartData::stackLabels, the part of amount in that group
};

struct TChartData {
    std::vector<TChartGroup> groups;  // largest amount first, "其他" last when there is a rest
    QStringList stackLabels;          // the second dimension's top groups, then "其他" when needed
    QStringList stackCodes;           // their codes ("" for "其他")
    QStringList stackNames;           // their names ("" for "其他")
    bool stackOther = false;          // the last stack is "其他"
    bool compared = false;
    double total = 0;                 // of every result row
    int resultRows = 0;               // result rows counted
};

TChartData ChartDataOfSheet(const TSheetModel &sheet, const TChartLayout &layout);

// The chart of the query window's summary sheet: by the first of the dimensions in use (codes and
// names in columns 2/3), stacked by the second (4/5) when there is one, beside the compared year
// (column 15) when the sheet carries the comparison columns. None without a dimension. A result
// spread over `spreadColumns` code columns is stacked by them instead, its totals the amounts.
TSheetChart SummaryChartOf(const TSheetModel &sheet, const QStringList &dimensions, int year, int spreadColumns = 0);
