// The dynamic tree loading synchronously: activation and its checks, the statements it runs, the
// nodes it builds, lazy expansion by the user's keys, rebuilds, and the failure rules.
#include "trees/TreeFixture.h"

#include "data/DatabaseError.h"
#include "trees/ChildSql.h"
#include "trees/DynamicTree.h"
#include "trees/TreeErrors.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DynamicTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        codes_ = std::make_unique<TScratchCodes>(SmallCodeTable());
        view_.resize(300, 400);
        view_.show();
        tree_.SetSqlTable({QStringLiteral("select id,pid,name,leaf from codes")});
        tree_.SetFieldId(QStringLiteral("id"));
        tree_.FieldPid = QStringLiteral("pid");
        tree_.FieldIsLeaf = QStringLiteral("leaf");
        tree_.ValueIsLeaf = QStringLiteral("0");
        tree_.FieldCaption = QStringLiteral("name");
        tree_.FieldText = QStringLiteral("name");
        tree_.SetTopVirNodeTitle(QStringLiteral("全部代码"));
        tree_.SetAdoConn(codes_->Conn());
        tree_.SetTreeView(&view_);
    }
    QStringList Trace() {
        QFile f(trace_);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void StartTrace() {
        trace_ = codes_->File() + QStringLiteral(".trace");
        ASSERT_TRUE(codes_->Manager().SetSqlTrace(trace_).Ok());
    }
    TTreeNode *Top() { return view_.FirstNode(); }
    static QStringList Texts(const TTreeNode *node) {
        QStringList texts;
        for (int i = 0; i < node->childCount(); ++i) texts << node->Child(i)->Text();
        return texts;
    }
    // The user selects the node and opens it with the right arrow key.
    void ExpandByKey(TTreeNode *node) {
        view_.SetSelected(node);
        QTest::keyClick(&view_, Qt::Key_Right);
    }

    TModuleApp app_;
    std::unique_ptr<TScratchCodes> codes_;
    TTreeView view_;
    TDynamicTree tree_;
    QString trace_;
};

TEST_F(DynamicTreeTest, ActivationChecksPropertiesInOrderAndLeavesTheViewAlone) {
    view_.AddChildObject(nullptr, new TTreeNode, QStringLiteral("untouched"), nullptr);
    auto expectFailure = [&](const QString &message) {
        try {
            tree_.SetActive(true);
            ADD_FAILURE() << "no failure for " << message.toStdString();
        } catch (const TExceptDynamicTree &e) {
            EXPECT_EQ(e.Message, message);
        }
        EXPECT_FALSE(tree_.Active());
        EXPECT_EQ(Top()->Text(), QStringLiteral("untouched"));
    };
    tree_.SetSqlTable({QStringLiteral("  "), QString()});
    tree_.FieldText = QStringLiteral(" ");
    expectFailure(QStringLiteral("没有指定SqlTable属性值！"));
    tree_.SetSqlTable({QStringLiteral("select id,pid,name,leaf from codes")});
    expectFailure(QStringLiteral("没有指定FieldText属性值！"));
    tree_.FieldText = QStringLiteral("name");
    codes_->Conn()->Close();
    expectFailure(QStringLiteral("指定的AdoConnection没有打开！"));
    tree_.SetTreeView(nullptr);
    expectFailure(QStringLiteral("没有指定TreeView属性值！"));
}

TEST_F(DynamicTreeTest, TopNodeChildrenPlaceholdersAndItemInfo) {
    tree_.SetActive(true);
    ASSERT_EQ(view_.NodeCount(), 1);
    TTreeNode *top = Top();
    EXPECT_EQ(top->Text(), QStringLiteral("全部代码"));
    const TItemInfo *topInfo = TDynamicTree::ItemInfoOf(top);
    EXPECT_EQ(topInfo->Kind, ikTopNode);
    EXPECT_EQ(topInfo->Caption, QStringLiteral("^_^"));
    EXPECT_EQ(topInfo->Pid, QStringLiteral("★"));
    EXPECT_TRUE(topInfo->Id.isEmpty());
    // aekTitleNode: the top node is selected and open.
    EXPECT_TRUE(top->Selected());
    EXPECT_TRUE(top->Expanded());
    EXPECT_EQ(Texts(top), (QStringList{"甲", "乙", "丙"}));
    EXPECT_EQ(Texts(top->Child(0)), QStringList{TDynamicTree::PlaceholderText()});
    EXPECT_EQ(top->Child(1)->childCount(), 0);  // a leaf gets no placeholder
    const TItemInfo *b = TDynamicTree::ItemInfoOf(top->Child(1));
    EXPECT_TRUE(b->IsLeaf);
    EXPECT_EQ(b->Id, QStringLiteral("B"));
    EXPECT_EQ(b->Node, top->Child(1));
    EXPECT_EQ(tree_.Placeholders().size(), 2u);
    EXPECT_EQ(TDynamicTree::ItemInfoOf(top->Child(0)->Child(0))->Kind, ikPlaceholder);

    // Writing true again does not reload; false then true rebuilds from the top node.
    const quint64 clears = view_.ClearCount();
    tree_.SetActive(true);
    EXPECT_EQ(view_.ClearCount(), clears);
    tree_.SetActive(false);
    EXPECT_EQ(view_.NodeCount(), 0);
    EXPECT_TRUE(tree_.Placeholders().empty());
    tree_.SetActive(true);
    EXPECT_EQ(Texts(Top()), (QStringList{"甲", "乙", "丙"}));
}

TEST_F(DynamicTreeTest, UserExpansionLoadsOnceWithTheExactStatement) {
    StartTrace();
    tree_.SetActive(true);
    TTreeNode *a = Top()->Child(0);
    ExpandByKey(a);
    EXPECT_TRUE(a->Expanded());
    EXPECT_EQ(Texts(a), (QStringList{"甲一", "甲二"}));
    ExpandByKey(a->Child(1));
    EXPECT_EQ(Texts(a->Child(1)), (QStringList{"甲二一", "甲二二"}));
    a->SetExpanded(false);
    ExpandByKey(a);  // loaded already: no query
    EXPECT_EQ(Trace(), (QStringList{
                           "select a.* from (select id,pid,name,leaf from codes) a where a.pid='' Order by a.id",
                           "select a.* from (select id,pid,name,leaf from codes) a where a.pid='A' Order by a.id",
                           "select a.* from (select id,pid,name,leaf from codes) a where a.pid='A2' Order by a.id"}));
}

TEST(ChildSqlTest, StatementTextsAndQuoting) {
    const QStringList table{QStringLiteral(" select id,pid,name from T"), QStringLiteral("where 1=1 ")};
    EXPECT_EQ(BuildChildSql(table, QStringLiteral(" pid "), QStringLiteral("id"), QStringLiteral("01")),
              QStringLiteral("select a.* from (select id,pid,name from T\nwhere 1=1) a where a.pid='01' Order by a.id"));
    // A quote inside an id is doubled, never closes the literal.
    EXPECT_EQ(BuildChildSql({"select * from T"}, "pid", "", "A'B"),
              QStringLiteral("select a.* from (select * from T) a where a.pid='A''B'"));
    EXPECT_EQ(BuildChildSql({"select * from T"}, "Piid", "id", "x"),
              QStringLiteral("select a.* from (select * from T) a  Order by a.id"));
    EXPECT_EQ(BuildChildSql({"select * from T"}, "piid", "", "x"),
              QStringLiteral("select a.* from (select * from T) a where a.piid='x'"));
    EXPECT_EQ(TrimText(QStringLiteral("\t a b\r\n")), QStringLiteral("a b"));
}

TEST_F(DynamicTreeTest, FieldIdOverwritesOrderAndQuotedIdsLoad) {
    TScratchCodes quoted({{"A'B", "", "引号", "1"}, {"X", "A'B", "子", "0"}});
    tree_.SetAdoConn(quoted.Conn());
    tree_.FieldOrderBy = QStringLiteral("name");
    tree_.SetFieldId(QStringLiteral("id"));
    EXPECT_EQ(tree_.FieldOrderBy, QStringLiteral("id"));
    tree_.SetActive(true);
    ExpandByKey(Top()->Child(0));
    EXPECT_EQ(Texts(Top()->Child(0)), QStringList{"子"});
}

TEST_F(DynamicTreeTest, TitleAndConnectionWritesRebuildOrDeactivate) {
    tree_.SetActive(true);
    quint64 clears = view_.ClearCount();
    tree_.SetTopVirNodeTitle(QStringLiteral("全部代码"));
    EXPECT_EQ(view_.ClearCount(), clears);
    tree_.SetTopVirNodeTitle(QStringLiteral("新标题"));
    EXPECT_TRUE(tree_.Active());
    EXPECT_EQ(Top()->Text(), QStringLiteral("新标题"));
    TScratchCodes other(SmallCodeTable());
    tree_.SetAdoConn(other.Conn());
    EXPECT_FALSE(tree_.Active());
    EXPECT_EQ(view_.NodeCount(), 0);
    tree_.SetTopVirNodeTitle(QStringLiteral("再改"));
    EXPECT_FALSE(tree_.Active());
}

struct TTaggedInfo : TItemInfo {
    int Tag = 42;
};

TEST_F(DynamicTreeTest, EventsNodeTextsAndItemInfoClass) {
    QStringList after;
    tree_.OnBeforAddNode = [](QObject *, const TFields *fields, TNodeItem *node, TItemInfoClass &cls) {
        cls = &CreateItemInfo<TTaggedInfo>;
        if (fields && fields->FieldByName("id").AsString() == QLatin1String("A2")) node->SetText("自定");
    };
    tree_.OnAfterAddNode = [&](QObject *, const TFields *fields, TNodeItem *node, TItemInfo *info) {
        EXPECT_EQ(node->treeWidget(), &view_);
        EXPECT_EQ(dynamic_cast<TTaggedInfo *>(info)->Tag, 42);
        after << (fields ? info->Id : QStringLiteral("top"));
    };
    tree_.SetActive(true);
    EXPECT_EQ(Texts(Top()), (QStringList{"甲", "乙", "丙"}));
    // Emptied after activation: later rows read "caption(id)"; a handler's text stays.
    tree_.FieldText.clear();
    ExpandByKey(Top()->Child(0));
    EXPECT_EQ(after, (QStringList{"top", "A", "B", "C", "A1", "A2"}));
    EXPECT_EQ(Texts(Top()->Child(0)), (QStringList{"甲一(A1)", "自定"}));
    EXPECT_NE(dynamic_cast<TTaggedInfo *>(TDynamicTree::ItemInfoOf(Top()->Child(0)->Child(1)->Child(0))), nullptr);
}

TEST_F(DynamicTreeTest, LeafComparisonIsExact) {
    TScratchCodes odd({{"P", "", "空格", " 0"}, {"Q", "", "零", "0"}, {"R", "", "小写", "o"}});
    tree_.SetAdoConn(odd.Conn());
    tree_.SetActive(true);
    EXPECT_FALSE(TDynamicTree::ItemInfoOf(Top()->Child(0))->IsLeaf);
    EXPECT_TRUE(TDynamicTree::ItemInfoOf(Top()->Child(1))->IsLeaf);
    EXPECT_EQ(Top()->Child(0)->childCount(), 1);
    EXPECT_EQ(Top()->Child(1)->childCount(), 0);
}

TEST_F(DynamicTreeTest, FailuresDropRowsOrLeaveAnEmptyActiveTree) {
    // Rows without the leaf column are dropped one by one; the top node stays.
    tree_.FieldIsLeaf = QStringLiteral("nosuch");
    tree_.SetActive(true);
    EXPECT_TRUE(tree_.Active());
    ASSERT_EQ(view_.NodeCount(), 1);
    EXPECT_EQ(Top()->childCount(), 0);
    // A failing top-level query leaves an empty view, still active.
    tree_.SetActive(false);
    tree_.FieldIsLeaf = QStringLiteral("leaf");
    tree_.SetSqlTable({QStringLiteral("select * from nosuchtable")});
    tree_.SetActive(true);
    EXPECT_TRUE(tree_.Active());
    EXPECT_EQ(view_.NodeCount(), 0);
}

TEST_F(DynamicTreeTest, FailingChildQueryGoesToTheApplicationAndIsNotRetried) {
    std::vector<QString> shown;
    app_.App.OnException = [&](QObject *, const Exception &e) { shown.push_back(e.Message); };
    tree_.SetActive(true);
    // The table goes away under the open connection: the user's expansion fails.
    TScratchCodes broken(SmallCodeTable(), {QStringLiteral("create view v as select * from codes")});
    tree_.SetActive(false);
    tree_.SetAdoConn(broken.Conn());
    tree_.SetSqlTable({QStringLiteral("select id,pid,name,leaf from v")});
    tree_.SetActive(true);
    QSqlQuery drop(broken.Conn()->Database());
    ASSERT_TRUE(drop.exec(QStringLiteral("drop view v")));
    TTreeNode *a = Top()->Child(0);
    ExpandByKey(a);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("SQL"))) << shown[0].toStdString();
    EXPECT_EQ(a->childCount(), 0);
    EXPECT_TRUE(static_cast<TNodeItem *>(a)->ChildrenLoaded);
    EXPECT_TRUE(tree_.Active());
}

TEST_F(DynamicTreeTest, ClosedConnectionEmptiesTheViewOnTheNextExpansion) {
    std::vector<QString> shown;
    app_.App.OnException = [&](QObject *, const Exception &e) { shown.push_back(e.Message); };
    tree_.SetActive(true);
    codes_->Conn()->Close();
    ExpandByKey(Top()->Child(0));  // the guard fails inside the view's own expansion notice
    EXPECT_FALSE(tree_.Active());
    EXPECT_EQ(view_.NodeCount(), 0);
    EXPECT_TRUE(shown.empty());
    // The view is still usable afterwards.
    view_.AddChildObject(nullptr, new TTreeNode, QStringLiteral("again"), nullptr);
    view_.repaint();
    EXPECT_EQ(view_.NodeCount(), 1);
}

// The connection goes away in the middle of a load (from a handler between two rows, and with
// LoadAll while a child's own load runs inside its parent's row loop): the view is emptied and
// the tree stops, nothing of the dropped nodes is touched again.
TEST_F(DynamicTreeTest, DeactivationInsideTheRowLoopLeavesASafeView) {
    int added = 0;
    tree_.OnAfterAddNode = [&](QObject *, const TFields *fields, TNodeItem *, TItemInfo *) {
        if (fields && ++added == 2) codes_->Conn()->Close();
    };
    tree_.SetActive(true);
    EXPECT_FALSE(tree_.Active());
    EXPECT_EQ(view_.NodeCount(), 0);
    codes_->Conn()->Open();
    added = -3;  // the top level loads; the close comes inside the deepest load
    tree_.SetLoadAll(true);
    tree_.SetActive(true);
    EXPECT_FALSE(tree_.Active());
    EXPECT_EQ(view_.NodeCount(), 0);
    EXPECT_TRUE(tree_.Placeholders().empty());
}

TEST_F(DynamicTreeTest, LoadAllLoadsEveryLevelAndStopsAtLoops) {
    tree_.SetActive(true);
    tree_.SetLoadAll(true);
    EXPECT_TRUE(tree_.Placeholders().empty());
    EXPECT_EQ(Texts(Top()->Child(0)->Child(1)), (QStringList{"甲二一", "甲二二"}));
    // A parent id that loops back to an ancestor: each id is loaded once on a branch.
    TScratchCodes loop({{"L1", "", "环一", "1"}, {"L2", "L1", "环二", "1"}, {"L1", "L2", "环一again", "1"}});
    tree_.SetAdoConn(loop.Conn());
    tree_.SetActive(true);
    TTreeNode *l1 = Top()->Child(0);
    ASSERT_EQ(Texts(l1), QStringList{"环二"});
    ASSERT_EQ(Texts(l1->Child(0)), QStringList{"环一again"});
    EXPECT_EQ(l1->Child(0)->Child(0)->childCount(), 0);
}

TEST_F(DynamicTreeTest, AutoExpandKinds) {
    tree_.SetAutoExpandKind(aekNone);
    tree_.SetActive(true);
    EXPECT_FALSE(Top()->Expanded());
    tree_.SetAutoExpandKind(aekFirstLeaf);
    TTreeNode *a1 = Top()->Child(0)->Child(0);
    EXPECT_EQ(a1->Text(), QStringLiteral("甲一"));
    EXPECT_TRUE(a1->Selected());
    EXPECT_TRUE(Top()->Child(0)->Expanded());
    // Title-node expansion on an empty view does nothing.
    tree_.SetSqlTable({QStringLiteral("select * from nosuchtable")});
    tree_.SetActive(false);
    tree_.SetActive(true);
    tree_.SetAutoExpandKind(aekTitleNode);
    EXPECT_EQ(view_.NodeCount(), 0);
}

TEST_F(DynamicTreeTest, TenThousandChildrenUnderOneNode) {
    QList<TScratchRow> rows{{"P", "", "大单位", "1"}};
    for (int i = 0; i < 10000; ++i)
        rows.append({QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0')), "P", QStringLiteral("下级%1").arg(i), "0"});
    TScratchCodes big(rows);
    tree_.SetAdoConn(big.Conn());
    tree_.SetActive(true);
    ExpandByKey(Top()->Child(0));
    EXPECT_EQ(Top()->Child(0)->childCount(), 10000);
    EXPECT_EQ(Top()->Child(0)->Child(9999)->Text(), QStringLiteral("下级9999"));
}

TEST_F(DynamicTreeTest, DestroyedViewOrConnectionDeactivates) {
    auto view = std::make_unique<TTreeView>();
    int savedCalls = 0;
    view->OnExpanding = [&](QObject *, TTreeNode *, bool &) { ++savedCalls; };
    tree_.SetTreeView(view.get());
    tree_.SetActive(true);
    EXPECT_GT(savedCalls, 0);  // the handler found on the view is chained
    view.reset();
    EXPECT_EQ(tree_.TreeView(), nullptr);
    EXPECT_FALSE(tree_.Active());
    tree_.SetTreeView(&view_);
    tree_.SetActive(true);
    {
        auto conn = std::unique_ptr<TAdoConn>(codes_->Manager().CreateConnection());
        conn->Open();
        tree_.SetAdoConn(conn.get());
    }
    EXPECT_EQ(tree_.AdoConn(), nullptr);
    // A tree destroyed while active gives its view back its own handler, emptied.
    auto tree = std::make_unique<TDynamicTree>();
    tree->SetSqlTable(tree_.SqlTable());
    tree->SetFieldId("id");
    tree->FieldPid = "pid", tree->FieldIsLeaf = "leaf", tree->FieldCaption = "name", tree->FieldText = "name";
    tree->SetAdoConn(codes_->Conn());
    tree->SetTreeView(&view_);
    tree->SetActive(true);
    EXPECT_EQ(view_.NodeCount(), 1);
    tree.reset();
    EXPECT_EQ(view_.NodeCount(), 0);
    EXPECT_FALSE(static_cast<bool>(view_.OnExpanding));
}

}  // namespace
