// Chart files: PNG at the chart's size, SVG and PDF that carry the Chinese labels as text, a bad
// extension refused, and a failed write that leaves the old file as it was.
#include "chart/ChartFigures.h"
#include "chart/ChartFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class ChartFileTest : public ::testing::Test {
protected:
    QString Write(const QString &name, TChartKind kind = TChartKind::Bar) {
        TChartLayout layout;
        layout.title = QStringLiteral("预算科目金额");
        layout.amountCaption = QStringLiteral("2010年");
        return WriteChartFile(dir.filePath(name), data, layout, kind, QSize(800, 500));
    }
    QByteArray Read(const QString &name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    TChartData data = Figures({5000, 3000, 1200}, true);
};

TEST_F(ChartFileTest, PicturesAndPagesCarryTheChinese) {
    EXPECT_EQ(Write(QStringLiteral("c.png")), QString());
    const QImage png(dir.filePath(QStringLiteral("c.png")));
    EXPECT_EQ(png.size(), QSize(800, 500));
    EXPECT_EQ(Write(QStringLiteral("c.SVG"), TChartKind::Pie), QString());
    const QString svg = QString::fromUtf8(Read(QStringLiteral("c.SVG")));
    EXPECT_TRUE(svg.contains(QStringLiteral("甲1"))) << "no label text in the SVG";
    EXPECT_TRUE(svg.contains(QStringLiteral("其他")));
    EXPECT_EQ(Write(QStringLiteral("c.pdf")), QString());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {dir.filePath(QStringLiteral("c.pdf")), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains(QStringLiteral("A1 甲1"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("5,000.00"))) << words.toStdString();
}

TEST_F(ChartFileTest, ABadNameIsRefusedAndAFailedWriteKeepsTheOldFile) {
    EXPECT_TRUE(Write(QStringLiteral("c.jpg")).contains(QStringLiteral("PNG")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("c.jpg"))));
    EXPECT_FALSE(Write(QStringLiteral("missing/c.png")).isEmpty());
    // A name taken by a folder is no file to write: the folder stays.
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("taken.png"))));
    EXPECT_FALSE(Write(QStringLiteral("taken.png")).isEmpty());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("taken.png"))).isDir());
}
}  // namespace
