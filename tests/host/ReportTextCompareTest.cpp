// The report as text with a compared year: the amount columns and the rate found by their sheet
// columns (14 to 17), written as numbers (JSON) or undefused (CSV), the rate right-aligned.
#include "ReportText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
QStringList Row(const QString &first, const QStringList &fromFourteen) {
    QStringList cells(13);
    cells[0] = first;
    cells[1] = QStringLiteral("11");
    cells[2] = QStringLiteral("一般公共预算资金");
    return cells + fromFourteen;
}
}  // namespace

TEST(ReportTextCompare, ComparedColumnsAreAmountsAndTheRateStaysAText) {
    QList<QStringList> sheet = {Row(QStringLiteral("支付范围划分汇总组合查询表"), {}), Row(QString(), {}), Row(QString(), {}),
                                Row(QStringLiteral("序号"), {"金额（元）", "对比年度金额", "增减额", "增减率"}),
                                Row(QString(), {"", "2009年", "", ""}),
                                Row(QStringLiteral("1"), {"1,000.00", "2,000.00", "-1,000.00", "-50.00%"}),
                                Row(QStringLiteral("合  计"), {"1,000.00", "0.00", "1,000.00", ""})};
    for (int r = 1; r < 3; ++r) sheet[r][1] = sheet[r][2] = QString();
    sheet[3][1] = QStringLiteral("资金性质");
    sheet[4][1] = QStringLiteral("编码");
    sheet[4][2] = QStringLiteral("名称");
    const TReportTable t = ReportTableFromSheet(sheet);
    ASSERT_EQ(t.columns.size(), 7);
    EXPECT_EQ(t.columns[4], QStringLiteral("对比年度金额 2009年"));
    EXPECT_EQ(t.amountColumn, 3);
    EXPECT_EQ(t.amountColumns, QList<int>({3, 4, 5}));
    EXPECT_EQ(t.rateColumn, 6);
    const QJsonArray row = QJsonDocument::fromJson(FormatReportJson(t).toUtf8())["rows"][0].toArray();
    EXPECT_EQ(row[5].toDouble(), -1000.0);
    EXPECT_EQ(row[6].toString(), QStringLiteral("-50.00%"));
    EXPECT_TRUE(FormatReportCsv(t).contains(QStringLiteral("\"-1,000.00\",-50.00%\r\n")));
    EXPECT_TRUE(FormatReportTable(t, 0).contains(QStringLiteral("1,000.00\n")));  // the empty rate trimmed off
}
