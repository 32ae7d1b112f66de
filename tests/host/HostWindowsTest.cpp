// The host's main window around the real query window, offscreen on a 1024×768 screen: sized to
// hold the window or maximised, the window kept inside the area, drill-downs opened one below and
// right of the last, and Ctrl+Tab, Ctrl+F6 and the "窗口" menu moving between them.
#include "HostMainWindow.h"
#include "chart/ResultChart.h"
#include "query/QueryWindow.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

namespace {

class HostWindows : public TQueryWindowTest {
protected:
    std::unique_ptr<QMainWindow> MakeMainWindow() override { return std::make_unique<HostMainWindow>(); }
    void ShowMainWindow() override {
        Host()->ShowFitted(available);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
        QTest::qWait(20);  // the maximised size arrives from the platform
    }
    HostMainWindow *Host() const { return static_cast<HostMainWindow *>(main_.get()); }
    QMdiArea *Area() const { return Host()->mdiArea(); }
    void OpenOnScreen(const QRect &screen) {
        available = screen;
        maximiseWindow = false;
        Open(TBackend::SQLite);
    }
    // The whole frame of the window, title bar and close box included, lies in the area's view.
    void ExpectInView(QMdiSubWindow *sub) const {
        EXPECT_TRUE(Area()->viewport()->rect().contains(sub->geometry()))
            << sub->geometry().width() << "x" << sub->geometry().height() << " in " << Area()->viewport()->width()
            << "x" << Area()->viewport()->height();
    }
    void SavePicture(const QString &name) const {
        const QString dir = qEnvironmentVariable("AUTHPAY_BINARY_DIR", QStringLiteral(AUTHPAY_BINARY_DIR_DEFAULT))
                            + QStringLiteral("/screenshots");
        ASSERT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(main_->grab().save(dir + QLatin1Char('/') + name));
    }
    // The drill-down a double-click on the row opened, once it has read its first page.
    TbfrmApportionDetail *Drill(int row) {
        w->Show();
        QApplication::processEvents();
        const QRect cell = w->ShowSheetCell(2, row);
        QTest::mouseDClick(w->cllBudget->View()->viewport(), Qt::LeftButton, {}, cell.center());
        QApplication::processEvents();
        auto *d = qobject_cast<TbfrmApportionDetail *>(Area()->activeSubWindow()->widget());
        if (d) WaitIdle(d);
        return d;
    }
    QWidget *Active() const { return Area()->activeSubWindow() ? Area()->activeSubWindow()->widget() : nullptr; }
    // The "窗口" menu opened with a click on the menu bar, as the user opens it.
    QMenu *OpenWindowMenu() {
        QMenuBar *bar = Host()->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(Host()->windowMenu()->menuAction()).center());
        EXPECT_TRUE(QTest::qWaitFor([this] { return Host()->windowMenu()->isVisible(); }, 2000));
        return Host()->windowMenu();
    }
    static void ClickEntry(QMenu *menu, const QString &text) {
        for (QAction *a : menu->actions())
            if (a->text() == text) return QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        ADD_FAILURE() << "no entry " << text.toStdString();
    }
    static QStringList Entries(const QMenu *menu, QString *checked) {
        QStringList texts;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator()) continue;
            texts << a->text();
            if (a->isChecked()) *checked = a->text();
        }
        return texts;
    }
    void Press(int key, Qt::KeyboardModifiers modifiers) {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key(key), modifiers);
        QApplication::processEvents();
    }

    QRect available;
};

TEST_F(HostWindows, OnASmallScreenTheHostIsMaximisedAndTheWindowIsSizedDownToItsArea) {
    OpenOnScreen(QRect(0, 0, 1024, 768));
    if (IsSkipped()) return;
    EXPECT_TRUE(main_->isMaximized());
    QMdiSubWindow *sub = w->SubWindow();
    EXPECT_LT(sub->width(), 1060);
    ExpectInView(sub);
    Refresh();
    SavePicture(QStringLiteral("host-1024x768.png"));
}

TEST_F(HostWindows, OnALargeScreenTheHostHoldsTheWindowAtItsDesignSize) {
    OpenOnScreen(QRect(0, 0, 1600, 1000));
    if (IsSkipped()) return;
    EXPECT_FALSE(main_->isMaximized());
    EXPECT_LT(main_->width(), 1600);
    EXPECT_EQ(w->SubWindow()->geometry(), QRect(0, 0, 1060, 613));
    ExpectInView(w->SubWindow());
    EXPECT_FALSE(Area()->horizontalScrollBar()->isVisible());
    // Moved beyond the area, the window is reached through the area's scroll bars.
    w->SubWindow()->move(300, 200);
    QApplication::processEvents();
    EXPECT_TRUE(Area()->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(Area()->verticalScrollBar()->isVisible());
    w->SubWindow()->move(0, 0);
    Refresh();
    SavePicture(QStringLiteral("host-1600x1000.png"));
}

TEST_F(HostWindows, DrillDownsCascadeAndKeysAndTheWindowMenuMoveBetweenWindows) {
    OpenOnScreen(QRect(0, 0, 1600, 1000));
    if (IsSkipped()) return;
    Refresh();
    TbfrmApportionDetail *first = Drill(7);
    ASSERT_NE(first, nullptr);
    TbfrmApportionDetail *second = Drill(8);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(first, second);
    EXPECT_EQ(first->SubWindow()->pos(), QPoint(24, 24));
    EXPECT_EQ(second->SubWindow()->pos(), QPoint(48, 48));
    ExpectInView(second->SubWindow());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("明细 - %1 %2").arg(Cell(2, 7), Cell(3, 7)));
    SavePicture(QStringLiteral("host-drill-downs.png"));

    QString checked;
    QMenu *menu = OpenWindowMenu();
    EXPECT_EQ(Entries(menu, &checked),
              (QStringList{QStringLiteral("层叠(&C)"), QStringLiteral("平铺(&T)"), QStringLiteral("关闭(&O)\tCtrl+F4"),
                           QStringLiteral("全部关闭(&L)"),
                           QStringLiteral("&1 支付范围划分汇总组合查询"), QStringLiteral("&2 ") + first->windowTitle(),
                           QStringLiteral("&3 ") + second->windowTitle()}));
    EXPECT_EQ(checked, QStringLiteral("&3 ") + second->windowTitle());
    QTest::keyClick(menu, Qt::Key_2);  // the entry's number picks it
    EXPECT_TRUE(QTest::qWaitFor([&] { return Active() == first; }, 2000));
    // The offscreen platform does not hand activation back from a closed pop-up by itself.
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));

    // The keys reach the host whichever widget has the focus, the sheet included.
    second->SubWindow()->widget()->setFocus();
    Area()->setActiveSubWindow(second->SubWindow());
    Press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Active(), w);
    w->cllBudget->View()->setFocus();
    Press(Qt::Key_F6, Qt::ControlModifier);
    EXPECT_EQ(Active(), first);
    Press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Active(), w);
    Press(Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Active(), second);

    // A closed window leaves the menu (and is gone: its title is read before).
    const QString firstTitle = first->windowTitle();
    first->SubWindow()->close();
    QTest::qWait(20);
    menu = OpenWindowMenu();
    const QStringList after = Entries(menu, &checked);
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_EQ(after.size(), 6);
    EXPECT_FALSE(after.contains(QStringLiteral("&2 ") + firstTitle));

    // A third drill-down opens after the newest still open.
    TbfrmApportionDetail *third = Drill(RowCount() - 1);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->SubWindow()->pos(), QPoint(72, 72));
    EXPECT_EQ(third->windowTitle(), QStringLiteral("明细 - 合计"));

    // Ctrl+F4 closes the window in front from any of its widgets; 关闭 in the menu, then 全部关闭,
    // close the others, and the main window's title follows the window in front.
    EXPECT_EQ(main_->windowTitle(), QStringLiteral("预算与支付管理系统 - [明细 - 合计]"));
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
    third->SubWindow()->widget()->setFocus();
    Press(Qt::Key_F4, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(Area()->subWindowList().size(), 2);
    EXPECT_NE(Active(), nullptr);
    Area()->setActiveSubWindow(second->SubWindow());
    const QPointer<QMdiSubWindow> front = second->SubWindow();
    menu = OpenWindowMenu();
    ClickEntry(menu, QStringLiteral("关闭(&O)\tCtrl+F4"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return front.isNull(); }, 2000));
    EXPECT_EQ(Area()->subWindowList().size(), 1);
    main_->activateWindow();
    menu = OpenWindowMenu();
    ClickEntry(menu, QStringLiteral("全部关闭(&L)"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return Area()->subWindowList().isEmpty(); }, 2000));
    w = nullptr;  // gone with the others
    EXPECT_EQ(main_->windowTitle(), QStringLiteral("预算与支付管理系统"));
}

}  // namespace

namespace {

// The chart is a window of its own beside the work area: the 窗口 menu lists it after the work
// area's windows, and its entry brings it back to the front, restored when it was minimised.
TEST_F(HostWindows, TheWindowMenuListsTheChart) {
    OpenOnScreen(QRect(0, 0, 1600, 1000));
    if (IsSkipped()) return;
    Refresh();
    Click(w->tbtnChart);
    TResultChart *chart = w->ChartWindow();
    ASSERT_TRUE(chart && chart->isVisible());
    chart->showMinimized();
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
    QString checked;
    QMenu *menu = OpenWindowMenu();
    const QStringList entries = Entries(menu, &checked);
    ASSERT_EQ(entries.size(), 6);
    EXPECT_EQ(entries.last(), QStringLiteral("&2 ") + chart->windowTitle());
    QTest::keyClick(menu, Qt::Key_2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chart->isMinimized() && chart->isActiveWindow(); }, 2000));
    chart->close();
}

}  // namespace

namespace {

// 帮助 → 使用说明 shows the query window's guide, the one F1 shows in the window.
TEST_F(HostWindows, TheHelpMenuShowsTheWindowsGuide) {
    OpenOnScreen(QRect(0, 0, 1600, 1000));
    if (IsSkipped()) return;
    auto *guide = Host()->findChild<QAction *>(QStringLiteral("actHostGuide"));
    ASSERT_TRUE(guide);
    guide->trigger();
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].title, QStringLiteral("使用说明"));
    EXPECT_TRUE(answers.boxes[0].text.contains(QStringLiteral("Ctrl+F 查找")));
}

}  // namespace
