#include "authpay/Application.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMessageBox>
#include <QToolTip>
#include <cstdio>

#include "platform/PlainTip.h"
#include "platform/PlatformErrors.h"

// Qt delivers every event of the application through this filter while a handler is set.
class TApplication::MessageFilter : public QObject {
public:
    explicit MessageFilter(TApplication *app) : app_(app) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (!app_->onMessage_) return false;
        bool handled = false;
        app_->onMessage_(watched, event, handled);
        return handled;
    }

private:
    TApplication *app_;
};

TApplication::TApplication(QString title) : Title(std::move(title)) {}

TApplication::~TApplication() {
    if (filter_ && qApp) qApp->removeEventFilter(filter_.get());
    // Free the windows this object still owns, newest first.
    for (qsizetype i = components_.size() - 1; i >= 0; --i) delete components_[i].data();
}

void TApplication::HandleException(QObject *sender) {
    try {
        throw;
    } catch (const Exception &e) {
        ShowException(sender, e);
    } catch (const std::bad_alloc &) {
        ShowException(sender, EOutOfMemory(SOutOfMemory()));
    } catch (const std::exception &e) {
        ShowException(sender, Exception(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        ShowException(sender, Exception(QStringLiteral("未知错误")));
    }
}

void TApplication::ShowException(QObject *sender, const Exception &e) {
    if (OnException) {
        OnException(sender, e);
        return;
    }
    ShowExceptionMessage(e);
}

void TApplication::ShowExceptionMessage(const Exception &e) {
    const bool gui = qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr
                     && QGuiApplication::platformName() != QLatin1String("offscreen");
    if (gui) {
        QMessageBox::critical(MainForm, Title, e.Message);
    } else {
        std::fprintf(stderr, "%s\n", e.Message.toLocal8Bit().constData());
    }
}

void TApplication::SetOnMessage(TMessageEvent handler) {
    onMessage_ = std::move(handler);
    if (onMessage_ && !filter_ && qApp) {
        filter_ = std::make_unique<MessageFilter>(this);
        qApp->installEventFilter(filter_.get());
    } else if (!onMessage_ && filter_) {
        if (qApp) qApp->removeEventFilter(filter_.get());
        filter_.reset();
    }
}

QMdiArea *TApplication::MdiArea() const {
    if (!MainForm) return nullptr;
    if (auto *area = qobject_cast<QMdiArea *>(MainForm->centralWidget())) return area;
    return MainForm->findChild<QMdiArea *>();
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(); }

void TApplication::Terminate() {
    Terminated = true;
    QCoreApplication::quit();
}

void TApplication::ActivateHint(const QPoint &globalPos, const QString &text) {
    if (ShowHint) QToolTip::showText(globalPos, PlainTip(text));
}

void TApplication::CancelHint() { QToolTip::hideText(); }

int TApplication::MessageBox(const QString &text, const QString &caption, int icon) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, text, QMessageBox::Ok, MainForm);
    return box.exec();
}

void TApplication::InsertComponent(QObject *component) {
    if (component && !components_.contains(component)) components_.append(component);
}

void TApplication::RemoveComponent(QObject *component) { components_.removeAll(component); }

int TApplication::ComponentCount() const {
    int n = 0;
    for (const auto &p : components_)
        if (p) ++n;
    return n;
}
