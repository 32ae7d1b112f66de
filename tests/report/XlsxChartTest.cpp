// The .xlsx export's chart worksheet "图表", read back by openpyxl and, where LibreOffice is
// installed, calculated afresh by it after the data sheet was edited: the table's sums are
// formulas over the result rows that match codes exactly and follow the edits.
#include "report/ChartData.h"
#include "report/ResultSheetBuilder.h"
#include "report/xlsx/XlsxChartSheet.h"
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

// What tests/report/read_xlsx_chart.py reads from the workbook (empty object on failure).
QJsonObject ReadChart(const QString &file, const QStringList &recalc = {}) {
    QStringList args{QString::fromUtf8(qgetenv("AUTHPAY_SOURCE_DIR")) + "/tests/report/read_xlsx_chart.py", file};
    if (!recalc.isEmpty()) args << "--recalc" << recalc;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), args);
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        ADD_FAILURE() << p.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QJsonObject ExportAndRead(const TSheetModel &model, const QStringList &recalc = {}) {
    QTemporaryDir dir;
    const QString file = dir.filePath("chart.xlsx");
    EXPECT_EQ(ExportXlsx(model, file).code, kXlsWritten);
    return ReadChart(file, recalc);
}

// Column `col` of the table rows 2.. (after the heading row).
QList<QVariant> Column(const QJsonObject &read, const char *part, int col) {
    QList<QVariant> out;
    const QJsonArray rows = read[part].toArray();
    for (int r = 1; r < rows.size(); ++r) out << rows[r].toArray()[col].toVariant();
    return out;
}

// Codes that a criterion would take as numbers or patterns, quotes, a formula's beginning, and a
// sheet name with an apostrophe.
TSheetModel HostileSheet() {
    TResultSheetBuilder s;
    s.model.SheetName = QStringLiteral("组合'查询");
    s.Add("001", "教育局", 100);
    s.Add("1", "一", 30);      // "001" as a number
    s.Add("0?1", "问", 40);    // "001" as a pattern
    s.Add("=1+1", "式\"\"", 70);
    s.Footer(QString(QChar(0x3000)) + "小计", 5000, "001", "教育局");  // same codes, not a result row
    s.Add("001", "教育局", 20);
    s.Add("x*", "", 10);
    s.Footer("合  计", 9999);
    s.model.Chart.enabled = true;
    s.model.Chart.layout.top = 3;
    s.model.Chart.layout.title = QStringLiteral("预算单位金额");
    return s.model;
}
}  // namespace

TEST(XlsxChart, FormulaTextsAndRangesAreQuoted) {
    EXPECT_EQ(FormulaTextLiteral(u"a\"b"), QStringLiteral("\"a\"\"b\""));
    EXPECT_EQ(FormulaTextLiteral(u"=1+1*"), QStringLiteral("\"=1+1*\""));
    EXPECT_FALSE(FormulaTextLiteral(u"a\nb"));
    EXPECT_FALSE(FormulaTextLiteral(QString(256, QLatin1Char('x'))));
    EXPECT_EQ(FormulaRange(QStringLiteral("组合'查询"), 28, 7, 100), QStringLiteral("'组合''查询'!$AB$7:$AB$100"));
    EXPECT_EQ(ChartSheetName(QStringLiteral("图表")), QStringLiteral("图表2"));
}

TEST(XlsxChart, BarsOfTheTopGroupsFromFormulasThatMatchCodesExactly) {
    const TSheetModel model = HostileSheet();
    const TChartData data = ChartDataOfSheet(model, model.Chart.layout);
    // The data sheet's row 12 holds a result row of "001 教育局"; row 11 is its subtotal.
    const QJsonObject read = ExportAndRead(model, HaveLibreOffice() ? QStringList{"N12=520", "N11=1"} : QStringList{});
    EXPECT_EQ(read["sheets"].toArray(), (QJsonArray{"组合'查询", "图表"}));
    const QJsonArray charts = read["charts"].toArray();
    ASSERT_EQ(charts.size(), 1);
    EXPECT_EQ(charts[0]["barDir"], "bar");
    EXPECT_EQ(charts[0]["grouping"], "clustered");
    ASSERT_EQ(charts[0]["series"].toArray().size(), 1);
    const QJsonObject series = charts[0]["series"][0].toObject();
    EXPECT_TRUE(series["cat"].toString().endsWith("图表'!$A$2:$A$5")) << series["cat"].toString().toStdString();
    EXPECT_TRUE(series["val"].toString().endsWith("图表'!$B$2:$B$5")) << series["val"].toString().toStdString();
    // Labels are texts (not the formula "=1+1 …"), sums the chart figures, stored with the formulas.
    EXPECT_EQ(Column(read, "values", 0), (QList<QVariant>{"001 教育局", "=1+1 式\"\"", "0?1 问", "其他"}));
    ASSERT_EQ(data.groups.size(), 4u);
    for (int g = 0; g < 4; ++g) EXPECT_DOUBLE_EQ(Column(read, "values", 1)[g].toDouble(), data.groups[g].amount);
    for (const QVariant &f : Column(read, "formulas", 1)) EXPECT_TRUE(f.toString().startsWith("=")) << f.toString().toStdString();
    if (!HaveLibreOffice()) GTEST_SKIP() << "soffice is not installed: the formulas were not calculated";
    // The edited result row counts, the edited subtotal row does not; "1" and "0?1" keep theirs.
    EXPECT_EQ(Column(read, "recalculated", 1), (QList<QVariant>{620.0, 70.0, 40.0, 40.0}));
}

TEST(XlsxChart, AGroupWhoseTextsCannotStandInAFormulaKeepsItsValue) {
    TResultSheetBuilder s;
    s.Add(QStringLiteral("a") + QChar(1) + QStringLiteral("b"), "名", 50);
    s.Add("02", QString(300, QChar(u'长')), 20);  // longer than a formula's text may be
    s.Add("03", "丙", 10);
    s.model.Chart.enabled = true;
    const QJsonObject read = ExportAndRead(s.model);
    const QList<QVariant> formulas = Column(read, "formulas", 1);
    ASSERT_EQ(formulas.size(), 3);
    EXPECT_EQ(formulas[0], 50.0);
    EXPECT_EQ(formulas[1], 20.0);
    EXPECT_TRUE(formulas[2].toString().startsWith("=SUMPRODUCT("));
}

TEST(XlsxChart, StackedAndComparedChartsFollowTheirFigures) {
    TResultSheetBuilder s;
    s.Add("01", "甲", 100, "k1", "一", 90);
    s.Add("01", "甲", 40, "k2", "二", 50);
    s.Add("02", "乙", 60, "k1", "一", 10);
    s.Add("03", "丙", 7, "k3", "三", 1);
    s.model.Chart.enabled = true;
    TChartLayout &layout = s.model.Chart.layout;
    layout.secondCode = 4;
    layout.secondName = 5;
    layout.top = 2;
    layout.stackTop = 1;
    QJsonObject read = ExportAndRead(s.model, HaveLibreOffice() ? QStringList{"N7=101"} : QStringList{});
    EXPECT_EQ(read["charts"][0]["grouping"], "stacked");
    EXPECT_EQ(read["charts"][0]["series"].toArray().size(), 2);  // "k1 一" and "其他"
    // Rows: 01 甲, 02 乙, 其他; columns: label, sum, k1, 其他.
    const QList<QVariant> k1{100.0, 60.0, 0.0}, rest{40.0, 0.0, 7.0};
    EXPECT_EQ(Column(read, "values", 2), k1);
    EXPECT_EQ(Column(read, "values", 3), rest);
    if (HaveLibreOffice()) {
        EXPECT_EQ(Column(read, "recalculated", 2), (QList<QVariant>{101.0, 60.0, 0.0}));
        EXPECT_EQ(Column(read, "recalculated", 3), rest);
    }
    // A compared year: two bars per group side by side, no stacks.
    layout.compareColumn = 15;
    read = ExportAndRead(s.model);
    EXPECT_EQ(read["charts"][0]["grouping"], "clustered");
    EXPECT_EQ(read["charts"][0]["series"].toArray().size(), 2);
    EXPECT_EQ(Column(read, "values", 2), (QList<QVariant>{140.0, 10.0, 1.0}));
}

TEST(XlsxChart, NoChartSheetWithoutAChartOrWithoutResultRows) {
    TResultSheetBuilder s;
    s.Footer("合  计", 0);
    s.model.Chart.enabled = true;
    EXPECT_EQ(ExportAndRead(s.model)["sheets"].toArray().size(), 1);
    s.Add("01", "甲", 1);
    s.model.Chart.enabled = false;
    const QJsonObject read = ExportAndRead(s.model);
    EXPECT_EQ(read["sheets"].toArray().size(), 1);
    EXPECT_TRUE(read["charts"].toArray().isEmpty());
}
