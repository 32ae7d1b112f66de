#pragma once
// A result sheet as the query window writes it, for the chart tests: rows from 7, the running
// number in column 1, the dimension codes and names in 2..5, the amount in 14 and a compared
// amount in 15 (both amount columns), subtotal and totals rows with texts in column 1.
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
    void Add(const QString &code, const QString &name, double amount, const QString &code2 = {},
             const QString &name2 = {}, double compare = 0) {
        const int r = Row(QString::number(++number));
        const QString texts[] = {code, name, code2, name2};
        for (int i = 0; i < 4; ++i) model.SetText(2 + i, r, texts[i]);
        model.SetText(14, r, FormatAmountText(amount));
        model.SetText(15, r, FormatAmountText(compare));
    }
    // A subtotal ("　小计") or totals ("合  计") row: its code cells as the group's, its amount.
    int Footer(const QString &caption, double amount, const QString &code = {}, const QString &name = {}) {
        const int r = Row(caption);
        model.SetText(2, r, code);
        model.SetText(3, r, name);
        model.SetText(14, r, FormatAmountText(amount));
        return r;
    }
};
