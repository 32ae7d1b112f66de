// The dynamic tree against code that runs while it loads: handlers that rebuild the tree or
// destroy it (or the form that owns it) in the middle of a level, the user's input taken between
// the rows of a background load, nodes in the view that are not the tree's, and rows that all
// refer to each other. Each in both load modes; the sanitizers catch any touch of freed memory.
#include "trees/TreeFixture.h"

#include "trees/DynamicTree.h"
#include "trees/QueryThread.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

namespace {

class DynamicTreeLifeTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        codes_ = std::make_unique<TScratchCodes>(SmallCodeTable());
        for (TTreeView *v : {&view_, &other_}) v->resize(300, 400), v->show();
    }
    void TearDown() override { EXPECT_TRUE(TQueryThread::WaitForAll(30000)); }

    TDynamicTree *MakeTree(QObject *owner, TTreeView *view) {
        auto *tree = new TDynamicTree(owner);
        tree->SetSqlTable({QStringLiteral("select id,pid,name,leaf from codes")});
        tree->SetFieldId("id");
        tree->FieldPid = "pid", tree->FieldIsLeaf = "leaf", tree->ValueIsLeaf = "0";
        tree->FieldCaption = "name", tree->FieldText = "name";
        tree->SetTopVirNodeTitle("全部代码");
        tree->SyncDataLoad = GetParam();
        tree->SetAdoConn(codes_->Conn());
        tree->SetTreeView(view);
        return tree;
    }
    // The action runs once, from the handler of the row with that id (before or after its node is
    // added).
    static void OnRow(TDynamicTree *tree, const QString &id, bool before, std::function<void()> action) {
        auto once = std::make_shared<std::function<void()>>(std::move(action));
        auto run = [id, once](const TFields *fields) {
            if (fields && *once && fields->FieldByName("id").AsString() == id) std::exchange(*once, nullptr)();
        };
        if (before) tree->OnBeforAddNode = [run](QObject *, const TFields *f, TNodeItem *, TItemInfoClass &) { run(f); };
        else tree->OnAfterAddNode = [run](QObject *, const TFields *f, TNodeItem *, TItemInfo *) { run(f); };
    }
    static void Settle() { ASSERT_TRUE(TQueryThread::WaitForAll(30000)); }
    static QStringList Outline(TTreeView &view) {
        QStringList lines;
        for (QTreeWidgetItemIterator it(&view); *it; ++it) {
            int depth = 0;
            for (QTreeWidgetItem *p = (*it)->parent(); p; p = p->parent()) ++depth;
            lines << QString(depth * 2, QLatin1Char(' ')) + (*it)->text(0);
        }
        return lines;
    }

    TModuleApp app_;
    std::unique_ptr<TScratchCodes> codes_;
    TTreeView view_, other_;
};

// A handler that rebuilds the tree in the middle of a level (a new title, a new view, or Active
// off and on) leaves exactly the rebuilt tree: nothing of the old level follows.
TEST_P(DynamicTreeLifeTest, ARowHandlerRebuildsTheTree) {
    struct Case {
        const char *name;
        bool before;
        std::function<void(TDynamicTree *)> rebuild;
        TTreeView *result;
    };
    const std::vector<Case> cases = {
        {"title", false, [](TDynamicTree *t) { t->SetTopVirNodeTitle("新标题"); }, &view_},
        {"view", true, [this](TDynamicTree *t) { t->SetTreeView(&other_); }, &other_},
        {"active", true, [](TDynamicTree *t) { t->SetActive(false), t->SetActive(true); }, &view_},
    };
    for (bool loadAll : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (loadAll ? " with LoadAll" : ""));
            std::unique_ptr<TDynamicTree> tree(MakeTree(nullptr, &view_));
            tree->SetLoadAll(loadAll);
            // Without LoadAll in the top level's loop; with it in the nested load of A2.
            OnRow(tree.get(), loadAll ? "A21" : "B", c.before, [&c, t = tree.get()] { c.rebuild(t); });
            tree->SetActive(true);
            Settle();
            const QStringList rebuilt = Outline(*c.result);
            EXPECT_EQ(rebuilt.size(), loadAll ? 9 : 6);
            tree->SetActive(false);
            tree->SetActive(true);
            Settle();
            EXPECT_EQ(rebuilt, Outline(*c.result));
        }
    }
}

// The tree, or the form that owns it and its view, destroyed while a level is delivered: from a
// row handler, or by the user's input taken between the rows of a background load. The load
// stops there.
TEST_P(DynamicTreeLifeTest, DestroyedWhileItsRowsArrive) {
    for (bool wholeForm : {false, true}) {
        SCOPED_TRACE(wholeForm ? "form" : "tree");
        auto form = std::make_unique<QWidget>();
        auto *view = new TTreeView(form.get());
        QPointer<TDynamicTree> tree = MakeTree(form.get(), view);
        auto destroy = [&] { wholeForm ? form.reset() : delete tree.data(); };
        OnRow(tree, "A", false, [&] {
            if (GetParam()) return destroy();
            QTimer::singleShot(0, destroy);
            QThread::msleep(20);  // the next rows wait for the user's input first
        });
        tree->SetActive(true);
        Settle();
        EXPECT_TRUE(tree.isNull());
        if (form) {
            EXPECT_EQ(view->NodeCount(), 0);
        }
    }
}

// In the single-expand mode the title node's selection opens it, and the view's own expanding
// handler, which runs before the tree's, rebuilds the tree right there.
TEST_P(DynamicTreeLifeTest, TheTitleNodesSelectionRebuildsTheTree) {
    std::unique_ptr<TDynamicTree> tree(MakeTree(nullptr, &view_));
    view_.SetAutoExpand(true);
    bool rebuilt = false;
    view_.OnExpanding = [&](QObject *, TTreeNode *, bool &) {
        if (!std::exchange(rebuilt, true)) tree->SetTopVirNodeTitle("新标题");
    };
    tree->SetActive(true);
    Settle();
    ASSERT_EQ(view_.NodeCount(), 1);
    EXPECT_EQ(Outline(view_), (QStringList{"新标题", "  甲", "    【】", "  乙", "  丙", "    【】"}));
    EXPECT_TRUE(view_.FirstNode()->Selected());
}

// Nodes that are not the tree's own (a plain node of the view, or a node whose data others
// pointed elsewhere) carry no item info: the tree reads nothing through them and loads nothing
// for them.
TEST_P(DynamicTreeLifeTest, NodesThatAreNotTheTreesOwnCarryNoItemInfo) {
    std::unique_ptr<TDynamicTree> tree(MakeTree(nullptr, &view_));
    tree->SetAutoExpandKind(aekNone);
    tree->SetActive(true);
    Settle();
    QString foreign = QStringLiteral("not an item info");
    auto *plain = new TTreeNode;
    plain->Data = &foreign;
    plain->addChild(new TTreeNode);
    view_.insertTopLevelItem(0, plain);
    EXPECT_EQ(TDynamicTree::ItemInfoOf(plain), nullptr);
    tree->SetAutoExpandKind(aekFirstLeaf);
    tree->SetAutoExpandKind(aekTitleNode);
    view_.SetSelected(plain);
    QTest::keyClick(&view_, Qt::Key_Right);
    EXPECT_TRUE(plain->Expanded());
    TTreeNode *top = view_.TopNode(1), *a = top->Child(0);
    top->setExpanded(true);
    a->Data = &foreign;
    EXPECT_EQ(TDynamicTree::ItemInfoOf(a), nullptr);
    view_.SetSelected(a);
    QTest::keyClick(&view_, Qt::Key_Right);
    Settle();
    EXPECT_EQ(Outline(view_).mid(2), (QStringList{"全部代码", "  甲", "    【】", "  乙", "  丙", "    【】"}));
}

// Every row a child of every node ("Piid"): with LoadAll each id is loaded once, so the tree ends
// after rows × depth nodes rather than one node per ordering of the rows.
TEST_P(DynamicTreeLifeTest, RowsThatAllReferToEachOtherLoadOnceEach) {
    QList<TScratchRow> rows;
    for (int i = 1; i <= 7; ++i) rows.append({QString::number(i), "", QStringLiteral("行%1").arg(i), "1"});
    TScratchCodes ring(rows);
    for (bool fromTheStart : {true, false}) {
        std::unique_ptr<TDynamicTree> tree(MakeTree(nullptr, &view_));
        tree->SetAdoConn(ring.Conn());
        tree->SetSqlTable({QStringLiteral("select id,pid as Piid,name,leaf from codes")});
        tree->FieldPid = "Piid";
        tree->SetLoadAll(fromTheStart);
        tree->SetActive(true);
        Settle();
        tree->SetLoadAll(true);
        Settle();
        const QStringList all = Outline(view_);
        EXPECT_LE(all.size(), 1 + 7 * 8);
        EXPECT_TRUE(all.filter(QStringLiteral("【】")).isEmpty());
        EXPECT_TRUE(tree->Placeholders().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(LoadModes, DynamicTreeLifeTest, ::testing::Bool(),
                         [](const auto &info) { return std::string(info.param ? "Sync" : "Background"); });

// Unloading the module stops the background loads: a load whose rows wait for the user-interface
// thread, and one never started, end within the bound; no event is taken meanwhile (the code that
// would handle it may be about to go) and the rows are never delivered.
TEST(QueryThreadStopTest, StopAllJoinsWithoutTakingEvents) {
    TModuleApp app;
    TScratchCodes codes(SmallCodeTable());
    bool delivered = false, eventTaken = false;
    auto dataSet = [&] { return std::make_unique<TMemDataSet>(codes.ConnectionString(), "select * from codes"); };
    auto *waiting = new TQueryThread(false, dataSet());
    waiting->OnQueryDone = [&](TQueryThread *, TMemDataSet *) { delivered = true; };
    new TQueryThread(true, dataSet());
    EXPECT_FALSE(waiting->wait(500));  // its rows are read; it waits to hand them over
    QMetaObject::invokeMethod(qApp, [&] { eventTaken = true; }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(TQueryThread::StopAll(5000));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(TQueryThread::LiveCount(), 0);
    EXPECT_FALSE(eventTaken);
    QCoreApplication::processEvents();
    EXPECT_TRUE(eventTaken);
    EXPECT_FALSE(delivered);
}

}  // namespace
