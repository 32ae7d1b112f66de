// The window bases driven through the entry and by real key events: modal dialogs with Enter
// and Esc, centring, MDI children with merged menus that free themselves when closed, and the
// release notice to the host when the last window is gone.
#include "frame/ClassRegistry.h"
#include "frame/TestHost.h"
#include "frame/windows/FrmBsCld.h"
#include "frame/windows/FrmBsDialog.h"
#include "frame/windows/FrmBsTrvTC.h"
#include "frame/windows/MdiPlacement.h"
#include "platform/Panel.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

namespace {

class TfrmTestDialog : public TfrmBsDialog {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmTestDialog(const TComponentOwner &owner) : TfrmBsDialog(owner) {
        auto *l = new QVBoxLayout(this);
        edit1 = new QLineEdit(this);
        edit2 = new QLineEdit(this);
        l->addWidget(edit1);
        l->addWidget(edit2);
        ++made;
    }
    QLineEdit *edit1;
    QLineEdit *edit2;
    static inline int made = 0;
};
const TClassInfo TfrmTestDialog::ClassInfo{"TfrmTestDialog", &TfrmBsDialog::ClassInfo,
                                           &ConstructComponent<TfrmTestDialog>};

// A one-line field, a multi-line field and one more field, in tab order.
class TfrmTextDialog : public TfrmBsDialog {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmTextDialog(const TComponentOwner &owner) : TfrmBsDialog(owner) {
        auto *l = new QVBoxLayout(this);
        l->addWidget(edit = new QLineEdit(this));
        l->addWidget(memo = new QPlainTextEdit(this));
        l->addWidget(last = new QLineEdit(this));
    }
    QLineEdit *edit, *last;
    QPlainTextEdit *memo;
};
const TClassInfo TfrmTextDialog::ClassInfo{"TfrmTextDialog", &TfrmBsDialog::ClassInfo,
                                           &ConstructComponent<TfrmTextDialog>};

template <int N>
class TfrmChild : public TfrmBsCld {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmChild(const TComponentOwner &owner) : TfrmBsCld(owner) { ++live, ++made; }
    ~TfrmChild() override { --live; }
    static inline int live = 0, made = 0, shows = 0;

protected:
    void FormShow() override {
        ++shows;
        TfrmBsCld::FormShow();
    }
};
using TfrmTestChild = TfrmChild<1>;
using TfrmOtherChild = TfrmChild<2>;
template <> const TClassInfo TfrmTestChild::ClassInfo{"TfrmTestChild", &TfrmBsCld::ClassInfo,
                                                      &ConstructComponent<TfrmTestChild>};
template <> const TClassInfo TfrmOtherChild::ClassInfo{"TfrmOtherChild", &TfrmBsCld::ClassInfo,
                                                       &ConstructComponent<TfrmOtherChild>};

class TfrmTestTree : public TfrmBsTrvTC {
public:
    static const TClassInfo ClassInfo;
    using TfrmBsTrvTC::TfrmBsTrvTC;
};
const TClassInfo TfrmTestTree::ClassInfo{"TfrmTestTree", &TfrmBsTrvTC::ClassInfo, &ConstructComponent<TfrmTestTree>};

// A child designed larger than a 1024×720 host's area.
class TfrmWideChild : public TfrmBsCld {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmWideChild(const TComponentOwner &owner) : TfrmBsCld(owner) {
        WindowState = wsNormal;
        SetBounds(30, 20, 1500, 900);
    }
};
const TClassInfo TfrmWideChild::ClassInfo{"TfrmWideChild", &TfrmBsCld::ClassInfo, &ConstructComponent<TfrmWideChild>};

void RegisterWindowClasses() {
    for (const TClassInfo *c : {&TfrmTestDialog::ClassInfo, &TfrmTextDialog::ClassInfo, &TfrmTestChild::ClassInfo,
                                &TfrmOtherChild::ClassInfo, &TfrmTestTree::ClassInfo, &TfrmWideChild::ClassInfo})
        RegisterModuleClass(*c);
}

// Runs `act` on the modal window once the modal show has started; a safety net ends a modal
// show that the action failed to end, so a fault fails the test instead of hanging it.
void WhileModal(std::function<void(TForm *)> act) {
    QTimer::singleShot(0, [act] {
        auto *form = qobject_cast<TForm *>(QApplication::activeModalWidget());
        if (form && QTest::qWaitForWindowActive(form)) act(form);
    });
    QTimer::singleShot(3000, [] {
        if (auto *form = qobject_cast<TForm *>(QApplication::activeModalWidget())) form->done(mrNone);
    });
}

class WindowBases : public ::testing::Test {
protected:
    void SetUp() override {
        TfrmTestChild::made = TfrmOtherChild::made = TfrmTestDialog::made = 0;
        main.setCentralWidget(new QMdiArea);
        main.resize(1024, 720);
        host.application.MainForm = &main;
        authpay::ModuleStartup(RegisterWindowClasses);
    }
    void TearDown() override {
        authpay::ModuleShutdown();
        testhost::FlushDeletes();
    }
    template <class T>
    T *Find() { return static_cast<T *>(authpay::ResRefManager->FindObject(QString::fromLatin1(T::ClassInfo.Name))); }
    int MenuCount(const QString &caption) const {
        int n = 0;
        for (QAction *a : main.menuBar()->actions()) n += a->text() == caption;
        return n;
    }
    QMdiArea *Area() const { return host.application.MdiArea(); }

    testhost::Host host;
    QMainWindow main;
};

}  // namespace

TEST_F(WindowBases, DialogIsModalUntilEscAndLaterRequestsShowItModelessly) {
    bool returned = false, visibleWhileModal = false;
    WhileModal([&](TForm *form) {
        visibleWhileModal = form->isVisible() && !returned;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape, Qt::ShiftModifier);
    });
    EXPECT_EQ(host.Open("TfrmTestDialog"), 0);
    returned = true;
    EXPECT_TRUE(visibleWhileModal);
    auto *dlg = Find<TfrmTestDialog>();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->ModalResult(), mrCancel);
    EXPECT_FALSE(dlg->isVisible());  // hidden, not freed: it keeps its entry
    EXPECT_EQ(*dlg->FShowModal(), 1);

    EXPECT_EQ(host.Open("tfrmtestdialog"), 0);  // returns at once
    EXPECT_EQ(TfrmTestDialog::made, 1);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // the host's windows stay usable
    EXPECT_TRUE(host.notifier.ids.empty());
}

TEST_F(WindowBases, EscEndsAModalShowWhateverModifierIsHeld) {
    auto *dlg = static_cast<TfrmTestDialog *>(authpay::ResRefManager->GetOrCreateObject(QStringLiteral("TfrmTestDialog"), false));
    ASSERT_NE(dlg, nullptr);
    for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        WhileModal([](TForm *form) { QTest::keyClick(form->focusWidget(), Qt::Key_Escape, Qt::ShiftModifier); });
        WhileModal([mods](TForm *form) { QTest::keyClick(form->focusWidget(), Qt::Key_Escape, mods); });
        EXPECT_EQ(dlg->ShowModal(), mrCancel);
    }
}

TEST_F(WindowBases, EnterMovesToTheNextControlUnlessEnterAsTabIsOff) {
    auto *dlg = static_cast<TfrmTestDialog *>(authpay::ResRefManager->GetOrCreateObject(QStringLiteral("TfrmTestDialog"), false));
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->FEnterAsTab);
    dlg->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
    dlg->edit1->setFocus();
    QSignalSpy returned1(dlg->edit1, &QLineEdit::returnPressed);
    QTest::keyClicks(dlg->edit1, QStringLiteral("ab"));  // ordinary keys still reach the field
    EXPECT_EQ(dlg->edit1->text(), QStringLiteral("ab"));
    QTest::keyClick(dlg->edit1, Qt::Key_Return);
    EXPECT_TRUE(dlg->edit2->hasFocus());
    EXPECT_EQ(returned1.count(), 0);
    QTest::keyClick(dlg->edit2, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(dlg->edit1->hasFocus());  // wraps round in tab order

    QChar key(13);
    dlg->FormKeyPress(key);
    EXPECT_EQ(key, QChar(10));
    EXPECT_TRUE(dlg->edit2->hasFocus());  // the handler itself moves the focus

    dlg->FEnterAsTab = false;
    dlg->edit1->setFocus();
    QTest::keyClick(dlg->edit1, Qt::Key_Return);
    EXPECT_TRUE(dlg->edit1->hasFocus());
    EXPECT_EQ(returned1.count(), 1);
    key = QChar(13);
    dlg->FormKeyPress(key);
    EXPECT_EQ(key, QChar(13));
    EXPECT_TRUE(dlg->isVisible());  // Enter never closes the dialog
}

// Enter goes on as a line feed to the field it was typed in while the focus moves on: a
// multi-line field takes it as a new line, a one-line field ignores it.
TEST_F(WindowBases, EnterInADialogMovesOnAndItsLineFeedReachesTheField) {
    auto *dlg = static_cast<TfrmTextDialog *>(authpay::ResRefManager->GetOrCreateObject(QStringLiteral("TfrmTextDialog"), false));
    ASSERT_NE(dlg, nullptr);
    dlg->Show();
    QApplication::processEvents();
    ASSERT_TRUE(dlg->isActiveWindow());
    dlg->edit->setFocus();
    QSignalSpy returned(dlg->edit, &QLineEdit::returnPressed);
    QTest::keyClicks(dlg->edit, QStringLiteral("ab"));
    QTest::keyClick(dlg->edit, Qt::Key_Return);
    EXPECT_TRUE(dlg->memo->hasFocus());
    EXPECT_EQ(dlg->edit->text(), QStringLiteral("ab"));
    EXPECT_EQ(returned.count(), 0);

    QTest::keyClicks(dlg->memo, QStringLiteral("x"));
    QTest::keyClick(dlg->memo, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(dlg->last->hasFocus());
    EXPECT_EQ(dlg->memo->toPlainText(), QStringLiteral("x\n"));
    EXPECT_EQ(dlg->last->text(), QString());
}

TEST_F(WindowBases, CentringUsesTheWholeScreenAndTruncatesTowardZero) {
    EXPECT_EQ(TfrmBase::CenteredTopLeft(1024, 768, 543, 390), QPoint(240, 189));
    EXPECT_EQ(TfrmBase::CenteredTopLeft(1024, 768, 543, 771), QPoint(240, -1));
    EXPECT_EQ(TfrmBase::CenteredTopLeft(1024, 768, 1027, 768), QPoint(-1, 0));
    EXPECT_EQ(TfrmBase::CenteredTopLeft(1025, 769, 0, 0), QPoint(512, 384));

    authpay::Screen = &host.screen;
    auto *dlg = static_cast<TForm *>(authpay::ResRefManager->GetOrCreateObject(QStringLiteral("TfrmTestDialog"), false));
    EXPECT_EQ(dlg->Position, poDesigned);
    EXPECT_EQ(dlg->size(), QSize(543, 390));
    dlg->Show();
    EXPECT_EQ(QPoint(dlg->Left(), dlg->Top()), QPoint(240, 189));
    dlg->hide();
    host.screen.SetFixedSize(QSize(800, 387));  // shorter than the window: negative top
    dlg->Show();
    EXPECT_EQ(QPoint(dlg->Left(), dlg->Top()), QPoint(128, -1));
}

TEST_F(WindowBases, ChildOpensModelessInTheMdiAreaWithItsMenuMergedWhileActive) {
    const QString option = QStringLiteral("辅助功能(&S)"), data = QStringLiteral("数据操作(&P)");
    EXPECT_EQ(host.Open("TfrmTestChild"), 0);
    auto *child = Find<TfrmTestChild>();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(*child->FShowModal(), 0);
    ASSERT_EQ(Area()->subWindowList().size(), 1);
    EXPECT_EQ(child->SubWindow(), Area()->activeSubWindow());
    EXPECT_TRUE(child->SubWindow()->isMaximized());
    EXPECT_EQ(child->windowTitle(), QStringLiteral("frmBsCld"));
    EXPECT_EQ(MenuCount(option), 1);
    EXPECT_EQ(MenuCount(data), 1);

    EXPECT_EQ(host.Open("TfrmOtherChild"), 0);
    auto *other = Find<TfrmOtherChild>();
    EXPECT_EQ(Area()->activeSubWindow(), other->SubWindow());
    EXPECT_EQ(MenuCount(option), 1);  // only the active child's menu is in the bar
    EXPECT_TRUE(main.menuBar()->actions().contains(other->mitemOption->menuAction()));
    EXPECT_FALSE(main.menuBar()->actions().contains(child->mitemOption->menuAction()));

    // Asking again brings the existing child to the front; nothing new is made.
    EXPECT_EQ(host.Open("TfrmTestChild"), 0);
    EXPECT_EQ(TfrmTestChild::made, 1);
    EXPECT_EQ(Area()->subWindowList().size(), 2);
    EXPECT_EQ(Area()->activeSubWindow(), child->SubWindow());
    EXPECT_TRUE(main.menuBar()->actions().contains(child->mitemOption->menuAction()));
    EXPECT_EQ(MenuCount(option), 1);
    EXPECT_EQ(authpay::ResRefManager->RefCount(), 2);
}

TEST_F(WindowBases, ClosingChildrenFreesThemAndTheLastOneNotifiesTheHostOnce) {
    EXPECT_EQ(host.Open("TfrmTestChild"), 0);
    EXPECT_EQ(host.Open("TfrmOtherChild"), 0);
    Find<TfrmOtherChild>()->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return TfrmOtherChild::live == 0; }, 2000));
    EXPECT_TRUE(host.notifier.ids.empty());
    EXPECT_EQ(authpay::ResRefManager->RefCount(), 1);

    host.moduleInfo.ModuleId = 99;  // read from the record when the notice is sent
    Find<TfrmTestChild>()->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return TfrmTestChild::live == 0; }, 2000));
    EXPECT_EQ(host.notifier.ids, std::vector<int32_t>{99});
    EXPECT_EQ(MenuCount(QStringLiteral("辅助功能(&S)")), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Area()->subWindowList().isEmpty(); }, 2000));

    // Opening it again makes a new window, and its close notifies again.
    EXPECT_EQ(host.Open("TfrmTestChild"), 0);
    EXPECT_EQ(TfrmTestChild::made, 2);
    EXPECT_EQ(TfrmTestChild::live, 1);
    Find<TfrmTestChild>()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return TfrmTestChild::live == 0; }, 2000));
    EXPECT_EQ(host.notifier.ids, (std::vector<int32_t>{99, 99}));
}

TEST_F(WindowBases, WithoutANotifierTheLastCloseCallsNobody) {
    host.record.Notifier = nullptr;
    EXPECT_EQ(host.Open("TfrmTestChild"), 0);
    Find<TfrmTestChild>()->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return TfrmTestChild::live == 0; }, 2000));
    EXPECT_EQ(authpay::ResRefManager->RefCount(), 0);
    EXPECT_TRUE(host.notifier.ids.empty());
}

TEST_F(WindowBases, TreeWindowKeepsItsPanelLayout) {
    main.show();
    EXPECT_EQ(host.Open("TfrmTestTree"), 0);
    auto *tree = Find<TfrmTestTree>();
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree));
    EXPECT_FALSE(tree->SubWindow()->isMaximized());
    EXPECT_EQ(tree->windowTitle(), QString());
    EXPECT_EQ(tree->pnlLeft->width(), 171);
    EXPECT_EQ(tree->pnlTopMessage->height(), 23);
    EXPECT_EQ(tree->pnlBottonMessage->height(), 22);
    EXPECT_EQ(tree->trvList->indentation(), 19);
    EXPECT_TRUE(tree->pnlLeft->isAncestorOf(tree->trvList));
    EXPECT_TRUE(tree->pnlBTop->isAncestorOf(tree->pnlRightTop));
    EXPECT_TRUE(tree->pnlBBotton->isAncestorOf(tree->pnlBottonMessage));
    // The tool bar runs along the top, above the panels.
    EXPECT_LT(tree->tblChildMain->mapTo(tree, QPoint(0, 0)).y(), tree->pnlBottom->mapTo(tree, QPoint(0, 0)).y());
}

// The show handler runs when the window becomes visible, not again when the user restores it
// from minimised; a later request brings it to the front in the state the user left it.
TEST_F(WindowBases, RestoringAChildNeitherRunsItsShowHandlerNorResetsItsState) {
    main.show();
    TfrmTestChild::shows = 0;
    ASSERT_EQ(host.Open("TfrmTestChild"), 0);
    auto *child = Find<TfrmTestChild>();
    ASSERT_NE(child, nullptr);
    QMdiSubWindow *sub = child->SubWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isMaximized());
    EXPECT_EQ(TfrmTestChild::shows, 1);
    sub->showMinimized();
    QApplication::processEvents();
    sub->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(TfrmTestChild::shows, 1);
    ASSERT_EQ(host.Open("TfrmTestChild"), 0);
    EXPECT_FALSE(sub->isMaximized());
    EXPECT_EQ(TfrmTestChild::shows, 1);
}

// A child larger than the area it opens in is sized down to it, frame and close box in view.
TEST_F(WindowBases, AChildLargerThanTheAreaIsSizedDownToIt) {
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    ASSERT_EQ(host.Open("TfrmWideChild"), 0);
    QMdiSubWindow *sub = Find<TfrmWideChild>()->SubWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_LT(sub->width(), 1500);
    EXPECT_TRUE(Area()->viewport()->rect().contains(sub->geometry())) << sub->x() << "," << sub->y();
}

TEST(MdiPlacement, FittingAndCascading) {
    EXPECT_EQ(FitIntoArea(QRect(0, 0, 1060, 613), QSize(1020, 690)), QRect(0, 0, 1020, 613));
    EXPECT_EQ(FitIntoArea(QRect(300, 100, 800, 600), QSize(1020, 690)), QRect(220, 90, 800, 600));
    EXPECT_EQ(FitIntoArea(QRect(-40, -10, 200, 100), QSize(1020, 690)), QRect(0, 0, 200, 100));
    EXPECT_EQ(FitIntoArea(QRect(5, 5, 2000, 2000), QSize()), QRect(5, 5, 2000, 2000));
    // Right of and below the one before, its size cut to the rest of the area...
    EXPECT_EQ(CascadeAfter(QPoint(0, 0), QSize(1060, 613), QSize(1060, 613), 24), QRect(24, 24, 1036, 589));
    EXPECT_EQ(CascadeAfter(QPoint(24, 24), QSize(500, 400), QSize(1060, 613), 24), QRect(48, 48, 500, 400));
    // ...back at the top left once less than three quarters would remain.
    EXPECT_EQ(CascadeAfter(QPoint(280, 120), QSize(1060, 613), QSize(1060, 613), 24), QRect(0, 0, 1060, 613));
    EXPECT_EQ(CascadeAfter(QPoint(700, 0), QSize(500, 400), QSize(1060, 613), 24), QRect(0, 0, 500, 400));
}
