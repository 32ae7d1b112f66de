// The data tree dialog on the demo database: codes ticked and unticked by clicks on their check
// boxes, what each way out hands back, and which codes each kind offers the user.
#include "data/DemoDb.h"
#include "dialogs/DataTree.h"
#include "dialogs/PickerScript.h"
#include "platform/PlatformErrors.h"
#include "trees/StateImages.h"

#include <gtest/gtest.h>

namespace {

class DataTreeTest : public TBackendTest {
protected:
    TModuleApplication app;
    QStringList list{"stale@entry"};
};

TEST_P(DataTreeTest, TicksAreListedInTheOrderTheyWereMade) {
    TPickerScript script([](TgfrmSelectElement *d) {
        TPickerUser u(d);
        EXPECT_EQ(d->windowTitle() + ":" + u.View->FirstNode()->Text(), "预算科目:预算科目");
        TTreeNode *a = u.Reach("2050101"), *b = u.Reach("2050201");
        u.Tick(a);
        u.Tick(b);
        u.Tick(a);
        u.Tick(u.Reach("2010101"));
        u.Tick(a);
        // Bottom-level codes alone carry a check box: a folder's picture changes nothing.
        TTreeNode *folder = u.Find("20501");
        u.Tick(folder);
        EXPECT_EQ(folder->StateIndex(), spOpenFolder);
        u.DoubleClick(b);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(u.View->Selected(), b);
        EXPECT_EQ(QList<int>({a->StateIndex(), b->StateIndex()}), QList<int>({spTicked, spTicked}));
        SaveScreenshot(d, QStringLiteral("data-tree-subjects"));
        u.Confirm();
    });
    EXPECT_TRUE(ShowDataTreeDialog(list, "2"));
    EXPECT_EQ(list, (QStringList{"2050201@学前教育", "2010101@行政运行", "2050101@行政运行"}));
    EXPECT_FALSE(PickerAlive());
}

TEST_P(DataTreeTest, EscAndTheCloseBoxKeepTheTicksTheCloseButtonDropsThem) {
    QList<QStringList> lists;
    for (auto leave : {&TPickerUser::Escape, &TPickerUser::CloseBox, &TPickerUser::CloseButton}) {
        TPickerScript script([&](TgfrmSelectElement *d) {
            TPickerUser u(d);
            u.Tick(u.Reach("0101"));
            u.Tick(u.Reach("030102"));
            (u.*leave)();
        });
        EXPECT_TRUE(ShowDataTreeDialog(list, "1"));
        lists << list;
    }
    const QStringList ticked{"0101@基本工资", "030102@校舍维修改造"};
    EXPECT_EQ(lists, (QList<QStringList>{ticked, ticked, {}}));
}

// Single-expand: opening a branch folds every open branch that does not lead to it, those opened
// on the way down included; the ticks made there stay.
TEST_P(DataTreeTest, OpeningABranchFoldsEveryOtherOpenBranch) {
    TPickerScript script([](TgfrmSelectElement *d) {
        TPickerUser u(d);
        TTreeNode *first = u.Reach("2010101");
        u.Tick(first);
        TTreeNode *s201 = u.Find("201"), *s20101 = u.Find("20101");
        ASSERT_TRUE(s201->Expanded() && s20101->Expanded());
        u.Reach("2050101");
        EXPECT_FALSE(s201->Expanded() || s20101->Expanded());
        EXPECT_TRUE(u.Find("205")->Expanded() && u.Find("20501")->Expanded());
        EXPECT_EQ(first->StateIndex(), spTicked);
        u.Confirm();
    });
    EXPECT_TRUE(ShowDataTreeDialog(list, "2"));
    EXPECT_EQ(list, QStringList{"2010101@行政运行"});
}

// Subjects of the user's budget year, budget items only, units below the user's parent unit.
TEST_P(DataTreeTest, EachKindOffersOnlyTheUsersCodes) {
    QList<QStringList> seen;
    auto show = [&](const QString &kind, const QString &code) {
        TPickerScript script([&](TgfrmSelectElement *d) {
            TPickerUser u(d);
            TTreeNode *node = code.isEmpty() ? u.View->FirstNode() : u.Reach(code);
            u.Open(node);
            QStringList codes;
            for (int i = 0; node && i < node->childCount(); ++i) codes << TPickerUser::Code(node->Child(i));
            seen << codes;
            u.CloseButton();
        });
        EXPECT_TRUE(ShowDataTreeDialog(list, kind));
    };
    for (int year : {2010, 2011}) {
        ctx_->Context.DataYear = year;
        show("2", "20101");
    }
    show("1", "");
    for (const QString unit : {"001001", "004002001"}) {
        ctx_->Unit.Set(0, unit);
        show("3", "");
    }
    const QStringList y2010{"2010101", "2010102", "2010104"};
    EXPECT_EQ(seen, (QList<QStringList>{y2010, y2010 + QStringList{"2010199"}, {"01", "02", "03"}, {"001"}, {}}));
}

TEST_P(DataTreeTest, AKindThatIsNoNumberFailsTheCallAndLeavesNoDialog) {
    TPickerScript script([](TgfrmSelectElement *d) {
        ADD_FAILURE() << "the dialog stayed up";
        TPickerUser(d).CloseButton();
    });
    try {
        ShowDataTreeDialog(list, "x");
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message, "'x' is not a valid integer value");
    }
    EXPECT_EQ(list, QStringList{"stale@entry"});
    EXPECT_FALSE(PickerAlive());
}

AUTHPAY_ON_BOTH_BACKENDS(DataTreeTest);

}  // namespace
