#pragma once
// A single-shot call that belongs to an object: its timer is the object's child, so it goes when
// the object goes. QTimer::singleShot with a call parks its timer on the thread's event
// dispatcher instead, where a call not yet made outlives its window, and outlives the module too
// once the host unloads it: destroying it at the host's exit would run code that is gone.
#include <QObject>
#include <QTimer>
#include <utility>

template <typename Call>
void OwnedSingleShot(QObject *owner, int msecs, Qt::TimerType type, Call &&call) {
    auto *timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setTimerType(type);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, call = std::forward<Call>(call)]() mutable {
        timer->deleteLater();
        call();
    });
    timer->start(msecs);
}

template <typename Call> void OwnedSingleShot(QObject *owner, int msecs, Call &&call) {
    OwnedSingleShot(owner, msecs, Qt::CoarseTimer, std::forward<Call>(call));
}
