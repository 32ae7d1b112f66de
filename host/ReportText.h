#pragma once
// The query window's report as text for a terminal or another program: read from the sheet's
// used cells (a list of texts per row, as the window hands them out; a text may hold tabs and line
// feeds of its own), then written as an aligned table, TSV, CSV or JSON. Plain functions of their
// inputs.
#include <QList>
#include <QString>
#include <QStringList>

struct TReportTable {
    QStringList heading;      // the title, unit and date lines
    QStringList columns;      // a header per column: the heading row's text, and the sub-heading's
    QList<QStringList> rows;  // the result rows, each with a cell per column
    QStringList totals;       // the totals row; empty when the sheet has none
    int amountColumn = -1;    // the column of the amounts, written right-aligned
    // Every column of amounts: the amount column and, for a report with a compared year, the
    // compared amounts and the changes; written right-aligned, as numbers in JSON. The rates of
    // change beside them (rateColumn, -1 when none) are right-aligned texts.
    QList<int> amountColumns;
    int rateColumn = -1;
    bool RightAligned(qsizetype i) const { return amountColumns.contains(int(i)) || i == rateColumn; }
};

// The report in the sheet's used cells: rows 1 to 3 are the heading lines, rows 4 and 5 the
// column headers, the rows below up to the totals row ("合  计") the result rows. Column 14 holds
// the amounts; with a compared year, columns 15 and 16 the compared amounts and the changes, and
// column 17 the rates. Columns that
// are empty in every row from row 4 on, or have no header (the sheet hides them), are left out;
// so are empty rows.
TReportTable ReportTableFromSheet(const QList<QStringList> &cells);

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
// {"heading": [...], "columns": [...], "rows": [[...]], "totals": [...]}, amounts as numbers.
QString FormatReportJson(const TReportTable &table);
// The sheet's cells for --print-sheet: a tab-separated line per row, separators inside a cell
// escaped as in TSV; the texts otherwise exactly as the sheet holds them.
QString FormatSheetCells(const QList<QStringList> &cells);
