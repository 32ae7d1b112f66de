// The chart of a result's figures: bars largest at the top, stacks, pairs and pie slices, the
// amount axis, and what a click on a bar or a slice opens.
#include "chart/ChartBuild.h"
#include "chart/ChartFigures.h"
#include "chart/ChartFile.h"

#include <QBarCategoryAxis>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <csignal>
#include <sys/resource.h>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QLegendMarker>
#include <QPieSeries>
#include <QRectF>
#include <gtest/gtest.h>
#include <memory>

namespace {
TChartLayout Captions() {
    TChartLayout layout;
    layout.title = QStringLiteral("预算科目金额");
    layout.amountCaption = QStringLiteral("2010年");
    layout.compareCaption = QStringLiteral("对比年度");
    return layout;
}

QList<qreal> Values(QBarSet *set) {
    QList<qreal> values;
    for (int i = 0; i < set->count(); ++i) values << set->at(i);
    return values;
}
}  // namespace

TEST(ChartBuild, BarsRunLargestAtTheTopAndOnlyRealGroupsOpenTheirRows) {
    const TChartData data = Figures({300, 200, -50, 120}, true);
    std::unique_ptr<QChart> chart(BuildChart(data, Captions(), TChartKind::Bar));
    auto *series = qobject_cast<QHorizontalBarSeries *>(chart->series().value(0));
    ASSERT_NE(series, nullptr);
    ASSERT_EQ(series->count(), 1);
    EXPECT_EQ(Values(series->barSets()[0]), (QList<qreal>{120, -50, 200, 300}));  // bottom up
    auto *groups = qobject_cast<QBarCategoryAxis *>(chart->axes(Qt::Vertical).value(0));
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->categories(), (QStringList{"其他", "A3 甲3", "A2 甲2", "A1 甲1"}));
    // The amount axis reaches both ends, its labels short.
    auto *amounts = qobject_cast<QCategoryAxis *>(chart->axes(Qt::Horizontal).value(0));
    ASSERT_NE(amounts, nullptr);
    EXPECT_LE(amounts->min(), -50);
    EXPECT_GE(amounts->max(), 300);
    EXPECT_TRUE(amounts->categoriesLabels().contains(QStringLiteral("100")));
    EXPECT_FALSE(chart->legend()->isVisible());

    EXPECT_FALSE(BarPick(data, 0, 0));  // "其他"
    const std::optional<TChartPick> top = BarPick(data, 0, 3);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->values, (QStringList{"A1", "甲1"}));
    EXPECT_EQ(top->amount, 300);
    EXPECT_FALSE(BarPick(data, 0, 4));
    EXPECT_FALSE(BarPick(data, 0, -1));
    EXPECT_TRUE(BarHoverText(data, Captions(), 0, 3).contains(QStringLiteral("300.00")));
}

TEST(ChartBuild, SegmentsOpenTheirSecondGroupAndComparedYearsArePairedNotStacked) {
    TChartData data = Figures({400, 100}, false, true);
    std::unique_ptr<QChart> stacked(BuildChart(data, Captions(), TChartKind::Bar));
    auto *series = qobject_cast<QHorizontalStackedBarSeries *>(stacked->series().value(0));
    ASSERT_NE(series, nullptr);
    ASSERT_EQ(series->count(), 2);
    EXPECT_EQ(series->barSets()[0]->label(), QStringLiteral("S1 乙"));
    EXPECT_EQ(Values(series->barSets()[1]), (QList<qreal>{50, 200}));
    EXPECT_TRUE(stacked->legend()->isVisible());
    const std::optional<TChartPick> segment = BarPick(data, 0, 1);
    ASSERT_TRUE(segment);
    EXPECT_EQ(segment->values, (QStringList{"A1", "甲1", "S1", "乙"}));
    EXPECT_EQ(segment->amount, 200);
    // The second dimension's "其他" stands for its whole group.
    const std::optional<TChartPick> rest = BarPick(data, 1, 1);
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->values, (QStringList{"A1", "甲1"}));
    EXPECT_EQ(rest->amount, 400);

    data.compared = true;
    data.groups[0].compare = 350;
    std::unique_ptr<QChart> paired(BuildChart(data, Captions(), TChartKind::Bar));
    auto *pairs = qobject_cast<QHorizontalBarSeries *>(paired->series().value(0));
    ASSERT_NE(pairs, nullptr);
    ASSERT_EQ(pairs->count(), 2);
    EXPECT_EQ(pairs->barSets()[1]->label(), QStringLiteral("对比年度"));
    EXPECT_EQ(Values(pairs->barSets()[1]), (QList<qreal>{0, 350}));
    EXPECT_EQ(BarPick(data, 1, 1)->values, (QStringList{"A1", "甲1"}));
}

TEST(ChartBuild, APieLeavesOutGroupsNotAboveZero) {
    const TChartData data = Figures({300, 0, -20, 60}, true);
    EXPECT_EQ(PieLeftOut(data), 2);
    std::unique_ptr<QChart> chart(BuildChart(data, Captions(), TChartKind::Pie));
    auto *pie = qobject_cast<QPieSeries *>(chart->series().value(0));
    ASSERT_NE(pie, nullptr);
    ASSERT_EQ(pie->count(), 2);
    EXPECT_EQ(pie->slices()[1]->label(), QStringLiteral("其他 16.7%"));  // its share of the pie
    // The slice names its group, the legend gives its code too.
    EXPECT_EQ(pie->slices()[0]->label(), data.groups[0].name + " 83.3%");
    EXPECT_EQ(chart->legend()->markers(pie)[0]->label(), data.groups[0].label + " 83.3%");
    EXPECT_EQ(pie->slices()[1]->property("chartGroup").toInt(), 3);
    EXPECT_FALSE(SlicePick(data, 3));
    EXPECT_EQ(SlicePick(data, 0)->values, (QStringList{"A1", "甲1"}));
    EXPECT_TRUE(SliceHoverText(data, 3).contains(QStringLiteral("16.7%")));
}

TEST(ChartBuild, AxisLabelsAreShortInTheirUnitWithTheDecimalsTheStepNeeds) {
    EXPECT_EQ(AxisAmountText(1.5e9, 5e8, 2e9), "15亿");
    EXPECT_EQ(AxisAmountText(0, 5e8, 2e9), "0");
    EXPECT_EQ(AxisAmountText(2.5e8, 2.5e7, 3e8), "2.50亿");
    EXPECT_EQ(AxisAmountText(1.5e8, 5e7, 2e8), "1.5亿");
    EXPECT_EQ(AxisAmountText(-2e6, 1e6, 5e6), "-200万");
    EXPECT_EQ(AxisAmountText(1.5e7, 5e6, 5e7), "1,500万");
    EXPECT_EQ(AxisAmountText(2500, 500, 5000), "2,500");
    EXPECT_EQ(AxisAmountText(0.5, 0.1, 1), "0.5");
}

TEST(ChartBuild, ASliceLabelFitsWhenItEndsInsideThePlotOnItsSide) {
    const QRectF plot(0, 0, 600, 400);  // radius 120 at 0.6, arms reach 138 from the centre at 300
    EXPECT_TRUE(SliceLabelFits(plot, 0.6, 0.15, 90, 140));    // room 600 - 438 - 18 - 4 = 140
    EXPECT_FALSE(SliceLabelFits(plot, 0.6, 0.15, 90, 141));
    EXPECT_TRUE(SliceLabelFits(plot, 0.6, 0.15, 270, 140));   // the left side mirrors it
    EXPECT_FALSE(SliceLabelFits(plot, 0.6, 0.15, 270, 141));
    EXPECT_TRUE(SliceLabelFits(plot, 0.6, 0.15, 0, 278));     // at the top: half the plot's width
}

TEST(ChartBuild, AmountTicksAreRoundAndCoverTheRange) {
    const std::vector<double> ticks = AmountTicks(-1234, 98765, 6);
    EXPECT_LE(ticks.front(), -1234);
    EXPECT_GE(ticks.back(), 98765);
    EXPECT_NE(std::find(ticks.begin(), ticks.end(), 0.0), ticks.end());
    EXPECT_EQ(ticks[1] - ticks[0], 20000);
    const std::vector<double> empty = AmountTicks(0, 0, 6);  // nothing to show still gets an axis
    EXPECT_EQ(empty.front(), 0);
    EXPECT_GT(empty.back(), 0);
}

// A picture that does not fit where it goes (here a file size limit stands for a full disk) is an
// error, in every file type, and the old file stays as it was: never a cut picture in its place.
TEST(ChartFile, APictureThatCannotBeWrittenWholeKeepsTheOldFile) {
    QTemporaryDir dir;
    const TChartData data = Figures({300, 200, 120}, true);
    for (const char *name : {"chart.svg", "chart.pdf", "chart.png"}) {
        const QString file = dir.filePath(QString::fromLatin1(name));
        ASSERT_EQ(WriteChartFile(file, data, Captions(), TChartKind::Bar, QSize(800, 600)), QString()) << name;
        const qint64 whole = QFileInfo(file).size();
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("old");
        old.close();
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
        rlimit small{rlim_t(whole / 2), limit.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString error = WriteChartFile(file, data, Captions(), TChartKind::Bar, QSize(800, 600));
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previous);
        EXPECT_TRUE(error.startsWith(QStringLiteral("图表未能写入"))) << name << ": " << error.toStdString();
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old")) << name;
        old.close();
    }
}

// Names are plain text in the picture: markup shows as written, "&amp;" stays itself, and
// characters XML does not allow become placeholders, so the SVG is well-formed.
TEST(ChartFile, NamesAreDrawnAsWrittenNeverAsMarkup) {
    QTemporaryDir dir;
    TChartData data = Figures({300, 200}, false);
    data.groups[0].label = QStringLiteral("<b>粗</b> A & B &amp; C");
    data.groups[1].label = QStringLiteral("<img src=\"file:///etc/x.png\">\x1b\u0001\uFFFE");
    for (TChartKind kind : {TChartKind::Bar, TChartKind::Pie}) {
        const QString file = dir.filePath(QStringLiteral("c.svg"));
        ASSERT_EQ(WriteChartFile(file, data, Captions(), kind, QSize(900, 600)), QString());
        QFile svg(file);
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg);
        QString text;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::Characters) text += xml.text();
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        text.remove(QRegularExpression(QStringLiteral("\\s")));  // a label may be written in several runs
        EXPECT_TRUE(text.contains(QStringLiteral("<b>粗</b>A&B&amp;C"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("<imgsrc=\"file:///etc/x.png\">␛␁"))) << text.toStdString();
    }
}

// The SVG draws like the PNG: its texts take the sizes they were laid out at, so the two pictures
// differ only by the renderers' smoothing.
TEST(ChartFile, TheSvgDrawsLikeThePng) {
    QTemporaryDir dir;
    const TChartData data = Figures({300, 200, 120}, true);
    const QSize size(800, 600);
    ASSERT_EQ(WriteChartFile(dir.filePath("c.svg"), data, Captions(), TChartKind::Bar, size), QString());
    ASSERT_EQ(WriteChartFile(dir.filePath("c.png"), data, Captions(), TChartKind::Bar, size), QString());
    QImage drawn(size, QImage::Format_ARGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    QSvgRenderer(dir.filePath("c.svg")).render(&painter);
    painter.end();
    const QImage png = QImage(dir.filePath("c.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(png.size(), size);
    // Ink (dark pixels) in one picture and not near the same place in the other.
    const auto dark = [](const QImage &image, int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    const auto inkNear = [&](const QImage &image, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (x + dx >= 0 && y + dy >= 0 && x + dx < size.width() && y + dy < size.height() && dark(image, x + dx, y + dy))
                    return true;
        return false;
    };
    int ink = 0, stray = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            if (dark(png, x, y)) ++ink;
            if (dark(png, x, y) != dark(drawn, x, y) && !(dark(png, x, y) ? inkNear(drawn, x, y) : inkNear(png, x, y)))
                ++stray;
        }
    ASSERT_GT(ink, 10000);
    EXPECT_LT(stray * 500, ink) << stray << " of " << ink;  // at 72 dpi: 900 of 122,388
}
