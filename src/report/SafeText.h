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

// One CSV field (RFC 4180): quoted when it holds a quote, a comma or a line break (or always, for
// a text that a spreadsheet program is to keep as text: codes with leading zeros), its quotes
// doubled. A NUL, which many readers take for the end of the file, is written as U+2400 (␀).
enum class TCsvQuote { WhenNeeded, Always };
QString CsvField(QStringView text, TCsvQuote quote = TCsvQuote::WhenNeeded);

// A cell of a tab-separated line: tab, line feed, carriage return, NUL and backslash written as
// \t, \n, \r, \0 and \\, so that every line is one row and every tab a cell boundary.
QString EscapeSeparators(QStringView text);

// A text as a terminal should show it: control characters (C0 other than tab and line feed, DEL,
// C1) as visible placeholders (U+2400 pictures, U+FFFD), and the bidirectional embeddings,
// overrides and isolates (U+202A-U+202E, U+2066-U+2069) as U+FFFD, so that no escape sequence
// reaches the terminal and no text is shown reordered.
QString TerminalSafe(QStringView text);

// A text for an XML file (a picture's SVG, a workbook's cells): the characters XML does not allow
// shown by visible placeholders, the C0 controls other than tab, line feed and carriage return as
// their U+2400 pictures, U+FFFE, U+FFFF and a surrogate without its other half as U+FFFD.
QString XmlSafe(QStringView text);

// At most `units` UTF-16 units of the text, cut before a character that would not fit whole: a
// character outside the Basic Multilingual Plane (an emoji) is never cut in two.
QString CutWhole(QStringView text, qsizetype units);
