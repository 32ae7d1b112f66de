#pragma once
// The host's main window: an MDI area for the module's child windows (with scroll bars when they
// reach beyond it), a menu that opens the module's windows, and a "窗口" menu to move between
// them. A developer's entry that opens a window by class name sits in a "调试" menu shown only
// when asked for.
#include "authpay/ReportWindow.h"

#include <QMainWindow>
#include <QMargins>
#include <functional>
#include <optional>

class QMdiArea;
class QMenu;

class HostMainWindow : public QMainWindow {
public:
    explicit HostMainWindow(bool debugMenu = false, QWidget *parent = nullptr);
    ~HostMainWindow() override;
    QMdiArea *mdiArea() const { return mdi_; }
    QMenu *windowMenu() const { return windowMenu_; }

    // Shows the window sized to hold the module's windows at their design size when the screen's
    // available area is large enough for that, else maximised.
    void ShowFitted(const QRect &available);

    std::function<void(const QString &className)> onOpenClass;
    std::function<void()> onAboutModules;

    // The work area the module's windows are designed for: its query window is this size.
    static constexpr QSize kModuleArea{1060, 613};
    // What the window manager's frame around the main window takes, reckoned generously.
    static constexpr QMargins kFrameAllowance{8, 32, 8, 8};

    static constexpr QStringView kTitle = u"预算与支付管理系统";

private:
    void OpenByClassName();
    authpay::IQueryWindow *GuideWindow() const;
    void ShowCurrentInTitle();

    QMdiArea *mdi_;
    QMenu *windowMenu_ = nullptr;
};

// The main window's size for a work area of `area` with `chrome` around it (menu and status bars)
// on a screen whose available area is `available`, the frame allowance included; none when it does
// not fit, and the window is shown maximised instead.
std::optional<QSize> FittedHostSize(const QSize &area, const QSize &chrome, const QSize &available,
                                    const QMargins &frame);

// The module-information texts (GBK bytes from the module) decoded for display.
QString DecodeGbk(const char *bytes);
