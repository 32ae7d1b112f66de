#pragma once
// The host's "窗口" menu and the keys that move between the child windows of its MDI area.
// The menu holds 层叠, 平铺, 关闭 and 全部关闭, then the open windows numbered in the order they were
// opened, the active one checked; it follows windows that open, close or change their titles.
// Ctrl+Tab and Ctrl+F6 activate the next window, Ctrl+Shift+Tab and Ctrl+Shift+F6 the previous
// one, and Ctrl+F4 closes the window in front, whichever widget of the main window has the focus
// (a sheet or a text box would otherwise take the key).
#include <QObject>

class QEvent;
class QMdiArea;
class QMenu;
class QMdiSubWindow;

class MdiWindowMenu : public QObject {
public:
    // Fills `menu` and watches the application's key events for the window that holds `area`.
    MdiWindowMenu(QMdiArea *area, QMenu *menu);
    ~MdiWindowMenu() override;

    // Rebuilds the menu's entries now (it is rebuilt by itself as the windows change).
    void Rebuild();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ScheduleRebuild();
    void Watch(QMdiSubWindow *window);
    void AddChartWindows(int numbered);

    QMdiArea *area_;
    QMenu *menu_;
    bool rebuildPending_ = false;
};

// The step a key of the main window asks for: +1 the next child window, -1 the previous one, 0 none.
int WindowSwitchStep(int key, Qt::KeyboardModifiers modifiers);
// Whether a key of the main window closes the child window in front (Ctrl+F4).
bool IsCloseWindowKey(int key, Qt::KeyboardModifiers modifiers);

// A window's entry in the menu: "&1 title" for the first nine, "10 title" after them, its
// ampersands doubled so that they show.
QString WindowMenuText(int index, const QString &title);
