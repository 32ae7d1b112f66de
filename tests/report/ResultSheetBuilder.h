#pragma once
// A result sheet as the query window writes it, for the chart tests: rows from 7, the running
// number in column 1 (marked as a result row), codes and names in 2..5, the amount in 14 and a compared amount in 15.
#include "report/AmountText.h"
#include "report/SheetModel.h"

struct TResultSheetBuilder {
    TSheetModel model;
    int number = 0;
    TResultSheetBuilder() {
        model.SetColumnCount(17);
        model.SetRowCount(6);
        model.SetAmountColumns({14, 15});
    }
    int Row(const QString &first) {
        model.SetRowCount(model.RowCount() + 1);
        model.SetText(1, model.RowCount(), first);
        return model.RowCount();
    }
    // A result row; with an empty code2 only the first dimension's cells are written.
    void Add(const QString &code, const QString &name, double amount, const QString &code2 = {},
             const QString &name2 = {}, double compare = 0) {
        const int r = Row(QString::number(++number));
        const QString texts[] = {code, name, code2, name2, FormatAmountText(amount), FormatAmountText(compare)};
        for (int i = 0; i < 6; ++i) model.SetText(i < 4 ? 2 + i : 10 + i, r, texts[i]);
        model.SetAmount(14, r, *ReportAmountCents(amount));
        model.SetAmount(15, r, *ReportAmountCents(compare));
        model.MarkRow(r, TRowKind::Result);
    }
    // A subtotal or totals row with the first dimension's code and name, and its amount.
    void Footer(const QString &caption, double amount, const QString &code = {}, const QString &name = {}) {
        const int r = Row(caption);
        const QString texts[] = {code, name};
        for (int i = 0; i < 2; ++i) model.SetText(2 + i, r, texts[i]);
        model.SetText(14, r, FormatAmountText(amount));
        model.SetAmount(14, r, *ReportAmountCents(amount));
        model.MarkRow(r, caption.contains(QStringLiteral("小计")) ? TRowKind::Subtotal : TRowKind::Totals);
    }
};

// The layout of a chart by the first dimension, stacked by the second.
inline TChartLayout StackedLayout() {
    TChartLayout layout;
    layout.secondCode = 4;
    layout.secondName = 5;
    return layout;
}
