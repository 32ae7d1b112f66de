// The code boxes driven by keys and clicks: a typed unit code checked on leaving the box, the
// Backspace rules, and the "单位到基层" switch.
#include "query/CodeEdit.h"
#include "query/QueryWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>

namespace {

class ApportionCodeBoxTest : public TQueryWindowTest {
protected:
    void SetUp() override { Open(TBackend::SQLite); }
};

TEST_F(ApportionCodeBoxTest, ATypedUnitCodeIsCheckedOnLeavingTheBox) {
    TypeAndLeave(w->edtEid, QStringLiteral("  003001 "));
    EXPECT_EQ(w->edtEid->text(), QStringLiteral("003001"));
    EXPECT_TRUE(answers.boxes.isEmpty());

    w->edtEid->clear();
    TypeAndLeave(w->edtEid, QStringLiteral("003999"));
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].text, QStringLiteral("预算单位：编码不正确：编码信息有误，请确认！"));
    EXPECT_EQ(answers.boxes[0].title, QStringLiteral("Kestrelbay 7.1-提示信息"));
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Information);
    EXPECT_TRUE(w->edtEid->text().isEmpty());
    EXPECT_EQ(w->focusWidget(), w->edtEid);  // where the focus returns when the box closes

    // Leaving an empty box, or the box in list mode, checks nothing.
    QTest::keyClick(w->edtEid, Qt::Key_Tab);
    Click(w->chbEidType);
    w->edtEid->setText(QStringLiteral("003999"));
    w->edtEid->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(w->edtEid, Qt::Key_Tab);
    EXPECT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(w->edtEid->text(), QStringLiteral("003999"));
}

// Closing the window with a wrong code still in the box is not leaving the box: no message
// comes up over a window that is going away.
TEST_F(ApportionCodeBoxTest, ClosingTheWindowChecksNoTypedCode) {
    w->edtEid->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(w->edtEid, QStringLiteral("003999"));
    QPointer<TbfrmApportionQry> window = w;
    Click(w->tbnExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(answers.boxes.isEmpty());
    EXPECT_TRUE(window.isNull());
    w = nullptr;
}

TEST_F(ApportionCodeBoxTest, BackspaceEmptiesPickedBoxesAndEditsATypedCode) {
    for (TCodeEdit *box : {w->edtBid, w->edtIid}) {
        box->SetCodes({"101", "102"});
        box->setFocus(Qt::MouseFocusReason);
        // The key, not its text, is what counts: some input methods send Backspace without one.
        QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QString());
        QApplication::sendEvent(box, &backspace);
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
        EXPECT_TRUE(box->Hint.isEmpty()) << box->objectName().toStdString();
        QTest::keyClicks(box, QStringLiteral("201"));
        EXPECT_TRUE(box->text().isEmpty()) << "read-only " << box->objectName().toStdString();
    }

    w->edtEid->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(w->edtEid, QStringLiteral("003001"));
    QTest::keyClick(w->edtEid, Qt::Key_Backspace);
    EXPECT_EQ(w->edtEid->text(), QStringLiteral("00300"));

    Click(w->chbEidType);
    w->edtEid->SetCodes({"003001", "003002", "003003"});
    w->edtEid->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(w->edtEid, Qt::Key_Backspace);
    EXPECT_TRUE(w->edtEid->text().isEmpty());
    EXPECT_TRUE(w->edtEid->Hint.isEmpty());
}

TEST_F(ApportionCodeBoxTest, TheUnitSwitchEmptiesTheBoxBothWays) {
    w->edtEid->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(w->edtEid, QStringLiteral("003"));
    Click(w->chbEidType);
    EXPECT_TRUE(w->chbEidType->isChecked());
    EXPECT_TRUE(w->edtEid->isReadOnly());
    EXPECT_TRUE(w->edtEid->text().isEmpty());
    w->edtEid->SetCodes({"003001"});
    Click(w->chbEidType);
    EXPECT_FALSE(w->edtEid->isReadOnly());
    EXPECT_TRUE(w->edtEid->text().isEmpty());
    EXPECT_TRUE(w->edtEid->Hint.isEmpty());
    EXPECT_TRUE(answers.boxes.isEmpty());
}

}  // namespace
