// Saved condition sets in their INI file: sets round-trip per unit under any name; a file that is
// damaged or that a newer version wrote, and anything but a regular file of a sane size, is
// reported and never written over; a save renames a new file into place.
#include "query/ConditionSets.h"
#include "support/Kept.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList NamesOf(const TConditionSetFile &file, QString *error) {
    authpay::Outcome read;
    const QStringList names = file.Names(&read);
    *error = read.message;
    return names;
}

TConditionSet Sample() {
    TConditionSet c;
    c.dimensions = {QStringLiteral("预算单位"), QStringLiteral("预算科目")};
    c.unitLevel = "2";
    c.indicatorType = 1;
    c.secrecy = 2;
    c.fundNature = QStringLiteral("一般公共预算资金");
    c.unitList = true;
    c.unitCodes = {"001001", "a,b"};  // a code holding a comma stays one code
    c.subjectCodes = {"2050101"};
    c.subtotals = true;
    return c;
}

QByteArray Read(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ino_t Inode(const QString &file) {
    struct stat st {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_ino : 0;
}
}  // namespace

TEST(ConditionSets, SetsRoundTripPerUnit) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sets/查询方案.ini");
    TConditionSetFile mine(path, "003001"), other(path, "004");
    QString error;
    ASSERT_TRUE(Kept(mine.Save(QStringLiteral("月报/季报 100%"), Sample()), &error)) << error.toStdString();
    ASSERT_TRUE(Kept(mine.Save(QStringLiteral("空"), TConditionSet{}), &error));
    EXPECT_EQ(NamesOf(mine, &error), QStringList({QStringLiteral("月报/季报 100%"), QStringLiteral("空")}));
    EXPECT_TRUE(NamesOf(other, &error).isEmpty());
    TConditionSet back;
    ASSERT_TRUE(Kept(mine.Load(QStringLiteral("月报/季报 100%"), &back), &error));
    EXPECT_EQ(back, Sample());
    ASSERT_TRUE(Kept(mine.Load(QStringLiteral("空"), &back), &error));
    EXPECT_EQ(back, TConditionSet{});
    EXPECT_FALSE(Kept(other.Load(QStringLiteral("空"), &back), &error));
    EXPECT_EQ(error, QStringLiteral("没有名为“空”的查询方案。"));
    ASSERT_TRUE(Kept(mine.Remove(QStringLiteral("空")), &error));
    EXPECT_EQ(NamesOf(mine, &error), QStringList{QStringLiteral("月报/季报 100%")});
    EXPECT_FALSE(Kept(mine.Save("  ", Sample()), &error));
}

TEST(ConditionSets, DamagedOrNewerFilesAreLeftAlone) {
    QTemporaryDir dir;
    const QByteArray damaged("\x01\x02 not [an ini\0file", 20), newer("[General]\nformat=9\n\n[003001]\nx\\unitLevel=2\n");
    for (const QByteArray &content : {damaged, newer}) {
        const QString path = dir.filePath("sets.ini");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        TConditionSetFile file(path, "003001");
        QString error;
        EXPECT_TRUE(NamesOf(file, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
        TConditionSet set;
        EXPECT_FALSE(Kept(file.Load("x", &set), &error));
        EXPECT_FALSE(Kept(file.Save("x", Sample()), &error));
        EXPECT_FALSE(Kept(file.Remove("x"), &error));
        EXPECT_TRUE(error.contains(content == newer ? QStringLiteral("较新的版本") : QStringLiteral("已损坏"))) << error.toStdString();
        EXPECT_EQ(Read(path), content);
    }
}

// A pipe, a link to an endless device, a link to nothing and a file too large to be a sets file
// are each reported at once, as a damaged file is, and stay as they are: nothing reads them
// through, waits on them or replaces them.
TEST(ConditionSets, OnlyARegularFileOfSaneSizeIsRead) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.ini"), zero = dir.filePath("zero.ini"), nowhere = dir.filePath("nowhere.ini"),
                  huge = dir.filePath("huge.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    ASSERT_TRUE(QFile::link(dir.filePath("none/x.ini"), nowhere));
    QFile big(huge);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(TConditionSetFile::kMaxFileBytes + 1));
    big.close();
    ::alarm(60);  // a call that waits on the pipe ends the test program instead of hanging it
    for (const QString &path : {fifo, zero, nowhere, huge}) {
        TConditionSetFile file(path, "003001");
        QString error;
        EXPECT_TRUE(NamesOf(file, &error).isEmpty());
        EXPECT_TRUE(error.contains(path == huge ? QStringLiteral("超过 4 MiB") : QStringLiteral("不是普通文件"))) << error.toStdString();
        TConditionSet set;
        EXPECT_FALSE(Kept(file.Load("x", &set), &error));
        EXPECT_FALSE(Kept(file.Save("x", Sample()), &error));
        EXPECT_FALSE(Kept(file.Remove("x"), &error));
        EXPECT_TRUE(error.endsWith(QStringLiteral("未作改动。"))) << error.toStdString();
    }
    ::alarm(0);
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    EXPECT_EQ(QFileInfo(zero).symLinkTarget(), QStringLiteral("/dev/zero"));
    EXPECT_TRUE(QFileInfo(nowhere).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("none")));
    EXPECT_EQ(QFileInfo(huge).size(), TConditionSetFile::kMaxFileBytes + 1);
}

// Saving writes a new file beside the old one and renames it into place: the old file is never
// cut short or deleted first (a second name of it keeps the old content), a link keeps leading to
// the file it names, and nothing of the writing is left behind.
TEST(ConditionSets, SavingRenamesANewFileIntoPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath("real/sets.ini"), link = dir.filePath("sets.ini");
    TConditionSetFile file(link, "003001");
    QString error;
    ASSERT_TRUE(QDir().mkpath(dir.filePath("real")));
    QFile empty(path);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_TRUE(Kept(file.Save("a", Sample()), &error)) << error.toStdString();
    const QByteArray first = Read(path);
    ASSERT_TRUE(first.contains("a\\unitLevel=2"));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath("old.ini")).constData()), 0);
    const ino_t before = Inode(path);
    ASSERT_TRUE(Kept(file.Save("b", Sample()), &error)) << error.toStdString();
    EXPECT_NE(Inode(path), before);
    EXPECT_EQ(Read(dir.filePath("old.ini")), first);
    EXPECT_TRUE(Read(path).contains("b\\unitLevel=2"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(dir.filePath("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"sets.ini"});
    EXPECT_EQ(NamesOf(file, &error), QStringList({"a", "b"}));
}
