#include "MdiWindowMenu.h"

#include "authpay/ReportWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

MdiWindowMenu::MdiWindowMenu(QMdiArea *area, QMenu *menu) : QObject(menu), area_(area), menu_(menu) {
    connect(menu_, &QMenu::aboutToShow, this, &MdiWindowMenu::Rebuild);
    connect(area_, &QMdiArea::subWindowActivated, this, &MdiWindowMenu::ScheduleRebuild);
    qApp->installEventFilter(this);
    Rebuild();
}

MdiWindowMenu::~MdiWindowMenu() {
    if (qApp) qApp->removeEventFilter(this);
}

// Rebuilt after the event that changed the windows, never inside it: that event may be the
// trigger of an entry the rebuild would free.
void MdiWindowMenu::ScheduleRebuild() {
    if (rebuildPending_) return;
    rebuildPending_ = true;
    QMetaObject::invokeMethod(this, &MdiWindowMenu::Rebuild, Qt::QueuedConnection);
}

void MdiWindowMenu::Watch(QMdiSubWindow *window) {
    connect(window, &QWidget::windowTitleChanged, this, &MdiWindowMenu::ScheduleRebuild, Qt::UniqueConnection);
    connect(window, &QObject::destroyed, this, &MdiWindowMenu::ScheduleRebuild, Qt::UniqueConnection);
}

void MdiWindowMenu::Rebuild() {
    rebuildPending_ = false;
    for (QAction *a : menu_->actions()) {
        menu_->removeAction(a);
        a->deleteLater();
    }
    const QList<QMdiSubWindow *> windows = area_->subWindowList();
    QAction *cascade = menu_->addAction(QStringLiteral("层叠(&C)"), area_, &QMdiArea::cascadeSubWindows);
    QAction *tile = menu_->addAction(QStringLiteral("平铺(&T)"), area_, &QMdiArea::tileSubWindows);
    // The window in front, and every window: each goes as its own close box would take it. The
    // key is the one the window itself answers (its frame's menu), only shown here.
    QAction *close = menu_->addAction(QStringLiteral("关闭(&O)\tCtrl+F4"), area_, [area = area_] {
        if (QMdiSubWindow *current = area->currentSubWindow()) current->close();
    });
    QAction *closeAll = menu_->addAction(QStringLiteral("全部关闭(&L)"), area_, &QMdiArea::closeAllSubWindows);
    for (QAction *a : {cascade, tile, close, closeAll}) a->setEnabled(!windows.isEmpty());
    menu_->addSeparator();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow *window = windows[i];
        Watch(window);
        QAction *entry = menu_->addAction(WindowMenuText(int(i), window->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(window == area_->activeSubWindow());
        const QPointer<QMdiSubWindow> target(window);
        connect(entry, &QAction::triggered, area_, [area = area_, target] {
            if (target) area->setActiveSubWindow(target);
        });
    }
    AddChartWindows(int(windows.size()));
}

// The module's chart windows are windows of their own beside the work area: listed after the
// work area's, numbered on, and brought to the front (restored when minimised) when chosen.
void MdiWindowMenu::AddChartWindows(int numbered) {
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || !qobject_cast<authpay::IChartWindow *>(top)) continue;
        QAction *entry = menu_->addAction(WindowMenuText(numbered++, top->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(top->isActiveWindow());
        const QPointer<QWidget> target(top);
        connect(entry, &QAction::triggered, area_, [target] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            target->raise();
            target->activateWindow();
        });
    }
}

bool MdiWindowMenu::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != area_->window() || area_->subWindowList().isEmpty()) return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const int step = WindowSwitchStep(key->key(), key->modifiers());
    const bool close = IsCloseWindowKey(key->key(), key->modifiers());
    if (step == 0 && !close) return false;
    // Claimed before any shortcut or widget of the window sees it, then handled as the key press.
    event->accept();
    if (type == QEvent::ShortcutOverride) return true;
    if (close) {
        // A held key closes one window, not each one that comes to the front after it.
        if (QMdiSubWindow *current = area_->currentSubWindow(); current && !key->isAutoRepeat()) current->close();
    } else if (step > 0) area_->activateNextSubWindow();
    else area_->activatePreviousSubWindow();
    return true;
}

int WindowSwitchStep(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool shift = held == (Qt::ControlModifier | Qt::ShiftModifier);
    if (held != Qt::ControlModifier && !shift) return 0;
    if (key == Qt::Key_Backtab) return shift ? -1 : 0;
    if (key == Qt::Key_Tab || key == Qt::Key_F6) return shift ? -1 : 1;
    return 0;
}

bool IsCloseWindowKey(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    return key == Qt::Key_F4 && held == Qt::ControlModifier;
}

QString WindowMenuText(int index, const QString &title) {
    QString shown = title;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString number = index < 9 ? QStringLiteral("&%1").arg(index + 1) : QString::number(index + 1);
    return number + QLatin1Char(' ') + shown;
}
