// A PDF drawn in runs side by side and joined: every page draws to the pixel as in a file drawn in
// one run, the page text numbers through the whole file, the reader opens it without repairs, a
// stop leaves the old file, and parts that cannot be joined are refused.
#include "report/PdfJoin.h"
#include "report/ReportSheet.h"
#include "report/SheetPageRenderer.h"
#include "report/SheetPdf.h"
#include "support/Kept.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct TToolRun {
    QByteArray out, err;
};

TToolRun Tool(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(120000)) << program.toStdString();
    return {p.readAllStandardOutput(), p.readAllStandardError()};
}

QByteArray Read(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// A sheet wider than the paper, as a result is: names on the first pages across, figures on the
// next, so the pages differ much in what they carry. Numbered pages at the foot.
TSheetModel WideSheet(int rows) {
    TReportSheet s;
    s.SheetSetRowCount(rows + 1, 0);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= 16; ++c)
            s.SheetSetText(c, r, 0, c > 10 ? QStringLiteral("%1.50").arg(r * 7919 % 100000)
                                           : QStringLiteral("市财政局行政运行%1").arg(r * c));
    s.SheetGridLines(1, 1, 16, rows, 0, 2, -1);
    TSheetModel m = s.Model();
    for (int c = 1; c <= 10; ++c) m.SetColumnWidth(c, 160);
    m.Page().pageText[1] = QStringLiteral("共&S页第&P页");
    return m;
}
}  // namespace

TEST(SheetPdfRuns, JoinedPagesDrawAsOneRunDrawsThem) {
    const TSheetModel m = WideSheet(900);
    QTemporaryDir dir;
    const QString one = dir.filePath("one.pdf"), three = dir.filePath("three.pdf");
    QString error;
    ASSERT_EQ(KeptStatus(WriteSheetPdf(m, one, {}, 1), &error), authpay::Outcome::Done) << error.toStdString();
    ASSERT_EQ(KeptStatus(WriteSheetPdf(m, three, {}, 3), &error), authpay::Outcome::Done) << error.toStdString();
    const int pages = SheetPageCount(m);
    ASSERT_GT(pages, 20);
    for (const QString &file : {one, three}) {
        const TToolRun info = Tool("pdfinfo", {file});
        EXPECT_EQ(QRegularExpression(R"(Pages:\s+(\d+))").match(QString::fromUtf8(info.out)).captured(1).toInt(), pages);
        EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();  // no table the reader had to repair
    }
    // Every page, pictured small, is the same picture in both files.
    for (const QString &file : {one, three}) {
        const TToolRun r = Tool("pdftoppm", {"-r", "24", "-gray", file, dir.filePath(QFileInfo(file).baseName())});
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    const QStringList shots = QDir(dir.path()).entryList({"one-*.pgm"}, QDir::Files, QDir::Name);
    ASSERT_EQ(shots.size(), pages);
    for (const QString &shot : shots)
        EXPECT_EQ(Read(dir.filePath(shot)), Read(dir.filePath(QString(shot).replace("one-", "three-")))) << shot.toStdString();
    // The page text counts through the file; the fonts come from each run.
    const QByteArray last = Tool("pdftotext", {"-f", QString::number(pages), "-l", QString::number(pages), three, "-"}).out;
    EXPECT_TRUE(QString::fromUtf8(last).contains(QStringLiteral("共%1页第%1页").arg(pages)));
    EXPECT_EQ(Tool("pdffonts", {three}).out.count("CID TrueType"), 3);
}

TEST(SheetPdfRuns, StopKeepsTheOldFileAndProgressCountsEveryRun) {
    const TSheetModel m = WideSheet(600);
    QTemporaryDir dir;
    const QString file = dir.filePath("r.pdf");
    QString error;
    std::vector<int> done;
    int total = 0;
    ASSERT_EQ(KeptStatus(WriteSheetPdf(m, file,
                            [&](TWorkUnit unit, int d, int t) {
                                EXPECT_EQ(unit, TWorkUnit::Pages);
                                EXPECT_TRUE(done.empty() || d >= done.back());
                                done.push_back(d), total = t;
                                return true;
                            },
                            2), &error),
              authpay::Outcome::Done);
    EXPECT_EQ(total, SheetPageCount(m));
    EXPECT_EQ(done.back(), total);
    const QByteArray before = Read(file);
    int calls = 0;
    EXPECT_EQ(KeptStatus(WriteSheetPdf(m, file, [&](TWorkUnit, int, int) { return ++calls < 3; }, 2), &error), authpay::Outcome::Cancelled);
    EXPECT_EQ(Read(file), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"r.pdf"}));
}

namespace {
// A PDF of one page written by hand: its annotation array holds a string, a hex string and a
// comment that read like references, beside one real reference.
QByteArray HandMadePdf() {
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R /Annots 4 0 R >>",
        "[ (a string 3 0 R \\) with 2 0 R) <3320302052> % comment 2 0 R\n 3 0 R ]",
        "<< /Length 9 >>\nstream\n1 0 0 RG\n\nendstream",
    };
    QByteArray pdf = "%PDF-1.4\n";
    std::vector<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 6\n0000000000 65535 f \n";
    for (qsizetype o : offsets) pdf += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    return pdf + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
}
}  // namespace

// Parts that qpdf did not make, joined: two pages hanging from one page tree, and what strings and
// comments hold that reads like references left as it was.
TEST(SheetPdfRuns, HandMadePartsJoinAsTheyAre) {
    QTemporaryDir dir;
    QFile joined(dir.filePath("joined.pdf"));
    ASSERT_TRUE(joined.open(QIODevice::WriteOnly));
    QString error;
    ASSERT_TRUE(Kept(JoinPdfParts({HandMadePdf(), HandMadePdf()}, joined), &error)) << error.toStdString();
    joined.close();
    const QByteArray pdf = Read(joined.fileName());
    EXPECT_EQ(pdf.count("(a string 3 0 R \\) with 2 0 R)"), 2) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains("/Count 2"));
    const TToolRun info = Tool("pdfinfo", {joined.fileName()});
    EXPECT_EQ(QRegularExpression(R"(Pages:\s+(\d+))").match(QString::fromUtf8(info.out)).captured(1), "2");
    EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();
}

TEST(SheetPdfRuns, PartsThatCannotBeJoinedAreRefused) {
    QByteArray good;
    {
        QBuffer b(&good);
        b.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&b);
        QPainter p(&pdf);
        p.drawText(100, 100, QStringLiteral("甲"));
    }
    QByteArray updated = good;
    updated.insert(updated.lastIndexOf("/Root"), "/Prev 9 ");
    QByteArray cut = good.left(good.size() / 2) + good.mid(good.lastIndexOf("startxref"));
    for (const QByteArray &bad : {QByteArray("not a PDF"), updated, cut, QByteArray()}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        EXPECT_FALSE(Kept(JoinPdfParts({good, bad}, out), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    EXPECT_TRUE(Kept(JoinPdfParts({good, good}, out), &error)) << error.toStdString();
    EXPECT_TRUE(out.data().contains("/Count 2"));
}
