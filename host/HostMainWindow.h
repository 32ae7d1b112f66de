#pragma once
// The host's main window: an MDI area for the module's child windows and a menu that opens the
// module's windows by class name.
#include <QMainWindow>
#include <functional>

class QMdiArea;

class HostMainWindow : public QMainWindow {
public:
    explicit HostMainWindow(QWidget *parent = nullptr);
    QMdiArea *mdiArea() const { return mdi_; }

    std::function<void(const QString &className)> onOpenClass;
    std::function<void()> onAboutModules;

private:
    QMdiArea *mdi_;
};

// The module-information texts (GBK bytes from the module) decoded for display.
QString DecodeGbk(const char *bytes);
