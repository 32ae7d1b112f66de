// The check tree on a real tree view, driven by mouse and keyboard input as a user drives it:
// what toggles a node and what does not, how a change travels down to the descendants and up to
// the ancestors, vetoes and failures of the owner's handlers, the node hint, the chain of
// application-wide message filters, and what the state pictures look like.
#include "platform/TreeView.h"
#include "trees/CheckTree.h"
#include "trees/StateImages.h"
#include "trees/TreeErrors.h"
#include "trees/TreeFixture.h"

#include <QHash>
#include <QImage>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The data tree dialog's set-up: 1 shows an empty box, 3 a ticked one, 2 a partly ticked one;
// 4 (an open folder) and 0 (no picture) carry no check box.
constexpr int E = 1, G = 2, C = 3, Folder = 4;

using Log = std::vector<std::string>;
using Ints = std::vector<int>;

std::string Utf8(const QString &s) { return s.toStdString(); }

class CheckTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        view->SetStateImages(StatePictures());
        view->resize(300, 300);
        tree->SetStateIdxChecked(C);
        tree->SetStateIdxGrayed(G);
        tree->TreeViewWindow = view.get();
        tree->Active = true;
        // Each change as "node relation present>new", kinds as e(mpty), c(hecked), g(rayed).
        tree->OnChangeStateIndex = [this](QObject *, TTreeNode *node, TRelationKind relation, TCheckKind cur,
                                          TCheckKind will, bool &change) {
            static const char *const relations[] = {"clk", "cld", "par"};
            changes.push_back(Utf8(node->Text()) + ' ' + relations[relation] + ' ' + "ecgn"[cur] + '>' + "ecgn"[will]);
            if (node->Text() == failAt) throw TExceptCheckTree(QStringLiteral("处理失败"));
            if (vetoed.contains(node->Text())) change = false;
        };
        tree->OnBeforClickTreeNode = [this](QObject *, TTreeNode *node, bool &handled) {
            clicks.push_back(node ? Utf8(node->Text()) : "-");
            handled = takeOver;
        };
    }

    // (text, parent text or "" for a root, state index), parents first; then the view is shown.
    void Build(std::initializer_list<std::tuple<const char *, const char *, int>> rows) {
        for (const auto &[text, parent, index] : rows) {
            TTreeNode *node = view->AddChildObject(*parent ? nodes.value(parent) : nullptr, new TTreeNode, text, nullptr);
            node->SetStateIndex(index);
            nodes.insert(text, node);
        }
        view->expandAll();
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    Ints Idx(std::initializer_list<const char *> texts) const {
        Ints out;
        for (const char *t : texts) out.push_back(nodes.value(t)->StateIndex());
        return out;
    }
    QPoint Icon(const char *text) const { return view->StateIconRect(nodes.value(text)).center(); }
    QPoint Label(const char *text) const {
        return {view->StateIconRect(nodes.value(text)).right() + 14, view->visualItemRect(nodes.value(text)).center().y()};
    }
    void Click(const char *text) { QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Icon(text)); }
    Log Take() { return std::exchange(changes, {}); }

    TModuleApp app;  // first: the check tree hooks the application's filter when it is created
    std::unique_ptr<TTreeView> view = std::make_unique<TTreeView>();
    std::unique_ptr<TCheckTree> tree = std::make_unique<TCheckTree>();  // destroyed before the view
    QHash<QString, TTreeNode *> nodes;
    Log changes, clicks;
    QStringList vetoed;
    QString failAt;
    bool takeOver = false;
};

TEST_F(CheckTreeTest, StateIndexBelowOneIsRefusedAndTheOldValueKept) {
    try {
        tree->SetStateIdxChecked(0);
        ADD_FAILURE() << "no exception";
    } catch (const TExceptCheckTree &e) {
        EXPECT_EQ(Utf8(e.Message), "StateIdxChecked属性的值必须大于0");
    }
    EXPECT_EQ(tree->StateIdxChecked(), C);
    EXPECT_THROW(tree->SetStateIdxEmpty(-1), TExceptCheckTree);
    EXPECT_EQ(tree->StateIdxEmpty(), E);
}

TEST_F(CheckTreeTest, LeftPressOnTheStatePictureTogglesOnceAndAtOnceTextAndRightPressDoNot) {
    Build({{"收入", "", E}, {"支出", "", E}});
    // The first press also brings up the first hint window: still a single toggle.
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, Icon("支出"));
    EXPECT_EQ(Idx({"支出"}), Ints{C});  // before the button comes up
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, Icon("支出"));
    QCoreApplication::processEvents();
    EXPECT_EQ(Idx({"支出"}), Ints{C});
    Click("支出");
    EXPECT_EQ(Idx({"支出"}), Ints{E});

    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, Icon("收入"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Label("收入"));
    EXPECT_EQ(view->Selected(), nodes["收入"]);  // the view still handles the click itself
    EXPECT_EQ(Idx({"收入", "支出"}), (Ints{E, E}));
    // An owner that takes the click over is left to do it.
    takeOver = true;
    Click("收入");
    EXPECT_EQ(Idx({"收入"}), Ints{E});
    EXPECT_EQ(clicks, (Log{"支出", "支出", "收入"}));
    EXPECT_EQ(Take(), (Log{"支出 clk e>c", "支出 clk c>e"}));
}

TEST_F(CheckTreeTest, SpaceTogglesTheSelectedNodeWhenReleasedAndOnlyWithoutModifiers) {
    Build({{"收入", "", E}, {"支出", "", E}});
    view->SetSelected(nodes["支出"]);
    QTest::keyPress(view.get(), Qt::Key_Space);
    EXPECT_EQ(Idx({"支出"}), Ints{E});  // the key is still down
    QTest::keyRelease(view.get(), Qt::Key_Space);
    EXPECT_EQ(Idx({"支出"}), Ints{C});
    for (Qt::KeyboardModifier held : {Qt::ControlModifier, Qt::AltModifier, Qt::ShiftModifier})
        QTest::keyClick(view.get(), Qt::Key_Space, held);
    EXPECT_EQ(Idx({"收入", "支出"}), (Ints{E, C}));

    view->SetSelected(nullptr);
    ASSERT_EQ(view->Selected(), nullptr);
    QTest::keyClick(view.get(), Qt::Key_Space);  // the owner hears of it, with no node
    EXPECT_EQ(clicks, (Log{"支出", "-"}));
    EXPECT_EQ(Take(), (Log{"支出 clk e>c"}));
    EXPECT_EQ(Idx({"收入", "支出"}), (Ints{E, C}));
}

TEST_F(CheckTreeTest, AClickedGrayedNodeIsCheckedWithEveryDescendantThatHasACheckBox) {
    Build({{"全部", "", G}, {"工资", "全部", C}, {"公用", "全部", E}, {"办公", "公用", E},
           {"往来", "全部", Folder}, {"暂付", "往来", E}, {"无框", "全部", 0}, {"其下", "无框", E}});
    Click("全部");
    EXPECT_EQ(Idx({"全部", "工资", "公用", "办公", "往来", "暂付", "无框", "其下"}), (Ints{C, C, C, C, Folder, E, 0, E}));
    // Depth first; a child that already has the state is still asked; nodes without a box are not.
    EXPECT_EQ(Take(), (Log{"全部 clk g>c", "工资 cld c>c", "公用 cld e>c", "办公 cld e>c"}));
    Click("全部");
    EXPECT_EQ(Idx({"全部", "工资", "公用", "办公", "往来", "暂付", "无框", "其下"}), (Ints{E, E, E, E, Folder, E, 0, E}));
    Take();

    // A folder is clicked like any node, but neither it nor a node without a picture changes.
    Click("往来");
    tree->ToggleNode(nodes["无框"]);
    EXPECT_EQ(clicks.back(), "往来");
    EXPECT_EQ(Idx({"往来", "无框"}), (Ints{Folder, 0}));
    EXPECT_TRUE(Take().empty());
}

TEST_F(CheckTreeTest, AncestorsFollowWhatTheirChildrenCallFor) {
    Build({{"总", "", E}, {"甲", "总", E}, {"甲一", "甲", E}, {"甲二", "甲", E}, {"甲夹", "甲", Folder},
           {"乙", "总", E}, {"乙一", "乙", E}});
    Click("甲一");  // one of several empty children
    EXPECT_EQ(Idx({"甲", "总"}), (Ints{G, G}));
    EXPECT_EQ(Take(), (Log{"甲一 clk e>c", "甲 par e>g", "总 par e>g"}));
    Click("甲一");  // the only checked child of a grayed parent
    EXPECT_EQ(Idx({"甲", "总"}), (Ints{E, E}));
    EXPECT_EQ(Take(), (Log{"甲一 clk c>e", "甲 par g>e", "总 par g>e"}));
    Click("乙一");  // an only child
    EXPECT_EQ(Idx({"乙", "总"}), (Ints{C, G}));
    EXPECT_EQ(Take(), (Log{"乙一 clk e>c", "乙 par e>c", "总 par e>g"}));
    // The folder among 甲's children does not count; 总 is asked only once it has to change.
    Click("甲一");
    Click("甲二");
    EXPECT_EQ(Idx({"甲", "总", "甲夹"}), (Ints{C, C, Folder}));
    EXPECT_EQ(Take(), (Log{"甲一 clk e>c", "甲 par e>g", "甲二 clk e>c", "甲 par g>c", "总 par g>c"}));
}

TEST_F(CheckTreeTest, VetoesStopTheClickTheSubtreeOrTheWalkUpwards) {
    Build({{"顶", "", E}, {"根", "顶", E}, {"甲", "根", E}, {"甲一", "甲", E}, {"乙", "根", E}, {"乙一", "乙", E}});
    vetoed = {"根"};
    Click("根");
    EXPECT_EQ(Take(), (Log{"根 clk e>c"}));
    EXPECT_EQ(Idx({"顶", "根", "甲", "甲一", "乙", "乙一"}), (Ints{E, E, E, E, E, E}));

    vetoed = {"甲"};  // its subtree is left alone, its sibling still goes, the ancestors follow
    Click("根");
    EXPECT_EQ(Take(), (Log{"根 clk e>c", "甲 cld e>c", "乙 cld e>c", "乙一 cld e>c", "顶 par e>c"}));
    EXPECT_EQ(Idx({"顶", "根", "甲", "甲一", "乙", "乙一"}), (Ints{C, C, E, E, C, C}));

    vetoed = {"根"};  // an ancestor refuses: nobody above it is asked
    Click("乙一");
    EXPECT_EQ(Take(), (Log{"乙一 clk c>e", "乙 par c>e", "根 par c>e"}));
    EXPECT_EQ(Idx({"顶", "根", "乙", "乙一"}), (Ints{C, C, E, E}));
}

TEST_F(CheckTreeTest, WithCheckedAndGrayedSharingAnIndexThatIndexCountsAsGrayed) {
    Build({{"父", "", C}, {"子", "父", E}});
    tree->SetStateIdxGrayed(C);
    EXPECT_EQ(tree->StateIdxToCheckKind(C), ckGrayed);
    Click("父");
    EXPECT_EQ(Take(), (Log{"父 clk g>g", "子 cld e>g"}));
    EXPECT_EQ(Idx({"父", "子"}), (Ints{C, C}));
}

TEST_F(CheckTreeTest, TheNodeUnderTheMouseShowsItsTextAsHint) {
    Build({{"收入", "", E}, {"支出", "", E}});
    view->SetHint(QStringLiteral("树的提示"));
    QTest::mouseMove(view->viewport(), Label("支出"));
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }));
    // The hint is plain text, handed to Qt so that no markup in a name is drawn as such.
    EXPECT_EQ(Utf8(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText()), "支出");
    EXPECT_EQ(Utf8(view->Hint()), "树的提示");  // the view's own hint is back in place
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));

    QTest::mouseMove(view->viewport(), {150, 280});  // below the last node
    QTest::qWait(20);
    EXPECT_FALSE(QToolTip::isVisible());
    tree->NodeTextAsHint = false;
    QTest::mouseMove(view->viewport(), Label("收入"));
    QTest::qWait(20);
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_EQ(Utf8(view->Hint()), "树的提示");
}

// The hint goes beside the text on the node's own row: the check box of the row below (a child's,
// further right) stays free to be clicked.
TEST_F(CheckTreeTest, ANodesHintLeavesTheNextRowsBoxFree) {
    Build({{"一般公共预算", "", E}, {"子", "一般公共预算", E}});
    QTest::mouseMove(view->viewport(), Label("一般公共预算"));
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }));
    QWidget *tip = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible()) tip = top;
    ASSERT_TRUE(tip);
    const QRect nextBox = view->StateIconRect(nodes.value("子")).translated(view->viewport()->mapToGlobal(QPoint()));
    EXPECT_FALSE(tip->geometry().intersects(nextBox)) << tip->geometry().x() << "," << tip->geometry().y() << " box "
                                                       << nextBox.x() << "," << nextBox.y();
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
}

TEST_F(CheckTreeTest, InactiveTreesPassInputOnAndEachTreePutsBackTheFilterItFound) {
    Build({{"收入", "", E}});
    tree.reset();
    int presses = 0;  // the filter that was there before any check tree
    app.App.SetOnMessage([&](QObject *receiver, QEvent *event, bool &) {
        presses += receiver == view->viewport() && event->type() == QEvent::MouseButtonPress;
    });
    auto a = std::make_unique<TCheckTree>();  // indexes as made: 1 empty, 2 checked
    a->TreeViewWindow = view.get();
    Click("收入");
    EXPECT_EQ(Idx({"收入"}), Ints{E});  // not active yet
    a->Active = true;
    auto b = std::make_unique<TCheckTree>();
    b->TreeViewWindow = view.get();  // inactive: hands everything on to A
    Click("收入");
    EXPECT_EQ(Idx({"收入"}), Ints{2});
    b.reset();
    Click("收入");
    EXPECT_EQ(Idx({"收入"}), Ints{E});
    a.reset();
    Click("收入");
    EXPECT_EQ(Idx({"收入"}), Ints{E});
    EXPECT_EQ(presses, 4);
    app.App.SetOnMessage(nullptr);  // it reads the view, which goes before the application object
}

TEST_F(CheckTreeTest, AFailingHandlerReachesTheApplicationAndEarlierChangesStay) {
    Build({{"顶", "", E}, {"根", "顶", E}, {"甲", "根", E}, {"甲一", "甲", E}, {"乙", "根", E}, {"乙一", "乙", E}});
    Log failures;
    QObject *sender = nullptr;
    app.App.OnException = [&](QObject *s, const Exception &e) { failures.push_back(Utf8(e.Message)); sender = s; };
    failAt = QStringLiteral("乙");
    Click("根");  // the failure must not unwind through the event delivery
    EXPECT_EQ(failures, Log{"处理失败"});
    EXPECT_EQ(sender, tree.get());
    EXPECT_EQ(Idx({"根", "甲", "甲一", "乙", "乙一", "顶"}), (Ints{C, C, C, E, E, E}));
    failAt.clear();
    Click("乙一");  // the tree still listens
    EXPECT_EQ(Idx({"乙", "乙一"}), (Ints{C, C}));
}

TEST_F(CheckTreeTest, PicturesShowTickedPartlyTickedEmptyAndFolderNodes) {
    Build({{"全部支出", "", E}, {"基本支出", "全部支出", E}, {"工资福利", "基本支出", E}, {"商品服务", "基本支出", E},
           {"项目支出", "全部支出", E}, {"专项业务", "项目支出", E}, {"设备购置", "项目支出", E},
           {"往来款项", "全部支出", Folder}, {"暂付款", "往来款项", E}});
    Click("基本支出");
    Click("专项业务");
    EXPECT_EQ(Idx({"全部支出", "基本支出", "商品服务", "项目支出", "设备购置"}), (Ints{G, C, C, G, E}));
    view->setCurrentItem(nullptr);
    const QImage img = view->grab().toImage();
    // Pixels of one colour family inside a node's picture.
    auto count = [&](const char *text, auto match) {
        const QRect r = view->StateIconRect(nodes.value(text)).translated(view->viewport()->pos());
        const qreal dpr = img.devicePixelRatio();
        int n = 0;
        for (int y = int(r.top() * dpr); y <= int(r.bottom() * dpr); ++y)
            for (int x = int(r.left() * dpr); x <= int(r.right() * dpr); ++x) n += match(img.pixelColor(x, y));
        return n;
    };
    auto green = [](QColor c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; };
    auto grey = [](QColor c) { return qAbs(c.red() - 0xc8) < 10 && c.red() == c.green() && c.green() == c.blue(); };
    auto yellow = [](QColor c) { return c.red() > 200 && c.green() > 150 && c.blue() < 150; };
    EXPECT_GT(count("基本支出", green), 8);
    EXPECT_EQ(count("设备购置", green), 0);
    EXPECT_EQ(count("全部支出", green), 0);  // the partly ticked box ticks in grey on grey
    EXPECT_GT(count("全部支出", grey), 20);
    EXPECT_EQ(count("设备购置", grey), 0);
    EXPECT_GT(count("往来款项", yellow), 20);
    EXPECT_EQ(count("暂付款", yellow), 0);
    if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
        img.save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + "/check-tree.png");
}

}  // namespace
