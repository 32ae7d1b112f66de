// The .xlsx export of the query window's result carries the chart worksheet "图表": its bars refer
// to the chart table, whose sums equal the database's own grouped sums, largest first, the top 20
// and "其他"; split by a second grouping's largest groups; beside a compared year's.
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

using TDbSums = std::vector<std::pair<double, QString>>;  // sum, key ("eid|bid"), largest first

class ApportionChartExportTest : public TQueryWindowDbTest {
protected:
    void SetUp() override {
        Open(GetParam());
        if (!IsSkipped()) Choose(w->cobClass, QStringLiteral("<全部>"));
    }
    TDbSums DbSums(const QString &columns, int year = 2010) {
        QSqlQuery q(GetDefaultConn()->Database());
        EXPECT_TRUE(q.exec(QStringLiteral("select %1, sum(budgmoney) from vwBudgetAdj where datayear=%2 and "
                                          "btype='0' group by %1").arg(columns).arg(year)));
        TDbSums out;
        const int keys = int(columns.count(QLatin1Char(',')) + 1);
        while (q.next()) {
            QStringList key;
            for (int i = 0; i < keys; ++i) key << q.value(i).toString();
            out.push_back({-q.value(keys).toDouble(), key.join('|')});
        }
        std::sort(out.begin(), out.end());  // largest first, ties by code
        for (auto &g : out) g.first = -g.first;
        return out;
    }
    // The table of the exported workbook's chart (and its chart under "charts").
    QJsonObject ExportChart() {
        Refresh();
        const QString file = tmp.filePath(QStringLiteral("图表.xlsx"));
        answers.saveAs = file;
        answers.saveType = QStringLiteral("Excel 工作簿 (*.xlsx)");
        Click(w->tbtnExcel);
        QProcess p;
        p.start("/usr/bin/python3", {qEnvironmentVariable("AUTHPAY_SOURCE_DIR") + "/tests/report/read_xlsx_chart.py", file});
        EXPECT_TRUE(p.waitForFinished(120000) && p.exitCode() == 0) << p.readAllStandardError().toStdString();
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }
    static double Value(const QJsonObject &read, int row, int col) { return read["values"][row][col].toDouble(); }
};

TEST_P(ApportionChartExportTest, BarsOfTheUnitsSumsLargestFirstThenTheRest) {
    const QJsonObject read = ExportChart();
    const TDbSums db = DbSums(QStringLiteral("eid"));
    ASSERT_GT(db.size(), 20u) << "the demo has more units than bars";
    EXPECT_EQ(read["charts"][0]["series"][0]["val"], QStringLiteral("'图表'!$B$2:$B$22"));
    double rest = 0;
    for (size_t i = 20; i < db.size(); ++i) rest += db[i].first;
    for (int g = 0; g < 20; ++g) {
        EXPECT_TRUE(read["values"][g + 1][0].toString().startsWith(db[size_t(g)].second + ' '));
        EXPECT_NEAR(Value(read, g + 1, 1), db[size_t(g)].first, 0.005);
    }
    EXPECT_EQ(read["values"][21][0], QStringLiteral("其他"));
    EXPECT_NEAR(Value(read, 21, 1), rest, 0.005 * double(db.size()));
}

TEST_P(ApportionChartExportTest, ASecondGroupingSplitsEachBarByItsLargestGroups) {
    Choose(w->cmbNum[1], QStringLiteral("预算科目"));
    const QJsonObject read = ExportChart();
    EXPECT_EQ(read["charts"][0]["grouping"], "stacked");
    const TDbSums units = DbSums(QStringLiteral("eid")), subjects = DbSums(QStringLiteral("bid"));
    QHash<QString, double> pairs;
    for (const auto &[sum, key] : DbSums(QStringLiteral("eid, bid"))) pairs[key] = sum;
    ASSERT_GT(subjects.size(), 8u);
    EXPECT_EQ(read["charts"][0]["series"].toArray().size(), 9);  // the top 8 and "其他"
    for (int g = 1; g <= 3; ++g) {
        const QString unit = units[size_t(g - 1)].second;
        double parts = Value(read, g, 10);  // "其他"
        for (int s = 0; s < 8; ++s) {
            EXPECT_NEAR(Value(read, g, 2 + s), pairs.value(unit + '|' + subjects[size_t(s)].second), 0.01);
            parts += Value(read, g, 2 + s);
        }
        EXPECT_NEAR(parts, units[size_t(g - 1)].first, 0.01);
    }
}

TEST_P(ApportionChartExportTest, AComparedYearGivesItsBarBesideEachGroups) {
    QTest::keyClick(w->cobCompareYear, Qt::Key_Shift);  // the box reads its years when first used
    for (int i = 0; i < 600 && w->CompareYearsPending(); ++i) QTest::qWait(10);
    Choose(w->cobCompareYear, QStringLiteral("2009"));
    const QJsonObject read = ExportChart();
    EXPECT_EQ(read["charts"][0]["series"].toArray().size(), 2);
    const TDbSums units = DbSums(QStringLiteral("eid"));
    QHash<QString, double> then;
    for (const auto &[sum, key] : DbSums(QStringLiteral("eid"), 2009)) then[key] = sum;
    for (int g = 1; g <= 20; ++g) EXPECT_NEAR(Value(read, g, 2), then.value(units[size_t(g - 1)].second), 0.005);
}

INSTANTIATE_TEST_SUITE_P(Backends, ApportionChartExportTest, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         [](const auto &info) { return BackendName(info.param); });

}  // namespace
