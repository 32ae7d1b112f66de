// budget-host --batch --columns: the column dimension in --format json (a row's amounts by code,
// its total, the totals row's total the list's), the 30 largest codes and "其他" unless
// --columns-all, and a column dimension that is also a grouping refused.
#include "HostReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
class BatchSpreadTest : public THostReportTest {};

double Sum(const QJsonObject &amounts) {
    double sum = 0;
    for (const QJsonValue &v : amounts) sum += v.toDouble();
    return sum;
}
}  // namespace

TEST_P(BatchSpreadTest, EachRowsCodesAddUpToItsTotalAndTheTotalIsTheLists) {
    const TReportRun list = Run({"--group", "预算单位,支出类型", "--format", "json"});
    ASSERT_EQ(list.status, 0) << list.err.toStdString();
    const QJsonArray listTotals = QJsonDocument::fromJson(list.out.toUtf8()).object()["totals"].toArray();
    const TReportRun r = Run({"--group", "预算单位,支出类型", "--columns", "资金性质", "--subtotals", "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(doc["columns"].toArray().last().toString(), QStringLiteral("合计"));
    const QJsonArray rows = doc["rows"].toArray();
    ASSERT_GT(rows.size(), 2);
    int missing = 0;
    for (const QJsonValue &row : rows) {
        const QJsonObject o = row.toObject();
        EXPECT_EQ(o["labels"].toArray().size(), 4);  // 序号, the unit's code and name, the type's name
        EXPECT_NEAR(Sum(o["amounts"].toObject()), o["total"].toDouble(), 0.005);
        missing += o["amounts"].toObject().size() < doc["columns"].toArray().size() - 5;
    }
    EXPECT_GT(missing, 0);  // a code without rows is left out, not 0
    const QJsonObject totals = doc["totals"].toObject();
    EXPECT_NEAR(totals["total"].toDouble(), listTotals.last().toDouble(), 0.005);
    EXPECT_NEAR(Sum(totals["amounts"].toObject()), totals["total"].toDouble(), 0.005);
    EXPECT_TRUE(r.err.contains(QStringLiteral(" columns\n"))) << r.err.toStdString();

    const TReportRun many = Run({"--group", "预算单位", "--columns", "预算科目", "--format", "csv"});
    ASSERT_EQ(many.status, 0) << many.err.toStdString();
    EXPECT_TRUE(many.err.contains(QStringLiteral("31 columns, the last (其他) holding"))) << many.err.toStdString();
    const TReportRun all = Run({"--group", "预算单位", "--columns", "预算科目", "--columns-all", "--format", "json"});
    ASSERT_EQ(all.status, 0);
    EXPECT_FALSE(all.err.contains(QStringLiteral("其他"))) << all.err.toStdString();
    EXPECT_FALSE(all.out.contains(QStringLiteral("\"其他\"")));

    const TReportRun bad = Run({"--group", "预算单位", "--columns", "预算单位", "--print-sheet"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("--columns: no entry \"预算单位\""))) << bad.err.toStdString();
}

AUTHPAY_ON_BOTH_BACKENDS(BatchSpreadTest);
