#pragma once
// Figures as ChartDataOfSheet gives them, made by hand for the chart tests.
#include "report/ChartData.h"

// Groups "A1 甲" … with the amounts given, largest first as given; the last one "其他" when
// `rest`; with `stacks`, each group split evenly over two stacks, the second "其他".
inline TChartData Figures(const std::vector<double> &amounts, bool rest, bool stacks = false) {
    TChartData data;
    if (stacks) {
        data.stackLabels = {QStringLiteral("S1 乙"), QStringLiteral("其他")};
        data.stackCodes = {QStringLiteral("S1"), QString()};
        data.stackNames = {QStringLiteral("乙"), QString()};
    }
    for (size_t i = 0; i < amounts.size(); ++i) {
        TChartGroup g;
        g.other = rest && i + 1 == amounts.size();
        if (!g.other) {
            g.code = QStringLiteral("A%1").arg(i + 1);
            g.name = QStringLiteral("甲%1").arg(i + 1);
        }
        g.label = g.other ? QStringLiteral("其他") : g.code + QLatin1Char(' ') + g.name;
        g.amount = amounts[i];
        if (stacks) g.stack = {amounts[i] / 2, amounts[i] / 2};
        data.groups.push_back(g);
        data.total += amounts[i];
    }
    return data;
}
