// The query window from the keyboard: F5 and Ctrl+R refresh from any control, the code boxes open
// their pickers with F4, Alt+Down and Enter on an empty box.
#include "dialogs/PickerScript.h"
#include "query/CodeEdit.h"
#include "query/QueryWindow.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenuBar>
#include <QTest>

namespace {

class ApportionKeysTest : public TQueryWindowTest {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", tmp.filePath(QStringLiteral("config")).toUtf8());
        Open(TBackend::SQLite);
    }
    void TearDown() override {
        TQueryWindowTest::TearDown();
        qunsetenv("XDG_CONFIG_HOME");
    }
    int Statements() {
        int n = 0;
        for (const QString &sql : TracedSql()) n += sql.contains(QStringLiteral("sum(budgmoney)"));
        return n;
    }
};

TEST_F(ApportionKeysTest, F5AndCtrlRRefreshFromAnyControlButNotWhileARefreshRuns) {
    const QList<QAction *> data = main_->menuBar()->actions()[1]->menu()->actions();
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(data.first(), w->actRefresh);
    EXPECT_EQ(w->actRefresh->text() + " " + w->actRefresh->shortcut().toString(), QStringLiteral("刷新 F5"));
    w->cobType->setFocus();
    QTest::keyClick(w->cobType, Qt::Key_F5);
    EXPECT_TRUE(w->Busy());
    EXPECT_FALSE(w->actRefresh->isEnabled());
    QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_F5);  // ignored: one statement
    WaitIdle();
    EXPECT_EQ(Statements(), 1);
    ASSERT_GT(RowCount(), 8);
    QWidget *sheet = w->cllBudget->View();
    sheet->setFocus();
    ASSERT_TRUE(sheet->hasFocus());
    QTest::keyClick(sheet, Qt::Key_R, Qt::ControlModifier);
    WaitIdle();
    EXPECT_EQ(Statements(), 1);
    EXPECT_TRUE(answers.boxes.isEmpty());

    // In the host's other windows (the drill-down that Enter on a row opens) F5 is not this window's.
    int row = 1;
    while (row < RowCount() && !w->DrillRequestAt(row)) ++row;
    w->ShowSheetCell(1, row);
    QTest::keyClick(sheet, Qt::Key_Return);
    std::unique_ptr<TbfrmApportionDetail> drill;
    for (QWidget *widget : QApplication::allWidgets())
        if (auto *d = qobject_cast<TbfrmApportionDetail *>(widget)) drill.reset(d);
    ASSERT_TRUE(drill);
    WaitIdle(drill.get());
    drill->cllBudget->View()->setFocus();
    ASSERT_TRUE(drill->cllBudget->View()->hasFocus());
    QTest::keyClick(drill->cllBudget->View(), Qt::Key_F5);
    EXPECT_FALSE(w->Busy());
}

TEST_F(ApportionKeysTest, PickerKeysOpenTheBoxesPickers) {
    const auto pick = [](TCodeEdit *box, Qt::Key key, Qt::KeyboardModifiers mods, const QString &code) {
        TPickerScript picker([code](TgfrmSelectElement *d) {
            TPickerUser u(d);
            if (code.isEmpty()) return u.CloseButton();
            u.Tick(u.Reach(code));
            u.Confirm();
        });
        box->setFocus();
        QTest::keyClick(box, key, mods);
        return picker.Ran();
    };
    EXPECT_TRUE(pick(w->edtBid, Qt::Key_F4, Qt::NoModifier, QStringLiteral("2050101")));
    EXPECT_EQ(w->edtBid->text() + " " + w->edtBid->Hint, QStringLiteral("2050101 '2050101'"));
    EXPECT_TRUE(pick(w->edtIid, Qt::Key_Down, Qt::AltModifier, QStringLiteral("0101")));
    EXPECT_EQ(w->edtIid->text(), QStringLiteral("0101"));
    // Enter opens the picker of an empty box only; F4 with Alt or Ctrl is no picker key.
    EXPECT_FALSE(pick(w->edtIid, Qt::Key_Return, Qt::NoModifier, {}));
    EXPECT_FALSE(pick(w->edtIid, Qt::Key_F4, Qt::ControlModifier, {}));
    EXPECT_EQ(w->edtIid->text(), QStringLiteral("0101"));
    Click(w->chbEidType);
    EXPECT_TRUE(pick(w->edtEid, Qt::Key_Enter, Qt::KeypadModifier, {}));
    Click(w->chbEidType);
    w->edtEid->setFocus();
    QTest::keyClicks(w->edtEid, QStringLiteral("003001"));
    EXPECT_FALSE(pick(w->edtEid, Qt::Key_Return, Qt::NoModifier, {}));
    EXPECT_EQ(w->edtEid->text(), QStringLiteral("003001"));
    EXPECT_TRUE(pick(w->edtEid, Qt::Key_F4, Qt::NoModifier, {}));  // the unit dialog, left: empty box
    EXPECT_EQ(w->edtEid->text(), QString());
    EXPECT_TRUE(answers.boxes.isEmpty());
}

}  // namespace
