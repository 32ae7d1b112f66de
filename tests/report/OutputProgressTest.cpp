// Long output work: the progress the writers report, a stop through the progress dialog's cancel
// button that leaves the old file and no temporary behind, and no dialog for a small report.
#include "report/ReportSheet.h"
#include "report/SheetPageRenderer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <array>
#include <gtest/gtest.h>

namespace {
constexpr TExportType kTypes[] = {TExportType::Xls, TExportType::Xlsx, TExportType::Csv};

// `rows` result-like rows of ten cells, ruled.
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

void Write(const QString &file, const QByteArray &bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList Entries(const QTemporaryDir &dir) {
    return QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

// What a writer told its progress callback, answering false from call `stopAt` on.
struct TRecorder {
    std::vector<std::array<int, 3>> calls;
    size_t stopAt = SIZE_MAX;
    TWorkProgress Callback() {
        return [this](TWorkUnit unit, int done, int total) {
            calls.push_back({int(unit), done, total});
            return calls.size() < stopAt;
        };
    }
};

void ExpectRunsUpToTheTotal(const TRecorder &r, TWorkUnit unit) {
    ASSERT_FALSE(r.calls.empty());
    const int total = r.calls.front()[2];
    EXPECT_GT(total, 1);
    for (size_t i = 0; i < r.calls.size(); ++i) {
        EXPECT_EQ(r.calls[i][0], int(unit));
        EXPECT_EQ(r.calls[i][2], total);
        if (i) {
            EXPECT_GE(r.calls[i][1], r.calls[i - 1][1]);
        }
    }
    EXPECT_EQ(r.calls.back()[1], total);
}

// Presses "取消" of the progress dialog over `window` as a user would, once it is on screen.
struct TCancelPresser {
    QTimer poll;
    QElapsedTimer pressed;  // since the press
    explicit TCancelPresser(QWidget *window) {
        QObject::connect(&poll, &QTimer::timeout, [this, window] {
            auto *button = window->findChild<QPushButton *>(QStringLiteral("btnProgressCancel"));
            if (!button || !button->isVisible()) return;
            poll.stop();
            EXPECT_EQ(button->text(), QStringLiteral("取消"));
            EXPECT_EQ(window->findChild<QProgressDialog *>(QStringLiteral("authpayProgress"))->windowModality(), Qt::WindowModal);
            QTest::mouseClick(button, Qt::LeftButton);
            pressed.start();
        });
        poll.start(20);
    }
};

// Counts progress dialogs shown anywhere.
struct TDialogShows : QObject {
    int count = 0;
    TDialogShows() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override {
        if (e->type() == QEvent::Show && qobject_cast<QProgressDialog *>(o)) ++count;
        return false;
    }
};
}  // namespace

// Every writer reports its rows (the PDF its pages) up to the total and writes the same bytes as
// without a callback; stopped halfway or at its last report it answers "cancelled" and leaves the
// old file alone.
TEST(OutputProgress, WritersReportUpToTheTotalAndStopWhenAsked) {
    TReportSheet s;
    Fill(s, 300);
    const TSheetModel &m = s.Model();
    QTemporaryDir dir;
    for (TExportType type : kTypes) {
        const QString file = dir.filePath("r." + ExportSuffix(type)), plain = dir.filePath("plain." + ExportSuffix(type));
        TRecorder done;
        ASSERT_TRUE(ExportSheet(m, file, type, done.Callback()).Ok());
        ExpectRunsUpToTheTotal(done, TWorkUnit::Rows);
        ASSERT_TRUE(ExportSheet(m, plain, type).Ok());
        if (type != TExportType::Xlsx) {
            EXPECT_EQ(Read(file), Read(plain));  // .xlsx carries its time
        }
        const QByteArray before = Read(file);
        for (size_t stopAt : {150, 301}) {  // halfway, and when every row is in (.xlsx: while closing)
            TRecorder stopped;
            stopped.stopAt = stopAt;
            const TXlsExportResult r = ExportSheet(m, file, type, stopped.Callback());
            EXPECT_EQ(r.code, kXlsCancelled);
            EXPECT_TRUE(r.message.isEmpty());
            EXPECT_EQ(stopped.calls.size(), stopAt);
            EXPECT_EQ(Read(file), before) << file.toStdString();
        }
        QFile::remove(plain);
    }
    TRecorder pages, stopped;
    QString error;
    ASSERT_EQ(WriteSheetPdf(m, dir.filePath("r.pdf"), &error, pages.Callback()), TWorkEnd::Done);
    ExpectRunsUpToTheTotal(pages, TWorkUnit::Pages);
    const QByteArray pdf = Read(dir.filePath("r.pdf"));
    stopped.stopAt = 2;
    EXPECT_EQ(WriteSheetPdf(m, dir.filePath("r.pdf"), &error, stopped.Callback()), TWorkEnd::Cancelled);
    EXPECT_EQ(Read(dir.filePath("r.pdf")), pdf);
    EXPECT_EQ(Entries(dir), QStringList({"r.csv", "r.pdf", "r.xls", "r.xlsx"}));
}

// The dialog's cancel button stops a large PDF and large exports within a second: the old file
// stays, no temporary is left, and the call answers "cancelled" with nothing to report.
TEST(OutputProgress, CancelButtonStopsLargeWorkAndKeepsTheOldFile) {
    TReportSheet s;
    Fill(s, 60000);
    s.resize(600, 400);
    s.show();
    QTemporaryDir dir;
    for (const QString name : {"big.pdf", "big.xlsx", "big.csv"}) {
        const QString file = dir.filePath(name);
        Write(file, "old");
        TCancelPresser presser(&s);
        s.SetPrintFile(file);
        const bool cancelled = name.endsWith("pdf") ? s.SheetPrint(0, 0) == 0
                                                    : s.SheetExportFile(file, *ExportTypeOfName(file)) == kXlsCancelled;
        ASSERT_TRUE(presser.pressed.isValid()) << name.toStdString();
        EXPECT_LT(presser.pressed.elapsed(), 1000) << name.toStdString();
        EXPECT_TRUE(cancelled) << name.toStdString();
        EXPECT_TRUE(s.LastError().isEmpty());
        EXPECT_EQ(Read(file), "old");
        EXPECT_EQ(Entries(dir), QStringList(name)) << name.toStdString();
        QFile::remove(file);
    }
}

TEST(OutputProgress, SmallReportShowsNoDialog) {
    TReportSheet s;
    Fill(s, 30);
    s.show();
    TDialogShows shows;
    QTemporaryDir dir;
    s.SetPrintFile(dir.filePath("small.pdf"));
    ASSERT_EQ(s.SheetPrint(0, 0), 1);
    for (TExportType type : kTypes) ASSERT_EQ(s.SheetExportFile(dir.filePath("small." + ExportSuffix(type)), type), 1);
    EXPECT_EQ(shows.count, 0);
}
