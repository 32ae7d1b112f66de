#include "chart/ChartBuild.h"

#include "report/AmountText.h"
#include "report/SafeText.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHorizontalBarSeries>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QLegendMarker>
#include <QPieSeries>
#include <QPieSlice>
#include <algorithm>
#include <cmath>

namespace {
const int kAxisTicks = 6;
// Slices smaller than this share of the pie show no label on the pie (the legend names them).
const double kSliceLabelShare = 0.03;
// Slices at least this share of the pie show their label inside.
const double kSliceLabelInside = 0.2;

// The chart draws every label as rich text: names go in escaped, so that they show as they are
// written ("<b>粗</b>", "A & B") and no name can draw a picture or a link into the chart, and
// without the characters an SVG file may not hold.
QString Label(const QString &text) { return XmlSafe(text).toHtmlEscaped(); }

int GroupOfCategory(const TChartData &data, int category) { return int(data.groups.size()) - 1 - category; }

// Colours told apart at a glance, for the sets and the slices in turn ("其他" gets the grey).
const QColor kColours[] = {QColor(0x4e79a7), QColor(0xf28e2b), QColor(0xe15759), QColor(0x76b7b2), QColor(0x59a14f),
                           QColor(0xedc948), QColor(0xb07aa1), QColor(0xff9da7), QColor(0x9c755f), QColor(0xbab0ac)};
QColor Colour(int index) { return kColours[index % int(std::size(kColours))]; }

// Bars are stacked by the second dimension, unless they are paired with the compared year.
bool Stacked(const TChartData &data) { return !data.stackLabels.isEmpty() && !data.compared; }

// The lowest and highest point the bars reach: stacked parts of each sign add up on their side.
std::pair<double, double> BarReach(const TChartData &data) {
    double lo = 0, hi = 0;
    for (const TChartGroup &g : data.groups) {
        double negative = 0, positive = 0;
        if (Stacked(data)) {
            for (double part : g.stack) (part < 0 ? negative : positive) += part;
        } else {
            negative = std::min({0.0, g.amount, data.compared ? g.compare : 0.0});
            positive = std::max({0.0, g.amount, data.compared ? g.compare : 0.0});
        }
        lo = std::min(lo, negative);
        hi = std::max(hi, positive);
    }
    return {lo, hi};
}

// A font that writes the Chinese labels in one piece: the application's own when it has the
// Chinese characters, else the first that has them. Pictures and pages then name one font for a
// whole label instead of a fallback font per run of characters.
QFont ChartFont(int points) {
    QFont font = QGuiApplication::font();
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!chinese.isEmpty() && !chinese.contains(QFontInfo(font).family())) font.setFamily(chinese.first());
    font.setPointSizeF(points);
    return font;
}

void UseChartFonts(QChart *chart) {
    QFont title = ChartFont(12);
    title.setBold(true);
    chart->setTitleFont(title);
    chart->legend()->setFont(ChartFont(9));
    for (QAbstractAxis *axis : chart->axes()) axis->setLabelsFont(ChartFont(9));
    for (QAbstractSeries *s : chart->series())
        if (auto *pie = qobject_cast<QPieSeries *>(s))
            for (QPieSlice *slice : pie->slices()) slice->setLabelFont(ChartFont(9));
}

QCategoryAxis *AmountAxis(double lo, double hi) {
    auto *axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const std::vector<double> ticks = AmountTicks(lo, hi, kAxisTicks);
    axis->setStartValue(ticks.front());
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1;
    const double reach = std::max(std::abs(ticks.front()), std::abs(ticks.back()));
    for (double t : ticks) axis->append(AxisAmountText(t, step, reach), t);
    axis->setRange(ticks.front(), ticks.back());
    return axis;
}

}  // namespace

QString AxisAmountText(double value, double step, double reach) {
    if (value == 0) return QStringLiteral("0");
    const double unit = reach >= 1e8 ? 1e8 : reach >= 1e4 ? 1e4 : 1;
    const QString suffix = unit == 1e8 ? QStringLiteral("亿") : unit == 1e4 ? QStringLiteral("万") : QString();
    // Decimals the step needs in the unit: none for whole steps, one for tenths, else two.
    const double inUnit = step / unit;
    const auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-9 * std::max(1.0, std::abs(v)); };
    const int decimals = whole(inUnit) ? 0 : whole(inUnit * 10) ? 1 : 2;
    QString text = FormatAmountText(value / unit);  // "1,500.00"
    text.chop(2 - decimals);
    if (decimals == 0) text.chop(1);  // the point
    return text + suffix;
}

namespace {

QBarSet *NewSet(const QString &name, int index) {
    auto *set = new QBarSet(name);
    set->setProperty("chartSet", index);
    set->setColor(Colour(index));
    set->setBorderColor(Colour(index));
    return set;
}

void AddBars(QChart *chart, const TChartData &data, const TChartLayout &layout) {
    const bool stacked = Stacked(data);
    QAbstractBarSeries *series = stacked ? static_cast<QAbstractBarSeries *>(new QHorizontalStackedBarSeries)
                                         : new QHorizontalBarSeries;
    QStringList categories;
    const int sets = stacked ? int(data.stackLabels.size()) : (data.compared ? 2 : 1);
    for (int s = 0; s < sets; ++s) {
        QBarSet *set =
            NewSet(Label(stacked ? data.stackLabels[s] : (s == 0 ? layout.amountCaption : layout.compareCaption)), s);
        // Categories run from the bottom up: the largest group goes last, to the top.
        for (auto g = data.groups.rbegin(); g != data.groups.rend(); ++g)
            *set << (stacked ? (size_t(s) < g->stack.size() ? g->stack[s] : 0.0) : (s == 0 ? g->amount : g->compare));
        series->append(set);
    }
    for (auto g = data.groups.rbegin(); g != data.groups.rend(); ++g) categories << Label(g->label);
    chart->addSeries(series);
    auto *groups = new QBarCategoryAxis;
    groups->append(categories);
    chart->addAxis(groups, Qt::AlignLeft);
    series->attachAxis(groups);
    const auto [lo, hi] = BarReach(data);
    QCategoryAxis *amounts = AmountAxis(lo, hi);
    chart->addAxis(amounts, Qt::AlignBottom);
    series->attachAxis(amounts);
    chart->legend()->setVisible(sets > 1);
    chart->legend()->setAlignment(stacked ? Qt::AlignRight : Qt::AlignBottom);
}

void AddPie(QChart *chart, const TChartData &data) {
    auto *series = new QPieSeries;
    double whole = 0;
    for (const TChartGroup &g : data.groups) whole += std::max(0.0, g.amount);
    // "名称 12.3%" on the slice (its name alone, so that it fits beside the pie), the code too in
    // the legend: the share is read off the pie.
    QStringList legend;
    for (size_t i = 0; i < data.groups.size(); ++i) {
        const TChartGroup &g = data.groups[i];
        if (!(g.amount > 0)) continue;
        const QString share = QStringLiteral(" %1%").arg(100.0 * g.amount / whole, 0, 'f', 1);
        QPieSlice *slice = series->append(Label(g.name.isEmpty() ? g.label : g.name) + share, g.amount);
        slice->setProperty("chartGroup", int(i));
        slice->setColor(g.other ? Colour(9) : Colour(int(i) % 9));
        slice->setLabelVisible(g.amount / whole >= kSliceLabelShare);
        // A large slice holds its label: outside, it would run into the legend beside the pie.
        if (g.amount / whole >= kSliceLabelInside) {
            slice->setLabelPosition(QPieSlice::LabelInsideHorizontal);
            slice->setLabelColor(Qt::white);
        } else {
            slice->setProperty("shareLabel", share.trimmed());
            slice->setProperty("plainLabel", (g.name.isEmpty() ? g.label : g.name) + share);
        }
        legend << Label(g.label) + share;
    }
    series->setPieSize(0.6);
    chart->addSeries(series);
    // A label beside the pie that would run past the plot area (into the legend) gives its share
    // alone; the legend beside it names the group. Decided again whenever the plot area changes.
    QObject::connect(chart, &QChart::plotAreaChanged, series, [series](const QRectF &plot) {
        for (QPieSlice *slice : series->slices()) {
            const QString plain = slice->property("plainLabel").toString();
            if (plain.isEmpty()) continue;
            const double middle = slice->startAngle() + slice->angleSpan() / 2;
            const double width = QFontMetricsF(slice->labelFont()).horizontalAdvance(plain);
            const bool fits = SliceLabelFits(plot, series->pieSize(), slice->labelArmLengthFactor(), middle, width);
            slice->setLabel(fits ? Label(plain) : slice->property("shareLabel").toString());
        }
    });
    const QList<QLegendMarker *> markers = chart->legend()->markers(series);
    for (qsizetype i = 0; i < markers.size() && i < legend.size(); ++i) markers[i]->setLabel(legend[i]);
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignRight);
}
}  // namespace

bool ChartKindOfName(const QString &name, TChartKind *kind) {
    if (name == QLatin1String("bar")) *kind = TChartKind::Bar;
    else if (name == QLatin1String("pie")) *kind = TChartKind::Pie;
    else return false;
    return true;
}

std::optional<TChartPick> BarPick(const TChartData &data, int set, int category) {
    const int index = GroupOfCategory(data, category);
    if (index < 0 || index >= int(data.groups.size())) return std::nullopt;
    const TChartGroup &g = data.groups[size_t(index)];
    if (g.other) return std::nullopt;
    TChartPick pick{{g.code, g.name}, g.amount};
    const bool segment = Stacked(data) && set >= 0 && set < int(data.stackCodes.size())
                         && !data.stackCodes[set].isEmpty();
    if (segment) {
        pick.values << data.stackCodes[set] << data.stackNames.value(set);
        pick.amount = size_t(set) < g.stack.size() ? g.stack[size_t(set)] : 0.0;
    }
    return pick;
}

std::optional<TChartPick> SlicePick(const TChartData &data, int group) {
    if (group < 0 || group >= int(data.groups.size()) || data.groups[size_t(group)].other) return std::nullopt;
    const TChartGroup &g = data.groups[size_t(group)];
    return TChartPick{{g.code, g.name}, g.amount};
}

bool SliceLabelFits(const QRectF &plot, double pieSize, double armFactor, double middleDegrees, double width) {
    const double radius = std::min(plot.width(), plot.height()) * pieSize / 2;
    const double reach = radius * (1 + armFactor);
    const double x = plot.center().x() + reach * std::sin(middleDegrees * M_PI / 180);
    // The arm's level part, then a little air.
    const double room = (std::sin(middleDegrees * M_PI / 180) >= 0 ? plot.right() - x : x - plot.left())
                        - radius * armFactor - 4;
    return width <= room;
}

int PieLeftOut(const TChartData &data) {
    return int(std::count_if(data.groups.begin(), data.groups.end(), [](const TChartGroup &g) { return !(g.amount > 0); }));
}

std::vector<double> AmountTicks(double lo, double hi, int count) {
    lo = std::min(lo, 0.0);
    hi = std::max(hi, 0.0);
    if (!(hi > lo)) hi = lo + 1;
    const double rough = (hi - lo) / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough) {
            step = m * power;
            break;
        }
    std::vector<double> ticks;
    const double first = std::floor(lo / step);
    for (double i = first; ticks.empty() || ticks.back() < hi; ++i) ticks.push_back(i * step);
    return ticks;
}

QChart *BuildChart(const TChartData &data, const TChartLayout &layout, TChartKind kind) {
    auto *chart = new QChart;
    chart->setTitle(Label(layout.title));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(10, 10, 56, 10));  // room for the last amount label on the right
    if (kind == TChartKind::Pie) AddPie(chart, data);
    else AddBars(chart, data, layout);
    UseChartFonts(chart);
    return chart;
}

QString BarHoverText(const TChartData &data, const TChartLayout &layout, int set, int category) {
    const int index = GroupOfCategory(data, category);
    if (index < 0 || index >= int(data.groups.size())) return QString();
    const TChartGroup &g = data.groups[size_t(index)];
    if (Stacked(data)) {
        const double part = size_t(set) < g.stack.size() ? g.stack[size_t(set)] : 0.0;
        return QStringLiteral("%1\n%2：%3\n合计：%4")
            .arg(g.label, data.stackLabels.value(set), FormatAmountText(part), FormatAmountText(g.amount));
    }
    if (data.compared && set == 1) return QStringLiteral("%1\n%2：%3").arg(g.label, layout.compareCaption, FormatAmountText(g.compare));
    return QStringLiteral("%1\n%2：%3").arg(g.label, layout.amountCaption, FormatAmountText(g.amount));
}

QString SliceHoverText(const TChartData &data, int group) {
    if (group < 0 || group >= int(data.groups.size())) return QString();
    const TChartGroup &g = data.groups[size_t(group)];
    double whole = 0;  // the pie: the groups above zero
    for (const TChartGroup &other : data.groups) whole += std::max(0.0, other.amount);
    return QStringLiteral("%1\n%2（%3%）")
        .arg(g.label, FormatAmountText(g.amount))
        .arg(whole > 0 ? 100.0 * std::max(0.0, g.amount) / whole : 0.0, 0, 'f', 1);
}
