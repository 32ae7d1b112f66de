#include "report/ChartData.h"

#include "report/AmountText.h"
#include "report/ReportLayout.h"

#include <QHash>
#include <algorithm>
#include <utility>

namespace {

const QString kOtherLabel = QStringLiteral("其他");

double AmountAt(const TSheetModel &sheet, int col, int row) {
    const std::optional<qint64> cents = col > 0 ? sheet.Amount(col, row) : std::nullopt;
    return cents ? CentsAmount(*cents) : 0;
}

QStringView TextAt(const TSheetModel &sheet, int col, int row) {
    return col > 0 ? sheet.Text(col, row) : QStringView();
}

// The groups of one dimension, summed as the rows come. The texts are views of the sheet's cells,
// which the sheet keeps while it is read.
struct TGroupSums {
    using TKey = std::pair<QStringView, QStringView>;
    struct TSum {
        QStringView code, name;
        double amount = 0, compare = 0;
    };
    QHash<TKey, int> index;
    std::vector<TSum> sums;

    int Add(QStringView code, QStringView name, double amount, double compare) {
        auto it = index.find(TKey(code, name));
        if (it == index.end()) {
            it = index.insert(TKey(code, name), int(sums.size()));
            sums.push_back({code, name});
        }
        TSum &sum = sums[size_t(*it)];
        sum.amount += amount;
        sum.compare += compare;
        return *it;
    }

    // The `top` largest groups' numbers, largest first; equal amounts by code, then name.
    std::vector<int> Top(int top) const {
        std::vector<int> order(sums.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
        const auto count = std::clamp<ptrdiff_t>(top, 0, ptrdiff_t(order.size()));
        std::partial_sort(order.begin(), order.begin() + count, order.end(), [this](int a, int b) {
            const TSum &x = sums[size_t(a)], &y = sums[size_t(b)];
            if (x.amount != y.amount) return x.amount > y.amount;
            if (x.code != y.code) return x.code < y.code;
            return x.name < y.name;
        });
        order.resize(size_t(count));
        return order;
    }
};

// A result row's groups and amount, kept to split the groups' sums by the stacks once these are
// known.
struct TRowPart {
    int first, second;
    double amount;
};

QString GroupLabel(QStringView code, QStringView name) {
    return name.isEmpty() ? code.toString() : code.toString() + QLatin1Char(' ') + name.toString();
}

// The top groups in order, then "其他" with the rest when there is one; `slot` gets, per group of
// `sums`, its place among them.
std::vector<TChartGroup> TopGroups(const TGroupSums &sums, int top, std::vector<int> *slot) {
    const std::vector<int> order = sums.Top(top);
    const bool rest = order.size() < sums.sums.size();
    slot->assign(sums.sums.size(), int(order.size()));  // "其他" unless among the top
    std::vector<TChartGroup> groups;
    groups.reserve(order.size() + 1);
    for (int i : order) {
        const TGroupSums::TSum &s = sums.sums[size_t(i)];
        (*slot)[size_t(i)] = int(groups.size());
        groups.push_back({s.code.toString(), s.name.toString(), GroupLabel(s.code, s.name), false, s.amount,
                          s.compare, {}});
    }
    if (rest) {
        TChartGroup other{{}, {}, kOtherLabel, true, 0, 0, {}};
        for (size_t i = 0; i < sums.sums.size(); ++i)
            if ((*slot)[i] == int(order.size())) {
                other.amount += sums.sums[i].amount;
                other.compare += sums.sums[i].compare;
            }
        groups.push_back(std::move(other));
    }
    return groups;
}

// Each group's sum split by the second dimension's top groups and "其他".
void SplitByStacks(TChartData &data, const TGroupSums &seconds, int stackTop, const std::vector<int> &firstSlot,
                   const std::vector<TRowPart> &parts) {
    std::vector<int> stackSlot;
    const std::vector<TChartGroup> stacks = TopGroups(seconds, stackTop, &stackSlot);
    for (const TChartGroup &s : stacks) {
        data.stackLabels << s.label;
        data.stackCodes << s.code;
        data.stackNames << s.name;
    }
    data.stackOther = !stacks.empty() && stacks.back().other;
    for (TChartGroup &g : data.groups) g.stack.assign(stacks.size(), 0.0);
    // "其他" is summed from its rows too: its parts add up to its amount as the others' do.
    for (const TRowPart &p : parts)
        data.groups[size_t(firstSlot[size_t(p.first)])].stack[size_t(stackSlot[size_t(p.second)])] += p.amount;
}

// A spread column's stack: its code and name as the heading shows them ("其他" over both rows).
int StackOfColumn(TGroupSums &stacks, const TSheetModel &sheet, int col, double amount) {
    return stacks.Add(sheet.Text(col, ReportLayout::kHeadingRow), sheet.Text(col, ReportLayout::kSubHeadingRow), amount, 0);
}

}  // namespace

TChartData ChartDataOfSheet(const TSheetModel &sheet, const TChartLayout &layout) {
    TChartData data;
    data.compared = layout.compareColumn > 0;
    const bool spread = layout.spreadFirst > 0;
    const bool stacked = layout.secondCode > 0 || spread;
    TGroupSums firsts, seconds;
    firsts.index.reserve(std::max(0, sheet.RowCount() - layout.firstRow + 1));  // no rehashing on the way
    std::vector<TRowPart> parts;
    for (int row = std::max(1, layout.firstRow); row <= sheet.RowCount(); ++row) {
        if (sheet.RowKind(row) != TRowKind::Result) continue;
        const double amount = AmountAt(sheet, layout.amountColumn, row);
        const double compare = AmountAt(sheet, layout.compareColumn, row);
        const int first = firsts.Add(TextAt(sheet, layout.firstCode, row), TextAt(sheet, layout.firstName, row),
                                     amount, compare);
        if (spread) {
            for (int col = layout.spreadFirst; col <= layout.spreadLast; ++col)
                if (const std::optional<qint64> cents = sheet.Amount(col, row))
                    parts.push_back({first, StackOfColumn(seconds, sheet, col, CentsAmount(*cents)), CentsAmount(*cents)});
        } else if (stacked) {
            const int second = seconds.Add(TextAt(sheet, layout.secondCode, row),
                                           TextAt(sheet, layout.secondName, row), amount, 0);
            parts.push_back({first, second, amount});
        }
        data.total += amount;
        ++data.resultRows;
    }
    std::vector<int> firstSlot;
    data.groups = TopGroups(firsts, layout.top, &firstSlot);
    if (stacked && !data.groups.empty()) SplitByStacks(data, seconds, layout.stackTop, firstSlot, parts);
    return data;
}

TSheetChart SummaryChartOf(const TSheetModel &sheet, const QStringList &dimensions, int year, int spreadColumns) {
    TSheetChart chart;
    if (dimensions.isEmpty()) return chart;
    chart.enabled = true;
    TChartLayout &layout = chart.layout;
    if (dimensions.size() >= 2) {
        layout.secondCode = ReportLayout::DimensionColumn(2);
        layout.secondName = ReportLayout::DimensionColumn(2) + 1;
    }
    if (spreadColumns == 0 && sheet.IsAmountColumn(ReportLayout::kComparedColumn)) layout.compareColumn = ReportLayout::kComparedColumn;
    if (spreadColumns > 0) {
        layout.secondCode = layout.secondName = 0;
        layout.spreadFirst = ReportLayout::kAmountColumn;
        layout.spreadLast = ReportLayout::kAmountColumn + spreadColumns - 1;
        layout.amountColumn = layout.spreadLast + 1;
    }
    layout.title = dimensions.first() + QStringLiteral("金额");
    layout.amountCaption = year > 0 ? QString::number(year) + QStringLiteral("年") : QStringLiteral("金额");
    // The compared year as the sheet's heading names it under "对比年度金额" ("2009年").
    const QStringView comparedYear =
        layout.compareColumn ? sheet.Text(ReportLayout::kComparedColumn, ReportLayout::kSubHeadingRow) : QStringView();
    layout.compareCaption = comparedYear.isEmpty() ? QStringLiteral("对比年度") : comparedYear.toString();
    return chart;
}
