// The template reader: what a valid template builds, which mistakes it refuses (leaving the sheet
// as it was), and random damage to the shipped template, which must never crash it.
#include "report/SheetTemplate.h"
#include "report/WindowWrites.h"
#include "support/Kept.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {
QByteArray Shipped() {
    QFile f(window_writes::TemplatePath());
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

QByteArray Minimal(const char *extra) {
    return QByteArray(R"({"format": "authpay-sheet-template", "version": 1, "columns": 4, "rows": 3)") +
           extra + "}";
}

// A sheet with something in it, to see that refusals leave it alone.
TSheetModel Marked() {
    TSheetModel m;
    m.SetRowCount(2);
    m.SetText(1, 1, u"before");
    return m;
}
}  // namespace

TEST(SheetTemplate, ValidTemplateBuildsEverySection) {
    TSheetModel m;
    QString error;
    ASSERT_TRUE(Kept(ReadSheetTemplate(Minimal(R"(,
        "sheetName": "结果", "defaultRowHeight": 30, "defaultColumnWidth": 50,
        "fonts": [{"family": "仿宋", "points": 11}, {"family": "黑体", "points": 18, "bold": true}],
        "columnWidths": [[4, 2, 0]], "rowHeights": [[3, 3, 0]],
        "formats": [{"cells": [1, 1, 4, 1], "font": 1, "align": 36}],
        "cells": [{"col": 1, "row": 1, "text": "标题"}, {"col": 4, "row": 3, "text": "右", "align": 34}],
        "merges": [[4, 1, 1, 1]], "gridLines": [[1, 2, 4, 3], [1, 2, 1, 2, 0]],
        "page": {"paper": "A3", "orientation": "landscape", "margins": [10, 11, 12, 13],
                 "repeatRows": [2, 2], "text": ["左", "共&S页", ""], "centreHorizontally": false})"),
                                  &m), &error))
        << error.toStdString();
    EXPECT_EQ(m.SheetName, QStringLiteral("结果"));
    EXPECT_EQ(m.RowCount(), 3);
    EXPECT_EQ(m.ColumnCount(), 4);
    EXPECT_EQ(m.RowHeight(1), 30);
    EXPECT_EQ(m.RowHeight(3), 0);
    EXPECT_EQ(m.ColumnWidth(1), 50);
    EXPECT_EQ(m.ColumnWidth(3), 0);
    EXPECT_EQ(m.Fonts()[0].family, QStringLiteral("仿宋"));
    EXPECT_TRUE(m.Fonts()[m.Style(2, 1).font].bold);
    EXPECT_EQ(m.Style(2, 1).hAlign, THAlign::Centre);
    EXPECT_EQ(m.Text(1, 1).toString(), QStringLiteral("标题"));
    EXPECT_EQ(m.Style(4, 3).hAlign, THAlign::Right);
    EXPECT_EQ(m.Merges().All()[0], (TCellRect{1, 1, 4, 1}));
    EXPECT_EQ(m.Style(1, 2).borders, 0);
    EXPECT_EQ(m.Style(2, 3).borders, Border::All);
    EXPECT_EQ(m.Page().paper, "A3");
    EXPECT_EQ(m.Page().orientation, TPageOrientation::Landscape);
    EXPECT_EQ(m.Page().marginBottom, 13);
    EXPECT_EQ(m.Page().repeatFirstRow, 2);
    EXPECT_EQ(m.Page().pageText[1], QStringLiteral("共&S页"));
    EXPECT_FALSE(m.Page().centreHorizontally);
}

TEST(SheetTemplate, MistakesAreRefusedAndNameTheEntry) {
    const struct {
        const char *extra;  // added to a minimal valid template
        const char *names;  // a word the error must contain
    } cases[] = {
        {R"(, "cells": [{"col": 5, "row": 1}])", "cells[0].col"},
        {R"(, "cells": [{"col": 1, "row": 0}])", "cells[0].row"},
        {R"(, "cells": [{"col": 1.5, "row": 1}])", "cells[0].col"},
        {R"(, "cells": [{"col": "1", "row": 1}])", "cells[0].col"},
        {R"(, "cells": [{"col": 1, "row": 1, "text": 7}])", "cells[0].text"},
        {R"(, "cells": {"col": 1})", "cells"},
        {R"(, "cells": [3])", "cells[0]"},
        {R"(, "merges": [[1, 1, 9, 1]])", "merges[0][2]"},
        {R"(, "merges": [[1, 1, 2]])", "merges[0]"},
        {R"(, "gridLines": [[1, 1, 2, 2, 3]])", "gridLines[0][4]"},
        {R"(, "fonts": [{"family": "", "points": 10}])", "fonts[0].family"},
        {R"(, "fonts": [{"family": "宋体", "points": 0}])", "fonts[0].points"},
        {R"(, "fonts": [{"family": "宋体"}])", "fonts[0].points"},
        {R"(, "formats": [{"cells": [1, 1, 1, 1], "font": 1}])", "formats[0].font"},
        {R"(, "formats": [{"cells": [1, 1, 1, 1], "align": 64}])", "formats[0].align"},
        {R"(, "columnWidths": [[1, 1, -1]])", "columnWidths[0][2]"},
        {R"(, "rowHeights": [[1, 4, 10]])", "rowHeights[0]"},
        {R"(, "defaultRowHeight": 1e300)", "defaultRowHeight"},
        {R"(, "page": {"orientation": "sideways"})", "page.orientation"},
        {R"(, "page": {"margins": [1, 2, 3]})", "page.margins"},
        {R"(, "page": {"repeatRows": [2, 9]})", "page.repeatRows[1]"},
        {R"(, "page": {"text": ["a", "b"]})", "page.text"},
        {R"(, "sheetName": "一个超过三十一个字符的工作表名称一个超过三十一个字符的工作表名称")", "sheetName"},
    };
    for (const auto &c : cases) {
        TSheetModel m = Marked();
        QString error;
        EXPECT_FALSE(Kept(ReadSheetTemplate(Minimal(c.extra), &m), &error)) << c.extra;
        EXPECT_TRUE(error.contains(QLatin1String(c.names))) << c.extra << " -> " << error.toStdString();
        EXPECT_EQ(m.Text(1, 1).toString(), "before");
        EXPECT_EQ(m.RowCount(), 2);
    }
}

TEST(SheetTemplate, WrongDocumentsAreRefused) {
    const QByteArray documents[] = {
        "", "[]", "{}", "not json", R"({"format": "other", "version": 1, "columns": 4, "rows": 3})",
        R"({"format": "authpay-sheet-template", "version": 2, "columns": 4, "rows": 3})",
        R"({"format": "authpay-sheet-template", "version": 1, "columns": 0, "rows": 3})",
        R"({"format": "authpay-sheet-template", "version": 1, "columns": 4, "rows": 70000})",
        QByteArray(kTemplateMaxBytes + 1, ' '),
    };
    for (const QByteArray &doc : documents) {
        TSheetModel m = Marked();
        QString error;
        EXPECT_FALSE(Kept(ReadSheetTemplate(doc, &m), &error)) << doc.left(80).toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(m.Text(1, 1).toString(), "before");
    }
}

TEST(SheetTemplate, RandomDamageToTheShippedTemplateNeverCrashes) {
    // Byte-level damage: flips, cuts, insertions and swapped digits; every outcome is either a
    // valid sheet or a refusal that leaves the sheet alone.
    const QByteArray original = Shipped();
    ASSERT_FALSE(original.isEmpty());
    QRandomGenerator random(20100630);
    int accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        QByteArray doc = original;
        for (int n = 1 + int(random.bounded(4)); n > 0; --n) {
            const qsizetype at = random.bounded(doc.size());
            switch (random.bounded(5)) {
            case 0: doc[at] = char(random.bounded(256)); break;
            case 1: doc.truncate(at); break;
            case 2: doc.insert(at, "-9999999999"); break;
            case 3: doc.remove(at, 1 + random.bounded(20)); break;
            default: doc[at] = "0123456789-.,[]{}\""[random.bounded(18)]; break;
            }
            if (doc.isEmpty()) doc = "{";
        }
        TSheetModel m = Marked();
        QString error;
        if (Kept(ReadSheetTemplate(doc, &m), &error)) {
            ++accepted;
            EXPECT_LE(m.RowCount(), kTemplateMaxRows);
        } else {
            EXPECT_EQ(m.Text(1, 1).toString(), "before");
            EXPECT_FALSE(error.isEmpty());
        }
    }
    EXPECT_GT(accepted, 0);  // some damage (inside a text) still leaves a valid template
}

TEST(SheetTemplate, StructuralDamageToEveryValueIsRefusedOrHarmless) {
    // Replace each value of the shipped template, one at a time, with values of the wrong kind or
    // absurd size.
    const QJsonObject root = QJsonDocument::fromJson(Shipped()).object();
    const QJsonValue replacements[] = {QJsonValue(), QJsonValue(-1), QJsonValue(1e18), QJsonValue("x"),
                                       QJsonArray{}, QJsonObject{}, QJsonArray{1e18, -1e18, 0, 0, 9}, true};
    int tried = 0;
    for (const QString &key : root.keys()) {
        for (const QJsonValue &value : replacements) {
            QJsonObject damaged = root;
            damaged[key] = value;
            TSheetModel m = Marked();
            QString error;
            if (!Kept(ReadSheetTemplate(QJsonDocument(damaged).toJson(), &m), &error)) {
                EXPECT_EQ(m.Text(1, 1).toString(), "before") << key.toStdString();
            }
            ++tried;
            // One level down for lists: damage their first entry.
            if (!root[key].isArray() || root[key].toArray().isEmpty()) continue;
            QJsonArray list = root[key].toArray();
            list[0] = value;
            damaged[key] = list;
            m = Marked();
            if (!Kept(ReadSheetTemplate(QJsonDocument(damaged).toJson(), &m), &error)) {
                EXPECT_EQ(m.Text(1, 1).toString(), "before") << key.toStdString();
            }
        }
    }
    EXPECT_GT(tried, 50);
}

// Entries that together cover more cells than a template may format are refused at the entry
// that goes over, before the sheet is touched; one entry over the whole sheet of the largest size
// is enough.
TEST(SheetTemplate, FormattingBeyondTheCellBudgetIsRefused) {
    const QByteArray huge = R"({"format": "authpay-sheet-template", "version": 1, "columns": 1024, "rows": 65536,
        "gridLines": [[1, 1, 1024, 65536]]})";
    TSheetModel m = Marked();
    QString error;
    EXPECT_FALSE(Kept(ReadSheetTemplate(huge, &m), &error));
    EXPECT_TRUE(error.contains(QLatin1String("gridLines[0]"))) << error.toStdString();
    QByteArray many = R"({"format": "authpay-sheet-template", "version": 1, "columns": 1024, "rows": 1024, "formats": [)";
    for (int i = 0; i < 2; ++i) many += QByteArray(i ? "," : "") + R"({"cells": [1, 1, 1024, 1024], "align": 33})";
    EXPECT_FALSE(Kept(ReadSheetTemplate(many + "]}", &m), &error));
    EXPECT_TRUE(error.contains(QLatin1String("formats[1]"))) << error.toStdString();
    EXPECT_EQ(m.Text(1, 1).toString(), "before");
}
