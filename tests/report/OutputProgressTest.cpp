// Long output work: the progress the writers report, a stop through the progress dialog's cancel
// button that leaves the old file and no temporary behind, and no dialog for a small report.
#include "report/ReportSheet.h"
#include "report/SheetPageRenderer.h"
#include "report/SheetPdf.h"
#include "support/Kept.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
void Fill(TReportSheet &s, int rows) {
    s.SheetSetRowCount(rows + 1, 0);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= 10; ++c)
            s.SheetSetText(c, r, 0, c == 10 ? QStringLiteral("1,234,567.50") : QStringLiteral("市财政局行政运行%1").arg(r * c));
    s.SheetGridLines(1, 1, 10, rows, 0, 2, -1);
}

QByteArray Read(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The `done` values a writer reported (all of one unit and total), answering false at call `stopAt`.
struct TRecorder {
    std::vector<int> done;
    size_t stopAt = SIZE_MAX;
    TWorkUnit unit{};
    int total = -1;
    bool packed = false;  // the rows were followed by the packing of the file
    TWorkProgress Callback() {
        return [this](TWorkUnit u, int d, int t) {
            packed = packed || u == TWorkUnit::Packing;
            if (u == TWorkUnit::Packing) u = unit;
            EXPECT_TRUE(done.empty() || (u == unit && t == total && d >= done.back()));
            unit = u, total = t;
            done.push_back(d);
            return done.size() < stopAt;
        };
    }
};
}  // namespace

// Every writer reports its rows (the PDF its pages) up to the total and writes the same bytes as
// without a callback; stopped halfway or at its last report it answers "cancelled" and leaves the
// old file alone.
TEST(OutputProgress, WritersReportUpToTheTotalAndStopWhenAsked) {
    TReportSheet s;
    Fill(s, 300);
    QTemporaryDir dir;
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx, TExportType::Csv}) {
        const QString file = dir.filePath("r." + ExportSuffix(type)), plain = dir.filePath("plain." + ExportSuffix(type));
        TRecorder all;
        ASSERT_TRUE(ExportSheet(s.Model(), file, type, all.Callback()).Ok());
        EXPECT_EQ(all.unit, TWorkUnit::Rows);
        EXPECT_EQ(all.done.back(), 300);
        EXPECT_EQ(all.packed, type == TExportType::Xlsx);  // "正在压缩…" while the workbook closes
        ASSERT_TRUE(ExportSheet(s.Model(), plain, type).Ok());
        EXPECT_TRUE(type == TExportType::Xlsx || Read(file) == Read(plain));  // .xlsx carries its time
        QFile::remove(plain);
        const QByteArray before = Read(file);
        for (size_t stopAt : {150, 301}) {  // .xlsx at 301: while the workbook closes
            TRecorder stopped{{}, stopAt};
            const authpay::Outcome r = ExportSheet(s.Model(), file, type, stopped.Callback());
            EXPECT_EQ(r.code, kXlsCancelled);
            EXPECT_TRUE(r.message.isEmpty());
            EXPECT_EQ(stopped.done.size(), stopAt);
            EXPECT_EQ(Read(file), before);
        }
    }
    TRecorder pages, stopped{{}, 2};
    QString error;
    ASSERT_EQ(KeptStatus(WriteSheetPdf(s.Model(), dir.filePath("r.pdf"), pages.Callback()), &error), authpay::Outcome::Done);
    EXPECT_EQ(pages.unit, TWorkUnit::Pages);
    EXPECT_GT(pages.total, 1);
    EXPECT_EQ(pages.done.back(), pages.total);
    const QByteArray pdf = Read(dir.filePath("r.pdf"));
    EXPECT_EQ(KeptStatus(WriteSheetPdf(s.Model(), dir.filePath("r.pdf"), stopped.Callback()), &error), authpay::Outcome::Cancelled);
    EXPECT_EQ(Read(dir.filePath("r.pdf")), pdf);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"r.csv", "r.pdf", "r.xls", "r.xlsx"}));
}

// The dialog's "取消", pressed as a user would once it is on screen, stops a large PDF and large
// exports within a second: the old file stays, no temporary is left, and the call answers
// "cancelled" with nothing to report.
TEST(OutputProgress, CancelButtonStopsLargeWorkAndKeepsTheOldFile) {
    TReportSheet s;
    Fill(s, 200000);  // enough that even the quickest output (.csv) is still at work when the dialog shows
    s.show();
    QTemporaryDir dir;
    for (const QString name : {"big.pdf", "big.xlsx", "big.csv"}) {
        const QString file = dir.filePath(name);
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QElapsedTimer pressed;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *button = s.findChild<QPushButton *>(QStringLiteral("btnProgressCancel"));
            if (!button || !button->isVisible()) return;
            poll.stop();
            EXPECT_EQ(button->text(), QStringLiteral("取消"));
            // Rows are told as the share done, pages by number.
            const QString label = s.findChild<QProgressDialog *>(QStringLiteral("authpayProgress"))->labelText();
            EXPECT_TRUE(QRegularExpression(name.endsWith("pdf") ? "^正在打印…\\n第 \\d+ 页，共 \\d+ 页$"
                                                                : "^正在导出…\\n(已完成 \\d+%|正在压缩…)$")
                            .match(label).hasMatch()) << label.toStdString();
            EXPECT_EQ(s.findChild<QProgressDialog *>(QStringLiteral("authpayProgress"))->windowModality(), Qt::WindowModal);
            QTest::mouseClick(button, Qt::LeftButton);
            pressed.start();
        });
        poll.start(20);
        s.SetPrintFile(file);
        const authpay::Outcome ended = name.endsWith("pdf") ? s.Print() : s.ExportFile(file, *ExportTypeOfName(file));
        const bool cancelled = ended.Stopped() && (name.endsWith("pdf") || ended.code == kXlsCancelled);
        ASSERT_TRUE(pressed.isValid()) << name.toStdString();
        EXPECT_LT(pressed.elapsed(), 1000) << name.toStdString();
        EXPECT_TRUE(cancelled && ended.message.isEmpty()) << name.toStdString();
        EXPECT_EQ(Read(file), "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList(name));
        QFile::remove(file);
    }
}

TEST(OutputProgress, SmallReportShowsNoDialog) {
    struct TShows : QObject {
        int count = 0;
        bool eventFilter(QObject *o, QEvent *e) override {
            count += e->type() == QEvent::Show && qobject_cast<QProgressDialog *>(o);
            return false;
        }
    } shows;
    qApp->installEventFilter(&shows);
    TReportSheet s;
    Fill(s, 30);
    s.show();
    QTemporaryDir dir;
    s.SetPrintFile(dir.filePath("small.pdf"));
    ASSERT_EQ(s.SheetPrint(0, 0), 1);
    ASSERT_EQ(s.SheetExportFile(dir.filePath("small.xlsx"), TExportType::Xlsx), 1);
    EXPECT_EQ(shows.count, 0);
}
