// The dynamic tree on the demo database of both backends: loading in the calling thread and on
// background threads, and what a deactivation, a new activation or a destroyed view does to a
// load that is still running.
#include "trees/TreeFixture.h"

#include "data/DefaultConn.h"
#include "tests/data/DemoDb.h"
#include "trees/DynamicTree.h"
#include "trees/QueryThread.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

const char kUnits[] = "select Eid as id,EName as name,peid as pid,leafflag from pubdept p where useflag='0'";

class DynamicTreeBackendTest : public TBackendTest {
protected:
    void SetUp() override {
        TBackendTest::SetUp();
        if (IsSkipped()) return;
        view_.resize(300, 400);
        view_.show();
        conn_ = GetDefaultConn();
        conn_->Open();
    }
    void TearDown() override { EXPECT_TRUE(TQueryThread::WaitForAll(30000)); }

    std::unique_ptr<TDynamicTree> MakeTree(const QString &sql, bool sync) {
        auto tree = std::make_unique<TDynamicTree>();
        tree->SetSqlTable({sql});
        tree->SetFieldId("id");
        tree->FieldPid = "pid", tree->FieldIsLeaf = "leafflag", tree->ValueIsLeaf = "0";
        tree->FieldCaption = "name", tree->FieldText = "name";
        tree->SyncDataLoad = sync;
        tree->SetAdoConn(conn_);
        tree->SetTreeView(&view_);
        return tree;
    }
    // A statement that takes a while on the backend before giving the units.
    QString SlowUnits() const {
        if (GetParam() == TBackend::PostgreSQL)
            return QString::fromLatin1(kUnits) + " and (select count(*) from pg_sleep(0.4)) > 0";
        return QString::fromLatin1(kUnits)
               + " and (with recursive c(x) as (select 1 union all select x+1 from c where x<400000) "
                 "select count(*) from c) > 0";
    }
    static QStringList Ids(const TTreeNode *node) {
        QStringList ids;
        for (int i = 0; node && i < node->childCount(); ++i) ids << TDynamicTree::ItemInfoOf(node->Child(i))->Id;
        return ids;
    }
    QStringList DatabaseIds(const QString &pid) {
        IARQueryPtr q = OpenQuery(conn_, QStringLiteral("select Eid from pubdept where useflag='0' and peid='%1' order by Eid").arg(pid));
        QStringList ids;
        for (TARQuery *r = q.Query(); !r->Eof(); r->Next()) ids << r->Fields(0).AsString();
        return ids;
    }

    TModuleApp app_;
    TTreeView view_;
    TAdoConn *conn_ = nullptr;
};

TEST_P(DynamicTreeBackendTest, SynchronousTreeShowsTheUnitTable) {
    auto tree = MakeTree(kUnits, true);
    tree->SetActive(true);
    TTreeNode *top = view_.FirstNode();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(Ids(top), DatabaseIds(""));
    TTreeNode *first = top->Child(0);
    view_.SetSelected(first);
    QTest::keyClick(&view_, Qt::Key_Right);
    EXPECT_EQ(Ids(first), DatabaseIds(Ids(top).first()));
    EXPECT_FALSE(Ids(first).isEmpty());
}

TEST_P(DynamicTreeBackendTest, BackgroundLoadsDeliverTheSameRows) {
    auto tree = MakeTree(kUnits, false);
    tree->SetActive(true);
    TTreeNode *top = view_.FirstNode();
    ASSERT_NE(top, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(Ids(top), DatabaseIds(""), 20000);
    EXPECT_TRUE(top->Expanded());  // opened before its children came, opened again when they did
    TTreeNode *first = top->Child(0);
    view_.SetSelected(first);
    QTest::keyClick(&view_, Qt::Key_Right);
    EXPECT_EQ(first->childCount(), 0);  // the placeholder is gone, the rows are on their way
    QTRY_COMPARE_WITH_TIMEOUT(Ids(first), DatabaseIds(Ids(top).first()), 20000);
    EXPECT_TRUE(first->Expanded());
    QTRY_VERIFY(tree->QueryThreads().isEmpty());
}

TEST_P(DynamicTreeBackendTest, NoRowOfAnOldLoadReachesARebuiltView) {
    auto tree = MakeTree(SlowUnits(), false);
    tree->SetActive(true);
    ASSERT_EQ(tree->QueryThreads().size(), 1);
    tree->SetActive(false);  // the first load is still running
    tree->SetActive(true);
    ASSERT_TRUE(TQueryThread::WaitForAll(30000));
    EXPECT_EQ(Ids(view_.FirstNode()), DatabaseIds(""));  // once, not twice
    // Deactivated for good while a load runs: nothing arrives.
    tree->SetActive(false);
    tree->SetActive(true);
    tree->SetActive(false);
    ASSERT_TRUE(TQueryThread::WaitForAll(30000));
    EXPECT_EQ(view_.NodeCount(), 0);
}

TEST_P(DynamicTreeBackendTest, ViewOrTreeDestroyedDuringABackgroundLoad) {
    auto view = std::make_unique<TTreeView>();
    auto tree = MakeTree(SlowUnits(), false);
    tree->SetTreeView(view.get());
    tree->SetActive(true);
    view.reset();
    EXPECT_FALSE(tree->Active());
    tree->SetTreeView(&view_);
    tree->SetActive(true);
    tree.reset();
    ASSERT_TRUE(TQueryThread::WaitForAll(30000));
    EXPECT_EQ(view_.NodeCount(), 0);
}

TEST_P(DynamicTreeBackendTest, FailingBackgroundQueryLeavesTheTopNodeWithoutChildren) {
    auto tree = MakeTree("select * from nosuchtable", false);
    tree->SetActive(true);
    ASSERT_TRUE(TQueryThread::WaitForAll(30000));
    EXPECT_TRUE(tree->Active());
    ASSERT_EQ(view_.NodeCount(), 1);
    EXPECT_EQ(view_.FirstNode()->childCount(), 0);
}

AUTHPAY_ON_BOTH_BACKENDS(DynamicTreeBackendTest);

}  // namespace
