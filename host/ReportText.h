#pragma once
// The query window's report as text for a terminal or another program: read from the sheet's
// used rows as the window hands them out (a list of texts per row, a text may hold tabs and line
// feeds of its own; what the row stands for; the amounts of its cells), then written as an
// aligned table, TSV, CSV or JSON. Plain functions of their inputs.
#include "authpay/ResultSheet.h"

#include <QList>
#include <QString>
#include <QStringList>

// The amounts of a row's cells (whole cents), none for a text.
using TRowCents = std::vector<std::optional<int64_t>>;

struct TReportTable {
    QStringList heading;      // the title, unit and date lines
    QStringList columns;      // a header per column: the heading row's text, and the sub-heading's
    QList<QStringList> rows;  // the result rows, each with a cell per column
    QList<TRowCents> rowCents;  // the amounts of those cells, row by row
    QStringList totals;       // the totals row; empty when the sheet has none
    TRowCents totalsCents;
    int amountColumn = -1;    // the column of the amounts, written right-aligned
    // Every column of amounts: the amount column and, for a report with a compared year, the
    // compared amounts and the changes; written right-aligned, as numbers in JSON. The rates of
    // change beside them (rateColumn, -1 when none) are right-aligned texts.
    QList<int> amountColumns;
    int rateColumn = -1;
    // A result spread across a column dimension: its first code column (its amount columns run
    // from there to the row totals, the last column); -1 for a list.
    int spreadFrom = -1;
    // The widest of each column's cells in terminal columns, over every row and the totals, as
    // TReportScan measured them (empty when it did not): the aligned table's widths without its rows.
    QList<int> cellWidths;
    bool RightAligned(qsizetype i) const { return amountColumns.contains(int(i)) || i == rateColumn; }
};

// The report in the sheet's used rows: rows 1 to 3 are the heading lines, rows 4 and 5 the
// column headers; the result and subtotal rows below are the table's rows, the totals row its
// totals, as the sheet marks them. Column 14 holds
// the amounts; with a compared year, columns 15 and 16 the compared amounts and the changes, and
// column 17 the rates. Columns that
// are empty in every row from row 4 on, or have no header (the sheet hides them), are left out;
// so are empty rows.
TReportTable ReportTableFromSheet(const QList<authpay::SheetRow> &sheet);

// The same read a row at a time, for a sheet too large to copy whole: a first pass hands every
// row to Add, in order from row 1; Table() is then the report without its rows (cellWidths
// measured when asked), and a second pass over the same rows takes the result rows by
// IsResultRow and their kept cells by Pick.
class TReportScan {
public:
    explicit TReportScan(bool measureWidths) : measure_(measureWidths) {}
    void Add(const authpay::SheetRow &row);
    TReportTable Table();
    // Whether a row of the sheet is one of the table's rows (a result or subtotal row).
    static bool IsResultRow(const authpay::SheetRow &row);
    QStringList Pick(const QStringList &cells) const;
    TRowCents Pick(const TRowCents &cents) const;
    qsizetype ResultRows() const { return results_; }

private:
    bool measure_;
    qsizetype lines_ = 0, usedLines_ = 0, results_ = 0;
    QList<QStringList> top_;  // rows 1 to 5
    QStringList totals_;
    TRowCents totalsCents_;
    QList<bool> used_;        // per sheet column: a text from row 4 on
    QList<int> widths_;       // per sheet column: the widest cell from row 6 on
    QList<int> picked_;
};

// The text forms written piece by piece: Begin, a Row for each result row in order (its cells as
// and amounts as TReportScan::Pick gives them), End. `table` is the report without its rows (or with them: they
// are not read); `rows` the number of result rows that will follow. Each form's whole-table
// function below is this writer over the table's own rows.
enum class TReportForm { Table, Tsv, Csv, Json };
class TReportWriter {
public:
    TReportWriter(const TReportTable &table, TReportForm form, qsizetype rows, int maxRows = 0);
    QString Begin();
    QString Row(const QStringList &cells, const TRowCents &cents);
    QString End();

private:
    const TReportTable &t_;
    TReportForm form_;
    qsizetype rows_, next_ = 0, head_, tail_;
    QList<int> widths_;
    QString rule_;
};

// Columns a text takes in a terminal: East Asian wide and full-width characters count two.
int DisplayWidth(QStringView text);

// The aligned table: heading lines, a header line, a rule, the rows, a rule and the totals row. It
// is written for a terminal: tabs and line breaks inside a text show as blanks, and control
// characters and bidirectional overrides as visible placeholders.
// When there are more rows than `maxRows` (0: no limit), only the first and last half of them
// are written, with a line saying how many were left out between them.
QString FormatReportTable(const TReportTable &table, int maxRows);
// The widest line of that table, in terminal columns.
int ReportTableWidth(const TReportTable &table);
// The header line, every row and the totals row, tab-separated (a tab, line feed, carriage return
// or backslash inside a cell written as \t, \n, \r or \\) or as CSV (RFC 4180, with CR LF). In
// both, a text cell that a spreadsheet program would take for a formula (first character "=",
// "+", "-", "@", tab or carriage return) gets a leading apostrophe; amounts never do.
QString FormatReportTsv(const TReportTable &table);
QString FormatReportCsv(const TReportTable &table);
// {"heading": [...], "columns": [...], "rows": [[...]], "totals": [...]}, amounts as numbers. A
// spread result's rows and totals are objects: {"labels": [...], "amounts": {column header:
// amount, ...}, "total": amount}, a column without rows for the row left out (none is not 0).
QString FormatReportJson(const TReportTable &table);
// The sheet's cells for --print-sheet: a tab-separated line per row, separators inside a cell
// escaped as in TSV; the texts otherwise exactly as the sheet holds them.
QString FormatSheetCells(const QList<QStringList> &cells);
