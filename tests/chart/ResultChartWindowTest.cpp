// "图表" of the query window on the demo database: the bars are the database's own sums by the
// first dimension, largest first, the top 20 and "其他"; stacked by the second; they follow a new
// Refresh; a click on a bar or a segment opens the drill-down of its group.
#include "chart/ResultChart.h"
#include "data/DefaultConn.h"
#include "query/QueryWindow.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"

#include <QGraphicsTextItem>
#include <QLabel>
#include <QMouseEvent>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHorizontalBarSeries>
#include <QHorizontalStackedBarSeries>
#include <QPieSeries>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTimer>
#include <QTest>

namespace {
const QString kWhere = QStringLiteral(" from vwBudgetAdj where datayear=2010 and btype='0'");

class ResultChartWindowTest : public TQueryWindowDbTest {
protected:
    void SetUp() override { Open(GetParam()); }
    void TearDown() override {
        for (TbfrmApportionDetail *d : opened_) delete d;
        TQueryWindowTest::TearDown();
    }
    // The database's sums of `column`, largest first, as (code, amount).
    QList<std::pair<QString, double>> DbSums(const QString &column, const QString &where = QString()) {
        QList<std::pair<QString, double>> sums;
        IARQueryPtr q;
        const QString sql = QStringLiteral("select %1, sum(budgmoney) as s%2%3 group by %1 order by 2 desc").arg(column, kWhere, where);
        if (!OpenDefaultQuery(sql, q)) ADD_FAILURE() << sql.toStdString();
        for (TARQuery *r = q.Query(); r && !r->Eof(); r->Next()) sums << std::pair{r->Fields(0).AsString(), r->Fields(1).AsCurrency()};
        TracedSql();
        return sums;
    }
    TResultChart *OpenChart() {
        Click(w->tbtnChart);
        QApplication::processEvents();
        return w->ChartWindow();
    }
    TbfrmApportionDetail *Opened(const std::function<void()> &input) {
        TbfrmApportionDetail *d = DetailOpenedBy(input, opened_);
        return d && d->FetchAll() ? d : nullptr;
    }
    static QString Totals(const TbfrmApportionDetail *d) {
        return d->cllBudget->SheetCellText(14, d->cllBudget->SheetRowCount(0) - 1);
    }
    QList<QPointer<TbfrmApportionDetail>> opened_;
};

QList<qreal> TopDown(QBarSet *set) {
    QList<qreal> values;
    for (int i = set->count() - 1; i >= 0; --i) values << set->at(i);
    return values;
}

// The chart's texts drawn cut short ("…"): none may be.
QStringList CutLabels(TResultChart *chart) {
    QStringList cut;
    for (QGraphicsItem *item : chart->chvChart->scene()->items())
        if (auto *text = qgraphicsitem_cast<QGraphicsTextItem *>(item); text && text->isVisible())
            if (text->toPlainText().contains(QChar(0x2026)) || text->toPlainText().contains("..."))
                cut << text->toPlainText();
    return cut;
}

TEST_P(ResultChartWindowTest, BarsAreTheDatabaseSumsFollowARefreshAndOpenTheirRows) {
    EXPECT_FALSE(w->tbtnChart->isEnabled());  // no result yet
    Choose(w->cmbNum[0], QStringLiteral("预算科目"));
    Refresh();
    ASSERT_TRUE(w->tbtnChart->isEnabled());
    TResultChart *chart = OpenChart();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->windowTitle(), QStringLiteral("图表"));
    auto *series = qobject_cast<QHorizontalBarSeries *>(chart->Chart()->series().value(0));
    ASSERT_NE(series, nullptr);
    const QList<std::pair<QString, double>> db = DbSums(QStringLiteral("bid"));
    ASSERT_GT(db.size(), 21);
    const QList<qreal> bars = TopDown(series->barSets()[0]);
    ASSERT_EQ(bars.size(), 21);
    double rest = 0;
    for (qsizetype i = 20; i < db.size(); ++i) rest += db[i].second;
    for (int i = 0; i < 20; ++i) EXPECT_NEAR(bars[i], db[i].second, 0.005) << i;
    EXPECT_NEAR(bars[20], rest, 0.005);
    EXPECT_EQ(chart->Data().groups.back().label, QStringLiteral("其他"));

    // A real click on the top bar opens its subject's rows, their total the bar's amount.
    chart->resize(1024, 768);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart));
    QChart *c = chart->Chart();
    const QPointF onBar = c->mapToPosition(QPointF(bars[0] / 2, 20), series);
    const QPoint at = chart->chvChart->mapFromScene(c->mapToScene(onBar));
    // The pointer on it shows its group and amount beside the pointer, inside the chart.
    // (Sent to the chart's view itself: the offscreen platform hands a pointer move to the first
    // window at that point of the screen, which may be the query window under the chart.)
    QWidget *viewport = chart->chvChart->viewport();
    QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QApplication::processEvents();
    ASSERT_TRUE(chart->lblHover->isVisible());
    const QString hover = chart->lblHover->text();
    EXPECT_TRUE(hover.contains(chart->Data().groups[0].code) && hover.contains(FormatAmountText(db[0].second)))
        << hover.toStdString();
    EXPECT_TRUE(chart->chvChart->rect().contains(chart->lblHover->geometry()));
    TbfrmApportionDetail *top = Opened([&] { QTest::mouseClick(chart->chvChart->viewport(), Qt::LeftButton, {}, at); });
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(Totals(top), FormatAmountText(db[0].second));
    EXPECT_TRUE(top->windowTitle().contains(chart->Data().groups[0].code));
    EXPECT_EQ(Opened([&] { series->clicked(0, series->barSets()[0]); }), nullptr);  // "其他" opens nothing

    // The pie of the same groups.
    Choose(chart->cobChartKind, QStringLiteral("饼图"));
    auto *pie = qobject_cast<QPieSeries *>(chart->Chart()->series().value(0));
    ASSERT_NE(pie, nullptr);
    EXPECT_EQ(pie->count(), 21 - PieLeftOut(chart->Data()));
    QApplication::processEvents();
    EXPECT_EQ(CutLabels(chart), QStringList());
    // Its page in a preview, as it prints.
    int previewPages = 0;
    QTimer::singleShot(100, [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *preview = qobject_cast<QPrintPreviewDialog *>(top); preview && preview->isVisible()) {
                previewPages = preview->findChild<QPrintPreviewWidget *>()->pageCount();
                preview->reject();
            }
    });
    QTest::mouseClick(chart->tbtnChartPreview, Qt::LeftButton);
    EXPECT_EQ(previewPages, 1);

    // A new grouping clears the chart with the sheet; its Refresh draws the new groups.
    Choose(w->cmbNum[0], QStringLiteral("资金性质"));
    EXPECT_TRUE(chart->Data().groups.empty());
    EXPECT_FALSE(w->tbtnChart->isEnabled());
    Refresh();
    const QList<std::pair<QString, double>> funds = DbSums(QStringLiteral("mid"));
    ASSERT_EQ(chart->Data().groups.size(), size_t(funds.size()));
    for (qsizetype i = 0; i < funds.size(); ++i) {
        EXPECT_EQ(chart->Data().groups[size_t(i)].code, funds[i].first);
        EXPECT_NEAR(chart->Data().groups[size_t(i)].amount, funds[i].second, 0.005);
    }
    EXPECT_TRUE(answers.boxes.isEmpty());
}

TEST_P(ResultChartWindowTest, SegmentsAreTheSecondDimensionsSumsAndOpenTheirRows) {
    Choose(w->cmbNum[0], QStringLiteral("资金性质"));
    Choose(w->cmbNum[1], QStringLiteral("预算科目"));
    Refresh();
    TResultChart *chart = OpenChart();
    ASSERT_NE(chart, nullptr);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart));
    if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
        chart->grab().save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + QStringLiteral("/chart-stacked.png"));
    // Every label shows whole on the first paint: axis amounts, group names, legend entries.
    EXPECT_EQ(CutLabels(chart), QStringList());
    auto *series = qobject_cast<QHorizontalStackedBarSeries *>(chart->Chart()->series().value(0));
    ASSERT_NE(series, nullptr);
    ASSERT_EQ(series->count(), 9);  // the top 8 subjects and "其他"
    EXPECT_EQ(series->barSets()[8]->label(), QStringLiteral("其他"));
    const TChartData &data = chart->Data();
    const int top = int(data.groups.size()) - 1;
    for (int g = 0; g <= top; ++g) {
        double sum = 0;
        for (QBarSet *set : series->barSets()) sum += set->at(g);
        EXPECT_NEAR(sum, data.groups[size_t(top - g)].amount, 0.005);
    }
    // The top subject over the whole result, and its part of the top fund nature.
    const QList<std::pair<QString, double>> subjects = DbSums(QStringLiteral("bid"));
    EXPECT_EQ(data.stackCodes[0], subjects[0].first);
    const QString fund = data.groups[0].code;
    const QList<std::pair<QString, double>> part =
        DbSums(QStringLiteral("mid"), QStringLiteral(" and bid='%1' and mid='%2'").arg(data.stackCodes[0], fund));
    ASSERT_EQ(part.size(), 1);
    EXPECT_NEAR(series->barSets()[0]->at(top), part[0].second, 0.005);
    TbfrmApportionDetail *segment = Opened([&] { series->clicked(top, series->barSets()[0]); });
    ASSERT_NE(segment, nullptr);
    EXPECT_EQ(Totals(segment), FormatAmountText(part[0].second));
    // A condition changed since the Refresh: the chart asks first, as the other outputs do.
    chart->close();
    Choose(w->cobMid, w->cobMid->itemText(1));
    Click(w->tbtnChart);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].text.contains(QStringLiteral("查询条件已改变")));
    EXPECT_FALSE(chart->isVisible());  // declined
}

AUTHPAY_ON_BOTH_BACKENDS(ResultChartWindowTest);
}  // namespace
