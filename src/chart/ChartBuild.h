#pragma once
// The chart of a result's figures (TChartData) as Qt Charts draws it: horizontal bars, largest
// at the top, stacked by the second dimension or paired with the compared year; or a pie of the
// first dimension's groups. And what a click on a bar or a slice stands for.
#include "report/ChartData.h"

#include <optional>
#include <vector>

class QChart;
class QRectF;

enum class TChartKind { Bar, Pie };
// "bar" or "pie"; false for any other name.
bool ChartKindOfName(const QString &name, TChartKind *kind);

// The group a bar, a segment or a slice stands for: the codes and names of its dimensions, code
// before name (the first dimension's, then the second's for a segment), and its amount.
struct TChartPick {
    QStringList values;
    double amount = 0;
};
// Bar `category` (0 is the bottom bar) of bar set `set`: none for "其他". A segment of the
// second dimension's "其他" stands for its whole first-dimension group.
std::optional<TChartPick> BarPick(const TChartData &data, int set, int category);
// The slice of group `group` (its index in data.groups).
std::optional<TChartPick> SlicePick(const TChartData &data, int group);

// Whether a label of the given width, beside a slice whose middle lies at middleDegrees (clockwise
// from twelve o'clock), stays inside the plot area of a pie of pieSize (its share of the plot's
// smaller side) with arms of armFactor (of the radius).
bool SliceLabelFits(const QRectF &plot, double pieSize, double armFactor, double middleDegrees, double width);
// The groups a pie leaves out: those whose sum is not above zero.
int PieLeftOut(const TChartData &data);
// Round steps for an amount axis from lo to hi (lo <= 0 <= hi): about `count` of them, 0 among
// them, the first at or below lo and the last at or above hi.
std::vector<double> AmountTicks(double lo, double hi, int count);
// A tick's label on the amount axis, short enough to stand under its tick at any scale: in 亿
// (10^8) or 万 (10^4) once the axis reaches them ("15亿", "250万", "1,500万"; zero is "0"), with as
// many decimals as the step between ticks needs, no more. The hover texts keep the amounts to the fen.
QString AxisAmountText(double value, double step, double reach);

// A new chart of the figures, titled and captioned as the layout says; the caller owns it. Each
// bar set carries its stack index (or the pairing's) as the property "chartSet", each slice its
// group index as "chartGroup".
QChart *BuildChart(const TChartData &data, const TChartLayout &layout, TChartKind kind);
// What the hover text says for bar `category` of set `set`, or for group `group`'s slice.
QString BarHoverText(const TChartData &data, const TChartLayout &layout, int set, int category);
QString SliceHoverText(const TChartData &data, int group);
