#pragma once
// Event handlers run inside Qt's event loop, which no exception may cross: a failure in a handler
// is given to the application object's exception handling (its hook, or its message box).
#include <QObject>
#include <utility>

// Call inside a catch block: hands the exception in flight to the module's application object
// (to stderr when there is none).
void HandleEventException(QObject *sender);

// Runs a handler; a failure goes to HandleEventException. Answers whether it ran through.
template <class Handler>
bool GuardedEvent(QObject *sender, Handler &&handler) {
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        HandleEventException(sender);
        return false;
    }
}
