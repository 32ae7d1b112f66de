// Hostile names in every export: cells typed by their column's role, never a formula; and the one
// rule for what an export's name may be (a link followed, a pipe or device refused) and for the
// temporaries a killed export leaves.
#include "report/SheetExport.h"
#include "report/SheetPageRenderer.h"
#include "report/SheetPdf.h"
#include "report/XlsReadBack.h"
#include "report/xls/XlsExport.h"
#include "support/Kept.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <clocale>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A result row whose names read like an amount and like formulas; column 14 holds the amounts.
TSheetModel HostileSheet() {
    TSheetModel m;
    m.SetRowCount(3);
    m.SetText(14, 1, u"金额（元）");
    const char16_t *names[] = {u"1,234.56", u"=1+1", u"=HYPERLINK(\"http://x\",\"y\")", u"@SUM(A1)", u"-2.00"};
    for (int c = 0; c < 5; ++c) m.SetText(2 + c, 2, names[c]);
    m.SetText(14, 2, u"-1,234.50");
    m.SetText(14, 3, u"1,234.50");
    m.SetAmountColumns({14});
    return m;
}

QByteArray RunPython(const QString &script, const QString &file) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {"-c", script, file});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) ADD_FAILURE() << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

// The record ids of a workbook stream (BIFF8: id and length before each record's body).
QList<int> RecordIds(const QByteArray &stream) {
    QList<int> ids;
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        ids << (uchar(stream[at]) | uchar(stream[at + 1]) << 8);
        at += 4 + (uchar(stream[at + 2]) | uchar(stream[at + 3]) << 8);
    }
    return ids;
}

QByteArray Read(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

TEST(ExportSafety, CellsAreTypedByTheirColumnAndNeverFormulas) {
    QTemporaryDir dir;
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx}) {
        const QString file = dir.filePath(QStringLiteral("r.") + ExportSuffix(type));
        ASSERT_TRUE(ExportSheet(HostileSheet(), file, type).Ok());
        const QJsonObject book = ReadXlsBack(file);
        SCOPED_TRACE(file.toStdString());
        EXPECT_EQ(XlsCell(book, 2, 2)["type"].toString(), "text");
        EXPECT_EQ(XlsCell(book, 2, 2)["value"].toString(), "1,234.56");
        EXPECT_EQ(XlsCell(book, 6, 2)["type"].toString(), "text");
        EXPECT_EQ(XlsCell(book, 14, 2)["type"].toString(), "number");
        EXPECT_DOUBLE_EQ(XlsCell(book, 14, 2)["value"].toDouble(), -1234.5);
        EXPECT_EQ(XlsCell(book, 14, 1)["type"].toString(), "text");
    }
    // No formula anywhere: no FORMULA (6) record in the .xls, no <f> element in the .xlsx.
    EXPECT_FALSE(RecordIds(BuildWorkbookStream(HostileSheet())).contains(0x0006));
    const QByteArray xml = RunPython(QStringLiteral("import sys, zipfile\n"
                                              "z = zipfile.ZipFile(sys.argv[1])\n"
                                              "print(z.read('xl/worksheets/sheet1.xml').decode())\n"),
                               dir.filePath("r.xlsx"));
    ASSERT_TRUE(xml.contains("<sheetData")) << xml.toStdString();
    EXPECT_FALSE(xml.contains("<f>") || xml.contains("<f "));

    const QString csv = dir.filePath("r.csv");
    ASSERT_TRUE(ExportSheet(HostileSheet(), csv, TExportType::Csv).Ok());
    const QByteArray bytes = Read(csv);
    EXPECT_TRUE(bytes.contains("\"1,234.56\",\"'=1+1\",\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",\"'@SUM(A1)\",\"'-2.00\""))
        << bytes.toStdString();
    EXPECT_TRUE(bytes.contains(",-1234.50\r\n"));  // an amount is a number, not defused
}

// Whatever the writer, a link to a file is followed: the link stays and the file it names gets
// the new content. A pipe or device in the name's place is refused and left alone.
TEST(ExportSafety, OneRuleForLinksPipesAndDevices) {
    QTemporaryDir dir;
    for (const QString suffix : {"xls", "xlsx", "csv", "pdf"}) {
        SCOPED_TRACE(suffix.toStdString());
        const QString real = dir.filePath("real." + suffix), link = dir.filePath("link." + suffix);
        QFile(real).open(QIODevice::WriteOnly);
        ASSERT_TRUE(QFile::link(real, link));
        QString error;
        const auto write = [&](const QString &name) {
            return suffix == "pdf" ? Kept(WriteSheetPdf(HostileSheet(), name), &error)
                                   : ExportSheet(HostileSheet(), name, *ExportTypeOfName(name)).Ok();
        };
        ASSERT_TRUE(write(link)) << error.toStdString();
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_GT(QFileInfo(real).size(), 0);

        const QString fifo = dir.filePath("fifo." + suffix), devLink = dir.filePath("null." + suffix);
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link("/dev/null", devLink));
        EXPECT_FALSE(write(fifo));
        EXPECT_FALSE(write(devLink));
        EXPECT_FALSE(QFileInfo(fifo).isFile());
        EXPECT_TRUE(QFileInfo(devLink).isSymLink());
    }
    EXPECT_EQ(ExportSheet(HostileSheet(), dir.filePath("fifo.xls"), TExportType::Xls).code, kXlsTargetNotFile);
}

// A temporary whose writer was killed holds no lock: the next .xlsx export in its folder removes
// it. One that is still being written (locked) stays.
TEST(ExportSafety, XlsxRemovesTemporariesOfKilledExports) {
    QTemporaryDir dir;
    const QString stale = dir.filePath(".authpay-AbC123.xlsx"), busy = dir.filePath(".authpay-XyZ789.xlsx");
    QFile(stale).open(QIODevice::WriteOnly);
    QFile(busy).open(QIODevice::WriteOnly);
    const int fd = ::open(QFile::encodeName(busy).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    ASSERT_TRUE(ExportSheet(HostileSheet(), dir.filePath("r.xlsx"), TExportType::Xlsx).Ok());
    ::close(fd);
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(busy));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // r.xlsx and the busy one
}

namespace {
// Files of every writer for a sheet whose amounts, widths and heights have fractions.
QMap<QString, QByteArray> WriteEvery(const QString &folder) {
    TSheetModel m = HostileSheet();
    m.SetText(14, 3, u"37,304,045.19");
    m.SetText(14, 2, u"100,000,000,038,989.20");
    m.SetColumnWidth(3, 77);
    m.SetRowHeight(2, 23);
    QMap<QString, QByteArray> files;
    for (TExportType type : {TExportType::Xls, TExportType::Xlsx, TExportType::Csv}) {
        const QString file = folder + QStringLiteral("/every.") + ExportSuffix(type);
        EXPECT_TRUE(ExportSheet(m, file, type).Ok());
        files[ExportSuffix(type)] = type == TExportType::Xlsx
            ? RunPython(QStringLiteral("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                                       "for n in sorted(z.namelist()):\n"
                                       "    if n != 'docProps/core.xml': print(n, z.read(n))\n"), file)
            : Read(file);
    }
    QString error;
    EXPECT_TRUE(Kept(WriteSheetPdf(m, folder + QStringLiteral("/every.pdf")), &error)) << error.toStdString();
    files["pdf"] = Read(folder + QStringLiteral("/every.pdf"));
    return files;
}
}  // namespace

// A host runs in the user's locale. Under one whose decimal mark is a comma every file comes out
// as under C, byte for byte (the .xlsx part by part, its creation time aside).
TEST(ExportSafety, FilesAreTheSameWhateverTheLocale) {
    QTemporaryDir dir;
    const QString locales = dir.filePath("locales");
    QDir().mkpath(locales);
    ASSERT_EQ(QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", locales + "/de_DE.UTF-8"}), 0);
    qputenv("LOCPATH", QFile::encodeName(locales));
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    const auto comma = WriteEvery(dir.path());
    std::setlocale(LC_ALL, "C");
    qunsetenv("LOCPATH");
    const auto c = WriteEvery(dir.path());
    ASSERT_TRUE(c["xlsx"].contains("<v>37304045.19</v>")) << c["xlsx"].left(3000).toStdString();
    for (const QString &kind : c.keys()) {
        if (kind != "pdf") {
            EXPECT_EQ(comma[kind], c[kind]) << kind.toStdString();
        }
    }
    // A PDF names the time it was made: the rest is the same.
    const QRegularExpression made(QStringLiteral("/CreationDate \\(D:[^)]*\\)"));
    EXPECT_EQ(QString::fromLatin1(comma["pdf"]).remove(made), QString::fromLatin1(c["pdf"]).remove(made));
}

// A new file of every writer gets the permissions the umask leaves; an old one keeps its own.
// A link that another user planted in a shared folder (sticky, writable by all) is not followed.
TEST(ExportSafety, NewFilesFollowTheUmaskAndPlantedLinksAreRefused) {
    QTemporaryDir dir;
    for (const QString suffix : {"xls", "xlsx", "csv", "pdf"}) {
        SCOPED_TRACE(suffix.toStdString());
        QString error;
        const auto write = [&](const QString &name) {
            return suffix == "pdf" ? Kept(WriteSheetPdf(HostileSheet(), name), &error)
                                   : ExportSheet(HostileSheet(), name, *ExportTypeOfName(name)).Ok();
        };
        for (const auto &[mask, mode] : {std::pair{077, 0600}, std::pair{022, 0644}}) {
            const QString file = dir.filePath(QStringLiteral("new%1.").arg(mask) + suffix);
            const mode_t before = ::umask(mode_t(mask));
            ASSERT_TRUE(write(file)) << error.toStdString();
            ::umask(before);
            struct stat st{};
            ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, mode_t(mode));
        }
        if (::geteuid() != 0) continue;  // only the superuser can plant a link of another user's
        const QString shared = dir.filePath("shared"), mine = dir.filePath("mine." + suffix);
        QDir().mkpath(shared);
        ::chmod(QFile::encodeName(shared).constData(), 01777);
        QFile(mine).open(QIODevice::WriteOnly);
        const QString planted = shared + "/planted." + suffix;
        ASSERT_TRUE(QFile::link(mine, planted));
        ASSERT_EQ(::lchown(QFile::encodeName(planted).constData(), 4242, 4242), 0);
        EXPECT_FALSE(write(planted));
        EXPECT_EQ(QFileInfo(mine).size(), 0);
        if (suffix != "pdf") {
            EXPECT_EQ(ExportSheet(HostileSheet(), planted, *ExportTypeOfName(planted)).message,
                      QStringLiteral("“%1”是其他用户放在公共文件夹中的符号链接，不能经由它写入文件。").arg(planted));
        }
        ::unlink(QFile::encodeName(planted).constData());
    }
}
