// A template's optional part over the sheet: the shipped template without it is the sheet of old,
// with it the comparison columns; a part that is missing or wrong leaves the sheet as it was.
#include "report/SheetTemplate.h"
#include "report/WindowWrites.h"

#include <gtest/gtest.h>

TEST(SheetTemplatePart, ComparisonColumnsOverTheShippedTemplate) {
    TSheetModel m;
    QString error;
    ASSERT_TRUE(LoadSheetTemplate(window_writes::TemplatePath(), &m, &error)) << error.toStdString();
    EXPECT_EQ(m.ColumnCount(), 16);
    ASSERT_TRUE(LoadSheetTemplatePart(window_writes::TemplatePath(), QStringLiteral("comparison"), &m, &error))
        << error.toStdString();
    EXPECT_EQ(m.ColumnCount(), 17);
    EXPECT_EQ(m.ColumnWidth(15), 130);
    EXPECT_EQ(m.ColumnWidth(17), 80);
    EXPECT_EQ(m.Text(16, 4).toString(), QStringLiteral("增减额"));
    const TCellRect *title = m.Merges().Find(1, 1);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->right, 17);
    EXPECT_NE(m.Style(17, 6).borders, 0);
    EXPECT_EQ(m.Text(14, 4).toString(), QStringLiteral("金额（元）"));  // the template's own cells stay
}

TEST(SheetTemplatePart, AMissingOrWrongPartLeavesTheSheet) {
    TSheetModel m;
    m.SetRowCount(2);
    m.SetText(1, 1, u"before");
    const int columns = m.ColumnCount();
    const QByteArray head = R"({"format": "authpay-sheet-template", "version": 1, "columns": 4, "rows": 3, "part": )";
    QString error;
    EXPECT_FALSE(ReadSheetTemplatePart(head + "7}", QStringLiteral("part"), &m, &error));
    EXPECT_FALSE(ReadSheetTemplatePart(head + "{}}", QStringLiteral("other"), &m, &error));
    // Widened to 5 columns, then a cell outside the sheet: nothing of it stays.
    EXPECT_FALSE(ReadSheetTemplatePart(head + R"({"columns": 5, "cells": [{"col": 1, "row": 9, "text": "x"}]}})",
                                       QStringLiteral("part"), &m, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("cells[0].row"))) << error.toStdString();
    EXPECT_EQ(m.ColumnCount(), columns);
    EXPECT_EQ(m.Text(1, 1).toString(), QStringLiteral("before"));
    ASSERT_TRUE(ReadSheetTemplatePart(head + R"({"columns": 3, "cells": [{"col": 3, "row": 2, "text": "x"}]}})",
                                      QStringLiteral("part"), &m, &error));
    EXPECT_EQ(m.Text(3, 2).toString(), QStringLiteral("x"));
}
