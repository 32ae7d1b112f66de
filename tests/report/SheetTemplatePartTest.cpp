// A template's optional part over the sheet: the shipped template without it is the sheet of old,
// with it the comparison columns; a part that is missing or wrong leaves the sheet as it was.
#include "report/SheetTemplate.h"
#include "report/WindowWrites.h"
#include "support/Kept.h"

#include <gtest/gtest.h>

TEST(SheetTemplatePart, ComparisonColumnsOverTheShippedTemplateAllOrNothing) {
    TSheetModel m;
    QString error;
    ASSERT_TRUE(Kept(LoadSheetTemplate(window_writes::TemplatePath(), &m), &error)) << error.toStdString();
    EXPECT_EQ(m.ColumnCount(), 16);
    ASSERT_TRUE(Kept(LoadSheetTemplatePart(window_writes::TemplatePath(), QStringLiteral("comparison"), &m), &error));
    EXPECT_EQ(m.ColumnCount(), 17);
    EXPECT_EQ(m.ColumnWidth(15) + m.ColumnWidth(17), 210);
    EXPECT_EQ(m.Merges().Find(1, 1)->right, 17);
    EXPECT_NE(m.Style(17, 6).borders, 0);
    const QByteArray head = R"({"format": "authpay-sheet-template", "version": 1, "columns": 4, "rows": 3, "part": )";
    EXPECT_FALSE(Kept(ReadSheetTemplatePart(head + "7}", QStringLiteral("part"), &m), &error));
    EXPECT_FALSE(Kept(ReadSheetTemplatePart(head + "{}}", QStringLiteral("other"), &m), &error));
    // Widened to 20 columns, then a cell outside the sheet: nothing of it stays.
    EXPECT_FALSE(Kept(ReadSheetTemplatePart(head + R"({"columns": 20, "cells": [{"col": 1, "row": 99, "text": "x"}]}})",
                                       QStringLiteral("part"), &m), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("cells[0].row"))) << error.toStdString();
    EXPECT_EQ(m.ColumnCount(), 17);
    EXPECT_EQ(m.Text(16, 4).toString(), QStringLiteral("增减额"));
}
