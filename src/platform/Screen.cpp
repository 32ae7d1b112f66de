#include "authpay/Screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

static QSize primarySize() {
    if (auto *s = QGuiApplication::primaryScreen()) return s->geometry().size();
    return QSize(1024, 768);
}

int TScreen::Width() const { return fixed_.isValid() ? fixed_.width() : primarySize().width(); }
int TScreen::Height() const { return fixed_.isValid() ? fixed_.height() : primarySize().height(); }

void TScreen::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    const bool gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (gui && cursor_ != TCursor::crDefault) QGuiApplication::restoreOverrideCursor();
    cursor_ = cursor;
    if (gui && cursor_ == TCursor::crHourGlass) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (gui && cursor_ == TCursor::crArrow) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
}
