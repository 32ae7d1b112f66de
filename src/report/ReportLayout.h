#pragma once
// Where the module's report sheets hold what, for the summary and the drill-down alike: the
// heading lines, the column headings, the first row of figures and the columns of the amounts.
// Hosts and outputs that read a sheet's cells read them by these positions (counted from 1).
namespace ReportLayout {
inline constexpr int kTitleRow = 1;
inline constexpr int kUnitRow = 2;        // the unit (the drill-down: its group) the report is of
inline constexpr int kDateRow = 3;        // the date; "单位:元" above the amounts
inline constexpr int kHeadingRow = 4;     // the columns' captions
inline constexpr int kSubHeadingRow = 5;  // 编码 and 名称 under a dimension's caption
inline constexpr int kFirstDataRow = 7;   // below a blank row
inline constexpr int kNumberColumn = 1;   // running numbers, subtotal labels, 合  计
// Box k's code and name go in columns 2k and 2k + 1.
inline constexpr int DimensionColumn(int box) { return 2 * box; }
inline constexpr int kAmountColumn = 14;
// With a compared year: the compared amounts, the changes and the rates of change.
inline constexpr int kComparedColumn = 15;
inline constexpr int kChangeColumn = 16;
inline constexpr int kRateColumn = 17;
inline constexpr int kLastColumn = 16;          // the sheet's ruled width without a compared year
inline constexpr int kLastComparedColumn = 17;  // and with one
inline constexpr int kTotalsLabelColumns = kAmountColumn - 2;  // 合  计 spans columns 1 to 12
}  // namespace ReportLayout
