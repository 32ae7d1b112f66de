// budget-host --batch --chart: the chart of the result (or of a drill-down) written as a PNG of
// the chart's size, an SVG and a PDF whose labels are the sheet's groups; a bad name or kind ends
// the run with status 1 before anything is written, and a write that fails fails the run.
#include "HostReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

namespace {
class BatchChartTest : public THostReportTest {
protected:
    QString File(const QString &name) const { return tmp_.filePath(name); }
    QString Text(const QString &name) const {
        QFile f(File(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

// The names of the first dimension's groups in the printed sheet (column 3 of the numbered rows).
QStringList FirstNames(const QString &sheet) {
    QStringList names;
    for (const QString &line : sheet.split('\n')) {
        bool number = false;
        line.section('\t', 0, 0).toInt(&number);
        if (number && !names.contains(line.section('\t', 2, 2))) names << line.section('\t', 2, 2);
    }
    return names;
}

TEST_P(BatchChartTest, PicturesAndPagesOfTheResultAndOfADrillDown) {
    const TReportRun bars = Run({"--group", "资金性质,预算科目", "--print-sheet", "--chart", File("c.svg")});
    ASSERT_EQ(bars.status, 0) << bars.err.toStdString();
    EXPECT_TRUE(bars.err.contains(QStringLiteral("chart written to ") + File("c.svg")));
    const QStringList funds = FirstNames(bars.out);
    ASSERT_GE(funds.size(), 2);
    const QString svg = Text("c.svg");
    for (const QString &name : funds) EXPECT_TRUE(svg.contains(name)) << name.toStdString();
    EXPECT_TRUE(svg.contains(QStringLiteral("其他")));  // the subjects past the top 8

    const TReportRun pie = Run({"--group", "预算科目", "--chart", File("c.pdf"), "--chart-kind", "pie"});
    ASSERT_EQ(pie.status, 0) << pie.err.toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {File("c.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains(QStringLiteral("预算科目"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("其他")));

    const TReportRun drill = Run({"--group", "预算单位", "--drill", "1", "--chart", File("d.png")});
    ASSERT_EQ(drill.status, 0) << drill.err.toStdString();
    EXPECT_EQ(QImage(File("d.png")).size(), QSize(1024, 768));
}

TEST_P(BatchChartTest, ABadNameOrKindEndsTheRunBeforeTheRefresh) {
    const TReportRun type = Run({"--group", "预算科目", "--chart", File("c.jpg")});
    EXPECT_EQ(type.status, 1);
    EXPECT_TRUE(type.err.contains(QStringLiteral("--chart: "))) << type.err.toStdString();
    EXPECT_FALSE(type.err.contains(QStringLiteral("refreshed")));
    EXPECT_FALSE(QFile::exists(File("c.jpg")));
    const TReportRun kind = Run({"--group", "预算科目", "--chart", File("c.png"), "--chart-kind", "line"});
    EXPECT_EQ(kind.status, 1);
    EXPECT_TRUE(kind.err.contains(QStringLiteral("valid: bar, pie"))) << kind.err.toStdString();
    EXPECT_FALSE(QFile::exists(File("c.png")));
    // A name taken by a folder is no file to write: the run fails after the Refresh, the folder stays.
    ASSERT_TRUE(QDir().mkpath(File("taken.png")));
    const TReportRun taken = Run({"--group", "预算科目", "--chart", File("taken.png")});
    EXPECT_EQ(taken.status, 1);
    EXPECT_TRUE(taken.err.contains(QStringLiteral("--chart: "))) << taken.err.toStdString();
    EXPECT_TRUE(QFileInfo(File("taken.png")).isDir());
}

AUTHPAY_ON_BOTH_BACKENDS(BatchChartTest);
}  // namespace
