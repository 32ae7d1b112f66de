#pragma once
// Texts from the database or a saved file made safe for where they go: a spreadsheet program
// that opens a CSV file, a line-based file whose separators are tabs and line feeds, a terminal.
// Plain functions of their inputs, QtCore only (the host uses them too).
#include <QString>
#include <QStringView>

// A text cell for a CSV-like file: one that starts with "=", "+", "-", "@", a tab or a carriage
// return would be taken for a formula by a spreadsheet program, so it gets a leading apostrophe.
// Only for texts: amounts are written as numbers and never pass through here.
QString DefuseFormula(QStringView text);

// One CSV field (RFC 4180): quoted when it holds a quote, a comma or a line break, its quotes
// doubled.
QString CsvField(QStringView text);

// A cell of a tab-separated line: tab, line feed, carriage return and backslash written as
// \t, \n, \r and \\, so that every line is one row and every tab a cell boundary.
QString EscapeSeparators(QStringView text);

// A text as a terminal should show it: control characters (C0 other than tab and line feed, DEL,
// C1) as visible placeholders (U+2400 pictures, U+FFFD), and the bidirectional embeddings,
// overrides and isolates (U+202A-U+202E, U+2066-U+2069) as U+FFFD, so that no escape sequence
// reaches the terminal and no text is shown reordered.
QString TerminalSafe(QStringView text);
