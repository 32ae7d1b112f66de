#pragma once
// Writing the query's result rows into the report sheet: numbered rows with the dimension values
// and the formatted amount, then the totals row; and a progress ticker that repaints at most
// every few percent, so that it never dominates a long run.
#include "report/AmountText.h"
#include "report/ReportLayout.h"
#include "report/SheetTypes.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class TReportSheet;

class TResultRowWriter {
public:
    // The sheet's amount column becomes its one column of numbers: codes and names are exported as
    // texts, however they read.
    // With `comparison`, every row also shows a compared year's amount (column 15), the change
    // from it (column 16) and the change's rate (column 17, ChangeRateText); the two are amount
    // columns as well.
    explicit TResultRowWriter(TReportSheet *sheet, bool comparison = false);
    // Appends row k+1: running number, values from column 2 (left aligned), amount in column 14
    // (and the compared amount's columns).
    void AddRow(const QStringList &values, double amount, double compared = 0);
    // Appends a subtotal row: "小计" in column 1, indented by its level, the group's codes and
    // names from column 2, its sum in column 14 (spread: its cells, then its sum), bold on the
    // light fill. Not numbered, and not part of the total.
    void AddSubtotal(int level, const QStringList &values, double sum, double compared = 0,
                     const std::vector<std::optional<double>> &cells = {});
    // A result spread across a column dimension: `columns` amount columns from column 14, then
    // the row's total ("合计"); no compared year. Called before the first row.
    void SetSpread(int columns);
    // Appends a spread row: as AddRow, with its cells (none: left empty) and its total.
    void AddSpreadRow(const QStringList &values, const std::vector<std::optional<double>> &cells, double total);
    // Rules the grid over the rows written since the last call (from row 4 at the first), so that
    // rows shown while the rest are written already have their lines. Result rows are written
    // ruled; the heading rows, subtotal rows and the totals row are ruled here.
    void RuleWritten();
    // Appends the totals row and rules the grid from row 4 to it.
    void AddTotals();
    double Total() const { return total_; }
    double ComparedTotal() const { return comparedTotal_; }
    int Rows() const { return count_; }

private:
    // The amount and, with a comparison, the compared amount, the change and its rate of row r.
    void WriteAmounts(int r, double amount, double compared);
    int LastColumn() const {
        if (spread_) return ReportLayout::kAmountColumn + spread_;
        return comparison_ ? ReportLayout::kLastComparedColumn : ReportLayout::kLastColumn;
    }
    int WriteRowLabels(const QStringList &values);
    void WriteSpreadAmounts(int r, const std::vector<std::optional<double>> &cells, double total);
    // Running numbers, subtotal labels, amounts and codes stay on one line: their column widens
    // when a text needs more room than it has. Names wrap instead (the row grows).
    void FitColumn(int col, int row);
    static bool IsUnbreakable(const QString &text);

    TReportSheet *sheet_;
    bool comparison_;
    double total_ = 0;
    double comparedTotal_ = 0;
    int count_ = 0;
    int spread_ = 0;  // amount columns of a spread result; 0 for the list
    std::vector<std::optional<double>> columnTotals_;
    int firstRow_ = 0;              // the first row this writer appended; 0 before it
    bool headingRuled_ = false;     // rows 4 to the first row's
    std::vector<int> unruled_;      // subtotal and totals rows not yet ruled
    // Appends a row; the first marks where the heading that RuleWritten rules ends.
    int AppendRow();
    // The code each dimension column was last fitted to: sorted rows repeat a code row after row,
    // and the same code in the same column needs no second look (columns only widen).
    std::vector<QString> fittedCodes_;
    // The labels of the row written last and its number: the rows read share a text with the row
    // before where it repeats, and a shared text is the same text without a look at it.
    QStringList lastLabels_;
    int lastLabelRow_ = 0;
    TFigureText figure_;  // the amount or rate being written
};

// The change from the compared amount as a rate: (amount − compared) / compared in percent with
// two decimals ("12.34%"); empty where the compared amount shows as 0.00.
QString ChangeRateText(double amount, double compared);
// The same text, in `room` (valid while `room` is and until its next use).
QStringView ChangeRateText(double amount, double compared, TFigureText &room);

class TProgressTicker {
public:
    TProgressTicker(int maximum, std::function<void(int)> show, int percentStep = 2);
    void Advance();
    int Done() const { return done_; }

private:
    int step_;
    int done_ = 0;
    int next_ = 0;
    std::function<void(int)> show_;
};

// Widths narrowed by `excess` pixels in all, a pixel at a time from the widest, none below
// `minimum` (a width already below it stays as it is); less is taken when no more can be.
std::vector<int> NarrowedWidths(std::vector<int> widths, int excess, int minimum);
// Narrows the sheet's `columns` (names, which wrap onto more lines) the same way until the sheet
// is at most `width` pixels wide.
void NarrowColumnsTo(TReportSheet *sheet, const std::vector<int> &columns, int width, int minimum);

// The group a row of the result sheet stands for, by the kind its writer marked it with: a result
// row is the group of all `dimensions`, a subtotal row (at `level`) the group of its level, the
// totals row (level 0) every row; -1 for any other row.
int DrillLevelOfRow(TRowKind kind, int level, int dimensions);

// The used cells of the sheet (row 1 to the last row, column 1 to the last column holding any
// text), a list of texts per row, each cell's text as it is.
QList<QStringList> SheetUsedCells(const TReportSheet *sheet);
// The same cells as one tab-separated line per row.
QString SheetUsedCellsText(const TReportSheet *sheet);
