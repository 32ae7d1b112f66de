// The .xlsx export's chart worksheet "图表", read back by openpyxl and, where LibreOffice is
// installed, calculated afresh by it after the data sheet was edited: the table's sums are
// formulas over the result rows that match codes exactly and follow the edits.
#include "report/ChartData.h"
#include "report/ResultSheetBuilder.h"
#include "report/xlsx/XlsxExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
bool HaveLibreOffice() { return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty(); }

// What tests/report/read_xlsx_chart.py reads from the exported workbook; `edits` recalculated.
QJsonObject ExportAndRead(const TSheetModel &model, const QStringList &edits = {}) {
    QTemporaryDir dir;
    const QString file = dir.filePath("chart.xlsx");
    EXPECT_TRUE(ExportXlsx(model, file).Ok());
    QStringList args{QString::fromUtf8(qgetenv("AUTHPAY_SOURCE_DIR")) + "/tests/report/read_xlsx_chart.py", file};
    if (!edits.isEmpty() && HaveLibreOffice()) args << "--recalc" << edits;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), args);
    EXPECT_TRUE(p.waitForFinished(300000) && p.exitCode() == 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Column `col` of the table's rows below its heading.
QList<QVariant> Column(const QJsonObject &read, const char *part, int col) {
    QList<QVariant> out;
    const QJsonArray rows = read[part].toArray();
    for (int r = 1; r < rows.size(); ++r) out << rows[r].toArray()[col].toVariant();
    return out;
}
}  // namespace

// Codes a criterion would take as a number or a pattern, quotes, a formula's beginning, a sheet
// name with an apostrophe, and a subtotal row with a group's codes.
TEST(XlsxChart, BarsOfTheTopGroupsFromFormulasThatMatchCodesExactly) {
    TResultSheetBuilder s;
    s.model.SheetName = QStringLiteral("组合'查询");
    s.Add("001", "教育局", 100);
    s.Add("1", "一", 30);
    s.Add("0?1", "问", 40);
    s.Add("=1+1", "式\"\"", 70);
    s.Footer(QString(QChar(0x3000)) + "小计", 5000, "001", "教育局");  // row 11
    s.Add("001", "教育局", 20);                                      // row 12
    s.Add("x*", "", 10);
    s.Footer("合  计", 9999);
    s.model.Chart = {true, {}};
    s.model.Chart.layout.top = 3;
    const QJsonObject read = ExportAndRead(s.model, {"N12=520", "N11=1"});
    EXPECT_EQ(read["sheets"].toArray(), (QJsonArray{"组合'查询", "图表"}));
    EXPECT_EQ(read["charts"][0]["grouping"], "clustered");
    const QJsonObject series = read["charts"][0]["series"][0].toObject();
    EXPECT_EQ(series["cat"], "'图表'!$A$2:$A$5");
    EXPECT_EQ(series["val"], "'图表'!$B$2:$B$5");
    // Labels are texts (not the formula "=1+1 …"); the sums are formulas stored with their values.
    EXPECT_EQ(Column(read, "values", 0), (QList<QVariant>{"001 教育局", "=1+1 式\"\"", "0?1 问", "其他"}));
    EXPECT_EQ(Column(read, "values", 1), (QList<QVariant>{120.0, 70.0, 40.0, 40.0}));
    EXPECT_TRUE(Column(read, "formulas", 1)[0].toString().startsWith("=SUMPRODUCT("));
    if (!HaveLibreOffice()) GTEST_SKIP() << "soffice is not installed: the formulas were not calculated";
    // The edited result row counts, the edited subtotal row does not; "1" and "0?1" keep theirs.
    EXPECT_EQ(Column(read, "recalculated", 1), (QList<QVariant>{620.0, 70.0, 40.0, 40.0}));
}

TEST(XlsxChart, StackedComparedAndFormulaFreeGroups) {
    TResultSheetBuilder s;
    s.Add("01", "甲", 100, "k1", "一", 90);
    s.Add("01", "甲", 40, "k2", "二", 50);
    s.Add("02", "乙", 60, "k1", "一", 10);
    s.Add("03", QString(300, QChar(u'长')), 7, "k3", "三", 1);  // longer than a formula's text may be
    s.model.Chart = {true, StackedLayout()};
    s.model.Chart.layout.stackTop = 1;
    s.model.Chart.layout.amountCaption = QStringLiteral("二〇一〇年预算指标金额合计（元）");
    s.model.Page().pageText[2] = QStringLiteral("共&S页第&P页");
    QJsonObject read = ExportAndRead(s.model, {"N7=101"});
    EXPECT_EQ(read["charts"][0]["grouping"], "stacked");
    EXPECT_EQ(read["charts"][0]["series"].toArray().size(), 2);  // "k1 一" and "其他"
    EXPECT_EQ(Column(read, "values", 2), (QList<QVariant>{100.0, 60.0, 0.0}));
    EXPECT_EQ(Column(read, "values", 3), (QList<QVariant>{40.0, 0.0, 7.0}));
    EXPECT_EQ(Column(read, "formulas", 1)[2], 7.0);  // its value only
    if (HaveLibreOffice()) {
        EXPECT_EQ(Column(read, "recalculated", 2), (QList<QVariant>{101.0, 60.0, 0.0}));
        // Both programs agree: the sums are array formulas, which no program takes by implicit
        // intersection.
        EXPECT_EQ(Column(read, "recalculated_gnumeric", 2), Column(read, "recalculated", 2));
        EXPECT_EQ(Column(read, "recalculated_gnumeric", 3), (QList<QVariant>{40.0, 0.0, 7.0}));
    }
    // Printed on one page with the report's footer; each column as wide as its heading.
    const QJsonObject page = read["chart_page"].toObject();
    EXPECT_EQ(page["fit"], (QJsonArray{1, 1}));
    EXPECT_TRUE(page["fit_to_page"].toBool());
    EXPECT_EQ(page["footer"], "共&N页第&P页");
    EXPECT_GE(page["widths"][0].toDouble(), 30);
    EXPECT_GE(page["widths"][1].toDouble(), 34);  // sixteen wide characters

    s.model.Chart.layout.compareColumn = 15;  // two bars per group side by side, no stacks
    read = ExportAndRead(s.model);
    EXPECT_EQ(read["charts"][0]["grouping"], "clustered");
    EXPECT_EQ(Column(read, "values", 2), (QList<QVariant>{140.0, 10.0, 1.0}));
    s.model.Chart.enabled = false;
    EXPECT_EQ(ExportAndRead(s.model)["sheets"].toArray().size(), 1);
}
