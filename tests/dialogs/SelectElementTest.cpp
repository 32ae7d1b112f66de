// The element selection dialog on the demo database, driven through its tree and buttons: the
// first selection, confirming, the bottom-level rule and the ways out without a choice.
#include "data/DemoDb.h"
#include "dialogs/PickerScript.h"
#include "trees/TreeErrors.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SelectElementTest : public TBackendTest {
protected:
    TModuleApplication app;
    QString code = "c", name = "n", text = "t";
};

TEST_P(SelectElementTest, TheFirstSelectionFollowsTheKindsDepth) {
    QStringList seen;
    auto look = [&](TgfrmSelectElement *d) {
        TPickerUser u(d);
        seen << d->windowTitle() + ":" + u.View->FirstNode()->Text() + ":" + TPickerUser::Code(u.View->Selected());
        u.CloseButton();
    };
    for (const QString unit : {"001001", "001002003"}) {
        ctx_->Unit.Set(0, unit);
        TPickerScript script(look);
        EXPECT_FALSE(SelectBudgetUnit(code, name, text, false, true, 2010));
    }
    TPickerScript script(look);
    EXPECT_FALSE(SelectElement("PubMoneyKind", code, name, text, false, true, 0));
    // Units go a level deeper. Below the user 001001's parent 001 that level is not loaded yet:
    // 001 is opened and its first unit selected, not the placeholder that stood for it. Below
    // 001002 (the user 001002003) the first unit is a bottom-level one and is selected itself.
    const QString units = "请选择预算单位:请选择预算单位:";
    EXPECT_EQ(seen, (QStringList{units + "001001", units + "001002", "请选择资金性质:请选择资金性质:1"}));
}

TEST_P(SelectElementTest, OnlyABottomLevelUnitIsConfirmedAndGivesItsCodeAndName) {
    TPickerScript script([](TgfrmSelectElement *d) {
        TPickerUser u(d);
        u.Click(u.Reach("001006"));
        u.Confirm();
        u.DoubleClick(u.Find("001007"));
        EXPECT_TRUE(d->isVisible());
        u.Click(u.Reach("001006002"));
        EXPECT_FALSE(u.Find("001006003"));  // no longer in use
        SaveScreenshot(d, QStringLiteral("element-dialog-units"));
        u.Confirm();
    });
    EXPECT_TRUE(SelectBudgetUnit(code, name, text, true, true, 2010));
    EXPECT_EQ(script.Messages, QStringList(2, "|请选择底级预算单位"));
    EXPECT_EQ(code + "|" + name + "|" + text, "001006002|市职业技术学校|市职业技术学校");

    TPickerScript twice([](TgfrmSelectElement *d) {
        TPickerUser u(d);
        u.DoubleClick(u.Reach("001004"));
    });
    EXPECT_TRUE(SelectBudgetUnit(code, name, text, true, true, 2010));
    EXPECT_EQ(code + name, "001004市实验小学");
    EXPECT_TRUE(twice.Messages.isEmpty());
}

TEST_P(SelectElementTest, LeavingWithoutConfirmingEmptiesTheVariables) {
    for (auto leave : {&TPickerUser::Escape, &TPickerUser::CloseBox, &TPickerUser::CloseButton}) {
        code = "c", name = "n", text = "t";
        TPickerScript script([&](TgfrmSelectElement *d) {
            TPickerUser u(d);
            u.Click(u.Reach("001002"));
            (u.*leave)();
        });
        EXPECT_FALSE(SelectBudgetUnit(code, name, text, false, true, 2010));
        EXPECT_TRUE(script.Ran());
        EXPECT_EQ(code + name + text, "");
    }
    code = "c", name = "n", text = "t";
    TPickerScript none([](TgfrmSelectElement *d) { TPickerUser(d).CloseButton(); });
    EXPECT_FALSE(SelectElement("NoSuchTable", code, name, text, false, true, 2010));
    EXPECT_EQ(code + name + text, "cnt");
    EXPECT_FALSE(none.Ran());
}

AUTHPAY_ON_BOTH_BACKENDS(SelectElementTest);

TEST(SelectElementFailureTest, AConnectionThatCannotOpenFailsTheCallAndLeavesNoDialog) {
    TModuleApplication app;
    QTemporaryDir dir;
    TTestContext ctx("Provider=SQLite;Data Source=" + dir.filePath("none/demo.sqlite") + ";Mode=Read");
    QString code = "Eid", name = "EName", text;
    TPickerScript script([](TgfrmSelectElement *d) { TPickerUser(d).CloseButton(); });
    try {
        ShowElementDialog("select * from pubdept", "预算单位", code, name, text, "", false, 3);
        ADD_FAILURE() << "no exception";
    } catch (const TExceptDynamicTree &e) {
        EXPECT_EQ(e.Message, "指定的AdoConnection没有打开！");
    }
    EXPECT_FALSE(script.Ran());
    EXPECT_FALSE(PickerAlive());
}

}  // namespace
