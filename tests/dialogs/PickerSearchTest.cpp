// The pickers' search box: what the code index finds and the path it opens, and the box on the
// demo database, typed into with real keys: matches shown with their branches (loaded for the
// search), the rest hidden, Up/Down/Enter/Esc, and what the dialogs hand back.
#include "data/DemoDb.h"
#include "dialogs/CodeIndex.h"
#include "dialogs/DataTree.h"
#include "dialogs/PickerScript.h"
#include "dialogs/PickerSearch.h"
#include "trees/StateImages.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(CodeIndexTest, FindsCodePrefixesAndNamePartsInCodeOrderAndWalksUpToTheTop) {
    const TCodeIndex index({{"0102", "01", "Beta 学前"},
                            {"01", "", "alpha"},
                            {"0101", "01", "学前教育"},
                            {"02", "", "其他"},
                            {"x1", "x2", "loop"},
                            {"x2", "x1", "loop"}});
    EXPECT_EQ(index.Find(" 01 ", 10).Ids, (QStringList{"01", "0101", "0102"}));
    EXPECT_EQ(index.Find("学前", 10).Ids, (QStringList{"0101", "0102"}));
    EXPECT_EQ(index.Find("BETA", 10).Ids, QStringList{"0102"});
    const TCodeIndex::TFound capped = index.Find("0", 2);
    EXPECT_EQ(capped.Ids, (QStringList{"01", "0101"}));
    EXPECT_EQ(capped.Total, 4);
    EXPECT_EQ(index.Find("  ", 10).Total, 0);
    EXPECT_EQ(index.PathTo("0102"), (QStringList{"01", "0102"}));
    EXPECT_EQ(index.PathTo("zz"), QStringList{});
    EXPECT_EQ(index.PathTo("x1"), (QStringList{"x2", "x1"}));
    EXPECT_EQ(CodeIndexSql({" select id,pid,name from t ", ""}),
              "select a.id as id,a.pid as pid,a.name as name from (select id,pid,name from t) a");
}

bool Eventually(const std::function<bool()> &done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QStringList Codes(const QList<TTreeNode *> &nodes) {
    QStringList codes;
    for (const TTreeNode *n : nodes) codes << TPickerUser::Code(n);
    return codes;
}

// Types the text into the search box and waits for its count.
void Search(TgfrmSelectElement *d, const QString &text) {
    QLineEdit *box = d->Search->Box();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    // Chinese comes as an input method's commit, as it does from a user's input method.
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, c.toLatin1());
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(QString(c));
        QApplication::sendEvent(box, &commit);
    }
    ASSERT_TRUE(Eventually([&] { return !d->Search->CountText().isEmpty() && d->Search->CountText() != "正在读取…"; }));
}

class PickerSearchTest : public TBackendTest {
protected:
    TModuleApplication app;
};

TEST_P(PickerSearchTest, TheDataTreeFindsCodesOfUnopenedBranchesAndEnterTicksThem) {
    QStringList second;
    TPickerScript script([&](TgfrmSelectElement *d) {
        TPickerUser u(d);
        ASSERT_EQ(u.Find("2050201"), nullptr);  // its branch was never opened
        QTest::keyClick(d, Qt::Key_F, Qt::ControlModifier);
        Search(d, "学前");
        EXPECT_EQ(d->Search->CountText(), "找到 1 项");
        TTreeNode *pre = u.Find("2050201");
        ASSERT_NE(pre, nullptr);
        EXPECT_FALSE(pre->isHidden());
        EXPECT_TRUE(u.Find("205")->Expanded() && u.Find("20502")->Expanded());
        EXPECT_TRUE(u.Find("201")->isHidden());
        EXPECT_TRUE(u.Find("2050202")->isHidden());
        SaveScreenshot(d, QStringLiteral("picker-search"));
        QTest::keyClick(d->Search->Box(), Qt::Key_Return);
        EXPECT_EQ(pre->StateIndex(), spTicked);

        Search(d, "行政运行");
        EXPECT_EQ(d->Search->CountText(), "找到 12 项");
        const QList<TTreeNode *> matches = d->Search->Matches();
        ASSERT_EQ(matches.size(), 12);
        EXPECT_EQ(u.View->Selected(), matches[0]);
        QTest::keyClick(d->Search->Box(), Qt::Key_Down);
        QTest::keyClick(d->Search->Box(), Qt::Key_Down);
        QTest::keyClick(d->Search->Box(), Qt::Key_Up);
        EXPECT_EQ(u.View->Selected(), matches[1]);
        QTest::keyClick(d->Search->Box(), Qt::Key_Enter);
        second = Codes({matches[1]});

        Search(d, "无此名称");
        EXPECT_EQ(d->Search->CountText(), "未找到");
        EXPECT_TRUE(d->Search->Matches().isEmpty());
        // Esc empties the box (the dialog stays) and the whole tree shows again.
        QTest::keyClick(d->Search->Box(), Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        EXPECT_FALSE(u.Find("201")->isHidden() || u.Find("2050202")->isHidden());
        EXPECT_EQ(d->Search->CountText(), "");
        u.Confirm();
    });
    QStringList list;
    EXPECT_TRUE(ShowDataTreeDialog(list, "2"));
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(list, (QStringList{"2050201@学前教育", second[0] + "@行政运行"}));
}

TEST_P(PickerSearchTest, TheUnitPickerChoosesTheHighlightedMatchOnEnter) {
    ctx_->Unit.Set(0, "001001");
    QStringList shown;
    TPickerScript script([&](TgfrmSelectElement *d) {
        QTest::keyClick(d, Qt::Key_F, Qt::ControlModifier);
        EXPECT_TRUE(d->Search->Box()->hasFocus());
        Search(d, "幼儿");
        shown = Codes(d->Search->Matches());
        QTest::keyClick(d->Search->Box(), Qt::Key_Down);
        shown << TPickerUser::Code(d->trvBottom->Selected());
        QTest::keyClick(d->Search->Box(), Qt::Key_Return);
    });
    QString code = "c", name = "n", text = "t";
    EXPECT_TRUE(SelectBudgetUnit(code, name, text, true, true, 2010));
    EXPECT_EQ(shown, (QStringList{"001007", "001007001", "001007002", "001007001"}));
    EXPECT_EQ(code + "|" + name, "001007001|市机关幼儿园");
}

AUTHPAY_ON_BOTH_BACKENDS(PickerSearchTest);

}  // namespace
