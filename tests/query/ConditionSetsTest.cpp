// Saved condition sets in their INI file: sets round-trip per unit under any name, and a file
// that is damaged or that a newer version wrote is reported and never written over.
#include "query/ConditionSets.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
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
}  // namespace

TEST(ConditionSets, SetsRoundTripPerUnit) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sets/查询方案.ini");
    TConditionSetFile mine(path, "003001"), other(path, "004");
    QString error;
    ASSERT_TRUE(mine.Save(QStringLiteral("月报/季报 100%"), Sample(), &error)) << error.toStdString();
    ASSERT_TRUE(mine.Save(QStringLiteral("空"), TConditionSet{}, &error));
    EXPECT_EQ(mine.Names(&error), QStringList({QStringLiteral("月报/季报 100%"), QStringLiteral("空")}));
    EXPECT_TRUE(other.Names(&error).isEmpty());
    TConditionSet back;
    ASSERT_TRUE(mine.Load(QStringLiteral("月报/季报 100%"), &back, &error));
    EXPECT_EQ(back, Sample());
    ASSERT_TRUE(mine.Load(QStringLiteral("空"), &back, &error));
    EXPECT_EQ(back, TConditionSet{});
    EXPECT_FALSE(other.Load(QStringLiteral("空"), &back, &error));
    EXPECT_EQ(error, QStringLiteral("没有名为“空”的查询方案。"));
    ASSERT_TRUE(mine.Remove(QStringLiteral("空"), &error));
    EXPECT_EQ(mine.Names(&error), QStringList{QStringLiteral("月报/季报 100%")});
    EXPECT_FALSE(mine.Save("  ", Sample(), &error));
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
        EXPECT_TRUE(file.Names(&error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
        TConditionSet set;
        EXPECT_FALSE(file.Load("x", &set, &error));
        EXPECT_FALSE(file.Save("x", Sample(), &error));
        EXPECT_FALSE(file.Remove("x", &error));
        EXPECT_TRUE(error.contains(content == newer ? QStringLiteral("较新的版本") : QStringLiteral("已损坏"))) << error.toStdString();
        EXPECT_EQ(Read(path), content);
    }
}
