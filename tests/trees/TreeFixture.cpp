#include "trees/TreeFixture.h"

#include "data/SqlQuote.h"
#include "frame/ModuleGlobals.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

TModuleApp::TModuleApp() : App(QStringLiteral("tree tests")), previous_(authpay::Application) {
    authpay::Application = &App;
}

TModuleApp::~TModuleApp() { authpay::Application = previous_; }

TScratchCodes::TScratchCodes(const QList<TScratchRow> &rows, const QStringList &extraSql) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("scratch_writer"));
        db.setDatabaseName(File());
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("create table codes (id varchar(30), pid varchar(30), name varchar(100), leaf varchar(2))")));
        db.transaction();
        for (const TScratchRow &r : rows)
            EXPECT_TRUE(q.exec(QStringLiteral("insert into codes values (%1,%2,%3,%4)")
                                   .arg(QuotedStr(r.Id), QuotedStr(r.Pid), QuotedStr(r.Name), QuotedStr(r.Leaf))))
                << q.lastError().text().toStdString();
        db.commit();
        for (const QString &sql : extraSql) EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("scratch_writer"));
    manager_ = std::make_unique<TDbManager>(ConnectionString());
    conn_ = manager_->GetConnection(QStringLiteral("Def"));
    conn_->Open();
}

QString TScratchCodes::ConnectionString() const {
    return QStringLiteral("Provider=SQLite;Data Source=%1").arg(File());
}

QList<TScratchRow> SmallCodeTable() {
    return {{"A", "", "甲", "1"},   {"A1", "A", "甲一", "0"}, {"A2", "A", "甲二", "1"},
            {"A21", "A2", "甲二一", "0"}, {"A22", "A2", "甲二二", "0"}, {"B", "", "乙", "0"},
            {"C", "", "丙", "1"},   {"C1", "C", "丙一", "0"}};
}
