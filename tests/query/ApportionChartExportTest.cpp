// The .xlsx export of the query window's result carries the chart worksheet "图表": its bars refer
// to the chart table, whose sums equal the database's own grouped sums, largest first, the top 20
// and "其他"; with a second grouping, each bar is split by that grouping's largest groups.
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "query/QueryWindow.h"
#include "report/ReportSheet.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>
#include <algorithm>

namespace {

struct TDbGroup {
    QString code;
    double sum = 0;
};

class ApportionChartExportTest : public TQueryWindowDbTest {
protected:
    void SetUp() override {
        Open(GetParam());
        if (IsSkipped()) return;
        Choose(w->cobClass, QStringLiteral("<全部>"));
    }
    // The sums of the year's budget rows by the columns, largest first (ties by code).
    std::vector<TDbGroup> DbSums(const QString &columns, int year = 2010) {
        QSqlQuery q(GetDefaultConn()->Database());
        EXPECT_TRUE(q.exec(QStringLiteral("select %1, sum(budgmoney) from vwBudgetAdj where datayear=%2 and "
                                          "btype='0' group by %1").arg(columns).arg(year)));
        std::vector<TDbGroup> out;
        const int keys = int(columns.count(QLatin1Char(',')) + 1);
        while (q.next()) {
            QStringList key;
            for (int i = 0; i < keys; ++i) key << q.value(i).toString();
            out.push_back({key.join(QLatin1Char('|')), q.value(keys).toDouble()});
        }
        std::sort(out.begin(), out.end(), [](const TDbGroup &a, const TDbGroup &b) {
            return a.sum != b.sum ? a.sum > b.sum : a.code < b.code;
        });
        return out;
    }
    // The exported workbook's chart and table, as tests/report/read_xlsx_chart.py reads them.
    QJsonObject ExportChart() {
        Refresh();
        const QString file = tmp.filePath(QStringLiteral("图表.xlsx"));
        answers.saveAs = file;
        answers.saveType = QStringLiteral("Excel 工作簿 (*.xlsx)");
        Click(w->tbtnExcel);
        answers.saveAs.clear();
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"),
                {QString::fromUtf8(qgetenv("AUTHPAY_SOURCE_DIR")) + "/tests/report/read_xlsx_chart.py", file});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            ADD_FAILURE() << p.readAllStandardError().toStdString();
            return {};
        }
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }
    static QJsonArray TableRow(const QJsonObject &read, int row) { return read["values"].toArray()[row].toArray(); }
};

TEST_P(ApportionChartExportTest, BarsOfTheUnitsSumsLargestFirstThenTheRest) {
    const QJsonObject read = ExportChart();
    const std::vector<TDbGroup> db = DbSums(QStringLiteral("eid"));
    ASSERT_GT(db.size(), 20u) << "the demo has more units than bars";
    EXPECT_EQ(read["sheets"].toArray().last(), QStringLiteral("图表"));
    const QJsonObject series = read["charts"][0]["series"][0].toObject();
    EXPECT_EQ(series["cat"].toString(), QStringLiteral("'图表'!$A$2:$A$22"));
    EXPECT_EQ(series["val"].toString(), QStringLiteral("'图表'!$B$2:$B$22"));
    double rest = 0;
    for (size_t i = 20; i < db.size(); ++i) rest += db[i].sum;
    for (int g = 0; g < 20; ++g) {
        const QJsonArray row = TableRow(read, g + 1);
        EXPECT_TRUE(row[0].toString().startsWith(db[size_t(g)].code + ' ')) << row[0].toString().toStdString();
        EXPECT_NEAR(row[1].toDouble(), db[size_t(g)].sum, 0.005);
    }
    EXPECT_EQ(TableRow(read, 21)[0], QStringLiteral("其他"));
    EXPECT_NEAR(TableRow(read, 21)[1].toDouble(), rest, 0.005 * double(db.size()));
    // The table's sums are formulas over the data sheet.
    EXPECT_TRUE(read["formulas"][1][1].toString().startsWith(QStringLiteral("=SUMPRODUCT(")));
}

TEST_P(ApportionChartExportTest, ASecondGroupingSplitsEachBarByItsLargestGroups) {
    Choose(w->cmbNum[1], QStringLiteral("预算科目"));
    const QJsonObject read = ExportChart();
    EXPECT_EQ(read["charts"][0]["grouping"], "stacked");
    const std::vector<TDbGroup> units = DbSums(QStringLiteral("eid")), subjects = DbSums(QStringLiteral("bid"));
    QHash<QString, double> pairs;
    for (const TDbGroup &g : DbSums(QStringLiteral("eid, bid"))) pairs[g.code] = g.sum;
    const QJsonArray head = TableRow(read, 0);
    const int stacks = int(head.size()) - 2;
    ASSERT_EQ(stacks, int(std::min<size_t>(subjects.size(), 8)) + (subjects.size() > 8 ? 1 : 0));
    EXPECT_EQ(read["charts"][0]["series"].toArray().size(), stacks);
    for (int g = 0; g < 3; ++g) {
        const QJsonArray row = TableRow(read, g + 1);
        double parts = 0;
        for (int s = 0; s < stacks; ++s) parts += row[2 + s].toDouble();
        EXPECT_NEAR(parts, units[size_t(g)].sum, 0.01);
        for (int s = 0; s < std::min(stacks, 8); ++s) {
            EXPECT_TRUE(head[2 + s].toString().startsWith(subjects[size_t(s)].code + ' '));
            EXPECT_NEAR(row[2 + s].toDouble(), pairs.value(units[size_t(g)].code + '|' + subjects[size_t(s)].code), 0.01);
        }
    }
}

TEST_P(ApportionChartExportTest, AComparedYearGivesItsBarBesideEachGroups) {
    for (int i = 0; i < 600 && w->CompareYearsPending(); ++i) QTest::qWait(10);
    Choose(w->cobCompareYear, QStringLiteral("2009"));
    const QJsonObject read = ExportChart();
    EXPECT_EQ(read["charts"][0]["grouping"], "clustered");
    EXPECT_EQ(read["charts"][0]["series"].toArray().size(), 2);
    const std::vector<TDbGroup> units = DbSums(QStringLiteral("eid"));
    QHash<QString, double> then;
    for (const TDbGroup &g : DbSums(QStringLiteral("eid"), 2009)) then[g.code] = g.sum;
    for (int g = 0; g < 20; ++g) {
        const QJsonArray row = TableRow(read, g + 1);
        EXPECT_NEAR(row[1].toDouble(), units[size_t(g)].sum, 0.005);
        EXPECT_NEAR(row[2].toDouble(), then.value(units[size_t(g)].code), 0.005);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ApportionChartExportTest, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         [](const auto &info) { return BackendName(info.param); });

}  // namespace
