#pragma once
// The application object that the host and the module share: exception handler with an
// exception hook, main window with its MDI area, terminating flag, message processing, an
// application-wide message filter, hints, and the list of windows it owns.
//
// The module keeps one of its own and adopts the host's while it serves a call. Its operations
// are plain (non-virtual) members, so whichever side calls one runs its own copy of the code on
// the shared object.
#include "authpay/Exception.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QEvent;
class QMainWindow;
class QMdiArea;
class QObject;

class TApplication {
public:
    // Called with the sender (may be null) and the failure; replaces the default message box.
    using TExceptionEvent = std::function<void(QObject *sender, const Exception &e)>;
    // Sees every event of the application before its receiver; setting Handled consumes it.
    using TMessageEvent = std::function<void(QObject *receiver, QEvent *event, bool &handled)>;

    explicit TApplication(QString title = QString());
    ~TApplication();
    TApplication(const TApplication &) = delete;
    TApplication &operator=(const TApplication &) = delete;

    // Must be called inside a catch block: turns the exception in flight into an Exception and
    // hands it to OnException, or shows its message when no hook is set.
    void HandleException(QObject *sender);
    // Same for an exception already in hand.
    void ShowException(QObject *sender, const Exception &e);
    // The default display: a message box (or stderr without a GUI).
    void ShowExceptionMessage(const Exception &e);

    TExceptionEvent OnException;

    // Application-wide message filter. Setting it installs the filter on the Qt application; a
    // component that hooks in saves the previous handler, chains to it and restores it later.
    void SetOnMessage(TMessageEvent handler);
    const TMessageEvent &OnMessage() const { return onMessage_; }

    QMainWindow *MainForm = nullptr;
    QMdiArea *MdiArea() const;

    bool Terminated = false;
    void ProcessMessages();
    void Terminate();

    QString Title;

    // Hints (tool tips).
    bool ShowHint = true;
    void ActivateHint(const QPoint &globalPos, const QString &text);
    void CancelHint();

    // Message box in the application's style; returns the button pressed (QMessageBox value).
    int MessageBox(const QString &text, const QString &caption, int icon = 1);

    // Windows owned by the application object: destroyed with it unless freed earlier.
    void InsertComponent(QObject *component);
    void RemoveComponent(QObject *component);
    int ComponentCount() const;

private:
    class MessageFilter;
    TMessageEvent onMessage_;
    std::unique_ptr<MessageFilter> filter_;
    QList<QPointer<QObject>> components_;
};
