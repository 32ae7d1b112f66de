// Rows read straight from an SQLite handle read as the generic driver reads them: texts (Chinese
// included), integers, reals, nulls; a failing statement and a failing row raise the error.
#include "data/DatabaseError.h"
#include "data/SqliteRows.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SqliteRows, ValuesReadAsTheGenericDriverReadsThem) {
    QTemporaryDir dir;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rows"));
    db.setDatabaseName(dir.filePath(QStringLiteral("t.sqlite")));
    ASSERT_TRUE(db.open());
    const QString sql = QStringLiteral(
        "select '001' as Code, '教育局' as Name, 42 as n, 0.1 + 0.2 as r, 1234567.125 as m, null as z "
        "union all select 'a''b', '', -7, 1e300, -0.5, null");
    {
        const auto rows = TSqliteRows::Open(db, sql);
        ASSERT_TRUE(rows);
        EXPECT_EQ(rows->ColumnIndex(QStringLiteral("code")), 0);
        EXPECT_EQ(rows->ColumnIndex(QStringLiteral("nothing")), -1);
        QSqlQuery generic(db);
        generic.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        ASSERT_TRUE(generic.exec(sql));
        int n = 0;
        while (rows->Next()) {
            ASSERT_TRUE(generic.next());
            for (int c = 0; c < 6; ++c) EXPECT_EQ(rows->Text(c), generic.value(c).toString()) << n << "," << c;
            EXPECT_EQ(rows->Number(4), generic.value(4).toDouble());
            EXPECT_EQ(rows->Number(5), 0);
            ++n;
        }
        EXPECT_EQ(n, 2);
        // A column's repeated text comes back shared, a changed one anew; empty, null and numbers as Text.
        const auto repeated = TSqliteRows::Open(db, QStringLiteral(
            "select '教育局' as t union all select '教育局' union all select '' union all select null "
            "union all select '' union all select 7 union all select '卫生局'"));
        QStringList texts;
        while (repeated->Next()) {
            texts << repeated->RepeatedText(0);
            EXPECT_EQ(texts.last(), repeated->Text(0)) << texts.size();
            EXPECT_EQ(texts.last().isNull(), repeated->Text(0).isNull()) << texts.size();
        }
        ASSERT_EQ(texts.size(), 7);
        EXPECT_EQ(texts[0].constData(), texts[1].constData());
        EXPECT_EQ(texts[6], QStringLiteral("卫生局"));
        EXPECT_THROW(TSqliteRows::Open(db, QStringLiteral("select * from nowhere")), EDatabaseError);
        // abs() of the smallest integer overflows while the row is computed.
        const auto failing = TSqliteRows::Open(db, QStringLiteral("select abs(-9223372036854775807 - 1)"));
        EXPECT_THROW(failing->Next(), EDatabaseError);
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("rows"));
}
